// Decoding a picture's image data. What both decoders share: the passes and sizes of the filtered
// rows, the row code, and turning one filtered row into image memory. The whole-stream decoder
// inflates the IDAT run in one call; the streaming one inflates chunk by chunk with zlib and is
// the one that decides what a damaged run raises.
#pragma once

#ifndef PICTAVIA_INSIDE_CODECS
#error "png_idat.h is private to the codecs library and its tests"
#endif

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/internal/png_filters.h"
#include "codecs/internal/png_rows.h"
#include "codecs/png_chunks.h"

namespace pictavia {

class TStream;

// One pass over the image (the whole image when not interlaced): its rows Y = RowStart,
// RowStart + RowStep, ... below the height, each of Width pixels at columns ColStart,
// ColStart + ColStep, ..., RowBytes filtered bytes after the filter-type byte.
struct TPngPass {
  uint32_t RowStart, ColStart, RowStep, ColStep;
  uint32_t Width;
  uint32_t Rows;
  size_t RowBytes;
};

struct TIdatLayout {
  // The passes in file order; passes without rows or bytes are left out.
  std::vector<TPngPass> Passes;
  // Bytes of every pass's rows with their filter-type bytes: the whole inflated data.
  uint64_t FilteredSize = 0;
  // Bytes of one complete pixel: the filters' left distance.
  size_t Offset = 1;
  // The row code for contiguous rows, and the plain one for the columns of Adam7 passes.
  TConvertRowProc Convert = nullptr;
  TConvertRowProc ConvertSpread = nullptr;
  const uint8_t* Gamma = nullptr;
};

// The layout of the header's picture; colour samples go through Gamma.
TIdatLayout IdatLayoutOf(const TChunkIHDR& Header, const uint8_t* Gamma);

// Undoes the filter of Row (filter-type byte first) against Prev (the previous row's bytes after
// their filter was undone, all zero for a pass's first row) and converts it into image row Y.
inline void DecodeRow(const TIdatLayout& Layout, const TPngPass& Pass, TChunkIHDR& Header,
                      uint32_t Y, uint8_t* Row, const uint8_t* Prev) {
  UnfilterRow(Row[0], Row + 1, Prev, Pass.RowBytes, Layout.Offset);
  const int y = static_cast<int>(Y);
  const TRowTarget to{Header.Scanline(y), Header.AlphaScanline(y), Header.LowByteScanline(y)};
  (Pass.ColStep == 1 ? Layout.Convert : Layout.ConvertSpread)(Row + 1, Pass.Width, Pass.ColStart,
                                                              Pass.ColStep, to, Layout.Gamma);
}

// Reads the IDAT run that starts with the chunk of Type and Length (the stream at its data) and
// decodes it in one piece: chunk by chunk with their CRCs into one buffer, inflated by libdeflate
// into the filtered rows, then row by row. Returns false, having written nothing into the image,
// when the run is not one that decodes whole (cut short, a bad CRC, data that is not exactly
// the rows, memory that cannot be had); the stream position is then unspecified. On success the
// stream stands after the last IDAT chunk of the run.
bool DecodeIdatWhole(TStream& Stream, const TChunkName& Type, uint32_t Length,
                     const TIdatLayout& Layout, TChunkIHDR& Header);

// Decodes the run as a stream with zlib, two rows at a time: rows decode until the data runs
// out, and a damaged run raises what it always raised (EPngInvalidCRC, EPNGZLIBError,
// EPNGMissingMultipleIDAT, EPngUnexpectedEnd). The stream stands at the first chunk's data.
void DecodeIdatStreaming(TStream& Stream, const TChunkName& Type, uint32_t Length,
                         const TIdatLayout& Layout, TChunkIHDR& Header);

}  // namespace pictavia
