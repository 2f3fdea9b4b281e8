// Keys given more than once in one JSON object, which the JSON reader would silently settle
// by keeping the last.
#pragma once

#ifndef PICTAVIA_INSIDE_DOCUMENT
#error "json_keys.h is private to the document library and its tests"
#endif

#include <optional>
#include <string>

namespace pictavia {

// The path of the first key that repeats within its object, in the scene's message form
// ("canvas.width", "objects[1].font.size"; a key of the outermost object alone), or nothing.
// Json must already have been read as valid JSON.
std::optional<std::string> FirstRepeatedKey(const std::string& Json);

}  // namespace pictavia
