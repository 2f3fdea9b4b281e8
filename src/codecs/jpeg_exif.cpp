// Finding the Exif block among a JPEG's segments and reading its orientation entry.
#include "codecs/jpeg_exif.h"

#include <cstring>
#include <vector>

#include "toolkit/exceptions.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

constexpr uint8_t kMarkerStart = 0xFF;
constexpr uint8_t kStartOfImage = 0xD8;
constexpr uint8_t kEndOfImage = 0xD9;
constexpr uint8_t kStartOfScan = 0xDA;
constexpr uint8_t kApp1 = 0xE1;
constexpr char kExifName[6] = {'E', 'x', 'i', 'f', 0, 0};

constexpr uint16_t kTiffMagic = 42;
constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kTypeShort = 3;
constexpr uint64_t kEntrySize = 12;

// Markers without a length: TEM and the restart markers.
bool StandsAlone(uint8_t Marker) {
  return Marker == 0x01 || (Marker >= 0xD0 && Marker <= 0xD7);
}

// The TIFF block, read in its own byte order; offsets are 64-bit so that no sum can wrap.
class TTiffBlock {
 public:
  TTiffBlock(const uint8_t* Data, size_t Size, bool BigEndian)
      : data_(Data), size_(Size), bigEndian_(BigEndian) {}
  bool Holds(uint64_t Offset, uint64_t Count) const {
    return Offset <= size_ && Count <= size_ - Offset;
  }
  // Both only for offsets Holds has let through.
  uint16_t U16(uint64_t At) const {
    const uint8_t* p = data_ + At;
    return static_cast<uint16_t>(bigEndian_ ? (p[0] << 8) | p[1] : (p[1] << 8) | p[0]);
  }
  uint32_t U32(uint64_t At) const {
    const uint32_t a = U16(At), b = U16(At + 2);
    return bigEndian_ ? (a << 16) | b : (b << 16) | a;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  bool bigEndian_;
};

bool ReadByte(TStream& Stream, uint8_t& Value) {
  return Stream.Read(&Value, 1) == 1;
}

// The next marker's code after its 0xFF and any fill bytes; false when the bytes are no marker.
bool ReadMarker(TStream& Stream, uint8_t& Marker) {
  if (!ReadByte(Stream, Marker) || Marker != kMarkerStart) return false;
  do {
    if (!ReadByte(Stream, Marker)) return false;
  } while (Marker == kMarkerStart);
  return Marker != 0;
}

int FindExifOrientation(TStream& Jpeg) {
  uint8_t start[2] = {};
  if (Jpeg.Read(start, 2) != 2 || start[0] != kMarkerStart || start[1] != kStartOfImage)
    return OrientationAsStored;
  uint8_t marker = 0;
  while (ReadMarker(Jpeg, marker)) {
    if (marker == kStartOfScan || marker == kEndOfImage || marker == kStartOfImage) break;
    if (StandsAlone(marker)) continue;
    uint8_t length[2] = {};
    if (Jpeg.Read(length, 2) != 2) break;
    const int payload = ((length[0] << 8) | length[1]) - 2;
    if (payload < 0) break;
    if (marker != kApp1) {
      Jpeg.Seek(payload, soCurrent);
      continue;
    }
    std::vector<uint8_t> block(static_cast<size_t>(payload));
    if (Jpeg.Read(block.data(), payload) != payload) break;
    // Another APP1 (XMP) is passed over; the first Exif block decides.
    if (block.size() >= sizeof kExifName && std::memcmp(block.data(), kExifName, 6) == 0)
      return ExifOrientationOfTiff(block.data() + 6, block.size() - 6);
  }
  return OrientationAsStored;
}

}  // namespace

int ExifOrientationOfTiff(const uint8_t* Tiff, size_t Size) {
  if (Tiff == nullptr || Size < 8) return OrientationAsStored;
  bool bigEndian = false;
  if (Tiff[0] == 'M' && Tiff[1] == 'M')
    bigEndian = true;
  else if (Tiff[0] != 'I' || Tiff[1] != 'I')
    return OrientationAsStored;
  const TTiffBlock tiff(Tiff, Size, bigEndian);
  if (tiff.U16(2) != kTiffMagic) return OrientationAsStored;
  const uint64_t ifd = tiff.U32(4);
  if (!tiff.Holds(ifd, 2)) return OrientationAsStored;
  const uint64_t count = tiff.U16(ifd);
  if (!tiff.Holds(ifd + 2, count * kEntrySize)) return OrientationAsStored;
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t entry = ifd + 2 + i * kEntrySize;
    if (tiff.U16(entry) != kOrientationTag) continue;
    if (tiff.U16(entry + 2) != kTypeShort || tiff.U32(entry + 4) != 1) return OrientationAsStored;
    // A single SHORT sits in the first two bytes of the value field.
    const int value = tiff.U16(entry + 8);
    return value >= 1 && value <= 8 ? value : OrientationAsStored;
  }
  return OrientationAsStored;
}

int ReadExifOrientation(TStream& Jpeg) {
  try {
    return FindExifOrientation(Jpeg);
  } catch (const Exception&) {
    return OrientationAsStored;  // a stream that fails to read holds no usable tag
  }
}

int FileExifOrientation(const std::string& FileName) {
  if (!FileExists(FileName)) return OrientationAsStored;
  try {
    TFileStream file(FileName, fmOpenRead);
    return ReadExifOrientation(file);
  } catch (const Exception&) {
    return OrientationAsStored;
  }
}

}  // namespace pictavia
