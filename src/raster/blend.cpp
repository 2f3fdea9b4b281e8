// The vector blending formulas in plain C++ (the reference every SIMD path must equal), the
// process-wide slots and the choice of implementation that fills them.
#include "raster/blend.h"

#include <cstdio>
#include <mutex>

#include "raster/internal/blend_kernels.h"

namespace pictavia {

namespace blendkernels {

TColor32 ScalarMixValue(TColor32 X, TColor32 Y, TColor32 W) {
  return VectorMix(X, Y, ClampWeight(W));
}

void ScalarMixInto(TColor32 X, TColor32& Y, TColor32 W) {
  W = ClampWeight(W);
  if (W == 0) return;
  if (W == 255) {
    Y = X;
    return;
  }
  Y = VectorMix(X, Y, W);
}

void ScalarMixRun(const TColor32* Src, TColor32* Dst, int Count, TColor32 W) {
  if (Count <= 0) return;
  W = ClampWeight(W);
  if (W == 0) return;
  if (W == 255) {
    CopyWords32(Src, Dst, Count);
    return;
  }
  for (int i = 0; i < Count; ++i) Dst[i] = VectorMix(Src[i], Dst[i], W);
}

TColor32 ScalarBlendValue(TColor32 F, TColor32 B) {
  return VectorMix(F, B, F >> 24);
}

void ScalarBlendInto(TColor32 F, TColor32& B) {
  const uint32_t a = F >> 24;
  if (a == 0) return;
  if (a == 255) {
    B = F;
    return;
  }
  B = VectorMix(F, B, a);
}

void ScalarBlendRun(const TColor32* Src, TColor32* Dst, int Count) {
  for (int i = 0; i < Count; ++i) ScalarBlendInto(Src[i], Dst[i]);
}

TColor32 ScalarBlendValueMaster(TColor32 F, TColor32 B, TColor32 M) {
  const uint32_t a = F >> 24;
  if (a == 0) return B;
  const uint32_t w = ((ClampWeight(M) + 1) * a) >> 8;
  if (w == 0) return B;
  return VectorMix(F, B, w);
}

void ScalarBlendIntoMaster(TColor32 F, TColor32& B, TColor32 M) {
  B = ScalarBlendValueMaster(F, B, M);
}

void ScalarBlendRunMaster(const TColor32* Src, TColor32* Dst, int Count, TColor32 M) {
  M = ClampWeight(M);
  if (M == 0) return;
  for (int i = 0; i < Count; ++i) {
    // The run form weights by (Fa + 1) * M, unlike the value and memory forms.
    const uint32_t w = (((Src[i] >> 24) + 1) * M) >> 8;
    if (w != 0) Dst[i] = VectorMix(Src[i], Dst[i], w);  // Fa = 0 gives w = 0
  }
}

void ScalarFillWords32(TColor32* Dst, std::ptrdiff_t Count, TColor32 Value) {
  for (std::ptrdiff_t i = 0; i < Count; ++i) Dst[i] = Value;
}

const TBlendProcs* ScalarBlendProcs() {
  static constinit const TBlendProcs procs = {
      ScalarMixValue,
      ScalarMixInto,
      ScalarMixRun,
      ScalarBlendValue,
      ScalarBlendInto,
      ScalarBlendRun,
      ScalarBlendValueMaster,
      ScalarBlendIntoMaster,
      ScalarBlendRunMaster,
      CompositeValueVector,
      CompositeIntoVector,
      CompositeRunVector,
      CompositeValueMasterVector,
      CompositeIntoMasterVector,
      CompositeRunMasterVector,
      ChannelAddAll,
      ChannelSubtractAll,
      ChannelDivideAll,
      ChannelMultiplyAll,
      ChannelMaxAll,
      ChannelMinAll,
      ChannelDifferenceAll,
      ChannelAverageVector,
      ChannelExclusionAll,
      ChannelScaleAll,
      ScalarFillWords32,
      ScalarBlockAverage,
      ScalarLinearInterpolator,
      ScalarBilinearFetch,
  };
  return &procs;
}

}  // namespace blendkernels

namespace {

void EnsureChoiceMade();

// The first call through any slot lands here, makes the start-up choice and forwards.
template <auto& Slot, typename Proc>
struct TFirstCall;

template <auto& Slot, typename R, typename... A>
struct TFirstCall<Slot, R (*)(A...)> {
  static R Call(A... Args) {
    EnsureChoiceMade();
    return Slot(Args...);
  }
};

}  // namespace

#define PICTAVIA_FIRST_CALL(slot) (&TFirstCall<slot, decltype(slot)::Proc>::Call)

constinit TBlendSlot<TCombineValueProc> MixValue{PICTAVIA_FIRST_CALL(MixValue)};
constinit TBlendSlot<TCombineIntoProc> MixInto{PICTAVIA_FIRST_CALL(MixInto)};
constinit TBlendSlot<TCombineRunProc> MixRun{PICTAVIA_FIRST_CALL(MixRun)};
constinit TBlendSlot<TBlendValueProc> BlendValue{PICTAVIA_FIRST_CALL(BlendValue)};
constinit TBlendSlot<TBlendIntoProc> BlendInto{PICTAVIA_FIRST_CALL(BlendInto)};
constinit TBlendSlot<TBlendRunProc> BlendRun{PICTAVIA_FIRST_CALL(BlendRun)};
constinit TBlendSlot<TBlendValueMasterProc> BlendValueMaster{PICTAVIA_FIRST_CALL(BlendValueMaster)};
constinit TBlendSlot<TBlendIntoMasterProc> BlendIntoMaster{PICTAVIA_FIRST_CALL(BlendIntoMaster)};
constinit TBlendSlot<TBlendRunMasterProc> BlendRunMaster{PICTAVIA_FIRST_CALL(BlendRunMaster)};
constinit TBlendSlot<TBlendValueProc> CompositeValue{PICTAVIA_FIRST_CALL(CompositeValue)};
constinit TBlendSlot<TBlendIntoProc> CompositeInto{PICTAVIA_FIRST_CALL(CompositeInto)};
constinit TBlendSlot<TBlendRunProc> CompositeRun{PICTAVIA_FIRST_CALL(CompositeRun)};
constinit TBlendSlot<TBlendValueMasterProc> CompositeValueMaster{
    PICTAVIA_FIRST_CALL(CompositeValueMaster)};
constinit TBlendSlot<TBlendIntoMasterProc> CompositeIntoMaster{
    PICTAVIA_FIRST_CALL(CompositeIntoMaster)};
constinit TBlendSlot<TBlendRunMasterProc> CompositeRunMaster{
    PICTAVIA_FIRST_CALL(CompositeRunMaster)};
constinit TBlendSlot<TChannelProc> ChannelAdd{PICTAVIA_FIRST_CALL(ChannelAdd)};
constinit TBlendSlot<TChannelProc> ChannelSubtract{PICTAVIA_FIRST_CALL(ChannelSubtract)};
constinit TBlendSlot<TChannelProc> ChannelDivide{PICTAVIA_FIRST_CALL(ChannelDivide)};
constinit TBlendSlot<TChannelProc> ChannelMultiply{PICTAVIA_FIRST_CALL(ChannelMultiply)};
constinit TBlendSlot<TChannelProc> ChannelMax{PICTAVIA_FIRST_CALL(ChannelMax)};
constinit TBlendSlot<TChannelProc> ChannelMin{PICTAVIA_FIRST_CALL(ChannelMin)};
constinit TBlendSlot<TChannelProc> ChannelDifference{PICTAVIA_FIRST_CALL(ChannelDifference)};
constinit TBlendSlot<TChannelProc> ChannelAverage{PICTAVIA_FIRST_CALL(ChannelAverage)};
constinit TBlendSlot<TChannelProc> ChannelExclusion{PICTAVIA_FIRST_CALL(ChannelExclusion)};
constinit TBlendSlot<TChannelScaleProc> ChannelScale{PICTAVIA_FIRST_CALL(ChannelScale)};
constinit TBlendSlot<TFillWordsProc> FillWords32{PICTAVIA_FIRST_CALL(FillWords32)};
constinit TBlendSlot<TBlockAverageProc> BlockAverage{PICTAVIA_FIRST_CALL(BlockAverage)};
constinit TBlendSlot<TLinearInterpolatorProc> LinearInterpolator{
    PICTAVIA_FIRST_CALL(LinearInterpolator)};
constinit TBlendSlot<TBilinearFetchProc> BilinearFetch{PICTAVIA_FIRST_CALL(BilinearFetch)};

// Before the choice, a table entry forwards to the named slot of the same operation.
constinit TBlendSlot<TBlendValueProc> BLEND_REG[2] = {
    TBlendSlot<TBlendValueProc>{PICTAVIA_FIRST_CALL(BlendValue)},
    TBlendSlot<TBlendValueProc>{PICTAVIA_FIRST_CALL(CompositeValue)}};
constinit TBlendSlot<TBlendIntoProc> BLEND_MEM[2] = {
    TBlendSlot<TBlendIntoProc>{PICTAVIA_FIRST_CALL(BlendInto)},
    TBlendSlot<TBlendIntoProc>{PICTAVIA_FIRST_CALL(CompositeInto)}};
constinit TBlendSlot<TBlendValueMasterProc> BLEND_REG_EX[2] = {
    TBlendSlot<TBlendValueMasterProc>{PICTAVIA_FIRST_CALL(BlendValueMaster)},
    TBlendSlot<TBlendValueMasterProc>{PICTAVIA_FIRST_CALL(CompositeValueMaster)}};
constinit TBlendSlot<TBlendIntoMasterProc> BLEND_MEM_EX[2] = {
    TBlendSlot<TBlendIntoMasterProc>{PICTAVIA_FIRST_CALL(BlendIntoMaster)},
    TBlendSlot<TBlendIntoMasterProc>{PICTAVIA_FIRST_CALL(CompositeIntoMaster)}};
constinit TBlendSlot<TBlendRunProc> BLEND_LINE[2] = {
    TBlendSlot<TBlendRunProc>{PICTAVIA_FIRST_CALL(BlendRun)},
    TBlendSlot<TBlendRunProc>{PICTAVIA_FIRST_CALL(CompositeRun)}};
constinit TBlendSlot<TBlendRunMasterProc> BLEND_LINE_EX[2] = {
    TBlendSlot<TBlendRunMasterProc>{PICTAVIA_FIRST_CALL(BlendRunMaster)},
    TBlendSlot<TBlendRunMasterProc>{PICTAVIA_FIRST_CALL(CompositeRunMaster)}};

#undef PICTAVIA_FIRST_CALL

const TBlendProcs* BlendProcsFor(TBlendImplementation Impl) {
  if (!BlendImplementationAvailable(Impl, CpuFeatures())) return nullptr;
  switch (Impl) {
    case biPortable:
      return blendkernels::PortableBlendProcs();
    case biScalar:
      return blendkernels::ScalarBlendProcs();
    case biSSE2:
      return blendkernels::SSE2BlendProcs();
    case biAVX2:
      return blendkernels::AVX2BlendProcs();
  }
  return nullptr;
}

namespace {

constinit std::mutex g_choiceMutex;
constinit std::atomic<int> g_active{-1};

void FillSlots(const TBlendProcs& p) {
  MixValue.Set(p.MixValue);
  MixInto.Set(p.MixInto);
  MixRun.Set(p.MixRun);
  BlendValue.Set(p.BlendValue);
  BlendInto.Set(p.BlendInto);
  BlendRun.Set(p.BlendRun);
  BlendValueMaster.Set(p.BlendValueMaster);
  BlendIntoMaster.Set(p.BlendIntoMaster);
  BlendRunMaster.Set(p.BlendRunMaster);
  CompositeValue.Set(p.CompositeValue);
  CompositeInto.Set(p.CompositeInto);
  CompositeRun.Set(p.CompositeRun);
  CompositeValueMaster.Set(p.CompositeValueMaster);
  CompositeIntoMaster.Set(p.CompositeIntoMaster);
  CompositeRunMaster.Set(p.CompositeRunMaster);
  ChannelAdd.Set(p.ChannelAdd);
  ChannelSubtract.Set(p.ChannelSubtract);
  ChannelDivide.Set(p.ChannelDivide);
  ChannelMultiply.Set(p.ChannelMultiply);
  ChannelMax.Set(p.ChannelMax);
  ChannelMin.Set(p.ChannelMin);
  ChannelDifference.Set(p.ChannelDifference);
  ChannelAverage.Set(p.ChannelAverage);
  ChannelExclusion.Set(p.ChannelExclusion);
  ChannelScale.Set(p.ChannelScale);
  FillWords32.Set(p.FillWords32);
  BlockAverage.Set(p.BlockAverage);
  LinearInterpolator.Set(p.LinearInterpolator);
  BilinearFetch.Set(p.BilinearFetch);

  BLEND_REG[cmBlend].Set(p.BlendValue);
  BLEND_REG[cmMerge].Set(p.CompositeValue);
  BLEND_MEM[cmBlend].Set(p.BlendInto);
  BLEND_MEM[cmMerge].Set(p.CompositeInto);
  BLEND_REG_EX[cmBlend].Set(p.BlendValueMaster);
  BLEND_REG_EX[cmMerge].Set(p.CompositeValueMaster);
  BLEND_MEM_EX[cmBlend].Set(p.BlendIntoMaster);
  BLEND_MEM_EX[cmMerge].Set(p.CompositeIntoMaster);
  BLEND_LINE[cmBlend].Set(p.BlendRun);
  BLEND_LINE[cmMerge].Set(p.CompositeRun);
  BLEND_LINE_EX[cmBlend].Set(p.BlendRunMaster);
  BLEND_LINE_EX[cmMerge].Set(p.CompositeRunMaster);
}

// The start-up choice: the implementation for this processor (or PICTAVIA_SIMD), where a
// processor with MMX but without its extensions keeps the portable max, min and average.
void MakeDefaultChoice(bool ReportRejected) {
  std::lock_guard<std::mutex> lock(g_choiceMutex);
  const TCpuFeatures& features = CpuFeatures();
  const char* forced = ForcedSimd();
  bool rejected = false;
  const TBlendImplementation impl = ChooseBlendImplementation(features, forced, &rejected);
  if (rejected && ReportRejected)
    std::fprintf(stderr, "pictavia: PICTAVIA_SIMD=%s is not available here; using %s\n", forced,
                 BlendImplementationName(impl));
  TBlendProcs procs = *BlendProcsFor(impl);
#if defined(__x86_64__) || defined(__i386__)
  if (impl != biPortable && !features.Has(cfExtendedMMX)) {
    const TBlendProcs& portable = *blendkernels::PortableBlendProcs();
    procs.ChannelMax = portable.ChannelMax;
    procs.ChannelMin = portable.ChannelMin;
    procs.ChannelAverage = portable.ChannelAverage;
  }
#endif
  MergeTables();
  FillSlots(procs);
  g_active.store(impl, std::memory_order_release);
}

void EnsureChoiceMade() {
  static const bool made = (MakeDefaultChoice(true), true);
  (void)made;
}

}  // namespace

bool SelectBlendImplementation(TBlendImplementation Impl) {
  EnsureChoiceMade();
  const TBlendProcs* procs = BlendProcsFor(Impl);
  if (!procs) return false;
  std::lock_guard<std::mutex> lock(g_choiceMutex);
  FillSlots(*procs);
  g_active.store(Impl, std::memory_order_release);
  return true;
}

void SelectDefaultBlendImplementation() {
  EnsureChoiceMade();
  MakeDefaultChoice(false);
}

TBlendImplementation ActiveBlendImplementation() {
  EnsureChoiceMade();
  return static_cast<TBlendImplementation>(g_active.load(std::memory_order_acquire));
}

}  // namespace pictavia
