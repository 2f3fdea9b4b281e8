// libFuzzer target for the Exif orientation reader: the input as a JPEG's head (segments, then
// the Exif block) and as a bare TIFF block, so both the segment walk and the block parser get
// their share. Whatever the bytes, the answer is one of the eight orientations.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "codecs/jpeg_exif.h"
#include "toolkit/streams.h"

namespace pictavia {
namespace {

void Check(int Orientation) {
  if (Orientation < 1 || Orientation > 8) std::abort();
}

int FuzzExif(const uint8_t* data, size_t size) {
  TReadOnlyMemoryStream stream(data, static_cast<int64_t>(size));
  Check(ReadExifOrientation(stream));
  Check(ExifOrientationOfTiff(data, size));
  return 0;
}

}  // namespace
}  // namespace pictavia

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return pictavia::FuzzExif(data, size);
}
