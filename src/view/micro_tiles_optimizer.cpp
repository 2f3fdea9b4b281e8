// The micro-tiles repaint optimizer.
#include "view/internal/micro_tiles_optimizer.h"

#include <algorithm>

#include "layers/custom_layer.h"
#include "layers/layer_collection.h"

namespace pictavia {

namespace {

int KeepLevel(int v) {
  return std::clamp(v, 0, 2);
}
int KeepInterval(int v) {
  return std::clamp(v, 1000, 5000);
}

}  // namespace

TMicroTilesRepaintOptimizer::TMicroTilesRepaintOptimizer(TBitmap32* Buffer, TRectList* DamageRects)
    : TCustomRepaintOptimizer(Buffer, DamageRects) {}

TMicroTilesRepaintOptimizer::~TMicroTilesRepaintOptimizer() {
  // Detach here, while this object's handlers are still whole.
  while (!LayerCollections().empty()) UnwatchLayers(LayerCollections().back());
}

void TMicroTilesRepaintOptimizer::SetEnabled(bool Value) {
  if (Value == Enabled()) return;
  TCustomRepaintOptimizer::SetEnabled(Value);
  if (Value) {
    BufferSizeNoted(Buffer()->Width(), Buffer()->Height());
  } else {
    // Disabled: no tile memory is kept; enabling rebuilds everything.
    for (TTileGrid* g : {&spareGrid_, &layerDamageGrid_, &areaDamageGrid_}) *g = TTileGrid();
    gridsSized_ = false;
    layerDamagePending_ = false;
    footprintsKnown_ = false;
    footprintMap_.Clear();
    changedLayers_.clear();
  }
}

void TMicroTilesRepaintOptimizer::SetClock(std::unique_ptr<TRepaintClock> Clock) {
  clock_ = std::move(Clock);
  ticking_ = false;
  elapsed_ = 0;
  nextCheckTick_ = 0;
}

int64_t TMicroTilesRepaintOptimizer::Now() {
  const uint32_t tick = clock_->TickCount();
  if (!ticking_) {
    ticking_ = true;
    lastTick_ = tick;
  }
  // The unsigned difference is right across a wrap of the tick count.
  elapsed_ += static_cast<uint32_t>(tick - lastTick_);
  lastTick_ = tick;
  return elapsed_;
}

void TMicroTilesRepaintOptimizer::SetDetailLevel(int Value) {
  detailLevel_ = KeepLevel(Value);
}

void TMicroTilesRepaintOptimizer::SizeGrids() {
  if (gridsSized_) return;
  for (TTileGrid* g : {&spareGrid_, &layerDamageGrid_, &areaDamageGrid_})
    GridSetSize(*g, bufferBounds_);
  gridsSized_ = true;
}

void TMicroTilesRepaintOptimizer::AddArea(TTileGrid& Grid, const TRect& Area, uint32_t Info) {
  const bool wholeTiles = detailLevel_ > 0;
  if (Info & AreaIsLine) {
    const int w = static_cast<int>(Info & 0x00FFFFFFu);
    TRect r = Area;
    InflateRect(r, w, w);
    GridAddLine(Grid, r.Left, r.Top, r.Right, r.Bottom, w, wholeTiles);
  } else {
    GridAddRect(Grid, Area, wholeTiles);
  }
}

void TMicroTilesRepaintOptimizer::MeasureFootprint(TTileGrid& Grid, TCustomLayer* Layer) {
  TBitmap32* buffer = Buffer();
  scratchGrid_ = &Grid;
  // The whole buffer, not the clip the last repaint left: after the view grew inside the
  // buffer's slack that clip is the old, smaller view, and a layer in the newly shown strip would
  // measure as nothing (and never be repainted where it was once it moves).
  const TRect clip = buffer->ClipRect();
  buffer->SetClipRect(buffer->BoundsRect());
  buffer->BeginAreaRecording(
      [this](TObject*, const TRect& Area, uint32_t Info) { AddArea(*scratchGrid_, Area, Info); });
  struct TEndMeasuring {
    TBitmap32& Buffer;
    TRect Clip;
    ~TEndMeasuring() {
      Buffer.EndAreaRecording();
      Buffer.SetClipRect(Clip);
    }
  } endMeasuring{*buffer, clip};
  Layer->PaintWithEvent(buffer);
}

void TMicroTilesRepaintOptimizer::MeasureAllLayers() {
  if (footprintsKnown_) return;
  SizeGrids();
  for (TLayerCollection* c : LayerCollections()) {
    for (int i = 0; i < c->Count(); ++i) {
      TCustomLayer* layer = c->Items(i);
      TTileGrid& grid = footprintMap_.GridOf(layer);
      GridSetSize(grid, bufferBounds_);
      MeasureFootprint(grid, layer);
      layer->SetInvalid(false);
    }
  }
  changedLayers_.clear();
  footprintsKnown_ = true;
  layerDamagePending_ = false;
}

bool TMicroTilesRepaintOptimizer::DamagePending() {
  MeasureAllLayers();
  return layerDamagePending_;
}

void TMicroTilesRepaintOptimizer::AreaDamaged(TObject*, const TRect& Area, uint32_t Info) {
  SizeGrids();
  AddArea(areaDamageGrid_, Area, Info);
  layerDamagePending_ = true;
}

void TMicroTilesRepaintOptimizer::LayerChanged(TObject*, TCustomLayer* Layer) {
  if (!footprintsKnown_ || Layer->Invalid()) return;
  changedLayers_.push_back(Layer);
  Layer->SetInvalid(true);
  layerDamagePending_ = true;
}

void TMicroTilesRepaintOptimizer::ListChanged(TObject*, TLayerListNotification Action,
                                              TCustomLayer* Layer, int) {
  switch (Action) {
    case laAdded: {
      TTileGrid& grid = footprintMap_.GridOf(Layer);
      GridSetSize(grid, Buffer()->BoundsRect());
      footprintsKnown_ = true;
      break;
    }
    case laDeleted: {
      if (footprintsKnown_) {
        if (TTileGrid* old = footprintMap_.Find(Layer)) GridUnion(layerDamageGrid_, *old, false);
        layerDamagePending_ = true;
      }
      changedLayers_.erase(std::remove(changedLayers_.begin(), changedLayers_.end(), Layer),
                           changedLayers_.end());
      footprintMap_.Remove(Layer);
      break;
    }
    case laCleared: {
      if (footprintsKnown_) {
        TPointerMapIterator it(footprintMap_);
        while (it.Next()) GridUnion(layerDamageGrid_, *static_cast<TTileGrid*>(it.Data()), false);
        layerDamagePending_ = true;
        ResetAdaptiveState();
      }
      changedLayers_.clear();
      footprintMap_.Clear();
      footprintsKnown_ = true;
      break;
    }
  }
}

void TMicroTilesRepaintOptimizer::ResetAdaptiveState() {
  checkInterval_ = 1000;
  adaptFailed_ = false;
  detailLevel_ = 0;
}

void TMicroTilesRepaintOptimizer::Reset() {
  gridsSized_ = false;
  footprintsKnown_ = false;
  MeasureAllLayers();
  for (int r = 0; r < areaDamageGrid_.Rows; ++r)
    std::fill_n(&areaDamageGrid_.At(0, r), areaDamageGrid_.Columns, TileWhole);
  areaDamageGrid_.TouchedTiles = Rect(0, 0, areaDamageGrid_.Columns - 1, areaDamageGrid_.Rows - 1);
  layerDamagePending_ = true;
}

void TMicroTilesRepaintOptimizer::BufferSizeNoted(int Width, int Height) {
  bufferBounds_ = Rect(0, 0, Width, Height);
  Reset();
}

void TMicroTilesRepaintOptimizer::ComputeDamage() {
  if (layerDamagePending_) {
    SizeGrids();
    const bool wholeTiles = detailLevel_ > 0;
    for (TCustomLayer* layer : changedLayers_) {
      GridClearUsed(spareGrid_);
      MeasureFootprint(spareGrid_, layer);
      GridUnion(layerDamageGrid_, spareGrid_, wholeTiles);
      TTileGrid& old = footprintMap_.GridOf(layer);
      GridUnion(layerDamageGrid_, old, wholeTiles);
      GridCopy(old, spareGrid_);
      layer->SetInvalid(false);
    }
    changedLayers_.clear();
    GridToRects(layerDamageGrid_, *DamageRects());
    GridToRects(areaDamageGrid_, *DamageRects());
  }
  CheckAdapt();
  GridClearUsed(layerDamageGrid_);
  GridClearUsed(areaDamageGrid_);
}

void TMicroTilesRepaintOptimizer::BeginBufferRepaint() {
  if (adaptive_) clock_->StartStopwatch();
}

void TMicroTilesRepaintOptimizer::EndBufferRepaint() {
  layerDamagePending_ = false;
  // A full repaint (no damage rectangles) has repainted everything collected so far: drop that
  // damage, or the next small change would repaint the whole buffer once more. Changed layers
  // still get their footprints brought up to date.
  if (DamageRects()->Count() == 0 && gridsSized_) {
    for (TCustomLayer* layer : changedLayers_) {
      TTileGrid& grid = footprintMap_.GridOf(layer);
      GridSetSize(grid, bufferBounds_);
      MeasureFootprint(grid, layer);
      layer->SetInvalid(false);
    }
    changedLayers_.clear();
    GridClearUsed(layerDamageGrid_);
    GridClearUsed(areaDamageGrid_);
  }
  TimeRepaint();
}

void TMicroTilesRepaintOptimizer::TimeRepaint() {
  const int64_t t = adaptive_ ? clock_->StopwatchMicroseconds() : 0;
  const int64_t now = Now();
  if (DamageRects()->Count() == 0) {
    fullRepaintTime_ = t;
  } else if (adaptive_) {
    if (t > fullRepaintTime_) {
      const int level = KeepLevel(detailLevel_ + 1);
      if (level != detailLevel_) {
        rectCountAtRaise_ = DamageRects()->Count();
        detailLevel_ = level;
        if (checkDue_) {
          checkInterval_ = KeepInterval(checkInterval_ + 250);
          nextCheckTick_ = now + checkInterval_;
          timeAtLastRaise_ = t;
          checkDue_ = false;
        }
      }
      adaptFailed_ = true;
    } else if (t < fullRepaintTime_) {
      if (checkDue_) {
        checkInterval_ = 1000;
        nextCheckTick_ = now + 1000;
        checkDue_ = false;
      } else if (checkInterval_ > 1000) {
        checkInterval_ = KeepInterval(checkInterval_ - 1000);
        nextCheckTick_ = now + checkInterval_;
      }
      adaptFailed_ = false;
    } else if (t < timeAtLastRaise_ && checkDue_) {
      checkInterval_ = KeepInterval(checkInterval_ - 250);
      nextCheckTick_ = now + checkInterval_;
      checkDue_ = false;
    }
  }
  lastRepaintTime_ = t;
}

void TMicroTilesRepaintOptimizer::CheckAdapt() {
  if (!adaptive_ || detailLevel_ == 0) return;
  if (Now() > nextCheckTick_) {
    detailLevel_ = KeepLevel(detailLevel_ - 1);
    checkDue_ = true;
  } else if (!adaptFailed_ && DamageRects()->Count() < rectCountAtRaise_ - 10) {
    detailLevel_ = KeepLevel(detailLevel_ - 1);
  } else if (detailLevel_ == 2) {
    DamageRects()->Clear();
  }
}

}  // namespace pictavia
