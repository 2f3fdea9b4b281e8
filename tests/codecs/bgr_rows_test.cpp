// The row expansion of decoded pixels: the reference against the per-pixel formula, and every
// vector path against the reference over row lengths 0..130 at every misalignment, with the
// input ending exactly at its allocation (so a read past the row shows under the sanitizer) and
// guard pixels around the output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "codecs/internal/bgr_rows.h"

namespace pictavia {

namespace {

constexpr int kMaxLength = 130;
constexpr int kGuard = 9;
constexpr uint32_t kGuardPixel = 0x5A5A5A5Au;

// Row cases: every length with the input 0..15 bytes past a 16-byte boundary and the output
// 0..7 pixels past a 64-byte boundary, both fourth bytes. Run(In, Out, Count, Fourth) fills
// Out[0..Count); Check(Out, Count, Fourth, Case) judges it.
template <class Run, class Check>
void ForEveryRow(Run&& run, Check&& check) {
  std::mt19937 rng(2024);
  std::vector<uint32_t> outStore(kGuard + 8 + kMaxLength + kGuard + 16);
  const uintptr_t p = reinterpret_cast<uintptr_t>(outStore.data());
  uint32_t* const outBase = outStore.data() + ((64 - (p & 63)) & 63) / sizeof(uint32_t);
  for (int length = 0; length <= kMaxLength; ++length) {
    for (int inOffset = 0; inOffset < 16; ++inOffset) {
      // new[] gives at least 16-byte alignment; the row is the last thing in the block.
      const size_t bytes = static_cast<size_t>(inOffset + 3 * length);
      std::unique_ptr<uint8_t[]> in(new uint8_t[bytes > 0 ? bytes : 1]);
      for (size_t i = 0; i < bytes; ++i) in[i] = static_cast<uint8_t>(rng());
      for (int outOffset = 0; outOffset < 8; ++outOffset) {
        for (uint32_t fourth : {0u, 0xFF000000u}) {
          std::fill(outStore.begin(), outStore.end(), kGuardPixel);
          uint32_t* const out = outBase + kGuard + outOffset;
          run(in.get() + inOffset, out, length, fourth);
          std::ostringstream where;
          where << "length " << length << ", input offset " << inOffset << ", output offset "
                << outOffset << ", fourth 0x" << std::hex << fourth;
          for (int i = -kGuard; i < 0; ++i)
            ASSERT_EQ(out[i], kGuardPixel) << "guard before the row, " << where.str();
          for (int i = length; i < length + kGuard; ++i)
            ASSERT_EQ(out[i], kGuardPixel) << "guard after the row, " << where.str();
          check(in.get() + inOffset, out, length, fourth, where.str());
          if (::testing::Test::HasFatalFailure()) return;
        }
      }
    }
  }
}

}  // namespace

TEST(BgrRows, ReferenceIsThePerPixelFormula) {
  ForEveryRow(ExpandBgrRowReference, [](const uint8_t* In, const uint32_t* Out, int Count,
                                        uint32_t Fourth, const std::string& Where) {
    for (int x = 0; x < Count; ++x) {
      const uint8_t* px = In + 3 * x;
      const uint32_t want = px[0] | (px[1] << 8) | (uint32_t{px[2]} << 16) | Fourth;
      ASSERT_EQ(Out[x], want) << "pixel " << x << ", " << Where;
    }
  });
}

TEST(BgrRows, VectorPathsEqualTheReference) {
  std::vector<TRowImplementation> paths;
  for (TRowImplementation impl : {riSSSE3})
    if (ExpandBgrRowProcFor(impl)) paths.push_back(impl);
  if (paths.empty()) GTEST_SKIP() << "no vector row code runs on this processor";
  for (TRowImplementation impl : paths) {
    SCOPED_TRACE(RowImplementationName(impl));
    const TExpandBgrRowProc vector = ExpandBgrRowProcFor(impl);
    std::vector<uint32_t> expected(kMaxLength);
    ForEveryRow(vector, [&](const uint8_t* In, const uint32_t* Out, int Count, uint32_t Fourth,
                            const std::string& Where) {
      ExpandBgrRowReference(In, expected.data(), Count, Fourth);
      for (int x = 0; x < Count; ++x)
        ASSERT_EQ(Out[x], expected[static_cast<size_t>(x)]) << "pixel " << x << ", " << Where;
    });
  }
}

TEST(BgrRows, TheDispatchedCallRunsTheChosenCode) {
  // The choice for this processor and PICTAVIA_SIMD always has code here.
  ASSERT_NE(ExpandBgrRowProcFor(ChooseRowImplementation(CpuFeatures(), ForcedSimd())), nullptr);
  std::vector<uint8_t> in(3 * 37);
  for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<uint8_t>(i * 7 + 1);
  std::vector<uint32_t> viaChoice(37), viaReference(37);
  ExpandBgrRow(in.data(), viaChoice.data(), 37, 0xFF000000u);
  ExpandBgrRowReference(in.data(), viaReference.data(), 37, 0xFF000000u);
  EXPECT_EQ(viaChoice, viaReference);
}

}  // namespace pictavia
