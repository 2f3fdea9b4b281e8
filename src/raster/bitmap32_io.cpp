// TBitmap32 copying, import from and export to the toolkit's pictures, file and stream I/O,
// and the "Data" persistence.
#include <cstring>

#include "raster/bitmap32.h"
#include "raster/resamplers.h"
#include "toolkit/bitmap.h"
#include "toolkit/exceptions.h"
#include "toolkit/icon.h"
#include "toolkit/picture.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

// Pictures that carry their own transparency and so are imported over two backgrounds.
bool HasOwnTransparency(const TGraphic* g) {
  if (dynamic_cast<const TIcon*>(g)) return true;
  const std::string name = g->ClassName();
  return name == "TMetafile";
}

// Binds a temporary canvas to a bitmap's pixels and lets a picture draw itself over all of it;
// drawn once, returns whether the picture made every pixel opaque itself.
bool DrawGraphicOnto(TGraphic& Graphic, TBitmap32& Target, bool Once = false) {
  TCanvas canvas;
  canvas.SetSurface(Target.Bits(), Target.Width(), Target.Height());
  const TRect all = Rect(0, 0, Target.Width(), Target.Height());
  if (Once) return Graphic.DrawOnce(canvas, all);
  Graphic.Draw(canvas, all);
  return false;
}

}  // namespace

void TBitmap32::Assign(const TPersistent* Source) {
  AssignFrom(Source, false);
}

void TBitmap32::AssignFrom(const TPersistent* Source, bool SourceFreedAfter) {
  // Nothing to copy, but Assign always ends with a notification.
  if (Source == this) {
    Changed();
    return;
  }
  BeginUpdate();
  try {
    if (Source == nullptr) {
      SetSize(0, 0);
    } else if (auto* b32 = dynamic_cast<const TBitmap32*>(Source)) {
      b32->CopyPixelsTo(*this);
      b32->CopySettingsTo(*this);
    } else if (auto* bmp = dynamic_cast<const TBitmap*>(Source)) {
      ImportToolkitBitmap(*bmp);
    } else if (auto* graphic = dynamic_cast<const TGraphic*>(Source)) {
      ImportGraphic(const_cast<TGraphic&>(*graphic), SourceFreedAfter);
    } else if (auto* picture = dynamic_cast<const TPicture*>(Source)) {
      TGraphic* g = picture->Graphic();
      if (auto* pb = dynamic_cast<TBitmap*>(g)) {
        ImportToolkitBitmap(*pb);
      } else if (g && HasOwnTransparency(g)) {
        ImportWithTwoBackgrounds(*g);
      } else if (g) {
        ImportGraphic(*g, SourceFreedAfter);
      } else {
        SetSize(0, 0);
      }
    } else {
      TCustomMap::Assign(Source);
    }
  } catch (...) {
    EndUpdate();
    Changed();
    throw;
  }
  EndUpdate();
  Changed();
}

void TBitmap32::ImportGraphic(TGraphic& Source, bool DrawnOnce) {
  SetSize(Source.Width(), Source.Height());
  if (Empty()) return;
  // Measuring mode keeps the fourth bytes as drawn, which a picture drawn opaque would not.
  if (DrawGraphicOnto(Source, *this, DrawnOnce && !measuring_)) return;
  SetAllAlpha(255);
}

void TBitmap32::ImportToolkitBitmap(const TBitmap& Source) {
  TBitmap& src = const_cast<TBitmap&>(Source);
  SetSize(src.Width(), src.Height());
  if (Empty()) return;
  TCanvas& from = *src.Canvas();
  from.Lock();
  try {
    TCanvas to;
    to.SetSurface(bits_, width_, height_);
    to.CopyMode = cmSrcCopy;
    to.CopyRect(BoundsRect(), from, Rect(0, 0, width_, height_));
  } catch (...) {
    from.Unlock();
    throw;
  }
  from.Unlock();
  if (src.PixelFormat() != pf32bit) SetAllAlpha(255);
  if (src.Transparent()) {
    const TColor32 key = Color32(src.TransparentColor()) & 0x00FFFFFFu;
    TColor32* p = bits_;
    for (int64_t i = static_cast<int64_t>(width_) * height_; i > 0; --i, ++p)
      if ((*p & 0x00FFFFFFu) == key) *p &= 0x00FFFFFFu;
  }
  SetFont(from.Font());
}

void TBitmap32::ImportWithTwoBackgrounds(TGraphic& Source) {
  SetSize(Source.Width(), Source.Height());
  if (Empty()) return;
  Clear(clWhite32);
  DrawGraphicOnto(Source, *this);
  TBitmap32 onRed;
  onRed.SetSize(width_, height_);
  onRed.Clear(clRed32);
  DrawGraphicOnto(Source, onRed);
  // Where both renderings agree the picture covered the background: opaque. Elsewhere the
  // background showed through: transparent.
  TColor32* w = bits_;
  const TColor32* r = onRed.Bits();
  for (int64_t i = static_cast<int64_t>(width_) * height_; i > 0; --i, ++w, ++r) {
    if ((*w & 0x00FFFFFFu) == (*r & 0x00FFFFFFu))
      *w |= 0xFF000000u;
    else
      *w &= 0x00FFFFFFu;
  }
}

void TBitmap32::ExportTo(TBitmap& Dest) const {
  Dest.SetHandleType(bmDIB);
  Dest.SetPixelFormat(pf32bit);
  Dest.Canvas()->Font().Assign(font_.get());
  Dest.SetSize(width_, height_);
  if (Empty()) return;
  TDibDescription dib;
  dib.Width = width_;
  dib.Height = height_;
  dib.BitCount = 32;
  dib.BottomUp = false;
  dib.Bits = reinterpret_cast<const uint8_t*>(bits_);
  dib.Stride = width_ * 4;
  Dest.Canvas()->StretchDIBits(Rect(0, 0, width_, height_), Rect(0, 0, width_, height_), dib,
                               cmSrcCopy);
}

void TBitmap32::AssignTo(TPersistent* Dest) const {
  if (auto* picture = dynamic_cast<TPicture*>(Dest)) {
    auto bmp = std::make_unique<TBitmap>();
    ExportTo(*bmp);
    picture->SetGraphic(std::unique_ptr<TGraphic>(std::move(bmp)));
  } else if (auto* bmp = dynamic_cast<TBitmap*>(Dest)) {
    ExportTo(*bmp);
  } else {
    TCustomMap::AssignTo(Dest);
  }
}

void TBitmap32::LoadFromFile(const std::string& FileName) {
  TPicture picture;
  picture.LoadFromFile(FileName);
  AssignFrom(&picture, true);
}

void TBitmap32::SaveToFile(const std::string& FileName) const {
  TBitmap bmp;
  ExportTo(bmp);
  bmp.SaveToFile(FileName);
}

void TBitmap32::LoadFromStream(TStream& Stream) {
  TBitmap bmp;
  bmp.LoadFromStream(Stream);
  Assign(&bmp);
}

void TBitmap32::SaveToStream(TStream& Stream) const {
  TBitmap bmp;
  ExportTo(bmp);
  bmp.SaveToStream(Stream);
}

bool TBitmap32::Equal(const TBitmap32& Other) const {
  if (Empty() && Other.Empty()) return true;
  if (std::string(ClassName()) != Other.ClassName()) return false;
  TMemoryStream a, b;
  SaveToStream(a);
  Other.SaveToStream(b);
  return a.Bytes() == b.Bytes();
}

// ---------------------------------------------------------------------------------------------
// "Data" persistence

void TBitmap32::DefineProperties(TFiler& Filer) {
  TCustomMap::DefineProperties(Filer);
  bool hasData;
  if (auto* ancestor = dynamic_cast<const TBitmap32*>(Filer.Ancestor))
    hasData = !Equal(*ancestor);
  else
    hasData = !Empty();
  Filer.DefineBinaryProperty(
      "Data", [this](TStream& s) { ReadData(s); }, [this](TStream& s) { WriteData(s); }, hasData);
}

void TBitmap32::ReadData(TStream& Stream) {
  try {
    const int32_t w = static_cast<int32_t>(Stream.ReadU32LE());
    const int32_t h = static_cast<int32_t>(Stream.ReadU32LE());
    // Never size the bitmap for more pixels than the stream can still deliver.
    const int64_t bytes = static_cast<int64_t>(w < 0 ? 0 : w) * (h < 0 ? 0 : h) * 4;
    if (w < 0 || h < 0 || bytes > Stream.Remaining()) throw EReadError(SReadError);
    SetSize(w, h);
    if (!Empty()) Stream.ReadBuffer(bits_, bytes);
  } catch (...) {
    Changed();
    throw;
  }
  Changed();
}

void TBitmap32::WriteData(TStream& Stream) const {
  Stream.WriteU32LE(static_cast<uint32_t>(width_));
  Stream.WriteU32LE(static_cast<uint32_t>(height_));
  if (!Empty()) Stream.WriteBuffer(bits_, static_cast<int64_t>(width_) * height_ * 4);
}

}  // namespace pictavia
