// Rectangle helpers and the stream classes.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "test_support.h"
#include "toolkit/bitmap.h"
#include "toolkit/exceptions.h"
#include "toolkit/geometry.h"
#include "toolkit/streams.h"

namespace pictavia {

TEST(Geometry, IntersectionOfTouchingRectanglesIsEmptyButTrue) {
  TRect r;
  EXPECT_TRUE(IntersectRect(r, Rect(0, 0, 10, 10), Rect(10, 0, 20, 10)));
  EXPECT_EQ(r, Rect(10, 0, 10, 10));
  EXPECT_TRUE(IsRectEmpty(r));
  EXPECT_FALSE(IntersectRect(r, Rect(0, 0, 10, 10), Rect(11, 0, 20, 10)));
  EXPECT_EQ(r, Rect(0, 0, 0, 0));
}

TEST(Geometry, OffsetInflateUnion) {
  TRect r = Rect(1, 2, 3, 4);
  OffsetRect(r, 10, 20);
  EXPECT_EQ(r, Rect(11, 22, 13, 24));
  InflateRect(r, 1, 2);
  EXPECT_EQ(r, Rect(10, 20, 14, 26));
  TRect u;
  EXPECT_TRUE(UnionRect(u, Rect(0, 0, 1, 1), Rect(5, 5, 6, 7)));
  EXPECT_EQ(u, Rect(0, 0, 6, 7));
  EXPECT_TRUE(UnionRect(u, TRect{}, Rect(5, 5, 6, 7)));
  EXPECT_EQ(u, Rect(5, 5, 6, 7));
}

TEST(Geometry, ArithmeticSaturatesAtTheIntRange) {
  TRect r = Rect(INT32_MAX - 1, INT32_MIN + 1, INT32_MAX, INT32_MIN + 2);
  OffsetRect(r, 5, -5);
  EXPECT_EQ(r, Rect(INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN));
  r = Rect(INT32_MIN + 1, INT32_MIN + 1, INT32_MAX - 1, INT32_MAX - 1);
  InflateRect(r, 3, 1);
  EXPECT_EQ(r, Rect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
  InflateRect(r, -3, -1);
  EXPECT_EQ(r, Rect(INT32_MIN + 3, INT32_MIN + 1, INT32_MAX - 3, INT32_MAX - 1));
  EXPECT_EQ(Rect(INT32_MIN, -1, INT32_MAX, INT32_MAX).Width(), INT32_MAX);
  EXPECT_EQ(Rect(INT32_MIN, -1, INT32_MAX, INT32_MAX).Height(), INT32_MAX);
  EXPECT_EQ(Rect(INT32_MAX, INT32_MAX, INT32_MIN, -2).Width(), INT32_MIN);
  EXPECT_EQ(Rect(INT32_MAX, INT32_MAX, INT32_MIN, -2).Height(), INT32_MIN);
}

TEST(Streams, MemoryStreamReadWriteSeek) {
  TMemoryStream m;
  m.WriteU32LE(0x11223344);
  m.WriteU16LE(0xBEEF);
  EXPECT_EQ(m.Size(), 6);
  m.SetPosition(0);
  EXPECT_EQ(m.ReadU32LE(), 0x11223344u);
  EXPECT_EQ(m.ReadU16LE(), 0xBEEF);
  EXPECT_EQ(m.Remaining(), 0);
  uint8_t b;
  EXPECT_THROW(m.ReadBuffer(&b, 1), EReadError);
  try {
    m.ReadBuffer(&b, 1);
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Stream read error");
  }
}

TEST(Streams, FileStreamErrorsNameTheFile) {
  testsupport::TempDir dir;
  const std::string missing = (dir / "missing.bin").string();
  try {
    TFileStream f(missing, fmOpenRead);
    FAIL() << "opened a missing file";
  } catch (const EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot open file \"" + missing + "\""),
              std::string::npos);
  }
  const std::string path = (dir / "x.bin").string();
  {
    TFileStream f(path, fmCreate);
    f.WriteU32LE(7);
  }
  EXPECT_EQ(ReadWholeFile(path).size(), 4u);
  EXPECT_TRUE(FileExists(path));
  EXPECT_FALSE(FileExists(missing));
  EXPECT_EQ(ExtractFileExt("a/b.c/photo.JPG"), "JPG");
  EXPECT_EQ(ExtractFileExt("a/b.c/photo"), "");
}

// A small file stays in the stdio buffer until it is closed: the failure shows only there.
TEST(Streams, AWriteThatFailsOnlyAtCloseIsReportedWithTheFileAndReason) {
  testsupport::TempDir dir;
  const std::string memoryFile = (dir / "memory.bin").string();
  const std::string bitmapFile = (dir / "picture.bmp").string();
  TMemoryStream bytes(std::vector<uint8_t>(500, 7));
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf32bit);
  bitmap.SetSize(10, 10);
  testsupport::FileSizeLimit limit(100);
  for (const std::string& file : {memoryFile, bitmapFile}) {
    try {
      if (file == memoryFile)
        bytes.SaveToFile(file);
      else
        bitmap.SaveToFile(file);
      ADD_FAILURE() << "no error from a write beyond the limit to " << file;
    } catch (const EWriteError& e) {
      EXPECT_EQ(std::string(e.what()),
                "Cannot write file \"" + file + "\". " + std::strerror(EFBIG));
    }
  }
}

TEST(Streams, FilesOfUnknownSizeAreReadToTheirEnd) {
  testsupport::TempDir dir;
  std::vector<unsigned char> bytes(200000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7);
  {
    testsupport::FifoWriter pipe(dir / "pipe.bin", bytes);
    const std::vector<uint8_t> read = ReadWholeFile((dir / "pipe.bin").string());
    EXPECT_TRUE(read == bytes) << read.size() << " bytes read of " << bytes.size();
  }
  // Pictures too: a BMP through a pipe.
  TBitmap source;
  source.SetPixelFormat(pf32bit);
  source.SetSize(30, 20);
  TMemoryStream bmp;
  source.SaveToStream(bmp);
  testsupport::FifoWriter pipe(dir / "pipe.bmp", bmp.Bytes());
  TBitmap loaded;
  loaded.LoadFromFile((dir / "pipe.bmp").string());
  EXPECT_EQ(loaded.Width(), 30);
  EXPECT_EQ(loaded.Height(), 20);
}

}  // namespace pictavia
