// TTextLayer: the text, its colour and font, and rendering them into the layer's bitmap.
#include "layers/text_layer.h"

#include "toolkit/colors.h"

namespace pictavia {

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
    const TSize extent = bitmap.TextExtent(text_);
    // A size change leaves zeroed pixels; an unchanged size still holds the old glyphs, and the
    // new ones are blended, so they must not land on top of the old rendering.
    if (!bitmap.SetSize(extent.cx, extent.cy) && !bitmap.Empty()) bitmap.Clear(0x00000000);
    bitmap.DrawSmoothText(0, 0, text_, 4, textColor_);
    bitmap.SetDrawMode(dmBlend);
  } catch (...) {
    bitmap.EndUpdate();
    throw;
  }
  bitmap.EndUpdate();
  bitmap.Changed();
}

}  // namespace pictavia
