// What render --print-layers prints about the layers it built.
#pragma once

#ifndef PICTAVIA_INSIDE_CLI
#error "layer_listing.h is private to the cli library and its tests"
#endif

#include <string>

namespace pictavia {

class TOffscreenImage;

// One line per layer, bottom first: index, kind, location, picture size, opacity.
std::string DescribeLayers(TOffscreenImage& Image);

}  // namespace pictavia
