// The whole-stream decoder of the image data on its own: it decodes a sound run of IDAT chunks
// (plain and interlaced, split anywhere, empty chunks between) into the same image as the
// streaming decoder, and declines every damaged run without writing a byte of the image, leaving it
// to the streaming decoder that raises what the damage deserves.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "codecs/internal/png_chunk_io.h"
#include "codecs/internal/png_idat.h"
#include "png_test_util.h"

namespace pictavia {

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kWidth = 37, kHeight = 23;
// Signature and the header chunk come before the image data.
constexpr size_t kFirstIdat = 8 + 12 + 13;
constexpr uint8_t kUntouched = 0x5A;

// The filtered rows of a random 8-bit RGBA picture as our writer filters them.
Bytes FilteredRows(TInterlaceMethod Interlace) {
  std::mt19937 rng(Interlace == imNone ? 1 : 2);
  TPNGObject png;
  png.SetInterlaceMethod(Interlace);
  png.CreateBlank(COLOR_RGBALPHA, 8, kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    // Smooth rows with some noise, so every filter gets chosen somewhere.
    for (int x = 0; x < 3 * kWidth; ++x)
      png.Scanline(y)[x] = static_cast<uint8_t>(x * 3 + y * 5 + (y % 3 == 0 ? rng() % 64 : 0));
    for (int x = 0; x < kWidth; ++x) png.AlphaScanline(y)[x] = static_cast<uint8_t>(rng());
  }
  png.SetFilters(AllFilters);
  const Bytes file = pngtest::SaveBytes(png);
  Bytes compressed;
  for (size_t at = 8; at + 12 <= file.size();) {
    const uint32_t length = ReadBigEndian32(&file[at]);
    if (std::memcmp(&file[at + 4], "IDAT", 4) == 0)
      compressed.insert(compressed.end(), file.begin() + static_cast<ptrdiff_t>(at) + 8,
                        file.begin() + static_cast<ptrdiff_t>(at + 8 + length));
    at += 12 + length;
  }
  Bytes rows(size_t{kHeight} * (4 * kWidth + 1) * 2);
  uLongf size = static_cast<uLongf>(rows.size());
  EXPECT_EQ(uncompress(rows.data(), &size, compressed.data(), compressed.size()), Z_OK);
  rows.resize(size);
  return rows;
}

// A file of the picture with Compressed split into IDAT chunks of the given sizes (the rest in
// a last one).
Bytes FileWithRun(TInterlaceMethod Interlace, const Bytes& Compressed,
                  const std::vector<size_t>& Pieces) {
  Bytes file = pngtest::Signature();
  pngtest::AddChunk(file, "IHDR",
                    pngtest::Ihdr(kWidth, kHeight, 8, COLOR_RGBALPHA,
                                  static_cast<uint8_t>(Interlace == imNone ? 0 : 1)));
  size_t at = 0;
  for (size_t piece : Pieces) {
    pngtest::AddChunk(file, "IDAT",
                      Bytes(Compressed.begin() + static_cast<ptrdiff_t>(at),
                            Compressed.begin() + static_cast<ptrdiff_t>(at + piece)));
    at += piece;
  }
  pngtest::AddChunk(file, "IDAT",
                    Bytes(Compressed.begin() + static_cast<ptrdiff_t>(at), Compressed.end()));
  pngtest::AddChunk(file, "IEND", {});
  return file;
}

struct TImage {
  Bytes Pixels, Alpha;
  bool operator==(const TImage&) const = default;
};

// The pixels without the rows' padding, which decoding never writes.
TImage ImageOf(TChunkIHDR& Header) {
  TImage image;
  for (int y = 0; y < kHeight; ++y)
    image.Pixels.insert(image.Pixels.end(), Header.Scanline(y), Header.Scanline(y) + 3 * kWidth);
  image.Alpha.assign(Header.AlphaPlane(), Header.AlphaPlane() + size_t{kWidth} * kHeight);
  return image;
}

// Reads File's header into Png (through a full read of Sound, a file with the same header), sets
// the image memory to kUntouched and runs a decoder of the image data on File's run: the
// whole-stream one (its answer returned, End set to where the stream then stands) or the
// streaming one.
enum TDecoder { dWhole, dStreaming };

bool Decode(TDecoder Decoder, TPNGObject& Png, const Bytes& Sound, const Bytes& File,
            int64_t* End = nullptr) {
  pngtest::LoadBytes(Png, Sound);
  TChunkIHDR& header = Png.Header();
  std::memset(header.PixelRows(), kUntouched, header.RowStride() * header.Height());
  std::memset(header.AlphaPlane(), kUntouched, size_t{kWidth} * kHeight);
  TReadOnlyMemoryStream stream(File.data(), static_cast<int64_t>(File.size()));
  stream.Seek(static_cast<int64_t>(kFirstIdat) + 8, soBeginning);
  const TIdatLayout layout = IdatLayoutOf(header, Png.GammaMap().data());
  const uint32_t length = ReadBigEndian32(&File[kFirstIdat]);
  if (Decoder == dStreaming) {
    DecodeIdatStreaming(stream, ChunkNameOf("IDAT"), length, layout, header);
    return true;
  }
  const bool decoded = DecodeIdatWhole(stream, ChunkNameOf("IDAT"), length, layout, header);
  if (End) *End = stream.Position();
  return decoded;
}

}  // namespace

TEST(PngIdatWhole, DecodesSoundRunsAsTheStreamingDecoderDoes) {
  for (TInterlaceMethod interlace : {imNone, imAdam7}) {
    SCOPED_TRACE(interlace == imNone ? "plain" : "interlaced");
    const Bytes compressed = pngtest::Deflate(FilteredRows(interlace), 9);
    const std::vector<std::vector<size_t>> splits = {
        {}, {1}, {0, 2, 0}, {compressed.size() / 2, 0}, {compressed.size() - 1}, {7, 7, 7, 7}};
    for (const std::vector<size_t>& split : splits) {
      const Bytes file = FileWithRun(interlace, compressed, split);
      TPNGObject streamed;
      Decode(dStreaming, streamed, file, file);
      TPNGObject png;
      int64_t end = 0;
      ASSERT_TRUE(Decode(dWhole, png, file, file, &end)) << split.size() << " splits";
      const TImage image = ImageOf(png.Header());
      EXPECT_TRUE(image == ImageOf(streamed.Header())) << split.size() << " splits";
      // A full read starts from zeroed memory: a pixel neither decoder wrote would differ.
      TPNGObject full;
      pngtest::LoadBytes(full, file);
      EXPECT_TRUE(image == ImageOf(full.Header())) << split.size() << " splits";
      // The stream stands at the chunk after the run: IEND, the file's last 12 bytes.
      EXPECT_EQ(end, static_cast<int64_t>(file.size()) - 12);
    }
  }
}

TEST(PngIdatWhole, DeclinesDamagedRunsWithoutWritingTheImage) {
  const Bytes rows = FilteredRows(imNone);
  const Bytes compressed = pngtest::Deflate(rows);
  const Bytes sound = FileWithRun(imNone, compressed, {compressed.size() / 3});
  const size_t secondIdat = kFirstIdat + 12 + compressed.size() / 3;

  std::vector<std::pair<std::string, Bytes>> damaged;
  Bytes badCrc = sound;
  badCrc[secondIdat - 1] ^= 1;
  damaged.emplace_back("a bad CRC", badCrc);
  Bytes badCheck = compressed;
  badCheck.back() ^= 1;
  damaged.emplace_back("a wrong checksum", FileWithRun(imNone, badCheck, {10}));
  damaged.emplace_back("data ending early",
                       FileWithRun(imNone, Bytes(compressed.begin(), compressed.end() - 9), {10}));
  damaged.emplace_back(
      "one row byte short",
      FileWithRun(imNone, pngtest::Deflate(Bytes(rows.begin(), rows.end() - 1)), {10}));
  Bytes longer = rows;
  longer.insert(longer.end(), 40, 7);
  damaged.emplace_back("data past the rows", FileWithRun(imNone, pngtest::Deflate(longer), {10}));
  damaged.emplace_back(
      "the file cut inside the run",
      Bytes(sound.begin(), sound.begin() + static_cast<ptrdiff_t>(secondIdat + 20)));
  Bytes overlong = sound;
  overlong[secondIdat + 1] = 0x7F;  // the second chunk's length far past the end of the file
  damaged.emplace_back("a chunk running past the end", overlong);

  for (const auto& [what, file] : damaged) {
    TPNGObject png;
    EXPECT_FALSE(Decode(dWhole, png, sound, file)) << what;
    const TImage image = ImageOf(png.Header());
    const TImage untouched{Bytes(image.Pixels.size(), kUntouched),
                           Bytes(image.Alpha.size(), kUntouched)};
    EXPECT_TRUE(image == untouched) << what;
  }
}

}  // namespace pictavia
