// Reading a PNG file: the chunk loop of TPNGObject::LoadFromStream and the decoding of the image
// data (inflate across IDAT chunks, row filters, Adam7, conversion into the image memory).
#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include <zlib.h>

#include "codecs/internal/png_chunk_io.h"
#include "codecs/internal/png_filters.h"
#include "codecs/png_chunks.h"
#include "codecs/png_messages.h"
#include "codecs/png_object.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

constexpr size_t InputBlockSize = 65535;

// --- converting one row of samples into the image memory ---------------------------------------
// Each byte-aligned kind puts one source pixel into its place in the pixel row, the alpha row and
// the low-byte row. Colour samples go through the gamma map G (skipped when it is the identity).

struct KindGray16 {
  static constexpr size_t Src = 2, Dst = 1;
  template <bool Map>
  static void Put(const uint8_t* s, uint8_t* p, uint8_t*, uint8_t* l, const uint8_t*) {
    p[0] = s[0];
    l[0] = s[1];
  }
};

struct KindRGB8 {
  static constexpr size_t Src = 3, Dst = 3;
  template <bool Map>
  static void Put(const uint8_t* s, uint8_t* p, uint8_t*, uint8_t*, const uint8_t* g) {
    p[0] = Map ? g[s[2]] : s[2];
    p[1] = Map ? g[s[1]] : s[1];
    p[2] = Map ? g[s[0]] : s[0];
  }
};

struct KindRGB16 {
  static constexpr size_t Src = 6, Dst = 3;
  template <bool Map>
  static void Put(const uint8_t* s, uint8_t* p, uint8_t*, uint8_t* l, const uint8_t* g) {
    p[0] = Map ? g[s[4]] : s[4];
    p[1] = Map ? g[s[2]] : s[2];
    p[2] = Map ? g[s[0]] : s[0];
    l[0] = Map ? g[s[5]] : s[5];
    l[1] = Map ? g[s[3]] : s[3];
    l[2] = Map ? g[s[1]] : s[1];
  }
};

struct KindGrayAlpha8 {
  static constexpr size_t Src = 2, Dst = 1;
  template <bool Map>
  static void Put(const uint8_t* s, uint8_t* p, uint8_t* a, uint8_t*, const uint8_t*) {
    p[0] = s[0];
    a[0] = s[1];
  }
};

struct KindGrayAlpha16 {
  static constexpr size_t Src = 4, Dst = 1;
  template <bool Map>
  static void Put(const uint8_t* s, uint8_t* p, uint8_t* a, uint8_t* l, const uint8_t*) {
    p[0] = s[0];
    l[0] = s[1];
    a[0] = s[2];
  }
};

struct KindRGBA8 {
  static constexpr size_t Src = 4, Dst = 3;
  template <bool Map>
  static void Put(const uint8_t* s, uint8_t* p, uint8_t* a, uint8_t*, const uint8_t* g) {
    p[0] = Map ? g[s[2]] : s[2];
    p[1] = Map ? g[s[1]] : s[1];
    p[2] = Map ? g[s[0]] : s[0];
    a[0] = s[3];
  }
};

struct KindRGBA16 {
  static constexpr size_t Src = 8, Dst = 3;
  template <bool Map>
  static void Put(const uint8_t* s, uint8_t* p, uint8_t* a, uint8_t* l, const uint8_t* g) {
    p[0] = Map ? g[s[4]] : s[4];
    p[1] = Map ? g[s[2]] : s[2];
    p[2] = Map ? g[s[0]] : s[0];
    l[0] = Map ? g[s[5]] : s[5];
    l[1] = Map ? g[s[3]] : s[3];
    l[2] = Map ? g[s[1]] : s[1];
    a[0] = s[6];
  }
};

// Where a decoded row goes: pixel row, alpha row and low-byte row of one image row.
struct TRowTarget {
  uint8_t* Pixels;
  uint8_t* Alpha;
  uint8_t* Low;
};

using TConvertFn = void (*)(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                            const TRowTarget& To, const uint8_t* Gamma);

template <class K, bool Map>
void ConvertAligned(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                    const TRowTarget& To, const uint8_t* Gamma) {
  if (XStep == 1) {
    uint8_t* p = To.Pixels + XStart * K::Dst;
    uint8_t* a = To.Alpha ? To.Alpha + XStart : nullptr;
    uint8_t* l = To.Low ? To.Low + XStart * K::Dst : nullptr;
    for (size_t k = 0; k < Count; ++k) {
      K::template Put<Map>(Src, p, a, l, Gamma);
      Src += K::Src;
      p += K::Dst;
      if (a) ++a;
      if (l) l += K::Dst;
    }
    return;
  }
  for (size_t k = 0; k < Count; ++k) {
    const size_t x = XStart + k * XStep;
    K::template Put<Map>(Src + k * K::Src, To.Pixels + x * K::Dst,
                         To.Alpha ? To.Alpha + x : nullptr, To.Low ? To.Low + x * K::Dst : nullptr,
                         Gamma);
  }
}

// 8-bit RGBA without gamma, a whole row (the common clip-art case): four pixels at a time as
// words, colour bytes reversed into place and the four alphas gathered into one word.
void ConvertRGBA8Row(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                     const TRowTarget& To, const uint8_t* Gamma) {
  if (XStep != 1 || XStart != 0 || std::endian::native != std::endian::little) {
    ConvertAligned<KindRGBA8, false>(Src, Count, XStart, XStep, To, Gamma);
    return;
  }
  uint8_t* p = To.Pixels;
  uint8_t* a = To.Alpha;
  size_t k = 0;
  for (; k + 4 <= Count; k += 4, Src += 16, p += 12, a += 4) {
    uint32_t v[4];
    std::memcpy(v, Src, 16);
    // Bytes R, G, B, A of a pixel reversed are A, B, G, R; dropping A leaves B, G, R.
    const uint32_t c0 = __builtin_bswap32(v[0]) >> 8, c1 = __builtin_bswap32(v[1]) >> 8;
    const uint32_t c2 = __builtin_bswap32(v[2]) >> 8, c3 = __builtin_bswap32(v[3]) >> 8;
    const uint32_t out[3] = {c0 | (c1 << 24), (c1 >> 8) | (c2 << 16), (c2 >> 16) | (c3 << 8)};
    std::memcpy(p, out, 12);
    const uint32_t alpha =
        (v[0] >> 24) | ((v[1] >> 24) << 8) | ((v[2] >> 24) << 16) | ((v[3] >> 24) << 24);
    std::memcpy(a, &alpha, 4);
  }
  const TRowTarget rest{p, a, nullptr};
  ConvertAligned<KindRGBA8, false>(Src, Count - k, 0, 1, rest, Gamma);
}

// Palette and gray samples of 1, 2, 4 or 8 bits: stored as indices of 1, 4, 4 or 8 bits. A 2-bit
// palette index keeps its value; a 2-bit gray sample s becomes index 5 x s, whose entry in the
// 16-entry ramp is the gray the file means.
template <int Depth, bool Gray2>
void ConvertPacked(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                   const TRowTarget& To, const uint8_t*) {
  constexpr int OutBits = Depth == 2 ? 4 : Depth;
  constexpr unsigned Mask = (1u << Depth) - 1;
  uint8_t* out = To.Pixels;
  if (XStep == 1 && XStart == 0 && Depth != 2) {
    std::memcpy(out, Src, (Count * Depth + 7) / 8);
    return;
  }
  for (size_t k = 0; k < Count; ++k) {
    const size_t bit = k * Depth;
    unsigned v = (Src[bit >> 3] >> (8 - Depth - (bit & 7))) & Mask;
    if (Gray2) v *= 5;
    const size_t x = XStart + k * XStep;
    const size_t outBit = x * OutBits;
    // The rows start zeroed, so each index is OR-ed into its bit position.
    out[outBit >> 3] |= static_cast<uint8_t>(v << (8 - OutBits - (outBit & 7)));
  }
}

// Widening a whole row of 2-bit samples: one source byte (four samples) gives two bytes.
template <bool Gray2>
void ConvertTwoBitRow(const uint8_t* Src, size_t Count, size_t XStart, size_t XStep,
                      const TRowTarget& To, const uint8_t* Gamma) {
  if (XStep != 1 || XStart != 0) {
    ConvertPacked<2, Gray2>(Src, Count, XStart, XStep, To, Gamma);
    return;
  }
  static const auto table = [] {
    std::array<uint16_t, 256> t{};
    for (unsigned b = 0; b < 256; ++b) {
      unsigned out = 0;
      for (int k = 0; k < 4; ++k) {
        unsigned v = (b >> (6 - 2 * k)) & 3;
        if (Gray2) v *= 5;
        out |= v << (12 - 4 * k);
      }
      // Stored big-end first: high byte is the first two pixels.
      t[b] = static_cast<uint16_t>(out);
    }
    return t;
  }();
  const size_t full = Count / 4;
  uint8_t* out = To.Pixels;
  for (size_t i = 0; i < full; ++i) {
    const uint16_t w = table[Src[i]];
    out[2 * i] = static_cast<uint8_t>(w >> 8);
    out[2 * i + 1] = static_cast<uint8_t>(w);
  }
  // The last source byte may hold 1 to 3 pixels; its padding bits are not copied.
  const size_t rest = Count - full * 4;
  if (rest) {
    const uint16_t w = table[Src[full]];
    out[2 * full] = static_cast<uint8_t>((w >> 8) & (rest == 1 ? 0xF0 : 0xFF));
    if (rest == 3) out[2 * full + 1] = static_cast<uint8_t>(w & 0xF0);
  }
}

TConvertFn ChooseConverter(uint8_t ColorType, uint8_t Depth, bool MapGamma) {
  switch (ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE: {
      const bool gray = ColorType == COLOR_GRAYSCALE;
      switch (Depth) {
        case 1:
          return ConvertPacked<1, false>;
        case 2:
          return gray ? ConvertTwoBitRow<true> : ConvertTwoBitRow<false>;
        case 4:
          return ConvertPacked<4, false>;
        case 8:
          return ConvertPacked<8, false>;
        case 16:
          return ConvertAligned<KindGray16, false>;
        default:
          return nullptr;
      }
    }
    case COLOR_RGB:
      if (Depth == 8)
        return MapGamma ? ConvertAligned<KindRGB8, true> : ConvertAligned<KindRGB8, false>;
      return MapGamma ? ConvertAligned<KindRGB16, true> : ConvertAligned<KindRGB16, false>;
    case COLOR_GRAYSCALEALPHA:
      return Depth == 8 ? ConvertAligned<KindGrayAlpha8, false>
                        : ConvertAligned<KindGrayAlpha16, false>;
    case COLOR_RGBALPHA:
      if (Depth == 8) return MapGamma ? ConvertAligned<KindRGBA8, true> : ConvertRGBA8Row;
      return MapGamma ? ConvertAligned<KindRGBA16, true> : ConvertAligned<KindRGBA16, false>;
    default:
      return nullptr;
  }
}

// --- the decoder ---------------------------------------------------------------------------------

class TIdatDecoder {
 public:
  TIdatDecoder(TStream& Stream, TPNGObject& Owner, TChunkIHDR& Header, const TChunkName& Type,
               uint32_t Length)
      : stream_(Stream), owner_(Owner), header_(Header) {
    position_ = Stream.Position();
    chunkEnd_ = position_ + Length;
    crc_ = UpdateCrc(0xFFFFFFFFu, reinterpret_cast<const uint8_t*>(Type.data()), 4);
  }
  ~TIdatDecoder() {
    if (zopen_) inflateEnd(&zs_);
  }
  TIdatDecoder(const TIdatDecoder&) = delete;
  TIdatDecoder& operator=(const TIdatDecoder&) = delete;

  void Decode();

 private:
  size_t Fetch(uint8_t* Out, size_t Count);
  void NextChunk();
  void FinishChunk();
  TRowTarget Target(uint32_t Y);

  TStream& stream_;
  TPNGObject& owner_;
  TChunkIHDR& header_;
  z_stream zs_{};
  bool zopen_ = false;
  std::vector<uint8_t> input_;
  int64_t position_ = 0;
  int64_t chunkEnd_ = 0;
  uint32_t crc_ = 0;
};

TRowTarget TIdatDecoder::Target(uint32_t Y) {
  const int y = static_cast<int>(Y);
  return TRowTarget{header_.Scanline(y), header_.AlphaScanline(y), header_.LowByteScanline(y)};
}

void TIdatDecoder::NextChunk() {
  uint8_t crcBytes[4];
  if (stream_.Read(crcBytes, 4) != 4 || ReadBigEndian32(crcBytes) != ~crc_)
    throw EPngInvalidCRC(SPngInvalidCRC);
  uint8_t head[8];
  const int64_t got = stream_.Read(head, 8);
  position_ += 4 + std::max<int64_t>(got, 0);
  if (got != 8) throw EPngUnexpectedEnd(SPngUnexpectedEnd);
  if (std::memcmp(head + 4, "IDAT", 4) != 0) throw EPNGMissingMultipleIDAT(SPNGMissingMultipleIDAT);
  crc_ = UpdateCrc(0xFFFFFFFFu, head + 4, 4);
  chunkEnd_ = position_ + ReadBigEndian32(head);
}

// Fetches Count decompressed bytes into Out; returns how many could be had before the input ran
// out.
size_t TIdatDecoder::Fetch(uint8_t* Out, size_t Count) {
  zs_.next_out = Out;
  zs_.avail_out = static_cast<uInt>(Count);
  while (zs_.avail_out > 0) {
    // An empty IDAT chunk inside the run is legal: move on until one holds data.
    while (zs_.avail_in == 0 && position_ >= chunkEnd_) NextChunk();
    if (zs_.avail_in == 0) {
      const int64_t want = std::min<int64_t>(chunkEnd_ - position_, InputBlockSize);
      const int64_t got = stream_.Read(input_.data(), want);
      if (got <= 0) break;
      position_ += got;
      crc_ = UpdateCrc(crc_, input_.data(), static_cast<size_t>(got));
      zs_.next_in = input_.data();
      zs_.avail_in = static_cast<uInt>(got);
    }
    const int r = inflate(&zs_, Z_NO_FLUSH);
    // A preset dictionary is not allowed in image data, and inflate would make no progress.
    if (r < 0 || r == Z_NEED_DICT)
      throw EPNGZLIBError(std::string(SPNGZLIBError) + ZLibResultText(r));
    // The compressed data ended while rows are still missing: nothing more will come.
    if (r == Z_STREAM_END && zs_.avail_out > 0)
      throw EPNGMissingMultipleIDAT(SPNGMissingMultipleIDAT);
  }
  return Count - zs_.avail_out;
}

// After the rows: the rest of the current IDAT chunk still counts towards its CRC, which must
// follow it.
void TIdatDecoder::FinishChunk() {
  while (position_ < chunkEnd_) {
    const int64_t want = std::min<int64_t>(chunkEnd_ - position_, InputBlockSize);
    const int64_t got = stream_.Read(input_.data(), want);
    if (got <= 0) break;
    position_ += got;
    crc_ = UpdateCrc(crc_, input_.data(), static_cast<size_t>(got));
  }
  uint8_t crcBytes[4];
  if (stream_.Read(crcBytes, 4) != 4 || ReadBigEndian32(crcBytes) != ~crc_)
    throw EPngInvalidCRC(SPngInvalidCRC);
}

void TIdatDecoder::Decode() {
  const uint8_t colorType = header_.ColorType();
  const uint8_t depth = header_.BitDepth();
  const uint32_t width = header_.Width();
  const uint32_t height = header_.Height();
  if (!header_.PixelRows()) throw EPngInvalidIHDR(SPngInvalidIHDR);
  if (colorType == COLOR_PALETTE && !owner_.ChunkList().ItemFromClass<TChunkPLTE>())
    throw EPNGInvalidPalette(SPNGInvalidPalette);
  // A gAMA chunk read after the header reaches gray images through their ramp.
  if (header_.UsesColorTable() &&
      (colorType == COLOR_GRAYSCALE || colorType == COLOR_GRAYSCALEALPHA))
    header_.SetGrayRamp(1 << header_.BitsPerPixel());

  const auto& gamma = owner_.GammaMap();
  bool identity = true;
  for (int i = 0; i < 256 && identity; ++i) identity = gamma[static_cast<size_t>(i)] == i;
  const TConvertFn convert = ChooseConverter(colorType, depth, !identity);
  if (!convert) throw EPngInvalidIHDR(SPngInvalidIHDR);
  const size_t offset = PngFilterOffset(colorType, depth);

  input_.resize(InputBlockSize);
  const int zr = inflateInit(&zs_);
  if (zr != Z_OK) throw EPNGZLIBError(std::string(SPNGZLIBError) + ZLibResultText(zr));
  zopen_ = true;

  const size_t fullRowBytes = PngRowBytes(colorType, depth, width);
  std::vector<uint8_t> bufA(fullRowBytes + 1), bufB(fullRowBytes + 1);
  uint8_t* cur = bufA.data();
  uint8_t* prev = bufB.data();

  if (header_.InterlaceMethod() == 0) {
    for (uint32_t y = 0; y < height; ++y) {
      const size_t got = Fetch(cur, fullRowBytes + 1);
      if (got == 0) break;
      if (got < fullRowBytes + 1) std::memset(cur + got, 0, fullRowBytes + 1 - got);
      UnfilterRow(cur[0], cur + 1, prev + 1, fullRowBytes, offset);
      convert(cur + 1, width, 0, 1, Target(y), gamma.data());
      std::swap(cur, prev);
      if (got < fullRowBytes + 1) break;
    }
  } else {
    static constexpr uint32_t rowStart[7] = {0, 0, 4, 0, 2, 0, 1};
    static constexpr uint32_t colStart[7] = {0, 4, 0, 2, 0, 1, 0};
    static constexpr uint32_t rowStep[7] = {8, 8, 8, 4, 4, 2, 2};
    static constexpr uint32_t colStep[7] = {8, 8, 4, 4, 2, 2, 1};
    for (int pass = 0; pass < 7; ++pass) {
      if (width <= colStart[pass]) continue;
      const uint32_t passWidth = (width + colStep[pass] - colStart[pass] - 1) / colStep[pass];
      const size_t rowBytes = PngRowBytes(colorType, depth, passWidth);
      if (rowBytes == 0) continue;
      std::memset(prev, 0, rowBytes + 1);
      for (uint32_t y = rowStart[pass]; y < height; y += rowStep[pass]) {
        const size_t got = Fetch(cur, rowBytes + 1);
        if (got == 0) break;
        if (got < rowBytes + 1) std::memset(cur + got, 0, rowBytes + 1 - got);
        UnfilterRow(cur[0], cur + 1, prev + 1, rowBytes, offset);
        convert(cur + 1, passWidth, colStart[pass], colStep[pass], Target(y), gamma.data());
        std::swap(cur, prev);
        if (got < rowBytes + 1) break;
      }
    }
  }

  inflateEnd(&zs_);
  zopen_ = false;
  FinishChunk();
}

}  // namespace

bool TChunkIDAT::LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length) {
  TPNGObject& owner = *Owner();
  TIdatDecoder decoder(Stream, owner, owner.Header(), Type, Length);
  decoder.Decode();
  return true;
}

// ---------------------------------------------------------------------------------------------
// The chunk loop

void TPNGObject::LoadFromStream(TStream& Stream) {
  Clear();
  uint8_t signature[8];
  if (Stream.Read(signature, 8) != 8 || std::memcmp(signature, PngSignature, 8) != 0)
    throw EPNGInvalidFileHeader(SPNGInvalidFileHeader);

  static const TChunkName IHDR = ChunkNameOf("IHDR");
  static const TChunkName IDAT = ChunkNameOf("IDAT");
  static const TChunkName IEND = ChunkNameOf("IEND");
  static const TChunkName cHRM = ChunkNameOf("cHRM");

  chunkList_.SetCount(10);
  int n = 0;
  bool hasImageData = false;
  for (;;) {
    ++n;
    if (n > chunkList_.Count()) chunkList_.SetCount(chunkList_.Count() + 10);

    uint8_t head[8];
    const int64_t gotLength = Stream.Read(head, 4);
    if (gotLength != 4) {
      chunkList_.SetCount(n - 1);
      throw EPngUnexpectedEnd(SPngUnexpectedEnd);
    }
    if (Stream.Read(head + 4, 4) != 4) {
      chunkList_.SetCount(n - 1);
      throw EPngUnexpectedEnd(SPngUnexpectedEnd);
    }
    const uint32_t length = ReadBigEndian32(head);
    TChunkName type;
    std::memcpy(type.data(), head + 4, 4);

    if (n == 1 && type != IHDR) {
      chunkList_.SetCount(n - 1);
      throw EPNGIHDRNotFirst(SPNGIHDRNotFirst);
    }
    // Chromaticities are never kept; image data after the decoded run is dropped.
    if ((hasImageData && type == IDAT) || type == cHRM) {
      --n;
      Stream.Seek(static_cast<int64_t>(length) + 4, soCurrent);
      continue;
    }

    std::unique_ptr<TChunk> created = CreateChunk(this, type);
    TChunk* chunk = created.get();
    const bool generic = std::strcmp(chunk->ClassName(), "TChunk") == 0;
    chunkList_.SetItem(n - 1, std::move(created));
    if (generic && !(static_cast<uint8_t>(type[0]) & 0x20)) {
      chunkList_.SetCount(n);
      throw EPNGUnknownCriticalChunk(SPNGUnknownCriticalChunk);
    }

    bool ok = false;
    try {
      ok = chunk->LoadFromStream(Stream, type, length);
    } catch (...) {
      chunkList_.SetCount(n);
      throw;
    }
    if (type == IDAT) hasImageData = true;
    if (!ok || type == IEND) break;
  }
  chunkList_.SetCount(n);
  if (!hasImageData) throw EPNGNoImageData(SPNGNoImageData);
  Changed();
}

}  // namespace pictavia
