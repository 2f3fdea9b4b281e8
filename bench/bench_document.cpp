// The document with 20 twelve-megapixel photos: what 1,000 editing steps add to the process
// through the undo history (which must stay below 16 MB, measured in the process's heap beside
// the pixels of one photo), and the time to open a project of them and build its layers beside
// decoding the 20 pictures alone.
#include <malloc.h>

#include <benchmark/benchmark.h>
#include "bench_support.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <QGuiApplication>

#include "codecs/codecs.h"
#include "codecs/jpeg_image.h"
#include "document/document_editing.h"
#include "document/document_layers.h"
#include "document/history.h"
#include "document/picture_loading.h"
#include "document/project_file.h"
#include "layers/offscreen_image.h"
#include "raster/bitmap32.h"
#include "toolkit/bitmap.h"

namespace pictavia {

namespace {

namespace fs = std::filesystem;

constexpr int kPhotos = 20;
constexpr int kWidth = 4000, kHeight = 3000;  // twelve megapixels
constexpr int kSteps = 1000;

fs::path Folder() {
  return fs::temp_directory_path() / ("pictavia-bench-document-" + std::to_string(getpid()));
}

std::vector<std::string> PhotoFiles() {
  std::vector<std::string> files;
  for (int i = 0; i < kPhotos; ++i)
    files.push_back((Folder() / ("photo" + std::to_string(i) + ".jpg")).string());
  return files;
}

// One photo-like JPEG, copied under 20 names: 20 pictures to decode, one to encode.
void WritePhotos() {
  fs::create_directories(Folder());
  TBitmap32 b;
  b.SetSize(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    TColor32* row = b.RowAddress(y);
    for (int x = 0; x < kWidth; ++x)
      row[x] = Color32(static_cast<uint8_t>(x / 16), static_cast<uint8_t>(y / 12),
                       static_cast<uint8_t>((x ^ y) & 0xFF));
  }
  TBitmap toolkitBitmap;
  b.AssignTo(&toolkitBitmap);
  TJPEGImage jpeg;
  jpeg.Assign(&toolkitBitmap);
  const std::vector<std::string> files = PhotoFiles();
  jpeg.SaveToFile(files[0]);
  for (int i = 1; i < kPhotos; ++i) fs::copy_file(files[0], files[static_cast<size_t>(i)]);
}

size_t HeapInUse() {
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

// The editor's commands at random on a document of the 20 photos, each recorded as a step.
void RunSteps(TDocument& Doc, THistory& History, TPictureStore& Store, std::mt19937& Rng) {
  const std::string mask = PhotoFiles()[0];
  TMaskSource maskSource{0, mask, Store.Mask(mask)};
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(Rng); };
  for (int step = 0; step < kSteps; ++step) {
    const TDocument before = Doc;
    const uint64_t id = Doc.Objects[static_cast<size_t>(pick(0, kPhotos - 1))]->Id;
    switch (pick(0, 7)) {
      case 0:
        RotateObject(Doc, id);
        break;
      case 1:
        FlipObject(Doc, id, pick(0, 1) ? peFlipHorizontal : peFlipVertical);
        break;
      case 2:
        ApplyObjectMask(Doc, id, maskSource);
        break;
      case 3:
        RemoveObjectMask(Doc, id);
        break;
      case 4:
        SetObjectOpacity(Doc, id, static_cast<uint32_t>(pick(0, 255)));
        break;
      case 5:
        MoveObjectUp(Doc, id);
        break;
      default: {
        TFloatRect l = Doc.Find(id)->Location;
        const float dx = static_cast<float>(pick(-50, 50));
        SetObjectLocation(Doc, id, FloatRect(l.Left + dx, l.Top, l.Right + dx, l.Bottom));
      }
    }
    History.Record(before, id);
  }
}

void BM_HistoryOfThousandSteps(benchmark::State& State) {
  TPictureStore store;
  TDocument doc;
  NewDocumentCanvas(doc, 3000, 2000, clWhite32);
  for (const std::string& file : PhotoFiles()) AddPhoto(doc, store, file, Point(1500, 1000));
  for (auto _ : State) {
    State.PauseTiming();
    TDocument working = doc;
    THistory history;
    std::mt19937 rng(1000);
    const size_t before = HeapInUse();
    State.ResumeTiming();
    RunSteps(working, history, store, rng);
    State.PauseTiming();
    const size_t added = HeapInUse() - before;
    State.counters["history_MB"] = static_cast<double>(added) / (1 << 20);
    State.counters["of_16MB"] = static_cast<double>(added) / (16 << 20);
    State.counters["of_one_photo"] =
        static_cast<double>(added) / (static_cast<double>(kWidth) * kHeight * 4);
    State.ResumeTiming();
  }
}

void BM_DecodeTwentyPhotos(benchmark::State& State) {
  for (auto _ : State) {
    for (const std::string& file : PhotoFiles()) {
      TBitmap32 picture;
      LoadPicture(picture, file);
      benchmark::DoNotOptimize(picture.Bits());
    }
  }
}

// What Open Project does: read the file, decode every picture once, build the layers.
void BM_OpenProjectOfTwentyPhotos(benchmark::State& State) {
  const std::string project = (Folder() / "twenty.pictavia").string();
  {
    TPictureStore store;
    TDocument doc;
    NewDocumentCanvas(doc, 3000, 2000, clWhite32);
    for (const std::string& file : PhotoFiles()) AddPhoto(doc, store, file, Point(1500, 1000));
    SaveProject(doc, project);
  }
  for (auto _ : State) {
    TPictureStore store;
    TOffscreenImage image;
    TDocumentLayers layers(image.Layers(), image.Bitmap());
    const TOpenedProject opened = OpenProject(project, store, Folder().string());
    layers.Update(opened.Document);
    benchmark::DoNotOptimize(image.Layers().Count());
  }
}

int RunBenchmarks(int argc, char** argv) {
  UseOffscreenPlatformWithoutDisplay();
  QGuiApplication app(argc, argv);
  RegisterCodecPictureFormats();
  WritePhotos();
  benchmark::RegisterBenchmark("history_1000_steps_20_photos", BM_HistoryOfThousandSteps)
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("decode_20_photos", BM_DecodeTwentyPhotos)
      ->Iterations(1)
      ->Repetitions(3)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("open_project_20_photos", BM_OpenProjectOfTwentyPhotos)
      ->Iterations(1)
      ->Repetitions(3)
      ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  int status = 0;
  if (!benchmark::ReportUnrecognizedArguments(argc, argv)) {
    TBestTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double decode = reporter.Find("decode_20_photos/iterations:1/repeats:3");
    const double open = reporter.Find("open_project_20_photos/iterations:1/repeats:3");
    if (decode > 0 && open > 0)
      std::printf(
          "\nopening the project of 20 photos: %.0f ms of CPU, %.2f x decoding them alone\n", open,
          open / decode);
  } else {
    status = 1;
  }
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(Folder(), ec);
  return status;
}

}  // namespace

}  // namespace pictavia

int main(int argc, char** argv) {
  return pictavia::RunBenchmarks(argc, argv);
}
