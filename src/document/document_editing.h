// The editor's commands as changes of a document: a new canvas, the backgrounds, adding the four
// kinds of object, and every edit of one object. Each changes only the document it is given;
// the layers follow through TDocumentLayers.
#pragma once

#include <cstdint>
#include <string>

#include "document/document.h"
#include "document/picture_store.h"
#include "toolkit/geometry.h"

namespace pictavia {

// A canvas of the size, filled with the colour, and no objects.
void NewDocumentCanvas(TDocument& Doc, int Width, int Height, TColor32 Fill);
// The canvas of the size in one opaque colour.
void SetCanvasColor(TDocument& Doc, int Width, int Height, TColor32 Color);
// The canvas of the size with a picture stretched over it.
void SetCanvasPicture(TDocument& Doc, int Width, int Height, const std::string& FileName,
                      std::shared_ptr<const TBitmap32> Picture);
// The canvas of the size whose picture could not be found: the pixels stay when the size does;
// a new size leaves transparent black, as a resized bitmap has.
void SetCanvasSizeOnly(TDocument& Doc, int Width, int Height);

// Each adds an object on top, placed around Centre (canvas pixels) with the size the editor's Add
// command gives it, and returns its id.
// A photo fitted to the canvas (FitPhoto) with float halves.
uint64_t AddPhoto(TDocument& Doc, TPictureStore& Store, const std::string& FileName, TPoint Centre);
// The same with the file's picture decoded already.
uint64_t AddPhoto(TDocument& Doc, const std::string& FileName,
                  std::shared_ptr<const TBitmap32> Picture, TPoint Centre);
// A clip at its natural size with integer halves; a file that does not exist gives a clip of
// size 0 x 0 and no picture.
uint64_t AddClip(TDocument& Doc, TPictureStore& Store, const std::string& FileName, TPoint Centre);
// A lime bar of ColorBarWidth x ColorBarHeight.
uint64_t AddBar(TDocument& Doc, TPoint Centre);
// "Enter Your Text" at its rendered size.
uint64_t AddText(TDocument& Doc, TPoint Centre);

// The size the text renders to in the font (as a text layer's bitmap is sized).
TSize RenderedTextSize(const std::string& Text, const TFontSpec& Font);

void DeleteObject(TDocument& Doc, uint64_t Id);
// One place up or down; nothing at the top or the bottom. True when the order changed.
bool MoveObjectUp(TDocument& Doc, uint64_t Id);
bool MoveObjectDown(TDocument& Doc, uint64_t Id);
void SetObjectLocation(TDocument& Doc, uint64_t Id, const TFloatRect& Location);
// A quarter turn clockwise about the centre: the pixels turn, width and height of the location
// swap.
void RotateObject(TDocument& Doc, uint64_t Id);
void FlipObject(TDocument& Doc, uint64_t Id, TPixelEditKind Flip);
void ApplyObjectMask(TDocument& Doc, uint64_t Id, TMaskSource Mask);
void RemoveObjectMask(TDocument& Doc, uint64_t Id);
void SetObjectOpacity(TDocument& Doc, uint64_t Id, uint32_t Opacity);
void SetBarColor(TDocument& Doc, uint64_t Id, TColor32 Color);
// The text panel's Apply: the text (kept as it was when Text draws nothing in the font), the font
// and the colour; the text renders afresh (earlier turns, flips and masks are gone with the old
// rendering) and the location takes its new size from the old left and top.
void ApplyObjectText(TDocument& Doc, uint64_t Id, const std::string& Text, const TFontSpec& Font,
                     TColor32 TextColor);

}  // namespace pictavia
