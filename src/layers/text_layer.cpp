// TTextLayer: the text, its colour and font, and rendering them into the layer's bitmap.
#include "layers/text_layer.h"

#include <map>
#include <memory>
#include <tuple>

#include "toolkit/colors.h"

namespace pictavia {

namespace {

// The toolkit's glyph rendering is not quite a function of text and font: a font engine that
// drew other sizes for the window meanwhile can give edge pixels a few levels apart. Every
// rendering of one text in one font and colour is therefore made once per process and reused,
// so redrawing a text (undo, redo, Save, render) gives the very pixels the editor showed.
using TTextKey = std::tuple<std::string, std::string, int, int, uint8_t, uint8_t, int, int, int,
                            TColor, TColor32>;

TTextKey KeyOf(const std::string& Text, const TFont& F, TColor32 Color) {
  return {Text,        F.Name(),        F.Size(),  F.PixelHeight(), F.Style(),
          F.Charset(), F.Orientation(), F.Pitch(), F.Quality(),     F.Color(),
          Color};
}

class TRenderedTexts {
 public:
  std::shared_ptr<const TBitmap32> Find(const TTextKey& Key) const {
    const auto it = texts_.find(Key);
    return it == texts_.end() ? nullptr : it->second;
  }
  void Add(const TTextKey& Key, std::shared_ptr<const TBitmap32> Rendered) {
    const size_t bytes = static_cast<size_t>(Rendered->Width()) * Rendered->Height() * 4;
    // Bounded: a long session with many texts starts the collection again.
    if (bytes_ + bytes > kBudget) {
      texts_.clear();
      bytes_ = 0;
    }
    bytes_ += bytes;
    texts_[Key] = std::move(Rendered);
  }

 private:
  static constexpr size_t kBudget = size_t{64} << 20;
  std::map<TTextKey, std::shared_ptr<const TBitmap32>> texts_;
  size_t bytes_ = 0;
};

TRenderedTexts& RenderedTexts() {
  static TRenderedTexts texts;
  return texts;
}

}  // namespace

TTextLayer::TTextLayer(TLayerCollection* LayerCollection) : TBitmapLayer(LayerCollection) {
  TFont font;
  font.SetName("Arial");
  font.SetSize(16);
  font.SetStyle(fsBold);
  font.SetColor(clRed);  // kept as given; glyphs take TextColor
  Bitmap().SetFont(font);
  UpdateText();
}

void TTextLayer::SetText(const std::string& Value) {
  if (Value == text_) return;
  text_ = Value;
  UpdateText();
}

void TTextLayer::SetTextColor(TColor32 Value) {
  if (Value == textColor_) return;
  textColor_ = Value;
  UpdateText();
}

void TTextLayer::SetFont(const TFont& Value) {
  Bitmap().SetFont(Value);
  UpdateText();
}

void TTextLayer::UpdateText() {
  TBitmap32& bitmap = Bitmap();
  // One report of the finished picture instead of one per step.
  bitmap.BeginUpdate();
  try {
    const TTextKey key = KeyOf(text_, bitmap.Font(), textColor_);
    if (const auto rendered = RenderedTexts().Find(key)) {
      rendered->CopyPixelsTo(bitmap);
    } else {
      const TSize extent = bitmap.TextExtent(text_);
      // A size change leaves zeroed pixels; an unchanged size still holds the old glyphs, and
      // the new ones are blended, so they must not land on top of the old rendering.
      if (!bitmap.SetSize(extent.cx, extent.cy) && !bitmap.Empty()) bitmap.Clear(0x00000000);
      bitmap.DrawSmoothText(0, 0, text_, 4, textColor_);
      auto copy = std::make_shared<TBitmap32>();
      bitmap.CopyPixelsTo(*copy);
      RenderedTexts().Add(key, std::move(copy));
    }
    bitmap.SetDrawMode(dmBlend);
  } catch (...) {
    bitmap.EndUpdate();
    throw;
  }
  bitmap.EndUpdate();
  bitmap.Changed();
}

}  // namespace pictavia
