// The kernel resampler: its kernel and modes, the weight table of the table modes, single samples
// through the kernel, and the stretch through KernelResample.
#include <algorithm>
#include <cmath>

#include "raster/resamplers.h"

namespace pictavia {

namespace {

// Taps a single sample reads on each side of its pixel; kernels wider than this are cut.
constexpr int kMaxRadius = 16;
constexpr int kMaxTaps = 2 * kMaxRadius + 1;

int Radius(const TCustomKernel& Kernel) {
  const float w = Kernel.Width();
  if (!(w > 0.0f)) return 1;
  return std::clamp(static_cast<int>(std::ceil(w)), 1, kMaxRadius);
}

// Positions beyond this are far outside every bitmap; clamping keeps the tap indexes in range.
constexpr double kFarOutside = 1 << 30;

double SafePosition(double V) {
  if (!(V == V)) return kFarOutside;  // NaN
  return std::clamp(V, -kFarOutside, kFarOutside);
}

}  // namespace

TKernelResampler::TKernelResampler(TBitmap32* ABitmap)
    : TBitmap32Resampler(ABitmap), kernel_(std::make_unique<TBoxKernel>()) {
  kernel_->SetObserver(this);
}

TKernelResampler::~TKernelResampler() = default;

void TKernelResampler::SetKernel(std::unique_ptr<TCustomKernel> Value) {
  if (!Value) return;
  if (Value.get() == kernel_.get()) {
    (void)Value.release();  // already ours
    return;
  }
  kernel_ = std::move(Value);
  kernel_->SetObserver(this);
  Changed();
}

void TKernelResampler::SetKernelClassName(const std::string& Value) {
  if (Value.empty() || Value == KernelClassName()) return;
  if (const TKernelClass* cls = FindKernelClass(Value)) SetKernel(cls->Create());
}

void TKernelResampler::SetKernelMode(TKernelMode Value) {
  if (Value == kernelMode_) return;
  kernelMode_ = Value;
  Changed();
}

void TKernelResampler::SetTableSize(int Value) {
  Value = std::clamp(Value, 2, MaxTableSize);
  if (Value == tableSize_) return;
  tableSize_ = Value;
  Changed();
}

void TKernelResampler::Assign(const TPersistent* Source) {
  if (Source == this) return;
  if (auto* r = dynamic_cast<const TKernelResampler*>(Source)) {
    if (r->KernelClassName() != KernelClassName()) {
      if (const TKernelClass* cls = FindKernelClass(r->KernelClassName())) {
        kernel_ = cls->Create();
        kernel_->SetObserver(this);
      }
    }
    // One notification for the whole copy, not one per parameter.
    kernel_->SetObserver(nullptr);
    kernel_->Assign(r->kernel_.get());
    kernel_->SetObserver(this);
    kernelMode_ = r->kernelMode_;
    tableSize_ = r->tableSize_;
    TBitmap32Resampler::Assign(Source);
    Changed();
    return;
  }
  TBitmap32Resampler::Assign(Source);
}

void TKernelResampler::Changed() {
  // The table belongs to the old settings; sampling builds a new one when it needs it.
  weightTable_.reset();
  TBitmap32Resampler::Changed();
}

void TKernelResampler::BeginSampling() {
  TBitmap32Resampler::BeginSampling();
  if (kernelMode_ != kmDynamic) BuildWeightTable();
}

void TKernelResampler::EndSampling() {
  weightTable_.reset();
}

void TKernelResampler::BuildWeightTable() {
  const int r = Radius(*kernel_);
  const int taps = 2 * r + 1;
  auto table = std::make_unique<TIntegerMap>();
  table->SetSize(taps, tableSize_ + 1);
  double f[kMaxTaps];
  for (int p = 0; p <= tableSize_; ++p) {
    const double frac = static_cast<double>(p) / tableSize_;
    double sum = 0.0;
    for (int k = 0; k < taps; ++k) {
      f[k] = kernel_->Filter(static_cast<float>(k - r - frac));
      sum += f[k];
    }
    int32_t* row = table->CellAddress(0, p);
    if (std::fabs(sum) < 1e-9) {
      // No weight anywhere: the nearest tap takes it all.
      std::fill(row, row + taps, 0);
      row[r + (frac > 0.5 ? 1 : 0)] = 256;
      continue;
    }
    // Normalised first, so kernels that are no partition of unity keep the brightness.
    int total = 0, largest = 0;
    for (int k = 0; k < taps; ++k) {
      row[k] = static_cast<int32_t>(std::nearbyint(256.0 * f[k] / sum));
      total += row[k];
      if (std::abs(row[k]) > std::abs(row[largest])) largest = k;
    }
    // The rounding remainder goes to the largest weight, where it matters least.
    row[largest] += 256 - total;
  }
  weightTable_ = std::move(table);
}

void TKernelResampler::TapWeights(double Frac, int R, float* Weights) {
  const int taps = 2 * R + 1;
  if (kernelMode_ == kmDynamic) {
    double f[kMaxTaps];
    double sum = 0.0;
    for (int k = 0; k < taps; ++k) {
      f[k] = kernel_->Filter(static_cast<float>(k - R - Frac));
      sum += f[k];
    }
    if (std::fabs(sum) < 1e-9) {
      std::fill(Weights, Weights + taps, 0.0f);
      Weights[R + (Frac > 0.5 ? 1 : 0)] = 1.0f;
      return;
    }
    for (int k = 0; k < taps; ++k) Weights[k] = static_cast<float>(f[k] / sum);
    return;
  }
  if (!weightTable_) BuildWeightTable();
  const double pos = Frac * tableSize_;
  if (kernelMode_ == kmTableNearest) {
    const int p = std::clamp(static_cast<int>(std::nearbyint(pos)), 0, tableSize_);
    const int32_t* row = weightTable_->CellAddress(0, p);
    for (int k = 0; k < taps; ++k) Weights[k] = static_cast<float>(row[k]) / 256.0f;
    return;
  }
  const int p0 = std::clamp(static_cast<int>(std::floor(pos)), 0, tableSize_);
  const int p1 = std::min(p0 + 1, tableSize_);
  const float t = static_cast<float>(pos - p0);
  const int32_t* row0 = weightTable_->CellAddress(0, p0);
  const int32_t* row1 = weightTable_->CellAddress(0, p1);
  for (int k = 0; k < taps; ++k)
    Weights[k] =
        (static_cast<float>(row0[k]) * (1.0f - t) + static_cast<float>(row1[k]) * t) / 256.0f;
}

TColor32 TKernelResampler::Sample(double X, double Y) {
  if (!bitmap_) return 0;
  const TBitmap32& b = *bitmap_;
  X = SafePosition(X);
  Y = SafePosition(Y);
  const double fx = std::floor(X), fy = std::floor(Y);
  const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  const int r = Radius(*kernel_);
  const int taps = 2 * r + 1;
  float wx[kMaxTaps], wy[kMaxTaps];
  TapWeights(X - fx, r, wx);
  TapWeights(Y - fy, r, wy);

  float acc[4] = {0, 0, 0, 0};
  for (int j = 0; j < taps; ++j) {
    if (wy[j] == 0.0f) continue;
    float row[4] = {0, 0, 0, 0};
    for (int k = 0; k < taps; ++k) {
      if (wx[k] == 0.0f) continue;
      const TColor32 c = AccessBitmapPixel(b, pixelAccessMode_, ix - r + k, iy - r + j);
      row[0] += wx[k] * static_cast<float>(c & 0xFF);
      row[1] += wx[k] * static_cast<float>((c >> 8) & 0xFF);
      row[2] += wx[k] * static_cast<float>((c >> 16) & 0xFF);
      row[3] += wx[k] * static_cast<float>(c >> 24);
    }
    for (int c = 0; c < 4; ++c) acc[c] += wy[j] * row[c];
  }
  TColor32 result = 0;
  for (int c = 0; c < 4; ++c) {
    // Clamped always: negative lobes (the range-checked kernels) overshoot at edges.
    const float v = std::clamp(acc[c], 0.0f, 255.0f);
    result |= static_cast<TColor32>(std::nearbyint(v)) << (8 * c);
  }
  return result;
}

TColor32 TKernelResampler::SampleAtInt(int X, int Y) {
  return Sample(X, Y);
}

TColor32 TKernelResampler::SampleAtFixed(TFixed X, TFixed Y) {
  return Sample(X / 65536.0, Y / 65536.0);
}

TColor32 TKernelResampler::SampleAtFloat(float X, float Y) {
  return Sample(X, Y);
}

void TKernelResampler::Resample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip,
                                const TBitmap32& Src, const TRect& SrcRect, TDrawMode CombineOp,
                                const TPixelCombineEvent& CombineCallBack) {
  KernelResample(Dst, DstRect, DstClip, Src, SrcRect, *kernel_, kernelMode_, tableSize_, CombineOp,
                 CombineCallBack);
}

}  // namespace pictavia
