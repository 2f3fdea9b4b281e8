// The WMF player on small hand-built metafiles: sizes with and without the placeable header,
// the object table, text and bitmaps, and refusal of malformed records.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "metafile_test_support.h"
#include "toolkit/exceptions.h"

namespace pictavia {

using namespace metafiletest;

namespace {

enum : uint16_t {
  META_SETBKMODE = 0x0102,
  META_SETMAPMODE = 0x0103,
  META_SETTEXTCHAREXTRA = 0x0108,
  META_SELECTOBJECT = 0x012D,
  META_DELETEOBJECT = 0x01F0,
  META_SETWINDOWEXT = 0x020C,
  META_CREATEPENINDIRECT = 0x02FA,
  META_CREATEFONTINDIRECT = 0x02FB,
  META_CREATEBRUSHINDIRECT = 0x02FC,
  META_POLYGON = 0x0324,
  META_RECTANGLE = 0x041B,
  META_TEXTOUT = 0x0521,
  META_DIBSTRETCHBLT = 0x0B41,
  META_STRETCHDIB = 0x0F43
};
constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

void Brush(TWmfBuilder& b, uint32_t rgb) {
  const uint32_t ref = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
  b.Rec(META_CREATEBRUSHINDIRECT,
        {0, static_cast<int>(ref & 0xFFFF), static_cast<int>(ref >> 16), 0});
}

void NullPen(TWmfBuilder& b) {
  b.Rec(META_CREATEPENINDIRECT, {5, 0, 0, 0, 0});
}

void Rectangle(TWmfBuilder& b, int l, int t, int r, int bottom) {
  b.Rec(META_RECTANGLE, {bottom, r, t, l});
}

// A record with 16-bit parameters followed by a packed DIB.
void WithDib(TWmfBuilder& b, uint16_t function, std::initializer_list<int> params,
             const std::vector<uint8_t>& dib) {
  std::vector<uint8_t> body;
  for (int p : params) Put16(body, static_cast<uint32_t>(p));
  body.insert(body.end(), dib.begin(), dib.end());
  b.Raw(function, body);
}

QRect InkBox(const QImage& image) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 128) box |= QRect(x, y, 1, 1);
  return box;
}

// 2 x 2, 24 bits: red, green above blue, white.
std::vector<uint8_t> FourColours() {
  return Dib(2, 2, 24, {}, {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0});
}

}  // namespace

TEST(MetafileWmf, SizeComesFromThePlaceableHeaderOrTheWindow) {
  TMetafile placeable = Load(TWmfBuilder(192, 96).Finish());
  EXPECT_FALSE(placeable.Enhanced());
  EXPECT_EQ(placeable.Width(), 192);
  EXPECT_EQ(placeable.Height(), 96);
  EXPECT_EQ(placeable.MMWidth(), 5080);
  EXPECT_EQ(placeable.Inch(), 96);

  std::vector<uint8_t> fine = TWmfBuilder(1440, 720).Finish();
  fine[14] = 1440 & 0xFF;  // 1440 units per inch: one inch by half an inch
  fine[15] = 1440 >> 8;
  TMetafile inch = Load(fine);
  EXPECT_EQ(inch.Width(), 96);
  EXPECT_EQ(inch.Height(), 48);
  EXPECT_EQ(inch.MMWidth(), 2540);

  TWmfBuilder window(0, 0, false);
  window.Rec(META_SETWINDOWEXT, {50, 120});
  TMetafile standard = Load(window.Finish());
  EXPECT_EQ(standard.Width(), 120);
  EXPECT_EQ(standard.Height(), 50);
  EXPECT_EQ(standard.Inch(), 0);

  // Without a window the picture is as large as what it draws.
  TWmfBuilder bare(0, 0, false);
  Brush(bare, kRed);
  bare.Rec(META_SELECTOBJECT, {0});
  Rectangle(bare, 0, 0, 30, 20);
  TMetafile measured = Load(bare.Finish());
  EXPECT_EQ(measured.Width(), 30);
  EXPECT_EQ(measured.Height(), 20);
  const QImage img = Render(measured, 30, 20);
  EXPECT_EQ(At(img, 15, 10), kRed);
  EXPECT_EQ(At(img, 29, 19), 0u);  // the outline's last pixel is inside the picture
}

TEST(MetafileWmf, ObjectsTakeTheLowestFreeSlot) {
  TWmfBuilder b;
  Brush(b, kRed);    // slot 0
  Brush(b, kGreen);  // slot 1
  NullPen(b);        // slot 2
  b.Rec(META_SELECTOBJECT, {2}).Rec(META_DELETEOBJECT, {0});
  Brush(b, kBlue);  // slot 0 again
  b.Rec(META_SELECTOBJECT, {0});
  Rectangle(b, 10, 10, 40, 40);
  b.Rec(META_SELECTOBJECT, {1});
  Rectangle(b, 50, 50, 80, 80);
  b.Rec(META_SELECTOBJECT, {7});  // an empty slot changes nothing
  Rectangle(b, 50, 10, 80, 40);
  TMetafile mf = Load(b.Finish());
  const QImage img = Render(mf, 96, 96);
  EXPECT_EQ(At(img, 25, 25), kBlue);
  EXPECT_EQ(At(img, 65, 65), kGreen);
  EXPECT_EQ(At(img, 65, 25), kGreen);
}

// A 20-pixel Arial selected into slot 0, drawn with a transparent background.
void SelectArial(TWmfBuilder& b) {
  std::vector<uint8_t> font;
  for (int v : {-20, 0, 0, 0, 400}) Put16(font, static_cast<uint32_t>(v));
  for (int i = 0; i < 8; ++i) font.push_back(0);
  for (char c : std::string("Arial")) font.push_back(static_cast<uint8_t>(c));
  font.push_back(0);
  b.Raw(META_CREATEFONTINDIRECT, font).Rec(META_SELECTOBJECT, {0}).Rec(META_SETBKMODE, {1});
}

void TextOut(TWmfBuilder& b, int x, int y, const std::string& s) {
  std::vector<uint8_t> text;
  Put16(text, static_cast<uint32_t>(s.size()));
  for (char c : s) text.push_back(static_cast<uint8_t>(c));
  if (s.size() % 2) text.push_back(0);
  Put16(text, static_cast<uint32_t>(y));
  Put16(text, static_cast<uint32_t>(x));
  b.Raw(META_TEXTOUT, text);
}

TEST(MetafileWmf, TextAndBitmapsDraw) {
  TWmfBuilder b;
  SelectArial(b);
  TextOut(b, 4, 10, "HH");
  // Stretched into (50, 50)-(90, 90); the DIB is bottom-up, so its source rows count upwards.
  WithDib(b, META_STRETCHDIB, {0x0020, 0x00CC, 0, 2, 2, 0, 0, 40, 40, 50, 50}, FourColours());
  // One pixel stretched over (10, 60)-(30, 80), inverting what is there.
  WithDib(b, META_DIBSTRETCHBLT, {0x0046, 0x0066, 1, 1, 0, 0, 20, 20, 60, 10},
          Dib(1, 1, 24, {}, {0xFF, 0x00, 0xFF, 0}));
  TMetafile mf = Load(b.Finish());
  const QImage img = Render(mf, 96, 96);
  const QRect ink = InkBox(img.copy(0, 0, 96, 45));
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_GE(ink.left(), 4);
  EXPECT_LE(ink.left(), 8);
  EXPECT_GE(ink.top(), 10);
  EXPECT_LE(ink.bottom(), 30);
  EXPECT_EQ(At(img, 60, 60), kRed);
  EXPECT_EQ(At(img, 80, 60), kGreen);
  EXPECT_EQ(At(img, 60, 80), kBlue);
  EXPECT_EQ(At(img, 80, 80), kWhite);
  EXPECT_EQ(At(img, 20, 70), kGreen);  // white XOR magenta
  EXPECT_EQ(At(img, 20, 85), kWhite);
}

TEST(MetafileWmf, CharacterExtraWidensEveryGap) {
  auto ink = [](int extra) {
    TWmfBuilder b;
    SelectArial(b);
    b.Rec(META_SETTEXTCHAREXTRA, {extra});
    TextOut(b, 4, 10, "HHH");
    TMetafile mf = Load(b.Finish());
    return InkBox(Render(mf, 96, 96));
  };
  const QRect tight = ink(0), wide = ink(12);
  ASSERT_FALSE(tight.isEmpty());
  EXPECT_EQ(wide.left(), tight.left());
  EXPECT_EQ(wide.right(), tight.right() + 24);  // two gaps
}

TEST(MetafileWmf, PolygonFillCoversItsInside) {
  TWmfBuilder b;
  Brush(b, kBlue);
  NullPen(b);
  b.Rec(META_SELECTOBJECT, {0}).Rec(META_SELECTOBJECT, {1});
  b.Rec(META_POLYGON, {3, 10, 10, 90, 10, 10, 90});
  TMetafile mf = Load(b.Finish());
  const QImage img = Render(mf, 96, 96);
  EXPECT_EQ(At(img, 20, 20), kBlue);
  EXPECT_EQ(At(img, 80, 80), kWhite);
}

TEST(MetafileWmf, BitmapsOfOneMetafileShareAPixelBudget) {
  const std::vector<uint8_t> huge = Dib(8192, 8192, 8, {kRed}, {255, 0, 0, 1}, 1);
  auto metafile = [&](int records) {
    TWmfBuilder b;
    for (int i = 0; i < records; ++i)
      WithDib(b, META_STRETCHDIB, {0x0020, 0x00CC, 0, 8192, 8192, 0, 0, 96, 96, 0, 0}, huge);
    return b.Finish();
  };
  EXPECT_NO_THROW(Load(metafile(4)));
  try {
    Load(metafile(5));
    ADD_FAILURE() << "loaded";
  } catch (const EInvalidGraphic& e) {
    EXPECT_NE(std::string(e.what()).find("META_STRETCHDIB record at offset"), std::string::npos)
        << e.what();
    EXPECT_NE(std::string(e.what()).find("268435456 pixels"), std::string::npos) << e.what();
  }
}

TEST(MetafileWmf, MalformedRecordsAreRefusedWithAClearMessage) {
  struct TCase {
    const char* Name;
    std::vector<uint8_t> Bytes;
    const char* Message;
  };
  std::vector<TCase> cases;
  {
    std::vector<uint8_t> bytes = TWmfBuilder().Rec(META_SETBKMODE, {1}).Finish();
    bytes[22 + 18] = 200;  // the record claims 200 words
    cases.push_back({"record beyond the end", bytes, "META_SETBKMODE"});
  }
  {
    std::vector<uint8_t> bytes = TWmfBuilder().Rec(META_SETBKMODE, {1}).Finish();
    bytes[22 + 18] = 2;  // shorter than its own size and function fields
    cases.push_back({"record too short", bytes, "size 4 bytes"});
  }
  cases.push_back({"points beyond the record",
                   TWmfBuilder().Rec(META_POLYGON, {500, 1, 2, 3, 4}).Finish(), "META_POLYGON"});
  {
    TWmfBuilder b;
    WithDib(b, META_STRETCHDIB, {0x0020, 0x00CC, 0, 8, 8, 0, 0, 8, 8, 0, 0},
            Dib(8, 8, 24, {}, std::vector<uint8_t>(30, 0)));
    cases.push_back({"bitmap bits too short", b.Finish(), "META_STRETCHDIB"});
  }
  {
    std::vector<uint8_t> bytes = TWmfBuilder().Finish();
    bytes[14] = bytes[15] = 0;
    cases.push_back({"no units per inch", bytes, "units per inch"});
  }

  TMetafile mf = Load(TWmfBuilder(48, 24).Finish());
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TReadOnlyMemoryStream stream(c.Bytes.data(), static_cast<int64_t>(c.Bytes.size()));
    try {
      mf.LoadFromStream(stream);
      ADD_FAILURE() << "loaded";
    } catch (const EInvalidGraphic& e) {
      EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
    }
    EXPECT_EQ(mf.Width(), 48);
    EXPECT_EQ(mf.Height(), 24);
  }
}

}  // namespace pictavia
