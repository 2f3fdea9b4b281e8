// The program's float-to-int rules: where ties go, and that nothing beyond the int range or NaN
// reaches an undefined conversion.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "toolkit/rounding.h"

namespace pictavia {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::nan("");

}  // namespace

TEST(Rounding, NearestTiesToEven) {
  EXPECT_EQ(SaturatedRound(0.5), 0);
  EXPECT_EQ(SaturatedRound(1.5), 2);
  EXPECT_EQ(SaturatedRound(2.5), 2);
  EXPECT_EQ(SaturatedRound(-0.5), 0);
  EXPECT_EQ(SaturatedRound(-1.5), -2);
  EXPECT_EQ(SaturatedRound(-2.5), -2);
  EXPECT_EQ(SaturatedRound(2.4999), 2);
  EXPECT_EQ(SaturatedRound(-7.6), -8);
}

TEST(Rounding, HalvesAwayFromZero) {
  EXPECT_EQ(SaturatedRoundHalfAway(0.5), 1);
  EXPECT_EQ(SaturatedRoundHalfAway(2.5), 3);
  EXPECT_EQ(SaturatedRoundHalfAway(-2.5), -3);
  EXPECT_EQ(SaturatedRoundHalfAway(2.4999), 2);
}

TEST(Rounding, FloorAndCeil) {
  EXPECT_EQ(SaturatedFloor(2.9), 2);
  EXPECT_EQ(SaturatedFloor(-2.1), -3);
  EXPECT_EQ(SaturatedCeil(2.1), 3);
  EXPECT_EQ(SaturatedCeil(-2.9), -2);
  EXPECT_EQ(SaturatedFloor(-0.0), 0);
}

TEST(Rounding, EveryRuleSaturatesAndTurnsNaNIntoZero) {
  using TRule = int (*)(double);
  for (TRule rule : {TRule{SaturatedRound}, TRule{SaturatedRoundHalfAway}, TRule{SaturatedFloor},
                     TRule{SaturatedCeil}}) {
    EXPECT_EQ(rule(kNaN), 0);
    EXPECT_EQ(rule(kInf), INT_MAX);
    EXPECT_EQ(rule(-kInf), INT_MIN);
    EXPECT_EQ(rule(1e300), INT_MAX);
    EXPECT_EQ(rule(-1e300), INT_MIN);
    EXPECT_EQ(rule(2147483647.4), INT_MAX);
    EXPECT_EQ(rule(-2147483648.4), INT_MIN);
    // The last values inside the range are still rounded by the rule, not cut off.
    EXPECT_EQ(rule(2147483646.0), 2147483646);
    EXPECT_EQ(rule(-2147483647.0), -2147483647);
  }
  EXPECT_EQ(SaturatedRound(2147483646.6), INT_MAX);
  EXPECT_EQ(SaturatedFloor(2147483646.6), 2147483646);
  EXPECT_EQ(SaturatedCeil(-2147483647.6), -2147483647);
}

}  // namespace pictavia
