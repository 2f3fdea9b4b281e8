// TBitmap32 canvas and text: the font and its selection, plain text output, text measuring, and
// anti-aliased text with a real alpha channel computed from supersampled glyph coverage.
#include <algorithm>
#include <cstdlib>

#include "raster/bitmap32.h"
#include "raster/internal/text_block_sums.h"
#include "toolkit/bitmap.h"

namespace pictavia {

namespace {

// The shared 8x8 toolkit bitmap that measures text for empty bitmaps and hosts the enlarged font
// of supersampled text; its canvas lock guards every use.
TBitmap& SharedGlyphBitmap() {
  static TBitmap& bitmap = []() -> TBitmap& {
    static TBitmap instance;
    instance.SetPixelFormat(pf32bit);
    instance.SetSize(8, 8);
    return instance;
  }();
  return bitmap;
}

class CanvasLock {
 public:
  explicit CanvasLock(TCanvas& c) : canvas_(c) { canvas_.Lock(); }
  ~CanvasLock() { canvas_.Unlock(); }
  CanvasLock(const CanvasLock&) = delete;
  CanvasLock& operator=(const CanvasLock&) = delete;

 private:
  TCanvas& canvas_;
};

}  // namespace

TCanvas& TBitmap32::Canvas() {
  if (!canvas_) {
    canvas_ = std::make_unique<TCanvas>();
    canvas_->SetSurface(bits_, width_, height_);
    canvas_->OnChange = [this](TObject*) { Changed(); };
  }
  return *canvas_;
}

void TBitmap32::SetFont(const TFont& Value) {
  font_->Assign(&Value);
  FontChanged();
}

void TBitmap32::FontChanged() {
  fontSelected_ = false;
}

void TBitmap32::UpdateFont() {
  if (!fontSelected_ && handle_) {
    handle_->Font().Assign(font_.get());
    fontSelected_ = true;
  }
  if (handle_) {
    handle_->Font().SetColor(font_->Color());
    handle_->BkMode = bkTransparent;
  }
}

TSize TBitmap32::TextExtent(const std::string& Text) {
  if (handle_) {
    UpdateFont();
    return handle_->TextExtent(Text);
  }
  TCanvas& shared = *SharedGlyphBitmap().Canvas();
  CanvasLock lock(shared);
  TFont saved;
  saved.Assign(&shared.Font());
  shared.Font().Assign(font_.get());
  const TSize size = shared.TextExtent(Text);
  shared.Font().Assign(&saved);
  return size;
}

void TBitmap32::TextOut(int X, int Y, const std::string& Text) {
  UpdateFont();
  const TSize extent = TextExtent(Text);
  if (!measuring_ && handle_) {
    if (clipping_)
      handle_->SetClipRect(clipRect_);
    else
      handle_->ResetClip();
    handle_->TextOut(X, Y, Text);
  }
  Changed(Rect(X, Y, SaturatedInt32(int64_t{X} + extent.cx + 1),
               SaturatedInt32(int64_t{Y} + extent.cy + 1)),
          AreaIsRect);
}

void TBitmap32::DrawSmoothText(int X, int Y, const std::string& Text, int AALevel, TColor32 Color) {
  if (Empty()) return;
  const uint32_t alpha = Color >> 24;
  Color &= 0x00FFFFFFu;
  AALevel = std::clamp(AALevel, -1, 4);
  const std::string padded = Text + " ";

  font_->SetQuality(AALevel == -1 ? fqAntialiased : fqNonAntialiased);
  TBitmap32 b;
  try {
    if (AALevel <= 0) {
      // Direct path: the glyph coverage of one rendering is the alpha.
      const TSize extent = TextExtent(padded);
      b.SetSize(extent.cx, extent.cy);
      b.SetFont(*font_);
      b.Clear(0x00000000);
      b.Font().SetColor(clWhite);
      b.TextOut(0, 0, Text);
      if (!b.Empty()) {
        TColor32* p = b.Bits();
        for (int64_t i = static_cast<int64_t>(b.Width()) * b.Height(); i > 0; --i, ++p)
          if (*p != 0) *p = ((*p & 0xFF) << 24) + Color;
      }
    } else {
      // Supersampled path: render 2^AALevel times larger, average blocks into the alpha.
      const int s = 1 << AALevel;
      TCanvas& shared = *SharedGlyphBitmap().Canvas();
      CanvasLock lock(shared);
      TFont big;
      big.Assign(font_.get());
      // Exactly s times the pixel height, so the enlarged layout is the measured one scaled.
      big.SetPixelHeight(std::abs(font_->Height()) * s);
      shared.Font().Assign(&big);
      const TSize extent = shared.TextExtent(padded);
      const int w = ((extent.cx >> AALevel) + 1) << AALevel;
      const int h = ((extent.cy >> AALevel) + 1) << AALevel;
      b.SetSize(w >> AALevel, h >> AALevel);
      if (!b.Empty()) {
        // The block sums land in B's own pixels, then become the alpha.
        SumTextBlocks(big, Text, AALevel, b.Width(), b.Height(), b.Bits());
        const int shift = 2 * AALevel;
        TColor32* p = b.Bits();
        for (int64_t i = static_cast<int64_t>(b.Width()) * b.Height(); i > 0; --i, ++p)
          *p = ((*p >> shift) << 24) + Color;
      }
    }
    b.SetDrawMode(dmBlend);
    b.SetMasterAlpha(alpha);
    b.SetCombineMode(combineMode_);
    b.DrawOnto(*this, X, Y);
  } catch (...) {
    font_->SetQuality(fqDefault);
    throw;
  }
  font_->SetQuality(fqDefault);
}

}  // namespace pictavia
