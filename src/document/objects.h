// The sizes of the four kinds of object (photo, clip, colour bar, text) and their placement
// around a centre point of the canvas.
#pragma once

#include "toolkit/geometry.h"

namespace pictavia {

struct TFloatSize {
  float Width = 0;
  float Height = 0;
  friend bool operator==(const TFloatSize&, const TFloatSize&) = default;
};

// A photo of PictureWidth x PictureHeight on a CanvasWidth x CanvasHeight canvas: its natural
// size when it fits, else shrunk to the canvas along the side that overflows more (the height
// on a tie), in single precision. Never enlarged.
TFloatSize FitPhoto(int PictureWidth, int PictureHeight, int CanvasWidth, int CanvasHeight);

// A rectangle of the given size centred on (CX, CY) with float halves.
TFloatRect CentredLocation(int CX, int CY, float Width, float Height);
// The same with integer halves (a clip's rule): an odd size loses one unit.
TFloatRect CentredLocationInt(int CX, int CY, int Width, int Height);

// The size of a new colour bar in canvas units, whatever the canvas size.
inline constexpr int ColorBarWidth = 400;
inline constexpr int ColorBarHeight = 120;

}  // namespace pictavia
