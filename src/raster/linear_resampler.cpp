// The linear resampler (bilinear enlargement, four-pixel single samples) and the draft resampler
// (box-average reduction).
#include <algorithm>
#include <cmath>
#include <vector>

#include "raster/blend.h"
#include "raster/fixed_point.h"
#include "raster/resamplers.h"
#include "raster/transfers.h"

namespace pictavia {

namespace {

// One axis of the bilinear enlargement: for each clipped output, the left (upper) source index
// and its weight 0..256 in 1/256 steps; the pair (index, index + 1) always lies inside the span.
void LinearAxis(int SrcLo, int SrcHi, int64_t DstLen, int64_t ClipStart, int ClipLen,
                std::vector<int>& Index, std::vector<uint32_t>& Weight) {
  Index.resize(static_cast<size_t>(ClipLen));
  Weight.resize(static_cast<size_t>(ClipLen));
  const double scale = static_cast<double>(SrcHi - SrcLo) / static_cast<double>(DstLen);
  for (int i = 0; i < ClipLen; ++i) {
    double s = SrcLo + (static_cast<double>(ClipStart) + i + 0.5) * scale - 0.5;
    s = std::clamp(s, static_cast<double>(SrcLo), static_cast<double>(SrcHi - 1));
    int ix = static_cast<int>(std::floor(s));
    if (ix > SrcHi - 2) ix = SrcHi - 2;
    const double frac = s - ix;
    Index[static_cast<size_t>(i)] = ix;
    Weight[static_cast<size_t>(i)] = 256u - static_cast<uint32_t>(std::nearbyint(frac * 256.0));
  }
}

bool ClipAndCheck(TBitmap32& Dst, const TRect& DstRect, TRect& DstClip, const TBitmap32& Src,
                  const TRect& SrcRect) {
  IntersectRect(DstClip, DstClip, Dst.BoundsRect());
  IntersectRect(DstClip, DstClip, DstRect);
  if (IsRectEmpty(DstClip) || IsRectEmpty(SrcRect) || Dst.Empty() || Src.Empty()) return false;
  if (SrcRect.Left < 0 || SrcRect.Top < 0 || SrcRect.Right > Src.Width() ||
      SrcRect.Bottom > Src.Height())
    throw Exception("Invalid SrcRect");
  return true;
}

}  // namespace

TColor32 AccessBitmapPixel(const TBitmap32& b, TPixelAccessMode Mode, int X, int Y) {
  if (b.Empty()) return b.OuterColor();
  switch (Mode) {
    case pamUnsafe:
      // The neighbours of an edge pixel still get read (with weight 0): keep them inside.
      return b.GetPixel(Clamp(X, 0, b.Width() - 1), Clamp(Y, 0, b.Height() - 1));
    case pamSafe:
      return b.PixelOrOuter(X, Y);
    case pamWrap:
    case pamTransparentEdge:
      break;
  }
  // Wrapping and clamping need a pixel to land on: an empty clip rectangle has none.
  const TRect& c = b.ClipRect();
  if (IsRectEmpty(c)) return b.OuterColor();
  if (Mode == pamWrap) return b.PixelWrapped(X, Y);
  const int cx = Clamp(X, c.Left, c.Right - 1);
  const int cy = Clamp(Y, c.Top, c.Bottom - 1);
  const TColor32 p = b.GetPixel(cx, cy);
  return (cx != X || cy != Y) ? (p & 0x00FFFFFFu) : p;
}

// ---------------------------------------------------------------------------------------------
// TLinearResampler

TLinearResampler::TLinearResampler(TBitmap32* ABitmap)
    : TBitmap32Resampler(ABitmap), linearKernel_(std::make_unique<TLinearKernel>()) {}

TColor32 TLinearResampler::SampleAtInt(int X, int Y) {
  if (!bitmap_) return 0;
  return AccessBitmapPixel(*bitmap_, pixelAccessMode_, X, Y);
}

TColor32 TLinearResampler::SampleAtFixed(TFixed X, TFixed Y) {
  if (!bitmap_) return 0;
  const int ix = FixedFloor(X), iy = FixedFloor(Y);
  // ix + 1 of the largest position would overflow; such a position is far outside anyway.
  const int nx = ix == INT32_MAX ? ix : ix + 1;
  const int ny = iy == INT32_MAX ? iy : iy + 1;
  const TBitmap32& b = *bitmap_;
  const TColor32 c00 = AccessBitmapPixel(b, pixelAccessMode_, ix, iy);
  const TColor32 c10 = AccessBitmapPixel(b, pixelAccessMode_, nx, iy);
  const TColor32 c01 = AccessBitmapPixel(b, pixelAccessMode_, ix, ny);
  const TColor32 c11 = AccessBitmapPixel(b, pixelAccessMode_, nx, ny);
  const TColor32 result = BilinearFetch(c00, c10, c01, c11, static_cast<uint32_t>(X) & 0xFFFFu,
                                        static_cast<uint32_t>(Y) & 0xFFFFu);
  EndVectorState();
  return result;
}

TColor32 TLinearResampler::SampleAtFloat(float X, float Y) {
  return SampleAtFixed(FloatToFixed(X), FloatToFixed(Y));
}

void TLinearResampler::Resample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip,
                                const TBitmap32& Src, const TRect& SrcRect, TDrawMode CombineOp,
                                const TPixelCombineEvent& CombineCallBack) {
  if (!ClipAndCheck(Dst, DstRect, DstClip, Src, SrcRect)) return;
  // Destination extents and offsets in 64 bits: DstRect may span the whole int range.
  const int sw = SrcRect.Width(), sh = SrcRect.Height();
  const int64_t dw = int64_t{DstRect.Right} - DstRect.Left;
  const int64_t dh = int64_t{DstRect.Bottom} - DstRect.Top;
  if (!(dw > sw && dh > sh && sw > 1 && sh > 1)) {
    KernelResample(Dst, DstRect, DstClip, Src, SrcRect, *linearKernel_, kmDynamic, 0, CombineOp,
                   CombineCallBack);
    return;
  }
  if (CombineOp == dmCustom && !CombineCallBack) CombineOp = dmOpaque;

  const int clipW = DstClip.Width(), clipH = DstClip.Height();
  std::vector<int> xIndex, yIndex;
  std::vector<uint32_t> xWeight, yWeight;
  LinearAxis(SrcRect.Left, SrcRect.Right, dw, int64_t{DstClip.Left} - DstRect.Left, clipW, xIndex,
             xWeight);
  LinearAxis(SrcRect.Top, SrcRect.Bottom, dh, int64_t{DstClip.Top} - DstRect.Top, clipH, yIndex,
             yWeight);

  const auto interpolate = LinearInterpolator.Get();
  std::vector<TColor32> line(static_cast<size_t>(clipW));
  int lastRow = -1;
  uint32_t lastWeight = 0;
  for (int r = 0; r < clipH; ++r) {
    const int sy = yIndex[static_cast<size_t>(r)];
    const uint32_t wy = yWeight[static_cast<size_t>(r)];
    // Enlarging repeats source rows with the same weight: the line is already made.
    if (sy != lastRow || wy != lastWeight) {
      const TColor32* row1 = Src.RowAddress(sy);
      const TColor32* row2 = Src.RowAddress(sy + 1);
      for (int i = 0; i < clipW; ++i) {
        const int sx = xIndex[static_cast<size_t>(i)];
        line[static_cast<size_t>(i)] =
            interpolate(xWeight[static_cast<size_t>(i)], wy, row1 + sx, row2 + sx);
      }
      lastRow = sy;
      lastWeight = wy;
    }
    TransferRun(line.data(), Dst.PixelAddress(DstClip.Left, DstClip.Top + r), clipW, Src, CombineOp,
                CombineCallBack);
  }
}

// ---------------------------------------------------------------------------------------------
// TDraftResampler

void TDraftResampler::Resample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip,
                               const TBitmap32& Src, const TRect& SrcRect, TDrawMode CombineOp,
                               const TPixelCombineEvent& CombineCallBack) {
  const int sw = SrcRect.Width(), sh = SrcRect.Height();
  const int64_t dw = int64_t{DstRect.Right} - DstRect.Left;
  const int64_t dh = int64_t{DstRect.Bottom} - DstRect.Top;
  if (dw >= sw && dh >= sh) {
    TLinearResampler::Resample(Dst, DstRect, DstClip, Src, SrcRect, CombineOp, CombineCallBack);
    return;
  }
  if (!ClipAndCheck(Dst, DstRect, DstClip, Src, SrcRect)) return;
  if (CombineOp == dmCustom && !CombineCallBack) CombineOp = dmOpaque;

  // Destination pixel d covers source [SrcLo + d*S/D, SrcLo + (d+1)*S/D) of each axis, at least one
  // pixel wide, so an axis that enlarges repeats its pixels.
  auto blocks = [](int SrcLo, int SrcLen, int64_t DstLen, int64_t ClipStart, int ClipLen,
                   std::vector<int>& First, std::vector<int>& Count) {
    First.resize(static_cast<size_t>(ClipLen));
    Count.resize(static_cast<size_t>(ClipLen));
    for (int i = 0; i < ClipLen; ++i) {
      const int64_t d = ClipStart + i;
      int a = static_cast<int>(d * SrcLen / DstLen);
      int b = static_cast<int>((d + 1) * SrcLen / DstLen);
      a = std::min(a, SrcLen - 1);
      b = std::clamp(b, a + 1, SrcLen);
      First[static_cast<size_t>(i)] = SrcLo + a;
      Count[static_cast<size_t>(i)] = b - a;
    }
  };
  const int clipW = DstClip.Width(), clipH = DstClip.Height();
  std::vector<int> xFirst, xCount, yFirst, yCount;
  blocks(SrcRect.Left, sw, dw, int64_t{DstClip.Left} - DstRect.Left, clipW, xFirst, xCount);
  blocks(SrcRect.Top, sh, dh, int64_t{DstClip.Top} - DstRect.Top, clipH, yFirst, yCount);

  const auto average = BlockAverage.Get();
  std::vector<TColor32> line(static_cast<size_t>(clipW));
  int lastFirst = -1, lastCount = 0;
  for (int r = 0; r < clipH; ++r) {
    const int fy = yFirst[static_cast<size_t>(r)], cy = yCount[static_cast<size_t>(r)];
    if (fy != lastFirst || cy != lastCount) {
      for (int i = 0; i < clipW; ++i)
        line[static_cast<size_t>(i)] =
            average(xCount[static_cast<size_t>(i)], cy,
                    Src.PixelAddress(xFirst[static_cast<size_t>(i)], fy), Src.Width());
      lastFirst = fy;
      lastCount = cy;
    }
    TransferRun(line.data(), Dst.PixelAddress(DstClip.Left, DstClip.Top + r), clipW, Src, CombineOp,
                CombineCallBack);
  }
}

}  // namespace pictavia
