// TBitmapLayer: painting the bitmap into the layer's place on the view, cropping to the drawn
// canvas, and turning the bitmap's area changes into repaints of the layer.
#include "layers/bitmap_layer.h"

#include <algorithm>
#include <cmath>

#include "layers/layer_collection.h"
#include "raster/resamplers.h"
#include "raster/transfers.h"
#include "toolkit/rounding.h"

namespace pictavia {

namespace {

constexpr double kPixelLimit = 1073741824.0;  // 2^30: room left for growing a rectangle

double HeldValue(double Value) {
  if (std::isnan(Value)) return 0;
  return std::clamp(Value, -kPixelLimit, kPixelLimit);
}

}  // namespace

int32_t PixelRound(double Value) {
  return SaturatedRound(HeldValue(Value));
}

int32_t PixelFloor(double Value) {
  return SaturatedFloor(HeldValue(Value));
}

int32_t PixelCeil(double Value) {
  return SaturatedCeil(HeldValue(Value));
}

TRect PixelRoundRect(const TFloatRect& R) {
  return Rect(PixelRound(R.Left), PixelRound(R.Top), PixelRound(R.Right), PixelRound(R.Bottom));
}

TBitmapLayer::TBitmapLayer(TLayerCollection* LayerCollection)
    : TPositionedLayer(LayerCollection), bitmap_(std::make_unique<TBitmap32>()) {
  bitmap_->OnAreaChanged = [this](TObject*, const TRect& Area, uint32_t) {
    BitmapAreaChanged(Area);
  };
}

TBitmapLayer::~TBitmapLayer() {
  bitmap_->OnAreaChanged = nullptr;
}

void TBitmapLayer::SetCropped(bool Value) {
  if (Value == cropped_) return;
  cropped_ = Value;
  Changed();
}

void TBitmapLayer::Paint(TBitmap32* Buffer) {
  if (!Buffer || bitmap_->Empty()) return;
  const TRect dst = PixelRoundRect(ViewLocation());
  TRect clip = Buffer->ClipRect();
  TRect overlap;
  if (!IntersectRect(overlap, dst, clip)) return;

  TLayerOwner* owner = LayerCollection() ? LayerCollection()->Owner() : nullptr;
  if (cropped_ && owner && !owner->RenderingInto()) {
    if (dst.Width() < 1 || dst.Height() < 1) return;
    IntersectRect(clip, clip, owner->DrawnRect());
  }
  TransferScaled(Buffer, dst, clip, bitmap_.get(), bitmap_->BoundsRect(), bitmap_->Resampler(),
                 bitmap_->DrawMode(), bitmap_->OnPixelCombine);
}

void TBitmapLayer::BitmapAreaChanged(const TRect& Area) {
  if (bitmap_->Empty() || !LayerCollection() || (OptionBits() & OptNoUpdate)) return;
  // Mapped from the place as it is painted (held at +-2^30) in double precision: single precision
  // is off by up to 128 pixels near 2^30, and a place beyond the float range (a far layer,
  // zoomed in) gives infinite scales and NaN; either way the damaged area missed visible pixels.
  const TFloatRect v = ViewLocation();
  const double left = HeldValue(v.Left), top = HeldValue(v.Top);
  const double sx = (HeldValue(v.Right) - left) / bitmap_->Width();
  const double sy = (HeldValue(v.Bottom) - top) / bitmap_->Height();
  TRect r = Rect(PixelFloor(left + Area.Left * sx), PixelFloor(top + Area.Top * sy),
                 PixelCeil(left + Area.Right * sx), PixelCeil(top + Area.Bottom * sy));
  // A filter reaches beyond the changed pixels by its support; the step covers the rounding.
  const float support = bitmap_->Resampler() ? bitmap_->Resampler()->SupportWidth() : 0.0f;
  const int grow = static_cast<int>(std::clamp(support, 0.0f, 65536.0f)) + 1;
  InflateRect(r, grow, grow);
  Changed(r);
}

}  // namespace pictavia
