// Edits of one object: masks (brightness becomes alpha), the quarter turn about the centre,
// mirroring, and the Ctrl rule that resizes a dragged frame about its centre.
#pragma once

#include <string>

#include "layers/bitmap_layer.h"
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
// The same with a mask picture file; the loading's exceptions pass on, and a file that decodes
// to nothing raises EInvalidGraphic naming it.
bool ApplyMaskFile(TBitmap32& Target, const std::string& FileName);
// Every alpha back to 255 (also any transparency the picture file brought).
void RemoveMask(TBitmap32& Target);

// The rectangle turned a quarter about its centre: width and height swap.
TFloatRect QuarterTurnLocation(const TFloatRect& Location);
// Turns the layer's bitmap a quarter clockwise and gives LocationHolder (the selection frame the
// layer is attached to, or the layer itself when null) the turned location.
void RotateLayerQuarter(TBitmapLayer& Layer, TPositionedLayer* LocationHolder = nullptr);
void FlipLayerHorizontal(TBitmapLayer& Layer);
void FlipLayerVertical(TBitmapLayer& Layer);

// With Ctrl held and an edge or corner dragged, NewLocation grows or shrinks symmetrically about
// the centre of OldLocation, never below MinCentredSize in either direction; otherwise it is
// left as proposed. Single precision throughout.
inline constexpr float MinCentredSize = 4.0f;
void ResizeAboutCentre(const TFloatRect& OldLocation, TFloatRect& NewLocation,
                       TRBDragState DragState, TShiftState Shift);

}  // namespace pictavia
