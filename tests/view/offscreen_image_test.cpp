// The headless image renders a composition exactly as the view's 1:1 RenderInto does, whatever
// the view's zoom: the editor's Save and pictavia-cli depend on the two agreeing byte for byte.
#include <gtest/gtest.h>

#include "layers/bitmap_layer.h"
#include "layers/color_layer.h"
#include "layers/offscreen_image.h"
#include "view/img_view.h"

namespace pictavia {

namespace {

// A photo-like gradient, half transparent, stretched over part of the canvas and beyond its edge,
// and a bar at partial opacity: the stages, blending, stretching and cropping all show.
void Compose(TBitmap32& Canvas, TLayerCollection& Layers) {
  Canvas.SetSize(90, 70);
  for (int y = 0; y < 70; ++y)
    for (int x = 0; x < 90; ++x)
      Canvas.SetPixel(x, y, Color32(static_cast<uint8_t>(x * 2), static_cast<uint8_t>(y * 3), 90));
  auto* photo = new TBitmapLayer(&Layers);
  photo->SetCropped(true);
  photo->Bitmap().SetSize(13, 9);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 13; ++x)
      photo->Bitmap().SetPixel(
          x, y,
          Color32(static_cast<uint8_t>(x * 19), 40, static_cast<uint8_t>(y * 28),
                  static_cast<uint8_t>(120 + x * 10)));
  photo->Bitmap().SetDrawMode(dmBlend);
  photo->SetScaled(true);
  photo->SetLocation(FloatRect(30.5f, 10.25f, 104.0f, 51.75f));
  auto* bar = new pictavia::TColorLayer(&Layers);
  bar->SetCropped(true);
  bar->SetFillColor(0xFF3070B0u);
  bar->Bitmap().SetMasterAlpha(140);
  bar->SetScaled(true);
  bar->SetLocation(FloatRect(-7, 40, 50, 77));
}

TEST(OffscreenImage, RendersTheSameBytesAsTheViewAtOneToOne) {
  TImgView32 view;
  view.resize(300, 200);
  view.SetScale(2.5f);
  Compose(*view.Bitmap(), *view.Layers());
  TBitmap32 fromView;
  fromView.SetSize(90, 70);
  view.RenderInto(fromView, fromView.BoundsRect());

  TOffscreenImage image;
  Compose(image.Bitmap(), image.Layers());
  TBitmap32 headless;
  headless.SetSize(90, 70);
  image.RenderInto(headless);

  int differing = 0;
  for (int i = 0; i < 90 * 70; ++i) differing += fromView.Bits()[i] != headless.Bits()[i];
  EXPECT_EQ(differing, 0);
  // The layers did draw: the bar's blend shows left of the photo.
  EXPECT_NE(headless.GetPixel(5, 60), Color32(10, 180, 90));
}

TEST(OffscreenImage, ClearsWhatATransparentCanvasLeavesAndSkipsFrameStages) {
  TOffscreenImage image;
  image.SetColor(0xFF102030u);
  image.Bitmap().SetSize(4, 4);
  image.Bitmap().Clear(0x00000000u);
  image.Bitmap().SetDrawMode(dmBlend);
  int customRuns = 0;
  image.OnPaintStage = [&](TBitmap32&) { ++customRuns; };
  image.PaintStages().Add().Kind = skCustom;
  image.PaintStages().Add().Kind = skControlFrame;
  TBitmap32 target;
  target.SetSize(4, 4);
  target.Clear(0xFFFFFFFFu);
  image.RenderInto(target);
  EXPECT_EQ(target.GetPixel(3, 3), 0xFF102030u);
  EXPECT_EQ(customRuns, 1);
  EXPECT_FALSE(image.RenderingInto());
}

}  // namespace

}  // namespace pictavia
