// Blending run forms on every implementation beside memcpy of the same bytes and the peer
// library's OVER operator, on 1,024-pixel runs and 4-megapixel buffers, with a ratio summary.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "raster/blend.h"

#ifdef PICTAVIA_HAVE_PIXMAN
#include <pixman.h>
#endif

namespace pictavia {

namespace {

enum TMix { mxOpaque, mxText, mxRandomAlpha };
const char* const kMixNames[] = {"opaque", "text", "alpha"};

struct TSize {
  const char* Name;
  int Width, Height;
};
const TSize kSizes[] = {{"1024px", 1024, 1}, {"4Mpx", 2048, 2048}};

// Pixels of one mix. Opaque: a photo, alpha 255 everywhere. Text: what lettering over a
// transparent layer looks like along a row: transparent gaps and opaque strokes of a few to a few
// dozen pixels, joined by one to three anti-aliased edge pixels. Alpha: any alpha in every pixel.
std::vector<TColor32> MakePixels(TMix Mix, size_t Count, uint32_t Seed) {
  std::mt19937 rng(Seed);
  std::vector<TColor32> out(Count);
  size_t i = 0;
  while (i < Count) {
    if (Mix == mxOpaque) {
      out[i++] = 0xFF000000u | (rng() & 0xFFFFFF);
    } else if (Mix == mxRandomAlpha) {
      out[i++] = rng();
    } else {
      const bool stroke = rng() % 3 == 0;
      for (size_t n = 4 + rng() % 36; n > 0 && i < Count; --n)
        out[i++] = stroke ? 0xFF000000u | (rng() & 0xFFFFFF) : (rng() & 0xFFFFFF);
      for (size_t n = 1 + rng() % 3; n > 0 && i < Count; --n) out[i++] = rng();
    }
  }
  return out;
}

// The peer library takes premultiplied pixels; same pixels, premultiplied with rounding.
std::vector<TColor32> Premultiplied(const std::vector<TColor32>& Pixels) {
  std::vector<TColor32> out(Pixels.size());
  for (size_t i = 0; i < Pixels.size(); ++i) {
    const uint32_t a = Pixels[i] >> 24;
    TColor32 c = a << 24;
    for (int s = 0; s < 24; s += 8) c |= ((((Pixels[i] >> s) & 0xFF) * a + 127) / 255) << s;
    out[i] = c;
  }
  return out;
}

struct TBuffers {
  std::vector<TColor32> Src, SrcPremultiplied, Dst;
};

// Source pixels per mix and size, built once.
TBuffers& BuffersFor(TMix Mix, const TSize& Size) {
  static std::map<std::pair<int, int>, std::unique_ptr<TBuffers>> cache;
  auto& slot = cache[{Mix, Size.Width * Size.Height}];
  if (!slot) {
    slot = std::make_unique<TBuffers>();
    const size_t n = static_cast<size_t>(Size.Width) * Size.Height;
    slot->Src = MakePixels(Mix, n, 1 + Mix);
    slot->SrcPremultiplied = Premultiplied(slot->Src);
    slot->Dst = MakePixels(mxOpaque, n, 77);
  }
  return *slot;
}

using TRunBody = void (*)(const TBlendProcs&, const TColor32*, TColor32*, int);

struct TOperation {
  const char* Name;
  TRunBody Body;
};

const TOperation kOperations[] = {
    {"BlendRun",
     [](const TBlendProcs& p, const TColor32* s, TColor32* d, int n) { p.BlendRun(s, d, n); }},
    {"BlendRunMaster", [](const TBlendProcs& p, const TColor32* s, TColor32* d,
                          int n) { p.BlendRunMaster(s, d, n, 200); }},
    {"MixRun",
     [](const TBlendProcs& p, const TColor32* s, TColor32* d, int n) { p.MixRun(s, d, n, 100); }},
    {"CompositeRun",
     [](const TBlendProcs& p, const TColor32* s, TColor32* d, int n) { p.CompositeRun(s, d, n); }},
    {"FillWords32", [](const TBlendProcs& p, const TColor32* s, TColor32* d,
                       int n) { p.FillWords32(d, n, s[0]); }},
};

void SetThroughput(benchmark::State& State, const TSize& Size) {
  State.SetBytesProcessed(State.iterations() * int64_t{Size.Width} * Size.Height * 4);
}

void RegisterAll() {
  for (const TSize& size : kSizes) {
    for (TMix mix : {mxOpaque, mxText, mxRandomAlpha}) {
      const std::string suffix = std::string("/") + kMixNames[mix] + "/" + size.Name;
      benchmark::RegisterBenchmark(("memcpy" + suffix).c_str(),
                                   [mix, size](benchmark::State& state) {
                                     TBuffers& b = BuffersFor(mix, size);
                                     for (auto _ : state) {
                                       std::memcpy(b.Dst.data(), b.Src.data(), b.Src.size() * 4);
                                       benchmark::ClobberMemory();
                                     }
                                     SetThroughput(state, size);
                                   });
#ifdef PICTAVIA_HAVE_PIXMAN
      benchmark::RegisterBenchmark(
          ("pixman_over" + suffix).c_str(), [mix, size](benchmark::State& state) {
            TBuffers& b = BuffersFor(mix, size);
            pixman_image_t* src =
                pixman_image_create_bits(PIXMAN_a8r8g8b8, size.Width, size.Height,
                                         b.SrcPremultiplied.data(), size.Width * 4);
            pixman_image_t* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, size.Width, size.Height,
                                                           b.Dst.data(), size.Width * 4);
            for (auto _ : state) {
              pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, 0, 0, 0, 0, 0, 0,
                                       size.Width, size.Height);
              benchmark::ClobberMemory();
            }
            pixman_image_unref(src);
            pixman_image_unref(dst);
            SetThroughput(state, size);
          });
#endif
      for (const TOperation& op : kOperations) {
        for (TBlendImplementation impl : {biPortable, biScalar, biSSE2, biAVX2}) {
          const TBlendProcs* procs = BlendProcsFor(impl);
          if (!procs) continue;
          const std::string name =
              std::string(op.Name) + "/" + BlendImplementationName(impl) + suffix;
          benchmark::RegisterBenchmark(name.c_str(),
                                       [mix, size, procs, body = op.Body](benchmark::State& state) {
                                         TBuffers& b = BuffersFor(mix, size);
                                         const int n = size.Width * size.Height;
                                         for (auto _ : state) {
                                           body(*procs, b.Src.data(), b.Dst.data(), n);
                                           benchmark::ClobberMemory();
                                         }
                                         SetThroughput(state, size);
                                       });
        }
      }
    }
  }
}

// The console output, then a summary of ratios from each benchmark's fastest CPU time.
class TSummaryReporter : public TBestTimeReporter {
 public:
  // One row per operation, path, mix and size: time relative to memcpy (1.00 = as fast as a
  // copy), and the peer's OVER time relative to ours (above 1.00 = we are faster).
  void PrintSummary() const {
    std::printf("\n%-15s %-9s %-6s %-7s %12s %12s\n", "operation", "path", "mix", "size",
                "x memcpy", "pixman/ours");
    for (const TOperation& op : kOperations) {
      for (TBlendImplementation impl : {biPortable, biScalar, biSSE2, biAVX2}) {
        for (const TSize& size : kSizes) {
          for (TMix mix : {mxOpaque, mxText, mxRandomAlpha}) {
            const std::string suffix = std::string("/") + kMixNames[mix] + "/" + size.Name;
            const double ours =
                Find(std::string(op.Name) + "/" + BlendImplementationName(impl) + suffix);
            const double copy = Find("memcpy" + suffix), peer = Find("pixman_over" + suffix);
            if (ours <= 0 || copy <= 0) continue;
            std::printf("%-15s %-9s %-6s %-7s %12.2f", op.Name, BlendImplementationName(impl),
                        kMixNames[mix], size.Name, ours / copy);
            if (peer > 0)
              std::printf(" %12.2f\n", peer / ours);
            else
              std::printf(" %12s\n", "-");
          }
        }
      }
    }
  }
};

int RunBenchmarks(int argc, char** argv) {
  RegisterAll();
  return RunBenchmarksWithSummary<TSummaryReporter>(argc, argv);
}

}  // namespace

}  // namespace pictavia

int main(int argc, char** argv) {
  return pictavia::RunBenchmarks(argc, argv);
}
