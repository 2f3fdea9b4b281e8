// What a JPEG file's headers say about how it was compressed: the frame kind, the sampling of
// its components and its first quantisation step, read from the bytes without a decoder.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace pictavia {

namespace jpegform {

struct JpegForm {
  int FrameMarker = 0;         // 0xC0 baseline, 0xC1 extended, 0xC2 progressive
  std::vector<int> Sampling;   // per component, horizontal << 4 | vertical
  int FirstLuminanceStep = 0;  // entry 0 of quantisation table 0 (8-bit tables)
};

// The segments before the first scan; a damaged head gives what was read up to the damage.
inline JpegForm ReadJpegForm(const std::vector<unsigned char>& Bytes) {
  JpegForm form;
  size_t at = 2;
  while (at + 4 <= Bytes.size() && Bytes[at] == 0xFF) {
    const int marker = Bytes[at + 1];
    const size_t length = static_cast<size_t>(Bytes[at + 2]) << 8 | Bytes[at + 3];
    if (length < 2 || at + 2 + length > Bytes.size() || marker == 0xDA) break;
    const unsigned char* body = Bytes.data() + at + 4;
    if (marker == 0xDB && length >= 4 && body[0] == 0) form.FirstLuminanceStep = body[1];
    if (marker >= 0xC0 && marker <= 0xC2 && length >= 8) {
      form.FrameMarker = marker;
      for (size_t c = 0; c < body[5] && 8 + 3 * c + 1 < length; ++c)
        form.Sampling.push_back(body[6 + 3 * c + 1]);
    }
    at += 2 + length;
  }
  return form;
}

// The first luminance step the JPEG library's quality scaling gives its base table (which starts
// with 16).
inline int LuminanceStepFor(int Quality) {
  const int scale = Quality < 50 ? 5000 / Quality : 200 - 2 * Quality;
  return std::clamp((16 * scale + 50) / 100, 1, 255);
}

}  // namespace jpegform

}  // namespace pictavia
