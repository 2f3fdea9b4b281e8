// TColorLayer: filling the bar and recolouring it without touching its alpha channel.
#include "layers/color_layer.h"

namespace pictavia {

TColorLayer::TColorLayer(TLayerCollection* LayerCollection) : TBitmapLayer(LayerCollection) {
  ResetBitmap();
}

void TColorLayer::ResetBitmap() {
  Bitmap().SetSize(100, 50);
  Bitmap().FillRect(0, 0, 100, 50, 0xFFFFFFFFu);
  UpdateFill();
}

void TColorLayer::SetFillColor(TColor32 Value) {
  if (Value == fillColor_) return;
  fillColor_ = Value;
  UpdateFill();
}

void TColorLayer::UpdateFill() {
  TBitmap32& bitmap = Bitmap();
  bitmap.RecolorKeepAlpha(0, 0, bitmap.Width(), bitmap.Height(), fillColor_);
  bitmap.SetDrawMode(dmBlend);
}

}  // namespace pictavia
