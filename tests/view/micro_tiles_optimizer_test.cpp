// The micro-tiles repaint optimizer against a real layer collection: footprints, moves, deletions,
// clearing, reported areas, resets and the full-repaint level.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "layers/layer_collection.h"
#include "layers/positioned_layer.h"
#include "view/internal/micro_tiles_optimizer.h"

namespace pictavia {

namespace {

// A layer that fills its location (buffer pixels) with a colour.
class BoxLayer : public TPositionedLayer {
 public:
  using TPositionedLayer::TPositionedLayer;
  void Paint(TBitmap32* Buffer) override {
    const TFloatRect l = Location();
    Buffer->FillClipped(static_cast<int>(l.Left), static_cast<int>(l.Top),
                        static_cast<int>(l.Right), static_cast<int>(l.Bottom), 0xFF336699);
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
  EXPECT_EQ(f.Paint(), (std::vector<TRect>{Rect(0, 0, 256, 256)}))
      << "enabling starts from a reset";
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

// --- the adaptive level, driven by a clock the test sets -----------------------------------------

namespace {

class HandClock : public TRepaintClock {
 public:
  uint32_t Now = 0;
  int64_t RepaintTime = 0;  // microseconds the next buffer repaint takes
  void StartStopwatch() override {}
  int64_t StopwatchMicroseconds() const override { return RepaintTime; }
  uint32_t TickCount() const override { return Now; }
};

constexpr int64_t FullTime = 100;

struct AdaptiveFixture : Fixture {
  HandClock* clock = nullptr;

  explicit AdaptiveFixture(uint32_t Start = 0) {
    auto c = std::make_unique<HandClock>();
    c->Now = Start;
    clock = c.get();
    optimizer.SetClock(std::move(c));
    optimizer.SetAdaptive(true);
    damage.Clear();
    Finish(FullTime);  // a full repaint: the time partial repaints must beat
  }

  // The view preparing a paint: Areas small damaged spots, each in a tile of its own (no two
  // tiles side by side, so every spot is one rectangle at either precision). Returns how many
  // rectangles the view gets; 0 means a full repaint.
  int Collect(int Areas) {
    for (int i = 0; i < Areas; ++i) {
      const int x = (i % 4) * 64 + 2, y = (i / 4) * 64 + 2;
      optimizer.AreaDamaged(nullptr, Rect(x, y, x + 2, y + 2), AreaIsRect);
    }
    damage.Clear();
    if (optimizer.DamagePending()) optimizer.ComputeDamage();
    return damage.Count();
  }
  // The buffer repaint that follows, taking Micros.
  void Finish(int64_t Micros) {
    clock->RepaintTime = Micros;
    optimizer.BeginBufferRepaint();
    optimizer.EndBufferRepaint();
  }
  // A whole paint; a slow one takes longer than the full repaint, a quick one less.
  void Slow(int Areas = 1) {
    Collect(Areas);
    Finish(FullTime * 2);
  }
  void Quick(int Areas = 1) {
    Collect(Areas);
    Finish(FullTime / 2);
  }
  // As long as a full repaint.
  void Level(int Areas = 1) {
    Collect(Areas);
    Finish(FullTime);
  }
};

}  // namespace

TEST(MicroTilesAdaptation, TheTimedCheckProbesALowerLevelAndTheIntervalFollowsTheOutcome) {
  AdaptiveFixture f;
  f.Slow();
  ASSERT_EQ(f.optimizer.DetailLevel(), 1);
  // The first check comes due as soon as the clock moves.
  f.clock->Now += 1;
  f.Collect(1);
  EXPECT_EQ(f.optimizer.DetailLevel(), 0) << "the probe";
  f.Finish(FullTime * 2);  // the probe is slow: back up, and the next check waits 250 ms more
  EXPECT_EQ(f.optimizer.DetailLevel(), 1);
  EXPECT_EQ(f.optimizer.CheckInterval(), 1250);

  // Due only once the interval has passed, not when it is reached; each failed probe adds 250 ms,
  // up to 5 s.
  for (int expected : {1500, 1750, 2000, 2250, 2500, 2750, 3000, 3250, 3500, 3750, 4000, 4250, 4500,
                       4750, 5000, 5000}) {
    const int interval = f.optimizer.CheckInterval();
    f.clock->Now += static_cast<uint32_t>(interval);
    f.Level();
    EXPECT_EQ(f.optimizer.DetailLevel(), 1) << "interval " << interval;
    f.clock->Now += 1;
    f.Collect(1);
    EXPECT_EQ(f.optimizer.DetailLevel(), 0) << "interval " << interval;
    f.Finish(FullTime * 2);
    EXPECT_EQ(f.optimizer.DetailLevel(), 1);
    EXPECT_EQ(f.optimizer.CheckInterval(), expected);
  }

  // Quick partial repaints between checks take 1000 ms off the interval each.
  f.Quick();
  EXPECT_EQ(f.optimizer.CheckInterval(), 4000);
  f.Quick();
  EXPECT_EQ(f.optimizer.CheckInterval(), 3000);
  EXPECT_EQ(f.optimizer.DetailLevel(), 1);

  // A probe as fast as a full repaint, and faster than the slow repaint that raised the level
  // last, takes 250 ms off; the level stays down.
  f.clock->Now += 3001;
  f.Level();
  EXPECT_EQ(f.optimizer.DetailLevel(), 0);
  EXPECT_EQ(f.optimizer.CheckInterval(), 2750);

  // A probe that pays starts the interval afresh at 1 s.
  f.Slow();
  ASSERT_EQ(f.optimizer.DetailLevel(), 1);
  f.clock->Now += 2751;
  f.Quick();
  EXPECT_EQ(f.optimizer.DetailLevel(), 0);
  EXPECT_EQ(f.optimizer.CheckInterval(), 1000);
}

TEST(MicroTilesAdaptation, FewerRectanglesLowerTheLevelOnceARepaintPaidAndLevelTwoRepaintsAll) {
  AdaptiveFixture f;
  EXPECT_EQ(f.Collect(12), 12);
  f.Finish(FullTime * 2);
  ASSERT_EQ(f.optimizer.DetailLevel(), 1);
  // The slow repaint failed: however few rectangles follow, the level stays.
  f.Quick(1);
  EXPECT_EQ(f.optimizer.DetailLevel(), 1);
  // Now it paid: the level drops once the count is more than 10 below the one at the raise.
  f.Level(2);
  EXPECT_EQ(f.optimizer.DetailLevel(), 1) << "2 is not below 12 - 10";
  f.Collect(1);
  EXPECT_EQ(f.optimizer.DetailLevel(), 0);
  f.Finish(FullTime);

  // Level 2 hands the view no rectangles at all, and the full repaint sets the time to beat.
  f.Slow(3);
  f.Slow(3);
  ASSERT_EQ(f.optimizer.DetailLevel(), 2);
  EXPECT_EQ(f.Collect(3), 0);
  f.Finish(FullTime * 3);
  EXPECT_EQ(f.optimizer.FullRepaintTime(), FullTime * 3);
}

TEST(MicroTilesAdaptation, ClearingTheLayersStartsTheAdaptationAfresh) {
  AdaptiveFixture f;
  new BoxLayer(&f.layers);
  f.Level();
  f.Slow();
  f.clock->Now += 1;
  f.Slow();  // a failed probe: 1250 ms
  f.Slow();
  ASSERT_EQ(f.optimizer.DetailLevel(), 2);
  ASSERT_EQ(f.optimizer.CheckInterval(), 1250);
  f.layers.Clear();
  EXPECT_EQ(f.optimizer.DetailLevel(), 0);
  EXPECT_EQ(f.optimizer.CheckInterval(), 1000);
}

// The tick count passes 2^31 after 24.8 days and wraps to 0 after 49.7; the checks must come due
// the same way whenever the program was started.
TEST(MicroTilesAdaptation, TheTimedCheckKeepsWorkingAtAnyTickCount) {
  for (uint32_t start : {0x7FFFFF00u, 0x80000000u, 0x80001000u, 0xFFFFFF00u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(start);
    AdaptiveFixture f(start);
    f.Slow();
    ASSERT_EQ(f.optimizer.DetailLevel(), 1);
    f.clock->Now += 1;
    f.Collect(1);
    EXPECT_EQ(f.optimizer.DetailLevel(), 0) << "the first check";
    f.Finish(FullTime * 2);
    ASSERT_EQ(f.optimizer.DetailLevel(), 1);
    f.clock->Now += 1250;
    f.Level();
    EXPECT_EQ(f.optimizer.DetailLevel(), 1) << "not due yet";
    f.clock->Now += 1;
    f.Collect(1);
    EXPECT_EQ(f.optimizer.DetailLevel(), 0) << "due after 1250 ms";
    f.Finish(FullTime);
  }
}

}  // namespace pictavia
