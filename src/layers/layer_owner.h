// TLayerOwner: what the layers need of the image that owns their collection. Declared here and
// implemented by the image view, so the layers never include the view.
#pragma once

#include "layers/input.h"
#include "toolkit/geometry.h"

namespace pictavia {

class TLayerOwner {
 public:
  virtual ~TLayerOwner() = default;

  // Where the background bitmap is drawn, in control coordinates, computed afresh.
  virtual TRect DrawnRect() = 0;
  // True while the owner renders its stages into another bitmap instead of its back buffer
  // (layers then do not crop themselves to DrawnRect).
  virtual bool RenderingInto() const = 0;

  // The bitmap-to-control mapping: control pixels per bitmap pixel, and the bitmap's origin in
  // control pixels. The collection asks here when its viewport events are not bound.
  virtual void ViewScale(float& ScaleX, float& ScaleY) {
    ScaleX = 1;
    ScaleY = 1;
  }
  virtual void ViewShift(float& ShiftX, float& ShiftY) {
    ShiftX = 0;
    ShiftY = 0;
  }

  // The owner control's own cursor, shown while the mouse is over no layer.
  virtual TCursor Cursor() const = 0;
  // Changes the cursor shown on screen now (not the owner's Cursor property).
  virtual void SetScreenCursor(TCursor Value) = 0;
};

}  // namespace pictavia
