// A full repaint of the image view's back buffer (1920 x 1080 viewport, a 4000 x 3000 canvas at
// 50 %, the editor's checkerboard stage, two photo layers and two translucent boxes) beside
// memcpy of the same buffer, with each stage alone, the repaint with its copy to the screen, and
// the bare read of the canvas rows the bitmap stage samples (the floor memory sets for it).
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>

#include "layers/bitmap_layer.h"
#include "layers/positioned_layer.h"
#include "view/img_view.h"

namespace pictavia {

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// The editor's backdrop: 8 x 8 grey and white squares inside the clip rectangle.
void DrawCheckerboard(TBitmap32& Dest) {
  const TRect clip = Dest.ClipRect();
  if (IsRectEmpty(clip)) return;
  static std::vector<TColor32> rows[2];
  for (int phase = 0; phase < 2; ++phase) {
    if (static_cast<int>(rows[phase].size()) >= clip.Right) continue;
    rows[phase].resize(static_cast<size_t>(clip.Right));
    for (int x = 0; x < clip.Right; ++x)
      rows[phase][static_cast<size_t>(x)] = ((x >> 3) + phase) & 1 ? 0xFFC0C0C0u : 0xFFFFFFFFu;
  }
  const size_t count = static_cast<size_t>(clip.Right - clip.Left);
  for (int y = clip.Top; y < clip.Bottom; ++y)
    std::memcpy(Dest.PixelAddress(clip.Left, y), rows[(y >> 3) & 1].data() + clip.Left,
                count * sizeof(TColor32));
  Dest.Changed(clip);
}

// A translucent rectangle with a frame, as a selected photo's stand-in.
class TBoxLayer : public TPositionedLayer {
 public:
  TBoxLayer(TLayerCollection* Layers, const TFloatRect& Where, TColor32 Color)
      : TPositionedLayer(Layers), color_(Color) {
    SetScaled(true);
    SetLocation(Where);
  }
  void Paint(TBitmap32* Buffer) override {
    const TRect r = ToIntRect(ViewLocation());
    Buffer->BlendFillClipped(r.Left, r.Top, r.Right, r.Bottom, color_);
    Buffer->BlendFrameClipped(r.Left, r.Top, r.Right, r.Bottom, color_ | 0xFF000000u);
  }

 private:
  TColor32 color_;
};

// The view of the editor at full HD, built once.
TImgView32& View() {
  static TImgView32* view = [] {
    auto* v = new TImgView32;
    v->ScrollBars()->SetVisibility(svHidden);
    v->resize(kWidth, kHeight);
    v->PaintStages()->Items(0).Kind = skCustom;
    v->OnPaintStage = [](TObject*, TBitmap32* Buffer, uint32_t StageNum) {
      if (StageNum == 0) DrawCheckerboard(*Buffer);
    };
    TBitmap32& canvas = *v->Bitmap();
    canvas.SetResamplerClassName("TNearestResampler");
    canvas.SetSize(4000, 3000);
    for (int y = 0; y < 3000; ++y) {
      TColor32* row = canvas.RowAddress(y);
      for (int x = 0; x < 4000; ++x)
        row[x] = Color32(static_cast<uint8_t>(x * 255 / 4000), static_cast<uint8_t>(y * 255 / 3000),
                         static_cast<uint8_t>((x + y) & 0xFF));
    }
    canvas.Changed();
    v->SetScale(0.5f);
    // Photos as the editor adds them: drawn stretched and blended, one of them half opaque.
    const TFloatRect photoPlaces[] = {FloatRect(300, 300, 1900, 1500),
                                      FloatRect(2000, 1200, 3600, 2400)};
    for (int i = 0; i < 2; ++i) {
      auto* photo = new TBitmapLayer(v->Layers());
      TBitmap32& b = photo->Bitmap();
      b.SetSize(1024, 768);
      for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x)
          b.SetPixel(x, y,
                     Color32(static_cast<uint8_t>(y / 3), static_cast<uint8_t>(x / 4),
                             static_cast<uint8_t>(128 + i * 60)));
      b.SetDrawMode(dmBlend);
      b.SetMasterAlpha(i == 0 ? 255 : 160);
      photo->SetScaled(true);
      photo->SetLocation(photoPlaces[i]);
    }
    new TBoxLayer(v->Layers(), FloatRect(1200, 600, 1800, 1000), 0x803C78E6u);
    new TBoxLayer(v->Layers(), FloatRect(600, 1800, 1400, 2200), 0xA0FFD228u);
    v->show();
    QCoreApplication::processEvents();
    return v;
  }();
  return *view;
}

// Runs only the stages named by Kinds (all of them when empty).
void KeepStages(const std::vector<uint32_t>& Kinds) {
  TPaintStages& stages = *View().PaintStages();
  for (int i = 0; i < stages.Count(); ++i) {
    TPaintStage& s = stages.Items(i);
    bool keep = Kinds.empty();
    for (uint32_t k : Kinds) keep = keep || s.Kind == k;
    // The frame stages stay off, as at run time.
    s.RunTime = keep && s.Kind != skControlFrame && s.Kind != skBitmapFrame;
  }
}

void SetThroughput(benchmark::State& State) {
  State.SetBytesProcessed(State.iterations() * int64_t{kWidth} * kHeight * 4);
}

void RegisterAll() {
  benchmark::RegisterBenchmark("memcpy", [](benchmark::State& state) {
    std::vector<TColor32> a(size_t{kWidth} * kHeight, 0xFF102030u), b(a.size());
    for (auto _ : state) {
      std::memcpy(b.data(), a.data(), a.size() * sizeof(TColor32));
      benchmark::ClobberMemory();
    }
    SetThroughput(state);
  });
  // The least the bitmap stage can cost: reading the canvas pixels it samples. At 50 % these
  // are every other row, each read whole (every cache line holds sampled pixels), straight from
  // memory: the canvas is far larger than any cache, unlike the buffer memcpy copies.
  benchmark::RegisterBenchmark("canvas_rows_read", [](benchmark::State& state) {
    const TBitmap32& canvas = *View().Bitmap();
    const TPoint first = View().ViewToBitmap(0, 0);
    const int left = std::max(0, first.X), top = std::max(0, first.Y);
    const int columns = std::min(kWidth * 2, canvas.Width() - left);
    const int rows = std::min(kHeight, (canvas.Height() - top) / 2);
    for (auto _ : state) {
      TColor32 sum[8] = {};
      for (int y = 0; y < rows; ++y) {
        const TColor32* row = canvas.PixelAddress(left, top + 2 * y);
        // The next row is fetched alongside, one cache line per eight pixels read, as the
        // stage's gather does.
        const TColor32* next = y + 1 < rows ? canvas.PixelAddress(left, top + 2 * y + 2) : row;
        for (int x = 0; x + 16 <= columns; x += 16) {
          __builtin_prefetch(next + x);
          __builtin_prefetch(next + x + 8);
          for (int k = 0; k < 16; ++k) sum[k & 7] ^= row[x + k];
        }
      }
      benchmark::DoNotOptimize(sum);
    }
    SetThroughput(state);
  });
  struct TCase {
    const char* Name;
    std::vector<uint32_t> Kinds;
  };
  const TCase cases[] = {{"full_repaint", {}},
                         {"stage/checkerboard", {skCustom}},
                         {"stage/bitmap", {skDrawBitmap}},
                         {"stage/layers", {skDrawLayers}}};
  for (const TCase& c : cases) {
    benchmark::RegisterBenchmark(c.Name, [kinds = c.Kinds](benchmark::State& state) {
      TImgView32& view = View();
      KeepStages(kinds);
      for (auto _ : state) {
        view.RepaintBuffer();
        benchmark::ClobberMemory();
      }
      KeepStages({});
      SetThroughput(state);
    });
  }
  // The repaint and the copy of the viewport into the window's backing store.
  benchmark::RegisterBenchmark("full_repaint_to_screen", [](benchmark::State& state) {
    TImgView32& view = View();
    for (auto _ : state) view.Repaint();
    SetThroughput(state);
  });
}

// The console output, then each benchmark's fastest CPU time beside memcpy's.
class TSummaryReporter : public TBestTimeReporter {
 public:
  void PrintSummary() const {
    const double copy = Find("memcpy");
    if (copy <= 0) return;
    std::printf("\n%-24s %10s\n", "1920 x 1080", "x memcpy");
    for (const auto& [name, time] : Times())
      if (name != "memcpy") std::printf("%-24s %10.2f\n", name.c_str(), time / copy);
  }
};

int RunBenchmarks(int argc, char** argv) {
  UseOffscreenPlatformWithoutDisplay();
  QApplication app(argc, argv);
  RegisterAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TSummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();
  delete &View();
  return 0;
}

}  // namespace

}  // namespace pictavia

int main(int argc, char** argv) {
  return pictavia::RunBenchmarks(argc, argv);
}
