// JPEG orientation tags on the command line: render shows every picture upright, convert keeps
// the stored pixels unless given --auto-orient.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "cli/cli_commands.h"
#include "codecs/codecs.h"
#include "exif_files.h"
#include "picture_files.h"
#include "raster/bitmap32.h"
#include "test_support.h"

namespace pictavia {

namespace {

using exiffiles::JpegTolerance;
using exiffiles::LargestChannelDifference;

class CliOrientationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterCodecPictureFormats();
    exiffiles::BlockPicture(upright);
  }
  std::string File(int Orientation) {
    return exiffiles::WriteOrientedJpeg(dir / (std::to_string(Orientation) + ".jpg"), upright,
                                        Orientation, Orientation % 2 == 1);
  }
  int Run(const std::vector<std::string>& Args, std::string* Err = nullptr) {
    std::ostringstream out, err;
    const int status = RunCli(Args, out, err);
    if (Err) *Err = err.str();
    return status;
  }
  std::unique_ptr<TBitmap32> Read(const std::string& Bmp) {
    auto b = std::make_unique<TBitmap32>();
    b->LoadFromFile(Bmp);
    return b;
  }
  TBitmap32 upright;
  testsupport::TempDir dir;
};

TEST_F(CliOrientationTest, RenderShowsEveryOrientationUpright) {
  // The picture as a turned photo, as the background and as a bar's mask.
  auto Rendered = [&](int Orientation) {
    const std::string file = File(Orientation);
    const std::string scene = (dir / "scene.json").string();
    std::ostringstream json;
    json << R"({"canvas": {"width": 480, "height": 320, "background": ")" << file << R"("},)"
         << R"("objects": [{"kind": "photo", "file": ")" << file
         << R"(", "location": [20, 20, 260, 180], "rotate": 1},)"
         << R"({"kind": "bar", "location": [200, 160, 440, 300], "mask": ")" << file << R"("}]})";
    picturefiles::WriteText(scene, json.str());
    const std::string out = (dir / "out.bmp").string();
    std::string err;
    EXPECT_EQ(Run({"render", scene, out}, &err), 0) << err;
    return Read(out);
  };
  const auto original = Rendered(1);
  for (int o = 2; o <= 8; ++o)
    EXPECT_LE(LargestChannelDifference(*Rendered(o), *original), JpegTolerance) << o;
}

TEST_F(CliOrientationTest, ConvertKeepsTheStoredPixelsUnlessAskedToTurnThem) {
  const std::string out = (dir / "out.bmp").string();
  ASSERT_EQ(Run({"convert", File(1), out}), 0);
  const auto original = Read(out);
  for (int o : {3, 6, 7}) {
    SCOPED_TRACE("orientation " + std::to_string(o));
    TBitmap32 stored;
    stored.LoadFromFile(File(o));
    ASSERT_EQ(Run({"convert", File(o), out}), 0);
    EXPECT_TRUE(Read(out)->Equal(stored));
    ASSERT_EQ(Run({"convert", File(o), out, "--auto-orient"}), 0);
    EXPECT_LE(LargestChannelDifference(*Read(out), *original), JpegTolerance);
    ASSERT_EQ(Run({"convert", "--auto-orient", File(o), out}), 0);
    EXPECT_LE(LargestChannelDifference(*Read(out), *original), JpegTolerance);
  }
  std::string err;
  EXPECT_EQ(Run({"convert", File(6), out, "--auto-orientation"}, &err), 2);
  EXPECT_NE(err.find("convert does not know \"--auto-orientation\""), std::string::npos) << err;
  EXPECT_EQ(Run({"convert", File(6), "--auto-orient"}, &err), 2);
  EXPECT_NE(CliUsage().find("convert IN OUT [--auto-orient] [--quality N]"), std::string::npos);
}

}  // namespace

}  // namespace pictavia
