// JPEG files with an Exif orientation tag, made on the fly: the upright picture is stored the way
// a camera held sideways (or a mirror) would store it, then compressed, and an APP1 Exif block
// naming the orientation goes in after the start-of-image marker. The positions follow the Exif
// definition of each value (where the stored first row and first column lie in the upright
// picture), written out here independently of the editor's turns and mirrors.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "codecs/jpeg_image.h"
#include "raster/bitmap32.h"
#include "test_support.h"
#include "toolkit/bitmap.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace exiffiles {

// Where stored pixel (Column, Row) lies in the upright picture of UprightWidth x UprightHeight.
inline TPoint UprightPosition(int Orientation, int Column, int Row, int UprightWidth,
                              int UprightHeight) {
  const int w = UprightWidth, h = UprightHeight;
  switch (Orientation) {
    case 2:  // first row on top, first column on the right
      return Point(w - 1 - Column, Row);
    case 3:  // bottom, right
      return Point(w - 1 - Column, h - 1 - Row);
    case 4:  // bottom, left
      return Point(Column, h - 1 - Row);
    case 5:  // first row on the left, first column on top
      return Point(Row, Column);
    case 6:  // right, top
      return Point(w - 1 - Row, Column);
    case 7:  // right, bottom
      return Point(w - 1 - Row, h - 1 - Column);
    case 8:  // left, bottom
      return Point(Row, h - 1 - Column);
    default:
      return Point(Column, Row);
  }
}

// The pixels a file of that orientation stores for the upright picture.
inline void StoreAs(const TBitmap32& Upright, int Orientation, TBitmap32& Stored) {
  const int w = Upright.Width(), h = Upright.Height();
  const bool sideways = Orientation >= 5 && Orientation <= 8;
  Stored.SetSize(sideways ? h : w, sideways ? w : h);
  for (int r = 0; r < Stored.Height(); ++r)
    for (int c = 0; c < Stored.Width(); ++c) {
      const TPoint p = UprightPosition(Orientation, c, r, w, h);
      Stored.SetPixel(c, r, Upright.GetPixel(p.X, p.Y));
    }
}

// Bytes put into Out at At (appended when At is past the end). Written out with resize and copy:
// GCC 12 warns falsely about vector::insert of a range at -O2.
inline void Insert(std::vector<uint8_t>& Out, size_t At, const std::vector<uint8_t>& Bytes) {
  At = std::min(At, Out.size());
  const size_t tail = Out.size() - At;
  Out.resize(Out.size() + Bytes.size());
  std::copy_backward(Out.begin() + static_cast<long>(At),
                     Out.begin() + static_cast<long>(At + tail), Out.end());
  std::copy(Bytes.begin(), Bytes.end(), Out.begin() + static_cast<long>(At));
}

inline void Append(std::vector<uint8_t>& Out, const std::vector<uint8_t>& Bytes) {
  Insert(Out, Out.size(), Bytes);
}

inline void PutU16(std::vector<uint8_t>& Out, unsigned Value, bool BigEndian) {
  const auto hi = static_cast<uint8_t>(Value >> 8), lo = static_cast<uint8_t>(Value);
  Out.push_back(BigEndian ? hi : lo);
  Out.push_back(BigEndian ? lo : hi);
}

inline void PutU32(std::vector<uint8_t>& Out, uint32_t Value, bool BigEndian) {
  PutU16(Out, BigEndian ? Value >> 16 : Value & 0xFFFF, BigEndian);
  PutU16(Out, BigEndian ? Value & 0xFFFF : Value >> 16, BigEndian);
}

// One IFD entry: tag, type, count, and a value that fits the four-byte field.
struct TEntry {
  unsigned Tag = 0x0112;
  unsigned Type = 3;  // SHORT
  uint32_t Count = 1;
  uint32_t Value = 1;
};

// A TIFF block with IFD0 at offset 8 holding Entries, then NextIfd.
inline std::vector<uint8_t> Tiff(const std::vector<TEntry>& Entries, bool BigEndian,
                                 uint32_t NextIfd = 0) {
  std::vector<uint8_t> t = {static_cast<uint8_t>(BigEndian ? 'M' : 'I'),
                            static_cast<uint8_t>(BigEndian ? 'M' : 'I')};
  PutU16(t, 42, BigEndian);
  PutU32(t, 8, BigEndian);
  PutU16(t, static_cast<unsigned>(Entries.size()), BigEndian);
  for (const TEntry& e : Entries) {
    PutU16(t, e.Tag, BigEndian);
    PutU16(t, e.Type, BigEndian);
    PutU32(t, e.Count, BigEndian);
    if (e.Type == 3) {
      PutU16(t, e.Value, BigEndian);  // a SHORT fills the field from its start
      PutU16(t, 0, BigEndian);
    } else {
      PutU32(t, e.Value, BigEndian);
    }
  }
  PutU32(t, NextIfd, BigEndian);
  return t;
}

inline std::vector<uint8_t> OrientationTiff(int Orientation, bool BigEndian) {
  return Tiff({TEntry{0x0112, 3, 1, static_cast<uint32_t>(Orientation)}}, BigEndian);
}

// A segment: 0xFF, Marker, the big-endian length (which counts itself), Payload.
inline std::vector<uint8_t> Segment(uint8_t Marker, const std::vector<uint8_t>& Payload) {
  const size_t length = Payload.size() + 2;
  std::vector<uint8_t> s(length + 2);
  s[0] = 0xFF;
  s[1] = Marker;
  s[2] = static_cast<uint8_t>(length >> 8);
  s[3] = static_cast<uint8_t>(length);
  std::copy(Payload.begin(), Payload.end(), s.begin() + 4);
  return s;
}

inline std::vector<uint8_t> ExifSegment(const std::vector<uint8_t>& TiffBlock) {
  std::vector<uint8_t> payload(6 + TiffBlock.size());
  const char name[6] = {'E', 'x', 'i', 'f', 0, 0};
  std::copy(name, name + 6, payload.begin());
  std::copy(TiffBlock.begin(), TiffBlock.end(), payload.begin() + 6);
  return Segment(0xE1, payload);
}

// Jpeg with Inserted right after its start-of-image marker.
inline std::vector<uint8_t> AfterStart(std::vector<uint8_t> Jpeg,
                                       const std::vector<uint8_t>& Inserted) {
  Insert(Jpeg, 2, Inserted);
  return Jpeg;
}

// Pixels through the project's JPEG compressor (quality 100).
inline std::vector<uint8_t> CompressJpeg(const TBitmap32& Pixels) {
  TBitmap toolkitBitmap;
  Pixels.AssignTo(&toolkitBitmap);
  TJPEGImage jpeg;
  jpeg.SetSaveQuality(100);
  jpeg.Assign(&toolkitBitmap);
  TMemoryStream out;
  jpeg.SaveToStream(out);
  return out.Bytes();
}

// Upright stored in Orientation, as a JPEG file with its Exif block.
inline std::string WriteOrientedJpeg(const std::filesystem::path& Path, const TBitmap32& Upright,
                                     int Orientation, bool BigEndian) {
  TBitmap32 stored;
  StoreAs(Upright, Orientation, stored);
  testsupport::WriteFileBytes(
      Path, AfterStart(CompressJpeg(stored), ExifSegment(OrientationTiff(Orientation, BigEndian))));
  return Path.string();
}

// A picture no turn or mirror maps onto itself: flat 16 x 16 blocks (whole JPEG blocks, so that
// compression keeps their colours), each of its own colour, 3 blocks wide and 2 high.
inline void BlockPicture(TBitmap32& Picture) {
  static const TColor32 colours[6] = {0xFFE02020u, 0xFF20C040u, 0xFF2040E0u,
                                      0xFFF0E020u, 0xFF202020u, 0xFFE0E0E0u};
  Picture.SetSize(48, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 48; ++x) Picture.SetPixel(x, y, colours[(y / 16) * 3 + x / 16]);
}

// The largest difference of one colour channel between two pictures of the same size; -1 when
// their sizes differ.
inline int LargestChannelDifference(const TBitmap32& A, const TBitmap32& B) {
  if (A.Width() != B.Width() || A.Height() != B.Height()) return -1;
  int largest = 0;
  for (int y = 0; y < A.Height(); ++y)
    for (int x = 0; x < A.Width(); ++x)
      for (int shift = 0; shift < 24; shift += 8) {
        const int a = (A.GetPixel(x, y) >> shift) & 0xFF, b = (B.GetPixel(x, y) >> shift) & 0xFF;
        largest = std::max(largest, a > b ? a - b : b - a);
      }
  return largest;
}

// The mean difference of the colour channels over every pixel and channel; -1 when the sizes
// differ.
inline double MeanChannelDifference(const TBitmap32& A, const TBitmap32& B) {
  if (A.Width() != B.Width() || A.Height() != B.Height()) return -1;
  double sum = 0;
  for (int y = 0; y < A.Height(); ++y)
    for (int x = 0; x < A.Width(); ++x)
      for (int shift = 0; shift < 24; shift += 8) {
        const int a = (A.GetPixel(x, y) >> shift) & 0xFF, b = (B.GetPixel(x, y) >> shift) & 0xFF;
        sum += a > b ? a - b : b - a;
      }
  return sum / (3.0 * A.Width() * A.Height());
}

// How far a picture stored turned or mirrored may differ from the same picture stored upright
// (orientation 1), both compressed and decoded: the decoder's chroma smoothing rounds a little
// differently across the blocks' edges. A picture turned the wrong way differs by whole blocks.
inline constexpr int JpegTolerance = 4;

}  // namespace exiffiles

}  // namespace pictavia
