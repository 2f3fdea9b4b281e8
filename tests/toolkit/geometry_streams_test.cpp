// Rectangle helpers and the stream classes.
#include <gtest/gtest.h>

#include <cstdint>

#include "test_support.h"
#include "toolkit/exceptions.h"
#include "toolkit/geometry.h"
#include "toolkit/streams.h"

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
    EXPECT_NE(std::string(e.what()).find("Cannot open file \"" + missing + "\""), std::string::npos);
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
