// TCustomImage32: placement and zoom of the bitmap, the mapping cache, the paint stages and
// their handlers, the repaint modes' bitmap handlers, rendering into other bitmaps and the
// routing of the mouse to the layers.
#include "view/image32.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QCursor>

#include "raster/resamplers.h"
#include "toolkit/exceptions.h"
#include "toolkit/rounding.h"

namespace pictavia {

namespace {

int32_t Saturate(int64_t Value) {
  return static_cast<int32_t>(std::clamp<int64_t>(Value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// A x B / C with a 64-bit intermediate, rounded to nearest with halves away from zero; -1 when
// C is 0.
int32_t MulDiv(int64_t A, int64_t B, int64_t C) {
  if (C == 0) return -1;
  const int64_t n = A * B;
  const bool negative = (n < 0) != (C < 0);
  const uint64_t an = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
  const uint64_t ac = C < 0 ? 0 - static_cast<uint64_t>(C) : static_cast<uint64_t>(C);
  const uint64_t q = (2 * an + ac) / (2 * ac);
  return Saturate(negative ? -static_cast<int64_t>(q) : static_cast<int64_t>(q));
}

// The platform's focus rectangle: every other pixel of the outline inverted (colour only),
// drawn where Dest's clip rectangle allows.
void DrawFocusRect(TBitmap32& Dest, const TRect& R) {
  if (IsRectEmpty(R)) return;
  if (!Dest.MeasuringMode() && !Dest.Empty()) {
    const TRect clip = Dest.ClipRect();
    auto flip = [&](int X, int Y) {
      if (((X + Y) & 1) == 0 && PtInRect(clip, Point(X, Y)))
        *Dest.PixelAddress(X, Y) ^= 0x00FFFFFFu;
    };
    const int x0 = std::max(R.Left, clip.Left), x1 = std::min(R.Right, clip.Right);
    for (int x = x0; x < x1; ++x) {
      flip(x, R.Top);
      if (R.Bottom - 1 > R.Top) flip(x, R.Bottom - 1);
    }
    const int y0 = std::max(R.Top + 1, clip.Top), y1 = std::min(R.Bottom - 1, clip.Bottom);
    for (int y = y0; y < y1; ++y) {
      flip(R.Left, y);
      if (R.Right - 1 > R.Left) flip(R.Right - 1, y);
    }
  }
  Dest.Changed(R, AreaIsRect);
}

}  // namespace

// --- construction ----------------------------------------------------------------------------

TCustomImage32::TCustomImage32(QWidget* Parent, const TRepaintOptimizerFactory& OptimizerFactory)
    : TCustomPaintBox32(Parent, OptimizerFactory), bitmap_(std::make_unique<TBitmap32>()) {
  bitmap_->OnResize = [this](TObject*) { BitmapResized(); };
  layers_ = std::make_unique<TLayerCollection>(this);
  layers_->OnChange = [this](TObject*) { Changed(); };
  layers_->OnOverlayChange = [this](TObject*) { OverlayChanged(); };
  layers_->OnQueryViewScale = [this](TObject*, float& X, float& Y) { ViewScale(X, Y); };
  layers_->OnQueryViewShift = [this](TObject*, float& X, float& Y) { ViewShift(X, Y); };
  Optimizer()->WatchLayers(layers_.get());
  SetRepaintMode(rmFull);
  paintStages_ = std::make_unique<TPaintStages>();
  BuildDefaultStages();
}

TCustomImage32::~TCustomImage32() {
  // Nothing repaints from here on.
  BeginUpdate();
  paintStages_.reset();
  Optimizer()->UnwatchLayers(layers_.get());
  layers_.reset();
  bitmap_->OnResize = nullptr;
  bitmap_->OnChange = nullptr;
  bitmap_->OnAreaChanged = nullptr;
  bitmap_.reset();
}

void TCustomImage32::BuildDefaultStages() {
  AddDefaultStages(*paintStages_);
}

void TCustomImage32::Loaded() {
  TCustomPaintBox32::Loaded();
  bufferCurrent_ = false;
  InitStages();
}

void TCustomImage32::InitStages() {
  if (OnInitStages) OnInitStages(this);
}

// --- properties ------------------------------------------------------------------------------

void TCustomImage32::SetBitmap(const TBitmap32& Value) {
  DropMapping();
  bitmap_->Assign(&Value);
}

void TCustomImage32::SetBitmapAlign(TBitmapAlign Value) {
  DropMapping();
  bitmapAlign_ = Value;
  Changed();
}

void TCustomImage32::SetOffsetX(float Value) {
  if (Value == offsetX_) return;
  DropMapping();
  offsetX_ = Value;
  Changed();
}

void TCustomImage32::SetOffsetY(float Value) {
  if (Value == offsetY_) return;
  DropMapping();
  offsetY_ = Value;
  Changed();
}

void TCustomImage32::SetScale(float Value) {
  // Written so that a NaN ends up at the minimum too.
  if (!(Value >= 0.001f)) Value = 0.001f;
  if (Value == scaleX_) return;
  DropMapping();
  scaleX_ = Value;
  scaleY_ = Value;
  ScaleChanged();
  Changed();
}

void TCustomImage32::SetScaleMode(TScaleMode Value) {
  if (Value == scaleMode_) return;
  DropMapping();
  scaleMode_ = Value;
  Changed();
}

void TCustomImage32::ScaleChanged() {
  if (OnScaleChange) OnScaleChange(this);
}

// --- change notification ---------------------------------------------------------------------

void TCustomImage32::BeginUpdate() {
  ++updateCount_;
}

void TCustomImage32::EndUpdate() {
  if (updateCount_ > 0) --updateCount_;
}

void TCustomImage32::Changed() {
  if (updateCount_ != 0) return;
  Invalidate();
  if (OnChange) OnChange(this);
}

void TCustomImage32::Invalidate() {
  mappingValid_ = false;
  TCustomPaintBox32::Invalidate();
}

void TCustomImage32::DropMapping() {
  if (Optimizer()->Enabled()) Optimizer()->Reset();
  mappingValid_ = false;
}

void TCustomImage32::SetRepaintMode(TRepaintMode Mode) {
  TCustomPaintBox32::SetRepaintMode(Mode);
  switch (Mode) {
    case rmOptimizer:
      // The stages draw into the buffer themselves; only the bitmap's changes are damage.
      Buffer()->OnAreaChanged = nullptr;
      bitmap_->OnAreaChanged = [this](TObject* Sender, const TRect& Area, uint32_t) {
        BitmapAreaChanged(Sender, Area);
      };
      bitmap_->OnChange = nullptr;
      break;
    case rmDirect:
      bitmap_->OnAreaChanged = [this](TObject* Sender, const TRect& Area, uint32_t) {
        BitmapDirectAreaChanged(Sender, Area);
      };
      bitmap_->OnChange = nullptr;
      break;
    default:
      bitmap_->OnAreaChanged = nullptr;
      bitmap_->OnChange = [this](TObject*) {
        if (Optimizer()->Enabled()) Optimizer()->Reset();
        BitmapChanged(bitmap_->BoundsRect());
      };
      break;
  }
}

void TCustomImage32::BitmapChanged(const TRect&) {
  Changed();
}

void TCustomImage32::BitmapResized() {
  if (autoSize_) {
    int w = bitmap_->Width(), h = bitmap_->Height();
    if (scaleMode_ == smScale) {
      w = SaturatedRound(static_cast<double>(w) * scaleX_);
      h = SaturatedRound(static_cast<double>(h) * scaleY_);
    }
    if (w > 0 && h > 0) resize(w, h);
  }
  if (updateCount_ == 0 && OnBitmapResize) OnBitmapResize(this);
  DropMapping();
  DamageAll();
}

std::vector<TRect> TCustomImage32::MapBitmapArea(const TRect& Area) {
  const TPoint topLeft = BitmapToView(Area.Left, Area.Top);
  const TPoint bottomRight = BitmapToView(Area.Right, Area.Bottom);
  const TRect mapped{topLeft.X, topLeft.Y, bottomRight.X, bottomRight.Y};
  const TRect tile = mappedBitmapRect_;
  if (bitmapAlign_ != baTile || tile.Right <= 0 || tile.Bottom <= 0) return {mapped};
  // The same tile grid as RunBitmapStage draws.
  std::vector<TRect> rects;
  for (int j = 0; j <= Buffer()->Height() / tile.Bottom; ++j)
    for (int i = 0; i <= Buffer()->Width() / tile.Right; ++i) {
      TRect r = mapped;
      OffsetRect(r, i * tile.Right, j * tile.Bottom);
      rects.push_back(r);
    }
  return rects;
}

namespace {

// The changed area grown by what the resampler reaches around each pixel.
TRect GrowBySupport(const TRect& Area, const TBitmap32& Bitmap) {
  const float support = Bitmap.Resampler() ? Bitmap.Resampler()->SupportWidth() : 0.0f;
  const int64_t grow = static_cast<int64_t>(std::clamp(std::trunc(support), 0.0f, 65536.0f)) + 1;
  return TRect{Saturate(Area.Left - grow), Saturate(Area.Top - grow), Saturate(Area.Right + grow),
               Saturate(Area.Bottom + grow)};
}

}  // namespace

void TCustomImage32::BitmapAreaChanged(TObject* Sender, const TRect& Area) {
  const TRect grown = GrowBySupport(Area, *bitmap_);
  if (Sender == bitmap_.get())
    for (const TRect& r : MapBitmapArea(grown)) Optimizer()->AreaDamaged(this, r, AreaIsRect);
  BitmapChanged(grown);
}

void TCustomImage32::BitmapDirectAreaChanged(TObject* Sender, const TRect& Area) {
  if (Sender == bitmap_.get())
    for (const TRect& r : MapBitmapArea(GrowBySupport(Area, *bitmap_))) DamageRects()->Add(r);
  if (updateCount_ == 0) {
    if (!InCustomPaint()) Repaint();
    if (OnChange) OnChange(this);
  }
}

void TCustomImage32::OverlayChanged() {
  RepaintNow();
}

// --- mapping ---------------------------------------------------------------------------------

TSize TCustomImage32::DrawnSize() {
  if (bitmap_->Empty() || width() == 0 || height() == 0) return TSize{0, 0};
  const TRect view = ViewArea();
  const int vw = view.Width(), vh = view.Height();
  const int bw = bitmap_->Width(), bh = bitmap_->Height();
  TScaleMode mode = scaleMode_;
  if (mode == smOptimal) {
    mode = vw < bw || vh < bh ? smResize : smNormal;
  } else if (mode == smOptimalScaled) {
    mode = vw < SaturatedRound(static_cast<double>(bw) * scaleX_) ||
                   vh < SaturatedRound(static_cast<double>(bh) * scaleY_)
               ? smResize
               : smScale;
  }
  int w = 0, h = 0;
  switch (mode) {
    case smNormal:
      w = bw;
      h = bh;
      break;
    case smStretch:
      w = vw;
      h = vh;
      break;
    case smResize: {
      const float rx = static_cast<float>(vw) / static_cast<float>(bw);
      const float ry = static_cast<float>(vh) / static_cast<float>(bh);
      if (rx >= ry) {
        w = SaturatedRound(static_cast<double>(bw) * ry);
        h = vh;
      } else {
        w = vw;
        h = SaturatedRound(static_cast<double>(bh) * rx);
      }
      break;
    }
    default:
      w = SaturatedRound(static_cast<double>(bw) * scaleX_);
      h = SaturatedRound(static_cast<double>(bh) * scaleY_);
      break;
  }
  return TSize{std::max(w, 0), std::max(h, 0)};
}

TRect TCustomImage32::DrawnRect() {
  if (bitmap_->Empty()) return TRect{};
  const TSize size = DrawnSize();
  int64_t left = 0, top = 0;
  if (bitmapAlign_ == baCenter) {
    // The whole control, not the viewport; the division truncates toward zero.
    left = (static_cast<int64_t>(width()) - size.cx) / 2;
    top = (static_cast<int64_t>(height()) - size.cy) / 2;
  } else if (bitmapAlign_ == baCustom) {
    left = SaturatedRound(offsetX_);
    top = SaturatedRound(offsetY_);
  }
  return TRect{Saturate(left), Saturate(top), Saturate(left + size.cx), Saturate(top + size.cy)};
}

void TCustomImage32::SetIdentityMapping() {
  mapScaleX_ = mapScaleY_ = 65536;
  mapShiftX_ = mapShiftY_ = 0;
  mapInvScaleX_ = mapInvScaleY_ = 65536;
}

void TCustomImage32::ComputeMapping(const TRect& R) {
  if (bitmap_->Empty()) {
    SetIdentityMapping();
    return;
  }
  const int64_t w = static_cast<int64_t>(R.Right) - R.Left;
  const int64_t h = static_cast<int64_t>(R.Bottom) - R.Top;
  mapShiftX_ = R.Left;
  mapShiftY_ = R.Top;
  mapScaleX_ = MulDiv(w, 65536, bitmap_->Width());
  mapScaleY_ = MulDiv(h, 65536, bitmap_->Height());
  mapInvScaleX_ = MulDiv(bitmap_->Width(), 65536, w);
  mapInvScaleY_ = MulDiv(bitmap_->Height(), 65536, h);
}

void TCustomImage32::RefreshMapping() {
  // While rendering into another bitmap the cache holds that bitmap's mapping, whatever
  // invalidates the control meanwhile.
  if (mappingValid_ || renderingInto_) return;
  mappedBitmapRect_ = DrawnRect();
  ComputeMapping(mappedBitmapRect_);
  mappingValid_ = true;
}

// The products are 64-bit: at 1 % zoom the inverse scale is 100 x 65536, and a control
// coordinate of a few hundred pixels would overflow 32 bits and land the mouse far off.
TPoint TCustomImage32::BitmapToView(int X, int Y) {
  RefreshMapping();
  return TPoint{Saturate(static_cast<int64_t>(X) * mapScaleX_ / 65536 + mapShiftX_),
                Saturate(static_cast<int64_t>(Y) * mapScaleY_ / 65536 + mapShiftY_)};
}

TPoint TCustomImage32::ViewToBitmap(int X, int Y) {
  RefreshMapping();
  return TPoint{Saturate((static_cast<int64_t>(X) - mapShiftX_) * mapInvScaleX_ / 65536),
                Saturate((static_cast<int64_t>(Y) - mapShiftY_) * mapInvScaleY_ / 65536)};
}

void TCustomImage32::ViewScale(float& ScaleX, float& ScaleY) {
  RefreshMapping();
  ScaleX = static_cast<float>(mapScaleX_) / 65536.0f;
  ScaleY = static_cast<float>(mapScaleY_) / 65536.0f;
}

void TCustomImage32::ViewShift(float& ShiftX, float& ShiftY) {
  RefreshMapping();
  ShiftX = static_cast<float>(mapShiftX_);
  ShiftY = static_cast<float>(mapShiftY_);
}

// --- painting --------------------------------------------------------------------------------

TPaintStageHandler TCustomImage32::StageHandler(uint32_t Kind) {
  switch (Kind) {
    case skCustom:
      return &TCustomImage32::RunCustomStage;
    case skClearBuffer:
      return &TCustomImage32::RunClearStage;
    case skClearBackground:
      return &TCustomImage32::RunBackgroundStage;
    case skDrawBitmap:
      return &TCustomImage32::RunBitmapStage;
    case skDrawLayers:
      return &TCustomImage32::RunLayersStage;
    case skControlFrame:
      return &TCustomImage32::RunControlFrameStage;
    case skBitmapFrame:
      return &TCustomImage32::RunBitmapFrameStage;
    default:
      return nullptr;
  }
}

bool TCustomImage32::HasDamageRects() {
  CollectDamageRects();
  return DamageRects()->Count() > 0;
}

void TCustomImage32::RepaintBuffer() {
  TCustomRepaintOptimizer* optimizer = Optimizer();
  if (optimizer->Enabled()) optimizer->BeginBufferRepaint();
  RefreshMapping();

  // A local list: a handler may start another repaint of the buffer.
  std::vector<std::pair<TPaintStageHandler, uint32_t>> stages;
  for (int i = 0; i < paintStages_->Count(); ++i) {
    const TPaintStage& stage = paintStages_->Items(i);
    if (!stage.RunTime) continue;
    if (TPaintStageHandler handler = StageHandler(stage.Kind))
      stages.emplace_back(handler, static_cast<uint32_t>(i));
  }

  TBitmap32& buffer = *Buffer();
  const TRect view = ViewArea();
  {
    buffer.BeginUpdate();
    struct TEndUpdate {
      TBitmap32& Buffer;
      ~TEndUpdate() { Buffer.EndUpdate(); }
    } endUpdate{buffer};
    TRectList& damage = *DamageRects();
    if (damage.Count() > 0) {
      // Each damaged rectangle gets every stage, clipped to it.
      for (int r = 0; r < damage.Count(); ++r) {
        buffer.SetClipRect(*damage.Items(r));
        for (const auto& [handler, index] : stages) (this->*handler)(buffer, index);
      }
      buffer.SetClipRect(view);
    } else {
      buffer.SetClipRect(view);
      for (const auto& [handler, index] : stages) (this->*handler)(buffer, index);
    }
  }

  if (optimizer->Enabled()) optimizer->EndBufferRepaint();
  bufferCurrent_ = true;
}

void TCustomImage32::RunClearStage(TBitmap32& Dest, uint32_t) {
  Dest.Clear(Color32(Color()));
}

void TCustomImage32::RunBackgroundStage(TBitmap32& Dest, uint32_t) {
  const TColor32 c = Color32(Color());
  if (UsesDamageRects()) {
    for (int i = 0; i < DamageRects()->Count(); ++i) Dest.FillClipped(*DamageRects()->Items(i), c);
    return;
  }
  if (bitmap_->Empty() || bitmap_->DrawMode() != dmOpaque) {
    Dest.Clear(c);
    return;
  }
  const TRect R = mappedBitmapRect_;
  const int w = width(), h = height();
  if (R.Left <= 0 && R.Right >= w && R.Top <= 0 && R.Bottom >= h) return;
  Dest.FillClipped(Rect(0, 0, w, R.Top), c);
  Dest.FillClipped(Rect(0, R.Bottom, w, h), c);
  Dest.FillClipped(Rect(0, R.Top, R.Left, R.Bottom), c);
  Dest.FillClipped(Rect(R.Right, R.Top, w, R.Bottom), c);
}

void TCustomImage32::RunBitmapStage(TBitmap32& Dest, uint32_t) {
  DrawBitmapStage(*bitmap_, Dest, mappedBitmapRect_, bitmapAlign_ == baTile);
}

void TCustomImage32::RunLayersStage(TBitmap32& Dest, uint32_t StageNum) {
  DrawLayersStage(*layers_, Dest, paintStages_->Items(static_cast<int>(StageNum)).Parameter);
}

void TCustomImage32::RunControlFrameStage(TBitmap32& Dest, uint32_t) {
  DrawFocusRect(Dest, Rect(0, 0, width(), height()));
}

void TCustomImage32::RunBitmapFrameStage(TBitmap32& Dest, uint32_t) {
  DrawFocusRect(Dest, mappedBitmapRect_);
}

void TCustomImage32::RunCustomStage(TBitmap32& Dest, uint32_t StageNum) {
  if (OnPaintStage) OnPaintStage(this, &Dest, StageNum);
}

bool TCustomImage32::HasOverlay() const {
  if (TCustomPaintBox32::HasOverlay()) return true;
  if (!layers_) return false;
  for (int i = 0; i < layers_->Count(); ++i)
    if (layers_->Items(i)->OptionBits() & OptGdiOverlay) return true;
  return false;
}

void TCustomImage32::PaintOverlay() {
  if (TCanvas* canvas = Canvas())
    for (int i = 0; i < layers_->Count(); ++i) {
      TCustomLayer* layer = layers_->Items(i);
      if (layer->OptionBits() & OptGdiOverlay) layer->PaintGDI(canvas);
    }
  TCustomPaintBox32::PaintOverlay();
}

// --- rendering into other bitmaps ------------------------------------------------------------

void TCustomImage32::RenderInto(TBitmap32& Dest, const TRect& DestRect) {
  const TRepaintMode oldMode = RepaintMode();
  SetRepaintMode(rmFull);
  // Restores the control's own state however the stages end.
  struct TRestore {
    TCustomImage32& Image;
    TRepaintMode Mode;
    ~TRestore() {
      Image.renderingInto_ = false;
      Image.mappingValid_ = false;
      Image.SetRepaintMode(Mode);
    }
  } restore{*this, oldMode};

  mappedBitmapRect_ = DestRect;
  if (DestRect.Width() < 1 || DestRect.Height() < 1 || bitmap_->Empty())
    SetIdentityMapping();
  else
    ComputeMapping(DestRect);
  mappingValid_ = true;
  renderingInto_ = true;
  for (int i = 0; i < paintStages_->Count(); ++i) {
    const TPaintStage& stage = paintStages_->Items(i);
    if (!stage.RunTime) continue;
    if (TPaintStageHandler handler = StageHandler(stage.Kind))
      (this->*handler)(Dest, static_cast<uint32_t>(i));
  }
}

void TCustomImage32::FitBitmapToView(bool DoClear, TColor32 ClearColor) {
  const TRect view = ViewArea();
  bitmap_->BeginUpdate();
  try {
    bitmap_->SetSize(view.Width(), view.Height());
    if (DoClear) bitmap_->Clear(ClearColor);
  } catch (...) {
    bitmap_->EndUpdate();
    throw;
  }
  bitmap_->EndUpdate();
  DropMapping();
  Changed();
}

// --- mouse -----------------------------------------------------------------------------------

void TCustomImage32::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomPaintBox32::MouseDown(Button, Shift, X, Y);
  if (TabStop() && CanFocus()) setFocus(Qt::MouseFocusReason);
  TCustomLayer* layer = layers_->RouteMouse() ? layers_->MouseDown(Button, Shift, X, Y) : nullptr;
  // The capture the layers need while a button is held is Qt's implicit grab (see
  // TCustomPaintBox32::mousePressEvent).
  MouseDown(Button, Shift, X, Y, layer);
}

void TCustomImage32::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomLayer* layer = layers_->RouteMouse() ? layers_->MouseMove(Shift, X, Y) : nullptr;
  MouseMove(Shift, X, Y, layer);
}

void TCustomImage32::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomLayer* layer = layers_->RouteMouse() ? layers_->MouseUp(Button, Shift, X, Y) : nullptr;
  MouseUp(Button, Shift, X, Y, layer);
}

void TCustomImage32::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y,
                               TCustomLayer* Layer) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y, Layer);
}

void TCustomImage32::MouseMove(TShiftState Shift, int X, int Y, TCustomLayer* Layer) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y, Layer);
}

void TCustomImage32::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y,
                             TCustomLayer* Layer) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y, Layer);
}

void TCustomImage32::MouseLeave() {
  if (layers_->RouteMouse() && !layers_->MouseCaptor()) SetScreenCursor(crDefault);
  TCustomPaintBox32::MouseLeave();
}

void TCustomImage32::SetScreenCursor(TCursor Value) {
  setCursor(QCursor(ToCursorShape(Value == crDefault ? Cursor() : Value)));
}

void TCustomImage32::Resize() {
  DropMapping();
  TCustomPaintBox32::Resize();
}

}  // namespace pictavia
