// The runtime's conversion between integers and the texts users type: TryStrToInt, StrToInt,
// StrToIntDef and IntToStr.
#pragma once

#ifndef PICTAVIA_INSIDE_APP
#error "runtime_text.h is private to the app library and its tests"
#endif

#include <string>

namespace pictavia {

// Reads S as a 32-bit integer: leading blanks, an optional "+" or "-", then decimal digits, or
// hexadecimal digits after "$", "x", "X", "0x" or "0X". Nothing may follow the digits, and a
// value outside -2147483648..2147483647 is refused (hexadecimal ones too: "$FFFFFFFF" is not -1).
// Returns false and leaves Value alone when S is not such an integer.
bool TryStrToInt(const std::string& S, int& Value);

// The same, raising EConvertError "'<S>' is not a valid integer value" when S is not one.
int StrToInt(const std::string& S);

// The same, giving Default when S is not an integer.
int StrToIntDef(const std::string& S, int Default);

// Plain decimal digits with a leading "-" for negative values, never digit-group separators.
std::string IntToStr(int Value);

}  // namespace pictavia
