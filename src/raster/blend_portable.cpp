// The portable blending formulas: what a processor without MMX computes, two channels per
// 32-bit multiplication, with shortcuts for weights 0 and 255.
#include "raster/internal/blend_kernels.h"

namespace pictavia {

namespace blendkernels {
namespace {

TColor32 PortableMixValue(TColor32 X, TColor32 Y, TColor32 W) {
  W = ClampWeight(W);
  if (W == 0) return Y;
  if (W == 255) return X;
  return PortableMix(X, Y, W);
}

void PortableMixInto(TColor32 X, TColor32& Y, TColor32 W) {
  Y = PortableMixValue(X, Y, W);
}

void PortableMixRun(const TColor32* Src, TColor32* Dst, int Count, TColor32 W) {
  for (int i = 0; i < Count; ++i) PortableMixInto(Src[i], Dst[i], W);
}

TColor32 PortableBlendValue(TColor32 F, TColor32 B) {
  return PortableMixValue(F, B, F >> 24);
}

void PortableBlendInto(TColor32 F, TColor32& B) {
  B = PortableMixValue(F, B, F >> 24);
}

void PortableBlendRun(const TColor32* Src, TColor32* Dst, int Count) {
  for (int i = 0; i < Count; ++i) PortableBlendInto(Src[i], Dst[i]);
}

// Colour only: the alpha byte of a changed pixel is 0.
TColor32 PortableBlendValueMaster(TColor32 F, TColor32 B, TColor32 M) {
  const uint32_t a = F >> 24;
  if (a == 0) return B;
  const uint32_t w = ((ClampWeight(M) + 1) * a) >> 8;
  if (w == 0) return B;
  return (PortableTerm(F, w) + PortableTerm(B, 255 - w)) & 0x00FFFFFFu;
}

void PortableBlendIntoMaster(TColor32 F, TColor32& B, TColor32 M) {
  B = PortableBlendValueMaster(F, B, M);
}

void PortableBlendRunMaster(const TColor32* Src, TColor32* Dst, int Count, TColor32 M) {
  for (int i = 0; i < Count; ++i) PortableBlendIntoMaster(Src[i], Dst[i], M);
}

}  // namespace

const TBlendProcs* PortableBlendProcs() {
  static constinit const TBlendProcs procs = {
      PortableMixValue,
      PortableMixInto,
      PortableMixRun,
      PortableBlendValue,
      PortableBlendInto,
      PortableBlendRun,
      PortableBlendValueMaster,
      PortableBlendIntoMaster,
      PortableBlendRunMaster,
      CompositeValuePortable,
      CompositeIntoPortable,
      CompositeRunPortable,
      CompositeValueMasterPortable,
      CompositeIntoMasterPortable,
      CompositeRunMasterPortable,
      ChannelAddAll,
      ChannelSubtractAll,
      ChannelDivideAll,
      ChannelMultiplyAll,
      ChannelMaxAll,
      ChannelMinAll,
      ChannelDifferenceAll,
      ChannelAveragePortable,
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

}  // namespace pictavia
