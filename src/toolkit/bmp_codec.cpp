// BMP reading (header checks of our own, pixels from Qt or from our decoder) and the 32-bit
// BMP writer.
#include "toolkit/bmp_codec.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include "toolkit/exceptions.h"
#include "toolkit/streams.h"

namespace pictavia {

static_assert(std::endian::native == std::endian::little,
              "pixels are written to files straight from memory");

namespace {

constexpr const char* SInvalidBitmap = "Bitmap image is not valid";

[[noreturn]] void Invalid(const std::string& why) {
  throw EInvalidGraphic(std::string(SInvalidBitmap) + ": " + why);
}

uint16_t U16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t U32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
int32_t I32(const uint8_t* p) {
  return static_cast<int32_t>(U32(p));
}

enum : uint32_t {
  BI_RGB = 0,
  BI_RLE8 = 1,
  BI_RLE4 = 2,
  BI_BITFIELDS = 3,
  BI_JPEG = 4,
  BI_PNG = 5,
  BI_ALPHABITFIELDS = 6
};

// One colour channel of a bit-field pixel, scaled to 0..255 with rounding.
struct TChannel {
  uint32_t Mask = 0;
  int Shift = 0;
  uint64_t Max = 0;
  explicit TChannel(uint32_t mask) : Mask(mask) {
    if (!mask) return;
    Shift = std::countr_zero(mask);
    Max = mask >> Shift;
  }
  uint8_t Get(uint32_t px) const {
    if (!Max) return 0;
    const uint64_t v = (px & Mask) >> Shift;
    return static_cast<uint8_t>((v * 255 + Max / 2) / Max);
  }
};

struct TBmpHeader {
  int Width = 0;
  int Height = 0;
  bool TopDown = false;
  int BitCount = 0;     // as stored
  int OutBitCount = 0;  // as held: 1, 4, 8, 24 or 32
  uint32_t Compression = BI_RGB;
  bool HasMasks = false;
  uint32_t Masks[4] = {};  // red, green, blue, alpha
  std::vector<TRGBQuad> Palette;
  size_t PixelOffset = 0;
  bool ShortTable = false;  // fewer colours stored than the header declares
  bool Rle() const { return Compression == BI_RLE8 || Compression == BI_RLE4; }
};

TBmpHeader ParseHeader(const uint8_t* d, size_t size) {
  if (!d || size < 26) Invalid("the file is too short");
  if (d[0] != 'B' || d[1] != 'M') Invalid("the file does not start with \"BM\"");
  const uint32_t offBits = U32(d + 10);
  const uint32_t hs = U32(d + 14);
  const bool core = hs == 12;
  // Headers of 16 to 64 bytes other than the 40/52/56-byte ones are the second OS/2 form, whose
  // compression codes 3 and 4 mean something else.
  const bool os2v2 = hs >= 16 && hs <= 64 && hs != 40 && hs != 52 && hs != 56;
  if (!(core || (hs >= 16 && hs <= 64) || hs == 108 || hs == 124))
    Invalid(Format("unsupported header size %u", hs));
  if (14 + static_cast<size_t>(hs) > size) Invalid("the header is truncated");
  uint8_t h[124] = {};
  std::memcpy(h, d + 14, std::min<size_t>(hs, sizeof h));

  int64_t width, height;
  int planes, bits;
  uint32_t comp = BI_RGB, clrUsed = 0;
  if (core) {
    width = U16(h + 4);
    height = U16(h + 6);
    planes = U16(h + 8);
    bits = U16(h + 10);
  } else {
    width = I32(h + 4);
    height = I32(h + 8);
    planes = U16(h + 12);
    bits = U16(h + 14);
    comp = U32(h + 16);
    clrUsed = U32(h + 32);
  }
  if (planes != 1) Invalid(Format("the plane count is %d, not 1", planes));
  if (width < 0) Invalid("the width is negative");
  TBmpHeader hd;
  hd.TopDown = height < 0;
  if (hd.TopDown) height = -height;

  if (os2v2 && comp == 3) Invalid("Huffman-compressed bitmaps are not supported");
  if (os2v2 && comp == 4) Invalid("24-bit run-length compressed bitmaps are not supported");
  switch (comp) {
    case BI_RGB:
      break;
    case BI_RLE8:
      if (bits != 8) Invalid("8-bit run-length compression needs 8 bits per pixel");
      break;
    case BI_RLE4:
      if (bits != 4) Invalid("4-bit run-length compression needs 4 bits per pixel");
      break;
    case BI_BITFIELDS:
    case BI_ALPHABITFIELDS:
      if (bits != 16 && bits != 32) Invalid("bit-field pixels must have 16 or 32 bits");
      break;
    case BI_JPEG:
    case BI_PNG:
      Invalid("bitmaps holding a JPEG or PNG picture are not supported");
    default:
      Invalid(Format("unknown compression %u", comp));
  }
  switch (bits) {
    case 1:
    case 4:
    case 8:
      hd.OutBitCount = bits;
      break;
    case 2:
      hd.OutBitCount = 4;
      break;
    case 16:
    case 24:
      hd.OutBitCount = 24;
      break;
    case 32:
      hd.OutBitCount = 32;
      break;
    case 64:
      Invalid("64-bit bitmaps are not supported");
    default:
      Invalid(Format("%d bits per pixel is not a valid bit count", bits));
  }
  hd.BitCount = bits;
  hd.Compression = comp;
  if (hd.TopDown && hd.Rle()) Invalid("a compressed bitmap cannot be stored top-down");
  CheckPictureSize(width, height);
  hd.Width = static_cast<int>(width);
  hd.Height = static_cast<int>(height);

  size_t pos = 14 + static_cast<size_t>(hs);
  if (comp == BI_BITFIELDS || comp == BI_ALPHABITFIELDS) {
    hd.HasMasks = true;
    if (hs >= 52) {
      for (int i = 0; i < 3; ++i) hd.Masks[i] = U32(h + 40 + 4 * i);
      if (hs >= 56) hd.Masks[3] = U32(h + 52);
    } else {
      const int n = comp == BI_ALPHABITFIELDS ? 4 : 3;
      if (pos + 4 * static_cast<size_t>(n) > size) Invalid("the colour masks are truncated");
      for (int i = 0; i < n; ++i) hd.Masks[i] = U32(d + pos + 4 * i);
      pos += 4 * static_cast<size_t>(n);
    }
  }
  if (offBits < pos || offBits > size)
    Invalid(Format("the pixel data offset %u lies outside the file", offBits));

  if (bits <= 8) {
    const size_t entry = core ? 3 : 4;
    size_t n = size_t(1) << bits;
    if (!core && clrUsed != 0 && clrUsed < n) n = clrUsed;
    // Some writers store a shorter table than the bit count allows; the pixel data starts
    // where they say.
    const size_t declared = n;
    n = std::min(n, (offBits - pos) / entry);
    hd.ShortTable = n < declared;
    hd.Palette.resize(n);
    for (size_t i = 0; i < n; ++i) {
      const uint8_t* p = d + pos + i * entry;
      hd.Palette[i] = TRGBQuad{p[0], p[1], p[2], 0};
    }
  }
  hd.PixelOffset = offBits;

  if (!hd.Rle() && hd.Width > 0 && hd.Height > 0) {
    // The last row may go without its padding.
    const int64_t need =
        DibRowBytes(hd.Width, bits) * (hd.Height - 1) + (int64_t(hd.Width) * bits + 7) / 8;
    if (static_cast<int64_t>(size - offBits) < need) Invalid("the pixel data is truncated");
  }
  return hd;
}

void PutIndex(uint8_t* row, int x, int bits, uint8_t index) {
  switch (bits) {
    case 8:
      row[x] = index;
      break;
    case 4: {
      uint8_t& b = row[x >> 1];
      b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (index & 0x0F))
                  : static_cast<uint8_t>((b & 0x0F) | (index << 4));
      break;
    }
    case 1: {
      uint8_t& b = row[x >> 3];
      const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
      b = (index & 1) ? (b | bit) : (b & ~bit);
      break;
    }
    default:
      break;
  }
}

// An uncompressed 32-bit file whose fourth bytes are all zero does not use them: opaque.
void OpaqueWhenAllZero(TDibImage& img) {
  for (uint32_t px : img.Rows)
    if (px >> 24) return;
  for (uint32_t& px : img.Rows) px |= 0xFF000000u;
}

void DecodeRle(const TBmpHeader& hd, const uint8_t* s, size_t n, TDibImage& img) {
  const int w = hd.Width, h = hd.Height, bits = hd.BitCount;
  const int64_t stride = DibRowBytes(w, bits);
  int64_t x = 0, y = 0;  // y counts rows from the bottom
  auto put = [&](uint8_t index) {
    if (x >= 0 && x < w && y < h)
      PutIndex(img.RowBytes() + stride * (h - 1 - y), static_cast<int>(x), bits, index);
    ++x;
  };
  size_t i = 0;
  while (i + 1 < n && y < h) {
    const uint8_t count = s[i], value = s[i + 1];
    i += 2;
    if (count) {
      for (int k = 0; k < count && x < w; ++k)
        put(bits == 8 ? value : ((k & 1) ? value & 0x0F : value >> 4));
    } else if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // move right and up
      if (i + 1 >= n) break;
      x += s[i];
      y += s[i + 1];
      i += 2;
    } else {  // a literal run, padded to an even byte count
      const size_t bytes = bits == 8 ? value : (value + 1u) / 2;
      if (i + bytes > n) break;
      for (int k = 0; k < value; ++k)
        put(bits == 8 ? s[i + k] : ((k & 1) ? s[i + k / 2] & 0x0F : s[i + k / 2] >> 4));
      i += (bytes + 1) & ~size_t(1);
    }
  }
}

TDibImage NewImage(const TBmpHeader& hd) {
  TDibImage img;
  img.Width = hd.Width;
  img.Height = hd.Height;
  img.BitCount = hd.OutBitCount;
  if (hd.OutBitCount <= 8) img.ColorTable = hd.Palette;
  img.Rows = AllocatePictureBuffer(DibRowBytes(hd.Width, hd.OutBitCount) * hd.Height);
  return img;
}

TDibImage DecodeOwn(const TBmpHeader& hd, const uint8_t* d, size_t size) {
  TDibImage img = NewImage(hd);
  if (img.Rows.empty()) return img;
  const uint8_t* src = d + hd.PixelOffset;
  const size_t avail = size - hd.PixelOffset;
  if (hd.Rle()) {
    DecodeRle(hd, src, avail, img);
    return img;
  }
  const int w = hd.Width, h = hd.Height, bits = hd.BitCount;
  const int64_t srcStride = DibRowBytes(w, bits), dstStride = DibRowBytes(w, img.BitCount);
  uint32_t masks[4] = {hd.Masks[0], hd.Masks[1], hd.Masks[2], hd.Masks[3]};
  if (!hd.HasMasks && bits == 16) {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  }
  const TChannel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = src + srcStride * (hd.TopDown ? y : h - 1 - y);
    uint8_t* o = img.RowBytes() + dstStride * y;
    switch (bits) {
      case 1:
      case 4:
      case 8:
        std::memcpy(o, s, static_cast<size_t>((int64_t(w) * bits + 7) / 8));
        break;
      case 2:
        for (int x = 0; x < w; ++x)
          PutIndex(o, x, 4, static_cast<uint8_t>((s[x >> 2] >> (6 - 2 * (x & 3))) & 3));
        break;
      case 24:
        std::memcpy(o, s, static_cast<size_t>(w) * 3);
        break;
      case 16:
        for (int x = 0; x < w; ++x) {
          const uint32_t px = U16(s + 2 * x);
          o[3 * x] = blue.Get(px);
          o[3 * x + 1] = green.Get(px);
          o[3 * x + 2] = red.Get(px);
        }
        break;
      case 32:
        if (!hd.HasMasks) {
          std::memcpy(o, s, static_cast<size_t>(w) * 4);
          break;
        }
        for (int x = 0; x < w; ++x) {
          const uint32_t px = U32(s + 4 * x);
          o[4 * x] = blue.Get(px);
          o[4 * x + 1] = green.Get(px);
          o[4 * x + 2] = red.Get(px);
          o[4 * x + 3] = masks[3] ? alpha.Get(px) : 255;
        }
        break;
      default:
        break;
    }
  }
  if (bits == 32 && !hd.HasMasks) OpaqueWhenAllZero(img);
  return img;
}

// Takes the pixels from Qt's reader; false when it refuses the file or gives something we cannot
// map back onto the file's own form.
bool ReadWithQt(const TBmpHeader& hd, const uint8_t* d, size_t size, TDibImage& out) {
  QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(d), static_cast<qsizetype>(size));
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::ReadOnly)) return false;
  QImageReader reader(&buffer, "bmp");
  QImage q;
  if (!reader.read(&q) || q.width() != hd.Width || q.height() != hd.Height) return false;

  TDibImage img = NewImage(hd);
  if (img.Rows.empty()) {
    out = std::move(img);
    return true;
  }
  const int w = hd.Width, h = hd.Height;
  const int64_t stride = DibRowBytes(w, img.BitCount);
  if (img.BitCount <= 8) {
    const QImage::Format f = q.format();
    if (f != QImage::Format_Indexed8 && f != QImage::Format_Mono && f != QImage::Format_MonoLSB)
      return false;
    // Qt may reorder a two-colour table (and invert the bits): map its indexes back onto the
    // file's table by colour.
    uint8_t remap[256];
    const QList<QRgb> table = q.colorTable();
    for (int i = 0; i < 256; ++i) {
      remap[i] = static_cast<uint8_t>(i);
      if (i >= table.size()) continue;
      const auto same = [&](const TRGBQuad& e) {
        return qRed(table[i]) == e.rgbRed && qGreen(table[i]) == e.rgbGreen &&
               qBlue(table[i]) == e.rgbBlue;
      };
      if (i < static_cast<int>(hd.Palette.size()) && same(hd.Palette[i])) continue;
      const auto it = std::find_if(hd.Palette.begin(), hd.Palette.end(), same);
      if (it != hd.Palette.end()) remap[i] = static_cast<uint8_t>(it - hd.Palette.begin());
    }
    for (int y = 0; y < h; ++y) {
      const uchar* line = q.constScanLine(y);
      uint8_t* o = img.RowBytes() + stride * y;
      for (int x = 0; x < w; ++x) {
        uint8_t index;
        if (f == QImage::Format_Indexed8)
          index = line[x];
        else if (f == QImage::Format_Mono)
          index = (line[x >> 3] >> (7 - (x & 7))) & 1;
        else
          index = (line[x >> 3] >> (x & 7)) & 1;
        PutIndex(o, x, img.BitCount, remap[index]);
      }
    }
    out = std::move(img);
    return true;
  }
  const QImage argb = q.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < h; ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    uint8_t* o = img.RowBytes() + stride * y;
    if (img.BitCount == 24) {
      for (int x = 0; x < w; ++x) {
        o[3 * x] = static_cast<uint8_t>(qBlue(line[x]));
        o[3 * x + 1] = static_cast<uint8_t>(qGreen(line[x]));
        o[3 * x + 2] = static_cast<uint8_t>(qRed(line[x]));
      }
      continue;
    }
    // Qt drops the fourth byte of uncompressed files: take it from the file itself.
    const uint8_t* raw = d + hd.PixelOffset + DibRowBytes(w, 32) * (hd.TopDown ? y : h - 1 - y);
    for (int x = 0; x < w; ++x) {
      o[4 * x] = static_cast<uint8_t>(qBlue(line[x]));
      o[4 * x + 1] = static_cast<uint8_t>(qGreen(line[x]));
      o[4 * x + 2] = static_cast<uint8_t>(qRed(line[x]));
      o[4 * x + 3] = raw[4 * x + 3];
    }
  }
  if (img.BitCount == 32) OpaqueWhenAllZero(img);
  out = std::move(img);
  return true;
}

}  // namespace

void CheckPictureSize(int64_t Width, int64_t Height) {
  if (Width < 0 || Height < 0)
    throw EInvalidGraphic(Format("Invalid picture size %lld x %lld", static_cast<long long>(Width),
                                 static_cast<long long>(Height)));
  if (Width == 0 || Height == 0) return;
  if (Width > MaxPicturePixels || Height > MaxPicturePixels || Width * Height > MaxPicturePixels)
    throw EOutOfResources(
        Format("A picture of %lld x %lld pixels is too large (at most %lld pixels)",
               static_cast<long long>(Width), static_cast<long long>(Height),
               static_cast<long long>(MaxPicturePixels)));
}

TPixelRows AllocatePictureBuffer(int64_t Bytes) {
  try {
    return TPixelRows(static_cast<size_t>((std::max<int64_t>(Bytes, 0) + 3) / 4));
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  throw EOutOfMemory(Format("Out of memory: %lld bytes for a picture could not be allocated",
                            static_cast<long long>(Bytes)));
}

TDibImage ReadBmp(const uint8_t* Data, size_t Size) {
  const TBmpHeader hd = ParseHeader(Data, Size);
  // Qt leaves the pixels a run-length file skips undefined, widens 5- and 6-bit channels by
  // shifting (white 0x7FFF becomes 248, 248, 248), looks for the pixels after a full colour
  // table even when a shorter one is stored, and reads no 2-bit files: those are ours.
  const bool ours =
      hd.Rle() || hd.HasMasks || hd.BitCount == 16 || hd.BitCount == 2 || hd.ShortTable;
  TDibImage img;
  if (!ours && ReadWithQt(hd, Data, Size, img)) return img;
  return DecodeOwn(hd, Data, Size);
}

TDibImage ReadBmpOwn(const uint8_t* Data, size_t Size) {
  const TBmpHeader hd = ParseHeader(Data, Size);
  return DecodeOwn(hd, Data, Size);
}

void WriteBmp32(TStream& Stream, int Width, int Height, const uint32_t* Pixels) {
  CheckPictureSize(Width, Height);
  if (Width == 0 || Height == 0) Width = Height = 0;
  const uint32_t imageBytes = static_cast<uint32_t>(int64_t(Width) * Height * 4);
  uint8_t hdr[54] = {};
  auto put16 = [&](int at, uint16_t v) {
    hdr[at] = static_cast<uint8_t>(v);
    hdr[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  auto put32 = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) hdr[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  hdr[0] = 'B';
  hdr[1] = 'M';
  put32(2, 54 + imageBytes);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(Width));
  put32(22, static_cast<uint32_t>(Height));  // positive: rows run bottom-up
  put16(26, 1);
  put16(28, 32);
  put32(30, BI_RGB);
  put32(34, imageBytes);
  put32(38, 3780);  // 96 dots per inch
  put32(42, 3780);
  Stream.WriteBuffer(hdr, sizeof hdr);
  for (int y = Height - 1; y >= 0; --y)
    Stream.WriteBuffer(Pixels + static_cast<int64_t>(y) * Width, int64_t(Width) * 4);
}

}  // namespace pictavia
