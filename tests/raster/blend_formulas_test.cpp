// The blending formulas on known values, for every implementation this machine can run, and the
// way the slots and combine-mode tables follow the chosen implementation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "raster/blend.h"

namespace pictavia {

namespace {

std::vector<TBlendImplementation> AvailableImplementations() {
  std::vector<TBlendImplementation> result;
  for (TBlendImplementation impl : {biPortable, biScalar, biSSE2, biAVX2})
    if (BlendProcsFor(impl)) result.push_back(impl);
  return result;
}

// Restores the start-up choice when a test that selects an implementation ends.
struct TRestoreDefault {
  ~TRestoreDefault() { SelectDefaultBlendImplementation(); }
};

}  // namespace

TEST(BlendFormulas, OpaqueBlackOverWhiteAndTheHalfWeightPair) {
  for (TBlendImplementation impl : AvailableImplementations()) {
    SCOPED_TRACE(BlendImplementationName(impl));
    const TBlendProcs& p = *BlendProcsFor(impl);
    const bool portable = impl == biPortable;
    // The vector formula has no shortcut for an opaque F: weight 255 leaves 1/256 of B.
    EXPECT_EQ(p.BlendValue(0xFF000000u, 0xFFFFFFFFu), portable ? 0xFF000000u : 0xFF010101u);
    EXPECT_EQ(p.MixValue(0x80FF0000u, 0xFF0000FFu, 128), portable ? 0xBF80007Fu : 0xC0800080u);
    // Alpha blends like a colour: 128 over opaque gives 192 with the vector formula.
    EXPECT_EQ(p.BlendValue(0x80000000u, 0xFF000000u) >> 24, portable ? 191u : 192u);
    // Weights above 255 act as 255 (no table or lane overrun).
    EXPECT_EQ(p.MixValue(0x12345678u, 0x9ABCDEF0u, 1000),
              p.MixValue(0x12345678u, 0x9ABCDEF0u, 255));
  }
}

TEST(BlendFormulas, MemoryAndRunFormsKeepOrCopyAtTheAlphaExtremes) {
  for (TBlendImplementation impl : AvailableImplementations()) {
    SCOPED_TRACE(BlendImplementationName(impl));
    const TBlendProcs& p = *BlendProcsFor(impl);
    TColor32 b = 0x7F102030u;
    p.BlendInto(0x00FFFFFFu, b);
    EXPECT_EQ(b, 0x7F102030u);
    p.BlendInto(0xFF405060u, b);
    EXPECT_EQ(b, 0xFF405060u);
    p.MixInto(0x11223344u, b, 0);
    EXPECT_EQ(b, 0xFF405060u);
    p.MixInto(0x11223344u, b, 255);
    EXPECT_EQ(b, 0x11223344u);

    const TColor32 src[3] = {0x00FFFFFFu, 0xFF010203u, 0x80FFFFFFu};
    TColor32 dst[3] = {0xFF000000u, 0xFF000000u, 0xFF000000u};
    p.BlendRun(src, dst, 3);
    EXPECT_EQ(dst[0], 0xFF000000u);
    EXPECT_EQ(dst[1], 0xFF010203u);
    EXPECT_EQ(dst[2], p.BlendValue(src[2], 0xFF000000u));

    // MixRun: weight 0 leaves the destination, 255 copies the source.
    TColor32 mix[3] = {1, 2, 3};
    p.MixRun(src, mix, 3, 0);
    EXPECT_EQ(mix[0], 1u);
    EXPECT_EQ(mix[2], 3u);
    p.MixRun(src, mix, 3, 255);
    EXPECT_EQ(mix[0], src[0]);
    EXPECT_EQ(mix[2], src[2]);
  }
}

TEST(BlendFormulas, MasterAlphaWeights) {
  for (TBlendImplementation impl : AvailableImplementations()) {
    SCOPED_TRACE(BlendImplementationName(impl));
    const TBlendProcs& p = *BlendProcsFor(impl);
    const bool portable = impl == biPortable;
    const TColor32 f = 0x80FFFFFFu, b = 0xFF000000u;

    std::vector<TColor32> src(256), dst(256, 0xFF204060u);
    for (uint32_t a = 0; a < 256; ++a) src[a] = (a << 24) | (a * 0x010101u);
    p.BlendRunMaster(src.data(), dst.data(), 256, 0);
    for (TColor32 d : dst) ASSERT_EQ(d, 0xFF204060u);

    if (portable) {
      // Portable master forms compute colour only and write alpha 0; a value form agrees.
      TColor32 out = b;
      p.BlendIntoMaster(f, out, 255);
      EXPECT_EQ(out >> 24, 0u);
      EXPECT_EQ(out & 0xFFFFFFu, 0x808080u);
      p.BlendRunMaster(src.data(), dst.data(), 256, 255);
      for (uint32_t a = 1; a < 256; ++a) ASSERT_EQ(dst[a] >> 24, 0u) << a;
      continue;
    }
    // Vector run form with M = 255 weights every pixel by exactly its own alpha.
    std::vector<TColor32> expected(256);
    for (uint32_t a = 0; a < 256; ++a) expected[a] = p.BlendValue(src[a], 0xFF204060u);
    p.BlendRunMaster(src.data(), dst.data(), 256, 255);
    EXPECT_EQ(dst, expected);
    // The value form weights by (M + 1) * Fa, the run form by (Fa + 1) * M: M = 1, Fa = 128 gives
    // weight 1 in one and 0 in the other.
    EXPECT_NE(p.BlendValueMaster(f, b, 1), b);
    TColor32 run = b;
    p.BlendRunMaster(&f, &run, 1, 1);
    EXPECT_EQ(run, b);
    TColor32 into = b;
    p.BlendIntoMaster(f, into, 255);
    EXPECT_EQ(into, 0xC0808080u);  // alpha blended too
    EXPECT_EQ(p.BlendValueMaster(f, b, 300), p.BlendValueMaster(f, b, 255));
  }
}

TEST(BlendFormulas, CountZeroOrNegativeChangesNothing) {
  for (TBlendImplementation impl : AvailableImplementations()) {
    SCOPED_TRACE(BlendImplementationName(impl));
    const TBlendProcs& p = *BlendProcsFor(impl);
    const TColor32 src[4] = {0xFFFFFFFFu, 0x80808080u, 0xFF000000u, 0x40FF00FFu};
    for (int count : {0, -1, -1000}) {
      TColor32 dst[4] = {1, 2, 3, 4};
      p.MixRun(src, dst, count, 100);
      p.BlendRun(src, dst, count);
      p.BlendRunMaster(src, dst, count, 200);
      p.CompositeRun(src, dst, count);
      p.CompositeRunMaster(src, dst, count, 200);
      p.FillWords32(dst, count, 0xDEADBEEFu);
      CopyWords32(src, dst, count);
      EXPECT_EQ(dst[0], 1u);
      EXPECT_EQ(dst[3], 4u);
    }
  }
}

TEST(BlendFormulas, CompositeIsSourceOverForUnpremultipliedColours) {
  for (TBlendImplementation impl : AvailableImplementations()) {
    SCOPED_TRACE(BlendImplementationName(impl));
    const TBlendProcs& p = *BlendProcsFor(impl);
    EXPECT_EQ(p.CompositeValue(0x00123456u, 0x80ABCDEFu), 0x80ABCDEFu);
    EXPECT_EQ(p.CompositeValue(0xFF123456u, 0x80ABCDEFu), 0xFF123456u);
    EXPECT_EQ(p.CompositeValue(0x40123456u, 0x00ABCDEFu), 0x40123456u);
    EXPECT_EQ(p.CompositeValue(0x80FFFFFFu, 0xFF000000u),
              p.BlendValue(0x80FFFFFFu, 0xFF000000u) | 0xFF000000u);

    // Against the exact rule in floating point, over a grid of alphas and colours.
    for (uint32_t fa = 1; fa < 255; fa += 23) {
      for (uint32_t ba = 1; ba < 256; ba += 19) {
        for (uint32_t fc : {0u, 90u, 255u}) {
          for (uint32_t bc : {0u, 200u, 255u}) {
            const TColor32 f = (fa << 24) | (fc << 16) | bc, b = (ba << 24) | (bc << 16) | fc;
            const TColor32 r = p.CompositeValue(f, b);
            if (ba == 255) {
              ASSERT_EQ(r >> 24, 255u);
              continue;
            }
            const double a = fa / 255.0, bb = ba / 255.0, ra = a + bb * (1 - a);
            const double red = (fc * a + bc * bb * (1 - a)) / ra,
                         blue = (bc * a + fc * bb * (1 - a)) / ra;
            // The tables round the weighted sum to whole levels before dividing by the result
            // alpha, so the error grows as that alpha shrinks.
            const double tolerance = 1.0 + 1.0 / ra;
            ASSERT_NEAR(double(r >> 24), ra * 255, 1.0) << std::hex << f << " over " << b;
            ASSERT_NEAR(double((r >> 16) & 0xFF), red, tolerance) << std::hex << f << " over " << b;
            ASSERT_NEAR(double(r & 0xFF), blue, tolerance) << std::hex << f << " over " << b;
          }
        }
      }
    }
    // The master forms scale Fa by M first; M = 0 leaves B, M above 255 acts as 255.
    EXPECT_EQ(p.CompositeValueMaster(0x80FF0000u, 0x80000000u, 0), 0x80000000u);
    EXPECT_EQ(p.CompositeValueMaster(0x80FF0000u, 0x80000000u, 100000),
              p.CompositeValue(0x80FF0000u, 0x80000000u));
  }
}

TEST(BlendFormulas, ChannelOperations) {
  for (TBlendImplementation impl : AvailableImplementations()) {
    SCOPED_TRACE(BlendImplementationName(impl));
    const TBlendProcs& p = *BlendProcsFor(impl);
    const TColor32 c1 = 0x01C850FFu, c2 = 0x0264A000u;
    EXPECT_EQ(p.ChannelAdd(c1, c2), 0x03FFF0FFu);
    EXPECT_EQ(p.ChannelSubtract(c1, c2), 0x006400FFu);
    EXPECT_EQ(p.ChannelDivide(c1, c2), 0xFF80FF00u);  // 100*256/200 = 128, others clamp at 255
    EXPECT_EQ(p.ChannelDivide(0x00000000u, 0x00000000u), 0xFFFFFFFFu);  // a 0 divisor gives 255
    EXPECT_EQ(p.ChannelMultiply(c1, c2), 0x004E3200u);
    EXPECT_EQ(p.ChannelMax(c1, c2), 0x02C8A0FFu);
    EXPECT_EQ(p.ChannelMin(c1, c2), 0x01645000u);
    EXPECT_EQ(p.ChannelDifference(c1, c2), 0x016450FFu);
    EXPECT_EQ(p.ChannelExclusion(0xFF80FF00u, 0xFF8001FFu), 0x0280FFFFu);
    EXPECT_EQ(p.ChannelAverage(0x01000001u, 0x02000002u),
              impl == biPortable ? 0x01000001u : 0x02000002u);
    EXPECT_EQ(p.ChannelScale(0x80FF0102u, 512), 0xFFFF0204u);
    EXPECT_EQ(p.ChannelScale(0x80FF0102u, 0xFFFFFFFFu), 0xFFFFFFFFu);  // no 32-bit overflow
    EXPECT_EQ(p.ChannelScale(0x80FF0102u, 128), 0x407F0001u);
  }
}

TEST(BlendFormulas, MergeTablesRoundTiesToEven) {
  const TMergeTables& t = MergeTables();
  for (int x = 0; x < 256; ++x) {
    ASSERT_EQ(t.P[255][x], x);
    ASSERT_EQ(t.P[0][x], 0);
    ASSERT_EQ(t.Q[255][x], x);
    ASSERT_EQ(t.Q[0][x], 0);
  }
  EXPECT_EQ(t.P[1][127], 0);         // 0.498
  EXPECT_EQ(t.P[1][128], 1);         // 0.502
  EXPECT_EQ(t.P[200][100], 78);      // 78.43
  EXPECT_EQ(t.Q[2][1], 128);         // 127.5
  EXPECT_EQ(t.Q[6][1], 42);          // 42.5
  EXPECT_EQ(t.Q[10][1], 26);         // 25.5
  EXPECT_EQ(t.Q[2][3], 382 & 0xFF);  // 382.5, low 8 bits kept
  EXPECT_EQ(t.Q[192][128], 170);
}

TEST(BlendResamplerHelpers, BlockAverageAndInterpolation) {
  for (TBlendImplementation impl : AvailableImplementations()) {
    SCOPED_TRACE(BlendImplementationName(impl));
    const TBlendProcs& p = *BlendProcsFor(impl);
    // A 2x2 block of a 3-pixel-wide picture; channel sums 6, 10, 4 and 2 over 4 pixels.
    const TColor32 picture[6] = {0x00000301u, 0x00000201u, 0xEEEEEEEEu,
                                 0x01020202u, 0x01020302u, 0xEEEEEEEEu};
    // 1.5 -> 2 (even), 2.5 -> 2, 1.0, 0.5 -> 0
    EXPECT_EQ(p.BlockAverage(2, 2, picture, 3), 0x00010202u);
    EXPECT_EQ(p.BlockAverage(0, 2, picture, 3), 0u);
    EXPECT_EQ(p.BlockAverage(3, -1, picture, 3), 0u);
    EXPECT_EQ(p.BlockAverage(1, 1, picture + 2, 3), 0xEEEEEEEEu);

    const TColor32 row1[2] = {0xFF000000u, 0x00FF0000u}, row2[2] = {0x0000FF00u, 0x000000FFu};
    EXPECT_EQ(p.LinearInterpolator(256, 256, row1, row2), row1[0]);
    EXPECT_EQ(p.LinearInterpolator(0, 256, row1, row2), row1[1]);
    EXPECT_EQ(p.LinearInterpolator(256, 0, row1, row2), row2[0]);
    EXPECT_EQ(p.LinearInterpolator(0, 0, row1, row2), row2[1]);
    EXPECT_EQ(p.LinearInterpolator(128, 128, row1, row2), 0x40404040u);
    EXPECT_EQ(p.LinearInterpolator(9999, 9999, row1, row2), row1[0]);
    EXPECT_EQ(p.BilinearFetch(row1[0], row1[1], row2[0], row2[1], 0, 0), row1[0]);
    EXPECT_EQ(p.BilinearFetch(row1[0], row1[1], row2[0], row2[1], 0x18000, 0x28000), 0x40404040u);
  }
}

TEST(BlendSlots, SelectionFillsSlotsAndCombineModeTables) {
  TRestoreDefault restore;
  for (TBlendImplementation impl : AvailableImplementations()) {
    SCOPED_TRACE(BlendImplementationName(impl));
    ASSERT_TRUE(SelectBlendImplementation(impl));
    EXPECT_EQ(ActiveBlendImplementation(), impl);
    const TBlendProcs& p = *BlendProcsFor(impl);
    EXPECT_EQ(BlendRun.Get(), p.BlendRun);
    EXPECT_EQ(BLEND_MEM[cmBlend].Get(), p.BlendInto);
    EXPECT_EQ(BLEND_MEM[cmMerge].Get(), p.CompositeInto);
    EXPECT_EQ(BLEND_LINE_EX[cmBlend].Get(), p.BlendRunMaster);
    EXPECT_EQ(BLEND_REG_EX[cmMerge].Get(), p.CompositeValueMaster);
    // Called through the slots, the formulas of the selected set.
    EXPECT_EQ(BlendValue(0xFF000000u, 0xFFFFFFFFu), impl == biPortable ? 0xFF000000u : 0xFF010101u);
    TColor32 b = 0xFF000000u;
    BLEND_MEM[cmMerge](0x80FFFFFFu, b);
    EXPECT_EQ(b >> 24, 255u);
    TColor32 row[5] = {};
    FillWords32(row, 4, 0xABCDEF01u);
    EXPECT_EQ(row[3], 0xABCDEF01u);
    EXPECT_EQ(row[4], 0u);
  }
  SelectDefaultBlendImplementation();
  EXPECT_EQ(ActiveBlendImplementation(),
            ChooseBlendImplementation(CpuFeatures(), std::getenv("PICTAVIA_SIMD")));
}

TEST(BlendSlots, CopyWordsHandlesOverlapBothWays) {
  TColor32 a[8] = {0, 1, 2, 3, 4, 5, 6, 7};
  CopyWords32(a, a + 2, 5);
  EXPECT_EQ(std::vector<TColor32>(a, a + 8), (std::vector<TColor32>{0, 1, 0, 1, 2, 3, 4, 7}));
  CopyWords32(a + 2, a, 5);
  EXPECT_EQ(std::vector<TColor32>(a, a + 8), (std::vector<TColor32>{0, 1, 2, 3, 4, 3, 4, 7}));
}

}  // namespace pictavia
