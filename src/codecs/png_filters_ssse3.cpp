// Undoing the Sub, Average and Paeth filters one pixel per step in a vector register: all the
// channels of a pixel move along the left-to-right dependency chain together. Compiled with
// -mssse3, so nothing here may be shared with the other files (Up, the other pixel sizes and the
// first pixel go to the reference).
#include "codecs/internal/png_filters.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#endif

namespace pictavia {

#if defined(__x86_64__) || defined(__i386__)

namespace {

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

inline uint16_t Load16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

// B bytes of one pixel into the low lanes, widened to 16 bits; straight from memory, since a
// load that spans several smaller stores waits for them to reach the cache.
template <size_t B>
inline __m128i LoadPixel(const uint8_t* p) {
  __m128i v;
  if constexpr (B == 3) {
    v = _mm_cvtsi32_si128(static_cast<int>(Load16(p) | (uint32_t{p[2]} << 16)));
  } else if constexpr (B == 4) {
    v = _mm_cvtsi32_si128(static_cast<int>(Load32(p)));
  } else if constexpr (B == 6) {
    v = _mm_insert_epi16(_mm_cvtsi32_si128(static_cast<int>(Load32(p))), Load16(p + 4), 2);
  } else {
    static_assert(B == 8);
    v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
  }
  return _mm_unpacklo_epi8(v, _mm_setzero_si128());
}

template <size_t B>
inline void StorePixel(uint8_t* p, __m128i v) {
  const __m128i bytes = _mm_packus_epi16(v, v);
  if constexpr (B == 8) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), bytes);
  } else {
    const uint32_t low = static_cast<uint32_t>(_mm_cvtsi128_si32(bytes));
    if constexpr (B == 3) {
      std::memcpy(p, &low, 2);
      p[2] = static_cast<uint8_t>(low >> 16);
    } else {
      std::memcpy(p, &low, 4);
      if constexpr (B == 6) {
        const uint16_t high = static_cast<uint16_t>(_mm_extract_epi16(bytes, 2));
        std::memcpy(p + 4, &high, 2);
      }
    }
  }
}

// Sums wrap at 8 bits like the file's arithmetic.
inline __m128i Wrap(__m128i v) {
  return _mm_and_si128(v, _mm_set1_epi16(0xFF));
}

template <size_t B>
void UnfilterSub(uint8_t* row, size_t n) {
  __m128i a = LoadPixel<B>(row);
  for (size_t i = B; i + B <= n; i += B) {
    a = Wrap(_mm_add_epi16(LoadPixel<B>(row + i), a));
    StorePixel<B>(row + i, a);
  }
}

template <size_t B>
void UnfilterAverage(uint8_t* row, const uint8_t* prev, size_t n) {
  for (size_t i = 0; i < B; ++i) row[i] = static_cast<uint8_t>(row[i] + (prev[i] >> 1));
  __m128i a = LoadPixel<B>(row);
  for (size_t i = B; i + B <= n; i += B) {
    const __m128i mean = _mm_srli_epi16(_mm_add_epi16(a, LoadPixel<B>(prev + i)), 1);
    a = Wrap(_mm_add_epi16(LoadPixel<B>(row + i), mean));
    StorePixel<B>(row + i, a);
  }
}

// Picks left (a), above (b) or upper-left (c) by the smallest distance, in that order of
// preference, lane by lane.
inline __m128i PaethPredict(__m128i a, __m128i b, __m128i c) {
  const __m128i p = _mm_sub_epi16(b, c);
  const __m128i q = _mm_sub_epi16(a, c);
  const __m128i pa = _mm_abs_epi16(p);
  const __m128i pb = _mm_abs_epi16(q);
  const __m128i pc = _mm_abs_epi16(_mm_add_epi16(p, q));
  const __m128i smallest = _mm_min_epi16(pa, _mm_min_epi16(pb, pc));
  const __m128i takeA = _mm_cmpeq_epi16(pa, smallest);
  const __m128i takeB = _mm_cmpeq_epi16(pb, smallest);
  const __m128i bc = _mm_or_si128(_mm_and_si128(takeB, b), _mm_andnot_si128(takeB, c));
  return _mm_or_si128(_mm_and_si128(takeA, a), _mm_andnot_si128(takeA, bc));
}

template <size_t B>
void UnfilterPaeth(uint8_t* row, const uint8_t* prev, size_t n) {
  // Left and upper-left count as 0 for the first pixel, so the predictor is the byte above.
  for (size_t i = 0; i < B; ++i) row[i] = static_cast<uint8_t>(row[i] + prev[i]);
  __m128i a = LoadPixel<B>(row);
  __m128i c = LoadPixel<B>(prev);
  for (size_t i = B; i + B <= n; i += B) {
    const __m128i b = LoadPixel<B>(prev + i);
    a = Wrap(_mm_add_epi16(LoadPixel<B>(row + i), PaethPredict(a, b, c)));
    StorePixel<B>(row + i, a);
    c = b;
  }
}

template <size_t B>
void Unfilter(uint8_t FilterType, uint8_t* Row, const uint8_t* Prev, size_t RowBytes) {
  switch (FilterType) {
    case 1:
      UnfilterSub<B>(Row, RowBytes);
      break;
    case 3:
      UnfilterAverage<B>(Row, Prev, RowBytes);
      break;
    case 4:
      UnfilterPaeth<B>(Row, Prev, RowBytes);
      break;
    default:
      break;
  }
}

}  // namespace

void UnfilterRowSSSE3(uint8_t FilterType, uint8_t* Row, const uint8_t* Prev, size_t RowBytes,
                      size_t Offset) {
  // Rows are whole pixels; one pixel alone, or a narrow pixel, gains nothing from vectors.
  const bool vector = FilterType == 1 || FilterType == 3 || FilterType == 4;
  if (!vector || RowBytes <= Offset || RowBytes % Offset != 0) {
    UnfilterRowReference(FilterType, Row, Prev, RowBytes, Offset);
    return;
  }
  switch (Offset) {
    case 3:
      Unfilter<3>(FilterType, Row, Prev, RowBytes);
      break;
    case 4:
      Unfilter<4>(FilterType, Row, Prev, RowBytes);
      break;
    case 6:
      Unfilter<6>(FilterType, Row, Prev, RowBytes);
      break;
    case 8:
      Unfilter<8>(FilterType, Row, Prev, RowBytes);
      break;
    default:
      UnfilterRowReference(FilterType, Row, Prev, RowBytes, Offset);
      break;
  }
}

#else

// Never chosen off x86: the processor cannot have SSSE3.
void UnfilterRowSSSE3(uint8_t FilterType, uint8_t* Row, const uint8_t* Prev, size_t RowBytes,
                      size_t Offset) {
  UnfilterRowReference(FilterType, Row, Prev, RowBytes, Offset);
}

#endif

}  // namespace pictavia
