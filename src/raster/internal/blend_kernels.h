// Blending internals shared by the implementation files: the two per-pixel kernels in packed
// integer form, the operations common to several implementations, and each implementation's table.
#pragma once

#ifndef PICTAVIA_INSIDE_RASTER
#error "blend_kernels.h is private to the raster library and its tests"
#endif

#include <cstddef>
#include <cstdint>

#include "raster/blend.h"

namespace pictavia {

namespace blendkernels {

// Internal linkage: the AVX2 file includes these too, and a shared out-of-line copy compiled
// for AVX2 must never be what the other files call.
namespace {

inline uint32_t ClampWeight(uint32_t W) {
  return W > 255 ? 255 : W;
}

// The vector formula on all four channels, two channels per 32-bit multiplication: each channel's
// exact sum is at most 65408, so it never carries into its neighbour.
inline TColor32 VectorMix(TColor32 X, TColor32 Y, uint32_t W) {
  const uint32_t iw = 256 - W;
  const uint32_t rb =
      (((X & 0x00FF00FFu) * W + (Y & 0x00FF00FFu) * iw + 0x00800080u) >> 8) & 0x00FF00FFu;
  const uint32_t ag =
      (((X >> 8) & 0x00FF00FFu) * W + ((Y >> 8) & 0x00FF00FFu) * iw + 0x00800080u) & 0xFF00FF00u;
  return rb | ag;
}

// One term of the portable formula, ((W*C + 128) >> 8) per channel, in place.
inline uint32_t PortableTerm(TColor32 C, uint32_t W) {
  const uint32_t rb = (((C & 0x00FF00FFu) * W + 0x00800080u) & 0xFF00FF00u) >> 8;
  const uint32_t ag = (((C >> 8) & 0x00FF00FFu) * W + 0x00800080u) & 0xFF00FF00u;
  return rb | ag;
}

// The portable formula on all four channels; the two terms of a channel never sum above 255.
inline TColor32 PortableMix(TColor32 X, TColor32 Y, uint32_t W) {
  return PortableTerm(X, W) + PortableTerm(Y, 255 - W);
}

// Packs four channel sums divided by N (> 0), each rounded to nearest with ties to even.
inline TColor32 AverageFromSums(const uint64_t Sums[4], uint64_t N) {
  TColor32 result = 0;
  for (int c = 0; c < 4; ++c) {
    uint64_t q = Sums[c] / N;
    const uint64_t r2 = 2 * (Sums[c] % N);
    if (r2 > N || (r2 == N && (q & 1))) ++q;
    result |= static_cast<TColor32>(q) << (8 * c);
  }
  return result;
}

}  // namespace

// The vector formulas one pixel at a time (the reference the SIMD code must match).
TColor32 ScalarMixValue(TColor32 X, TColor32 Y, TColor32 W);
void ScalarMixInto(TColor32 X, TColor32& Y, TColor32 W);
void ScalarMixRun(const TColor32* Src, TColor32* Dst, int Count, TColor32 W);
TColor32 ScalarBlendValue(TColor32 F, TColor32 B);
void ScalarBlendInto(TColor32 F, TColor32& B);
void ScalarBlendRun(const TColor32* Src, TColor32* Dst, int Count);
TColor32 ScalarBlendValueMaster(TColor32 F, TColor32 B, TColor32 M);
void ScalarBlendIntoMaster(TColor32 F, TColor32& B, TColor32 M);
void ScalarBlendRunMaster(const TColor32* Src, TColor32* Dst, int Count, TColor32 M);
void ScalarFillWords32(TColor32* Dst, std::ptrdiff_t Count, TColor32 Value);

// The merge family (merge_tables.cpp); the Vector forms blend onto opaque pixels with the vector
// formula, the Portable forms with the portable one.
TColor32 CompositeValueVector(TColor32 F, TColor32 B);
void CompositeIntoVector(TColor32 F, TColor32& B);
void CompositeRunVector(const TColor32* Src, TColor32* Dst, int Count);
TColor32 CompositeValueMasterVector(TColor32 F, TColor32 B, TColor32 M);
void CompositeIntoMasterVector(TColor32 F, TColor32& B, TColor32 M);
void CompositeRunMasterVector(const TColor32* Src, TColor32* Dst, int Count, TColor32 M);
TColor32 CompositeValuePortable(TColor32 F, TColor32 B);
void CompositeIntoPortable(TColor32 F, TColor32& B);
void CompositeRunPortable(const TColor32* Src, TColor32* Dst, int Count);
TColor32 CompositeValueMasterPortable(TColor32 F, TColor32 B, TColor32 M);
void CompositeIntoMasterPortable(TColor32 F, TColor32& B, TColor32 M);
void CompositeRunMasterPortable(const TColor32* Src, TColor32* Dst, int Count, TColor32 M);

// Per-channel operations (channel_ops in blend.cpp); only ChannelAverage differs by formula set.
TColor32 ChannelAddAll(TColor32 C1, TColor32 C2);
TColor32 ChannelSubtractAll(TColor32 C1, TColor32 C2);
TColor32 ChannelDivideAll(TColor32 C1, TColor32 C2);
TColor32 ChannelMultiplyAll(TColor32 C1, TColor32 C2);
TColor32 ChannelMaxAll(TColor32 C1, TColor32 C2);
TColor32 ChannelMinAll(TColor32 C1, TColor32 C2);
TColor32 ChannelDifferenceAll(TColor32 C1, TColor32 C2);
TColor32 ChannelExclusionAll(TColor32 C1, TColor32 C2);
TColor32 ChannelAverageVector(TColor32 C1, TColor32 C2);
TColor32 ChannelAveragePortable(TColor32 C1, TColor32 C2);
TColor32 ChannelScaleAll(TColor32 C, TColor32 W);

// The resampler helpers in plain C++.
TColor32 ScalarBlockAverage(int Width, int Height, const TColor32* Src, int Stride);
TColor32 ScalarLinearInterpolator(uint32_t WX, uint32_t WY, const TColor32* Row1,
                                  const TColor32* Row2);
TColor32 ScalarBilinearFetch(TColor32 C00, TColor32 C10, TColor32 C01, TColor32 C11, uint32_t FracX,
                             uint32_t FracY);

// The SSE2 single-pixel forms and resampler helpers, which the AVX2 table shares (x86 only).
TColor32 SSE2MixValue(TColor32 X, TColor32 Y, TColor32 W);
void SSE2MixInto(TColor32 X, TColor32& Y, TColor32 W);
TColor32 SSE2BlendValue(TColor32 F, TColor32 B);
void SSE2BlendInto(TColor32 F, TColor32& B);
TColor32 SSE2BlendValueMaster(TColor32 F, TColor32 B, TColor32 M);
void SSE2BlendIntoMaster(TColor32 F, TColor32& B, TColor32 M);
TColor32 SSE2BlockAverage(int Width, int Height, const TColor32* Src, int Stride);
TColor32 SSE2LinearInterpolator(uint32_t WX, uint32_t WY, const TColor32* Row1,
                                const TColor32* Row2);
TColor32 SSE2BilinearFetch(TColor32 C00, TColor32 C10, TColor32 C01, TColor32 C11, uint32_t FracX,
                           uint32_t FracY);

// Each implementation's table; null when the build has no such code (the AVX2 and SSE2 tables
// exist only on x86; whether the processor can run them is the caller's question).
const TBlendProcs* ScalarBlendProcs();
const TBlendProcs* PortableBlendProcs();
const TBlendProcs* SSE2BlendProcs();
const TBlendProcs* AVX2BlendProcs();

}  // namespace blendkernels

}  // namespace pictavia
