// PNG decoding speed beside libpng: photo-like RGB, RGBA clip art, palette, interlaced and
// 16-bit pictures of 1 to 12 megapixels, written into memory by our writer before timing.
// A memcpy of the decoded size comes first as the floor; a summary gives libpng's time over ours
// from each benchmark's fastest of three repetitions (the target is at least 1.4 everywhere).
#include <benchmark/benchmark.h>

#include <cstdio>

#include <cmath>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "codecs/png_object.h"
#include "toolkit/streams.h"

#include "bench_support.h"

#ifdef PICTAVIA_HAVE_LIBPNG
#include <png.h>
#endif

namespace pictavia {

namespace {

struct TestImage {
  std::string name;
  int width = 0, height = 0;
  std::vector<uint8_t> file;
};

// Smooth shading with grain, like a photograph: neither flat nor noise.
uint8_t Photo(int x, int y, int c, std::mt19937& rng) {
  const double v = 128 + 60 * std::sin(x * 0.013 + c) * std::cos(y * 0.009 - c) +
                   40 * std::sin((x + y) * 0.002 + c * 2);
  return static_cast<uint8_t>(std::clamp(v + static_cast<int>(rng() % 9) - 4.0, 0.0, 255.0));
}

std::vector<uint8_t> Save(TPNGObject& png) {
  png.SetFilters(AllFilters);
  png.SetCompressionLevel(6);
  TMemoryStream out;
  png.SaveToStream(out);
  return out.Bytes();
}

TestImage MakeImage(const std::string& kind, int w, int h) {
  std::mt19937 rng(42);
  TPNGObject png;
  if (kind == "rgb8" || kind == "interlaced") {
    png.SetInterlaceMethod(kind == "interlaced" ? imAdam7 : imNone);
    png.CreateBlank(COLOR_RGB, 8, w, h);
    for (int y = 0; y < h; ++y) {
      uint8_t* row = png.Scanline(y);
      for (int x = 0; x < w; ++x)
        for (int c = 0; c < 3; ++c) row[3 * x + c] = Photo(x, y, c, rng);
    }
  } else if (kind == "rgb16") {
    png.CreateBlank(COLOR_RGB, 16, w, h);
    for (int y = 0; y < h; ++y) {
      uint8_t* row = png.Scanline(y);
      uint8_t* low = png.LowByteScanline(y);
      for (int x = 0; x < 3 * w; ++x) {
        row[x] = Photo(x / 3, y, x % 3, rng);
        low[x] = static_cast<uint8_t>(rng());
      }
    }
  } else if (kind == "rgba-clipart") {
    // Soft-edged discs and bands on a transparent ground.
    png.CreateBlank(COLOR_RGBALPHA, 8, w, h);
    for (int y = 0; y < h; ++y) {
      uint8_t* row = png.Scanline(y);
      uint8_t* alpha = png.AlphaScanline(y);
      for (int x = 0; x < w; ++x) {
        const double dx = x - w / 2.0, dy = y - h / 2.0;
        const double d = std::sqrt(dx * dx + dy * dy) / (std::min(w, h) / 2.5);
        const double edge = std::clamp((1.0 - d) * 20.0, 0.0, 1.0);
        const int band = (x / 64 + y / 64) % 4;
        row[3 * x] = static_cast<uint8_t>(40 + band * 50);
        row[3 * x + 1] = static_cast<uint8_t>(200 - band * 30);
        row[3 * x + 2] = 230;
        alpha[x] = static_cast<uint8_t>(edge * 255);
      }
    }
  } else if (kind == "palette") {
    png.CreateBlank(COLOR_PALETTE, 8, w, h);
    auto pal = std::make_shared<TLogPalette>();
    for (int i = 0; i < 256; ++i)
      pal->Entries.push_back({uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0});
    png.SetPalette(pal);
    for (int y = 0; y < h; ++y) {
      uint8_t* row = png.Scanline(y);
      for (int x = 0; x < w; ++x) row[x] = static_cast<uint8_t>((x / 7 + y / 5) % 256);
    }
  }
  return {kind + "/" + std::to_string(w * h / 1000000) + "MP", w, h, Save(png)};
}

const TestImage& Image(int index) {
  static const std::vector<TestImage> images = [] {
    std::vector<TestImage> v;
    v.push_back(MakeImage("rgb8", 1000, 1000));
    v.push_back(MakeImage("rgb8", 4000, 3000));
    v.push_back(MakeImage("rgba-clipart", 2000, 1500));
    v.push_back(MakeImage("palette", 2500, 1600));
    v.push_back(MakeImage("interlaced", 2000, 1500));
    v.push_back(MakeImage("rgb16", 2000, 1000));
    return v;
  }();
  return images[static_cast<size_t>(index)];
}
constexpr int ImageCount = 6;

void BM_Memcpy(benchmark::State& state) {
  const TestImage& img = Image(static_cast<int>(state.range(0)));
  state.SetLabel(img.name);
  const size_t n = static_cast<size_t>(img.width) * img.height * 4;
  std::vector<uint8_t> a(n, 1), b(n);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), n);
    benchmark::DoNotOptimize(b.data());
  }
  state.SetItemsProcessed(state.iterations() * img.width * img.height);
}

void BM_Pictavia(benchmark::State& state) {
  const TestImage& img = Image(static_cast<int>(state.range(0)));
  state.SetLabel(img.name);
  for (auto _ : state) {
    TPNGObject png;
    TReadOnlyMemoryStream s(img.file.data(), static_cast<int64_t>(img.file.size()));
    png.LoadFromStream(s);
    benchmark::DoNotOptimize(png.Header().PixelRows());
  }
  state.SetItemsProcessed(state.iterations() * img.width * img.height);
}

#ifdef PICTAVIA_HAVE_LIBPNG
struct MemoryReader {
  const uint8_t* data;
  size_t size, pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t n) {
  auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (r->pos + n > r->size) png_error(png, "read past end");
  std::memcpy(out, r->data + r->pos, n);
  r->pos += n;
}

// The plain read API into 8-bit RGBA rows.
void BM_Libpng(benchmark::State& state) {
  const TestImage& img = Image(static_cast<int>(state.range(0)));
  state.SetLabel(img.name);
  std::vector<uint8_t> pixels(static_cast<size_t>(img.width) * img.height * 4);
  std::vector<png_bytep> rows(static_cast<size_t>(img.height));
  for (int y = 0; y < img.height; ++y)
    rows[static_cast<size_t>(y)] = pixels.data() + static_cast<size_t>(y) * img.width * 4;
  for (auto _ : state) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    MemoryReader reader{img.file.data(), img.file.size(), 0};
    if (setjmp(png_jmpbuf(png))) {
      png_destroy_read_struct(&png, &info, nullptr);
      state.SkipWithError("libpng failed");
      break;
    }
    png_set_read_fn(png, &reader, ReadFromMemory);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * img.width * img.height);
}
#endif

void Images(benchmark::internal::Benchmark* b) {
  for (int i = 0; i < ImageCount; ++i) b->Arg(i);
  // A 12-megapixel decode takes a good part of a second; one lone iteration is mostly noise.
  b->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(3);
}

class TSummaryReporter : public TBestTimeReporter {
 public:
  void PrintSummary() const {
    std::printf("\n%-20s %12s %12s %12s %16s\n", "picture", "memcpy ms", "libpng ms", "ours ms",
                "libpng / ours");
    for (int i = 0; i < ImageCount; ++i) {
      const double copy = Time("BM_Memcpy", i), ours = Time("BM_Pictavia", i);
      const double peer = Time("BM_Libpng", i);
      if (ours <= 0) continue;
      std::printf("%-20s %12.2f %12.2f %12.2f %16.2f\n", Image(i).name.c_str(), copy, peer, ours,
                  peer > 0 ? peer / ours : 0.0);
    }
  }

 private:
  // The fastest time of a benchmark on one picture, whatever options its name carries.
  double Time(const char* Benchmark, int Picture) const {
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "%s/%d/", Benchmark, Picture);
    for (const auto& [name, time] : Times())
      if (name.rfind(prefix, 0) == 0) return time;
    return 0.0;
  }
};

}  // namespace

BENCHMARK(BM_Memcpy)->Apply(Images);
BENCHMARK(BM_Pictavia)->Apply(Images);
#ifdef PICTAVIA_HAVE_LIBPNG
BENCHMARK(BM_Libpng)->Apply(Images);
#endif

}  // namespace pictavia

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  pictavia::TSummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();
  return 0;
}
