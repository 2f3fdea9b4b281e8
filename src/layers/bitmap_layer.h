// TBitmapLayer: a positioned layer that carries a TBitmap32 and draws it stretched into its
// location; the pixel-rounding helpers the layers share.
#pragma once

#include <cstdint>
#include <memory>

#include "layers/positioned_layer.h"
#include "raster/bitmap32.h"
#include "toolkit/geometry.h"

namespace pictavia {

// Float coordinates to control pixels. NaN becomes 0 and values beyond +-2^30 are held there, so
// a location dragged far away or computed from a broken zoom cannot overflow the integer maths.
int32_t PixelRound(double Value);  // nearest, ties to even
int32_t PixelFloor(double Value);
int32_t PixelCeil(double Value);
// Each coordinate rounded to nearest, ties to even.
TRect PixelRoundRect(const TFloatRect& R);

class TBitmapLayer : public TPositionedLayer {
 public:
  // Inherited construction, then an empty Bitmap whose area changes repaint the layer.
  explicit TBitmapLayer(TLayerCollection* LayerCollection);
  ~TBitmapLayer() override;
  const char* ClassName() const override { return "TBitmapLayer"; }

  // The picture, owned by the layer for its whole life.
  TBitmap32& Bitmap() { return *bitmap_; }
  const TBitmap32& Bitmap() const { return *bitmap_; }

  // Limits drawing to the owner's DrawnRect (except while it renders into another bitmap).
  bool Cropped() const { return cropped_; }
  void SetCropped(bool Value);

  bool IsBitmapLayer() const override { return true; }

  // Stretches the whole Bitmap into the rounded ViewLocation, inside the buffer's clip rectangle,
  // with the bitmap's resampler, draw mode, master alpha, combine mode and combine handler.
  void Paint(TBitmap32* Buffer) override;

 protected:
  // Maps an area of Bitmap to control pixels, grown by the resampler's reach, and reports it.
  virtual void BitmapAreaChanged(const TRect& Area);

 private:
  std::unique_ptr<TBitmap32> bitmap_;
  bool cropped_ = false;
};

}  // namespace pictavia
