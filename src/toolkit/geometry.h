// Integer and float points and rectangles (right and bottom exclusive) and their helpers.
#pragma once

#include <algorithm>
#include <cstdint>

namespace pictavia {

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  int32_t cx = 0;
  int32_t cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

// A 64-bit result held to the int32 range: rectangles near the ends of the range saturate there
// instead of wrapping around.
inline constexpr int32_t SaturatedInt32(int64_t V) {
  return static_cast<int32_t>(std::clamp<int64_t>(V, INT32_MIN, INT32_MAX));
}

struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  // Saturated; the exact extent of any rectangle is int64_t{Right} - Left.
  int32_t Width() const { return SaturatedInt32(int64_t{Right} - Left); }
  int32_t Height() const { return SaturatedInt32(int64_t{Bottom} - Top); }
  friend bool operator==(const TRect&, const TRect&) = default;
};

struct TFloatPoint {
  float X = 0;
  float Y = 0;
  friend bool operator==(const TFloatPoint&, const TFloatPoint&) = default;
};

struct TFloatRect {
  float Left = 0;
  float Top = 0;
  float Right = 0;
  float Bottom = 0;
  friend bool operator==(const TFloatRect&, const TFloatRect&) = default;
};

inline constexpr TPoint Point(int32_t x, int32_t y) {
  return TPoint{x, y};
}
inline constexpr TRect Rect(int32_t l, int32_t t, int32_t r, int32_t b) {
  return TRect{l, t, r, b};
}
inline constexpr TFloatRect FloatRect(float l, float t, float r, float b) {
  return TFloatRect{l, t, r, b};
}

// True unless Left < Right and Top < Bottom.
inline bool IsRectEmpty(const TRect& r) {
  return !(r.Left < r.Right && r.Top < r.Bottom);
}

// Intersection; a result of zero width or height still counts. Without overlap Result becomes
// (0, 0, 0, 0) and the function returns false.
inline bool IntersectRect(TRect& result, const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
  if (r.Right >= r.Left && r.Bottom >= r.Top) {
    result = r;
    return true;
  }
  result = TRect{};
  return false;
}

// The smallest rectangle holding both; an empty operand does not count.
inline bool UnionRect(TRect& result, const TRect& a, const TRect& b) {
  if (IsRectEmpty(a)) {
    result = b;
  } else if (IsRectEmpty(b)) {
    result = a;
  } else {
    result = TRect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                   std::max(a.Bottom, b.Bottom)};
  }
  if (IsRectEmpty(result)) {
    result = TRect{};
    return false;
  }
  return true;
}

inline void OffsetRect(TRect& r, int32_t dx, int32_t dy) {
  r.Left = SaturatedInt32(int64_t{r.Left} + dx);
  r.Right = SaturatedInt32(int64_t{r.Right} + dx);
  r.Top = SaturatedInt32(int64_t{r.Top} + dy);
  r.Bottom = SaturatedInt32(int64_t{r.Bottom} + dy);
}

inline void InflateRect(TRect& r, int32_t dx, int32_t dy) {
  r.Left = SaturatedInt32(int64_t{r.Left} - dx);
  r.Right = SaturatedInt32(int64_t{r.Right} + dx);
  r.Top = SaturatedInt32(int64_t{r.Top} - dy);
  r.Bottom = SaturatedInt32(int64_t{r.Bottom} + dy);
}

inline bool PtInRect(const TRect& r, const TPoint& p) {
  return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}

inline bool EqualRect(const TRect& a, const TRect& b) {
  return a == b;
}

}  // namespace pictavia
