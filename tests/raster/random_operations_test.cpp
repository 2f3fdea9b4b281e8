// A seeded run of random blends, fills, lines, frames, stretches and block transfers with random
// clips and draw modes, hashed after every step: every vector path must give the same hashes,
// and the direct blend calls of every path must equal the formulas computed here.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "raster/blend.h"
#include "raster/resamplers.h"
#include "raster/transfers.h"

namespace pictavia {

namespace {

// ---------------------------------------------------------------------------------------------
// The blending formulas, one channel at a time.

uint32_t Ch(TColor32 c, int i) {
  return (c >> (8 * i)) & 0xFF;
}

template <class F>
TColor32 PerChannel(int channels, F f) {
  TColor32 r = 0;
  for (int i = 0; i < channels; ++i) r |= (f(i) & 0xFF) << (8 * i);
  return r;
}

TColor32 VectorKernel(TColor32 X, TColor32 Y, uint32_t W) {
  return PerChannel(4, [&](int i) { return (W * Ch(X, i) + (256 - W) * Ch(Y, i) + 128) >> 8; });
}

TColor32 PortableKernel(TColor32 X, TColor32 Y, uint32_t W, int channels = 4) {
  return PerChannel(channels, [&](int i) {
    return ((W * Ch(X, i) + 128) >> 8) + (((255 - W) * Ch(Y, i) + 128) >> 8);
  });
}

uint32_t Clamp255(uint32_t v) {
  return v > 255 ? 255 : v;
}

// The formulas of one formula set: the vector one (scalar, SSE2, AVX2) or the portable one.
struct TFormulas {
  bool vector;

  TColor32 Kernel(TColor32 X, TColor32 Y, uint32_t W) const {
    return vector ? VectorKernel(X, Y, W) : PortableKernel(X, Y, W);
  }
  TColor32 MixValue(TColor32 X, TColor32 Y, uint32_t W) const {
    W = Clamp255(W);
    if (vector) return VectorKernel(X, Y, W);
    return W == 0 ? Y : (W == 255 ? X : PortableKernel(X, Y, W));
  }
  TColor32 MixInto(TColor32 X, TColor32 Y, uint32_t W) const {
    W = Clamp255(W);
    return W == 0 ? Y : (W == 255 ? X : Kernel(X, Y, W));
  }
  TColor32 BlendValue(TColor32 F, TColor32 B) const {
    if (vector) return VectorKernel(F, B, F >> 24);
    return BlendInto(F, B);
  }
  TColor32 BlendInto(TColor32 F, TColor32 B) const {
    const uint32_t a = F >> 24;
    return a == 0 ? B : (a == 255 ? F : Kernel(F, B, a));
  }
  TColor32 BlendValueMaster(TColor32 F, TColor32 B, uint32_t M) const {
    const uint32_t a = F >> 24;
    if (a == 0) return B;
    const uint32_t w = ((Clamp255(M) + 1) * a) >> 8;
    if (w == 0) return B;
    return vector ? VectorKernel(F, B, w) : PortableKernel(F, B, w, 3);
  }
  TColor32 BlendRunMasterPixel(TColor32 F, TColor32 B, uint32_t M) const {
    if (!vector) return BlendValueMaster(F, B, M);
    M = Clamp255(M);
    const uint32_t w = (((F >> 24) + 1) * M) >> 8;
    return w == 0 ? B : VectorKernel(F, B, w);
  }
  TColor32 CompositeValue(TColor32 F, TColor32 B) const {
    const TMergeTables& t = MergeTables();
    const uint32_t fa = F >> 24, ba = B >> 24;
    if (fa == 0) return B;
    if (ba == 255) {
      const TColor32 c =
          vector ? VectorKernel(F, B, fa) : (fa == 255 ? F : PortableKernel(F, B, fa));
      return c | 0xFF000000u;
    }
    if (fa == 255 || ba == 0) return F;
    const uint32_t ra = fa + ba - t.P[ba][fa];
    return (ra << 24) | PerChannel(3, [&](int i) -> uint32_t {
             const int bw = t.P[ba][Ch(B, i)];
             const int d = static_cast<int>(Ch(F, i)) - bw;
             const int tt = d >= 0 ? bw + t.P[fa][d] : bw - t.P[fa][-d];
             return t.Q[ra][tt];
           });
  }
  TColor32 CompositeValueMaster(TColor32 F, TColor32 B, uint32_t M) const {
    const TColor32 f =
        (F & 0x00FFFFFFu) | (static_cast<TColor32>(MergeTables().P[Clamp255(M)][F >> 24]) << 24);
    return CompositeValue(f, B);
  }
};

// ---------------------------------------------------------------------------------------------
// The random world and its steps.

TColor32 RandomPixel(std::mt19937& rng) {
  const TColor32 colour = rng() & 0x00FFFFFFu;
  const uint32_t r = rng() % 8;
  const uint32_t alpha = r < 2 ? 0 : (r < 4 ? 255 : rng() & 0xFF);
  return colour | (alpha << 24);
}

void Fill(TBitmap32& b, int w, int h, std::mt19937& rng) {
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, RandomPixel(rng));
}

uint64_t Hash(const TBitmap32& b) {
  uint64_t h = 1469598103934665603ull;
  const TColor32* p = b.Bits();
  for (int64_t i = 0, n = int64_t{b.Width()} * b.Height(); i < n; ++i) {
    h ^= p[i];
    h *= 1099511628211ull;
  }
  return h;
}

std::string RectText(const TRect& r) {
  std::ostringstream s;
  s << "(" << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom << ")";
  return s.str();
}

const char* const kModeNames[] = {"dmOpaque", "dmBlend", "dmCustom", "dmTransparent"};

class TRandomRun {
 public:
  TRandomRun(uint32_t Seed, const TFormulas& Formulas) : rng_(Seed), formulas_(Formulas) {
    Fill(canvas_, 97, 61, rng_);
    Fill(sources_[0], 23, 17, rng_);
    Fill(sources_[1], 40, 9, rng_);
    Fill(sources_[2], 13, 29, rng_);
    for (auto& s : sources_) s.SetOuterColor(s.GetPixel(1, 1));  // a key colour that occurs
  }

  // Runs Steps steps and returns the canvas hash after each, with what each step did.
  void Run(int Steps, std::vector<uint64_t>& Hashes, std::vector<std::string>& Steps_) {
    for (int step = 0; step < Steps; ++step) {
      step_ = step;
      what_.str("");
      DoStep();
      Hashes.push_back(Hash(canvas_));
      Steps_.push_back(what_.str());
    }
  }

 private:
  int Uniform(int lo, int hi) {
    return lo + static_cast<int>(rng_() % static_cast<uint32_t>(hi - lo + 1));
  }

  TRect RandomRect(int w, int h, int margin) {
    int x1 = Uniform(-margin, w + margin), x2 = Uniform(-margin, w + margin);
    int y1 = Uniform(-margin, h + margin), y2 = Uniform(-margin, h + margin);
    if (x2 < x1) std::swap(x1, x2);
    if (y2 < y1) std::swap(y1, y2);
    return Rect(x1, y1, x2, y2);
  }

  TRect InsideRect(int w, int h) {
    // One draw per statement: the order of arguments would differ between compilers.
    const int x1 = Uniform(0, w - 1), y1 = Uniform(0, h - 1);
    const int x2 = Uniform(x1 + 1, w);
    const int y2 = Uniform(y1 + 1, h);
    return Rect(x1, y1, x2, y2);
  }

  uint32_t RandomWeight() {
    const int r = Uniform(0, 9);
    return r == 0 ? 0 : (r == 1 ? 255 : (r == 2 ? 300 : rng_() & 0xFF));
  }

  void Mismatch(const char* op, int index, TColor32 got, TColor32 want) {
    if (failures_++ < 5)
      ADD_FAILURE() << "step " << step_ << " (" << what_.str() << "): " << op << " pixel " << index
                    << " is 0x" << std::hex << got << ", the formula gives 0x" << want;
  }

  // A run of up to 130 pixels somewhere in a source onto somewhere in the canvas.
  void DirectRun() {
    const TBitmap32& src = sources_[Uniform(0, 2)];
    const int srcTotal = src.Width() * src.Height(), dstTotal = canvas_.Width() * canvas_.Height();
    const int count = Uniform(0, std::min(130, srcTotal));
    const TColor32* s = src.Bits() + Uniform(0, srcTotal - count);
    TColor32* d = canvas_.Bits() + Uniform(0, dstTotal - count);
    const std::vector<TColor32> before(d, d + count);
    const int op = Uniform(0, 4);
    const uint32_t w = RandomWeight();
    std::function<TColor32(TColor32, TColor32)> expect;
    const char* name = "";
    switch (op) {
      case 0:
        name = "BlendRun";
        BlendRun(s, d, count);
        expect = [&](TColor32 f, TColor32 b) { return formulas_.BlendInto(f, b); };
        break;
      case 1:
        name = "BlendRunMaster";
        BlendRunMaster(s, d, count, w);
        expect = [&](TColor32 f, TColor32 b) { return formulas_.BlendRunMasterPixel(f, b, w); };
        break;
      case 2:
        name = "MixRun";
        MixRun(s, d, count, w);
        expect = [&](TColor32 f, TColor32 b) { return formulas_.MixInto(f, b, w); };
        break;
      case 3:
        name = "CompositeRun";
        CompositeRun(s, d, count);
        expect = [&](TColor32 f, TColor32 b) { return formulas_.CompositeValue(f, b); };
        break;
      default:
        name = "CompositeRunMaster";
        CompositeRunMaster(s, d, count, w);
        expect = [&](TColor32 f, TColor32 b) { return formulas_.CompositeValueMaster(f, b, w); };
        break;
    }
    EndVectorState();
    what_ << name << " count " << count << " weight " << w;
    for (int i = 0; i < count; ++i) {
      const TColor32 want = expect(s[i], before[static_cast<size_t>(i)]);
      if (d[i] != want) Mismatch(name, i, d[i], want);
    }
  }

  // Single-pixel value and memory forms on random canvas pixels.
  void SinglePixels() {
    const int op = Uniform(0, 8);
    static const char* const names[] = {
        "MixValue",       "MixInto",          "BlendValue",
        "BlendInto",      "BlendValueMaster", "BlendIntoMaster",
        "CompositeValue", "CompositeInto",    "CompositeValueMaster"};
    what_ << names[op] << " x20";
    for (int k = 0; k < 20; ++k) {
      const TColor32 f = RandomPixel(rng_);
      const uint32_t w = RandomWeight();
      const int x = Uniform(0, canvas_.Width() - 1);
      const int y = Uniform(0, canvas_.Height() - 1);
      TColor32& b = *canvas_.PixelAddress(x, y);
      const TColor32 old = b;
      TColor32 want = 0;
      switch (op) {
        case 0:
          b = MixValue(f, b, w);
          want = formulas_.MixValue(f, old, w);
          break;
        case 1:
          MixInto(f, b, w);
          want = formulas_.MixInto(f, old, w);
          break;
        case 2:
          b = BlendValue(f, b);
          want = formulas_.BlendValue(f, old);
          break;
        case 3:
          BlendInto(f, b);
          want = formulas_.BlendInto(f, old);
          break;
        case 4:
          b = BlendValueMaster(f, b, w);
          want = formulas_.BlendValueMaster(f, old, w);
          break;
        case 5:
          BlendIntoMaster(f, b, w);
          want = formulas_.BlendValueMaster(f, old, w);
          break;
        case 6:
          b = CompositeValue(f, b);
          want = formulas_.CompositeValue(f, old);
          break;
        case 7:
          CompositeInto(f, b);
          want = formulas_.CompositeValue(f, old);
          break;
        default:
          b = CompositeValueMaster(f, b, w);
          want = formulas_.CompositeValueMaster(f, old, w);
          break;
      }
      if (b != want) Mismatch(names[op], k, b, want);
    }
    EndVectorState();
  }

  void Fills() {
    const int op = Uniform(0, 8);
    const TColor32 c = RandomPixel(rng_);
    canvas_.SetCombineMode(Uniform(0, 3) == 0 ? cmMerge : cmBlend);
    canvas_.SetClipRect(RandomRect(canvas_.Width(), canvas_.Height(), 10));
    const TRect inside = InsideRect(canvas_.Width(), canvas_.Height());
    const TRect any = RandomRect(canvas_.Width(), canvas_.Height(), 15);
    what_ << "clip " << RectText(canvas_.ClipRect()) << " combine "
          << static_cast<int>(canvas_.CombineMode()) << " ";
    switch (op) {
      case 0:
        what_ << "FillRect " << RectText(inside);
        canvas_.FillRect(inside.Left, inside.Top, inside.Right, inside.Bottom, c);
        break;
      case 1:
        what_ << "FillClipped " << RectText(any);
        canvas_.FillClipped(any, c);
        break;
      case 2:
        what_ << "BlendFill " << RectText(inside);
        canvas_.BlendFill(inside.Left, inside.Top, inside.Right, inside.Bottom, c);
        break;
      case 3:
        what_ << "BlendFillClipped " << RectText(any);
        canvas_.BlendFillClipped(any.Left, any.Top, any.Right, any.Bottom, c);
        break;
      case 4:
        what_ << "BlendHLineClipped/BlendVLineClipped " << RectText(any);
        canvas_.BlendHLineClipped(any.Right, any.Top, any.Left, c);
        canvas_.BlendVLineClipped(any.Left, any.Bottom, any.Top, c);
        break;
      case 5:
        what_ << "BlendFrameClipped " << RectText(any);
        canvas_.BlendFrameClipped(any.Left, any.Top, any.Right, any.Bottom, c);
        break;
      default: {
        TArrayOfColor32 pattern;
        for (int i = Uniform(1, 6); i > 0; --i) pattern.push_back(RandomPixel(rng_));
        canvas_.SetDashPattern(pattern);
        canvas_.SetDashStep(Uniform(1, 8) * 0.25f);
        what_ << "dashes of " << pattern.size() << " step " << canvas_.DashStep() << " ";
        if (op == 6) {
          what_ << "DashedFrame " << RectText(any);
          canvas_.DashedFrame(any.Left, any.Top, any.Right, any.Bottom);
        } else {
          what_ << "DashedHLine/DashedVLine " << RectText(any);
          canvas_.DashedHLine(any.Left, any.Top, any.Right);
          canvas_.DashedVLine(any.Right, any.Bottom, any.Top);
        }
        break;
      }
    }
    canvas_.SetClipRect(canvas_.BoundsRect());
  }

  void Transfer(bool stretch) {
    TBitmap32& src = sources_[Uniform(0, 2)];
    const TDrawMode mode = static_cast<TDrawMode>(Uniform(0, 3));
    src.SetMasterAlpha(Uniform(0, 2) == 0 ? 255u : static_cast<uint32_t>(Uniform(0, 255)));
    src.SetCombineMode(Uniform(0, 3) == 0 ? cmMerge : cmBlend);
    const TRect clip = RandomRect(canvas_.Width(), canvas_.Height(), 10);
    const TPixelCombineEvent custom = [](TColor32 F, TColor32& B, TColor32 M) {
      B = MixValue(F, B, M);
    };
    const TPixelCombineEvent& callback = Uniform(0, 3) == 0 ? TPixelCombineEvent() : custom;
    what_ << kModeNames[mode] << " master " << src.MasterAlpha() << " combine "
          << static_cast<int>(src.CombineMode()) << " clip " << RectText(clip)
          << (callback ? "" : " no callback") << " ";
    if (stretch) {
      static const char* const resamplers[] = {"TNearestResampler", "TNearestResampler",
                                               "TLinearResampler", "TDraftResampler",
                                               "TKernelResampler"};
      src.SetResamplerClassName(resamplers[Uniform(0, 4)]);
      if (auto* k = dynamic_cast<TKernelResampler*>(src.Resampler())) {
        k->SetKernelClassName(KernelList()[static_cast<size_t>(Uniform(0, 12))].Name);
        k->SetKernelMode(static_cast<TKernelMode>(Uniform(0, 2)));
        what_ << k->KernelClassName() << " mode " << k->KernelMode() << " ";
      }
      const TRect srcRect = InsideRect(src.Width(), src.Height());
      const TRect dstRect = RandomRect(canvas_.Width(), canvas_.Height(), 30);
      what_ << src.ResamplerClassName() << " " << RectText(srcRect) << " -> " << RectText(dstRect);
      TransferScaled(&canvas_, dstRect, clip, &src, srcRect, src.Resampler(), mode, callback);
    } else {
      const TRect srcRect = RandomRect(src.Width(), src.Height(), 5);
      const int x = Uniform(-30, canvas_.Width()), y = Uniform(-30, canvas_.Height());
      what_ << "TransferSameSize " << RectText(srcRect) << " at " << x << "," << y;
      TransferSameSize(&canvas_, x, y, clip, &src, srcRect, mode, callback);
    }
  }

  void DoStep() {
    const int kind = Uniform(0, 9);
    if (kind <= 2)
      DirectRun();
    else if (kind == 3)
      SinglePixels();
    else if (kind <= 5)
      Fills();
    else if (kind <= 8)
      Transfer(true);
    else
      Transfer(false);
  }

  std::mt19937 rng_;
  TFormulas formulas_;
  TBitmap32 canvas_;
  TBitmap32 sources_[3];
  int step_ = 0;
  int failures_ = 0;
  std::ostringstream what_;
};

// Restores the start-up implementation, also when a test fails half-way.
struct DefaultImplementationGuard {
  ~DefaultImplementationGuard() { SelectDefaultBlendImplementation(); }
};

constexpr uint32_t kSeed = 20240611;
constexpr int kSteps = 3000;

uint64_t Fold(const std::vector<uint64_t>& hashes) {
  uint64_t h = 0;
  for (uint64_t v : hashes) h = (h ^ v) * 0x100000001B3ull + 0x9E3779B97F4A7C15ull;
  return h;
}

}  // namespace

TEST(RandomOperations, EveryVectorPathGivesTheSameChecksum) {
  DefaultImplementationGuard guard;
  std::vector<TBlendImplementation> paths;
  for (TBlendImplementation impl : {biScalar, biSSE2, biAVX2})
    if (BlendProcsFor(impl)) paths.push_back(impl);
  ASSERT_FALSE(paths.empty());

  std::vector<uint64_t> reference;
  std::vector<std::string> steps;
  for (TBlendImplementation impl : paths) {
    ASSERT_TRUE(SelectBlendImplementation(impl));
    std::vector<uint64_t> hashes;
    std::vector<std::string> what;
    TRandomRun(kSeed, TFormulas{true}).Run(kSteps, hashes, what);
    std::cout << "[ checksum ] " << BlendImplementationName(impl) << ": " << std::hex
              << Fold(hashes) << std::dec << "\n";
    if (reference.empty()) {
      reference = hashes;
      steps = what;
      continue;
    }
    for (size_t i = 0; i < hashes.size(); ++i) {
      if (hashes[i] != reference[i]) {
        ADD_FAILURE() << BlendImplementationName(impl) << " differs from "
                      << BlendImplementationName(paths[0]) << " first at step " << i << ": "
                      << steps[i];
        break;
      }
    }
  }
}

TEST(RandomOperations, PortablePathFollowsItsOwnFormulas) {
  DefaultImplementationGuard guard;
  if (!BlendProcsFor(biPortable)) GTEST_SKIP() << "no portable path in this build";
  ASSERT_TRUE(SelectBlendImplementation(biPortable));
  std::vector<uint64_t> first, second;
  std::vector<std::string> what;
  TRandomRun(kSeed, TFormulas{false}).Run(kSteps, first, what);
  // Nothing outside the seed may steer the run: a second run repeats it exactly.
  TRandomRun(kSeed, TFormulas{false}).Run(kSteps, second, what);
  EXPECT_EQ(Fold(first), Fold(second));
}

// Found by the random run: a clip rectangle of zero height once sent a dashed line walking
// past the pixels.
TEST(RandomOperations, DashedLinesInAZeroHeightClipDrawNothing) {
  TBitmap32 b;
  b.SetSize(6, 6);
  b.SetClipRect(Rect(0, 3, 6, 3));
  b.SetDashPattern({0xFFFF0000u, 0xFF00FF00u});
  b.DashedVLine(2, 5, 0);
  b.DashedHLine(5, 3, 0);
  b.SetClipRect(Rect(3, 0, 3, 6));
  b.DashedHLine(5, 2, 0);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(b.GetPixel(x, y), 0u) << x << "," << y;
}

}  // namespace pictavia
