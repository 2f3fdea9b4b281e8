// Floating-point values to whole numbers, one function per rounding rule. Converting a value
// beyond the int range is undefined, and positions and sizes come from arbitrary floats, so every
// rule saturates at the int range and gives 0 for NaN. (16.16 fixed-point values round by
// FixedRound in raster/fixed_point.h.)
#pragma once

#include <climits>
#include <cmath>

namespace pictavia {

// V held within the int range (NaN gives 0), so that any rounding of it converts safely.
inline double IntRangeValue(double V) {
  if (!(V == V)) return 0;
  if (V >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (V <= static_cast<double>(INT_MIN)) return INT_MIN;
  return V;
}

// Nearest, ties to even: the rule of every pixel position and size of the raster, the layers and
// the view. (nearbyint rounds in the current mode, which the program never changes.)
inline int SaturatedRound(double V) {
  return static_cast<int>(std::nearbyint(IntRangeValue(V)));
}

// Toward minus infinity, and toward plus infinity.
inline int SaturatedFloor(double V) {
  return static_cast<int>(std::floor(IntRangeValue(V)));
}
inline int SaturatedCeil(double V) {
  return static_cast<int>(std::ceil(IntRangeValue(V)));
}

// Nearest, ties away from zero: the rule of the metafile player, as the recording platform's.
inline int SaturatedRoundHalfAway(double V) {
  return static_cast<int>(std::round(IntRangeValue(V)));
}

}  // namespace pictavia
