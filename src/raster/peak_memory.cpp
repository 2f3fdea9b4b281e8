// The high-water mark of resident memory from /proc/self: "5" written to clear_refs resets it,
// VmRSS and VmHWM in status read the present size and the mark. Memory the allocator keeps from
// earlier work is handed back first, so that reusing it counts as growth too.
#include "raster/peak_memory.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

namespace pictavia {

namespace {

// A "Key:   1234 kB" line of /proc/self/status in bytes, -1 when absent.
int64_t StatusBytes(const std::string& Key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.compare(0, Key.size(), Key) == 0 && line.size() > Key.size() &&
        line[Key.size()] == ':')
      return std::strtoll(line.c_str() + Key.size() + 1, nullptr, 10) * 1024;
  return -1;
}

bool ResetHighWaterMark() {
  std::ofstream clearRefs("/proc/self/clear_refs");
  clearRefs << "5";
  clearRefs.flush();
  return clearRefs.good();
}

}  // namespace

TPeakMemoryProbe::TPeakMemoryProbe() {
#ifdef __GLIBC__
  malloc_trim(0);
#endif
  if (ResetHighWaterMark()) startBytes_ = StatusBytes("VmRSS");
}

int64_t TPeakMemoryProbe::PeakGrowthBytes() const {
  if (startBytes_ < 0) return -1;
  const int64_t peak = StatusBytes("VmHWM");
  return peak < 0 ? -1 : std::max<int64_t>(peak - startBytes_, 0);
}

}  // namespace pictavia
