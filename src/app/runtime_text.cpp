// The runtime's integer conversion of typed texts.
#include "app/internal/runtime_text.h"

#include <cstdint>

#include "toolkit/exceptions.h"

namespace pictavia {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool TryStrToInt(const std::string& S, int& Value) {
  size_t i = 0;
  const size_t n = S.size();
  while (i < n && S[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (S[i] == '+' || S[i] == '-')) {
    negative = S[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < n && (S[i] == '$' || S[i] == 'x' || S[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < n && S[i] == '0' && (S[i + 1] == 'x' || S[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == n) return false;  // no digits at all

  // The magnitude is gathered in 64 bits and checked after every digit, so no length of input
  // can overflow it.
  const int64_t limit = negative ? int64_t{2147483648} : int64_t{2147483647};
  int64_t magnitude = 0;
  for (; i < n; ++i) {
    const int d = base == 16 ? HexDigit(S[i]) : (S[i] >= '0' && S[i] <= '9' ? S[i] - '0' : -1);
    if (d < 0) return false;
    magnitude = magnitude * base + d;
    if (magnitude > limit) return false;
  }
  Value = static_cast<int>(negative ? -magnitude : magnitude);
  return true;
}

int StrToInt(const std::string& S) {
  int value = 0;
  if (!TryStrToInt(S, value)) throw EConvertError(Format(SInvalidInteger, S.c_str()));
  return value;
}

int StrToIntDef(const std::string& S, int Default) {
  int value = 0;
  return TryStrToInt(S, value) ? value : Default;
}

std::string IntToStr(int Value) {
  return std::to_string(Value);
}

}  // namespace pictavia
