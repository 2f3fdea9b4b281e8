// A window with the image view: a checkerboard stage behind a photo-like canvas, translucent
// layers to drag with the mouse, and a gauge bar for the zoom. With PICTAVIA_VIEW_DEMO_SHOTS set
// to a folder, it saves a few screenshots there (zoomed, scrolled, dragged) and quits.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include "layers/positioned_layer.h"
#include "view/img_view.h"
#include "view/range_bars.h"

namespace pictavia {

namespace {

// The editor's backdrop: 8 x 8 grey and white squares, drawn only inside the clip rectangle.
void DrawCheckerboard(TBitmap32& Dest) {
  const TRect clip = Dest.ClipRect();
  if (IsRectEmpty(clip)) return;
  std::vector<TColor32> rows[2];
  for (int phase = 0; phase < 2; ++phase) {
    rows[phase].resize(static_cast<size_t>(clip.Right));
    for (int x = 0; x < clip.Right; ++x)
      rows[phase][static_cast<size_t>(x)] = ((x >> 3) + phase) & 1 ? 0xFFC0C0C0u : 0xFFFFFFFFu;
  }
  const size_t count = static_cast<size_t>(clip.Right - clip.Left);
  for (int y = clip.Top; y < clip.Bottom; ++y)
    std::memcpy(Dest.PixelAddress(clip.Left, y), rows[(y >> 3) & 1].data() + clip.Left,
                count * sizeof(TColor32));
  Dest.Changed(clip);
}

// A landscape-like picture: sky, a sun, layered hills, all smooth gradients.
void PaintCanvas(TBitmap32& B, int Width, int Height) {
  B.SetSize(Width, Height);
  for (int y = 0; y < Height; ++y) {
    const double v = static_cast<double>(y) / Height;
    for (int x = 0; x < Width; ++x) {
      const double u = static_cast<double>(x) / Width;
      double r = 90 + 120 * v, g = 150 + 70 * v, b = 235 - 40 * v;  // sky
      const double sun = std::hypot(u - 0.72, (v - 0.22) * Height / Width);
      if (sun < 0.06) {
        r = 255, g = 236, b = 170;
      } else if (sun < 0.16) {
        const double t = (sun - 0.06) / 0.10;
        r = r * t + 255 * (1 - t), g = g * t + 220 * (1 - t), b = b * t + 150 * (1 - t);
      }
      const double hill1 = 0.62 + 0.07 * std::sin(u * 7.0 + 0.6) + 0.03 * std::sin(u * 23.0);
      const double hill2 = 0.75 + 0.05 * std::sin(u * 4.0 + 2.1) + 0.02 * std::sin(u * 31.0);
      if (v > hill2) {
        const double t = (v - hill2) / (1 - hill2);
        r = 60 + 40 * t, g = 120 - 30 * t, b = 40 + 10 * t;
      } else if (v > hill1) {
        const double t = (v - hill1) / 0.2;
        r = 95 + 20 * t, g = 140 + 10 * t, b = 110 - 40 * t;
      }
      B.SetPixel(x, y,
                 Color32(static_cast<uint8_t>(std::clamp(r, 0.0, 255.0)),
                         static_cast<uint8_t>(std::clamp(g, 0.0, 255.0)),
                         static_cast<uint8_t>(std::clamp(b, 0.0, 255.0))));
    }
  }
  B.Changed();
}

// A translucent rectangle with a darker frame that follows the mouse while the left button is
// held on it.
class TDemoLayer : public TPositionedLayer {
 public:
  TDemoLayer(TLayerCollection* Layers, const TFloatRect& Where, TColor32 Color)
      : TPositionedLayer(Layers), color_(Color) {
    SetScaled(true);
    SetLocation(Where);
    SetCursor(crSizeAll);
  }

  void Paint(TBitmap32* Buffer) override {
    const TRect r = ToIntRect(ViewLocation());
    Buffer->BlendFillClipped(r.Left, r.Top, r.Right, r.Bottom, color_);
    Buffer->BlendFrameClipped(r.Left, r.Top, r.Right, r.Bottom,
                              (color_ & 0x00FFFFFFu) | 0xE0000000u);
  }

  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override {
    TPositionedLayer::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    dragFrom_ = Point(X, Y);
    startLocation_ = Location();
    BringToFront();
  }

  void MouseMove(TShiftState Shift, int X, int Y) override {
    TPositionedLayer::MouseMove(Shift, X, Y);
    if (!(Shift & ssLeft) || !PressedButtons().Contains(mbLeft)) return;
    float sx = 1, sy = 1;
    LayerCollection()->ViewScale(sx, sy);
    const float dx = static_cast<float>(X - dragFrom_.X) / sx;
    const float dy = static_cast<float>(Y - dragFrom_.Y) / sy;
    SetLocation(FloatRect(startLocation_.Left + dx, startLocation_.Top + dy,
                          startLocation_.Right + dx, startLocation_.Bottom + dy));
  }

 private:
  TColor32 color_;
  TPoint dragFrom_;
  TFloatRect startLocation_;
};

void SendMouse(QWidget* W, QEvent::Type Type, QPoint At, Qt::MouseButton Button,
               Qt::MouseButtons Held) {
  QMouseEvent e(Type, QPointF(At), QPointF(W->mapToGlobal(At)), Button, Held, Qt::NoModifier);
  QCoreApplication::sendEvent(W, &e);
}

int RunViewDemo(int argc, char** argv) {
  QApplication app(argc, argv);

  QWidget window;
  window.setWindowTitle("Pictavia image view");
  auto* layout = new QVBoxLayout(&window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* top = new QHBoxLayout;
  top->setContentsMargins(8, 6, 8, 6);
  auto* zoomLabel = new QLabel("Zoom 100 %");
  zoomLabel->setMinimumWidth(90);
  auto* zoom = new TGaugeBar;
  zoom->setFixedSize(240, 16);
  zoom->SetStyle(rbsMac);
  zoom->SetBackgnd(bgPattern);
  zoom->SetHandleSize(16);
  zoom->SetMin(10);
  zoom->SetMax(400);
  zoom->SetSmallChange(5);
  zoom->SetLargeChange(25);
  zoom->SetPosition(100);
  top->addWidget(zoomLabel);
  top->addWidget(zoom);
  top->addStretch(1);
  layout->addLayout(top);

  auto* view = new TImgView32;
  layout->addWidget(view, 1);
  view->Bitmap()->SetResamplerClassName("TNearestResampler");
  view->SetTabStop(true);
  view->SetRepaintMode(rmOptimizer);
  view->ScrollBars()->SetShowHandleGrip(true);
  view->PaintStages()->Items(0).Kind = skCustom;
  view->OnPaintStage = [](TObject*, TBitmap32* Buffer, uint32_t StageNum) {
    if (StageNum == 0) DrawCheckerboard(*Buffer);
  };
  PaintCanvas(*view->Bitmap(), 1200, 800);
  new TDemoLayer(view->Layers(), FloatRect(120, 110, 420, 330), 0x80E03C3Cu);
  new TDemoLayer(view->Layers(), FloatRect(330, 250, 640, 520), 0x803C78E6u);
  new TDemoLayer(view->Layers(), FloatRect(700, 420, 1050, 700), 0x8046C850u);
  new TDemoLayer(view->Layers(), FloatRect(860, 80, 1000, 220), 0xA0FFD228u);

  zoom->OnChange = [&](TObject*) {
    view->SetScale(static_cast<float>(zoom->Position()) / 100.0f);
    zoomLabel->setText(QString("Zoom %1 %").arg(zoom->Position()));
  };

  window.resize(900, 640);
  window.show();

  // Each step changes the view; the screen is grabbed at the next tick, once it is painted.
  const char* shots = std::getenv("PICTAVIA_VIEW_DEMO_SHOTS");
  const QDir dir(QString::fromLocal8Bit(shots ? shots : ""));
  std::vector<std::function<void()>> steps;
  int next = 0;
  if (shots && *shots) {
    steps = {
        [] {},
        [&] { zoom->SetPosition(50); },
        [&] {
          zoom->SetPosition(200);
          view->HorzBar()->SetBarPosition(view->HorzBar()->BarPosition() - 300);
          view->VertBar()->SetBarPosition(view->VertBar()->BarPosition() + 150);
        },
        [&] { zoom->SetPosition(100); },
        [&] {
          // A drag in several steps, each painted partially by the optimizer.
          const TPoint from = view->BitmapToView(200, 200);
          const TPoint to = view->BitmapToView(260, 330);
          SendMouse(view, QEvent::MouseButtonPress, QPoint(from.X, from.Y), Qt::LeftButton,
                    Qt::LeftButton);
          for (int i = 1; i <= 4; ++i) {
            const QPoint at(from.X + (to.X - from.X) * i / 4, from.Y + (to.Y - from.Y) * i / 4);
            SendMouse(view, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
            QCoreApplication::processEvents();
          }
          SendMouse(view, QEvent::MouseButtonRelease, QPoint(to.X, to.Y), Qt::LeftButton,
                    Qt::NoButton);
        },
        [&] { view->ScrollBars()->SetVisibility(svAuto), zoom->SetPosition(40); },
    };
    auto* timer = new QTimer(&window);
    QObject::connect(timer, &QTimer::timeout, [&] {
      if (next > 0) {
        const QString name = dir.filePath(QString("view_demo_%1.png").arg(next));
        // What the window system shows, not a fresh rendering of the widgets.
        window.screen()->grabWindow(window.winId()).save(name);
      }
      if (next >= static_cast<int>(steps.size())) {
        app.quit();
        return;
      }
      steps[static_cast<size_t>(next++)]();
    });
    timer->start(400);
  }
  return app.exec();
}

}  // namespace

}  // namespace pictavia

int main(int argc, char** argv) {
  return pictavia::RunViewDemo(argc, argv);
}
