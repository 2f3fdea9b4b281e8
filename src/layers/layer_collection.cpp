// TLayerCollection: list maintenance, update brackets, hit search and mouse routing.
#include "layers/layer_collection.h"

#include <algorithm>

#include "layers/positioned_layer.h"
#include "toolkit/exceptions.h"

namespace pictavia {

namespace {

// Ends an update bracket also when a handler throws.
class TUpdateBracket {
 public:
  explicit TUpdateBracket(TLayerCollection& Collection) : collection_(Collection) {
    collection_.BeginUpdate();
  }
  ~TUpdateBracket() { collection_.EndUpdate(); }
  TUpdateBracket(const TUpdateBracket&) = delete;
  TUpdateBracket& operator=(const TUpdateBracket&) = delete;

 private:
  TLayerCollection& collection_;
};

}  // namespace

TLayerCollection::TLayerCollection(TLayerOwner* Owner) : owner_(Owner) {}

TLayerCollection::~TLayerCollection() {
  // Nothing is shown any more: only the list notifications still go out.
  updateCount_ = 1;
  Clear();
}

TCustomLayer* TLayerCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError(Format("List index out of bounds (%d)", Index));
  return items_[static_cast<size_t>(Index)];
}

int TLayerCollection::IndexOf(const TCustomLayer* Layer) const {
  auto it = std::find(items_.begin(), items_.end(), Layer);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TLayerCollection::Clear() {
  {
    TUpdateBracket bracket(*this);
    // Each layer takes itself out of items_ in its destructor; re-reading the count lets
    // handlers of laDeleted free other layers as well.
    while (!items_.empty()) delete items_.back();
    if (OnListChange) OnListChange(this, laCleared, nullptr, 0);
  }
}

void TLayerCollection::BeginUpdate() {
  if (++updateCount_ == 1) Changing();
}

void TLayerCollection::EndUpdate() {
  // An unbalanced EndUpdate must not push the count below zero and silence OnChange for good.
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0) Changed();
}

void TLayerCollection::Changed() {
  if (OnChange) OnChange(this);
}

void TLayerCollection::Changing() {
  if (OnChanging) OnChanging(this);
}

void TLayerCollection::OverlayChanged() {
  if (updateCount_ == 0 && OnOverlayChange) OnOverlayChange(this);
}

TCustomLayer* TLayerCollection::TopLayerAt(int X, int Y, uint32_t OptionMask) {
  // A hit-query handler may delete layers, so the index is checked against the current count
  // on every step and a layer is answered only while it is alive.
  for (int i = Count() - 1; i >= 0; --i) {
    if (i >= Count()) continue;
    TCustomLayer* layer = items_[static_cast<size_t>(i)];
    TLayerWatch watch(layer);
    if (!watch.Alive() || (layer->OptionBits() & OptionMask) == 0) continue;
    if (auto* positioned = dynamic_cast<TPositionedLayer*>(layer);
        positioned && positioned->IsBitmapLayer() && positioned->LayerTag() == "KK")
      continue;
    if (layer->HitTest(X, Y) && watch.Alive()) return layer;
  }
  return nullptr;
}

TCustomLayer* TLayerCollection::MouseTarget(int X, int Y) {
  return mouseCaptor_ ? mouseCaptor_ : TopLayerAt(X, Y, OptMouse);
}

TCustomLayer* TLayerCollection::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomLayer* layer = MouseTarget(X, Y);
  if (layer != mouseCaptor_ && (!layer || (layer->OptionBits() & OptNoCapture) == 0))
    SetMouseCaptor(layer);
  TLayerWatch watch(layer);
  if (TCustomLayer* listener = mouseCaptor_) {
    listener->pressedButtons_.Include(Button);
    listener->MouseDown(Button, Shift, X, Y);
  }
  return watch.Get();
}

TCustomLayer* TLayerCollection::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomLayer* layer = MouseTarget(X, Y);
  if (!layer) {
    if (owner_) owner_->SetScreenCursor(owner_->Cursor());
    return nullptr;
  }
  TLayerWatch watch(layer);
  layer->MouseMove(Shift, X, Y);
  return watch.Get();
}

TCustomLayer* TLayerCollection::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomLayer* layer = MouseTarget(X, Y);
  TLayerWatch watch(layer);
  if (layer) {
    layer->pressedButtons_.Exclude(Button);
    layer->MouseUp(Button, Shift, X, Y);
  }
  // A listener destroyed by the handler has already cleared mouseCaptor_ on its way out.
  if (mouseCaptor_ && mouseCaptor_->pressedButtons_.Empty()) SetMouseCaptor(nullptr);
  return watch.Get();
}

void TLayerCollection::SetMouseCaptor(TCustomLayer* Value) {
  if (Value == mouseCaptor_) return;
  if (Value && Value->collection_ != this) return;
  if (mouseCaptor_) mouseCaptor_->pressedButtons_.Clear();
  mouseCaptor_ = Value;
}

void TLayerCollection::ViewScale(float& ScaleX, float& ScaleY) {
  ScaleX = 1;
  ScaleY = 1;
  if (OnQueryViewScale)
    OnQueryViewScale(this, ScaleX, ScaleY);
  else if (owner_)
    owner_->ViewScale(ScaleX, ScaleY);
}

void TLayerCollection::ViewShift(float& ShiftX, float& ShiftY) {
  ShiftX = 0;
  ShiftY = 0;
  if (OnQueryViewShift)
    OnQueryViewShift(this, ShiftX, ShiftY);
  else if (owner_)
    owner_->ViewShift(ShiftX, ShiftY);
}

void TLayerCollection::InsertItem(TCustomLayer* Layer) {
  TUpdateBracket bracket(*this);
  items_.push_back(Layer);
  Layer->collection_ = this;
  if (OnListChange) OnListChange(this, laAdded, Layer, Count() - 1);
}

void TLayerCollection::RemoveItem(TCustomLayer* Layer) {
  TUpdateBracket bracket(*this);
  const int index = IndexOf(Layer);
  if (index >= 0) items_.erase(items_.begin() + index);
  Layer->collection_ = nullptr;
  if (OnListChange) OnListChange(this, laDeleted, Layer, index);
}

void TLayerCollection::MoveItem(int CurIndex, int NewIndex) {
  auto first = items_.begin();
  if (CurIndex < NewIndex)
    std::rotate(first + CurIndex, first + CurIndex + 1, first + NewIndex + 1);
  else
    std::rotate(first + NewIndex, first + CurIndex, first + CurIndex + 1);
}

void TLayerCollection::LayerUpdated(TCustomLayer* Layer) {
  if (OnLayerChanged) OnLayerChanged(this, Layer);
  Changed();
}

void TLayerCollection::AreaUpdated(const TRect& Area, uint32_t Info) {
  if (OnAreaDamaged) OnAreaDamaged(this, Area, Info);
  Changed();
}

}  // namespace pictavia
