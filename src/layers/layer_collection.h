// TLayerCollection: the z-ordered layers above an image, their change notifications and the
// routing of the mouse to them.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "layers/custom_layer.h"
#include "layers/input.h"
#include "layers/layer_owner.h"
#include "raster/bitmap32.h"
#include "toolkit/object.h"

namespace pictavia {

// What OnListChange reports (1 is not used).
enum TLayerListNotification { laAdded = 0, laDeleted = 2, laCleared = 3 };

using TLayerListChangeEvent = std::function<void(TObject* Sender, TLayerListNotification Action,
                                                 TCustomLayer* Layer, int Index)>;
using TLayerUpdateEvent = std::function<void(TObject* Sender, TCustomLayer* Layer)>;
using TGetScaleEvent = std::function<void(TObject* Sender, float& ScaleX, float& ScaleY)>;
using TGetShiftEvent = std::function<void(TObject* Sender, float& ShiftX, float& ShiftY)>;

// Index 0 is the bottom layer. The collection owns its layers: they join it from their
// constructor (`new TPositionedLayer(&Layers)` puts a layer on top) and leave it from their
// destructor, and Clear and the destructor free the layers that remain, top first. See
// TCustomLayer for the rules that follow from this.
class TLayerCollection : public TPersistent {
 public:
  explicit TLayerCollection(TLayerOwner* Owner = nullptr);
  ~TLayerCollection() override;
  TLayerCollection(const TLayerCollection&) = delete;
  TLayerCollection& operator=(const TLayerCollection&) = delete;
  const char* ClassName() const override { return "TLayerCollection"; }

  TLayerOwner* Owner() const { return owner_; }
  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EListError for an index outside 0 .. Count - 1.
  TCustomLayer* Items(int Index) const;
  // The position of Layer, or -1 when it is not in this collection.
  int IndexOf(const TCustomLayer* Layer) const;

  // Frees every layer, top first, each raising laDeleted, then raises laCleared.
  void Clear();

  // OnChanging when the count leaves 0, OnChange when it returns to 0.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }
  // OnChange, whatever the update count.
  void Changed();
  // OnChanging.
  void Changing();
  // OnOverlayChange, only outside BeginUpdate / EndUpdate.
  void OverlayChanged();

  // The topmost layer hit at the control point among those whose options share a bit with
  // OptionMask, or null. Bitmap layers tagged exactly "KK" are never found.
  TCustomLayer* TopLayerAt(int X, int Y, uint32_t OptionMask = OptMouse);

  // Called by the view with control coordinates; each returns the layer that took the event,
  // or null (also when the layer was destroyed by its own handler).
  TCustomLayer* MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  TCustomLayer* MouseMove(TShiftState Shift, int X, int Y);
  TCustomLayer* MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);

  // The mouse listener. Setting a new one empties the old one's PressedButtons; a layer of
  // another collection is refused (nothing changes), since only this collection would forget it.
  TCustomLayer* MouseCaptor() const { return mouseCaptor_; }
  void SetMouseCaptor(TCustomLayer* Value);

  // The owning view routes the mouse to the layers only while this is true.
  bool RouteMouse() const { return routeMouse_; }
  void SetRouteMouse(bool Value) { routeMouse_ = Value; }

  // The view's zoom and bitmap origin: from the events when bound, else from the owner, else
  // (1, 1) and (0, 0).
  virtual void ViewScale(float& ScaleX, float& ScaleY);
  virtual void ViewShift(float& ShiftX, float& ShiftY);

  TNotifyEvent OnChanging;
  TNotifyEvent OnChange;
  TNotifyEvent OnOverlayChange;
  TLayerListChangeEvent OnListChange;
  TLayerUpdateEvent OnLayerChanged;
  TAreaChangedEvent OnAreaDamaged;
  TGetScaleEvent OnQueryViewScale;
  TGetShiftEvent OnQueryViewShift;

 private:
  friend class TCustomLayer;
  // Both inside BeginUpdate / EndUpdate, raising laAdded or laDeleted.
  void InsertItem(TCustomLayer* Layer);
  void RemoveItem(TCustomLayer* Layer);
  void MoveItem(int CurIndex, int NewIndex);
  void LayerUpdated(TCustomLayer* Layer);
  void AreaUpdated(const TRect& Area, uint32_t Info);
  // The listener if there is one, else the layer under the mouse.
  TCustomLayer* MouseTarget(int X, int Y);

  std::vector<TCustomLayer*> items_;  // owned, see the class comment
  bool routeMouse_ = true;
  TCustomLayer* mouseCaptor_ = nullptr;
  int updateCount_ = 0;
  TLayerOwner* owner_;
};

}  // namespace pictavia
