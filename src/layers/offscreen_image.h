// TOffscreenImage: a background bitmap with its layers and paint stages and no widget, rendered
// at one bitmap pixel per pixel into another bitmap. The layer owner of headless rendering.
#pragma once

#include <functional>

#include "layers/layer_collection.h"
#include "layers/layer_owner.h"
#include "layers/paint_stages.h"
#include "raster/bitmap32.h"
#include "raster/color32.h"

namespace pictavia {

class TOffscreenImage : public TLayerOwner {
 public:
  // The default stage list.
  TOffscreenImage();
  ~TOffscreenImage() override;
  TOffscreenImage(const TOffscreenImage&) = delete;
  TOffscreenImage& operator=(const TOffscreenImage&) = delete;

  TBitmap32& Bitmap() { return bitmap_; }
  TLayerCollection& Layers() { return layers_; }
  TPaintStages& PaintStages() { return stages_; }
  // The colour of the clearing stages.
  TColor32 Color() const { return color_; }
  void SetColor(TColor32 Value) { color_ = Value; }

  // Runs the run-time stages, in order, into Dest with the bitmap at (0, 0, width, height);
  // Dest's clip rectangle is used as the caller set it. Layers do not crop themselves meanwhile.
  void RenderInto(TBitmap32& Dest);

  // Raised by custom stages with the bitmap being rendered into.
  std::function<void(TBitmap32& Buffer)> OnPaintStage;

  // --- TLayerOwner: a one-to-one mapping ------------------------------------------------------
  TRect DrawnRect() override { return bitmap_.BoundsRect(); }
  bool RenderingInto() const override { return rendering_; }
  TCursor Cursor() const override { return crDefault; }
  void SetScreenCursor(TCursor) override {}

 private:
  void RunStage(const TPaintStage& Stage, TBitmap32& Dest);

  TBitmap32 bitmap_;
  TLayerCollection layers_{this};
  TPaintStages stages_;
  TColor32 color_ = 0xFFFFFFFFu;
  bool rendering_ = false;
};

}  // namespace pictavia
