// The ordered paint stages that fill an image's buffer, and the two stages every image draws the
// same way, on screen or off it: its background bitmap and its layers.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/bitmap32.h"
#include "toolkit/geometry.h"
#include "toolkit/object.h"

namespace pictavia {

class TLayerCollection;

// Paint stage kinds (TPaintStage::Kind); other values are skipped.
inline constexpr uint32_t skCustom = 1;           // raises the image's OnPaintStage
inline constexpr uint32_t skClearBuffer = 2;      // clears the buffer to the control colour
inline constexpr uint32_t skClearBackground = 3;  // fills what the bitmap leaves uncovered
inline constexpr uint32_t skDrawBitmap = 4;       // the bitmap in its mapped rectangle
inline constexpr uint32_t skDrawLayers = 5;       // layers whose options meet Parameter
inline constexpr uint32_t skControlFrame = 6;     // a dotted frame around the control
inline constexpr uint32_t skBitmapFrame = 7;      // a dotted frame around the bitmap

struct TPaintStage {
  // An image runs only stages with RunTime set; the two frames of the default list have it off.
  bool RunTime = true;
  uint32_t Kind = 0;
  uint32_t Parameter = 0;  // skDrawLayers: the layer option mask
};

// The ordered stage list. A reference returned by Add or Items is valid until the next Add or
// Clear.
class TPaintStages : public TObject {
 public:
  const char* ClassName() const override { return "TPaintStages"; }
  // Appends a run-time stage of kind 0 and returns it.
  TPaintStage& Add();
  void Clear() { stages_.clear(); }
  int Count() const { return static_cast<int>(stages_.size()); }
  // EListError for an index outside 0 .. Count - 1.
  TPaintStage& Items(int Index);
  const TPaintStage& Items(int Index) const;

 private:
  std::vector<TPaintStage> stages_;
};

// The default list: the fill around the bitmap, a frame around the control (design time only),
// the bitmap, a frame around the bitmap (design time only), the visible layers.
void AddDefaultStages(TPaintStages& Stages);
// The first stage raises the custom event (the editor's checkerboard) instead of clearing
// around the bitmap.
void UseCustomFirstStage(TPaintStages& Stages);

// The bitmap stage: Bitmap stretched into R with its own resampler, draw mode and master alpha,
// locked meanwhile; Tiled repeats it over Dest from R's right and bottom edges on. Nothing for an
// empty bitmap or rectangle.
void DrawBitmapStage(TBitmap32& Bitmap, TBitmap32& Dest, const TRect& R, bool Tiled);
// The layers stage: every layer whose options share a bit with OptionMask, bottom first.
void DrawLayersStage(TLayerCollection& Layers, TBitmap32& Dest, uint32_t OptionMask);

}  // namespace pictavia
