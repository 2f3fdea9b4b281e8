// TCustomImgView32: the scroll bars (placing, ranges, the offsets they give, centring), the
// corner square with the size grip, and TIVScrollProperties.
#include "view/img_view.h"

#include <algorithm>
#include <cstdint>

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSizeGrip>
#include <QWheelEvent>
#include <QWindow>

#include "toolkit/rounding.h"

namespace pictavia {

// --- TIVScrollProperties ---------------------------------------------------------------------

TIVScrollProperties::TIVScrollProperties(TCustomImgView32* ImgView)
    : TArrowBarAccess(ImgView->HorzBar(), ImgView->VertBar()), imgView_(ImgView) {}

int TIVScrollProperties::Increment() const {
  return imgView_->HorzBar()->Increment();
}

void TIVScrollProperties::SetIncrement(int Value) {
  imgView_->HorzBar()->SetIncrement(Value);
  imgView_->VertBar()->SetIncrement(Value);
}

int TIVScrollProperties::Size() const {
  return imgView_->ScrollBarSize();
}

void TIVScrollProperties::SetSize(int Value) {
  imgView_->SetScrollBarSize(Value);
}

TScrollBarVisibility TIVScrollProperties::Visibility() const {
  return imgView_->ScrollBarVisibility();
}

void TIVScrollProperties::SetVisibility(TScrollBarVisibility Value) {
  imgView_->SetScrollBarVisibility(Value);
}

// --- construction ----------------------------------------------------------------------------

TCustomImgView32::TCustomImgView32(QWidget* Parent,
                                   const TRepaintOptimizerFactory& OptimizerFactory)
    : TCustomImage32(Parent, OptimizerFactory) {
  auto makeBar = [this](TScrollBarKind Kind) {
    auto* bar = new TCustomRangeBar(this);  // a child: Qt frees it with the view
    bar->SetBorderStyle(bsNone);
    bar->SetKind(Kind);
    bar->SetKeepCentred(true);
    bar->OnUserChange = [this](TObject* Sender) { BarMoved(Sender); };
    bar->installEventFilter(this);
    return bar;
  };
  horzBar_ = makeBar(sbHorizontal);
  vertBar_ = makeBar(sbVertical);
  centered_ = true;
  SetScaleMode(smScale);
  SetBitmapAlign(baCustom);
  scrollBars_ = std::make_unique<TIVScrollProperties>(this);
  PlaceScrollBars();
}

TCustomImgView32::~TCustomImgView32() {
  scrollBars_.reset();
  // The bars outlive this object by a moment (QWidget frees its children); they must not call
  // back into it.
  horzBar_->OnUserChange = nullptr;
  vertBar_->OnUserChange = nullptr;
  horzBar_->removeEventFilter(this);
  vertBar_->removeEventFilter(this);
}

void TCustomImgView32::Loaded() {
  TCustomImage32::Loaded();
  PlaceScrollBars();
  Invalidate();
  RecomputeScrollRanges();
  if (centered_) CenterOn(Bitmap()->Width() / 2, Bitmap()->Height() / 2);
}

// --- properties ------------------------------------------------------------------------------

void TCustomImgView32::SetCentered(bool Value) {
  centered_ = Value;
  Recentre();
}

void TCustomImgView32::SetScaleMode(TScaleMode Value) {
  TCustomImage32::SetScaleMode(Value);
  Recentre();
}

void TCustomImgView32::SetSizeGrip(TSizeGripStyle Value) {
  if (Value == sizeGrip_) return;
  sizeGrip_ = Value;
  Invalidate();
  update(QRect(CornerRect().Left, CornerRect().Top, CornerRect().Width(), CornerRect().Height()));
}

void TCustomImgView32::SetOverSize(int Value) {
  if (Value == overSize_) return;
  overSize_ = Value;
  // The margin changes what the bars scroll over and where the image sits.
  RecomputeScrollRanges();
  RecomputeOffsets();
  Invalidate();
}

void TCustomImgView32::SetScrollBarSize(int Value) {
  scrollBarSize_ = Value;
  PlaceScrollBars();
  RecomputeOffsets();
}

void TCustomImgView32::SetScrollBarVisibility(TScrollBarVisibility Value) {
  if (Value == scrollBarVisibility_) return;
  scrollBarVisibility_ = Value;
  Resize();
}

// --- the bars --------------------------------------------------------------------------------

bool TCustomImgView32::ScrollBarsVisible() const {
  if (!scrollBars_ || !horzBar_ || !vertBar_) return true;
  switch (scrollBarVisibility_) {
    case svAlways:
      return true;
    case svHidden:
      return false;
    default:
      return horzBar_->EffectiveViewExtent() < horzBar_->ContentExtent() ||
             vertBar_->EffectiveViewExtent() < vertBar_->ContentExtent();
  }
}

int TCustomImgView32::ScrollBarThickness() const {
  if (!ScrollBarsVisible()) return 0;
  if (scrollBarSize_ > 0) return scrollBarSize_;
  return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

TRect TCustomImgView32::ViewArea() const {
  const int s = ScrollBarThickness();
  return Rect(0, 0, width() - s, height() - s);
}

TRect TCustomImgView32::CornerRect() const {
  const int s = ScrollBarThickness();
  if (s <= 0) return TRect{};
  return Rect(width() - s, height() - s, width(), height());
}

void TCustomImgView32::PlaceScrollBars() {
  if (!horzBar_ || !vertBar_) return;
  const TRect vp = ViewArea();
  horzBar_->setGeometry(vp.Left, vp.Bottom, std::max(vp.Width(), 0),
                        std::max(height() - vp.Bottom, 0));
  vertBar_->setGeometry(vp.Right, vp.Top, std::max(width() - vp.Right, 0),
                        std::max(vp.Height(), 0));
  const bool visible = ScrollBarsVisible();
  horzBar_->setVisible(visible);
  vertBar_->setVisible(visible);
  horzBar_->update();
  vertBar_->update();
  // Bars that come or go change the viewport: the buffer must still cover it.
  FitBuffer();
}

void TCustomImgView32::RecomputeScrollRanges() {
  if (!horzBar_ || !vertBar_) return;
  const TSize s = DrawnSize();
  const int64_t m = SaturatedRound(2.0 * overSize_ * Scale());
  horzBar_->SetContentExtent(static_cast<int>(std::clamp<int64_t>(s.cx + m, 0, INT32_MAX)));
  vertBar_->SetContentExtent(static_cast<int>(std::clamp<int64_t>(s.cy + m, 0, INT32_MAX)));
  if (scrollBarVisibility_ == svAuto) PlaceScrollBars();
}

void TCustomImgView32::RecomputeOffsets() {
  if (!horzBar_ || !vertBar_) return;
  const TSize s = DrawnSize();
  const int64_t o = SaturatedRound(static_cast<double>(overSize_) * Scale());
  const TRect view = ViewArea();
  BeginUpdate();
  if (centered_ && view.Width() > s.cx + 2 * o)
    SetOffsetX(static_cast<float>(view.Width() - s.cx) / 2.0f);
  else
    SetOffsetX(static_cast<float>(o) - horzBar_->BarPosition());
  if (centered_ && view.Height() > s.cy + 2 * o)
    SetOffsetY(static_cast<float>(view.Height() - s.cy) / 2.0f);
  else
    SetOffsetY(static_cast<float>(o) - vertBar_->BarPosition());
  DropMapping();
  EndUpdate();
  Changed();
}

void TCustomImgView32::CenterOn(int X, int Y) {
  {
    scrollLock_ = true;
    struct TUnlock {
      bool& Lock;
      ~TUnlock() { Lock = false; }
    } unlock{scrollLock_};
    PlaceScrollBars();
    const double scale = Scale();
    const double o = SaturatedRound(static_cast<double>(overSize_) * scale);
    const TRect view = ViewArea();
    horzBar_->SetBarPosition(static_cast<float>(X * scale - view.Width() / 2.0 + o));
    vertBar_->SetBarPosition(static_cast<float>(Y * scale - view.Height() / 2.0 + o));
  }
  RecomputeOffsets();
}

void TCustomImgView32::BarMoved(TObject* Sender) {
  if (scrollLock_) return;
  if (auto* bar = dynamic_cast<QWidget*>(Sender)) bar->update();
  RecomputeOffsets();
  RaiseScroll();
  // Painted at once, so the picture keeps up with a dragged handle.
  Repaint();
}

void TCustomImgView32::WheelBar(TCustomRangeBar& Bar, int Delta) {
  const float before = Bar.BarPosition();
  Bar.TurnWheel(Delta);
  // The bar does not count a wheel turn as the user's change, so the picture is moved here.
  if (Bar.BarPosition() != before) BarMoved(&Bar);
}

void TCustomImgView32::wheelEvent(QWheelEvent* Event) {
  const QPoint delta = Event->angleDelta();
  if ((Event->modifiers() & Qt::ControlModifier) || delta.isNull()) {
    Event->ignore();
    return;
  }
  const bool across = (Event->modifiers() & Qt::ShiftModifier) || delta.y() == 0;
  WheelBar(across ? *horzBar_ : *vertBar_, delta.y() != 0 ? delta.y() : delta.x());
  Event->accept();
}

bool TCustomImgView32::eventFilter(QObject* Watched, QEvent* Event) {
  if (Event->type() == QEvent::Wheel && (Watched == horzBar_ || Watched == vertBar_)) {
    const QPoint delta = static_cast<QWheelEvent*>(Event)->angleDelta();
    WheelBar(*static_cast<TCustomRangeBar*>(Watched), delta.y() != 0 ? delta.y() : delta.x());
    Event->accept();
    return true;
  }
  return TCustomImage32::eventFilter(Watched, Event);
}

void TCustomImgView32::RaiseScroll() {
  if (OnScroll) OnScroll(this);
}

void TCustomImgView32::Recentre() {
  DropMapping();
  horzBar_->SetKeepCentred(centered_);
  vertBar_->SetKeepCentred(centered_);
  RecomputeScrollRanges();
  RecomputeOffsets();
  if (centered_)
    CenterOn(Bitmap()->Width() / 2, Bitmap()->Height() / 2);
  else
    CenterOn(0, 0);
}

// --- reactions -------------------------------------------------------------------------------

void TCustomImgView32::ScaleChanged() {
  TCustomImage32::ScaleChanged();
  DropMapping();
  // With KeepCentred the bars keep the middle of what is seen, so a zoom stays centred.
  RecomputeScrollRanges();
  RecomputeOffsets();
  Invalidate();
}

void TCustomImgView32::BitmapResized() {
  TCustomImage32::BitmapResized();
  RecomputeScrollRanges();
  if (centered_) {
    CenterOn(Bitmap()->Width() / 2, Bitmap()->Height() / 2);
  } else {
    horzBar_->SetBarPosition(0);
    vertBar_->SetBarPosition(0);
    RecomputeOffsets();
  }
}

void TCustomImgView32::Resize() {
  PlaceScrollBars();
  const TRect corner = CornerRect();
  if (!IsRectEmpty(corner)) update(QRect(corner.Left, corner.Top, corner.Width(), corner.Height()));
  DropMapping();
  RecomputeScrollRanges();
  RecomputeOffsets();
  Invalidate();
  TCustomImage32::Resize();
}

// --- the corner and the size grip ------------------------------------------------------------

bool TCustomImgView32::SizeGripVisible() const {
  if (ScrollBarThickness() <= 0) return false;
  switch (sizeGrip_) {
    case sgAlways:
      return true;
    case sgNone:
      return false;
    default: {
      const QWidget* w = window();
      return mapTo(w, QPoint(width(), height())) == QPoint(w->width(), w->height());
    }
  }
}

void TCustomImgView32::Paint() {
  const TRect corner = CornerRect();
  if (!IsRectEmpty(corner)) {
    QPainter& painter = *Painter();
    const QRect r(corner.Left, corner.Top, corner.Width(), corner.Height());
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillRect(r, ToQColor(clBtnFace));
    if (SizeGripVisible()) {
      QStyleOptionSizeGrip option;
      option.initFrom(this);
      option.rect = r;
      option.corner = Qt::BottomRightCorner;
      style()->drawControl(QStyle::CE_SizeGrip, &option, &painter, this);
    }
  }
  TCustomImage32::Paint();
}

void TCustomImgView32::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (SizeGripVisible() && PtInRect(CornerRect(), Point(X, Y))) {
    // The grip resizes the window; the press is not the layers'.
    if (Button != mbLeft) return;
    QWidget* w = window();
    QWindow* handle = w->windowHandle();
    if (!handle || !handle->startSystemResize(Qt::BottomEdge | Qt::RightEdge)) {
      gripDragging_ = true;
      gripStart_ = mapToGlobal(QPoint(X, Y));
      gripStartSize_ = w->size();
    }
    return;
  }
  TCustomImage32::MouseDown(Button, Shift, X, Y);
}

void TCustomImgView32::MouseMove(TShiftState Shift, int X, int Y) {
  if (gripDragging_) {
    const QPoint delta = mapToGlobal(QPoint(X, Y)) - gripStart_;
    window()->resize(gripStartSize_ + QSize(delta.x(), delta.y()));
    return;
  }
  TCustomImage32::MouseMove(Shift, X, Y);
  if (SizeGripVisible() && PtInRect(CornerRect(), Point(X, Y)))
    setCursor(QCursor(Qt::SizeFDiagCursor));
}

void TCustomImgView32::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (gripDragging_) {
    if (Button == mbLeft) gripDragging_ = false;
    return;
  }
  TCustomImage32::MouseUp(Button, Shift, X, Y);
}

TPoint ViewCentre(TCustomImgView32& View) {
  const TRect area = View.ViewArea();
  return View.ViewToBitmap((area.Left + area.Right) / 2, (area.Top + area.Bottom) / 2);
}

}  // namespace pictavia
