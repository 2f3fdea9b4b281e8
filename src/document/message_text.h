// Text from outside (a scene's keys and values, file names, arguments) as it may appear in a
// message on a terminal.
#pragma once

#include <cstddef>
#include <string>

namespace pictavia {

// Control characters (C0, DEL, C1) and bytes that are not UTF-8 become escapes ("\x1b",
// "\u009b"); everything else stays, backslashes included, so applying it twice changes nothing.
// A text longer than Limit bytes is cut at a character boundary and ends in "... (N bytes)".
std::string Printable(const std::string& Text, size_t Limit = 200);

}  // namespace pictavia
