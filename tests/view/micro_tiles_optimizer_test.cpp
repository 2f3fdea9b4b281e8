// The micro-tiles repaint optimizer against a real layer collection: footprints, moves, deletions,
// clearing, reported areas, resets and the full-repaint level.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "layers/layer_collection.h"
#include "layers/positioned_layer.h"
#include "view/micro_tiles_optimizer.h"

namespace {

// A layer that fills its location (buffer pixels) with a colour.
class BoxLayer : public TPositionedLayer {
 public:
  using TPositionedLayer::TPositionedLayer;
  void Paint(TBitmap32* Buffer) override {
    const TFloatRect l = Location();
    Buffer->FillClipped(static_cast<int>(l.Left), static_cast<int>(l.Top), static_cast<int>(l.Right),
                        static_cast<int>(l.Bottom), 0xFF336699);
  }
};

struct Fixture {
  TBitmap32 buffer;
  TRectList damage;
  TLayerCollection layers{nullptr};
  TMicroTilesRepaintOptimizer optimizer{&buffer, &damage};

  Fixture() {
    buffer.SetSize(256, 256);
    optimizer.WatchLayers(&layers);
    optimizer.SetAdaptive(false);
    optimizer.SetEnabled(true);
    Settle();
  }
  ~Fixture() { optimizer.UnwatchLayers(&layers); }

  // What a paint of the view does with the optimizer: collect, repaint, finish.
  std::vector<TRect> Paint() {
    damage.Clear();
    if (optimizer.DamagePending()) optimizer.ComputeDamage();
    optimizer.BeginBufferRepaint();
    optimizer.EndBufferRepaint();
    std::vector<TRect> out;
    for (int i = 0; i < damage.Count(); ++i) out.push_back(*damage.Items(i));
    return out;
  }
  void Settle() { Paint(); }
};

}  // namespace

TEST(MicroTilesOptimizer, ResetRepaintsTheWholeBuffer) {
  Fixture f;
  f.optimizer.Reset();
  EXPECT_EQ(f.Paint(), (std::vector<TRect>{Rect(0, 0, 256, 256)}));
  EXPECT_TRUE(f.Paint().empty()) << "nothing left after one paint";
}

TEST(MicroTilesOptimizer, AMovedLayerRepaintsWhereItWasAndWhereItIs) {
  Fixture f;
  auto* layer = new BoxLayer(&f.layers);
  layer->SetLocation(FloatRect(0, 0, 10, 10));
  f.Paint();
  layer->SetLocation(FloatRect(100, 100, 110, 110));
  EXPECT_EQ(f.Paint(), (std::vector<TRect>{Rect(0, 0, 10, 10), Rect(100, 100, 110, 110)}));
}

TEST(MicroTilesOptimizer, DeletedAndClearedLayersLeaveTheirFootprints) {
  Fixture f;
  auto* a = new BoxLayer(&f.layers);
  a->SetLocation(FloatRect(40, 40, 50, 60));
  auto* b = new BoxLayer(&f.layers);
  b->SetLocation(FloatRect(200, 10, 220, 20));
  f.Paint();
  delete a;
  EXPECT_EQ(f.Paint(), (std::vector<TRect>{Rect(40, 40, 50, 60)}));
  f.layers.Clear();
  EXPECT_EQ(f.Paint(), (std::vector<TRect>{Rect(200, 10, 220, 20)}));
}

TEST(MicroTilesOptimizer, ReportedAreasAndLines) {
  Fixture f;
  f.optimizer.AreaDamaged(nullptr, Rect(5, 6, 7, 8), AreaIsRect);
  EXPECT_EQ(f.Paint(), (std::vector<TRect>{Rect(5, 6, 7, 8)}));
  f.optimizer.AreaDamaged(nullptr, Rect(10, 100, 200, 100), AreaIsLine | 1);
  const auto line = f.Paint();
  ASSERT_FALSE(line.empty());
  for (const TRect& r : line) {
    EXPECT_LE(r.Top, 100);
    EXPECT_GE(r.Bottom, 101);
    EXPECT_GT(r.Top, 90) << "a horizontal line damages a thin band";
  }
}

TEST(MicroTilesOptimizer, WholeTileLevelRoundsDamageToTiles) {
  Fixture f;
  f.optimizer.SetDetailLevel(1);
  f.optimizer.AreaDamaged(nullptr, Rect(30, 10, 40, 20), AreaIsRect);
  EXPECT_EQ(f.Paint(), (std::vector<TRect>{Rect(0, 0, 64, 32)}));
}

TEST(MicroTilesOptimizer, SlowPartialRepaintsEndInFullRepaints) {
  Fixture f;
  f.optimizer.SetAdaptive(true);
  // A quick full repaint (no damage rectangles) sets the time to beat.
  f.damage.Clear();
  f.optimizer.BeginBufferRepaint();
  f.optimizer.EndBufferRepaint();
  // Partial repaints that take longer than that raise the level step by step.
  auto slowPartial = [&] {
    f.optimizer.AreaDamaged(nullptr, Rect(5, 5, 6, 6), AreaIsRect);
    f.damage.Clear();
    f.optimizer.DamagePending();
    f.optimizer.ComputeDamage();
    const int rects = f.damage.Count();
    f.optimizer.BeginBufferRepaint();
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    f.optimizer.EndBufferRepaint();
    return rects;
  };
  int steps = 0;
  while (f.optimizer.DetailLevel() < 2 && steps < 6) {
    EXPECT_GT(slowPartial(), 0);
    ++steps;
  }
  ASSERT_EQ(f.optimizer.DetailLevel(), 2) << "after " << steps << " slow repaints";
  EXPECT_EQ(slowPartial(), 0) << "level 2 hands the view no rectangles: a full repaint";
}

TEST(MicroTilesOptimizer, DisablingFreesTilesAndEnablingRemeasures) {
  Fixture f;
  auto* layer = new BoxLayer(&f.layers);
  layer->SetLocation(FloatRect(0, 0, 10, 10));
  f.Paint();
  f.optimizer.SetEnabled(false);
  EXPECT_FALSE(f.optimizer.DamagePending());
  layer->SetLocation(FloatRect(50, 50, 60, 60));
  f.optimizer.SetEnabled(true);
  EXPECT_EQ(f.Paint(), (std::vector<TRect>{Rect(0, 0, 256, 256)})) << "enabling starts from a reset";
  layer->SetLocation(FloatRect(70, 50, 80, 60));
  EXPECT_EQ(f.Paint(), (std::vector<TRect>{Rect(50, 50, 60, 60), Rect(70, 50, 80, 60)}));
}

TEST(MicroTilesOptimizer, AFullRepaintSettlesEverythingCollected) {
  Fixture f;
  auto* layer = new BoxLayer(&f.layers);
  layer->SetLocation(FloatRect(0, 0, 10, 10));
  f.Paint();
  f.optimizer.Reset();
  layer->SetLocation(FloatRect(20, 0, 30, 10));
  // The view repaints everything after a reset without asking for rectangles.
  f.damage.Clear();
  f.optimizer.BeginBufferRepaint();
  f.optimizer.EndBufferRepaint();
  layer->SetLocation(FloatRect(40, 0, 50, 10));
  EXPECT_EQ(f.Paint(), (std::vector<TRect>{Rect(20, 0, 30, 10), Rect(40, 0, 50, 10)}))
      << "only the last move, not the whole buffer again";
}
