// The four kinds of object (photo, clip, colour bar, text): their sizes, their placement around
// a centre point of the canvas, and their creation as layers above the canvas.
#pragma once

#include <string>

#include "layers/bitmap_layer.h"
#include "layers/color_layer.h"
#include "layers/custom_layer.h"
#include "layers/layer_collection.h"
#include "layers/png_layer.h"
#include "layers/text_layer.h"
#include "raster/bitmap32.h"
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

// Each creates its layer on top of Layers, cropped, scaled, placed around Centre (canvas
// pixels) with OnMouseDown as its mouse-down handler. When anything fails on the way the new
// layer is freed and the exception passes on, so no half-built layer stays behind.

// The picture file loaded into the layer's bitmap, drawn blended, fitted to the canvas. A file
// that decodes to nothing raises EInvalidGraphic naming it.
TBitmapLayer* CreatePhotoLayer(TLayerCollection& Layers, const TBitmap32& Canvas,
                               const std::string& FileName, TPoint Centre,
                               const TLayerMouseEvent& OnMouseDown = {});
// A clip from a PNG file, at its natural size, tagged "PNG". A file that does not exist gives a
// clip of size 0 x 0 at the centre.
TPngLayer* CreateClipLayer(TLayerCollection& Layers, const std::string& FileName, TPoint Centre,
                           const TLayerMouseEvent& OnMouseDown = {});
// A lime bar of ColorBarWidth x ColorBarHeight.
TColorLayer* CreateColorBarLayer(TLayerCollection& Layers, TPoint Centre,
                                 const TLayerMouseEvent& OnMouseDown = {});
// "Enter Your Text" at its rendered size.
TTextLayer* CreateTextLayer(TLayerCollection& Layers, TPoint Centre,
                            const TLayerMouseEvent& OnMouseDown = {});

// Whether Text in Font renders to no pixels at all (empty, or only characters without width).
bool TextDrawsNothing(const std::string& Text, const TFont& Font);
// After a text layer was re-rendered: its natural size again, from the old left and top.
void RefitTextLayer(TTextLayer& Layer);

}  // namespace pictavia
