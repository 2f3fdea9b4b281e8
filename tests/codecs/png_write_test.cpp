// Writing PNG files: round trips through our reader and through QImage for every PngSuite kind,
// pictures made from 32-bit pixels, IDAT sizes and the ancillary chunks.
#include <random>

#include <gtest/gtest.h>
#include <QImage>
#include <QRgba64>

#include "codecs/internal/png_chunk_io.h"
#include "codecs/png_object.h"
#include "png_test_util.h"
#include "test_support.h"

namespace pictavia {

namespace {

using namespace pngtest;

// QImage's reading of a file, every channel reduced to its high byte.
std::vector<uint32_t> QtPixels(const std::vector<uint8_t>& bytes) {
  QImage img;
  img.loadFromData(bytes.data(), static_cast<int>(bytes.size()));
  const QImage q = img.convertToFormat(QImage::Format_RGBA64);
  std::vector<uint32_t> out;
  for (int y = 0; y < q.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgba64*>(q.constScanLine(y));
    for (int x = 0; x < q.width(); ++x)
      out.push_back(uint32_t(row[x].alpha() >> 8) << 24 | uint32_t(row[x].red() >> 8) << 16 |
                    uint32_t(row[x].green() >> 8) << 8 | uint32_t(row[x].blue() >> 8));
  }
  return out;
}

void ExpectSameImage(TPNGObject& a, TPNGObject& b) {
  ASSERT_EQ(a.PictureWidth(), b.PictureWidth());
  ASSERT_EQ(a.PictureHeight(), b.PictureHeight());
  const int w = a.PictureWidth();
  for (int y = 0; y < a.PictureHeight(); ++y) {
    for (int x = 0; x < w; ++x) ASSERT_EQ(a.Pixels(x, y), b.Pixels(x, y)) << x << "," << y;
    if (a.AlphaScanline(y)) {
      ASSERT_NE(b.AlphaScanline(y), nullptr);
      ASSERT_EQ(0, std::memcmp(a.AlphaScanline(y), b.AlphaScanline(y), static_cast<size_t>(w)));
    }
    if (a.LowByteScanline(y)) {
      ASSERT_NE(b.LowByteScanline(y), nullptr);
      const size_t n = static_cast<size_t>(w) * (a.Header().BitsPerPixel() / 8);
      ASSERT_EQ(0, std::memcmp(a.LowByteScanline(y), b.LowByteScanline(y), n));
    }
  }
}

TEST(PngWrite, PngSuiteRoundTrips) {
  PICTAVIA_REQUIRE_CORPUS("png/pngsuite");
  int files = 0;
  for (const auto& path : testsupport::FilesIn(testsupport::CorpusDir() / "png/pngsuite", ".png")) {
    const std::string name = path.filename().string();
    if (name[0] == 'x') continue;
    SCOPED_TRACE(name);
    const std::vector<uint8_t> original = testsupport::ReadFileBytes(path);
    TPNGObject png;
    LoadBytes(png, original);
    // Vary the settings from file to file: filter sets, interlacing, compression.
    png.SetFilters(files % 3 == 0   ? AllFilters
                   : files % 3 == 1 ? FilterBit(pfPaeth)
                                    : FilterBit(pfSub));
    png.SetInterlaceMethod(files % 2 ? imAdam7 : imNone);
    png.SetCompressionLevel(files % 10);
    const std::vector<uint8_t> written = SaveBytes(png);
    TPNGObject again;
    ASSERT_EQ(LoadError(again, written), "");
    ExpectSameImage(png, again);
    // Without gamma the written samples are the file's own, so an independent reader agrees.
    if (!png.ChunkList().ItemFromClass<TChunkgAMA>()) {
      const std::vector<uint32_t> a = QtPixels(original), b = QtPixels(written);
      ASSERT_EQ(a.size(), b.size());
      for (size_t i = 0; i < a.size(); ++i) {
        // Our memory keeps the high byte of 16-bit alpha only.
        ASSERT_EQ(a[i], b[i]) << "pixel " << i;
      }
    }
    ++files;
  }
  EXPECT_GT(files, 150);
}

TEST(PngWrite, SamplesReadBeforeALateGammaAreWrittenAsRead) {
  // gAMA after IDAT: the samples were read without the gamma map, so they go back unchanged.
  // With gAMA first they went through the map and come back through its inverse.
  std::vector<uint8_t> gama;
  PutBE32(gama, 100000);
  const std::vector<uint8_t> rgb = {0, 10, 60, 130, 200, 250, 37};
  const std::vector<uint8_t> rgba = {0, 10, 60, 130, 99, 200, 250, 37, 7};
  const std::vector<uint8_t> rgb16 = {0, 10, 1, 60, 2, 130, 3};
  struct Case {
    uint8_t type, depth;
    const std::vector<uint8_t>& raw;
  };
  for (const Case& c :
       {Case{COLOR_RGB, 8, rgb}, Case{COLOR_RGBALPHA, 8, rgba}, Case{COLOR_RGB, 16, rgb16}}) {
    SCOPED_TRACE(std::to_string(c.type) + "/" + std::to_string(c.depth));
    const size_t pixelBytes = (c.type == COLOR_RGB ? 3u : 4u) * c.depth / 8;
    const auto width = static_cast<uint32_t>((c.raw.size() - 1) / pixelBytes);
    for (bool late : {true, false}) {
      SCOPED_TRACE(late ? "gAMA after IDAT" : "gAMA before IDAT");
      std::vector<uint8_t> file = Signature();
      AddChunk(file, "IHDR", Ihdr(width, 1, c.depth, c.type));
      if (!late) AddChunk(file, "gAMA", gama);
      AddChunk(file, "IDAT", Deflate(c.raw));
      if (late) AddChunk(file, "gAMA", gama);
      AddChunk(file, "IEND", {});
      TPNGObject png;
      LoadBytes(png, file);
      png.SetFilters(FilterBit(pfNone));
      const std::vector<uint8_t> written = SaveBytes(png);
      // The rows as written, inflated from the one IDAT chunk.
      size_t at = 8;
      while (std::memcmp(&written[at + 4], "IDAT", 4) != 0)
        at += 12 + ReadBigEndian32(&written[at]);
      const uint32_t length = ReadBigEndian32(&written[at]);
      std::vector<uint8_t> rows(c.raw.size());
      uLongf size = static_cast<uLongf>(rows.size());
      ASSERT_EQ(uncompress(rows.data(), &size, &written[at + 8], length), Z_OK);
      if (late) {
        EXPECT_EQ(rows, c.raw);
      } else {
        EXPECT_NE(rows, c.raw);
        TPNGObject again;
        LoadBytes(again, written);
        ExpectSameImage(png, again);
      }
    }
  }
}

TEST(PngWrite, PicturesFromPixelsReadBackEverywhere) {
  std::mt19937 rng(7);
  const int w = 300, h = 280;
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  for (auto& p : px) p = rng();
  for (TInterlaceMethod interlace : {imNone, imAdam7}) {
    SCOPED_TRACE(interlace);
    TPNGObject png;
    png.SetInterlaceMethod(interlace);
    png.SetMaxIdatSize(100);  // raised to 65535
    EXPECT_EQ(png.MaxIdatSize(), 65535u);
    png.AssignPixels32(px.data(), w, h);
    const std::vector<uint8_t> bytes = SaveBytes(png);
    EXPECT_EQ(QtPixels(bytes), px);

    // Random pixels do not compress: the data takes several IDAT chunks, none above the size.
    int idats = 0;
    for (size_t i = 8; i + 12 <= bytes.size();) {
      const uint32_t len = ReadBigEndian32(&bytes[i]);
      if (std::memcmp(&bytes[i + 4], "IDAT", 4) == 0) {
        ++idats;
        EXPECT_LE(len, 65535u);
      }
      i += 12 + len;
    }
    EXPECT_GT(idats, 3);

    TPNGObject again;
    LoadBytes(again, bytes);
    EXPECT_EQ(again.Header().InterlaceMethod(), interlace == imAdam7 ? 1 : 0);
    Surface s(w, h, 0xFF000000);
    again.DrawInto(s.canvas, Rect(0, 0, w, h));
    const uint32_t p = px[static_cast<size_t>(5 * w + 7)];
    const uint32_t a = p >> 24;
    auto ch = [&](int shift) { return ((((p >> shift) & 0xFF) * a + 255) >> 8) << shift; };
    const uint32_t want = a == 0     ? 0xFF000000u
                          : a == 255 ? (p | 0xFF000000u)
                                     : 0xFF000000u | ch(16) | ch(8) | ch(0);
    EXPECT_EQ(s.At(7, 5), want);
  }
}

TEST(PngWrite, AncillaryChunksAndBlankPictures) {
  std::vector<uint8_t> ztxt = {'N', 0, 0};
  const std::vector<uint8_t> packed = Deflate({'z', 'i', 'p'});
  ztxt.insert(ztxt.end(), packed.begin(), packed.end());
  std::vector<uint8_t> phys;
  PutBE32(phys, 3780);
  PutBE32(phys, 3780);
  phys.push_back(1);
  TPNGObject png;
  LoadBytes(png, MakePng(Ihdr(2, 1, 8, COLOR_GRAYSCALE),
                         {{"tEXt", {'K', 0, 'v'}},
                          {"zTXt", ztxt},
                          {"tIME", {7, 208, 1, 2, 3, 4, 5}},
                          {"pHYs", phys},
                          {"tRNS", {0, 9}}},
                         {0, 9, 10}));
  TPNGObject again;
  LoadBytes(again, SaveBytes(png));
  const TPNGList& list = again.ChunkList();
  EXPECT_EQ(list.ItemFromClass<TChunkzTXt>()->Text(), "zip");
  EXPECT_EQ(list.ItemFromClass<TChunktEXt>()->Text(), "v");
  EXPECT_EQ(list.ItemFromClass<TChunktIME>()->Year(), 2000);
  EXPECT_EQ(list.ItemFromClass<TChunkpHYs>()->PPUnitY(), 3780u);
  EXPECT_EQ(again.KeyColor(), RGBColor(9, 9, 9));

  // Every kind can be made from scratch and written.
  for (const auto& [type, depth] : std::vector<std::pair<uint8_t, uint8_t>>{{0, 1},
                                                                            {0, 2},
                                                                            {0, 4},
                                                                            {0, 8},
                                                                            {0, 16},
                                                                            {2, 8},
                                                                            {2, 16},
                                                                            {3, 1},
                                                                            {3, 2},
                                                                            {3, 4},
                                                                            {3, 8},
                                                                            {4, 8},
                                                                            {4, 16},
                                                                            {6, 8},
                                                                            {6, 16}}) {
    SCOPED_TRACE(std::to_string(type) + "/" + std::to_string(depth));
    TPNGObject blank;
    blank.CreateBlank(type, depth, 5, 3);
    blank.SetPixels(4, 2, RGBColor(255, 255, 255));
    TPNGObject back;
    ASSERT_EQ(LoadError(back, SaveBytes(blank)), "");
    ExpectSameImage(blank, back);
  }
  EXPECT_THROW(png.CreateBlank(COLOR_RGB, 4, 1, 1), EPngInvalidIHDR);
  TPNGObject empty;
  TMemoryStream out;
  EXPECT_THROW(empty.SaveToStream(out), EPNGHeaderNotPresent);
}

}  // namespace

}  // namespace pictavia
