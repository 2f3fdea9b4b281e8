// The two bars built on TArrowBar: the range bar (a scroll bar over a float position within a
// content extent, used by the image view) and the gauge bar (a slider over an integer interval).
#pragma once

#include "view/arrow_bar.h"

namespace pictavia {

class TCustomRangeBar : public TArrowBar {
  Q_OBJECT

 public:
  explicit TCustomRangeBar(QWidget* Parent = nullptr);
  const char* ClassName() const override { return "TCustomRangeBar"; }

  // The size of what is scrolled.
  int ContentExtent() const { return contentExtent_; }
  // Keeps the view extent as set.
  void SetContentExtent(int Value) { SetExtents(Value, viewExtent_); }
  // The view extent as set; 0 means the bar's own length.
  int ViewExtent() const { return viewExtent_; }
  void SetViewExtent(int Value) { SetExtents(contentExtent_, Value); }
  // The view extent in use: as set when above 0, else the bar's width (or height, vertical).
  int EffectiveViewExtent() const {
    SyncViewExtent();
    return effectiveViewExtent_;
  }
  // Sets both extents at once; clamps the position (keeping the centre with KeepCentred) and
  // repaints, without notifying.
  void SetExtents(int Content, int View);

  // The offset of the view in the content, within [0, ContentExtent - EffectiveViewExtent].
  float BarPosition() const {
    SyncViewExtent();
    return barPosition_;
  }
  void SetBarPosition(float Value);
  // The step of the arrow buttons and of one wheel notch.
  int Increment() const { return increment_; }
  void SetIncrement(int Value) { increment_ = Value; }
  bool KeepCentred() const { return keepCentred_; }
  void SetKeepCentred(bool Value) { keepCentred_ = Value; }

  TRect HandleRect() const override;
  bool DrawEnabled() const override;

 protected:
  void TimerTick() override;
  void MouseDown(Qt::MouseButton Button, int X, int Y) override;
  void MouseMove(int X, int Y) override;
  bool DoMouseWheel(int WheelDelta) override;
  void GeometryChanged() override;

 private:
  int ComputeViewExtent() const;
  // Takes on the effective view extent after a change of the extents or of the bar's size,
  // keeping the centre of the view with KeepCentred, and clamps the position (no notification).
  void ApplyExtents(int OldContent, int OldView) const;
  // Qt reports the resizing of a hidden widget only when it is shown; the view extent follows
  // the size at once, so every reader catches up first.
  void SyncViewExtent() const;
  void ClampPosition() const;

  int contentExtent_ = 0;
  int viewExtent_ = 0;
  mutable int effectiveViewExtent_ = 0;
  mutable float barPosition_ = 0;
  int increment_ = 8;
  bool keepCentred_ = false;
  float posBeforeDrag_ = 0;
};

class TCustomGaugeBar : public TArrowBar {
  Q_OBJECT

 public:
  explicit TCustomGaugeBar(QWidget* Parent = nullptr) : TArrowBar(Parent) {}
  const char* ClassName() const override { return "TCustomGaugeBar"; }

  int Min() const { return min_; }
  // At or above Max it becomes Max - 1.
  void SetMin(int Value);
  int Max() const { return max_; }
  // At or below Min it becomes Min + 1.
  void SetMax(int Value);
  int Position() const { return position_; }
  // Clamped into [Min, Max]; a change repaints and notifies.
  void SetPosition(int Value);
  int SmallChange() const { return smallChange_; }
  void SetSmallChange(int Value) { smallChange_ = std::max(Value, 1); }
  int LargeChange() const { return largeChange_; }
  void SetLargeChange(int Value) { largeChange_ = std::max(Value, 1); }
  // The handle length; 0 means the bar's breadth.
  int HandleSize() const { return handleSize_; }
  void SetHandleSize(int Value);

  TRect HandleRect() const override;

 protected:
  void TimerTick() override;
  void MouseDown(Qt::MouseButton Button, int X, int Y) override;
  void MouseMove(int X, int Y) override;
  bool DoMouseWheel(int WheelDelta) override;

 private:
  // The handle length actually used for a track of length TrackLength.
  int EffectiveHandleSize(int TrackLength) const;
  void SetPosition64(int64_t Value);

  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  int smallChange_ = 1;
  int largeChange_ = 1;
  int handleSize_ = 0;
  float posBeforeDrag_ = 0;
};

class TGaugeBar : public TCustomGaugeBar {
  Q_OBJECT

 public:
  explicit TGaugeBar(QWidget* Parent = nullptr) : TCustomGaugeBar(Parent) {}
  const char* ClassName() const override { return "TGaugeBar"; }
};

}  // namespace pictavia
