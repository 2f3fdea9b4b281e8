// The toolkit bitmap in memory: pixel formats and the two views of its pixels, transparency,
// drawing, assignment, the size limits, and its BMP writer and reader on hand-made files.
#include <gtest/gtest.h>

#include <QImage>
#include <cstring>
#include <vector>

#include "test_support.h"
#include "toolkit/bitmap.h"
#include "toolkit/bmp_codec.h"
#include "toolkit/exceptions.h"
#include "toolkit/icon.h"
#include "toolkit/picture.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

uint32_t CanvasPixel(TBitmap& b, int x, int y) {
  return b.Canvas()->ScanLine(y)[x];
}

// A BMP file of W x H pixels with a 40-byte header, given the rows as stored (bottom-up).
std::vector<uint8_t> MakeBmp(int w, int h, int bits, const std::vector<uint8_t>& pixels,
                             uint32_t compression = 0, const std::vector<uint8_t>& extra = {}) {
  std::vector<uint8_t> f(54 + extra.size() + pixels.size());
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = uint8_t(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  put32(10, uint32_t(54 + extra.size()));
  put32(14, 40);
  put32(18, uint32_t(w));
  put32(22, uint32_t(h));
  f[26] = 1;
  f[28] = uint8_t(bits);
  put32(30, compression);
  std::copy(extra.begin(), extra.end(), f.begin() + 54);
  std::copy(pixels.begin(), pixels.end(), f.begin() + 54 + int64_t(extra.size()));
  put32(2, uint32_t(f.size()));
  return f;
}

void Load(TBitmap& b, const std::vector<uint8_t>& bytes) {
  TReadOnlyMemoryStream s(bytes.data(), int64_t(bytes.size()));
  b.LoadFromStream(s);
}

std::vector<uint8_t> Save(TBitmap& b) {
  TMemoryStream m;
  b.SaveToStream(m);
  return m.Bytes();
}

}  // namespace

TEST(Bitmap, ScanLinesAndCanvasStayInStep) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(3, 2);
  EXPECT_EQ(b.ScanLineSize(), 12);  // 9 bytes padded to 4
  uint8_t* row = b.ScanLine(1);
  row[3] = 0x10;  // pixel (1, 1): blue, green, red
  row[4] = 0x20;
  row[5] = 0x30;
  // Expanded for the canvas with 0 in the fourth byte.
  EXPECT_EQ(CanvasPixel(b, 1, 1), 0x00302010u);
  b.Canvas()->Brush().Color = RGBColor(1, 2, 3);
  b.Canvas()->FillRect(Rect(0, 0, 1, 1));
  const uint8_t* top = b.ScanLine(0);
  EXPECT_EQ(top[0], 3);
  EXPECT_EQ(top[1], 2);
  EXPECT_EQ(top[2], 1);
  EXPECT_EQ(b.ScanLine(1)[4], 0x20);  // the earlier row survived the round trip

  // 32 bits: one block of pixels, the fourth byte as written.
  TBitmap c;
  c.SetPixelFormat(pf32bit);
  c.SetSize(2, 1);
  std::memcpy(c.ScanLine(0), "\x01\x02\x03\x80", 4);
  EXPECT_EQ(CanvasPixel(c, 0, 0), 0x80030201u);
  EXPECT_THROW(c.ScanLine(1), EInvalidGraphicOperation);
}

TEST(Bitmap, IndexedFormatsPackIndexesAndMapDrawingToTheNearestEntry) {
  TBitmap b;
  b.SetPixelFormat(pf4bit);
  b.SetSize(3, 1);
  EXPECT_EQ(b.ColorTable().size(), 16u);
  std::vector<TRGBQuad> table(4);
  table[1] = TRGBQuad{0, 0, 200, 0};  // dark red
  table[2] = TRGBQuad{0, 200, 0, 0};  // green
  table[3] = TRGBQuad{255, 255, 255, 0};
  b.SetColorTable(table);
  b.ScanLine(0)[0] = 0x12;  // pixels 0 and 1
  EXPECT_EQ(CanvasPixel(b, 0, 0), 0x00C80000u);
  EXPECT_EQ(CanvasPixel(b, 1, 0), 0x0000C800u);
  b.Canvas()->SetPixel(2, 0, RGBColor(250, 240, 250));  // nearest: white, index 3
  b.Canvas()->SetPixel(0, 0, RGBColor(0, 180, 10));     // nearest: green, index 2
  EXPECT_EQ(b.ScanLine(0)[0], 0x22);
  EXPECT_EQ(b.ScanLine(0)[1] >> 4, 3);
  // Changing the table recolours the same indexes.
  table[2] = TRGBQuad{9, 9, 9, 0};
  b.SetColorTable(table);
  EXPECT_EQ(CanvasPixel(b, 1, 0), 0x00090909u);

  TBitmap mono;
  mono.SetPixelFormat(pf1bit);
  mono.SetSize(10, 1);
  mono.Canvas()->SetPixel(9, 0, clWhite);
  EXPECT_EQ(mono.ScanLine(0)[1], 0x40);
  ASSERT_TRUE(mono.Palette());
  EXPECT_EQ(mono.Palette()->Entries.size(), 2u);
}

TEST(Bitmap, PixelFormatAndSizeChangesKeepThePicture) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(2, 2);
  b.Canvas()->Brush().Color = clRed;
  b.Canvas()->FillRect(Rect(0, 0, 2, 1));
  b.SetPixelFormat(pf8bit);
  EXPECT_EQ(b.ColorTable().size(), 256u);
  EXPECT_EQ(b.Canvas()->Pixel(1, 0), clRed);
  EXPECT_EQ(b.Canvas()->Pixel(1, 1), clBlack);
  b.SetPixelFormat(pf32bit);
  EXPECT_TRUE(b.ColorTable().empty());
  EXPECT_EQ(CanvasPixel(b, 0, 0), 0x00FF0000u);  // from 8-bit rows: fourth byte 0

  b.SetSize(3, 1);
  EXPECT_EQ(CanvasPixel(b, 1, 0), 0x00FF0000u);
  EXPECT_EQ(CanvasPixel(b, 2, 0), 0u);
  b.SetSize(-4, 7);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 7);
}

TEST(Bitmap, TransparentColourAndTransparentDrawing) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(2, 2);
  EXPECT_EQ(b.TransparentMode(), tmAuto);
  b.Canvas()->SetPixel(0, 1, clLime);  // bottom-left decides
  b.Canvas()->SetPixel(1, 0, clBlue);
  EXPECT_EQ(b.TransparentColor(), clLime);
  b.SetTransparentColor(clBlue);
  EXPECT_EQ(b.TransparentMode(), tmFixed);
  EXPECT_EQ(b.TransparentColor(), clBlue);
  b.SetTransparentColor(clDefault);
  EXPECT_EQ(b.TransparentMode(), tmAuto);
  EXPECT_EQ(b.TransparentColor(), clLime);

  TBitmap target;
  target.SetSize(4, 4);
  target.Canvas()->Brush().Color = clYellow;
  target.Canvas()->FillRect(Rect(0, 0, 4, 4));
  b.SetTransparent(true);
  target.Canvas()->StretchDraw(Rect(0, 0, 4, 4), &b);  // twice the size
  EXPECT_EQ(target.Canvas()->Pixel(0, 3), clYellow);   // lime left out
  EXPECT_EQ(target.Canvas()->Pixel(1, 2), clYellow);
  EXPECT_EQ(target.Canvas()->Pixel(3, 0), clBlue);
  EXPECT_EQ(target.Canvas()->Pixel(2, 1), clBlue);
  EXPECT_EQ(target.Canvas()->Pixel(0, 0), clBlack);

  b.SetTransparent(false);
  target.Canvas()->Draw(0, 0, &b);
  EXPECT_EQ(target.Canvas()->Pixel(0, 1), clLime);

  // Drawing a bitmap onto its own canvas reads the picture as it was before.
  b.Canvas()->StretchDraw(Rect(1, 0, 3, 2), &b);
  EXPECT_EQ(b.Canvas()->Pixel(1, 1), clLime);
}

TEST(Bitmap, AssignCopiesEverythingIndependently) {
  TBitmap a;
  a.SetPixelFormat(pf8bit);
  a.SetSize(2, 1);
  a.Canvas()->SetPixel(1, 0, clAqua);  // the canvas side is authoritative now
  a.SetTransparentColor(clAqua);
  a.SetTransparent(true);
  TBitmap b;
  b.Assign(&a);
  EXPECT_EQ(b.PixelFormat(), pf8bit);
  EXPECT_EQ(b.ColorTable(), a.ColorTable());
  EXPECT_TRUE(b.Transparent());
  EXPECT_EQ(b.TransparentColor(), clAqua);
  EXPECT_EQ(b.Canvas()->Pixel(1, 0), clAqua);
  a.Canvas()->SetPixel(1, 0, clRed);
  EXPECT_EQ(b.Canvas()->Pixel(1, 0), clAqua);
  TIcon icon;
  EXPECT_THROW(b.Assign(&icon), EConvertError);
  b.Assign(nullptr);
  EXPECT_TRUE(b.Empty());
}

TEST(Bitmap, SizesBeyondTheLimitRaiseAndChangeNothing) {
  TBitmap b;
  b.SetSize(5, 5);
  try {
    b.SetSize(1 << 15, 1 << 14);
    FAIL() << "no exception";
  } catch (const EOutOfResources& e) {
    EXPECT_NE(std::string(e.what()).find("at most 268435456 pixels"), std::string::npos)
        << e.what();
  }
  EXPECT_EQ(b.Width(), 5);
  EXPECT_EQ(b.Height(), 5);
  EXPECT_NO_THROW(CheckPictureSize(1 << 14, 1 << 14));
  EXPECT_THROW(CheckPictureSize(1 << 14, (1 << 14) + 1), EOutOfResources);
}

TEST(BitmapFile, WritesUncompressed32BitFilesThatReadBack) {
  TBitmap b;
  b.SetPixelFormat(pf32bit);
  b.SetSize(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      b.Canvas()->ScanLine(y)[x] =
          uint32_t(0x40 * (x + 1)) << 24 | uint32_t(x * 40) << 16 | uint32_t(y * 90) << 8 | 7;
  const std::vector<uint8_t> file = Save(b);
  ASSERT_EQ(file.size(), 54u + 3 * 2 * 4);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[14], 40);
  EXPECT_EQ(file[22], 2);  // positive height: bottom-up
  EXPECT_EQ(file[28], 32);
  EXPECT_EQ(file[30], 0);  // uncompressed
  // The first stored row is the bottom one.
  uint32_t first;
  std::memcpy(&first, file.data() + 54, 4);
  EXPECT_EQ(first, b.Canvas()->ScanLine(1)[0]);

  QImage q;
  ASSERT_TRUE(q.loadFromData(file.data(), int(file.size()), "BMP"));
  ASSERT_EQ(q.size(), QSize(3, 2));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(q.pixel(x, y) & 0xFFFFFF, b.Canvas()->ScanLine(y)[x] & 0xFFFFFF);

  TBitmap back;
  Load(back, file);
  EXPECT_EQ(back.PixelFormat(), pf32bit);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(CanvasPixel(back, x, y), CanvasPixel(b, x, y));

  // Other formats are converted; an empty bitmap still writes a readable file.
  b.SetPixelFormat(pf4bit);
  EXPECT_EQ(Save(b)[28], 32);
  TBitmap empty;
  Load(back, Save(empty));
  EXPECT_TRUE(back.Empty());
}

TEST(BitmapFile, UnusedFourthBytesReadAsOpaque) {
  // Uncompressed 32-bit rows whose fourth bytes are all zero: that byte is unused.
  std::vector<uint8_t> zero = {10, 20, 30, 0, 40, 50, 60, 0};
  TBitmap b;
  Load(b, MakeBmp(2, 1, 32, zero));
  EXPECT_EQ(b.PixelFormat(), pf32bit);
  EXPECT_EQ(CanvasPixel(b, 0, 0), 0xFF1E140Au);
  EXPECT_EQ(CanvasPixel(b, 1, 0), 0xFF3C3228u);
  // One real alpha value: every fourth byte is kept, zeros too.
  std::vector<uint8_t> some = {10, 20, 30, 0, 40, 50, 60, 0x7F};
  Load(b, MakeBmp(2, 1, 32, some));
  EXPECT_EQ(CanvasPixel(b, 0, 0), 0x001E140Au);
  EXPECT_EQ(CanvasPixel(b, 1, 0), 0x7F3C3228u);
  // Bit fields without an alpha mask are opaque whatever the fourth byte holds.
  const std::vector<uint8_t> masks = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
  Load(b, MakeBmp(2, 1, 32, some, 3, masks));
  EXPECT_EQ(CanvasPixel(b, 1, 0), 0xFF3C3228u);
  // Our own decoder agrees.
  const auto file = MakeBmp(2, 1, 32, zero);
  const TDibImage own = ReadBmpOwn(file.data(), file.size());
  EXPECT_EQ(own.Rows[0], 0xFF1E140Au);
}

TEST(BitmapFile, UnreadableFilesRaiseAndLeaveTheBitmapAsItWas) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(2, 3);
  const std::vector<uint8_t> good = MakeBmp(2, 2, 24, std::vector<uint8_t>(16, 0x55));
  struct Case {
    const char* What;
    std::vector<uint8_t> Bytes;
  };
  std::vector<Case> cases;
  cases.push_back({"empty", {}});
  cases.push_back({"truncated pixels", std::vector<uint8_t>(good.begin(), good.end() - 5)});
  auto badSig = good;
  badSig[0] = 'X';
  cases.push_back({"signature", badSig});
  auto planes = good;
  planes[26] = 2;
  cases.push_back({"planes", planes});
  auto offset = good;
  offset[10] = 0xF0;
  offset[11] = 0xFF;
  cases.push_back({"offset outside", offset});
  cases.push_back({"RLE stored top-down", MakeBmp(2, -2, 8, {0, 1}, 1)});
  for (const Case& c : cases) {
    try {
      Load(b, c.Bytes);
      ADD_FAILURE() << c.What << ": no exception";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Bitmap image is not valid", 0), 0u) << e.what();
    }
    EXPECT_EQ(b.Width(), 2) << c.What;
    EXPECT_EQ(b.Height(), 3) << c.What;
    EXPECT_EQ(b.PixelFormat(), pf24bit) << c.What;
  }
  // A header claiming a huge picture is refused before anything is allocated.
  EXPECT_THROW(Load(b, MakeBmp(100000, 100000, 24, {})), EOutOfResources);
  EXPECT_NO_THROW(Load(b, good));
  EXPECT_EQ(b.Height(), 2);
}

TEST(BitmapFile, RunLengthRowsAndSkippedPixels) {
  // 4 x 2, 8-bit: the bottom row is a run of three 1s and an end of line; the top row a move
  // right by one (pixel 0 stays index 0), a literal 2 3 1 and the end of the bitmap.
  std::vector<uint8_t> palette = {0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};
  std::vector<uint8_t> rle = {3, 1, 0, 0, 0, 2, 1, 0, 0, 3, 2, 3, 1, 0, 0, 1};
  auto file = MakeBmp(4, 2, 8, rle, 1, palette);
  file[46] = 4;  // colours used
  for (bool own : {false, true}) {
    const TDibImage img =
        own ? ReadBmpOwn(file.data(), file.size()) : ReadBmp(file.data(), file.size());
    ASSERT_EQ(img.BitCount, 8);
    const uint8_t* rows = img.RowBytes();
    const std::vector<uint8_t> top(rows, rows + 4), bottom(rows + 4, rows + 8);
    EXPECT_EQ(bottom, (std::vector<uint8_t>{1, 1, 1, 0})) << "own decoder " << own;
    EXPECT_EQ(top, (std::vector<uint8_t>{0, 2, 3, 1})) << "own decoder " << own;
  }
}

TEST(Pictures, RegisteredExtensionsLoadTheirClasses) {
  PICTAVIA_REQUIRE_CORPUS("bmp/g");
  TPicture p;
  p.LoadFromFile((testsupport::CorpusDir() / "bmp/g/pal8.bmp").string());
  ASSERT_TRUE(p.Graphic());
  EXPECT_STREQ(p.Graphic()->ClassName(), "TBitmap");
  EXPECT_EQ(p.Width(), 127);
  p.LoadFromFile((testsupport::CorpusDir() / "ico/smile.ico").string());
  EXPECT_STREQ(p.Graphic()->ClassName(), "TIcon");
  EXPECT_EQ(p.Width(), 32);
  // A copy of the picture goes through the registry and Assign.
  TPicture copy;
  copy.Assign(&p);
  EXPECT_STREQ(copy.Graphic()->ClassName(), "TIcon");
  EXPECT_EQ(copy.Height(), 32);
  EXPECT_NE(TPictureFormats::Instance().AllFilesMask().find("*.bmp;*.ico"), std::string::npos);
}

}  // namespace pictavia
