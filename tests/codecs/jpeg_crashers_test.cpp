// Inputs that once broke or stalled the JPEG picture (kept in tests/crashers/jpeg/, stalling ones
// in a smaller form): each must load or raise one of our exceptions, and whatever decoded must
// draw, at full size and scaled.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "codecs/jpeg_image.h"
#include "test_support.h"
#include "toolkit/bitmap.h"
#include "toolkit/canvas.h"
#include "toolkit/streams.h"

namespace pictavia {

TEST(JPEGCrashers, EveryKeptInputFailsCleanly) {
  const auto dir = testsupport::SourceDir() / "tests/crashers/jpeg";
  if (testsupport::SourceDir().empty() || !std::filesystem::is_directory(dir))
    GTEST_SKIP() << "source folder not found (set PICTAVIA_SOURCE)";
  const auto files = testsupport::FilesIn(dir);
  ASSERT_FALSE(files.empty());
  for (const auto& path : files) {
    SCOPED_TRACE(path.filename().string());
    const auto bytes = testsupport::ReadFileBytes(path);
    for (TJPEGScaleDown scale : {FullSize, Eighth}) {
      TJPEGImage jpeg;
      jpeg.SetScaleDown(scale);
      std::vector<uint32_t> surface(16 * 16, 0);
      TCanvas canvas;
      canvas.SetSurface(surface.data(), 16, 16);
      try {
        TReadOnlyMemoryStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
        jpeg.LoadFromStream(stream);
        jpeg.Draw(canvas, Rect(-2, -2, 18, 15));
        EXPECT_EQ(jpeg.DecodedBitmap()->Width(), jpeg.Width());
      } catch (const Exception&) {
      }
    }
  }
}

}  // namespace pictavia
