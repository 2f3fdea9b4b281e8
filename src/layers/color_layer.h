// TColorLayer: a colour bar - a rectangle of one colour whose shape and transparency live in the
// bitmap's alpha channel.
#pragma once

#include "layers/bitmap_layer.h"
#include "raster/color32.h"

namespace pictavia {

class TColorLayer : public TBitmapLayer {
 public:
  // A 100 x 50 bitmap, opaque, in the default opaque green.
  explicit TColorLayer(TLayerCollection* LayerCollection);
  const char* ClassName() const override { return "TColorLayer"; }

  // Only red, green and blue are used: every pixel keeps its own alpha.
  TColor32 FillColor() const { return fillColor_; }
  void SetFillColor(TColor32 Value);
  // The bitmap as a new bar has it (100 x 50, opaque), in the current fill colour.
  void ResetBitmap();

 private:
  void UpdateFill();

  TColor32 fillColor_ = 0xFF00FF00u;
};

}  // namespace pictavia
