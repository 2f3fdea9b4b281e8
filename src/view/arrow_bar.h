// TArrowBar: the common base of the range and gauge bars (two arrow buttons, a track and a
// handle) with their geometry, hit test, hot tracking, auto-repeat timer and drawing.
#pragma once

#include <QTimer>
#include <QWidget>

#include "toolkit/colors.h"
#include "toolkit/geometry.h"
#include "toolkit/object.h"

class QPainter;

namespace pictavia {

enum TRBBackgnd { bgPattern, bgSolid };
enum TRBStyle { rbsDefault, rbsMac };
enum TScrollBarKind { sbHorizontal, sbVertical };
enum TBorderStyle { bsNone, bsSingle };

// What lies under a point of the bar.
enum TRBZone {
  ZoneNone = 0,
  ZonePrevButton = 1,
  ZonePrevTrack = 2,
  ZoneHandle = 3,
  ZoneNextTrack = 4,
  ZoneNextButton = 5
};

// The way a button or track part points.
enum TRBDirection { DirLeft = 0, DirUp = 1, DirRight = 2, DirDown = 3 };

// All coordinates of the bar's own operations (ZoneAt, the zone rectangles, DownPoint, the mouse
// handlers) are client coordinates: with a single border the client area starts 1 pixel in.
class TArrowBar : public QWidget, public TObject {
  Q_OBJECT

 public:
  // First delay (600 ms) after a press, repeating (100 ms) after that, hot tracking (150 ms).
  enum TTimerMode { FirstDelay, Repeating, HotTracking };
  static constexpr int FirstDelayInterval = 600;
  static constexpr int RepeatInterval = 100;
  static constexpr int HotTrackInterval = 150;

  explicit TArrowBar(QWidget* Parent = nullptr);
  ~TArrowBar() override;
  const char* ClassName() const override { return "TArrowBar"; }

  // --- properties ----------------------------------------------------------------------------
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  TRBBackgnd Backgnd() const { return backgnd_; }
  void SetBackgnd(TRBBackgnd Value);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle Value);
  int ButtonSize() const { return buttonSize_; }
  void SetButtonSize(int Value);
  TColor HandleColor() const { return handleColor_; }
  void SetHandleColor(TColor Value);
  TColor ButtonColor() const { return buttonColor_; }
  void SetButtonColor(TColor Value);
  TColor HighLightColor() const { return highLightColor_; }
  void SetHighLightColor(TColor Value);
  TColor ShadowColor() const { return shadowColor_; }
  void SetShadowColor(TColor Value);
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor Value);
  TScrollBarKind Kind() const { return kind_; }
  void SetKind(TScrollBarKind Value);
  bool ShowArrows() const { return showArrows_; }
  void SetShowArrows(bool Value);
  bool ShowHandleGrip() const { return showHandleGrip_; }
  void SetShowHandleGrip(bool Value);
  TRBStyle Style() const { return style_; }
  void SetStyle(TRBStyle Value);

  // After every change of the value; OnUserChange follows it for changes made by a handle drag
  // or by auto-repeat (never for changes made in code or by the wheel).
  TNotifyEvent OnChange;
  TNotifyEvent OnUserChange;

  // --- state -----------------------------------------------------------------------------------
  TRBZone DragZone() const { return dragZone_; }
  TRBZone HotZone() const { return hotZone_; }
  bool UserChanging() const { return userChanging_; }
  TTimerMode TimerMode() const { return timerMode_; }
  TPoint DownPoint() const { return downPoint_; }
  // The auto-repeat / hot-tracking timer, readable so its mode and interval can be watched.
  const QTimer& Timer() const { return timer_; }
  // What the timer runs on each timeout; public so an owner (or a test) can drive it by hand.
  void TimerHandler();

  // --- geometry --------------------------------------------------------------------------------
  // The client area in client coordinates: (0, 0, client width, client height).
  TRect ClientRect() const;
  // Where the client area starts inside the widget (1, 1 with a single border).
  QPoint ClientOrigin() const;
  // The length of a button along the bar as it is drawn (0 when there are none).
  int GetButtonSize() const;
  TRect GetTrackRect() const;
  virtual TRect HandleRect() const;
  // Whether the bar is drawn (and acts) as enabled.
  virtual bool DrawEnabled() const;
  TRBZone ZoneAt(int X, int Y) const;
  TRect GetZoneRect(TRBZone Zone) const;

  // Colour helpers of the rbsMac look, on 0x00BBGGRR values.
  static TColor Lighten(TColor C, int Amount);
  static TColor BlendColors(TColor A, TColor B, int W);

  QSize sizeHint() const override;
  // A wheel turn of WheelDelta (120 per notch), as the wheel event over the bar gives it;
  // returns whether it was used.
  bool TurnWheel(int WheelDelta) { return DoMouseWheel(WheelDelta); }

 protected:
  virtual void NotifyChange();
  virtual void DrawButton(QPainter& P, const TRect& R, TRBDirection Direction, bool Pushed,
                          bool Enabled, bool Hot);
  virtual void DrawHandle(QPainter& P, const TRect& R, bool Horz, bool Pushed, bool Hot);
  virtual void DrawTrack(QPainter& P, const TRect& R, TRBDirection Direction, bool Pushed,
                         bool Enabled, bool Hot);
  virtual void StopHotTracking();
  // One auto-repeat step on DragZone; the bars with a value implement it.
  virtual void TimerTick() {}

  // The toolkit-style mouse handlers, in client coordinates.
  virtual void MouseDown(Qt::MouseButton Button, int X, int Y);
  virtual void MouseMove(int X, int Y);
  virtual void MouseUp(Qt::MouseButton Button, int X, int Y);
  // A wheel turn (120 per notch); returns whether it was used.
  virtual bool DoMouseWheel(int /*WheelDelta*/) { return false; }
  // The widget's size or orientation changed.
  virtual void GeometryChanged() {}

  void StartDragTracking();
  void StartHotTracking();
  // The last known pointer position (client coordinates), clamped into the client area.
  TPoint ClampedPointer() const;
  bool PointerInClient() const;
  // The coordinate of a client point along the bar, and the client area's length and breadth.
  int Along(const TPoint& P) const { return kind_ == sbHorizontal ? P.X : P.Y; }
  int ClientLength() const;
  int ClientBreadth() const;

  // Sets UserChanging for the life of the object.
  class TUserChange {
   public:
    explicit TUserChange(TArrowBar& Bar) : bar_(Bar), old_(Bar.userChanging_) {
      bar_.userChanging_ = true;
    }
    ~TUserChange() { bar_.userChanging_ = old_; }
    TUserChange(const TUserChange&) = delete;
    TUserChange& operator=(const TUserChange&) = delete;

   private:
    TArrowBar& bar_;
    bool old_;
  };

  TRBZone dragZone_ = ZoneNone;
  TRBZone hotZone_ = ZoneNone;

  // Qt events, translated to the handlers above.
  void paintEvent(QPaintEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseDoubleClickEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void leaveEvent(QEvent* Event) override;
  void wheelEvent(QWheelEvent* Event) override;
  void changeEvent(QEvent* Event) override;
  void hideEvent(QHideEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;

 private:
  void DrawMacButton(QPainter& P, const TRect& R, TRBDirection Direction, bool Pushed,
                     bool Enabled);
  void DrawMacTrack(QPainter& P, const TRect& R, TRBDirection Direction, bool Pushed, bool Enabled);
  void DrawMacHandle(QPainter& P, const TRect& R, bool Horz, bool Pushed);
  void DrawStyledGrip(QPainter& P, const TRect& R, bool Horz);
  // Part is a QStyle::SubControl of the scroll bar.
  void DrawStyledPart(QPainter& P, const TRect& R, int Part, bool Pushed, bool Enabled, bool Hot);
  // Fills a client rectangle (clipped to the client area) with a toolkit colour.
  void Fill(QPainter& P, const TRect& R, TColor C) const;
  void FillPattern(QPainter& P, const TRect& R, TColor Back, TColor Fore) const;
  void DrawBevel(QPainter& P, TRect& R, TColor TopLeft, TColor BottomRight, bool Shrink) const;
  void DrawTriangle(QPainter& P, const TRect& R, TRBDirection Direction, TColor C) const;
  // Outlines R on every side but the one Direction points away from; returns the interior.
  TRect Outline(QPainter& P, const TRect& R, TRBDirection Direction, TColor C) const;
  void Changed() { update(); }
  TPoint ClientPoint(const QPointF& WidgetPos) const;

  TColor color_ = clScrollBar;
  TRBBackgnd backgnd_ = bgPattern;
  TBorderStyle borderStyle_ = bsSingle;
  int buttonSize_ = 0;
  TColor handleColor_ = clBtnShadow;
  TColor buttonColor_ = clBtnFace;
  TColor highLightColor_ = clBtnHighlight;
  TColor shadowColor_ = clBtnShadow;
  TColor borderColor_ = clWindowFrame;
  TScrollBarKind kind_ = sbHorizontal;
  bool showArrows_ = true;
  bool showHandleGrip_ = true;
  TRBStyle style_ = rbsDefault;

  bool userChanging_ = false;
  TTimerMode timerMode_ = HotTracking;
  TPoint downPoint_;
  TPoint pointer_;
  bool pointerKnown_ = false;
  QTimer timer_;
};

// Forwards the appearance properties to a master bar and, when present, a slave bar: reading
// returns the master's value (the defaults without a master), writing sets both.
class TArrowBarAccess : public TPersistent {
 public:
  TArrowBarAccess() = default;
  TArrowBarAccess(TArrowBar* Master, TArrowBar* Slave) : master_(Master), slave_(Slave) {}
  const char* ClassName() const override { return "TArrowBarAccess"; }

  TArrowBar* Master() const { return master_; }
  void SetMaster(TArrowBar* Value) { master_ = Value; }
  TArrowBar* Slave() const { return slave_; }
  void SetSlave(TArrowBar* Value) { slave_ = Value; }

  TColor Color() const { return master_ ? master_->Color() : clScrollBar; }
  void SetColor(TColor Value) { Forward(&TArrowBar::SetColor, Value); }
  TRBBackgnd Backgnd() const { return master_ ? master_->Backgnd() : bgPattern; }
  void SetBackgnd(TRBBackgnd Value) { Forward(&TArrowBar::SetBackgnd, Value); }
  int ButtonSize() const { return master_ ? master_->ButtonSize() : 0; }
  void SetButtonSize(int Value) { Forward(&TArrowBar::SetButtonSize, Value); }
  TColor HandleColor() const { return master_ ? master_->HandleColor() : clBtnShadow; }
  void SetHandleColor(TColor Value) { Forward(&TArrowBar::SetHandleColor, Value); }
  TColor ButtonColor() const { return master_ ? master_->ButtonColor() : clBtnFace; }
  void SetButtonColor(TColor Value) { Forward(&TArrowBar::SetButtonColor, Value); }
  TColor HighLightColor() const { return master_ ? master_->HighLightColor() : clBtnHighlight; }
  void SetHighLightColor(TColor Value) { Forward(&TArrowBar::SetHighLightColor, Value); }
  TColor ShadowColor() const { return master_ ? master_->ShadowColor() : clBtnShadow; }
  void SetShadowColor(TColor Value) { Forward(&TArrowBar::SetShadowColor, Value); }
  TColor BorderColor() const { return master_ ? master_->BorderColor() : clWindowFrame; }
  void SetBorderColor(TColor Value) { Forward(&TArrowBar::SetBorderColor, Value); }
  bool ShowArrows() const { return master_ ? master_->ShowArrows() : true; }
  void SetShowArrows(bool Value) { Forward(&TArrowBar::SetShowArrows, Value); }
  bool ShowHandleGrip() const { return master_ ? master_->ShowHandleGrip() : true; }
  void SetShowHandleGrip(bool Value) { Forward(&TArrowBar::SetShowHandleGrip, Value); }
  TRBStyle Style() const { return master_ ? master_->Style() : rbsDefault; }
  void SetStyle(TRBStyle Value) { Forward(&TArrowBar::SetStyle, Value); }

 private:
  template <typename T>
  void Forward(void (TArrowBar::*Setter)(T), T Value) {
    if (master_) (master_->*Setter)(Value);
    if (slave_) (slave_->*Setter)(Value);
  }

  TArrowBar* master_ = nullptr;
  TArrowBar* slave_ = nullptr;
};

}  // namespace pictavia
