// The one start-up call that registers the codec library's picture classes (PNG, JPEG) in the
// toolkit's picture-format registry.
#pragma once

namespace pictavia {

// Safe to call more than once; a later registration of an extension replaces the earlier one.
void RegisterCodecPictureFormats();

}  // namespace pictavia
