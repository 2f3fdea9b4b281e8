// Range and gauge bars driven through real mouse, wheel and leave events: geometry, paging with
// the auto-repeat timer, handle drags, hot tracking, extents and the rbsMac pixels.
#include <cmath>
#include <memory>

#include <gtest/gtest.h>
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWheelEvent>

#include "view/range_bars.h"

namespace pictavia {

namespace {

void SendMouse(QWidget& W, QEvent::Type Type, QPoint At, Qt::MouseButton Button,
               Qt::MouseButtons Held) {
  QMouseEvent e(Type, QPointF(At), QPointF(W.mapToGlobal(At)), Button, Held, Qt::NoModifier);
  QCoreApplication::sendEvent(&W, &e);
}
void Press(QWidget& W, QPoint At) {
  SendMouse(W, QEvent::MouseButtonPress, At, Qt::LeftButton, Qt::LeftButton);
}
void DragTo(QWidget& W, QPoint At) {
  SendMouse(W, QEvent::MouseMove, At, Qt::NoButton, Qt::LeftButton);
}
void Hover(QWidget& W, QPoint At) {
  SendMouse(W, QEvent::MouseMove, At, Qt::NoButton, Qt::NoButton);
}
void Release(QWidget& W, QPoint At) {
  SendMouse(W, QEvent::MouseButtonRelease, At, Qt::LeftButton, Qt::NoButton);
}
void Wheel(QWidget& W, int Delta) {
  QWheelEvent e(QPointF(5, 5), QPointF(W.mapToGlobal(QPoint(5, 5))), QPoint(), QPoint(0, Delta),
                Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(&W, &e);
}
void Leave(QWidget& W) {
  QEvent e(QEvent::Leave);
  QCoreApplication::sendEvent(&W, &e);
}

int RoundEven(double V) {
  return static_cast<int>(std::nearbyint(V));
}

// Counts both events of a bar.
struct TEventCount {
  int Change = 0;
  int UserChange = 0;
  void Watch(TArrowBar& Bar) {
    Bar.OnChange = [this](TObject*) { ++Change; };
    Bar.OnUserChange = [this](TObject*) { ++UserChange; };
  }
};

// The editor's opacity slider: 137 x 13, single border, no arrows, a 16-pixel handle.
std::unique_ptr<TGaugeBar> MakeOpacitySlider() {
  auto bar = std::make_unique<TGaugeBar>();
  bar->resize(137, 13);
  bar->SetBackgnd(bgPattern);
  bar->SetHandleSize(16);
  bar->SetMax(255);
  bar->SetShowArrows(false);
  bar->SetShowHandleGrip(true);
  bar->SetStyle(rbsMac);
  bar->SetPosition(255);
  return bar;
}

// A borderless horizontal scroll bar of the view's kind, 200 x 16, over Content pixels.
std::unique_ptr<TCustomRangeBar> MakeScrollBar(int Content, TRBStyle Style = rbsDefault) {
  auto bar = std::make_unique<TCustomRangeBar>();
  bar->resize(200, 16);
  bar->SetBorderStyle(bsNone);
  bar->SetStyle(Style);
  bar->SetContentExtent(Content);
  return bar;
}

QRgb Rgb(TColor C) {
  return 0xFF000000u | ToQColor(C).rgb();
}

}  // namespace

TEST(GaugeBar, OpacitySliderHandleFollowsPosition) {
  auto bar = MakeOpacitySlider();
  EXPECT_EQ(bar->ClientRect(), Rect(0, 0, 135, 11));
  EXPECT_EQ(bar->GetButtonSize(), 0);
  for (int p = 0; p <= 255; ++p) {
    bar->SetPosition(p);
    const TRect h = bar->HandleRect();
    ASSERT_EQ(h, Rect(RoundEven(119.0 * p / 255), 0, RoundEven(119.0 * p / 255) + 16, 11))
        << "Position " << p;
  }
}

TEST(GaugeBar, SettersClampAndNotifyOnlyOnChange) {
  auto bar = MakeOpacitySlider();
  TEventCount events;
  events.Watch(*bar);
  bar->SetPosition(300);
  EXPECT_EQ(bar->Position(), 255);
  EXPECT_EQ(events.Change, 0);  // already at 255
  bar->SetPosition(100);
  bar->SetPosition(300);
  EXPECT_EQ(bar->Position(), 255);
  EXPECT_EQ(events.Change, 2);
  EXPECT_EQ(events.UserChange, 0);

  bar->SetMax(50);  // pulls the position along, with a notification
  EXPECT_EQ(bar->Position(), 50);
  EXPECT_EQ(events.Change, 3);
  bar->SetMax(-5);
  EXPECT_EQ(bar->Max(), 1);
  bar->SetMin(7);
  EXPECT_EQ(bar->Min(), 0);
  bar->SetSmallChange(0);
  bar->SetLargeChange(-4);
  bar->SetHandleSize(-3);
  EXPECT_EQ(bar->SmallChange(), 1);
  EXPECT_EQ(bar->LargeChange(), 1);
  EXPECT_EQ(bar->HandleSize(), 0);
}

TEST(GaugeBar, HandleDragMovesByTheTrackScale) {
  auto bar = MakeOpacitySlider();
  bar->SetPosition(0);
  TEventCount events;
  events.Watch(*bar);
  // Widget coordinates are client coordinates + 1 (the border).
  Press(*bar, QPoint(9, 6));
  EXPECT_EQ(bar->DragZone(), ZoneHandle);
  EXPECT_EQ(bar->TimerMode(), TArrowBar::HotTracking);
  DragTo(*bar, QPoint(16, 6));
  EXPECT_EQ(bar->Position(), 15);  // Round(7 * 255 / 119)
  EXPECT_EQ(events.Change, 1);
  EXPECT_EQ(events.UserChange, 1);
  DragTo(*bar, QPoint(400, 30));
  EXPECT_EQ(bar->Position(), 255);
  DragTo(*bar, QPoint(-300, 6));
  EXPECT_EQ(bar->Position(), 0);
  Release(*bar, QPoint(-300, 6));
  EXPECT_EQ(bar->DragZone(), ZoneNone);
  EXPECT_TRUE(bar->Timer().isActive());
  EXPECT_EQ(bar->Timer().interval(), TArrowBar::HotTrackInterval);
  // Moving without a button no longer drags.
  DragTo(*bar, QPoint(60, 6));
  EXPECT_EQ(bar->Position(), 0);
}

TEST(GaugeBar, TrackPagingRepeatsAndStopsAtThePointer) {
  auto bar = MakeOpacitySlider();
  bar->SetPosition(0);
  bar->SetLargeChange(40);
  TEventCount events;
  events.Watch(*bar);
  Press(*bar, QPoint(101, 6));  // client x 100, right of the handle
  EXPECT_EQ(bar->DragZone(), ZoneNextTrack);
  EXPECT_EQ(bar->Position(), 40);  // at once
  EXPECT_EQ(bar->TimerMode(), TArrowBar::FirstDelay);
  EXPECT_EQ(bar->Timer().interval(), 600);
  EXPECT_TRUE(bar->Timer().isActive());
  bar->TimerHandler();
  EXPECT_EQ(bar->Timer().interval(), 100);
  EXPECT_EQ(bar->TimerMode(), TArrowBar::Repeating);
  EXPECT_EQ(bar->Position(), 80);
  bar->TimerHandler();
  bar->TimerHandler();
  EXPECT_EQ(bar->Position(), 160);
  bar->TimerHandler();  // handle [93, 109) now covers the pointer
  EXPECT_EQ(bar->Position(), 200);
  bar->TimerHandler();
  bar->TimerHandler();
  EXPECT_EQ(bar->Position(), 200);
  EXPECT_EQ(events.Change, 5);
  EXPECT_EQ(events.UserChange, 5);
  // Pulled back to the left of the handle, the next-side paging does nothing.
  DragTo(*bar, QPoint(40, 6));
  bar->TimerHandler();
  EXPECT_EQ(bar->Position(), 200);
  Release(*bar, QPoint(40, 6));
  EXPECT_EQ(bar->TimerMode(), TArrowBar::HotTracking);
}

TEST(GaugeBar, WheelStepsInWholeNotchesWithoutUserChange) {
  auto bar = MakeOpacitySlider();
  bar->SetPosition(100);
  bar->SetSmallChange(3);
  TEventCount events;
  events.Watch(*bar);
  Wheel(*bar, 120);
  EXPECT_EQ(bar->Position(), 103);
  Wheel(*bar, -240);
  EXPECT_EQ(bar->Position(), 97);
  Wheel(*bar, 30);  // 30 * 3 div 120 = 0
  EXPECT_EQ(bar->Position(), 97);
  EXPECT_EQ(events.Change, 2);
  EXPECT_EQ(events.UserChange, 0);
}

TEST(GaugeBar, DisabledBarIgnoresTheMouseAndDrawsNoHandle) {
  auto bar = MakeOpacitySlider();
  bar->SetColor(RGBColor(200, 200, 200));
  bar->SetButtonColor(RGBColor(10, 20, 30));
  bar->SetPosition(0);
  bar->setEnabled(false);
  Press(*bar, QPoint(60, 6));
  Wheel(*bar, 120);
  EXPECT_EQ(bar->Position(), 0);
  EXPECT_EQ(bar->DragZone(), ZoneNone);
  const QImage img = bar->grab().toImage();
  // Where the handle would be there is the disabled track: a ButtonColor fill inside a frame
  // in ShadowColor.
  EXPECT_EQ(img.pixel(9, 6), Rgb(RGBColor(10, 20, 30)));
  EXPECT_EQ(img.pixel(9, 1), Rgb(bar->ShadowColor()));
  EXPECT_EQ(img.pixel(100, 6), Rgb(RGBColor(10, 20, 30)));
}

TEST(GaugeBar, MacPixelsOfTheOpacitySlider) {
  auto bar = MakeOpacitySlider();
  const TColor color = RGBColor(200, 200, 200), light = RGBColor(255, 255, 255);
  const TColor border = RGBColor(40, 40, 40), handle = RGBColor(120, 130, 140);
  bar->SetColor(color);
  bar->SetHighLightColor(light);
  bar->SetBorderColor(border);
  bar->SetHandleColor(handle);
  bar->SetPosition(0);  // handle at client 0..15, i.e. widget 1..16
  QImage img = bar->grab().toImage();
  EXPECT_EQ(img.pixel(0, 0), Rgb(clBtnShadow));        // sunken border, top-left
  EXPECT_EQ(img.pixel(136, 12), Rgb(clBtnHighlight));  // and bottom-right
  EXPECT_EQ(img.pixel(1, 6), Rgb(border));             // handle frame
  EXPECT_EQ(img.pixel(2, 2), Rgb(TArrowBar::Lighten(handle, 24)));
  EXPECT_EQ(img.pixel(15, 10), Rgb(TArrowBar::BlendColors(border, handle, 96)));
  // Ridges: interior 2..13, middle 8, ridges at 3, 6, 9 and 12 (client), 2 pixels wide.
  for (int x : {3, 6, 9, 12}) {
    EXPECT_EQ(img.pixel(x + 1, 5), Rgb(TArrowBar::Lighten(handle, 24))) << x;
    EXPECT_EQ(img.pixel(x + 2, 5), Rgb(TArrowBar::Lighten(handle, -24))) << x;
  }
  EXPECT_EQ(img.pixel(6, 5), Rgb(handle));
  EXPECT_EQ(img.pixel(4, 3), Rgb(handle));  // the ridges stop a pixel short of the bevel
  // The track right of the handle: outline on top, bottom and right, inner shadow on top, then
  // the checkerboard with Color where x and y have equal parity.
  EXPECT_EQ(img.pixel(60, 1), Rgb(border));
  EXPECT_EQ(img.pixel(60, 11), Rgb(border));
  EXPECT_EQ(img.pixel(135, 6), Rgb(border));
  EXPECT_EQ(img.pixel(60, 2),
            Rgb(TArrowBar::BlendColors(border, TArrowBar::BlendColors(light, color, 127), 32)));
  EXPECT_EQ(img.pixel(61, 3), Rgb(color));  // client (60, 2)
  EXPECT_EQ(img.pixel(62, 3), Rgb(light));
  EXPECT_EQ(img.pixel(62, 4), Rgb(color));

  // Pushed: darker bevel, ridges one pixel right and down.
  Press(*bar, QPoint(9, 6));
  img = bar->grab().toImage();
  EXPECT_EQ(img.pixel(2, 2), Rgb(TArrowBar::Lighten(handle, -24)));
  EXPECT_EQ(img.pixel(5, 6), Rgb(TArrowBar::Lighten(handle, 24)));
  EXPECT_EQ(img.pixel(4, 6), Rgb(handle));

  bar->SetBackgnd(bgSolid);
  Release(*bar, QPoint(9, 6));
  img = bar->grab().toImage();
  EXPECT_EQ(img.pixel(61, 3), Rgb(color));
  EXPECT_EQ(img.pixel(62, 3), Rgb(color));
}

TEST(RangeBar, ButtonSizeAndHitTest) {
  auto bar = MakeScrollBar(1000);
  EXPECT_EQ(bar->GetButtonSize(), 16);
  bar->SetStyle(rbsMac);
  EXPECT_EQ(bar->GetButtonSize(), 15);
  bar->SetStyle(rbsDefault);
  bar->resize(30, 16);  // shorter than 33: each button takes half
  EXPECT_EQ(bar->GetButtonSize(), 15);
  bar->resize(200, 16);
  bar->SetButtonSize(20);
  EXPECT_EQ(bar->GetButtonSize(), 20);
  bar->SetButtonSize(0);

  // t = 168, V / E = 0.2: a 34-pixel handle at the start of the track.
  EXPECT_EQ(bar->HandleRect(), Rect(16, 0, 50, 16));
  EXPECT_EQ(bar->ZoneAt(3, 8), ZonePrevButton);
  EXPECT_EQ(bar->ZoneAt(30, 8), ZoneHandle);
  EXPECT_EQ(bar->ZoneAt(120, 8), ZoneNextTrack);
  EXPECT_EQ(bar->ZoneAt(190, 8), ZoneNextButton);
  EXPECT_EQ(bar->ZoneAt(200, 8), ZoneNone);

  // Without arrows the first and the last pixel are not track.
  bar->SetShowArrows(false);
  bar->SetBarPosition(400);
  EXPECT_EQ(bar->ZoneAt(0, 8), ZoneNone);
  EXPECT_EQ(bar->ZoneAt(1, 8), ZonePrevTrack);
  EXPECT_EQ(bar->ZoneAt(198, 8), ZoneNextTrack);
  EXPECT_EQ(bar->ZoneAt(199, 8), ZoneNone);
}

TEST(RangeBar, HandleLengthAndPlace) {
  auto bar = MakeScrollBar(1000);
  bar->SetShowArrows(false);  // t = 200
  bar->SetBarPosition(400);
  EXPECT_EQ(bar->HandleRect(), Rect(80, 0, 120, 16));
  // A long content gives the 17-pixel minimum, placed over the remaining travel.
  bar->SetContentExtent(100000);
  bar->SetBarPosition(49900);
  EXPECT_EQ(bar->HandleRect(), Rect(92, 0, 109, 16));  // Round(183 * 49900 / 99800) = 92
  // A track of 17 pixels or less has no handle, so the whole track pages.
  bar->resize(17, 16);
  EXPECT_TRUE(IsRectEmpty(bar->HandleRect()));
  EXPECT_EQ(bar->ZoneAt(0, 8), ZoneNextTrack);
  EXPECT_EQ(bar->ZoneAt(15, 8), ZoneNextTrack);
  EXPECT_EQ(bar->ZoneAt(16, 8), ZoneNone);
}

TEST(RangeBar, ViewCoveringTheContentIsInert) {
  auto bar = MakeScrollBar(150, rbsMac);  // view 200 >= content 150
  bar->SetButtonColor(RGBColor(10, 20, 30));
  TEventCount events;
  events.Watch(*bar);
  EXPECT_FALSE(bar->DrawEnabled());
  Press(*bar, QPoint(100, 8));
  EXPECT_EQ(bar->DragZone(), ZoneNone);
  EXPECT_FALSE(bar->Timer().isActive());
  Press(*bar, QPoint(190, 8));
  EXPECT_EQ(bar->BarPosition(), 0.0f);
  Hover(*bar, QPoint(100, 8));
  EXPECT_EQ(bar->HotZone(), ZoneNone);
  EXPECT_EQ(events.Change, 0);
  // Drawn disabled: track filled with ButtonColor, no handle.
  const QImage img = bar->grab().toImage();
  EXPECT_EQ(img.pixel(100, 8), Rgb(RGBColor(10, 20, 30)));
  EXPECT_EQ(img.pixel(100, 0), Rgb(bar->ShadowColor()));
}

TEST(RangeBar, ArrowRepeatTurnsIntoHotTrackingAtAnEnd) {
  auto bar = MakeScrollBar(1000);
  TEventCount events;
  events.Watch(*bar);
  Press(*bar, QPoint(195, 8));
  EXPECT_EQ(bar->BarPosition(), 8.0f);
  bar->TimerHandler();
  bar->TimerHandler();
  EXPECT_EQ(bar->BarPosition(), 24.0f);
  EXPECT_EQ(events.UserChange, 3);
  Release(*bar, QPoint(195, 8));

  bar->SetBarPosition(4);
  Press(*bar, QPoint(3, 8));
  EXPECT_EQ(bar->BarPosition(), 0.0f);
  EXPECT_EQ(bar->TimerMode(), TArrowBar::FirstDelay);
  bar->TimerHandler();  // nothing left: hot tracking
  EXPECT_EQ(bar->TimerMode(), TArrowBar::HotTracking);
  EXPECT_EQ(bar->Timer().interval(), 150);
  Release(*bar, QPoint(3, 8));
}

TEST(RangeBar, TrackPagingByTheViewExtent) {
  auto bar = MakeScrollBar(1000);  // handle [16, 50)
  Press(*bar, QPoint(150, 8));
  EXPECT_EQ(bar->BarPosition(), 200.0f);  // handle now [50, 84)
  bar->TimerHandler();
  bar->TimerHandler();
  EXPECT_EQ(bar->BarPosition(), 600.0f);  // handle [117, 151) covers the pointer
  bar->TimerHandler();
  EXPECT_EQ(bar->BarPosition(), 600.0f);
  Release(*bar, QPoint(150, 8));
}

TEST(RangeBar, HandleDragFollowsThePointer) {
  auto bar = MakeScrollBar(1000);
  TEventCount events;
  events.Watch(*bar);
  Press(*bar, QPoint(30, 8));
  DragTo(*bar, QPoint(40, 8));
  EXPECT_FLOAT_EQ(bar->BarPosition(), 1000.0f * 10 / 168);
  EXPECT_EQ(bar->HandleRect().Left, 26);
  EXPECT_EQ(events.UserChange, 1);
  Release(*bar, QPoint(40, 8));

  // With the 17-pixel minimum handle the travel maps onto E - V.
  bar->SetContentExtent(100000);
  bar->SetBarPosition(0);
  Press(*bar, QPoint(20, 8));
  DragTo(*bar, QPoint(35, 12));
  EXPECT_EQ(bar->BarPosition(), static_cast<float>(RoundEven(15.0 * 99800 / 151)));
  EXPECT_EQ(bar->HandleRect().Left, 16 + 15);
  Release(*bar, QPoint(35, 12));

  // A border narrows the track; the handle still keeps pace with the pointer.
  bar->SetBorderStyle(bsSingle);
  bar->SetContentExtent(1000);
  bar->SetBarPosition(0);
  const int start = bar->HandleRect().Left;
  Press(*bar, QPoint(start + 10, 8));
  DragTo(*bar, QPoint(start + 110, 8));
  EXPECT_EQ(bar->HandleRect().Left, start + 100);
}

TEST(RangeBar, PositionClampsAndNotifies) {
  auto bar = MakeScrollBar(1000);
  TEventCount events;
  events.Watch(*bar);
  bar->SetBarPosition(5000);
  EXPECT_EQ(bar->BarPosition(), 800.0f);
  bar->SetBarPosition(-3);
  EXPECT_EQ(bar->BarPosition(), 0.0f);
  bar->SetBarPosition(-7);  // still 0: no notification
  EXPECT_EQ(events.Change, 2);
  bar->SetBarPosition(std::nanf(""));  // lands inside the range, at its end
  EXPECT_EQ(bar->BarPosition(), 800.0f);
  // The wheel turned away from the user scrolls back, an increment (8) a notch.
  bar->SetBarPosition(100);
  Wheel(*bar, 120);
  Wheel(*bar, 60);
  EXPECT_EQ(bar->BarPosition(), 88.0f);
  Wheel(*bar, -240);
  EXPECT_EQ(bar->BarPosition(), 104.0f);
  EXPECT_EQ(events.UserChange, 0);
  // Extents: negative values count as 0, and no notification even when the position moves.
  bar->SetBarPosition(700);
  const int changes = events.Change;
  bar->SetExtents(-10, -10);
  EXPECT_EQ(bar->ContentExtent(), 0);
  EXPECT_EQ(bar->BarPosition(), 0.0f);
  EXPECT_EQ(events.Change, changes);
}

TEST(RangeBar, KeepCentredOnExtentsAndResize) {
  auto bar = MakeScrollBar(1000);
  bar->SetBarPosition(400);  // centre at 500 of 1000
  bar->SetContentExtent(2000);
  EXPECT_EQ(bar->BarPosition(), 400.0f);  // not kept without KeepCentred
  bar->SetKeepCentred(true);
  bar->SetContentExtent(1000);
  EXPECT_EQ(bar->BarPosition(), 150.0f);  // (100 + 400) / 2000 of 1000, less half the view
  bar->SetBarPosition(400);
  bar->resize(400, 16);  // hidden: Qt defers the resize event, the bar must not
  EXPECT_EQ(bar->EffectiveViewExtent(), 400);
  EXPECT_EQ(bar->BarPosition(), 300.0f);
  bar->show();
  EXPECT_EQ(bar->BarPosition(), 300.0f);  // not moved a second time
  bar->resize(200, 16);
  EXPECT_EQ(bar->BarPosition(), 400.0f);
  // A view extent set explicitly wins over the bar's length.
  bar->SetViewExtent(500);
  EXPECT_EQ(bar->EffectiveViewExtent(), 500);
  EXPECT_EQ(bar->BarPosition(), 250.0f);
}

TEST(RangeBar, HotTrackingFollowsThePointerAndStopsOutside) {
  auto bar = MakeScrollBar(1000);
  Hover(*bar, QPoint(30, 8));
  EXPECT_EQ(bar->HotZone(), ZoneHandle);
  EXPECT_EQ(bar->TimerMode(), TArrowBar::HotTracking);
  EXPECT_TRUE(bar->Timer().isActive());
  Hover(*bar, QPoint(3, 8));
  EXPECT_EQ(bar->HotZone(), ZonePrevButton);
  Leave(*bar);
  EXPECT_EQ(bar->HotZone(), ZoneNone);
  EXPECT_FALSE(bar->Timer().isActive());

  // A timer tick that finds the pointer outside ends hot tracking as well.
  Hover(*bar, QPoint(120, 8));
  EXPECT_EQ(bar->HotZone(), ZoneNextTrack);
  Hover(*bar, QPoint(120, 40));
  bar->TimerHandler();
  EXPECT_EQ(bar->HotZone(), ZoneNone);
  EXPECT_FALSE(bar->Timer().isActive());
}

TEST(RangeBar, MacButtonsAndDefaultStyleRender) {
  auto bar = MakeScrollBar(1000, rbsMac);
  const TColor border = RGBColor(40, 40, 40), face = RGBColor(230, 230, 230);
  bar->SetBorderColor(border);
  bar->SetButtonColor(face);
  bar->SetHighLightColor(RGBColor(255, 255, 255));
  bar->SetShadowColor(RGBColor(150, 150, 150));
  QImage img = bar->grab().toImage();
  // Previous button (15 pixels): outline left, top and bottom, bevel, face, dark triangle.
  EXPECT_EQ(img.pixel(0, 8), Rgb(border));
  EXPECT_EQ(img.pixel(7, 0), Rgb(border));
  EXPECT_EQ(img.pixel(1, 1), Rgb(RGBColor(255, 255, 255)));
  EXPECT_EQ(img.pixel(3, 3), Rgb(face));
  EXPECT_EQ(img.pixel(7, 7), Rgb(border));
  EXPECT_EQ(img.pixel(192, 7), Rgb(border));

  // The default look comes from the widget style; it must at least differ between a pushed
  // and a released arrow.
  bar->SetStyle(rbsDefault);
  const QImage released = bar->grab().toImage();
  Press(*bar, QPoint(195, 8));
  const QImage pushed = bar->grab().toImage();
  Release(*bar, QPoint(195, 8));
  EXPECT_NE(released.copy(184, 0, 16, 16), pushed.copy(184, 0, 16, 16));
}

TEST(ArrowBarAccess, ForwardsToMasterAndSlave) {
  TCustomRangeBar horz, vert;
  TArrowBarAccess access(&horz, nullptr);
  access.SetStyle(rbsMac);
  EXPECT_EQ(horz.Style(), rbsMac);
  access.SetSlave(&vert);
  access.SetShowArrows(false);
  access.SetColor(clRed);
  EXPECT_FALSE(horz.ShowArrows());
  EXPECT_FALSE(vert.ShowArrows());
  EXPECT_EQ(vert.Color(), clRed);
  EXPECT_EQ(vert.Style(), rbsDefault);  // set before the slave was bound
  horz.SetButtonSize(12);
  EXPECT_EQ(access.ButtonSize(), 12);
  EXPECT_EQ(TArrowBarAccess().Style(), rbsDefault);
}

}  // namespace pictavia
