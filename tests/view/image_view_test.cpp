// The image and the view: placement and zoom, the 16.16 mappings, the paint stages, rendering
// into other bitmaps, mouse routing with capture and cursors, the scroll bars, centring and the
// size grip.
#include <memory>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>
#include <QApplication>
#include <QStyle>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "view/img_view.h"
#include "view_test_support.h"

namespace pictavia {

using namespace viewtest;

namespace {

// The stage a test wants to see run alone, and the buffer it runs on.
void OnlyStage(TCustomImage32& Image, uint32_t Kind) {
  Image.PaintStages()->Clear();
  Image.PaintStages()->Add().Kind = Kind;
}

// Counts the view's scroll reactions.
class TCountingView : public TImgView32 {
 public:
  int BarMoves = 0, OffsetRuns = 0;

 protected:
  void BarMoved(TObject* Sender) override {
    ++BarMoves;
    TImgView32::BarMoved(Sender);
  }
  void RecomputeOffsets() override {
    ++OffsetRuns;
    TImgView32::RecomputeOffsets();
  }
};

}  // namespace

// --- placement and mapping ---------------------------------------------------------------------

TEST(ImagePlacement, CustomOffsetsRoundTiesToEvenAndCentringUsesTheWholeControl) {
  TCustomImage32 image;
  image.resize(201, 100);
  int resizes = 0;
  image.OnBitmapResize = [&](TObject*) { ++resizes; };
  image.SetBitmap(*MakeBitmap(100, 50, clRed32));
  EXPECT_EQ(resizes, 1);
  image.SetBitmapAlign(baCustom);
  image.SetOffsetX(10.5f);
  image.SetOffsetY(11.5f);
  EXPECT_EQ(image.DrawnRect(), Rect(10, 12, 110, 62));
  image.SetBitmapAlign(baCenter);
  EXPECT_EQ(image.DrawnRect(), Rect(50, 25, 150, 75));  // (201 - 100) div 2 = 50
  image.BeginUpdate();
  image.Bitmap()->SetSize(0, 0);
  image.EndUpdate();
  EXPECT_EQ(resizes, 1);  // not inside an update bracket
  EXPECT_EQ(image.DrawnRect(), Rect(0, 0, 0, 0));
}

TEST(ImageMapping, ScaleTwoMapsBothWaysTruncatingTowardZero) {
  TCustomImage32 image;
  image.resize(300, 200);
  image.SetBitmap(*MakeBitmap(100, 50, clRed32));
  image.SetScaleMode(smScale);
  image.SetScale(2);
  EXPECT_EQ(image.BitmapToView(10, 10), Point(20, 20));
  EXPECT_EQ(image.ViewToBitmap(21, 21), Point(10, 10));
  EXPECT_EQ(image.ViewToBitmap(-1, 0), Point(0, 0));  // -0.5 truncates to 0
  EXPECT_EQ(image.ViewToBitmap(-3, 0), Point(-1, 0));
  EXPECT_EQ(image.MapScaleX(), 131072);
  EXPECT_EQ(image.MapInvScaleY(), 32768);
  // The layers see the same mapping through their collection.
  float sx = 0, sy = 0, dx = -1, dy = -1;
  image.Layers()->ViewScale(sx, sy);
  image.Layers()->ViewShift(dx, dy);
  EXPECT_FLOAT_EQ(sx, 2.0f);
  EXPECT_FLOAT_EQ(dx, 0.0f);
  image.SetBitmapAlign(baCustom);
  image.SetOffsetX(30);
  EXPECT_EQ(image.BitmapToView(10, 10), Point(50, 20));
  image.Layers()->ViewShift(dx, dy);
  EXPECT_FLOAT_EQ(dx, 30.0f);
}

TEST(ImageMapping, OnePercentZoomOnAWideControlLandsTheMouseOnTheRightPoint) {
  // At 1 % the inverse scale is 100 x 65536, so any control x from 328 on makes a product beyond
  // 32 bits; in a wide window the pointer gets there easily.
  TCustomImage32 image;
  image.resize(1200, 100);
  image.Bitmap()->SetSize(10000, 100);
  image.SetScaleMode(smScale);
  image.SetScale(0.01f);
  ASSERT_EQ(image.DrawnSize().cx, 100);
  EXPECT_EQ(image.ViewToBitmap(400, 0).X, 40000);
  EXPECT_EQ(image.ViewToBitmap(1199, 0).X, 119900);
  EXPECT_EQ(image.ViewToBitmap(-500, 0).X, -50000);
  EXPECT_EQ(image.BitmapToView(9999, 0).X, 99);
}

TEST(ImageDrawnSize, FollowsTheScaleMode) {
  TCustomImage32 image;
  image.resize(200, 100);
  image.SetBitmap(*MakeBitmap(100, 100, clRed32));
  image.SetScaleMode(smResize);
  EXPECT_EQ(image.DrawnSize(), (TSize{100, 100}));  // rx = 2 >= ry = 1
  image.resize(50, 100);
  EXPECT_EQ(image.DrawnSize(), (TSize{50, 50}));
  image.SetScaleMode(smStretch);
  EXPECT_EQ(image.DrawnSize(), (TSize{50, 100}));

  image.resize(100, 100);
  image.SetScaleMode(smOptimal);
  EXPECT_EQ(image.DrawnSize(), (TSize{100, 100}));  // fits exactly: as smNormal
  image.resize(80, 100);
  EXPECT_EQ(image.DrawnSize(), (TSize{80, 80}));  // too big: as smResize

  image.SetScaleMode(smOptimalScaled);
  image.SetScale(0.5f);
  EXPECT_EQ(image.DrawnSize(), (TSize{50, 50}));
  image.SetScale(1.5f);
  EXPECT_EQ(image.DrawnSize(), (TSize{80, 80}));
}

TEST(ImageScale, NeverGoesBelowTheMinimumAndNotifiesOnlyChanges) {
  TCustomImage32 image;
  int changes = 0;
  image.OnScaleChange = [&](TObject*) { ++changes; };
  image.SetScale(0);
  EXPECT_FLOAT_EQ(image.Scale(), 0.001f);
  EXPECT_FLOAT_EQ(image.ScaleY(), 0.001f);
  image.SetScale(-5);
  image.SetScale(0.001f);
  EXPECT_EQ(changes, 1);
  image.SetScaleMode(smScale);
  image.Bitmap()->SetSize(5000, 10);
  EXPECT_EQ(image.DrawnSize().cx, 5);
}

// --- stages ------------------------------------------------------------------------------------

TEST(ImageStages, BackgroundFillsOnlyWhatAnOpaqueBitmapLeavesUncovered) {
  const TColor32 marker = 0xFF123456u, background = Color32(clWhite);
  TCustomImage32 image;
  image.SetColor(clWhite);
  image.resize(100, 80);
  image.show();
  Flush();
  OnlyStage(image, skClearBackground);
  image.SetBitmap(*MakeBitmap(100, 80, clRed32));
  image.Buffer()->Clear(marker);
  image.RepaintBuffer();
  EXPECT_EQ(image.Buffer()->GetPixel(0, 0), marker);
  EXPECT_EQ(image.Buffer()->GetPixel(99, 79), marker);

  // A smaller bitmap: the bands around it are filled, the bitmap's place is left alone.
  image.Bitmap()->SetSize(50, 40);
  image.SetBitmapAlign(baCenter);
  image.Buffer()->Clear(marker);
  image.Invalidate();
  image.RepaintBuffer();
  EXPECT_EQ(image.Buffer()->GetPixel(24, 30), background);
  EXPECT_EQ(image.Buffer()->GetPixel(75, 30), background);
  EXPECT_EQ(image.Buffer()->GetPixel(50, 19), background);
  EXPECT_EQ(image.Buffer()->GetPixel(50, 60), background);
  EXPECT_EQ(image.Buffer()->GetPixel(25, 20), marker);
  EXPECT_EQ(image.Buffer()->GetPixel(74, 59), marker);

  // A bitmap drawn with blending may let the background through anywhere.
  image.Bitmap()->SetDrawMode(dmBlend);
  image.Buffer()->Clear(marker);
  image.RepaintBuffer();
  EXPECT_EQ(image.Buffer()->GetPixel(50, 40), background);
}

TEST(ImageStages, DefaultStagesDrawTheBitmapAndOnlyVisibleLayersWhichAllTakeTheMouse) {
  TCustomImage32 image;
  image.resize(100, 80);
  image.SetBitmap(*MakeBitmap(100, 80, clRed32));
  auto* shown = new TColorLayer(image.Layers(), FloatRect(10, 10, 30, 30), clGreen32);
  auto* hidden = new TColorLayer(image.Layers(), FloatRect(50, 10, 70, 30), clBlue32);
  hidden->SetOptionBits(OptMouse);
  image.show();
  Flush();
  image.RepaintBuffer();
  EXPECT_EQ(image.Buffer()->GetPixel(20, 20), clGreen32);
  EXPECT_EQ(image.Buffer()->GetPixel(60, 20), clRed32);
  EXPECT_EQ(image.Buffer()->GetPixel(5, 5), clRed32);

  TCustomLayer* reported = nullptr;
  image.OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int, TCustomLayer* Layer) {
    reported = Layer;
  };
  SendMouse(image, QEvent::MouseButtonPress, QPoint(60, 20), Qt::LeftButton, Qt::LeftButton);
  SendMouse(image, QEvent::MouseButtonRelease, QPoint(60, 20), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(reported, hidden);
  EXPECT_EQ(hidden->Downs.size(), 1u);
  EXPECT_TRUE(shown->Downs.empty());
}

TEST(ImageRender, RenderIntoMapsTheBitmapAndLayersOntoTheTargetAndRestoresTheView) {
  TCustomImage32 image;
  image.resize(300, 200);
  image.SetBitmap(*MakeBitmap(100, 50, clRed32));
  image.SetBitmapAlign(baCustom);
  image.SetOffsetX(40);
  new TColorLayer(image.Layers(), FloatRect(10, 10, 20, 20), clGreen32);
  image.SetRepaintMode(rmDirect);

  TBitmap32 target;
  target.SetSize(200, 100);
  target.Clear(clBlack32);
  image.RenderInto(target, target.BoundsRect());
  EXPECT_EQ(target.GetPixel(5, 5), clRed32);
  EXPECT_EQ(target.GetPixel(199, 99), clRed32);
  EXPECT_EQ(target.GetPixel(20, 20), clGreen32);  // the layer at twice its size, not shifted
  EXPECT_EQ(target.GetPixel(39, 39), clGreen32);
  EXPECT_EQ(target.GetPixel(40, 40), clRed32);
  EXPECT_FALSE(image.RenderingInto());
  EXPECT_EQ(image.RepaintMode(), rmDirect);
  EXPECT_EQ(image.BitmapToView(0, 0), Point(40, 0));

  // Damage the control has not repainted yet is in its own coordinates: the background stage
  // fills the target's bands as for a full repaint.
  image.SetColor(clWhite);
  image.DamageRects()->Add(Rect(0, 0, 10, 10));
  target.Clear(clBlack32);
  image.RenderInto(target, Rect(0, 0, 100, 50));
  EXPECT_EQ(target.GetPixel(150, 75), Color32(clWhite));
  EXPECT_EQ(target.GetPixel(5, 5), clRed32);
  image.DamageRects()->Clear();
}

TEST(ImageRender, AOneByOneTargetWithAnEmptyBitmapRunsTheStagesWithTheIdentityMapping) {
  TCustomImage32 image;
  image.resize(300, 200);
  image.SetColor(clWhite);
  image.PaintStages()->Items(0).Kind = skCustom;  // the background stage becomes a custom one
  image.PaintStages()->Add().Kind = skClearBackground;
  std::vector<uint32_t> stages;
  TPoint mapped;
  bool rendering = false;
  image.OnPaintStage = [&](TObject*, TBitmap32*, uint32_t StageNum) {
    stages.push_back(StageNum);
    mapped = image.BitmapToView(7, 3);
    rendering = image.RenderingInto();
  };
  TBitmap32 target;
  target.SetSize(1, 1);
  target.Clear(clBlack32);
  image.RenderInto(target, target.BoundsRect());
  EXPECT_EQ(stages, std::vector<uint32_t>{0});
  EXPECT_EQ(mapped, Point(7, 3));
  EXPECT_TRUE(rendering);
  EXPECT_EQ(target.GetPixel(0, 0), Color32(clWhite));

  // A failing stage still leaves the view as it was.
  image.OnPaintStage = [](TObject*, TBitmap32*, uint32_t) { throw std::runtime_error("stage"); };
  EXPECT_THROW(image.RenderInto(target, target.BoundsRect()), std::runtime_error);
  EXPECT_FALSE(image.RenderingInto());
  EXPECT_EQ(image.RepaintMode(), rmFull);
}

// --- mouse and cursors -------------------------------------------------------------------------

TEST(ImageMouse, TheLayerUnderAPressKeepsTheMouseWhileItIsDraggedOutside) {
  // The window is larger than the image, so the pointer can leave the image and stay in the
  // window; Qt picks the receivers itself.
  QWidget window;
  window.resize(400, 300);
  auto* image = new TCustomImage32(&window);
  image->setGeometry(50, 50, 200, 150);
  auto* layer = new TColorLayer(image->Layers(), FloatRect(10, 10, 60, 60), clGreen32);
  std::vector<TCustomLayer*> moveLayers;
  TShiftState downShift = 0;
  image->OnMouseDown = [&](TObject*, TMouseButton, TShiftState Shift, int, int, TCustomLayer*) {
    downShift = Shift;
  };
  image->OnMouseMove = [&](TObject*, TShiftState, int, int, TCustomLayer* Layer) {
    moveLayers.push_back(Layer);
  };
  window.show();
  Flush();

  SendToWindow(window, QEvent::MouseButtonPress, QPoint(70, 70), Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(downShift, ssLeft);
  SendToWindow(window, QEvent::MouseMove, QPoint(380, 280), Qt::NoButton, Qt::LeftButton);
  SendToWindow(window, QEvent::MouseMove, QPoint(-20, -30), Qt::NoButton, Qt::LeftButton);
  ASSERT_EQ(layer->Moves.size(), 2u);
  EXPECT_EQ(layer->Moves[0], QPoint(330, 230));  // control coordinates, outside the control
  EXPECT_EQ(layer->Moves[1], QPoint(-70, -80));
  EXPECT_EQ(moveLayers, (std::vector<TCustomLayer*>{layer, layer}));
  SendToWindow(window, QEvent::MouseButtonRelease, QPoint(380, 280), Qt::LeftButton, Qt::NoButton);
  ASSERT_EQ(layer->Ups.size(), 1u);
  EXPECT_EQ(image->Layers()->MouseCaptor(), nullptr);

  // Released: a move over the image away from the layer finds no layer.
  SendToWindow(window, QEvent::MouseMove, QPoint(200, 150), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(moveLayers.back(), nullptr);
  EXPECT_EQ(layer->Moves.size(), 2u);
}

TEST(ImageMouse, LayerCursorsShowOverTheirLayerAndTheControlsOwnCursorElsewhere) {
  TCustomImage32 image;
  image.resize(200, 100);
  auto* layer = new TColorLayer(image.Layers(), FloatRect(0, 0, 50, 50), clGreen32);
  layer->SetCursor(crHandPoint);
  image.SetCursor(crCross);
  image.show();
  Flush();
  SendMouse(image, QEvent::MouseMove, QPoint(10, 10), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(image.cursor().shape(), Qt::PointingHandCursor);
  SendMouse(image, QEvent::MouseMove, QPoint(100, 80), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(image.cursor().shape(), Qt::CrossCursor);
  EXPECT_EQ(image.Cursor(), crCross);
}

// --- the view ----------------------------------------------------------------------------------

TEST(ImgViewBars, AutoVisibilityHidesBothBarsForASmallImageAndTheBufferCoversTheViewport) {
  TImgView32 view;
  view.resize(600, 400);
  view.SetBitmap(*MakeBitmap(1000, 1000, clRed32));
  view.show();
  Flush();
  view.resize(300, 200);  // the buffer shrinks to the viewport exactly
  const int s = view.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &view);
  EXPECT_EQ(view.ViewArea(), Rect(0, 0, 300 - s, 200 - s));
  EXPECT_EQ(view.HorzBar()->geometry(), QRect(0, 200 - s, 300 - s, s));
  EXPECT_EQ(view.VertBar()->geometry(), QRect(300 - s, 0, s, 200 - s));

  view.ScrollBars()->SetVisibility(svAuto);
  EXPECT_TRUE(view.HorzBar()->isVisible());
  view.SetScale(0.05f);  // 50 x 50
  EXPECT_FALSE(view.HorzBar()->isVisible());
  EXPECT_FALSE(view.VertBar()->isVisible());
  EXPECT_EQ(view.ViewArea(), Rect(0, 0, 300, 200));
  EXPECT_GE(view.Buffer()->Width(), 300);
  EXPECT_GE(view.Buffer()->Height(), 200);
  EXPECT_FLOAT_EQ(view.OffsetX(), 125.0f);  // centred in the whole control

  // A margin around the image widens what the bars scroll over at once.
  view.SetScale(1);
  view.SetOverSize(10);
  EXPECT_EQ(view.HorzBar()->ContentExtent(), 1020);
  EXPECT_EQ(view.VertBar()->ContentExtent(), 1020);
}

TEST(ImgViewScroll, ADraggedBarScrollsTheImageButCenterOnDoesNotCountAsTheUsers) {
  TCountingView view;
  view.resize(300, 200);
  view.SetBitmap(*MakeBitmap(1000, 800, clRed32));
  view.show();
  Flush();
  int scrolls = 0;
  view.OnScroll = [&](TObject*) { ++scrolls; };
  const TRect area = view.ViewArea();

  view.BarMoves = view.OffsetRuns = 0;
  view.CenterOn(600, 500);
  EXPECT_EQ(view.BarMoves, 0);
  EXPECT_EQ(view.OffsetRuns, 1);
  EXPECT_EQ(scrolls, 0);
  EXPECT_FLOAT_EQ(view.HorzBar()->BarPosition(), 600 - area.Width() / 2.0f);
  EXPECT_EQ(view.ViewToBitmap(area.Width() / 2, area.Height() / 2), Point(600, 500));

  // Dragging the horizontal handle to the left moves the picture to the right.
  const TRect handle = view.HorzBar()->HandleRect();
  const QPoint grab((handle.Left + handle.Right) / 2, (handle.Top + handle.Bottom) / 2);
  const float before = view.OffsetX();
  SendMouse(*view.HorzBar(), QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
  SendMouse(*view.HorzBar(), QEvent::MouseMove, grab - QPoint(20, 0), Qt::NoButton, Qt::LeftButton);
  SendMouse(*view.HorzBar(), QEvent::MouseButtonRelease, grab - QPoint(20, 0), Qt::LeftButton,
            Qt::NoButton);
  EXPECT_GE(view.BarMoves, 1);
  EXPECT_GE(scrolls, 1);
  EXPECT_GT(view.OffsetX(), before);
  EXPECT_FLOAT_EQ(view.OffsetX(), -view.HorzBar()->BarPosition());
}

TEST(ImgViewScroll, TheWheelScrollsThePictureOverTheViewAndOverItsBars) {
  TCountingView view;
  view.resize(300, 200);
  view.SetBitmap(*MakeBitmap(1000, 800, clRed32));
  view.show();
  Flush();
  view.CenterOn(500, 400);
  const float x0 = view.OffsetX(), y0 = view.OffsetY();
  auto wheel = [](QWidget& W, QPoint Delta, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
    QWheelEvent e(QPointF(5, 5), QPointF(W.mapToGlobal(QPoint(5, 5))), QPoint(), Delta,
                  Qt::NoButton, Modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&W, &e);
    return e.isAccepted();
  };
  // A notch away from the user shows what is above: the picture moves down by an increment.
  const int step = view.VertBar()->Increment();
  EXPECT_TRUE(wheel(view, QPoint(0, 120)));
  EXPECT_FLOAT_EQ(view.OffsetY(), y0 + step);
  EXPECT_FLOAT_EQ(view.OffsetY(), -view.VertBar()->BarPosition());
  EXPECT_FLOAT_EQ(view.OffsetX(), x0);
  // Shift, or a sideways wheel, scrolls across.
  EXPECT_TRUE(wheel(view, QPoint(0, -120), Qt::ShiftModifier));
  EXPECT_FLOAT_EQ(view.OffsetX(), x0 - step);
  EXPECT_TRUE(wheel(view, QPoint(240, 0)));
  EXPECT_FLOAT_EQ(view.OffsetX(), x0 + step);
  EXPECT_FLOAT_EQ(view.OffsetX(), -view.HorzBar()->BarPosition());
  // Over a bar the picture follows the bar, instead of the handle moving alone.
  view.BarMoves = 0;
  EXPECT_TRUE(wheel(*view.VertBar(), QPoint(0, -120)));
  EXPECT_EQ(view.BarMoves, 1);
  EXPECT_FLOAT_EQ(view.OffsetY(), y0);
  EXPECT_FLOAT_EQ(view.OffsetY(), -view.VertBar()->BarPosition());
  // At the end of the range nothing moves and nothing is repainted.
  view.VertBar()->SetBarPosition(0);
  view.BarMoves = 0;
  wheel(view, QPoint(0, 120));
  EXPECT_EQ(view.BarMoves, 0);
  // Ctrl + wheel is left to the window around the view.
  EXPECT_FALSE(wheel(view, QPoint(0, 120), Qt::ControlModifier));
}

TEST(ImgViewZoom, ZoomingKeepsTheMiddleOfTheViewInPlace) {
  TImgView32 view;
  view.resize(300, 200);
  view.SetBitmap(*MakeBitmap(1000, 1000, clRed32));
  view.show();
  Flush();
  view.CenterOn(700, 300);
  const TRect area = view.ViewArea();
  const TPoint middle = Point(area.Width() / 2, area.Height() / 2);
  ASSERT_EQ(view.ViewToBitmap(middle), Point(700, 300));
  view.SetScale(2);
  const TPoint after = view.ViewToBitmap(middle);
  EXPECT_NEAR(after.X, 700, 1);
  EXPECT_NEAR(after.Y, 300, 1);
  view.SetScale(0.1f);  // 100 x 100: centred, no scrolling
  EXPECT_FLOAT_EQ(view.OffsetX(), (area.Width() - 100) / 2.0f);
  EXPECT_EQ(view.DrawnRect().Top, (area.Height() - 100) / 2);
}

TEST(ImgViewGrip, TheGripResizesTheWindowAndItsPressesAreNotTheLayers) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* view = new TImgView32;
  layout->addWidget(view);
  view->SetBitmap(*MakeBitmap(1000, 1000, clRed32));
  auto* layer = new TColorLayer(view->Layers(), FloatRect(0, 0, 1000, 1000), clGreen32);
  window.resize(300, 200);
  window.show();
  Flush();
  EXPECT_TRUE(view->SizeGripVisible());  // sgAuto: the view ends where the window ends
  view->SetSizeGrip(sgNone);
  EXPECT_FALSE(view->SizeGripVisible());
  view->SetSizeGrip(sgAlways);

  const TRect corner = view->CornerRect();
  ASSERT_FALSE(IsRectEmpty(corner));
  const QPoint at(corner.Left + 2, corner.Top + 2);
  SendMouse(*view, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(view->cursor().shape(), Qt::SizeFDiagCursor);
  SendMouse(*view, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
  EXPECT_TRUE(layer->Downs.empty());
  // Where the window system does not resize the window itself, the view does.
  SendMouse(*view, QEvent::MouseMove, at + QPoint(30, 20), Qt::NoButton, Qt::LeftButton);
  SendMouse(*view, QEvent::MouseButtonRelease, at + QPoint(30, 20), Qt::LeftButton, Qt::NoButton);
  Flush();
  if (window.size() == QSize(300, 200)) GTEST_SKIP() << "the window system resized the window";
  EXPECT_EQ(window.size(), QSize(330, 220));
  EXPECT_TRUE(layer->Downs.empty());
}

}  // namespace pictavia
