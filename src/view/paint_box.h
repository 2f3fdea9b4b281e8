// TCustomPaintBox32: a widget with a 32-bit back buffer that is repainted only when invalid and
// copied to the screen whole or by damaged rectangles; the input mappings the views share.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QWidget>

#include "layers/input.h"
#include "raster/bitmap32.h"
#include "raster/containers.h"
#include "toolkit/canvas.h"
#include "toolkit/colors.h"
#include "toolkit/geometry.h"
#include "toolkit/object.h"
#include "view/repaint_optimizer.h"

class QPainter;

namespace pictavia {

enum TRepaintMode { rmFull = 0, rmDirect = 1, rmOptimizer = 2 };

// Options of a paint box, as a bit set.
using TPaintBoxOptions = uint32_t;
// Qt hands the arrow keys to the focused widget in any case, so TakesArrowKeys is only recorded.
inline constexpr TPaintBoxOptions TakesArrowKeys = 0x01;  // the arrow keys stay with the control
inline constexpr TPaintBoxOptions FocusOnClick = 0x02;    // a mouse press takes the focus

// A Qt button as the layers see it; false for buttons they do not know.
bool ToMouseButton(Qt::MouseButton Button, TMouseButton& Result);
// The keys and buttons held, as the layers see them.
TShiftState ToShiftState(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons,
                         bool DoubleClick = false);
// The on-screen shape of a layer cursor id (crDefault is the arrow).
Qt::CursorShape ToCursorShape(TCursor Cursor);

// The buffer's pixels sit at the same coordinates as the widget's: buffer pixel (x, y) is shown
// at control point (x, y). The buffer is larger than the viewport by up to BufferSlack pixels.
class TCustomPaintBox32 : public QWidget, public TObject {
 public:
  static constexpr int BufferSlack = 40;

  // A 192 x 192 control in rmFull. The optimizer comes from OptimizerFactory, or is a
  // TMicroTilesRepaintOptimizer when none is given.
  explicit TCustomPaintBox32(QWidget* Parent = nullptr,
                             const TRepaintOptimizerFactory& OptimizerFactory = {});
  ~TCustomPaintBox32() override;
  TCustomPaintBox32(const TCustomPaintBox32&) = delete;
  TCustomPaintBox32& operator=(const TCustomPaintBox32&) = delete;
  const char* ClassName() const override { return "TCustomPaintBox32"; }

  // --- properties -----------------------------------------------------------------------------
  TBitmap32* Buffer() const { return buffer_.get(); }
  bool BufferCurrent() const { return bufferCurrent_; }
  TRectList* DamageRects() const { return damageRects_.get(); }
  bool FullRepaintPending() const { return fullRepaintPending_; }
  TCustomRepaintOptimizer* Optimizer() const { return optimizer_.get(); }
  TRepaintMode RepaintMode() const { return repaintMode_; }
  virtual void SetRepaintMode(TRepaintMode Mode);
  TPaintBoxOptions Options() const { return options_; }
  void SetOptions(TPaintBoxOptions Value) { options_ = Value; }
  bool MouseInside() const { return mouseInside_; }
  // The control colour (a toolkit colour, system colours allowed); default clWindow.
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  // The control's own cursor, shown where no layer sets another.
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor Value);
  // Whether the control takes the focus by tabbing and by a press of the mouse.
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool Value);

  // --- repainting -----------------------------------------------------------------------------
  // The optimizer is enabled, no full repaint is pending and the optimizer has damage waiting.
  virtual bool PartialRepaintPossible();
  virtual bool HasDamageRects();
  // Lets an enabled optimizer turn its damage into DamageRects (not while a full repaint waits).
  virtual void CollectDamageRects();
  virtual void RepaintBuffer();
  // The part of the control where the buffer is shown.
  virtual TRect ViewArea() const;
  // The next paint repaints and copies the whole viewport.
  virtual void DamageAll();
  // Marks the buffer invalid and asks for a paint (a partial one when the optimizer can).
  virtual void Invalidate();
  // Invalidate, then paint at once.
  void Repaint();

  // Finishes the set-up once the control is ready to be shown; runs by itself before the first
  // show, and only once.
  virtual void Loaded();

  // The control's canvas while overlays are drawn (layers' PaintGDI, OnGDIOverlay), else null:
  // a copy of the shown viewport that goes to the screen when they are done.
  TCanvas* Canvas() const { return overlayCanvas_.get(); }

  TNotifyEvent OnGDIOverlay;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TNotifyEvent OnResize;

 protected:
  // Copies the buffer to the screen: the damaged rectangles, or the viewport when there are none.
  // Runs inside paintEvent only (Painter() is valid there).
  virtual void Paint();
  virtual void PaintOverlay();
  // Whether PaintOverlay has anything to draw.
  virtual bool HasOverlay() const { return static_cast<bool>(OnGDIOverlay); }
  virtual void BufferResized(int OldWidth, int OldHeight);
  virtual void MouseEnter();
  virtual void MouseLeave();
  // The toolkit-level mouse handlers, in control coordinates.
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  // After every change of the control's size.
  virtual void Resize();
  // Sizes the buffer to the viewport with slack (see BufferSlack).
  void FitBuffer();
  // rmDirect: a changed area of the buffer is copied at once.
  void BufferDirectAreaChanged(const TRect& Area);
  // True while paintEvent runs.
  bool InCustomPaint() const { return painter_ != nullptr; }
  QPainter* Painter() const { return painter_; }
  bool CanFocus() const;
  // The widget's invalidation: a posted paint request when a partial repaint is possible, else
  // the whole widget.
  void InvalidateWindow();
  // Paints the given control rectangles at once, or the whole widget when there are none.
  // Inside paintEvent the request is queued instead.
  void RepaintNow(const std::vector<TRect>& Rects = {});

  bool bufferCurrent_ = false;
  bool fullRepaintPending_ = true;

  // Qt events, translated to the handlers above.
  bool event(QEvent* Event) override;
  void paintEvent(QPaintEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  void showEvent(QShowEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseDoubleClickEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void enterEvent(QEnterEvent* Event) override;
  void leaveEvent(QEvent* Event) override;

 private:
  void PaintMessage();
  void CopyToScreen(const TRect& R);
  void PaintOverlayToScreen();

  std::unique_ptr<TBitmap32> buffer_;
  std::unique_ptr<TRectList> damageRects_;
  std::unique_ptr<TCustomRepaintOptimizer> optimizer_;
  TRepaintMode repaintMode_ = rmFull;
  TPaintBoxOptions options_ = 0;
  bool mouseInside_ = false;
  TColor color_ = clWindow;
  TCursor cursor_ = crDefault;
  bool tabStop_ = false;
  bool loaded_ = false;
  bool paintPosted_ = false;
  QPainter* painter_ = nullptr;
  std::vector<uint32_t> overlayPixels_;
  std::unique_ptr<TCanvas> overlayCanvas_;
};

}  // namespace pictavia
