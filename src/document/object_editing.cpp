// Masks, quarter turns, mirroring and the centred resize of one object.
#include "document/object_editing.h"

namespace pictavia {

bool ApplyMask(TBitmap32& Target, const TPersistent* Mask) {
  TBitmap32 mask;
  mask.Assign(Mask);
  if (mask.Empty()) return false;
  // The mask's own defaults draw it: opaque, nearest sampling.
  TBitmap32 stretched;
  stretched.SetSize(Target.Width(), Target.Height());
  mask.DrawOnto(stretched, Rect(0, 0, Target.Width(), Target.Height()));
  AlphaFromBrightness(&Target, &stretched);
  return true;
}

void RemoveMask(TBitmap32& Target) {
  Target.SetAllAlpha(255);
}

TFloatRect QuarterTurnLocation(const TFloatRect& L) {
  const float cx = (L.Left + L.Right) / 2;
  const float cy = (L.Top + L.Bottom) / 2;
  const float hw = (L.Right - L.Left) / 2;
  const float hh = (L.Bottom - L.Top) / 2;
  return FloatRect(cx - hh, cy - hw, cx + hh, cy + hw);
}

void ResizeAboutCentre(const TFloatRect& O, TFloatRect& N, TRBDragState DragState,
                       TShiftState Shift) {
  if (DragState == dsMove || (Shift & ssCtrl) == 0) return;
  const float cx = (O.Left + O.Right) / 2;
  const float cy = (O.Top + O.Bottom) / 2;
  float hw = (O.Right - O.Left) / 2;
  float hh = (O.Bottom - O.Top) / 2;
  switch (DragState) {
    case dsLeft:
      hw = cx - N.Left;
      break;
    case dsTop:
      hh = cy - N.Top;
      break;
    case dsRight:
      hw = N.Right - cx;
      break;
    case dsBottom:
      hh = N.Bottom - cy;
      break;
    case dsTopLeft:
      hw = cx - N.Left;
      hh = cy - N.Top;
      break;
    case dsTopRight:
      hw = N.Right - cx;
      hh = cy - N.Top;
      break;
    case dsBottomLeft:
      hw = cx - N.Left;
      hh = N.Bottom - cy;
      break;
    case dsBottomRight:
      hw = N.Right - cx;
      hh = N.Bottom - cy;
      break;
    default:
      break;
  }
  const float minHalf = MinCentredSize / 2;
  if (hw < minHalf) hw = minHalf;
  if (hh < minHalf) hh = minHalf;
  N = FloatRect(cx - hw, cy - hh, cx + hw, cy + hh);
}

}  // namespace pictavia
