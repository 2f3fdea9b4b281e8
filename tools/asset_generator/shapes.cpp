// Signed-distance shapes and noise for the asset generator.
#include "shapes.h"

#include <cstdint>

namespace pictavia {

namespace assets {

Shape Circle(Vec centre, double radius) {
  return [=](Vec p) { return Length(p - centre) - radius; };
}

Shape Ellipse(Vec centre, double rx, double ry) {
  return [=](Vec p) {
    const Vec q{(p.x - centre.x) / rx, (p.y - centre.y) / ry};
    const double k = Length(q);
    if (k < 1e-9) return -std::min(rx, ry);
    // First-order distance: the implicit value over its gradient length.
    const Vec g{q.x / (rx * k), q.y / (ry * k)};
    return (k - 1) / std::max(Length(g), 1e-9);
  };
}

Shape RoundedBox(Vec centre, double halfWidth, double halfHeight, double radius) {
  radius = std::min({radius, halfWidth, halfHeight});
  return [=](Vec p) {
    const Vec q{std::fabs(p.x - centre.x) - (halfWidth - radius),
                std::fabs(p.y - centre.y) - (halfHeight - radius)};
    const Vec outside{std::max(q.x, 0.0), std::max(q.y, 0.0)};
    return Length(outside) + std::min(std::max(q.x, q.y), 0.0) - radius;
  };
}

Shape Heart(Vec centre, double size) {
  // A heart in unit space with its tip at (0, 0) and its lobes reaching y = 1.1, y pointing up,
  // about 1.27 units wide; scaled so the whole heart is about 2 * size wide, then centred.
  return [=](Vec p) {
    const double s = size * 1.57;
    Vec q{(p.x - centre.x) / s, -(p.y - centre.y) / s + 0.55};
    q.x = std::fabs(q.x) * 0.95;
    double d;
    if (q.y + q.x > 1.0) {
      d = Length(q - Vec{0.25, 0.75}) - std::sqrt(2.0) / 4.0;
    } else {
      const Vec a = q - Vec{0.0, 1.0};
      const double m = 0.5 * std::max(q.x + q.y, 0.0);
      const Vec b = q - Vec{m, m};
      d = std::sqrt(std::min(Dot(a, a), Dot(b, b))) * (q.x - q.y > 0 ? 1.0 : -1.0);
    }
    return d * s;
  };
}

Shape Polygon(std::vector<Vec> v) {
  return [v = std::move(v)](Vec p) {
    double d = Dot(p - v[0], p - v[0]);
    double s = 1.0;
    for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i, ++i) {
      const Vec e = v[j] - v[i];
      const Vec w = p - v[i];
      const double t = std::clamp(Dot(w, e) / std::max(Dot(e, e), 1e-12), 0.0, 1.0);
      const Vec b = w - e * t;
      d = std::min(d, Dot(b, b));
      const bool c1 = p.y >= v[i].y, c2 = p.y<v[j].y, c3 = e.x * w.y> e.y * w.x;
      if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
    }
    return s * std::sqrt(d);
  };
}

Shape Star(Vec centre, int points, double outer, double inner, double turn) {
  std::vector<Vec> v;
  for (int i = 0; i < 2 * points; ++i) {
    const double a = turn - kPi / 2 + i * kPi / points;
    const double r = (i % 2 == 0) ? outer : inner;
    v.push_back({centre.x + r * std::cos(a), centre.y + r * std::sin(a)});
  }
  return Polygon(std::move(v));
}

Shape RegularPolygon(Vec centre, int sides, double radius, double turn) {
  std::vector<Vec> v;
  for (int i = 0; i < sides; ++i) {
    const double a = turn - kPi / 2 + i * 2 * kPi / sides;
    v.push_back({centre.x + radius * std::cos(a), centre.y + radius * std::sin(a)});
  }
  return Polygon(std::move(v));
}

Shape Capsule(Vec a, Vec b, double radius) {
  return [=](Vec p) {
    const Vec pa = p - a, ba = b - a;
    const double h = std::clamp(Dot(pa, ba) / std::max(Dot(ba, ba), 1e-12), 0.0, 1.0);
    return Length(pa - ba * h) - radius;
  };
}

Shape Outline(Shape shape, double width) {
  return [=](Vec p) { return std::fabs(shape(p)) - width / 2; };
}

Shape Union(Shape a, Shape b) {
  return [=](Vec p) { return std::min(a(p), b(p)); };
}

Shape Union(std::vector<Shape> shapes) {
  return [shapes = std::move(shapes)](Vec p) {
    double d = 1e9;
    for (const auto& s : shapes) d = std::min(d, s(p));
    return d;
  };
}

Shape Intersect(Shape a, Shape b) {
  return [=](Vec p) { return std::max(a(p), b(p)); };
}

Shape Subtract(Shape a, Shape b) {
  return [=](Vec p) { return std::max(a(p), -b(p)); };
}

Shape Grow(Shape shape, double amount) {
  return [=](Vec p) { return shape(p) - amount; };
}

Shape Rotate(Shape shape, Vec pivot, double angle) {
  const double c = std::cos(-angle), s = std::sin(-angle);
  return [=](Vec p) {
    const Vec d = p - pivot;
    return shape(Vec{pivot.x + d.x * c - d.y * s, pivot.y + d.x * s + d.y * c});
  };
}

Shape Roughen(Shape shape, std::function<double(Vec)> displacement) {
  return [=](Vec p) { return shape(p) + displacement(p); };
}

namespace {

double Hash(int x, int y, unsigned seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
               seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFFFF) / static_cast<double>(0xFFFFFF);
}

}  // namespace

double ValueNoise(double x, double y, unsigned seed) {
  const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
  const double fx = x - ix, fy = y - iy;
  const double ux = fx * fx * (3 - 2 * fx), uy = fy * fy * (3 - 2 * fy);
  const double a = Hash(ix, iy, seed), b = Hash(ix + 1, iy, seed);
  const double c = Hash(ix, iy + 1, seed), d = Hash(ix + 1, iy + 1, seed);
  return a + (b - a) * ux + (c - a) * uy + (a - b - c + d) * ux * uy;
}

double FractalNoise(double x, double y, unsigned seed, int octaves) {
  double sum = 0, amplitude = 0.5, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amplitude * ValueNoise(x, y, seed + i * 101);
    norm += amplitude;
    x *= 2.03;
    y *= 2.03;
    amplitude *= 0.5;
  }
  return sum / norm;
}

}  // namespace assets

}  // namespace pictavia
