// Letter case of ASCII text, whatever the C locale says: file extensions and format and font
// names compare the same on every machine (a Turkish locale, say, turns "i" into no "I").
// Bytes outside 'a'-'z' and 'A'-'Z' stay as they are, so UTF-8 text passes through unchanged.
#pragma once

#include <string>
#include <string_view>

namespace pictavia {

std::string UpperCase(std::string S);
std::string LowerCase(std::string S);
// A and B equal but for the case of ASCII letters.
bool SameText(std::string_view A, std::string_view B);

}  // namespace pictavia
