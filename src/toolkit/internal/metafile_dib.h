// Device-independent bitmaps inside metafile records: header and colour-table parsing with
// bounds checks, and decoding of 1/4/8/16/24/32-bit pixels (plain, bit fields, run-length).
#pragma once

#ifndef PICTAVIA_INSIDE_TOOLKIT
#error "metafile_dib.h is private to the toolkit library and its tests"
#endif

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include <QImage>

#include "toolkit/internal/metafile_records.h"

namespace pictavia {

namespace metafile {

// Resolves a DIB_PAL_COLORS table entry (an index into the selected logical palette).
using TPaletteLookup = std::function<QRgb(uint16_t Index)>;

// The largest picture a run-length bitmap may claim; plain bitmaps are bounded by their bytes.
inline constexpr int64_t kMaxDibPixels = int64_t(1) << 26;
// The pixels all bitmaps of one metafile may decode to together: a few bytes of run-length data
// per record would otherwise buy seconds of decoding each.
inline constexpr int64_t kMaxMetafileBitmapPixels = int64_t(1) << 28;

// A validated bitmap: its header fields, colour table and a pointer to its pixel bytes (inside
// the record, which outlives it).
struct TDib {
  int Width = 0;
  int Height = 0;  // rows present, always positive
  bool TopDown = false;
  int BitCount = 0;
  uint32_t Compression = BI_RGB;
  uint32_t Masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha for bit-field pixels
  std::vector<QRgb> Colors;
  const uint8_t* Bits = nullptr;
  size_t BitsSize = 0;
  // False for kinds we do not draw (2-bit pixels, embedded JPEG/PNG): nothing is drawn then.
  bool Supported = false;
  // Bytes per row when they are not padded to 32 bits (device-dependent bitmaps of WMF).
  int64_t RowBytes = 0;

  int64_t Stride() const {
    return RowBytes ? RowBytes : ((int64_t(Width) * BitCount + 31) / 32) * 4;
  }
  // Decodes the pixels: opaque RGB32, or premultiplied ARGB32 with the fourth byte as alpha
  // when KeepAlpha is set (32-bit pixels only). Pixels a run-length bitmap skips stay
  // transparent. ColorsOverride replaces the colour table (monochrome brushes use the text and
  // background colours). A null image when the picture is too large to allocate.
  QImage ToImage(bool KeepAlpha = false, const std::vector<QRgb>* ColorsOverride = nullptr) const;
};

// Reads a bitmap whose header sits at InfoOffset (InfoSize bytes, 0 = as large as the header
// says) and whose pixels sit at BitsOffset (BitsSize bytes). Rows, when not negative, is the
// number of scan lines actually stored (SetDIBitsToDevice). Raises EInvalidGraphic through Rec
// when anything lies outside the record or the pixel bytes are too short.
TDib ReadDib(const TMetafileRecord& Rec, size_t InfoOffset, size_t InfoSize, size_t BitsOffset,
             size_t BitsSize, uint32_t Usage, const TPaletteLookup& Palette, int Rows = -1);

// A bitmap stored as one block (header, colour table, pixels) from Offset to the record's end,
// as the WMF records keep them.
TDib ReadPackedDib(const TMetafileRecord& Rec, size_t Offset, uint32_t Usage,
                   const TPaletteLookup& Palette);

}  // namespace metafile

}  // namespace pictavia
