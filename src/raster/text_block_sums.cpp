// Supersampled text summed glyph by glyph. The enlarged text is laid out once; each distinct glyph
// at each sub-pixel position is drawn once into a small buffer and reduced to prefix sums of its
// block columns, from which every copy of it anywhere on the line adds its block sums. Glyphs
// whose ink may meet are drawn together, the way the whole text would be: only there can the
// union of the ink differ from the sum of the glyphs' ink.
//
// A buffer edge that cuts an outline changes how the cut edges are rasterised, so every glyph is
// drawn whole into its buffer, cut only where the enlarged surface itself cuts it; only glyphs too
// large for one buffer are cut.
#include "raster/internal/text_block_sums.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "toolkit/canvas.h"
#include "toolkit/glyph_layout.h"

namespace pictavia {

namespace {

// The drawing buffer and the prefix tables stay within these, whatever the text or the font.
constexpr int64_t kBufferPixels = int64_t{1} << 22;
constexpr int64_t kTableEntries = int64_t{1} << 21;

int FloorDiv(int64_t a, int b) {
  return static_cast<int>(a >= 0 ? a / b : -((-a + b - 1) / b));
}

int CeilDiv(int64_t a, int b) {
  return -FloorDiv(-a, b);
}

TRect UnionBox(const TRect& a, const TRect& b) {
  return Rect(std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
              std::max(a.Bottom, b.Bottom));
}

// Columns [Left, Left + Count * S) of a drawn buffer row, in blocks of S, added to the sums.
void AddRowBlocks(const uint32_t* Row, int Count, int Level, uint32_t* Sums) {
  const int s = 1 << Level;
  for (int block = 0; block < Count; ++block) {
    uint32_t sum = 0;
    for (int i = 0; i < s; ++i) sum += Row[block * s + i] & 0xFF;
    Sums[block] += sum;
  }
}

class TGlyphSummer {
 public:
  TGlyphSummer(const TGlyphLayout& Layout, int Level, int Columns, int Rows, uint32_t* Sums)
      : layout_(Layout),
        glyphs_(Layout.Glyphs()),
        level_(Level),
        s_(1 << Level),
        columns_(Columns),
        rows_(Rows),
        surface_(Rect(0, 0, Columns << Level, Rows << Level)),
        sums_(Sums) {}

  // False when a glyph inked the border of its box: then its box cannot be trusted.
  bool Run() {
    std::vector<size_t> alone;
    for (size_t first = 0; first < glyphs_.size() && trusted_;) {
      size_t last = first + 1;
      TRect box = glyphs_[first].Ink;
      while (last < glyphs_.size() && glyphs_[last].Ink.Left < box.Right)
        box = UnionBox(box, glyphs_[last++].Ink);
      if (last - first == 1 && CanBeCopied(glyphs_[first].Ink))
        alone.push_back(first);
      else
        SumTogether(first, last, box);
      first = last;
    }
    // Copies of one glyph at one sub-pixel position next to each other.
    std::sort(alone.begin(), alone.end(), [&](size_t a, size_t b) {
      const TPlacedGlyph &p = glyphs_[a], &q = glyphs_[b];
      if (p.Face != q.Face) return p.Face < q.Face;
      if (p.Glyph != q.Glyph) return p.Glyph < q.Glyph;
      if (p.Y != q.Y) return p.Y < q.Y;
      return Fraction(p.X) < Fraction(q.X);
    });
    for (size_t first = 0; first < alone.size() && trusted_;) {
      size_t last = first + 1;
      while (last < alone.size() && SameShape(glyphs_[alone[first]], glyphs_[alone[last]])) ++last;
      SumCopies(alone.data() + first, alone.data() + last);
      first = last;
    }
    return trusted_;
  }

 private:
  static double Fraction(double X) { return X - std::floor(X); }
  static bool SameShape(const TPlacedGlyph& a, const TPlacedGlyph& b) {
    return a.Face == b.Face && a.Glyph == b.Glyph && a.Y == b.Y && Fraction(a.X) == Fraction(b.X);
  }

  int BandTop(const TRect& Ink) const { return std::max(0, FloorDiv(Ink.Top, s_)); }
  int BandBottom(const TRect& Ink) const { return std::min(rows_, CeilDiv(Ink.Bottom, s_)); }

  // A glyph drawn on its own, whole, stands for its copies elsewhere on the line: it must lie
  // inside the surface (which would cut it) and its buffer and table must fit.
  bool CanBeCopied(const TRect& Ink) const {
    if (Ink.Left < 0 || Ink.Top < 0 || Ink.Right > surface_.Right || Ink.Bottom > surface_.Bottom)
      return false;
    const int64_t width = Ink.Right - Ink.Left, bands = BandBottom(Ink) - BandTop(Ink);
    return width * bands * s_ <= kBufferPixels && (width + 1) * bands <= kTableEntries;
  }

  uint32_t* Buffer(int64_t Pixels) {
    if (static_cast<int64_t>(buffer_.size()) < Pixels) buffer_.resize(Pixels, 0u);
    return buffer_.data();
  }

  // Whether any pixel on the border of Box is inked in a drawn buffer: ink there may also lie
  // beyond it, where nothing is summed.
  void CheckBorder(const uint32_t* Bits, const TRect& Area, const TRect& Box) {
    const int width = Area.Right - Area.Left;
    auto inked = [&](int x, int y) {
      return x >= Area.Left && x < Area.Right && y >= Area.Top && y < Area.Bottom &&
             (Bits[static_cast<int64_t>(y - Area.Top) * width + (x - Area.Left)] & 0xFF) != 0;
    };
    for (int y = std::max(Area.Top, Box.Top); y < std::min(Area.Bottom, Box.Bottom); ++y)
      if (inked(Box.Left, y) || inked(Box.Right - 1, y)) trusted_ = false;
    for (int x = std::max(Area.Left, Box.Left); x < std::min(Area.Right, Box.Right); ++x)
      if (inked(x, Box.Top) || inked(x, Box.Bottom - 1)) trusted_ = false;
  }

  // Glyphs [First, Last), whose ink may meet, drawn together straight into the block grid: in
  // strips as tall as the surface allows, each drawn with every glyph reaching into it whole.
  void SumTogether(size_t First, size_t Last, const TRect& Box) {
    const TRect area = Rect(std::max(0, FloorDiv(Box.Left, s_)) * s_, BandTop(Box) * s_,
                            std::min(columns_, CeilDiv(Box.Right, s_)) * s_, BandBottom(Box) * s_);
    if (area.Right <= area.Left || area.Bottom <= area.Top) return;
    int widest = 0;
    for (size_t i = First; i < Last; ++i)
      widest = std::max(widest, glyphs_[i].Ink.Right - glyphs_[i].Ink.Left);
    const int64_t reach = 2 * int64_t{widest} + s_;
    const int width = area.Right - area.Left, height = area.Bottom - area.Top;
    int rows = height, strip = width;  // all at once when it fits
    if (int64_t{width} * height > kBufferPixels) {
      if (reach * height > kBufferPixels)
        rows = std::max(s_, static_cast<int>(kBufferPixels / reach) / s_ * s_);
      strip = std::max<int>(
          s_, static_cast<int>((kBufferPixels / rows - 2 * int64_t{widest}) / s_ * s_));
    }
    std::vector<size_t> which;
    for (int top = area.Top; top < area.Bottom; top += rows) {
      const int h = std::min(rows, area.Bottom - top);
      for (int left = area.Left; left < area.Right; left += strip) {
        const int right = std::min(left + strip, area.Right);
        which.clear();
        TRect drawn = Rect(left, top, right, top + h);
        for (size_t i = First; i < Last; ++i) {
          const TRect& ink = glyphs_[i].Ink;
          if (ink.Left >= right || ink.Right <= left) continue;
          which.push_back(i);
          drawn.Left = std::min(drawn.Left, ink.Left);
          drawn.Right = std::max(drawn.Right, ink.Right);
        }
        if (which.empty()) continue;
        drawn.Left = std::max(drawn.Left, area.Left);
        drawn.Right = std::min(drawn.Right, area.Right);
        if (int64_t{drawn.Right - drawn.Left} * h > kBufferPixels) {
          drawn.Left = left;  // too large to keep whole: cut at the strip
          drawn.Right = right;
        }
        const int drawnWidth = drawn.Right - drawn.Left;
        uint32_t* bits = Buffer(int64_t{drawnWidth} * h);
        layout_.Draw(which, bits, drawnWidth, h, drawn.Left, drawn.Top);
        CheckBorder(bits, drawn, Box);
        for (int y = 0; y < h; ++y) {
          uint32_t* row = bits + static_cast<int64_t>(y) * drawnWidth;
          AddRowBlocks(
              row + (left - drawn.Left), (right - left) >> level_, level_,
              sums_ + static_cast<int64_t>((top + y) >> level_) * columns_ + (left >> level_));
          std::fill(row, row + drawnWidth, 0u);
        }
      }
    }
  }

  // Every copy in [First, Last) of one glyph shape: the first is drawn, the columns of each of
  // its bands summed and prefixed, and each copy adds the differences that fall into its blocks.
  void SumCopies(const size_t* First, const size_t* Last) {
    const TPlacedGlyph& model = glyphs_[*First];
    const TRect& ink = model.Ink;
    const int bandTop = BandTop(ink), bands = BandBottom(ink) - bandTop;
    const int width = ink.Right - ink.Left;
    if (bands <= 0 || width <= 0) return;
    const TRect area = Rect(ink.Left, bandTop * s_, ink.Right, (bandTop + bands) * s_);
    const int height = area.Bottom - area.Top;
    uint32_t* bits = Buffer(int64_t{width} * height);
    layout_.Draw({*First}, bits, width, height, area.Left, area.Top);
    CheckBorder(bits, area, ink);
    // table[band][x]: the sum of the band's columns left of x.
    const size_t stride = static_cast<size_t>(width) + 1;
    table_.assign(stride * bands, 0u);
    for (int y = 0; y < height; ++y) {
      uint32_t* sums = table_.data() + stride * (y >> level_) + 1;
      uint32_t* row = bits + static_cast<int64_t>(y) * width;
      for (int x = 0; x < width; ++x) {
        sums[x] += row[x] & 0xFF;
        row[x] = 0;
      }
    }
    for (int band = 0; band < bands; ++band) {
      uint32_t* row = table_.data() + stride * band;
      std::partial_sum(row, row + stride, row);
    }
    for (const size_t* i = First; i != Last; ++i) {
      const int64_t left = ink.Left + std::llround(glyphs_[*i].X - model.X);
      const int firstColumn = std::max(0, FloorDiv(left, s_));
      const int lastColumn = std::min(columns_ - 1, FloorDiv(left + width - 1, s_));
      for (int c = firstColumn; c <= lastColumn; ++c) {
        const auto lo = static_cast<size_t>(std::clamp<int64_t>(int64_t{c} * s_ - left, 0, width));
        const auto hi =
            static_cast<size_t>(std::clamp<int64_t>(int64_t{c} * s_ + s_ - left, 0, width));
        uint32_t* sums = sums_ + static_cast<int64_t>(bandTop) * columns_ + c;
        for (int band = 0; band < bands; ++band, sums += columns_) {
          const uint32_t* row = table_.data() + stride * band;
          *sums += row[hi] - row[lo];
        }
      }
    }
  }

  const TGlyphLayout& layout_;
  const std::vector<TPlacedGlyph>& glyphs_;
  const int level_, s_, columns_, rows_;
  const TRect surface_;
  uint32_t* const sums_;
  bool trusted_ = true;
  std::vector<uint32_t> buffer_;  // the drawing buffer, all zero between drawings
  std::vector<uint32_t> table_;
};

}  // namespace

void SumTextBlocksInTiles(const TFont& Enlarged, const std::string& Text, int Level, int Columns,
                          int Rows, uint32_t* Sums) {
  std::fill(Sums, Sums + static_cast<int64_t>(Columns) * Rows, 0u);
  const int s = 1 << Level, width = Columns << Level, height = Rows << Level;
  if (width <= 0 || height <= 0) return;
  // Tiles as wide as the surface where they can be, so that few glyphs are cut.
  const int tileWidth = static_cast<int>(std::min<int64_t>(width, kBufferPixels / s / s * s));
  const int tileRows =
      std::max(s, static_cast<int>(std::min<int64_t>(height, kBufferPixels / tileWidth)) / s * s);
  std::vector<uint32_t> tile(static_cast<size_t>(tileWidth) * tileRows);
  TCanvas canvas;
  canvas.Font().Assign(&Enlarged);
  canvas.Font().SetColor(clWhite);
  canvas.BkMode = bkTransparent;
  for (int top = 0; top < height; top += tileRows) {
    const int h = std::min(tileRows, height - top);
    for (int left = 0; left < width; left += tileWidth) {
      const int w = std::min(tileWidth, width - left);
      std::fill(tile.begin(), tile.end(), 0u);
      canvas.SetSurface(tile.data(), w, h);
      canvas.TextOut(-left, -top, Text);
      canvas.SetSurface(nullptr, 0, 0);
      for (int y = 0; y < h; ++y)
        AddRowBlocks(tile.data() + static_cast<int64_t>(y) * w, w >> Level, Level,
                     Sums + static_cast<int64_t>((top + y) >> Level) * Columns + (left >> Level));
    }
  }
}

void SumTextBlocks(const TFont& Enlarged, const std::string& Text, int Level, int Columns, int Rows,
                   uint32_t* Sums) {
  if (Columns <= 0 || Rows <= 0) return;
  std::fill(Sums, Sums + static_cast<int64_t>(Columns) * Rows, 0u);
  const TGlyphLayout layout(Enlarged, Text);
  if (layout.Separable() && TGlyphSummer(layout, Level, Columns, Rows, Sums).Run()) return;
  SumTextBlocksInTiles(Enlarged, Text, Level, Columns, Rows, Sums);
}

}  // namespace pictavia
