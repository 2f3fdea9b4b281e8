// The canvas operations pictures and decoders build on: stretched copies with raster
// operations, device-independent bitmaps of every depth, keyed and blended copies, fills, text
// and clipping.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>
#include <vector>

#include "toolkit/canvas.h"
#include "toolkit/colors.h"

namespace pictavia {

namespace {

// A canvas over pixels of its own.
struct Surface {
  Surface(int w, int h, uint32_t fill = 0) : W(w), H(h), Px(size_t(w) * h, fill) {
    Canvas.SetSurface(Px.data(), w, h);
  }
  uint32_t& At(int x, int y) { return Px[size_t(y) * W + x]; }
  int W, H;
  std::vector<uint32_t> Px;
  TCanvas Canvas;
};

}  // namespace

TEST(Canvas, CopyRectStretchesByRepeatingAndMirrors) {
  Surface src(2, 2);
  src.At(0, 0) = 0xFF000001;
  src.At(1, 0) = 0xFF000002;
  src.At(0, 1) = 0xFF000003;
  src.At(1, 1) = 0xFF000004;
  Surface dst(4, 4);
  dst.Canvas.CopyRect(Rect(0, 0, 4, 4), src.Canvas, Rect(0, 0, 2, 2));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.At(x, y), src.At(x / 2, y / 2)) << x << "," << y;

  // A reversed destination mirrors; shrinking drops columns.
  Surface mirrored(2, 1);
  mirrored.Canvas.CopyRect(Rect(2, 0, 0, 1), src.Canvas, Rect(0, 0, 2, 1));
  EXPECT_EQ(mirrored.At(0, 0), 0xFF000002u);
  EXPECT_EQ(mirrored.At(1, 0), 0xFF000001u);
  Surface shrunk(1, 1);
  shrunk.Canvas.CopyRect(Rect(0, 0, 1, 1), src.Canvas, Rect(0, 0, 2, 2));
  EXPECT_EQ(shrunk.At(0, 0), 0xFF000001u);
}

TEST(Canvas, CopyRectRasterOperations) {
  const uint32_t s = 0xFF00FF0F, d = 0xFF0F0F00;
  const uint32_t brush = PixelFromColor(clRed);
  const struct {
    TCopyMode Mode;
    uint32_t Expected;
  } cases[] = {
      {cmSrcCopy, s},
      {cmSrcAnd, s & d},
      {cmSrcPaint, s | d},
      {cmSrcInvert, s ^ d},
      {cmSrcErase, s & ~d},
      {cmNotSrcCopy, ~s},
      {cmNotSrcErase, ~(s | d)},
      {cmDstInvert, ~d},
      {cmBlackness, 0},
      {cmWhiteness, 0xFFFFFFFF},
      {cmPatCopy, brush},
      {cmPatInvert, brush ^ d},
      {cmMergeCopy, s & brush},
      {cmMergePaint, ~s | d},
  };
  Surface src(1, 1, s);
  for (const auto& c : cases) {
    Surface dst(1, 1, d);
    dst.Canvas.Brush().Color = clRed;
    dst.Canvas.CopyMode = c.Mode;
    dst.Canvas.CopyRect(Rect(0, 0, 1, 1), src.Canvas, Rect(0, 0, 1, 1));
    EXPECT_EQ(dst.At(0, 0), c.Expected) << std::hex << c.Mode;
  }
}

TEST(Canvas, CopyRectLeavesPixelsOutsideTheSourceAndHandlesOverlap) {
  Surface src(2, 1, 0xFF111111);
  Surface dst(4, 1, 0xFF999999);
  // The source rectangle reaches past the source's right edge.
  dst.Canvas.CopyRect(Rect(0, 0, 4, 1), src.Canvas, Rect(0, 0, 4, 1));
  EXPECT_EQ(dst.At(1, 0), 0xFF111111u);
  EXPECT_EQ(dst.At(2, 0), 0xFF999999u);

  Surface row(4, 1);
  for (int x = 0; x < 4; ++x) row.At(x, 0) = 0xFF000000u + x;
  row.Canvas.CopyRect(Rect(1, 0, 4, 1), row.Canvas, Rect(0, 0, 3, 1));
  EXPECT_EQ(row.At(1, 0), 0xFF000000u);
  EXPECT_EQ(row.At(2, 0), 0xFF000001u);
  EXPECT_EQ(row.At(3, 0), 0xFF000002u);
}

TEST(Canvas, StretchDIBitsReadsEveryDepthAndBottomUpRows) {
  const TRGBQuad table[16] = {{0, 0, 0, 0},    {255, 0, 0, 0},  {0, 255, 0, 0},  {0, 0, 255, 0},
                              {1, 2, 3, 0},    {4, 5, 6, 0},    {7, 8, 9, 0},    {10, 11, 12, 0},
                              {13, 14, 15, 0}, {16, 17, 18, 0}, {19, 20, 21, 0}, {22, 23, 24, 0},
                              {25, 26, 27, 0}, {28, 29, 30, 0}, {31, 32, 33, 0}, {34, 35, 36, 0}};
  auto quad = [&](int i) {
    return uint32_t(table[i].rgbBlue | table[i].rgbGreen << 8 | table[i].rgbRed << 16);
  };
  // Three pixels per row, two rows: top row indexes 1 2 3, bottom row 15 0 4.
  const int top[3] = {1, 2, 3}, bottom[3] = {15, 0, 4};
  struct Case {
    int Bits;
    std::vector<uint8_t> TopRow, BottomRow;
  };
  const Case cases[] = {
      {1, {0xA0, 0, 0, 0}, {0x40, 0, 0, 0}},  // 1 0 1 / 0 1 0
      {4, {0x12, 0x30, 0, 0}, {0xF0, 0x40, 0, 0}},
      {8, {1, 2, 3, 0}, {15, 0, 4, 0}},
  };
  for (const Case& c : cases) {
    for (bool bottomUp : {false, true}) {
      std::vector<uint8_t> bits = bottomUp ? c.BottomRow : c.TopRow;
      const auto& second = bottomUp ? c.TopRow : c.BottomRow;
      bits.insert(bits.end(), second.begin(), second.end());
      TDibDescription dib{3, 2, c.Bits, bottomUp, bits.data(), 4, table, 16};
      Surface dst(3, 2, 0xDEADBEEF);
      dst.Canvas.StretchDIBits(Rect(0, 0, 3, 2), Rect(0, 0, 3, 2), dib);
      for (int x = 0; x < 3; ++x) {
        const int t = c.Bits == 1 ? (x == 1 ? 0 : 1) : top[x];
        const int b = c.Bits == 1 ? (x == 1 ? 1 : 0) : bottom[x];
        EXPECT_EQ(dst.At(x, 0), quad(t)) << c.Bits << " bits, bottom-up " << bottomUp;
        EXPECT_EQ(dst.At(x, 1), quad(b)) << c.Bits << " bits, bottom-up " << bottomUp;
      }
    }
  }
  // 24 and 32 bits: blue, green, red (and the fourth byte), rows bottom-up.
  const uint8_t rgb[] = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
  TDibDescription dib24{2, 2, 24, true, rgb, 8, nullptr, 0};
  Surface d24(2, 2);
  d24.Canvas.StretchDIBits(Rect(0, 0, 2, 2), Rect(0, 0, 2, 2), dib24);
  EXPECT_EQ(d24.At(0, 0), 0x00090807u);
  EXPECT_EQ(d24.At(1, 1), 0x00060504u);
  const uint8_t argb[] = {1, 2, 3, 0x80, 4, 5, 6, 0};
  TDibDescription dib32{2, 1, 32, false, argb, 8, nullptr, 0};
  Surface d32(4, 1);
  d32.Canvas.StretchDIBits(Rect(0, 0, 4, 1), Rect(0, 0, 2, 1), dib32);
  EXPECT_EQ(d32.At(1, 0), 0x80030201u);
  EXPECT_EQ(d32.At(2, 0), 0x00060504u);

  // A stride shorter than a row is refused rather than read past.
  TDibDescription bad{8, 1, 32, false, argb, 8, nullptr, 0};
  Surface untouched(1, 1, 0x12345678);
  untouched.Canvas.StretchDIBits(Rect(0, 0, 1, 1), Rect(0, 0, 8, 1), bad);
  EXPECT_EQ(untouched.At(0, 0), 0x12345678u);
}

TEST(Canvas, KeyedAndBlendedCopies) {
  const uint8_t px[] = {0, 0, 255, 0, 255, 0, 0, 0};  // red, green (blue-green-red order)
  TDibDescription dib{2, 1, 24, false, px, 8, nullptr, 0};
  Surface dst(2, 1, 0xFF0000FF);
  dst.Canvas.TransparentStretchDIBits(Rect(0, 0, 2, 1), Rect(0, 0, 2, 1), dib, clRed);
  EXPECT_EQ(dst.At(0, 0), 0xFF0000FFu);  // red is the key: target kept
  EXPECT_EQ(dst.At(1, 0), 0x0000FF00u);

  const uint32_t src[] = {0x00FFFFFF, 0x80FFFFFF, 0xFF123456};
  Surface blend(3, 1, 0x7F000000);
  blend.Canvas.StretchBlendPixels(Rect(0, 0, 3, 1), Rect(0, 0, 3, 1), src, 3, 1);
  EXPECT_EQ(blend.At(0, 0), 0x7F000000u);
  EXPECT_EQ(blend.At(1, 0), 0x7F808080u);  // (255 * 128 + 255) div 256 = 128
  EXPECT_EQ(blend.At(2, 0), 0x7F123456u);
}

TEST(Canvas, FillRectResolvesSystemColoursAndHonoursTheClip) {
  Surface s(4, 4);
  s.Canvas.Brush().Color = clBtnFace;
  s.Canvas.SetClipRect(Rect(1, 1, 3, 3));
  s.Canvas.FillRect(Rect(0, 0, 4, 4));
  const TColor face =
      FromQColor(QGuiApplication::palette().color(QPalette::Active, QPalette::Button));
  EXPECT_EQ(ColorToRGB(clBtnFace), face);
  EXPECT_EQ(s.At(1, 1), PixelFromColor(face));
  EXPECT_EQ(s.At(2, 2), PixelFromColor(face));
  EXPECT_EQ(s.At(0, 0), 0u);
  EXPECT_EQ(s.At(3, 2), 0u);

  // Copies are clipped as well; after ResetClip they are not.
  Surface src(4, 4, 0xFFABCDEF);
  s.Canvas.CopyRect(Rect(0, 0, 4, 4), src.Canvas, Rect(0, 0, 4, 4));
  EXPECT_EQ(s.At(0, 0), 0u);
  EXPECT_EQ(s.At(1, 2), 0xFFABCDEFu);
  s.Canvas.ResetClip();
  s.Canvas.SetPixel(0, 0, clWindow);
  EXPECT_EQ(s.Canvas.Pixel(0, 0), ColorToRGB(clWindow));
  EXPECT_EQ(s.Canvas.Pixel(9, 0), -1);
}

TEST(Canvas, TextOutDrawsInTheFontColourInsideItsCell) {
  Surface s(80, 30, 0xFFFFFFFF);
  s.Canvas.Font().SetColor(clRed);
  s.Canvas.Font().SetSize(12);
  s.Canvas.Font().SetQuality(fqNonAntialiased);
  s.Canvas.BkMode = bkTransparent;
  s.Canvas.TextOut(2, 2, "Hi");
  const TSize extent = s.Canvas.TextExtent("Hi");
  int red = 0, other = 0;
  for (int y = 0; y < s.H; ++y)
    for (int x = 0; x < s.W; ++x) {
      if (s.At(x, y) == 0xFFFFFFFF) continue;
      if (s.At(x, y) == 0xFFFF0000)
        ++red;
      else
        ++other;
      EXPECT_TRUE(x >= 2 && x < 2 + extent.cx && y >= 2 && y < 2 + extent.cy) << x << "," << y;
    }
  EXPECT_GT(red, 10);
  EXPECT_EQ(other, 0);
  EXPECT_EQ(s.Canvas.PenPos, Point(2 + extent.cx, 2));
}

}  // namespace pictavia
