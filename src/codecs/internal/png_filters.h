// The five PNG row filters: undoing them while reading and applying them while writing, with the
// file-layout facts both sides share (signature, filtered row size, filter distance).
#pragma once

#ifndef PICTAVIA_INSIDE_CODECS
#error "png_filters.h is private to the codecs library and its tests"
#endif

#include <cstddef>
#include <cstdint>

#include "codecs/png_chunks.h"
#include "raster/cpu_features.h"

namespace pictavia {

inline constexpr uint8_t PngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// Bytes of one filtered row of Width pixels in the file, by the standard's rules.
inline size_t PngRowBytes(uint8_t ColorType, uint8_t Depth, uint64_t Width) {
  switch (ColorType) {
    case COLOR_RGB:
      return static_cast<size_t>(Width * Depth * 3 / 8);
    case COLOR_GRAYSCALEALPHA:
      return static_cast<size_t>(Width * Depth * 2 / 8);
    case COLOR_RGBALPHA:
      return static_cast<size_t>(Width * Depth * 4 / 8);
    default:
      return static_cast<size_t>((Width * Depth + 7) / 8);
  }
}

// Bytes of one complete pixel (at least 1): the filters' left distance.
inline size_t PngFilterOffset(uint8_t ColorType, uint8_t Depth) {
  switch (ColorType) {
    case COLOR_GRAYSCALE:
      return Depth == 16 ? 2 : 1;
    case COLOR_RGB:
      return Depth * 3u / 8;
    case COLOR_GRAYSCALEALPHA:
      return Depth / 4u;
    case COLOR_RGBALPHA:
      return Depth / 2u;
    default:
      return 1;
  }
}

// Undoes the filter of one row in place. Prev is the previous row after its own filter was undone
// (all zero for the first row of an image or pass); Offset is the number of bytes of one complete
// pixel (at least 1). An unknown filter type leaves the row as it is. Row and Prev may not
// overlap.
using TUnfilterRowProc = void (*)(uint8_t FilterType, uint8_t* Row, const uint8_t* Prev,
                                  size_t RowBytes, size_t Offset);

void UnfilterRowReference(uint8_t FilterType, uint8_t* Row, const uint8_t* Prev, size_t RowBytes,
                          size_t Offset);
// Equal to the reference byte for byte; x86 only, and only on a processor with SSSE3.
void UnfilterRowSSSE3(uint8_t FilterType, uint8_t* Row, const uint8_t* Prev, size_t RowBytes,
                      size_t Offset);

// The implementation's code, or null when this build or processor cannot run it.
TUnfilterRowProc UnfilterRowProcFor(TRowImplementation Impl);

// Through the row implementation chosen on first use from the processor and PICTAVIA_SIMD.
void UnfilterRow(uint8_t FilterType, uint8_t* Row, const uint8_t* Prev, size_t RowBytes,
                 size_t Offset);

// Filters one row with FilterType (0..4) into Out (RowBytes bytes, the filter-type byte not
// included).
void FilterRow(uint8_t FilterType, const uint8_t* Row, const uint8_t* Prev, size_t RowBytes,
               size_t Offset, uint8_t* Out);

}  // namespace pictavia
