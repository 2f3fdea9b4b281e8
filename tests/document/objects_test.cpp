// Object sizes and placement, and the creation of the four kinds of object as layers, including
// the layers that must not stay behind when a file cannot be read.
#include <gtest/gtest.h>

#include "codecs/codecs.h"
#include "document/composition.h"
#include "document/object_editing.h"
#include "document/objects.h"
#include "picture_files.h"
#include "test_support.h"
#include "toolkit/exceptions.h"

namespace pictavia {

namespace {

class ObjectsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterCodecPictureFormats();
    NewCanvas(view.Bitmap(), view.Layers(), 640, 480, clWhite32);
  }
  TOffscreenImage view;
  testsupport::TempDir temp;
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
  TBitmapLayer* photo =
      CreatePhotoLayer(view.Layers(), view.Bitmap(), file, Point(300, 200),
                       [&](TObject*, TMouseButton, TShiftState, int, int) { clicked = true; });
  ASSERT_EQ(view.Layers().Count(), 1);
  EXPECT_EQ(view.Layers().Items(0), photo);
  EXPECT_EQ(photo->Location(), FloatRect(-20, 104, 620, 296));
  EXPECT_EQ(photo->Bitmap().Width(), 1000);
  EXPECT_EQ(photo->Bitmap().DrawMode(), dmBlend);
  EXPECT_TRUE(photo->Cropped());
  EXPECT_TRUE(photo->Scaled());
  ASSERT_TRUE(photo->OnMouseDown);
  photo->OnMouseDown(photo, mbLeft, 0, 0, 0);
  EXPECT_TRUE(clicked);
}

TEST_F(ObjectsTest, UnreadableFilesLeaveNoLayerBehind) {
  const std::string notAPicture = picturefiles::WriteText(temp / "broken.jpg", "not a picture");
  EXPECT_THROW(CreatePhotoLayer(view.Layers(), view.Bitmap(), notAPicture, Point(0, 0)),
               std::exception);
  const std::string unknownKind = picturefiles::WriteText(temp / "notes.txt", "hello");
  EXPECT_THROW(CreatePhotoLayer(view.Layers(), view.Bitmap(), unknownKind, Point(0, 0)), Exception);
  // A clip that exists but does not decode is freed as well.
  const std::string badClip = picturefiles::WriteText(temp / "broken.png", "\x89PNG\r\n\x1a\nxx");
  EXPECT_THROW(CreateClipLayer(view.Layers(), badClip, Point(0, 0)), Exception);
  EXPECT_EQ(view.Layers().Count(), 0);
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
  EXPECT_EQ(errorOf([&] { CreatePhotoLayer(view.Layers(), view.Bitmap(), empty, Point(10, 10)); }),
            expected);
  EXPECT_EQ(view.Layers().Count(), 0);

  TBitmap32 photo;
  photo.SetSize(4, 4);
  photo.Clear(0xFF102030u);
  EXPECT_EQ(errorOf([&] { ApplyMaskFile(photo, empty); }), expected);
  EXPECT_EQ(photo.GetPixel(3, 3), 0xFF102030u);

  EXPECT_EQ(errorOf([&] { FillBackgroundPicture(view.Bitmap(), empty); }), expected);
  EXPECT_EQ(view.Bitmap().GetPixel(0, 0), clWhite32);
}

TEST_F(ObjectsTest, ClipKeepsItsSizeWithIntegerHalvesAndAMissingFileGivesAnEmptyClip) {
  const std::string file = picturefiles::WritePng(temp / "odd.png", 101, 51, 0x80FF0000u);
  TPngLayer* clip = CreateClipLayer(view.Layers(), file, Point(320, 240));
  EXPECT_TRUE(clip->PngLoaded());
  EXPECT_EQ(clip->LayerTag(), "PNG");
  EXPECT_EQ(clip->Location(), FloatRect(270, 215, 370, 265));
  EXPECT_TRUE(clip->Scaled());

  TPngLayer* missing = CreateClipLayer(view.Layers(), (temp / "gone.png").string(), Point(10, 20));
  EXPECT_FALSE(missing->PngLoaded());
  EXPECT_EQ(missing->Location(), FloatRect(10, 20, 10, 20));
  EXPECT_EQ(view.Layers().Count(), 2);
}

TEST_F(ObjectsTest, ColourBarAndTextTakeTheirFixedAndRenderedSizes) {
  NewCanvas(view.Bitmap(), view.Layers(), 100, 100, clWhite32);
  TColorLayer* bar = CreateColorBarLayer(view.Layers(), Point(50, 50));
  EXPECT_EQ(bar->Location(), FloatRect(-150, -10, 250, 110));
  EXPECT_EQ(bar->FillColor(), 0xFF00FF00u);

  TTextLayer* text = CreateTextLayer(view.Layers(), Point(50, 50));
  const float w = static_cast<float>(text->Bitmap().Width());
  const float h = static_cast<float>(text->Bitmap().Height());
  ASSERT_GT(w, 0);
  EXPECT_EQ(text->Location(), CentredLocation(50, 50, w, h));

  // A larger font re-renders; the refit keeps the top-left corner.
  const TFloatRect before = text->Location();
  TFont big;
  big.Assign(&text->Font());
  big.SetSize(32);
  text->SetFont(big);
  RefitTextLayer(*text);
  EXPECT_EQ(text->Location().Left, before.Left);
  EXPECT_EQ(text->Location().Top, before.Top);
  EXPECT_GT(text->Location().Right, before.Right);
  EXPECT_EQ(text->Location().Bottom - text->Location().Top,
            static_cast<float>(text->Bitmap().Height()));
}

}  // namespace

}  // namespace pictavia
