// The processor feature rules on made-up identification values, and the start-up choices of
// blending and row code from features and PICTAVIA_SIMD.
#include <gtest/gtest.h>

#include "raster/cpu_features.h"

namespace pictavia {

namespace {

// A family-6 processor with MMX, SSE and SSE2 and no extended leaves.
TCpuIdReadout Pentium4Like() {
  TCpuIdReadout r;
  r.HasCpuId = true;
  r.MaxLeaf = 2;
  r.Signature = 0x00000F29;  // family 15
  r.StandardEdx = CpuMaskMMX | CpuMaskSSE | CpuMaskSSE2;
  return r;
}

}  // namespace

TEST(CpuFeatures, StandardAndExtendedFlags) {
  TCpuFeatures f = DetectCpuFeatures(Pentium4Like());
  EXPECT_TRUE(f.Has(cfMMX) && f.Has(cfSSE) && f.Has(cfSSE2));
  EXPECT_TRUE(f.Has(cfExtendedMMX));  // from the SSE flag
  EXPECT_FALSE(f.Has(cf3DNow) || f.Has(cfExtended3DNow) || f.Has(cfAVX2));

  // An MMX-only processor with the extended flags: extended MMX and 3DNow! from there, but only
  // when the highest extended leaf is above 0x80000000.
  TCpuIdReadout k6 = Pentium4Like();
  k6.Signature = 0x00000580;
  k6.StandardEdx = CpuMaskMMX;
  k6.ExtendedEdx = CpuMask3DNow | CpuMaskExtended3DNow | CpuMaskExtendedMMX;
  k6.MaxExtendedLeaf = 0x80000000u;
  f = DetectCpuFeatures(k6);
  EXPECT_TRUE(f.Has(cfMMX));
  EXPECT_FALSE(f.Has(cfExtendedMMX) || f.Has(cf3DNow) || f.Has(cfExtended3DNow));
  k6.MaxExtendedLeaf = 0x80000001u;
  f = DetectCpuFeatures(k6);
  EXPECT_TRUE(f.Has(cfExtendedMMX) && f.Has(cf3DNow) && f.Has(cfExtended3DNow));
  EXPECT_FALSE(f.Has(cfSSE));
}

TEST(CpuFeatures, SSSE3ComesFromTheStandardEcxFlags) {
  TCpuIdReadout r = Pentium4Like();
  EXPECT_FALSE(DetectCpuFeatures(r).Has(cfSSSE3));
  r.StandardEcx = CpuMaskSSSE3;
  EXPECT_TRUE(DetectCpuFeatures(r).Has(cfSSSE3));
  r.StandardEcx = ~CpuMaskSSSE3;  // no other bit stands for it
  EXPECT_FALSE(DetectCpuFeatures(r).Has(cfSSSE3));
}

TEST(CpuFeatures, NothingWithoutIdentificationOrBelowFamilyFive) {
  TCpuIdReadout r = Pentium4Like();
  r.Signature = 0x00000480;  // family 4
  EXPECT_EQ(DetectCpuFeatures(r).Mask, 0u);
  r = Pentium4Like();
  r.HasCpuId = false;
  EXPECT_EQ(DetectCpuFeatures(r).Mask, 0u);
}

TEST(CpuFeatures, AVX2NeedsTheOperatingSystemToSaveItsRegisters) {
  TCpuIdReadout r = Pentium4Like();
  r.MaxLeaf = 7;
  r.Leaf7Ebx = 1u << 5;
  r.StandardEcx = (1u << 27) | (1u << 28);
  r.Xcr0 = 0x7;
  EXPECT_TRUE(DetectCpuFeatures(r).Has(cfAVX2));
  r.Xcr0 = 0x3;  // upper register halves not saved
  EXPECT_FALSE(DetectCpuFeatures(r).Has(cfAVX2));
  r.Xcr0 = 0x7;
  r.MaxLeaf = 6;
  EXPECT_FALSE(DetectCpuFeatures(r).Has(cfAVX2));
}

TEST(CpuFeatures, ChoiceOfImplementation) {
  TCpuFeatures all;
  for (TCpuFeature f : {cfMMX, cfExtendedMMX, cfSSE, cfSSE2, cfAVX2}) all.Include(f);
  TCpuFeatures sse2 = all;
  sse2.Mask &= ~(1u << cfAVX2);
  bool rejected = true;
#if defined(__x86_64__) || defined(__i386__)
  EXPECT_EQ(ChooseBlendImplementation(all, nullptr, &rejected), biAVX2);
  EXPECT_FALSE(rejected);
  EXPECT_EQ(ChooseBlendImplementation(sse2, "", &rejected), biSSE2);
  EXPECT_EQ(ChooseBlendImplementation(all, "sse2", &rejected), biSSE2);
  EXPECT_EQ(ChooseBlendImplementation(sse2, "avx2", &rejected), biSSE2);  // not on this processor
  EXPECT_TRUE(rejected);
  TCpuFeatures mmxOnly;
  mmxOnly.Include(cfMMX);
  EXPECT_EQ(ChooseBlendImplementation(mmxOnly, nullptr), biScalar);
  EXPECT_EQ(ChooseBlendImplementation(TCpuFeatures{}, nullptr), biPortable);
#endif
  EXPECT_EQ(ChooseBlendImplementation(all, "scalar", &rejected), biScalar);
  EXPECT_FALSE(rejected);
  EXPECT_EQ(ChooseBlendImplementation(all, "portable"), biPortable);
  ChooseBlendImplementation(all, "SSE2", &rejected);  // names are exact
  EXPECT_TRUE(rejected);
}

TEST(CpuFeatures, ChoiceOfRowCodeFollowsTheBlendingOverride) {
  TCpuFeatures all;
  for (TCpuFeature f : {cfMMX, cfExtendedMMX, cfSSE, cfSSE2, cfSSSE3, cfAVX2}) all.Include(f);
  TCpuFeatures noAvx2 = all;
  noAvx2.Mask &= ~(1u << cfAVX2);
  TCpuFeatures noSsse3 = all;
  noSsse3.Mask &= ~(1u << cfSSSE3);
#if defined(__x86_64__) || defined(__i386__)
  // No override: SSSE3 whenever there, also where the blending gets no further than SSE2.
  EXPECT_EQ(ChooseRowImplementation(all, nullptr), riSSSE3);
  EXPECT_EQ(ChooseRowImplementation(noAvx2, ""), riSSSE3);
  EXPECT_EQ(ChooseRowImplementation(all, "avx2"), riSSSE3);
  // An override the processor cannot follow is ignored, as for the blending.
  EXPECT_EQ(ChooseRowImplementation(noAvx2, "avx2"), riSSSE3);
  EXPECT_EQ(ChooseRowImplementation(all, "sse3"), riSSSE3);
  EXPECT_TRUE(RowImplementationAvailable(riSSSE3, all));
#else
  EXPECT_EQ(ChooseRowImplementation(all, nullptr), riReference);
#endif
  // The narrower blending paths keep the rows to plain C++.
  for (const char* narrower : {"sse2", "scalar", "portable"})
    EXPECT_EQ(ChooseRowImplementation(all, narrower), riReference) << narrower;
  EXPECT_EQ(ChooseRowImplementation(noSsse3, nullptr), riReference);
  EXPECT_EQ(ChooseRowImplementation(noSsse3, "avx2"), riReference);
  EXPECT_FALSE(RowImplementationAvailable(riSSSE3, noSsse3));
  EXPECT_TRUE(RowImplementationAvailable(riReference, TCpuFeatures{}));
}

TEST(CpuFeatures, ThisProcessor) {
#if defined(__x86_64__)
  const TCpuFeatures& f = CpuFeatures();
  EXPECT_TRUE(f.Has(cfMMX) && f.Has(cfSSE2) && f.Has(cfExtendedMMX));
  EXPECT_TRUE(BlendImplementationAvailable(biSSE2, f));
#else
  GTEST_SKIP() << "x86-64 only";
#endif
}

}  // namespace pictavia
