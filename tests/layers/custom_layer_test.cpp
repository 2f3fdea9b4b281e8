// Layer base and positioned layer: change reporting, reordering, location, tag and mapping,
// free notifications and the order of destruction.
#include <gtest/gtest.h>

#include "layer_test_support.h"

namespace pictavia {

TEST(CustomLayer, ChangeReportsFollowVisibilityAndOptionBits) {
  TLayerCollection layers;
  auto* layer = new TCustomLayer(&layers);
  EXPECT_EQ(layer->OptionBits(), OptVisible);
  int ownChanges = 0;
  layer->OnChange = [&](TObject*) { ++ownChanges; };
  EventLog log(layers);

  struct Case {
    uint32_t options;
    Log whole, area;
  };
  const Case cases[] = {
      {OptVisible, {"layer", "change", "change"}, {"area 1,4 rect", "change", "change"}},
      {0, {}, {"area 1,4 rect", "change"}},
      {OptForceUpdate, {"layer", "change"}, {"area 1,4 rect", "change"}},
      {OptGdiOverlay, {"overlay"}, {"area 1,4 rect", "change", "overlay"}},
      {OptVisible | OptNoUpdate, {}, {}},
  };
  for (const Case& c : cases) {
    layer->SetOptionBits(c.options);
    log.Take();
    ownChanges = 0;
    layer->Changed();
    EXPECT_EQ(log.Take(), c.whole) << std::hex << c.options;
    layer->Changed(Rect(1, 2, 3, 4));
    EXPECT_EQ(log.Take(), c.area) << std::hex << c.options;
    EXPECT_EQ(ownChanges, (c.options & OptNoUpdate) ? 0 : 2);
  }

  // Overlay changes wait for the end of a collection bracket; the layer's own bracket mutes all.
  layer->SetOptionBits(OptGdiOverlay);
  layers.BeginUpdate();
  log.Take();
  layer->Changed();
  EXPECT_EQ(log.Take(), Log{});
  layers.EndUpdate();
  layer->SetOptionBits(OptVisible);
  layer->BeginUpdate();
  log.Take();
  layer->Changing();
  layer->Changed();
  EXPECT_EQ(log.Take(), Log{});
}

TEST(CustomLayer, SetIndexClampsAndMovesWithoutListNotifications) {
  TLayerCollection layers;
  TPositionedLayer* a = NewLayer(layers, 0, 0, 1, 1);
  TPositionedLayer* b = NewLayer(layers, 0, 0, 1, 1);
  TPositionedLayer* c = NewLayer(layers, 0, 0, 1, 1);
  EventLog log(layers);
  c->SetIndex(-5);
  EXPECT_EQ(log.Take(), (Log{"changing", "change"}));
  EXPECT_EQ((std::vector<TCustomLayer*>{layers.Items(0), layers.Items(1), layers.Items(2)}),
            (std::vector<TCustomLayer*>{c, a, b}));
  c->SetIndex(1000);
  a->SetIndex(1);
  EXPECT_EQ((std::vector<TCustomLayer*>{layers.Items(0), layers.Items(1), layers.Items(2)}),
            (std::vector<TCustomLayer*>{b, a, c}));
  b->SetOptionBits(OptMouse);
  log.Take();
  b->BringToFront();  // invisible: moved without a repaint bracket
  EXPECT_EQ(log.Take(), Log{});
  EXPECT_EQ(b->Index(), 2);
}

TEST(PositionedLayer, LocationAlwaysNotifiesScaledAndTagOnlyWhenDifferent) {
  TLayerCollection layers;
  auto* layer = new TPositionedLayer(&layers);
  EXPECT_EQ(layer->OptionBits(), OptVisible | OptMouse);
  EventLog log(layers);
  const Log visibleChange{"changing", "layer", "change", "change"};

  layer->SetLocation(layer->Location());
  EXPECT_EQ(log.Take(), visibleChange);
  layer->SetScaled(false);
  EXPECT_EQ(log.Take(), Log{});

  layer->SetLayerTag("PNG");
  log.Take();
  layer->SetLayerTag(" PNG");
  layer->SetLayerTag("PNG\t ");
  EXPECT_EQ(log.Take(), Log{});
  EXPECT_EQ(layer->LayerTag(), "PNG");
  layer->SetLayerTag(" png ");  // differs: stored as given
  EXPECT_EQ(layer->LayerTag(), " png ");
  EXPECT_EQ(log.Take(), visibleChange);
}

TEST(PositionedLayer, ScaledWriteReportsOnlyAChangeAndStoresBetweenTheBrackets) {
  TLayerCollection layers;
  auto* layer = new TPositionedLayer(&layers);
  EventLog log(layers);
  // What the layer says while the collection hears Changing and while it hears the change.
  std::vector<bool> atChanging, atChanged;
  const auto changing = layers.OnChanging;
  layers.OnChanging = [&, changing](TObject* Sender) {
    changing(Sender);
    atChanging.push_back(layer->Scaled());
  };
  layer->OnChange = [&](TObject*) { atChanged.push_back(layer->Scaled()); };
  const Log visibleChange{"changing", "layer", "change", "change"};

  layer->SetScaled(true);
  EXPECT_EQ(log.Take(), visibleChange);
  EXPECT_EQ(atChanging, std::vector<bool>{false});
  EXPECT_EQ(atChanged, std::vector<bool>{true});
  layer->SetScaled(true);
  EXPECT_EQ(log.Take(), Log{});
  layer->SetScaled(false);
  EXPECT_EQ(log.Take(), visibleChange);
  EXPECT_EQ(atChanging, (std::vector<bool>{false, true}));
  EXPECT_EQ(atChanged, (std::vector<bool>{true, false}));
}

TEST(PositionedLayer, ScaledLayersMapAndHitThroughTheView) {
  FakeOwner owner;
  owner.scale = 0.5f;
  owner.shiftX = 3;
  owner.shiftY = -4;
  TLayerCollection layers(&owner);
  TPositionedLayer* layer = NewLayer(layers, 10, 20, 30, 41);
  EXPECT_EQ(layer->ViewLocation(), FloatRect(10, 20, 30, 41));
  layer->SetScaled(true);
  EXPECT_EQ(layer->ViewLocation(), FloatRect(8, 6, 18, 16.5f));
  EXPECT_EQ(layers.TopLayerAt(8, 6), layer);
  EXPECT_EQ(layers.TopLayerAt(17, 16), layer);
  EXPECT_EQ(layers.TopLayerAt(18, 10), nullptr);
  layer->OnHitQuery = [](TObject*, int x, int, bool& passed) { passed = passed && x != 9; };
  EXPECT_EQ(layers.TopLayerAt(9, 10), nullptr);

  // Bound viewport events take precedence over the owner; without a collection, no mapping.
  layers.OnQueryViewScale = [](TObject*, float& x, float& y) { x = y = 2; };
  EXPECT_EQ(layer->ViewLocation(), FloatRect(23, 36, 63, 78));
  layer->SetLayerCollection(nullptr);
  EXPECT_EQ(layer->ViewLocation(), FloatRect(10, 20, 30, 41));
  EXPECT_EQ(layer->Index(), -1);
  delete layer;
}

namespace {

class Watcher : public TPositionedLayer {
 public:
  Watcher(TLayerCollection* c, Log& log, std::string name)
      : TPositionedLayer(c), log_(log), name_(std::move(name)) {}
  void Notification(TCustomLayer*) override {
    log_.push_back(name_ + " told");
    if (onNotify) onNotify();
  }
  std::function<void()> onNotify;

 private:
  Log& log_;
  std::string name_;
};

}  // namespace

TEST(CustomLayer, FreeNotificationsRunLastFirstAndNeverReachFreedLayers) {
  Log log;  // declared first: the collection's destructor still reports into it
  TLayerCollection layers;
  auto* subject = new TPositionedLayer(&layers);
  auto* w1 = new Watcher(&layers, log, "w1");
  auto* w2 = new Watcher(&layers, log, "w2");
  auto* w3 = new Watcher(&layers, log, "w3");
  auto* w4 = new Watcher(&layers, log, "w4");
  for (TCustomLayer* w : {w1, w2, w2, w3, w4}) subject->WatchFree(w);
  subject->UnwatchFree(w4);
  delete w2;                          // gone before the subject: must drop out of its list
  w3->onNotify = [&] { delete w1; };  // frees a watcher that has not been told yet
  subject->OnDestroy = [&](TObject*) { log.push_back("destroy"); };
  layers.OnListChange = [&](TObject*, TLayerListNotification, TCustomLayer*, int i) {
    log.push_back("deleted " + std::to_string(i));
  };
  delete subject;
  EXPECT_EQ(log, (Log{"destroy", "w3 told", "deleted 1", "deleted 0"}));
  EXPECT_EQ(layers.Count(), 2);
}

TEST(CustomLayer, LayerDeletedByAChangeHandlerStopsTheReport) {
  TLayerCollection layers;
  auto* layer = new TPositionedLayer(&layers);
  bool ownChange = false;
  layer->OnChange = [&](TObject*) { ownChange = true; };
  EventLog log(layers);
  layers.OnLayerChanged = [](TObject*, TCustomLayer* l) { delete l; };
  layer->SetLocation(FloatRect(1, 1, 2, 2));
  // The collection still finishes its own report; the layer's part stops.
  EXPECT_EQ(log.Take(), (Log{"changing", "changing", "deleted 0", "change", "change"}));
  EXPECT_FALSE(ownChange);
  EXPECT_EQ(layers.Count(), 0);
}

}  // namespace pictavia
