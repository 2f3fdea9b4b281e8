// TRubberbandLayer: the selection frame - a dashed outline with square handles that moves and
// resizes itself, and the layer attached to it, under the mouse.
#pragma once

#include <cstdint>
#include <functional>

#include "layers/positioned_layer.h"
#include "raster/color32.h"

namespace pictavia {

// What a point of the band grabs; passed to OnReshaping.
enum TRBDragState : uint8_t {
  dsNone = 0,
  dsMove = 1,
  dsLeft = 2,
  dsTop = 3,
  dsRight = 4,
  dsBottom = 5,
  dsTopLeft = 6,
  dsTopRight = 7,
  dsBottomLeft = 8,
  dsBottomRight = 9
};

// The band's Handles: what is drawn and what can be grabbed.
using TRBHandles = uint16_t;
inline constexpr TRBHandles gpCenter = 1u << 0;   // the inside moves the band
inline constexpr TRBHandles gpSides = 1u << 1;    // handles in the middle of the sides
inline constexpr TRBHandles gpCorners = 1u << 2;  // handles at the corners
inline constexpr TRBHandles gpFrame = 1u << 3;    // the dashed frame is drawn
inline constexpr TRBHandles gpNoLeft = 1u << 4;
inline constexpr TRBHandles gpNoRight = 1u << 5;
inline constexpr TRBHandles gpNoTop = 1u << 6;
inline constexpr TRBHandles gpNoBottom = 1u << 7;
inline constexpr TRBHandles gpNoTopLeft = 1u << 8;
inline constexpr TRBHandles gpNoTopRight = 1u << 9;
inline constexpr TRBHandles gpNoBottomLeft = 1u << 10;
inline constexpr TRBHandles gpNoBottomRight = 1u << 11;

using TRBReshapingEvent =
    std::function<void(TObject* Sender, const TFloatRect& StartLocation, TFloatRect& NewLocation,
                       TRBDragState DragState, TShiftState Shift)>;

// The two edge rules of a resize step, in single precision: the grabbed edge moves by Delta, then
// the size is held to at least Min and, when Max >= Min, to at most Max by moving that same
// edge back, so the opposite edge never moves.
void MoveLowEdge(float& Lo, float Hi, float Delta, float Min, float Max);
void MoveHighEdge(float Lo, float& Hi, float Delta, float Min, float Max);

class TRubberbandLayer : public TPositionedLayer {
 public:
  // The defaults: the four-colour dashes, black-outlined white handles of half-size 3, every
  // handle and the frame, minimum size 10 x 10, no maximum; options OptVisible + OptMouse.
  explicit TRubberbandLayer(TLayerCollection* LayerCollection);
  const char* ClassName() const override { return "TRubberbandLayer"; }

  // The layer that follows the band, or null; it reads null from the moment the layer's
  // destruction begins. Attaching snaps the band onto the layer's Location and Scaled. The band
  // itself, or a band whose chain of attached bands leads back to this one, is refused (null is
  // attached instead), since the two would set each other's location without end.
  TPositionedLayer* AttachedLayer() const;
  void SetAttachedLayer(TPositionedLayer* Value);

  const TArrayOfColor32& FrameDashes() const { return frameDashes_; }
  void SetFrameDashes(const TArrayOfColor32& Value);
  float FrameDashStep() const { return frameDashStep_; }
  void SetFrameDashStep(float Value);
  float FrameDashStart() const { return frameDashStart_; }
  void SetFrameDashStart(float Value);
  TColor32 GripOutline() const { return gripOutline_; }
  void SetGripOutline(TColor32 Value);
  TColor32 GripFill() const { return gripFill_; }
  void SetGripFill(TColor32 Value);
  TRBHandles Handles() const { return handles_; }
  void SetHandles(TRBHandles Value);
  // Half the side of a handle, in control pixels; held to +-2^20 so handle corners stay in range.
  int HandleSize() const { return handleSize_; }
  void SetHandleSize(int Value);

  // Size limits of a resize, in the Location space; a maximum below its minimum means none.
  float MinWidth() const { return minWidth_; }
  void SetMinWidth(float Value) { minWidth_ = Value; }
  float MaxWidth() const { return maxWidth_; }
  void SetMaxWidth(float Value) { maxWidth_ = Value; }
  float MinHeight() const { return minHeight_; }
  void SetMinHeight(float Value) { minHeight_ = Value; }
  float MaxHeight() const { return maxHeight_; }
  void SetMaxHeight(float Value) { maxHeight_ = Value; }

  bool Dragging() const { return dragging_; }
  TRBDragState DragState() const { return dragState_; }
  const TFloatRect& StartLocation() const { return startLocation_; }
  const TFloatPoint& GrabOffset() const { return grabOffset_; }

  // What the control point (X, Y) grabs: corners before sides, right and bottom before left and
  // top, then the inside; a handle reaches HandleSize + 1 pixels around its point.
  virtual TRBDragState GripAt(int X, int Y);

  // The OptNoUpdate bit of Value is always dropped.
  void SetOptionBits(uint32_t Value) override;

  bool ShapeHit(int X, int Y) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Notification(TCustomLayer* Layer) override;
  void Paint(TBitmap32* Buffer) override;

  // Raised after a drag step changed Location.
  TNotifyEvent OnUserChange;
  // May adjust each rectangle a drag step proposes.
  TRBReshapingEvent OnReshaping;

 protected:
  virtual void DoReshaping(const TFloatRect& StartLocation, TFloatRect& NewLocation,
                           TRBDragState DragState, TShiftState Shift);
  // Stores the rectangle and gives the attached layer the same one.
  void StoreLocation(const TFloatRect& Value) override;

 private:
  void DragTo(TShiftState Shift, int X, int Y);
  void DrawHandle(TBitmap32& Buffer, int X, int Y) const;
  void SetCursorFor(TRBDragState State);

  TPositionedLayer* child_ = nullptr;
  TLayerWatch childWatch_{nullptr};
  TArrayOfColor32 frameDashes_{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFF000000u, 0xFF000000u};
  float frameDashStep_ = 1.0f;
  float frameDashStart_ = 0.0f;
  TColor32 gripOutline_ = 0xFF000000u;
  TColor32 gripFill_ = 0xFFFFFFFFu;
  TRBHandles handles_ = gpCenter | gpSides | gpCorners | gpFrame;
  int handleSize_ = 3;
  float minWidth_ = 10;
  float maxHeight_ = 0;
  float minHeight_ = 10;
  float maxWidth_ = 0;
  bool dragging_ = false;
  TRBDragState dragState_ = dsNone;
  TFloatRect startLocation_;
  TFloatPoint grabOffset_;
};

}  // namespace pictavia
