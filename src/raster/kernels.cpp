// The thirteen filter kernels, their registry, and the separable kernel stretch that the kernel
// and linear resamplers share.
#include "raster/kernels.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include "raster/blend.h"
#include "raster/fixed_point.h"
#include "raster/transfers.h"
#include "toolkit/exceptions.h"

namespace pictavia {

namespace {

constexpr double kPi = std::numbers::pi;

double Sinc(double X) {
  if (X == 0.0) return 1.0;
  const double v = kPi * X;
  return std::sin(v) / v;
}

// Windowed kernels take at most this half-width: beyond it the taps cost more than they give.
constexpr float kMaxKernelWidth = 4.0f;

}  // namespace

// ---------------------------------------------------------------------------------------------
// TCustomKernel

void TCustomKernel::Assign(const TPersistent* Source) {
  if (dynamic_cast<const TCustomKernel*>(Source)) return;  // no parameters of its own
  TPersistent::Assign(Source);
}

void TCustomKernel::Changed() {
  if (observer_) observer_->Changed();
}

// ---------------------------------------------------------------------------------------------
// Fixed kernels

float TBoxKernel::Filter(float X) const {
  return (X >= -0.5f && X <= 0.5f) ? 1.0f : 0.0f;
}

float TLinearKernel::Filter(float X) const {
  const float a = std::fabs(X);
  return a < 1.0f ? 1.0f - a : 0.0f;
}

float TCosineKernel::Filter(float X) const {
  if (std::fabs(X) >= 1.0f) return 0.0f;
  return static_cast<float>((std::cos(kPi * X) + 1.0) * 0.5);
}

float TSplineKernel::Filter(float X) const {
  const double a = std::fabs(static_cast<double>(X));
  if (a < 1.0) return static_cast<float>(a * a * a / 2.0 - a * a + 2.0 / 3.0);
  if (a < 2.0) {
    const double t = 2.0 - a;
    return static_cast<float>(t * t * t / 6.0);
  }
  return 0.0f;
}

float TMitchellKernel::Filter(float X) const {
  const double a = std::fabs(static_cast<double>(X));
  const double a2 = a * a, a3 = a2 * a;
  if (a < 1.0) return static_cast<float>((7.0 * a3 - 12.0 * a2 + 16.0 / 3.0) / 6.0);
  if (a < 2.0)
    return static_cast<float>((-7.0 / 3.0 * a3 + 12.0 * a2 - 20.0 * a + 32.0 / 3.0) / 6.0);
  return 0.0f;
}

// ---------------------------------------------------------------------------------------------
// TCubicKernel

float TCubicKernel::Filter(float X) const {
  const double a = std::fabs(static_cast<double>(X));
  const double c = coeff_;
  const double a2 = a * a, a3 = a2 * a;
  if (a < 1.0) return static_cast<float>((c + 2.0) * a3 - (c + 3.0) * a2 + 1.0);
  if (a < 2.0) return static_cast<float>(c * (a3 - 5.0 * a2 + 8.0 * a - 4.0));
  return 0.0f;
}

void TCubicKernel::Assign(const TPersistent* Source) {
  if (auto* k = dynamic_cast<const TCubicKernel*>(Source)) {
    SetCoeff(k->coeff_);
    return;
  }
  TCustomKernel::Assign(Source);
}

void TCubicKernel::SetCoeff(float Value) {
  if (!std::isfinite(Value) || Value == coeff_) return;
  coeff_ = Value;
  Changed();
}

// ---------------------------------------------------------------------------------------------
// Windowed sincs

float TWindowedSincKernel::Filter(float X) const {
  const double x = X;
  if (std::fabs(x) >= width_) return 0.0f;
  return static_cast<float>(Sinc(x) * Window(x));
}

void TWindowedSincKernel::Assign(const TPersistent* Source) {
  if (auto* k = dynamic_cast<const TWindowedSincKernel*>(Source)) {
    SetWidth(k->width_);
    return;
  }
  TCustomKernel::Assign(Source);
}

void TWindowedSincKernel::SetWidth(float Value) {
  if (!(Value > 0.0f)) return;  // also refuses NaN
  Value = std::min(Value, kMaxKernelWidth);
  if (Value == width_) return;
  width_ = Value;
  Changed();
}

double TLanczosKernel::Window(double X) const {
  return Sinc(X / width_);
}

double TBlackmanKernel::Window(double X) const {
  const double t = kPi * X / width_;
  return 0.42 + 0.5 * std::cos(t) + 0.08 * std::cos(2.0 * t);
}

double THannKernel::Window(double X) const {
  return 0.5 + 0.5 * std::cos(kPi * X / width_);
}

double THammingKernel::Window(double X) const {
  return 0.54 + 0.46 * std::cos(kPi * X / width_);
}

double TGaussianKernel::Window(double X) const {
  return std::exp(-X * X / sigma_);
}

void TGaussianKernel::Assign(const TPersistent* Source) {
  if (auto* k = dynamic_cast<const TGaussianKernel*>(Source)) {
    SetWidth(k->width_);
    SetSigma(k->sigma_);
    return;
  }
  TWindowedSincKernel::Assign(Source);
}

void TGaussianKernel::SetSigma(float Value) {
  if (!std::isfinite(Value) || !(Value > 0.0f) || Value == sigma_) return;
  sigma_ = Value;
  Changed();
}

// ---------------------------------------------------------------------------------------------
// TSinshKernel

float TSinshKernel::Filter(float X) const {
  const double x = X;
  if (std::fabs(x) >= width_) return 0.0f;
  if (x == 0.0) return 1.0f;
  const double c = coeff_;
  return static_cast<float>(c * std::sin(kPi * x) / std::sinh(c * kPi * x));
}

void TSinshKernel::Assign(const TPersistent* Source) {
  if (auto* k = dynamic_cast<const TSinshKernel*>(Source)) {
    SetWidth(k->width_);
    SetCoeff(k->coeff_);
    return;
  }
  TCustomKernel::Assign(Source);
}

void TSinshKernel::SetWidth(float Value) {
  if (!(Value > 0.0f)) return;
  Value = std::min(Value, kMaxKernelWidth);
  if (Value == width_) return;
  width_ = Value;
  Changed();
}

void TSinshKernel::SetCoeff(float Value) {
  // c = 0 divides by sinh(0); a negative c gives the same curve as -c.
  if (!std::isfinite(Value) || !(Value > 0.0f) || Value == coeff_) return;
  coeff_ = Value;
  Changed();
}

// ---------------------------------------------------------------------------------------------
// THermiteKernel

float THermiteKernel::Filter(float X) const {
  const double x = X;
  const double n = std::floor(x);
  const double t = std::fabs(n - x);
  const double t2 = t * t, t3 = t2 * t;
  const double e = 3.0 * t2 - 2.0 * t3;
  const double g = (1.0 - tension_) / 2.0;
  const double gb = g * (1.0 - bias_);
  const double ga = g * (1.0 + bias_);
  const double u = t + t3 - 2.0 * t2;
  const double v = t3 - t2;
  double r = 0.0;
  if (n == 0.0)
    r = u * (ga - gb) + (1.0 - e) - v * ga;
  else if (n == 1.0)
    r = -u * ga;
  else if (n == -2.0)
    r = gb * v;
  else if (n == -1.0)
    r = e + gb * u + v * (ga - gb);
  return static_cast<float>(r);
}

void THermiteKernel::Assign(const TPersistent* Source) {
  if (auto* k = dynamic_cast<const THermiteKernel*>(Source)) {
    SetBias(k->bias_);
    SetTension(k->tension_);
    return;
  }
  TCustomKernel::Assign(Source);
}

void THermiteKernel::SetBias(float Value) {
  if (!std::isfinite(Value) || Value == bias_) return;
  bias_ = Value;
  Changed();
}

void THermiteKernel::SetTension(float Value) {
  if (!std::isfinite(Value) || Value == tension_) return;
  tension_ = Value;
  Changed();
}

// ---------------------------------------------------------------------------------------------
// Registry

namespace {

template <class T>
TKernelClass KernelEntry(const char* name) {
  return TKernelClass{name,
                      []() -> std::unique_ptr<TCustomKernel> { return std::make_unique<T>(); }};
}

std::vector<TKernelClass> BuildKernelList() {
  std::vector<TKernelClass> list;
  list.push_back(KernelEntry<TBoxKernel>("TBoxKernel"));
  list.push_back(KernelEntry<TLinearKernel>("TLinearKernel"));
  list.push_back(KernelEntry<TCosineKernel>("TCosineKernel"));
  list.push_back(KernelEntry<TSplineKernel>("TSplineKernel"));
  list.push_back(KernelEntry<TCubicKernel>("TCubicKernel"));
  list.push_back(KernelEntry<TMitchellKernel>("TMitchellKernel"));
  list.push_back(KernelEntry<TLanczosKernel>("TLanczosKernel"));
  list.push_back(KernelEntry<TGaussianKernel>("TGaussianKernel"));
  list.push_back(KernelEntry<TBlackmanKernel>("TBlackmanKernel"));
  list.push_back(KernelEntry<THannKernel>("THannKernel"));
  list.push_back(KernelEntry<THammingKernel>("THammingKernel"));
  list.push_back(KernelEntry<TSinshKernel>("TSinshKernel"));
  list.push_back(KernelEntry<THermiteKernel>("THermiteKernel"));
  return list;
}

}  // namespace

const std::vector<TKernelClass>& KernelList() {
  static const std::vector<TKernelClass> list = BuildKernelList();
  return list;
}

const TKernelClass* FindKernelClass(const std::string& Name) {
  for (const auto& c : KernelList())
    if (c.Name == Name) return &c;
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Separable kernel stretch

namespace {

// The kernel evaluated directly or through a table of TableSize steps per pixel.
class TKernelEvaluator {
 public:
  TKernelEvaluator(const TCustomKernel& Kernel, TKernelMode Mode, int TableSize)
      : kernel_(Kernel), mode_(Mode), steps_(TableSize) {
    if (mode_ == kmDynamic || steps_ < 1) {
      mode_ = kmDynamic;
      return;
    }
    const double width = std::max(0.0f, Kernel.Width());
    half_ = static_cast<int>(std::ceil(width * steps_)) + 1;
    table_.resize(static_cast<size_t>(2 * half_ + 1));
    for (int i = -half_; i <= half_; ++i)
      table_[static_cast<size_t>(i + half_)] =
          Kernel.Filter(static_cast<float>(static_cast<double>(i) / steps_));
  }

  double operator()(double X) const {
    if (mode_ == kmDynamic) return kernel_.Filter(static_cast<float>(X));
    const double p = X * steps_ + half_;
    if (!(p >= 0.0) || p > 2.0 * half_) return 0.0;
    if (mode_ == kmTableNearest) return table_[static_cast<size_t>(std::nearbyint(p))];
    const size_t i = static_cast<size_t>(p);
    if (i + 1 >= table_.size()) return table_[i];
    const double t = p - static_cast<double>(i);
    return table_[i] + (table_[i + 1] - table_[i]) * t;
  }

 private:
  const TCustomKernel& kernel_;
  TKernelMode mode_;
  int steps_;
  int half_ = 0;
  std::vector<float> table_;
};

// The source pixels each output position of one axis reads, with normalised weights.
struct TAxisTaps {
  std::vector<int> First;
  std::vector<int> Count;
  std::vector<size_t> Offset;
  std::vector<float> Weights;
  int MaxCount = 1;
};

// Taps for the outputs ClipStart .. ClipStart + ClipLen - 1 of an axis of DstLen outputs over the
// source span [SrcLo, SrcHi). Taps past the span fold onto its edge pixels.
TAxisTaps BuildAxisTaps(int SrcLo, int SrcHi, int64_t DstLen, int64_t ClipStart, int ClipLen,
                        const TKernelEvaluator& Eval, double KernelWidth) {
  TAxisTaps taps;
  taps.First.resize(static_cast<size_t>(ClipLen));
  taps.Count.resize(static_cast<size_t>(ClipLen));
  taps.Offset.resize(static_cast<size_t>(ClipLen));
  const double scale = static_cast<double>(SrcHi - SrcLo) / DstLen;
  // Reducing widens the kernel so that every source pixel contributes.
  const double stretch = std::max(scale, 1.0);
  const double support = std::max(0.0, KernelWidth) * stretch;
  std::vector<double> w;
  for (int i = 0; i < ClipLen; ++i) {
    const double center = SrcLo + (static_cast<double>(ClipStart) + i + 0.5) * scale - 0.5;
    const int64_t lo = static_cast<int64_t>(std::ceil(center - support));
    const int64_t hi = static_cast<int64_t>(std::floor(center + support));
    const int first = static_cast<int>(std::clamp<int64_t>(lo, SrcLo, SrcHi - 1));
    const int last = static_cast<int>(std::clamp<int64_t>(hi, SrcLo, SrcHi - 1));
    w.assign(static_cast<size_t>(std::max(last - first + 1, 1)), 0.0);
    double sum = 0.0;
    for (int64_t j = lo; j <= hi; ++j) {
      const double f = Eval((static_cast<double>(j) - center) / stretch);
      if (f == 0.0) continue;
      const int64_t k = std::clamp<int64_t>(j, SrcLo, SrcHi - 1) - first;
      if (k < 0 || k >= static_cast<int64_t>(w.size())) continue;
      w[static_cast<size_t>(k)] += f;
      sum += f;
    }
    int begin = 0, end = static_cast<int>(w.size());
    if (std::fabs(sum) < 1e-9) {
      // A kernel that gives no weight here (too narrow, or cancelling lobes): nearest pixel.
      const int nearest = static_cast<int>(
          std::clamp<int64_t>(static_cast<int64_t>(std::floor(center + 0.5)), SrcLo, SrcHi - 1));
      taps.First[static_cast<size_t>(i)] = nearest;
      taps.Count[static_cast<size_t>(i)] = 1;
      taps.Offset[static_cast<size_t>(i)] = taps.Weights.size();
      taps.Weights.push_back(1.0f);
      continue;
    }
    while (begin < end - 1 && w[static_cast<size_t>(begin)] == 0.0) ++begin;
    while (end - 1 > begin && w[static_cast<size_t>(end - 1)] == 0.0) --end;
    taps.First[static_cast<size_t>(i)] = first + begin;
    taps.Count[static_cast<size_t>(i)] = end - begin;
    taps.Offset[static_cast<size_t>(i)] = taps.Weights.size();
    for (int k = begin; k < end; ++k)
      taps.Weights.push_back(static_cast<float>(w[static_cast<size_t>(k)] / sum));
    taps.MaxCount = std::max(taps.MaxCount, end - begin);
  }
  return taps;
}

inline TColor32 PackChannels(const float* C) {
  TColor32 result = 0;
  for (int c = 0; c < 4; ++c) {
    // Clamped in every case, so a kernel that undershoots or overshoots cannot wrap a channel.
    const float v = std::clamp(C[c], 0.0f, 255.0f);
    result |= static_cast<TColor32>(std::nearbyint(v)) << (8 * c);
  }
  return result;
}

}  // namespace

void KernelResample(TBitmap32& Dst, const TRect& DstRect, TRect DstClip, const TBitmap32& Src,
                    const TRect& SrcRect, const TCustomKernel& Kernel, TKernelMode Mode,
                    int TableSize, TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack) {
  IntersectRect(DstClip, DstClip, Dst.BoundsRect());
  IntersectRect(DstClip, DstClip, DstRect);
  if (IsRectEmpty(DstClip) || IsRectEmpty(SrcRect) || Dst.Empty() || Src.Empty()) return;
  if (SrcRect.Left < 0 || SrcRect.Top < 0 || SrcRect.Right > Src.Width() ||
      SrcRect.Bottom > Src.Height())
    throw Exception("Invalid SrcRect");
  if (CombineOp == dmCustom && !CombineCallBack) CombineOp = dmOpaque;

  const TKernelEvaluator eval(Kernel, Mode, TableSize);
  const double width = Kernel.Width();
  const int clipW = DstClip.Width(), clipH = DstClip.Height();
  // Destination extents and offsets in 64 bits: DstRect may span the whole int range.
  const TAxisTaps xs =
      BuildAxisTaps(SrcRect.Left, SrcRect.Right, int64_t{DstRect.Right} - DstRect.Left,
                    int64_t{DstClip.Left} - DstRect.Left, clipW, eval, width);
  const TAxisTaps ys =
      BuildAxisTaps(SrcRect.Top, SrcRect.Bottom, int64_t{DstRect.Bottom} - DstRect.Top,
                    int64_t{DstClip.Top} - DstRect.Top, clipH, eval, width);

  // The source columns the clipped outputs read, converted to floats once per source row.
  int spanLo = xs.First[0], spanHi = spanLo;
  for (int i = 0; i < clipW; ++i) {
    spanLo = std::min(spanLo, xs.First[static_cast<size_t>(i)]);
    spanHi = std::max(spanHi, xs.First[static_cast<size_t>(i)] + xs.Count[static_cast<size_t>(i)]);
  }
  std::vector<float> srcRow(static_cast<size_t>(spanHi - spanLo) * 4);

  // Horizontally filtered rows live in a ring: the rows one output row needs form a window that
  // only moves down, and never holds more rows than the ring.
  const size_t rowFloats = static_cast<size_t>(clipW) * 4;
  const int ringSize = ys.MaxCount;
  std::vector<float> ring(rowFloats * static_cast<size_t>(ringSize));
  std::vector<int> ringRow(static_cast<size_t>(ringSize), -1);

  auto filteredRow = [&](int y) -> const float* {
    const size_t slot = static_cast<size_t>((y - SrcRect.Top) % ringSize);
    float* out = ring.data() + slot * rowFloats;
    if (ringRow[slot] == y) return out;
    const TColor32* s = Src.PixelAddress(spanLo, y);
    for (int x = 0; x < spanHi - spanLo; ++x) {
      const TColor32 c = s[x];
      float* f = srcRow.data() + static_cast<size_t>(x) * 4;
      f[0] = static_cast<float>(c & 0xFF);
      f[1] = static_cast<float>((c >> 8) & 0xFF);
      f[2] = static_cast<float>((c >> 16) & 0xFF);
      f[3] = static_cast<float>(c >> 24);
    }
    for (int i = 0; i < clipW; ++i) {
      const float* wt = xs.Weights.data() + xs.Offset[static_cast<size_t>(i)];
      const float* p =
          srcRow.data() + static_cast<size_t>(xs.First[static_cast<size_t>(i)] - spanLo) * 4;
      float a0 = 0, a1 = 0, a2 = 0, a3 = 0;
      for (int k = 0; k < xs.Count[static_cast<size_t>(i)]; ++k, p += 4) {
        a0 += wt[k] * p[0];
        a1 += wt[k] * p[1];
        a2 += wt[k] * p[2];
        a3 += wt[k] * p[3];
      }
      float* o = out + static_cast<size_t>(i) * 4;
      o[0] = a0;
      o[1] = a1;
      o[2] = a2;
      o[3] = a3;
    }
    ringRow[slot] = y;
    return out;
  };

  std::vector<float> acc(rowFloats);
  std::vector<TColor32> line(static_cast<size_t>(clipW));
  for (int r = 0; r < clipH; ++r) {
    std::fill(acc.begin(), acc.end(), 0.0f);
    const float* wt = ys.Weights.data() + ys.Offset[static_cast<size_t>(r)];
    for (int k = 0; k < ys.Count[static_cast<size_t>(r)]; ++k) {
      const float* row = filteredRow(ys.First[static_cast<size_t>(r)] + k);
      const float w = wt[k];
      for (size_t i = 0; i < rowFloats; ++i) acc[i] += w * row[i];
    }
    for (int i = 0; i < clipW; ++i)
      line[static_cast<size_t>(i)] = PackChannels(acc.data() + static_cast<size_t>(i) * 4);
    TransferRun(line.data(), Dst.PixelAddress(DstClip.Left, DstClip.Top + r), clipW, Src, CombineOp,
                CombineCallBack);
  }
}

}  // namespace pictavia
