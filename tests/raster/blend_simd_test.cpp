// Every SIMD path against the plain C++ reference of the vector formulas, byte for byte: run
// lengths 0..130 at every alignment, three pixel mixes, guard pixels, and the single-pixel forms.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <sstream>
#include <vector>

#include "raster/blend.h"

namespace pictavia {

namespace {

enum TMix { mxOpaque, mxText, mxRandomAlpha };
const char* const kMixNames[] = {"opaque", "text-like", "random alpha"};

// Opaque photo pixels; text-like pixels, mostly alpha 0 or 255 with some edge values; or any alpha.
TColor32 RandomPixel(std::mt19937& rng, TMix mix) {
  const TColor32 colour = rng() & 0x00FFFFFFu;
  uint32_t alpha = rng() & 0xFF;
  if (mix == mxOpaque) alpha = 255;
  if (mix == mxText) {
    const uint32_t r = rng() % 16;
    alpha = r < 7 ? 0 : (r < 14 ? 255 : alpha);
  }
  return colour | (alpha << 24);
}

std::vector<TBlendImplementation> SimdPaths() {
  std::vector<TBlendImplementation> result;
  for (TBlendImplementation impl : {biSSE2, biAVX2})
    if (BlendProcsFor(impl)) result.push_back(impl);
  return result;
}

// Runs Op(procs, src, dst, count, param) on the reference and on every SIMD path over lengths
// 0..130, destination offsets 0..7 and source offsets 0..3 pixels from a 64-byte boundary, with
// guard pixels around the run; reports the first difference with its whole case.
using TRunOp = std::function<void(const TBlendProcs&, const TColor32*, TColor32*, int, uint32_t)>;

void CompareRuns(const char* name, const std::vector<uint32_t>& params, const TRunOp& op) {
  constexpr int kGuard = 9, kMaxLength = 130, kSize = kGuard + 8 + kMaxLength + kGuard;
  const TBlendProcs& ref = *BlendProcsFor(biScalar);
  std::vector<TColor32> srcStore(kSize + 16), dstStore(kSize + 16), expStore(kSize + 16);
  auto aligned = [](std::vector<TColor32>& v) {
    const uintptr_t p = reinterpret_cast<uintptr_t>(v.data());
    return v.data() + ((64 - (p & 63)) & 63) / sizeof(TColor32);
  };
  TColor32* const src = aligned(srcStore);
  TColor32* const dst = aligned(dstStore);
  TColor32* const expected = aligned(expStore);

  for (TBlendImplementation impl : SimdPaths()) {
    const TBlendProcs& procs = *BlendProcsFor(impl);
    std::mt19937 rng(12345);
    for (TMix mix : {mxOpaque, mxText, mxRandomAlpha}) {
      for (int length = 0; length <= kMaxLength; ++length) {
        for (int dstOffset = 0; dstOffset < 8; ++dstOffset) {
          for (int srcOffset = 0; srcOffset < 4; ++srcOffset) {
            const uint32_t param = params[(length + dstOffset + srcOffset) % params.size()];
            for (int i = 0; i < kSize; ++i) {
              src[i] = RandomPixel(rng, mix);
              dst[i] = expected[i] = RandomPixel(rng, mxRandomAlpha);
            }
            op(ref, src + kGuard + srcOffset, expected + kGuard + dstOffset, length, param);
            op(procs, src + kGuard + srcOffset, dst + kGuard + dstOffset, length, param);
            for (int i = 0; i < kSize; ++i) {
              if (dst[i] == expected[i]) continue;
              const int at = i - kGuard - dstOffset;
              std::ostringstream msg;
              msg << name << " on " << BlendImplementationName(impl) << ", " << kMixNames[mix]
                  << " pixels, length " << length << ", param " << param << ", dst offset "
                  << dstOffset << ", src offset " << srcOffset << ": pixel " << at
                  << (at < 0 || at >= length ? " (guard)" : "") << std::hex << " src 0x"
                  << (at >= 0 && at < length ? src[kGuard + srcOffset + at] : 0) << " expected 0x"
                  << expected[i] << " got 0x" << dst[i];
              FAIL() << msg.str();
            }
          }
        }
      }
    }
  }
}

}  // namespace

TEST(BlendSimd, RunFormsEqualTheReference) {
  if (SimdPaths().empty()) GTEST_SKIP() << "no SIMD path on this machine";
  CompareRuns("BlendRun", {0},
              [](const TBlendProcs& p, const TColor32* s, TColor32* d, int n, uint32_t) {
                p.BlendRun(s, d, n);
              });
  CompareRuns("BlendRunMaster", {1, 2, 77, 128, 254, 255, 256},
              [](const TBlendProcs& p, const TColor32* s, TColor32* d, int n, uint32_t m) {
                p.BlendRunMaster(s, d, n, m);
              });
  CompareRuns("MixRun", {0, 1, 100, 128, 254, 255, 999},
              [](const TBlendProcs& p, const TColor32* s, TColor32* d, int n, uint32_t w) {
                p.MixRun(s, d, n, w);
              });
  CompareRuns("CompositeRunMaster", {0, 90, 255},
              [](const TBlendProcs& p, const TColor32* s, TColor32* d, int n, uint32_t m) {
                p.CompositeRunMaster(s, d, n, m);
              });
  CompareRuns("FillWords32", {0x00000000u, 0xFFFFFFFFu, 0x80123456u},
              [](const TBlendProcs& p, const TColor32*, TColor32* d, int n, uint32_t v) {
                p.FillWords32(d, n, v);
              });
}

TEST(BlendSimd, LongRunsEqualTheReference) {
  const TBlendProcs& ref = *BlendProcsFor(biScalar);
  std::mt19937 rng(99);
  for (TBlendImplementation impl : SimdPaths()) {
    const TBlendProcs& p = *BlendProcsFor(impl);
    for (TMix mix : {mxOpaque, mxText, mxRandomAlpha}) {
      std::vector<TColor32> src(5000), dst(5000);
      for (size_t i = 0; i < src.size(); ++i) {
        src[i] = RandomPixel(rng, mix);
        dst[i] = RandomPixel(rng, mxRandomAlpha);
      }
      std::vector<TColor32> a = dst, b = dst;
      ref.BlendRun(src.data() + 1, a.data() + 3, 4993);
      p.BlendRun(src.data() + 1, b.data() + 3, 4993);
      ASSERT_EQ(a, b) << BlendImplementationName(impl) << " " << kMixNames[mix];
      ref.BlendRunMaster(src.data(), a.data(), 5000, 200);
      p.BlendRunMaster(src.data(), b.data(), 5000, 200);
      ASSERT_EQ(a, b) << BlendImplementationName(impl) << " " << kMixNames[mix];
    }
  }
}

TEST(BlendSimd, SinglePixelFormsEqualTheReference) {
  const TBlendProcs& ref = *BlendProcsFor(biScalar);
  for (TBlendImplementation impl : SimdPaths()) {
    SCOPED_TRACE(BlendImplementationName(impl));
    const TBlendProcs& p = *BlendProcsFor(impl);
    std::mt19937 rng(7);
    for (int i = 0; i < 200000; ++i) {
      const TColor32 f = RandomPixel(rng, TMix(i % 3)), b = RandomPixel(rng, mxRandomAlpha);
      const uint32_t w = rng() % 300;
      ASSERT_EQ(p.MixValue(f, b, w), ref.MixValue(f, b, w))
          << std::hex << f << " " << b << " " << w;
      ASSERT_EQ(p.BlendValue(f, b), ref.BlendValue(f, b)) << std::hex << f << " " << b;
      ASSERT_EQ(p.BlendValueMaster(f, b, w), ref.BlendValueMaster(f, b, w))
          << std::hex << f << " " << b << " " << w;
      TColor32 x = b, y = b;
      p.MixInto(f, x, w);
      ref.MixInto(f, y, w);
      ASSERT_EQ(x, y);
      p.BlendInto(f, x);
      ref.BlendInto(f, y);
      ASSERT_EQ(x, y);
      p.BlendIntoMaster(f, x, w);
      ref.BlendIntoMaster(f, y, w);
      ASSERT_EQ(x, y);
    }
  }
}

TEST(BlendSimd, ResamplerHelpersEqualTheReference) {
  const TBlendProcs& ref = *BlendProcsFor(biScalar);
  for (TBlendImplementation impl : SimdPaths()) {
    SCOPED_TRACE(BlendImplementationName(impl));
    const TBlendProcs& p = *BlendProcsFor(impl);
    std::mt19937 rng(3);
    std::vector<TColor32> picture(40 * 40);
    for (TColor32& c : picture) c = rng();
    for (int i = 0; i < 20000; ++i) {
      const int w = int(rng() % 12), h = int(rng() % 12), x = int(rng() % 28), y = int(rng() % 28);
      const TColor32* at = picture.data() + y * 40 + x;
      ASSERT_EQ(p.BlockAverage(w, h, at, 40), ref.BlockAverage(w, h, at, 40)) << w << "x" << h;
      const uint32_t wx = rng() % 300, wy = rng() % 300;
      ASSERT_EQ(p.LinearInterpolator(wx, wy, at, at + 40),
                ref.LinearInterpolator(wx, wy, at, at + 40))
          << wx << " " << wy;
      const uint32_t fx = rng(), fy = rng();
      ASSERT_EQ(p.BilinearFetch(at[0], at[1], at[40], at[41], fx, fy),
                ref.BilinearFetch(at[0], at[1], at[40], at[41], fx, fy));
    }
    // 20 million pixels (one row read again through stride 0): sums beyond 32 bits.
    std::vector<TColor32> row(4096, 0xFFFFFFFFu);
    row[0] = 0x00000000u;
    EXPECT_EQ(p.BlockAverage(4096, 5000, row.data(), 0), 0xFFFFFFFFu);
  }
}

}  // namespace pictavia
