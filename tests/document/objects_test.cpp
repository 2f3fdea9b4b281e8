// Object sizes and placement, and the four kinds of object added to a document and made into
// layers, including the objects that must not stay behind when a file cannot be read.
#include <gtest/gtest.h>

#include "codecs/codecs.h"
#include "document/document_editing.h"
#include "document/document_layers.h"
#include "document/objects.h"
#include "layers/color_layer.h"
#include "layers/offscreen_image.h"
#include "layers/png_layer.h"
#include "layers/text_layer.h"
#include "picture_files.h"
#include "test_support.h"
#include "toolkit/exceptions.h"

namespace pictavia {

namespace {

class ObjectsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterCodecPictureFormats();
    NewDocumentCanvas(doc, 640, 480, clWhite32);
  }
  TBitmapLayer* Shown(uint64_t Id) {
    layers.Update(doc);
    return layers.LayerOf(Id);
  }
  testsupport::TempDir temp;
  TPictureStore store;
  TDocument doc;
  TOffscreenImage image;
  TDocumentLayers layers{image.Layers(), image.Bitmap()};
};

TEST(PhotoFitting, ShrinksAlongTheSideThatOverflowsMoreAndNeverEnlarges) {
  EXPECT_EQ(FitPhoto(320, 200, 640, 480), (TFloatSize{320, 200}));
  EXPECT_EQ(FitPhoto(640, 480, 640, 480), (TFloatSize{640, 480}));
  EXPECT_EQ(FitPhoto(1280, 960, 640, 480), (TFloatSize{640, 480}));
  EXPECT_EQ(FitPhoto(1000, 300, 640, 480), (TFloatSize{640, 192}));
  EXPECT_EQ(FitPhoto(300, 1000, 640, 480), (TFloatSize{144, 480}));
  // Only one side too large still scales both.
  EXPECT_EQ(FitPhoto(800, 100, 640, 480), (TFloatSize{640, 80}));
  // Degenerate canvases give no size rather than a trap.
  const TFloatSize none = FitPhoto(10, 10, 0, 0);
  EXPECT_EQ(none.Width, 0.0f);
  EXPECT_EQ(none.Height, 0.0f);
}

TEST(ObjectPlacement, FloatHalvesForPhotosIntegerHalvesForClips) {
  EXPECT_EQ(CentredLocation(320, 240, 101, 51), FloatRect(269.5f, 214.5f, 370.5f, 265.5f));
  EXPECT_EQ(CentredLocationInt(320, 240, 101, 51), FloatRect(270, 215, 370, 265));
  EXPECT_EQ(CentredLocationInt(-5, 7, 0, 0), FloatRect(-5, 7, -5, 7));
}

TEST_F(ObjectsTest, PhotoIsFittedCentredBlendedCroppedAndScaled) {
  const std::string file = picturefiles::WriteBmp(temp / "wide.bmp", 1000, 300, 0xFF102030u);
  bool clicked = false;
  layers.OnLayerCreated = [&](TBitmapLayer& Layer) {
    Layer.OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { clicked = true; };
  };
  TBitmapLayer* photo = Shown(AddPhoto(doc, store, file, Point(300, 200)));
  ASSERT_EQ(image.Layers().Count(), 1);
  EXPECT_EQ(image.Layers().Items(0), photo);
  EXPECT_EQ(photo->Location(), FloatRect(-20, 104, 620, 296));
  EXPECT_EQ(photo->Bitmap().Width(), 1000);
  EXPECT_EQ(photo->Bitmap().DrawMode(), dmBlend);
  EXPECT_TRUE(photo->Cropped());
  EXPECT_TRUE(photo->Scaled());
  ASSERT_TRUE(photo->OnMouseDown);
  photo->OnMouseDown(photo, mbLeft, 0, 0, 0);
  EXPECT_TRUE(clicked);
}

TEST_F(ObjectsTest, UnreadableFilesLeaveNoObjectBehind) {
  const std::string notAPicture = picturefiles::WriteText(temp / "broken.jpg", "not a picture");
  EXPECT_THROW(AddPhoto(doc, store, notAPicture, Point(0, 0)), std::exception);
  const std::string unknownKind = picturefiles::WriteText(temp / "notes.txt", "hello");
  EXPECT_THROW(AddPhoto(doc, store, unknownKind, Point(0, 0)), Exception);
  // A clip that exists but does not decode is not added either.
  const std::string badClip = picturefiles::WriteText(temp / "broken.png", "\x89PNG\r\n\x1a\nxx");
  EXPECT_THROW(AddClip(doc, store, badClip, Point(0, 0)), Exception);
  EXPECT_TRUE(doc.Objects.empty());
}

// A 0-byte JPEG decodes to a 0 x 0 picture: where a picture is needed that is an error naming
// the file, and nothing is changed.
TEST_F(ObjectsTest, PicturesThatDecodeToNothingAreErrorsNamingTheFile) {
  const std::string empty = picturefiles::WriteText(temp / "empty.jpg", "");
  const std::string expected = "\"" + empty + "\" holds no picture (0 x 0 pixels)";
  auto errorOf = [](auto Call) -> std::string {
    try {
      Call();
    } catch (const EInvalidGraphic& e) {
      return e.what();
    }
    return "no EInvalidGraphic";
  };
  EXPECT_EQ(errorOf([&] { AddPhoto(doc, store, empty, Point(10, 10)); }), expected);
  EXPECT_TRUE(doc.Objects.empty());
  // As a mask or a background it is read through the same store.
  EXPECT_EQ(errorOf([&] { store.Mask(empty); }), expected);
  EXPECT_EQ(errorOf([&] { store.Photo(empty); }), expected);
}

TEST_F(ObjectsTest, ClipKeepsItsSizeWithIntegerHalvesAndAMissingFileGivesAnEmptyClip) {
  const std::string file = picturefiles::WritePng(temp / "odd.png", 101, 51, 0x80FF0000u);
  const uint64_t a = AddClip(doc, store, file, Point(320, 240));
  const uint64_t b = AddClip(doc, store, (temp / "gone.png").string(), Point(10, 20));
  auto* clip = dynamic_cast<TPngLayer*>(Shown(a));
  ASSERT_NE(clip, nullptr);
  EXPECT_TRUE(clip->PngLoaded());
  EXPECT_EQ(clip->LayerTag(), "PNG");
  EXPECT_EQ(clip->Location(), FloatRect(270, 215, 370, 265));
  EXPECT_TRUE(clip->Scaled());

  auto* missing = dynamic_cast<TPngLayer*>(layers.LayerOf(b));
  ASSERT_NE(missing, nullptr);
  EXPECT_FALSE(missing->PngLoaded());
  EXPECT_EQ(missing->Location(), FloatRect(10, 20, 10, 20));
  EXPECT_EQ(image.Layers().Count(), 2);
}

TEST_F(ObjectsTest, ColourBarAndTextTakeTheirFixedAndRenderedSizes) {
  NewDocumentCanvas(doc, 100, 100, clWhite32);
  auto* bar = dynamic_cast<TColorLayer*>(Shown(AddBar(doc, Point(50, 50))));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->Location(), FloatRect(-150, -10, 250, 110));
  EXPECT_EQ(bar->FillColor(), 0xFF00FF00u);

  const uint64_t t = AddText(doc, Point(50, 50));
  auto* text = dynamic_cast<TTextLayer*>(Shown(t));
  ASSERT_NE(text, nullptr);
  const float w = static_cast<float>(text->Bitmap().Width());
  const float h = static_cast<float>(text->Bitmap().Height());
  ASSERT_GT(w, 0);
  EXPECT_EQ(text->Location(), CentredLocation(50, 50, w, h));

  // A larger font re-renders; the new size keeps the top-left corner.
  const TFloatRect before = text->Location();
  ApplyObjectText(doc, t, DefaultObjectText, TFontSpec{"Arial", 32, fsBold}, DefaultTextColor);
  EXPECT_EQ(Shown(t), text);  // the same layer, drawn again
  EXPECT_EQ(text->Font().Size(), 32);
  EXPECT_EQ(text->Location().Left, before.Left);
  EXPECT_EQ(text->Location().Top, before.Top);
  EXPECT_GT(text->Location().Right, before.Right);
  EXPECT_EQ(text->Location().Bottom - text->Location().Top,
            static_cast<float>(text->Bitmap().Height()));
}

}  // namespace

}  // namespace pictavia
