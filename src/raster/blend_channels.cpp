// Per-channel colour operations and the resampler helpers (block average, bilinear interpolation)
// in plain C++. They are single-pixel operations, so one implementation serves every path except
// where the formula sets differ (ChannelAverage) and the SSE2 resampler helpers.
#include <algorithm>

#include "raster/internal/blend_kernels.h"

namespace pictavia {

namespace blendkernels {
namespace {

// Applies Op to each of the four channels of C1 and C2.
template <typename Op>
TColor32 PerChannel(TColor32 C1, TColor32 C2, Op op) {
  TColor32 result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t r = op((C1 >> shift) & 0xFF, (C2 >> shift) & 0xFF);
    result |= (r & 0xFF) << shift;
  }
  return result;
}

}  // namespace

TColor32 ChannelAddAll(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](uint32_t a, uint32_t b) { return std::min<uint32_t>(a + b, 255); });
}

TColor32 ChannelSubtractAll(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](uint32_t a, uint32_t b) { return a > b ? a - b : 0; });
}

TColor32 ChannelDivideAll(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](uint32_t a, uint32_t b) {
    return a == 0 ? 255 : std::min<uint32_t>(b * 256 / a, 255);
  });
}

TColor32 ChannelMultiplyAll(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](uint32_t a, uint32_t b) { return (a * b) >> 8; });
}

TColor32 ChannelMaxAll(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](uint32_t a, uint32_t b) { return std::max(a, b); });
}

TColor32 ChannelMinAll(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](uint32_t a, uint32_t b) { return std::min(a, b); });
}

TColor32 ChannelDifferenceAll(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](uint32_t a, uint32_t b) { return a > b ? a - b : b - a; });
}

// Never leaves 0..255: a + b - ab/128 peaks at 255 on the edges of the square.
TColor32 ChannelExclusionAll(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](uint32_t a, uint32_t b) { return a + b - ((a * b) >> 7); });
}

TColor32 ChannelAverageVector(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](uint32_t a, uint32_t b) { return (a + b + 1) >> 1; });
}

TColor32 ChannelAveragePortable(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](uint32_t a, uint32_t b) { return (a + b) >> 1; });
}

TColor32 ChannelScaleAll(TColor32 C, TColor32 W) {
  TColor32 result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint64_t v = (static_cast<uint64_t>((C >> shift) & 0xFF) * W) >> 8;
    result |= static_cast<TColor32>(std::min<uint64_t>(v, 255)) << shift;
  }
  return result;
}

TColor32 ScalarBlockAverage(int Width, int Height, const TColor32* Src, int Stride) {
  if (Width <= 0 || Height <= 0) return 0;
  uint64_t sums[4] = {0, 0, 0, 0};
  for (int y = 0; y < Height; ++y) {
    const TColor32* row = Src + static_cast<std::ptrdiff_t>(y) * Stride;
    for (int x = 0; x < Width; ++x) {
      const TColor32 c = row[x];
      sums[0] += c & 0xFF;
      sums[1] += (c >> 8) & 0xFF;
      sums[2] += (c >> 16) & 0xFF;
      sums[3] += c >> 24;
    }
  }
  return AverageFromSums(sums, static_cast<uint64_t>(Width) * static_cast<uint64_t>(Height));
}

TColor32 ScalarLinearInterpolator(uint32_t WX, uint32_t WY, const TColor32* Row1,
                                  const TColor32* Row2) {
  WX = std::min<uint32_t>(WX, 256);
  WY = std::min<uint32_t>(WY, 256);
  const uint32_t w00 = WX * WY, w10 = (256 - WX) * WY, w01 = WX * (256 - WY),
                 w11 = (256 - WX) * (256 - WY);
  TColor32 result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t v = w00 * ((Row1[0] >> shift) & 0xFF) + w10 * ((Row1[1] >> shift) & 0xFF) +
                       w01 * ((Row2[0] >> shift) & 0xFF) + w11 * ((Row2[1] >> shift) & 0xFF);
    result |= ((v + 32768) >> 16) << shift;
  }
  return result;
}

TColor32 ScalarBilinearFetch(TColor32 C00, TColor32 C10, TColor32 C01, TColor32 C11, uint32_t FracX,
                             uint32_t FracY) {
  const TColor32 row1[2] = {C00, C10};
  const TColor32 row2[2] = {C01, C11};
  return ScalarLinearInterpolator(256 - ((FracX & 0xFFFF) >> 8), 256 - ((FracY & 0xFFFF) >> 8),
                                  row1, row2);
}

}  // namespace blendkernels

}  // namespace pictavia
