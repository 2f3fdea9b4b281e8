// TCustomImgView32 and TImgView32: the image with two range bars as scroll bars, centring, a
// margin around the image and a size grip; TIVScrollProperties, the bars' shared settings.
#pragma once

#include <memory>

#include "view/arrow_bar.h"
#include "view/image32.h"
#include "view/range_bars.h"

namespace pictavia {

enum TScrollBarVisibility { svAlways = 0, svHidden = 1, svAuto = 2 };
enum TSizeGripStyle { sgAuto = 0, sgNone = 1, sgAlways = 2 };

class TCustomImgView32;

// The appearance settings of both bars (read from the horizontal one, written to both), plus
// the arrow step, the bars' thickness and when they show.
class TIVScrollProperties : public TArrowBarAccess {
 public:
  explicit TIVScrollProperties(TCustomImgView32* ImgView);
  const char* ClassName() const override { return "TIVScrollProperties"; }

  int Increment() const;
  void SetIncrement(int Value);
  // The view's ScrollBarSize; writing places the bars anew.
  int Size() const;
  void SetSize(int Value);
  // The view's ScrollBarVisibility; writing another value lays the view out anew.
  TScrollBarVisibility Visibility() const;
  void SetVisibility(TScrollBarVisibility Value);

 private:
  TCustomImgView32* imgView_;
};

class TCustomImgView32 : public TCustomImage32 {
 public:
  explicit TCustomImgView32(QWidget* Parent = nullptr,
                            const TRepaintOptimizerFactory& OptimizerFactory = {});
  ~TCustomImgView32() override;
  const char* ClassName() const override { return "TCustomImgView32"; }

  // Centre the image while it is smaller than the viewport (default true).
  bool Centered() const { return centered_; }
  void SetCentered(bool Value);
  // The bars' thickness as set; 0 means the style's scroll-bar extent.
  int ScrollBarSize() const { return scrollBarSize_; }
  TScrollBarVisibility ScrollBarVisibility() const { return scrollBarVisibility_; }
  TIVScrollProperties* ScrollBars() const { return scrollBars_.get(); }
  TSizeGripStyle SizeGrip() const { return sizeGrip_; }
  void SetSizeGrip(TSizeGripStyle Value);
  // A margin in bitmap pixels around the image on every side.
  int OverSize() const { return overSize_; }
  void SetOverSize(int Value);
  // True while the view positions the bars itself (their changes are not the user's then).
  bool ScrollLock() const { return scrollLock_; }
  // The two bars, children of the view (Qt frees them with it).
  TCustomRangeBar* HorzBar() const { return horzBar_; }
  TCustomRangeBar* VertBar() const { return vertBar_; }

  // Whether the bars show, by ScrollBarVisibility.
  bool ScrollBarsVisible() const;
  // The bars' thickness in use: 0 while they are hidden.
  int ScrollBarThickness() const;
  // The control less the bars on the right and at the bottom.
  TRect ViewArea() const override;
  void PlaceScrollBars();
  // Scrolls so that the bitmap point (X, Y) lies in the middle of the viewport.
  void CenterOn(int X, int Y);
  void CenterOn(const TPoint& P) { CenterOn(P.X, P.Y); }
  // sgAlways, or sgAuto while the view's bottom-right corner is its window's (a grip anywhere
  // else would not resize anything); never with sgNone or without bars.
  bool SizeGripVisible() const;
  // The square between the bars.
  TRect CornerRect() const;

  void SetScaleMode(TScaleMode Value) override;
  void Loaded() override;

  TNotifyEvent OnScroll;

 protected:
  virtual void RaiseScroll();
  // A bar moved by the user.
  virtual void BarMoved(TObject* Sender);
  virtual void RecomputeOffsets();
  virtual void RecomputeScrollRanges();

  void Paint() override;
  void BitmapResized() override;
  void ScaleChanged() override;
  void Resize() override;
  using TCustomImage32::MouseDown;
  using TCustomImage32::MouseMove;
  using TCustomImage32::MouseUp;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  // The wheel scrolls the picture: up and down, across with Shift (or a sideways wheel).
  // With Ctrl it is left to the window around the view.
  void wheelEvent(QWheelEvent* Event) override;
  // Wheel turns over the bars scroll the picture too.
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  friend class TIVScrollProperties;
  // Turns Bar by a wheel turn of Delta and moves the picture with it.
  void WheelBar(TCustomRangeBar& Bar, int Delta);
  // After Centered or ScaleMode changed.
  void Recentre();
  void SetScrollBarSize(int Value);
  void SetScrollBarVisibility(TScrollBarVisibility Value);

  bool centered_ = true;
  int scrollBarSize_ = 0;
  TScrollBarVisibility scrollBarVisibility_ = svAlways;
  std::unique_ptr<TIVScrollProperties> scrollBars_;
  TSizeGripStyle sizeGrip_ = sgAuto;
  int overSize_ = 0;
  bool scrollLock_ = false;
  TCustomRangeBar* horzBar_ = nullptr;
  TCustomRangeBar* vertBar_ = nullptr;
  // Resizing the window by hand, where the window system cannot do it for us.
  bool gripDragging_ = false;
  QPoint gripStart_;
  QSize gripStartSize_;
};

// The view as the program uses it; the properties are those of TCustomImgView32.
class TImgView32 : public TCustomImgView32 {
 public:
  using TCustomImgView32::TCustomImgView32;
  const char* ClassName() const override { return "TImgView32"; }
};

// The middle of the view's visible area, in bitmap pixels (may lie outside the bitmap).
TPoint ViewCentre(TCustomImgView32& View);

}  // namespace pictavia
