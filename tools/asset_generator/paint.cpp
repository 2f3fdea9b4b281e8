// Shape painting for the asset generator.
#include "paint.h"

#include <cmath>

#include "raster/blend.h"

namespace pictavia {

namespace assets {

TColor32 Rgba(int r, int g, int b, int a) {
  auto c = [](int v) { return static_cast<uint32_t>(std::clamp(v, 0, 255)); };
  return (c(a) << 24) | (c(r) << 16) | (c(g) << 8) | c(b);
}

TColor32 Mix(TColor32 a, TColor32 b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  TColor32 out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const double ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
    out |= static_cast<TColor32>(std::lround(ca + (cb - ca) * t)) << shift;
  }
  return out;
}

Paint Solid(TColor32 c) {
  return [c](Vec) { return c; };
}

Paint LinearGradient(Vec a, Vec b, TColor32 c0, TColor32 c1) {
  const Vec d = b - a;
  const double len2 = std::max(Dot(d, d), 1e-9);
  return [=](Vec p) { return Mix(c0, c1, Dot(p - a, d) / len2); };
}

Paint RadialGradient(Vec centre, double radius, TColor32 inner, TColor32 outer) {
  return [=](Vec p) { return Mix(inner, outer, Length(p - centre) / radius); };
}

Box Around(Vec centre, double radius) {
  return Box{static_cast<int>(centre.x - radius) - 2, static_cast<int>(centre.y - radius) - 2,
             static_cast<int>(centre.x + radius) + 3, static_cast<int>(centre.y + radius) + 3};
}

void Fill(TBitmap32& bmp, const Shape& shape, const Paint& paint, double soft, Box box) {
  const int x0 = std::max(box.x0, 0), y0 = std::max(box.y0, 0);
  const int x1 = std::min(box.x1, bmp.Width()), y1 = std::min(box.y1, bmp.Height());
  for (int y = y0; y < y1; ++y) {
    TColor32* row = bmp.RowAddress(y);
    for (int x = x0; x < x1; ++x) {
      const Vec p{x + 0.5, y + 0.5};
      const double d = shape(p);
      const double cover = soft > 1.0 ? Feather(d, soft) : Coverage(d);
      if (cover <= 0) continue;
      const TColor32 c = paint(p);
      const int a = static_cast<int>(std::lround((c >> 24) * cover));
      if (a <= 0) continue;
      CompositeInto((c & 0x00FFFFFFu) | (static_cast<TColor32>(a) << 24), row[x]);
    }
  }
  bmp.Changed();
}

void Shadow(TBitmap32& bmp, const Shape& shape, Vec offset, double blur, TColor32 colour) {
  const Shape moved = [=](Vec p) { return shape(p - offset); };
  Fill(bmp, moved, Solid(colour), blur);
}

void Gloss(TBitmap32& bmp, const Shape& shape, Vec top, Vec bottom, int alpha) {
  Fill(bmp, Grow(shape, -2.0),
       LinearGradient(top, bottom, Rgba(255, 255, 255, alpha), Rgba(255, 255, 255, 0)));
}

void GreyFromFunction(TBitmap32& bmp, int w, int h, const std::function<double(Vec)>& value) {
  bmp.SetSize(w, h);
  for (int y = 0; y < h; ++y) {
    TColor32* row = bmp.RowAddress(y);
    for (int x = 0; x < w; ++x) {
      const int g =
          static_cast<int>(std::lround(255 * std::clamp(value(Vec{x + 0.5, y + 0.5}), 0.0, 1.0)));
      row[x] = 0xFF000000u | (g << 16) | (g << 8) | g;
    }
  }
  bmp.Changed();
}

}  // namespace assets

}  // namespace pictavia
