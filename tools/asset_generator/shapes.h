// Signed-distance shapes for the asset generator: a shape answers "how far is this point from my
// edge" (negative inside), which gives anti-aliased edges and soft feathering from one formula.
#pragma once

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace pictavia {

namespace assets {

struct Vec {
  double x = 0;
  double y = 0;
};

inline Vec operator+(Vec a, Vec b) {
  return {a.x + b.x, a.y + b.y};
}
inline Vec operator-(Vec a, Vec b) {
  return {a.x - b.x, a.y - b.y};
}
inline Vec operator*(Vec a, double s) {
  return {a.x * s, a.y * s};
}
inline double Dot(Vec a, Vec b) {
  return a.x * b.x + a.y * b.y;
}
inline double Length(Vec a) {
  return std::sqrt(Dot(a, a));
}

constexpr double kPi = 3.14159265358979323846;

// Distance from a point to the edge of a shape, in pixels; negative inside.
using Shape = std::function<double(Vec)>;

Shape Circle(Vec centre, double radius);
// An ellipse (distance approximated well enough for edges a few pixels wide).
Shape Ellipse(Vec centre, double rx, double ry);
Shape RoundedBox(Vec centre, double halfWidth, double halfHeight, double radius);
// A heart whose bounding box is about 2*size wide and 1.75*size high, centred on `centre`.
Shape Heart(Vec centre, double size);
// Any simple polygon (points in order).
Shape Polygon(std::vector<Vec> points);
// A star with `points` tips between radii `outer` and `inner`, first tip straight up.
Shape Star(Vec centre, int points, double outer, double inner, double turn = 0);
// A regular polygon with `sides` corners on a circle of `radius`.
Shape RegularPolygon(Vec centre, int sides, double radius, double turn = 0);
// A thick line segment with round ends.
Shape Capsule(Vec a, Vec b, double radius);
// A ring: the band of width `width` around the edge of `shape`.
Shape Outline(Shape shape, double width);

Shape Union(Shape a, Shape b);
Shape Union(std::vector<Shape> shapes);
Shape Intersect(Shape a, Shape b);
Shape Subtract(Shape a, Shape b);
// Moves the edge outwards (positive) or inwards (negative).
Shape Grow(Shape shape, double amount);
// Rotates a shape by `angle` radians about `pivot`.
Shape Rotate(Shape shape, Vec pivot, double angle);
// Displaces the edge by a function of the point (torn and brushed edges).
Shape Roughen(Shape shape, std::function<double(Vec)> displacement);

// Coverage of a pixel centre by a shape: a one-pixel anti-aliased edge.
inline double Coverage(double distance) {
  return std::clamp(0.5 - distance, 0.0, 1.0);
}
// A soft edge `width` pixels wide, centred on the shape's edge (smoothstep).
inline double Feather(double distance, double width) {
  const double t = std::clamp(0.5 - distance / std::max(width, 1e-6), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// Deterministic value noise in [0, 1] and its fractal sum.
double ValueNoise(double x, double y, unsigned seed);
double FractalNoise(double x, double y, unsigned seed, int octaves);

}  // namespace assets

}  // namespace pictavia
