// Shared by the tests of the bitmap layers and the rubber band: an image owner whose drawn
// rectangle, rendering flag and mapping the test sets, and small pixel helpers.
#pragma once

#include <algorithm>
#include <cstdint>

#include "layers/layer_collection.h"
#include "layers/layer_owner.h"
#include "raster/bitmap32.h"

namespace pictavia {

class KindsOwner : public TLayerOwner {
 public:
  TRect DrawnRect() override { return drawn; }
  bool RenderingInto() const override { return renderingInto; }
  void ViewScale(float& X, float& Y) override { X = Y = scale; }
  void ViewShift(float& X, float& Y) override { X = shiftX, Y = shiftY; }
  TCursor Cursor() const override { return crCross; }
  void SetScreenCursor(TCursor Value) override { screenCursor = Value; }

  TRect drawn = Rect(0, 0, 100, 100);
  bool renderingInto = false;
  float scale = 1, shiftX = 0, shiftY = 0;
  TCursor screenCursor = 1;  // no layer sets 1
};

// A buffer of the given size in one colour.
inline void MakeBuffer(TBitmap32& B, int W, int H, TColor32 Color) {
  B.SetSize(W, H);
  B.Clear(Color);
}

// The smallest rectangle holding every pixel whose value differs from Background.
inline TRect ChangedBounds(const TBitmap32& B, TColor32 Background) {
  TRect r = Rect(B.Width(), B.Height(), 0, 0);
  for (int y = 0; y < B.Height(); ++y)
    for (int x = 0; x < B.Width(); ++x)
      if (B.GetPixel(x, y) != Background) {
        r.Left = std::min(r.Left, x);
        r.Top = std::min(r.Top, y);
        r.Right = std::max(r.Right, x + 1);
        r.Bottom = std::max(r.Bottom, y + 1);
      }
  return IsRectEmpty(r) ? TRect{} : r;
}

}  // namespace pictavia
