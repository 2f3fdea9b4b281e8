// Parsing and decoding of the bitmaps that metafile records carry.
#include "toolkit/internal/metafile_dib.h"

#include <algorithm>

namespace pictavia {

namespace metafile {

namespace {

struct THeaderFields {
  size_t HeaderSize = 0;
  int64_t Width = 0;
  int64_t Height = 0;
  int BitCount = 0;
  uint32_t Compression = BI_RGB;
  uint32_t ColorsUsed = 0;
  bool Core = false;  // the 12-byte header with 3-byte colour entries
  bool HasMasks = false;
  uint32_t Masks[4] = {0, 0, 0, 0};
  size_t MasksAfterHeader = 0;  // bytes of masks that follow a 40-byte header
};

THeaderFields ReadHeader(const TMetafileRecord& Rec, size_t Offset, size_t InfoSize) {
  THeaderFields h;
  h.HeaderSize = Rec.U32(Offset);
  if (InfoSize != 0 && h.HeaderSize > InfoSize)
    Rec.Fail(Format("bitmap header of %zu bytes is larger than its %zu-byte block", h.HeaderSize,
                    InfoSize));
  if (h.HeaderSize == 12) {
    Rec.Need(Offset, 1, 12, "the bitmap header");
    h.Core = true;
    h.Width = Rec.U16(Offset + 4);
    h.Height = Rec.U16(Offset + 6);
    h.BitCount = Rec.U16(Offset + 10);
    return h;
  }
  if (h.HeaderSize < 40) Rec.Fail(Format("bitmap header size %zu is not valid", h.HeaderSize));
  Rec.Need(Offset, 1, h.HeaderSize, "the bitmap header");
  h.Width = Rec.I32(Offset + 4);
  h.Height = Rec.I32(Offset + 8);
  h.BitCount = Rec.U16(Offset + 14);
  h.Compression = Rec.U32(Offset + 16);
  h.ColorsUsed = Rec.U32(Offset + 32);
  if (h.Compression == BI_BITFIELDS) {
    h.HasMasks = true;
    if (h.HeaderSize >= 52) {
      for (int i = 0; i < 3; ++i) h.Masks[i] = Rec.U32(Offset + 40 + 4 * i);
      if (h.HeaderSize >= 56) h.Masks[3] = Rec.U32(Offset + 52);
    } else {
      h.MasksAfterHeader = 12;
      for (int i = 0; i < 3; ++i) h.Masks[i] = Rec.U32(Offset + 40 + 4 * i);
    }
  }
  return h;
}

// Number of colour-table entries stored after the header.
uint32_t TableEntries(const THeaderFields& h) {
  if (h.Core) return h.BitCount <= 8 ? (1u << h.BitCount) : 0;
  if (h.ColorsUsed != 0) return h.ColorsUsed;
  return h.BitCount <= 8 ? (1u << h.BitCount) : 0;
}

size_t TableBytes(const THeaderFields& h, uint32_t Usage) {
  const size_t entry = Usage == DIB_PAL_COLORS ? 2 : (h.Core ? 3 : 4);
  return static_cast<size_t>(TableEntries(h)) * entry;
}

TDib Build(const TMetafileRecord& Rec, const THeaderFields& h, size_t Offset, uint32_t Usage,
           const TPaletteLookup& Palette, size_t BitsOffset, size_t BitsSize, int Rows) {
  TDib dib;
  if (h.Width <= 0 || h.Height == 0 || h.Width > 0x7FFFFFFF || h.Height < -0x7FFFFFFF ||
      h.Height > 0x7FFFFFFF)
    Rec.Fail(Format("bitmap size %lldx%lld is not valid", static_cast<long long>(h.Width),
                    static_cast<long long>(h.Height)));
  dib.Width = static_cast<int>(h.Width);
  dib.TopDown = h.Height < 0;
  dib.Height = static_cast<int>(h.Height < 0 ? -h.Height : h.Height);
  dib.BitCount = h.BitCount;
  dib.Compression = h.Compression;
  std::copy(std::begin(h.Masks), std::end(h.Masks), std::begin(dib.Masks));

  // The colour table (bounded by the record; entries beyond 256 are never indexed).
  const size_t tableOffset = Offset + h.HeaderSize + h.MasksAfterHeader;
  const uint32_t entries = TableEntries(h);
  Rec.Need(tableOffset, entries, Usage == DIB_PAL_COLORS ? 2 : (h.Core ? 3 : 4),
           "the bitmap colour table");
  const uint32_t used = std::min<uint32_t>(entries, 256);
  dib.Colors.reserve(used);
  for (uint32_t i = 0; i < used; ++i) {
    if (Usage == DIB_PAL_COLORS) {
      const uint16_t index = Rec.U16(tableOffset + 2 * i);
      dib.Colors.push_back(Palette ? Palette(index) : qRgb(0, 0, 0));
    } else {
      const size_t o = tableOffset + i * (h.Core ? 3 : 4);
      dib.Colors.push_back(qRgb(Rec.U8(o + 2), Rec.U8(o + 1), Rec.U8(o)));
    }
  }

  const bool plain = h.Compression == BI_RGB || h.Compression == BI_BITFIELDS;
  const bool rle = (h.Compression == BI_RLE8 && h.BitCount == 8) ||
                   (h.Compression == BI_RLE4 && h.BitCount == 4);
  const bool depthOk = h.BitCount == 1 || h.BitCount == 4 || h.BitCount == 8 || h.BitCount == 16 ||
                       h.BitCount == 24 || h.BitCount == 32;
  if (h.Compression == BI_BITFIELDS && h.BitCount != 16 && h.BitCount != 32)
    Rec.Fail(Format("bit-field bitmap with %d bits per pixel", h.BitCount));
  if (rle && dib.TopDown) Rec.Fail("run-length bitmap stored top-down");
  dib.Supported = depthOk && (plain || rle);

  if (Rows >= 0) dib.Height = std::min(dib.Height, Rows);
  Rec.Need(BitsOffset, BitsSize, 1, "the bitmap bits");
  dib.Bits = Rec.Data() + BitsOffset;
  dib.BitsSize = BitsSize;
  if (dib.Supported && plain) {
    const uint64_t need = static_cast<uint64_t>(dib.Stride()) * static_cast<uint64_t>(dib.Height);
    if (need > BitsSize)
      Rec.Fail(Format("bitmap of %dx%d at %d bits needs %llu bytes of pixels, has %zu", dib.Width,
                      dib.Height, dib.BitCount, static_cast<unsigned long long>(need), BitsSize));
  }
  if (rle && int64_t(dib.Width) * dib.Height > kMaxDibPixels) dib.Supported = false;
  if (dib.Height == 0) dib.Supported = false;
  return dib;
}

// Expands a bit-field channel to eight bits.
struct TChannel {
  int Shift = 0;
  int Bits = 0;
  uint32_t Mask = 0;
  explicit TChannel(uint32_t mask) : Mask(mask) {
    if (!mask) return;
    while (!((mask >> Shift) & 1)) ++Shift;
    while (Bits < 32 - Shift && ((mask >> (Shift + Bits)) & 1)) ++Bits;
  }
  uint32_t Get(uint32_t v) const {
    if (!Bits) return 0;
    const uint32_t x = (v & Mask) >> Shift;
    if (Bits >= 8) return x >> (Bits - 8);
    const uint32_t max = (1u << Bits) - 1;
    return (x * 255 + max / 2) / max;
  }
};

void DecodeRle(const TDib& dib, QImage& image, const std::vector<QRgb>& colors) {
  image.fill(0);
  const uint8_t* p = dib.Bits;
  const uint8_t* end = dib.Bits + dib.BitsSize;
  int x = 0, row = 0;  // row counts from the bottom
  const bool four = dib.Compression == BI_RLE4;
  auto put = [&](int index) {
    if (x < dib.Width && row < dib.Height) {
      const QRgb c = index < static_cast<int>(colors.size()) ? colors[index] : qRgb(0, 0, 0);
      reinterpret_cast<QRgb*>(image.scanLine(dib.Height - 1 - row))[x] = c | 0xFF000000u;
    }
    ++x;
  };
  while (end - p >= 2 && row < dib.Height) {
    const int count = p[0];
    const int value = p[1];
    p += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i) put(four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++row;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta
      if (end - p < 2) break;
      x += p[0];
      row += p[1];
      p += 2;
    } else {  // absolute run of `value` pixels, padded to a word
      const int n = value;
      const int bytes = four ? (n + 1) / 2 : n;
      if (end - p < bytes) break;
      for (int i = 0; i < n; ++i)
        put(four ? ((i & 1) ? (p[i / 2] & 0x0F) : (p[i / 2] >> 4)) : p[i]);
      p += (bytes + 1) & ~1;
    }
  }
}

}  // namespace

QImage TDib::ToImage(bool KeepAlpha, const std::vector<QRgb>* ColorsOverride) const {
  if (!Supported || !Bits) return QImage();
  const std::vector<QRgb>& colors = ColorsOverride ? *ColorsOverride : Colors;
  const bool rle = Compression == BI_RLE8 || Compression == BI_RLE4;
  const bool alpha = KeepAlpha && BitCount == 32;
  QImage image(Width, Height,
               rle ? QImage::Format_ARGB32
                   : (alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32));
  if (image.isNull()) return image;
  if (rle) {
    DecodeRle(*this, image, colors);
    return image;
  }
  const int64_t stride = Stride();
  auto color = [&](int index) -> QRgb {
    return index < static_cast<int>(colors.size()) ? colors[index] : qRgb(0, 0, 0);
  };
  uint32_t masks[4] = {Masks[0], Masks[1], Masks[2], Masks[3]};
  if (Compression != BI_BITFIELDS) {
    if (BitCount == 16) {
      masks[0] = 0x7C00;
      masks[1] = 0x03E0;
      masks[2] = 0x001F;
      masks[3] = 0;
    } else {
      masks[0] = 0xFF0000;
      masks[1] = 0xFF00;
      masks[2] = 0xFF;
      masks[3] = 0xFF000000u;
    }
  }
  const TChannel r(masks[0]), g(masks[1]), b(masks[2]), a(masks[3]);
  for (int y = 0; y < Height; ++y) {
    const int srcRow = TopDown ? y : Height - 1 - y;
    const uint8_t* s = Bits + srcRow * stride;
    QRgb* d = reinterpret_cast<QRgb*>(image.scanLine(y));
    switch (BitCount) {
      case 1:
        for (int x = 0; x < Width; ++x) d[x] = color((s[x >> 3] >> (7 - (x & 7))) & 1);
        break;
      case 4:
        for (int x = 0; x < Width; ++x) d[x] = color((s[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F);
        break;
      case 8:
        for (int x = 0; x < Width; ++x) d[x] = color(s[x]);
        break;
      case 16:
        for (int x = 0; x < Width; ++x) {
          const uint32_t v = GetU16(s + 2 * x);
          d[x] = qRgb(r.Get(v), g.Get(v), b.Get(v));
        }
        break;
      case 24:
        for (int x = 0; x < Width; ++x) d[x] = qRgb(s[3 * x + 2], s[3 * x + 1], s[3 * x]);
        break;
      case 32:
        for (int x = 0; x < Width; ++x) {
          const uint32_t v = GetU32(s + 4 * x);
          if (alpha) {
            // Premultiplied already; clamp colour to alpha so the image stays well formed.
            const uint32_t av = Compression == BI_BITFIELDS && !masks[3] ? 255 : a.Get(v);
            d[x] =
                qRgba(std::min(r.Get(v), av), std::min(g.Get(v), av), std::min(b.Get(v), av), av);
          } else {
            d[x] = qRgb(r.Get(v), g.Get(v), b.Get(v));
          }
        }
        break;
      default:
        break;
    }
  }
  return image;
}

TDib ReadDib(const TMetafileRecord& Rec, size_t InfoOffset, size_t InfoSize, size_t BitsOffset,
             size_t BitsSize, uint32_t Usage, const TPaletteLookup& Palette, int Rows) {
  const THeaderFields h = ReadHeader(Rec, InfoOffset, InfoSize);
  return Build(Rec, h, InfoOffset, Usage, Palette, BitsOffset, BitsSize, Rows);
}

TDib ReadPackedDib(const TMetafileRecord& Rec, size_t Offset, uint32_t Usage,
                   const TPaletteLookup& Palette) {
  const THeaderFields h = ReadHeader(Rec, Offset, 0);
  const uint64_t bitsOffset =
      uint64_t(Offset) + h.HeaderSize + h.MasksAfterHeader + TableBytes(h, Usage);
  if (bitsOffset > Rec.Size()) Rec.Fail("bitmap colour table overflows the record");
  return Build(Rec, h, Offset, Usage, Palette, static_cast<size_t>(bitsOffset),
               Rec.Size() - static_cast<size_t>(bitsOffset), -1);
}

}  // namespace metafile

}  // namespace pictavia
