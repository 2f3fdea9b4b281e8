// Shared by the layer tests: a fake image owner and a log of the collection's notifications.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "layers/layer_collection.h"
#include "layers/layer_owner.h"
#include "layers/positioned_layer.h"

namespace pictavia {

using Log = std::vector<std::string>;

class FakeOwner : public TLayerOwner {
 public:
  TRect DrawnRect() override { return Rect(0, 0, 100, 100); }
  bool RenderingInto() const override { return false; }
  void ViewScale(float& X, float& Y) override { X = Y = scale; }
  void ViewShift(float& X, float& Y) override { X = shiftX, Y = shiftY; }
  TCursor Cursor() const override { return crCross; }
  void SetScreenCursor(TCursor Value) override { screenCursor = Value; }
  float scale = 1, shiftX = 0, shiftY = 0;
  TCursor screenCursor = 1;  // no layer uses 1: shows whether anything was set
};

// Records the collection's events as short words. The words live in shared storage, so a
// collection that outlives the log (its destructor still reports) writes somewhere valid.
struct EventLog {
  explicit EventLog(TLayerCollection& c) {
    auto add = [items = items](std::string s) { items->push_back(std::move(s)); };
    c.OnChanging = [add](TObject*) { add("changing"); };
    c.OnChange = [add](TObject*) { add("change"); };
    c.OnOverlayChange = [add](TObject*) { add("overlay"); };
    c.OnLayerChanged = [add](TObject*, TCustomLayer*) { add("layer"); };
    c.OnAreaDamaged = [add](TObject*, const TRect& r, uint32_t info) {
      add("area " + std::to_string(r.Left) + "," + std::to_string(r.Bottom) +
          (info == AreaIsRect ? " rect" : " ?"));
    };
    c.OnListChange = [add](TObject*, TLayerListNotification a, TCustomLayer*, int i) {
      add((a == laAdded ? "added " : a == laDeleted ? "deleted " : "cleared ") + std::to_string(i));
    };
  }
  Log Take() { return std::exchange(*items, {}); }
  std::shared_ptr<Log> items = std::make_shared<Log>();
};

// Stands in for a bitmap layer, for the "KK" rule of the hit search.
class FakeBitmapLayer : public TPositionedLayer {
 public:
  using TPositionedLayer::TPositionedLayer;
  bool IsBitmapLayer() const override { return true; }
};

inline TPositionedLayer* NewLayer(TLayerCollection& c, float l, float t, float r, float b) {
  auto* layer = new TPositionedLayer(&c);
  layer->SetLocation(FloatRect(l, t, r, b));
  return layer;
}

}  // namespace pictavia
