// Glyphs of a laid-out line drawn one by one against the whole line from TextOut.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/canvas.h"
#include "toolkit/glyph_layout.h"

namespace pictavia {

namespace {

TFont FontOf(const std::string& Name, int PixelHeight, TFontStyles Style = 0) {
  TFont font;
  font.SetName(Name);
  font.SetPixelHeight(PixelHeight);
  font.SetStyle(Style);
  font.SetQuality(fqNonAntialiased);
  return font;
}

std::vector<uint32_t> WholeLine(const TFont& Font, const std::string& Text, int Width, int Height) {
  std::vector<uint32_t> bits(static_cast<size_t>(Width) * Height, 0u);
  TCanvas canvas;
  canvas.SetSurface(bits.data(), Width, Height);
  canvas.Font().Assign(&Font);
  canvas.Font().SetColor(clWhite);
  canvas.BkMode = bkTransparent;
  canvas.TextOut(0, 0, Text);
  return bits;
}

}  // namespace

TEST(GlyphLayout, GlyphsDrawnAloneMakeUpTheLineAndStayInTheirInk) {
  for (const char* name : {"Arial", "Times New Roman", "Tahoma"}) {
    const TFont font = FontOf(name, 90, fsBold);
    const std::string text = "Quay, 7 fjords & W\u00e9st!";
    const int width = 1400, height = 130;
    const std::vector<uint32_t> whole = WholeLine(font, text, width, height);
    const TGlyphLayout layout(font, text);
    ASSERT_TRUE(layout.Separable()) << name;
    ASSERT_GE(layout.Glyphs().size(), 15u) << name;
    std::vector<uint32_t> pieced(whole.size(), 0u);
    for (size_t i = 0; i < layout.Glyphs().size(); ++i) {
      const TRect& ink = layout.Glyphs()[i].Ink;
      const int w = ink.Right - ink.Left, h = ink.Bottom - ink.Top;
      ASSERT_GT(w, 0);
      ASSERT_GT(h, 0);
      // Each glyph alone, in a buffer just as large as its ink box (shifted to whole pixels).
      std::vector<uint32_t> alone(static_cast<size_t>(w) * h, 0u);
      layout.Draw({i}, alone.data(), w, h, ink.Left, ink.Top);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          if ((alone[static_cast<size_t>(y) * w + x] & 0xFF) == 0) continue;
          EXPECT_TRUE(x > 0 && y > 0 && x < w - 1 && y < h - 1) << name << ": ink on the border";
          const int tx = ink.Left + x, ty = ink.Top + y;
          if (tx >= 0 && ty >= 0 && tx < width && ty < height)
            pieced[static_cast<size_t>(ty) * width + tx] = 0xFFFFFFFFu;
        }
    }
    size_t differ = 0, lit = 0;
    for (size_t i = 0; i < whole.size(); ++i) {
      differ += (whole[i] & 0xFF) != (pieced[i] & 0xFF);
      lit += (whole[i] & 0xFF) != 0;
    }
    EXPECT_EQ(differ, 0u) << name;
    EXPECT_GT(lit, 1000u) << name;
  }
}

TEST(GlyphLayout, TextsThatCannotBeDrawnGlyphByGlyphSaySo) {
  EXPECT_TRUE(TGlyphLayout(FontOf("Arial", 40), "Plain words").Separable());
  EXPECT_TRUE(TGlyphLayout(FontOf("Arial", 40, fsItalic | fsBold), "Slanted").Separable());
  EXPECT_FALSE(TGlyphLayout(FontOf("Arial", 40, fsUnderline), "Underlined").Separable());
  EXPECT_FALSE(TGlyphLayout(FontOf("Arial", 40, fsStrikeOut), "Struck").Separable());
  TFont turned = FontOf("Arial", 40);
  turned.SetOrientation(900);
  EXPECT_FALSE(TGlyphLayout(turned, "Turned").Separable());
  EXPECT_FALSE(TGlyphLayout(FontOf("Arial", 40), "Tab\there").Separable());
  EXPECT_FALSE(TGlyphLayout(FontOf("Tahoma", 40), "abc \u05D0\u05D1").Separable());
  EXPECT_TRUE(TGlyphLayout(FontOf("Arial", 40), "").Glyphs().empty());
  EXPECT_TRUE(TGlyphLayout(FontOf("Arial", 40), "   ").Glyphs().empty()) << "blanks have no ink";
}

}  // namespace pictavia
