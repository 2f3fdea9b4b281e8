// TFont: a font description (name, size in points, style, colour, character set, orientation,
// pitch, output quality) and its mapping onto a Qt font.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/colors.h"
#include "toolkit/object.h"

class QFont;

namespace pictavia {

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t;  // a set of TFontStyle bits

enum TFontPitch { fpDefault, fpVariable, fpFixed };

// How glyph edges are rendered: platform default, hard edges, or anti-aliased.
enum TFontQuality { fqDefault = 0, fqNonAntialiased = 3, fqAntialiased = 4 };

inline constexpr uint8_t DEFAULT_CHARSET = 1;

// Text is laid out at 96 dots per inch, so a point is 4/3 of a pixel.
inline constexpr int kScreenDpi = 96;

class TFont : public TPersistent {
 public:
  TFont();
  const char* ClassName() const override { return "TFont"; }
  void Assign(const TPersistent* Source) override;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& v);
  // Size in points; Height is the matching character height in pixels, negative as stored.
  int Size() const { return size_; }
  void SetSize(int v);
  int Height() const;
  void SetHeight(int v);
  // An exact character height in pixels that overrides the point size (0: none). Enlarged copies
  // of a font for supersampled text use it, so that their glyphs scale by exactly the factor
  // instead of by a point size rounded again to pixels. SetSize and SetHeight clear it.
  int PixelHeight() const { return pixelHeight_; }
  void SetPixelHeight(int v);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  uint8_t Charset() const { return charset_; }
  void SetCharset(uint8_t v);
  // Escapement in tenths of a degree, counter-clockwise.
  int Orientation() const { return orientation_; }
  void SetOrientation(int v);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch v);
  TFontQuality Quality() const { return quality_; }
  void SetQuality(TFontQuality v);

  // Raised after every change of the description.
  TNotifyEvent OnChange;

  // The Qt font that draws this description: family found through fontconfig ("Arial" is
  // served by Liberation Sans, "Tahoma", "MS Sans Serif" and "Default" by DejaVu Sans), pixel
  // size from the point size at 96 dpi, weight, slant, underline, strike-out, hinting and
  // anti-aliasing from the quality.
  QFont ToQFont() const;

 protected:
  void Changed();

 private:
  std::string name_ = "Tahoma";
  int size_ = 8;
  int pixelHeight_ = 0;
  TFontStyles style_ = 0;
  TColor color_ = clWindowText;
  uint8_t charset_ = DEFAULT_CHARSET;
  int orientation_ = 0;
  TFontPitch pitch_ = fpDefault;
  TFontQuality quality_ = fqDefault;
};

// The family Qt should ask fontconfig for when a picture or form names `name`.
std::string ResolveFontFamily(const std::string& name);

}  // namespace pictavia
