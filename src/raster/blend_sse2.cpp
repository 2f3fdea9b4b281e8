// SSE2 versions of the vector blending formulas, four pixels per step in 16-bit lanes; equal byte
// for byte to the plain C++ reference in blend.cpp.
#include "raster/internal/blend_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#include <emmintrin.h>

#include <algorithm>
#include <cstdint>

namespace pictavia {

namespace blendkernels {
namespace {

// W*X + (256-W)*Y + 128 computed as (X-Y)*W + (256*Y + 128) with 16-bit wrap-around: the exact
// value never exceeds 65408, so the wrapped sum is the exact one. YHigh holds 256*Y + 128, which
// one unpack of Y's bytes above 0x80 bytes produces.
inline __m128i MixLanes(__m128i x, __m128i y, __m128i yHigh, __m128i w) {
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_sub_epi16(x, y), w), yHigh), 8);
}

inline __m128i MixLanes(__m128i x, __m128i y, __m128i w) {
  return MixLanes(x, y, _mm_or_si128(_mm_slli_epi16(y, 8), _mm_set1_epi16(0x80)), w);
}

// Each pixel's alpha lane copied into its four lanes.
inline __m128i AlphaLanes(__m128i x) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0xFF), 0xFF);
}

inline __m128i Load4(const TColor32* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void Store4(TColor32* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

inline bool IsAligned16(const void* p) {
  return (reinterpret_cast<uintptr_t>(p) & 15) == 0;
}

// Four pixels of S over D, each weighted by its own alpha (no special cases).
inline __m128i BlendByAlpha4(__m128i s, __m128i d) {
  const __m128i zero = _mm_setzero_si128(), bias = _mm_set1_epi8(static_cast<char>(0x80));
  const __m128i sl = _mm_unpacklo_epi8(s, zero), sh = _mm_unpackhi_epi8(s, zero);
  const __m128i rl =
      MixLanes(sl, _mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi8(bias, d), AlphaLanes(sl));
  const __m128i rh =
      MixLanes(sh, _mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi8(bias, d), AlphaLanes(sh));
  return _mm_packus_epi16(rl, rh);
}

// Four pixels of S over D with the run form's master weight ((Fa + 1) * M) >> 8.
inline __m128i BlendMaster4(__m128i s, __m128i d, __m128i m) {
  const __m128i zero = _mm_setzero_si128(), bias = _mm_set1_epi8(static_cast<char>(0x80));
  const __m128i one = _mm_set1_epi16(1);
  const __m128i sl = _mm_unpacklo_epi8(s, zero), sh = _mm_unpackhi_epi8(s, zero);
  const __m128i wl = _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(AlphaLanes(sl), one), m), 8);
  const __m128i wh = _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(AlphaLanes(sh), one), m), 8);
  return _mm_packus_epi16(MixLanes(sl, _mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi8(bias, d), wl),
                          MixLanes(sh, _mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi8(bias, d), wh));
}

inline __m128i Mix4(__m128i s, __m128i d, __m128i w) {
  const __m128i zero = _mm_setzero_si128(), bias = _mm_set1_epi8(static_cast<char>(0x80));
  return _mm_packus_epi16(MixLanes(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero),
                                   _mm_unpacklo_epi8(bias, d), w),
                          MixLanes(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero),
                                   _mm_unpackhi_epi8(bias, d), w));
}

// Four pixels blended by their alpha with the opaque ones (Opaque lanes all ones) written exactly;
// transparent ones come out of the formula unchanged.
inline void BlendMixed4(__m128i s, __m128i opaque, TColor32* Dst) {
  const __m128i r = BlendByAlpha4(s, Load4(Dst));
  Store4(Dst, _mm_or_si128(_mm_and_si128(opaque, s), _mm_andnot_si128(opaque, r)));
}

inline TColor32 Mix1(TColor32 X, TColor32 Y, uint32_t W) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i x = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(X)), zero);
  const __m128i y = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(Y)), zero);
  const __m128i r = MixLanes(x, y, _mm_set1_epi16(static_cast<short>(W)));
  return static_cast<TColor32>(_mm_cvtsi128_si32(_mm_packus_epi16(r, r)));
}

}  // namespace

// Single-pixel forms, shared with the AVX2 table: wider registers gain nothing on one pixel.
TColor32 SSE2MixValue(TColor32 X, TColor32 Y, TColor32 W) {
  return Mix1(X, Y, ClampWeight(W));
}

void SSE2MixInto(TColor32 X, TColor32& Y, TColor32 W) {
  W = ClampWeight(W);
  if (W == 0) return;
  Y = W == 255 ? X : Mix1(X, Y, W);
}

TColor32 SSE2BlendValue(TColor32 F, TColor32 B) {
  return Mix1(F, B, F >> 24);
}

void SSE2BlendInto(TColor32 F, TColor32& B) {
  const uint32_t a = F >> 24;
  if (a == 0) return;
  B = a == 255 ? F : Mix1(F, B, a);
}

TColor32 SSE2BlendValueMaster(TColor32 F, TColor32 B, TColor32 M) {
  const uint32_t a = F >> 24;
  if (a == 0) return B;
  const uint32_t w = ((ClampWeight(M) + 1) * a) >> 8;
  return w == 0 ? B : Mix1(F, B, w);
}

void SSE2BlendIntoMaster(TColor32 F, TColor32& B, TColor32 M) {
  B = SSE2BlendValueMaster(F, B, M);
}

void SSE2MixRun(const TColor32* Src, TColor32* Dst, int Count, TColor32 W) {
  if (Count <= 0) return;
  W = ClampWeight(W);
  if (W == 0) return;
  if (W == 255) {
    CopyWords32(Src, Dst, Count);
    return;
  }
  for (; Count > 0 && !IsAligned16(Dst); --Count, ++Src, ++Dst) *Dst = VectorMix(*Src, *Dst, W);
  const __m128i w = _mm_set1_epi16(static_cast<short>(W));
  for (; Count >= 4; Count -= 4, Src += 4, Dst += 4) Store4(Dst, Mix4(Load4(Src), Load4(Dst), w));
  for (; Count > 0; --Count, ++Src, ++Dst) *Dst = VectorMix(*Src, *Dst, W);
}

void SSE2BlendRun(const TColor32* Src, TColor32* Dst, int Count) {
  if (Count <= 0) return;
  for (; Count > 0 && !IsAligned16(Dst); --Count) ScalarBlendInto(*Src++, *Dst++);
  const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i zero = _mm_setzero_si128();
  // Eight pixels per step: copied when all are opaque, skipped when all are transparent.
  for (; Count >= 8; Count -= 8, Src += 8, Dst += 8) {
    const __m128i s0 = Load4(Src), s1 = Load4(Src + 4);
    const __m128i a0 = _mm_and_si128(s0, alpha), a1 = _mm_and_si128(s1, alpha);
    const __m128i o0 = _mm_cmpeq_epi32(a0, alpha), o1 = _mm_cmpeq_epi32(a1, alpha);
    if (_mm_movemask_epi8(_mm_and_si128(o0, o1)) == 0xFFFF) {
      Store4(Dst, s0);
      Store4(Dst + 4, s1);
      // Inside an opaque stretch (a photo), sixteen pixels per test until it ends.
      while (Count >= 24) {
        const __m128i t0 = Load4(Src + 8), t1 = Load4(Src + 12), t2 = Load4(Src + 16),
                      t3 = Load4(Src + 20);
        const __m128i all = _mm_and_si128(_mm_and_si128(t0, t1), _mm_and_si128(t2, t3));
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(all, alpha), alpha)) != 0xFFFF) break;
        Store4(Dst + 8, t0);
        Store4(Dst + 12, t1);
        Store4(Dst + 16, t2);
        Store4(Dst + 20, t3);
        Count -= 16, Src += 16, Dst += 16;
      }
      continue;
    }
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_or_si128(a0, a1), zero)) == 0xFFFF) continue;
    BlendMixed4(s0, o0, Dst);
    BlendMixed4(s1, o1, Dst + 4);
  }
  for (; Count >= 4; Count -= 4, Src += 4, Dst += 4) {
    const __m128i s = Load4(Src);
    BlendMixed4(s, _mm_cmpeq_epi32(_mm_and_si128(s, alpha), alpha), Dst);
  }
  for (; Count > 0; --Count) ScalarBlendInto(*Src++, *Dst++);
}

void SSE2BlendRunMaster(const TColor32* Src, TColor32* Dst, int Count, TColor32 M) {
  M = ClampWeight(M);
  if (Count <= 0 || M == 0) return;
  for (; Count > 0 && !IsAligned16(Dst); --Count) ScalarBlendRunMaster(Src++, Dst++, 1, M);
  const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i zero = _mm_setzero_si128();
  const __m128i m = _mm_set1_epi16(static_cast<short>(M));
  for (; Count >= 4; Count -= 4, Src += 4, Dst += 4) {
    const __m128i s = Load4(Src);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(s, alpha), zero)) == 0xFFFF) continue;
    Store4(Dst, BlendMaster4(s, Load4(Dst), m));
  }
  for (; Count > 0; --Count) ScalarBlendRunMaster(Src++, Dst++, 1, M);
}

void SSE2FillWords32(TColor32* Dst, std::ptrdiff_t Count, TColor32 Value) {
  for (; Count > 0 && !IsAligned16(Dst); --Count) *Dst++ = Value;
  const __m128i v = _mm_set1_epi32(static_cast<int>(Value));
  for (; Count >= 16; Count -= 16, Dst += 16) {
    _mm_store_si128(reinterpret_cast<__m128i*>(Dst), v);
    _mm_store_si128(reinterpret_cast<__m128i*>(Dst + 4), v);
    _mm_store_si128(reinterpret_cast<__m128i*>(Dst + 8), v);
    _mm_store_si128(reinterpret_cast<__m128i*>(Dst + 12), v);
  }
  for (; Count >= 4; Count -= 4, Dst += 4) Store4(Dst, v);
  for (; Count > 0; --Count) *Dst++ = Value;
}

// Channel sums of the block in 32-bit lanes, moved into 64-bit totals before they could overflow.
TColor32 SSE2BlockAverage(int Width, int Height, const TColor32* Src, int Stride) {
  if (Width <= 0 || Height <= 0) return 0;
  constexpr int kFlushPixels = 1 << 22;  // 2^22 * 255 < 2^32 per lane
  const __m128i zero = _mm_setzero_si128();
  uint64_t sums[4] = {0, 0, 0, 0};
  __m128i acc = zero;
  int pending = 0;
  auto flush = [&] {
    alignas(16) uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc);
    for (int c = 0; c < 4; ++c) sums[c] += lanes[c];
    acc = zero;
    pending = 0;
  };
  for (int y = 0; y < Height; ++y) {
    const TColor32* p = Src + static_cast<std::ptrdiff_t>(y) * Stride;
    int n = Width;
    while (n > 0) {
      if (pending >= kFlushPixels) flush();
      const int chunk = std::min(n, kFlushPixels - pending);
      int i = 0;
      for (; i + 4 <= chunk; i += 4) {
        const __m128i v = Load4(p + i);
        const __m128i pair = _mm_add_epi16(_mm_unpacklo_epi8(v, zero), _mm_unpackhi_epi8(v, zero));
        acc = _mm_add_epi32(
            acc, _mm_add_epi32(_mm_unpacklo_epi16(pair, zero), _mm_unpackhi_epi16(pair, zero)));
      }
      for (; i < chunk; ++i) {
        const __m128i v = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(p[i])), zero);
        acc = _mm_add_epi32(acc, _mm_unpacklo_epi16(v, zero));
      }
      pending += chunk;
      p += chunk;
      n -= chunk;
    }
  }
  flush();
  return AverageFromSums(sums, static_cast<uint64_t>(Width) * static_cast<uint64_t>(Height));
}

// Horizontal pass in 16-bit lanes (both rows at once, exact below 65536), vertical pass as 32-bit
// products from the low and high halves of the 16-bit multiplications.
TColor32 SSE2LinearInterpolator(uint32_t WX, uint32_t WY, const TColor32* Row1,
                                const TColor32* Row2) {
  WX = std::min<uint32_t>(WX, 256);
  WY = std::min<uint32_t>(WY, 256);
  const __m128i zero = _mm_setzero_si128();
  const __m128i left =
      _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(Row1[0])),
                                           _mm_cvtsi32_si128(static_cast<int>(Row2[0]))),
                        zero);
  const __m128i right =
      _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(Row1[1])),
                                           _mm_cvtsi32_si128(static_cast<int>(Row2[1]))),
                        zero);
  const __m128i h = _mm_add_epi16(
      _mm_mullo_epi16(_mm_sub_epi16(left, right), _mm_set1_epi16(static_cast<short>(WX))),
      _mm_slli_epi16(right, 8));
  const __m128i wv = _mm_unpacklo_epi64(_mm_set1_epi16(static_cast<short>(WY)),
                                        _mm_set1_epi16(static_cast<short>(256 - WY)));
  const __m128i lo = _mm_mullo_epi16(h, wv);
  const __m128i hi = _mm_mulhi_epu16(h, wv);
  __m128i sum = _mm_add_epi32(_mm_unpacklo_epi16(lo, hi), _mm_unpackhi_epi16(lo, hi));
  sum = _mm_srli_epi32(_mm_add_epi32(sum, _mm_set1_epi32(32768)), 16);
  const __m128i packed = _mm_packs_epi32(sum, sum);
  return static_cast<TColor32>(_mm_cvtsi128_si32(_mm_packus_epi16(packed, packed)));
}

TColor32 SSE2BilinearFetch(TColor32 C00, TColor32 C10, TColor32 C01, TColor32 C11, uint32_t FracX,
                           uint32_t FracY) {
  const TColor32 row1[2] = {C00, C10};
  const TColor32 row2[2] = {C01, C11};
  return SSE2LinearInterpolator(256 - ((FracX & 0xFFFF) >> 8), 256 - ((FracY & 0xFFFF) >> 8), row1,
                                row2);
}

const TBlendProcs* SSE2BlendProcs() {
  static constinit const TBlendProcs procs = {
      SSE2MixValue,
      SSE2MixInto,
      SSE2MixRun,
      SSE2BlendValue,
      SSE2BlendInto,
      SSE2BlendRun,
      SSE2BlendValueMaster,
      SSE2BlendIntoMaster,
      SSE2BlendRunMaster,
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
      SSE2FillWords32,
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
const TBlendProcs* SSE2BlendProcs() {
  return nullptr;
}
}  // namespace blendkernels
}  // namespace pictavia

#endif
