// The range bar (extents, float position, keeping the centre) and the gauge bar (integer
// interval): their handle geometry, auto-repeat steps, handle drags and wheel.
#include "view/range_bars.h"

#include <algorithm>
#include <cstdint>

#include "toolkit/rounding.h"

namespace pictavia {

// --- TCustomRangeBar ---------------------------------------------------------------------------

TCustomRangeBar::TCustomRangeBar(QWidget* Parent) : TArrowBar(Parent) {
  effectiveViewExtent_ = ComputeViewExtent();
}

int TCustomRangeBar::ComputeViewExtent() const {
  return viewExtent_ > 0 ? viewExtent_ : std::max(0, Kind() == sbHorizontal ? width() : height());
}

void TCustomRangeBar::ClampPosition() const {
  const float last =
      static_cast<float>(static_cast<int64_t>(contentExtent_) - effectiveViewExtent_);
  // Written so that a NaN ends up inside the range too.
  if (!(barPosition_ <= last)) barPosition_ = last;
  if (!(barPosition_ >= 0)) barPosition_ = 0;
}

void TCustomRangeBar::ApplyExtents(int OldContent, int OldView) const {
  const int view = ComputeViewExtent();
  if (keepCentred_ && view < contentExtent_) {
    const double centre =
        OldView < OldContent && OldContent != 0 ? (OldView * 0.5 + barPosition_) / OldContent : 0.5;
    barPosition_ = static_cast<float>(contentExtent_ * centre - view * 0.5);
  }
  effectiveViewExtent_ = view;
  ClampPosition();
}

void TCustomRangeBar::SyncViewExtent() const {
  if (ComputeViewExtent() != effectiveViewExtent_)
    ApplyExtents(contentExtent_, effectiveViewExtent_);
}

void TCustomRangeBar::GeometryChanged() {
  if (ComputeViewExtent() == effectiveViewExtent_) return;
  ApplyExtents(contentExtent_, effectiveViewExtent_);
  update();
}

void TCustomRangeBar::SetExtents(int Content, int View) {
  Content = std::max(Content, 0);
  View = std::max(View, 0);
  if (Content == contentExtent_ && View == viewExtent_) return;
  const int oldContent = contentExtent_;
  const int oldView = effectiveViewExtent_;
  contentExtent_ = Content;
  viewExtent_ = View;
  ApplyExtents(oldContent, oldView);
  update();
}

void TCustomRangeBar::SetBarPosition(float Value) {
  SyncViewExtent();
  if (Value == barPosition_) return;
  const float old = barPosition_;
  barPosition_ = Value;
  ClampPosition();
  if (barPosition_ != old) {
    update();
    NotifyChange();
  }
}

TRect TCustomRangeBar::HandleRect() const {
  SyncViewExtent();
  const TRect T = GetTrackRect();
  const bool horz = Kind() == sbHorizontal;
  const int t = horz ? T.Width() : T.Height();
  if (t <= 17) return TRect{};
  const int64_t E = contentExtent_;
  const int64_t V = effectiveViewExtent_;
  if (V >= E) return T;
  int start = 0;
  int length = SaturatedRound(static_cast<double>(t) * V / E);
  if (length <= 16) {
    length = 17;
    start = SaturatedRound(static_cast<double>(t - 17) * barPosition_ / static_cast<double>(E - V));
  } else {
    start = SaturatedRound(static_cast<double>(barPosition_) * t / E);
  }
  TRect H = T;
  if (horz) {
    H.Left = T.Left + start;
    H.Right = H.Left + length;
  } else {
    H.Top = T.Top + start;
    H.Bottom = H.Top + length;
  }
  return H;
}

bool TCustomRangeBar::DrawEnabled() const {
  SyncViewExtent();
  return isEnabled() && effectiveViewExtent_ < contentExtent_;
}

void TCustomRangeBar::TimerTick() {
  SyncViewExtent();
  TUserChange change(*this);
  const float old = barPosition_;
  const float view = static_cast<float>(effectiveViewExtent_);
  switch (dragZone_) {
    case ZonePrevButton:
    case ZoneNextButton:
      SetBarPosition(barPosition_ + (dragZone_ == ZonePrevButton ? -increment_ : increment_));
      // At an end the repeat has nothing left to do; the bar just follows the pointer.
      if (barPosition_ == old) StartHotTracking();
      break;
    case ZonePrevTrack:
    case ZoneNextTrack: {
      // Paging stops once the handle has come to the pointer.
      const TPoint p = ClampedPointer();
      const TRBZone zone = ZoneAt(p.X, p.Y);
      if (dragZone_ == ZonePrevTrack && (zone == ZonePrevButton || zone == ZonePrevTrack))
        SetBarPosition(barPosition_ - view);
      else if (dragZone_ == ZoneNextTrack && (zone == ZoneNextTrack || zone == ZoneNextButton))
        SetBarPosition(barPosition_ + view);
      break;
    }
    case ZoneNone:
    case ZoneHandle:
      break;
  }
}

void TCustomRangeBar::MouseDown(Qt::MouseButton Button, int X, int Y) {
  if (Button != Qt::LeftButton) return;
  SyncViewExtent();
  if (effectiveViewExtent_ >= contentExtent_) {
    // Nothing to scroll.
    dragZone_ = ZoneNone;
    return;
  }
  TArrowBar::MouseDown(Button, X, Y);
  if (dragZone_ == ZoneHandle) {
    StartHotTracking();
    posBeforeDrag_ = barPosition_;
  }
}

void TCustomRangeBar::MouseMove(int X, int Y) {
  TArrowBar::MouseMove(X, Y);
  if (dragZone_ != ZoneHandle) return;
  SyncViewExtent();
  const int64_t E = contentExtent_;
  const int64_t V = effectiveViewExtent_;
  if (E <= V) return;
  // The track length, so that the handle follows the pointer pixel for pixel.
  const TRect T = GetTrackRect();
  const int64_t L = Kind() == sbHorizontal ? T.Width() : T.Height();
  const int d = Along(TPoint{X, Y}) - Along(DownPoint());
  TUserChange change(*this);
  if (SaturatedRound(static_cast<double>(V) * L / E) > 16)
    SetBarPosition(static_cast<float>(posBeforeDrag_ + static_cast<double>(E) * d / L));
  else if (L > 17)
    SetBarPosition(posBeforeDrag_ + SaturatedRound(static_cast<double>(d) * (E - V) / (L - 17)));
}

bool TCustomRangeBar::DoMouseWheel(int WheelDelta) {
  // A wheel turned away from the user shows what lies above or to the left, as every scroll
  // bar does: the position goes down.
  SetBarPosition(
      static_cast<float>(BarPosition() - static_cast<double>(WheelDelta) * increment_ / 120));
  return true;
}

// --- TCustomGaugeBar ---------------------------------------------------------------------------

void TCustomGaugeBar::SetMin(int Value) {
  if (Value >= max_) Value = max_ - 1;
  if (Value == min_) return;
  min_ = Value;
  SetPosition(position_);
  update();
}

void TCustomGaugeBar::SetMax(int Value) {
  if (Value <= min_) Value = min_ + 1;
  if (Value == max_) return;
  max_ = Value;
  SetPosition(position_);
  update();
}

void TCustomGaugeBar::SetPosition(int Value) {
  Value = std::clamp(Value, min_, max_);
  if (Value == position_) return;
  position_ = Value;
  update();
  NotifyChange();
}

void TCustomGaugeBar::SetPosition64(int64_t Value) {
  SetPosition(static_cast<int>(std::clamp<int64_t>(Value, min_, max_)));
}

void TCustomGaugeBar::SetHandleSize(int Value) {
  Value = std::max(Value, 0);
  if (Value == handleSize_) return;
  handleSize_ = Value;
  update();
}

int TCustomGaugeBar::EffectiveHandleSize(int TrackLength) const {
  int h = handleSize_ != 0 ? handleSize_ : ClientBreadth();
  if (!(TrackLength - h > 0)) h = TrackLength - 1;
  return std::max(h, 0);
}

TRect TCustomGaugeBar::HandleRect() const {
  const TRect T = GetTrackRect();
  const bool horz = Kind() == sbHorizontal;
  const int t = horz ? T.Width() : T.Height();
  const int h = EffectiveHandleSize(t);
  const int start =
      SaturatedRound(static_cast<double>(t - h) * (static_cast<int64_t>(position_) - min_) /
                     static_cast<double>(static_cast<int64_t>(max_) - min_));
  TRect H = T;
  if (horz) {
    H.Left = T.Left + start;
    H.Right = H.Left + h;
  } else {
    H.Top = T.Top + start;
    H.Bottom = H.Top + h;
  }
  return H;
}

void TCustomGaugeBar::TimerTick() {
  TUserChange change(*this);
  const int old = position_;
  switch (dragZone_) {
    case ZonePrevButton:
    case ZoneNextButton:
      SetPosition64(static_cast<int64_t>(position_) +
                    (dragZone_ == ZonePrevButton ? -smallChange_ : smallChange_));
      // At an end the repeat has nothing left to do; the bar just follows the pointer.
      if (position_ == old) StartHotTracking();
      break;
    case ZonePrevTrack:
    case ZoneNextTrack: {
      // Paging stops once the handle has come to the pointer.
      const TPoint p = ClampedPointer();
      const TRBZone zone = ZoneAt(p.X, p.Y);
      if (dragZone_ == ZonePrevTrack && (zone == ZonePrevButton || zone == ZonePrevTrack))
        SetPosition64(static_cast<int64_t>(position_) - largeChange_);
      else if (dragZone_ == ZoneNextTrack && (zone == ZoneNextTrack || zone == ZoneNextButton))
        SetPosition64(static_cast<int64_t>(position_) + largeChange_);
      break;
    }
    case ZoneNone:
    case ZoneHandle:
      break;
  }
}

void TCustomGaugeBar::MouseDown(Qt::MouseButton Button, int X, int Y) {
  TArrowBar::MouseDown(Button, X, Y);
  if (Button == Qt::LeftButton && dragZone_ == ZoneHandle) {
    StartHotTracking();
    posBeforeDrag_ = static_cast<float>(position_);
  }
}

void TCustomGaugeBar::MouseMove(int X, int Y) {
  TArrowBar::MouseMove(X, Y);
  if (dragZone_ != ZoneHandle) return;
  const TRect T = GetTrackRect();
  const int t = Kind() == sbHorizontal ? T.Width() : T.Height();
  const int travel = t - EffectiveHandleSize(t);
  // The bar may have shrunk under the dragged handle.
  if (travel <= 0) return;
  const int d = Along(TPoint{X, Y}) - Along(DownPoint());
  TUserChange change(*this);
  SetPosition(SaturatedRound(posBeforeDrag_ + static_cast<double>(d) *
                                                  (static_cast<int64_t>(max_) - min_) / travel));
}

bool TCustomGaugeBar::DoMouseWheel(int WheelDelta) {
  SetPosition64(static_cast<int64_t>(position_) +
                static_cast<int64_t>(WheelDelta) * smallChange_ / 120);
  return true;
}

}  // namespace pictavia
