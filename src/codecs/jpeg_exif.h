// The orientation tag of a JPEG's Exif block, read from the file's bytes without decoding: which
// way the stored rows and columns face in the upright picture, 1 (as stored) to 8 in the Exif
// numbering. Anything short of a sound tag -- no JPEG, no Exif block, a damaged one -- reads as 1,
// so the picture is then used as stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pictavia {

class TStream;

inline constexpr int OrientationAsStored = 1;

// The tag of the first Exif block among the segments before the first scan of the JPEG that
// starts at the stream's position. Reads the segment headers and the Exif block, nothing else.
int ReadExifOrientation(TStream& Jpeg);
// The same for a regular file; anything else (a pipe, which could not be read a second time, a
// folder, a missing file) gives 1.
int FileExifOrientation(const std::string& FileName);
// The block after "Exif\0\0" in the APP1 segment: the TIFF header (byte order "II" or "MM", 42),
// IFD0 and its entry 0x0112 of type SHORT and count 1. Every offset and count is checked
// against Size.
int ExifOrientationOfTiff(const uint8_t* Tiff, size_t Size);

}  // namespace pictavia
