// The composition-wide operations on a canvas bitmap and the layers above it: a new canvas, the
// background fills, the checkerboard stage and the flattening for Save.
#pragma once

#include <memory>
#include <string>

#include "layers/layer_collection.h"
#include "layers/offscreen_image.h"
#include "raster/bitmap32.h"
#include "toolkit/colors.h"

namespace pictavia {

// Frees every layer, gives the canvas the size and fills it.
void NewCanvas(TBitmap32& Canvas, TLayerCollection& Layers, int Width, int Height, TColor32 Fill);

// Resizes the canvas when the size differs (the pixels are lost then; layers stay where they are).
void ResizeCanvas(TBitmap32& Canvas, int Width, int Height);

// Fills the canvas with a toolkit colour (system colours resolved), opaque.
void FillBackgroundColor(TBitmap32& Canvas, TColor Color);
// Reads and decodes a background picture. A file that cannot be decoded, or that holds no
// picture, raises, so the caller can find out before it changes the canvas.
std::unique_ptr<TBitmap32> LoadBackgroundPicture(const std::string& FileName);
// Stretches the picture over the whole canvas with nearest sampling, replacing every pixel; the
// aspect ratio is not kept.
void StretchBackgroundPicture(TBitmap32& Canvas, TBitmap32& Picture);
// Both in one; the loading's exceptions pass on with the canvas untouched.
void FillBackgroundPicture(TBitmap32& Canvas, const std::string& FileName);

// 13-pixel squares over the whole buffer, grey (0xFFA0A0A0) at the top left, then white.
void PaintCheckerboard(TBitmap32& Buffer);
inline constexpr int CheckerSize = 13;
inline constexpr TColor32 CheckerGrey = 0xFFA0A0A0u;

// The canvas (the image's bitmap) with every visible layer, rendered at 1:1 into a bitmap of the
// canvas size, every alpha 255.
std::unique_ptr<TBitmap32> FlattenComposition(TOffscreenImage& Image);
// Alpha 255 everywhere: what Save writes of a rendered composition.
void MakeOpaque(TBitmap32& Flat);
// FlattenComposition written as a 32-bit BMP file through a temporary file, so that a failure
// leaves an existing file as it was (see SaveBitmapAtomically); the exceptions pass on.
void SaveComposition(TOffscreenImage& Image, const std::string& FileName);

// The outcome of CheckSaveName.
enum TSaveNameCheck { snEmpty, snAccepted, snWrongExtension };
// The rules for a name chosen in the save dialog: blank names are dropped, a name without an
// extension gets ".BMP", any extension but ".bmp" (any case) is refused. Name is changed only
// when ".BMP" is appended.
TSaveNameCheck CheckSaveName(std::string& Name);
}  // namespace pictavia
