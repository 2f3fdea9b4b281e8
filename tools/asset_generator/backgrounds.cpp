// The background pictures offered by Set BackGround: gradients, paper, bokeh, textures.
#include "catalog.h"

#include <cmath>
#include <random>

#include "paint.h"

namespace pictavia {

namespace assets {

namespace {

constexpr int kW = 1600;
constexpr int kH = 1200;

void Pixels(TBitmap32& b, const std::function<TColor32(Vec)>& colour) {
  b.SetSize(kW, kH);
  for (int y = 0; y < kH; ++y) {
    TColor32* row = b.RowAddress(y);
    for (int x = 0; x < kW; ++x) row[x] = colour(Vec{x + 0.5, y + 0.5}) | 0xFF000000u;
  }
}

// Three colour stops along t in [0, 1].
TColor32 Ramp(double t, TColor32 a, TColor32 b, TColor32 c) {
  return t < 0.5 ? Mix(a, b, t * 2) : Mix(b, c, (t - 0.5) * 2);
}

void Sunset(TBitmap32& b) {
  Pixels(b, [](Vec p) {
    const double t = p.y / kH;
    TColor32 c = Ramp(t, Rgba(60, 40, 120), Rgba(240, 110, 90), Rgba(255, 210, 120));
    const double sun = Length(p - Vec{kW * 0.68, kH * 0.78}) / 260.0;
    return Mix(c, Rgba(255, 240, 190), std::clamp(1.0 - sun, 0.0, 1.0) * 0.8);
  });
}

void Pastel(TBitmap32& b) {
  Pixels(b, [](Vec p) {
    const double u = p.x / kW, v = p.y / kH;
    const TColor32 top = Mix(Rgba(255, 214, 230), Rgba(214, 230, 255), u);
    const TColor32 bottom = Mix(Rgba(220, 255, 232), Rgba(255, 244, 214), u);
    return Mix(top, bottom, v);
  });
}

void Paper(TBitmap32& b) {
  Pixels(b, [](Vec p) {
    const double fibres = FractalNoise(p.x / 3.0, p.y / 40.0, 5, 3);
    const double blotch = FractalNoise(p.x / 260.0, p.y / 260.0, 9, 4);
    const double grain = ValueNoise(p.x * 1.3, p.y * 1.3, 13);
    const double v = 0.93 + 0.04 * (blotch - 0.5) + 0.025 * (fibres - 0.5) + 0.02 * (grain - 0.5);
    const double edge = std::min({p.x, p.y, kW - p.x, kH - p.y}) / 180.0;
    const double dark = 0.93 + 0.07 * std::clamp(edge, 0.0, 1.0);
    return Rgba(static_cast<int>(250 * v * dark), static_cast<int>(240 * v * dark),
                static_cast<int>(214 * v * dark));
  });
}

void Bokeh(TBitmap32& b, TColor32 top, TColor32 bottom, const std::vector<TColor32>& lights,
           unsigned seed) {
  Pixels(b, [&](Vec p) { return Mix(top, bottom, p.y / kH); });
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> ux(0, kW), uy(0, kH), ur(25, 110), ua(35, 110);
  for (int i = 0; i < 90; ++i) {
    const Vec c{ux(rng), uy(rng)};
    const double r = ur(rng);
    const TColor32 light = lights[static_cast<size_t>(i) % lights.size()];
    const int a = static_cast<int>(ua(rng));
    Fill(b, Circle(c, r), Solid((light & 0x00FFFFFFu) | (static_cast<TColor32>(a) << 24)), r * 0.35,
         Around(c, r * 1.3));
    Fill(b, Outline(Circle(c, r * 0.92), r * 0.12),
         Solid((light & 0x00FFFFFFu) | (static_cast<TColor32>(a / 2) << 24)), r * 0.1,
         Around(c, r * 1.3));
  }
}

void Canvas(TBitmap32& b) {
  Pixels(b, [](Vec p) {
    const double warp =
        0.5 + 0.5 * std::sin(p.x * 0.9) * (0.6 + 0.4 * ValueNoise(p.x / 5, p.y / 60, 3));
    const double weft =
        0.5 + 0.5 * std::sin(p.y * 0.9) * (0.6 + 0.4 * ValueNoise(p.x / 60, p.y / 5, 4));
    const double v =
        0.86 + 0.07 * warp + 0.07 * weft + 0.05 * (FractalNoise(p.x / 300, p.y / 300, 8, 3) - 0.5);
    return Rgba(static_cast<int>(236 * v), static_cast<int>(226 * v), static_cast<int>(206 * v));
  });
}

void Marble(TBitmap32& b) {
  Pixels(b, [](Vec p) {
    // Thin dark veins where a noise-bent stripe pattern crosses zero, over soft clouding.
    const double n = FractalNoise(p.x / 420.0, p.y / 420.0, 21, 6);
    const double vein = std::fabs(std::sin((p.x * 0.0022 + p.y * 0.0013 + n * 3.2) * kPi));
    const double dark = std::pow(1.0 - vein, 14.0) * 0.75;
    const double cloud = FractalNoise(p.x / 160.0, p.y / 160.0, 29, 4);
    const TColor32 base = Mix(Rgba(250, 249, 246), Rgba(226, 224, 222), cloud);
    return Mix(base, Rgba(120, 118, 128), dark);
  });
}

void Wood(TBitmap32& b) {
  Pixels(b, [](Vec p) {
    const double n = FractalNoise(p.x / 500.0, p.y / 60.0, 31, 4);
    const double rings = 0.5 + 0.5 * std::sin((p.y / 22.0 + n * 9.0) * kPi);
    const double grain = FractalNoise(p.x / 2.0, p.y / 90.0, 37, 2);
    const double plank = std::fmod(p.y, 240.0) < 3 ? 0.7 : 1.0;
    const TColor32 c = Mix(Rgba(196, 140, 90), Rgba(150, 95, 55), rings * 0.7 + grain * 0.3);
    return Mix(0xFF000000, c, plank);
  });
}

void PolkaDots(TBitmap32& b) {
  Pixels(b, [](Vec) { return Rgba(255, 248, 236); });
  const TColor32 colours[] = {Rgba(255, 170, 185), Rgba(150, 210, 235), Rgba(255, 215, 130),
                              Rgba(170, 225, 170)};
  int i = 0;
  for (int y = 60; y < kH + 60; y += 120) {
    for (int x = (y / 120) % 2 ? 120 : 60; x < kW + 60; x += 120) {
      const Vec c{static_cast<double>(x), static_cast<double>(y)};
      Fill(b, Circle(c, 30), Solid(colours[i++ % 4]), 1.0, Around(c, 32));
    }
  }
}

void Sky(TBitmap32& b) {
  Pixels(b, [](Vec p) {
    const TColor32 sky = Mix(Rgba(80, 150, 230), Rgba(190, 225, 250), p.y / kH);
    const double n = FractalNoise(p.x / 320.0, p.y / 140.0, 51, 6);
    const double cloud = std::clamp((n - 0.52) * 4.0, 0.0, 1.0);
    return Mix(sky, Rgba(255, 255, 255), cloud * 0.95);
  });
}

void Confetti(TBitmap32& b) {
  Pixels(b, [](Vec p) { return Mix(Rgba(255, 255, 255), Rgba(250, 244, 255), p.y / kH); });
  std::mt19937 rng(77);
  std::uniform_real_distribution<double> ux(0, kW), uy(0, kH), ua(0, kPi), us(8, 18);
  const TColor32 colours[] = {Rgba(240, 80, 110), Rgba(60, 170, 240), Rgba(250, 200, 40),
                              Rgba(120, 200, 90), Rgba(170, 110, 230)};
  for (int i = 0; i < 420; ++i) {
    const Vec c{ux(rng), uy(rng)};
    const double s = us(rng);
    const Shape piece =
        i % 3 == 0 ? Circle(c, s * 0.6) : Rotate(RoundedBox(c, s, s * 0.4, 2), c, ua(rng));
    Fill(b, piece, Solid(colours[i % 5]), 1.0, Around(c, s * 1.2));
  }
}

}  // namespace

std::vector<Asset> BackgroundAssets() {
  struct Def {
    const char* Name;
    std::function<void(TBitmap32&)> Paint;
  };
  const std::vector<Def> defs = {
      {"sunset", Sunset},
      {"pastel", Pastel},
      {"paper", Paper},
      {"bokeh_night",
       [](TBitmap32& b) {
         Bokeh(b, Rgba(20, 24, 60), Rgba(60, 30, 80),
               {Rgba(255, 210, 120), Rgba(255, 150, 190), Rgba(140, 200, 255)}, 5);
       }},
      {"bokeh_gold",
       [](TBitmap32& b) {
         Bokeh(b, Rgba(90, 60, 20), Rgba(40, 25, 10),
               {Rgba(255, 220, 140), Rgba(255, 190, 90), Rgba(255, 245, 210)}, 9);
       }},
      {"canvas", Canvas},
      {"marble", Marble},
      {"wood", Wood},
      {"polka_dots", PolkaDots},
      {"sky", Sky},
      {"confetti", Confetti},
  };
  std::vector<Asset> out;
  for (const auto& d : defs) {
    Asset a;
    a.Name = std::string(d.Name) + ".jpg";
    d.Paint(*a.Picture);
    out.push_back(std::move(a));
  }
  return out;
}

}  // namespace assets

}  // namespace pictavia
