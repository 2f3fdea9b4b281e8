// Writing a PNG file: the chunks in order, the image data rebuilt from the image memory through
// the inverse of the gamma map it was read with, filtered, deflated and cut into IDAT chunks;
// new pictures from scratch.
#include <algorithm>
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

// The IDAT buffer never grows beyond this, whatever the maximum IDAT size says.
constexpr uint32_t MaxIdatBuffer = 8u << 20;

// The file's samples of Count pixels of image row Y at columns XStart + k x XStep.
void BuildRawRow(TChunkIHDR& H, const std::array<uint8_t, 256>& Inverse, uint32_t Y, size_t XStart,
                 size_t XStep, size_t Count, uint8_t* Out) {
  const int y = static_cast<int>(Y);
  const uint8_t* pix = H.Scanline(y);
  const uint8_t* alpha = H.AlphaScanline(y);
  const uint8_t* low = H.LowByteScanline(y);
  const uint8_t depth = H.BitDepth();
  const uint8_t* inv = Inverse.data();
  switch (H.ColorType()) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE:
      if (depth == 16) {
        for (size_t k = 0; k < Count; ++k) {
          const size_t x = XStart + k * XStep;
          Out[2 * k] = pix[x];
          Out[2 * k + 1] = low[x];
        }
        return;
      }
      {
        const int bpp = H.BitsPerPixel();
        const bool gray2 = H.ColorType() == COLOR_GRAYSCALE && depth == 2;
        const unsigned mask = (1u << depth) - 1;
        std::memset(Out, 0, (Count * depth + 7) / 8);
        for (size_t k = 0; k < Count; ++k) {
          const size_t x = XStart + k * XStep;
          unsigned v;
          switch (bpp) {
            case 1:
              v = (pix[x >> 3] >> (7 - (x & 7))) & 1;
              break;
            case 4:
              v = (pix[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
              break;
            default:
              v = pix[x];
              break;
          }
          if (gray2) v = std::min(3u, (v + 2) / 5);
          v &= mask;
          const size_t bit = k * depth;
          Out[bit >> 3] |= static_cast<uint8_t>(v << (8 - depth - (bit & 7)));
        }
      }
      return;
    case COLOR_RGB:
      for (size_t k = 0; k < Count; ++k) {
        const size_t x = XStart + k * XStep;
        const uint8_t* p = pix + 3 * x;
        if (depth == 8) {
          uint8_t* o = Out + 3 * k;
          o[0] = inv[p[2]];
          o[1] = inv[p[1]];
          o[2] = inv[p[0]];
        } else {
          const uint8_t* l = low + 3 * x;
          uint8_t* o = Out + 6 * k;
          o[0] = inv[p[2]];
          o[1] = inv[l[2]];
          o[2] = inv[p[1]];
          o[3] = inv[l[1]];
          o[4] = inv[p[0]];
          o[5] = inv[l[0]];
        }
      }
      return;
    case COLOR_GRAYSCALEALPHA:
      for (size_t k = 0; k < Count; ++k) {
        const size_t x = XStart + k * XStep;
        if (depth == 8) {
          Out[2 * k] = pix[x];
          Out[2 * k + 1] = alpha[x];
        } else {
          uint8_t* o = Out + 4 * k;
          o[0] = pix[x];
          o[1] = low[x];
          o[2] = alpha[x];
          o[3] = alpha[x];
        }
      }
      return;
    case COLOR_RGBALPHA:
      for (size_t k = 0; k < Count; ++k) {
        const size_t x = XStart + k * XStep;
        const uint8_t* p = pix + 3 * x;
        if (depth == 8) {
          uint8_t* o = Out + 4 * k;
          o[0] = inv[p[2]];
          o[1] = inv[p[1]];
          o[2] = inv[p[0]];
          o[3] = alpha[x];
        } else {
          const uint8_t* l = low + 3 * x;
          uint8_t* o = Out + 8 * k;
          o[0] = inv[p[2]];
          o[1] = inv[l[2]];
          o[2] = inv[p[1]];
          o[3] = inv[l[1]];
          o[4] = inv[p[0]];
          o[5] = inv[l[0]];
          o[6] = alpha[x];
          o[7] = alpha[x];
        }
      }
      return;
    default:
      return;
  }
}

// Deflates into a buffer and writes it out as IDAT chunks whenever it fills.
class TIdatWriter {
 public:
  TIdatWriter(TStream& Stream, int Level, uint32_t MaxChunk)
      : stream_(Stream), buffer_(std::min(MaxChunk, MaxIdatBuffer)) {
    const int r = deflateInit(&zs_, Level);
    if (r != Z_OK) throw EPNGZLIBError(std::string(SPNGZLIBError) + ZLibResultText(r));
    ResetOutput();
  }
  ~TIdatWriter() { deflateEnd(&zs_); }
  TIdatWriter(const TIdatWriter&) = delete;
  TIdatWriter& operator=(const TIdatWriter&) = delete;

  void Put(const uint8_t* Data, size_t Size) { Run(Data, Size, false); }
  void Finish() {
    Run(nullptr, 0, true);
    if (Used() > 0) Emit();
  }

 private:
  size_t Used() const { return buffer_.size() - zs_.avail_out; }
  void ResetOutput() {
    zs_.next_out = buffer_.data();
    zs_.avail_out = static_cast<uInt>(buffer_.size());
  }
  void Run(const uint8_t* Data, size_t Size, bool Finishing) {
    zs_.next_in = const_cast<Bytef*>(Data);
    zs_.avail_in = static_cast<uInt>(Size);
    for (;;) {
      const int r = deflate(&zs_, Finishing ? Z_FINISH : Z_NO_FLUSH);
      if (r == Z_STREAM_ERROR) throw EPNGZLIBError(std::string(SPNGZLIBError) + ZLibResultText(r));
      if (zs_.avail_out == 0) {
        Emit();
        continue;
      }
      if (Finishing ? r == Z_STREAM_END : zs_.avail_in == 0) break;
    }
  }
  void Emit() {
    const uint32_t n = static_cast<uint32_t>(Used());
    uint8_t head[8];
    WriteBigEndian32(head, n);
    std::memcpy(head + 4, "IDAT", 4);
    stream_.WriteBuffer(head, 8);
    stream_.WriteBuffer(buffer_.data(), n);
    uint8_t tail[4];
    WriteBigEndian32(tail, ~UpdateCrc(UpdateCrc(0xFFFFFFFFu, head + 4, 4), buffer_.data(), n));
    stream_.WriteBuffer(tail, 4);
    ResetOutput();
  }

  TStream& stream_;
  std::vector<uint8_t> buffer_;
  z_stream zs_{};
};

// The filter of the set that gives the smallest sum of absolute (signed) bytes.
uint8_t ChooseFilter(TFilters Filters, const uint8_t* Raw, const uint8_t* Prev, size_t RowBytes,
                     size_t Offset, std::vector<uint8_t>& Scratch, uint8_t* Out) {
  int only = -1, count = 0;
  for (int f = 0; f < 5; ++f)
    if (Filters & (1u << f)) {
      only = f;
      ++count;
    }
  if (count == 0) only = pfNone;
  if (count <= 1) {
    FilterRow(static_cast<uint8_t>(only), Raw, Prev, RowBytes, Offset, Out);
    return static_cast<uint8_t>(only);
  }
  uint64_t best = UINT64_MAX;
  uint8_t bestFilter = 0;
  Scratch.resize(RowBytes);
  for (int f = 0; f < 5; ++f) {
    if (!(Filters & (1u << f))) continue;
    FilterRow(static_cast<uint8_t>(f), Raw, Prev, RowBytes, Offset, Scratch.data());
    uint64_t sum = 0;
    for (size_t i = 0; i < RowBytes; ++i) {
      const int v = static_cast<int8_t>(Scratch[i]);
      sum += static_cast<uint64_t>(v < 0 ? -v : v);
    }
    if (sum < best) {
      best = sum;
      bestFilter = static_cast<uint8_t>(f);
      std::memcpy(Out, Scratch.data(), RowBytes);
    }
  }
  return bestFilter;
}

}  // namespace

bool TChunkIDAT::SaveToStream(TStream& Stream) {
  TPNGObject& owner = *Owner();
  TChunkIHDR& h = owner.Header();
  const uint32_t width = h.Width();
  const uint32_t height = h.Height();
  const uint8_t colorType = h.ColorType();
  const uint8_t depth = h.BitDepth();
  const size_t offset = PngFilterOffset(colorType, depth);
  const size_t fullRowBytes = PngRowBytes(colorType, depth, width);

  std::vector<uint8_t> rawA(fullRowBytes), rawB(fullRowBytes), out(fullRowBytes + 1), scratch;
  uint8_t* raw = rawA.data();
  uint8_t* prev = rawB.data();
  TIdatWriter writer(Stream, owner.CompressionLevel(), owner.MaxIdatSize());
  const std::array<uint8_t, 256> inverse = InverseGammaOfRead();

  auto writeRows = [&](uint32_t y0, uint32_t dy, size_t x0, size_t dx, size_t count) {
    const size_t rowBytes = PngRowBytes(colorType, depth, count);
    if (rowBytes == 0) return;
    std::memset(prev, 0, rowBytes);
    for (uint32_t y = y0; y < height; y += dy) {
      BuildRawRow(h, inverse, y, x0, dx, count, raw);
      out[0] = ChooseFilter(owner.Filters(), raw, prev, rowBytes, offset, scratch, out.data() + 1);
      writer.Put(out.data(), rowBytes + 1);
      std::swap(raw, prev);
    }
  };

  if (owner.InterlaceMethod() == imAdam7) {
    static constexpr uint32_t rowStart[7] = {0, 0, 4, 0, 2, 0, 1};
    static constexpr uint32_t colStart[7] = {0, 4, 0, 2, 0, 1, 0};
    static constexpr uint32_t rowStep[7] = {8, 8, 8, 4, 4, 2, 2};
    static constexpr uint32_t colStep[7] = {8, 8, 4, 4, 2, 2, 1};
    for (int pass = 0; pass < 7; ++pass) {
      const uint32_t passWidth = (width + colStep[pass] - colStart[pass] - 1) / colStep[pass];
      writeRows(rowStart[pass], rowStep[pass], colStart[pass], colStep[pass], passWidth);
    }
  } else {
    writeRows(0, 1, 0, 1, width);
  }
  writer.Finish();
  return true;
}

void TPNGObject::SaveToStream(TStream& Stream) {
  Header();  // a picture without a header cannot be written
  Stream.WriteBuffer(PngSignature, sizeof PngSignature);
  for (int i = 0; i < chunkList_.Count(); ++i)
    if (TChunk* chunk = chunkList_.Item(i)) chunk->SaveToStream(Stream);
}

void TPNGObject::CreateBlank(uint8_t ColorType, uint8_t BitDepth, uint32_t Width, uint32_t Height) {
  Clear();
  auto header = std::make_unique<TChunkIHDR>(this);
  header->Setup(Width, Height, BitDepth, ColorType, static_cast<uint8_t>(interlaceMethod_));
  TChunkIHDR& h = *header;
  chunkList_.Add(std::move(header));
  if (h.UsesColorTable() && ColorType != COLOR_PALETTE) h.SetGrayRamp(1 << h.BitsPerPixel());
  if (ColorType == COLOR_PALETTE) {
    auto* plte = static_cast<TChunkPLTE*>(chunkList_.Add(std::make_unique<TChunkPLTE>(this)));
    plte->TakeColorTable();
  }
  chunkList_.Add(std::make_unique<TChunkIDAT>(this));
  chunkList_.Add(std::make_unique<TChunkIEND>(this));
  Changed();
}

void TPNGObject::AssignPixels32(const uint32_t* Bits, int Width, int Height) {
  if (!Bits || Width < 1 || Height < 1) throw EPNGInvalidNewSize(SPNGInvalidNewSize);
  CreateBlank(COLOR_RGBALPHA, 8, static_cast<uint32_t>(Width), static_cast<uint32_t>(Height));
  for (int y = 0; y < Height; ++y) {
    const uint32_t* src = Bits + static_cast<size_t>(y) * static_cast<size_t>(Width);
    uint8_t* p = Scanline(y);
    uint8_t* a = AlphaScanline(y);
    for (int x = 0; x < Width; ++x) {
      const uint32_t c = src[x];
      p[3 * x] = static_cast<uint8_t>(c);
      p[3 * x + 1] = static_cast<uint8_t>(c >> 8);
      p[3 * x + 2] = static_cast<uint8_t>(c >> 16);
      a[x] = static_cast<uint8_t>(c >> 24);
    }
  }
  Changed();
}

}  // namespace pictavia
