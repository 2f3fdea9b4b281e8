// TMicroTilesRepaintOptimizer: collects the buffer's damage (reported areas, the old and new
// footprints of changed layers, deleted layers) in micro-tile grids, hands the view a short list
// of rectangles, and coarsens its precision when partial repaints stop paying.
#pragma once

#ifndef PICTAVIA_INSIDE_VIEW
#error "micro_tiles_optimizer.h is private to the view library and its tests"
#endif

#include <memory>
#include <vector>

#include "view/internal/micro_tiles.h"
#include "view/internal/repaint_clock.h"
#include "view/repaint_optimizer.h"

namespace pictavia {

class TMicroTilesRepaintOptimizer : public TCustomRepaintOptimizer {
 public:
  TMicroTilesRepaintOptimizer(TBitmap32* Buffer, TRectList* DamageRects);
  ~TMicroTilesRepaintOptimizer() override;
  const char* ClassName() const override { return "TMicroTilesRepaintOptimizer"; }

  void SetEnabled(bool Value) override;
  void ListChanged(TObject* Sender, TLayerListNotification Action, TCustomLayer* Layer,
                   int Index) override;
  void BeginBufferRepaint() override;
  void EndBufferRepaint() override;
  void Reset() override;
  bool DamagePending() override;
  void ComputeDamage() override;
  void AreaDamaged(TObject* Sender, const TRect& Area, uint32_t Info) override;
  void LayerChanged(TObject* Sender, TCustomLayer* Layer) override;
  void BufferSizeNoted(int Width, int Height) override;

  // 0: sub-tile precision; 1: whole tiles; 2: full repaints.
  int DetailLevel() const { return detailLevel_; }
  bool Adaptive() const { return adaptive_; }
  // Tests and benchmarks fix the level by switching adaptation off.
  void SetAdaptive(bool Value) { adaptive_ = Value; }
  void SetDetailLevel(int Value);
  int64_t LastRepaintTime() const { return lastRepaintTime_; }
  int64_t FullRepaintTime() const { return fullRepaintTime_; }
  // Milliseconds between the timed checks of a raised level (1000 ... 5000).
  int CheckInterval() const { return checkInterval_; }
  // Replaces the time source (tests drive the adaptation with a clock of their own).
  void SetClock(std::unique_ptr<TRepaintClock> Clock);

 private:
  void SizeGrids();
  void MeasureAllLayers();
  void MeasureFootprint(TTileGrid& Grid, TCustomLayer* Layer);
  void AddArea(TTileGrid& Grid, const TRect& Area, uint32_t Info);
  void TimeRepaint();
  void CheckAdapt();
  void ResetAdaptiveState();
  // Milliseconds since the first call.
  int64_t Now();

  TRect bufferBounds_;
  TTileGrid* scratchGrid_ = nullptr;
  TTileGrid spareGrid_;
  TTileGrid layerDamageGrid_;
  TTileGrid areaDamageGrid_;
  std::vector<TCustomLayer*> changedLayers_;
  TMicroTilesMap footprintMap_;
  bool gridsSized_ = false;
  bool footprintsKnown_ = false;
  bool layerDamagePending_ = false;
  bool adaptive_ = true;

  std::unique_ptr<TRepaintClock> clock_ = std::make_unique<TRepaintClock>();
  int detailLevel_ = 0;
  int64_t lastRepaintTime_ = 0;
  int64_t fullRepaintTime_ = 0;
  bool adaptFailed_ = false;
  bool checkDue_ = false;
  int checkInterval_ = 1000;
  // Times of the checks count from the first reading of the tick count, in 64 bits: the tick
  // count itself passes 2^31 after 24.8 days and wraps after 49.7.
  bool ticking_ = false;
  uint32_t lastTick_ = 0;
  int64_t elapsed_ = 0;
  int64_t nextCheckTick_ = 0;
  int64_t timeAtLastRaise_ = 0;
  int rectCountAtRaise_ = 0;
};

}  // namespace pictavia
