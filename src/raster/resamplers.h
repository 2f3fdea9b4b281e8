// Samplers and resamplers: single samples at integer, 16.16 fixed or float positions, and the
// stretch of one rectangle into another. Every bitmap owns one resampler (nearest by default).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "raster/bitmap32.h"
#include "raster/containers.h"
#include "raster/fixed_point.h"
#include "raster/kernels.h"

namespace pictavia {

enum TPixelAccessMode { pamUnsafe, pamSafe, pamWrap, pamTransparentEdge };

class TCustomSampler : public TNotifiablePersistent {
 public:
  const char* ClassName() const override { return "TCustomSampler"; }
  virtual TColor32 SampleAtInt(int X, int Y);
  virtual TColor32 SampleAtFixed(TFixed X, TFixed Y);
  virtual TColor32 SampleAtFloat(float X, float Y);
  virtual void BeginSampling() {}
  virtual void EndSampling() {}
  virtual bool IsBounded() const { return false; }
  virtual TRect SampleBounds() const;
};

class TCustomResampler : public TCustomSampler {
 public:
  const char* ClassName() const override { return "TCustomResampler"; }
  // Support width of the filter in source pixels.
  virtual float SupportWidth() const = 0;
  // Stretches SrcRect of Src onto DstRect of Dst, drawing only inside DstClip.
  virtual void Resample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip, const TBitmap32& Src,
                        const TRect& SrcRect, TDrawMode CombineOp,
                        const TPixelCombineEvent& CombineCallBack) = 0;
};

// A resampler bound to one bitmap (not owned); property changes notify that bitmap.
class TBitmap32Resampler : public TCustomResampler {
 public:
  explicit TBitmap32Resampler(TBitmap32* ABitmap = nullptr) : bitmap_(ABitmap) {}
  const char* ClassName() const override { return "TBitmap32Resampler"; }
  TBitmap32* Bitmap() const { return bitmap_; }
  TPixelAccessMode PixelAccessMode() const { return pixelAccessMode_; }
  void SetPixelAccessMode(TPixelAccessMode Value);
  void Changed() override;
  void BeginSampling() override;
  bool IsBounded() const override { return true; }
  TRect SampleBounds() const override;
  // Copies the settings of a resampler of the same class (used when a bitmap is assigned).
  void Assign(const TPersistent* Source) override;

 protected:
  TBitmap32* bitmap_;
  TRect clipRect_;
  TPixelAccessMode pixelAccessMode_ = pamSafe;
};

// Nearest-neighbour sampling; the stretch repeats or drops source pixels.
class TNearestResampler : public TBitmap32Resampler {
 public:
  using TBitmap32Resampler::TBitmap32Resampler;
  const char* ClassName() const override { return "TNearestResampler"; }
  float SupportWidth() const override { return 1.0f; }
  TColor32 SampleAtInt(int X, int Y) override;
  TColor32 SampleAtFixed(TFixed X, TFixed Y) override;
  TColor32 SampleAtFloat(float X, float Y) override;
  void Resample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip, const TBitmap32& Src,
                const TRect& SrcRect, TDrawMode CombineOp,
                const TPixelCombineEvent& CombineCallBack) override;
};

// The pixel (X, Y) of Bitmap through a pixel access mode, for filters that read around a
// position: unlike the nearest sampler's pamUnsafe, taps outside the bitmap are clamped into it.
TColor32 AccessBitmapPixel(const TBitmap32& Bitmap, TPixelAccessMode Mode, int X, int Y);

// Bilinear enlargement, otherwise the kernel stretch with a linear kernel; single samples
// interpolate the four pixels around a 16.16 position.
class TLinearResampler : public TBitmap32Resampler {
 public:
  explicit TLinearResampler(TBitmap32* ABitmap = nullptr);
  const char* ClassName() const override { return "TLinearResampler"; }
  float SupportWidth() const override { return 1.0f; }
  TColor32 SampleAtInt(int X, int Y) override;
  TColor32 SampleAtFixed(TFixed X, TFixed Y) override;
  TColor32 SampleAtFloat(float X, float Y) override;
  void Resample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip, const TBitmap32& Src,
                const TRect& SrcRect, TDrawMode CombineOp,
                const TPixelCombineEvent& CombineCallBack) override;

 protected:
  std::unique_ptr<TLinearKernel> linearKernel_;
};

// The linear resampler with a fast box-average reduction.
class TDraftResampler : public TLinearResampler {
 public:
  using TLinearResampler::TLinearResampler;
  const char* ClassName() const override { return "TDraftResampler"; }
  void Resample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip, const TBitmap32& Src,
                const TRect& SrcRect, TDrawMode CombineOp,
                const TPixelCombineEvent& CombineCallBack) override;
};

// The separable stretch with any registered kernel (a box by default).
class TKernelResampler : public TBitmap32Resampler {
 public:
  explicit TKernelResampler(TBitmap32* ABitmap = nullptr);
  ~TKernelResampler() override;
  const char* ClassName() const override { return "TKernelResampler"; }
  float SupportWidth() const override { return kernel_->Width(); }

  TCustomKernel& Kernel() const { return *kernel_; }
  // Takes ownership of a new kernel; null or the current kernel are ignored.
  void SetKernel(std::unique_ptr<TCustomKernel> Value);
  std::string KernelClassName() const { return kernel_->ClassName(); }
  // A registered kernel class of another name replaces the kernel; unknown names are ignored.
  void SetKernelClassName(const std::string& Value);
  TKernelMode KernelMode() const { return kernelMode_; }
  void SetKernelMode(TKernelMode Value);
  int TableSize() const { return tableSize_; }
  // Kept within 2 .. MaxTableSize.
  void SetTableSize(int Value);
  static constexpr int MaxTableSize = 65536;

  // Copies kernel (class and parameters), kernel mode, table size and pixel access mode.
  void Assign(const TPersistent* Source) override;
  void Changed() override;

  // Builds the weight table in the table modes; EndSampling frees it.
  void BeginSampling() override;
  void EndSampling() override;
  TColor32 SampleAtInt(int X, int Y) override;
  TColor32 SampleAtFixed(TFixed X, TFixed Y) override;
  TColor32 SampleAtFloat(float X, float Y) override;
  void Resample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip, const TBitmap32& Src,
                const TRect& SrcRect, TDrawMode CombineOp,
                const TPixelCombineEvent& CombineCallBack) override;

  // The weight table of the table modes while sampling (null otherwise): 2 ceil(width) + 1
  // weights for each of TableSize + 1 sub-pixel positions, each row summing to 256.
  const TIntegerMap* WeightTable() const { return weightTable_.get(); }

 private:
  void BuildWeightTable();
  // Single sample at a position in pixels (integer coordinates are pixel centres).
  TColor32 Sample(double X, double Y);
  // The weights of the 2R + 1 taps around a position with fraction Frac (0 <= Frac < 1).
  void TapWeights(double Frac, int R, float* Weights);

  std::unique_ptr<TCustomKernel> kernel_;
  TKernelMode kernelMode_ = kmDynamic;
  std::unique_ptr<TIntegerMap> weightTable_;
  int tableSize_ = 32;
};

// The registry of resampler classes by name, in registration order.
using TResamplerFactory = std::function<std::unique_ptr<TCustomResampler>(TBitmap32* Bitmap)>;

struct TResamplerClass {
  std::string Name;
  TResamplerFactory Create;
};

// All registered resampler classes (filled on first use).
const std::vector<TResamplerClass>& ResamplerList();
// The first class of that exact name, or null.
const TResamplerClass* FindResamplerClass(const std::string& Name);

}  // namespace pictavia
