// The 32-bit pixel TColor32 (0xAARRGGBB, blue in the low byte, not premultiplied), its arrays,
// named colours and the conversions to and from the toolkit colour.
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/colors.h"

namespace pictavia {

using TColor32 = uint32_t;
using PColor32 = TColor32*;
using TArrayOfColor32 = std::vector<TColor32>;
using TArrayOfInteger = std::vector<int32_t>;

inline constexpr TColor32 clBlack32 = 0xFF000000u;
inline constexpr TColor32 clWhite32 = 0xFFFFFFFFu;
inline constexpr TColor32 clRed32 = 0xFFFF0000u;
inline constexpr TColor32 clGreen32 = 0xFF00FF00u;
inline constexpr TColor32 clBlue32 = 0xFF0000FFu;
inline constexpr TColor32 clTransparent32 = 0x00000000u;

inline constexpr uint8_t AlphaComponent(TColor32 c) {
  return static_cast<uint8_t>(c >> 24);
}
inline constexpr uint8_t RedComponent(TColor32 c) {
  return static_cast<uint8_t>(c >> 16);
}
inline constexpr uint8_t GreenComponent(TColor32 c) {
  return static_cast<uint8_t>(c >> 8);
}
inline constexpr uint8_t BlueComponent(TColor32 c) {
  return static_cast<uint8_t>(c);
}

inline constexpr TColor32 Color32(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  return (static_cast<TColor32>(a) << 24) | (static_cast<TColor32>(r) << 16) |
         (static_cast<TColor32>(g) << 8) | b;
}

// Toolkit colour (system colours resolved) to an opaque pixel: 0x00BBGGRR -> 0xFFRRGGBB.
TColor32 Color32(TColor Value);

// Pixel to toolkit colour, alpha dropped: 0xAARRGGBB -> 0x00BBGGRR.
inline constexpr TColor ToToolkitColor(TColor32 Value) {
  return static_cast<TColor>(((Value & 0xFF) << 16) | (Value & 0xFF00) | ((Value >> 16) & 0xFF));
}

// Perceived brightness (61 R + 174 G + 21 B) >> 8, 0..255.
inline constexpr int Brightness(TColor32 Value) {
  return (61 * static_cast<int>(RedComponent(Value)) +
          174 * static_cast<int>(GreenComponent(Value)) +
          21 * static_cast<int>(BlueComponent(Value))) >>
         8;
}

// The colour with its alpha replaced by NewAlpha clamped to 0..255.
inline constexpr TColor32 WithAlpha(TColor32 Value, int NewAlpha) {
  if (NewAlpha < 0) NewAlpha = 0;
  if (NewAlpha > 255) NewAlpha = 255;
  return (Value & 0x00FFFFFFu) | (static_cast<TColor32>(NewAlpha) << 24);
}

}  // namespace pictavia
