// Smooth text at 40 pt as a text layer draws it: DrawSmoothText at anti-aliasing level 4 on texts
// of 20, 100, 500 and 2,000 characters, beside level 0 of the same texts; with the peak memory
// one level 4 call adds and a summary of ratios.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include <QGuiApplication>

#include "raster/bitmap32.h"
#include "raster/peak_memory.h"

namespace pictavia {

namespace {

constexpr int kLengths[] = {20, 100, 500, 2000};
constexpr int kLevels[] = {0, 4};

// Ordinary prose of the given length, so that letters repeat as often as they do in real texts.
std::string Prose(int Length) {
  static const std::string kSentence =
      "Summer by the sea: twenty-four boats left the old harbour before dawn, and the fishermen "
      "sang while the gulls followed them out past the lighthouse. ";
  std::string text;
  while (static_cast<int>(text.size()) < Length) text += kSentence;
  text.resize(Length);
  return text;
}

// A transparent bitmap of the text's extent in bold 40 pt Arial, as a text layer sizes it.
void PrepareLayerBitmap(TBitmap32& Bitmap, const std::string& Text) {
  Bitmap.Font().SetName("Arial");
  Bitmap.Font().SetSize(40);
  Bitmap.Font().SetStyle(fsBold);
  Bitmap.SetSize(Bitmap.TextWidth(Text), Bitmap.TextHeight(Text));
  Bitmap.Clear(0x00000000);
}

std::string BenchmarkName(int Length, int Level) {
  return "DrawSmoothText/40pt/" + std::to_string(Length) + "chars/AALevel" + std::to_string(Level);
}

void RegisterAll() {
  for (int length : kLengths)
    for (int level : kLevels)
      benchmark::RegisterBenchmark(BenchmarkName(length, level).c_str(),
                                   [length, level](benchmark::State& state) {
                                     const std::string text = Prose(length);
                                     TBitmap32 bitmap;
                                     PrepareLayerBitmap(bitmap, text);
                                     for (auto _ : state) {
                                       bitmap.DrawSmoothText(0, 0, text, level, 0xFFFF0000);
                                       benchmark::ClobberMemory();
                                     }
                                   });
}

// What one level 4 call adds to the resident memory at its peak, in megabytes (-1: unknown).
double PeakMegabytesOfOneCall(int Length) {
  const std::string text = Prose(Length);
  TBitmap32 bitmap;
  PrepareLayerBitmap(bitmap, text);
  TPeakMemoryProbe probe;
  bitmap.DrawSmoothText(0, 0, text, 4, 0xFFFF0000);
  const int64_t grown = probe.PeakGrowthBytes();
  return grown < 0 ? -1.0 : grown / (1024.0 * 1024.0);
}

// The console output, then per length: level 4 beside level 0 (target: at most 50), each level
// beside the 20-character text of the same level (target for level 4: at most 120 at 2,000
// characters), and the peak memory of one level 4 call (target: under 64 MB).
class TSummaryReporter : public TBestTimeReporter {
 public:
  void PrintSummary() const {
    std::printf("\n%-10s %12s %12s %14s %12s %12s %12s\n", "40 pt", "level 0 (us)", "level 4 (us)",
                "level 4 / 0", "0 / 20 chars", "4 / 20 chars", "peak MB");
    const double base0 = Find(BenchmarkName(20, 0)), base4 = Find(BenchmarkName(20, 4));
    for (int length : kLengths) {
      const double t0 = Find(BenchmarkName(length, 0)), t4 = Find(BenchmarkName(length, 4));
      if (t0 <= 0 || t4 <= 0) continue;
      std::printf("%-10s %12.1f %12.1f %14.2f", (std::to_string(length) + " chars").c_str(),
                  t0 / 1e3, t4 / 1e3, t4 / t0);
      if (base0 > 0 && base4 > 0)
        std::printf(" %12.2f %12.2f", t0 / base0, t4 / base4);
      else
        std::printf(" %12s %12s", "-", "-");
      std::printf(" %12.1f\n", PeakMegabytesOfOneCall(length));
    }
    double worst = 0;
    for (int length : kLengths) {
      const double t0 = Find(BenchmarkName(length, 0)), t4 = Find(BenchmarkName(length, 4));
      if (t0 > 0) worst = std::max(worst, t4 / t0);
    }
    const double t4long = Find(BenchmarkName(2000, 4));
    std::printf(
        "\ntargets: level 4 / level 0 at most 50 (worst %.2f), 2,000 / 20 characters at "
        "level 4 at most 120 (%.2f), peak memory under 64 MB\n",
        worst, base4 > 0 ? t4long / base4 : 0.0);
  }
};

int RunBenchmarks(int argc, char** argv) {
  UseOffscreenPlatformWithoutDisplay();
  QGuiApplication app(argc, argv);
  RegisterAll();
  return RunBenchmarksWithSummary<TSummaryReporter>(argc, argv);
}

}  // namespace

}  // namespace pictavia

int main(int argc, char** argv) {
  return pictavia::RunBenchmarks(argc, argv);
}
