// TCustomRepaintOptimizer: what the image view asks of a repaint optimizer (damage collection
// for partial repaints), and TPlainRepaintOptimizer, one that never enables itself.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "layers/layer_collection.h"
#include "raster/bitmap32.h"
#include "raster/containers.h"
#include "toolkit/geometry.h"
#include "toolkit/object.h"

namespace pictavia {

// Bound to the view's back buffer and damage list, neither owned. While enabled, it turns the
// changes reported to it into rectangles of DamageRects so that the view repaints only those.
class TCustomRepaintOptimizer : public TObject {
 public:
  TCustomRepaintOptimizer(TBitmap32* Buffer, TRectList* DamageRects)
      : buffer_(Buffer), damageRects_(DamageRects) {}
  ~TCustomRepaintOptimizer() override {
    while (!layerCollections_.empty())
      TCustomRepaintOptimizer::UnwatchLayers(layerCollections_.back());
  }
  TCustomRepaintOptimizer(const TCustomRepaintOptimizer&) = delete;
  TCustomRepaintOptimizer& operator=(const TCustomRepaintOptimizer&) = delete;
  const char* ClassName() const override { return "TCustomRepaintOptimizer"; }

  virtual bool Enabled() const { return enabled_; }
  // Binds (or unbinds) the layer events of every attached collection; nothing if unchanged.
  virtual void SetEnabled(bool Value) {
    if (Value == enabled_) return;
    enabled_ = Value;
    for (TLayerCollection* c : layerCollections_) BindLayerEvents(*c, enabled_);
  }

  // A layer was added to or deleted from an attached collection, or the collection cleared.
  virtual void ListChanged(TObject* Sender, TLayerListNotification Action, TCustomLayer* Layer,
                           int Index) = 0;

  // Attaches a collection once; its list changes always reach the optimizer, its layer changes
  // and damaged areas only while it is enabled.
  virtual void WatchLayers(TLayerCollection* Collection) {
    if (!Collection) return;
    if (std::find(layerCollections_.begin(), layerCollections_.end(), Collection) ==
        layerCollections_.end())
      layerCollections_.push_back(Collection);
    Collection->OnListChange = [this](TObject* Sender, TLayerListNotification Action,
                                      TCustomLayer* Layer,
                                      int Index) { ListChanged(Sender, Action, Layer, Index); };
    if (enabled_) BindLayerEvents(*Collection, true);
  }
  virtual void UnwatchLayers(TLayerCollection* Collection) {
    auto it = std::find(layerCollections_.begin(), layerCollections_.end(), Collection);
    if (it == layerCollections_.end()) return;
    Collection->OnListChange = nullptr;
    BindLayerEvents(*Collection, false);
    layerCollections_.erase(it);
  }

  // Around every copy to the screen and every repaint of the buffer.
  virtual void BeginPaint() {}
  virtual void EndPaint() {}
  virtual void BeginBufferRepaint() {}
  virtual void EndBufferRepaint() {}

  // The mapping or the whole picture changed: the next paint repaints everything.
  virtual void Reset() = 0;
  // Whether changes wait to be turned into damage rectangles.
  virtual bool DamagePending() = 0;
  // Appends the collected damage to DamageRects.
  virtual void ComputeDamage() = 0;
  // An area of the buffer (control coordinates) changed; Info is AreaIsRect or AreaIsLine.
  virtual void AreaDamaged(TObject* Sender, const TRect& Area, uint32_t Info) = 0;
  virtual void LayerChanged(TObject* Sender, TCustomLayer* Layer) = 0;
  // The back buffer now has this size.
  virtual void BufferSizeNoted(int Width, int Height) = 0;

  TBitmap32* Buffer() const { return buffer_; }
  TRectList* DamageRects() const { return damageRects_; }
  const std::vector<TLayerCollection*>& LayerCollections() const { return layerCollections_; }

 protected:
  void BindLayerEvents(TLayerCollection& Collection, bool Bind) {
    if (Bind) {
      Collection.OnLayerChanged = [this](TObject* Sender, TCustomLayer* Layer) {
        LayerChanged(Sender, Layer);
      };
      Collection.OnAreaDamaged = [this](TObject* Sender, const TRect& Area, uint32_t Info) {
        AreaDamaged(Sender, Area, Info);
      };
    } else {
      Collection.OnLayerChanged = nullptr;
      Collection.OnAreaDamaged = nullptr;
    }
  }

  bool enabled_ = false;
  std::vector<TLayerCollection*> layerCollections_;  // attached, not owned
  TBitmap32* buffer_;
  TRectList* damageRects_;
};

// Stays disabled whatever the view asks, and has nothing pending: the view then repaints and
// copies its whole viewport after every change, which is complete behaviour, only slower.
class TPlainRepaintOptimizer : public TCustomRepaintOptimizer {
 public:
  using TCustomRepaintOptimizer::TCustomRepaintOptimizer;
  const char* ClassName() const override { return "TPlainRepaintOptimizer"; }

  void SetEnabled(bool) override {}
  void ListChanged(TObject*, TLayerListNotification, TCustomLayer*, int) override {}
  void Reset() override {}
  bool DamagePending() override { return false; }
  void ComputeDamage() override {}
  void AreaDamaged(TObject*, const TRect&, uint32_t) override {}
  void LayerChanged(TObject*, TCustomLayer*) override {}
  void BufferSizeNoted(int, int) override {}
};

// Makes the optimizer of a new paint box, bound to its buffer and damage list.
using TRepaintOptimizerFactory = std::function<std::unique_ptr<TCustomRepaintOptimizer>(
    TBitmap32* Buffer, TRectList* DamageRects)>;

}  // namespace pictavia
