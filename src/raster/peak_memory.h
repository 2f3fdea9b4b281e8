// How far the resident memory of this process rises during a piece of work: the kernel's
// high-water mark, reset when the probe is made.
#pragma once

#include <cstdint>

namespace pictavia {

class TPeakMemoryProbe {
 public:
  // Resets the high-water mark to the resident size of this moment, which is remembered.
  TPeakMemoryProbe();
  // Bytes by which the high-water mark now exceeds the resident size at construction; -1 when
  // the system does not tell (no /proc, or the mark could not be reset).
  int64_t PeakGrowthBytes() const;

 private:
  int64_t startBytes_ = -1;
};

}  // namespace pictavia
