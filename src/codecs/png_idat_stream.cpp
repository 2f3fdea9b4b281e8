// The streaming decoder of the image data: zlib inflates the IDAT chunks as they are read, in
// blocks of at most 65,535 bytes and never past the current chunk, into two row buffers. Damaged
// runs go through here, so that what they raise, and the rows they leave decoded, stay as they
// always were.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

#include "codecs/internal/png_chunk_io.h"
#include "codecs/internal/png_idat.h"
#include "codecs/png_messages.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

constexpr size_t InputBlockSize = 65535;

class TIdatStreamDecoder {
 public:
  TIdatStreamDecoder(TStream& Stream, const TChunkName& Type, uint32_t Length) : stream_(Stream) {
    position_ = Stream.Position();
    chunkEnd_ = position_ + Length;
    crc_ = UpdateCrc(0xFFFFFFFFu, reinterpret_cast<const uint8_t*>(Type.data()), 4);
  }
  ~TIdatStreamDecoder() {
    if (zopen_) inflateEnd(&zs_);
  }
  TIdatStreamDecoder(const TIdatStreamDecoder&) = delete;
  TIdatStreamDecoder& operator=(const TIdatStreamDecoder&) = delete;

  void Decode(const TIdatLayout& Layout, TChunkIHDR& Header);

 private:
  size_t Fetch(uint8_t* Out, size_t Count);
  void NextChunk();
  void FinishChunk();

  TStream& stream_;
  z_stream zs_{};
  bool zopen_ = false;
  std::vector<uint8_t> input_;
  int64_t position_ = 0;
  int64_t chunkEnd_ = 0;
  uint32_t crc_ = 0;
};

void TIdatStreamDecoder::NextChunk() {
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
size_t TIdatStreamDecoder::Fetch(uint8_t* Out, size_t Count) {
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
void TIdatStreamDecoder::FinishChunk() {
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

void TIdatStreamDecoder::Decode(const TIdatLayout& Layout, TChunkIHDR& Header) {
  input_.resize(InputBlockSize);
  const int zr = inflateInit(&zs_);
  if (zr != Z_OK) throw EPNGZLIBError(std::string(SPNGZLIBError) + ZLibResultText(zr));
  zopen_ = true;

  size_t widest = 0;
  for (const TPngPass& pass : Layout.Passes) widest = std::max(widest, pass.RowBytes);
  std::vector<uint8_t> bufA(widest + 1), bufB(widest + 1);
  uint8_t* cur = bufA.data();
  uint8_t* prev = bufB.data();
  // A fetch that yields nothing ends the current pass; the next pass goes on.
  for (const TPngPass& pass : Layout.Passes) {
    const size_t rowSize = pass.RowBytes + 1;
    std::memset(prev, 0, rowSize);
    for (uint32_t i = 0; i < pass.Rows; ++i) {
      const size_t got = Fetch(cur, rowSize);
      if (got == 0) break;
      if (got < rowSize) std::memset(cur + got, 0, rowSize - got);
      DecodeRow(Layout, pass, Header, pass.RowStart + i * pass.RowStep, cur, prev + 1);
      std::swap(cur, prev);
      if (got < rowSize) break;
    }
  }

  inflateEnd(&zs_);
  zopen_ = false;
  FinishChunk();
}

}  // namespace

void DecodeIdatStreaming(TStream& Stream, const TChunkName& Type, uint32_t Length,
                         const TIdatLayout& Layout, TChunkIHDR& Header) {
  TIdatStreamDecoder decoder(Stream, Type, Length);
  decoder.Decode(Layout, Header);
}

}  // namespace pictavia
