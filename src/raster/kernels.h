// Filter kernels of the kernel resampler (box, linear, cubic family, windowed sincs, ...), their
// registry by class name, and the separable kernel resampling shared by the resamplers.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "raster/bitmap32.h"
#include "toolkit/object.h"

namespace pictavia {

// How the kernel resampler evaluates its kernel: directly, or through a table of weights taken
// at TableSize steps per pixel (nearest entry or interpolated between two entries).
enum TKernelMode { kmDynamic, kmTableNearest, kmTableLinear };

// A filter function of one argument with a support width. Parameter setters store a changed
// value and raise Changed on the observer (the resampler that owns the kernel), if any.
class TCustomKernel : public TPersistent {
 public:
  const char* ClassName() const override { return "TCustomKernel"; }
  // The filter at X, where X is the offset of a source pixel from the sample position.
  virtual float Filter(float X) const = 0;
  // Half the support: Filter is 0 for |X| > Width.
  virtual float Width() const = 0;
  // True for kernels with negative lobes, whose results can leave 0..255.
  virtual bool RangeCheck() const { return false; }
  // Copies the parameters of a kernel of the same class; other kernels carry nothing over.
  void Assign(const TPersistent* Source) override;

  TNotifiablePersistent* Observer() const { return observer_; }
  void SetObserver(TNotifiablePersistent* Value) { observer_ = Value; }

 protected:
  void Changed();

 private:
  TNotifiablePersistent* observer_ = nullptr;
};

class TBoxKernel : public TCustomKernel {
 public:
  const char* ClassName() const override { return "TBoxKernel"; }
  float Filter(float X) const override;
  float Width() const override { return 1.0f; }
};

class TLinearKernel : public TCustomKernel {
 public:
  const char* ClassName() const override { return "TLinearKernel"; }
  float Filter(float X) const override;
  float Width() const override { return 1.0f; }
};

class TCosineKernel : public TCustomKernel {
 public:
  const char* ClassName() const override { return "TCosineKernel"; }
  float Filter(float X) const override;
  float Width() const override { return 1.0f; }
};

// The cubic B-spline.
class TSplineKernel : public TCustomKernel {
 public:
  const char* ClassName() const override { return "TSplineKernel"; }
  float Filter(float X) const override;
  float Width() const override { return 2.0f; }
  bool RangeCheck() const override { return true; }
};

// The cubic with B = C = 1/3.
class TMitchellKernel : public TCustomKernel {
 public:
  const char* ClassName() const override { return "TMitchellKernel"; }
  float Filter(float X) const override;
  float Width() const override { return 2.0f; }
  bool RangeCheck() const override { return true; }
};

// The interpolating cubic with a free coefficient (-0.5 by default).
class TCubicKernel : public TCustomKernel {
 public:
  const char* ClassName() const override { return "TCubicKernel"; }
  float Filter(float X) const override;
  float Width() const override { return 2.0f; }
  bool RangeCheck() const override { return true; }
  void Assign(const TPersistent* Source) override;
  float Coeff() const { return coeff_; }
  // A value that is not finite is refused.
  void SetCoeff(float Value);

 private:
  float coeff_ = -0.5f;
};

// sinc(x) times a window, inside Width (3 by default, at most 4).
class TWindowedSincKernel : public TCustomKernel {
 public:
  const char* ClassName() const override { return "TWindowedSincKernel"; }
  float Filter(float X) const override;
  float Width() const override { return width_; }
  bool RangeCheck() const override { return true; }
  void Assign(const TPersistent* Source) override;
  // Values above 4 become 4; values that are not above 0 (or not numbers) are refused.
  void SetWidth(float Value);

 protected:
  // The window at X, |X| < Width.
  virtual double Window(double X) const = 0;
  float width_ = 3.0f;
};

class TLanczosKernel : public TWindowedSincKernel {
 public:
  const char* ClassName() const override { return "TLanczosKernel"; }

 protected:
  double Window(double X) const override;
};

// The sinc under a Gaussian window exp(-x^2 / Sigma).
class TGaussianKernel : public TWindowedSincKernel {
 public:
  const char* ClassName() const override { return "TGaussianKernel"; }
  void Assign(const TPersistent* Source) override;
  float Sigma() const { return sigma_; }
  // Values that are not above 0 (or not finite) are refused.
  void SetSigma(float Value);

 protected:
  double Window(double X) const override;

 private:
  float sigma_ = 1.33f;
};

class TBlackmanKernel : public TWindowedSincKernel {
 public:
  const char* ClassName() const override { return "TBlackmanKernel"; }

 protected:
  double Window(double X) const override;
};

class THannKernel : public TWindowedSincKernel {
 public:
  const char* ClassName() const override { return "THannKernel"; }

 protected:
  double Window(double X) const override;
};

class THammingKernel : public TWindowedSincKernel {
 public:
  const char* ClassName() const override { return "THammingKernel"; }

 protected:
  double Window(double X) const override;
};

// c sin(pi x) / sinh(c pi x) inside Width.
class TSinshKernel : public TCustomKernel {
 public:
  const char* ClassName() const override { return "TSinshKernel"; }
  float Filter(float X) const override;
  float Width() const override { return width_; }
  bool RangeCheck() const override { return true; }
  void Assign(const TPersistent* Source) override;
  // Values above 4 become 4; values that are not above 0 are refused.
  void SetWidth(float Value);
  float Coeff() const { return coeff_; }
  // Values that are not above 0 (or not finite) are refused.
  void SetCoeff(float Value);

 private:
  float width_ = 3.0f;
  float coeff_ = 0.5f;
};

// The cardinal Hermite cubic with bias and tension; not symmetric when Bias is not 0.
class THermiteKernel : public TCustomKernel {
 public:
  const char* ClassName() const override { return "THermiteKernel"; }
  float Filter(float X) const override;
  float Width() const override { return 2.0f; }
  bool RangeCheck() const override { return true; }
  void Assign(const TPersistent* Source) override;
  float Bias() const { return bias_; }
  void SetBias(float Value);  // not finite: refused
  float Tension() const { return tension_; }
  void SetTension(float Value);  // not finite: refused

 private:
  float bias_ = 0.0f;
  float tension_ = 0.0f;
};

// The registry of kernel classes by name, in registration order.
using TKernelFactory = std::function<std::unique_ptr<TCustomKernel>()>;

struct TKernelClass {
  std::string Name;
  TKernelFactory Create;
};

// All registered kernel classes (filled on first use).
const std::vector<TKernelClass>& KernelList();
// The first class of that exact name, or null.
const TKernelClass* FindKernelClass(const std::string& Name);

// The separable kernel stretch of SrcRect of Src onto DstRect of Dst inside DstClip: every
// destination pixel's centre is mapped into the source, the kernel is widened by the scale when
// reducing, taps beyond SrcRect take its edge pixels, weights are normalised, and channels are
// clamped to 0..255. Each finished row is drawn with CombineOp as the transfers draw.
// TableSize > 1 with a table mode evaluates the kernel through a table (TableSize steps a pixel).
void KernelResample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip, const TBitmap32& Src,
                    const TRect& SrcRect, const TCustomKernel& Kernel, TKernelMode Mode,
                    int TableSize, TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack);

}  // namespace pictavia
