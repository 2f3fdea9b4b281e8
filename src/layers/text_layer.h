// TTextLayer: a text rendered anti-aliased into the layer's bitmap, with the glyph coverage as
// the alpha channel.
#pragma once

#include <string>

#include "layers/bitmap_layer.h"
#include "raster/color32.h"
#include "toolkit/font.h"

namespace pictavia {

class TTextLayer : public TBitmapLayer {
 public:
  // "Enter Your Text" in Arial 16 bold, opaque red, rendered at once.
  explicit TTextLayer(TLayerCollection* LayerCollection);
  const char* ClassName() const override { return "TTextLayer"; }

  const std::string& Text() const { return text_; }
  // Re-renders only when the text differs (case-sensitive).
  void SetText(const std::string& Value);

  // Colour and opacity of the glyphs.
  TColor32 TextColor() const { return textColor_; }
  void SetTextColor(TColor32 Value);

  // The bitmap's font. Writing copies the attributes of Value and always re-renders; changing
  // the object returned here does not.
  TFont& Font() { return Bitmap().Font(); }
  void SetFont(const TFont& Value);

 private:
  // Sizes the bitmap to the text's extent and draws the text with four levels of
  // supersampling, on transparent pixels.
  void UpdateText();

  std::string text_ = "Enter Your Text";
  TColor32 textColor_ = 0xFFFF0000u;
};

}  // namespace pictavia
