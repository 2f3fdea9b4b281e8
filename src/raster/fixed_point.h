// Integer helpers of the transfers and samplers: clamping, the three wrap functions of the wrap
// modes, and 16.16 fixed-point arithmetic.
#pragma once

#include <cstdint>

#include "toolkit/rounding.h"

namespace pictavia {

using TFixed = int32_t;  // 16.16 fixed point

inline constexpr TFixed FixedOne = 0x10000;
inline constexpr TFixed FixedHalf = 0x7FFF;

// min(max(V, Lo), Hi); Hi wins when Hi < Lo.
inline constexpr int Clamp(int V, int Lo, int Hi) {
  if (V < Lo) V = Lo;
  return V > Hi ? Hi : V;
}

// V clamped to a channel value 0..255.
inline constexpr int Clamp(int V) {
  return V < 0 ? 0 : (V > 255 ? 255 : V);
}

// The repeat wrap: V mapped into [Lo, Hi] with period Hi - Lo + 1. An empty range (Hi < Lo)
// gives Clamp(V, Lo, Hi) instead of dividing by zero.
inline constexpr int Wrap(int V, int Lo, int Hi) {
  if (Hi < Lo) return Clamp(V, Lo, Hi);
  const int64_t d = int64_t{Hi} - Lo + 1;
  // 64-bit differences: V - Lo overflows 32 bits for far-out V.
  if (V >= Lo) return static_cast<int>(Lo + (int64_t{V} - Lo) % d);
  return static_cast<int>(Hi + (int64_t{V} - Hi) % d);
}

// The mirror wrap: V reflected into [Lo, Hi], edge pixels repeated at each reflection
// (Lo..Hi, Hi..Lo, Lo..Hi, ...). An empty range gives Clamp(V, Lo, Hi).
inline constexpr int Mirror(int V, int Lo, int Hi) {
  if (Hi < Lo) return Clamp(V, Lo, Hi);
  const int64_t d = int64_t{Hi} - Lo + 1;
  const int64_t t = V >= Lo ? int64_t{V} - Lo : int64_t{V} - Hi;
  const int64_t q = t / d;
  const int64_t p = t % d + (V >= Lo ? Lo : Hi);
  return static_cast<int>(q % 2 == 0 ? p : int64_t{Lo} + Hi - p);
}

// The integer part of a 16.16 value (rounds toward minus infinity).
inline constexpr int FixedFloor(TFixed V) {
  return V >> 16;
}

// The smallest integer not below a 16.16 value.
inline constexpr int FixedCeil(TFixed V) {
  return static_cast<int>((int64_t{V} + 0xFFFF) >> 16);
}

// A 16.16 value rounded to an integer as (V + 0x7FFF) >> 16 (a half rounds down).
inline constexpr int FixedRound(TFixed V) {
  return static_cast<int>((int64_t{V} + FixedHalf) >> 16);
}

// The product of two 16.16 values: the 64-bit product shifted right by 16, truncated to 32 bits.
inline constexpr TFixed FixedMul(TFixed A, TFixed B) {
  return static_cast<TFixed>((int64_t{A} * B) >> 16);
}

// The quotient of two 16.16 values, (A << 16) div B truncated toward zero; B = 0 gives the
// largest value of A's sign (0 for A = 0) instead of a division fault.
inline constexpr TFixed FixedDiv(TFixed A, TFixed B) {
  if (B == 0) return A > 0 ? INT32_MAX : (A < 0 ? INT32_MIN : 0);
  const int64_t q = int64_t{A} * 65536 / B;
  return static_cast<TFixed>(q > INT32_MAX ? INT32_MAX : (q < INT32_MIN ? INT32_MIN : q));
}

inline constexpr TFixed ToFixed(int V) {
  return static_cast<TFixed>(static_cast<uint32_t>(V) << 16);
}

// A float position in 16.16 fixed point: nearest, ties to even, saturated at the int range.
inline TFixed FloatToFixed(double V) {
  return SaturatedRound(V * 65536.0);
}

}  // namespace pictavia
