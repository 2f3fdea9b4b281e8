// BMP reading against the public conformance suite: good files show their reference pictures,
// our decoder agrees with Qt's, and odd or broken files load correctly or fail cleanly.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "test_support.h"
#include "toolkit/bitmap.h"
#include "toolkit/bmp_codec.h"
#include "toolkit/exceptions.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace fs = std::filesystem;

namespace {

fs::path BmpDir() {
  return testsupport::CorpusDir() / "bmp";
}

// The reference renderings the suite's README names for each file: "g/pal1.bmp  pal1.png",
// alternatives separated by "|".
std::map<std::string, std::vector<std::string>> References() {
  std::map<std::string, std::vector<std::string>> refs;
  std::ifstream in(BmpDir() / "README.txt");
  const std::regex line(R"(^\s+([gqb]/\S+\.bmp)\s+(\S.*)$)");
  std::string s;
  while (std::getline(in, s)) {
    std::smatch m;
    if (!std::regex_match(s, m, line)) continue;
    std::stringstream alts(m[2].str());
    std::string alt;
    while (std::getline(alts, alt, '|')) {
      alt.erase(0, alt.find_first_not_of(' '));
      alt.erase(alt.find_last_not_of(' ') + 1);
      if (alt.size() > 4 && alt.substr(alt.size() - 4) == ".png") refs[m[1].str()].push_back(alt);
    }
  }
  return refs;
}

// The largest channel difference between the bitmap and a reference picture (alpha compared
// too when both have it; colours only where the reference is not fully transparent), or -1
// when the sizes differ.
int Difference(TBitmap& b, const QImage& reference) {
  const QImage ref = reference.convertToFormat(QImage::Format_ARGB32);
  if (ref.width() != b.Width() || ref.height() != b.Height()) return -1;
  const bool alpha = reference.hasAlphaChannel() && b.PixelFormat() == pf32bit;
  int worst = 0;
  for (int y = 0; y < ref.height(); ++y)
    for (int x = 0; x < ref.width(); ++x) {
      const uint32_t ours = b.Canvas()->ScanLine(y)[x];
      const QRgb theirs = ref.pixel(x, y);
      if (alpha) worst = std::max(worst, std::abs(int(ours >> 24) - qAlpha(theirs)));
      if (qAlpha(theirs) == 0) continue;
      worst = std::max({worst, std::abs(int((ours >> 16) & 0xFF) - qRed(theirs)),
                        std::abs(int((ours >> 8) & 0xFF) - qGreen(theirs)),
                        std::abs(int(ours & 0xFF) - qBlue(theirs))});
    }
  return worst;
}

// The smallest difference to any of the file's references (-1: none of the same size).
int BestDifference(TBitmap& b, const std::vector<std::string>& refs) {
  int best = -1;
  for (const std::string& name : refs) {
    QImage ref;
    if (!ref.load(QString::fromStdString((BmpDir() / "html" / name).string()))) continue;
    const int d = Difference(b, ref);
    if (d >= 0 && (best < 0 || d < best)) best = d;
  }
  return best;
}

TPixelFormat ExpectedFormat(const std::string& name) {
  if (name.rfind("pal1", 0) == 0) return pf1bit;
  if (name.rfind("pal2", 0) == 0 || name.rfind("pal4", 0) == 0) return pf4bit;
  if (name.rfind("pal8", 0) == 0) return pf8bit;
  if (name.rfind("rgb32", 0) == 0 || name.rfind("rgba32", 0) == 0) return pf32bit;
  return pf24bit;
}

}  // namespace

TEST(BmpSuite, GoodFilesLoadWithTheirFormatAndShowTheReferencePicture) {
  PICTAVIA_REQUIRE_CORPUS("bmp/g");
  const auto refs = References();
  const auto files = testsupport::FilesIn(BmpDir() / "g", ".bmp");
  ASSERT_EQ(files.size(), 27u);
  for (const fs::path& f : files) {
    SCOPED_TRACE(f.filename().string());
    TBitmap b;
    ASSERT_NO_THROW(b.LoadFromFile(f.string()));
    EXPECT_EQ(b.PixelFormat(), ExpectedFormat(f.filename().string()));
    const auto it = refs.find("g/" + f.filename().string());
    ASSERT_NE(it, refs.end());
    // Channels scaled up from 5 or 6 bits may round differently from the reference by one.
    const int d = BestDifference(b, it->second);
    EXPECT_GE(d, 0) << "size differs from every reference";
    EXPECT_LE(d, 1);
  }
}

TEST(BmpSuite, QuestionableFilesLoadCorrectlyOrFailCleanly) {
  PICTAVIA_REQUIRE_CORPUS("bmp/q");
  const auto refs = References();
  int loaded = 0;
  for (const fs::path& f : testsupport::FilesIn(BmpDir() / "q", ".bmp")) {
    SCOPED_TRACE(f.filename().string());
    TBitmap b;
    try {
      b.LoadFromFile(f.string());
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Bitmap image is not valid: ", 0), 0u) << e.what();
      continue;
    }
    ++loaded;
    EXPECT_EQ(b.PixelFormat(), ExpectedFormat(f.filename().string()));
    const auto it = refs.find("q/" + f.filename().string());
    // rgb24prof2 needs its colour profile applied to show the reference; we apply none.
    if (it == refs.end() || f.filename() == "rgb24prof2.bmp") continue;
    const int d = BestDifference(b, it->second);
    EXPECT_GE(d, 0);
    EXPECT_LE(d, 2);
  }
  // Among them the 2-bit, OS/2 and 52/56-byte-header files Qt does not read.
  EXPECT_GE(loaded, 35);
}

TEST(BmpSuite, BrokenFilesFailCleanlyAndLeaveTheBitmapUnchanged) {
  PICTAVIA_REQUIRE_CORPUS("bmp/b");
  std::vector<fs::path> files = testsupport::FilesIn(BmpDir() / "b", ".bmp");
  for (const fs::path& f : testsupport::FilesIn(BmpDir() / "misc", ".bmp"))
    if (f.filename().string().rfind("Bad_", 0) == 0) files.push_back(f);
  // Files that are beyond repair must be refused; the rest (wrong size fields, densities, broken
  // runs, indexes past the table) may load as long as nothing breaks.
  const std::set<std::string> mustRefuse = {
      "badbitcount.bmp", "badheadersize.bmp", "badplanes.bmp",  "badwidth.bmp", "reallybig.bmp",
      "rletopdown.bmp",  "shortfile.bmp",     "Bad_height.bmp", "Bad_width.bmp"};
  for (const fs::path& f : files) {
    SCOPED_TRACE(f.filename().string());
    TBitmap b;
    b.SetPixelFormat(pf8bit);
    b.SetSize(3, 2);
    b.Canvas()->SetPixel(2, 1, clWhite);
    try {
      b.LoadFromFile(f.string());
      EXPECT_FALSE(b.Empty());
      EXPECT_EQ(mustRefuse.count(f.filename().string()), 0u) << "loaded";
    } catch (const Exception& e) {
      EXPECT_TRUE(dynamic_cast<const EInvalidGraphic*>(&e) ||
                  dynamic_cast<const EOutOfResources*>(&e))
          << e.ClassName() << ": " << e.what();
      EXPECT_EQ(b.PixelFormat(), pf8bit);
      EXPECT_EQ(b.Width(), 3);
      EXPECT_EQ(b.Canvas()->Pixel(2, 1), clWhite);
    }
  }
}

TEST(BmpSuite, OurDecoderAgreesWithQtOnFilesBothRead) {
  PICTAVIA_REQUIRE_CORPUS("bmp/g");
  std::vector<fs::path> files = testsupport::FilesIn(BmpDir() / "g", ".bmp");
  for (const fs::path& f : testsupport::FilesIn(BmpDir() / "misc", ".bmp"))
    if (f.filename().string().rfind("Bad_", 0) != 0) files.push_back(f);
  for (const fs::path& f : files) {
    SCOPED_TRACE(f.filename().string());
    const std::vector<uint8_t> bytes = ReadWholeFile(f.string());
    TDibImage viaQt, own;
    try {
      viaQt = ReadBmp(bytes.data(), bytes.size());
    } catch (const Exception&) {
      continue;
    }
    ASSERT_NO_THROW(own = ReadBmpOwn(bytes.data(), bytes.size()));
    ASSERT_EQ(own.Width, viaQt.Width);
    ASSERT_EQ(own.Height, viaQt.Height);
    ASSERT_EQ(own.BitCount, viaQt.BitCount);
    EXPECT_EQ(own.ColorTable, viaQt.ColorTable);
    ASSERT_EQ(own.Rows.size(), viaQt.Rows.size());
    const uint8_t* a = own.RowBytes();
    const uint8_t* q = viaQt.RowBytes();
    const int64_t stride = DibRowBytes(own.Width, own.BitCount);
    const int64_t used = (int64_t(own.Width) * own.BitCount + 7) / 8;
    int worst = 0;
    for (int y = 0; y < own.Height; ++y)
      for (int64_t i = 0; i < used; ++i) {
        const int d = std::abs(a[y * stride + i] - q[y * stride + i]);
        // Indexes must match exactly; scaled colour channels may round apart by one.
        if (own.BitCount <= 8) {
          // The last byte of a sub-byte row may hold bits past the width.
          if (i == used - 1 && (own.Width * own.BitCount) % 8) continue;
          ASSERT_EQ(d, 0) << "row " << y << " byte " << i;
        }
        worst = std::max(worst, d);
      }
    EXPECT_LE(worst, 1);
  }
}

}  // namespace pictavia
