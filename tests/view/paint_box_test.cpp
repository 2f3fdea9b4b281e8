// The back buffer and what reaches the screen: buffer sizing with slack, the direct mode's copy
// of single damaged rectangles, and partial repaints driven by an enabled optimizer.
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "view/image32.h"
#include "view/paint_box.h"
#include "view_test_support.h"

namespace pictavia {

using namespace viewtest;

namespace {

// An optimizer whose damage the test sets; it records what the view calls.
class TScriptedOptimizer : public TCustomRepaintOptimizer {
 public:
  using TCustomRepaintOptimizer::TCustomRepaintOptimizer;
  void ListChanged(TObject*, TLayerListNotification, TCustomLayer*, int) override {}
  void Reset() override { ++Resets; }
  bool DamagePending() override { return !Pending.empty(); }
  void ComputeDamage() override {
    for (const TRect& r : Pending) DamageRects()->Add(r);
    Pending.clear();
  }
  void AreaDamaged(TObject*, const TRect& Area, uint32_t) override { Areas.push_back(Area); }
  void LayerChanged(TObject*, TCustomLayer*) override {}
  void BufferSizeNoted(int Width, int Height) override { Noted = QSize(Width, Height); }
  void BeginBufferRepaint() override { ++BufferRepaints; }
  void EndPaint() override { ++Paints; }

  std::vector<TRect> Pending, Areas;
  int Resets = 0, BufferRepaints = 0, Paints = 0;
  QSize Noted;
};

}  // namespace

TEST(PaintBoxBuffer, GrowsWithSlackKeepsItsSizeWithinTheSlackAndShrinksBelow) {
  TCustomPaintBox32 box;
  box.resize(220, 100);
  box.show();
  Flush();
  ASSERT_EQ(box.Buffer()->Width(), 260);
  // One step per size, as a dragged window edge gives them.
  const std::vector<std::pair<int, int>> steps = {{300, 340}, {320, 340}, {300, 340}, {299, 299}};
  for (const auto& [viewport, buffer] : steps) {
    box.resize(viewport, 100);
    EXPECT_EQ(box.Buffer()->Width(), buffer) << "viewport " << viewport;
  }
  EXPECT_EQ(box.Buffer()->Height(), 140);
  // A size change of the buffer asks for a full repaint.
  EXPECT_TRUE(box.FullRepaintPending());
}

TEST(PaintBoxScreen, DirectModeCopiesOnlyTheDamagedRectangle) {
  TCustomPaintBox32 box;
  box.resize(100, 80);
  box.show();
  Flush();
  box.Buffer()->Clear(clGreen32);
  box.Repaint();
  ASSERT_EQ(ScreenPixel(box, QPoint(50, 40)), 0x00FF00u) << "the screen cannot be read here";

  box.SetRepaintMode(rmDirect);
  Flush();
  // New pixels everywhere, but only one area is reported.
  box.Buffer()->BeginUpdate();
  box.Buffer()->Clear(clRed32);
  box.Buffer()->EndUpdate();
  box.Buffer()->Changed(Rect(10, 10, 20, 20));
  EXPECT_EQ(ScreenPixel(box, QPoint(15, 15)), 0xFF0000u);
  EXPECT_EQ(ScreenPixel(box, QPoint(10, 19)), 0xFF0000u);
  EXPECT_EQ(ScreenPixel(box, QPoint(20, 15)), 0x00FF00u);
  EXPECT_EQ(ScreenPixel(box, QPoint(50, 40)), 0x00FF00u);
  EXPECT_EQ(box.DamageRects()->Count(), 0);
}

TEST(PaintBoxScreen, AnEnabledOptimizerGetsOnlyItsDamageRepaintedWithTheClipSet) {
  TScriptedOptimizer* optimizer = nullptr;
  TCustomImage32 image(nullptr, [&](TBitmap32* Buffer, TRectList* Damage) {
    auto o = std::make_unique<TScriptedOptimizer>(Buffer, Damage);
    optimizer = o.get();
    return std::unique_ptr<TCustomRepaintOptimizer>(std::move(o));
  });
  ASSERT_NE(optimizer, nullptr);
  std::vector<TRect> clips;
  TColor32 fill = clGreen32;
  image.PaintStages()->Clear();
  image.PaintStages()->Add().Kind = skCustom;
  image.OnPaintStage = [&](TObject*, TBitmap32* Dest, uint32_t) {
    clips.push_back(Dest->ClipRect());
    Dest->FillClipped(Dest->ClipRect(), fill);
  };
  image.SetRepaintMode(rmOptimizer);
  EXPECT_TRUE(optimizer->Enabled());
  image.resize(120, 100);
  image.show();
  Flush();
  EXPECT_EQ(optimizer->Noted, QSize(160, 140));
  ASSERT_FALSE(clips.empty());
  EXPECT_EQ(clips.back(), Rect(0, 0, 120, 100));

  clips.clear();
  fill = clRed32;
  const int buffersBefore = optimizer->BufferRepaints, paintsBefore = optimizer->Paints;
  optimizer->Pending = {Rect(10, 20, 30, 40)};
  image.Changed();
  Flush();
  ASSERT_EQ(clips.size(), 1u);
  EXPECT_EQ(clips[0], Rect(10, 20, 30, 40));
  EXPECT_EQ(optimizer->BufferRepaints, buffersBefore + 1);
  EXPECT_GT(optimizer->Paints, paintsBefore);
  EXPECT_EQ(ScreenPixel(image, QPoint(15, 25)), 0xFF0000u);
  EXPECT_EQ(ScreenPixel(image, QPoint(5, 5)), 0x00FF00u);
  EXPECT_EQ(ScreenPixel(image, QPoint(60, 60)), 0x00FF00u);

  // A change of the bitmap is reported in control coordinates, grown by the resampler's reach.
  image.Bitmap()->SetSize(50, 50);
  image.SetScaleMode(smScale);
  image.SetScale(2);
  optimizer->Areas.clear();
  image.Bitmap()->FillRect(5, 5, 10, 10, clBlue32);
  ASSERT_EQ(optimizer->Areas.size(), 1u);
  EXPECT_EQ(optimizer->Areas[0], Rect(6, 6, 24, 24));  // nearest reaches 1 pixel: 2 more
}

TEST(PaintBoxScreen, AMovedLayerUnderTheDefaultOptimizerRepaintsItsOldAndNewPlacesOnly) {
  TCustomImage32 image;
  image.resize(200, 150);
  image.SetBitmap(*MakeBitmap(200, 150, clRed32));
  std::vector<TRect> clips;
  image.PaintStages()->Items(0).Kind = skCustom;
  image.OnPaintStage = [&](TObject*, TBitmap32* Dest, uint32_t) {
    clips.push_back(Dest->ClipRect());
  };
  auto* layer = new TColorLayer(image.Layers(), FloatRect(10, 10, 30, 30), clGreen32);
  image.SetRepaintMode(rmOptimizer);
  image.show();
  Flush();
  // The optimizer still holds the reset of the first paint; one change takes it away.
  layer->SetLocation(FloatRect(12, 12, 32, 32));
  Flush();
  layer->SetLocation(FloatRect(10, 10, 30, 30));
  Flush();
  ASSERT_EQ(ScreenPixel(image, QPoint(20, 20)), 0x00FF00u);

  clips.clear();
  layer->SetLocation(FloatRect(100, 100, 120, 120));
  Flush();
  ASSERT_FALSE(clips.empty());
  for (const TRect& clip : clips) {
    TRect inOld, inNew;
    const bool old = IntersectRect(inOld, clip, Rect(10, 10, 30, 30)) && !IsRectEmpty(inOld);
    const bool now = IntersectRect(inNew, clip, Rect(100, 100, 120, 120)) && !IsRectEmpty(inNew);
    EXPECT_TRUE(old || now) << clip.Left << "," << clip.Top << "," << clip.Right << ","
                            << clip.Bottom;
    EXPECT_FALSE(PtInRect(clip, Point(60, 60)));
  }
  EXPECT_EQ(ScreenPixel(image, QPoint(20, 20)), 0xFF0000u);
  EXPECT_EQ(ScreenPixel(image, QPoint(110, 110)), 0x00FF00u);
}

TEST(PaintBoxScreen, APlainOptimizerKeepsTheOptimizerModeInFullRepaints) {
  TCustomImage32 image(nullptr, [](TBitmap32* Buffer, TRectList* Damage) {
    return std::unique_ptr<TCustomRepaintOptimizer>(
        std::make_unique<TPlainRepaintOptimizer>(Buffer, Damage));
  });
  image.resize(60, 40);
  image.SetBitmap(*MakeBitmap(60, 40, clRed32));
  image.SetRepaintMode(rmOptimizer);
  EXPECT_FALSE(image.Optimizer()->Enabled());
  image.show();
  Flush();
  image.Bitmap()->FillRect(0, 0, 10, 10, clBlue32);
  Flush();
  EXPECT_EQ(ScreenPixel(image, QPoint(5, 5)), 0x0000FFu);
  EXPECT_EQ(ScreenPixel(image, QPoint(30, 20)), 0xFF0000u);
}

namespace {

// Draws a blue square on the control's canvas after the buffer is shown.
class TOverlayLayer : public TCustomLayer {
 public:
  explicit TOverlayLayer(TLayerCollection* Layers) : TCustomLayer(Layers) {
    SetOptionBits(OptGdiOverlay);
  }
  void PaintGDI(TCanvas* Canvas) override {
    Canvas->Brush().Color = clBlue;
    Canvas->FillRect(Rect(5, 5, 15, 15));
  }
};

}  // namespace

TEST(PaintBoxScreen, OverlaysDrawOnTheScreenAfterTheBufferAndNotIntoIt) {
  TCustomImage32 image;
  image.resize(60, 40);
  image.SetBitmap(*MakeBitmap(60, 40, clRed32));
  new TOverlayLayer(image.Layers());
  int overlays = 0, initStages = 0;
  image.OnGDIOverlay = [&](TObject*) {
    ++overlays;
    EXPECT_NE(image.Canvas(), nullptr);
  };
  image.OnInitStages = [&](TObject*) { ++initStages; };
  image.show();
  Flush();
  EXPECT_EQ(ScreenPixel(image, QPoint(10, 10)), 0x0000FFu);
  EXPECT_EQ(ScreenPixel(image, QPoint(20, 20)), 0xFF0000u);
  EXPECT_EQ(image.Buffer()->GetPixel(10, 10), clRed32);
  EXPECT_GE(overlays, 1);
  EXPECT_EQ(image.Canvas(), nullptr);
  // The stages are initialised once, before the first paint.
  image.hide();
  image.show();
  Flush();
  EXPECT_EQ(initStages, 1);
}

}  // namespace pictavia
