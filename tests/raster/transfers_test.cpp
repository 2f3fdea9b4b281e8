// Block and stretch transfers with the nearest resampler: mapping, clipping, draw modes,
// notification and the failures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "raster/bitmap32.h"
#include "raster/resamplers.h"
#include "raster/transfers.h"

namespace pictavia {

namespace {

// Pixel (x, y) holds 0xFF0000yyxx.
void Numbered(TBitmap32& b, int w, int h) {
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, 0xFF000000u | (y << 8) | x);
}

struct AreaLog {
  explicit AreaLog(TBitmap32& b) {
    b.OnAreaChanged = [this](TObject*, const TRect& r, uint32_t) { areas.push_back(r); };
  }
  std::vector<TRect> areas;
};

}  // namespace

TEST(StretchNearest, EnlargesInBlocksAndReducesByDropping) {
  TBitmap32 src;
  Numbered(src, 2, 2);
  TBitmap32 dst;
  dst.SetSize(4, 4);
  src.DrawOnto(dst, Rect(0, 0, 4, 4));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(dst.GetPixel(x, y), 0xFF000000u | ((y / 2) << 8) | (x / 2)) << x << "," << y;

  TBitmap32 big;
  Numbered(big, 4, 4);
  TBitmap32 small;
  small.SetSize(2, 2);
  big.DrawOnto(small, Rect(0, 0, 2, 2));
  EXPECT_EQ(small.GetPixel(0, 0), 0xFF000000u);
  EXPECT_EQ(small.GetPixel(1, 0), 0xFF000002u);
  EXPECT_EQ(small.GetPixel(0, 1), 0xFF000200u);
  EXPECT_EQ(small.GetPixel(1, 1), 0xFF000202u);
}

TEST(StretchNearest, OnePixelDestinationTakesTheMiddleAndTheScaleIsSinglePrecision) {
  TBitmap32 src;
  Numbered(src, 4, 3);
  TBitmap32 dst;
  dst.SetSize(1, 1);
  src.DrawOnto(dst, Rect(0, 0, 1, 1));
  EXPECT_EQ(dst.GetPixel(0, 0), 0xFF000101u) << "column (0 + 4 - 1) div 2, row (0 + 3 - 1) div 2";

  TBitmap32 two;
  Numbered(two, 2, 1);
  TBitmap32 wide;
  wide.SetSize(50, 1);
  two.DrawOnto(wide, Rect(0, 0, 50, 1));
  EXPECT_EQ(wide.GetPixel(25, 0) & 0xFF, 0u) << "0.04 held as a float keeps column 0 at 25";
  EXPECT_EQ(wide.GetPixel(26, 0) & 0xFF, 1u);

  // Clipping the destination must not shift the mapping.
  TBitmap32 clipped;
  clipped.SetSize(50, 1);
  clipped.SetClipRect(Rect(20, 0, 30, 1));
  two.DrawOnto(clipped, Rect(0, 0, 50, 1));
  EXPECT_EQ(clipped.GetPixel(19, 0), 0u);
  EXPECT_EQ(clipped.GetPixel(25, 0), 0xFF000000u);
  EXPECT_EQ(clipped.GetPixel(26, 0), 0xFF000001u);
  EXPECT_EQ(clipped.GetPixel(30, 0), 0u);
}

TEST(StretchNearest, BlendModesGoThroughTheRowBuffer) {
  TBitmap32 src;
  src.SetSize(2, 2);
  src.Clear(0x80FFFFFF);
  src.SetPixel(1, 1, 0x00FFFFFF);
  src.SetDrawMode(dmBlend);
  TBitmap32 dst;
  dst.SetSize(4, 4);
  dst.Clear(0xFF000000);
  src.DrawOnto(dst, Rect(0, 0, 4, 4));
  const TColor32 half = dst.GetPixel(0, 0);
  EXPECT_EQ(half, dst.GetPixel(3, 0));
  EXPECT_NE(half, 0xFF000000u);
  EXPECT_EQ(dst.GetPixel(3, 3), 0xFF000000u) << "alpha 0 leaves the destination";

  src.SetDrawMode(dmTransparent);
  src.SetOuterColor(0x80FFFFFF);
  dst.Clear(0xFF112233);
  src.DrawOnto(dst, Rect(0, 0, 4, 4));
  EXPECT_EQ(dst.GetPixel(0, 0), 0xFF112233u) << "the key colour is skipped";
  EXPECT_EQ(dst.GetPixel(3, 3), 0x00FFFFFFu);
}

TEST(Transfer, MasterAlphaZeroDrawsAndNotifiesNothing) {
  TBitmap32 src;
  src.SetSize(2, 2);
  src.Clear(0xFFFFFFFF);
  src.SetDrawMode(dmBlend);
  src.SetMasterAlpha(0);
  TBitmap32 dst;
  dst.SetSize(4, 4);
  AreaLog log(dst);
  src.DrawOnto(dst, 0, 0);
  src.DrawOnto(dst, Rect(0, 0, 4, 4));
  EXPECT_TRUE(log.areas.empty());
  EXPECT_EQ(dst.GetPixel(0, 0), 0u);
}

TEST(Transfer, MasterAlphaBelow255WeightsEveryPixel) {
  TBitmap32 src;
  src.SetSize(1, 1);
  src.Clear(0xFFFFFFFF);
  src.SetDrawMode(dmBlend);
  src.SetMasterAlpha(128);
  TBitmap32 dst;
  dst.SetSize(1, 1);
  dst.Clear(0xFF000000);
  src.DrawOnto(dst, 0, 0);
  // Weight ((255 + 1) * 128) >> 8 = 128 with the vector formula: (128*255 + 128*0 + 128) >> 8.
  EXPECT_EQ(dst.GetPixel(0, 0) & 0xFF, 128u);
}

TEST(Transfer, TransparentModeSkipsTheOuterColor) {
  TBitmap32 src;
  src.SetSize(2, 1);
  src.SetPixel(0, 0, 0xFF00FF00);
  src.SetPixel(1, 0, 0xFF0000FF);
  src.SetDrawMode(dmTransparent);
  src.SetOuterColor(0xFF00FF00);
  TBitmap32 dst;
  dst.SetSize(2, 1);
  dst.Clear(0xFF777777);
  src.DrawOnto(dst, 0, 0);
  EXPECT_EQ(dst.GetPixel(0, 0), 0xFF777777u);
  EXPECT_EQ(dst.GetPixel(1, 0), 0xFF0000FFu);
}

TEST(Transfer, CustomModeCallsBackOrActsOpaque) {
  TBitmap32 src;
  src.SetSize(1, 1);
  src.Clear(0x80102030);
  src.SetDrawMode(dmCustom);
  src.SetMasterAlpha(77);
  TBitmap32 dst;
  dst.SetSize(1, 1);
  dst.Clear(0xFFFFFFFF);
  src.DrawOnto(dst, 0, 0);
  EXPECT_EQ(dst.GetPixel(0, 0), 0x80102030u) << "without a callback the copy is opaque";
  TColor32 seenF = 0, seenM = 0;
  src.OnPixelCombine = [&](TColor32 F, TColor32& B, TColor32 M) {
    seenF = F;
    seenM = M;
    B = 0xFF0A0B0C;
  };
  src.DrawOnto(dst, 0, 0);
  EXPECT_EQ(seenF, 0x80102030u);
  EXPECT_EQ(seenM, 77u);
  EXPECT_EQ(dst.GetPixel(0, 0), 0xFF0A0B0Cu);
}

TEST(Transfer, SourceRectangleChecks) {
  TBitmap32 src;
  Numbered(src, 4, 4);
  TBitmap32 dst;
  dst.SetSize(8, 8);
  AreaLog log(dst);
  try {
    TransferScaled(&dst, Rect(0, 0, 8, 8), dst.ClipRect(), &src, Rect(0, 0, 5, 4), src.Resampler(),
                   dmOpaque, nullptr);
    FAIL() << "a source rectangle past the edge was accepted";
  } catch (const ESrcInvalidException& e) {
    EXPECT_STREQ(e.what(), "Source rectangle is invalid");
  }
  TransferScaled(&dst, Rect(0, 0, 8, 8), dst.ClipRect(), &src, Rect(2, 2, 2, 4), src.Resampler(),
                 dmOpaque, nullptr);
  EXPECT_TRUE(log.areas.empty()) << "an empty source rectangle does nothing";
  try {
    src.Resampler()->Resample(dst, Rect(0, 0, 8, 8), dst.ClipRect(), src, Rect(-1, 0, 4, 4),
                              dmOpaque, nullptr);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Invalid SrcRect");
  }
  try {
    TransferSameSize(nullptr, 0, 0, Rect(0, 0, 1, 1), &src, src.BoundsRect(), dmOpaque, nullptr);
    FAIL();
  } catch (const EBitmapException& e) {
    EXPECT_STREQ(e.what(), "Destination bitmap is nil");
  }
  try {
    TransferScaled(&dst, Rect(0, 0, 1, 1), dst.ClipRect(), nullptr, Rect(0, 0, 1, 1), nullptr,
                   dmOpaque, nullptr);
    FAIL();
  } catch (const EBitmapException& e) {
    EXPECT_STREQ(e.what(), "Source bitmap is nil");
  }
}

TEST(Transfer, OutsideTheDestinationAndMeasuring) {
  TBitmap32 src;
  Numbered(src, 4, 4);
  TBitmap32 dst;
  dst.SetSize(8, 8);
  AreaLog log(dst);
  src.DrawOnto(dst, Rect(20, 20, 30, 30));
  EXPECT_TRUE(log.areas.empty()) << "a stretch wholly outside is silent";
  src.DrawOnto(dst, 20, 20);
  ASSERT_EQ(log.areas.size(), 1u) << "a block transfer outside still reports its rectangle";
  EXPECT_EQ(log.areas[0], Rect(20, 20, 24, 24));

  std::vector<TRect> measured;
  dst.BeginAreaRecording([&](TObject*, const TRect& r, uint32_t) { measured.push_back(r); });
  src.DrawOnto(dst, 1, 2);
  src.DrawOnto(dst, Rect(0, 0, 8, 6));
  dst.EndAreaRecording();
  ASSERT_EQ(measured.size(), 2u);
  EXPECT_EQ(measured[0], Rect(1, 2, 5, 6));
  EXPECT_EQ(measured[1], Rect(0, 0, 8, 6));
  EXPECT_EQ(dst.GetPixel(1, 2), 0u) << "measuring draws nothing";
}

TEST(Transfer, BlockTransferClipsToBothBitmaps) {
  TBitmap32 src;
  Numbered(src, 4, 4);
  TBitmap32 dst;
  dst.SetSize(5, 5);
  dst.SetClipRect(Rect(1, 1, 5, 5));
  TransferSameSize(&dst, -1, 2, dst.ClipRect(), &src, Rect(1, 1, 4, 4), dmOpaque, nullptr);
  // Source (1..3, 1..3) lands at (-1..1, 2..4); only x = 1 is inside the clip.
  EXPECT_EQ(dst.GetPixel(0, 2), 0u);
  EXPECT_EQ(dst.GetPixel(1, 2), 0xFF000103u);
  EXPECT_EQ(dst.GetPixel(1, 4), 0xFF000303u);
  EXPECT_EQ(dst.GetPixel(2, 2), 0u);
}

TEST(Transfer, RectanglesReachingPastTheIntRange) {
  TBitmap32 src;
  Numbered(src, 4, 4);
  TBitmap32 dst;
  dst.SetSize(8, 4);
  AreaLog log(dst);
  // Block transfers whose far corner lies beyond INT32_MAX, or whose shift does.
  src.DrawOnto(dst, INT32_MAX - 1, 0);
  src.DrawOnto(dst, 0, INT32_MIN + 2);
  TransferSameSize(&dst, INT32_MIN, 0, dst.ClipRect(), &src, Rect(1, 0, 4, 4), dmOpaque, nullptr);
  // Source column INT32_MIN lands on INT32_MIN: the picture itself lands on 0.
  TransferSameSize(&dst, INT32_MIN, 0, dst.ClipRect(), &src, Rect(INT32_MIN, 0, INT32_MAX, 4),
                   dmOpaque, nullptr);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(dst.GetPixel(x, y), x < 4 ? src.GetPixel(x, y) : 0u) << x << "," << y;
  const std::vector<TRect> expected = {
      Rect(INT32_MAX - 1, 0, INT32_MAX, 4), Rect(0, INT32_MIN + 2, 4, INT32_MIN + 6),
      Rect(INT32_MIN, 0, INT32_MIN + 3, 4), Rect(INT32_MIN, 0, INT32_MAX, 4)};
  EXPECT_EQ(log.areas, expected);

  // A stretch over the whole int range shows the middle of the picture.
  dst.Clear(0);
  log.areas.clear();
  src.DrawOnto(dst, Rect(INT32_MIN, 0, INT32_MAX, 4));
  src.SetDrawMode(dmBlend);
  src.DrawOnto(dst, Rect(0, INT32_MIN, 8, INT32_MAX));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(dst.GetPixel(x, y), src.GetPixel(x / 2, 2)) << x << "," << y;
  EXPECT_EQ(log.areas, (std::vector<TRect>{Rect(INT32_MIN, 0, INT32_MAX, 4),
                                           Rect(0, INT32_MIN, 8, INT32_MAX)}));

  // Onto a device context: nothing lands on it from beyond the int range.
  std::vector<uint32_t> surface(8 * 4, 0);
  TCanvas canvas;
  canvas.SetSurface(surface.data(), 8, 4);
  src.DrawOnto(canvas, INT32_MAX - 1, INT32_MAX - 2);
  src.DrawOnto(canvas, INT32_MIN, 0);
  for (uint32_t p : surface) EXPECT_EQ(p, 0u);
  src.DrawOnto(canvas, 6, -2);
  EXPECT_EQ(surface[6], src.GetPixel(0, 2));
  EXPECT_EQ(surface[8 + 7], src.GetPixel(1, 3));
}

TEST(NearestSampling, AccessModesAndHostilePositions) {
  TBitmap32 b;
  Numbered(b, 4, 4);
  b.SetOuterColor(0x12345678);
  auto* r = static_cast<TNearestResampler*>(b.Resampler());
  r->SetPixelAccessMode(pamSafe);
  EXPECT_EQ(r->SampleAtInt(1, 2), 0xFF000201u);
  EXPECT_EQ(r->SampleAtInt(4, 0), 0x12345678u);
  EXPECT_EQ(r->SampleAtFixed(0x18000, 0), 0xFF000001u)
      << "16.16 rounding adds 0x7FFF: 1.5 goes down";
  EXPECT_EQ(r->SampleAtFixed(0x18001, 0), 0xFF000002u);
  EXPECT_EQ(r->SampleAtFloat(2.5f, 0.5f), 0xFF000002u) << "ties to even";
  EXPECT_EQ(r->SampleAtFloat(1e20f, -1e20f), 0x12345678u);
  EXPECT_EQ(r->SampleAtFloat(std::nanf(""), 0), 0xFF000000u) << "NaN samples pixel 0";
  r->SetPixelAccessMode(pamTransparentEdge);
  EXPECT_EQ(r->SampleAtInt(-3, 1), 0x00000100u) << "clamped to the edge, alpha 0";
  r->SetPixelAccessMode(pamWrap);
  EXPECT_EQ(r->SampleAtInt(5, 0), 0xFF000003u) << "the bitmap's wrap mode: clamp";
  b.SetWrapMode(wmRepeat);
  EXPECT_EQ(r->SampleAtInt(5, 0), 0xFF000001u);
  b.SetClipRect(Rect(2, 2, 2, 2));
  EXPECT_EQ(r->SampleAtInt(5, 0), 0x12345678u) << "an empty clip has no pixel to wrap onto";
  r->SetPixelAccessMode(pamTransparentEdge);
  EXPECT_EQ(r->SampleAtInt(0, 0), 0x12345678u);
}

}  // namespace pictavia
