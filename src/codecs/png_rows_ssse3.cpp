// Row conversions with SSSE3 byte shuffles; compiled with -mssse3, so nothing here may be shared
// with the other files (spread columns and the last pixels of a row go to the reference). Stores
// stay inside the target rows: the rows around them may already hold other passes' pixels.
#include "codecs/internal/png_rows.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#endif

namespace pictavia {

#if defined(__x86_64__) || defined(__i386__)

namespace {

inline __m128i Load(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline void Store(uint8_t* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Even bytes of Src into First, odd bytes into Second, sixteen pairs per step.
size_t SplitPairs(const uint8_t* Src, size_t Count, uint8_t* First, uint8_t* Second) {
  const __m128i split = _mm_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15);
  size_t k = 0;
  for (; k + 16 <= Count; k += 16) {
    const __m128i lo = _mm_shuffle_epi8(Load(Src + 2 * k), split);
    const __m128i hi = _mm_shuffle_epi8(Load(Src + 2 * k + 16), split);
    Store(First + k, _mm_unpacklo_epi64(lo, hi));
    Store(Second + k, _mm_unpackhi_epi64(lo, hi));
  }
  return k;
}

}  // namespace

void ConvertGray16SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                        const TRowTarget& To, const uint8_t* Gamma) {
  if (XStep != 1) return ConvertGray16Reference(Src, Count, XStart, XStep, To, Gamma);
  const size_t k = SplitPairs(Src, Count, To.Pixels + XStart, To.Low + XStart);
  ConvertGray16Reference(Src + 2 * k, Count - k, XStart + k, 1, To, Gamma);
}

void ConvertGrayAlpha8SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                            const TRowTarget& To, const uint8_t* Gamma) {
  if (XStep != 1) return ConvertGrayAlpha8Reference(Src, Count, XStart, XStep, To, Gamma);
  const size_t k = SplitPairs(Src, Count, To.Pixels + XStart, To.Alpha + XStart);
  ConvertGrayAlpha8Reference(Src + 2 * k, Count - k, XStart + k, 1, To, Gamma);
}

// Red, green, blue to blue, green, red: five pixels per step. Each store writes one byte past
// the five, which the next step overwrites; the loop stops while that byte is still in the row.
void ConvertRGB8SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                      const TRowTarget& To, const uint8_t* Gamma) {
  if (XStep != 1) return ConvertRGB8Reference(Src, Count, XStart, XStep, To, Gamma);
  const __m128i reverse = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  uint8_t* out = To.Pixels + 3 * XStart;
  size_t k = 0;
  for (; k + 6 <= Count; k += 5) Store(out + 3 * k, _mm_shuffle_epi8(Load(Src + 3 * k), reverse));
  ConvertRGB8Reference(Src + 3 * k, Count - k, XStart + k, 1, To, Gamma);
}

// 16-bit red, green, blue to the high bytes' and low bytes' blue, green, red: two pixels per
// step, eight bytes stored into each row of which the last two are overwritten by the next step.
void ConvertRGB16SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                       const TRowTarget& To, const uint8_t* Gamma) {
  if (XStep != 1) return ConvertRGB16Reference(Src, Count, XStart, XStep, To, Gamma);
  const __m128i split = _mm_setr_epi8(4, 2, 0, 10, 8, 6, -1, -1, 5, 3, 1, 11, 9, 7, -1, -1);
  uint8_t* high = To.Pixels + 3 * XStart;
  uint8_t* low = To.Low + 3 * XStart;
  size_t k = 0;
  for (; k + 3 <= Count; k += 2) {
    const __m128i v = _mm_shuffle_epi8(Load(Src + 6 * k), split);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(high + 3 * k), v);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(low + 3 * k), _mm_unpackhi_epi64(v, v));
  }
  ConvertRGB16Reference(Src + 6 * k, Count - k, XStart + k, 1, To, Gamma);
}

// Sixteen pixels per step: each group of four shuffled to twelve colour bytes and four alphas,
// the colours joined into three full stores and the alphas into one.
void ConvertRGBA8SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                       const TRowTarget& To, const uint8_t* Gamma) {
  if (XStep != 1) return ConvertRGBA8Reference(Src, Count, XStart, XStep, To, Gamma);
  const __m128i split = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, 3, 7, 11, 15);
  uint8_t* out = To.Pixels + 3 * XStart;
  uint8_t* alpha = To.Alpha + XStart;
  size_t k = 0;
  for (; k + 16 <= Count; k += 16) {
    const uint8_t* s = Src + 4 * k;
    const __m128i c0 = _mm_shuffle_epi8(Load(s), split);
    const __m128i c1 = _mm_shuffle_epi8(Load(s + 16), split);
    const __m128i c2 = _mm_shuffle_epi8(Load(s + 32), split);
    const __m128i c3 = _mm_shuffle_epi8(Load(s + 48), split);
    uint8_t* o = out + 3 * k;
    Store(o, _mm_alignr_epi8(c1, _mm_slli_si128(c0, 4), 4));
    Store(o + 16, _mm_unpacklo_epi64(_mm_srli_si128(c1, 4), c2));
    Store(o + 32, _mm_alignr_epi8(c3, _mm_slli_si128(c2, 4), 12));
    const __m128i a01 = _mm_unpackhi_epi32(c0, c1);
    const __m128i a23 = _mm_unpackhi_epi32(c2, c3);
    Store(alpha + k, _mm_unpackhi_epi64(a01, a23));
  }
  ConvertRGBA8Reference(Src + 4 * k, Count - k, XStart + k, 1, To, Gamma);
}

#else

// Never chosen off x86: the processor cannot have SSSE3.
void ConvertGray16SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                        const TRowTarget& To, const uint8_t* Gamma) {
  ConvertGray16Reference(Src, Count, XStart, XStep, To, Gamma);
}
void ConvertGrayAlpha8SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                            const TRowTarget& To, const uint8_t* Gamma) {
  ConvertGrayAlpha8Reference(Src, Count, XStart, XStep, To, Gamma);
}
void ConvertRGB8SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                      const TRowTarget& To, const uint8_t* Gamma) {
  ConvertRGB8Reference(Src, Count, XStart, XStep, To, Gamma);
}
void ConvertRGB16SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                       const TRowTarget& To, const uint8_t* Gamma) {
  ConvertRGB16Reference(Src, Count, XStart, XStep, To, Gamma);
}
void ConvertRGBA8SSSE3(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                       const TRowTarget& To, const uint8_t* Gamma) {
  ConvertRGBA8Reference(Src, Count, XStart, XStep, To, Gamma);
}

#endif

}  // namespace pictavia
