// TCustomLayer: the layer base with its option bits, change reporting, hit testing, mouse
// handling and free notifications; TLayerWatch, a non-owning reference that sees destruction.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "layers/input.h"
#include "raster/bitmap32.h"
#include "toolkit/geometry.h"
#include "toolkit/object.h"

namespace pictavia {

class TCanvas;
class TLayerCollection;

// Layer option bits (TCustomLayer::OptionBits); the other bits of the word are unused.
inline constexpr uint32_t OptVisible = 0x80000000u;      // painted by the default layer stage
inline constexpr uint32_t OptGdiOverlay = 0x40000000u;   // draws on the control after the buffer
inline constexpr uint32_t OptMouse = 0x20000000u;        // takes part in mouse hit testing
inline constexpr uint32_t OptNoUpdate = 0x10000000u;     // changes are not reported at all
inline constexpr uint32_t OptNoCapture = 0x08000000u;    // a mouse down does not capture
inline constexpr uint32_t OptInvalid = 0x04000000u;      // marker, see Invalid()
inline constexpr uint32_t OptForceUpdate = 0x02000000u;  // report OnLayerChanged even invisible

class TCustomLayer;

using THitTestEvent = std::function<void(TObject* Sender, int X, int Y, bool& Passed)>;
using TLayerMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TLayerMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TPaintLayerEvent = std::function<void(TObject* Sender, TBitmap32* Buffer)>;

// Ownership: a layer created with a collection is owned by that collection, which frees it in
// Clear and in its destructor; such a layer must therefore come from `new`. Deleting a layer
// earlier is always allowed: its destructor takes it out of the collection. A layer created
// without a collection belongs to its creator until it joins one.
//
// Handlers raised while a layer is destroyed (OnDestroy, other layers' Notification, the
// collection's OnListChange) run inside the destructor: the parts of derived classes are already
// gone, and an exception escaping such a handler ends the program.
class TCustomLayer : public TNotifiablePersistent {
 public:
  explicit TCustomLayer(TLayerCollection* LayerCollection);
  ~TCustomLayer() override;
  TCustomLayer(const TCustomLayer&) = delete;
  TCustomLayer& operator=(const TCustomLayer&) = delete;
  const char* ClassName() const override { return "TCustomLayer"; }

  TLayerCollection* LayerCollection() const { return collection_; }
  // Leaves the current collection (if any) and joins Value at the top (if not null).
  void SetLayerCollection(TLayerCollection* Value) { JoinCollection(Value); }

  // Position in the collection (0 is the bottom), -1 without one.
  int Index() const;
  // Moves the layer to Value, clamped to 0 .. Count - 1.
  virtual void SetIndex(int Value);
  void BringToFront();

  uint32_t OptionBits() const { return optionBits_; }
  // Changing, store, Changed.
  virtual void SetOptionBits(uint32_t Value);
  bool Visible() const { return (optionBits_ & OptVisible) != 0; }
  // The OptInvalid marker; writing it reports no change.
  bool Invalid() const { return (optionBits_ & OptInvalid) != 0; }
  void SetInvalid(bool Value);

  TCursor Cursor() const { return cursor_; }
  virtual void SetCursor(TCursor Value);

  // Buttons pressed on this layer while it is the collection's mouse listener.
  TMouseButtons PressedButtons() const { return pressedButtons_; }

  // --- change reporting -------------------------------------------------------------------
  // Tells the collection that a visible change is about to happen.
  void Changing();
  // Reports a change of the whole layer to the collection, then raises the layer's OnChange.
  void Changed() override;
  // The same for an area in control coordinates (reported as OnAreaDamaged).
  void Changed(const TRect& Rect);

  // --- hit testing, painting, mouse -------------------------------------------------------
  // ShapeHit, then OnHitQuery may change the answer. X and Y are control coordinates.
  bool HitTest(int X, int Y);
  virtual bool ShapeHit(int X, int Y);
  // Paint, then OnPaint.
  void PaintWithEvent(TBitmap32* Buffer);
  virtual void Paint(TBitmap32* Buffer);
  virtual void PaintGDI(TCanvas* Canvas);

  // Called by the collection with control coordinates.
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);

  // --- free notifications -----------------------------------------------------------------
  // Layer gets Notification(this) when this layer is destroyed. No duplicates; a layer that is
  // destroyed first drops out of the list by itself.
  void WatchFree(TCustomLayer* Layer);
  void UnwatchFree(TCustomLayer* Layer);
  // Told that Layer, which this layer watches, is being destroyed.
  virtual void Notification(TCustomLayer* Layer);

  THitTestEvent OnHitQuery;
  TLayerMouseEvent OnMouseDown;
  TLayerMouseMoveEvent OnMouseMove;
  TLayerMouseEvent OnMouseUp;
  TPaintLayerEvent OnPaint;
  TNotifyEvent OnDestroy;

 protected:
  virtual void JoinCollection(TLayerCollection* Value);
  // Shows Value on screen through the collection's owner, if there is one.
  void SetScreenCursor(TCursor Value);

 private:
  friend class TLayerCollection;
  friend class TLayerWatch;
  bool ReportsChanges() const;

  TCursor cursor_ = crDefault;
  std::vector<TCustomLayer*> freeNotifies_;  // layers to tell when this one goes
  std::vector<TCustomLayer*> watching_;      // layers whose free-notification list holds this one
  TLayerCollection* collection_ = nullptr;
  TMouseButtons pressedButtons_;
  uint32_t optionBits_ = 0;
  // Expires when destruction begins; TLayerWatch tests it.
  std::shared_ptr<char> life_ = std::make_shared<char>(0);
};

// Refers to a layer without owning it; Get() answers null once the layer's destruction has
// begun. Used across calls into handlers that may delete the layer.
class TLayerWatch {
 public:
  explicit TLayerWatch(TCustomLayer* Layer)
      : layer_(Layer), life_(Layer ? Layer->life_ : nullptr) {}
  TCustomLayer* Get() const { return life_.expired() ? nullptr : layer_; }
  bool Alive() const { return !life_.expired(); }

 private:
  TCustomLayer* layer_;
  std::weak_ptr<char> life_;
};

}  // namespace pictavia
