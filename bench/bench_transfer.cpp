// Transfers into a 1920x1080 destination: the nearest stretch (2x up, 3x down; opaque, blended
// opaque and blended alpha sources; whole and half destination) beside the peer library's
// nearest-scaled SRC/OVER of the same geometry, the block transfer beside memcpy, and smooth
// text; with a ratio summary.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <QGuiApplication>

#include "raster/bitmap32.h"
#include "raster/blend.h"
#include "raster/resamplers.h"
#include "raster/transfers.h"

#ifdef PICTAVIA_HAVE_PIXMAN
#include <pixman.h>
#endif

namespace pictavia {

namespace {

constexpr int kDstW = 1920, kDstH = 1080;

struct TScale {
  const char* Name;
  int SrcW, SrcH;
};
const TScale kScales[] = {{"2x-up", kDstW / 2, kDstH / 2}, {"3x-down", kDstW * 3, kDstH * 3}};

// dmOpaque from an opaque photo, dmBlend from the same photo, dmBlend from pixels of any alpha.
enum TCase { csOpaque, csBlendOpaque, csBlendAlpha };
const char* const kCaseNames[] = {"opaque", "blend-opaque", "blend-alpha"};

struct TClip {
  const char* Name;
  TRect Rect;
};
// The whole destination, and its middle half (columns 480..1439).
const TClip kClips[] = {{"full", {0, 0, kDstW, kDstH}},
                        {"half", {kDstW / 4, 0, kDstW * 3 / 4, kDstH}}};

std::string CaseName(const TScale& Scale, TCase Case, const TClip& Clip) {
  return std::string(Scale.Name) + "/" + kCaseNames[Case] + "/" + Clip.Name;
}

// A source picture and its premultiplied copy for the peer library.
struct TSource {
  TBitmap32 Bitmap;
  std::vector<TColor32> Premultiplied;
};

// The pictures of the run, made on first use and freed by main before the application goes.
struct TBenchData {
  std::map<std::pair<int, bool>, std::unique_ptr<TSource>> Sources;
  std::unique_ptr<TBitmap32> Destination;
};
TBenchData* g_data = nullptr;

TSource& SourceFor(const TScale& Scale, bool Alpha) {
  auto& slot = g_data->Sources[{Scale.SrcW, Alpha}];
  if (!slot) {
    slot = std::make_unique<TSource>();
    TBitmap32& b = slot->Bitmap;
    b.SetSize(Scale.SrcW, Scale.SrcH);
    std::mt19937 rng(Scale.SrcW + Alpha);
    const size_t n = static_cast<size_t>(Scale.SrcW) * Scale.SrcH;
    slot->Premultiplied.resize(n);
    for (size_t i = 0; i < n; ++i) {
      TColor32 c = rng();
      if (!Alpha) c |= 0xFF000000u;
      b.Bits()[i] = c;
      const uint32_t a = c >> 24;
      TColor32 p = a << 24;
      for (int s = 0; s < 24; s += 8) p |= ((((c >> s) & 0xFF) * a + 127) / 255) << s;
      slot->Premultiplied[i] = p;
    }
  }
  return *slot;
}

TBitmap32& Destination() {
  if (!g_data->Destination) {
    g_data->Destination = std::make_unique<TBitmap32>();
    g_data->Destination->SetSize(kDstW, kDstH);
    g_data->Destination->Clear(0xFF336699);
  }
  return *g_data->Destination;
}

void SetPixelsProcessed(benchmark::State& State, const TRect& Area) {
  State.SetItemsProcessed(State.iterations() * int64_t{Area.Width()} * Area.Height());
}

void RegisterStretches() {
  for (const TScale& scale : kScales)
    for (TCase c : {csOpaque, csBlendOpaque, csBlendAlpha})
      for (const TClip& clip : kClips) {
        const std::string name = CaseName(scale, c, clip);
        benchmark::RegisterBenchmark(
            ("nearest/" + name).c_str(), [scale, c, clip](benchmark::State& state) {
              TSource& src = SourceFor(scale, c == csBlendAlpha);
              TBitmap32& dst = Destination();
              const TDrawMode mode = c == csOpaque ? dmOpaque : dmBlend;
              for (auto _ : state) {
                TransferScaled(&dst, dst.BoundsRect(), clip.Rect, &src.Bitmap,
                               src.Bitmap.BoundsRect(), src.Bitmap.Resampler(), mode, nullptr);
                benchmark::ClobberMemory();
              }
              SetPixelsProcessed(state, clip.Rect);
            });
#ifdef PICTAVIA_HAVE_PIXMAN
        benchmark::RegisterBenchmark(("pixman/" + name).c_str(), [scale, c,
                                                                  clip](benchmark::State& state) {
          TSource& src = SourceFor(scale, c == csBlendAlpha);
          TBitmap32& dst = Destination();
          pixman_image_t* s = pixman_image_create_bits(PIXMAN_a8r8g8b8, scale.SrcW, scale.SrcH,
                                                       src.Premultiplied.data(), scale.SrcW * 4);
          pixman_image_t* d =
              pixman_image_create_bits(PIXMAN_a8r8g8b8, kDstW, kDstH, dst.Bits(), kDstW * 4);
          pixman_transform_t t;
          pixman_transform_init_scale(
              &t, pixman_double_to_fixed(static_cast<double>(scale.SrcW) / kDstW),
              pixman_double_to_fixed(static_cast<double>(scale.SrcH) / kDstH));
          pixman_image_set_transform(s, &t);
          pixman_image_set_filter(s, PIXMAN_FILTER_NEAREST, nullptr, 0);
          const pixman_op_t op = c == csOpaque ? PIXMAN_OP_SRC : PIXMAN_OP_OVER;
          const TRect& r = clip.Rect;
          for (auto _ : state) {
            pixman_image_composite32(op, s, nullptr, d, r.Left, r.Top, 0, 0, r.Left, r.Top,
                                     r.Width(), r.Height());
            benchmark::ClobberMemory();
          }
          pixman_image_unref(s);
          pixman_image_unref(d);
          SetPixelsProcessed(state, clip.Rect);
        });
#endif
      }
}

void RegisterBlocks() {
  const TRect all = Rect(0, 0, kDstW, kDstH);
  benchmark::RegisterBenchmark("memcpy/1920x1080", [all](benchmark::State& state) {
    TSource& src = SourceFor(kScales[1], false);
    TBitmap32& dst = Destination();
    for (auto _ : state) {
      for (int y = 0; y < kDstH; ++y)
        std::memcpy(dst.RowAddress(y), src.Bitmap.RowAddress(y), kDstW * 4);
      benchmark::ClobberMemory();
    }
    SetPixelsProcessed(state, all);
  });
  for (TCase c : {csOpaque, csBlendAlpha}) {
    benchmark::RegisterBenchmark(
        (std::string("TransferSameSize/") + kCaseNames[c] + "/1920x1080").c_str(),
        [all, c](benchmark::State& state) {
          TSource& src = SourceFor(kScales[1], c == csBlendAlpha);
          TBitmap32& dst = Destination();
          const TDrawMode mode = c == csOpaque ? dmOpaque : dmBlend;
          for (auto _ : state) {
            TransferSameSize(&dst, 0, 0, dst.ClipRect(), &src.Bitmap, all, mode, nullptr);
            benchmark::ClobberMemory();
          }
          SetPixelsProcessed(state, all);
        });
  }
}

void RegisterText() {
  for (int level : {0, 2}) {
    benchmark::RegisterBenchmark(
        ("DrawSmoothText/16pt/20chars/AALevel" + std::to_string(level)).c_str(),
        [level](benchmark::State& state) {
          TBitmap32 dst;
          dst.SetSize(400, 60);
          dst.Clear(0xFFFFFFFF);
          dst.Font().SetName("Arial");
          dst.Font().SetSize(16);
          for (auto _ : state) {
            dst.DrawSmoothText(4, 8, "Summer by the sea 24", level, 0xFF203040);
            benchmark::ClobberMemory();
          }
        });
  }
}

// Prints the usual console output and keeps each benchmark's CPU time per iteration for the
// summary (CPU time, so that other work on a shared machine does not skew the ratios); run with
// --benchmark_repetitions=N for steadier ratios.
class TSummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& Reports) override {
    ConsoleReporter::ReportRuns(Reports);
    // With repetitions the fastest one counts: the others lost time to the machine, not the code.
    for (const Run& run : Reports) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const double t = run.GetAdjustedCPUTime();
      auto [it, inserted] = times_.emplace(run.run_name.function_name, t);
      if (!inserted && t < it->second) it->second = t;
    }
  }

  // The peer's time over ours for each stretch (above 1.00 = ours is faster), and the block
  // transfers against memcpy (1.00 = as fast as a copy).
  void PrintSummary() const {
    std::printf("\n%-30s %12s %12s %12s\n", "nearest stretch", "ours (ms)", "pixman (ms)",
                "pixman/ours");
    for (const TScale& scale : kScales)
      for (TCase c : {csOpaque, csBlendOpaque, csBlendAlpha})
        for (const TClip& clip : kClips) {
          const std::string name = CaseName(scale, c, clip);
          const double ours = Find("nearest/" + name), peer = Find("pixman/" + name);
          if (ours <= 0) continue;
          std::printf("%-30s %12.3f", name.c_str(), ours / 1e6);
          if (peer > 0)
            std::printf(" %12.3f %12.2f\n", peer / 1e6, peer / ours);
          else
            std::printf(" %12s %12s\n", "-", "-");
        }
    const double copy = Find("memcpy/1920x1080");
    std::printf("\n%-30s %12s %12s\n", "block transfer 1920x1080", "ours (ms)", "x memcpy");
    for (TCase c : {csOpaque, csBlendAlpha}) {
      const double ours = Find(std::string("TransferSameSize/") + kCaseNames[c] + "/1920x1080");
      if (ours > 0 && copy > 0)
        std::printf("%-30s %12.3f %12.2f\n", kCaseNames[c], ours / 1e6, ours / copy);
    }
    std::printf("\n%-30s %12s\n", "smooth text, 16 pt, 20 chars", "ours (us)");
    for (int level : {0, 2}) {
      const double t = Find("DrawSmoothText/16pt/20chars/AALevel" + std::to_string(level));
      if (t > 0) std::printf("AALevel %-22d %12.1f\n", level, t / 1e3);
    }
  }

 private:
  // CPU time per iteration in nanoseconds (the benchmarks run in the default unit).
  double Find(const std::string& Name) const {
    const auto it = times_.find(Name);
    return it == times_.end() ? 0.0 : it->second;
  }
  std::map<std::string, double> times_;
};

int RunBenchmarks(int argc, char** argv) {
  // Text needs a GUI application; without a display the offscreen platform serves.
  UseOffscreenPlatformWithoutDisplay();
  QGuiApplication app(argc, argv);
  RegisterStretches();
  RegisterBlocks();
  RegisterText();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  {
    TBenchData data;
    g_data = &data;
    TSummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    g_data = nullptr;
  }
  benchmark::Shutdown();
  return 0;
}

}  // namespace

}  // namespace pictavia

int main(int argc, char** argv) {
  return pictavia::RunBenchmarks(argc, argv);
}
