// TBitmap32 drawing: opaque, clipped and blended fills, blended lines and frames, the stipple
// for dashed lines and frames, and drawing the whole bitmap onto another bitmap or a canvas.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "raster/bitmap32.h"
#include "raster/blend.h"
#include "raster/transfers.h"

namespace pictavia {

namespace {

struct VectorStateGuard {
  ~VectorStateGuard() { EndVectorState(); }
};

// The rectangle of the pixels X1..X2, Y1..Y2 (ends included, X1 <= X2, Y1 <= Y2); a line ending
// at INT32_MAX reports a rectangle that ends there too.
TRect InclusiveRect(int X1, int Y1, int X2, int Y2) {
  return Rect(X1, Y1, SaturatedInt32(int64_t{X2} + 1), SaturatedInt32(int64_t{Y2} + 1));
}

// The stipple position wrapped into [0, Length); a counter that is no longer finite (a NaN
// step, an infinite start) restarts the pattern.
double WrappedDashCounter(double Counter, int Length) {
  if (!std::isfinite(Counter)) return 0;
  double c = std::fmod(Counter, Length);
  if (c < 0) c += Length;
  // A tiny negative remainder plus Length can round up to Length itself.
  return c < Length ? c : 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Fills

void TBitmap32::FillRect(int X1, int Y1, int X2, int Y2, TColor32 Value) {
  if (!measuring_ && !Empty()) {
    const int w = X2 - X1;
    if (w > 0)
      for (int y = Y1; y < Y2; ++y) FillWords32(PixelAddress(X1, y), w, Value);
  }
  Changed(Rect(X1, Y1, X2, Y2), AreaIsRect);
}

void TBitmap32::FillClipped(int X1, int Y1, int X2, int Y2, TColor32 Value) {
  FillClipped(Rect(X1, Y1, X2, Y2), Value);
}

void TBitmap32::FillClipped(const TRect& ARect, TColor32 Value) {
  TRect r = ARect;
  if (!measuring_ && !IsRectEmpty(r) && IntersectRect(r, r, clipRect_)) {
    FillRect(r.Left, r.Top, r.Right, r.Bottom, Value);
    return;
  }
  Changed(r, AreaIsRect);
}

void TBitmap32::RecolorKeepAlpha(int X1, int Y1, int X2, int Y2, TColor32 Value) {
  if (!measuring_ && !Empty()) {
    const TColor32 rgb = Value & 0x00FFFFFFu;
    for (int y = Y1; y < Y2; ++y) {
      TColor32* p = PixelAddress(X1, y);
      for (int x = X1; x < X2; ++x, ++p) *p = (*p & 0xFF000000u) | rgb;
    }
  }
  Changed(Rect(X1, Y1, X2, Y2), AreaIsRect);
}

void TBitmap32::BlendFill(int X1, int Y1, int X2, int Y2, TColor32 Value) {
  const TColor32 a = Value >> 24;
  if (a == 255) {
    FillRect(X1, Y1, X2, Y2, Value);
    return;
  }
  if (a == 0) return;
  if (!measuring_ && !Empty() && X2 > X1) {
    VectorStateGuard guard;
    // One row of the colour, mixed into every row with the run forms: the same per-pixel
    // results as MixInto / CompositeInto, but through the vector code.
    const std::vector<TColor32> row(static_cast<size_t>(X2 - X1), Value);
    for (int y = Y1; y < Y2; ++y) {
      TColor32* p = PixelAddress(X1, y);
      if (combineMode_ == cmBlend)
        MixRun(row.data(), p, X2 - X1, a);
      else
        CompositeRun(row.data(), p, X2 - X1);
    }
  }
  Changed(Rect(X1, Y1, X2, Y2), AreaIsRect);
}

void TBitmap32::BlendFillClipped(int X1, int Y1, int X2, int Y2, TColor32 Value) {
  TRect r = Rect(X1, Y1, X2, Y2);
  if (IsRectEmpty(r) || !IntersectRect(r, r, clipRect_)) return;
  BlendFill(r.Left, r.Top, r.Right, r.Bottom, Value);
}

// ---------------------------------------------------------------------------------------------
// Blended lines and frames

void TBitmap32::BlendHLine(int X1, int Y, int X2, TColor32 Value) {
  if (X2 < X1) std::swap(X1, X2);
  if (!measuring_ && !Empty()) {
    VectorStateGuard guard;
    const auto blend = BLEND_MEM[combineMode_].Get();
    TColor32* p = PixelAddress(X1, Y);
    for (int x = X1; x <= X2; ++x, ++p) blend(Value, *p);
  }
  Changed(InclusiveRect(X1, Y, X2, Y), AreaIsRect);
}

void TBitmap32::BlendVLine(int X, int Y1, int Y2, TColor32 Value) {
  if (Y2 < Y1) std::swap(Y1, Y2);
  if (!measuring_ && !Empty()) {
    VectorStateGuard guard;
    const auto blend = BLEND_MEM[combineMode_].Get();
    for (int y = Y1; y <= Y2; ++y) blend(Value, *PixelAddress(X, y));
  }
  Changed(InclusiveRect(X, Y1, X, Y2), AreaIsRect);
}

void TBitmap32::BlendHLineClipped(int X1, int Y, int X2, TColor32 Value) {
  if (X2 < X1) std::swap(X1, X2);
  if (measuring_) {
    Changed(InclusiveRect(X1, Y, X2, Y), AreaIsRect);
    return;
  }
  if (Y < clipRect_.Top || Y >= clipRect_.Bottom) return;
  X1 = std::max(X1, clipRect_.Left);
  X2 = std::min(X2, clipRect_.Right - 1);
  if (X2 < X1) return;
  BlendHLine(X1, Y, X2, Value);
}

void TBitmap32::BlendVLineClipped(int X, int Y1, int Y2, TColor32 Value) {
  if (Y2 < Y1) std::swap(Y1, Y2);
  if (measuring_) {
    Changed(InclusiveRect(X, Y1, X, Y2), AreaIsRect);
    return;
  }
  if (X < clipRect_.Left || X >= clipRect_.Right) return;
  Y1 = std::max(Y1, clipRect_.Top);
  Y2 = std::min(Y2, clipRect_.Bottom - 1);
  if (Y2 < Y1) return;
  BlendVLine(X, Y1, Y2, Value);
}

void TBitmap32::BlendFrameClipped(int X1, int Y1, int X2, int Y2, TColor32 Value) {
  if (X1 >= X2 || Y1 >= Y2) return;
  if (X2 <= clipRect_.Left || X1 >= clipRect_.Right || Y2 <= clipRect_.Top ||
      Y1 >= clipRect_.Bottom)
    return;
  BlendHLineClipped(X1, Y1, X2 - 1, Value);
  if (Y2 - 1 > Y1) BlendHLineClipped(X1, Y2 - 1, X2 - 1, Value);
  if (Y2 - 2 >= Y1 + 1) {
    BlendVLineClipped(X1, Y1 + 1, Y2 - 2, Value);
    if (X2 - 1 > X1) BlendVLineClipped(X2 - 1, Y1 + 1, Y2 - 2, Value);
  }
}

// ---------------------------------------------------------------------------------------------
// Stipple

void TBitmap32::SetDashPattern(const TArrayOfColor32& Pattern) {
  stipplePattern_ = Pattern;
  stippleCounter_ = 0;
}

TColor32 TBitmap32::NextDashColor() {
  const int len = static_cast<int>(stipplePattern_.size());
  if (len == 0) return clBlack32;
  const double counter = WrappedDashCounter(stippleCounter_, len);
  // Ties to even, as every rounding of the program.
  const int i = static_cast<int>(std::nearbyint(counter - 0.5));
  const int f = static_cast<int>(std::nearbyint(255.0 * (counter - i)));
  TColor32 result;
  if (f == 0) {
    result = stipplePattern_[static_cast<size_t>(i)];
  } else {
    const int next = i + 1 == len ? 0 : i + 1;
    result = MixValue(stipplePattern_[static_cast<size_t>(i)],
                      stipplePattern_[static_cast<size_t>(next)], static_cast<TColor32>(255 - f));
    EndVectorState();
  }
  stippleCounter_ = static_cast<float>(counter + stippleStep_);
  return result;
}

void TBitmap32::AdvanceDash(int64_t N) {
  const int len = static_cast<int>(stipplePattern_.size());
  const double step = static_cast<double>(N) * stippleStep_;
  if (len <= 0 || step == 0) return;
  // Wrapped before and after: a whole pattern's steps must not vanish in a huge counter.
  const double counter = WrappedDashCounter(stippleCounter_, len) + WrappedDashCounter(step, len);
  stippleCounter_ = static_cast<float>(WrappedDashCounter(counter, len));
}

namespace {

// One stippled run along an axis: clamps the ends into [lo, hi], keeping the pattern phase, and
// calls plot(position) for each drawn pixel in the direction from a to b. Returns false when
// nothing is drawn (the counter has then been advanced by the whole length).
template <class Plot, class Notify>
void DashedRun(TBitmap32& bmp, int a, int b, int lo, int hi, bool lineVisible, Plot plot,
               Notify notify) {
  // Lengths in 64 bits: a run from INT32_MIN to INT32_MAX has 2^32 pixels.
  const int64_t length = std::abs(int64_t{b} - a) + 1;
  // lo > hi: a clip rectangle of zero width or height, where no pixel is visible.
  if (!lineVisible || lo > hi || (a < lo && b < lo) || (a > hi && b > hi)) {
    bmp.AdvanceDash(length);
    return;
  }
  const int dir = b >= a ? 1 : -1;
  int start = a, end = b;
  // Pixels cut before the visible part keep the pattern's phase.
  if (dir > 0 ? start < lo : start > hi) {
    const int64_t cut = dir > 0 ? int64_t{lo} - start : int64_t{start} - hi;
    bmp.AdvanceDash(cut);
    start = dir > 0 ? lo : hi;
  }
  int64_t cutAtEnd = 0;
  if (dir > 0 ? end > hi : end < lo) {
    cutAtEnd = dir > 0 ? int64_t{end} - hi : int64_t{lo} - end;
    end = dir > 0 ? hi : lo;
  }
  for (int p = start;; p += dir) {
    plot(p);
    if (p == end) break;
  }
  notify(std::min(start, end), std::max(start, end));
  bmp.AdvanceDash(cutAtEnd);
}

}  // namespace

void TBitmap32::DashedHLine(int X1, int Y, int X2) {
  if (measuring_) {
    Changed(InclusiveRect(std::min(X1, X2), Y, std::max(X1, X2), Y), AreaIsRect);
    return;
  }
  if (Empty()) return;
  const bool rowVisible = Y >= clipRect_.Top && Y < clipRect_.Bottom;
  DashedRun(
      *this, X1, X2, clipRect_.Left, clipRect_.Right - 1, rowVisible,
      [&](int x) { BlendPixelAt(x, Y, NextDashColor()); },
      [&](int lo, int hi) { Changed(Rect(lo, Y, hi + 1, Y + 1), AreaIsRect); });
  EndVectorState();
}

void TBitmap32::DashedVLine(int X, int Y1, int Y2) {
  if (measuring_) {
    Changed(InclusiveRect(X, std::min(Y1, Y2), X, std::max(Y1, Y2)), AreaIsRect);
    return;
  }
  if (Empty()) return;
  const bool columnVisible = X >= clipRect_.Left && X < clipRect_.Right;
  DashedRun(
      *this, Y1, Y2, clipRect_.Top, clipRect_.Bottom - 1, columnVisible,
      [&](int y) { BlendPixelAt(X, y, NextDashColor()); },
      [&](int lo, int hi) { Changed(Rect(X, lo, X + 1, hi + 1), AreaIsRect); });
  EndVectorState();
}

void TBitmap32::DashedFrame(int X1, int Y1, int X2, int Y2) {
  if (X1 >= X2 || Y1 >= Y2 || X1 >= width_ || Y1 >= height_ || X2 <= 0 || Y2 <= 0) return;
  // X2 > X1 and Y2 > Y1, so X2 - 1 and Y2 - 1 cannot overflow; a single column or row is
  // X1 == X2 - 1.
  const bool oneColumn = X1 == X2 - 1, oneRow = Y1 == Y2 - 1;
  if (oneColumn && oneRow) {
    DashedHLine(X1, Y1, X1);
  } else if (oneColumn) {
    DashedVLine(X1, Y1, Y2 - 1);
  } else if (oneRow) {
    DashedHLine(X1, Y1, X2 - 1);
  } else {
    // Clockwise from the top-left corner, so the pattern runs on around the frame.
    DashedHLine(X1, Y1, X2 - 2);
    DashedVLine(X2 - 1, Y1, Y2 - 2);
    DashedHLine(X2 - 1, Y2 - 1, X1 + 1);
    DashedVLine(X1, Y2 - 1, Y1 + 1);
  }
}

// ---------------------------------------------------------------------------------------------
// Drawing onto others

void TBitmap32::DrawOnto(TBitmap32& Dst, int DstX, int DstY) const {
  TransferSameSize(&Dst, DstX, DstY, Dst.ClipRect(), this, BoundsRect(), drawMode_, OnPixelCombine);
}

void TBitmap32::DrawOnto(TBitmap32& Dst, const TRect& DstRect) const {
  TransferScaled(&Dst, DstRect, Dst.ClipRect(), this, BoundsRect(), resampler_.get(), drawMode_,
                 OnPixelCombine);
}

void TBitmap32::DrawOnto(TCanvas& DeviceContext, int DstX, int DstY) const {
  if (Empty()) return;
  TDibDescription dib;
  dib.Width = width_;
  dib.Height = height_;
  dib.BitCount = 32;
  dib.Bits = reinterpret_cast<const uint8_t*>(bits_);
  dib.Stride = width_ * 4;
  // Saturated: a place within a bitmap's width of INT32_MAX is off every device context.
  DeviceContext.StretchDIBits(Rect(DstX, DstY, SaturatedInt32(int64_t{DstX} + width_),
                                   SaturatedInt32(int64_t{DstY} + height_)),
                              Rect(0, 0, width_, height_), dib, cmSrcCopy);
}

}  // namespace pictavia
