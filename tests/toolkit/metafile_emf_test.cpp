// The EMF player on small hand-built metafiles: shapes, text, bitmaps of every depth, raster
// operations, clipping, mapping, and refusal of malformed records.
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "metafile_test_support.h"
#include "toolkit/exceptions.h"

namespace pictavia {

using namespace metafiletest;

namespace {

enum : uint32_t {
  EMR_SETWINDOWEXTEX = 9,
  EMR_SETVIEWPORTEXTEX = 11,
  EMR_SETMAPMODE = 17,
  EMR_SETBKMODE = 18,
  EMR_SETROP2 = 20,
  EMR_SETTEXTALIGN = 22,
  EMR_SETTEXTCOLOR = 24,
  EMR_SETBKCOLOR = 25,
  EMR_MOVETOEX = 27,
  EMR_EXCLUDECLIPRECT = 29,
  EMR_INTERSECTCLIPRECT = 30,
  EMR_SAVEDC = 33,
  EMR_RESTOREDC = 34,
  EMR_SETWORLDTRANSFORM = 35,
  EMR_SELECTOBJECT = 37,
  EMR_CREATEPEN = 38,
  EMR_CREATEBRUSHINDIRECT = 39,
  EMR_RECTANGLE = 43,
  EMR_LINETO = 54,
  EMR_BEGINPATH = 59,
  EMR_ENDPATH = 60,
  EMR_CLOSEFIGURE = 61,
  EMR_FILLPATH = 62,
  EMR_GDICOMMENT = 70,
  EMR_STRETCHDIBITS = 81,
  EMR_EXTCREATEFONTINDIRECTW = 82,
  EMR_EXTTEXTOUTW = 84,
  EMR_POLYLINE16 = 87,
  EMR_POLYPOLYGON16 = 91,
  EMR_PIE = 47,
  EMR_SETARCDIRECTION = 57
};
constexpr int64_t kTaUpdateCp = 1;
constexpr int64_t kNullPen = 0x80000008;
constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF,
                   kYellow = 0xFFFF00;

// COLORREF of 0xRRGGBB.
int64_t Ref(uint32_t rgb) {
  return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

void SolidBrush(TEmfBuilder& b, uint32_t ih, uint32_t rgb) {
  b.Rec(EMR_CREATEBRUSHINDIRECT, {ih, 0, Ref(rgb), 0}).Rec(EMR_SELECTOBJECT, {ih});
}

void Pen(TEmfBuilder& b, uint32_t ih, uint32_t rgb, int width = 0) {
  b.Rec(EMR_CREATEPEN, {ih, 0, width, 0, Ref(rgb)}).Rec(EMR_SELECTOBJECT, {ih});
}

// StretchDIBits of a packed DIB whose header and colour table take HeaderBytes.
void StretchDib(TEmfBuilder& b, int x, int y, int w, int h, const std::vector<uint8_t>& dib,
                size_t headerBytes, int srcW, int srcH, uint32_t rop = 0x00CC0020) {
  std::vector<uint8_t> body;
  for (int v : {x, y, x + w, y + h, x, y, 0, 0, srcW, srcH}) Put32(body, static_cast<uint32_t>(v));
  Put32(body, 80);
  Put32(body, static_cast<uint32_t>(headerBytes));
  Put32(body, static_cast<uint32_t>(80 + headerBytes));
  Put32(body, static_cast<uint32_t>(dib.size() - headerBytes));
  Put32(body, 0);
  Put32(body, rop);
  Put32(body, static_cast<uint32_t>(w));
  Put32(body, static_cast<uint32_t>(h));
  body.insert(body.end(), dib.begin(), dib.end());
  b.Raw(EMR_STRETCHDIBITS, body);
}

std::vector<uint8_t> Text16(const std::u16string& s) {
  std::vector<uint8_t> d;
  for (char16_t c : s) Put16(d, c);
  return d;
}

void Font(TEmfBuilder& b, uint32_t ih, int height, const std::u16string& face) {
  std::vector<uint8_t> body;
  Put32(body, ih);
  for (int v : {height, 0, 0, 0, 400}) Put32(body, static_cast<uint32_t>(v));
  Put32(body, 0);  // italic, underline, strike-out, character set
  Put32(body, 0);  // precisions, quality, pitch and family
  std::vector<uint8_t> name = Text16(face);
  name.resize(64, 0);
  body.insert(body.end(), name.begin(), name.end());
  b.Raw(EMR_EXTCREATEFONTINDIRECTW, body).Rec(EMR_SELECTOBJECT, {ih});
}

// Text at (x, y), with an advance for each UTF-16 unit when Dx is given.
void TextOutW(TEmfBuilder& b, int x, int y, const std::u16string& s,
              const std::vector<int>& dx = {}) {
  std::vector<uint8_t> body;
  for (int v : {0, 0, -1, -1, 1}) Put32(body, static_cast<uint32_t>(v));
  Put32(body, 0x3F800000);
  Put32(body, 0x3F800000);
  for (int v : {x, y}) Put32(body, static_cast<uint32_t>(v));
  Put32(body, static_cast<uint32_t>(s.size()));
  Put32(body, 76);  // string offset
  Put32(body, 0);   // options
  for (int v : {0, 0, -1, -1}) Put32(body, static_cast<uint32_t>(v));
  std::vector<uint8_t> t = Text16(s);
  t.resize((t.size() + 3) / 4 * 4, 0);
  Put32(body, dx.empty() ? 0 : static_cast<uint32_t>(76 + t.size()));  // advances
  body.insert(body.end(), t.begin(), t.end());
  for (int d : dx) Put32(body, static_cast<uint32_t>(d));
  b.Raw(EMR_EXTTEXTOUTW, body);
}

// The box around pixels darker than mid-grey, or an empty rectangle.
QRect InkBox(const QImage& image) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 128) box |= QRect(x, y, 1, 1);
  return box;
}

}  // namespace

TEST(MetafileEmf, RectangleIsFilledAndOutlinedOnItsOwnEdgePixels) {
  TEmfBuilder b;
  SolidBrush(b, 1, kRed);
  Pen(b, 2, kBlue);
  b.Rec(EMR_RECTANGLE, {10, 10, 50, 40});
  TMetafile mf = Load(b.Finish());
  EXPECT_TRUE(mf.Enhanced());
  EXPECT_EQ(mf.Width(), 96);
  EXPECT_EQ(mf.Height(), 96);
  EXPECT_EQ(mf.MMWidth(), 2540);
  const QImage img = Render(mf, 96, 96);
  EXPECT_EQ(At(img, 10, 10), kBlue);
  EXPECT_EQ(At(img, 49, 39), kBlue);
  EXPECT_EQ(At(img, 30, 10), kBlue);
  EXPECT_EQ(At(img, 30, 25), kRed);
  EXPECT_EQ(At(img, 50, 25), kWhite);  // right edge is exclusive
  EXPECT_EQ(At(img, 30, 40), kWhite);
  EXPECT_EQ(At(img, 9, 9), kWhite);
  // Every touched pixel is opaque.
  EXPECT_EQ(qAlpha(img.pixel(30, 25)), 255);
}

TEST(MetafileEmf, DrawingIntoARectangleMapsTheFrameOntoIt) {
  TEmfBuilder b;
  SolidBrush(b, 1, kRed);
  b.Rec(EMR_SELECTOBJECT, {kNullPen}).Rec(EMR_RECTANGLE, {0, 0, 49, 49});
  TMetafile mf = Load(b.Finish());
  // The 96-pixel frame lands on 48 pixels at (100, 20): the square shrinks to a quarter.
  const QImage img = Render(mf, 200, 100, kWhite, Rect(100, 20, 148, 68));
  EXPECT_EQ(At(img, 101, 21), kRed);
  EXPECT_EQ(At(img, 122, 42), kRed);
  EXPECT_EQ(At(img, 126, 46), kWhite);
  EXPECT_EQ(At(img, 99, 21), kWhite);
}

TEST(MetafileEmf, LinesFollowThePenAndTheCurrentPosition) {
  TEmfBuilder b;
  Pen(b, 1, kGreen);
  b.Rec(EMR_POLYLINE16, {0, 0, 0, 0, 2, (20 << 16) | 5, (20 << 16) | 60});
  b.Rec(EMR_MOVETOEX, {70, 10}).Rec(EMR_LINETO, {70, 80});
  TMetafile mf = Load(b.Finish());
  const QImage img = Render(mf, 96, 96);
  EXPECT_EQ(At(img, 30, 20), kGreen);
  EXPECT_EQ(At(img, 30, 22), kWhite);
  EXPECT_EQ(At(img, 70, 50), kGreen);
  EXPECT_EQ(At(img, 72, 50), kWhite);
}

TEST(MetafileEmf, TextLandsAtItsReferencePointWithItsAlignment) {
  TEmfBuilder b;
  Font(b, 1, -20, u"Arial");
  b.Rec(EMR_SETBKMODE, {1}).Rec(EMR_SETTEXTCOLOR, {Ref(0x000000)});
  TextOutW(b, 10, 10, u"HH");
  TMetafile left = Load(b.Finish());
  const QRect ink = InkBox(Render(left, 96, 96));
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_GE(ink.left(), 10);
  EXPECT_LE(ink.left(), 14);
  EXPECT_GE(ink.top(), 10);
  EXPECT_LE(ink.bottom(), 30);
  EXPECT_GT(ink.width(), 15);

  // Right-aligned on its baseline, with an opaque yellow background.
  TEmfBuilder r;
  Font(r, 1, -20, u"Arial");
  r.Rec(EMR_SETTEXTALIGN, {2 | 24}).Rec(EMR_SETBKCOLOR, {Ref(kYellow)});
  TextOutW(r, 90, 60, u"HH");
  TMetafile right = Load(r.Finish());
  const QImage img = Render(right, 96, 96);
  const QRect ink2 = InkBox(img);
  ASSERT_FALSE(ink2.isEmpty());
  EXPECT_LE(ink2.right(), 90);
  EXPECT_GE(ink2.right(), 84);
  EXPECT_LT(ink2.bottom(), 60);
  EXPECT_GT(ink2.bottom(), 50);
  EXPECT_EQ(At(img, (ink2.left() + ink2.right()) / 2, ink2.top() - 2), kYellow);
  EXPECT_EQ(At(img, 30, 58), kWhite);
}

TEST(MetafileEmf, CentredTextHasItsInkAroundTheReferencePoint) {
  for (int x : {30, 48, 70}) {
    SCOPED_TRACE(x);
    TEmfBuilder b;
    Font(b, 1, -20, u"Arial");
    b.Rec(EMR_SETBKMODE, {1}).Rec(EMR_SETTEXTALIGN, {6 | 24});  // centre, baseline
    TextOutW(b, x, 60, u"HH");
    TMetafile mf = Load(b.Finish());
    const QRect ink = InkBox(Render(mf, 96, 96));
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GT(ink.width(), 15);
    EXPECT_LE(std::abs(ink.left() + ink.right() + 1 - 2 * x), 3)
        << ink.left() << ".." << ink.right();
    EXPECT_LT(ink.bottom(), 60);
    EXPECT_GT(ink.bottom(), 50);
  }
}

// The ink of text drawn in black with a 20-pixel font by Records (after the font is chosen).
template <class F>
QRect TextInk(F&& Records) {
  TEmfBuilder b;
  Font(b, 1, -20, u"Arial");
  b.Rec(EMR_SETBKMODE, {1}).Rec(EMR_SETTEXTCOLOR, {Ref(0x000000)});
  Records(b);
  TMetafile mf = Load(b.Finish());
  return InkBox(Render(mf, 96, 96));
}

TEST(MetafileEmf, CharactersGoWhereTheirAdvancesAndTheCurrentPositionSay) {
  const QRect one = TextInk([](TEmfBuilder& b) { TextOutW(b, 10, 10, u"H"); });
  const QRect two = TextInk([](TEmfBuilder& b) { TextOutW(b, 10, 10, u"HH"); });
  ASSERT_FALSE(one.isEmpty());
  ASSERT_GT(two.width(), one.width());

  // Given advances move each character by exactly that much.
  const QRect spaced = TextInk([](TEmfBuilder& b) { TextOutW(b, 10, 10, u"HH", {40, 40}); });
  EXPECT_EQ(spaced.left(), one.left());
  EXPECT_EQ(spaced.right(), one.right() + 40);

  // A surrogate pair is one character that takes the advances of both its units.
  auto afterPair = [](int second) {
    return TextInk([second](TEmfBuilder& b) {
      TextOutW(b, 10, 10, u"\xD83D\xDE00H", {10, second, 0});
    });
  };
  EXPECT_EQ(afterPair(40).right(), one.right() + 50);
  EXPECT_EQ(afterPair(40).right(), afterPair(20).right() + 20);

  // Text drawn at the current position moves it on: two calls make one word.
  const QRect updating = TextInk([](TEmfBuilder& b) {
    b.Rec(EMR_SETTEXTALIGN, {kTaUpdateCp}).Rec(EMR_MOVETOEX, {10, 10});
    TextOutW(b, 70, 70, u"H");  // the reference point is ignored
    TextOutW(b, 70, 70, u"H");
  });
  EXPECT_EQ(updating, two);
}

TEST(MetafileEmf, TextInAPathIsFilledWithTheBrush) {
  TEmfBuilder b;
  Font(b, 1, -40, u"Arial");
  SolidBrush(b, 2, kRed);
  b.Rec(EMR_SELECTOBJECT, {kNullPen});
  b.Rec(EMR_BEGINPATH, {});
  TextOutW(b, 10, 10, u"H");
  b.Rec(EMR_ENDPATH, {}).Rec(EMR_FILLPATH, {0, 0, -1, -1});
  TMetafile mf = Load(b.Finish());
  const QImage img = Render(mf, 96, 96);
  // Red strokes of an H below and right of the reference point, nothing else.
  QRect redBox;
  int red = 0;
  for (int y = 0; y < 96; ++y) {
    for (int x = 0; x < 96; ++x) {
      if (At(img, x, y) != kRed) continue;
      ++red;
      redBox |= QRect(x, y, 1, 1);
    }
  }
  EXPECT_GT(red, 100);
  EXPECT_GE(redBox.left(), 10);
  EXPECT_GE(redBox.top(), 10);
  EXPECT_LE(redBox.bottom(), 50);
}

// A 2 x 2 picture: red, green on the top row, blue, white below, in each pixel format.
struct TDepthCase {
  const char* Name;
  int BitCount;
  uint32_t Compression;
  std::vector<uint32_t> Masks;
  std::vector<uint32_t> Colors;
  std::vector<uint8_t> Rows;  // bottom row first
  uint32_t Expect[4];         // top-left, top-right, bottom-left, bottom-right
};

class MetafileEmfDepth : public testing::TestWithParam<TDepthCase> {};

TEST_P(MetafileEmfDepth, StretchDibitsDecodesThePixels) {
  const TDepthCase& c = GetParam();
  const std::vector<uint8_t> dib = Dib(2, 2, c.BitCount, c.Colors, c.Rows, c.Compression, c.Masks);
  TEmfBuilder b;
  StretchDib(b, 0, 0, 96, 96, dib, 40 + 4 * (c.Masks.size() + c.Colors.size()), 2, 2);
  TMetafile mf = Load(b.Finish());
  const QImage img = Render(mf, 96, 96);
  EXPECT_EQ(At(img, 24, 24), c.Expect[0]);
  EXPECT_EQ(At(img, 72, 24), c.Expect[1]);
  EXPECT_EQ(At(img, 24, 72), c.Expect[2]);
  EXPECT_EQ(At(img, 72, 72), c.Expect[3]);
}

INSTANTIATE_TEST_SUITE_P(
    AllDepths, MetafileEmfDepth,
    testing::Values(TDepthCase{"mono",
                               1,
                               0,
                               {},
                               {0x000000, 0xFFFFFF},
                               {0x40, 0, 0, 0, 0x80, 0, 0, 0},
                               {0xFFFFFF, 0x000000, 0x000000, 0xFFFFFF}},
                    TDepthCase{"four",
                               4,
                               0,
                               {},
                               {kRed, kGreen, kBlue, kWhite},
                               {0x23, 0, 0, 0, 0x01, 0, 0, 0},
                               {kRed, kGreen, kBlue, kWhite}},
                    TDepthCase{"eight",
                               8,
                               0,
                               {},
                               {kRed, kGreen, kBlue, kWhite},
                               {2, 3, 0, 0, 0, 1, 0, 0},
                               {kRed, kGreen, kBlue, kWhite}},
                    TDepthCase{"rgb555",
                               16,
                               0,
                               {},
                               {},
                               {0x1F, 0, 0xFF, 0x7F, 0x00, 0x7C, 0xE0, 0x03},
                               {kRed, kGreen, kBlue, kWhite}},
                    TDepthCase{"rgb565",
                               16,
                               3,
                               {0xF800, 0x07E0, 0x001F},
                               {},
                               {0x1F, 0, 0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07},
                               {kRed, kGreen, kBlue, kWhite}},
                    TDepthCase{"bgr24",
                               24,
                               0,
                               {},
                               {},
                               {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0},
                               {kRed, kGreen, kBlue, kWhite}},
                    TDepthCase{"bgrx32",
                               32,
                               0,
                               {},
                               {},
                               {255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 0, 0, 255, 0, 0},
                               {kRed, kGreen, kBlue, kWhite}},
                    TDepthCase{"fields32",
                               32,
                               3,
                               {0x000000FF, 0x0000FF00, 0x00FF0000},
                               {},
                               {0, 0, 255, 0, 255, 255, 255, 0, 255, 0, 0, 0, 0, 255, 0, 0},
                               {kRed, kGreen, kBlue, kWhite}}),
    [](const testing::TestParamInfo<TDepthCase>& info) { return std::string(info.param.Name); });

TEST(MetafileEmf, RasterOperationsCombineSourceAndDestination) {
  const uint32_t background = 0x336699, source = 0x0F0FF0;
  const struct {
    uint32_t Rop;
    uint32_t Expect;
  } cases[] = {{0x00CC0020, source},
               {0x008800C6, background & source},
               {0x00EE0086, background | source},
               {0x00660046, background ^ source},
               {0x00330008, ~source & 0xFFFFFF}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Rop);
    const std::vector<uint8_t> dib =
        Dib(1, 1, 24, {},
            {static_cast<uint8_t>(source), static_cast<uint8_t>(source >> 8),
             static_cast<uint8_t>(source >> 16), 0});
    TEmfBuilder b;
    StretchDib(b, 20, 20, 40, 40, dib, 40, 1, 1, c.Rop);
    TMetafile mf = Load(b.Finish());
    const QImage img = Render(mf, 96, 96, background);
    EXPECT_EQ(At(img, 40, 40), c.Expect);
    EXPECT_EQ(qAlpha(img.pixel(40, 40)), 255);
    EXPECT_EQ(At(img, 10, 10), background);
  }
}

TEST(MetafileEmf, XorPenKeepsPixelsOpaque) {
  TEmfBuilder b;
  SolidBrush(b, 1, 0x0F0F0F);
  b.Rec(EMR_SELECTOBJECT, {kNullPen}).Rec(EMR_SETROP2, {7}).Rec(EMR_RECTANGLE, {10, 10, 60, 60});
  TMetafile mf = Load(b.Finish());
  const QImage img = Render(mf, 96, 96, 0x336699);
  EXPECT_EQ(At(img, 30, 30), 0x336699u ^ 0x0F0F0Fu);
  EXPECT_EQ(qAlpha(img.pixel(30, 30)), 255);
}

TEST(MetafileEmf, ClippingRectanglesAndSavedStates) {
  TEmfBuilder b;
  SolidBrush(b, 1, kRed);
  b.Rec(EMR_SELECTOBJECT, {kNullPen});
  b.Rec(EMR_SAVEDC, {})
      .Rec(EMR_INTERSECTCLIPRECT, {20, 20, 60, 60})
      .Rec(EMR_EXCLUDECLIPRECT, {30, 30, 40, 40})
      .Rec(EMR_RECTANGLE, {0, 0, 97, 97})
      .Rec(EMR_RESTOREDC, {-1});
  SolidBrush(b, 2, kBlue);
  b.Rec(EMR_RECTANGLE, {80, 80, 97, 97});  // outside the old clip: drawn after the restore
  TMetafile mf = Load(b.Finish());
  const QImage img = Render(mf, 96, 96);
  EXPECT_EQ(At(img, 10, 10), kWhite);
  EXPECT_EQ(At(img, 25, 25), kRed);
  EXPECT_EQ(At(img, 35, 35), kWhite);
  EXPECT_EQ(At(img, 65, 65), kWhite);
  EXPECT_EQ(At(img, 90, 90), kBlue);

  // Excluding from the unclipped picture (once more, after a restored clip) leaves a hole.
  TEmfBuilder hole;
  SolidBrush(hole, 1, kRed);
  hole.Rec(EMR_SELECTOBJECT, {kNullPen})
      .Rec(EMR_SETBKMODE, {1})
      .Rec(EMR_SAVEDC, {})
      .Rec(EMR_INTERSECTCLIPRECT, {0, 0, 5, 5})
      .Rec(EMR_RECTANGLE, {0, 0, 97, 97})
      .Rec(EMR_RESTOREDC, {-1})
      .Rec(EMR_EXCLUDECLIPRECT, {30, 30, 40, 40})
      .Rec(EMR_RECTANGLE, {0, 0, 97, 97});
  TMetafile h = Load(hole.Finish());
  const QImage ih = Render(h, 96, 96);
  EXPECT_EQ(At(ih, 35, 35), kWhite);
  EXPECT_EQ(At(ih, 25, 25), kRed);
}

TEST(MetafileEmf, WorldTransformAndMappingModesPlaceTheDrawing) {
  // Scale 2 and shift by (10, 0): (5, 5)-(15, 15) lands on (20, 10)-(40, 30).
  TEmfBuilder world;
  SolidBrush(world, 1, kRed);
  world.Rec(EMR_SELECTOBJECT, {kNullPen})
      .Rec(EMR_SETWORLDTRANSFORM, {0x40000000, 0, 0, 0x40000000, 0x41200000, 0})
      .Rec(EMR_RECTANGLE, {5, 5, 16, 16});
  TMetafile a = Load(world.Finish());
  const QImage ia = Render(a, 96, 96);
  EXPECT_EQ(At(ia, 21, 11), kRed);
  EXPECT_EQ(At(ia, 38, 28), kRed);
  EXPECT_EQ(At(ia, 19, 11), kWhite);
  EXPECT_EQ(At(ia, 43, 33), kWhite);

  // Anisotropic: a 48 x 24 window on the 96 x 96 viewport stretches x by 2 and y by 4.
  TEmfBuilder aniso;
  SolidBrush(aniso, 1, kBlue);
  aniso.Rec(EMR_SELECTOBJECT, {kNullPen})
      .Rec(EMR_SETMAPMODE, {8})
      .Rec(EMR_SETWINDOWEXTEX, {48, 24})
      .Rec(EMR_SETVIEWPORTEXTEX, {96, 96})
      .Rec(EMR_RECTANGLE, {10, 10, 21, 21});
  TMetafile m = Load(aniso.Finish());
  const QImage im = Render(m, 96, 96);
  EXPECT_EQ(At(im, 21, 41), kBlue);
  EXPECT_EQ(At(im, 38, 78), kBlue);
  EXPECT_EQ(At(im, 21, 38), kWhite);
  EXPECT_EQ(At(im, 45, 60), kWhite);
}

TEST(MetafileEmf, IsotropicMappingTakesTheSmallerRatioAndCropsNothing) {
  // The window filled with blue on a 96 x 96 viewport: 100 x 50 allows 0.96 across and 1.92
  // down, 50 x 100 the other way round. The smaller ratio serves both directions, so the whole
  // window shows at its own proportions from the top-left corner.
  struct TCase {
    int WindowX, WindowY;
    QPoint Inside[2], Outside[2];
  };
  const TCase cases[] = {{100, 50, {{94, 46}, {2, 2}}, {{48, 51}, {48, 70}}},
                         {50, 100, {{46, 94}, {2, 2}}, {{51, 48}, {70, 48}}}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.WindowX) + " x " + std::to_string(c.WindowY));
    TEmfBuilder b;
    SolidBrush(b, 1, kBlue);
    b.Rec(EMR_SELECTOBJECT, {kNullPen})
        .Rec(EMR_SETMAPMODE, {7})
        .Rec(EMR_SETWINDOWEXTEX, {c.WindowX, c.WindowY})
        .Rec(EMR_SETVIEWPORTEXTEX, {96, 96})
        .Rec(EMR_RECTANGLE, {0, 0, c.WindowX + 1, c.WindowY + 1});
    TMetafile mf = Load(b.Finish());
    const QImage img = Render(mf, 96, 96);
    for (const QPoint& p : c.Inside)
      EXPECT_EQ(At(img, p.x(), p.y()), kBlue) << p.x() << "," << p.y();
    for (const QPoint& p : c.Outside)
      EXPECT_EQ(At(img, p.x(), p.y()), kWhite) << p.x() << "," << p.y();
  }
}

TEST(MetafileEmf, PiesRunCounterClockwiseUnlessTheDirectionSaysOtherwise) {
  for (int direction : {1, 2}) {
    SCOPED_TRACE(direction);
    TEmfBuilder b;
    SolidBrush(b, 1, kRed);
    // From three o'clock to twelve o'clock of the circle filling the picture.
    b.Rec(EMR_SELECTOBJECT, {kNullPen})
        .Rec(EMR_SETARCDIRECTION, {direction})
        .Rec(EMR_PIE, {0, 0, 97, 97, 96, 48, 48, 0});
    TMetafile mf = Load(b.Finish());
    const QImage img = Render(mf, 96, 96);
    const bool ccw = direction == 1;
    EXPECT_EQ(At(img, 70, 25), ccw ? kRed : kWhite);  // upper right
    EXPECT_EQ(At(img, 25, 25), ccw ? kWhite : kRed);  // upper left
    EXPECT_EQ(At(img, 25, 70), ccw ? kWhite : kRed);
    EXPECT_EQ(At(img, 70, 70), ccw ? kWhite : kRed);
    EXPECT_EQ(At(img, 2, 2), kWhite);  // outside the circle
  }
}

TEST(MetafileEmf, HatchBackgroundFollowsTheBackgroundMode) {
  for (int mode : {1, 2}) {
    SCOPED_TRACE(mode);
    TEmfBuilder b;
    b.Rec(EMR_CREATEBRUSHINDIRECT, {1, 2, Ref(0x000000), 4})  // black cross hatch
        .Rec(EMR_SELECTOBJECT, {1})
        .Rec(EMR_SELECTOBJECT, {kNullPen})
        .Rec(EMR_SETBKCOLOR, {Ref(kGreen)})
        .Rec(EMR_SETBKMODE, {mode})
        .Rec(EMR_RECTANGLE, {0, 0, 97, 97});
    TMetafile mf = Load(b.Finish());
    const QImage img = Render(mf, 96, 96);
    int black = 0, green = 0, white = 0;
    for (int y = 8; y < 40; ++y)
      for (int x = 8; x < 40; ++x) {
        const uint32_t p = At(img, x, y);
        black += p == 0;
        green += p == kGreen;
        white += p == kWhite;
      }
    EXPECT_GT(black, 50);
    EXPECT_GT(mode == 2 ? green : white, 500);
    EXPECT_EQ(mode == 2 ? white : green, 0);
  }
}

TEST(MetafileEmf, PathsAreFilledWhenTheyAreClosed) {
  TEmfBuilder b;
  SolidBrush(b, 1, kRed);
  b.Rec(EMR_BEGINPATH, {})
      .Rec(EMR_MOVETOEX, {10, 10})
      .Rec(EMR_LINETO, {80, 10})
      .Rec(EMR_LINETO, {10, 80})
      .Rec(EMR_CLOSEFIGURE, {})
      .Rec(EMR_ENDPATH, {})
      .Rec(EMR_FILLPATH, {0, 0, -1, -1});
  TMetafile mf = Load(b.Finish());
  const QImage img = Render(mf, 96, 96);
  EXPECT_EQ(At(img, 20, 20), kRed);
  EXPECT_EQ(At(img, 70, 70), kWhite);
}

TEST(MetafileEmf, UnknownRecordsAndEmfPlusCommentsAreSkipped) {
  TEmfBuilder b;
  b.Raw(250, {1, 2, 3, 4});
  std::vector<uint8_t> comment;
  Put32(comment, 12);
  for (char c : std::string("EMF+\x01\x40\x00\x00\x0C\x00\x00\x00", 12)) comment.push_back(c);
  b.Raw(EMR_GDICOMMENT, comment);
  SolidBrush(b, 1, kBlue);
  b.Rec(EMR_RECTANGLE, {10, 10, 50, 50});
  TMetafile mf = Load(b.Finish());
  EXPECT_EQ(At(Render(mf, 96, 96), 30, 30), kBlue);
}

TEST(MetafileEmf, BitmapsOfOneMetafileShareAPixelBudget) {
  // Each record an 8192 x 8192 run-length picture of four bytes: a few bytes of file that would
  // cost a quarter of a second each to decode. Four fit the budget, five are refused on reading.
  const std::vector<uint8_t> huge = Dib(8192, 8192, 8, {kRed}, {255, 0, 0, 1}, 1);
  auto metafile = [&](int records) {
    TEmfBuilder b;
    for (int i = 0; i < records; ++i) StretchDib(b, 0, 0, 96, 96, huge, 44, 8192, 8192);
    return b.Finish();
  };
  EXPECT_NO_THROW(Load(metafile(4)));
  for (int records : {5, 100}) {
    SCOPED_TRACE(records);
    try {
      Load(metafile(records));
      ADD_FAILURE() << "loaded";
    } catch (const EInvalidGraphic& e) {
      EXPECT_NE(std::string(e.what()).find("EMR_STRETCHDIBITS record at offset"), std::string::npos)
          << e.what();
      EXPECT_NE(std::string(e.what()).find("268435456 pixels"), std::string::npos) << e.what();
    }
  }
}

TEST(MetafileEmf, MalformedRecordsAreRefusedWithAClearMessage) {
  const std::vector<uint8_t> good = TEmfBuilder().Finish();
  struct TCase {
    const char* Name;
    std::vector<uint8_t> Bytes;
    const char* Message;
  };
  std::vector<TCase> cases;
  cases.push_back({"count beyond the record",
                   TEmfBuilder().Rec(EMR_POLYLINE16, {0, 0, 0, 0, 1000, 0, 0}).Finish(),
                   "EMR_POLYLINE16"});
  cases.push_back({"poly-polygon counts beyond the points",
                   TEmfBuilder().Rec(EMR_POLYPOLYGON16, {0, 0, 0, 0, 1, 2, 5, 0, 0}).Finish(),
                   "exceed"});
  {
    std::vector<uint8_t> bytes = good;
    Set32(bytes, 88 + 4, 400);  // the end record claims more than there is
    cases.push_back({"record beyond the end", bytes, "EMR_EOF"});
  }
  {
    std::vector<uint8_t> bytes = TEmfBuilder().Rec(EMR_SAVEDC, {}).Finish();
    Set32(bytes, 88 + 4, 10);  // not a multiple of four
    cases.push_back({"odd record size", bytes, "size 10"});
  }
  {
    std::vector<uint8_t> bytes = good;
    Set32(bytes, 4, 40);  // header shorter than its fields
    cases.push_back({"short header", bytes, "EMR_HEADER"});
  }
  {
    std::vector<uint8_t> bytes = good;
    Set32(bytes, 60, 50);  // description of 50 characters ...
    Set32(bytes, 64, 80);  // ... that runs past the header
    cases.push_back({"description outside the header", bytes, "description"});
  }
  {
    TEmfBuilder b;
    StretchDib(b, 0, 0, 10, 10, Dib(8, 8, 24, {}, std::vector<uint8_t>(20, 0)), 40, 8, 8);
    cases.push_back({"bitmap bits too short", b.Finish(), "bytes of pixels"});
  }
  {
    TEmfBuilder b;
    std::vector<uint8_t> dib = Dib(1, 1, 24, {}, {0, 0, 0, 0});
    StretchDib(b, 0, 0, 10, 10, dib, 40, 1, 1);
    std::vector<uint8_t> bytes = b.Finish();
    Set32(bytes, 88 + 48, 5000);  // bitmap header offset outside the record
    cases.push_back({"bitmap offset outside the record", bytes, "EMR_STRETCHDIBITS"});
  }
  cases.push_back({"not a metafile", std::vector<uint8_t>(200, 7), "neither"});

  TMetafile mf = Load(TEmfBuilder().Rec(EMR_SAVEDC, {}).Finish());
  const std::vector<uint8_t> kept = mf.Data();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TReadOnlyMemoryStream stream(c.Bytes.data(), static_cast<int64_t>(c.Bytes.size()));
    try {
      mf.LoadFromStream(stream);
      ADD_FAILURE() << "loaded";
    } catch (const EInvalidGraphic& e) {
      EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
    }
    EXPECT_EQ(mf.Data(), kept);
    EXPECT_TRUE(mf.Enhanced());
  }
}

}  // namespace pictavia
