// The stopwatch, tick count and processor count over std::chrono and std::thread.
#include "raster/perf_timer.h"

#include <ratio>
#include <thread>

namespace pictavia {

// Exact rational conversion, so long spans do not overflow.
int64_t ElapsedMicroseconds(std::chrono::steady_clock::duration Span) {
  const int64_t ticks = Span.count();
  using ToMicro = std::ratio_divide<std::chrono::steady_clock::period, std::micro>;
  if constexpr (ToMicro::den == 1) {
    return ticks * ToMicro::num;
  } else {
    const int64_t n = ticks * ToMicro::num;
    int64_t q = n / ToMicro::den;
    int64_t r = n % ToMicro::den;
    if (r < 0) {  // floor division, so the tie rule is the same on both sides of zero
      r += ToMicro::den;
      --q;
    }
    if (2 * r > ToMicro::den || (2 * r == ToMicro::den && (q & 1))) ++q;
    return q;
  }
}

void TPerfTimer::Start() {
  start_ = std::chrono::steady_clock::now();
  started_ = true;
}

int64_t TPerfTimer::ReadValue() const {
  if (!started_) return 0;
  return ElapsedMicroseconds(std::chrono::steady_clock::now() - start_);
}

double TPerfTimer::ReadMilliseconds() const {
  return static_cast<double>(ReadValue()) / 1000.0;
}

uint32_t GetTickCount() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<uint32_t>(ms.count());
}

int ProcessorCount() {
  static const int count = [] {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(n);
  }();
  return count;
}

}  // namespace pictavia
