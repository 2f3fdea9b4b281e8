// Drawing a PNG picture into a canvas with its kind of transparency (plain stretch, key colour
// left out, per-pixel alpha blending) and converting it into a toolkit bitmap.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "codecs/png_object.h"
#include "toolkit/bitmap.h"
#include "toolkit/canvas.h"

namespace pictavia {

namespace {

const TChunkIHDR* DrawableHeader(const TPNGObject& Png) {
  const auto* h = dynamic_cast<const TChunkIHDR*>(Png.ChunkList().Item(0));
  if (!h || !h->PixelRows() || h->Width() == 0 || h->Height() == 0) return nullptr;
  return h;
}

const uint8_t* SourceRow(const TChunkIHDR& H, int Y) {
  return H.PixelRows() +
         (static_cast<size_t>(H.Height()) - 1 - static_cast<size_t>(Y)) * H.RowStride();
}

// The colour-table entries as 0x00RRGGBB; indices past the used entries draw black.
std::array<uint32_t, 256> ColorLookup(const TChunkIHDR& H) {
  std::array<uint32_t, 256> lookup{};
  const uint32_t used = std::min<uint32_t>(H.ColorsUsed(), 256);
  for (uint32_t i = 0; i < used; ++i) {
    const TRGBQuad& q = H.ColorTable()[i];
    lookup[i] = q.rgbBlue | (uint32_t{q.rgbGreen} << 8) | (uint32_t{q.rgbRed} << 16);
  }
  return lookup;
}

inline int IndexAt(const uint8_t* Row, int X, int Bpp) {
  switch (Bpp) {
    case 1:
      return (Row[X >> 3] >> (7 - (X & 7))) & 1;
    case 4:
      return (Row[X >> 1] >> ((X & 1) ? 0 : 4)) & 0x0F;
    default:
      return Row[X];
  }
}

template <int Bpp>
inline uint32_t ColorAt(const uint8_t* Row, int X, const uint32_t* Lookup) {
  if constexpr (Bpp == 24) {
    const uint8_t* p = Row + 3 * static_cast<size_t>(X);
    return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
  } else {
    return Lookup[IndexAt(Row, X, Bpp)];
  }
}

// The nearest-neighbour mapping of the plain and keyed paths: the whole picture into R, dropping
// or repeating rows and columns (source = offset x source size / destination size); a reversed
// side of R mirrors that axis. Only destination pixels inside the canvas clip are visited.
// Sizes and offsets are 64-bit: a rectangle may span the whole int range (a clip placed far
// off the canvas), and only its visible part, inside the canvas, is ever walked.
struct TNearestMap {
  TRect Visible;
  int64_t Top = 0, Height = 0;
  int SrcHeight = 0;
  bool FlipY = false;
  std::vector<int> Columns;  // source column of each visible destination column
  int SourceRowOf(int Y) const {
    int oy = static_cast<int>((Y - Top) * SrcHeight / Height);
    return FlipY ? SrcHeight - 1 - oy : oy;
  }
};

bool PrepareNearest(TCanvas& C, const TRect& R, int SrcW, int SrcH, TNearestMap& M) {
  if (!C.Bits()) return false;
  int l = R.Left, r = R.Right, t = R.Top, b = R.Bottom;
  bool flipX = false, flipY = false;
  if (r < l) {
    std::swap(l, r);
    flipX = true;
  }
  if (b < t) {
    std::swap(t, b);
    flipY = true;
  }
  const int64_t w = int64_t{r} - l, h = int64_t{b} - t;
  if (w <= 0 || h <= 0) return false;
  if (!IntersectRect(M.Visible, Rect(l, t, r, b), C.ClipRect()) || IsRectEmpty(M.Visible))
    return false;
  M.Top = t;
  M.Height = h;
  M.SrcHeight = SrcH;
  M.FlipY = flipY;
  M.Columns.resize(static_cast<size_t>(M.Visible.Width()));
  for (int x = M.Visible.Left; x < M.Visible.Right; ++x) {
    int ox = static_cast<int>((int64_t{x} - l) * SrcW / w);
    if (flipX) ox = SrcW - 1 - ox;
    M.Columns[static_cast<size_t>(x - M.Visible.Left)] = ox;
  }
  return true;
}

template <int Bpp, bool Keyed>
void StretchRows(TCanvas& C, const TChunkIHDR& H, const TNearestMap& M, const uint32_t* Lookup,
                 uint32_t Key) {
  const int n = M.Visible.Width();
  int lastSource = -1;
  uint32_t* lastRow = nullptr;
  for (int y = M.Visible.Top; y < M.Visible.Bottom; ++y) {
    uint32_t* out = C.ScanLine(y) + M.Visible.Left;
    const int sy = M.SourceRowOf(y);
    if (!Keyed && sy == lastSource) {
      // A repeated source row gives the same pixels as the row before.
      std::copy(lastRow, lastRow + n, out);
      continue;
    }
    const uint8_t* row = SourceRow(H, sy);
    for (int i = 0; i < n; ++i) {
      const uint32_t c = ColorAt<Bpp>(row, M.Columns[static_cast<size_t>(i)], Lookup);
      if (Keyed && c == Key) continue;
      out[i] = c;
    }
    lastSource = sy;
    lastRow = out;
  }
}

template <bool Keyed>
void Stretch(TCanvas& C, const TChunkIHDR& H, const TRect& R, uint32_t Key) {
  TNearestMap map;
  if (!PrepareNearest(C, R, static_cast<int>(H.Width()), static_cast<int>(H.Height()), map)) return;
  const std::array<uint32_t, 256> lookup = ColorLookup(H);
  C.Changing();
  switch (H.BitsPerPixel()) {
    case 1:
      StretchRows<1, Keyed>(C, H, map, lookup.data(), Key);
      break;
    case 4:
      StretchRows<4, Keyed>(C, H, map, lookup.data(), Key);
      break;
    case 8:
      StretchRows<8, Keyed>(C, H, map, lookup.data(), Key);
      break;
    default:
      StretchRows<24, Keyed>(C, H, map, lookup.data(), Key);
      break;
  }
  C.Changed();
}

inline uint8_t Blend(int s, int a, int t) {
  return static_cast<uint8_t>((s * a + (255 - a) * t + 255) >> 8);
}

}  // namespace

TPNGTransparencyKind TPNGObject::TransparencyKind() const {
  const auto* h = dynamic_cast<const TChunkIHDR*>(chunkList_.Item(0));
  if (!h) return TransparencyNone;
  const TChunktRNS* trns = chunkList_.ItemFromClass<TChunktRNS>();
  switch (h->ColorType()) {
    case COLOR_GRAYSCALE:
    case COLOR_RGB:
      return trns ? TransparencySingleColor : TransparencyNone;
    case COLOR_PALETTE:
      if (!trns) return TransparencyNone;
      return trns->SingleColor() ? TransparencySingleColor : TransparencyAlpha;
    case COLOR_GRAYSCALEALPHA:
    case COLOR_RGBALPHA:
      return TransparencyAlpha;
    default:
      return TransparencyNone;
  }
}

TColor TPNGObject::KeyColor() const {
  const auto* h = dynamic_cast<const TChunkIHDR*>(chunkList_.Item(0));
  const TChunktRNS* trns = chunkList_.ItemFromClass<TChunktRNS>();
  if (!h || !trns) return 0;
  const uint32_t size = trns->DataSize();
  auto byte = [&](uint32_t i) -> uint8_t { return i < size ? trns->ChunkData()[i] : 0; };
  // The byte of each 16-bit value that the image memory keeps: the high byte of 16-bit
  // samples, the low byte (the whole sample) at smaller depths.
  const uint32_t pick = h->BitDepth() == 16 ? 0 : 1;
  switch (h->ColorType()) {
    case COLOR_GRAYSCALE: {
      uint32_t index = byte(pick);
      if (h->BitDepth() == 2) index *= 5;  // where 2-bit samples sit in the ramp
      const uint8_t v = index < 256 ? h->ColorTable()[index].rgbRed : 0;
      return RGBColor(v, v, v);
    }
    case COLOR_RGB:
      return RGBColor(gammaMap_[byte(pick)], gammaMap_[byte(2 + pick)], gammaMap_[byte(4 + pick)]);
    case COLOR_PALETTE: {
      const std::array<uint32_t, 256> lookup = ColorLookup(*h);
      for (uint32_t i = 0; i < size && i < 256; ++i)
        if (trns->AlphaValues()[i] == 0) return ColorFromPixel(lookup[i]);
      return 0;
    }
    default:
      return 0;
  }
}

void TPNGObject::DrawInto(TCanvas& ACanvas, const TRect& Rect) const {
  if (Empty() || !DrawableHeader(*this)) return;
  switch (TransparencyKind()) {
    case TransparencyNone:
      DrawPlain(ACanvas, Rect);
      break;
    case TransparencySingleColor:
      DrawKeyed(ACanvas, Rect);
      break;
    case TransparencyAlpha:
      DrawBlended(ACanvas, Rect);
      break;
  }
}

void TPNGObject::DrawPlain(TCanvas& ACanvas, const TRect& Rect) const {
  Stretch<false>(ACanvas, *DrawableHeader(*this), Rect, 0);
}

void TPNGObject::DrawKeyed(TCanvas& ACanvas, const TRect& Rect) const {
  Stretch<true>(ACanvas, *DrawableHeader(*this), Rect, PixelFromColor(KeyColor()) & 0x00FFFFFFu);
}

void TPNGObject::DrawBlended(TCanvas& ACanvas, const TRect& Rect) const {
  const TChunkIHDR& h = *DrawableHeader(*this);
  if (Rect.Right == Rect.Left || Rect.Bottom == Rect.Top) return;
  const int l = std::min(Rect.Left, Rect.Right), r = std::max(Rect.Left, Rect.Right);
  const int t = std::min(Rect.Top, Rect.Bottom), b = std::max(Rect.Top, Rect.Bottom);
  // 64-bit: the rectangle may span the whole int range; only its visible part is walked.
  const int64_t w = int64_t{r} - l, hgt = int64_t{b} - t;
  const int srcW = static_cast<int>(h.Width()), srcH = static_cast<int>(h.Height());
  if (!ACanvas.Bits()) return;
  TRect visible;
  if (!IntersectRect(visible, pictavia::Rect(l, t, r, b), ACanvas.ClipRect()) ||
      IsRectEmpty(visible))
    return;

  // Source row and column by one truncating division each, as the factors are doubles.
  const bool stretching = w != srcW || hgt != srcH;
  const double factorX = stretching ? static_cast<double>(w) / srcW : 1.0;
  const double factorY = stretching ? static_cast<double>(hgt) / srcH : 1.0;
  // i / factor < the source size, and without stretching i < the source size: both fit an int.
  std::vector<int> columns(static_cast<size_t>(visible.Width()));
  for (int x = visible.Left; x < visible.Right; ++x) {
    const int64_t i = int64_t{x} - l;
    const int64_t sx = stretching ? static_cast<int64_t>(static_cast<double>(i) / factorX) : i;
    columns[static_cast<size_t>(x - visible.Left)] =
        static_cast<int>(std::min<int64_t>(sx, srcW - 1));
  }
  auto sourceRowOf = [&](int y) {
    const int64_t j = int64_t{y} - t;
    const int64_t sy = stretching ? static_cast<int64_t>(static_cast<double>(j) / factorY) : j;
    return static_cast<int>(std::min<int64_t>(sy, srcH - 1));
  };
  const int n = visible.Width();
  const uint8_t colorType = h.ColorType();

  if (colorType == COLOR_PALETTE) {
    const TChunktRNS* trns = chunkList_.ItemFromClass<TChunktRNS>();
    const TChunkPLTE* plte = chunkList_.ItemFromClass<TChunkPLTE>();
    const int entries = plte ? plte->EntryCount() : 0;
    const int bpp = h.BitsPerPixel();
    // A pixel without a palette entry fails the draw before the target is touched.
    if (entries < (1 << bpp)) {
      for (int y = visible.Top; y < visible.Bottom; ++y) {
        const uint8_t* row = SourceRow(h, sourceRowOf(y));
        for (int i = 0; i < n; ++i)
          if (IndexAt(row, columns[static_cast<size_t>(i)], bpp) >= entries)
            throw EPngError(SPngErrorPaletteEntry);
      }
    }
    std::array<uint8_t, 256> alphas{};
    alphas.fill(255);
    if (trns) alphas = trns->AlphaValues();
    std::array<TRGBQuad, 256> colors{};
    for (int i = 0; i < entries; ++i) colors[static_cast<size_t>(i)] = plte->Item(i);
    ACanvas.Changing();
    for (int y = visible.Top; y < visible.Bottom; ++y) {
      const uint8_t* row = SourceRow(h, sourceRowOf(y));
      uint8_t* out = reinterpret_cast<uint8_t*>(ACanvas.ScanLine(y) + visible.Left);
      for (int i = 0; i < n; ++i, out += 4) {
        const int index = IndexAt(row, columns[static_cast<size_t>(i)], bpp);
        const int a = alphas[static_cast<size_t>(index)];
        const TRGBQuad& s = colors[static_cast<size_t>(index)];
        out[0] = Blend(s.rgbBlue, a, out[0]);
        out[1] = Blend(s.rgbGreen, a, out[1]);
        out[2] = Blend(s.rgbRed, a, out[2]);
      }
    }
    ACanvas.Changed();
    return;
  }

  const uint8_t* alphaPlane = h.AlphaPlane();
  if (!alphaPlane) return;
  ACanvas.Changing();
  for (int y = visible.Top; y < visible.Bottom; ++y) {
    const int sy = sourceRowOf(y);
    const uint8_t* row = SourceRow(h, sy);
    const uint8_t* alpha = alphaPlane + static_cast<size_t>(sy) * h.Width();
    uint8_t* out = reinterpret_cast<uint8_t*>(ACanvas.ScanLine(y) + visible.Left);
    if (colorType == COLOR_RGBALPHA) {
      for (int i = 0; i < n; ++i, out += 4) {
        const int sx = columns[static_cast<size_t>(i)];
        const int a = alpha[sx];
        if (a == 0) continue;
        const uint8_t* s = row + 3 * static_cast<size_t>(sx);
        if (a == 255) {
          out[0] = s[0];
          out[1] = s[1];
          out[2] = s[2];
        } else {
          out[0] = Blend(s[0], a, out[0]);
          out[1] = Blend(s[1], a, out[1]);
          out[2] = Blend(s[2], a, out[2]);
        }
      }
    } else {
      // Gray with alpha: the stored gray byte itself, without the ramp.
      for (int i = 0; i < n; ++i, out += 4) {
        const int sx = columns[static_cast<size_t>(i)];
        const int a = alpha[sx];
        const int s = row[sx];
        out[0] = Blend(s, a, out[0]);
        out[1] = Blend(s, a, out[1]);
        out[2] = Blend(s, a, out[2]);
      }
    }
  }
  ACanvas.Changed();
}

void TPNGObject::AssignTo(TPersistent* Dest) const {
  auto* bitmap = dynamic_cast<TBitmap*>(Dest);
  if (!bitmap) {
    TGraphic::AssignTo(Dest);
    return;
  }
  const TChunkIHDR* h = DrawableHeader(*this);
  if (!h) {
    bitmap->SetSize(0, 0);
    return;
  }
  TPixelFormat format = pf24bit;
  if (h->ColorType() == COLOR_GRAYSCALEALPHA || h->ColorType() == COLOR_RGBALPHA)
    format = pf24bit;
  else if (h->BitDepth() == 1)
    format = pf1bit;
  else if (h->BitDepth() == 2 || h->BitDepth() == 4)
    format = pf4bit;
  else if (h->ColorType() == COLOR_PALETTE)
    format = pf8bit;
  bitmap->SetPixelFormat(format);
  if (format != pf24bit) {
    // The picture's own colour table, so indexed drawing keeps every colour.
    const uint32_t used = std::min<uint32_t>(h->ColorsUsed(), 256);
    bitmap->SetColorTable(std::vector<TRGBQuad>(h->ColorTable(), h->ColorTable() + used));
  }
  bitmap->SetSize(PictureWidth(), PictureHeight());
  if (TCanvas* canvas = bitmap->Canvas())
    DrawInto(*canvas, pictavia::Rect(0, 0, PictureWidth(), PictureHeight()));
  if (TransparencyKind() == TransparencySingleColor) {
    bitmap->SetTransparentColor(KeyColor());
    bitmap->SetTransparent(true);
  }
}

}  // namespace pictavia
