// Drawing PNG pictures: choice of path by transparency, key colours, the blending arithmetic,
// stretching, clipping, palette errors and conversion into a toolkit bitmap.
#include <gtest/gtest.h>

#include <cstdint>

#include "codecs/png_object.h"
#include "png_test_util.h"
#include "toolkit/bitmap.h"

namespace pictavia {

namespace {

using namespace pngtest;

// 3 x 1, 8-bit palette: entries (10,20,30), (40,50,60), black; pixels 0, 1, 2.
std::vector<uint8_t> PalettePicture(const std::vector<uint8_t>& trns) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> chunks = {
      {"PLTE", {10, 20, 30, 40, 50, 60, 0, 0, 0}}};
  if (!trns.empty()) chunks.push_back({"tRNS", trns});
  return MakePng(Ihdr(3, 1, 8, COLOR_PALETTE), chunks, {0, 0, 1, 2});
}

// An 8-bit RGBA picture from 0xAARRGGBB pixels.
std::vector<uint8_t> RgbaPicture(int w, int h, const std::vector<uint32_t>& px) {
  std::vector<uint8_t> raw;
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);
    for (int x = 0; x < w; ++x) {
      const uint32_t c = px[static_cast<size_t>(y * w + x)];
      raw.insert(raw.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(c >> 24)});
    }
  }
  return MakePng(Ihdr(w, h, 8, COLOR_RGBALPHA), {}, raw);
}

TEST(PngDraw, PaletteTransparencyKinds) {
  TPNGObject png;
  LoadBytes(png, PalettePicture({}));
  EXPECT_EQ(png.TransparencyKind(), TransparencyNone);
  EXPECT_FALSE(png.Transparent());
  EXPECT_EQ(png.KeyColor(), 0);

  // One entry fully transparent: keyed by that entry's colour.
  LoadBytes(png, PalettePicture({0, 255, 255}));
  EXPECT_EQ(png.TransparencyKind(), TransparencySingleColor);
  EXPECT_EQ(png.KeyColor(), RGBColor(10, 20, 30));
  Surface keyed(3, 1, 0xFF112233);
  png.DrawInto(keyed.canvas, Rect(0, 0, 3, 1));
  EXPECT_EQ(keyed.At(0, 0), 0xFF112233u);
  EXPECT_EQ(keyed.At(1, 0) & 0xFFFFFF, 0x28323Cu);
  EXPECT_EQ(keyed.At(2, 0) & 0xFFFFFF, 0u);

  // Two entries not opaque: blended per entry.
  LoadBytes(png, PalettePicture({0, 128, 255}));
  EXPECT_EQ(png.TransparencyKind(), TransparencyAlpha);
  Surface blended(3, 1, 0xFFFFFFFF);
  png.DrawInto(blended.canvas, Rect(0, 0, 3, 1));
  EXPECT_EQ(blended.At(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(blended.At(1, 0), 0xFF93989Du);  // (40,50,60) at 128 over white
  EXPECT_EQ(blended.At(2, 0), 0xFF000000u);

  // One partial entry still counts as a single colour; with no entry at 0 the key is black.
  LoadBytes(png, PalettePicture({128, 255}));
  EXPECT_EQ(png.TransparencyKind(), TransparencySingleColor);
  EXPECT_EQ(png.KeyColor(), 0);
  Surface quirk(3, 1, 0xFF445566);
  png.DrawInto(quirk.canvas, Rect(0, 0, 3, 1));
  EXPECT_EQ(quirk.At(0, 0) & 0xFFFFFF, 0x0A141Eu);
  EXPECT_EQ(quirk.At(2, 0), 0xFF445566u);
}

TEST(PngDraw, AlphaBlendingArithmetic) {
  TPNGObject png;
  LoadBytes(png, RgbaPicture(3, 1, {0x00FFFFFF, 0xFF010203, 0x80FFFFFF}));
  EXPECT_EQ(png.TransparencyKind(), TransparencyAlpha);
  Surface t(3, 1, 0x7F000000);
  png.DrawInto(t.canvas, Rect(0, 0, 3, 1));
  EXPECT_EQ(t.At(0, 0), 0x7F000000u);  // alpha 0 leaves the target
  EXPECT_EQ(t.At(1, 0), 0x7F010203u);  // alpha 255 replaces the colour, keeps the fourth byte
  EXPECT_EQ(t.At(2, 0), 0x7F808080u);  // (255 x 128 + 255) div 256 = 128

  // Gray with alpha blends the stored gray byte.
  LoadBytes(png, MakePng(Ihdr(1, 1, 8, COLOR_GRAYSCALEALPHA), {}, {0, 200, 64}));
  Surface g(1, 1, 0xFF000064);
  png.DrawInto(g.canvas, Rect(0, 0, 1, 1));
  EXPECT_EQ(g.At(0, 0), 0xFF32327Du);  // (200 x 64 + 191 x t + 255) div 256 for t = 0 and 100
}

TEST(PngDraw, StretchingClippingAndEmptyRects) {
  TPNGObject png;
  const std::vector<uint32_t> px = {0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFFFFFFFF};
  LoadBytes(png, RgbaPicture(2, 2, px));
  Surface t(6, 6, 0xFF000000);
  png.DrawInto(t.canvas, Rect(1, 1, 5, 5));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      const bool inside = x >= 1 && x < 5 && y >= 1 && y < 5;
      const uint32_t want =
          inside ? px[static_cast<size_t>((y - 1) / 2 * 2 + (x - 1) / 2)] : 0xFF000000;
      ASSERT_EQ(t.At(x, y), want) << x << "," << y;
    }

  // Zero width or height: nothing, whatever the path.
  for (const auto& bytes : {RgbaPicture(2, 2, px), PalettePicture({}), PalettePicture({0})}) {
    LoadBytes(png, bytes);
    Surface z(4, 4, 0xFF123456);
    png.DrawInto(z.canvas, Rect(2, 0, 2, 4));
    png.DrawInto(z.canvas, Rect(0, 3, 4, 3));
    for (uint32_t p : z.pixels) ASSERT_EQ(p, 0xFF123456u);
  }

  // Blending normalises a reversed rectangle; the plain copy mirrors it.
  LoadBytes(png, RgbaPicture(2, 2, px));
  Surface r(2, 2, 0xFF000000);
  png.DrawInto(r.canvas, Rect(2, 2, 0, 0));
  EXPECT_EQ(r.At(0, 0), px[0]);
  LoadBytes(png, PalettePicture({}));
  Surface m(3, 1, 0);
  png.DrawInto(m.canvas, Rect(3, 0, 0, 1));
  EXPECT_EQ(m.At(0, 0) & 0xFFFFFF, 0u);
  EXPECT_EQ(m.At(2, 0) & 0xFFFFFF, 0x0A141Eu);

  // Shrinking by a non-whole factor picks columns trunc(i / (w / Width)).
  LoadBytes(png, RgbaPicture(3, 1, {0xFF000001, 0xFF000002, 0xFF000003}));
  Surface s(2, 1, 0xFF000000);
  png.DrawInto(s.canvas, Rect(0, 0, 2, 1));
  EXPECT_EQ(s.At(0, 0), 0xFF000001u);
  EXPECT_EQ(s.At(1, 0), 0xFF000002u);  // 1 / (2 / 3) = 1.5

  // Only the canvas clip rectangle is touched, and a zoomed-in rectangle far larger than the
  // canvas costs only the visible pixels.
  LoadBytes(png, RgbaPicture(1, 1, {0xFF00FF00}));
  Surface c(4, 4, 0xFF000000);
  c.canvas.SetClipRect(Rect(1, 1, 3, 3));
  png.DrawInto(c.canvas, Rect(-100000000, -100000000, 100000000, 100000000));
  EXPECT_EQ(c.At(0, 0), 0xFF000000u);
  EXPECT_EQ(c.At(1, 2), 0xFF00FF00u);
  EXPECT_EQ(c.At(3, 3), 0xFF000000u);
}

// A clip placed billions of pixels wide: the visible pixels are its ends or its middle, never a
// column computed from a width that wrapped around the int range.
TEST(PngDraw, RectanglesAcrossTheIntRangeShowThePicturesEndsAndMiddle) {
  struct Picture {
    const char* name;
    std::vector<uint8_t> bytes;
    bool mirrors;  // the plain and keyed paths mirror a reversed rectangle
  };
  const Picture pictures[] = {
      {"plain", PalettePicture({}), true},
      {"keyed", PalettePicture({0, 255, 255}), true},
      {"palette alpha", PalettePicture({0, 128, 255}), false},
      {"rgba", RgbaPicture(3, 1, {0xFF000001, 0xFF000002, 0xFF000003}), false},
  };
  constexpr uint32_t kBack = 0xFF445566;
  for (const Picture& p : pictures) {
    SCOPED_TRACE(p.name);
    TPNGObject png;
    LoadBytes(png, p.bytes);
    Surface natural(3, 1, kBack);
    png.DrawInto(natural.canvas, Rect(0, 0, 3, 1));
    const struct {
      TRect rect;
      int column;
    } cases[] = {
        {Rect(INT32_MIN, INT32_MIN, 4, INT32_MAX), 2},
        {Rect(0, INT32_MIN, INT32_MAX, INT32_MAX), 0},
        {Rect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), 1},
        {Rect(4, INT32_MAX, INT32_MIN, INT32_MIN), p.mirrors ? 0 : 2},
    };
    for (const auto& c : cases) {
      Surface t(4, 2, kBack);
      png.DrawInto(t.canvas, c.rect);
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
          ASSERT_EQ(t.At(x, y), natural.At(c.column, 0))
              << x << "," << y << " in " << c.rect.Left << ".." << c.rect.Right;
    }
  }
}

TEST(PngDraw, PaletteIndexWithoutEntryFailsBeforeDrawing) {
  TPNGObject png;
  // Two entries, partial alpha, a pixel using index 3.
  LoadBytes(png, MakePng(Ihdr(2, 1, 8, COLOR_PALETTE),
                         {{"PLTE", {1, 2, 3, 4, 5, 6}}, {"tRNS", {0, 128}}}, {0, 1, 3}));
  Surface t(2, 1, 0xFFABCDEF);
  std::string msg;
  try {
    png.DrawInto(t.canvas, Rect(0, 0, 2, 1));
  } catch (const EPngError& e) {
    msg = e.Message();
  }
  EXPECT_EQ(msg, SPngErrorPaletteEntry);
  EXPECT_EQ(t.At(0, 0), 0xFFABCDEFu);
  // The plain path draws such pixels black.
  LoadBytes(png, MakePng(Ihdr(2, 1, 8, COLOR_PALETTE), {{"PLTE", {1, 2, 3}}}, {0, 0, 3}));
  png.DrawInto(t.canvas, Rect(0, 0, 2, 1));
  EXPECT_EQ(t.At(1, 0) & 0xFFFFFF, 0u);
}

TEST(PngDraw, KeyColorsOfGrayAndTruecolour) {
  TPNGObject png;
  // 8-bit gray keyed at 64.
  LoadBytes(png, MakePng(Ihdr(2, 1, 8, COLOR_GRAYSCALE), {{"tRNS", {0, 64}}}, {0, 64, 65}));
  EXPECT_EQ(png.KeyColor(), RGBColor(64, 64, 64));
  Surface t(2, 1, 0xFF0000FF);
  png.DrawInto(t.canvas, Rect(0, 0, 2, 1));
  EXPECT_EQ(t.At(0, 0), 0xFF0000FFu);
  EXPECT_EQ(t.At(1, 0) & 0xFFFFFF, 0x414141u);
  // 2-bit gray: the key sits where its samples do in the ramp.
  LoadBytes(png, MakePng(Ihdr(2, 1, 2, COLOR_GRAYSCALE), {{"tRNS", {0, 1}}}, {0, 0x60}));
  EXPECT_EQ(png.KeyColor(), RGBColor(85, 85, 85));
  png.DrawInto(t.canvas, Rect(0, 0, 2, 1));
  EXPECT_EQ(t.At(0, 0), 0xFF0000FFu);
  EXPECT_EQ(t.At(1, 0) & 0xFFFFFF, 0xAAAAAAu);
  // 16-bit truecolour: the key compares the bytes the image memory keeps (the high bytes).
  std::vector<uint8_t> raw = {0, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
  LoadBytes(png, MakePng(Ihdr(1, 1, 16, COLOR_RGB),
                         {{"tRNS", {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}}}, raw));
  EXPECT_EQ(png.KeyColor(), RGBColor(0x12, 0x56, 0x9A));
  Surface k(1, 1, 0xFF010101);
  png.DrawInto(k.canvas, Rect(0, 0, 1, 1));
  EXPECT_EQ(k.At(0, 0), 0xFF010101u);
}

TEST(PngDraw, AssignToToolkitBitmap) {
  struct Case {
    std::vector<uint8_t> file;
    TPixelFormat format;
  };
  const std::vector<Case> cases = {
      {RgbaPicture(2, 1, {0x80FF0000, 0xFF00FF00}), pf24bit},
      {MakePng(Ihdr(2, 1, 1, COLOR_PALETTE), {{"PLTE", {9, 9, 9, 200, 100, 50}}}, {0, 0x40}),
       pf1bit},
      {MakePng(Ihdr(2, 1, 2, COLOR_GRAYSCALE), {}, {0, 0x30}), pf4bit},
      {PalettePicture({0, 255, 255}), pf8bit},
      {MakePng(Ihdr(1, 1, 16, COLOR_GRAYSCALE), {}, {0, 0x80, 0x01}), pf24bit},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    TPNGObject png;
    LoadBytes(png, cases[i].file);
    TBitmap bmp;
    bmp.Assign(&png);
    EXPECT_EQ(bmp.PixelFormat(), cases[i].format);
    EXPECT_EQ(bmp.Width(), png.PictureWidth());
    EXPECT_EQ(bmp.Canvas()->Pixel(1 % bmp.Width(), 0), png.Pixels(1 % bmp.Width(), 0) & 0xFFFFFF);
    EXPECT_EQ(bmp.Transparent(), png.TransparencyKind() == TransparencySingleColor);
    if (bmp.Transparent()) {
      EXPECT_EQ(bmp.TransparentColor(), png.KeyColor());
    }
  }
}

}  // namespace

}  // namespace pictavia
