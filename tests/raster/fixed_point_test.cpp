// The wrap functions, 16.16 fixed-point helpers and the stopwatch.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <thread>
#include <vector>

#include "raster/fixed_point.h"
#include "raster/perf_timer.h"

namespace pictavia {

namespace {

template <typename F>
std::vector<int> Sweep(F f, int from, int to, int lo, int hi) {
  std::vector<int> out;
  for (int v = from; v <= to; ++v) out.push_back(f(v, lo, hi));
  return out;
}

}  // namespace

TEST(FixedPoint, WrapFunctionsOverARange) {
  using V = std::vector<int>;
  auto clamp = [](int v, int lo, int hi) { return Clamp(v, lo, hi); };
  EXPECT_EQ(Sweep(clamp, -2, 6, 1, 4), (V{1, 1, 1, 1, 2, 3, 4, 4, 4}));
  EXPECT_EQ(Sweep(Wrap, -6, 9, 1, 4), (V{2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 1}));
  // Mirror repeats the edge pixel at each reflection.
  EXPECT_EQ(Sweep(Mirror, -9, 10, 1, 4),
            (V{2, 1, 1, 2, 3, 4, 4, 3, 2, 1, 1, 2, 3, 4, 4, 3, 2, 1, 1, 2}));
  EXPECT_EQ(Sweep(Mirror, -2, 2, 0, 0), (V{0, 0, 0, 0, 0}));
  EXPECT_EQ(Clamp(-3), 0);
  EXPECT_EQ(Clamp(300), 255);
}

TEST(FixedPoint, WrapFunctionsSurviveExtremesAndEmptyRanges) {
  for (int v : {INT_MIN, INT_MIN + 1, -1, 0, INT_MAX - 1, INT_MAX}) {
    for (auto [lo, hi] :
         {std::pair{0, 99}, std::pair{-50, 50}, std::pair{INT_MIN, INT_MAX}, std::pair{7, 7}}) {
      const int w = Wrap(v, lo, hi), m = Mirror(v, lo, hi);
      EXPECT_TRUE(w >= lo && w <= hi) << v << " in " << lo << ".." << hi << " -> " << w;
      EXPECT_TRUE(m >= lo && m <= hi) << v << " in " << lo << ".." << hi << " -> " << m;
    }
    // An empty range (an empty clip rectangle) must not divide by zero.
    EXPECT_EQ(Wrap(v, 5, 4), 4);
    EXPECT_EQ(Mirror(v, 5, 4), 4);
  }
}

TEST(FixedPoint, SixteenDotSixteen) {
  EXPECT_EQ(FixedFloor(0x28000), 2);
  EXPECT_EQ(FixedFloor(-1), -1);
  EXPECT_EQ(FixedCeil(0x20000), 2);
  EXPECT_EQ(FixedCeil(0x20001), 3);
  EXPECT_EQ(FixedCeil(INT_MAX), 0x8000);  // no overflow on the way
  EXPECT_EQ(FixedRound(0x28000), 2);      // a half rounds down
  EXPECT_EQ(FixedRound(0x28001), 3);
  EXPECT_EQ(FixedMul(0x28000, -0x18000), -0x3C000);  // 2.5 * -1.5
  EXPECT_EQ(FixedMul(0x1000000, 0x1000000), 0);      // 256 * 256 wraps like the 32-bit result
  EXPECT_EQ(FixedDiv(FixedOne, 3 * FixedOne), 0x5555);
  EXPECT_EQ(FixedDiv(-7 * FixedOne, 2 * FixedOne), -0x38000);
  EXPECT_EQ(FixedDiv(FixedOne, 0), INT32_MAX);
  EXPECT_EQ(FixedDiv(-FixedOne, 0), INT32_MIN);
  EXPECT_EQ(FixedDiv(INT32_MIN, -1), INT32_MAX);
  EXPECT_EQ(ToFixed(-3), -0x30000);
}

TEST(PerfTimer, MicrosecondsRoundToNearestEven) {
  using std::chrono::nanoseconds;
  EXPECT_EQ(ElapsedMicroseconds(nanoseconds(1499)), 1);
  EXPECT_EQ(ElapsedMicroseconds(nanoseconds(1500)), 2);
  EXPECT_EQ(ElapsedMicroseconds(nanoseconds(2500)), 2);
  EXPECT_EQ(ElapsedMicroseconds(nanoseconds(-1500)), -2);
  EXPECT_EQ(ElapsedMicroseconds(std::chrono::hours(1000)), 3600000000000LL);

  TPerfTimer timer;
  EXPECT_EQ(timer.ReadValue(), 0);
  const uint32_t tick = GetTickCount();
  timer.Start();
  std::this_thread::sleep_for(std::chrono::milliseconds(3));
  const int64_t us = timer.ReadValue();
  EXPECT_GE(us, 3000);
  EXPECT_GE(timer.ReadMilliseconds(), us / 1000.0);
  EXPECT_GE(GetTickCount() - tick, 3u);
  EXPECT_GE(ProcessorCount(), 1);
}

}  // namespace pictavia
