// TPngLayer: loading a clip from a file and drawing it with the picture's own transparency.
#include "layers/png_layer.h"

#include "toolkit/canvas.h"
#include "toolkit/streams.h"

namespace pictavia {

TPngLayer::TPngLayer(TLayerCollection* LayerCollection)
    : TBitmapLayer(LayerCollection), picture_(std::make_unique<TPNGObject>()) {}

TPngLayer::~TPngLayer() = default;

void TPngLayer::LoadFromFile(const std::string& FileName) {
  if (!FileExists(FileName)) return;
  // Read into a scratch picture first: a file that fails half-way must not leave a clip that is
  // already showing with a half-decoded picture.
  TPNGObject loaded;
  loaded.LoadFromFile(FileName);
  AssignPicture(loaded);
}

void TPngLayer::AssignPicture(const TPNGObject& Picture) {
  picture_->Assign(&Picture);
  // A new picture of the old size still has to be shown.
  if (!Bitmap().SetSize(picture_->PictureWidth(), picture_->PictureHeight())) Bitmap().Changed();
  pngLoaded_ = true;
}

void TPngLayer::Paint(TBitmap32* Buffer) {
  if (!Buffer || !pngLoaded_) return;
  const TFloatRect v = ViewLocation();
  const TRect r =
      Rect(PixelFloor(v.Left), PixelFloor(v.Top), PixelFloor(v.Right), PixelFloor(v.Bottom));
  // While the buffer only measures, its pixels must stay as they are. Otherwise the picture is
  // held to the buffer's clip rectangle: the view repaints one damaged rectangle at a time, and
  // drawing past it would blend the clip a second time over finished pixels (and over the
  // layers above it) that no one repaints.
  if (!Buffer->MeasuringMode() && !Buffer->Empty()) {
    TCanvas& canvas = Buffer->Canvas();
    struct ClipKeeper {
      TCanvas& canvas;
      bool clipping;
      TRect clip;
      ~ClipKeeper() {
        if (clipping)
          canvas.SetClipRect(clip);
        else
          canvas.ResetClip();
      }
    } keeper{canvas, canvas.Clipping(), canvas.ClipRect()};
    TRect clip;
    IntersectRect(clip, keeper.clip, Buffer->ClipRect());
    canvas.SetClipRect(clip);
    picture_->DrawInto(canvas, r);
  }
  Buffer->Changed();
}

}  // namespace pictavia
