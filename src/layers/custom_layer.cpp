// TCustomLayer: option bits, change reporting, reordering, mouse defaults, free notifications
// and the order of destruction.
#include "layers/custom_layer.h"

#include <algorithm>

#include "layers/layer_collection.h"

namespace pictavia {

namespace {

void EraseOne(std::vector<TCustomLayer*>& List, const TCustomLayer* Layer) {
  auto it = std::find(List.begin(), List.end(), Layer);
  if (it != List.end()) List.erase(it);
}

}  // namespace

TCustomLayer::TCustomLayer(TLayerCollection* LayerCollection) {
  JoinCollection(LayerCollection);
  SetOptionBits(OptVisible);
}

TCustomLayer::~TCustomLayer() {
  // From here on watchers see the layer as gone, so no one calls into it from a handler below.
  life_.reset();
  if (OnDestroy) OnDestroy(this);
  // Each watcher leaves the list before it is told, so a handler that unwatches, or deletes
  // another watcher, only shortens what is left to walk.
  while (!freeNotifies_.empty()) {
    TCustomLayer* watcher = freeNotifies_.back();
    freeNotifies_.pop_back();
    EraseOne(watcher->watching_, this);
    watcher->Notification(this);
  }
  // Layers that would tell this one about their own end must not keep a dangling entry.
  while (!watching_.empty()) {
    TCustomLayer* notifier = watching_.back();
    watching_.pop_back();
    EraseOne(notifier->freeNotifies_, this);
  }
  JoinCollection(nullptr);
}

int TCustomLayer::Index() const {
  return collection_ ? collection_->IndexOf(this) : -1;
}

void TCustomLayer::SetIndex(int Value) {
  const int current = Index();
  if (current < 0 || Value == current) return;
  const int count = collection_->Count();
  Value = std::clamp(Value, 0, count - 1);
  if (Value == current) return;
  TLayerCollection* collection = collection_;
  if (Visible()) {
    // The bracket makes the view repaint as a whole: every layer in between changed its place.
    collection->BeginUpdate();
    collection->MoveItem(current, Value);
    collection->EndUpdate();
  } else {
    collection->MoveItem(current, Value);
  }
}

void TCustomLayer::BringToFront() {
  if (collection_) SetIndex(collection_->Count());
}

void TCustomLayer::SetOptionBits(uint32_t Value) {
  Changing();
  optionBits_ = Value;
  Changed();
}

void TCustomLayer::SetInvalid(bool Value) {
  if (Value)
    optionBits_ |= OptInvalid;
  else
    optionBits_ &= ~OptInvalid;
}

void TCustomLayer::SetCursor(TCursor Value) {
  if (Value == cursor_) return;
  cursor_ = Value;
  if (collection_ && collection_->MouseCaptor() == this) SetScreenCursor(Value);
}

void TCustomLayer::SetScreenCursor(TCursor Value) {
  if (collection_ && collection_->Owner()) collection_->Owner()->SetScreenCursor(Value);
}

bool TCustomLayer::ReportsChanges() const {
  return updateCount_ == 0 && collection_ && (optionBits_ & OptNoUpdate) == 0;
}

void TCustomLayer::Changing() {
  if (ReportsChanges() && Visible()) collection_->Changing();
}

void TCustomLayer::Changed() {
  if (!ReportsChanges()) return;
  // Every handler below may delete this layer or move it elsewhere; stop as soon as it has.
  TLayerWatch self(this);
  TLayerCollection* collection = collection_;
  auto stillHere = [&] { return self.Alive() && collection_ == collection; };
  if (Visible() || (optionBits_ & OptForceUpdate)) {
    collection->LayerUpdated(this);
    if (!stillHere()) return;
  }
  if (Visible())
    collection->Changed();
  else if (optionBits_ & OptGdiOverlay)
    collection->OverlayChanged();
  if (!self.Alive()) return;
  TNotifiablePersistent::Changed();
}

void TCustomLayer::Changed(const TRect& Rect) {
  if (!ReportsChanges()) return;
  TLayerWatch self(this);
  TLayerCollection* collection = collection_;
  collection->AreaUpdated(Rect, AreaIsRect);
  if (!self.Alive() || collection_ != collection) return;
  if (Visible())
    collection->Changed();
  else if (optionBits_ & OptGdiOverlay)
    collection->OverlayChanged();
  if (!self.Alive()) return;
  TNotifiablePersistent::Changed();
}

bool TCustomLayer::HitTest(int X, int Y) {
  bool passed = ShapeHit(X, Y);
  if (OnHitQuery) OnHitQuery(this, X, Y, passed);
  return passed;
}

bool TCustomLayer::ShapeHit(int, int) {
  return true;
}

void TCustomLayer::PaintWithEvent(TBitmap32* Buffer) {
  Paint(Buffer);
  if (OnPaint) OnPaint(this, Buffer);
}

void TCustomLayer::Paint(TBitmap32*) {}

void TCustomLayer::PaintGDI(TCanvas*) {}

void TCustomLayer::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TCustomLayer::MouseMove(TShiftState Shift, int X, int Y) {
  SetScreenCursor(cursor_);
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TCustomLayer::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  SetScreenCursor(crDefault);
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TCustomLayer::WatchFree(TCustomLayer* Layer) {
  // A layer has nothing to learn from its own end.
  if (!Layer || Layer == this) return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), Layer) != freeNotifies_.end()) return;
  freeNotifies_.push_back(Layer);
  Layer->watching_.push_back(this);
}

void TCustomLayer::UnwatchFree(TCustomLayer* Layer) {
  auto it = std::find(freeNotifies_.begin(), freeNotifies_.end(), Layer);
  if (it == freeNotifies_.end()) return;
  freeNotifies_.erase(it);
  EraseOne(Layer->watching_, this);
}

void TCustomLayer::Notification(TCustomLayer*) {}

void TCustomLayer::JoinCollection(TLayerCollection* Value) {
  if (Value == collection_) return;
  if (collection_) {
    if (collection_->MouseCaptor() == this) collection_->SetMouseCaptor(nullptr);
    collection_->RemoveItem(this);
  }
  if (Value) Value->InsertItem(this);
}

}  // namespace pictavia
