// A microsecond stopwatch, the millisecond tick count and the processor count, all from the
// monotonic clock and the C++ runtime.
#pragma once

#include <chrono>
#include <cstdint>

namespace pictavia {

// A span of the monotonic clock in microseconds, rounded to nearest with ties to even.
int64_t ElapsedMicroseconds(std::chrono::steady_clock::duration Span);

class TPerfTimer {
 public:
  // Records the clock as the start of the measured time.
  void Start();
  // Microseconds since Start, rounded to nearest with ties to even (0 before any Start).
  int64_t ReadValue() const;
  // The same in milliseconds, with the microseconds as the fraction.
  double ReadMilliseconds() const;

 private:
  std::chrono::steady_clock::time_point start_{};
  bool started_ = false;
};

// Milliseconds of the monotonic clock, wrapping at 2^32 like a platform tick counter.
uint32_t GetTickCount();

// The number of processors, read once on first use; at least 1.
int ProcessorCount();

}  // namespace pictavia
