// Loading a JPEG photo into a TBitmap32 (the editor's path: picture registry, TJPEGImage, drawing
// into the bitmap) beside the library's plain decode of the same file, with a ratio summary.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <unistd.h>

#include <QGuiApplication>

#include "codecs/codecs.h"
#include "codecs/jpeg_image.h"
#include "raster/bitmap32.h"
#include "toolkit/bitmap.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace fs = std::filesystem;

namespace {

struct TPhoto {
  const char* Name;
  int Width, Height;
};
const TPhoto kPhotos[] = {{"2Mpx", 1600, 1200}, {"6Mpx", 3000, 2000}, {"12Mpx", 4000, 3000}};

fs::path PhotoFolder() {
  static const fs::path folder = [] {
    fs::path p = fs::temp_directory_path() / ("pictavia-bench-jpeg-" + std::to_string(::getpid()));
    fs::create_directories(p);
    return p;
  }();
  return folder;
}

fs::path PhotoPath(const TPhoto& Photo) {
  return PhotoFolder() / (std::string(Photo.Name) + ".jpg");
}

// Something with the statistics of a photo: soft light over the frame, a few objects with hard
// edges, fine texture and sensor noise; saved at quality 90 with 2x2 chroma subsampling.
void WritePhoto(const TPhoto& Photo) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf24bit);
  bitmap.SetSize(Photo.Width, Photo.Height);
  std::mt19937 rng(static_cast<uint32_t>(Photo.Width));
  std::normal_distribution<float> noise(0.0f, 4.0f);
  const float w = static_cast<float>(Photo.Width), h = static_cast<float>(Photo.Height);
  for (int y = 0; y < Photo.Height; ++y) {
    uint8_t* row = bitmap.ScanLine(y);
    const float fy = static_cast<float>(y) / h;
    for (int x = 0; x < Photo.Width; ++x) {
      const float fx = static_cast<float>(x) / w;
      float r = 150 + 70 * std::sin(fx * 5.1f + fy * 2.3f);
      float g = 120 + 60 * std::sin(fx * 3.7f - fy * 4.1f + 1.0f);
      float b = 100 + 80 * std::cos(fy * 6.0f + fx);
      const float dx = fx - 0.5f, dy = fy - 0.45f;
      if (dx * dx + dy * dy < 0.04f) {  // a round object in front
        r = 200 + 30 * std::sin(static_cast<float>(x) * 0.05f);
        g = 90;
        b = 60 + 20 * std::sin(static_cast<float>(y) * 0.07f);
      } else if (fy > 0.75f) {  // textured ground
        const float t =
            25 * std::sin(static_cast<float>(x) * 0.9f) * std::sin(static_cast<float>(y) * 1.3f);
        r = 90 + t;
        g = 110 + t;
        b = 70 + t;
      }
      const float n = noise(rng);
      row[x * 3 + 0] = static_cast<uint8_t>(std::clamp(b + n, 0.0f, 255.0f));
      row[x * 3 + 1] = static_cast<uint8_t>(std::clamp(g + n, 0.0f, 255.0f));
      row[x * 3 + 2] = static_cast<uint8_t>(std::clamp(r + n, 0.0f, 255.0f));
    }
  }
  TJPEGImage jpeg;
  jpeg.Assign(&bitmap);
  jpeg.SaveToFile(PhotoPath(Photo).string());
}

// --- the plain library decode ----------------------------------------------------------------

struct TPlainError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

void PlainErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<TPlainError*>(cinfo->err)->jump, 1);
}

// Reads the file and decodes it into a new buffer of blue, green, red rows, as a program using
// the library directly would. No C++ objects live in this frame, so the error jump is safe.
bool PlainDecode(const char* Path, unsigned char** Pixels) {
  FILE* file = std::fopen(Path, "rb");
  if (!file) return false;
  jpeg_decompress_struct cinfo;
  TPlainError err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = PlainErrorExit;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  const size_t stride = static_cast<size_t>(cinfo.output_width) * 3;
  *Pixels = static_cast<unsigned char*>(std::malloc(stride * cinfo.output_height));
  if (!*Pixels) longjmp(err.jump, 1);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = *Pixels + stride * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(file);
  return true;
}

// --- benchmarks ------------------------------------------------------------------------------

void BM_Memcpy(benchmark::State& State, const TPhoto& Photo) {
  const size_t bytes = static_cast<size_t>(Photo.Width) * Photo.Height * 4;
  std::vector<unsigned char> from(bytes, 1), to(bytes);
  for (auto _ : State) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
  }
}

void BM_PlainDecode(benchmark::State& State, const TPhoto& Photo) {
  const std::string path = PhotoPath(Photo).string();
  for (auto _ : State) {
    unsigned char* pixels = nullptr;
    if (!PlainDecode(path.c_str(), &pixels)) {
      State.SkipWithError("the library could not decode the photo");
      break;
    }
    benchmark::DoNotOptimize(pixels);
    std::free(pixels);
  }
}

void BM_Bitmap32LoadFromFile(benchmark::State& State, const TPhoto& Photo) {
  const std::string path = PhotoPath(Photo).string();
  for (auto _ : State) {
    TBitmap32 bitmap;
    bitmap.LoadFromFile(path);
    benchmark::DoNotOptimize(bitmap.Bits());
  }
}

void BM_JPEGImageDecode(benchmark::State& State, const TPhoto& Photo) {
  const std::string path = PhotoPath(Photo).string();
  for (auto _ : State) {
    TJPEGImage jpeg;
    jpeg.LoadFromFile(path);
    benchmark::DoNotOptimize(jpeg.DecodedBitmap()->ScanLine(0));
  }
}

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The two paths one after the other in every iteration, so that both see the same load on a
// shared machine; the counters keep each path's CPU time and their ratio.
void BM_Interleaved(benchmark::State& State, const TPhoto& Photo) {
  const std::string path = PhotoPath(Photo).string();
  double plain = 0, ours = 0;
  for (auto _ : State) {
    const double t0 = ThreadCpuMs();
    unsigned char* pixels = nullptr;
    if (!PlainDecode(path.c_str(), &pixels)) {
      State.SkipWithError("the library could not decode the photo");
      break;
    }
    benchmark::DoNotOptimize(pixels);
    std::free(pixels);
    const double t1 = ThreadCpuMs();
    {
      TBitmap32 bitmap;
      bitmap.LoadFromFile(path);
      benchmark::DoNotOptimize(bitmap.Bits());
    }
    const double t2 = ThreadCpuMs();
    plain += t1 - t0;
    ours += t2 - t1;
  }
  if (plain > 0) {
    State.counters["plain_ms"] = benchmark::Counter(plain, benchmark::Counter::kAvgIterations);
    State.counters["ours_ms"] = benchmark::Counter(ours, benchmark::Counter::kAvgIterations);
    State.counters["ratio"] = ours / plain;
  }
}

// Prints the usual console output and keeps each run's CPU time for the summary.
class TSummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& Reports) override {
    ConsoleReporter::ReportRuns(Reports);
    for (const Run& run : Reports) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
      const auto ratio = run.counters.find("ratio");
      if (ratio != run.counters.end()) times_[run.benchmark_name() + "#ratio"] = ratio->second;
    }
  }

  // Our paths relative to the plain decode of the same photo (1.00 = as fast). The first two
  // columns compare separate runs; the last one the interleaved run, the figure to trust on a
  // busy machine.
  void PrintSummary() const {
    std::printf("\n%-7s %11s %18s %20s %22s\n", "photo", "plain (ms)", "TJPEGImage / plain",
                "Bitmap32 / plain", "interleaved B32/plain");
    for (const TPhoto& photo : kPhotos) {
      const std::string suffix = std::string("/") + photo.Name;
      const double plain = Find("plain_decode" + suffix);
      const double b32 = Find("bitmap32_load" + suffix);
      const double image = Find("jpegimage_decode" + suffix);
      const double interleaved = Find("interleaved" + suffix + "#ratio");
      std::printf("%-7s %11.1f %18.3f %20.3f %22.3f\n", photo.Name, plain,
                  plain > 0 ? image / plain : 0.0, plain > 0 ? b32 / plain : 0.0, interleaved);
    }
  }

 private:
  double Find(const std::string& Name) const {
    const auto it = times_.find(Name);
    return it == times_.end() ? 0.0 : it->second;
  }
  std::map<std::string, double> times_;
};

void RegisterAll() {
  for (const TPhoto& photo : kPhotos) {
    const std::string suffix = std::string("/") + photo.Name;
    benchmark::RegisterBenchmark(("memcpy" + suffix).c_str(), BM_Memcpy, photo)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("plain_decode" + suffix).c_str(), BM_PlainDecode, photo)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("bitmap32_load" + suffix).c_str(), BM_Bitmap32LoadFromFile, photo)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("jpegimage_decode" + suffix).c_str(), BM_JPEGImageDecode, photo)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("interleaved" + suffix).c_str(), BM_Interleaved, photo)
        ->Unit(benchmark::kMillisecond);
  }
}

int RunBenchmarks(int argc, char** argv) {
  UseOffscreenPlatformWithoutDisplay();
  QGuiApplication app(argc, argv);
  RegisterCodecPictureFormats();
  for (const TPhoto& photo : kPhotos) WritePhoto(photo);
  RegisterAll();
  benchmark::Initialize(&argc, argv);
  int status = 0;
  if (!benchmark::ReportUnrecognizedArguments(argc, argv)) {
    TSummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
  } else {
    status = 1;
  }
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(PhotoFolder(), ec);
  return status;
}

}  // namespace

}  // namespace pictavia

int main(int argc, char** argv) {
  return pictavia::RunBenchmarks(argc, argv);
}
