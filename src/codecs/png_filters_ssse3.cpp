// Undoing the row filters with SSE2/SSSE3; compiled with -mssse3.
#include "codecs/internal/png_filters.h"

namespace pictavia {

void UnfilterRowSSSE3(uint8_t FilterType, uint8_t* Row, const uint8_t* Prev, size_t RowBytes,
                      size_t Offset) {
  UnfilterRowReference(FilterType, Row, Prev, RowBytes, Offset);
}

}  // namespace pictavia
