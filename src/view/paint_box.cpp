// TCustomPaintBox32: buffer sizing with slack, the repaint modes, invalidation through a posted
// paint request, the copy of the buffer to the screen, overlays and the input translation.
#include "view/paint_box.h"

#include <algorithm>
#include <cmath>

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include "toolkit/rounding.h"
#include "view/internal/micro_tiles_optimizer.h"

namespace pictavia {

namespace {

// The event the control posts to itself to paint only what the optimizer found damaged.
QEvent::Type PaintMessageType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

int ToCoordinate(qreal Value) {
  return SaturatedFloor(Value);
}

}  // namespace

// --- input translation -----------------------------------------------------------------------

bool ToMouseButton(Qt::MouseButton Button, TMouseButton& Result) {
  switch (Button) {
    case Qt::LeftButton:
      Result = mbLeft;
      return true;
    case Qt::RightButton:
      Result = mbRight;
      return true;
    case Qt::MiddleButton:
      Result = mbMiddle;
      return true;
    default:
      return false;
  }
}

TShiftState ToShiftState(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons,
                         bool DoubleClick) {
  TShiftState s = 0;
  if (Modifiers & Qt::ShiftModifier) s |= ssShift;
  if (Modifiers & Qt::AltModifier) s |= ssAlt;
  if (Modifiers & Qt::ControlModifier) s |= ssCtrl;
  if (Buttons & Qt::LeftButton) s |= ssLeft;
  if (Buttons & Qt::RightButton) s |= ssRight;
  if (Buttons & Qt::MiddleButton) s |= ssMiddle;
  if (DoubleClick) s |= ssDouble;
  return s;
}

Qt::CursorShape ToCursorShape(TCursor Cursor) {
  switch (Cursor) {
    case crNone:
      return Qt::BlankCursor;
    case crCross:
      return Qt::CrossCursor;
    case crIBeam:
      return Qt::IBeamCursor;
    case crSizeNESW:
      return Qt::SizeBDiagCursor;
    case crSizeNS:
      return Qt::SizeVerCursor;
    case crSizeNWSE:
      return Qt::SizeFDiagCursor;
    case crSizeWE:
      return Qt::SizeHorCursor;
    case crUpArrow:
      return Qt::UpArrowCursor;
    case crHourGlass:
      return Qt::WaitCursor;
    case crDrag:
      return Qt::DragMoveCursor;
    case crMultiDrag:
      return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo:
      return Qt::ForbiddenCursor;
    case crHSplit:
      return Qt::SplitHCursor;
    case crVSplit:
      return Qt::SplitVCursor;
    case crAppStart:
      return Qt::BusyCursor;
    case crHelp:
      return Qt::WhatsThisCursor;
    case crHandPoint:
      return Qt::PointingHandCursor;
    case crSizeAll:
      return Qt::SizeAllCursor;
    default:
      return Qt::ArrowCursor;
  }
}

// --- construction ----------------------------------------------------------------------------

TCustomPaintBox32::TCustomPaintBox32(QWidget* Parent,
                                     const TRepaintOptimizerFactory& OptimizerFactory)
    : QWidget(Parent),
      buffer_(std::make_unique<TBitmap32>()),
      damageRects_(std::make_unique<TRectList>()) {
  if (OptimizerFactory) optimizer_ = OptimizerFactory(buffer_.get(), damageRects_.get());
  if (!optimizer_)
    optimizer_ = std::make_unique<TMicroTilesRepaintOptimizer>(buffer_.get(), damageRects_.get());
  // Every pixel of the viewport comes from the buffer: nothing is erased before a paint.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  // Layers under a hovering mouse get moves too.
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
  resize(192, 192);
}

TCustomPaintBox32::~TCustomPaintBox32() {
  buffer_->OnAreaChanged = nullptr;
}

// --- properties ------------------------------------------------------------------------------

void TCustomPaintBox32::SetRepaintMode(TRepaintMode Mode) {
  if (!optimizer_) return;
  switch (Mode) {
    case rmOptimizer:
      buffer_->OnAreaChanged = [this](TObject* Sender, const TRect& Area, uint32_t Info) {
        optimizer_->AreaDamaged(Sender, Area, Info);
      };
      break;
    case rmDirect:
      buffer_->OnAreaChanged = [this](TObject*, const TRect& Area, uint32_t) {
        BufferDirectAreaChanged(Area);
      };
      break;
    default:
      buffer_->OnAreaChanged = nullptr;
      break;
  }
  optimizer_->SetEnabled(Mode == rmOptimizer);
  repaintMode_ = Mode;
  Invalidate();
}

void TCustomPaintBox32::SetColor(TColor Value) {
  if (Value == color_) return;
  color_ = Value;
  // The colour shows wherever the background does, so no partial repaint will do.
  DamageAll();
}

void TCustomPaintBox32::SetCursor(TCursor Value) {
  cursor_ = Value;
  setCursor(QCursor(ToCursorShape(Value)));
}

void TCustomPaintBox32::SetTabStop(bool Value) {
  tabStop_ = Value;
  // A press takes the focus through MouseDown, so Qt's own click focus stays off.
  setFocusPolicy(Value ? Qt::TabFocus : Qt::NoFocus);
}

bool TCustomPaintBox32::CanFocus() const {
  return isEnabled() && isVisible();
}

// --- repainting ------------------------------------------------------------------------------

bool TCustomPaintBox32::PartialRepaintPossible() {
  return optimizer_->Enabled() && !fullRepaintPending_ && optimizer_->DamagePending();
}

bool TCustomPaintBox32::HasDamageRects() {
  return true;
}

void TCustomPaintBox32::CollectDamageRects() {
  if (optimizer_->Enabled() && !fullRepaintPending_) optimizer_->ComputeDamage();
}

void TCustomPaintBox32::RepaintBuffer() {
  if (fullRepaintPending_) {
    damageRects_->Clear();
    fullRepaintPending_ = false;
  } else {
    CollectDamageRects();
  }
  bufferCurrent_ = true;
}

TRect TCustomPaintBox32::ViewArea() const {
  return Rect(0, 0, width(), height());
}

void TCustomPaintBox32::DamageAll() {
  if (optimizer_->Enabled()) optimizer_->Reset();
  fullRepaintPending_ = true;
  Invalidate();
}

void TCustomPaintBox32::Invalidate() {
  bufferCurrent_ = false;
  InvalidateWindow();
}

void TCustomPaintBox32::InvalidateWindow() {
  if (PartialRepaintPossible() && isVisible()) {
    // The damage is collected when the request arrives, so changes made meanwhile join it.
    if (!paintPosted_) {
      paintPosted_ = true;
      QCoreApplication::postEvent(this, new QEvent(PaintMessageType()));
    }
  } else {
    update();
  }
}

void TCustomPaintBox32::Repaint() {
  Invalidate();
  RepaintNow();
}

void TCustomPaintBox32::RepaintNow(const std::vector<TRect>& Rects) {
  if (InCustomPaint()) {
    // Qt refuses a recursive repaint; the next paint takes the request.
    update();
    return;
  }
  if (!isVisible()) return;
  if (Rects.empty()) {
    repaint();
    return;
  }
  QRegion region;
  for (const TRect& r : Rects)
    if (!IsRectEmpty(r)) region += QRect(r.Left, r.Top, r.Width(), r.Height());
  if (!region.isEmpty()) repaint(region);
}

void TCustomPaintBox32::PaintMessage() {
  paintPosted_ = false;
  if (PartialRepaintPossible()) {
    if (HasDamageRects()) {
      std::vector<TRect> rects;
      for (int i = 0; i < damageRects_->Count(); ++i) rects.push_back(*damageRects_->Items(i));
      RepaintNow(rects);
    } else {
      update();
    }
  } else if (!bufferCurrent_) {
    // The damage went away meanwhile (a paint took it, or a full repaint was asked for).
    update();
  }
}

void TCustomPaintBox32::BufferDirectAreaChanged(const TRect& Area) {
  damageRects_->Add(Area);
  if (!InCustomPaint()) Repaint();
}

void TCustomPaintBox32::FitBuffer() {
  const TRect view = ViewArea();
  auto fit = [](int v, int b) {
    v = std::max(v, 0);
    int n;
    if (v > b)
      n = v + BufferSlack;
    else if (v >= b - BufferSlack)
      n = b;
    else
      n = v;
    return n <= 0 ? 1 : n;
  };
  const int oldWidth = buffer_->Width(), oldHeight = buffer_->Height();
  const int newWidth = fit(view.Width(), oldWidth), newHeight = fit(view.Height(), oldHeight);
  if (newWidth == oldWidth && newHeight == oldHeight) return;
  {
    TBitmapLock lock(*buffer_);
    // DamageAll below covers the change; no area of the resize is reported.
    buffer_->BeginUpdate();
    try {
      buffer_->SetSize(newWidth, newHeight);
    } catch (...) {
      buffer_->EndUpdate();
      throw;
    }
    buffer_->EndUpdate();
  }
  BufferResized(oldWidth, oldHeight);
  DamageAll();
}

void TCustomPaintBox32::BufferResized(int, int) {
  if (optimizer_->Enabled()) optimizer_->BufferSizeNoted(buffer_->Width(), buffer_->Height());
}

void TCustomPaintBox32::Resize() {
  FitBuffer();
  bufferCurrent_ = false;
  if (OnResize) OnResize(this);
}

void TCustomPaintBox32::Loaded() {
  loaded_ = true;
}

// --- the copy to the screen ------------------------------------------------------------------

void TCustomPaintBox32::Paint() {
  if (optimizer_->Enabled()) optimizer_->BeginPaint();
  if (!bufferCurrent_) RepaintBuffer();
  if (!buffer_->Empty()) {
    TBitmapLock lock(*buffer_);
    if (damageRects_->Count() == 0) {
      CopyToScreen(ViewArea());
    } else {
      for (int i = 0; i < damageRects_->Count(); ++i) CopyToScreen(*damageRects_->Items(i));
    }
  }
  if (HasOverlay()) PaintOverlayToScreen();
  if (optimizer_->Enabled()) optimizer_->EndPaint();
  damageRects_->Clear();
  fullRepaintPending_ = false;
}

void TCustomPaintBox32::CopyToScreen(const TRect& R) {
  // Damage may reach past the viewport (the buffer has slack); what lies beyond it, such as the
  // view's corner between its bars, is not the buffer's to draw.
  TRect r;
  if (!IntersectRect(r, R, buffer_->BoundsRect()) || !IntersectRect(r, r, ViewArea()) ||
      IsRectEmpty(r))
    return;
  // A view of the buffer, not a copy; the fourth byte of each pixel is not shown.
  const QImage image(reinterpret_cast<const uchar*>(buffer_->Bits()), buffer_->Width(),
                     buffer_->Height(), buffer_->Width() * 4, QImage::Format_RGB32);
  painter_->setCompositionMode(QPainter::CompositionMode_Source);
  painter_->drawImage(QPoint(r.Left, r.Top), image, QRect(r.Left, r.Top, r.Width(), r.Height()));
}

void TCustomPaintBox32::PaintOverlayToScreen() {
  TRect view;
  if (!IntersectRect(view, ViewArea(), buffer_->BoundsRect()) || IsRectEmpty(view)) {
    PaintOverlay();
    return;
  }
  // The overlay draws on what the screen shows: a copy of the viewport, put back afterwards.
  const int w = view.Right, h = view.Bottom;
  overlayPixels_.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
  {
    TBitmapLock lock(*buffer_);
    for (int y = 0; y < h; ++y)
      std::copy_n(buffer_->RowAddress(y), w, overlayPixels_.data() + static_cast<size_t>(y) * w);
  }
  overlayCanvas_ = std::make_unique<TCanvas>();
  overlayCanvas_->SetSurface(overlayPixels_.data(), w, h);
  struct TDropCanvas {
    std::unique_ptr<TCanvas>& Canvas;
    ~TDropCanvas() { Canvas.reset(); }
  } drop{overlayCanvas_};
  PaintOverlay();
  const QImage image(reinterpret_cast<const uchar*>(overlayPixels_.data()), w, h, w * 4,
                     QImage::Format_RGB32);
  painter_->setCompositionMode(QPainter::CompositionMode_Source);
  painter_->drawImage(QPoint(0, 0), image);
}

void TCustomPaintBox32::PaintOverlay() {
  if (OnGDIOverlay) OnGDIOverlay(this);
}

// --- Qt events -------------------------------------------------------------------------------

bool TCustomPaintBox32::event(QEvent* Event) {
  if (Event->type() == PaintMessageType()) {
    PaintMessage();
    return true;
  }
  return QWidget::event(Event);
}

void TCustomPaintBox32::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter_ = &painter;
  struct TEndPaint {
    QPainter*& Painter;
    ~TEndPaint() { Painter = nullptr; }
  } end{painter_};
  Paint();
}

void TCustomPaintBox32::resizeEvent(QResizeEvent*) {
  Resize();
}

void TCustomPaintBox32::showEvent(QShowEvent* Event) {
  if (!loaded_) Loaded();
  QWidget::showEvent(Event);
}

void TCustomPaintBox32::mousePressEvent(QMouseEvent* Event) {
  TMouseButton button;
  if (!ToMouseButton(Event->button(), button)) {
    QWidget::mousePressEvent(Event);
    return;
  }
  // The event stays accepted, so Qt's implicit grab keeps the mouse with this control until
  // the last button comes up: that grab is the capture the layers rely on while dragging.
  MouseDown(button, ToShiftState(Event->modifiers(), Event->buttons()),
            ToCoordinate(Event->position().x()), ToCoordinate(Event->position().y()));
}

void TCustomPaintBox32::mouseDoubleClickEvent(QMouseEvent* Event) {
  TMouseButton button;
  if (!ToMouseButton(Event->button(), button)) {
    QWidget::mouseDoubleClickEvent(Event);
    return;
  }
  // Qt sends the second press of a double click as this event alone.
  MouseDown(button, ToShiftState(Event->modifiers(), Event->buttons(), true),
            ToCoordinate(Event->position().x()), ToCoordinate(Event->position().y()));
}

void TCustomPaintBox32::mouseMoveEvent(QMouseEvent* Event) {
  MouseMove(ToShiftState(Event->modifiers(), Event->buttons()), ToCoordinate(Event->position().x()),
            ToCoordinate(Event->position().y()));
}

void TCustomPaintBox32::mouseReleaseEvent(QMouseEvent* Event) {
  TMouseButton button;
  if (!ToMouseButton(Event->button(), button)) {
    QWidget::mouseReleaseEvent(Event);
    return;
  }
  MouseUp(button, ToShiftState(Event->modifiers(), Event->buttons()),
          ToCoordinate(Event->position().x()), ToCoordinate(Event->position().y()));
}

void TCustomPaintBox32::enterEvent(QEnterEvent*) {
  MouseEnter();
}

void TCustomPaintBox32::leaveEvent(QEvent*) {
  MouseLeave();
}

// --- handlers --------------------------------------------------------------------------------

void TCustomPaintBox32::MouseEnter() {
  mouseInside_ = true;
  if (OnMouseEnter) OnMouseEnter(this);
}

void TCustomPaintBox32::MouseLeave() {
  mouseInside_ = false;
  if (OnMouseLeave) OnMouseLeave(this);
}

void TCustomPaintBox32::MouseDown(TMouseButton, TShiftState, int, int) {
  if ((options_ & FocusOnClick) && CanFocus()) setFocus(Qt::MouseFocusReason);
}

void TCustomPaintBox32::MouseMove(TShiftState, int, int) {}

void TCustomPaintBox32::MouseUp(TMouseButton, TShiftState, int, int) {}

}  // namespace pictavia
