// TBitmap32: storage, size changes, notification, pixel access, drawing state, whole-bitmap
// operations (clear, alpha, mirrors, rotation) and the free pixel functions.
#include "raster/bitmap32.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

#include "raster/blend.h"
#include "raster/fixed_point.h"
#include "raster/resamplers.h"
#include "toolkit/exceptions.h"
#include "toolkit/rounding.h"

namespace pictavia {

// ---------------------------------------------------------------------------------------------
// Notification bases

void TNotifiablePersistent::Changed() {
  if (updateCount_ == 0 && OnChange) OnChange(this);
}

void TNotifiablePersistent::BeginUpdate() {
  ++updateCount_;
}

void TNotifiablePersistent::EndUpdate() {
  --updateCount_;
}

void TThreadPersistent::Lock() {
  ++lockCount_;
  lock_.lock();
}

void TThreadPersistent::Unlock() {
  lock_.unlock();
  --lockCount_;
}

bool TCustomMap::SetSize(int NewWidth, int NewHeight) {
  if (NewWidth < 0) NewWidth = 0;
  if (NewHeight < 0) NewHeight = 0;
  if (NewWidth == width_ && NewHeight == height_) return false;
  Reallocate(width_, height_, NewWidth, NewHeight);
  Changed();
  Resized();
  return true;
}

void TCustomMap::Resized() {
  if (OnResize) OnResize(this);
}

// ---------------------------------------------------------------------------------------------
// Construction, storage

namespace {

// Largest picture the program makes: 2^28 pixels (1 GiB of pixels). Bigger requests are refused
// with an exception instead of exhausting memory.
constexpr int64_t kMaxPixels = int64_t{1} << 28;

}  // namespace

TBitmap32::TBitmap32() : font_(std::make_unique<TFont>()) {
  font_->OnChange = [this](TObject*) { FontChanged(); };
  resampler_ = std::make_unique<TNearestResampler>(this);
}

TBitmap32::~TBitmap32() {
  BeginUpdate();
  Lock();
  canvas_.reset();
  // Dropping the pixels directly: no notification may reach handlers of a dying bitmap.
  pixels_.Free();
  bits_ = nullptr;
  handle_.reset();
  width_ = height_ = 0;
  font_->OnChange = nullptr;
  resampler_.reset();
  Unlock();
}

bool TBitmap32::Empty() const {
  return bits_ == nullptr || width_ == 0 || height_ == 0;
}

void TBitmap32::Reallocate(int& Width, int& Height, int NewWidth, int NewHeight) {
  FontChanged();
  canvas_.reset();
  handle_.reset();
  pixels_.Free();
  bits_ = nullptr;
  Width = 0;
  Height = 0;

  if (NewWidth > 0 && NewHeight > 0) {
    const int64_t count = static_cast<int64_t>(NewWidth) * NewHeight;
    bool allocated = false;
    if (count <= kMaxPixels) {
      // Every pixel 0x00000000.
      allocated = pixels_.Allocate(static_cast<size_t>(count) * sizeof(TColor32));
    }
    if (!allocated) {
      // Left empty (0 x 0, no pixels); the handle-changed step still runs.
      ResetClipRect();
      HandleChanged();
      throw Exception("Can't allocate the DIB handle");
    }
    bits_ = reinterpret_cast<TColor32*>(pixels_.Data());
    handle_ = std::make_unique<TCanvas>();
    handle_->SetSurface(bits_, NewWidth, NewHeight);
  }
  // A size with one zero dimension is kept as given: such a bitmap is empty and has no pixels.
  Width = NewWidth;
  Height = NewHeight;
  ResetClipRect();
  HandleChanged();
}

void TBitmap32::HandleChanged() {
  if (canvas_) canvas_->SetSurface(bits_, width_, height_);
  if (OnHandleChanged) OnHandleChanged(this);
}

void TBitmap32::ResetClipRect() {
  SetClipRect(BoundsRect());
}

// ---------------------------------------------------------------------------------------------
// Notification

void TBitmap32::Changed() {
  Changed(BoundsRect(), AreaIsRect);
}

void TBitmap32::Changed(const TRect& Area, uint32_t Info) {
  if ((updateCount_ == 0 || measuring_) && OnAreaChanged) OnAreaChanged(this, Area, Info);
  if (!measuring_ && updateCount_ == 0 && OnChange) OnChange(this);
}

void TBitmap32::BeginAreaRecording(TAreaChangedEvent Callback) {
  savedOnAreaChanged_ = std::move(OnAreaChanged);
  OnAreaChanged = std::move(Callback);
  measuring_ = true;
}

void TBitmap32::EndAreaRecording() {
  OnAreaChanged = std::move(savedOnAreaChanged_);
  savedOnAreaChanged_ = nullptr;
  measuring_ = false;
}

// ---------------------------------------------------------------------------------------------
// Pixel access

TColor32 TBitmap32::PixelOrOuter(int X, int Y) const {
  if (X < clipRect_.Left || X >= clipRect_.Right || Y < clipRect_.Top || Y >= clipRect_.Bottom)
    return outerColor_;
  return GetPixel(X, Y);
}

TColor32 TBitmap32::PixelWrapped(int X, int Y) const {
  // Wrapping needs a pixel to land on; an empty clip rectangle has none.
  if (IsRectEmpty(clipRect_)) return outerColor_;
  const int hiX = clipRect_.Right - 1, hiY = clipRect_.Bottom - 1;
  switch (wrapMode_) {
    case wmRepeat:
      X = Wrap(X, clipRect_.Left, hiX);
      Y = Wrap(Y, clipRect_.Top, hiY);
      break;
    case wmMirror:
      X = Mirror(X, clipRect_.Left, hiX);
      Y = Mirror(Y, clipRect_.Top, hiY);
      break;
    default:
      X = Clamp(X, clipRect_.Left, hiX);
      Y = Clamp(Y, clipRect_.Top, hiY);
      break;
  }
  return GetPixel(X, Y);
}

void TBitmap32::BlendPixelAt(int X, int Y, TColor32 Value) {
  BLEND_MEM[combineMode_](Value, *PixelAddress(X, Y));
}

void TBitmap32::SetClipRect(const TRect& Value) {
  IntersectRect(clipRect_, Value, BoundsRect());
  // The scaled forms saturate: a 16.16 value cannot hold a coordinate beyond 32767.
  auto scaled = [](int32_t v, int64_t factor) { return SaturatedInt32(v * factor); };
  fixedClipRect_ = Rect(scaled(clipRect_.Left, 65536), scaled(clipRect_.Top, 65536),
                        scaled(clipRect_.Right, 65536), scaled(clipRect_.Bottom, 65536));
  clip256Rect_ = Rect(scaled(clipRect_.Left, 256), scaled(clipRect_.Top, 256),
                      scaled(clipRect_.Right, 256), scaled(clipRect_.Bottom, 256));
  clipping_ = !(clipRect_ == BoundsRect());
}

// ---------------------------------------------------------------------------------------------
// Drawing state

void TBitmap32::SetDrawMode(TDrawMode Value) {
  if (drawMode_ == Value) return;
  drawMode_ = Value;
  Changed();
}

void TBitmap32::SetCombineMode(TCombineMode Value) {
  if (combineMode_ == Value) return;
  combineMode_ = Value;
  Changed();
}

void TBitmap32::SetWrapMode(TWrapMode Value) {
  if (wrapMode_ == Value) return;
  wrapMode_ = Value;
  Changed();
}

void TBitmap32::SetMasterAlpha(uint32_t Value) {
  if (masterAlpha_ == Value) return;
  masterAlpha_ = Value;
  Changed();
}

void TBitmap32::SetResampler(TCustomResampler* Value) {
  if (Value == nullptr || Value == resampler_.get()) return;
  resampler_.reset(Value);
  Changed();
}

std::string TBitmap32::ResamplerClassName() const {
  return resampler_ ? resampler_->ClassName() : "";
}

void TBitmap32::SetResamplerClassName(const std::string& Value) {
  if (Value.empty() || Value == ResamplerClassName()) return;
  const TResamplerClass* cls = FindResamplerClass(Value);
  if (!cls) return;
  SetResampler(cls->Create(this).release());
}

// ---------------------------------------------------------------------------------------------
// Copies

void TBitmap32::CopyPixelsTo(TBitmap32& Dst) const {
  if (&Dst == this) return;
  Dst.SetSize(width_, height_);
  if (!Empty() && !Dst.Empty())
    std::memcpy(Dst.bits_, bits_, static_cast<size_t>(width_) * height_ * sizeof(TColor32));
}

void TBitmap32::CopySettingsTo(TBitmap32& Dst) const {
  Dst.SetDrawMode(drawMode_);
  Dst.SetCombineMode(combineMode_);
  Dst.SetWrapMode(wrapMode_);
  Dst.SetMasterAlpha(masterAlpha_);
  Dst.SetOuterColor(outerColor_);
  Dst.SetResamplerClassName(ResamplerClassName());
  if (Dst.Resampler() && resampler_) Dst.Resampler()->Assign(resampler_.get());
  Dst.SetFont(*font_);
}

// ---------------------------------------------------------------------------------------------
// Whole-bitmap operations

void TBitmap32::Clear() {
  Clear(clBlack32);
}

void TBitmap32::Clear(TColor32 FillColor) {
  if (Empty()) return;
  if (!measuring_) {
    if (clipping_) {
      FillRect(clipRect_.Left, clipRect_.Top, clipRect_.Right, clipRect_.Bottom, FillColor);
    } else {
      FillWords32(bits_, width_ * height_, FillColor);
    }
  }
  Changed();
}

void TBitmap32::SetAllAlpha(uint8_t Alpha) {
  if (!measuring_ && !Empty()) {
    const TColor32 a = static_cast<TColor32>(Alpha) << 24;
    TColor32* p = bits_;
    for (int64_t i = static_cast<int64_t>(width_) * height_; i > 0; --i, ++p)
      *p = (*p & 0x00FFFFFFu) | a;
  }
  Changed();
}

void TBitmap32::MirrorLeftRight(TBitmap32* Dst) {
  // An empty bitmap (0 x h or w x 0) has no rows to walk, only a size to pass on.
  const int rows = Empty() ? 0 : height_;
  if (Dst == nullptr || Dst == this) {
    for (int y = 0; y < rows; ++y) {
      TColor32* l = RowAddress(y);
      TColor32* r = l + width_ - 1;
      while (l < r) std::swap(*l++, *r--);
    }
    Changed();
    return;
  }
  Dst->BeginUpdate();
  Dst->SetSize(width_, height_);
  for (int y = 0; y < rows; ++y) {
    const TColor32* s = RowAddress(y);
    TColor32* d = Dst->RowAddress(y) + width_ - 1;
    for (int x = 0; x < width_; ++x) *d-- = *s++;
  }
  Dst->EndUpdate();
  Dst->Changed();
}

void TBitmap32::MirrorTopBottom(TBitmap32* Dst) {
  const size_t rowBytes = static_cast<size_t>(width_) * sizeof(TColor32);
  // Rows of an empty bitmap have no memory, and memcpy takes no null pointer even for 0 bytes.
  const int rows = Empty() ? 0 : height_;
  if (Dst == nullptr || Dst == this) {
    std::vector<TColor32> buffer(static_cast<size_t>(width_));
    for (int i = 0; i < rows / 2; ++i) {
      TColor32* a = RowAddress(i);
      TColor32* b = RowAddress(height_ - 1 - i);
      std::memcpy(buffer.data(), a, rowBytes);
      std::memcpy(a, b, rowBytes);
      std::memcpy(b, buffer.data(), rowBytes);
    }
    Changed();
    return;
  }
  Dst->SetSize(width_, height_);
  for (int i = 0; i < rows; ++i)
    std::memcpy(Dst->RowAddress(height_ - 1 - i), RowAddress(i), rowBytes);
  Dst->Changed();
}

namespace {

// Source pixel (x, y) lands at (H - 1 - y, x) of a Height x Width target.
void RotateInto(const TBitmap32& Src, TBitmap32& Dst) {
  const int w = Src.Width(), h = Src.Height();
  Dst.SetSize(h, w);
  if (Src.Empty()) return;
  for (int y = 0; y < h; ++y) {
    const TColor32* s = Src.RowAddress(y);
    TColor32* d = Dst.Bits() + (h - 1 - y);
    for (int x = 0; x < w; ++x, d += h) *d = s[x];
  }
}

}  // namespace

void TBitmap32::RotateQuarter(TBitmap32* Dst) {
  if (Dst != nullptr && Dst != this) {
    Dst->BeginUpdate();
    RotateInto(*this, *Dst);
    Dst->EndUpdate();
    Dst->Changed();
    return;
  }
  TBitmap32 tmp;
  RotateInto(*this, tmp);
  tmp.CopyPixelsTo(*this);
  Changed();
}

// ---------------------------------------------------------------------------------------------
// Free functions

void AlphaFromBrightness(TBitmap32* Dst, const TBitmap32* Src) {
  if (Dst == nullptr) throw Exception("Destination is nil");
  if (Src == nullptr) throw Exception("The source is nil");
  Dst->SetSize(Src->Width(), Src->Height());
  if (!Src->Empty() && !Dst->Empty()) {
    const int64_t n = static_cast<int64_t>(Src->Width()) * Src->Height();
    const TColor32* s = Src->Bits();
    TColor32* d = Dst->Bits();
    for (int64_t i = 0; i < n; ++i)
      d[i] = (d[i] & 0x00FFFFFFu) | (static_cast<TColor32>(Brightness(s[i])) << 24);
  }
  Dst->Changed();
}

TRect ToIntRect(const TFloatRect& R, TRectRounding Rounding) {
  switch (Rounding) {
    case rrOutside:
      return Rect(SaturatedFloor(R.Left), SaturatedFloor(R.Top), SaturatedCeil(R.Right),
                  SaturatedCeil(R.Bottom));
    case rrInside:
      return Rect(SaturatedCeil(R.Left), SaturatedCeil(R.Top), SaturatedFloor(R.Right),
                  SaturatedFloor(R.Bottom));
    default:
      // Ties to even, as every rounding of the program.
      return Rect(SaturatedRound(R.Left), SaturatedRound(R.Top), SaturatedRound(R.Right),
                  SaturatedRound(R.Bottom));
  }
}

}  // namespace pictavia
