// Filter kernels: the registry, the filter curves, and the parameters with their notification.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "raster/kernels.h"

namespace pictavia {

namespace {

std::unique_ptr<TCustomKernel> MakeKernel(const std::string& name) {
  const TKernelClass* cls = FindKernelClass(name);
  if (!cls) return nullptr;
  return cls->Create();
}

struct ChangeCounter : TNotifiablePersistent {
  void Changed() override { ++count; }
  int count = 0;
};

}  // namespace

TEST(KernelRegistry, ListsTheKernelsInOrderAndFindsThemByExactName) {
  const std::vector<std::string> expected = {
      "TBoxKernel",      "TLinearKernel",  "TCosineKernel",   "TSplineKernel",   "TCubicKernel",
      "TMitchellKernel", "TLanczosKernel", "TGaussianKernel", "TBlackmanKernel", "THannKernel",
      "THammingKernel",  "TSinshKernel",   "THermiteKernel"};
  std::vector<std::string> names;
  for (const auto& c : KernelList()) names.push_back(c.Name);
  EXPECT_EQ(names, expected);
  for (const auto& name : expected) {
    auto k = MakeKernel(name);
    ASSERT_NE(k, nullptr) << name;
    EXPECT_EQ(k->ClassName(), name);
  }
  EXPECT_EQ(FindKernelClass("tboxkernel"), nullptr) << "names compare case-sensitively";
  EXPECT_EQ(FindKernelClass(""), nullptr);
  EXPECT_EQ(FindKernelClass("TWindowedSincKernel"), nullptr) << "the abstract base is not listed";
}

TEST(KernelCurves, KnownValuesWidthsAndRangeCheck) {
  TBoxKernel box;
  EXPECT_EQ(box.Filter(0.5f), 1.0f);
  EXPECT_EQ(box.Filter(-0.5f), 1.0f);
  EXPECT_EQ(box.Filter(0.51f), 0.0f);
  TLinearKernel linear;
  EXPECT_FLOAT_EQ(linear.Filter(-0.25f), 0.75f);
  EXPECT_EQ(linear.Filter(1.0f), 0.0f);
  TCosineKernel cosine;
  EXPECT_NEAR(cosine.Filter(0.5f), 0.5f, 1e-6);
  TSplineKernel spline;
  EXPECT_NEAR(spline.Filter(0.0f), 2.0 / 3.0, 1e-6);
  EXPECT_NEAR(spline.Filter(1.0f), 1.0 / 6.0, 1e-6);
  TMitchellKernel mitchell;
  EXPECT_NEAR(mitchell.Filter(0.0f), 16.0 / 18.0, 1e-6);
  EXPECT_NEAR(mitchell.Filter(-1.0f), 1.0 / 18.0, 1e-6);
  TCubicKernel cubic;
  EXPECT_NEAR(cubic.Filter(0.5f), 0.5625, 1e-6);
  EXPECT_NEAR(cubic.Filter(-1.5f), -0.0625, 1e-6);
  TSinshKernel sinsh;
  EXPECT_EQ(sinsh.Filter(0.0f), 1.0f);
  EXPECT_NEAR(sinsh.Filter(0.5f), 0.5 * 1.0 / std::sinh(0.25 * M_PI), 1e-6);
  TBlackmanKernel blackman;
  EXPECT_NEAR(blackman.Filter(1.5f),
              std::sin(1.5 * M_PI) / (1.5 * M_PI) *
                  (0.42 + 0.5 * std::cos(M_PI * 0.5) + 0.08 * std::cos(M_PI)),
              1e-6);

  // The windowed sincs are 1 at 0, 0 at the other integers and 0 from their width on.
  for (const char* name :
       {"TLanczosKernel", "TGaussianKernel", "TBlackmanKernel", "THannKernel", "THammingKernel"}) {
    auto k = MakeKernel(name);
    EXPECT_NEAR(k->Filter(0.0f), 1.0, 1e-6) << name;
    EXPECT_NEAR(k->Filter(1.0f), 0.0, 1e-6) << name;
    EXPECT_NEAR(k->Filter(-2.0f), 0.0, 1e-6) << name;
    EXPECT_EQ(k->Filter(3.0f), 0.0f) << name;
    EXPECT_EQ(k->Width(), 3.0f) << name;
    EXPECT_TRUE(k->RangeCheck()) << name;
  }
  for (const char* name : {"TBoxKernel", "TLinearKernel", "TCosineKernel"}) {
    EXPECT_FALSE(MakeKernel(name)->RangeCheck()) << name;
    EXPECT_EQ(MakeKernel(name)->Width(), 1.0f) << name;
  }
  for (const char* name : {"TSplineKernel", "TMitchellKernel", "TCubicKernel", "THermiteKernel"}) {
    EXPECT_TRUE(MakeKernel(name)->RangeCheck()) << name;
    EXPECT_EQ(MakeKernel(name)->Width(), 2.0f) << name;
  }
}

// Interpolating and approximating cubics sum to 1 over the integer shifts of any position, so a
// flat picture stays flat; a wrong coefficient anywhere breaks this.
TEST(KernelCurves, PiecewiseKernelsArePartitionsOfUnity) {
  for (const char* name : {"TLinearKernel", "TCosineKernel", "TSplineKernel", "TMitchellKernel",
                           "TCubicKernel", "THermiteKernel"}) {
    auto k = MakeKernel(name);
    for (double x = 0.0; x < 1.0; x += 0.0625) {
      double sum = 0.0;
      for (int n = -3; n <= 3; ++n) sum += k->Filter(static_cast<float>(x + n));
      EXPECT_NEAR(sum, 1.0, 1e-5) << name << " at " << x;
    }
  }
  // Hermite without bias and tension is the cubic with coefficient -0.5.
  THermiteKernel hermite;
  TCubicKernel cubic;
  for (double x = -2.5; x <= 2.5; x += 0.125)
    EXPECT_NEAR(hermite.Filter(static_cast<float>(x)), cubic.Filter(static_cast<float>(x)), 1e-6)
        << x;
  // A bias leans it to one side.
  hermite.SetBias(0.5f);
  EXPECT_NE(hermite.Filter(0.5f), hermite.Filter(-0.5f));
}

TEST(KernelParameters, SettersClampRefuseAndNotifyOnlyOnChange) {
  ChangeCounter observer;
  TLanczosKernel lanczos;
  lanczos.SetObserver(&observer);
  lanczos.SetWidth(2.0f);
  EXPECT_EQ(lanczos.Width(), 2.0f);
  EXPECT_EQ(observer.count, 1);
  lanczos.SetWidth(2.0f);
  EXPECT_EQ(observer.count, 1) << "an unchanged value is not a change";
  lanczos.SetWidth(9.0f);
  EXPECT_EQ(lanczos.Width(), 4.0f) << "widths above 4 become 4";
  lanczos.SetWidth(0.0f);
  lanczos.SetWidth(-1.0f);
  lanczos.SetWidth(NAN);
  EXPECT_EQ(lanczos.Width(), 4.0f);
  EXPECT_EQ(observer.count, 2);

  TGaussianKernel gauss;
  gauss.SetObserver(&observer);
  EXPECT_FLOAT_EQ(gauss.Sigma(), 1.33f);
  gauss.SetSigma(0.0f);
  gauss.SetSigma(INFINITY);
  EXPECT_FLOAT_EQ(gauss.Sigma(), 1.33f);
  gauss.SetSigma(0.5f);
  EXPECT_EQ(observer.count, 3);
  // A narrower Gaussian window damps the sinc more.
  TGaussianKernel wide;
  EXPECT_LT(std::fabs(gauss.Filter(1.5f)), std::fabs(wide.Filter(1.5f)));

  TSinshKernel sinsh;
  sinsh.SetCoeff(0.0f);
  sinsh.SetCoeff(-1.0f);
  EXPECT_FLOAT_EQ(sinsh.Coeff(), 0.5f);
  TCubicKernel cubic;
  cubic.SetCoeff(NAN);
  EXPECT_FLOAT_EQ(cubic.Coeff(), -0.5f);
  cubic.SetCoeff(-1.0f);
  EXPECT_NEAR(cubic.Filter(0.5f), 0.625, 1e-6);

  // Without an observer a setter only stores.
  THermiteKernel hermite;
  hermite.SetTension(0.25f);
  EXPECT_FLOAT_EQ(hermite.Tension(), 0.25f);
}

TEST(KernelParameters, AssignCopiesTheParametersOfTheSameClass) {
  TGaussianKernel a;
  a.SetWidth(2.5f);
  a.SetSigma(0.75f);
  TGaussianKernel b;
  b.Assign(&a);
  EXPECT_EQ(b.Width(), 2.5f);
  EXPECT_EQ(b.Sigma(), 0.75f);

  THermiteKernel h1, h2;
  h1.SetBias(0.2f);
  h1.SetTension(-0.3f);
  h2.Assign(&h1);
  EXPECT_EQ(h2.Bias(), 0.2f);
  EXPECT_EQ(h2.Tension(), -0.3f);

  // Another kernel class carries nothing over and is no error.
  TCubicKernel cubic;
  cubic.SetCoeff(-0.75f);
  TBoxKernel box;
  EXPECT_NO_THROW(cubic.Assign(&box));
  EXPECT_EQ(cubic.Coeff(), -0.75f);
}

}  // namespace pictavia
