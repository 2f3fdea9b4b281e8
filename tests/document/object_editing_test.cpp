// Masks, quarter turns and the Ctrl resize about the centre.
#include <gtest/gtest.h>

#include "codecs/codecs.h"
#include "document/composition.h"
#include "document/document_editing.h"
#include "document/document_layers.h"
#include "document/object_editing.h"
#include "document/objects.h"
#include "layers/offscreen_image.h"
#include "picture_files.h"
#include "test_support.h"

namespace pictavia {

namespace {

void Photo(TBitmap32& b, int W, int H) {
  b.SetSize(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      b.SetPixel(x, y, Color32(static_cast<uint8_t>(x * 10), static_cast<uint8_t>(y * 10), 77));
}

TEST(Masks, BrightnessBecomesAlphaStretchedWithNearestSamplingAndColoursStay) {
  // A 2 x 1 mask, white then red, over a 4 x 3 photo: the left half keeps its opacity, the right
  // half takes red's brightness.
  TBitmap32 mask;
  mask.SetSize(2, 1);
  mask.SetPixel(0, 0, clWhite32);
  mask.SetPixel(1, 0, clRed32);
  TBitmap32 photo;
  Photo(photo, 4, 3);
  ASSERT_TRUE(ApplyMask(photo, &mask));
  ASSERT_EQ(photo.Width(), 4);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(AlphaComponent(photo.GetPixel(x, y)), x < 2 ? 255 : 60) << x << "," << y;
      EXPECT_EQ(photo.GetPixel(x, y) & 0xFFFFFF,
                Color32(static_cast<uint8_t>(x * 10), static_cast<uint8_t>(y * 10), 77) & 0xFFFFFF);
    }

  // A second mask replaces the first instead of adding to it; removal restores full opacity.
  TBitmap32 grey;
  grey.SetSize(1, 1);
  grey.SetPixel(0, 0, Color32(128, 128, 128));
  ASSERT_TRUE(ApplyMask(photo, &grey));
  EXPECT_EQ(AlphaComponent(photo.GetPixel(0, 0)), 128);
  EXPECT_EQ(AlphaComponent(photo.GetPixel(3, 2)), 128);
  RemoveMask(photo);
  EXPECT_EQ(photo.GetPixel(3, 2), Color32(30, 20, 77));
}

TEST(Masks, AnEmptyMaskLeavesTheObjectAlone) {
  TBitmap32 photo;
  Photo(photo, 3, 3);
  TBitmap32 empty;
  EXPECT_FALSE(ApplyMask(photo, &empty));
  EXPECT_FALSE(ApplyMask(photo, nullptr));
  EXPECT_EQ(photo.GetPixel(2, 2), Color32(20, 20, 77));
}

TEST(Masks, JpegMaskFilesAreRead) {
  RegisterCodecPictureFormats();
  testsupport::TempDir temp;
  const std::string black = picturefiles::WriteJpeg(temp / "1.jpg", 16, 16, clBlack32);
  TBitmap32 photo;
  Photo(photo, 5, 7);
  TPictureStore store;
  ASSERT_TRUE(ApplyMask(photo, store.Mask(black).get()));
  for (int i = 0; i < 35; ++i) EXPECT_LE(AlphaComponent(photo.Bits()[i]), 2);
}

TEST(QuarterTurn, TurnsAboutTheCentreAndFlipsMirrorInPlace) {
  EXPECT_EQ(QuarterTurnLocation(FloatRect(120, 180, 520, 300)), FloatRect(260, 40, 380, 440));

  TDocument doc;
  NewDocumentCanvas(doc, 640, 480, clWhite32);
  const uint64_t id = AddBar(doc, Point(320, 240));
  SetObjectLocation(doc, id, FloatRect(120, 180, 520, 300));
  TOffscreenImage image;
  TDocumentLayers layers(image.Layers(), image.Bitmap());
  layers.Update(doc);
  TBitmapLayer* bar = layers.LayerOf(id);
  bar->Bitmap().SetPixel(0, 0, clRed32);  // top-left goes to the top-right corner
  RotateObject(doc, id);
  layers.Update(doc);
  EXPECT_EQ(bar->Bitmap().Width(), 50);
  EXPECT_EQ(bar->Bitmap().Height(), 100);
  EXPECT_EQ(bar->Bitmap().GetPixel(49, 0), clRed32);
  EXPECT_EQ(bar->Location(), FloatRect(260, 40, 380, 440));

  FlipObject(doc, id, peFlipHorizontal);
  layers.Update(doc);
  EXPECT_EQ(bar->Bitmap().GetPixel(0, 0), clRed32);
  FlipObject(doc, id, peFlipVertical);
  layers.Update(doc);
  EXPECT_EQ(bar->Bitmap().GetPixel(0, 99), clRed32);
  EXPECT_EQ(bar->Location(), FloatRect(260, 40, 380, 440));
}

TEST(CentredResize, CtrlMovesOppositeEdgesTogetherWithAFourUnitMinimum) {
  const TFloatRect old = FloatRect(120, 180, 520, 300);
  TFloatRect r = FloatRect(120, 180, 560, 300);
  ResizeAboutCentre(old, r, dsRight, ssCtrl | ssLeft);
  EXPECT_EQ(r, FloatRect(80, 180, 560, 300));

  r = FloatRect(120, 180, 250, 300);  // right edge dragged left of the centre
  ResizeAboutCentre(old, r, dsRight, ssCtrl);
  EXPECT_EQ(r, FloatRect(318, 180, 322, 300));

  r = FloatRect(100, 150, 520, 300);
  ResizeAboutCentre(old, r, dsTopLeft, ssCtrl);
  EXPECT_EQ(r, FloatRect(100, 150, 540, 330));

  r = FloatRect(120, 180, 520, 400);
  ResizeAboutCentre(old, r, dsBottom, ssCtrl);
  EXPECT_EQ(r, FloatRect(120, 80, 520, 400));

  // Without Ctrl, and for moves, the proposal stands.
  r = FloatRect(120, 180, 560, 300);
  ResizeAboutCentre(old, r, dsRight, ssShift);
  EXPECT_EQ(r, FloatRect(120, 180, 560, 300));
  r = FloatRect(0, 0, 400, 120);
  ResizeAboutCentre(old, r, dsMove, ssCtrl);
  EXPECT_EQ(r, FloatRect(0, 0, 400, 120));
}

}  // namespace

}  // namespace pictavia
