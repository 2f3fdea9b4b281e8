// TGraphic, the base of every picture class (toolkit bitmap, icon, metafile, JPEG, PNG), and
// the logical palette that pictures hand out.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/geometry.h"
#include "toolkit/object.h"

namespace pictavia {

class TCanvas;
class TStream;

struct TPaletteEntry {
  uint8_t peRed = 0;
  uint8_t peGreen = 0;
  uint8_t peBlue = 0;
  uint8_t peFlags = 0;
  friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};

// A colour-table entry in the order pictures store it: blue, green, red, reserved.
struct TRGBQuad {
  uint8_t rgbBlue = 0;
  uint8_t rgbGreen = 0;
  uint8_t rgbRed = 0;
  uint8_t rgbReserved = 0;
  friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};

// A logical palette. Pictures hand out and take palettes as shared handles; a null handle means
// "no palette".
struct TLogPalette {
  std::vector<TPaletteEntry> Entries;
};
using HPALETTE = std::shared_ptr<TLogPalette>;

class TGraphic : public TPersistent {
 public:
  const char* ClassName() const override { return "TGraphic"; }

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int Value) = 0;
  virtual void SetHeight(int Value) = 0;
  virtual bool Empty() const = 0;
  // Whether the picture has see-through parts that drawing leaves untouched.
  virtual bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool Value);
  virtual HPALETTE Palette() const { return nullptr; }
  virtual void SetPalette(HPALETTE /*Value*/) {}

  // Draws the picture stretched into Rect of the canvas.
  virtual void Draw(TCanvas& ACanvas, const TRect& Rect) = 0;
  // Draw for a caller that will not draw the picture again (it is about to free it), so the
  // picture need keep nothing for later draws. Returns true when it filled all of Rect with
  // opaque pixels (fourth byte 255); false when it left the fourth bytes as Draw does.
  virtual bool DrawOnce(TCanvas& ACanvas, const TRect& Rect) {
    Draw(ACanvas, Rect);
    return false;
  }

  virtual void LoadFromStream(TStream& Stream) = 0;
  virtual void SaveToStream(TStream& Stream) = 0;
  virtual void LoadFromFile(const std::string& FileName);
  virtual void SaveToFile(const std::string& FileName);

  // Raised after the picture changed.
  TNotifyEvent OnChange;

 protected:
  virtual void Changed();

 private:
  bool transparent_ = false;
};

}  // namespace pictavia
