// The document-wide operations on a view (its Bitmap is the canvas, its Layers the objects):
// a new canvas, the background fills, the checkerboard stage and the flattening for Save.
#pragma once

#include <memory>
#include <string>

#include "raster/bitmap32.h"
#include "toolkit/colors.h"
#include "view/image32.h"

namespace pictavia {

// Frees every layer, zooms to 100 %, gives the canvas the size and fills it, and repaints
// through the optimizer from then on.
void NewCanvas(TCustomImage32& View, int Width, int Height, TColor32 Fill);

// Resizes the canvas when the size differs (the pixels are lost then; layers stay where they are).
void ResizeCanvas(TCustomImage32& View, int Width, int Height);

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

// The view's first stage becomes a custom stage, so that it raises OnPaintStage (the
// checkerboard) instead of clearing around the canvas.
void UseCustomFirstStage(TCustomImage32& View);
// 13-pixel squares over the whole buffer, grey (0xFFA0A0A0) at the top left, then white.
void PaintCheckerboard(TBitmap32& Buffer);
inline constexpr int CheckerSize = 13;
inline constexpr TColor32 CheckerGrey = 0xFFA0A0A0u;

// The canvas with every visible layer, rendered at 1:1 into a bitmap of the canvas size, every
// alpha 255. Independent of the zoom and the scroll position.
std::unique_ptr<TBitmap32> FlattenComposition(TCustomImage32& View);
// FlattenComposition written as a 32-bit BMP file through a temporary file, so that a failure
// leaves an existing file as it was (see SaveBitmapAtomically); the exceptions pass on.
void SaveComposition(TCustomImage32& View, const std::string& FileName);

// The outcome of CheckSaveName.
enum TSaveNameCheck { snEmpty, snAccepted, snWrongExtension };
// The rules for a name chosen in the save dialog: blank names are dropped, a name without an
// extension gets ".BMP", any extension but ".bmp" (any case) is refused. Name is changed only
// when ".BMP" is appended.
TSaveNameCheck CheckSaveName(std::string& Name);
}  // namespace pictavia
