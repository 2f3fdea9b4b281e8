// The program's icon at the sizes desktops ask for: drawn large with shapes (the same design as
// data/pictavia.svg), then reduced with the kernel resampler.
#include "catalog.h"

#include <cmath>

#include "paint.h"
#include "raster/resamplers.h"

namespace pictavia {

namespace assets {

namespace {

constexpr int kMaster = 512;

Shape Card(Vec centre, double halfW, double halfH, double turn) {
  return Rotate(RoundedBox(centre, halfW, halfH, 12), centre, turn);
}

void DrawMaster(TBitmap32& b) {
  b.SetSize(kMaster, kMaster);
  b.Clear(0x00000000);
  const double s = kMaster / 256.0;
  auto P = [s](double x, double y) { return Vec{x * s, y * s}; };
  Fill(b, RoundedBox(P(128, 128), 120 * s, 120 * s, 48 * s),
       LinearGradient(P(0, 8), P(0, 248), Rgba(255, 143, 171), Rgba(194, 24, 91)));
  const double back = -14 * kPi / 180, front = 9 * kPi / 180;
  const Shape card1 = Card(P(112, 114), 60 * s, 50 * s, back);
  Shadow(b, card1, {3 * s, 5 * s}, 8 * s, Rgba(0, 0, 0, 80));
  Fill(b, card1, Solid(Rgba(255, 248, 225)));
  Fill(b, Rotate(RoundedBox(P(112, 109), 50 * s, 35 * s, 0), P(112, 114), back),
       Solid(Rgba(255, 224, 130)));
  const Shape card2 = Card(P(138, 122), 60 * s, 50 * s, front);
  Shadow(b, card2, {3 * s, 5 * s}, 8 * s, Rgba(0, 0, 0, 80));
  Fill(b, card2, Solid(Rgba(255, 255, 255)));
  const Shape photo = Rotate(RoundedBox(P(138, 117), 50 * s, 35 * s, 0), P(138, 122), front);
  Fill(b, photo, LinearGradient(P(0, 82), P(0, 152), Rgba(100, 181, 246), Rgba(187, 222, 251)));
  Fill(b,
       Intersect(photo,
                 Rotate(Polygon({P(88, 152), P(118, 118), P(138, 138), P(156, 122), P(188, 152)}),
                        P(138, 122), front)),
       Solid(Rgba(67, 160, 71)));
  const Shape heart = Heart(P(176, 172), 24 * s);
  Shadow(b, heart, {2 * s, 4 * s}, 6 * s, Rgba(0, 0, 0, 90));
  Fill(b, heart, LinearGradient(P(0, 140), P(0, 210), Rgba(255, 90, 110), Rgba(200, 16, 46)));
  Fill(b, Outline(heart, 3 * s), Solid(Rgba(127, 0, 0)));
}

}  // namespace

std::vector<Asset> IconAssets() {
  TBitmap32 master;
  DrawMaster(master);
  master.SetDrawMode(dmOpaque);
  auto* resampler = new TKernelResampler(&master);
  master.SetResampler(resampler);
  resampler->SetKernelClassName("TLanczosKernel");
  std::vector<Asset> out;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    Asset a;
    a.Name = std::to_string(size) + "x" + std::to_string(size) + "/apps/pictavia.png";
    a.Picture->SetSize(size, size);
    a.Picture->Clear(0x00000000);
    master.DrawOnto(*a.Picture, Rect(0, 0, size, size));
    out.push_back(std::move(a));
  }
  return out;
}

}  // namespace assets

}  // namespace pictavia
