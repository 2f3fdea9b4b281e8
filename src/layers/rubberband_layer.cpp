// TRubberbandLayer: grip search, the drag arithmetic with its size limits, cursors, drawing of
// the dashed frame and handles, and keeping the attached layer on the band's rectangle.
#include "layers/rubberband_layer.h"

#include <algorithm>
#include <cstdlib>

#include "layers/bitmap_layer.h"
#include "layers/layer_collection.h"

namespace pictavia {

void MoveLowEdge(float& Lo, float Hi, float Delta, float Min, float Max) {
  Lo = Lo + Delta;
  if (Hi - Lo < Min) Lo = Hi - Min;
  if (Max >= Min && Hi - Lo > Max) Lo = Hi - Max;
}

void MoveHighEdge(float Lo, float& Hi, float Delta, float Min, float Max) {
  Hi = Hi + Delta;
  if (Hi - Lo < Min) Hi = Lo + Min;
  if (Max >= Min && Hi - Lo > Max) Hi = Lo + Max;
}

TRubberbandLayer::TRubberbandLayer(TLayerCollection* LayerCollection)
    : TPositionedLayer(LayerCollection) {
  SetOptionBits(OptVisible | OptMouse);
}

TPositionedLayer* TRubberbandLayer::AttachedLayer() const {
  return childWatch_.Alive() ? child_ : nullptr;
}

void TRubberbandLayer::SetAttachedLayer(TPositionedLayer* Value) {
  // Following the chain of bands from Value must not come back here.
  for (TPositionedLayer* p = Value; p;) {
    if (p == this) {
      Value = nullptr;
      break;
    }
    auto* band = dynamic_cast<TRubberbandLayer*>(p);
    p = band ? band->AttachedLayer() : nullptr;
  }
  if (TPositionedLayer* old = AttachedLayer()) old->UnwatchFree(this);
  child_ = Value;
  childWatch_ = TLayerWatch(Value);
  if (!Value) return;
  // The band hears of the child's destruction through the child's free-notification list.
  Value->WatchFree(this);
  TLayerWatch self(this);
  const TFloatRect location = Value->Location();
  SetLocation(location);
  if (!self.Alive()) return;
  if (TPositionedLayer* child = AttachedLayer()) SetScaled(child->Scaled());
}

void TRubberbandLayer::StoreLocation(const TFloatRect& Value) {
  const TFloatRect location = Value;
  TPositionedLayer::StoreLocation(location);
  if (TPositionedLayer* child = AttachedLayer()) child->SetLocation(location);
}

void TRubberbandLayer::Notification(TCustomLayer* Layer) {
  if (Layer && Layer == child_) {
    child_ = nullptr;
    childWatch_ = TLayerWatch(nullptr);
  }
}

void TRubberbandLayer::SetFrameDashes(const TArrayOfColor32& Value) {
  if (Value == frameDashes_) return;
  frameDashes_ = Value;
  Changed();
}

void TRubberbandLayer::SetFrameDashStep(float Value) {
  if (Value == frameDashStep_) return;
  frameDashStep_ = Value;
  Changed();
}

void TRubberbandLayer::SetFrameDashStart(float Value) {
  if (Value == frameDashStart_) return;
  frameDashStart_ = Value;
  Changed();
}

void TRubberbandLayer::SetGripOutline(TColor32 Value) {
  if (Value == gripOutline_) return;
  gripOutline_ = Value;
  Changed();
}

void TRubberbandLayer::SetGripFill(TColor32 Value) {
  if (Value == gripFill_) return;
  gripFill_ = Value;
  Changed();
}

void TRubberbandLayer::SetHandles(TRBHandles Value) {
  if (Value == handles_) return;
  handles_ = Value;
  Changed();
}

void TRubberbandLayer::SetHandleSize(int Value) {
  Value = std::clamp(Value, -(1 << 20), 1 << 20);
  if (Value == handleSize_) return;
  handleSize_ = Value;
  Changed();
}

void TRubberbandLayer::SetOptionBits(uint32_t Value) {
  TPositionedLayer::SetOptionBits(Value & ~OptNoUpdate);
}

TRBDragState TRubberbandLayer::GripAt(int X, int Y) {
  const TRect r = PixelRoundRect(ViewLocation());
  // The last pixel column and row inside the frame; 64 bits keep the sums exact.
  const int64_t left = r.Left, top = r.Top;
  const int64_t right = int64_t{r.Right} - 1, bottom = int64_t{r.Bottom} - 1;
  const int64_t x = X, y = Y;
  const int64_t reach = int64_t{handleSize_} + 1;
  auto near = [reach](int64_t a, int64_t b) { return std::llabs(a - b) <= reach; };
  const bool nearLeft = near(x, left), nearRight = near(x, right);
  const bool nearHCentre = near(x, (left + right) / 2);
  const bool nearTop = near(y, top), nearBottom = near(y, bottom);
  const bool nearVCentre = near(y, (top + bottom) / 2);
  auto has = [this](TRBHandles h) { return (handles_ & h) != 0; };
  const bool corners = has(gpCorners), sides = has(gpSides);

  if (nearRight && nearBottom && corners && !has(gpNoBottomRight)) return dsBottomRight;
  if (nearLeft && nearBottom && corners && !has(gpNoBottomLeft)) return dsBottomLeft;
  if (nearRight && nearTop && corners && !has(gpNoTopRight)) return dsTopRight;
  if (nearLeft && nearTop && corners && !has(gpNoTopLeft)) return dsTopLeft;
  if (nearRight && nearVCentre && sides && !has(gpNoRight)) return dsRight;
  if (nearHCentre && nearBottom && sides && !has(gpNoBottom)) return dsBottom;
  if (nearLeft && nearVCentre && sides && !has(gpNoLeft)) return dsLeft;
  if (nearHCentre && nearTop && sides && !has(gpNoTop)) return dsTop;
  if (has(gpCenter) && left <= x && x < right && top <= y && y < bottom) return dsMove;
  return dsNone;
}

bool TRubberbandLayer::ShapeHit(int X, int Y) {
  return GripAt(X, Y) != dsNone;
}

void TRubberbandLayer::DoReshaping(const TFloatRect& StartLocation, TFloatRect& NewLocation,
                                   TRBDragState DragState, TShiftState Shift) {
  if (OnReshaping) OnReshaping(this, StartLocation, NewLocation, DragState, Shift);
}

void TRubberbandLayer::SetCursorFor(TRBDragState State) {
  TCursor cursor = crDefault;
  switch (State) {
    case dsMove:
      cursor = Cursor();
      break;
    case dsLeft:
    case dsRight:
      cursor = crSizeWE;
      break;
    case dsTop:
    case dsBottom:
      cursor = crSizeNS;
      break;
    case dsTopLeft:
    case dsBottomRight:
      cursor = crSizeNWSE;
      break;
    case dsTopRight:
    case dsBottomLeft:
      cursor = crSizeNESW;
      break;
    case dsNone:
      break;
  }
  SetScreenCursor(cursor);
}

void TRubberbandLayer::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (dragging_) return;
  dragState_ = GripAt(X, Y);
  dragging_ = dragState_ != dsNone;
  if (dragging_) {
    startLocation_ = Location();
    if (dragState_ == dsMove) {
      const TFloatRect a = ViewLocation();
      grabOffset_ = TFloatPoint{static_cast<float>(X) - a.Left, static_cast<float>(Y) - a.Top};
    } else {
      grabOffset_ = TFloatPoint{0, 0};
    }
  }
  TPositionedLayer::MouseDown(Button, Shift, X, Y);
}

void TRubberbandLayer::MouseMove(TShiftState Shift, int X, int Y) {
  // The band raises no OnMouseMove, idle or dragging.
  if (dragging_) {
    DragTo(Shift, X, Y);
  } else {
    dragState_ = GripAt(X, Y);
    SetCursorFor(dragState_);
  }
}

void TRubberbandLayer::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  dragging_ = false;
  TPositionedLayer::MouseUp(Button, Shift, X, Y);
}

void TRubberbandLayer::DragTo(TShiftState Shift, int X, int Y) {
  float px = static_cast<float>(X) - grabOffset_.X;
  float py = static_cast<float>(Y) - grabOffset_.Y;
  if (Scaled()) {
    // Back from control pixels into the Location space; a collapsed view rectangle has none.
    const TFloatRect a = ViewLocation();
    if (a.Right <= a.Left || a.Bottom <= a.Top) return;
    const TFloatRect& l = Location();
    px = l.Left + (px - a.Left) / (a.Right - a.Left) * (l.Right - l.Left);
    py = l.Top + (py - a.Top) / (a.Bottom - a.Top) * (l.Bottom - l.Top);
  }

  // Every step starts again from StartLocation, so limits never pile up rounding errors.
  TFloatRect n = startLocation_;
  const TRBDragState state = dragState_;
  if (state == dsMove) {
    const float w = n.Right - n.Left, h = n.Bottom - n.Top;
    n = FloatRect(px, py, px + w, py + h);
  } else {
    if (state == dsLeft || state == dsTopLeft || state == dsBottomLeft)
      MoveLowEdge(n.Left, n.Right, px - n.Left, minWidth_, maxWidth_);
    if (state == dsRight || state == dsTopRight || state == dsBottomRight)
      MoveHighEdge(n.Left, n.Right, px - n.Right, minWidth_, maxWidth_);
    if (state == dsTop || state == dsTopLeft || state == dsTopRight)
      MoveLowEdge(n.Top, n.Bottom, py - n.Top, minHeight_, maxHeight_);
    if (state == dsBottom || state == dsBottomLeft || state == dsBottomRight)
      MoveHighEdge(n.Top, n.Bottom, py - n.Bottom, minHeight_, maxHeight_);
  }

  // Handlers below may delete the band; stop as soon as one has.
  TLayerWatch self(this);
  const TFloatRect start = startLocation_;
  DoReshaping(start, n, state, Shift);
  if (!self.Alive()) return;
  if (n == Location()) return;
  SetLocation(n);
  if (self.Alive() && OnUserChange) OnUserChange(this);
}

void TRubberbandLayer::DrawHandle(TBitmap32& Buffer, int X, int Y) const {
  const int s = handleSize_;
  Buffer.BlendFillClipped(X - s, Y - s, X + s, Y + s, gripFill_);
  Buffer.BlendFrameClipped(X - s, Y - s, X + s, Y + s, gripOutline_);
}

void TRubberbandLayer::Paint(TBitmap32* Buffer) {
  if (!Buffer) return;
  const TRect r = PixelRoundRect(ViewLocation());
  if (handles_ & gpFrame) {
    Buffer->SetDashPattern(frameDashes_);
    Buffer->SetDashCounter(0);
    Buffer->SetDashStep(frameDashStep_);
    Buffer->SetDashCounter(frameDashStart_);
    Buffer->DashedFrame(r.Left, r.Top, r.Right, r.Bottom);
  }
  if (handles_ & gpCorners) {
    if (!(handles_ & gpNoTopLeft)) DrawHandle(*Buffer, r.Left, r.Top);
    if (!(handles_ & gpNoTopRight)) DrawHandle(*Buffer, r.Right, r.Top);
    if (!(handles_ & gpNoBottomLeft)) DrawHandle(*Buffer, r.Left, r.Bottom);
    if (!(handles_ & gpNoBottomRight)) DrawHandle(*Buffer, r.Right, r.Bottom);
  }
  if (handles_ & gpSides) {
    const int cx = static_cast<int>((int64_t{r.Left} + r.Right) / 2);
    const int cy = static_cast<int>((int64_t{r.Top} + r.Bottom) / 2);
    if (!(handles_ & gpNoTop)) DrawHandle(*Buffer, cx, r.Top);
    if (!(handles_ & gpNoLeft)) DrawHandle(*Buffer, r.Left, cy);
    if (!(handles_ & gpNoRight)) DrawHandle(*Buffer, r.Right, cy);
    if (!(handles_ & gpNoBottom)) DrawHandle(*Buffer, cx, r.Bottom);
  }
}

}  // namespace pictavia
