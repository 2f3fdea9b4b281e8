// The nearest-neighbour resampler: single samples by pixel-access mode, and the stretch that
// repeats or drops whole source pixels through a column map and a row map.
#include <cmath>
#include <cstring>
#include <vector>

#include "raster/blend.h"
#include "raster/fixed_point.h"
#include "raster/resamplers.h"
#include "raster/transfers.h"

TColor32 TNearestResampler::SampleAtInt(int X, int Y) {
  const TBitmap32& b = *bitmap_;
  switch (pixelAccessMode_) {
    case pamUnsafe:
      return b.GetPixel(X, Y);
    case pamSafe:
      return b.PixelOrOuter(X, Y);
    case pamWrap:
      return b.PixelWrapped(X, Y);
    case pamTransparentEdge: {
      const TRect& c = b.ClipRect();
      const int cx = Clamp(X, c.Left, c.Right - 1);
      const int cy = Clamp(Y, c.Top, c.Bottom - 1);
      const TColor32 p = b.GetPixel(cx, cy);
      return (cx != X || cy != Y) ? (p & 0x00FFFFFFu) : p;
    }
  }
  return 0;
}

TColor32 TNearestResampler::SampleAtFixed(TFixed X, TFixed Y) {
  return SampleAtInt(FixedRound(X), FixedRound(Y));
}

TColor32 TNearestResampler::SampleAtFloat(float X, float Y) {
  return SampleAtInt(static_cast<int>(std::nearbyint(X)), static_cast<int>(std::nearbyint(Y)));
}

void TNearestResampler::Resample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip,
                                 const TBitmap32& Src, const TRect& SrcRect, TDrawMode CombineOp,
                                 const TPixelCombineEvent& CombineCallBack) {
  IntersectRect(DstClip, DstClip, Dst.BoundsRect());
  IntersectRect(DstClip, DstClip, DstRect);
  if (IsRectEmpty(DstClip)) return;
  if (SrcRect.Left < 0 || SrcRect.Top < 0 || SrcRect.Right > Src.Width() ||
      SrcRect.Bottom > Src.Height())
    throw Exception("Invalid SrcRect");

  const int sw = SrcRect.Right - SrcRect.Left, sh = SrcRect.Bottom - SrcRect.Top;
  const int dw = DstRect.Right - DstRect.Left, dh = DstRect.Bottom - DstRect.Top;
  if (dw == sw && dh == sh) {
    TransferRows(Dst, DstClip, Src, SrcRect.Left + DstClip.Left - DstRect.Left,
                 SrcRect.Top + DstClip.Top - DstRect.Top, CombineOp, CombineCallBack);
    return;
  }
  if (CombineOp == dmCustom && !CombineCallBack) CombineOp = dmOpaque;

  // The scales are held in single precision, as the stretch always has: SW = 2, DW = 50 gives
  // 0.039999999 and so keeps source column 0 up to destination column 25.
  const int clipW = DstClip.Right - DstClip.Left;
  const int lastCol = SrcRect.Right - 1, lastRow = SrcRect.Bottom - 1;
  std::vector<int> map(static_cast<size_t>(clipW));
  if (dw < 2) {
    const int mid = (SrcRect.Left + SrcRect.Right - 1) / 2;
    std::fill(map.begin(), map.end(), mid);
  } else {
    const float sx = static_cast<float>(static_cast<double>(sw) / dw);
    for (int i = 0; i < clipW; ++i) {
      const double v = static_cast<double>(DstClip.Left - DstRect.Left + i) * static_cast<double>(sx) +
                       SrcRect.Left;
      map[static_cast<size_t>(i)] = std::min(static_cast<int>(v), lastCol);
    }
  }
  const float sy = dh > 1 ? static_cast<float>(static_cast<double>(sh) / dh) : 0.0f;
  auto sourceRow = [&](int r) {
    if (dh <= 1) return (SrcRect.Top + SrcRect.Bottom - 1) / 2;
    const double v = static_cast<double>(DstClip.Top - DstRect.Top + r) * static_cast<double>(sy) +
                     SrcRect.Top;
    return std::min(static_cast<int>(v), lastRow);
  };

  const int rows = DstClip.Bottom - DstClip.Top;
  int previous = -1;
  if (CombineOp == dmOpaque) {
    for (int r = 0; r < rows; ++r) {
      const int srow = sourceRow(r);
      TColor32* d = Dst.PixelAddress(DstClip.Left, DstClip.Top + r);
      if (srow == previous) {
        CopyWords32(d - Dst.Width(), d, clipW);
      } else {
        const TColor32* s = Src.RowAddress(srow);
        for (int i = 0; i < clipW; ++i) d[i] = s[map[static_cast<size_t>(i)]];
      }
      previous = srow;
    }
    return;
  }

  std::vector<TColor32> buffer(static_cast<size_t>(clipW));
  for (int r = 0; r < rows; ++r) {
    const int srow = sourceRow(r);
    if (srow != previous) {
      const TColor32* s = Src.RowAddress(srow);
      for (int i = 0; i < clipW; ++i) buffer[static_cast<size_t>(i)] = s[map[static_cast<size_t>(i)]];
      previous = srow;
    }
    TransferRun(buffer.data(), Dst.PixelAddress(DstClip.Left, DstClip.Top + r), clipW, Src,
                CombineOp, CombineCallBack);
  }
}
