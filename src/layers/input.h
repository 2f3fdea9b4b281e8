// Mouse buttons, shift state and cursor ids as the layers see them; the view maps its toolkit's
// input events and cursor shapes onto these, so layers stay free of any widget library.
#pragma once

#include <cstdint>

namespace pictavia {

enum TMouseButton { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

// The keys and buttons held during a mouse event, as a bit set.
using TShiftState = uint32_t;
inline constexpr TShiftState ssShift = 0x01;
inline constexpr TShiftState ssAlt = 0x02;
inline constexpr TShiftState ssCtrl = 0x04;
inline constexpr TShiftState ssLeft = 0x08;
inline constexpr TShiftState ssRight = 0x10;
inline constexpr TShiftState ssMiddle = 0x20;
inline constexpr TShiftState ssDouble = 0x40;

// A set of mouse buttons (a layer's PressedButtons).
class TMouseButtons {
 public:
  void Include(TMouseButton Button) { bits_ |= Bit(Button); }
  void Exclude(TMouseButton Button) { bits_ &= static_cast<uint8_t>(~Bit(Button)); }
  bool Contains(TMouseButton Button) const { return (bits_ & Bit(Button)) != 0; }
  bool Empty() const { return bits_ == 0; }
  void Clear() { bits_ = 0; }
  friend bool operator==(const TMouseButtons&, const TMouseButtons&) = default;

 private:
  static uint8_t Bit(TMouseButton Button) { return static_cast<uint8_t>(1u << Button); }
  uint8_t bits_ = 0;
};

// A 16-bit cursor id; 0 is the owner's default cursor, the named shapes are negative.
using TCursor = int16_t;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crHSplit = -14;
inline constexpr TCursor crVSplit = -15;
inline constexpr TCursor crMultiDrag = -16;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;

}  // namespace pictavia
