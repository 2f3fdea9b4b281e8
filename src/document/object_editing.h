// Edits of one object: masks (brightness becomes alpha), the quarter turn about the centre,
// mirroring, and the Ctrl rule that resizes a dragged frame about its centre.
#pragma once

#include <string>

#include "layers/input.h"
#include "layers/rubberband_layer.h"
#include "raster/bitmap32.h"
#include "toolkit/geometry.h"
#include "toolkit/object.h"

namespace pictavia {

// Stretches the mask picture (any picture or bitmap a TBitmap32 can be assigned) to the size of
// Target with nearest sampling and gives every pixel of Target the mask's brightness as alpha;
// red, green and blue stay, so a later mask replaces this one. An empty mask changes nothing and
// returns false (it would otherwise make the object vanish).
bool ApplyMask(TBitmap32& Target, const TPersistent* Mask);
// Every alpha back to 255 (also any transparency the picture file brought).
void RemoveMask(TBitmap32& Target);

// The rectangle turned a quarter about its centre: width and height swap.
TFloatRect QuarterTurnLocation(const TFloatRect& Location);

// With Ctrl held and an edge or corner dragged, NewLocation grows or shrinks symmetrically about
// the centre of OldLocation, never below MinCentredSize in either direction; otherwise it is
// left as proposed. Single precision throughout.
inline constexpr float MinCentredSize = 4.0f;
void ResizeAboutCentre(const TFloatRect& OldLocation, TFloatRect& NewLocation,
                       TRBDragState DragState, TShiftState Shift);

}  // namespace pictavia
