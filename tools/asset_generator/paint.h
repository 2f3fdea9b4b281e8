// Painting with shapes on a TBitmap32: solid and gradient paints, anti-aliased or feathered
// fills composed with the raster core's merge arithmetic, shadows and gloss.
#pragma once

#include <functional>

#include "raster/bitmap32.h"
#include "shapes.h"

namespace pictavia {

namespace assets {

using Paint = std::function<TColor32(Vec)>;

// Linear interpolation of two colours, all four channels, t in [0, 1].
TColor32 Mix(TColor32 a, TColor32 b, double t);
TColor32 Rgba(int r, int g, int b, int a = 255);

Paint Solid(TColor32 c);
// From c0 at point a to c1 at point b, constant across.
Paint LinearGradient(Vec a, Vec b, TColor32 c0, TColor32 c1);
// From inner at the centre to outer at `radius` and beyond.
Paint RadialGradient(Vec centre, double radius, TColor32 inner, TColor32 outer);

// Pixels a fill may touch; the default is the whole bitmap.
struct Box {
  int x0 = 0, y0 = 0, x1 = 1 << 30, y1 = 1 << 30;
};
Box Around(Vec centre, double radius);

// Puts `paint` over the bitmap where `shape` is, with a one-pixel anti-aliased edge, or a soft
// edge `soft` pixels wide when soft > 1. Composition keeps alpha right on transparent bitmaps.
void Fill(TBitmap32& bmp, const Shape& shape, const Paint& paint, double soft = 1.0, Box box = {});
// A blurred copy of the shape, offset, under what follows.
void Shadow(TBitmap32& bmp, const Shape& shape, Vec offset, double blur, TColor32 colour);
// A glossy highlight: white fading downwards inside the upper part of the shape.
void Gloss(TBitmap32& bmp, const Shape& shape, Vec top, Vec bottom, int alpha = 110);

// A grey-level picture from a function with values in [0, 1] (masks).
void GreyFromFunction(TBitmap32& bmp, int w, int h, const std::function<double(Vec)>& value);

}  // namespace assets

}  // namespace pictavia
