// The enumerations that say how a bitmap is drawn and sampled.
#pragma once

#include <cstdint>

namespace pictavia {

enum TDrawMode : uint8_t { dmOpaque, dmBlend, dmCustom, dmTransparent };
enum TCombineMode : uint8_t { cmBlend, cmMerge };
enum TWrapMode : uint8_t { wmClamp, wmRepeat, wmMirror };

}  // namespace pictavia
