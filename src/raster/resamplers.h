// Samplers and resamplers: single samples at integer, 16.16 fixed or float positions, and the
// stretch of one rectangle into another. Every bitmap owns one resampler (nearest by default).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "raster/bitmap32.h"

#include "raster/fixed_point.h"

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
