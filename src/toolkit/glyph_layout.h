// TGlyphLayout: one line of text laid out glyph by glyph exactly as TCanvas::TextOut(0, 0, Text)
// places it, so that parts of the line can be drawn on their own and give the same pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/font.h"
#include "toolkit/geometry.h"

namespace pictavia {

struct TPlacedGlyph {
  int Face = 0;        // which of the layout's fonts draws it (fallback fonts get their own)
  uint32_t Glyph = 0;  // glyph index in that font
  double X = 0;        // pen position of the glyph's origin, in pixels from the text's left edge
  double Y = 0;        // baseline of the glyph's origin, in pixels from the text's top
  // Every pixel the glyph can ink (left/top inclusive, right/bottom exclusive); empty for blanks.
  TRect Ink;
};

class TGlyphLayout {
 public:
  TGlyphLayout(const TFont& Font, const std::string& Text);
  ~TGlyphLayout();
  TGlyphLayout(const TGlyphLayout&) = delete;
  TGlyphLayout& operator=(const TGlyphLayout&) = delete;

  // False when drawing glyphs on their own could differ from TextOut: a turned font, underline
  // or strike-out (lines across the whole text), control characters (TextOut's own handling),
  // right-to-left scripts.
  bool Separable() const { return separable_; }
  // The glyphs that carry ink, ordered by the left edge of their ink.
  const std::vector<TPlacedGlyph>& Glyphs() const { return glyphs_; }

  // Draws the glyphs Which (indexes into Glyphs()) in white, filled together as TextOut fills
  // them, onto a surface of Width x Height 0xAARRGGBB pixels (rows top-down) whose top-left
  // pixel is the text's pixel (Left, Top). A glyph cut by the surface's edge may come out
  // slightly different from TextOut's (the cut edges are computed anew), one inside it never.
  void Draw(const std::vector<size_t>& Which, uint32_t* Bits, int Width, int Height, int Left,
            int Top) const;

 private:
  struct TFaces;
  std::unique_ptr<TFaces> faces_;
  std::vector<TPlacedGlyph> glyphs_;
  double baselineShift_ = 0;  // from the layout's baseline to the one TextOut draws on
  bool separable_ = false;
};

}  // namespace pictavia
