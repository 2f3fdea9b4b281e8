// Supersampled DrawSmoothText against the way it used to be done, the whole text drawn at the
// enlarged size and every block summed, over random texts, fonts, sizes and styles, on every
// blending path.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "raster/bitmap32.h"
#include "raster/blend.h"
#include "raster/internal/text_block_sums.h"
#include "raster/peak_memory.h"
#include "toolkit/glyph_layout.h"

namespace pictavia {

namespace {

struct DefaultPathGuard {
  ~DefaultPathGuard() { SelectDefaultBlendImplementation(); }
};

TFont EnlargedFont(const TFont& Font, int Level) {
  TFont big;
  big.Assign(&Font);
  big.SetQuality(fqNonAntialiased);
  big.SetPixelHeight(std::abs(Font.Height()) << Level);
  return big;
}

// The block sums as they used to be made: the whole text drawn on one enlarged bitmap.
std::vector<uint32_t> ReferenceSums(const TFont& Big, const std::string& Text, int Level,
                                    int Columns, int Rows) {
  const int s = 1 << Level;
  TBitmap32 enlarged;
  enlarged.SetSize(Columns * s, Rows * s);
  enlarged.Clear(0x00000000);
  enlarged.SetFont(Big);
  enlarged.Font().SetColor(clWhite);
  enlarged.TextOut(0, 0, Text);
  std::vector<uint32_t> sums(static_cast<size_t>(Columns) * Rows);
  for (int y = 0; y < Rows; ++y)
    for (int x = 0; x < Columns; ++x) {
      uint32_t sum = 0;
      for (int j = 0; j < s; ++j)
        for (int i = 0; i < s; ++i) sum += enlarged.GetPixel(x * s + i, y * s + j) & 0xFF;
      sums[static_cast<size_t>(y) * Columns + x] = sum;
    }
  return sums;
}

// DrawSmoothText's supersampled path as it used to be.
void ReferenceSmoothText(TBitmap32& Target, int X, int Y, const std::string& Text, int Level,
                         TColor32 Color) {
  const TFont big = EnlargedFont(Target.Font(), Level);
  TBitmap32 measure;
  measure.SetFont(big);
  const TSize extent = measure.TextExtent(Text + " ");
  const int columns = (extent.cx >> Level) + 1, rows = (extent.cy >> Level) + 1;
  const std::vector<uint32_t> sums = ReferenceSums(big, Text, Level, columns, rows);
  TBitmap32 b;
  b.SetSize(columns, rows);
  for (size_t i = 0; i < sums.size(); ++i)
    b.Bits()[i] = ((sums[i] >> (2 * Level)) << 24) + (Color & 0x00FFFFFFu);
  b.SetDrawMode(dmBlend);
  b.SetMasterAlpha(Color >> 24);
  b.SetCombineMode(Target.CombineMode());
  b.DrawOnto(Target, X, Y);
}

// Output pixels (relative to the text's corner) that two glyphs' ink boxes share.
std::vector<bool> SharedInk(const TFont& Big, const std::string& Text, int Level, int Columns,
                            int Rows) {
  std::vector<bool> shared(static_cast<size_t>(Columns) * Rows, false);
  const TGlyphLayout layout(Big, Text);
  const auto& glyphs = layout.Glyphs();
  for (size_t a = 0; a < glyphs.size(); ++a)
    for (size_t b = a + 1; b < glyphs.size(); ++b) {
      TRect both;
      if (!IntersectRect(both, glyphs[a].Ink, glyphs[b].Ink)) continue;
      for (int y = std::max(0, both.Top >> Level);
           y <= std::min(Rows - 1, (both.Bottom - 1) >> Level); ++y)
        for (int x = std::max(0, both.Left >> Level);
             x <= std::min(Columns - 1, (both.Right - 1) >> Level); ++x)
          shared[static_cast<size_t>(y) * Columns + x] = true;
    }
  return shared;
}

struct TTextCase {
  std::string Font;
  int Size = 12;
  TFontStyles Style = 0;
  int Level = 4;
  std::string Text;
  std::string Describe() const {
    std::ostringstream s;
    s << Font << " " << Size << " pt style " << int(Style) << " level " << Level << " \"" << Text
      << "\"";
    return s.str();
  }
};

std::string RandomText(std::mt19937& Random, int Length) {
  static const std::vector<std::string> kPieces = {
      "a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l",  "m", "n", "o",
      "p", "q", "r", "s", "t", "u", "v", "w", "x", "y", "z", "A",  "T", "V", "W",
      "Y", "f", "j", "0", "1", "7", " ", " ", ",", ".", "'", "\"", "-", "!", "?",
      "(", ")", "/", "@", "&", "é", "ü", "ß", "ñ", "Å", "ω", "Ж"};
  std::string text;
  for (int i = 0; i < Length; ++i) text += kPieces[Random() % kPieces.size()];
  return text;
}

TTextCase RandomCase(std::mt19937& Random, const std::vector<std::string>& Fonts,
                     TFontStyles Styles) {
  TTextCase c;
  c.Font = Fonts[Random() % Fonts.size()];
  c.Size = 5 + static_cast<int>(Random() % 36);
  c.Style = static_cast<TFontStyles>(Random() % (Styles + 1)) & Styles;
  c.Level = 1 + static_cast<int>(Random() % 4);
  c.Text = RandomText(Random, 1 + static_cast<int>(Random() % 24));
  return c;
}

// Draws the case both ways on a grey canvas; counts the pixels that differ, and those of them
// outside pixels where two glyphs' ink may overlap.
void Compare(const TTextCase& Case, int& Differ, int& DifferOutsideSharedInk) {
  auto draw = [&](TBitmap32& target, bool reference) {
    target.SetSize(Case.Size * 2 + 40 * static_cast<int>(Case.Text.size()), Case.Size * 3);
    target.Clear(0xFF405060);
    target.Font().SetName(Case.Font);
    target.Font().SetSize(Case.Size);
    target.Font().SetStyle(Case.Style);
    if (reference)
      ReferenceSmoothText(target, 3, 2, Case.Text, Case.Level, 0xC0F0E0D0);
    else
      target.DrawSmoothText(3, 2, Case.Text, Case.Level, 0xC0F0E0D0);
  };
  TBitmap32 ours, reference;
  draw(ours, false);
  draw(reference, true);
  TFont font;
  font.SetName(Case.Font);
  font.SetSize(Case.Size);
  font.SetStyle(Case.Style);
  const TFont big = EnlargedFont(font, Case.Level);
  const int columns = ours.Width(), rows = ours.Height();
  const std::vector<bool> shared = SharedInk(big, Case.Text, Case.Level, columns, rows);
  Differ = DifferOutsideSharedInk = 0;
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < columns; ++x) {
      if (ours.GetPixel(x, y) == reference.GetPixel(x, y)) continue;
      ++Differ;
      const int tx = x - 3, ty = y - 2;
      if (tx < 0 || ty < 0 || !shared[static_cast<size_t>(ty) * columns + tx])
        ++DifferOutsideSharedInk;
    }
}

std::vector<TBlendImplementation> AvailablePaths() {
  std::vector<TBlendImplementation> paths;
  for (TBlendImplementation impl : {biPortable, biScalar, biSSE2, biAVX2})
    if (BlendProcsFor(impl)) paths.push_back(impl);
  return paths;
}

}  // namespace

TEST(SmoothText, ShippedFontsUprightGiveTheSamePixelsOnEveryPath) {
  DefaultPathGuard guard;
  std::mt19937 random(17);
  for (TBlendImplementation impl : AvailablePaths()) {
    ASSERT_TRUE(SelectBlendImplementation(impl));
    for (int i = 0; i < 25; ++i) {
      const TTextCase c = RandomCase(random, {"Arial", "Times New Roman", "Tahoma"}, fsBold);
      int differ = 0, outside = 0;
      Compare(c, differ, outside);
      EXPECT_EQ(differ, 0) << BlendImplementationName(impl) << ": " << c.Describe();
    }
  }
}

TEST(SmoothText, OtherStylesDifferOnlyWhereGlyphsInkMayOverlap) {
  DefaultPathGuard guard;
  std::mt19937 random(1717);
  int total = 0;
  for (TBlendImplementation impl : AvailablePaths()) {
    ASSERT_TRUE(SelectBlendImplementation(impl));
    for (int i = 0; i < 15; ++i) {
      const TTextCase c = RandomCase(
          random, {"Arial", "Times New Roman", "Tahoma", "DejaVu Serif", "Liberation Mono"},
          fsBold | fsItalic);
      int differ = 0, outside = 0;
      Compare(c, differ, outside);
      total += differ;
      EXPECT_EQ(outside, 0) << BlendImplementationName(impl) << ": " << c.Describe() << ", "
                            << differ << " pixels differ";
    }
  }
  std::cout << "[ overlap  ] pixels differing where glyphs' ink may overlap: " << total << "\n";
}

TEST(SmoothText, RightToLeftAndJoinedScriptsGiveTheSamePixels) {
  // Reordered runs, joined letters and marks placed by the shaper.
  for (const char* text :
       {"Shalom \u05E9\u05DC\u05D5\u05DD 42!", "\u0645\u0631\u062D\u0628\u0627 (ok)",
        "Cafe\u0301 na\u0308ive \u1EA0\u0323"}) {
    TTextCase c;
    c.Font = "Tahoma";
    c.Size = 17;
    c.Text = text;
    int differ = 0, outside = 0;
    Compare(c, differ, outside);
    EXPECT_EQ(outside, 0) << c.Describe() << ", " << differ << " pixels differ";
  }
}

TEST(SmoothText, LinesAcrossTheTextAndTurnedFontsGiveTheSameSums) {
  // Underline, strike-out and turned text are drawn whole, tile by tile.
  struct TCase {
    TFontStyles Style;
    int Orientation;
  };
  for (const TCase& c : {TCase{fsUnderline, 0}, TCase{fsStrikeOut | fsItalic, 0}, TCase{0, 150}}) {
    TFont font;
    font.SetName("Arial");
    font.SetSize(14);
    font.SetStyle(c.Style);
    font.SetOrientation(c.Orientation);
    const TFont big = EnlargedFont(font, 4);
    const std::string text = "Jumpy fox, 42";
    const int columns = 130, rows = 30;
    std::vector<uint32_t> sums(static_cast<size_t>(columns) * rows, 7u);
    SumTextBlocks(big, text, 4, columns, rows, sums.data());
    EXPECT_EQ(sums, ReferenceSums(big, text, 4, columns, rows))
        << "style " << int(c.Style) << " orientation " << c.Orientation;
  }
}

// The block sums of Text in a font of Size points at level 4, as SumTextBlocks and the reference
// make them.
void BothSums(const char* Font, int Size, const std::string& Text, std::vector<uint32_t>& Ours,
              std::vector<uint32_t>& Reference, TFontStyles Style = 0) {
  TFont font;
  font.SetName(Font);
  font.SetSize(Size);
  font.SetStyle(Style);
  const TFont big = EnlargedFont(font, 4);
  TBitmap32 measure;
  measure.SetFont(big);
  const TSize extent = measure.TextExtent(Text + " ");
  const int columns = (extent.cx >> 4) + 1, rows = (extent.cy >> 4) + 1;
  Ours.assign(static_cast<size_t>(columns) * rows, 0u);
  SumTextBlocks(big, Text, 4, columns, rows, Ours.data());
  Reference = ReferenceSums(big, Text, 4, columns, rows);
}

TEST(SmoothText, LargeGlyphsAndLongLinesGiveTheSameSums) {
  // Large glyphs that still fit one drawing buffer whole, and a line long enough for many
  // copies of each glyph.
  std::string line;
  while (line.size() < 160) line += "Hardly anyone saw the boats leave at 4 a.m. ";
  std::vector<uint32_t> ours, reference;
  BothSums("Arial", 100, "Wm", ours, reference);
  EXPECT_EQ(ours, reference) << "100 pt";
  BothSums("Tahoma", 20, line, ours, reference);
  EXPECT_EQ(ours, reference) << "a long line";
  // Slanted glyphs reach over their neighbours: long stretches drawn together, in strips.
  BothSums("Times New Roman", 30, line, ours, reference, fsItalic | fsBold);
  EXPECT_EQ(ours, reference) << "a long italic line";
  BothSums("Times New Roman", 30, std::string(90, 'f'), ours, reference, fsItalic);
  EXPECT_EQ(ours, reference) << "a chain of italic f";
}

TEST(SmoothText, GlyphsTooLargeForOneBufferMoveSinglePixelsAtMost) {
  // Drawn in pieces, an outline cut by a piece's edge may gain or lose an enlarged pixel there.
  std::vector<uint32_t> ours, reference;
  BothSums("Arial", 180, "Wg", ours, reference);
  size_t differ = 0;
  uint64_t ink = 0;
  for (size_t i = 0; i < ours.size(); ++i) {
    ink += reference[i];
    if (ours[i] == reference[i]) continue;
    ++differ;
    EXPECT_LE(std::abs(int64_t{ours[i]} - int64_t{reference[i]}), 4 * 255) << "block " << i;
  }
  EXPECT_GT(ink, 0u);
  EXPECT_LE(differ * 1000, ours.size()) << differ << " of " << ours.size() << " blocks differ";
  std::cout << "[ pieces   ] blocks differing at 180 pt: " << differ << " of " << ours.size()
            << "\n";
}

TEST(SmoothText, TilesAddUpToTheWholeDrawing) {
  // Several tile rows and columns: a tall, wide enlarged text.
  TFont font;
  font.SetName("Times New Roman");
  font.SetSize(72);
  const TFont big = EnlargedFont(font, 4);
  const std::string text = "Wavy Afternoons";
  const int columns = 560, rows = 100;
  std::vector<uint32_t> sums(static_cast<size_t>(columns) * rows);
  SumTextBlocksInTiles(big, text, 4, columns, rows, sums.data());
  const std::vector<uint32_t> reference = ReferenceSums(big, text, 4, columns, rows);
  EXPECT_EQ(sums, reference);
  uint64_t ink = 0;
  for (uint32_t v : reference) ink += v;
  EXPECT_GT(ink, 0u);
}

// Resident memory under the address sanitizer is mostly its own.
#if defined(__SANITIZE_ADDRESS__)
#define PICTAVIA_NO_MEMORY_MEASURES 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PICTAVIA_NO_MEMORY_MEASURES 1
#endif
#endif

TEST(SmoothText, LongTextsNeedBoundedMemory) {
#ifdef PICTAVIA_NO_MEMORY_MEASURES
  GTEST_SKIP() << "resident memory under the address sanitizer says nothing";
#else
  TFont font;
  font.SetName("Arial");
  font.SetSize(40);
  const TFont big = EnlargedFont(font, 4);
  std::string text;
  while (text.size() < 2000) text += "The harbour at dawn, 24 boats and a lighthouse. ";
  text.resize(2000);
  TBitmap32 measure;
  measure.SetFont(big);
  const TSize extent = measure.TextExtent(text + " ");
  const int columns = (extent.cx >> 4) + 1, rows = (extent.cy >> 4) + 1;
  std::vector<uint32_t> sums(static_cast<size_t>(columns) * rows);
  std::fill(sums.begin(), sums.end(), 1u);  // resident before the probe starts
  TPeakMemoryProbe probe;
  SumTextBlocks(big, text, 4, columns, rows, sums.data());
  const int64_t grown = probe.PeakGrowthBytes();
  if (grown < 0) GTEST_SKIP() << "this system does not report peak memory";
  EXPECT_LT(grown, int64_t{64} << 20);
  uint64_t ink = 0;
  for (uint32_t v : sums) ink += v;
  EXPECT_GT(ink, uint64_t{2000} * 255 * 100) << "the text must have been drawn";
#endif
}

}  // namespace pictavia
