// Sampler defaults, the bitmap-bound resampler base, and the registry of resampler classes.
#include "raster/resamplers.h"

#include <cmath>

namespace pictavia {

// ---------------------------------------------------------------------------------------------
// TCustomSampler: each form falls back on another, so a sampler overrides at least one.

TColor32 TCustomSampler::SampleAtInt(int X, int Y) {
  return SampleAtFixed(static_cast<TFixed>(static_cast<uint32_t>(X) << 16),
                       static_cast<TFixed>(static_cast<uint32_t>(Y) << 16));
}

TColor32 TCustomSampler::SampleAtFixed(TFixed X, TFixed Y) {
  return SampleAtFloat(X / 65536.0f, Y / 65536.0f);
}

TColor32 TCustomSampler::SampleAtFloat(float X, float Y) {
  return SampleAtFixed(FloatToFixed(X), FloatToFixed(Y));
}

TRect TCustomSampler::SampleBounds() const {
  return Rect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
}

// ---------------------------------------------------------------------------------------------
// TBitmap32Resampler

void TBitmap32Resampler::SetPixelAccessMode(TPixelAccessMode Value) {
  if (pixelAccessMode_ == Value) return;
  pixelAccessMode_ = Value;
  Changed();
}

void TBitmap32Resampler::Changed() {
  if (bitmap_) bitmap_->Changed();
}

void TBitmap32Resampler::BeginSampling() {
  if (bitmap_) clipRect_ = bitmap_->ClipRect();
}

TRect TBitmap32Resampler::SampleBounds() const {
  TRect r = clipRect_;
  if (pixelAccessMode_ == pamTransparentEdge) InflateRect(r, 1, 1);
  return r;
}

void TBitmap32Resampler::Assign(const TPersistent* Source) {
  if (auto* r = dynamic_cast<const TBitmap32Resampler*>(Source)) {
    pixelAccessMode_ = r->pixelAccessMode_;
    return;
  }
  TCustomResampler::Assign(Source);
}

// ---------------------------------------------------------------------------------------------
// Registry

namespace {

template <class T>
TResamplerClass Entry(const char* name) {
  return TResamplerClass{name, [](TBitmap32* b) -> std::unique_ptr<TCustomResampler> {
                           return std::make_unique<T>(b);
                         }};
}

std::vector<TResamplerClass> BuildResamplerList() {
  std::vector<TResamplerClass> list;
  list.push_back(Entry<TNearestResampler>("TNearestResampler"));
  list.push_back(Entry<TLinearResampler>("TLinearResampler"));
  list.push_back(Entry<TDraftResampler>("TDraftResampler"));
  list.push_back(Entry<TKernelResampler>("TKernelResampler"));
  return list;
}

}  // namespace

const std::vector<TResamplerClass>& ResamplerList() {
  static const std::vector<TResamplerClass> list = BuildResamplerList();
  return list;
}

const TResamplerClass* FindResamplerClass(const std::string& Name) {
  for (const auto& c : ResamplerList())
    if (c.Name == Name) return &c;
  return nullptr;
}

}  // namespace pictavia
