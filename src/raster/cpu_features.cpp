// Processor feature detection through CPUID and the start-up choices of blending and row code.
#include "raster/cpu_features.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define PICTAVIA_X86 1
#endif

namespace pictavia {

namespace {

constexpr uint32_t kOSXSAVE = 1u << 27;  // leaf 1 ECX
constexpr uint32_t kAVX = 1u << 28;      // leaf 1 ECX
constexpr uint32_t kAVX2 = 1u << 5;      // leaf 7 EBX
constexpr uint64_t kXmmYmmState = 0x6;   // XCR0: SSE and AVX register state saved by the OS

bool BuildHasX86Code() {
#ifdef PICTAVIA_X86
  return true;
#else
  return false;
#endif
}

}  // namespace

TCpuFeatures DetectCpuFeatures(const TCpuIdReadout& R) {
  TCpuFeatures f;
  if (!R.HasCpuId) return f;
  const uint32_t family = (R.Signature >> 8) & 0xF;
  if (family < 5) return f;

  if (R.StandardEdx & CpuMaskMMX) f.Include(cfMMX);
  if (R.StandardEdx & CpuMaskSSE) f.Include(cfSSE);
  if (R.StandardEdx & CpuMaskSSE2) f.Include(cfSSE2);
  if (R.StandardEcx & CpuMaskSSSE3) f.Include(cfSSSE3);

  const bool extended = R.MaxExtendedLeaf > 0x80000000u;
  if (extended && (R.ExtendedEdx & CpuMask3DNow)) f.Include(cf3DNow);
  if (extended && (R.ExtendedEdx & CpuMaskExtended3DNow)) f.Include(cfExtended3DNow);
  if ((R.StandardEdx & CpuMaskSSE) || (extended && (R.ExtendedEdx & CpuMaskExtendedMMX)))
    f.Include(cfExtendedMMX);

  const bool osSavesYmm = (R.StandardEcx & kOSXSAVE) && (R.StandardEcx & kAVX) &&
                          (R.Xcr0 & kXmmYmmState) == kXmmYmmState;
  if (osSavesYmm && R.MaxLeaf >= 7 && (R.Leaf7Ebx & kAVX2)) f.Include(cfAVX2);
  return f;
}

TCpuIdReadout ReadCpuId() {
  TCpuIdReadout r;
#ifdef PICTAVIA_X86
  // On 32-bit x86 this also tests that flags bit 21 can be toggled; x86-64 always has CPUID.
  r.MaxLeaf = __get_cpuid_max(0, nullptr);
  r.HasCpuId = r.MaxLeaf != 0;
  if (!r.HasCpuId) return r;
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(1, &a, &b, &c, &d)) {
    r.Signature = a;
    r.StandardEcx = c;
    r.StandardEdx = d;
  }
  if (r.MaxLeaf >= 7 && __get_cpuid_count(7, 0, &a, &b, &c, &d)) r.Leaf7Ebx = b;
  r.MaxExtendedLeaf = __get_cpuid_max(0x80000000u, nullptr);
  if (r.MaxExtendedLeaf > 0x80000000u && __get_cpuid(0x80000001u, &a, &b, &c, &d))
    r.ExtendedEdx = d;
  if (r.StandardEcx & kOSXSAVE) {
    uint32_t lo = 0, hi = 0;
    // XGETBV by its encoding, so this file needs no -mxsave.
    __asm__ volatile(".byte 0x0f, 0x01, 0xd0" : "=a"(lo), "=d"(hi) : "c"(0));
    r.Xcr0 = (static_cast<uint64_t>(hi) << 32) | lo;
  }
#endif
  return r;
}

const TCpuFeatures& CpuFeatures() {
  static const TCpuFeatures features = DetectCpuFeatures(ReadCpuId());
  return features;
}

const char* BlendImplementationName(TBlendImplementation Impl) {
  switch (Impl) {
    case biPortable:
      return "portable";
    case biScalar:
      return "scalar";
    case biSSE2:
      return "sse2";
    case biAVX2:
      return "avx2";
  }
  return "unknown";
}

bool BlendImplementationAvailable(TBlendImplementation Impl, const TCpuFeatures& Features) {
  switch (Impl) {
    case biPortable:
    case biScalar:
      return true;
    case biSSE2:
      return BuildHasX86Code() && Features.Has(cfSSE2);
    case biAVX2:
      return BuildHasX86Code() && Features.Has(cfAVX2);
  }
  return false;
}

TBlendImplementation ChooseBlendImplementation(const TCpuFeatures& Features, const char* Forced,
                                               bool* ForcedRejected) {
  if (ForcedRejected) *ForcedRejected = false;
  if (Forced && *Forced) {
    for (TBlendImplementation impl : {biPortable, biScalar, biSSE2, biAVX2}) {
      if (std::strcmp(Forced, BlendImplementationName(impl)) == 0 &&
          BlendImplementationAvailable(impl, Features))
        return impl;
    }
    if (ForcedRejected) *ForcedRejected = true;
  }
  if (BlendImplementationAvailable(biAVX2, Features)) return biAVX2;
  if (BlendImplementationAvailable(biSSE2, Features)) return biSSE2;
  if (!BuildHasX86Code() || Features.Has(cfMMX)) return biScalar;
  return biPortable;
}

const char* ForcedSimd() {
  return std::getenv("PICTAVIA_SIMD");
}

const char* RowImplementationName(TRowImplementation Impl) {
  switch (Impl) {
    case riReference:
      return "reference";
    case riSSSE3:
      return "ssse3";
  }
  return "unknown";
}

bool RowImplementationAvailable(TRowImplementation Impl, const TCpuFeatures& Features) {
  switch (Impl) {
    case riReference:
      return true;
    case riSSSE3:
      return BuildHasX86Code() && Features.Has(cfSSSE3);
  }
  return false;
}

TRowImplementation ChooseRowImplementation(const TCpuFeatures& Features, const char* Forced) {
  bool rejected = false;
  const TBlendImplementation blend = ChooseBlendImplementation(Features, Forced, &rejected);
  const bool forcedNarrower = Forced && *Forced && !rejected && blend != biAVX2;
  if (!forcedNarrower && RowImplementationAvailable(riSSSE3, Features)) return riSSSE3;
  return riReference;
}

}  // namespace pictavia
