// The coverage sums behind supersampled text: the text drawn in white at 2^Level times its size,
// each 2^Level x 2^Level block of the enlarged drawing summed.
#pragma once

#ifndef PICTAVIA_INSIDE_RASTER
#error "text_block_sums.h is private to the raster library and its tests"
#endif

#include <cstdint>
#include <string>

#include "toolkit/font.h"

namespace pictavia {

// Sums[r * Columns + c] := the sum of the blue bytes of block (c, r) of a (Columns << Level) x
// (Rows << Level) surface, zeroed, on which TCanvas::TextOut(0, 0, Text) drew in white with the
// font Enlarged. Costs about as much per glyph as drawing the glyph at its enlarged size (each
// distinct glyph and sub-pixel position drawn once), with a bounded working memory.
void SumTextBlocks(const TFont& Enlarged, const std::string& Text, int Level, int Columns, int Rows,
                   uint32_t* Sums);

// The same sums by drawing the whole text tile after tile: for texts whose glyphs cannot be
// drawn on their own. Costs as much as the enlarged area.
void SumTextBlocksInTiles(const TFont& Enlarged, const std::string& Text, int Level, int Columns,
                          int Rows, uint32_t* Sums);

}  // namespace pictavia
