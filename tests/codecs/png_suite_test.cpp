// The PNG reader and drawing against the public conformance files: every valid PngSuite file
// decodes and draws onto white as an independent decoder (QImage) says, with our gamma rule;
// every corrupt one fails with its exception and message; odd real-world files fail cleanly.
#include <cmath>
#include <cstring>
#include <map>
#include <string>

#include <gtest/gtest.h>
#include <QImage>
#include <QRgba64>

#include "codecs/internal/png_chunk_io.h"
#include "codecs/png_object.h"
#include "png_test_util.h"
#include "test_support.h"

namespace pictavia {

namespace {

using pngtest::Surface;

std::array<uint8_t, 256> GammaFromValue(uint32_t value) {
  std::array<uint8_t, 256> g{};
  const double e = 1.0 / (value / 100000.0 * 2.2);
  for (int i = 0; i < 256; ++i)
    g[static_cast<size_t>(i)] =
        i == 0 ? 0 : static_cast<uint8_t>(std::nearbyint(255.0 * std::pow(i / 255.0, e)));
  return g;
}

struct Rgba {
  int r, g, b, a;
};

// The file without its chunks of one type, and the data of the first such chunk.
std::vector<uint8_t> WithoutChunk(const std::vector<uint8_t>& file, const char* type,
                                  std::vector<uint8_t>& removed) {
  std::vector<uint8_t> out(file.begin(), file.begin() + 8);
  size_t i = 8;
  while (i + 12 <= file.size()) {
    const uint32_t len = ReadBigEndian32(&file[i]);
    const size_t end = std::min(file.size(), i + 12 + len);
    if (std::memcmp(&file[i + 4], type, 4) == 0) {
      if (removed.empty()) removed.assign(file.begin() + i + 8, file.begin() + i + 8 + len);
    } else {
      out.insert(out.end(), file.begin() + i, file.begin() + end);
    }
    i = end;
  }
  return out;
}

// The file's samples as QImage reads them, reduced to 8 bits the way our image memory keeps
// them (16-bit samples by their high byte).
std::vector<Rgba> ReferencePixels(const std::string& path, bool sixteen, int& w, int& h) {
  std::vector<Rgba> out;
  if (sixteen) {
    // QImage drops the alpha of 16-bit truecolour keyed by tRNS, so the key is applied here on
    // the full 16-bit samples.
    std::vector<uint8_t> key;
    const std::vector<uint8_t> bytes = WithoutChunk(testsupport::ReadFileBytes(path), "tRNS", key);
    QImage img;
    img.loadFromData(bytes.data(), static_cast<int>(bytes.size()));
    if (img.isNull()) return out;
    w = img.width();
    h = img.height();
    const QImage q = img.convertToFormat(QImage::Format_RGBA64);
    for (int y = 0; y < h; ++y) {
      const auto* row = reinterpret_cast<const QRgba64*>(q.constScanLine(y));
      for (int x = 0; x < w; ++x) {
        const QRgba64 p = row[x];
        int a = p.alpha() >> 8;
        if (key.size() == 2 && p.red() == ((key[0] << 8) | key[1])) a = 0;
        if (key.size() == 6 && p.red() == ((key[0] << 8) | key[1]) &&
            p.green() == ((key[2] << 8) | key[3]) && p.blue() == ((key[4] << 8) | key[5]))
          a = 0;
        out.push_back({p.red() >> 8, p.green() >> 8, p.blue() >> 8, a});
      }
    }
    return out;
  }
  QImage img(QString::fromStdString(path));
  if (img.isNull()) return out;
  w = img.width();
  h = img.height();
  {
    const QImage q = img.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
      const auto* row = reinterpret_cast<const QRgb*>(q.constScanLine(y));
      for (int x = 0; x < w; ++x)
        out.push_back({qRed(row[x]), qGreen(row[x]), qBlue(row[x]), qAlpha(row[x])});
    }
  }
  return out;
}

int BlendOnWhite(int s, int a) {
  return (s * a + (255 - a) * 255 + 255) / 256;
}

TEST(PngSuite, ValidFilesDrawOntoWhiteAsTheStandardSays) {
  PICTAVIA_REQUIRE_CORPUS("png/pngsuite");
  int checked = 0;
  for (const auto& path : testsupport::FilesIn(testsupport::CorpusDir() / "png/pngsuite", ".png")) {
    const std::string name = path.filename().string();
    if (name[0] == 'x') continue;
    SCOPED_TRACE(name);
    TPNGObject png;
    ASSERT_NO_THROW(png.LoadFromFile(path.string()));
    const TChunkIHDR& header = png.Header();
    int w = 0, h = 0;
    const std::vector<Rgba> ref = ReferencePixels(path.string(), header.BitDepth() == 16, w, h);
    ASSERT_FALSE(ref.empty());
    ASSERT_EQ(png.PictureWidth(), w);
    ASSERT_EQ(png.PictureHeight(), h);

    std::array<uint8_t, 256> gamma{};
    for (int i = 0; i < 256; ++i) gamma[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    if (const auto* g = png.ChunkList().ItemFromClass<TChunkgAMA>())
      if (g->GammaValue() != 0) gamma = GammaFromValue(g->GammaValue());

    Surface target(w, h, 0xFFFFFFFF);
    png.DrawInto(target.canvas, Rect(0, 0, w, h));
    const TPNGTransparencyKind kind = png.TransparencyKind();
    const bool grayAlpha = header.ColorType() == COLOR_GRAYSCALEALPHA;
    int mismatches = 0;
    for (int y = 0; y < h && mismatches < 3; ++y) {
      for (int x = 0; x < w; ++x) {
        const Rgba& p = ref[static_cast<size_t>(y) * w + x];
        int er, eg, eb;
        const auto map = [&](int c) { return grayAlpha ? c : gamma[static_cast<size_t>(c)]; };
        if (kind == TransparencyAlpha) {
          er = BlendOnWhite(map(p.r), p.a);
          eg = BlendOnWhite(map(p.g), p.a);
          eb = BlendOnWhite(map(p.b), p.a);
        } else if (kind == TransparencySingleColor && p.a == 0) {
          er = eg = eb = 255;
        } else {
          er = map(p.r);
          eg = map(p.g);
          eb = map(p.b);
        }
        const uint32_t got = target.At(x, y) & 0xFFFFFF;
        const uint32_t want = (uint32_t(er) << 16) | (uint32_t(eg) << 8) | uint32_t(eb);
        if (got != want) {
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << got
                        << ", expected " << want;
          if (++mismatches >= 3) break;
        }
      }
    }
    ++checked;
  }
  EXPECT_GT(checked, 150);
}

TEST(PngSuite, CorruptFilesRaiseTheirExceptionAndMessage) {
  PICTAVIA_REQUIRE_CORPUS("png/pngsuite");
  const std::map<std::string, std::pair<std::string, std::string>> expected = {
      {"xc1n0g08.png", {"EPngInvalidIHDR", SPngInvalidIHDR}},
      {"xc9n2c08.png", {"EPngInvalidIHDR", SPngInvalidIHDR}},
      {"xcrn0g04.png", {"EPNGInvalidFileHeader", SPNGInvalidFileHeader}},
      {"xcsn0g01.png", {"EPngInvalidCRC", SPngInvalidCRC}},
      {"xd0n2c08.png", {"EPngInvalidIHDR", SPngInvalidIHDR}},
      {"xd3n2c08.png", {"EPngInvalidIHDR", SPngInvalidIHDR}},
      {"xd9n2c08.png", {"EPngInvalidIHDR", SPngInvalidIHDR}},
      {"xdtn0g01.png", {"EPNGNoImageData", SPNGNoImageData}},
      {"xhdn0g08.png", {"EPngInvalidCRC", SPngInvalidCRC}},
      {"xlfn0g04.png", {"EPNGInvalidFileHeader", SPNGInvalidFileHeader}},
      {"xs1n0g01.png", {"EPNGInvalidFileHeader", SPNGInvalidFileHeader}},
      {"xs2n0g01.png", {"EPNGInvalidFileHeader", SPNGInvalidFileHeader}},
      {"xs4n0g01.png", {"EPNGInvalidFileHeader", SPNGInvalidFileHeader}},
      {"xs7n0g01.png", {"EPNGInvalidFileHeader", SPNGInvalidFileHeader}},
  };
  int seen = 0;
  for (const auto& path : testsupport::FilesIn(testsupport::CorpusDir() / "png/pngsuite", ".png")) {
    const std::string name = path.filename().string();
    if (name[0] != 'x') continue;
    SCOPED_TRACE(name);
    const auto it = expected.find(name);
    ASSERT_NE(it, expected.end()) << "no expectation for this corrupt file";
    TPNGObject png;
    std::string message;
    const std::string cls = pngtest::LoadError(png, testsupport::ReadFileBytes(path), &message);
    EXPECT_EQ(cls, it->second.first);
    EXPECT_EQ(message, it->second.second);
    ++seen;
  }
  EXPECT_EQ(seen, static_cast<int>(expected.size()));
}

// Real-world and fuzzer-made oddities: each either loads and draws or raises one of our
// exceptions; nothing else escapes and nothing crashes.
TEST(PngSuite, OddFilesLoadOrFailCleanly) {
  PICTAVIA_REQUIRE_CORPUS("png/misc");
  const std::map<std::string, std::string> mustFail = {
      {"imagepng_x_consecutive_idat.png", ""},
      {"imagepng_x_ihdr_missing.png", "EPNGIHDRNotFirst"},
      {"imagepng_x_image-issue_1075.png", ""},
      {"imagepng_x_interlaced_chck.png", "EPngInvalidCRC"},
      {"imagepng_x_issue_214.png", "EPngInvalidIHDR"},
      {"imagepng_x_issue_230.0.png", "EPNGSizeExceeds"},
      {"imagepng_x_issue_230.1.png", "EPNGSizeExceeds"},
      {"imagepng_x_unexpected_eof.png", ""},
      {"libpng_crashers_badcrc.png", "EPngInvalidCRC"},
  };
  int loaded = 0;
  for (const auto& path : testsupport::FilesIn(testsupport::CorpusDir() / "png/misc", ".png")) {
    const std::string name = path.filename().string();
    SCOPED_TRACE(name);
    TPNGObject png;
    std::string cls;
    try {
      cls = pngtest::LoadError(png, testsupport::ReadFileBytes(path));
    } catch (const std::exception& e) {
      ADD_FAILURE() << "escaped: " << e.what();
      continue;
    }
    const auto it = mustFail.find(name);
    if (it != mustFail.end()) {
      EXPECT_NE(cls, "");
      if (!it->second.empty()) {
        EXPECT_EQ(cls, it->second);
      }
    }
    if (cls.empty()) ++loaded;
    // Whatever was decoded can be drawn, also after a failure.
    Surface target(48, 48, 0xFFFFFFFF);
    try {
      png.DrawInto(target.canvas, Rect(0, 0, 48, 48));
    } catch (const EPngError&) {
      // palette indices beyond the palette, drawn with alpha
    }
  }
  EXPECT_GT(loaded, 20);
}

}  // namespace

}  // namespace pictavia
