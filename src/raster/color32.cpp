// Conversion of toolkit colours, system colours included, to pixels.
#include "raster/color32.h"

namespace pictavia {

TColor32 Color32(TColor Value) {
  // System colours (negative values) are looked up first; the top byte is dropped either way.
  const TColor rgb = ColorToRGB(Value);
  return 0xFF000000u | (static_cast<TColor32>(GetRValue(rgb)) << 16) |
         (static_cast<TColor32>(GetGValue(rgb)) << 8) | GetBValue(rgb);
}

}  // namespace pictavia
