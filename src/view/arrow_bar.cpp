// TArrowBar: properties, geometry and hit test, mouse and timer handling, and the drawing of
// both looks (rbsMac by hand, rbsDefault through the widget style's scroll-bar parts).
#include "view/arrow_bar.h"

#include <algorithm>
#include <cmath>

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>

#include "toolkit/rounding.h"

namespace pictavia {

namespace {

template <typename T>
bool Assign(T& Field, T Value) {
  if (Field == Value) return false;
  Field = Value;
  return true;
}

int ClampByte(int V) {
  return std::clamp(V, 0, 255);
}

QRect ToQRect(const TRect& R, const QPoint& Origin) {
  return QRect(R.Left + Origin.x(), R.Top + Origin.y(), R.Width(), R.Height());
}

}  // namespace

TArrowBar::TArrowBar(QWidget* Parent) : QWidget(Parent) {
  // Every pixel is painted, so Qt need not clear the background first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  resize(100, 16);
  connect(&timer_, &QTimer::timeout, this, [this] { TimerHandler(); });
}

TArrowBar::~TArrowBar() = default;

// --- properties --------------------------------------------------------------------------------

void TArrowBar::SetColor(TColor Value) {
  if (Assign(color_, Value)) Changed();
}
void TArrowBar::SetBackgnd(TRBBackgnd Value) {
  if (Assign(backgnd_, Value)) Changed();
}
void TArrowBar::SetBorderStyle(TBorderStyle Value) {
  if (Assign(borderStyle_, Value)) {
    GeometryChanged();
    Changed();
  }
}
void TArrowBar::SetButtonSize(int Value) {
  if (Assign(buttonSize_, Value)) Changed();
}
void TArrowBar::SetHandleColor(TColor Value) {
  if (Assign(handleColor_, Value)) Changed();
}
void TArrowBar::SetButtonColor(TColor Value) {
  if (Assign(buttonColor_, Value)) Changed();
}
void TArrowBar::SetHighLightColor(TColor Value) {
  if (Assign(highLightColor_, Value)) Changed();
}
void TArrowBar::SetShadowColor(TColor Value) {
  if (Assign(shadowColor_, Value)) Changed();
}
void TArrowBar::SetBorderColor(TColor Value) {
  if (Assign(borderColor_, Value)) Changed();
}
void TArrowBar::SetKind(TScrollBarKind Value) {
  if (Assign(kind_, Value)) {
    updateGeometry();
    GeometryChanged();
    Changed();
  }
}
void TArrowBar::SetShowArrows(bool Value) {
  if (Assign(showArrows_, Value)) Changed();
}
void TArrowBar::SetShowHandleGrip(bool Value) {
  if (Assign(showHandleGrip_, Value)) Changed();
}
void TArrowBar::SetStyle(TRBStyle Value) {
  if (Assign(style_, Value)) Changed();
}

QSize TArrowBar::sizeHint() const {
  return kind_ == sbHorizontal ? QSize(100, 16) : QSize(16, 100);
}

void TArrowBar::NotifyChange() {
  if (OnChange) OnChange(this);
  if (userChanging_ && OnUserChange) OnUserChange(this);
}

// --- geometry ----------------------------------------------------------------------------------

QPoint TArrowBar::ClientOrigin() const {
  return borderStyle_ == bsSingle ? QPoint(1, 1) : QPoint(0, 0);
}

TRect TArrowBar::ClientRect() const {
  const int b = borderStyle_ == bsSingle ? 2 : 0;
  return Rect(0, 0, std::max(0, width() - b), std::max(0, height() - b));
}

int TArrowBar::ClientLength() const {
  const TRect C = ClientRect();
  return kind_ == sbHorizontal ? C.Right : C.Bottom;
}

int TArrowBar::ClientBreadth() const {
  const TRect C = ClientRect();
  return kind_ == sbHorizontal ? C.Bottom : C.Right;
}

int TArrowBar::GetButtonSize() const {
  if (!showArrows_) return 0;
  const int64_t length = ClientLength();
  int64_t b = buttonSize_ != 0 ? buttonSize_ : std::min(ClientBreadth(), 32);
  b = 2 * b < length ? b : length / 2;
  if (style_ == rbsMac) --b;
  return b <= 1 ? 0 : static_cast<int>(b);
}

TRect TArrowBar::GetTrackRect() const {
  TRect R = ClientRect();
  const int b = GetButtonSize();
  if (kind_ == sbHorizontal) {
    R.Left += b;
    R.Right -= b;
  } else {
    R.Top += b;
    R.Bottom -= b;
  }
  return R;
}

TRect TArrowBar::HandleRect() const {
  return TRect{};
}

bool TArrowBar::DrawEnabled() const {
  return isEnabled();
}

TRBZone TArrowBar::ZoneAt(int X, int Y) const {
  const TPoint P{X, Y};
  if (!PtInRect(ClientRect(), P)) return ZoneNone;
  if (PtInRect(GetZoneRect(ZonePrevButton), P)) return ZonePrevButton;
  if (PtInRect(GetZoneRect(ZoneNextButton), P)) return ZoneNextButton;
  const TRect H = HandleRect();
  if (PtInRect(H, P)) return ZoneHandle;
  const int a = Along(P);
  const int length = ClientLength();
  if (IsRectEmpty(H)) return a < length - 1 ? ZoneNextTrack : ZoneNone;
  const bool horz = kind_ == sbHorizontal;
  if (a > 0 && a < (horz ? H.Left : H.Top)) return ZonePrevTrack;
  if (a >= (horz ? H.Right : H.Bottom) && a < length - 1) return ZoneNextTrack;
  return ZoneNone;
}

TRect TArrowBar::GetZoneRect(TRBZone Zone) const {
  const TRect C = ClientRect();
  const bool horz = kind_ == sbHorizontal;
  const int b = GetButtonSize();
  switch (Zone) {
    case ZoneNone:
      return TRect{};
    case ZonePrevButton:
      return horz ? Rect(0, 0, b, C.Bottom) : Rect(0, 0, C.Right, b);
    case ZoneNextButton:
      return horz ? Rect(C.Right - b, 0, C.Right, C.Bottom)
                  : Rect(0, C.Bottom - b, C.Right, C.Bottom);
    case ZonePrevTrack:
    case ZoneHandle:
    case ZoneNextTrack:
      break;
  }
  const TRect T = GetTrackRect();
  TRect H = HandleRect();
  if (!DrawEnabled() || IsRectEmpty(H)) {
    // Without a handle the two track parts meet in the middle.
    const int cx = (T.Left + T.Right) / 2;
    const int cy = (T.Top + T.Bottom) / 2;
    H = Rect(cx, cy, cx, cy);
  }
  if (Zone == ZoneHandle) return H;
  if (Zone == ZonePrevTrack)
    return horz ? Rect(T.Left, T.Top, H.Left, T.Bottom) : Rect(T.Left, T.Top, T.Right, H.Top);
  return horz ? Rect(H.Right, T.Top, T.Right, T.Bottom) : Rect(T.Left, H.Bottom, T.Right, T.Bottom);
}

TPoint TArrowBar::ClampedPointer() const {
  const TRect C = ClientRect();
  return TPoint{std::clamp(pointer_.X, 0, std::max(0, C.Right - 1)),
                std::clamp(pointer_.Y, 0, std::max(0, C.Bottom - 1))};
}

bool TArrowBar::PointerInClient() const {
  return pointerKnown_ && PtInRect(ClientRect(), pointer_);
}

TColor TArrowBar::Lighten(TColor C, int Amount) {
  C = ColorToRGB(C);
  return RGBColor(static_cast<uint8_t>(ClampByte(GetRValue(C) + Amount)),
                  static_cast<uint8_t>(ClampByte(GetGValue(C) + Amount)),
                  static_cast<uint8_t>(ClampByte(GetBValue(C) + Amount)));
}

TColor TArrowBar::BlendColors(TColor A, TColor B, int W) {
  A = ColorToRGB(A);
  B = ColorToRGB(B);
  const auto mix = [W](int a, int b) { return ClampByte((a * W + b * (255 - W)) / 256); };
  return RGBColor(static_cast<uint8_t>(mix(GetRValue(A), GetRValue(B))),
                  static_cast<uint8_t>(mix(GetGValue(A), GetGValue(B))),
                  static_cast<uint8_t>(mix(GetBValue(A), GetBValue(B))));
}

// --- timer -------------------------------------------------------------------------------------

void TArrowBar::StartDragTracking() {
  timer_.setInterval(FirstDelayInterval);
  timerMode_ = Repeating;
  TimerTick();
  // The first step may have met an end and turned into hot tracking; keep that.
  if (timerMode_ == Repeating) timerMode_ = FirstDelay;
  if (isEnabled()) timer_.start();
}

void TArrowBar::StartHotTracking() {
  timer_.setInterval(HotTrackInterval);
  timerMode_ = HotTracking;
  timer_.start();
}

void TArrowBar::StopHotTracking() {
  timer_.stop();
  hotZone_ = ZoneNone;
  update();
}

void TArrowBar::TimerHandler() {
  switch (timerMode_) {
    case FirstDelay:
      timer_.setInterval(RepeatInterval);
      timerMode_ = Repeating;
      break;
    case HotTracking:
      if (!PointerInClient()) StopHotTracking();
      break;
    case Repeating:
      break;
  }
  TimerTick();
}

// --- mouse -------------------------------------------------------------------------------------

TPoint TArrowBar::ClientPoint(const QPointF& WidgetPos) const {
  const QPoint o = ClientOrigin();
  return TPoint{SaturatedFloor(WidgetPos.x()) - o.x(), SaturatedFloor(WidgetPos.y()) - o.y()};
}

void TArrowBar::MouseDown(Qt::MouseButton Button, int X, int Y) {
  if (Button != Qt::LeftButton) return;
  dragZone_ = ZoneAt(X, Y);
  update();
  downPoint_ = TPoint{X, Y};
  StartDragTracking();
}

void TArrowBar::MouseMove(int X, int Y) {
  if (dragZone_ != ZoneNone || !DrawEnabled()) return;
  const TRBZone zone = ZoneAt(X, Y);
  if (zone == hotZone_) return;
  hotZone_ = zone;
  if (zone != ZoneNone) StartHotTracking();
  update();
}

void TArrowBar::MouseUp(Qt::MouseButton Button, int /*X*/, int /*Y*/) {
  if (Button != Qt::LeftButton) return;
  dragZone_ = ZoneNone;
  update();
  StartHotTracking();
}

void TArrowBar::mousePressEvent(QMouseEvent* Event) {
  pointer_ = ClientPoint(Event->position());
  pointerKnown_ = true;
  MouseDown(Event->button(), pointer_.X, pointer_.Y);
  Event->accept();
}

void TArrowBar::mouseDoubleClickEvent(QMouseEvent* Event) {
  // A double click is just another press.
  mousePressEvent(Event);
}

void TArrowBar::mouseMoveEvent(QMouseEvent* Event) {
  pointer_ = ClientPoint(Event->position());
  pointerKnown_ = true;
  MouseMove(pointer_.X, pointer_.Y);
  Event->accept();
}

void TArrowBar::mouseReleaseEvent(QMouseEvent* Event) {
  pointer_ = ClientPoint(Event->position());
  pointerKnown_ = true;
  MouseUp(Event->button(), pointer_.X, pointer_.Y);
  Event->accept();
}

void TArrowBar::leaveEvent(QEvent* Event) {
  // While a button is held the pointer belongs to the bar (the implicit grab); a platform that
  // still reports the leave must not stop the auto-repeat.
  if (dragZone_ == ZoneNone) {
    pointerKnown_ = false;
    StopHotTracking();
  }
  QWidget::leaveEvent(Event);
}

void TArrowBar::wheelEvent(QWheelEvent* Event) {
  const QPoint delta = Event->angleDelta();
  if (DoMouseWheel(delta.y() != 0 ? delta.y() : delta.x()))
    Event->accept();
  else
    Event->ignore();
}

void TArrowBar::changeEvent(QEvent* Event) {
  if (Event->type() == QEvent::EnabledChange && !isEnabled()) {
    // A disabled widget gets no release; end whatever the mouse had started.
    timer_.stop();
    dragZone_ = ZoneNone;
    hotZone_ = ZoneNone;
  }
  if (Event->type() == QEvent::EnabledChange || Event->type() == QEvent::PaletteChange ||
      Event->type() == QEvent::StyleChange)
    update();
  QWidget::changeEvent(Event);
}

void TArrowBar::hideEvent(QHideEvent* Event) {
  timer_.stop();
  dragZone_ = ZoneNone;
  hotZone_ = ZoneNone;
  pointerKnown_ = false;
  QWidget::hideEvent(Event);
}

void TArrowBar::resizeEvent(QResizeEvent* Event) {
  GeometryChanged();
  QWidget::resizeEvent(Event);
}

// --- drawing -----------------------------------------------------------------------------------

void TArrowBar::Fill(QPainter& P, const TRect& R, TColor C) const {
  if (IsRectEmpty(R)) return;
  P.fillRect(ToQRect(R, ClientOrigin()), ToQColor(C));
}

void TArrowBar::FillPattern(QPainter& P, const TRect& R, TColor Back, TColor Fore) const {
  if (IsRectEmpty(R)) return;
  const QRgb back = ToQColor(Back).rgb();
  const QRgb fore = ToQColor(Fore).rgb();
  if (back == fore) {
    Fill(P, R, Back);
    return;
  }
  // The pattern is tied to the client origin, so the parts of the track line up.
  QImage image(R.Width(), R.Height(), QImage::Format_RGB32);
  if (image.isNull()) {  // no memory for a bar that long: a plain fill will do
    Fill(P, R, Back);
    return;
  }
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x)
      line[x] = (((R.Left + x) ^ (R.Top + y)) & 1) == 0 ? back : fore;
  }
  P.drawImage(ToQRect(R, ClientOrigin()).topLeft(), image);
}

void TArrowBar::DrawBevel(QPainter& P, TRect& R, TColor TopLeft, TColor BottomRight,
                          bool Shrink) const {
  // Left and top in the first colour; right and bottom (with both outer corners) in the second.
  Fill(P, Rect(R.Left, R.Top, R.Left + 1, R.Bottom - 1), TopLeft);
  Fill(P, Rect(R.Left, R.Top, R.Right - 1, R.Top + 1), TopLeft);
  Fill(P, Rect(R.Right - 1, R.Top, R.Right, R.Bottom), BottomRight);
  Fill(P, Rect(R.Left, R.Bottom - 1, R.Right, R.Bottom), BottomRight);
  if (Shrink) InflateRect(R, -1, -1);
}

TRect TArrowBar::Outline(QPainter& P, const TRect& R, TRBDirection Direction, TColor C) const {
  // A part pointing left leaves its right side open, and so on: that side meets the next part.
  TRect inner = R;
  if (Direction != DirRight) {
    Fill(P, Rect(R.Left, R.Top, R.Left + 1, R.Bottom), C);
    ++inner.Left;
  }
  if (Direction != DirDown) {
    Fill(P, Rect(R.Left, R.Top, R.Right, R.Top + 1), C);
    ++inner.Top;
  }
  if (Direction != DirLeft) {
    Fill(P, Rect(R.Right - 1, R.Top, R.Right, R.Bottom), C);
    --inner.Right;
  }
  if (Direction != DirUp) {
    Fill(P, Rect(R.Left, R.Bottom - 1, R.Right, R.Bottom), C);
    --inner.Bottom;
  }
  return inner;
}

void TArrowBar::DrawTriangle(QPainter& P, const TRect& R, TRBDirection Direction, TColor C) const {
  const int w = R.Width();
  const int h = R.Height();
  if (w <= 0 || h <= 0) return;
  const bool horz = Direction == DirLeft || Direction == DirRight;
  const int along = horz ? w : h;
  const int across = horz ? h : w;
  // Depth n along the pointing direction, base 2n - 1 across it.
  int n = std::max(1, (std::min(w / 2, h / 2) + 1) / 2);
  n = std::min(n, (across + 1) / 2);
  n = std::min(n, along);
  const int a0 = (horz ? R.Left : R.Top) + (along - n) / 2;
  const int c0 = (horz ? R.Top : R.Left) + (across - (2 * n - 1)) / 2;
  const bool forward = Direction == DirRight || Direction == DirDown;
  for (int i = 0; i < n; ++i) {
    const int half = forward ? n - 1 - i : i;
    const int lo = c0 + (n - 1) - half;
    const int hi = lo + 2 * half + 1;
    Fill(P, horz ? Rect(a0 + i, lo, a0 + i + 1, hi) : Rect(lo, a0 + i, hi, a0 + i + 1), C);
  }
}

void TArrowBar::paintEvent(QPaintEvent* /*Event*/) {
  QPainter p(this);
  const TRect C = ClientRect();
  if (borderStyle_ == bsSingle) {
    TRect outer = Rect(C.Left - 1, C.Top - 1, C.Right + 1, C.Bottom + 1);
    DrawBevel(p, outer, clBtnShadow, clBtnHighlight, false);
  }
  if (style_ == rbsDefault) {
    // A style's parts need not cover every pixel of their rectangles.
    p.fillRect(ToQRect(C, ClientOrigin()), palette().color(QPalette::Button));
  }
  const bool horz = kind_ == sbHorizontal;
  const bool enabled = DrawEnabled();
  if (showArrows_) {
    DrawButton(p, GetZoneRect(ZonePrevButton), horz ? DirLeft : DirUp, dragZone_ == ZonePrevButton,
               enabled, hotZone_ == ZonePrevButton);
    DrawButton(p, GetZoneRect(ZoneNextButton), horz ? DirRight : DirDown,
               dragZone_ == ZoneNextButton, enabled, hotZone_ == ZoneNextButton);
  }
  DrawTrack(p, GetZoneRect(ZonePrevTrack), horz ? DirLeft : DirUp, dragZone_ == ZonePrevTrack,
            enabled, hotZone_ == ZonePrevTrack);
  DrawTrack(p, GetZoneRect(ZoneNextTrack), horz ? DirRight : DirDown, dragZone_ == ZoneNextTrack,
            enabled, hotZone_ == ZoneNextTrack);
  if (enabled) {
    const TRect H = HandleRect();
    if (!IsRectEmpty(H)) DrawHandle(p, H, horz, dragZone_ == ZoneHandle, hotZone_ == ZoneHandle);
  }
}

void TArrowBar::DrawButton(QPainter& P, const TRect& R, TRBDirection Direction, bool Pushed,
                           bool Enabled, bool Hot) {
  if (IsRectEmpty(R)) return;
  if (style_ == rbsMac)
    DrawMacButton(P, R, Direction, Pushed, Enabled);
  else
    DrawStyledPart(P, R,
                   Direction == DirLeft || Direction == DirUp ? QStyle::SC_ScrollBarSubLine
                                                              : QStyle::SC_ScrollBarAddLine,
                   Pushed, Enabled, Hot);
}

void TArrowBar::DrawTrack(QPainter& P, const TRect& R, TRBDirection Direction, bool Pushed,
                          bool Enabled, bool Hot) {
  if (IsRectEmpty(R)) return;
  if (style_ == rbsMac)
    DrawMacTrack(P, R, Direction, Pushed, Enabled);
  else
    DrawStyledPart(P, R,
                   Direction == DirLeft || Direction == DirUp ? QStyle::SC_ScrollBarSubPage
                                                              : QStyle::SC_ScrollBarAddPage,
                   Pushed, Enabled, Hot);
}

void TArrowBar::DrawHandle(QPainter& P, const TRect& R, bool Horz, bool Pushed, bool Hot) {
  if (IsRectEmpty(R)) return;
  if (style_ == rbsMac) {
    DrawMacHandle(P, R, Horz, Pushed);
  } else {
    DrawStyledPart(P, R, QStyle::SC_ScrollBarSlider, Pushed, DrawEnabled(), Hot);
    if (showHandleGrip_) DrawStyledGrip(P, R, Horz);
  }
}

void TArrowBar::DrawMacButton(QPainter& P, const TRect& R, TRBDirection Direction, bool Pushed,
                              bool Enabled) {
  // The outline runs along the three sides away from the track.
  TRect inner = Outline(P, R, Direction, Enabled ? borderColor_ : shadowColor_);
  if (IsRectEmpty(inner)) return;
  const TRect content = inner;
  if (!Enabled) {
    Fill(P, inner, buttonColor_);
    TRect shifted = content;
    OffsetRect(shifted, 1, 1);
    DrawTriangle(P, shifted, Direction, highLightColor_);
    DrawTriangle(P, content, Direction, shadowColor_);
  } else if (Pushed) {
    Fill(P, inner, buttonColor_);
    TRect shifted = content;
    OffsetRect(shifted, 1, 1);
    DrawTriangle(P, shifted, Direction, borderColor_);
  } else {
    DrawBevel(P, inner, highLightColor_, shadowColor_, true);
    Fill(P, inner, buttonColor_);
    DrawTriangle(P, content, Direction, borderColor_);
  }
}

void TArrowBar::DrawMacTrack(QPainter& P, const TRect& R, TRBDirection Direction, bool Pushed,
                             bool Enabled) {
  // Every side but the one that meets the handle gets the outline.
  TRect inner = Outline(P, R, Direction, Enabled ? borderColor_ : shadowColor_);
  if (IsRectEmpty(inner)) return;
  if (Pushed) {
    Fill(P, inner, borderColor_);
    return;
  }
  if (!Enabled) {
    Fill(P, inner, buttonColor_);
    return;
  }
  const TColor shade = BlendColors(borderColor_, BlendColors(highLightColor_, color_, 127), 32);
  const bool prev = Direction == DirLeft || Direction == DirUp;
  const bool horz = kind_ == sbHorizontal;
  if (prev || horz) {  // top line
    Fill(P, Rect(inner.Left, inner.Top, inner.Right, inner.Top + 1), shade);
    ++inner.Top;
  }
  if (prev || !horz) {  // left line
    Fill(P, Rect(inner.Left, inner.Top, inner.Left + 1, inner.Bottom), shade);
    ++inner.Left;
  }
  if (backgnd_ == bgSolid)
    Fill(P, inner, color_);
  else
    FillPattern(P, inner, color_, highLightColor_);
}

void TArrowBar::DrawMacHandle(QPainter& P, const TRect& R, bool Horz, bool Pushed) {
  Fill(P, Rect(R.Left, R.Top, R.Right, R.Top + 1), borderColor_);
  Fill(P, Rect(R.Left, R.Bottom - 1, R.Right, R.Bottom), borderColor_);
  Fill(P, Rect(R.Left, R.Top, R.Left + 1, R.Bottom), borderColor_);
  Fill(P, Rect(R.Right - 1, R.Top, R.Right, R.Bottom), borderColor_);
  TRect inner = R;
  InflateRect(inner, -1, -1);
  if (IsRectEmpty(inner)) return;
  if (Pushed)
    DrawBevel(P, inner, Lighten(handleColor_, -24), handleColor_, true);
  else
    DrawBevel(P, inner, Lighten(handleColor_, 24), BlendColors(borderColor_, handleColor_, 96),
              true);
  Fill(P, inner, handleColor_);
  if (!showHandleGrip_ || IsRectEmpty(inner)) return;

  TRect grip = inner;
  if (Pushed) OffsetRect(grip, 1, 1);
  const TColor light = Lighten(handleColor_, 24);
  const TColor dark = Lighten(handleColor_, -24);
  const int m = Horz ? (grip.Left + grip.Right) / 2 : (grip.Top + grip.Bottom) / 2;
  const bool wide = (Horz ? grip.Width() : grip.Height()) > 10;
  for (int k = wide ? 0 : 1; k <= (wide ? 3 : 2); ++k) {
    const int pos = m - 5 + 3 * k;
    TRect ridge = Horz ? Rect(pos, grip.Top + 1, pos + 2, grip.Bottom - 1)
                       : Rect(grip.Left + 1, pos, grip.Right - 1, pos + 2);
    if (!IsRectEmpty(ridge)) DrawBevel(P, ridge, light, dark, false);
  }
}

void TArrowBar::DrawStyledPart(QPainter& P, const TRect& R, int Part, bool Pushed, bool Enabled,
                               bool Hot) {
  // Styles draw a scroll bar as a whole (Fusion draws nothing for single parts), so each part is
  // cut out of a scroll bar the style draws off screen, laid out so that the wanted part has the
  // size of ours.
  const bool horz = kind_ == sbHorizontal;
  const int length = horz ? R.Width() : R.Height();
  const int breadth = horz ? R.Height() : R.Width();
  if (length <= 0 || breadth <= 0) return;
  const auto sub = static_cast<QStyle::SubControl>(Part);
  QStyle* s = style();

  QStyleOptionSlider opt;
  opt.initFrom(this);
  opt.direction = Qt::LeftToRight;
  opt.orientation = horz ? Qt::Horizontal : Qt::Vertical;
  opt.state &= ~(QStyle::State_Horizontal | QStyle::State_Enabled | QStyle::State_MouseOver |
                 QStyle::State_Sunken | QStyle::State_HasFocus);
  if (horz) opt.state |= QStyle::State_Horizontal;
  if (Enabled) opt.state |= QStyle::State_Enabled;
  // A bar with nothing to scroll looks disabled though the widget is enabled.
  opt.palette.setCurrentColorGroup(Enabled ? QPalette::Active : QPalette::Disabled);
  opt.subControls = QStyle::SC_All;
  opt.activeSubControls = QStyle::SC_None;
  if (Enabled && Pushed) {
    opt.activeSubControls = sub;
    opt.state |= QStyle::State_Sunken;
  } else if (Enabled && Hot) {
    opt.activeSubControls = sub;
    opt.state |= QStyle::State_MouseOver;
  }
  // A range of its own keeps the style from drawing the whole bar disabled; a page step equal
  // to the range gives a slider of half the groove, at its start.
  opt.singleStep = 1;
  opt.minimum = 0;
  opt.maximum = opt.pageStep = 1000;
  opt.sliderPosition = opt.sliderValue = 0;
  const auto place = [&](int fakeLength) {
    opt.rect = horz ? QRect(0, 0, fakeLength, breadth) : QRect(0, 0, breadth, fakeLength);
  };
  const auto lengthOf = [&](QStyle::SubControl part) {
    const QRect r = s->subControlRect(QStyle::CC_ScrollBar, &opt, part, this);
    return horz ? r.width() : r.height();
  };
  place(length + 4 * breadth + 64);
  const int buttons = lengthOf(QStyle::SC_ScrollBarSubLine) + lengthOf(QStyle::SC_ScrollBarAddLine);
  int fakeLength = buttons + 2 * breadth + 32;
  QStyle::SubControl cut = sub;
  int offset = 0;  // of the part within the groove
  if (sub == QStyle::SC_ScrollBarSlider) {
    fakeLength = buttons + 2 * length;
  } else if (sub == QStyle::SC_ScrollBarSubPage || sub == QStyle::SC_ScrollBarAddPage) {
    // The groove of a bar with a track as long as ours, plus room for the style's shortest
    // slider (not drawn) beyond the page; both pages line up with one another, so they join
    // without a seam and with the pattern in phase wherever the handle is.
    opt.subControls =
        QStyle::SC_ScrollBarGroove | QStyle::SC_ScrollBarSubPage | QStyle::SC_ScrollBarAddPage;
    opt.maximum = 1 << 20;
    opt.pageStep = 1;
    const int slider = lengthOf(QStyle::SC_ScrollBarSlider);
    const int room = slider + (slider & 1);
    const TRect T = GetTrackRect();
    fakeLength = buttons + (horz ? T.Width() : T.Height()) + room;
    offset = horz ? R.Left - T.Left : R.Top - T.Top;
    if (sub == QStyle::SC_ScrollBarSubPage)
      opt.sliderPosition = opt.sliderValue = opt.maximum;
    else
      offset += room;
    cut = QStyle::SC_ScrollBarGroove;
  }
  place(fakeLength);
  QRect source = s->subControlRect(QStyle::CC_ScrollBar, &opt, cut, this);
  if (cut == QStyle::SC_ScrollBarGroove) {
    if (horz)
      source = QRect(source.left() + offset, source.top(), length, source.height());
    else
      source = QRect(source.left(), source.top() + offset, source.width(), length);
  }
  if (source.isEmpty()) return;
  QImage image(opt.rect.size(), QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) return;
  image.fill(palette().color(QPalette::Button));
  {
    QPainter ip(&image);
    s->drawComplexControl(QStyle::CC_ScrollBar, &opt, &ip, this);
  }
  P.drawImage(ToQRect(R, ClientOrigin()), image, source);
}

void TArrowBar::DrawStyledGrip(QPainter& P, const TRect& R, bool Horz) {
  // Styles have no gripper of their own: three short ridges across the middle of the handle, in
  // the palette's shades, when the handle has room for them.
  const int length = Horz ? R.Width() : R.Height();
  const int breadth = Horz ? R.Height() : R.Width();
  if (length < 16 || breadth < 8) return;
  const int middle = Horz ? (R.Left + R.Right) / 2 : (R.Top + R.Bottom) / 2;
  const int from = (Horz ? R.Top : R.Left) + breadth / 4 + 1;
  const int to = (Horz ? R.Bottom : R.Right) - breadth / 4 - 1;
  const QColor dark = palette().color(QPalette::Mid);
  const QColor light = palette().color(QPalette::Light);
  const QPoint o = ClientOrigin();
  for (int k = -1; k <= 1; ++k) {
    const int at = middle + 3 * k - 1;
    if (Horz) {
      P.fillRect(QRect(at + o.x(), from + o.y(), 1, to - from), dark);
      P.fillRect(QRect(at + 1 + o.x(), from + o.y(), 1, to - from), light);
    } else {
      P.fillRect(QRect(from + o.x(), at + o.y(), to - from, 1), dark);
      P.fillRect(QRect(from + o.x(), at + 1 + o.y(), to - from, 1), light);
    }
  }
}

}  // namespace pictavia
