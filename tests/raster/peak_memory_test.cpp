// The peak memory probe sees memory touched after it was made, not what was resident before.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "raster/peak_memory.h"

namespace pictavia {

TEST(PeakMemory, IgnoresWhatWasResidentBefore) {
  std::vector<char> before(size_t{64} << 20);
  for (size_t i = 0; i < before.size(); i += 4096) before[i] = 1;
  TPeakMemoryProbe probe;
  const int64_t grown = probe.PeakGrowthBytes();
  if (grown < 0) GTEST_SKIP() << "this system does not report peak memory";
  EXPECT_LT(grown, int64_t{16} << 20);
}

TEST(PeakMemory, SeesMemoryTouchedAfterTheProbe) {
  TPeakMemoryProbe probe;
  {
    std::vector<char> block(size_t{96} << 20);
    for (size_t i = 0; i < block.size(); i += 4096) block[i] = static_cast<char>(i >> 12);
    volatile char keep = block[block.size() / 2];
    (void)keep;
  }
  const int64_t grown = probe.PeakGrowthBytes();
  if (grown < 0) GTEST_SKIP() << "this system does not report peak memory";
  EXPECT_GE(grown, int64_t{90} << 20);
  EXPECT_LT(grown, int64_t{200} << 20);
}

}  // namespace pictavia
