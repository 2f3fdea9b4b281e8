// The merge tables (product and quotient by 255) and the merge family built on them: source over
// destination for colours that are both partly transparent and not premultiplied.
#include "raster/internal/blend_kernels.h"

namespace pictavia {

namespace {

// round(N / D) to nearest, ties to even, for N >= 0 and D > 0.
uint32_t RoundedQuotient(uint32_t N, uint32_t D) {
  uint32_t q = N / D;
  const uint32_t r2 = 2 * (N % D);
  if (r2 > D || (r2 == D && (q & 1))) ++q;
  return q;
}

void FillMergeTables(TMergeTables& T) {
  for (uint32_t a = 0; a < 256; ++a) {
    for (uint32_t x = 0; x < 256; ++x) {
      T.P[a][x] = static_cast<uint8_t>(RoundedQuotient(x * a, 255));
      // Values above 255 keep their low 8 bits; the merge never asks for them.
      T.Q[a][x] = a == 0 ? 0 : static_cast<uint8_t>(RoundedQuotient(x * 255, a) & 0xFF);
    }
  }
}

template <bool Vector>
TColor32 BlendOntoOpaque(TColor32 F, TColor32 B, uint32_t Fa) {
  using namespace blendkernels;
  if (Vector) return VectorMix(F, B, Fa);
  if (Fa == 255) return F;
  return PortableMix(F, B, Fa);
}

template <bool Vector>
TColor32 Merge(TColor32 F, TColor32 B, const TMergeTables& T) {
  const uint32_t fa = F >> 24;
  if (fa == 0) return B;
  const uint32_t ba = B >> 24;
  if (ba == 255) return BlendOntoOpaque<Vector>(F, B, fa) | 0xFF000000u;
  if (fa == 255 || ba == 0) return F;

  const uint32_t ra = fa + ba - T.P[ba][fa];
  const uint8_t* pf = T.P[fa];
  const uint8_t* pb = T.P[ba];
  const uint8_t* q = T.Q[ra];
  TColor32 result = ra << 24;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t fc = (F >> shift) & 0xFF;
    const uint32_t bw = pb[(B >> shift) & 0xFF];
    // T stays within 0..255: it lies between the weighted background and the foreground channel.
    const uint32_t t = fc >= bw ? bw + pf[fc - bw] : bw - pf[bw - fc];
    result |= static_cast<TColor32>(q[t]) << shift;
  }
  return result;
}

// F with its alpha scaled by the master alpha (above 255 acts as 255).
TColor32 WithMasterAlpha(TColor32 F, TColor32 M, const TMergeTables& T) {
  const uint32_t m = blendkernels::ClampWeight(M);
  return (F & 0x00FFFFFFu) | (static_cast<TColor32>(T.P[m][F >> 24]) << 24);
}

template <bool Vector>
TColor32 MergeValue(TColor32 F, TColor32 B) {
  return Merge<Vector>(F, B, MergeTables());
}

template <bool Vector>
void MergeInto(TColor32 F, TColor32& B) {
  B = Merge<Vector>(F, B, MergeTables());
}

template <bool Vector>
void MergeRun(const TColor32* Src, TColor32* Dst, int Count) {
  if (Count <= 0) return;
  const TMergeTables& t = MergeTables();
  for (int i = 0; i < Count; ++i) Dst[i] = Merge<Vector>(Src[i], Dst[i], t);
}

template <bool Vector>
TColor32 MergeValueMaster(TColor32 F, TColor32 B, TColor32 M) {
  const TMergeTables& t = MergeTables();
  return Merge<Vector>(WithMasterAlpha(F, M, t), B, t);
}

template <bool Vector>
void MergeIntoMaster(TColor32 F, TColor32& B, TColor32 M) {
  B = MergeValueMaster<Vector>(F, B, M);
}

template <bool Vector>
void MergeRunMaster(const TColor32* Src, TColor32* Dst, int Count, TColor32 M) {
  if (Count <= 0) return;
  const TMergeTables& t = MergeTables();
  for (int i = 0; i < Count; ++i) Dst[i] = Merge<Vector>(WithMasterAlpha(Src[i], M, t), Dst[i], t);
}

}  // namespace

const TMergeTables& MergeTables() {
  // Plain static storage, filled once and never destroyed, so a blend during exit still works.
  static TMergeTables tables;
  static const bool filled = (FillMergeTables(tables), true);
  (void)filled;
  return tables;
}

namespace blendkernels {

TColor32 CompositeValueVector(TColor32 F, TColor32 B) {
  return MergeValue<true>(F, B);
}
void CompositeIntoVector(TColor32 F, TColor32& B) {
  MergeInto<true>(F, B);
}
void CompositeRunVector(const TColor32* Src, TColor32* Dst, int Count) {
  MergeRun<true>(Src, Dst, Count);
}
TColor32 CompositeValueMasterVector(TColor32 F, TColor32 B, TColor32 M) {
  return MergeValueMaster<true>(F, B, M);
}
void CompositeIntoMasterVector(TColor32 F, TColor32& B, TColor32 M) {
  MergeIntoMaster<true>(F, B, M);
}
void CompositeRunMasterVector(const TColor32* Src, TColor32* Dst, int Count, TColor32 M) {
  MergeRunMaster<true>(Src, Dst, Count, M);
}

TColor32 CompositeValuePortable(TColor32 F, TColor32 B) {
  return MergeValue<false>(F, B);
}
void CompositeIntoPortable(TColor32 F, TColor32& B) {
  MergeInto<false>(F, B);
}
void CompositeRunPortable(const TColor32* Src, TColor32* Dst, int Count) {
  MergeRun<false>(Src, Dst, Count);
}
TColor32 CompositeValueMasterPortable(TColor32 F, TColor32 B, TColor32 M) {
  return MergeValueMaster<false>(F, B, M);
}
void CompositeIntoMasterPortable(TColor32 F, TColor32& B, TColor32 M) {
  MergeIntoMaster<false>(F, B, M);
}
void CompositeRunMasterPortable(const TColor32* Src, TColor32* Dst, int Count, TColor32 M) {
  MergeRunMaster<false>(Src, Dst, Count, M);
}

}  // namespace blendkernels

}  // namespace pictavia
