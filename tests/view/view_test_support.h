// Helpers of the image view tests: event delivery, reading what reached the screen, and a
// positioned layer that paints a solid colour and records the mouse calls it gets.
#pragma once

#include <memory>
#include <vector>

#include <QBackingStore>
#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#include "layers/positioned_layer.h"
#include "qt_test_support.h"
#include "raster/bitmap32.h"

namespace pictavia {

namespace viewtest {

using testsupport::Flush;

// A mouse event sent straight to a widget, At in its coordinates.
inline void SendMouse(QWidget& W, QEvent::Type Type, QPoint At, Qt::MouseButton Button,
                      Qt::MouseButtons Held, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
  QMouseEvent e(Type, QPointF(At), QPointF(W.mapToGlobal(At)), Button, Held, Modifiers);
  QCoreApplication::sendEvent(&W, &e);
}

// A mouse event sent to the top-level window the way the window system delivers it, so Qt picks
// the receiver itself (and keeps the implicit grab while a button is held). At in window
// coordinates.
inline void SendToWindow(QWidget& TopLevel, QEvent::Type Type, QPoint At, Qt::MouseButton Button,
                         Qt::MouseButtons Held) {
  QWindow* window = TopLevel.windowHandle();
  QMouseEvent e(Type, QPointF(At), QPointF(At), QPointF(TopLevel.mapToGlobal(At)), Button, Held,
                Qt::NoModifier);
  QCoreApplication::sendEvent(window, &e);
}

// The colour the window's backing store holds at a point of W (0x00RRGGBB).
inline uint32_t ScreenPixel(QWidget& W, QPoint At) {
  QBackingStore* store = W.window()->backingStore();
  auto* image = store ? dynamic_cast<QImage*>(store->paintDevice()) : nullptr;
  if (!image) return 0xDEADBEEFu;
  const QPoint p = W.mapTo(W.window(), At);
  return image->pixel(p) & 0x00FFFFFFu;
}

inline std::unique_ptr<TBitmap32> MakeBitmap(int Width, int Height, TColor32 Color) {
  auto b = std::make_unique<TBitmap32>();
  b->SetSize(Width, Height);
  b->Clear(Color);
  return b;
}

// Fills its view location with one colour; counts the mouse calls it receives.
class TColorLayer : public TPositionedLayer {
 public:
  TColorLayer(TLayerCollection* Layers, const TFloatRect& Where, TColor32 Color)
      : TPositionedLayer(Layers), Color(Color) {
    SetScaled(true);
    SetLocation(Where);
  }
  void Paint(TBitmap32* Buffer) override {
    const TRect r = ToIntRect(ViewLocation());
    Buffer->FillClipped(r, Color);
  }
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override {
    Downs.push_back(QPoint(X, Y));
    TPositionedLayer::MouseDown(Button, Shift, X, Y);
  }
  void MouseMove(TShiftState Shift, int X, int Y) override {
    Moves.push_back(QPoint(X, Y));
    TPositionedLayer::MouseMove(Shift, X, Y);
  }
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override {
    Ups.push_back(QPoint(X, Y));
    TPositionedLayer::MouseUp(Button, Shift, X, Y);
  }

  TColor32 Color;
  std::vector<QPoint> Downs, Moves, Ups;
};

}  // namespace viewtest

}  // namespace pictavia
