// The sizes and placement of the photo, clip, colour-bar and text objects.
#include "document/objects.h"

namespace pictavia {

TFloatSize FitPhoto(int PictureWidth, int PictureHeight, int CanvasWidth, int CanvasHeight) {
  if (PictureWidth <= CanvasWidth && PictureHeight <= CanvasHeight)
    return {static_cast<float>(PictureWidth), static_cast<float>(PictureHeight)};
  const float pw = static_cast<float>(PictureWidth);
  const float ph = static_cast<float>(PictureHeight);
  const float cw = static_cast<float>(CanvasWidth);
  const float ch = static_cast<float>(CanvasHeight);
  // A canvas of width or height 0 gives an infinite ratio here, never a trap: the result is 0.
  const float rw = pw / cw;
  const float rh = ph / ch;
  if (rw > rh) {
    const float h = cw / pw * ph;
    return {cw, h};
  }
  const float w = ch / ph * pw;
  return {w, ch};
}

TFloatRect CentredLocation(int CX, int CY, float Width, float Height) {
  const float cx = static_cast<float>(CX);
  const float cy = static_cast<float>(CY);
  const float hw = Width / 2;
  const float hh = Height / 2;
  return FloatRect(cx - hw, cy - hh, cx + hw, cy + hh);
}

TFloatRect CentredLocationInt(int CX, int CY, int Width, int Height) {
  const int hw = Width / 2;
  const int hh = Height / 2;
  return FloatRect(static_cast<float>(CX - hw), static_cast<float>(CY - hh),
                   static_cast<float>(CX + hw), static_cast<float>(CY + hh));
}

}  // namespace pictavia
