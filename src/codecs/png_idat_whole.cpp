// The whole-stream decoder of the image data: the IDAT run read chunk by chunk with its CRCs into
// one buffer, inflated by libdeflate in one call into the filtered rows (whose size the header
// gives), then each row unfiltered and converted while it is still in the cache. Anything
// irregular is left to the streaming decoder.
#include <cstring>
#include <memory>
#include <vector>

#include <libdeflate.h>

#include "codecs/internal/png_chunk_io.h"
#include "codecs/internal/png_idat.h"
#include "toolkit/picture_memory.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

// A deflate stream cannot grow more than 1032-fold (a 258-byte copy costs at least two bits), so
// filtered rows beyond that many times the compressed size cannot all be there.
constexpr uint64_t MaxInflateRatio = 1032;

struct TDecompressorDeleter {
  void operator()(libdeflate_decompressor* D) const { libdeflate_free_decompressor(D); }
};

// The data lengths of the run of IDAT chunks that starts with one of FirstLength bytes at Start,
// from the chunk headers alone; false when the file ends inside the run.
bool RunLengths(TStream& Stream, int64_t Start, uint32_t FirstLength,
                std::vector<uint32_t>& Lengths) {
  Lengths.assign(1, FirstLength);
  const int64_t size = Stream.Size();
  int64_t next = Start + FirstLength + 4;
  while (next <= size) {
    uint8_t head[8];
    Stream.Seek(next, soBeginning);
    if (Stream.Read(head, 8) != 8 || std::memcmp(head + 4, "IDAT", 4) != 0) break;
    const uint32_t length = ReadBigEndian32(head);
    Lengths.push_back(length);
    next += 8 + int64_t{length} + 4;
  }
  return next <= size;
}

// Reads the run's data into Out (the stream at the first chunk's data), checking every chunk's
// CRC; the stream then stands after the last chunk.
bool ReadRun(TStream& Stream, const TChunkName& Type, const std::vector<uint32_t>& Lengths,
             uint8_t* Out) {
  for (size_t i = 0; i < Lengths.size(); ++i) {
    uint8_t head[8];
    if (i > 0 && Stream.Read(head, 8) != 8) return false;
    const int64_t length = Lengths[i];
    if (length > 0 && Stream.Read(Out, length) != length) return false;
    uint8_t crcBytes[4];
    if (Stream.Read(crcBytes, 4) != 4) return false;
    uint32_t crc = UpdateCrc(0xFFFFFFFFu, reinterpret_cast<const uint8_t*>(Type.data()), 4);
    crc = ~UpdateCrc(crc, Out, static_cast<size_t>(length));
    if (crc != ReadBigEndian32(crcBytes)) return false;
    Out += length;
  }
  return true;
}

void DecodeRows(const TIdatLayout& Layout, TChunkIHDR& Header, uint8_t* Filtered) {
  size_t widest = 0;
  for (const TPngPass& pass : Layout.Passes) widest = std::max(widest, pass.RowBytes);
  const std::vector<uint8_t> zeros(widest);
  uint8_t* row = Filtered;
  for (const TPngPass& pass : Layout.Passes) {
    const uint8_t* prev = zeros.data();
    for (uint32_t i = 0; i < pass.Rows; ++i) {
      DecodeRow(Layout, pass, Header, pass.RowStart + i * pass.RowStep, row, prev);
      prev = row + 1;
      row += pass.RowBytes + 1;
    }
  }
}

}  // namespace

bool DecodeIdatWhole(TStream& Stream, const TChunkName& Type, uint32_t Length,
                     const TIdatLayout& Layout, TChunkIHDR& Header) {
  const int64_t start = Stream.Position();
  std::vector<uint32_t> lengths;
  if (!RunLengths(Stream, start, Length, lengths)) return false;
  uint64_t total = 0;
  for (uint32_t length : lengths) total += length;
  if (Layout.FilteredSize == 0 || Layout.FilteredSize / MaxInflateRatio > total) return false;

  const std::unique_ptr<uint8_t[]> compressed(new (std::nothrow) uint8_t[total]);
  if (!compressed) return false;
  Stream.Seek(start, soBeginning);
  if (!ReadRun(Stream, Type, lengths, compressed.get())) return false;

  TPictureMemory filtered;
  if (!filtered.Allocate(static_cast<size_t>(Layout.FilteredSize))) return false;
  const std::unique_ptr<libdeflate_decompressor, TDecompressorDeleter> inflater(
      libdeflate_alloc_decompressor());
  if (!inflater) return false;
  // Without a place for the actual size, anything but exactly the rows fails.
  if (libdeflate_zlib_decompress(inflater.get(), compressed.get(), total, filtered.Data(),
                                 filtered.Size(), nullptr) != LIBDEFLATE_SUCCESS)
    return false;
  DecodeRows(Layout, Header, filtered.Data());
  return true;
}

}  // namespace pictavia
