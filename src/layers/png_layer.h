// TPngLayer: a clip - a PNG picture with transparency that draws itself onto the view's buffer.
#pragma once

#include <memory>
#include <string>

#include "codecs/png_object.h"
#include "layers/bitmap_layer.h"

namespace pictavia {

class TPngLayer : public TBitmapLayer {
 public:
  explicit TPngLayer(TLayerCollection* LayerCollection);
  ~TPngLayer() override;
  const char* ClassName() const override { return "TPngLayer"; }

  // The clip picture, owned by the layer; the same object for the layer's whole life.
  TPNGObject& Picture() { return *picture_; }
  const TPNGObject& Picture() const { return *picture_; }
  // True once a file was loaded into Picture.
  bool PngLoaded() const { return pngLoaded_; }

  // A missing file is ignored. Otherwise the file is read (the PNG reader's exceptions pass on,
  // leaving Picture, Bitmap and PngLoaded as they were), Bitmap takes the picture's size as the
  // clip's natural size (its pixels stay unfilled) and PngLoaded becomes true.
  void LoadFromFile(const std::string& FileName);
  // A copy of an already decoded picture, with the same effect as loading its file.
  void AssignPicture(const TPNGObject& Picture);

  // Draws Picture with its own transparency into the floored ViewLocation on the buffer's
  // canvas, then reports the whole buffer changed. Bitmap is never drawn.
  void Paint(TBitmap32* Buffer) override;

 private:
  std::unique_ptr<TPNGObject> picture_;
  bool pngLoaded_ = false;
};

}  // namespace pictavia
