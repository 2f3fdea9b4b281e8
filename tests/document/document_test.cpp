// The document and the layers that follow it: edits kept in their order, layers brought up to
// date step by step giving the same pixels as layers built afresh, and the undo history.
#include <gtest/gtest.h>

#include "codecs/codecs.h"
#include "document/composition.h"
#include "document/document_editing.h"
#include "document/document_layers.h"
#include "document/history.h"
#include "layers/offscreen_image.h"
#include "picture_files.h"
#include "test_support.h"

namespace pictavia {

namespace {

// A picture whose every pixel differs, so turns and flips show.
void Pattern(TBitmap32& B, int W, int H) {
  B.SetSize(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      B.SetPixel(x, y,
                 Color32(static_cast<uint8_t>(x * 7), static_cast<uint8_t>(y * 11),
                         static_cast<uint8_t>(x + y)));
}

// A ramp of grey levels: a mask whose stretch and direction show in the alpha.
std::shared_ptr<const TBitmap32> Ramp() {
  auto ramp = std::make_shared<TBitmap32>();
  ramp->SetSize(8, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) {
      const auto v = static_cast<uint8_t>(x * 30 + y * 5);
      ramp->SetPixel(x, y, Color32(v, v, v));
    }
  return ramp;
}

bool SameBytes(const TBitmap32& A, const TBitmap32& B) {
  if (A.Width() != B.Width() || A.Height() != B.Height()) return false;
  for (int i = 0; i < A.Width() * A.Height(); ++i)
    if (A.Bits()[i] != B.Bits()[i]) return false;
  return true;
}

class DocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterCodecPictureFormats();
    TBitmap32 pattern;
    Pattern(pattern, 60, 40);
    photo = picturefiles::WriteBmp(temp / "photo.bmp", pattern);
    clip = picturefiles::WritePng(temp / "clip.png", 21, 11, 0x80FF00FFu);
    NewDocumentCanvas(doc, 200, 150, 0xFFFFF8E1u);
  }
  TMaskSource Mask() { return TMaskSource{0, "ramp", ramp}; }

  testsupport::TempDir temp;
  std::string photo, clip;
  TPictureStore store;
  TDocument doc;
  std::shared_ptr<const TBitmap32> ramp = Ramp();
};

TEST_F(DocumentTest, LayersBroughtUpStepByStepEqualLayersBuiltAfresh) {
  TOffscreenImage shown;
  TDocumentLayers layers(shown.Layers(), shown.Bitmap());
  const uint64_t p = AddPhoto(doc, store, photo, Point(100, 75));
  const uint64_t b = AddBar(doc, Point(50, 50));
  const uint64_t t = AddText(doc, Point(120, 30));
  AddClip(doc, store, clip, Point(30, 120));
  layers.Update(doc);
  TBitmapLayer* photoLayer = layers.LayerOf(p);
  // Every kind of change, each shown on its own, the way the editor shows them.
  const std::vector<std::function<void()>> steps = {
      [&] { ApplyObjectMask(doc, p, Mask()); },
      [&] { RotateObject(doc, p); },
      [&] { FlipObject(doc, p, peFlipHorizontal); },
      [&] { SetObjectOpacity(doc, p, 140); },
      [&] { RotateObject(doc, b); },
      [&] { ApplyObjectMask(doc, b, Mask()); },
      [&] { SetBarColor(doc, b, 0xFF3070B0u); },
      [&] { RemoveObjectMask(doc, p); },
      [&] { FlipObject(doc, p, peFlipVertical); },
      [&] { MoveObjectDown(doc, t); },
      [&] { SetObjectLocation(doc, b, FloatRect(-10, 90, 60, 160)); },
      [&] { RotateObject(doc, t); },
      [&] {
        ApplyObjectText(doc, t, "Hello", TFontSpec{"Arial", 20, fsItalic}, 0xFF2050F0u);
      },
  };
  std::vector<TDocument> states = {doc};
  for (const auto& step : steps) {
    step();
    layers.Update(doc);
    states.push_back(doc);
    TOffscreenImage fresh;
    TDocumentLayers rebuilt(fresh.Layers(), fresh.Bitmap());
    rebuilt.Update(doc);
    ASSERT_EQ(fresh.Layers().Count(), shown.Layers().Count());
    for (int i = 0; i < shown.Layers().Count(); ++i) {
      auto* a = static_cast<TBitmapLayer*>(shown.Layers().Items(i));
      auto* f = static_cast<TBitmapLayer*>(fresh.Layers().Items(i));
      EXPECT_TRUE(SameBytes(a->Bitmap(), f->Bitmap()))
          << "layer " << i << " after step " << states.size() - 1;
      EXPECT_EQ(a->Location(), f->Location());
      EXPECT_EQ(a->Bitmap().MasterAlpha(), f->Bitmap().MasterAlpha());
    }
    EXPECT_TRUE(SameBytes(*FlattenComposition(shown), *FlattenComposition(fresh)));
  }
  // Going back through the states (as undo does) gives each state's pixels again, in the same
  // layer objects.
  std::unique_ptr<TBitmap32> last = FlattenComposition(shown);
  for (size_t i = states.size(); i-- > 0;) {
    layers.Update(states[i]);
    EXPECT_EQ(layers.LayerOf(p), photoLayer);
    EXPECT_TRUE(SameBytes(*FlattenComposition(shown), *FlattenDocument(states[i]))) << i;
  }
  layers.Update(states.back());
  EXPECT_TRUE(SameBytes(*FlattenComposition(shown), *last));
}

TEST_F(DocumentTest, AMaskBeforeATurnTurnsWithThePhotoOneAfterStaysUpright) {
  const uint64_t p = AddPhoto(doc, store, photo, Point(100, 75));
  TDocument before = doc, after = doc;
  ApplyObjectMask(before, p, Mask());
  RotateObject(before, p);
  RotateObject(after, p);
  ApplyObjectMask(after, p, Mask());
  EXPECT_EQ(before.Find(p)->Location, after.Find(p)->Location);
  EXPECT_FALSE(SameBytes(*FlattenDocument(before), *FlattenDocument(after)));
  // The ramp runs left to right over the turned photo only when applied after the turn; applied
  // before, it turned with the photo and runs top to bottom.
  TOffscreenImage image;
  TDocumentLayers layers(image.Layers(), image.Bitmap());
  layers.Update(after);
  const TBitmap32& upright = layers.LayerOf(p)->Bitmap();
  ASSERT_EQ(upright.Width(), 40);
  EXPECT_LT(AlphaComponent(upright.GetPixel(0, 30)) + 100,
            AlphaComponent(upright.GetPixel(39, 30)));
  layers.Update(before);
  const TBitmap32& turned = layers.LayerOf(p)->Bitmap();
  EXPECT_LT(AlphaComponent(turned.GetPixel(20, 0)) + 100, AlphaComponent(turned.GetPixel(20, 59)));
  // Across a row of the turned ramp only its small vertical step shows.
  EXPECT_NEAR(AlphaComponent(turned.GetPixel(0, 30)), AlphaComponent(turned.GetPixel(39, 30)), 20);
}

TEST_F(DocumentTest, PicturesAreDecodedOnceAndSharedByObjectsAndCopies) {
  const uint64_t a = AddPhoto(doc, store, photo, Point(10, 10));
  const uint64_t b = AddPhoto(doc, store, photo, Point(90, 90));
  EXPECT_EQ(doc.Find(a)->Picture, doc.Find(b)->Picture);
  const TDocument copy = doc;
  RotateObject(doc, a);
  // The copy still holds the object as it was; the picture is not copied.
  EXPECT_TRUE(copy.Find(a)->Edits.empty());
  EXPECT_EQ(copy.Find(a)->Picture.get(), doc.Find(a)->Picture.get());
  EXPECT_EQ(copy.Objects[1], doc.Objects[1]);  // unchanged objects are shared
  EXPECT_FALSE(copy.SameAs(doc));
}

TEST_F(DocumentTest, TextApplyKeepsTheOldTextWhenTheNewOneDrawsNothing) {
  const uint64_t t = AddText(doc, Point(100, 50));
  RotateObject(doc, t);
  const TFloatRect turned = doc.Find(t)->Location;
  ApplyObjectText(doc, t, "", TFontSpec{"Arial", 30, fsBold}, 0xFF0000FFu);
  const TDocObject& o = *doc.Find(t);
  EXPECT_EQ(o.Text, DefaultObjectText);
  EXPECT_TRUE(o.Edits.empty());  // rendered afresh
  const TSize size = RenderedTextSize(o.Text, o.Font);
  EXPECT_EQ(o.Location,
            FloatRect(turned.Left, turned.Top, turned.Left + size.cx, turned.Top + size.cy));
}

TEST(History, StepsUndoAndRedoInOrderAndANewStepDropsTheRedos) {
  TDocument doc;
  THistory history;
  const uint64_t a = AddBar(doc, Point(10, 10));
  TDocument before = doc;
  SetObjectOpacity(doc, a, 100);
  history.Record(before, a);
  before = doc;
  SetObjectOpacity(doc, a, 50);
  history.Record(before, a, true);  // the same slider drag
  before = doc;
  RotateObject(doc, a);
  history.Record(before, a);
  EXPECT_EQ(history.UndoCount(), 2u);

  uint64_t select = 0;
  ASSERT_TRUE(history.Undo(doc, select));
  EXPECT_EQ(select, a);
  EXPECT_TRUE(doc.Find(a)->Edits.empty());
  ASSERT_TRUE(history.Undo(doc, select));
  EXPECT_EQ(doc.Find(a)->Opacity, 255u);  // the whole drag at once
  EXPECT_FALSE(history.Undo(doc, select));
  ASSERT_TRUE(history.Redo(doc, select));
  EXPECT_EQ(doc.Find(a)->Opacity, 50u);
  EXPECT_TRUE(history.CanRedo());
  before = doc;
  FlipObject(doc, a, peFlipVertical);
  history.Record(before, a);
  EXPECT_FALSE(history.CanRedo());
  EXPECT_FALSE(history.Redo(doc, select));
}

TEST(History, ContinuingWithNothingToContinueStartsAStep) {
  TDocument doc;
  THistory history;
  history.Record(doc, 0, true);
  EXPECT_TRUE(history.CanUndo());
}

}  // namespace

}  // namespace pictavia
