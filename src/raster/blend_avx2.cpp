// AVX2 versions of the run forms of the vector blending formulas, eight pixels per step in 16-bit
// lanes; equal byte for byte to the plain C++ reference in blend.cpp.
#include "raster/internal/blend_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include <cstdint>
#include <cstring>

namespace pictavia {

namespace blendkernels {
namespace {

// As in the SSE2 code: (X-Y)*W + (256*Y + 128) with 16-bit wrap-around equals the exact sum;
// YHigh (256*Y + 128) comes from one unpack of Y's bytes above 0x80 bytes.
inline __m256i MixLanes(__m256i x, __m256i y, __m256i yHigh, __m256i w) {
  return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_sub_epi16(x, y), w), yHigh),
                           8);
}

inline __m256i Bias() {
  return _mm256_set1_epi8(static_cast<char>(0x80));
}

// Each pixel's alpha lane copied into its four lanes.
inline __m256i AlphaLanes(__m256i x) {
  const __m256i pick = _mm256_setr_epi8(6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15, 6,
                                        7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15);
  return _mm256_shuffle_epi8(x, pick);
}

inline __m256i Load8(const TColor32* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
inline void Store8(TColor32* p, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}
inline bool IsAligned32(const void* p) {
  return (reinterpret_cast<uintptr_t>(p) & 31) == 0;
}

// Eight pixels of S over D, each weighted by its own alpha (no special cases). The unpacks and
// the pack work within 128-bit halves, so pixel order is kept.
inline __m256i BlendByAlpha8(__m256i s, __m256i d) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i sl = _mm256_unpacklo_epi8(s, zero), sh = _mm256_unpackhi_epi8(s, zero);
  const __m256i rl =
      MixLanes(sl, _mm256_unpacklo_epi8(d, zero), _mm256_unpacklo_epi8(Bias(), d), AlphaLanes(sl));
  const __m256i rh =
      MixLanes(sh, _mm256_unpackhi_epi8(d, zero), _mm256_unpackhi_epi8(Bias(), d), AlphaLanes(sh));
  return _mm256_packus_epi16(rl, rh);
}

// BlendRun on eight pixels: opaque groups copied, transparent groups skipped, mixed groups
// blended with their opaque pixels written exactly.
inline void BlendRun8(const TColor32* Src, TColor32* Dst, __m256i alpha) {
  const __m256i s = Load8(Src);
  if (_mm256_testc_si256(s, alpha)) {
    Store8(Dst, s);
    return;
  }
  if (_mm256_testz_si256(s, alpha)) return;
  const __m256i r = BlendByAlpha8(s, Load8(Dst));
  const __m256i opaque = _mm256_cmpeq_epi32(_mm256_and_si256(s, alpha), alpha);
  Store8(Dst, _mm256_blendv_epi8(r, s, opaque));
}

void AVX2BlendRun(const TColor32* Src, TColor32* Dst, int Count) {
  if (Count <= 0) return;
  for (; Count > 0 && !IsAligned32(Dst); --Count) ScalarBlendInto(*Src++, *Dst++);
  const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  for (; Count >= 16; Count -= 16, Src += 16, Dst += 16) {
    // Both groups opaque: one test for sixteen pixels, the common case of photos.
    const __m256i s0 = Load8(Src), s1 = Load8(Src + 8);
    if (_mm256_testc_si256(_mm256_and_si256(s0, s1), alpha)) {
      Store8(Dst, s0);
      Store8(Dst + 8, s1);
      continue;
    }
    BlendRun8(Src, Dst, alpha);
    BlendRun8(Src + 8, Dst + 8, alpha);
  }
  if (Count >= 8) {
    BlendRun8(Src, Dst, alpha);
    Count -= 8, Src += 8, Dst += 8;
  }
  for (; Count > 0; --Count) ScalarBlendInto(*Src++, *Dst++);
}

void AVX2BlendRunMaster(const TColor32* Src, TColor32* Dst, int Count, TColor32 M) {
  M = ClampWeight(M);
  if (Count <= 0 || M == 0) return;
  for (; Count > 0 && !IsAligned32(Dst); --Count) ScalarBlendRunMaster(Src++, Dst++, 1, M);
  const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const __m256i zero = _mm256_setzero_si256();
  const __m256i one = _mm256_set1_epi16(1);
  const __m256i m = _mm256_set1_epi16(static_cast<short>(M));
  for (; Count >= 8; Count -= 8, Src += 8, Dst += 8) {
    const __m256i s = Load8(Src);
    if (_mm256_testz_si256(s, alpha)) continue;
    const __m256i d = Load8(Dst);
    const __m256i sl = _mm256_unpacklo_epi8(s, zero), sh = _mm256_unpackhi_epi8(s, zero);
    // The run form's weight ((Fa + 1) * M) >> 8; at most 65280 before the shift.
    const __m256i wl =
        _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_add_epi16(AlphaLanes(sl), one), m), 8);
    const __m256i wh =
        _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_add_epi16(AlphaLanes(sh), one), m), 8);
    Store8(Dst,
           _mm256_packus_epi16(
               MixLanes(sl, _mm256_unpacklo_epi8(d, zero), _mm256_unpacklo_epi8(Bias(), d), wl),
               MixLanes(sh, _mm256_unpackhi_epi8(d, zero), _mm256_unpackhi_epi8(Bias(), d), wh)));
  }
  for (; Count > 0; --Count) ScalarBlendRunMaster(Src++, Dst++, 1, M);
}

void AVX2MixRun(const TColor32* Src, TColor32* Dst, int Count, TColor32 W) {
  if (Count <= 0) return;
  W = ClampWeight(W);
  if (W == 0) return;
  if (W == 255) {
    std::memmove(Dst, Src, static_cast<size_t>(Count) * sizeof(TColor32));
    return;
  }
  for (; Count > 0 && !IsAligned32(Dst); --Count, ++Src, ++Dst) *Dst = VectorMix(*Src, *Dst, W);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i w = _mm256_set1_epi16(static_cast<short>(W));
  for (; Count >= 8; Count -= 8, Src += 8, Dst += 8) {
    const __m256i s = Load8(Src), d = Load8(Dst);
    Store8(Dst, _mm256_packus_epi16(
                    MixLanes(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero),
                             _mm256_unpacklo_epi8(Bias(), d), w),
                    MixLanes(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero),
                             _mm256_unpackhi_epi8(Bias(), d), w)));
  }
  for (; Count > 0; --Count, ++Src, ++Dst) *Dst = VectorMix(*Src, *Dst, W);
}

void AVX2FillWords32(TColor32* Dst, std::ptrdiff_t Count, TColor32 Value) {
  for (; Count > 0 && !IsAligned32(Dst); --Count) *Dst++ = Value;
  const __m256i v = _mm256_set1_epi32(static_cast<int>(Value));
  for (; Count >= 32; Count -= 32, Dst += 32) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(Dst), v);
    _mm256_store_si256(reinterpret_cast<__m256i*>(Dst + 8), v);
    _mm256_store_si256(reinterpret_cast<__m256i*>(Dst + 16), v);
    _mm256_store_si256(reinterpret_cast<__m256i*>(Dst + 24), v);
  }
  for (; Count >= 8; Count -= 8, Dst += 8) Store8(Dst, v);
  for (; Count > 0; --Count) *Dst++ = Value;
}

}  // namespace

const TBlendProcs* AVX2BlendProcs() {
  static constinit const TBlendProcs procs = {
      SSE2MixValue,
      SSE2MixInto,
      AVX2MixRun,
      SSE2BlendValue,
      SSE2BlendInto,
      AVX2BlendRun,
      SSE2BlendValueMaster,
      SSE2BlendIntoMaster,
      AVX2BlendRunMaster,
      CompositeValueVector,
      CompositeIntoVector,
      CompositeRunVector,
      CompositeValueMasterVector,
      CompositeIntoMasterVector,
      CompositeRunMasterVector,
      ChannelAddAll,
      ChannelSubtractAll,
      ChannelDivideAll,
      ChannelMultiplyAll,
      ChannelMaxAll,
      ChannelMinAll,
      ChannelDifferenceAll,
      ChannelAverageVector,
      ChannelExclusionAll,
      ChannelScaleAll,
      AVX2FillWords32,
      SSE2BlockAverage,
      SSE2LinearInterpolator,
      SSE2BilinearFetch,
  };
  return &procs;
}

}  // namespace blendkernels

}  // namespace pictavia

#else

namespace pictavia {
namespace blendkernels {
const TBlendProcs* AVX2BlendProcs() {
  return nullptr;
}
}  // namespace blendkernels
}  // namespace pictavia

#endif
