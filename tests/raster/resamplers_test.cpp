// The linear, draft and kernel resamplers against plain double-precision references, through the
// stretch transfer in every draw mode; single samples; the registry, notification and Assign.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "raster/blend.h"
#include "raster/resamplers.h"
#include "raster/transfers.h"

namespace pictavia {

namespace {

void RandomPicture(TBitmap32& b, int w, int h, uint32_t seed, bool opaque = false) {
  std::mt19937 rng(seed);
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      TColor32 c = rng();
      if (opaque) c |= 0xFF000000u;
      b.SetPixel(x, y, c);
    }
}

int Channel(TColor32 c, int i) {
  return static_cast<int>((c >> (8 * i)) & 0xFF);
}

// Normalised weights of one output along one axis, per source index (edges repeat).
std::vector<double> ReferenceWeights(const TCustomKernel& k, int srcLo, int srcHi, int dstLen,
                                     int d) {
  const double scale = static_cast<double>(srcHi - srcLo) / dstLen;
  const double s = std::max(scale, 1.0);
  const double c = srcLo + (d + 0.5) * scale - 0.5;
  const double reach = k.Width() * s + 1;
  std::vector<double> w(static_cast<size_t>(srcHi - srcLo), 0.0);
  double sum = 0;
  for (int j = static_cast<int>(std::floor(c - reach)); j <= static_cast<int>(std::ceil(c + reach));
       ++j) {
    const double f = k.Filter(static_cast<float>((j - c) / s));
    w[static_cast<size_t>(std::clamp(j, srcLo, srcHi - 1) - srcLo)] += f;
    sum += f;
  }
  for (double& v : w) v /= sum;
  return w;
}

// The separable kernel stretch of the whole source onto a DstW x DstH picture, in doubles.
std::vector<TColor32> ReferenceKernelStretch(const TBitmap32& src, const TRect& sr, int dw, int dh,
                                             const TCustomKernel& k) {
  std::vector<TColor32> out(static_cast<size_t>(dw) * dh);
  for (int y = 0; y < dh; ++y) {
    const auto wy = ReferenceWeights(k, sr.Top, sr.Bottom, dh, y);
    for (int x = 0; x < dw; ++x) {
      const auto wx = ReferenceWeights(k, sr.Left, sr.Right, dw, x);
      TColor32 result = 0;
      for (int ch = 0; ch < 4; ++ch) {
        double v = 0;
        for (int j = 0; j < sr.Height(); ++j)
          for (int i = 0; i < sr.Width(); ++i)
            v += wy[static_cast<size_t>(j)] * wx[static_cast<size_t>(i)] *
                 Channel(src.GetPixel(sr.Left + i, sr.Top + j), ch);
        result |= static_cast<TColor32>(std::nearbyint(std::clamp(v, 0.0, 255.0))) << (8 * ch);
      }
      out[static_cast<size_t>(y) * dw + x] = result;
    }
  }
  return out;
}

// Compares the part of Dst inside Clip (DstRect placed at its top-left) against Expected within
// Tolerance per channel, and that everything outside Clip still holds Background.
void ExpectStretch(const TBitmap32& dst, const TRect& dstRect, const TRect& clip,
                   const std::vector<TColor32>& expected, int tolerance, TColor32 background,
                   const std::string& what) {
  int reported = 0;
  for (int y = 0; y < dst.Height(); ++y)
    for (int x = 0; x < dst.Width(); ++x) {
      const TColor32 got = dst.GetPixel(x, y);
      const bool inside = x >= clip.Left && x < clip.Right && y >= clip.Top && y < clip.Bottom;
      TColor32 want = background;
      if (inside)
        want =
            expected[static_cast<size_t>(y - dstRect.Top) * dstRect.Width() + (x - dstRect.Left)];
      int worst = 0;
      for (int ch = 0; ch < 4; ++ch)
        worst = std::max(worst, std::abs(Channel(got, ch) - Channel(want, ch)));
      if (worst > (inside ? tolerance : 0) && reported++ < 5)
        ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") is " << std::hex << got
                      << ", expected " << want;
    }
}

struct Geometry {
  int sw, sh, dw, dh;
};

}  // namespace

TEST(ResamplerRegistry, ListsTheFourResamplersAndBitmapsSwitchByName) {
  std::vector<std::string> names;
  for (const auto& c : ResamplerList()) names.push_back(c.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"TNearestResampler", "TLinearResampler",
                                             "TDraftResampler", "TKernelResampler"}));
  TBitmap32 b;
  for (const auto& name : names) {
    b.SetResamplerClassName(name);
    EXPECT_EQ(b.ResamplerClassName(), name);
    EXPECT_EQ(static_cast<TBitmap32Resampler*>(b.Resampler())->Bitmap(), &b);
  }
  b.SetResamplerClassName("TCubicResampler");
  EXPECT_EQ(b.ResamplerClassName(), "TKernelResampler") << "unknown names are ignored";

  auto* kr = static_cast<TKernelResampler*>(b.Resampler());
  EXPECT_EQ(kr->KernelClassName(), "TBoxKernel");
  for (const auto& k : KernelList()) {
    kr->SetKernelClassName(k.Name);
    EXPECT_EQ(kr->KernelClassName(), k.Name);
    EXPECT_EQ(kr->SupportWidth(), kr->Kernel().Width());
  }
  kr->SetKernelClassName("TNoSuchKernel");
  EXPECT_EQ(kr->KernelClassName(), "THermiteKernel");
}

// The kernel stretch against the double reference: several kernels, enlarging, reducing and
// mixed scales, a sub-rectangle of the source, and a clip that cuts the destination.
TEST(KernelResampler, MatchesTheDoubleReferenceWithinOne) {
  const Geometry geometries[] = {{7, 5, 23, 17}, {40, 30, 13, 11}, {20, 9, 7, 31}, {3, 3, 3, 8}};
  TBitmap32 src;
  RandomPicture(src, 44, 33, 7);
  for (const char* kernelName : {"TBoxKernel", "TLinearKernel", "TCubicKernel", "TLanczosKernel",
                                 "TMitchellKernel", "TSplineKernel", "THermiteKernel"}) {
    for (const auto& g : geometries) {
      for (bool clipped : {false, true}) {
        TBitmap32 dst;
        dst.SetSize(g.dw + 6, g.dh + 4);
        dst.Clear(0x12345678);
        dst.SetResamplerClassName("TKernelResampler");
        src.SetResamplerClassName("TKernelResampler");
        auto* r = static_cast<TKernelResampler*>(src.Resampler());
        r->SetKernelClassName(kernelName);
        if (std::string(kernelName) == "THermiteKernel")
          static_cast<THermiteKernel&>(r->Kernel()).SetBias(0.3f);
        const TRect srcRect = Rect(2, 1, 2 + g.sw, 1 + g.sh);
        const TRect dstRect = Rect(3, 2, 3 + g.dw, 2 + g.dh);
        TRect clip = dstRect;
        if (clipped)
          clip = Rect(dstRect.Left + g.dw / 3, dstRect.Top + 1, dstRect.Right - 1,
                      dstRect.Bottom - g.dh / 4);
        TransferScaled(&dst, dstRect, clip, &src, srcRect, r, dmOpaque, nullptr);
        std::ostringstream what;
        what << kernelName << " " << g.sw << "x" << g.sh << " -> " << g.dw << "x" << g.dh
             << (clipped ? " clipped" : "");
        ExpectStretch(dst, dstRect, clip,
                      ReferenceKernelStretch(src, srcRect, g.dw, g.dh, r->Kernel()), 1, 0x12345678,
                      what.str());
      }
    }
  }
}

TEST(KernelResampler, TableModesStayCloseToTheDirectKernel) {
  TBitmap32 src;
  RandomPicture(src, 17, 13, 3);
  src.SetResamplerClassName("TKernelResampler");
  auto* r = static_cast<TKernelResampler*>(src.Resampler());
  r->SetKernelClassName("TLanczosKernel");
  TBitmap32 direct, nearest, linear;
  for (TBitmap32* b : {&direct, &nearest, &linear}) b->SetSize(41, 29);
  src.DrawOnto(direct, direct.BoundsRect());
  r->SetKernelMode(kmTableNearest);
  r->SetTableSize(256);
  src.DrawOnto(nearest, nearest.BoundsRect());
  r->SetKernelMode(kmTableLinear);
  r->SetTableSize(16);
  src.DrawOnto(linear, linear.BoundsRect());
  const std::vector<TColor32> expected(direct.Bits(), direct.Bits() + 41 * 29);
  ExpectStretch(nearest, direct.BoundsRect(), direct.BoundsRect(), expected, 2, 0, "table nearest");
  ExpectStretch(linear, direct.BoundsRect(), direct.BoundsRect(), expected, 2, 0, "table linear");
}

TEST(KernelResampler, EdgesAndExtremeScales) {
  // Negative lobes at a hard edge overshoot: the results stay clamped, not wrapped.
  TBitmap32 src;
  src.SetSize(4, 1);
  for (int x = 0; x < 4; ++x) src.SetPixel(x, 0, x < 2 ? 0xFF000000u : 0xFFFFFFFFu);
  src.SetResamplerClassName("TKernelResampler");
  static_cast<TKernelResampler*>(src.Resampler())->SetKernelClassName("TLanczosKernel");
  TBitmap32 dst;
  dst.SetSize(37, 3);
  src.DrawOnto(dst, dst.BoundsRect());
  int zeros = 0, fulls = 0;
  for (int x = 0; x < 37; ++x) {
    const TColor32 c = dst.GetPixel(x, 1);
    const uint32_t blue = c & 0xFF;
    // A wrapped undershoot would show as a bright pixel on the dark side, and the reverse.
    if (x < 16) {
      EXPECT_LE(blue, 40u) << x;
    }
    if (x > 20) {
      EXPECT_GE(blue, 215u) << x;
    }
    zeros += blue == 0;
    fulls += blue == 255;
    EXPECT_EQ(c >> 24, 255u);
  }
  EXPECT_GT(zeros, 0);
  EXPECT_GT(fulls, 0);
  // A flat picture stays flat at every scale, also far beyond the kernel's reach.
  TBitmap32 flat;
  flat.SetSize(1000, 3);
  flat.Clear(0x80402010);
  flat.SetResamplerClassName("TKernelResampler");
  static_cast<TKernelResampler*>(flat.Resampler())->SetKernelClassName("TMitchellKernel");
  for (const TRect& r : {Rect(0, 0, 1, 1), Rect(0, 0, 7, 5), Rect(0, 0, 3000, 2)}) {
    TBitmap32 d;
    d.SetSize(r.Right, r.Bottom);
    flat.DrawOnto(d, r);
    for (int y = 0; y < d.Height(); ++y)
      for (int x = 0; x < d.Width(); ++x) ASSERT_EQ(d.GetPixel(x, y), 0x80402010u) << x << "," << y;
  }
}

TEST(LinearResampler, EnlargesBilinearlyAndReducesThroughTheLinearKernel) {
  TBitmap32 src;
  RandomPicture(src, 9, 6, 11);
  src.SetResamplerClassName("TLinearResampler");
  TBitmap32 dst;
  dst.SetSize(31, 23);
  dst.Clear(0);
  const TRect dstRect = Rect(1, 2, 30, 21);
  const TRect clip = Rect(4, 3, 27, 20);
  TransferScaled(&dst, dstRect, clip, &src, src.BoundsRect(), nullptr, dmOpaque, nullptr);

  // The enlargement interpolates in 1/256 steps: the reference rounds its weights the same way.
  const int dw = dstRect.Width(), dh = dstRect.Height();
  std::vector<TColor32> expected(static_cast<size_t>(dw) * dh);
  auto axis = [](int srcLen, int dstLen, int d, int& i0, double& w0) {
    double s = (d + 0.5) * srcLen / dstLen - 0.5;
    s = std::clamp(s, 0.0, srcLen - 1.0);
    i0 = std::min(static_cast<int>(std::floor(s)), srcLen - 2);
    w0 = (256 - std::nearbyint((s - i0) * 256)) / 256.0;
  };
  for (int y = 0; y < dh; ++y)
    for (int x = 0; x < dw; ++x) {
      int ix, iy;
      double wx, wy;
      axis(9, dw, x, ix, wx);
      axis(6, dh, y, iy, wy);
      TColor32 c = 0;
      for (int ch = 0; ch < 4; ++ch) {
        const double v = wy * (wx * Channel(src.GetPixel(ix, iy), ch) +
                               (1 - wx) * Channel(src.GetPixel(ix + 1, iy), ch)) +
                         (1 - wy) * (wx * Channel(src.GetPixel(ix, iy + 1), ch) +
                                     (1 - wx) * Channel(src.GetPixel(ix + 1, iy + 1), ch));
        c |= static_cast<TColor32>(std::nearbyint(v)) << (8 * ch);
      }
      expected[static_cast<size_t>(y) * dw + x] = c;
    }
  ExpectStretch(dst, dstRect, clip, expected, 1, 0, "bilinear enlargement");

  // Reducing (or a one-pixel source axis) is the kernel stretch with the linear kernel.
  TLinearKernel linear;
  for (const Geometry& g : {Geometry{9, 6, 4, 3}, Geometry{9, 6, 20, 3}}) {
    TBitmap32 small;
    small.SetSize(g.dw, g.dh);
    src.DrawOnto(small, small.BoundsRect());
    ExpectStretch(small, small.BoundsRect(), small.BoundsRect(),
                  ReferenceKernelStretch(src, src.BoundsRect(), g.dw, g.dh, linear), 1, 0,
                  "linear reduction");
  }
}

TEST(DraftResampler, ReducesByBlockAverages) {
  TBitmap32 src;
  RandomPicture(src, 23, 17, 5);
  src.SetResamplerClassName("TDraftResampler");
  for (const Geometry& g :
       {Geometry{23, 17, 7, 5}, Geometry{23, 17, 5, 30}, Geometry{23, 17, 1, 1}}) {
    TBitmap32 dst;
    dst.SetSize(g.dw, g.dh);
    src.DrawOnto(dst, dst.BoundsRect());
    std::vector<TColor32> expected;
    for (int y = 0; y < g.dh; ++y)
      for (int x = 0; x < g.dw; ++x) {
        const int x0 = x * g.sw / g.dw, x1 = std::max(x0 + 1, (x + 1) * g.sw / g.dw);
        const int y0 = std::min(y * g.sh / g.dh, g.sh - 1),
                  y1 = std::max(y0 + 1, (y + 1) * g.sh / g.dh);
        TColor32 c = 0;
        for (int ch = 0; ch < 4; ++ch) {
          double sum = 0;
          for (int j = y0; j < y1; ++j)
            for (int i = x0; i < x1; ++i) sum += Channel(src.GetPixel(i, j), ch);
          c |= static_cast<TColor32>(std::nearbyint(sum / ((x1 - x0) * (y1 - y0)))) << (8 * ch);
        }
        expected.push_back(c);
      }
    std::ostringstream what;
    what << "draft " << g.dw << "x" << g.dh;
    ExpectStretch(dst, dst.BoundsRect(), dst.BoundsRect(), expected, 0, 0, what.str());
  }
}

// Every draw mode goes through the stretch: blend with master alpha over the destination,
// the transparent key, the callback, and dmCustom without a callback as opaque.
TEST(KernelResampler, DrawModesThroughTheStretchTransfer) {
  TBitmap32 src;
  RandomPicture(src, 6, 5, 21);
  // Some pixels carry the key colour; a 2x box enlargement copies them exactly.
  src.SetPixel(1, 1, 0xFF00FF00u);
  src.SetPixel(4, 3, 0xFF00FF00u);
  src.SetOuterColor(0xFF00FF00u);
  src.SetResamplerClassName("TKernelResampler");
  auto* r = static_cast<TKernelResampler*>(src.Resampler());
  const TRect dstRect = Rect(0, 0, 12, 10);
  const TRect clip = Rect(2, 1, 11, 9);

  TBitmap32 background;
  RandomPicture(background, 14, 11, 99);
  TBitmap32 opaque;
  opaque.SetSize(14, 11);
  TransferScaled(&opaque, dstRect, opaque.BoundsRect(), &src, src.BoundsRect(), r, dmOpaque,
                 nullptr);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 12; ++x) ASSERT_EQ(opaque.GetPixel(x, y), src.GetPixel(x / 2, y / 2));

  for (uint32_t master : {255u, 77u}) {
    src.SetMasterAlpha(master);
    TBitmap32 dst;
    dst.Assign(&background);
    TransferScaled(&dst, dstRect, clip, &src, src.BoundsRect(), r, dmBlend, nullptr);
    for (int y = 0; y < 11; ++y) {
      std::vector<TColor32> row(background.RowAddress(y), background.RowAddress(y) + 14);
      if (y >= clip.Top && y < clip.Bottom) {
        const TColor32* s = opaque.PixelAddress(clip.Left, y);
        if (master == 255)
          BlendRun(s, row.data() + clip.Left, clip.Width());
        else
          BlendRunMaster(s, row.data() + clip.Left, clip.Width(), master);
      }
      for (int x = 0; x < 14; ++x)
        ASSERT_EQ(dst.GetPixel(x, y), row[static_cast<size_t>(x)])
            << "master " << master << " at " << x << "," << y;
    }
  }
  src.SetMasterAlpha(200);

  TBitmap32 dst;
  dst.Assign(&background);
  TransferScaled(&dst, dstRect, clip, &src, src.BoundsRect(), r, dmTransparent, nullptr);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 14; ++x) {
      const bool inside = x >= clip.Left && x < clip.Right && y >= clip.Top && y < clip.Bottom;
      const bool key = inside && opaque.GetPixel(x, y) == 0xFF00FF00u;
      ASSERT_EQ(dst.GetPixel(x, y),
                inside && !key ? opaque.GetPixel(x, y) : background.GetPixel(x, y))
          << x << "," << y;
    }

  dst.Assign(&background);
  int calls = 0;
  TransferScaled(&dst, dstRect, clip, &src, src.BoundsRect(), r, dmCustom,
                 [&](TColor32 F, TColor32& B, TColor32 M) {
                   ++calls;
                   EXPECT_EQ(M, 200u);
                   B = F ^ 0x00FFFFFFu;
                 });
  EXPECT_EQ(calls, clip.Width() * clip.Height());
  EXPECT_EQ(dst.GetPixel(5, 5), opaque.GetPixel(5, 5) ^ 0x00FFFFFFu);
  EXPECT_EQ(dst.GetPixel(1, 5), background.GetPixel(1, 5));

  dst.Assign(&background);
  TransferScaled(&dst, dstRect, clip, &src, src.BoundsRect(), r, dmCustom, nullptr);
  EXPECT_EQ(dst.GetPixel(5, 5), opaque.GetPixel(5, 5));
}

TEST(KernelResampler, BadRectanglesAndEmptyWork) {
  TBitmap32 src;
  RandomPicture(src, 5, 5, 1);
  src.SetResamplerClassName("TKernelResampler");
  TBitmap32 dst;
  dst.SetSize(10, 10);
  int notes = 0;
  dst.OnAreaChanged = [&](TObject*, const TRect&, uint32_t) { ++notes; };
  EXPECT_THROW(TransferScaled(&dst, Rect(0, 0, 10, 10), dst.BoundsRect(), &src, Rect(0, 0, 6, 5),
                              nullptr, dmOpaque, nullptr),
               ESrcInvalidException);
  TransferScaled(&dst, Rect(0, 0, 10, 10), dst.BoundsRect(), &src, Rect(2, 2, 2, 4), nullptr,
                 dmOpaque, nullptr);
  TransferScaled(&dst, Rect(20, 20, 30, 30), dst.BoundsRect(), &src, src.BoundsRect(), nullptr,
                 dmOpaque, nullptr);
  EXPECT_EQ(notes, 0);
  // Called directly, each resampler repeats the bounds test instead of reading outside.
  for (const char* name : {"TLinearResampler", "TDraftResampler", "TKernelResampler"}) {
    src.SetResamplerClassName(name);
    EXPECT_THROW(src.Resampler()->Resample(dst, Rect(0, 0, 3, 3), dst.BoundsRect(), src,
                                           Rect(-1, 0, 5, 5), dmOpaque, nullptr),
                 Exception)
        << name;
  }
}

// A picture placed billions of pixels wide (a layer far off the canvas): the visible pixels are
// the picture's far end, never a mapping that wrapped around the int range.
TEST(Resamplers, DestinationsSpanningTheIntRangeShowThePicturesEnds) {
  TBitmap32 src;
  src.SetSize(4, 4);
  src.Clear(0xFF0000FF);
  src.FillRect(0, 0, 2, 4, 0xFFFF0000);  // left half red, right half blue
  for (const char* name :
       {"TNearestResampler", "TLinearResampler", "TDraftResampler", "TKernelResampler"}) {
    SCOPED_TRACE(name);
    src.SetResamplerClassName(name);
    TBitmap32 dst;
    dst.SetSize(8, 4);
    src.DrawOnto(dst, Rect(INT32_MIN, INT32_MIN, 8, 4));
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 8; ++x) ASSERT_EQ(dst.GetPixel(x, y), 0xFF0000FFu) << x << "," << y;
    src.DrawOnto(dst, Rect(0, 0, INT32_MAX, INT32_MAX));
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 8; ++x) ASSERT_EQ(dst.GetPixel(x, y), 0xFFFF0000u) << x << "," << y;
  }
}

TEST(ResamplerSettings, SettersNotifyTheBitmapAndAssignCopiesThem) {
  TBitmap32 a;
  int changes = 0;
  a.OnChange = [&](TObject*) { ++changes; };
  a.SetResamplerClassName("TKernelResampler");
  changes = 0;
  auto* r = static_cast<TKernelResampler*>(a.Resampler());
  r->SetKernelClassName("TLanczosKernel");
  r->SetKernelMode(kmTableLinear);
  r->SetTableSize(64);
  r->SetPixelAccessMode(pamWrap);
  static_cast<TLanczosKernel&>(r->Kernel()).SetWidth(2.5f);
  EXPECT_EQ(changes, 5);
  r->SetKernelMode(kmTableLinear);
  r->SetTableSize(64);
  r->SetKernelClassName("TLanczosKernel");
  EXPECT_EQ(changes, 5) << "unchanged values send nothing";
  r->SetTableSize(1);
  EXPECT_EQ(r->TableSize(), 2);
  r->SetTableSize(64);
  r->SetKernel(std::make_unique<TGaussianKernel>());
  EXPECT_EQ(r->KernelClassName(), "TGaussianKernel");
  static_cast<TGaussianKernel&>(r->Kernel()).SetSigma(0.9f);
  const int before = changes;
  r->SetKernel(nullptr);
  EXPECT_EQ(changes, before);

  TBitmap32 b;
  b.Assign(&a);
  ASSERT_EQ(b.ResamplerClassName(), "TKernelResampler");
  auto* rb = static_cast<TKernelResampler*>(b.Resampler());
  EXPECT_EQ(rb->KernelClassName(), "TGaussianKernel");
  EXPECT_FLOAT_EQ(static_cast<TGaussianKernel&>(rb->Kernel()).Sigma(), 0.9f);
  EXPECT_EQ(rb->KernelMode(), kmTableLinear);
  EXPECT_EQ(rb->TableSize(), 64);
  EXPECT_EQ(rb->PixelAccessMode(), pamWrap);
  EXPECT_NE(&rb->Kernel(), &r->Kernel());
  // The copy's kernel reports to the copy's bitmap.
  int bChanges = 0;
  b.OnChange = [&](TObject*) { ++bChanges; };
  static_cast<TGaussianKernel&>(rb->Kernel()).SetSigma(0.5f);
  EXPECT_EQ(bChanges, 1);

  a.SetResamplerClassName("TDraftResampler");
  static_cast<TBitmap32Resampler*>(a.Resampler())->SetPixelAccessMode(pamTransparentEdge);
  b.Assign(&a);
  EXPECT_EQ(b.ResamplerClassName(), "TDraftResampler");
  EXPECT_EQ(static_cast<TBitmap32Resampler*>(b.Resampler())->PixelAccessMode(), pamTransparentEdge);
}

TEST(KernelSampling, SamplesThroughThePixelAccessModes) {
  TBitmap32 b;
  RandomPicture(b, 8, 6, 4);
  b.SetOuterColor(0x11223344);
  b.SetResamplerClassName("TKernelResampler");
  auto* r = static_cast<TKernelResampler*>(b.Resampler());
  r->SetKernelClassName("TCubicKernel");
  r->BeginSampling();
  // An interpolating kernel returns the pixel itself at pixel positions, in every form.
  EXPECT_EQ(r->SampleAtInt(3, 2), b.GetPixel(3, 2));
  EXPECT_EQ(r->SampleAtFixed(3 << 16, 2 << 16), b.GetPixel(3, 2));
  EXPECT_EQ(r->SampleAtFloat(3.0f, 2.0f), b.GetPixel(3, 2));
  // Far outside, pamSafe sees only the outer colour; pamTransparentEdge the edge without alpha.
  EXPECT_EQ(r->SampleAtFloat(-20.0f, 2.0f), 0x11223344u);
  r->SetPixelAccessMode(pamTransparentEdge);
  EXPECT_EQ(r->SampleAtInt(-20, 2), b.GetPixel(0, 2) & 0x00FFFFFFu);
  // pamWrap repeats the picture (wmRepeat) or clamps to it (wmClamp).
  r->SetPixelAccessMode(pamWrap);
  b.SetWrapMode(wmRepeat);
  EXPECT_EQ(r->SampleAtFloat(8.0f + 2.5f, 1.25f), r->SampleAtFloat(2.5f, 1.25f));
  // pamUnsafe never reads outside the pixels, even when its taps reach past the edge.
  r->SetPixelAccessMode(pamUnsafe);
  EXPECT_EQ(r->SampleAtInt(0, 0), b.GetPixel(0, 0));
  EXPECT_NO_FATAL_FAILURE(r->SampleAtFloat(7.5f, 5.5f));
  EXPECT_NO_FATAL_FAILURE(r->SampleAtFloat(1e30f, -1e30f));

  // The table modes: a table of 2 ceil(width) + 1 weights per sub-pixel step, rows summing to
  // 256; samples near the direct kernel's.
  r->SetPixelAccessMode(pamSafe);
  const TColor32 direct = r->SampleAtFloat(3.3f, 2.6f);
  r->SetKernelMode(kmTableLinear);
  r->SetTableSize(8);
  r->BeginSampling();
  const TIntegerMap* table = r->WeightTable();
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->Width(), 5);
  EXPECT_EQ(table->Height(), 9);
  for (int p = 0; p < table->Height(); ++p) {
    int sum = 0;
    for (int k = 0; k < table->Width(); ++k) sum += *table->CellAddress(k, p);
    EXPECT_EQ(sum, 256) << "row " << p;
  }
  EXPECT_EQ(*table->CellAddress(2, 0), 256) << "position 0 is the pixel itself";
  const TColor32 tabled = r->SampleAtFloat(3.3f, 2.6f);
  for (int ch = 0; ch < 4; ++ch) EXPECT_NEAR(Channel(tabled, ch), Channel(direct, ch), 3) << ch;
  r->EndSampling();
  EXPECT_EQ(r->WeightTable(), nullptr);
  // Sampling outside a bracket still works (the table is made on demand).
  EXPECT_EQ(r->SampleAtFloat(3.3f, 2.6f), tabled);
}

TEST(LinearSampling, InterpolatesTheFourNeighbours) {
  TBitmap32 b;
  b.SetSize(3, 2);
  b.SetPixel(0, 0, 0xFF000000);
  b.SetPixel(1, 0, 0xFF0000C8);
  b.SetPixel(0, 1, 0xFF00C800);
  b.SetPixel(1, 1, 0xFFC80000);
  b.SetPixel(2, 0, 0x00000000);
  b.SetPixel(2, 1, 0x00000000);
  b.SetResamplerClassName("TLinearResampler");
  auto* r = static_cast<TBitmap32Resampler*>(b.Resampler());
  EXPECT_EQ(r->SampleAtFixed(0x8000, 0), 0xFF000064u);
  EXPECT_EQ(r->SampleAtFixed(0x8000, 0x8000), 0xFF323232u);
  EXPECT_EQ(r->SampleAtFloat(0.5f, 0.5f), 0xFF323232u);
  EXPECT_EQ(r->SampleAtInt(1, 1), 0xFFC80000u);
  // Half a pixel outside with pamSafe mixes in the outer colour.
  EXPECT_EQ(r->SampleAtFixed(-0x8000, 0), 0x80000000u);
  r->SetPixelAccessMode(pamUnsafe);
  EXPECT_EQ(r->SampleAtFixed(2 << 16, 1 << 16), 0u) << "the last pixel, neighbours clamped";
  EXPECT_NO_FATAL_FAILURE(r->SampleAtFloat(-3e9f, 3e9f));
  // An empty clip rectangle leaves nothing to wrap onto: the outer colour.
  b.SetClipRect(Rect(5, 5, 9, 9));
  b.SetOuterColor(0x01020304);
  for (TPixelAccessMode m : {pamWrap, pamTransparentEdge}) {
    r->SetPixelAccessMode(m);
    EXPECT_EQ(r->SampleAtInt(1, 1), 0x01020304u) << m;
  }
}

}  // namespace pictavia
