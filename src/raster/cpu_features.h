// Processor feature detection through CPUID and the choices of vector code it implies (with the
// PICTAVIA_SIMD override): the blending implementation and the pixel-row implementation.
#pragma once

#include <cstdint>

namespace pictavia {

enum TCpuFeature { cfMMX, cfExtendedMMX, cfSSE, cfSSE2, cf3DNow, cfExtended3DNow, cfAVX2, cfSSSE3 };

// A set of TCpuFeature values.
struct TCpuFeatures {
  uint32_t Mask = 0;
  constexpr bool Has(TCpuFeature f) const { return (Mask >> f) & 1u; }
  constexpr void Include(TCpuFeature f) { Mask |= 1u << f; }
};

// The raw identification registers the detection rules look at, so the rules can be checked
// without the processor that would produce them.
struct TCpuIdReadout {
  bool HasCpuId = false;         // the identification instruction exists (flags bit 21 toggles)
  uint32_t MaxLeaf = 0;          // leaf 0, EAX
  uint32_t Signature = 0;        // leaf 1, EAX (family in bits 8-11)
  uint32_t StandardEcx = 0;      // leaf 1, ECX
  uint32_t StandardEdx = 0;      // leaf 1, EDX: the standard feature flags
  uint32_t Leaf7Ebx = 0;         // leaf 7 sub-leaf 0, EBX
  uint32_t MaxExtendedLeaf = 0;  // leaf 0x80000000, EAX
  uint32_t ExtendedEdx = 0;      // leaf 0x80000001, EDX: the extended feature flags
  uint64_t Xcr0 = 0;  // register state the OS saves (XGETBV 0), valid when OSXSAVE is set
};

// Feature masks on the feature words.
inline constexpr uint32_t CpuMaskMMX = 0x00800000u;
inline constexpr uint32_t CpuMaskSSE = 0x02000000u;
inline constexpr uint32_t CpuMaskSSE2 = 0x04000000u;
inline constexpr uint32_t CpuMask3DNow = 0x80000000u;
inline constexpr uint32_t CpuMaskExtended3DNow = 0x40000000u;
inline constexpr uint32_t CpuMaskExtendedMMX = 0x00400000u;
inline constexpr uint32_t CpuMaskSSSE3 = 0x00000200u;  // on leaf 1 ECX

// The detection rules applied to a readout: a feature counts only when the identification
// instruction exists, the family is 5 or higher and its mask is set; the extended flags count
// only when the highest extended leaf is above 0x80000000; extended MMX comes from the SSE flag
// or else the extended flags; SSSE3 comes from leaf 1 ECX; AVX2 also needs the OS to save the AVX
// register state.
TCpuFeatures DetectCpuFeatures(const TCpuIdReadout& Readout);

// The readout of this processor (all zero off x86).
TCpuIdReadout ReadCpuId();

// This processor's features, detected once on first use.
const TCpuFeatures& CpuFeatures();
inline bool HasCpuFeature(TCpuFeature f) {
  return CpuFeatures().Has(f);
}

// The sets of blending formulas and the code that computes them. biPortable is the formula set
// of a processor without MMX; the other three compute the vector formulas (biScalar in plain C++).
enum TBlendImplementation { biPortable, biScalar, biSSE2, biAVX2 };

const char* BlendImplementationName(TBlendImplementation Impl);

// Whether this build on this processor can run the implementation.
bool BlendImplementationAvailable(TBlendImplementation Impl, const TCpuFeatures& Features);

// The start-up choice: a path named in Forced ("portable", "scalar", "sse2", "avx2", as in
// PICTAVIA_SIMD) when it is available; otherwise AVX2, else SSE2, else the vector formulas in plain
// C++ when MMX is present or the build is not for x86, else the portable formulas.
// *ForcedRejected (when given) tells whether a non-empty Forced was unknown or unavailable.
TBlendImplementation ChooseBlendImplementation(const TCpuFeatures& Features, const char* Forced,
                                               bool* ForcedRejected = nullptr);

// PICTAVIA_SIMD as the user set it; null when unset.
const char* ForcedSimd();

// The code of the pixel-row conversions outside the blending slots (the expansion of decoded
// 24-bit rows into 32-bit pixels): plain C++, or SSSE3 byte shuffles.
enum TRowImplementation { riReference, riSSSE3 };

const char* RowImplementationName(TRowImplementation Impl);

bool RowImplementationAvailable(TRowImplementation Impl, const TCpuFeatures& Features);

// The row code follows the same override as the blending: a forced portable, scalar or sse2 path
// keeps the rows to plain C++ (SSSE3 came after SSE2), so that forcing one of them measures and
// tests a processor without SSSE3; a forced avx2, no override, or one that is rejected uses SSSE3
// whenever the processor has it.
TRowImplementation ChooseRowImplementation(const TCpuFeatures& Features, const char* Forced);

}  // namespace pictavia
