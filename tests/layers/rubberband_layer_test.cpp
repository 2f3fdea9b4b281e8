// The rubber band: what a point grabs, drags under the size limits and the reshaping hook,
// cursors, option bits, the attached layer and its destruction, and the drawn frame and handles.
#include <gtest/gtest.h>

#include "layer_kinds_support.h"
#include "layers/bitmap_layer.h"
#include "layers/rubberband_layer.h"

namespace pictavia {

TEST(RubberbandLayer, GripAtRoundsThenTakesCornersBeforeSidesBeforeTheInside) {
  TLayerCollection layers;
  auto* band = new TRubberbandLayer(&layers);
  band->SetLocation(FloatRect(0, 0, 100, 100));
  EXPECT_EQ(band->GripAt(103, 103), dsBottomRight);  // |103 - 99| = 4
  EXPECT_EQ(band->GripAt(104, 104), dsNone);
  EXPECT_EQ(band->GripAt(50, 1), dsTop);
  EXPECT_EQ(band->GripAt(50, 50), dsMove);
  EXPECT_EQ(band->GripAt(-4, 53), dsLeft);  // vertical centre is 99 div 2 = 49
  EXPECT_EQ(band->GripAt(98, 54), dsMove);  // not near a handle, inside
  EXPECT_EQ(band->GripAt(99, 54), dsNone);  // the last column does not move the band
  EXPECT_EQ(band->GripAt(103, -4), dsTopRight);

  // Ties to even: 0.5 and 100.5 round to 0 and 100, 1.5 and 101.5 to 2 and 102.
  band->SetLocation(FloatRect(0.5f, 0.5f, 100.5f, 100.5f));
  EXPECT_EQ(band->GripAt(103, 103), dsBottomRight);
  band->SetLocation(FloatRect(1.5f, 1.5f, 101.5f, 101.5f));
  EXPECT_EQ(band->GripAt(105, 105), dsBottomRight);
  EXPECT_EQ(band->GripAt(-3, -3), dsNone);

  // On a small band the corner wins although the side is as near.
  band->SetLocation(FloatRect(0, 0, 6, 6));
  EXPECT_EQ(band->GripAt(5, 2), dsBottomRight);
  band->SetHandles(gpCenter | gpSides | gpCorners | gpFrame | gpNoBottomRight);
  EXPECT_EQ(band->GripAt(5, 2), dsTopRight);

  band->SetLocation(FloatRect(0, 0, 100, 100));
  band->SetHandles(gpCenter | gpSides | gpFrame);
  EXPECT_EQ(band->GripAt(103, 103), dsNone);
  band->SetHandles(gpSides | gpCorners);
  EXPECT_EQ(band->GripAt(50, 50), dsNone);
  EXPECT_EQ(layers.TopLayerAt(50, 50), nullptr);  // only its handles catch the mouse now
  EXPECT_EQ(layers.TopLayerAt(103, 103), band);
}

TEST(RubberbandLayer, DragsStartAgainFromTheStartLocationUnderTheLimits) {
  KindsOwner owner;
  TLayerCollection layers(&owner);
  auto* band = new TRubberbandLayer(&layers);
  band->SetLocation(FloatRect(0, 0, 100, 100));
  int userChanges = 0, downs = 0, moves = 0;
  band->OnUserChange = [&](TObject*) { ++userChanges; };
  band->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
  band->OnMouseMove = [&](TObject*, TShiftState, int, int) { ++moves; };

  layers.MouseDown(mbLeft, ssLeft, 0, 50);
  EXPECT_TRUE(band->Dragging());
  EXPECT_EQ(band->DragState(), dsLeft);
  layers.MouseMove(ssLeft, 95, 50);
  EXPECT_EQ(band->Location(), FloatRect(90, 0, 100, 100));  // MinWidth 10, right edge kept
  layers.MouseMove(ssLeft, 20, 50);
  EXPECT_EQ(band->Location(), FloatRect(20, 0, 100, 100));
  layers.MouseMove(ssLeft, 20, 80);  // same rectangle: nothing to tell
  EXPECT_EQ(userChanges, 2);
  layers.MouseDown(mbRight, ssLeft | ssRight, 99, 99);  // ignored while dragging
  EXPECT_EQ(band->DragState(), dsLeft);
  EXPECT_EQ(downs, 1);
  layers.MouseUp(mbRight, ssLeft, 20, 80);
  layers.MouseUp(mbLeft, 0, 20, 80);
  EXPECT_FALSE(band->Dragging());
  EXPECT_EQ(layers.MouseCaptor(), nullptr);

  auto dragRight = [&](int toX) {
    band->SetLocation(FloatRect(0, 0, 100, 100));
    layers.MouseDown(mbLeft, ssLeft, 99, 50);
    layers.MouseMove(ssLeft, toX, 50);
    layers.MouseUp(mbLeft, 0, toX, 50);
    return band->Location().Right;
  };
  EXPECT_EQ(dragRight(300), 300);  // MaxWidth 0 is below MinWidth: no upper limit
  band->SetMaxWidth(50);
  EXPECT_EQ(dragRight(300), 50);

  band->SetLocation(FloatRect(10, 10, 60, 60));
  layers.MouseDown(mbLeft, ssLeft, 30, 30);
  EXPECT_EQ(band->DragState(), dsMove);
  layers.MouseMove(ssLeft, 35, 20);
  EXPECT_EQ(band->Location(), FloatRect(15, 0, 65, 50));
  layers.MouseUp(mbLeft, 0, 35, 20);
  EXPECT_EQ(moves, 0);  // the band never raises OnMouseMove
}

TEST(RubberbandLayer, ScaledDragsMapBackAndReshapingMayOverrule) {
  KindsOwner owner;
  owner.scale = 2;
  owner.shiftX = owner.shiftY = 10;
  TLayerCollection layers(&owner);
  auto* band = new TRubberbandLayer(&layers);
  band->SetScaled(true);
  band->SetLocation(FloatRect(0, 0, 50, 50));  // view (10, 10, 110, 110)
  layers.MouseDown(mbLeft, ssLeft, 60, 60);
  EXPECT_EQ(band->GrabOffset().X, 50);
  layers.MouseMove(ssLeft, 80, 60);
  EXPECT_EQ(band->Location(), FloatRect(10, 0, 60, 50));
  owner.scale = 0;  // a collapsed view rectangle: the step is dropped, not divided by zero
  layers.MouseMove(ssLeft, 90, 90);
  EXPECT_EQ(band->Location(), FloatRect(10, 0, 60, 50));
  owner.scale = 2;
  layers.MouseUp(mbLeft, 0, 90, 90);

  int userChanges = 0;
  TRBDragState seen = dsNone;
  band->OnUserChange = [&](TObject*) { ++userChanges; };
  band->OnReshaping = [&](TObject*, const TFloatRect& start, TFloatRect& proposed,
                          TRBDragState state, TShiftState) {
    seen = state;
    proposed = start;
  };
  layers.MouseDown(mbLeft, ssLeft, 129, 60);  // right edge at 130 - 1
  layers.MouseMove(ssLeft, 150, 60);
  EXPECT_EQ(seen, dsRight);
  EXPECT_EQ(band->Location(), FloatRect(10, 0, 60, 50));
  EXPECT_EQ(userChanges, 0);
}

TEST(RubberbandLayer, OptionsDropNoUpdateAndHoveringSetsTheCursor) {
  KindsOwner owner;
  TLayerCollection layers(&owner);
  auto* band = new TRubberbandLayer(&layers);
  EXPECT_EQ(band->OptionBits(), OptVisible | OptMouse);
  band->SetOptionBits(OptNoUpdate);
  EXPECT_EQ(band->OptionBits(), 0u);
  EXPECT_EQ(layers.TopLayerAt(10, 10), nullptr);
  band->SetOptionBits(OptVisible | OptMouse | OptNoUpdate);
  EXPECT_EQ(band->OptionBits(), 0xA0000000u);

  band->SetLocation(FloatRect(0, 0, 100, 100));
  band->SetCursor(crSizeAll);
  const struct {
    int x, y;
    TCursor cursor;
  } hovers[] = {{103, 103, crSizeNWSE}, {-3, -3, crSizeNWSE}, {103, -3, crSizeNESW},
                {-3, 103, crSizeNESW},  {50, 1, crSizeNS},    {50, 99, crSizeNS},
                {1, 50, crSizeWE},      {99, 50, crSizeWE},   {50, 50, crSizeAll}};
  for (const auto& h : hovers) {
    layers.MouseMove(0, h.x, h.y);
    EXPECT_EQ(owner.screenCursor, h.cursor) << h.x << "," << h.y;
  }
  layers.MouseMove(0, 300, 300);
  EXPECT_EQ(owner.screenCursor, crCross);  // over nothing: the owner's own cursor
}

TEST(RubberbandLayer, AttachedLayerFollowsTheBandAndItsDestructionDetachesIt) {
  KindsOwner owner;
  owner.scale = 2;
  TLayerCollection layers(&owner);
  auto* photo = new TBitmapLayer(&layers);
  photo->SetLocation(FloatRect(20, 20, 60, 40));
  photo->SetScaled(true);
  auto* band = new TRubberbandLayer(&layers);
  band->SetAttachedLayer(photo);
  EXPECT_EQ(band->AttachedLayer(), photo);
  EXPECT_EQ(band->Location(), photo->Location());
  EXPECT_TRUE(band->Scaled());

  layers.MouseDown(mbLeft, ssLeft, 60, 50);  // inside the view place (40, 40, 120, 80)
  layers.MouseMove(ssLeft, 70, 50);
  layers.MouseUp(mbLeft, 0, 70, 50);
  EXPECT_EQ(photo->Location(), FloatRect(25, 20, 65, 40));

  // Refused: the band itself, and a band whose attached chain leads back here.
  band->SetAttachedLayer(band);
  EXPECT_EQ(band->AttachedLayer(), nullptr);
  auto* other = new TRubberbandLayer(&layers);
  other->SetAttachedLayer(band);
  band->SetAttachedLayer(other);
  EXPECT_EQ(band->AttachedLayer(), nullptr);
  delete other;

  auto* second = new TBitmapLayer(&layers);
  band->SetAttachedLayer(photo);
  band->SetAttachedLayer(second);
  delete photo;  // no longer attached: nothing changes
  EXPECT_EQ(band->AttachedLayer(), second);
  delete second;  // attached: the band lets go before it could touch it again
  EXPECT_EQ(band->AttachedLayer(), nullptr);
  band->SetLocation(FloatRect(1, 2, 3, 4));
  layers.MouseDown(mbLeft, ssLeft, 4, 6);
  layers.MouseMove(ssLeft, 8, 8);
  layers.MouseUp(mbLeft, 0, 8, 8);

  auto* third = new TBitmapLayer(&layers);
  band->SetAttachedLayer(third);
  delete band;  // the child outlives the band and must not tell it anything
  delete third;
  EXPECT_EQ(layers.Count(), 0);
}

TEST(RubberbandLayer, PaintsTheDashedFrameAndBlendedHandles) {
  constexpr TColor32 kGray = 0xFF808080u, kWhite = 0xFFFFFFFFu, kBlack = 0xFF000000u;
  TLayerCollection layers;
  auto* band = new TRubberbandLayer(&layers);
  band->SetLocation(FloatRect(10, 10, 30, 30));
  TBitmap32 buffer;
  MakeBuffer(buffer, 50, 50, kGray);
  band->Paint(&buffer);
  // Corner handle at (10, 10): the square 7..12, black outline, white inside.
  EXPECT_EQ(buffer.GetPixel(7, 7), kBlack);
  EXPECT_EQ(buffer.GetPixel(12, 12), kBlack);
  EXPECT_EQ(buffer.GetPixel(8, 8), kWhite);
  EXPECT_EQ(buffer.GetPixel(13, 13), kGray);
  // Side handle at (30, 20); the top frame runs white, white, black, black from (10, 10).
  EXPECT_EQ(buffer.GetPixel(28, 18), kWhite);
  EXPECT_EQ(buffer.GetPixel(27, 22), kBlack);
  EXPECT_EQ(buffer.GetPixel(14, 10), kWhite);
  EXPECT_EQ(buffer.GetPixel(16, 10), kBlack);
  EXPECT_EQ(buffer.GetPixel(15, 15), kGray);

  TBitmap32 rounded;
  MakeBuffer(rounded, 50, 50, kGray);
  band->SetLocation(FloatRect(9.5f, 10.5f, 30.5f, 29.5f));  // rounds to the same pixels
  band->Paint(&rounded);
  EXPECT_TRUE(rounded.Equal(buffer));

  band->SetFrameDashStart(2);
  band->SetHandles(gpFrame | gpCorners | gpNoBottomRight);
  MakeBuffer(buffer, 50, 50, kGray);
  band->Paint(&buffer);
  EXPECT_EQ(buffer.GetPixel(14, 10), kBlack);
  EXPECT_EQ(buffer.GetPixel(16, 10), kWhite);
  EXPECT_EQ(buffer.GetPixel(28, 18), kGray);  // no side handles
  EXPECT_EQ(buffer.GetPixel(31, 31), kGray);  // no bottom-right handle
  EXPECT_EQ(buffer.GetPixel(8, 31), kWhite);  // bottom-left handle
}

}  // namespace pictavia
