// The nearest-neighbour resampler: single samples by pixel-access mode, and the stretch that
// repeats or drops whole source pixels through a column map and a row map.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "raster/blend.h"
#include "raster/fixed_point.h"
#include "raster/resamplers.h"
#include "raster/transfers.h"
#include "toolkit/rounding.h"

namespace pictavia {

TColor32 TNearestResampler::SampleAtInt(int X, int Y) {
  const TBitmap32& b = *bitmap_;
  switch (pixelAccessMode_) {
    case pamUnsafe:
      return b.GetPixel(X, Y);
    case pamSafe:
      return b.PixelOrOuter(X, Y);
    default:
      // Wrapping and edge clamping need a pixel to land on; an empty clip gives the outer colour.
      return AccessBitmapPixel(b, pixelAccessMode_, X, Y);
  }
}

TColor32 TNearestResampler::SampleAtFixed(TFixed X, TFixed Y) {
  return SampleAtInt(FixedRound(X), FixedRound(Y));
}

TColor32 TNearestResampler::SampleAtFloat(float X, float Y) {
  return SampleAtInt(SaturatedRound(X), SaturatedRound(Y));
}

namespace {

// Dst[i] = Row[Map[i]] for Count pixels. When Next is given (the source row the following
// destination row reads), the columns the map reads are prefetched from it one cache line at a
// time alongside the gather: every source row starts a new stream, which the hardware prefetcher
// would only pick up part way along. Map never decreases.
void GatherRow(const TColor32* Row, const int* Map, int Count, TColor32* Dst,
               const TColor32* Next) {
  if (Next == nullptr) {
    for (int i = 0; i < Count; ++i) Dst[i] = Row[Map[i]];
    return;
  }
  constexpr int kChunk = 32;
  constexpr uintptr_t kLine = 64;
  // Addresses as integers: the last line may start past the row, where no pointer may point.
  uintptr_t prefetched = reinterpret_cast<uintptr_t>(Next + Map[0]);
  for (int i = 0; i < Count; i += kChunk) {
    const int n = std::min(kChunk, Count - i);
    const uintptr_t target = reinterpret_cast<uintptr_t>(Next + Map[i + n - 1] + 1);
    for (; prefetched < target; prefetched += kLine)
      __builtin_prefetch(reinterpret_cast<const void*>(prefetched));
    for (int k = i; k < i + n; ++k) Dst[k] = Row[Map[k]];
  }
}

}  // namespace

void TNearestResampler::Resample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip,
                                 const TBitmap32& Src, const TRect& SrcRect, TDrawMode CombineOp,
                                 const TPixelCombineEvent& CombineCallBack) {
  IntersectRect(DstClip, DstClip, Dst.BoundsRect());
  IntersectRect(DstClip, DstClip, DstRect);
  if (IsRectEmpty(DstClip)) return;
  if (SrcRect.Left < 0 || SrcRect.Top < 0 || SrcRect.Right > Src.Width() ||
      SrcRect.Bottom > Src.Height())
    throw Exception("Invalid SrcRect");

  // Destination extents and offsets in 64 bits: a layer placed across the whole int range is
  // 2^32 pixels wide. The source lies inside its bitmap, so its extents fit an int.
  const int sw = SrcRect.Right - SrcRect.Left, sh = SrcRect.Bottom - SrcRect.Top;
  const int64_t dw = int64_t{DstRect.Right} - DstRect.Left;
  const int64_t dh = int64_t{DstRect.Bottom} - DstRect.Top;
  const int64_t skipX = int64_t{DstClip.Left} - DstRect.Left;
  const int64_t skipY = int64_t{DstClip.Top} - DstRect.Top;
  if (dw == sw && dh == sh) {
    TransferRows(Dst, DstClip, Src, SrcRect.Left + static_cast<int>(skipX),
                 SrcRect.Top + static_cast<int>(skipY), CombineOp, CombineCallBack);
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
      const double v = static_cast<double>(skipX + i) * static_cast<double>(sx) + SrcRect.Left;
      map[static_cast<size_t>(i)] = std::min(static_cast<int>(v), lastCol);
    }
  }
  const float sy = dh > 1 ? static_cast<float>(static_cast<double>(sh) / dh) : 0.0f;
  auto sourceRow = [&](int r) {
    if (dh <= 1) return (SrcRect.Top + SrcRect.Bottom - 1) / 2;
    const double v = static_cast<double>(skipY + r) * static_cast<double>(sy) + SrcRect.Top;
    return std::min(static_cast<int>(v), lastRow);
  };

  const int rows = DstClip.Bottom - DstClip.Top;
  // The source row after this one when it differs (it is prefetched while this one is read).
  auto nextRow = [&](int r, int srow) -> const TColor32* {
    if (r + 1 >= rows) return nullptr;
    const int next = sourceRow(r + 1);
    return next == srow ? nullptr : Src.RowAddress(next);
  };
  int previous = -1;
  if (CombineOp == dmOpaque) {
    for (int r = 0; r < rows; ++r) {
      const int srow = sourceRow(r);
      TColor32* d = Dst.PixelAddress(DstClip.Left, DstClip.Top + r);
      if (srow == previous) {
        CopyWords32(d - Dst.Width(), d, clipW);
      } else {
        GatherRow(Src.RowAddress(srow), map.data(), clipW, d, nextRow(r, srow));
      }
      previous = srow;
    }
    return;
  }

  std::vector<TColor32> buffer(static_cast<size_t>(clipW));
  for (int r = 0; r < rows; ++r) {
    const int srow = sourceRow(r);
    if (srow != previous) {
      GatherRow(Src.RowAddress(srow), map.data(), clipW, buffer.data(), nextRow(r, srow));
      previous = srow;
    }
    TransferRun(buffer.data(), Dst.PixelAddress(DstClip.Left, DstClip.Top + r), clipW, Src,
                CombineOp, CombineCallBack);
  }
}

}  // namespace pictavia
