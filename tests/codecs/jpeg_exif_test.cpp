// The Exif orientation reader (sound and damaged blocks, JPEG segments around them, files that
// are no JPEG) and the turns and mirrors that make a stored picture upright.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>
#include <string>
#include <vector>

#include "codecs/codecs.h"
#include "codecs/jpeg_exif.h"
#include "codecs/jpeg_image.h"
#include "codecs/picture_orientation.h"
#include "exif_files.h"
#include "raster/bitmap32.h"
#include "test_support.h"
#include "toolkit/picture.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

using exiffiles::AfterStart;
using exiffiles::ExifSegment;
using exiffiles::OrientationTiff;
using exiffiles::Segment;
using exiffiles::TEntry;

// A JPEG head without picture data: start of image, the given segments, a scan marker.
std::vector<uint8_t> JpegHead(const std::vector<std::vector<uint8_t>>& Segments) {
  std::vector<uint8_t> bytes = {0xFF, 0xD8};
  for (const auto& s : Segments) exiffiles::Append(bytes, s);
  const auto scan = Segment(0xDA, {1, 1, 0, 0, 63, 0});
  exiffiles::Append(bytes, scan);
  return bytes;
}

int Orientation(const std::vector<uint8_t>& Bytes) {
  TReadOnlyMemoryStream stream(Bytes.data(), static_cast<int64_t>(Bytes.size()));
  return ReadExifOrientation(stream);
}

std::vector<uint8_t> Jfif() {
  return Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
}

std::vector<uint8_t> Xmp() {
  const std::string name = "http://ns.example.com/xap/1.0/";
  std::vector<uint8_t> payload(name.begin(), name.end());
  payload.push_back(0);
  exiffiles::Append(payload, {'<', 'x', '/', '>'});
  return Segment(0xE1, payload);
}

TEST(ExifOrientation, EveryValueInBothByteOrdersWhereverTheBlockStands) {
  for (const bool bigEndian : {false, true}) {
    for (int o = 1; o <= 8; ++o) {
      const auto exif = ExifSegment(OrientationTiff(o, bigEndian));
      SCOPED_TRACE("orientation " + std::to_string(o) + (bigEndian ? " MM" : " II"));
      EXPECT_EQ(Orientation(JpegHead({exif})), o);
      // After JFIF, a comment and an XMP block, with fill bytes before its marker.
      std::vector<uint8_t> filled = {0xFF, 0xFF};
      exiffiles::Append(filled, exif);
      EXPECT_EQ(Orientation(JpegHead({Jfif(), Segment(0xFE, {'h', 'i'}), Xmp(), filled})), o);
      // Among other entries of IFD0.
      const auto tiff = exiffiles::Tiff(
          {TEntry{0x010F, 2, 4, 0x00414141}, TEntry{0x0112, 3, 1, static_cast<uint32_t>(o)},
           TEntry{0x011A, 5, 1, 200}},
          bigEndian);
      EXPECT_EQ(Orientation(JpegHead({ExifSegment(tiff)})), o);
    }
  }
}

TEST(ExifOrientation, DamagedBlocksAreIgnored) {
  for (const bool bigEndian : {false, true}) {
    SCOPED_TRACE(bigEndian ? "MM" : "II");
    const auto sound = OrientationTiff(6, bigEndian);
    auto Damaged = [&](size_t At, std::vector<uint8_t> Bytes) {
      auto t = sound;
      std::copy(Bytes.begin(), Bytes.end(), t.begin() + static_cast<long>(At));
      return Orientation(JpegHead({ExifSegment(t)}));
    };
    // Where the low and the high byte of a SHORT go; the entry starts at 10.
    const size_t lo = bigEndian ? 1 : 0, hi = 1 - lo;
    const size_t countLow = bigEndian ? 17 : 14, countHigh = bigEndian ? 14 : 17;
    EXPECT_EQ(Damaged(0, {'I', 'M'}), 1);                // no byte order
    EXPECT_EQ(Damaged(2 + lo, {43}), 1);                 // not 42
    EXPECT_EQ(Damaged(4, {0xFF, 0xFF, 0xFF, 0xF0}), 1);  // IFD0 far past the end
    EXPECT_EQ(Damaged(4, {0, 0, 0, 0}), 1);              // IFD0 on the header: a huge count
    EXPECT_EQ(Damaged(8 + hi, {0xFF}), 1);               // 0xFF01 entries
    EXPECT_EQ(Damaged(8 + lo, {2}), 1);                  // one entry more than there is
    EXPECT_EQ(Damaged(12 + lo, {4}), 1);                 // type LONG
    EXPECT_EQ(Damaged(countLow, {2}), 1);                // count 2
    EXPECT_EQ(Damaged(countHigh, {1}), 1);               // count 2^24 + 1
    EXPECT_EQ(Damaged(18 + lo, {0}), 1);                 // value 0
    EXPECT_EQ(Damaged(18 + lo, {9}), 1);                 // value 9
    EXPECT_EQ(Damaged(18 + hi, {1}), 1);                 // value 0x106
    EXPECT_EQ(Damaged(0, {}), 6);                        // and undamaged it counts
    // The block cut short anywhere, inside its segment.
    for (size_t keep = 0; keep < sound.size() - 4; ++keep)
      EXPECT_EQ(Orientation(JpegHead({ExifSegment({sound.begin(), sound.begin() + long(keep)})})),
                1)
          << "cut to " << keep;
    // A chain of IFDs that loops back to IFD0 (only IFD0 is read).
    EXPECT_EQ(Orientation(JpegHead({ExifSegment(exiffiles::Tiff({}, bigEndian, 8))})), 1);
    EXPECT_EQ(Orientation(JpegHead(
                  {ExifSegment(exiffiles::Tiff({TEntry{0x0112, 3, 1, 3}}, bigEndian, 8))})),
              3);
  }
}

TEST(ExifOrientation, SegmentsThatDoNotAddUpEndTheSearch) {
  const auto exif = ExifSegment(OrientationTiff(8, false));
  // Cut inside the Exif segment: its length runs past the end.
  for (size_t keep = 2; keep < 2 + exif.size(); ++keep) {
    auto bytes = JpegHead({exif});
    bytes.resize(keep);
    EXPECT_EQ(Orientation(bytes), 1) << "cut to " << keep;
  }
  // A length below 2, a byte that is no marker, a second start of image before the block.
  EXPECT_EQ(Orientation(JpegHead({{0xFF, 0xFE, 0x00, 0x01}, exif})), 1);
  EXPECT_EQ(Orientation(JpegHead({{0x00}, exif})), 1);
  EXPECT_EQ(Orientation(JpegHead({{0xFF, 0xD8}, exif})), 1);
  // A huge comment that claims more than there is.
  EXPECT_EQ(Orientation(JpegHead({{0xFF, 0xFE, 0xFF, 0xFF}})), 1);
  // After the scan marker nothing counts; restart markers stand alone.
  auto afterScan = JpegHead({});
  exiffiles::Append(afterScan, exif);
  EXPECT_EQ(Orientation(afterScan), 1);
  EXPECT_EQ(Orientation(JpegHead({{0xFF, 0xD0}, exif})), 8);
  // The first Exif block decides, even a damaged one.
  EXPECT_EQ(Orientation(JpegHead({ExifSegment({'M', 'M'}), exif})), 1);
  // A block not named Exif.
  auto unnamed = exif;
  unnamed[4] = 'e';
  EXPECT_EQ(Orientation(JpegHead({unnamed})), 1);
}

TEST(ExifOrientation, BytesThatAreNoJpegHaveNone) {
  const auto tiff = OrientationTiff(6, true);
  EXPECT_EQ(Orientation({}), 1);
  EXPECT_EQ(Orientation({0xFF}), 1);
  EXPECT_EQ(Orientation(tiff), 1);
  EXPECT_EQ(Orientation(ExifSegment(tiff)), 1);  // no start of image
  // A PNG with an eXIf chunk holding the same block.
  std::vector<uint8_t> png = {0x89, 'P',  'N', 'G', '\r', '\n',
                              0x1A, '\n', 0,   0,   0,    static_cast<uint8_t>(tiff.size()),
                              'e',  'X',  'I', 'f'};
  exiffiles::Append(png, tiff);
  EXPECT_EQ(Orientation(png), 1);
  // Random bytes, with and without a start of image.
  std::vector<uint8_t> noise(4096);
  uint32_t state = 12345;
  for (auto& b : noise) b = static_cast<uint8_t>((state = state * 1103515245u + 12345u) >> 24);
  EXPECT_EQ(Orientation(noise), 1);
  noise[0] = 0xFF;
  noise[1] = 0xD8;
  EXPECT_EQ(Orientation(noise), 1);
  // The block parser alone, on what is no TIFF block.
  EXPECT_EQ(ExifOrientationOfTiff(nullptr, 100), 1);
  EXPECT_EQ(ExifOrientationOfTiff(tiff.data(), 7), 1);
  EXPECT_EQ(ExifOrientationOfTiff(tiff.data(), tiff.size()), 6);
}

TEST(ExifOrientation, FilesAreReadOnlyWhenTheyAreRegular) {
  testsupport::TempDir dir;
  const auto jpeg = JpegHead({ExifSegment(OrientationTiff(5, false))});
  testsupport::WriteFileBytes(dir / "photo.jpg", jpeg);
  EXPECT_EQ(FileExifOrientation((dir / "photo.jpg").string()), 5);
  EXPECT_EQ(FileExifOrientation((dir / "missing.jpg").string()), 1);
  EXPECT_EQ(FileExifOrientation(dir.Path().string()), 1);
  // A pipe is not opened: its bytes are the picture's, and waiting for them would hang.
  ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
  EXPECT_EQ(FileExifOrientation((dir / "pipe.jpg").string()), 1);
}

// --- turning upright -------------------------------------------------------------------------

// A 5 x 3 picture whose every pixel differs.
void NumberedPicture(TBitmap32& Picture) {
  Picture.SetSize(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) Picture.SetPixel(x, y, 0xFF000000u | (y << 8) | x);
}

TEST(TurnUpright, EachOrientationPutsEveryStoredPixelWhereTheTagSaysItBelongs) {
  TBitmap32 stored;
  NumberedPicture(stored);
  for (int o = 1; o <= 8; ++o) {
    SCOPED_TRACE("orientation " + std::to_string(o));
    TBitmap32 upright;
    upright.Assign(&stored);
    TurnUpright(upright, o);
    const bool sideways = o >= 5;
    ASSERT_EQ(upright.Width(), sideways ? 3 : 5);
    ASSERT_EQ(upright.Height(), sideways ? 5 : 3);
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 5; ++c) {
        const TPoint p = exiffiles::UprightPosition(o, c, r, upright.Width(), upright.Height());
        EXPECT_EQ(upright.GetPixel(p.X, p.Y), stored.GetPixel(c, r)) << c << "," << r;
      }
  }
  // Values outside 1..8 change nothing.
  for (int o : {0, 9, -1}) {
    TBitmap32 same;
    same.Assign(&stored);
    TurnUpright(same, o);
    EXPECT_TRUE(same.Equal(stored)) << o;
  }
}

TEST(TurnUpright, APictureBecomesABitmapOfItsUprightPixelsOnlyWhenItMustTurn) {
  RegisterCodecPictureFormats();
  testsupport::TempDir dir;
  TBitmap32 upright;
  exiffiles::BlockPicture(upright);
  const std::string file = exiffiles::WriteOrientedJpeg(dir / "p.jpg", upright, 6, false);
  TPicture picture;
  picture.LoadFromFile(file);
  TurnUpright(picture, 1);
  EXPECT_NE(dynamic_cast<TJPEGImage*>(picture.Graphic()), nullptr);
  TBitmap32 stored;
  stored.Assign(&picture);
  TurnUpright(picture, 6);
  TBitmap32 turned;
  turned.Assign(&picture);
  TurnUpright(stored, 6);
  EXPECT_TRUE(turned.Equal(stored));
  TBitmap32 original;
  original.LoadFromFile(exiffiles::WriteOrientedJpeg(dir / "1.jpg", upright, 1, false));
  EXPECT_LE(exiffiles::LargestChannelDifference(turned, original), exiffiles::JpegTolerance);
}

}  // namespace

}  // namespace pictavia
