// Inputs that once broke or hung the PNG reader (kept in tests/crashers/png/): each must load or
// raise one of our exceptions, and whatever was decoded must draw. The ones made by hand for a
// known fault also check the outcome.
#include <map>

#include <gtest/gtest.h>

#include "codecs/png_object.h"
#include "png_test_util.h"
#include "test_support.h"

namespace pictavia {

TEST(PngCrashers, EveryKeptInputFailsCleanly) {
  const auto dir = testsupport::SourceDir() / "tests/crashers/png";
  if (testsupport::SourceDir().empty() || !std::filesystem::is_directory(dir))
    GTEST_SKIP() << "source folder not found (set PICTAVIA_SOURCE)";
  const std::map<std::string, std::string> outcome = {
      {"huge-header-rgba16.png", "EPNGOutMemory"},
      {"huge-header-interlaced-gray.png", "EPNGMissingMultipleIDAT"},
      {"idat-preset-dictionary.png", "EPNGZLIBError"},
      {"idat-stream-ends-early.png", "EPNGMissingMultipleIDAT"},
      {"chunk-length-beyond-file.png", "EPngUnexpectedEnd"},
      {"zero-width-header.png", "EPngInvalidIHDR"},
      {"palette-index-past-plte-alpha.png", ""},
      {"empty-idat-between-data.png", ""},
  };
  const auto files = testsupport::FilesIn(dir);
  ASSERT_GE(files.size(), outcome.size());
  for (const auto& path : files) {
    const std::string name = path.filename().string();
    SCOPED_TRACE(name);
    const auto bytes = testsupport::ReadFileBytes(path);
    TPNGObject png;
    const std::string cls = pngtest::LoadError(png, {bytes.begin(), bytes.end()});
    if (const auto it = outcome.find(name); it != outcome.end()) {
      EXPECT_EQ(cls, it->second);
    }
    pngtest::Surface target(16, 16, 0);
    try {
      png.DrawInto(target.canvas, Rect(-2, -2, 18, 15));
    } catch (const EPngError&) {
      EXPECT_EQ(name, "palette-index-past-plte-alpha.png");
    }
  }
}

}  // namespace pictavia
