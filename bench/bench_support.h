// What the benchmark programs share: the offscreen platform when there is no display, and a
// console reporter that keeps each benchmark's fastest CPU time for a summary of ratios.
#pragma once

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace pictavia {

// Qt's widgets and text need a platform; without a display the offscreen one serves.
inline void UseOffscreenPlatformWithoutDisplay() {
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

// Prints the usual console output and keeps, per benchmark name, the CPU time per iteration of
// its fastest repetition: the one least disturbed by other work on a shared machine.
class TBestTimeReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& Reports) override {
    ConsoleReporter::ReportRuns(Reports);
    for (const Run& run : Reports) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const auto [it, added] = times_.emplace(run.benchmark_name(), run.GetAdjustedCPUTime());
      if (!added && run.GetAdjustedCPUTime() < it->second) it->second = run.GetAdjustedCPUTime();
    }
  }

  // The fastest CPU time of a benchmark, 0 when it did not run.
  double Find(const std::string& Name) const {
    const auto it = times_.find(Name);
    return it == times_.end() ? 0.0 : it->second;
  }
  const std::map<std::string, double>& Times() const { return times_; }

 private:
  std::map<std::string, double> times_;
};

// Runs the registered benchmarks with a reporter that prints its summary of ratios at the end.
template <class TReporter>
int RunBenchmarksWithSummary(int& argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();
  return 0;
}

}  // namespace pictavia
