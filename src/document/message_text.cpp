// Printable message text.
#include "document/message_text.h"

#include <cstdint>
#include <cstdio>

namespace pictavia {

namespace {

// The length of a well-formed UTF-8 sequence at Text[At] (shortest form, no surrogates, at most
// U+10FFFF), or 0; CodePoint receives its value.
size_t Utf8Sequence(const std::string& Text, size_t At, uint32_t& CodePoint) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(Text[i]); };
  const unsigned char lead = byte(At);
  size_t length = 0;
  uint32_t minimum = 0;
  if (lead < 0x80) {
    CodePoint = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, CodePoint = lead & 0x1Fu;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, CodePoint = lead & 0x0Fu;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, CodePoint = lead & 0x07u;
  } else {
    return 0;
  }
  if (At + length > Text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(At + i) & 0xC0) != 0x80) return 0;
    CodePoint = (CodePoint << 6) | (byte(At + i) & 0x3Fu);
  }
  if (CodePoint < minimum || CodePoint > 0x10FFFF || (CodePoint >= 0xD800 && CodePoint <= 0xDFFF))
    return 0;
  return length;
}

}  // namespace

std::string Printable(const std::string& Text, size_t Limit) {
  std::string out;
  size_t at = 0;
  while (at < Text.size() && at < Limit) {
    uint32_t codePoint = 0;
    const size_t length = Utf8Sequence(Text, at, codePoint);
    char escape[8];
    if (length == 0) {
      std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(Text[at]));
      out += escape;
      ++at;
      continue;
    }
    if (at + length > Limit) break;
    if (codePoint < 0x20 || codePoint == 0x7F) {
      std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned>(codePoint));
      out += escape;
    } else if (codePoint >= 0x80 && codePoint < 0xA0) {
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(codePoint));
      out += escape;
    } else {
      out.append(Text, at, length);
    }
    at += length;
  }
  if (at < Text.size()) out += "... (" + std::to_string(Text.size()) + " bytes)";
  return out;
}

}  // namespace pictavia
