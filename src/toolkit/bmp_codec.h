// BMP files: reading into device-independent rows (keeping bit count, colour table and alpha)
// and writing the uncompressed 32-bit form; also the size limits every toolkit picture obeys.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "toolkit/graphic.h"
#include "toolkit/picture_memory.h"

namespace pictavia {

class TStream;

// The most pixels a toolkit picture may hold (2^28, a 16384 x 16384 picture).
inline constexpr int64_t MaxPicturePixels = int64_t(1) << 28;

// Raises EOutOfResources when a Width x Height picture is larger than MaxPicturePixels, and
// EInvalidGraphic for negative sizes.
void CheckPictureSize(int64_t Width, int64_t Height);

// Bytes per row of a device-independent bitmap: Width pixels of BitCount bits, padded to 4.
inline int64_t DibRowBytes(int64_t Width, int BitCount) {
  return (Width * BitCount + 31) / 32 * 4;
}

// A zero-filled pixel buffer of at least Bytes bytes, held as 32-bit words so that it may be
// used as bytes and as 32-bit pixels alike; a failed allocation raises EOutOfMemory instead of
// aborting.
TPixelRows AllocatePictureBuffer(int64_t Bytes);

// Decoded pixels in the form the toolkit bitmap keeps: 1-, 4- or 8-bit indexes into ColorTable,
// 24-bit blue-green-red, or 32-bit blue-green-red-fourth byte; rows top-down, DibRowBytes apart.
struct TDibImage {
  int Width = 0;
  int Height = 0;
  int BitCount = 32;
  std::vector<TRGBQuad> ColorTable;
  TPixelRows Rows;  // Height * DibRowBytes(Width, BitCount) bytes
  uint8_t* RowBytes() { return reinterpret_cast<uint8_t*>(Rows.data()); }
  const uint8_t* RowBytes() const { return reinterpret_cast<const uint8_t*>(Rows.data()); }
};

// Reads a whole BMP file (file header included). The header is checked here; the pixels of
// uncompressed 1-, 4-, 8-, 24- and 32-bit files come from Qt's reader, those of the rest (and
// of files Qt refuses) from our own decoder. 1-, 4- and 8-bit files keep their bit count
// (2-bit files become 4-bit), 16- and 24-bit files become 24-bit, 32-bit files stay 32-bit with
// their alpha: from the alpha mask when the header has one, else the stored fourth byte, except
// that an uncompressed file whose fourth bytes are all zero is opaque (that byte is unused there).
// Raises EInvalidGraphic for files that are not valid or not supported, EOutOfResources when the
// picture is too large.
TDibImage ReadBmp(const uint8_t* Data, size_t Size);

// The same without Qt: our own decoder only.
TDibImage ReadBmpOwn(const uint8_t* Data, size_t Size);

// Writes a BITMAPFILEHEADER, a 40-byte BITMAPINFOHEADER and bottom-up uncompressed 32-bit rows
// from Width x Height top-down pixels (0xAARRGGBB, the fourth byte written as held).
void WriteBmp32(TStream& Stream, int Width, int Height, const uint32_t* Pixels);

}  // namespace pictavia
