// convert and render write PNG and JPEG when OUT's extension asks for them, JPEG at the quality
// --quality gives; a bad quality is a usage error that writes nothing.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "cli/cli_commands.h"
#include "codecs/codecs.h"
#include "exif_files.h"
#include "jpeg_form.h"
#include "raster/bitmap32.h"
#include "test_support.h"

namespace pictavia {

namespace {

using exiffiles::LargestChannelDifference;
using exiffiles::MeanChannelDifference;
using jpegform::LuminanceStepFor;
using jpegform::ReadJpegForm;

struct CliRun {
  int Status;
  std::string Out, Err;
};

class CliExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterCodecPictureFormats();
    exiffiles::BlockPicture(blocks);
    blocks.SaveToFile(Path("blocks.bmp"));
    std::ofstream(Path("scene.json")) << R"({
      "canvas": { "width": 60, "height": 40, "color": "#FFF8E1" },
      "objects": [
        { "kind": "photo", "file": "blocks.bmp", "location": [5, 5, 53, 37], "opacity": 200 },
        { "kind": "bar", "color": "#3070B0", "location": [0, 30, 60, 40], "opacity": 128 }
      ]
    })";
  }
  std::string Path(const std::string& Name) const { return (dir / Name).string(); }
  static CliRun Cli(const std::vector<std::string>& Args) {
    std::ostringstream out, err;
    const int status = RunCli(Args, out, err);
    return {status, out.str(), err.str()};
  }
  std::unique_ptr<TBitmap32> Read(const std::string& Name) {
    auto b = std::make_unique<TBitmap32>();
    b->LoadFromFile(Path(Name));
    return b;
  }
  int FirstStep(const std::string& Name) {
    return ReadJpegForm(testsupport::ReadFileBytes(Path(Name))).FirstLuminanceStep;
  }

  testsupport::TempDir dir;
  TBitmap32 blocks;
};

TEST_F(CliExportTest, ConvertWritesTheFormatTheExtensionNames) {
  ASSERT_EQ(Cli({"convert", Path("blocks.bmp"), Path("copy.bmp")}).Status, 0);
  const CliRun png = Cli({"convert", Path("blocks.bmp"), Path("copy.PNG")});
  ASSERT_EQ(png.Status, 0) << png.Err;
  EXPECT_EQ(png.Out, "wrote " + Path("copy.PNG") + " (48 x 32, 24-bit PNG)\n");
  EXPECT_EQ(testsupport::ReadFileBytes(Path("copy.PNG"))[25], 2) << "RGB without alpha";
  EXPECT_EQ(LargestChannelDifference(*Read("copy.PNG"), *Read("copy.bmp")), 0);

  const CliRun jpeg = Cli({"convert", Path("blocks.bmp"), Path("copy.jpeg")});
  ASSERT_EQ(jpeg.Status, 0) << jpeg.Err;
  EXPECT_EQ(jpeg.Out, "wrote " + Path("copy.jpeg") + " (48 x 32, JPEG, quality 90)\n");
  EXPECT_EQ(FirstStep("copy.jpeg"), LuminanceStepFor(90));
  // Saturated blocks lose most at their edges, where the chroma is halved (2.85 here).
  EXPECT_LT(MeanChannelDifference(*Read("copy.jpeg"), *Read("copy.bmp")), 3.5);

  // The option may stand anywhere after the command.
  ASSERT_EQ(Cli({"convert", "--quality", "40", Path("blocks.bmp"), Path("low.JPG")}).Status, 0);
  EXPECT_EQ(FirstStep("low.JPG"), LuminanceStepFor(40));
  ASSERT_EQ(Cli({"convert", Path("blocks.bmp"), Path("low.jpg"), "--quality", "100"}).Status, 0);
  EXPECT_EQ(FirstStep("low.jpg"), LuminanceStepFor(100));
}

TEST_F(CliExportTest, RenderExportsTheSavedPixels) {
  ASSERT_EQ(Cli({"render", Path("scene.json"), Path("saved.bmp")}).Status, 0);
  const CliRun png = Cli({"render", Path("scene.json"), Path("exported.png"), "--print-layers"});
  ASSERT_EQ(png.Status, 0) << png.Err;
  EXPECT_NE(png.Out.find("wrote " + Path("exported.png") + " (60 x 40)\n"), std::string::npos);
  EXPECT_EQ(LargestChannelDifference(*Read("exported.png"), *Read("saved.bmp")), 0);

  const CliRun jpeg = Cli({"render", Path("scene.json"), Path("exported.jpg"), "--quality", "95"});
  ASSERT_EQ(jpeg.Status, 0) << jpeg.Err;
  EXPECT_EQ(FirstStep("exported.jpg"), LuminanceStepFor(95));
  // A small picture that is mostly edges off the 16-pixel grid (5.9 here).
  EXPECT_LT(MeanChannelDifference(*Read("exported.jpg"), *Read("saved.bmp")), 7.0);
}

TEST_F(CliExportTest, ABadQualityIsAUsageErrorAndWritesNothing) {
  struct Case {
    std::vector<std::string> Args;
    std::string Message;
  };
  const std::string in = Path("blocks.bmp"), jpg = Path("out.jpg"), scene = Path("scene.json");
  std::vector<Case> cases;
  for (const std::string bad :
       {"0", "101", "1000", "-5", "+50", " 50", "50 ", "9x", "", "abc", "0x10", "--print-layers"})
    cases.push_back({{"convert", in, jpg, "--quality", bad},
                     "--quality wants a whole number from 1 to 100, not \"" + bad + "\""});
  cases.push_back({{"render", scene, jpg, "--quality", "101"},
                   "--quality wants a whole number from 1 to 100, not \"101\""});
  cases.push_back({{"convert", in, jpg, "--quality"}, "--quality wants a value after it"});
  cases.push_back({{"render", scene, jpg, "--quality", "80", "--quality", "80"},
                   "render takes --quality once"});
  for (const char* name : {"out.png", "out.bmp", "out"})
    cases.push_back({{"convert", in, Path(name), "--quality", "80"},
                     "--quality is for a JPEG output (.jpg or .jpeg)"});
  cases.push_back({{"render", scene, Path("out.png"), "--quality", "80"},
                   "--quality is for a JPEG output (.jpg or .jpeg)"});
  for (const Case& c : cases) {
    const CliRun r = Cli(c.Args);
    EXPECT_EQ(r.Status, 2) << c.Message;
    EXPECT_EQ(r.Err, "pictavia-cli: " + c.Message + "\n" + CliUsage());
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(testsupport::FilesIn(dir.Path()).size(), 2u) << c.Message;
  }
}

TEST_F(CliExportTest, TheUsageTextSaysHowTheFormatIsChosen) {
  const std::string usage = CliUsage();
  for (const char* part :
       {"convert IN OUT [--auto-orient] [--quality N]",
        "render SCENE.json OUT [--print-layers] [--quality N]", ".png an\nopaque 24-bit PNG",
        ".jpg or .jpeg a JPEG of quality N (1 to 100, 90 when not given)",
        "anything else a 32-bit BMP"})
    EXPECT_NE(usage.find(part), std::string::npos) << part;
}

}  // namespace

}  // namespace pictavia
