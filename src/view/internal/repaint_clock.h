// TRepaintClock: where the repaint optimizer reads the time - a stopwatch around buffer repaints
// and the millisecond tick count. Tests hand the optimizer a clock they set themselves.
#pragma once

#ifndef PICTAVIA_INSIDE_VIEW
#error "repaint_clock.h is private to the view library and its tests"
#endif

#include <cstdint>

#include "raster/perf_timer.h"

namespace pictavia {

class TRepaintClock {
 public:
  virtual ~TRepaintClock() = default;
  virtual void StartStopwatch() { stopwatch_.Start(); }
  // Microseconds since StartStopwatch.
  virtual int64_t StopwatchMicroseconds() const { return stopwatch_.ReadValue(); }
  // Milliseconds, wrapping at 2^32 (after 49.7 days).
  virtual uint32_t TickCount() const { return GetTickCount(); }

 private:
  TPerfTimer stopwatch_;
};

}  // namespace pictavia
