// Reading hand-made PNG files: the chunk loop's rules, every failure with its exception and
// message, the image memory layout, IDAT runs, gamma, text chunks and the oversize guard.
#include <gtest/gtest.h>

#include "codecs/codecs.h"
#include "codecs/internal/png_chunk_io.h"
#include "codecs/png_object.h"
#include "png_test_util.h"
#include "test_support.h"
#include "toolkit/picture.h"

namespace pictavia {

namespace {

using namespace pngtest;
using Chunks = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

// A 2 x 2 8-bit gray picture whose rows are filtered with `filter`.
std::vector<uint8_t> Gray2x2(const Chunks& before = {}, uint8_t filter = 0) {
  return MakePng(Ihdr(2, 2, 8, COLOR_GRAYSCALE), before, {filter, 10, 20, filter, 30, 40});
}

TEST(PngRead, SignatureAndChunkOrderFailures) {
  TPNGObject png;
  std::string msg;
  EXPECT_EQ(LoadError(png, {}, &msg), "EPNGInvalidFileHeader");
  EXPECT_EQ(msg, SPNGInvalidFileHeader);
  std::vector<uint8_t> bytes = Gray2x2();
  bytes[1] = 'p';
  EXPECT_EQ(LoadError(png, bytes), "EPNGInvalidFileHeader");

  EXPECT_EQ(LoadError(png, Signature(), &msg), "EPngUnexpectedEnd");
  EXPECT_EQ(msg, SPngUnexpectedEnd);
  EXPECT_TRUE(png.Empty());

  std::vector<uint8_t> f = Signature();
  AddChunk(f, "tEXt", {'a', 0, 'b'});
  EXPECT_EQ(LoadError(png, f, &msg), "EPNGIHDRNotFirst");
  EXPECT_EQ(msg,
            std::string("This \"Portable Network Graphics\" image is not supported or it might "
                        "be invalid.\r\n(IHDR chunk is not the first)"));
  EXPECT_TRUE(png.Empty());

  f = Signature();
  AddChunk(f, "IHDR", Ihdr(2, 2, 8, 0));
  AddChunk(f, "IEND", {});
  EXPECT_EQ(LoadError(png, f, &msg), "EPNGNoImageData");
  EXPECT_EQ(msg, SPNGNoImageData);
}

TEST(PngRead, HeaderChecks) {
  TPNGObject png;
  auto withHeader = [](const std::vector<uint8_t>& ihdr) {
    std::vector<uint8_t> f = Signature();
    AddChunk(f, "IHDR", ihdr);
    AddChunk(f, "IDAT", Deflate({0, 0}));
    AddChunk(f, "IEND", {});
    return f;
  };
  std::string msg;
  std::vector<uint8_t> shortHeader = Ihdr(1, 1, 8, 0);
  shortHeader.pop_back();
  EXPECT_EQ(LoadError(png, withHeader(shortHeader), &msg), "EPngInvalidIHDR");
  EXPECT_EQ(msg, SPngInvalidIHDR);
  EXPECT_EQ(LoadError(png, withHeader(Ihdr(65536, 1, 1, 0)), &msg), "EPNGSizeExceeds");
  EXPECT_EQ(msg, SPNGSizeExceeds);
  EXPECT_EQ(LoadError(png, withHeader(Ihdr(1, 65536, 1, 0))), "EPNGSizeExceeds");
  std::vector<uint8_t> h = Ihdr(1, 1, 8, 0);
  h[10] = 1;
  EXPECT_EQ(LoadError(png, withHeader(h), &msg), "EPNGUnknownCompression");
  EXPECT_EQ(msg, SPNGUnknownCompression);
  EXPECT_EQ(LoadError(png, withHeader(Ihdr(1, 1, 8, 0, 2)), &msg), "EPNGUnknownInterlace");
  EXPECT_EQ(msg, SPNGUnknownInterlace);
  // Kinds without a row conversion and empty sizes are refused at the header.
  EXPECT_EQ(LoadError(png, withHeader(Ihdr(1, 1, 4, COLOR_RGB))), "EPngInvalidIHDR");
  EXPECT_EQ(LoadError(png, withHeader(Ihdr(1, 1, 16, COLOR_PALETTE))), "EPngInvalidIHDR");
  EXPECT_EQ(LoadError(png, withHeader(Ihdr(1, 1, 8, 5))), "EPngInvalidIHDR");
  EXPECT_EQ(LoadError(png, withHeader(Ihdr(0, 1, 8, 0))), "EPngInvalidIHDR");
  // The header stays in the list after a failure, with its size.
  EXPECT_EQ(LoadError(png, withHeader(Ihdr(7, 9, 4, COLOR_RGB))), "EPngInvalidIHDR");
  EXPECT_EQ(png.PictureWidth(), 7);
  EXPECT_EQ(png.PictureHeight(), 9);
}

// 65535 x 65535 passes the size check but would need gigabytes: refused before allocating.
TEST(PngRead, HugeHeaderIsRefusedBeforeAllocating) {
  TPNGObject png;
  std::string msg;
  std::vector<uint8_t> f = Signature();
  AddChunk(f, "IHDR", Ihdr(65535, 65535, 16, COLOR_RGBALPHA));
  AddChunk(f, "IDAT", Deflate({0}));
  EXPECT_EQ(LoadError(png, f, &msg), "EPNGOutMemory");
  EXPECT_EQ(msg, SPNGOutMemory);
  // The widest picture the format allows is fine when it is small overall.
  f = Signature();
  AddChunk(f, "IHDR", Ihdr(65535, 1, 1, COLOR_GRAYSCALE));
  std::vector<uint8_t> row((65535 + 7) / 8 + 1, 0xFF);
  row[0] = 0;
  AddChunk(f, "IDAT", Deflate(row));
  AddChunk(f, "IEND", {});
  ASSERT_EQ(LoadError(png, f), "");
  EXPECT_EQ(png.PictureWidth(), 65535);
}

TEST(PngRead, UnknownChunksAndSkippedOnes) {
  TPNGObject png;
  LoadBytes(png, Gray2x2({{"cHRM", std::vector<uint8_t>(32, 1)}, {"prVt", {1, 2, 3}}}));
  ASSERT_EQ(png.ChunkList().Count(), 4);  // IHDR, prVt, IDAT, IEND
  const TChunk* kept = png.ChunkList().Item(1);
  EXPECT_STREQ(kept->ClassName(), "TChunk");
  EXPECT_EQ(kept->Name(), "prVt");
  ASSERT_EQ(kept->DataSize(), 3u);
  EXPECT_EQ(kept->ChunkData()[2], 3);
  EXPECT_EQ(png.ChunkList().Item(4), nullptr);

  std::string msg;
  EXPECT_EQ(LoadError(png, Gray2x2({{"PRVT", {1}}}), &msg), "EPNGUnknownCriticalChunk");
  EXPECT_EQ(msg, SPNGUnknownCriticalChunk);
  EXPECT_EQ(png.ChunkList().Count(), 2);
  EXPECT_EQ(png.PictureWidth(), 2);

  // A bad CRC, and a chunk that claims more bytes than the file has left.
  std::vector<uint8_t> f = Signature();
  AddChunk(f, "IHDR", Ihdr(2, 2, 8, 0));
  AddChunk(f, "tEXt", {'k', 0, 'v'}, true);
  EXPECT_EQ(LoadError(png, f, &msg), "EPngInvalidCRC");
  EXPECT_EQ(msg, SPngInvalidCRC);
  f = Signature();
  AddChunk(f, "IHDR", Ihdr(2, 2, 8, 0));
  PutBE32(f, 0x7FFFFFF0);
  f.insert(f.end(), {'t', 'E', 'X', 't', 1, 2, 3});
  EXPECT_EQ(LoadError(png, f), "EPngUnexpectedEnd");
}

TEST(PngRead, ImageDataAcrossSeveralChunks) {
  const std::vector<uint8_t> raw = {0, 10, 20, 1, 30, 40};
  const std::vector<uint8_t> z = Deflate(raw);
  auto split = [&](bool badMiddleCrc, bool trailing) {
    std::vector<uint8_t> f = Signature();
    AddChunk(f, "IHDR", Ihdr(2, 2, 8, 0));
    AddChunk(f, "IDAT", {z.begin(), z.begin() + 3});
    AddChunk(f, "IDAT", {}, false);
    AddChunk(f, "IDAT", {z.begin() + 3, z.begin() + 5}, badMiddleCrc);
    AddChunk(f, "IDAT", {z.begin() + 5, z.end()});
    if (trailing) {
      AddChunk(f, "tEXt", {'a', 0, 'b'});
      AddChunk(f, "IDAT", {0xDE, 0xAD}, true);  // after the run: dropped unread
    }
    AddChunk(f, "IEND", {});
    return f;
  };
  TPNGObject png;
  ASSERT_EQ(LoadError(png, split(false, true)), "");
  EXPECT_EQ(png.Scanline(0)[1], 20);
  EXPECT_EQ(png.Scanline(1)[0], 30);
  EXPECT_EQ(png.Scanline(1)[1], 70);  // Sub filter: 40 + 30
  int idats = 0;
  for (int i = 0; i < png.ChunkList().Count(); ++i)
    if (png.ChunkList().Item(i)->Name() == "IDAT") ++idats;
  EXPECT_EQ(idats, 1);
  EXPECT_EQ(LoadError(png, split(true, false)), "EPngInvalidCRC");

  // Image data interrupted by another chunk.
  std::vector<uint8_t> f = Signature();
  AddChunk(f, "IHDR", Ihdr(2, 2, 8, 0));
  AddChunk(f, "IDAT", {z.begin(), z.begin() + 4});
  AddChunk(f, "tEXt", {'a', 0, 'b'});
  AddChunk(f, "IDAT", {z.begin() + 4, z.end()});
  AddChunk(f, "IEND", {});
  std::string msg;
  EXPECT_EQ(LoadError(png, f, &msg), "EPNGMissingMultipleIDAT");
  EXPECT_EQ(msg, SPNGMissingMultipleIDAT);
}

TEST(PngRead, ShortOrBrokenImageData) {
  // 4 rows of 4 RGBA pixels; the file is cut inside the compressed data.
  std::vector<uint8_t> raw;
  for (int y = 0; y < 4; ++y) {
    raw.push_back(0);
    for (int x = 0; x < 16; ++x) raw.push_back(static_cast<uint8_t>(y * 50 + x + 1));
  }
  std::vector<uint8_t> f = Signature();
  AddChunk(f, "IHDR", Ihdr(4, 4, 8, COLOR_RGBALPHA));
  AddChunk(f, "IDAT", Deflate(raw, 0));  // stored blocks: bytes map 1:1
  f.resize(f.size() - 4 - 4 - 2 * 17);   // CRC, adler and the last two rows gone
  TPNGObject png;
  ASSERT_EQ(LoadError(png, f), "EPngInvalidCRC");
  EXPECT_EQ(png.AlphaScanline(1)[0], 50 + 4);
  EXPECT_EQ(png.AlphaScanline(3)[3], 0);
  EXPECT_EQ(png.Scanline(3)[0], 0);

  // The compressed stream ends while rows are missing.
  f = Signature();
  AddChunk(f, "IHDR", Ihdr(4, 4, 8, COLOR_RGBALPHA));
  std::vector<uint8_t> z = Deflate({raw.begin(), raw.begin() + 34});
  z.insert(z.end(), 40, 0);
  AddChunk(f, "IDAT", z);
  AddChunk(f, "IEND", {});
  EXPECT_EQ(LoadError(png, f), "EPNGMissingMultipleIDAT");
  EXPECT_EQ(png.AlphaScanline(1)[3], 54 + 12);
  EXPECT_EQ(png.AlphaScanline(2)[0], 0);

  f = Signature();
  AddChunk(f, "IHDR", Ihdr(2, 2, 8, 0));
  AddChunk(f, "IDAT", {0x78, 0x9C, 0xFF, 0xFF, 0xFF});
  AddChunk(f, "IEND", {});
  std::string msg;
  EXPECT_EQ(LoadError(png, f, &msg), "EPNGZLIBError");
  EXPECT_EQ(msg, std::string("Could not decompress the image because it contains invalid "
                             "compressed data.\r\n Description: data error (-3)"));
}

TEST(PngRead, FiltersIncludingUnknownTypes) {
  TPNGObject png;
  // Up, Average and Paeth on the second row; type 7 leaves the row as it is.
  for (const auto& [filter, expected] : std::vector<std::pair<uint8_t, std::pair<int, int>>>{
           {2, {40, 60}}, {3, {35, 67}}, {4, {40, 80}}, {7, {30, 40}}}) {
    SCOPED_TRACE(int(filter));
    LoadBytes(png, MakePng(Ihdr(2, 2, 8, 0), {}, {0, 10, 20, filter, 30, 40}));
    EXPECT_EQ(png.Scanline(1)[0], expected.first);
    EXPECT_EQ(png.Scanline(1)[1], expected.second);
  }
}

TEST(PngRead, ImageMemoryLayout) {
  TPNGObject png;
  // 3 x 2 RGBA at 16 bits: high bytes in the rows through the gamma map, low bytes apart,
  // alpha by its high byte, rows bottom-up with a padded stride.
  std::vector<uint8_t> raw;
  for (int y = 0; y < 2; ++y) {
    raw.push_back(0);
    for (int x = 0; x < 3; ++x)
      for (int c = 0; c < 4; ++c) {
        raw.push_back(static_cast<uint8_t>(0x10 * (y * 3 + x) + c));
        raw.push_back(static_cast<uint8_t>(0x80 + c));
      }
  }
  LoadBytes(png, MakePng(Ihdr(3, 2, 16, COLOR_RGBALPHA), {}, raw));
  const TChunkIHDR& h = png.Header();
  EXPECT_EQ(h.BitsPerPixel(), 24);
  EXPECT_EQ(h.RowStride(), 12u);
  EXPECT_FALSE(h.UsesColorTable());
  EXPECT_EQ(h.BitmapInfo().bmiHeader.biHeight, 2);
  const uint8_t* bottom = h.PixelRows();  // image row 1 comes first
  EXPECT_EQ(bottom[0], 0x32);             // blue of pixel (0, 1)
  EXPECT_EQ(bottom[2], 0x30);             // red
  EXPECT_EQ(h.LowBytePlane()[0], 0x82);
  EXPECT_EQ(h.AlphaPlane()[4], 0x43);  // pixel (1, 1), top row first
  EXPECT_EQ(png.Scanline(0), h.PixelRows() + 12);

  // 2-bit gray: each sample s is the 4-bit index 5 s into a 16-entry ramp.
  LoadBytes(png, MakePng(Ihdr(5, 1, 2, COLOR_GRAYSCALE), {}, {0, 0x1B, 0x80}));
  const TChunkIHDR& g = png.Header();
  EXPECT_EQ(g.BitsPerPixel(), 4);
  EXPECT_EQ(g.ColorsUsed(), 16u);
  EXPECT_EQ(g.Scanline(0)[0], 0x05);  // samples 0, 1
  EXPECT_EQ(g.Scanline(0)[1], 0xAF);  // samples 2, 3
  EXPECT_EQ(g.Scanline(0)[2], 0xA0);  // sample 2, padding cleared
  EXPECT_EQ(g.ColorTable()[5].rgbRed, 85);
  EXPECT_EQ(png.Pixels(3, 0), RGBColor(255, 255, 255));

  // 2-bit palette indices keep their value; without PLTE the picture is refused.
  const std::vector<uint8_t> plte = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  LoadBytes(png, MakePng(Ihdr(3, 1, 2, COLOR_PALETTE), {{"PLTE", plte}}, {0, 0x1B}));
  EXPECT_EQ(png.Header().Scanline(0)[0], 0x01);
  EXPECT_EQ(png.Header().Scanline(0)[1], 0x20);
  EXPECT_EQ(png.Pixels(2, 0), RGBColor(7, 8, 9));
  std::string msg;
  EXPECT_EQ(LoadError(png, MakePng(Ihdr(3, 1, 2, COLOR_PALETTE), {}, {0, 0x1B}), &msg),
            "EPNGInvalidPalette");
  EXPECT_EQ(msg, SPNGInvalidPalette);
  EXPECT_EQ(LoadError(png, MakePng(Ihdr(1, 1, 8, 3), {{"PLTE", {1, 2}}}, {0, 0})),
            "EPNGInvalidPalette");
  EXPECT_EQ(
      LoadError(png, MakePng(Ihdr(1, 1, 8, 3),
                             {{"PLTE", {1, 2, 3}}, {"tRNS", std::vector<uint8_t>(257)}}, {0, 0})),
      "EPNGInvalidPalette");
}

TEST(PngRead, GammaMaps) {
  auto gama = [](uint32_t v) {
    std::vector<uint8_t> d;
    PutBE32(d, v);
    return d;
  };
  TPNGObject png;
  LoadBytes(png, Gray2x2({{"gAMA", gama(45455)}}));
  for (int i = 0; i < 256; ++i) ASSERT_EQ(png.GammaMap()[i], i);
  LoadBytes(png, Gray2x2({{"gAMA", gama(100000)}}));
  EXPECT_EQ(png.GammaMap()[1], 21);
  EXPECT_EQ(png.GammaMap()[128], 186);
  EXPECT_EQ(png.InverseGammaMap()[186], 128);
  EXPECT_EQ(png.Header().ColorTable()[128].rgbGreen, 186);  // the gray ramp carries gamma
  // A gAMA after PLTE leaves the palette colours alone; before it, they are mapped.
  const std::vector<uint8_t> plte = {1, 128, 255};
  LoadBytes(png, MakePng(Ihdr(1, 1, 8, 3), {{"PLTE", plte}, {"gAMA", gama(100000)}}, {0, 0}));
  EXPECT_EQ(png.Pixels(0, 0), RGBColor(1, 128, 255));
  LoadBytes(png, MakePng(Ihdr(1, 1, 8, 3), {{"gAMA", gama(100000)}, {"PLTE", plte}}, {0, 0}));
  EXPECT_EQ(png.Pixels(0, 0), RGBColor(21, 186, 255));
}

TEST(PngRead, AncillaryChunkFields) {
  std::vector<uint8_t> text = {'T', 'i', 't', 'l', 'e', 0, 'H', 'i'};
  std::vector<uint8_t> ztxt = {'N', 'o', 't', 'e', 0, 0};
  const std::vector<uint8_t> packed = Deflate({'p', 'a', 'c', 'k', 'e', 'd'});
  ztxt.insert(ztxt.end(), packed.begin(), packed.end());
  std::vector<uint8_t> badZtxt = {'B', 0, 0, 1, 2, 3};
  std::vector<uint8_t> phys;
  PutBE32(phys, 2835);
  PutBE32(phys, 1417);
  phys.push_back(1);
  TPNGObject png;
  LoadBytes(png, Gray2x2({{"tEXt", text},
                          {"zTXt", ztxt},
                          {"zTXt", badZtxt},
                          {"tIME", {0x07, 0xE8, 2, 29, 23, 59, 58}},
                          {"pHYs", phys}}));
  const TPNGList& list = png.ChunkList();
  const auto* t = dynamic_cast<const TChunktEXt*>(list.Item(1));
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Keyword(), "Title");
  EXPECT_EQ(t->Text(), "Hi");
  const auto* z = dynamic_cast<const TChunkzTXt*>(list.Item(2));
  ASSERT_NE(z, nullptr);
  EXPECT_EQ(z->Keyword(), "Note");
  EXPECT_EQ(z->Text(), "packed");
  EXPECT_EQ(dynamic_cast<const TChunkzTXt*>(list.Item(3))->Text(), "");  // bad data: empty
  const auto* time = list.ItemFromClass<TChunktIME>();
  EXPECT_EQ(time->Year(), 2024);
  EXPECT_EQ(time->Second(), 58);
  const auto* p = list.ItemFromClass<TChunkpHYs>();
  EXPECT_EQ(p->PPUnitX(), 2835u);
  EXPECT_EQ(p->UnitType(), 1);
  // The text lookup finds the first text chunk of either kind.
  EXPECT_EQ(list.ItemFromClass<TChunktEXt>(), t);
}

TEST(PngObject, RegistryListsCopiesAndErrors) {
  const std::vector<TChunkClassInfo>& reg = ChunkRegistry();
  std::string order;
  for (const auto& c : reg) order += ChunkNameText(c.Type) + " ";
  EXPECT_EQ(order, "IEND IHDR IDAT PLTE gAMA tRNS pHYs tIME tEXt zTXt ");

  TPNGObject empty;
  std::string msg;
  try {
    empty.Header();
  } catch (const EPNGHeaderNotPresent& e) {
    msg = e.Message();
  }
  EXPECT_EQ(msg, SPNGHeaderNotPresent);
  EXPECT_EQ(empty.PictureWidth(), 0);

  TPNGObject png;
  LoadBytes(png, MakePng(Ihdr(2, 1, 8, 3), {{"PLTE", {9, 8, 7, 6, 5, 4}}}, {0, 1, 0}));
  const auto* plte = png.ChunkList().ItemFromClass<TChunkPLTE>();
  EXPECT_EQ(plte->Item(1).rgbRed, 6);
  EXPECT_THROW(plte->Item(2), EPngError);
  try {
    png.ChunkList().Item(0)->Assign(plte);
  } catch (const EPngError& e) {
    msg = e.Message();
  }
  EXPECT_EQ(msg, SPngErrorAssign);

  // A copy owns its own chunks and image memory.
  TPNGObject copy;
  copy.Assign(&png);
  ASSERT_EQ(copy.ChunkList().Count(), png.ChunkList().Count());
  EXPECT_STREQ(copy.ChunkList().Item(1)->ClassName(), "TChunkPLTE");
  EXPECT_NE(copy.Header().PixelRows(), png.Header().PixelRows());
  copy.Scanline(0)[0] = 0;
  EXPECT_EQ(png.Pixels(0, 0), RGBColor(6, 5, 4));
  EXPECT_EQ(copy.Pixels(0, 0), RGBColor(9, 8, 7));

  // Palette: get hands out the header's; set replaces the colours.
  auto pal = std::make_shared<TLogPalette>();
  pal->Entries = {{1, 1, 1, 0}, {2, 2, 2, 0}};
  png.SetPalette(pal);
  EXPECT_EQ(png.Palette(), pal);
  EXPECT_EQ(png.Pixels(0, 0), RGBColor(2, 2, 2));
}

TEST(PngObject, ResizeKeepsTheOverlap) {
  TPNGObject png;
  png.CreateBlank(COLOR_GRAYSCALEALPHA, 8, 3, 2);
  png.Scanline(0)[2] = 77;
  png.AlphaScanline(1)[0] = 9;
  png.Resize(4, 3);
  EXPECT_EQ(png.PictureWidth(), 4);
  EXPECT_EQ(png.Scanline(0)[2], 77);
  EXPECT_EQ(png.AlphaScanline(1)[0], 9);
  EXPECT_EQ(png.AlphaScanline(2)[3], 255);
  png.Resize(1, 1);
  EXPECT_EQ(png.AlphaScanline(0)[0], 0);
  std::string msg;
  try {
    png.SetWidth(0);
  } catch (const EPNGInvalidNewSize& e) {
    msg = e.Message();
  }
  EXPECT_EQ(msg, SPNGInvalidNewSize);

  // 4-bit rows cut in the middle of a byte drop the pixels beyond the new width.
  png.CreateBlank(COLOR_PALETTE, 4, 3, 1);
  png.Scanline(0)[0] = 0x12;
  png.Scanline(0)[1] = 0x30;
  png.Resize(1, 1);
  png.Resize(3, 1);
  EXPECT_EQ(png.Scanline(0)[0], 0x10);
}

TEST(PngObject, RegisteredAsPictureFormat) {
  RegisterCodecPictureFormats();
  const TPictureFormat* f = TPictureFormats::Instance().Find("png");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->Description, "Portable Network Graphics");
  testsupport::TempDir dir;
  const auto bytes = Gray2x2();
  testsupport::WriteFileBytes(dir / "a.PNG", {bytes.begin(), bytes.end()});
  TPicture picture;
  picture.LoadFromFile((dir / "a.PNG").string());
  ASSERT_NE(dynamic_cast<TPNGObject*>(picture.Graphic()), nullptr);
  EXPECT_EQ(picture.Width(), 2);
}

}  // namespace

TEST(PngObject, Crc32ShortAndLongRunsAgree) {
  const std::string check = "123456789";
  EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0xCBF43926u);
  std::vector<uint8_t> data(1000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 37 + 11);
  uint32_t bytewise = 0xFFFFFFFFu;
  for (uint8_t b : data) bytewise = UpdateCrc(bytewise, &b, 1);
  EXPECT_EQ(~bytewise, Crc32(data.data(), data.size()));
  EXPECT_EQ(CrcTable()[1], 0x77073096u);
}

}  // namespace pictavia
