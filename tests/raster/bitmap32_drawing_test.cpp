// Fills, blended lines and frames, the dashed stipple, and text on TBitmap32.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

#include "raster/bitmap32.h"
#include "raster/blend.h"

namespace pictavia {

namespace {

struct AreaLog {
  explicit AreaLog(TBitmap32& b) {
    b.OnAreaChanged = [this](TObject*, const TRect& r, uint32_t) { areas.push_back(r); };
  }
  std::vector<TRect> areas;
};

void Blank(TBitmap32& b, int w, int h, TColor32 c = 0xFF000000) {
  b.SetSize(w, h);
  b.Clear(c);
}

}  // namespace

TEST(Fills, ClippedFillStaysInsideAndReportsTheIntersection) {
  TBitmap32 b;
  Blank(b, 6, 6);
  b.SetClipRect(Rect(2, 2, 6, 6));
  AreaLog log(b);
  b.FillClipped(0, 0, 4, 4, 0xFFFFFFFF);
  EXPECT_EQ(b.GetPixel(1, 1), 0xFF000000u);
  EXPECT_EQ(b.GetPixel(2, 2), 0xFFFFFFFFu);
  EXPECT_EQ(b.GetPixel(3, 3), 0xFFFFFFFFu);
  EXPECT_EQ(b.GetPixel(4, 4), 0xFF000000u);
  ASSERT_EQ(log.areas.size(), 1u);
  EXPECT_EQ(log.areas[0], Rect(2, 2, 4, 4));
}

TEST(Fills, BlendFillWithTransparentAndOpaqueColours) {
  TBitmap32 b;
  Blank(b, 2, 2, 0xFF102030);
  AreaLog log(b);
  b.BlendFill(0, 0, 2, 2, 0x00FFFFFF);
  EXPECT_TRUE(log.areas.empty()) << "alpha 0 does nothing, not even a notification";
  EXPECT_EQ(b.GetPixel(0, 0), 0xFF102030u);
  b.BlendFill(0, 0, 1, 1, 0xFFAABBCC);
  EXPECT_EQ(b.GetPixel(0, 0), 0xFFAABBCCu) << "alpha 255 is an opaque fill";
  b.BlendFill(1, 1, 2, 2, 0x80FFFFFF);
  TColor32 expected = 0xFF102030;
  MixInto(0x80FFFFFF, expected, 0x80);
  EXPECT_EQ(b.GetPixel(1, 1), expected);
  EXPECT_EQ(log.areas.size(), 2u);
}

TEST(Fills, RecolorKeepsAlpha) {
  TBitmap32 b;
  b.SetSize(2, 1);
  b.SetPixel(0, 0, 0x00FFFFFF);
  b.SetPixel(1, 0, 0x80FFFFFF);
  b.RecolorKeepAlpha(0, 0, 2, 1, 0x12345678);
  EXPECT_EQ(b.GetPixel(0, 0), 0x00345678u);
  EXPECT_EQ(b.GetPixel(1, 0), 0x80345678u);
}

TEST(Lines, ClippedLinesIgnoreTheOrderOfTheirEnds) {
  TBitmap32 a, b;
  Blank(a, 8, 3);
  Blank(b, 8, 3);
  a.SetClipRect(Rect(2, 0, 6, 3));
  b.SetClipRect(Rect(2, 0, 6, 3));
  a.BlendHLineClipped(0, 1, 7, 0x80FFFFFF);
  b.BlendHLineClipped(7, 1, 0, 0x80FFFFFF);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(a.GetPixel(x, 1), b.GetPixel(x, 1)) << x;
  EXPECT_EQ(a.GetPixel(1, 1), 0xFF000000u);
  EXPECT_NE(a.GetPixel(2, 1), 0xFF000000u);
  EXPECT_NE(a.GetPixel(5, 1), 0xFF000000u);
  EXPECT_EQ(a.GetPixel(6, 1), 0xFF000000u);
  a.BlendVLineClipped(1, 0, 2, 0xFFFFFFFF);
  EXPECT_EQ(a.GetPixel(1, 0), 0xFF000000u) << "a column outside the clip draws nothing";
}

TEST(Lines, FrameDrawsEachPixelOnce) {
  TBitmap32 b;
  Blank(b, 6, 6);
  b.BlendFrameClipped(1, 1, 5, 4, 0x40FFFFFF);
  const TColor32 once = b.GetPixel(1, 1);
  EXPECT_NE(once, 0xFF000000u);
  int touched = 0;
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x)
      if (b.GetPixel(x, y) != 0xFF000000u) {
        ++touched;
        EXPECT_EQ(b.GetPixel(x, y), once) << "blended twice at " << x << "," << y;
      }
  EXPECT_EQ(touched, 2 * 4 + 2 * 1);
  EXPECT_EQ(b.GetPixel(2, 2), 0xFF000000u);
}

TEST(Lines, EndsAtTheIntRangeLimitsAreClippedAndReportedSaturated) {
  TBitmap32 b;
  Blank(b, 8, 4);
  b.BlendHLineClipped(INT32_MIN, 1, INT32_MAX, 0xFFFFFFFF);
  b.BlendVLineClipped(2, INT32_MAX, INT32_MIN, 0xFF0000FF);
  b.BlendFrameClipped(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0xFFFF0000);  // all outside
  for (int x = 0; x < 8; ++x) EXPECT_EQ(b.GetPixel(x, 1), x == 2 ? 0xFF0000FFu : 0xFFFFFFFFu) << x;
  for (int y = 0; y < 4; ++y) EXPECT_EQ(b.GetPixel(2, y), 0xFF0000FFu) << y;
  EXPECT_EQ(b.GetPixel(0, 0), 0xFF000000u);
  b.BlendFrameClipped(INT32_MIN, 0, INT32_MAX, 4, 0xFFFF0000);
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(b.GetPixel(x, 0), 0xFFFF0000u) << x;
    EXPECT_EQ(b.GetPixel(x, 3), 0xFFFF0000u) << x;
  }

  std::vector<TRect> measured;
  b.BeginAreaRecording([&](TObject*, const TRect& r, uint32_t) { measured.push_back(r); });
  b.BlendHLine(0, 1, INT32_MAX, 0xFFFFFFFF);
  b.BlendVLine(1, INT32_MAX, INT32_MIN, 0xFFFFFFFF);
  b.BlendHLineClipped(INT32_MIN, 0, INT32_MAX, 0xFFFFFFFF);
  b.BlendVLineClipped(INT32_MAX, INT32_MIN, INT32_MAX, 0xFFFFFFFF);
  b.DashedHLine(INT32_MAX, 2, INT32_MIN);
  b.DashedVLine(3, INT32_MAX, INT32_MAX);
  b.EndAreaRecording();
  const std::vector<TRect> expected = {
      Rect(0, 1, INT32_MAX, 2),         Rect(1, INT32_MIN, 2, INT32_MAX),
      Rect(INT32_MIN, 0, INT32_MAX, 1), Rect(INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX),
      Rect(INT32_MIN, 2, INT32_MAX, 3), Rect(3, INT32_MAX, 4, INT32_MAX)};
  EXPECT_EQ(measured, expected);
}

TEST(Dashes, FrameOfThreeByThreeRunsClockwiseThroughThePattern) {
  TBitmap32 b;
  b.SetSize(5, 5);
  TArrayOfColor32 pattern;
  for (TColor32 i = 0; i < 8; ++i) pattern.push_back(0xFF000000u | (i + 1));
  b.SetDashPattern(pattern);
  b.DashedFrame(1, 1, 4, 4);
  const int xs[] = {1, 2, 3, 3, 3, 2, 1, 1};
  const int ys[] = {1, 1, 1, 2, 3, 3, 3, 2};
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(b.GetPixel(xs[i], ys[i]), 0xFF000000u | (i + 1)) << "step " << i;
  int drawn = 0;
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) drawn += b.GetPixel(x, y) != 0;
  EXPECT_EQ(drawn, 8);
}

TEST(Dashes, ClippedPartsKeepThePatternContinuous) {
  TArrayOfColor32 pattern = {0xFF0000FF, 0xFF00FF00, 0xFFFF0000};
  TBitmap32 full, clipped;
  for (TBitmap32* b : {&full, &clipped}) {
    b->SetSize(10, 3);
    b->SetDashPattern(pattern);
  }
  clipped.SetClipRect(Rect(3, 0, 7, 3));
  full.DashedHLine(0, 1, 9);
  clipped.DashedHLine(0, 1, 9);
  for (int x = 3; x < 7; ++x) EXPECT_EQ(clipped.GetPixel(x, 1), full.GetPixel(x, 1)) << x;
  EXPECT_EQ(clipped.GetPixel(2, 1), 0u);
  EXPECT_FLOAT_EQ(clipped.DashCounter(), full.DashCounter());

  const float before = clipped.DashCounter();
  clipped.DashedHLine(0, 0, 1);  // wholly left of the clip
  EXPECT_EQ(clipped.GetPixel(0, 0), 0u);
  EXPECT_FLOAT_EQ(clipped.DashCounter(), before + 2 - 3 * (before + 2 >= 3));
}

TEST(Dashes, NextDashColorInterpolatesFractionalSteps) {
  TBitmap32 b;
  EXPECT_EQ(b.NextDashColor(), 0xFF000000u) << "no pattern: black";
  b.SetDashPattern({0xFF000000, 0xFFFFFFFF});
  b.SetDashStep(0.5f);
  EXPECT_EQ(b.NextDashColor(), 0xFF000000u);
  // Counter 0.5: index 0, fraction 128 -> MixValue(black, white, 127).
  EXPECT_EQ(b.NextDashColor(), MixValue(0xFF000000, 0xFFFFFFFF, 127));
  EXPECT_EQ(b.NextDashColor(), 0xFFFFFFFFu);
  b.AdvanceDash(3);  // 1.5 + 1.5 = 3 -> 1 modulo 2
  EXPECT_FLOAT_EQ(b.DashCounter(), 1.0f);
}

TEST(Dashes, LinesAcrossTheWholeIntRangeKeepThePhase) {
  const TArrayOfColor32 pattern = {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004};
  TBitmap32 b;
  b.SetSize(8, 3);
  b.SetDashPattern(pattern);
  // 2^31 pixels are cut before x = 0, a whole number of patterns; 2^32 pixels in all.
  b.DashedHLine(INT32_MIN, 1, INT32_MAX);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(b.GetPixel(x, 1), pattern[x % 4]) << x;
  EXPECT_FLOAT_EQ(b.DashCounter(), 0.0f);
  // Upwards from INT32_MAX: 2^31 - 3 pixels are cut before y = 2.
  b.DashedVLine(3, INT32_MAX, INT32_MIN);
  EXPECT_EQ(b.GetPixel(3, 2), pattern[1]);
  EXPECT_EQ(b.GetPixel(3, 1), pattern[2]);
  EXPECT_EQ(b.GetPixel(3, 0), pattern[3]);
  EXPECT_FLOAT_EQ(b.DashCounter(), 0.0f);

  TBitmap32 frame;
  frame.SetSize(8, 3);
  frame.SetDashPattern(pattern);
  frame.DashedFrame(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(frame.GetPixel(x, y), 0u) << "every side lies outside";
  EXPECT_FLOAT_EQ(frame.DashCounter(), 0.0f) << "four sides of 2^32 - 2 pixels";
  frame.DashedFrame(INT32_MIN, 0, INT32_MAX, 3);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(frame.GetPixel(x, 0), pattern[x % 4]) << x;
}

TEST(Dashes, HugeAndNonFiniteCountersStayInThePattern) {
  const TArrayOfColor32 pattern = {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004};
  TBitmap32 b;
  b.SetDashPattern(pattern);
  // The large floats are multiples of 2^43 and so lie on a whole number of patterns; the tiny
  // negative one rounds up to a whole pattern.
  for (float start : {1e20f, -1e20f, 3.4e38f, -1e-30f}) {
    b.SetDashCounter(start);
    EXPECT_EQ(b.NextDashColor(), pattern[0]) << start;
    EXPECT_FLOAT_EQ(b.DashCounter(), 1.0f) << start;
  }
  // A counter that is lost starts the pattern again.
  for (float start : {std::nanf(""), INFINITY, -INFINITY}) {
    b.SetDashCounter(start);
    EXPECT_EQ(b.NextDashColor(), pattern[0]) << start;
    EXPECT_FLOAT_EQ(b.DashCounter(), 1.0f) << start;
    b.SetDashCounter(start);
    b.AdvanceDash(3);
    EXPECT_FLOAT_EQ(b.DashCounter(), 3.0f) << start;
  }
  b.SetDashStep(std::nanf(""));
  b.NextDashColor();
  b.SetDashStep(1.0f);
  EXPECT_EQ(b.NextDashColor(), pattern[0]) << "a NaN step loses the counter, not the program";
}

TEST(Text, EmptyBitmapsMeasureAndStillReportTextOut) {
  TBitmap32 b;
  const TSize extent = b.TextExtent("Hello");
  EXPECT_GT(extent.cx, 10);
  EXPECT_GT(extent.cy, 5);
  AreaLog log(b);
  b.TextOut(3, 4, "Hello");
  ASSERT_EQ(log.areas.size(), 1u);
  EXPECT_EQ(log.areas[0], Rect(3, 4, 3 + extent.cx + 1, 4 + extent.cy + 1));
  b.TextOut(INT32_MAX - 2, INT32_MAX, "Hello");
  EXPECT_EQ(log.areas.back(), Rect(INT32_MAX - 2, INT32_MAX, INT32_MAX, INT32_MAX))
      << "saturated at the int range";
  b.DrawSmoothText(0, 0, "Hello", 4, 0xFFFFFFFF);  // nothing to draw on: no crash, no change
  EXPECT_TRUE(b.Empty());
}

TEST(Text, TextOutWritesTheFontColour) {
  TBitmap32 b;
  Blank(b, 80, 30, 0xFF000000);
  b.Font().SetColor(clRed);
  b.Font().SetSize(14);
  b.TextOut(2, 2, "HH");
  int red = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 80; ++x)
      if ((b.GetPixel(x, y) & 0xFFFFFF) == 0xFF0000) ++red;
  EXPECT_GT(red, 10);
}

TEST(Text, SmoothTextHasGradedAlphaAndHonoursTheColourAlpha) {
  TBitmap32 canvas;
  Blank(canvas, 200, 60, 0xFF000000);
  canvas.Font().SetName("Arial");
  canvas.Font().SetSize(20);
  canvas.Font().SetStyle(fsBold);
  canvas.DrawSmoothText(4, 4, "Quality", 4, 0x80FFFFFF);
  std::set<unsigned> levels;
  unsigned brightest = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) {
      const unsigned v = canvas.GetPixel(x, y) & 0xFF;
      levels.insert(v);
      brightest = std::max(brightest, v);
    }
  // White at half opacity over black: about 128 at full coverage, never more.
  EXPECT_GE(brightest, 120u);
  EXPECT_LE(brightest, 130u);
  EXPECT_GT(levels.size(), 10u) << "edges must carry intermediate coverage";
}

TEST(Text, SmoothTextLevelsAllDraw) {
  for (int level = -1; level <= 4; ++level) {
    TBitmap32 b;
    Blank(b, 120, 40, 0xFF000000);
    b.Font().SetSize(16);
    b.DrawSmoothText(2, 2, "Ab", level, 0xFFFFFFFF);
    int lit = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 120; ++x) lit += (b.GetPixel(x, y) & 0xFF) > 128;
    EXPECT_GT(lit, 20) << "level " << level;
  }
}

TEST(Text, SupersampledTextStaysInsideItsMeasuredWidth) {
  // A text layer sizes its bitmap to the measured text; the 16-times rendering must fit in it.
  for (int size : {9, 12, 16, 23}) {
    TBitmap32 b;
    b.Font().SetName("Arial");
    b.Font().SetSize(size);
    b.Font().SetStyle(fsBold);
    const std::string text = "Enter Your Text";
    const int w = b.TextWidth(text), h = b.TextHeight(text);
    b.SetSize(w + 12, h);
    b.Clear(0x00000000);
    b.DrawSmoothText(0, 0, text, 4, 0xFFFF0000);
    int inkRight = -1;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < b.Width(); ++x)
        if ((b.GetPixel(x, y) >> 24) > 64) inkRight = std::max(inkRight, x);
    EXPECT_GT(inkRight, w / 2) << size;
    // Anti-aliased edges may spill faintly past the advance; solid ink may not.
    EXPECT_LT(inkRight, w) << "ink past the measured width at " << size << " pt";
  }
}

}  // namespace pictavia
