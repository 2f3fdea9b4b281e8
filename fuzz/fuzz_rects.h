// Destination rectangles for the fuzz targets that draw what they read: besides small ones,
// places far past the target, across the whole int range, reversed, and ends the input chooses,
// so the drawing's size and offset arithmetic meets values near INT32_MIN and INT32_MAX.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "toolkit/geometry.h"

namespace pictavia {

inline std::vector<TRect> FuzzRects(const uint8_t* data, size_t size) {
  std::vector<TRect> rects = {
      Rect(-3, 2, 21, 23),
      Rect(20, 19, 3, 1),
      Rect(-100000, -100000, 100000, 100000),
      Rect(-40, -30, -1, -1),
      Rect(-1100000000, 0, 1100000000, 200),
      Rect(-1073741824, -5, 7, 1073741824),
      Rect(INT32_MAX - 3, 0, INT32_MAX, 4),
      Rect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX),
      Rect(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN),
  };
  // Each of the last eight bytes picks a coordinate of two more rectangles, and the last 16
  // bytes give one more as they are (the readers stop before trailing bytes, so the search can
  // vary them freely).
  static constexpr int32_t kCoordinates[16] = {
      INT32_MIN, INT32_MIN + 1, -1100000000, -1073741824, -65536,        -7,       -1, 0, 1, 5,
      23,        65536,         1073741824,  1100000000,  INT32_MAX - 1, INT32_MAX};
  if (size >= 8) {
    const uint8_t* b = data + size - 8;
    auto pick = [&](int i) { return kCoordinates[b[i] & 15]; };
    rects.push_back(Rect(pick(0), pick(1), pick(2), pick(3)));
    rects.push_back(Rect(pick(4), pick(5), pick(6), pick(7)));
  }
  if (size >= 16) {
    const uint8_t* b = data + size - 16;
    auto word = [&](int i) {
      return static_cast<int32_t>(uint32_t{b[i]} | uint32_t{b[i + 1]} << 8 |
                                  uint32_t{b[i + 2]} << 16 | uint32_t{b[i + 3]} << 24);
    };
    rects.push_back(Rect(word(0), word(4), word(8), word(12)));
  }
  return rects;
}

}  // namespace pictavia
