// Rendering an image's stages without a widget.
#include "layers/offscreen_image.h"

namespace pictavia {

TOffscreenImage::TOffscreenImage() {
  AddDefaultStages(stages_);
}

TOffscreenImage::~TOffscreenImage() {
  layers_.Clear();
}

void TOffscreenImage::RenderInto(TBitmap32& Dest) {
  struct TRendering {
    bool& Flag;
    explicit TRendering(bool& F) : Flag(F) { Flag = true; }
    ~TRendering() { Flag = false; }
  } rendering(rendering_);
  for (int i = 0; i < stages_.Count(); ++i)
    if (stages_.Items(i).RunTime) RunStage(stages_.Items(i), Dest);
}

void TOffscreenImage::RunStage(const TPaintStage& Stage, TBitmap32& Dest) {
  switch (Stage.Kind) {
    case skCustom:
      if (OnPaintStage) OnPaintStage(Dest);
      break;
    case skClearBuffer:
      Dest.Clear(color_);
      break;
    case skClearBackground:
      // The bitmap covers the whole of a one-to-one target only where it is drawn opaque.
      if (bitmap_.Empty() || bitmap_.DrawMode() != dmOpaque) Dest.Clear(color_);
      break;
    case skDrawBitmap:
      DrawBitmapStage(bitmap_, Dest, bitmap_.BoundsRect(), false);
      break;
    case skDrawLayers:
      DrawLayersStage(layers_, Dest, Stage.Parameter);
      break;
    default:
      break;  // the frames show the control, which there is none of
  }
}

}  // namespace pictavia
