// Dragging one 300 x 200 photo in 40 steps across a 1920 x 1080 view that holds 30 other objects
// (photos, texts, clips, colour bars): time per step and repainted pixels with the micro-tiles
// optimizer beside full repaints, and the repainted area beside the union of the photo's old and
// new places.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include <QApplication>

#include "codecs/png_object.h"
#include "layers/bitmap_layer.h"
#include "layers/color_layer.h"
#include "layers/png_layer.h"
#include "layers/text_layer.h"
#include "view/img_view.h"

namespace pictavia {

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kSteps = 40;

// Summed over every rectangle the stages ran for.
int64_t RepaintedPixels = 0;

struct Scene {
  TImgView32* View = nullptr;
  TBitmapLayer* Moving = nullptr;
  int Step = 0;
};

void Gradient(TBitmap32& b, int w, int h, uint8_t tint) {
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.SetPixel(
          x, y,
          Color32(static_cast<uint8_t>(x * 255 / w), static_cast<uint8_t>(y * 255 / h), tint));
}

std::string MakeClipFile() {
  TBitmap32 art;
  art.SetSize(120, 120);
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 120; ++x) {
      const int dx = x - 60, dy = y - 60;
      const bool inside = dx * dx + dy * dy < 55 * 55;
      art.SetPixel(x, y, inside ? 0xD0E04080u : 0x00000000u);
    }
  const auto path = std::filesystem::temp_directory_path() / "pictavia-bench-clip.png";
  TPNGObject png;
  png.AssignPixels32(art.Bits(), art.Width(), art.Height());
  png.SaveToFile(path.string());
  return path.string();
}

Scene& TheScene() {
  static Scene scene = [] {
    Scene s;
    s.View = new TImgView32;
    TImgView32& v = *s.View;
    v.ScrollBars()->SetVisibility(svHidden);
    v.resize(kWidth, kHeight);
    v.PaintStages()->Items(0).Kind = skCustom;
    v.OnPaintStage = [](TObject*, TBitmap32* Buffer, uint32_t) {
      // The editor's checkerboard stage; it runs once per repainted rectangle, so it also counts.
      const TRect c = Buffer->ClipRect();
      RepaintedPixels += int64_t{c.Right - c.Left} * (c.Bottom - c.Top);
      Buffer->FillClipped(c, 0xFFA0A0A0u);
    };
    Gradient(*v.Bitmap(), kWidth, kHeight, 200);
    v.Bitmap()->Changed();
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> ux(0, kWidth - 300), uy(0, kHeight - 200);
    const std::string clip = MakeClipFile();
    for (int i = 0; i < 30; ++i) {
      const float x = ux(rng), y = uy(rng);
      switch (i % 4) {
        case 0: {
          auto* photo = new TBitmapLayer(v.Layers());
          Gradient(photo->Bitmap(), 400, 300, static_cast<uint8_t>(i * 8));
          photo->Bitmap().SetDrawMode(dmBlend);
          photo->SetScaled(true);
          photo->SetLocation(FloatRect(x, y, x + 320, y + 240));
          break;
        }
        case 1: {
          auto* text = new TTextLayer(v.Layers());
          text->SetText("Happy birthday " + std::to_string(i));
          text->SetScaled(true);
          text->SetLocation(
              FloatRect(x, y, x + text->Bitmap().Width(), y + text->Bitmap().Height()));
          break;
        }
        case 2: {
          auto* png = new TPngLayer(v.Layers());
          png->LoadFromFile(clip);
          png->SetScaled(true);
          png->SetLocation(FloatRect(x, y, x + 120, y + 120));
          break;
        }
        default: {
          auto* bar = new TColorLayer(v.Layers());
          bar->Bitmap().SetMasterAlpha(180);
          bar->SetScaled(true);
          bar->SetLocation(FloatRect(x, y, x + 400, y + 120));
          break;
        }
      }
    }
    s.Moving = new TBitmapLayer(v.Layers());
    Gradient(s.Moving->Bitmap(), 300, 200, 40);
    s.Moving->Bitmap().SetDrawMode(dmBlend);
    s.Moving->SetScaled(true);
    s.Moving->SetLocation(FloatRect(100, 440, 400, 640));
    v.show();
    QCoreApplication::processEvents();
    return s;
  }();
  return scene;
}

// The photo's place at step i of the sweep from x = 100 to x = 1520 and back.
TFloatRect PlaceAt(int step) {
  const int i = step % (2 * kSteps);
  const int k = i < kSteps ? i : 2 * kSteps - i;
  const float x = 100 + 1420.0f * static_cast<float>(k) / kSteps;
  return FloatRect(x, 440, x + 300, 640);
}

double UnionArea(const TFloatRect& a, const TFloatRect& b) {
  auto area = [](const TFloatRect& r) { return double(r.Right - r.Left) * (r.Bottom - r.Top); };
  const double ow = std::max(0.0f, std::min(a.Right, b.Right) - std::max(a.Left, b.Left));
  const double oh = std::max(0.0f, std::min(a.Bottom, b.Bottom) - std::max(a.Top, b.Top));
  return area(a) + area(b) - ow * oh;
}

void DragStep(benchmark::State& state, TRepaintMode mode) {
  Scene& s = TheScene();
  s.View->SetRepaintMode(mode);
  s.View->Repaint();
  QCoreApplication::processEvents();
  double unionArea = 0;
  int64_t steps = 0;
  RepaintedPixels = 0;
  for (auto _ : state) {
    const TFloatRect before = s.Moving->Location();
    const TFloatRect after = PlaceAt(++s.Step);
    s.Moving->SetLocation(after);
    // As in the editor: the change posts its repaint, the event loop delivers it.
    QCoreApplication::processEvents();
    unionArea += UnionArea(before, after);
    ++steps;
  }
  state.counters["repainted_px_per_step"] = static_cast<double>(RepaintedPixels) / steps;
  state.counters["repainted_over_union"] = static_cast<double>(RepaintedPixels) / unionArea;
}

int RunBenchmarks(int argc, char** argv) {
  UseOffscreenPlatformWithoutDisplay();
  QApplication app(argc, argv);
  benchmark::RegisterBenchmark("drag_step/full", [](benchmark::State& s) {
    DragStep(s, rmFull);
  })->Iterations(4 * kSteps);
  benchmark::RegisterBenchmark("drag_step/optimizer", [](benchmark::State& s) {
    DragStep(s, rmOptimizer);
  })->Iterations(4 * kSteps);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  delete TheScene().View;
  return 0;
}

}  // namespace

}  // namespace pictavia

int main(int argc, char** argv) {
  return pictavia::RunBenchmarks(argc, argv);
}
