// TCustomImage32: a paint box showing a background bitmap with its layers through ordered paint
// stages, with placement and zoom, the cached bitmap-to-control mapping and mouse routing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "layers/custom_layer.h"
#include "layers/layer_collection.h"
#include "layers/layer_owner.h"
#include "layers/paint_stages.h"
#include "raster/bitmap32.h"
#include "view/paint_box.h"

namespace pictavia {

enum TBitmapAlign { baTopLeft = 0, baCenter = 1, baTile = 2, baCustom = 3 };
enum TScaleMode {
  smNormal = 0,
  smStretch = 1,
  smScale = 2,
  smResize = 3,
  smOptimal = 4,
  smOptimalScaled = 5
};

class TCustomImage32;

using TPaintStageEvent = std::function<void(TObject* Sender, TBitmap32* Buffer, uint32_t StageNum)>;
using TImgMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift,
                                          int X, int Y, TCustomLayer* Layer)>;
using TImgMouseMoveEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int X, int Y, TCustomLayer* Layer)>;
using TPaintStageHandler = void (TCustomImage32::*)(TBitmap32& Dest, uint32_t StageNum);

// Control coordinates are pixels of the widget; bitmap coordinates pixels of Bitmap. The mapping
// between them is cached in 16.16 fixed point (see RefreshMapping).
class TCustomImage32 : public TCustomPaintBox32, public TLayerOwner {
 public:
  explicit TCustomImage32(QWidget* Parent = nullptr,
                          const TRepaintOptimizerFactory& OptimizerFactory = {});
  ~TCustomImage32() override;
  const char* ClassName() const override { return "TCustomImage32"; }

  // --- the picture and its placement ---------------------------------------------------------
  // The background picture; the object itself is never replaced.
  TBitmap32* Bitmap() const { return bitmap_.get(); }
  // Copies Value into Bitmap.
  void SetBitmap(const TBitmap32& Value);
  TBitmapAlign BitmapAlign() const { return bitmapAlign_; }
  void SetBitmapAlign(TBitmapAlign Value);
  float OffsetX() const { return offsetX_; }
  void SetOffsetX(float Value);
  float OffsetY() const { return offsetY_; }
  void SetOffsetY(float Value);
  // Reads ScaleX, writes both; never below 0.001.
  float Scale() const { return scaleX_; }
  void SetScale(float Value);
  float ScaleX() const { return scaleX_; }
  float ScaleY() const { return scaleY_; }
  TScaleMode ScaleMode() const { return scaleMode_; }
  virtual void SetScaleMode(TScaleMode Value);
  // The control takes the bitmap's (zoomed) size whenever the bitmap is resized.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool Value) { autoSize_ = Value; }

  TLayerCollection* Layers() const { return layers_.get(); }
  TPaintStages* PaintStages() const { return paintStages_.get(); }

  // --- change notification -------------------------------------------------------------------
  virtual void BeginUpdate();
  // Invalidate, then OnChange; nothing while an update bracket is open.
  virtual void Changed();
  // Only closes a bracket; it does not call Changed.
  virtual void EndUpdate();
  int UpdateCount() const { return updateCount_; }
  void Invalidate() override;
  // Forgets the cached mapping (and resets an enabled optimizer).
  void DropMapping();
  void SetRepaintMode(TRepaintMode Mode) override;

  // --- mapping -------------------------------------------------------------------------------
  // Bitmap point to control point and back, truncating toward zero.
  TPoint BitmapToView(int X, int Y);
  TPoint BitmapToView(const TPoint& P) { return BitmapToView(P.X, P.Y); }
  TPoint ViewToBitmap(int X, int Y);
  TPoint ViewToBitmap(const TPoint& P) { return ViewToBitmap(P.X, P.Y); }
  // Where the bitmap is drawn in control coordinates, and its drawn size, computed afresh.
  TRect DrawnRect() override;
  TSize DrawnSize();
  // Brings the cached mapping up to date.
  virtual void RefreshMapping();
  TRect MappedBitmapRect() const { return mappedBitmapRect_; }
  int32_t MapScaleX() const { return mapScaleX_; }
  int32_t MapScaleY() const { return mapScaleY_; }
  int32_t MapShiftX() const { return mapShiftX_; }
  int32_t MapShiftY() const { return mapShiftY_; }
  int32_t MapInvScaleX() const { return mapInvScaleX_; }
  int32_t MapInvScaleY() const { return mapInvScaleY_; }
  bool MappingValid() const { return mappingValid_; }

  // --- rendering -----------------------------------------------------------------------------
  // Runs the run-time stages into Dest with the bitmap mapped onto DestRect (Dest's clip
  // rectangle is used as the caller set it).
  void RenderInto(TBitmap32& Dest, const TRect& DestRect);
  bool RenderingInto() const override { return renderingInto_; }
  // Resizes Bitmap to the viewport, cleared to ClearColor when DoClear.
  void FitBitmapToView(bool DoClear, TColor32 ClearColor);
  bool HasDamageRects() override;
  void RepaintBuffer() override;
  void Loaded() override;

  // --- the layers' view of the owner ---------------------------------------------------------
  void ViewScale(float& ScaleX, float& ScaleY) override;
  void ViewShift(float& ShiftX, float& ShiftY) override;
  TCursor Cursor() const override { return TCustomPaintBox32::Cursor(); }
  void SetScreenCursor(TCursor Value) override;

  TNotifyEvent OnBitmapResize;
  TNotifyEvent OnChange;
  TNotifyEvent OnInitStages;
  TImgMouseEvent OnMouseDown;
  TImgMouseMoveEvent OnMouseMove;
  TImgMouseEvent OnMouseUp;
  TPaintStageEvent OnPaintStage;
  TNotifyEvent OnScaleChange;

 protected:
  virtual void BitmapResized();
  virtual void BitmapChanged(const TRect& Area);
  virtual void InitStages();
  virtual void ScaleChanged();
  virtual void BuildDefaultStages();

  // The routed mouse events; they only raise the matching On... events.
  using TCustomPaintBox32::MouseDown;
  using TCustomPaintBox32::MouseMove;
  using TCustomPaintBox32::MouseUp;
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y, TCustomLayer* Layer);
  virtual void MouseMove(TShiftState Shift, int X, int Y, TCustomLayer* Layer);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y, TCustomLayer* Layer);
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseLeave() override;
  void Resize() override;

  // The stage handlers.
  virtual void RunBitmapFrameStage(TBitmap32& Dest, uint32_t StageNum);
  virtual void RunClearStage(TBitmap32& Dest, uint32_t StageNum);
  virtual void RunBackgroundStage(TBitmap32& Dest, uint32_t StageNum);
  virtual void RunControlFrameStage(TBitmap32& Dest, uint32_t StageNum);
  virtual void RunCustomStage(TBitmap32& Dest, uint32_t StageNum);
  virtual void RunBitmapStage(TBitmap32& Dest, uint32_t StageNum);
  virtual void RunLayersStage(TBitmap32& Dest, uint32_t StageNum);

  void PaintOverlay() override;
  bool HasOverlay() const override;

 private:
  // Fills the mapping cache for the bitmap drawn into R.
  void ComputeMapping(const TRect& R);
  void SetIdentityMapping();
  // The handler of a stage kind, or null for kinds without one.
  static TPaintStageHandler StageHandler(uint32_t Kind);
  // Maps a changed bitmap area to control rectangles (one per tile with baTile).
  std::vector<TRect> MapBitmapArea(const TRect& Area);
  void BitmapAreaChanged(TObject* Sender, const TRect& Area);
  void BitmapDirectAreaChanged(TObject* Sender, const TRect& Area);
  void OverlayChanged();
  // The damage rectangles the stages work on (none while rendering into another bitmap).
  bool UsesDamageRects() const { return !renderingInto_ && DamageRects()->Count() > 0; }

  std::unique_ptr<TBitmap32> bitmap_;
  TBitmapAlign bitmapAlign_ = baTopLeft;
  std::unique_ptr<TLayerCollection> layers_;
  float offsetX_ = 0;
  float offsetY_ = 0;
  std::unique_ptr<TPaintStages> paintStages_;
  std::vector<std::pair<TPaintStageHandler, uint32_t>> selectedStages_;
  float scaleX_ = 1.0f;
  float scaleY_ = 1.0f;
  TScaleMode scaleMode_ = smNormal;
  bool autoSize_ = false;
  int updateCount_ = 0;
  TRect mappedBitmapRect_;
  int32_t mapScaleX_ = 65536;
  int32_t mapScaleY_ = 65536;
  int32_t mapShiftX_ = 0;
  int32_t mapShiftY_ = 0;
  int32_t mapInvScaleX_ = 65536;
  int32_t mapInvScaleY_ = 65536;
  bool mappingValid_ = false;
  bool renderingInto_ = false;
};

}  // namespace pictavia
