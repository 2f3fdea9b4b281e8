// Bitmap layers and the program's kinds: placement rounding, cropping, change reporting, colour
// bars, text rendering, and clips loaded from real and broken files.
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "codecs/png_object.h"
#include "layer_kinds_support.h"
#include "layers/color_layer.h"
#include "layers/png_layer.h"
#include "layers/text_layer.h"
#include "raster/resamplers.h"
#include "test_support.h"
#include "toolkit/exceptions.h"

namespace pictavia {

namespace {

constexpr TColor32 kBlack = 0xFF000000u;
constexpr TColor32 kRed = 0xFFFF0000u;

// An opaque single-colour PNG file written with our own writer.
std::string WritePng(const testsupport::TempDir& Dir, const char* Name, int W, int H,
                     uint32_t Color) {
  std::vector<uint32_t> pixels(static_cast<size_t>(W) * H, Color);
  TPNGObject png;
  png.AssignPixels32(pixels.data(), W, H);
  const std::string path = (Dir / Name).string();
  png.SaveToFile(path);
  return path;
}

}  // namespace

TEST(BitmapLayers, PhotosRoundTheirPlaceToEvenAndClipsFloorIt) {
  testsupport::TempDir dir;
  KindsOwner owner;
  TLayerCollection layers(&owner);
  auto* photo = new TBitmapLayer(&layers);
  photo->Bitmap().SetSize(40, 40);
  photo->Bitmap().Clear(kRed);
  auto* clip = new TPngLayer(&layers);
  clip->LoadFromFile(WritePng(dir, "red.png", 40, 40, kRed));
  ASSERT_TRUE(clip->PngLoaded());
  EXPECT_EQ(clip->Bitmap().Width(), 40);
  EXPECT_EQ(clip->Bitmap().Height(), 40);

  struct Case {
    TFloatRect location;
    TRect photo, clip;
  };
  const Case cases[] = {
      {FloatRect(10.5f, 20.5f, 50.5f, 60.5f), Rect(10, 20, 50, 60), Rect(10, 20, 50, 60)},
      {FloatRect(10.6f, 20.5f, 50.6f, 60.5f), Rect(11, 20, 51, 60), Rect(10, 20, 50, 60)},
      {FloatRect(11.5f, 21.5f, 51.5f, 61.5f), Rect(12, 22, 52, 62), Rect(11, 21, 51, 61)},
  };
  for (const Case& c : cases) {
    for (TBitmapLayer* layer : {photo, static_cast<TBitmapLayer*>(clip)}) {
      layer->SetLocation(c.location);
      TBitmap32 buffer;
      MakeBuffer(buffer, 100, 100, kBlack);
      layer->Paint(&buffer);
      const TRect expected = layer == photo ? c.photo : c.clip;
      EXPECT_EQ(ChangedBounds(buffer, kBlack), expected)
          << layer->ClassName() << " at " << c.location.Left;
      EXPECT_EQ(buffer.GetPixel(expected.Left, expected.Top), kRed);
      EXPECT_EQ(buffer.GetPixel(expected.Right - 1, expected.Bottom - 1), kRed);
    }
  }
}

TEST(BitmapLayers, CroppingHoldsAPhotoToTheCanvasExceptWhileRenderingInto) {
  KindsOwner owner;
  owner.drawn = Rect(0, 0, 50, 100);
  TLayerCollection layers(&owner);
  auto* photo = new TBitmapLayer(&layers);
  photo->Bitmap().SetSize(10, 10);
  photo->Bitmap().Clear(kRed);
  photo->SetLocation(FloatRect(30, 10, 70, 30));
  photo->SetCropped(true);

  TBitmap32 buffer;
  auto paint = [&] {
    MakeBuffer(buffer, 100, 100, kBlack);
    photo->Paint(&buffer);
    return ChangedBounds(buffer, kBlack);
  };
  EXPECT_EQ(paint(), Rect(30, 10, 50, 30));
  owner.renderingInto = true;
  EXPECT_EQ(paint(), Rect(30, 10, 70, 30));
  owner.renderingInto = false;
  photo->SetCropped(false);
  EXPECT_EQ(paint(), Rect(30, 10, 70, 30));

  // The buffer's clip rectangle always limits; the bitmap's draw mode and opacity are used.
  photo->Bitmap().SetDrawMode(dmBlend);
  photo->Bitmap().SetMasterAlpha(128);
  MakeBuffer(buffer, 100, 100, kBlack);
  buffer.SetClipRect(Rect(0, 0, 40, 20));
  photo->Paint(&buffer);
  EXPECT_EQ(ChangedBounds(buffer, kBlack), Rect(30, 10, 40, 20));
  const TColor32 half = buffer.GetPixel(35, 15);
  EXPECT_NEAR(static_cast<int>((half >> 16) & 0xFF), 128, 2);
  EXPECT_EQ(half & 0xFFFF, 0u);
}

TEST(BitmapLayers, BitmapChangesRepaintTheMappedAreaGrownByTheResamplerReach) {
  KindsOwner owner;
  owner.scale = 2;
  owner.shiftX = owner.shiftY = 5;
  TLayerCollection layers(&owner);
  std::vector<TRect> areas;
  layers.OnAreaDamaged = [&](TObject*, const TRect& r, uint32_t) { areas.push_back(r); };
  auto* photo = new TBitmapLayer(&layers);
  photo->Bitmap().SetSize(10, 10);
  photo->SetLocation(FloatRect(0, 0, 10, 10));
  photo->SetScaled(true);  // view place (5, 5, 25, 25)
  areas.clear();

  photo->Bitmap().FillRect(2, 2, 4, 4, kRed);  // (9, 9, 13, 13), nearest reach 1 -> grown by 2
  EXPECT_EQ(areas, (std::vector<TRect>{Rect(7, 7, 15, 15)}));

  photo->Bitmap().SetResamplerClassName("TKernelResampler");
  static_cast<TKernelResampler*>(photo->Bitmap().Resampler())->SetKernelClassName("TLanczosKernel");
  const int grow = static_cast<int>(photo->Bitmap().Resampler()->SupportWidth()) + 1;
  ASSERT_GT(grow, 2);
  areas.clear();
  photo->Bitmap().FillRect(2, 2, 4, 4, kRed);
  EXPECT_EQ(areas, (std::vector<TRect>{Rect(9 - grow, 9 - grow, 13 + grow, 13 + grow)}));

  // Fractions widen outwards: floor for the low edges, ceiling for the high ones.
  photo->Bitmap().SetResamplerClassName("TNearestResampler");
  photo->SetScaled(false);
  photo->SetLocation(FloatRect(0.25f, 0.5f, 10.25f, 10.5f));
  areas.clear();
  photo->Bitmap().FillRect(2, 2, 4, 4, kRed);
  EXPECT_EQ(areas, (std::vector<TRect>{Rect(0, 0, 7, 7)}));

  photo->SetOptionBits(OptVisible | OptNoUpdate);
  photo->Bitmap().FillRect(2, 2, 4, 4, kRed);
  photo->SetOptionBits(OptVisible);
  areas.clear();
  photo->Bitmap().SetSize(0, 0);
  EXPECT_TRUE(areas.empty());
}

// Layers placed far beyond the int range, directly and through a zoomed view: each kind paints
// the part of it over the buffer, and reporting a change of its picture stays finite.
TEST(BitmapLayers, EveryKindPlacedFarBeyondTheIntRange) {
  testsupport::TempDir dir;
  KindsOwner owner;
  TLayerCollection layers(&owner);
  std::vector<TRect> damaged;
  layers.OnAreaDamaged = [&](TObject*, const TRect& r, uint32_t) { damaged.push_back(r); };
  auto* photo = new TBitmapLayer(&layers);
  photo->Bitmap().SetSize(4, 4);
  photo->Bitmap().Clear(kRed);
  auto* bar = new TColorLayer(&layers);
  bar->SetFillColor(kRed);
  auto* clip = new TPngLayer(&layers);
  clip->LoadFromFile(WritePng(dir, "red.png", 5, 3, kRed));
  auto* text = new TTextLayer(&layers);
  text->SetText("Hi");

  struct Place {
    TFloatRect location;
    TRect covered;
  };
  const Place places[] = {
      {FloatRect(-1.1e9f, 0, 1.1e9f, 200), Rect(0, 0, 100, 100)},
      {FloatRect(-3.4e38f, -3.4e38f, 3.4e38f, 3.4e38f), Rect(0, 0, 100, 100)},
      {FloatRect(-3.4e38f, -1e9f, 50, 60), Rect(0, 0, 50, 60)},
      {FloatRect(1e9f, 1e9f, 3.4e38f, 3.4e38f), TRect{}},
      {FloatRect(-3.4e38f, 0, -1.1e9f, 50), TRect{}},
  };
  for (bool zoomed : {false, true}) {
    owner.scale = zoomed ? 4.0f : 1.0f;
    for (TBitmapLayer* layer :
         {photo, static_cast<TBitmapLayer*>(bar), static_cast<TBitmapLayer*>(clip),
          static_cast<TBitmapLayer*>(text)}) {
      layer->SetScaled(zoomed);
      for (const Place& p : places) {
        SCOPED_TRACE(testing::Message() << layer->ClassName() << " at " << p.location.Left << ", "
                                        << p.location.Top << (zoomed ? " zoomed" : ""));
        layer->SetLocation(p.location);
        TRect covered = p.covered;
        if (zoomed) {
          covered = Rect(4 * covered.Left, 4 * covered.Top, 4 * covered.Right, 4 * covered.Bottom);
          IntersectRect(covered, covered, Rect(0, 0, 100, 100));
        }
        TBitmap32 buffer;
        MakeBuffer(buffer, 100, 100, kBlack);
        layer->Paint(&buffer);
        if (layer == text) {
          const TRect touched = ChangedBounds(buffer, kBlack);
          TRect within;
          EXPECT_TRUE(IsRectEmpty(touched) ||
                      (IntersectRect(within, touched, covered) && within == touched));
        } else {
          EXPECT_EQ(ChangedBounds(buffer, kBlack), covered);
          if (!IsRectEmpty(covered)) {
            EXPECT_EQ(buffer.GetPixel(covered.Right - 1, 0), kRed);
          }
        }
        // A change of the whole picture repaints at least what the layer covers.
        damaged.clear();
        layer->Bitmap().Changed();
        ASSERT_EQ(damaged.size(), 1u);
        TRect both;
        EXPECT_TRUE(IsRectEmpty(covered) ||
                    (IntersectRect(both, damaged[0], covered) && both == covered))
            << damaged[0].Left << "," << damaged[0].Top << "," << damaged[0].Right << ","
            << damaged[0].Bottom;
      }
    }
  }
}

TEST(ColorLayer, FillColorRecoloursAndKeepsEveryPixelsAlpha) {
  TLayerCollection layers;
  auto* bar = new TColorLayer(&layers);
  TBitmap32& b = bar->Bitmap();
  ASSERT_EQ(b.Width(), 100);
  ASSERT_EQ(b.Height(), 50);
  EXPECT_EQ(b.DrawMode(), dmBlend);
  EXPECT_EQ(b.GetPixel(0, 0), 0xFF00FF00u);
  EXPECT_EQ(b.GetPixel(99, 49), 0xFF00FF00u);

  bar->SetFillColor(0x80FF0000u);
  EXPECT_EQ(b.GetPixel(50, 25), kRed);  // the fill's own alpha is not used
  b.SetPixel(3, 4, 0x40FF0000u);        // a mask gave this pixel its shape
  bar->SetFillColor(0xFF0000FFu);
  EXPECT_EQ(b.GetPixel(3, 4), 0x400000FFu);
  EXPECT_EQ(b.GetPixel(4, 4), 0xFF0000FFu);
}

TEST(TextLayer, StartsAsRedBoldArialSizedToItsText) {
  TLayerCollection layers;
  auto* text = new TTextLayer(&layers);
  EXPECT_EQ(text->Text(), "Enter Your Text");
  EXPECT_EQ(text->TextColor(), kRed);
  EXPECT_EQ(text->Font().Name(), "Arial");
  EXPECT_EQ(text->Font().Size(), 16);
  EXPECT_EQ(text->Font().Style(), fsBold);
  EXPECT_EQ(text->Font().Color(), clRed);

  TBitmap32 measure;
  measure.SetFont(text->Font());
  const TSize extent = measure.TextExtent("Enter Your Text");
  ASSERT_GT(extent.cx, 0);
  EXPECT_EQ(text->Bitmap().Width(), extent.cx);
  EXPECT_EQ(text->Bitmap().Height(), extent.cy);
  EXPECT_EQ(text->Bitmap().DrawMode(), dmBlend);
  int solid = 0;
  for (int y = 0; y < extent.cy; ++y)
    for (int x = 0; x < extent.cx; ++x)
      if (text->Bitmap().GetPixel(x, y) == kRed) ++solid;
  EXPECT_GT(solid, 50);
}

TEST(TextLayer, OnlyRealChangesReRenderAndANewRenderingReplacesTheOld) {
  TLayerCollection layers;
  auto* text = new TTextLayer(&layers);
  int reports = 0;
  layers.OnAreaDamaged = [&](TObject*, const TRect&, uint32_t) { ++reports; };
  text->SetText("Enter Your Text");
  text->SetTextColor(kRed);
  EXPECT_EQ(reports, 0);
  TFont same;
  same.Assign(&text->Font());
  text->SetFont(same);
  EXPECT_EQ(reports, 1);  // always re-rendered, reported once

  // Recolouring keeps the extent: the blue glyphs must not be blended over the red ones.
  text->SetTextColor(0xFF0000FFu);
  auto* fresh = new TTextLayer(&layers);
  fresh->SetText("Q");  // another extent: the bitmap starts again from zeroed pixels
  fresh->SetTextColor(0xFF0000FFu);
  fresh->SetText("Enter Your Text");
  ASSERT_EQ(fresh->Bitmap().Width(), text->Bitmap().Width());
  EXPECT_TRUE(fresh->Bitmap().Equal(text->Bitmap()));
}

TEST(PngLayer, MissingAndUndecodableFilesLeaveTheClipAsItWas) {
  testsupport::TempDir dir;
  TLayerCollection layers;
  auto* clip = new TPngLayer(&layers);
  EXPECT_NO_THROW(clip->LoadFromFile((dir / "absent.png").string()));
  EXPECT_FALSE(clip->PngLoaded());
  EXPECT_TRUE(clip->Bitmap().Empty());

  const std::string good = WritePng(dir, "green.png", 12, 8, 0xFF00FF00u);
  std::vector<unsigned char> bytes = testsupport::ReadFileBytes(good);
  testsupport::WriteFileBytes(dir / "noise.png", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'});
  bytes.resize(bytes.size() - 20);  // image data cut short
  testsupport::WriteFileBytes(dir / "cut.png", bytes);

  EXPECT_THROW(clip->LoadFromFile((dir / "noise.png").string()), Exception);
  EXPECT_FALSE(clip->PngLoaded());

  clip->LoadFromFile(good);
  ASSERT_TRUE(clip->PngLoaded());
  clip->SetLocation(FloatRect(0, 0, 12, 8));
  TBitmap32 before, after;
  MakeBuffer(before, 20, 20, kBlack);
  clip->Paint(&before);
  EXPECT_THROW(clip->LoadFromFile((dir / "cut.png").string()), Exception);
  EXPECT_TRUE(clip->PngLoaded());
  EXPECT_EQ(clip->Picture().PictureWidth(), 12);
  MakeBuffer(after, 20, 20, kBlack);
  clip->Paint(&after);
  EXPECT_TRUE(after.Equal(before));
  EXPECT_EQ(after.GetPixel(11, 7) & 0xFFFFFF, 0x00FF00u);
}

TEST(PngLayer, AlphaClipBlendsOverTheBufferInsideItsClipRectangleOnly) {
  PICTAVIA_REQUIRE_CORPUS("png/pngsuite");
  TLayerCollection layers;
  auto* clip = new TPngLayer(&layers);
  clip->LoadFromFile((testsupport::CorpusDir() / "png/pngsuite/basn6a08.png").string());
  ASSERT_TRUE(clip->PngLoaded());
  TPNGObject& png = clip->Picture();
  const int w = png.PictureWidth(), h = png.PictureHeight();
  clip->SetLocation(FloatRect(4, 4, 4.0f + w, 4.0f + h));

  constexpr TColor32 kBack = 0xFF3366CCu;
  TBitmap32 buffer;
  MakeBuffer(buffer, w + 8, h + 8, kBack);
  clip->Paint(&buffer);
  int mismatches = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t a = png.AlphaScanline(y)[x];
      const uint32_t s = static_cast<uint32_t>(png.Pixels(x, y));             // 0x00BBGGRR
      const uint32_t src[3] = {(s >> 16) & 0xFF, (s >> 8) & 0xFF, s & 0xFF};  // b, g, r
      const TColor32 got = buffer.GetPixel(x + 4, y + 4);
      for (int c = 0; c < 3; ++c) {
        const uint32_t t = (kBack >> (8 * c)) & 0xFF;
        const uint32_t want = (src[c] * a + (255 - a) * t + 255) / 256;
        if (((got >> (8 * c)) & 0xFF) != want) ++mismatches;
      }
    }
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(buffer.GetPixel(3, 3), kBack);

  // The view repaints one damaged rectangle at a time: nothing may land outside it.
  MakeBuffer(buffer, w + 8, h + 8, kBack);
  buffer.SetClipRect(Rect(0, 0, 10, 10));
  clip->Paint(&buffer);
  const TRect touched = ChangedBounds(buffer, kBack);
  EXPECT_FALSE(IsRectEmpty(touched));
  EXPECT_LE(touched.Right, 10);
  EXPECT_LE(touched.Bottom, 10);

  // While measured, the clip reports the whole buffer and changes no pixel.
  MakeBuffer(buffer, w + 8, h + 8, kBack);
  std::vector<TRect> measured;
  buffer.BeginAreaRecording([&](TObject*, const TRect& r, uint32_t) { measured.push_back(r); });
  clip->Paint(&buffer);
  buffer.EndAreaRecording();
  EXPECT_TRUE(IsRectEmpty(ChangedBounds(buffer, kBack)));
  ASSERT_FALSE(measured.empty());
  EXPECT_EQ(measured.back(), buffer.BoundsRect());
}

}  // namespace pictavia
