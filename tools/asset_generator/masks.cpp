// The photo masks: grey pictures whose brightness becomes a photo's opacity (white keeps the
// photo, black removes it). Soft ovals and vignettes, shapes with hard or feathered edges, torn and
// brushed borders, gradients, film and stamp shapes.
#include "catalog.h"

#include <cmath>

#include "paint.h"

namespace pictavia {

namespace assets {

namespace {

constexpr int kW = 400;
constexpr int kH = 300;
const Vec kMid{kW / 2.0, kH / 2.0};

using Value = std::function<double(Vec)>;

// Inside the shape white, outside black, with an edge `soft` pixels wide.
Value ShapeMask(Shape s, double soft) {
  return
      [s = std::move(s), soft](Vec p) { return soft > 1 ? Feather(s(p), soft) : Coverage(s(p)); };
}

Value Vignette(double inner, double outer, double power) {
  return [=](Vec p) {
    const double dx = (p.x - kMid.x) / (kW / 2.0), dy = (p.y - kMid.y) / (kH / 2.0);
    const double r = std::sqrt(dx * dx + dy * dy);
    const double t = std::clamp((r - inner) / (outer - inner), 0.0, 1.0);
    return 1 - std::pow(t * t * (3 - 2 * t), power);
  };
}

// The edge displaced by fractal noise: paper torn along the border.
Value Torn(Shape s, double amount, double scale, unsigned seed, double soft) {
  Shape rough = Roughen(std::move(s), [=](Vec p) {
    return amount * (FractalNoise(p.x / scale, p.y / scale, seed, 5) - 0.5) * 2;
  });
  return ShapeMask(rough, soft);
}

// Dry-brush strokes: the edge frays along one direction.
Value Brushed(Shape s, double amount, unsigned seed) {
  Shape rough = Roughen(std::move(s), [=](Vec p) {
    const double streak = FractalNoise(p.x / 90.0, p.y / 3.5, seed, 4);
    return amount * (streak - 0.45) * 2;
  });
  return ShapeMask(rough, 2.5);
}

Shape FilmFrame() {
  // The picture window of a film strip with sprocket holes above and below.
  std::vector<Shape> holes;
  for (int i = 0; i < 10; ++i) {
    const double x = 22 + i * 40;
    holes.push_back(RoundedBox({x, 20}, 9, 7, 3));
    holes.push_back(RoundedBox({x, kH - 20}, 9, 7, 3));
  }
  return Union(RoundedBox(kMid, 190, 105, 8), Union(std::move(holes)));
}

Shape Stamp() {
  // A postage stamp: a rectangle whose border is eaten by round perforations.
  Shape body = RoundedBox(kMid, 186, 136, 0);
  std::vector<Shape> bites;
  for (double x = 14; x <= kW - 14; x += 21) {
    bites.push_back(Circle({x, kMid.y - 136}, 7));
    bites.push_back(Circle({x, kMid.y + 136}, 7));
  }
  for (double y = 14; y <= kH - 14; y += 21) {
    bites.push_back(Circle({kMid.x - 186, y}, 7));
    bites.push_back(Circle({kMid.x + 186, y}, 7));
  }
  return Subtract(body, Union(std::move(bites)));
}

Shape Cloud(Vec c, double s) {
  return Union({Circle({c.x - 0.9 * s, c.y + 0.15 * s}, 0.55 * s),
                Circle({c.x - 0.25 * s, c.y - 0.3 * s}, 0.75 * s),
                Circle({c.x + 0.55 * s, c.y - 0.1 * s}, 0.65 * s),
                Circle({c.x + 1.05 * s, c.y + 0.25 * s}, 0.45 * s),
                RoundedBox({c.x + 0.05 * s, c.y + 0.35 * s}, 1.2 * s, 0.35 * s, 0.35 * s)});
}

Shape Scalloped(Vec c, double r, int bumps, double bump) {
  std::vector<Shape> parts{Circle(c, r)};
  for (int i = 0; i < bumps; ++i) {
    const double a = i * 2 * kPi / bumps;
    parts.push_back(Circle({c.x + r * std::cos(a), c.y + r * std::sin(a)}, bump));
  }
  return Union(std::move(parts));
}

Shape Arch() {
  return Union(Circle({kMid.x, 125}, 110), RoundedBox({kMid.x, 200}, 110, 75, 0));
}

Shape Shield() {
  return Polygon(
      {{110, 40}, {290, 40}, {290, 150}, {270, 210}, {200, 265}, {130, 210}, {110, 150}});
}

Shape Keyhole() {
  return Union(Circle({kMid.x, 115}, 70),
               Polygon({{170, 150}, {230, 150}, {265, 265}, {135, 265}}));
}

Shape Crescent() {
  return Subtract(Circle({kMid.x - 10, kMid.y}, 120), Circle({kMid.x + 55, kMid.y - 35}, 105));
}

Shape Ticket() {
  // A rectangle with quarter circles taken out of its corners.
  Shape body = RoundedBox(kMid, 185, 130, 0);
  return Subtract(
      body,
      Union({Circle({kMid.x - 185, kMid.y - 130}, 36), Circle({kMid.x + 185, kMid.y - 130}, 36),
             Circle({kMid.x - 185, kMid.y + 130}, 36), Circle({kMid.x + 185, kMid.y + 130}, 36)}));
}

Value WaveBottom(double amplitude, double wavelength) {
  return [=](Vec p) {
    const double edge = kH - 60 + amplitude * std::sin(p.x / wavelength * 2 * kPi);
    return Feather(p.y - edge, 3);
  };
}

Value Zigzag() {
  return [](Vec p) {
    const double t = std::fmod(p.x, 40.0) / 40.0;
    const double tooth = 18 * (1 - std::fabs(2 * t - 1));
    const double top = 30 + tooth, bottom = kH - 30 - tooth;
    return Coverage(std::max(top - p.y, p.y - bottom));
  };
}

Value Splatter(unsigned seed) {
  return [seed](Vec p) {
    const double dx = (p.x - kMid.x) / 170.0, dy = (p.y - kMid.y) / 125.0;
    const double r = std::sqrt(dx * dx + dy * dy);
    const double n = FractalNoise(p.x / 38.0, p.y / 38.0, seed, 5);
    const double v = 1.25 - r - 0.7 * (n - 0.5) * 2 * std::min(1.0, r * 1.4);
    return std::clamp((v - 0.5) * 8, 0.0, 1.0);
  };
}

Value Halftone() {
  // Dots that grow towards the centre: a print-like fade.
  return [](Vec p) {
    const double cell = 16;
    const Vec c{(std::floor(p.x / cell) + 0.5) * cell, (std::floor(p.y / cell) + 0.5) * cell};
    const double dx = (c.x - kMid.x) / (kW / 2.0), dy = (c.y - kMid.y) / (kH / 2.0);
    const double r = std::sqrt(dx * dx + dy * dy);
    const double radius = std::clamp(1.25 - r, 0.0, 1.0) * cell * 0.72;
    if (r < 0.55) return 1.0;
    return Coverage(Length(p - c) - radius);
  };
}

std::vector<Value> Masks() {
  std::vector<Value> m;
  // 1-15: soft ovals, vignettes and the basic shapes.
  m.push_back(ShapeMask(Ellipse(kMid, 170, 120), 60));
  m.push_back(ShapeMask(Circle(kMid, 120), 50));
  m.push_back(ShapeMask(Ellipse(kMid, 180, 130), 6));
  m.push_back(Vignette(0.45, 1.15, 1.0));
  m.push_back(Vignette(0.2, 0.95, 1.3));
  m.push_back(ShapeMask(RoundedBox(kMid, 170, 120, 40), 30));
  m.push_back(ShapeMask(RoundedBox(kMid, 180, 130, 28), 2));
  m.push_back(ShapeMask(Heart(kMid, 125), 30));
  m.push_back(ShapeMask(Heart(kMid, 125), 2));
  m.push_back(ShapeMask(Star(kMid, 5, 145, 62), 18));
  m.push_back(ShapeMask(Star(kMid, 5, 145, 62), 2));
  m.push_back(Torn(RoundedBox(kMid, 165, 115, 0), 14, 22, 7, 1.5));
  m.push_back(Brushed(RoundedBox(kMid, 160, 105, 10), 22, 11));
  m.push_back([](Vec p) { return std::clamp((p.x - 40) / 320.0, 0.0, 1.0); });
  m.push_back([](Vec p) { return std::clamp((kH - 30 - p.y) / 240.0, 0.0, 1.0); });
  // 16-30: gradients, film and stamp shapes, more outlines.
  m.push_back([](Vec p) {
    const double r = Length(p - kMid) / 190.0;
    return std::clamp(1.2 - r, 0.0, 1.0);
  });
  m.push_back([](Vec p) { return std::clamp((p.x + p.y - 120) / 420.0, 0.0, 1.0); });
  m.push_back(ShapeMask(FilmFrame(), 1.5));
  m.push_back(ShapeMask(Stamp(), 1.5));
  m.push_back(ShapeMask(Union(Ellipse({130, 150}, 110, 95), Ellipse({280, 150}, 110, 95)), 24));
  m.push_back(ShapeMask(Cloud({kMid.x, kMid.y + 10}, 100), 12));
  m.push_back(ShapeMask(RegularPolygon(kMid, 4, 145), 4));
  m.push_back(ShapeMask(RegularPolygon(kMid, 6, 140, kPi / 6), 3));
  m.push_back(ShapeMask(Circle(kMid, 128), 2));
  m.push_back(ShapeMask(Ellipse(kMid, 190, 80), 45));
  m.push_back(ShapeMask(Arch(), 3));
  m.push_back(ShapeMask(Scalloped(kMid, 105, 12, 24), 3));
  m.push_back([](Vec p) {
    const double dx = std::max(0.0, std::fabs(p.x - kMid.x) - 120) / 70.0;
    const double dy = std::max(0.0, std::fabs(p.y - kMid.y) - 75) / 65.0;
    const double t = std::clamp(std::sqrt(dx * dx + dy * dy), 0.0, 1.0);
    return 1 - t * t * (3 - 2 * t);
  });
  m.push_back([](Vec p) {
    const double r = Length(p - Vec{150, 120}) / 230.0;
    return std::clamp(1.25 - r * 1.25, 0.0, 1.0);
  });
  m.push_back(Torn(Circle(kMid, 125), 12, 18, 23, 1.5));
  // 31-45: edges and cut-outs.
  m.push_back(Brushed(RoundedBox(kMid, 185, 70, 30), 26, 31));
  m.push_back(WaveBottom(14, 80));
  m.push_back(Zigzag());
  m.push_back(ShapeMask(Heart(kMid, 118), 70));
  m.push_back(ShapeMask(Star(kMid, 8, 150, 95, kPi / 8), 6));
  m.push_back(ShapeMask(RegularPolygon({kMid.x, kMid.y + 20}, 3, 160), 3));
  m.push_back(ShapeMask(Keyhole(), 2));
  m.push_back(ShapeMask(
      Union(RoundedBox({kMid.x, 135}, 160, 95, 45), Polygon({{120, 200}, {185, 215}, {95, 275}})),
      2));
  m.push_back(ShapeMask(Ticket(), 2));
  m.push_back(Splatter(41));
  m.push_back(Halftone());
  m.push_back([](Vec p) { return std::clamp((kW + kH - 90 - p.x - p.y) / 330.0, 0.0, 1.0); });
  m.push_back(ShapeMask(Crescent(), 3));
  m.push_back(ShapeMask(Shield(), 2));
  m.push_back(ShapeMask(RegularPolygon(kMid, 8, 140, kPi / 8), 2));
  // 46-48: a fourth page begins.
  m.push_back(Torn(Ellipse(kMid, 175, 125), 10, 26, 47, 12));
  m.push_back(ShapeMask(Union(Circle({125, 150}, 90), Circle({275, 150}, 90)), 2));
  m.push_back(Vignette(0.0, 1.25, 0.8));
  return m;
}

}  // namespace

std::vector<Asset> MaskAssets() {
  std::vector<Asset> out;
  int number = 1;
  for (auto& value : Masks()) {
    Asset a;
    a.Name = std::to_string(number++) + ".jpg";
    GreyFromFunction(*a.Picture, kW, kH, value);
    out.push_back(std::move(a));
  }
  return out;
}

}  // namespace assets

}  // namespace pictavia
