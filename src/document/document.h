// TDocument: a composition as data - the canvas and, in stacking order, every object with all
// that decides its pixels. Pictures are decoded once and shared; an object is immutable once it
// is in a document, so a copy of a document (an undo step) costs a list of pointers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "raster/bitmap32.h"
#include "raster/color32.h"
#include "toolkit/colors.h"
#include "toolkit/font.h"
#include "toolkit/geometry.h"

namespace pictavia {

class TPNGObject;

enum TObjectKind : uint8_t { okPhoto, okClip, okBar, okText };

// The edits of an object's pixels, kept in the order they were made: a mask applied before a turn
// turns with the photo, one applied after stays upright.
enum TPixelEditKind : uint8_t { peRotate, peFlipHorizontal, peFlipVertical, peMask, peRemoveMask };

struct TMaskSource {
  int Number = 0;    // a bundled mask (Masks/<n>.jpg), or 0 for a file of the user's
  std::string File;  // absolute; empty for a mask that exists only in memory
  std::shared_ptr<const TBitmap32> Picture;
  friend bool operator==(const TMaskSource& A, const TMaskSource& B) {
    return A.Number == B.Number && A.File == B.File && A.Picture == B.Picture;
  }
};

struct TPixelEdit {
  TPixelEditKind Kind = peRotate;
  TMaskSource Mask;  // peMask only
  friend bool operator==(const TPixelEdit&, const TPixelEdit&) = default;
};

// The text panel's font: what its dialog sets.
struct TFontSpec {
  std::string Name = "Arial";
  int Size = 16;
  TFontStyles Style = fsBold;
  friend bool operator==(const TFontSpec&, const TFontSpec&) = default;
};

inline constexpr const char* DefaultObjectText = "Enter Your Text";
inline constexpr TColor32 DefaultTextColor = 0xFFFF0000u;
inline constexpr TColor32 DefaultBarColor = 0xFF00FF00u;

struct TDocObject {
  uint64_t Id = 0;  // unique within the document and its history
  TObjectKind Kind = okPhoto;
  std::string File;                          // photos and clips: absolute
  std::shared_ptr<const TBitmap32> Picture;  // photos: decoded and turned upright
  std::shared_ptr<const TPNGObject> Clip;    // clips; null for a clip file that did not exist
  TFloatRect Location;
  std::vector<TPixelEdit> Edits;
  uint32_t Opacity = 255;  // the bitmap's master alpha
  TColor32 BarColor = DefaultBarColor;
  std::string Text = DefaultObjectText;
  TFontSpec Font;
  TColor32 TextColor = DefaultTextColor;

  // Everything but the location, the opacity and the bar colour: what the layer's bitmap is made
  // from.
  bool SamePixelSource(const TDocObject& Other) const;
  // Everything.
  bool SameAs(const TDocObject& Other) const;
};

struct TDocCanvas {
  int Width = 640;
  int Height = 480;
  TColor32 Color = clWhite32;
  // A picture stretched over the whole canvas with nearest sampling, over Color.
  std::string BackgroundFile;
  std::shared_ptr<const TBitmap32> Background;
  friend bool operator==(const TDocCanvas&, const TDocCanvas&) = default;
};

using TObjectPtr = std::shared_ptr<const TDocObject>;

class TDocument {
 public:
  TDocCanvas Canvas;
  std::vector<TObjectPtr> Objects;  // bottom first

  // -1 when no object has the id.
  int IndexOf(uint64_t Id) const;
  const TDocObject* Find(uint64_t Id) const;
  // A fresh copy of the object with the id, put in the old one's place, to be changed before
  // the document is shared again. The id must exist.
  TDocObject& Change(uint64_t Id);
  // The same canvas and the same objects in the same order.
  bool SameAs(const TDocument& Other) const;
  // Appends the object with a new id, never used before in this process, and returns the id.
  uint64_t Append(TDocObject Object);
};

}  // namespace pictavia
