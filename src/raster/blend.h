// The blending arithmetic: process-wide slots for mixing, blending, merging and per-channel colour
// operations, the combine-mode tables, the merge tables, and the choice of implementation.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "raster/color32.h"
#include "raster/cpu_features.h"
#include "raster/draw_modes.h"

namespace pictavia {

// Notation: X, Y two colours and W a weight 0..255 (values above 255 act as 255); F the foreground
// (source) colour with alpha Fa, B the background (destination); M a master alpha 0..255 (above
// 255 acts as 255); Count a number of pixels, 0 or less meaning none.
//
// The vector formula of one channel:    (W*X + (256-W)*Y + 128) >> 8
// The portable formula of one channel:  ((W*X + 128) >> 8) + (((255-W)*Y + 128) >> 8)

using TCombineValueProc = TColor32 (*)(TColor32 X, TColor32 Y, TColor32 W);
using TCombineIntoProc = void (*)(TColor32 X, TColor32& Y, TColor32 W);
using TCombineRunProc = void (*)(const TColor32* Src, TColor32* Dst, int Count, TColor32 W);
using TBlendValueProc = TColor32 (*)(TColor32 F, TColor32 B);
using TBlendIntoProc = void (*)(TColor32 F, TColor32& B);
using TBlendRunProc = void (*)(const TColor32* Src, TColor32* Dst, int Count);
using TBlendValueMasterProc = TColor32 (*)(TColor32 F, TColor32 B, TColor32 M);
using TBlendIntoMasterProc = void (*)(TColor32 F, TColor32& B, TColor32 M);
using TBlendRunMasterProc = void (*)(const TColor32* Src, TColor32* Dst, int Count, TColor32 M);
using TChannelProc = TColor32 (*)(TColor32 C1, TColor32 C2);
using TChannelScaleProc = TColor32 (*)(TColor32 C, TColor32 W);
using TFillWordsProc = void (*)(TColor32* Dst, std::ptrdiff_t Count, TColor32 Value);
// Resampler helpers; see the slots below for their formulas.
using TBlockAverageProc = TColor32 (*)(int Width, int Height, const TColor32* Src, int Stride);
using TLinearInterpolatorProc = TColor32 (*)(uint32_t WX, uint32_t WY, const TColor32* Row1,
                                             const TColor32* Row2);
using TBilinearFetchProc = TColor32 (*)(TColor32 C00, TColor32 C10, TColor32 C01, TColor32 C11,
                                        uint32_t FracX, uint32_t FracY);

// A process-wide function slot: called like a function, it forwards to the implementation chosen
// for this process. Every slot starts constant-initialised with a forwarder that makes the choice
// on the first call (once, thread-safely), so slots work before and without any start-up call.
template <typename Proc>
class TBlendSlot;

template <typename R, typename... A>
class TBlendSlot<R (*)(A...)> {
 public:
  using Proc = R (*)(A...);
  constexpr explicit TBlendSlot(Proc Initial) noexcept : proc_(Initial) {}
  TBlendSlot(const TBlendSlot&) = delete;
  TBlendSlot& operator=(const TBlendSlot&) = delete;

  R operator()(A... Args) const { return proc_.load(std::memory_order_acquire)(Args...); }
  Proc Get() const noexcept { return proc_.load(std::memory_order_acquire); }
  // Only the implementation choice writes slots.
  void Set(Proc Value) noexcept { proc_.store(Value, std::memory_order_release); }

 private:
  std::atomic<Proc> proc_;
};

// Combine family: explicit weight W on all four channels.
extern TBlendSlot<TCombineValueProc> MixValue;
extern TBlendSlot<TCombineIntoProc> MixInto;  // W = 0: Y kept; W = 255: Y := X
extern TBlendSlot<TCombineRunProc> MixRun;    // W = 255 copies the run, W = 0 leaves it

// Blend family: weight Fa. The memory and run forms keep B when Fa = 0 and write F when Fa = 255.
extern TBlendSlot<TBlendValueProc> BlendValue;
extern TBlendSlot<TBlendIntoProc> BlendInto;
extern TBlendSlot<TBlendRunProc> BlendRun;

// Blend family with master alpha. Value and memory forms: W = ((M+1)*Fa) >> 8; the run form of
// the vector formulas: W = ((Fa+1)*M) >> 8. The portable formulas compute colour only and write
// alpha 0 into the pixels they change.
extern TBlendSlot<TBlendValueMasterProc> BlendValueMaster;
extern TBlendSlot<TBlendIntoMasterProc> BlendIntoMaster;
extern TBlendSlot<TBlendRunMasterProc> BlendRunMaster;

// Merge family: source over destination for colours that are not premultiplied, through the
// merge tables. The master forms first replace Fa by P[M][Fa].
extern TBlendSlot<TBlendValueProc> CompositeValue;
extern TBlendSlot<TBlendIntoProc> CompositeInto;
extern TBlendSlot<TBlendRunProc> CompositeRun;
extern TBlendSlot<TBlendValueMasterProc> CompositeValueMaster;
extern TBlendSlot<TBlendIntoMasterProc> CompositeIntoMaster;
extern TBlendSlot<TBlendRunMasterProc> CompositeRunMaster;

// Per-channel colour operations (all four channels).
extern TBlendSlot<TChannelProc> ChannelAdd;       // min(a + b, 255)
extern TBlendSlot<TChannelProc> ChannelSubtract;  // max(a - b, 0)
extern TBlendSlot<TChannelProc> ChannelDivide;    // a = 0: 255, else min(b*256 / a, 255)
extern TBlendSlot<TChannelProc> ChannelMultiply;  // (a*b) >> 8
extern TBlendSlot<TChannelProc> ChannelMax;
extern TBlendSlot<TChannelProc> ChannelMin;
extern TBlendSlot<TChannelProc> ChannelDifference;  // |a - b|
extern TBlendSlot<TChannelProc> ChannelAverage;     // vector (a+b+1) >> 1, portable (a+b) >> 1
extern TBlendSlot<TChannelProc> ChannelExclusion;   // a + b - ((a*b) >> 7)
extern TBlendSlot<TChannelScaleProc> ChannelScale;  // min((c*W) >> 8, 255), W any 32-bit value

// Writes Value into Count consecutive pixels.
extern TBlendSlot<TFillWordsProc> FillWords32;

// Per-channel average of the Width x Height block whose first row starts at Src, rows Stride
// pixels apart: the channel sum divided by Width*Height, rounded to nearest with ties to even.
// An empty block gives 0. Used by the draft resampler's box reduction.
extern TBlendSlot<TBlockAverageProc> BlockAverage;

// Bilinear interpolation of the 2x2 neighbourhood Row1[0] Row1[1] / Row2[0] Row2[1]. WX is the
// weight of the left column, WY of the upper row, both 0..256 (above 256 acts as 256); per channel
//   (WX*WY*Row1[0] + (256-WX)*WY*Row1[1] + WX*(256-WY)*Row2[0] + (256-WX)*(256-WY)*Row2[1]
//    + 32768) >> 16
// exactly. Used by the linear resampler's enlargement.
extern TBlendSlot<TLinearInterpolatorProc> LinearInterpolator;

// The four-pixel fetch of a single sample at a 16.16 position: C00 C10 above C01 C11, FracX and
// FracY the fractional parts (low 16 bits used). Same as LinearInterpolator with
// WX = 256 - (FracX >> 8) and WY = 256 - (FracY >> 8) on those four pixels.
extern TBlendSlot<TBilinearFetchProc> BilinearFetch;

// Copies Count pixels from Src to Dst; overlapping ranges are copied as if through a buffer.
inline void CopyWords32(const TColor32* Src, TColor32* Dst, std::ptrdiff_t Count) {
  if (Count > 0 && Src != Dst)
    std::memmove(Dst, Src, static_cast<size_t>(Count) * sizeof(TColor32));
}

// Ends a stretch of vector blending before floating-point code. Our vector code uses SSE and AVX
// registers, which do not share state with the x87 unit, and compilers clear the upper AVX halves
// on return, so there is nothing to reset; callers still mark the end of their pixel loops here so
// that a kernel which does need it has one place to put it.
inline void EndVectorState() {}

// The slots to use for a combine mode, indexed by TCombineMode (cmBlend: the Blend forms,
// cmMerge: the Composite forms).
extern TBlendSlot<TBlendValueProc> BLEND_REG[2];
extern TBlendSlot<TBlendIntoProc> BLEND_MEM[2];
extern TBlendSlot<TBlendValueMasterProc> BLEND_REG_EX[2];
extern TBlendSlot<TBlendIntoMasterProc> BLEND_MEM_EX[2];
extern TBlendSlot<TBlendRunProc> BLEND_LINE[2];
extern TBlendSlot<TBlendRunMasterProc> BLEND_LINE_EX[2];

// The merge tables, built on first use: P[a][x] = round(x*a / 255) and Q[a][x] = round(x*255 / a)
// (low 8 bits) for a >= 1, Q[0][x] = 0; rounding to nearest, ties to even.
struct TMergeTables {
  uint8_t P[256][256];
  uint8_t Q[256][256];
};
const TMergeTables& MergeTables();

// Every operation of one implementation; the slots are filled from one of these. The vector
// code broadcasts each weight into its register lanes directly, so it needs no weight table.
struct TBlendProcs {
  TCombineValueProc MixValue;
  TCombineIntoProc MixInto;
  TCombineRunProc MixRun;
  TBlendValueProc BlendValue;
  TBlendIntoProc BlendInto;
  TBlendRunProc BlendRun;
  TBlendValueMasterProc BlendValueMaster;
  TBlendIntoMasterProc BlendIntoMaster;
  TBlendRunMasterProc BlendRunMaster;
  TBlendValueProc CompositeValue;
  TBlendIntoProc CompositeInto;
  TBlendRunProc CompositeRun;
  TBlendValueMasterProc CompositeValueMaster;
  TBlendIntoMasterProc CompositeIntoMaster;
  TBlendRunMasterProc CompositeRunMaster;
  TChannelProc ChannelAdd;
  TChannelProc ChannelSubtract;
  TChannelProc ChannelDivide;
  TChannelProc ChannelMultiply;
  TChannelProc ChannelMax;
  TChannelProc ChannelMin;
  TChannelProc ChannelDifference;
  TChannelProc ChannelAverage;
  TChannelProc ChannelExclusion;
  TChannelScaleProc ChannelScale;
  TFillWordsProc FillWords32;
  TBlockAverageProc BlockAverage;
  TLinearInterpolatorProc LinearInterpolator;
  TBilinearFetchProc BilinearFetch;
};

// The operations of one implementation, or null when this build or processor cannot run it.
// Lets tests and benchmarks compare implementations without touching the slots.
const TBlendProcs* BlendProcsFor(TBlendImplementation Impl);

// Fills every slot and table with the implementation, after the start-up choice has been made;
// false (and nothing changed) when it is not available here. For tests and benchmarks.
bool SelectBlendImplementation(TBlendImplementation Impl);

// Makes the start-up choice now if no slot has made it yet (PICTAVIA_SIMD, else the best the
// processor offers), or restores it after SelectBlendImplementation.
void SelectDefaultBlendImplementation();

// The implementation the slots currently use (the start-up choice is made first if needed).
TBlendImplementation ActiveBlendImplementation();

}  // namespace pictavia
