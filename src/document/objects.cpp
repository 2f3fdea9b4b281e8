// Creation and placement of the photo, clip, colour-bar and text objects.
#include "document/objects.h"

#include <memory>

#include "document/picture_loading.h"

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

namespace {

// Builds a layer of type L on top of Layers; Build fills and places it. A failure frees
// the layer before the exception goes on.
template <typename L, typename BuildFn>
L* CreateLayer(TLayerCollection& Layers, const TLayerMouseEvent& OnMouseDown, BuildFn Build) {
  std::unique_ptr<L> layer(new L(&Layers));
  layer->SetCropped(true);
  Build(*layer);
  layer->SetScaled(true);
  layer->OnMouseDown = OnMouseDown;
  return layer.release();  // the collection owns it from its construction on
}

}  // namespace

TBitmapLayer* CreatePhotoLayer(TLayerCollection& Layers, const TBitmap32& Canvas,
                               const std::string& FileName, TPoint Centre,
                               const TLayerMouseEvent& OnMouseDown) {
  return CreateLayer<TBitmapLayer>(Layers, OnMouseDown, [&](TBitmapLayer& Layer) {
    LoadPicture(Layer.Bitmap(), FileName);
    Layer.Bitmap().SetDrawMode(dmBlend);
    const TFloatSize size =
        FitPhoto(Layer.Bitmap().Width(), Layer.Bitmap().Height(), Canvas.Width(), Canvas.Height());
    Layer.SetLocation(CentredLocation(Centre.X, Centre.Y, size.Width, size.Height));
  });
}

TPngLayer* CreateClipLayer(TLayerCollection& Layers, const std::string& FileName, TPoint Centre,
                           const TLayerMouseEvent& OnMouseDown) {
  return CreateLayer<TPngLayer>(Layers, OnMouseDown, [&](TPngLayer& Layer) {
    Layer.LoadFromFile(FileName);
    Layer.SetLayerTag("PNG");
    Layer.SetLocation(
        CentredLocationInt(Centre.X, Centre.Y, Layer.Bitmap().Width(), Layer.Bitmap().Height()));
  });
}

TColorLayer* CreateColorBarLayer(TLayerCollection& Layers, TPoint Centre,
                                 const TLayerMouseEvent& OnMouseDown) {
  return CreateLayer<TColorLayer>(Layers, OnMouseDown, [&](TColorLayer& Layer) {
    Layer.SetLocation(CentredLocationInt(Centre.X, Centre.Y, ColorBarWidth, ColorBarHeight));
  });
}

TTextLayer* CreateTextLayer(TLayerCollection& Layers, TPoint Centre,
                            const TLayerMouseEvent& OnMouseDown) {
  return CreateLayer<TTextLayer>(Layers, OnMouseDown, [&](TTextLayer& Layer) {
    Layer.SetLocation(CentredLocation(Centre.X, Centre.Y,
                                      static_cast<float>(Layer.Bitmap().Width()),
                                      static_cast<float>(Layer.Bitmap().Height())));
  });
}

bool TextDrawsNothing(const std::string& Text, const TFont& Font) {
  TBitmap32 measure;
  measure.SetFont(Font);
  const TSize extent = measure.TextExtent(Text);
  return extent.cx <= 0 || extent.cy <= 0;
}

void RefitTextLayer(TTextLayer& Layer) {
  const TFloatRect old = Layer.Location();
  Layer.SetLocation(FloatRect(old.Left, old.Top,
                              old.Left + static_cast<float>(Layer.Bitmap().Width()),
                              old.Top + static_cast<float>(Layer.Bitmap().Height())));
  Layer.SetScaled(true);
}

}  // namespace pictavia
