// The row expansion with SSSE3 byte shuffles, four pixels per step; compiled with -mssse3, so
// nothing here may be shared with the other files (the tail goes to the reference).
#include "codecs/internal/bgr_rows.h"

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#endif

namespace pictavia {

#if defined(__x86_64__) || defined(__i386__)

void ExpandBgrRowSSSE3(const uint8_t* In, uint32_t* Out, int Count, uint32_t Fourth) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i fourth = _mm_set1_epi32(static_cast<int>(Fourth));
  int x = 0;
  // Each load reads four bytes past the twelve it uses, so the loop stops while six pixels
  // are left.
  for (; x + 6 <= Count; x += 4, In += 12) {
    const __m128i bgr = _mm_loadu_si128(reinterpret_cast<const __m128i*>(In));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Out + x),
                     _mm_or_si128(_mm_shuffle_epi8(bgr, spread), fourth));
  }
  if (x < Count) ExpandBgrRowReference(In, Out + x, Count - x, Fourth);
}

#else

// Never chosen off x86: the processor cannot have SSSE3.
void ExpandBgrRowSSSE3(const uint8_t* In, uint32_t* Out, int Count, uint32_t Fourth) {
  ExpandBgrRowReference(In, Out, Count, Fourth);
}

#endif

}  // namespace pictavia
