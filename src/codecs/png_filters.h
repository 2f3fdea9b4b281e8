// The five PNG row filters: undoing them while reading and applying them while writing.
#pragma once

#include <cstddef>
#include <cstdint>

// Undoes the filter of one row in place. Prev is the previous row after its own filter was undone
// (all zero for the first row of an image or pass); Offset is the number of bytes of one complete
// pixel (at least 1). An unknown filter type leaves the row as it is.
void UnfilterRow(uint8_t FilterType, uint8_t* Row, const uint8_t* Prev, size_t RowBytes,
                 size_t Offset);

// Filters one row with FilterType (0..4) into Out (RowBytes bytes, the filter-type byte not
// included).
void FilterRow(uint8_t FilterType, const uint8_t* Row, const uint8_t* Prev, size_t RowBytes,
               size_t Offset, uint8_t* Out);

