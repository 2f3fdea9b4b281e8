// The composition-wide operations on a canvas bitmap and the layers above it: the canvas size and
// its stretched background picture, the checkerboard stage, the flattening for Save and the
// save-name rules.
#pragma once

#include <memory>
#include <string>

#include "layers/offscreen_image.h"
#include "raster/bitmap32.h"
#include "toolkit/colors.h"

namespace pictavia {

// Resizes the canvas when the size differs (the pixels are lost then; layers stay where they are).
void ResizeCanvas(TBitmap32& Canvas, int Width, int Height);

// Stretches the picture over the whole canvas with nearest sampling, replacing every pixel; the
// aspect ratio is not kept.
void StretchBackgroundPicture(TBitmap32& Canvas, TBitmap32& Picture);

// 13-pixel squares over the whole buffer, grey (0xFFA0A0A0) at the top left, then white.
void PaintCheckerboard(TBitmap32& Buffer);
inline constexpr int CheckerSize = 13;
inline constexpr TColor32 CheckerGrey = 0xFFA0A0A0u;

// The canvas (the image's bitmap) with every visible layer, rendered at 1:1 into a bitmap of the
// canvas size, every alpha 255.
std::unique_ptr<TBitmap32> FlattenComposition(TOffscreenImage& Image);
// Alpha 255 everywhere: what Save writes of a rendered composition.
void MakeOpaque(TBitmap32& Flat);

// The outcome of CheckSaveName.
enum TSaveNameCheck { snEmpty, snAccepted, snWrongExtension };
// The rules for a name chosen in the save dialog: blank names are dropped, a name without an
// extension gets ".BMP", any extension but ".bmp" (any case) is refused. Name is changed only
// when ".BMP" is appended.
TSaveNameCheck CheckSaveName(std::string& Name);
}  // namespace pictavia
