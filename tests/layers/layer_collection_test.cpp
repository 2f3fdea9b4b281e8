// Layer collection: hit search, list notifications, clearing and destruction, mouse routing and
// capture, and layers deleted from inside the collection's own calls.
#include <memory>

#include <gtest/gtest.h>

#include "layer_test_support.h"
#include "toolkit/exceptions.h"

namespace pictavia {

TEST(LayerCollection, TopLayerAtTakesTheTopmostAdmittedLayerAndSkipsKKBitmaps) {
  TLayerCollection layers;
  TPositionedLayer* a = NewLayer(layers, 0, 0, 20, 20);
  TPositionedLayer* b = NewLayer(layers, 10, 10, 30, 30);
  EXPECT_EQ(layers.TopLayerAt(15, 15), b);
  EXPECT_EQ(layers.TopLayerAt(30, 30), nullptr);  // right and bottom are exclusive
  b->SetOptionBits(OptVisible);                   // not mouse-enabled
  EXPECT_EQ(layers.TopLayerAt(15, 15), a);
  a->SetOptionBits(OptMouse);  // invisible, still found with the mouse mask
  EXPECT_EQ(layers.TopLayerAt(15, 15), a);
  EXPECT_EQ(layers.TopLayerAt(15, 15, OptVisible), b);

  auto* kk = new FakeBitmapLayer(&layers);
  kk->SetLayerTag("KK");
  EXPECT_EQ(layers.TopLayerAt(5, 5), a);
  auto* blank = new FakeBitmapLayer(&layers);
  blank->SetLayerTag("KK ");
  EXPECT_EQ(layers.TopLayerAt(5, 5), blank);
  auto* plain = new TPositionedLayer(&layers);  // not a bitmap layer: the tag does not matter
  plain->SetLayerTag("KK");
  EXPECT_EQ(layers.TopLayerAt(5, 5), plain);
  EXPECT_THROW(layers.Items(layers.Count()), EListError);
}

TEST(LayerCollection, ClearFreesTopFirstAndDestructionRaisesOnlyListNotifications) {
  auto layers = std::make_unique<TLayerCollection>();
  for (int i = 0; i < 3; ++i) new TPositionedLayer(layers.get());
  EventLog log(*layers);
  layers->Clear();
  EXPECT_EQ(log.Take(),
            (Log{"changing", "deleted 2", "deleted 1", "deleted 0", "cleared 0", "change"}));
  EXPECT_EQ(layers->Count(), 0);

  Log destroyed;
  for (const char* name : {"bottom", "middle", "top"}) {
    auto* layer = new TPositionedLayer(layers.get());
    layer->OnDestroy = [&destroyed, name](TObject*) { destroyed.push_back(name); };
  }
  delete layers->Items(1);
  EXPECT_EQ(layers->Items(1)->Index(), 1);
  log.Take();
  layers.reset();
  EXPECT_EQ(log.Take(), (Log{"deleted 1", "deleted 0", "cleared 0"}));
  EXPECT_EQ(destroyed, (Log{"middle", "top", "bottom"}));
}

TEST(LayerCollection, MovingALayerToAnotherCollectionReleasesTheMouse) {
  TLayerCollection first, second;
  TPositionedLayer* layer = NewLayer(first, 0, 0, 10, 10);
  first.MouseDown(mbLeft, ssLeft, 5, 5);
  ASSERT_EQ(first.MouseCaptor(), layer);
  EventLog log1(first), log2(second);
  layer->SetLayerCollection(&second);
  EXPECT_EQ(first.MouseCaptor(), nullptr);
  EXPECT_TRUE(layer->PressedButtons().Empty());
  EXPECT_EQ(log1.Take(), (Log{"changing", "deleted 0", "change"}));
  EXPECT_EQ(log2.Take(), (Log{"changing", "added 0", "change"}));
  first.SetMouseCaptor(layer);  // not one of first's layers: refused
  EXPECT_EQ(first.MouseCaptor(), nullptr);
}

namespace {

struct MouseCounts {
  explicit MouseCounts(TCustomLayer* layer) {
    layer->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
    layer->OnMouseMove = [this](TObject*, TShiftState, int, int) { ++moves; };
    layer->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { ++ups; };
  }
  int downs = 0, moves = 0, ups = 0;
};

}  // namespace

TEST(LayerCollection, CaptureKeepsTheLayerUntilItsLastButtonComesUp) {
  FakeOwner owner;
  TLayerCollection layers(&owner);
  TPositionedLayer* layer = NewLayer(layers, 0, 0, 10, 10);
  layer->SetCursor(crHandPoint);
  EXPECT_EQ(owner.screenCursor, 1);  // not the listener: nothing shown yet
  MouseCounts counts(layer);

  EXPECT_EQ(layers.MouseDown(mbLeft, ssLeft, 5, 5), layer);
  EXPECT_EQ(layers.MouseMove(ssLeft, 500, 500), layer);  // far outside, still the listener
  EXPECT_EQ(owner.screenCursor, crHandPoint);
  layer->SetCursor(crSizeNS);  // the listener's cursor shows at once
  EXPECT_EQ(owner.screenCursor, crSizeNS);
  EXPECT_EQ(layers.MouseDown(mbRight, ssLeft | ssRight, 600, 600), layer);
  EXPECT_EQ(layers.MouseUp(mbLeft, ssRight, 600, 600), layer);
  EXPECT_EQ(layers.MouseCaptor(), layer);  // the right button is still down
  EXPECT_EQ(layers.MouseUp(mbRight, 0, 600, 600), layer);
  EXPECT_EQ(layers.MouseCaptor(), nullptr);
  EXPECT_EQ(owner.screenCursor, crDefault);
  EXPECT_EQ((std::vector<int>{counts.downs, counts.moves, counts.ups}),
            (std::vector<int>{2, 1, 2}));

  EXPECT_EQ(layers.MouseMove(0, 500, 500), nullptr);  // over nothing: the owner's cursor
  EXPECT_EQ(owner.screenCursor, crCross);
  EXPECT_EQ(layers.MouseMove(0, 3, 3), layer);  // hovering moves reach the layer
  EXPECT_EQ(counts.moves, 2);

  layer->SetOptionBits(OptVisible | OptMouse | OptNoCapture);
  EXPECT_EQ(layers.MouseDown(mbLeft, ssLeft, 5, 5), layer);
  EXPECT_EQ(layers.MouseCaptor(), nullptr);
  EXPECT_EQ(counts.downs, 2);
  EXPECT_TRUE(layer->PressedButtons().Empty());
}

TEST(LayerCollection, LayersDeletedInsideMouseCallsAreNeverReturned) {
  TLayerCollection layers;
  TPositionedLayer* below = NewLayer(layers, 0, 0, 10, 10);
  TPositionedLayer* layer = NewLayer(layers, 0, 0, 10, 10);
  auto deleteSender = [](TObject* sender, auto&&...) { delete static_cast<TCustomLayer*>(sender); };
  layer->OnMouseDown = deleteSender;
  EXPECT_EQ(layers.MouseDown(mbLeft, ssLeft, 5, 5), nullptr);
  EXPECT_EQ(layers.MouseCaptor(), nullptr);
  EXPECT_EQ(layers.MouseUp(mbLeft, 0, 5, 5), below);

  // The listener freed between down and up: the rest goes to whatever is under the mouse.
  layers.MouseDown(mbLeft, ssLeft, 5, 5);
  delete below;
  EXPECT_EQ(layers.MouseCaptor(), nullptr);
  EXPECT_EQ(layers.MouseUp(mbLeft, 0, 5, 5), nullptr);

  // A hit query that frees its own layer lets the search go on below it.
  TPositionedLayer* base = NewLayer(layers, 0, 0, 10, 10);
  NewLayer(layers, 0, 0, 10, 10)->OnHitQuery = deleteSender;
  EXPECT_EQ(layers.TopLayerAt(5, 5), base);
  EXPECT_EQ(layers.Count(), 1);
}

}  // namespace pictavia
