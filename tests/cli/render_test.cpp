// pictavia-cli render: scenes built with the editor's operations, every key, the placement
// rules, the pixels of the saved file, and the errors with the object and field they name.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "cli/cli_commands.h"
#include "codecs/codecs.h"
#include "codecs/jpeg_image.h"
#include "codecs/png_object.h"
#include "document/program_folder.h"
#include "document/scene.h"
#include "raster/bitmap32.h"
#include "raster/blend.h"
#include "test_support.h"
#include "toolkit/bitmap.h"

namespace pictavia {

namespace {

class RenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterCodecPictureFormats();
    // A 200 x 100 photo, left half red, right half blue.
    TBitmap32 photo;
    photo.SetSize(200, 100);
    photo.Clear(0xFF0000FF);
    photo.FillRect(0, 0, 100, 100, 0xFFFF0000);
    photo.SaveToFile(Path("photo.bmp"));
    TBitmap32 big;
    big.SetSize(1280, 960);
    big.Clear(0xFF00FF00);
    big.SaveToFile(Path("big.bmp"));
    // A mask: white on the left half, black on the right.
    TBitmap32 mask;
    mask.SetSize(10, 10);
    mask.Clear(0xFF000000);
    mask.FillRect(0, 0, 5, 10, 0xFFFFFFFF);
    mask.SaveToFile(Path("mask.bmp"));
    std::filesystem::create_directories(dir_.Path() / "Masks");
    // A 101 x 51 clip: opaque green with a transparent left column.
    TBitmap32 clip;
    clip.SetSize(101, 51);
    clip.Clear(0xFF00FF00);
    clip.FillRect(0, 0, 1, 51, 0x00000000);
    TPNGObject png;
    png.AssignPixels32(clip.Bits(), clip.Width(), clip.Height());
    png.SaveToFile(Path("clip.png"));
    SetProgramFolder(dir_.Path().string() + "/");
  }
  void TearDown() override { SetProgramFolder(""); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  // Writes the scene, renders it and loads the result (or returns the error text).
  bool Render(const std::string& json, TBitmap32& out, std::string* layers = nullptr,
              std::string* error = nullptr) {
    std::ofstream(Path("scene.json")) << json;
    std::ostringstream o, e;
    std::vector<std::string> args = {"render", Path("scene.json"), Path("out.bmp")};
    if (layers) args.push_back("--print-layers");
    const int status = RunCli(args, o, e);
    if (layers) *layers = o.str();
    if (error) *error = e.str();
    if (status != 0) return false;
    out.LoadFromFile(Path("out.bmp"));
    return true;
  }

  testsupport::TempDir dir_;
};

std::string Scene(const std::string& canvas, const std::string& objects) {
  return "{\"canvas\": " + canvas + ", \"objects\": [" + objects + "]}";
}

const std::string kRedCanvas = R"({"width": 640, "height": 480, "color": "#FF0000"})";

}  // namespace

TEST_F(RenderTest, CanvasColourOrStretchedBackground) {
  TBitmap32 out;
  ASSERT_TRUE(Render(Scene(R"({"width": 30, "height": 20, "color": "0x80123456"})", ""), out));
  EXPECT_EQ(out.Width(), 30);
  EXPECT_EQ(out.Height(), 20);
  EXPECT_EQ(out.GetPixel(29, 19), 0xFF123456u) << "saved with alpha 255";
  ASSERT_TRUE(Render(Scene(R"({"width": 400, "height": 50, "background": "photo.bmp"})", ""), out));
  EXPECT_EQ(out.GetPixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(out.GetPixel(199, 49), 0xFFFF0000u) << "nearest stretch: column 199 shows 99";
  EXPECT_EQ(out.GetPixel(200, 0), 0xFF0000FFu);
}

TEST_F(RenderTest, PlacementFollowsTheAddCommands) {
  TBitmap32 out;
  std::string layers;
  ASSERT_TRUE(Render(Scene(kRedCanvas, R"({"kind": "photo", "file": "photo.bmp"},
      {"kind": "photo", "file": "big.bmp"},
      {"kind": "clip", "file": "clip.png", "center": [100, 100]},
      {"kind": "bar", "center": [320, 240]},
      {"kind": "text", "location": [10, 10, 60, 30]})"),
                     out, &layers));
  std::istringstream lines(layers);
  std::string line;
  std::vector<std::string> all;
  while (std::getline(lines, line))
    if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) all.push_back(line);
  ASSERT_EQ(all.size(), 5u) << layers;
  EXPECT_NE(all[0].find("(220, 190, 420, 290)"), std::string::npos)
      << "kept at its size: " << all[0];
  EXPECT_NE(all[1].find("(0, 0, 640, 480)"), std::string::npos) << "fitted: " << all[1];
  EXPECT_NE(all[2].find("(50, 75, 150, 125)"), std::string::npos) << "integer halves: " << all[2];
  EXPECT_NE(all[3].find("(120, 180, 520, 300)"), std::string::npos) << all[3];
  EXPECT_NE(all[4].find("(10, 10, 60, 30)"), std::string::npos) << all[4];
  // The big green photo covers the canvas; the clip's transparent column shows it.
  EXPECT_EQ(out.GetPixel(50, 100), 0xFF00FF00u);
}

TEST_F(RenderTest, OpacityMixesWithTheBlendArithmetic) {
  TBitmap32 out;
  ASSERT_TRUE(Render(
      Scene(
          kRedCanvas,
          R"({"kind": "photo", "file": "photo.bmp", "location": [0, 0, 200, 100], "opacity": 128})"),
      out));
  // Blue at opacity 128 over red: weight ((255 + 1) * 128) >> 8 with the vector formula.
  TColor32 expected = 0xFFFF0000;
  const TColor32 blue = 0xFF0000FF;
  BlendRunMaster(&blue, &expected, 1, 128);
  EXPECT_EQ(out.GetPixel(150, 50), expected | 0xFF000000u);
  EXPECT_EQ(out.GetPixel(300, 300), 0xFFFF0000u);
}

TEST_F(RenderTest, MasksOnAPhotoAndOnABar) {
  TBitmap32 out;
  ASSERT_TRUE(Render(
      Scene(
          kRedCanvas,
          R"({"kind": "photo", "file": "photo.bmp", "location": [0, 0, 200, 100], "mask": "mask.bmp"},
         {"kind": "bar", "location": [0, 200, 400, 320], "color": "#00FF00", "mask": "mask.bmp"})"),
      out));
  EXPECT_EQ(out.GetPixel(10, 10), 0xFFFF0000u) << "red photo, white mask: the photo";
  EXPECT_EQ(out.GetPixel(150, 10), 0xFFFF0000u) << "black mask: the red canvas shows through";
  EXPECT_EQ(out.GetPixel(10, 210), 0xFF00FF00u);
  EXPECT_EQ(out.GetPixel(390, 210), 0xFFFF0000u);

  // A mask by number comes from the Masks folder beside the program, as "<n>.jpg".
  TBitmap maskBitmap;
  maskBitmap.LoadFromFile(Path("mask.bmp"));
  TJPEGImage jpeg;
  jpeg.Assign(&maskBitmap);
  jpeg.SaveToFile((dir_.Path() / "Masks" / "3.jpg").string());
  ASSERT_TRUE(Render(
      Scene(kRedCanvas,
            R"({"kind": "bar", "location": [0, 0, 400, 120], "color": "#00FF00", "mask": 3})"),
      out));
  EXPECT_EQ(out.GetPixel(10, 60), 0xFF00FF00u);
  EXPECT_EQ(out.GetPixel(390, 60), 0xFFFF0000u);
  std::string error;
  EXPECT_FALSE(Render(Scene(kRedCanvas, R"({"kind": "bar", "mask": 4})"), out, nullptr, &error));
  EXPECT_NE(error.find("objects[0].mask: no mask number 4"), std::string::npos) << error;
}

TEST_F(RenderTest, TurnsFlipsAndTheCanvasEdge) {
  TBitmap32 out;
  ASSERT_TRUE(Render(
      Scene(
          kRedCanvas,
          R"({"kind": "photo", "file": "photo.bmp", "location": [100, 100, 300, 200], "rotate": 1},
         {"kind": "photo", "file": "photo.bmp", "location": [400, 0, 600, 100], "flip": "horizontal"},
         {"kind": "photo", "file": "photo.bmp", "location": [540, 380, 740, 480]})"),
      out));
  // Turned about its centre (200, 150): now (150, 50, 250, 250), red on top, blue below.
  EXPECT_EQ(out.GetPixel(200, 60), 0xFFFF0000u);
  EXPECT_EQ(out.GetPixel(200, 240), 0xFF0000FFu);
  EXPECT_EQ(out.GetPixel(140, 150), 0xFFFF0000u) << "outside the turned photo: the canvas";
  EXPECT_EQ(out.GetPixel(410, 50), 0xFF0000FFu) << "mirrored: blue on the left";
  EXPECT_EQ(out.GetPixel(590, 50), 0xFFFF0000u);
  EXPECT_EQ(out.Width(), 640) << "an object past the edge is cut there";
  EXPECT_EQ(out.GetPixel(639, 479), 0xFFFF0000u);
}

TEST_F(RenderTest, TextWithItsFontAndColour) {
  TBitmap32 out;
  std::string layers;
  ASSERT_TRUE(Render(
      Scene(R"({"width": 400, "height": 100, "color": "#FFFFFF"})",
            R"({"kind": "text", "text": "Hello", "center": [200, 50], "text_color": "#0000FF",
          "font": {"name": "Arial", "size": 30, "bold": true, "italic": false, "underline": true,
                   "strikeout": false}})"),
      out, &layers));
  int blue = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 400; ++x) blue += out.GetPixel(x, y) == 0xFF0000FFu;
  EXPECT_GT(blue, 200) << "solid glyph pixels in the text colour";
  EXPECT_EQ(out.GetPixel(5, 5), 0xFFFFFFFFu);
}

TEST_F(RenderTest, TextOfOnlyAZeroWidthCharacterTurnsAndFlips) {
  TBitmap32 out;
  std::string error;
  // Such a text has a picture of width 0.
  ASSERT_TRUE(Render(Scene(kRedCanvas,
                           R"({"kind": "text", "text": "\u200b", "flip": "horizontal", "rotate": 1},
         {"kind": "text", "text": "\u200b", "flip": "both", "rotate": 3},
         {"kind": "text", "text": "\u200b", "location": [10, 10, 60, 30], "flip": "vertical"})"),
                     out, nullptr, &error))
      << error;
  for (int y = 0; y < out.Height(); y += 7)
    for (int x = 0; x < out.Width(); x += 7) ASSERT_EQ(out.GetPixel(x, y), 0xFFFF0000u);
}

// Places far beyond the int range: each kind shows the part of it over the canvas, and nothing
// wraps around or reads outside a picture.
TEST_F(RenderTest, EveryKindAtExtremeLocations) {
  const std::string canvas = R"({"width": 200, "height": 100, "color": "#FF0000"})";
  struct Kind {
    std::string json;
    TColor32 colour;  // 0: not one colour (text)
  };
  const Kind kinds[] = {
      {R"("kind": "photo", "file": "big.bmp")", 0xFF00FF00},
      {R"("kind": "clip", "file": "clip.png")", 0xFF00FF00},
      {R"("kind": "bar", "color": "#0000FF")", 0xFF0000FF},
      {R"("kind": "text", "text": "Hi", "text_color": "#0000FF")", 0},
  };
  struct Place {
    std::string location;
    TRect covered;  // on the canvas
  };
  const Place places[] = {
      {"[-1.1e9, 0, 1.1e9, 200]", Rect(0, 0, 200, 100)},
      {"[-3.4e38, -3.4e38, 3.4e38, 3.4e38]", Rect(0, 0, 200, 100)},
      {"[-3.4e38, -1e9, 50, 60]", Rect(0, 0, 50, 60)},
      {"[1e9, 1e9, 3.4e38, 3.4e38]", TRect{}},
      {"[-3.4e38, 0, -1.1e9, 50]", TRect{}},
  };
  for (const Kind& k : kinds)
    for (const Place& p : places) {
      SCOPED_TRACE(k.json + " at " + p.location);
      TBitmap32 out;
      std::string error;
      ASSERT_TRUE(Render(Scene(canvas, "{" + k.json + R"(, "location": )" + p.location + "}"), out,
                         nullptr, &error))
          << error;
      for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
          const bool inside = PtInRect(p.covered, Point(x, y));
          const TColor32 want = inside ? k.colour : 0xFFFF0000u;
          if (want == 0) continue;
          ASSERT_EQ(out.GetPixel(x, y), want) << x << "," << y;
        }
      // Turned and mirrored there too (clips do neither).
      if (k.json.find("clip") != std::string::npos) continue;
      EXPECT_TRUE(Render(Scene(canvas, "{" + k.json + R"(, "location": )" + p.location +
                                           R"(, "rotate": 1, "flip": "both"})"),
                         out, nullptr, &error))
          << error;
    }
}

TEST_F(RenderTest, ErrorsNameTheObjectAndFieldAndLeaveNoFile) {
  struct Case {
    std::string Json, Expected;
  };
  const std::vector<Case> cases = {
      {"{not json", "not valid JSON"},
      {Scene(kRedCanvas, "") + " ", ""},  // valid: the control case
      {R"({"canvas": {"width": 0, "height": 10}})",
       "canvas.width: must be a whole number from 1 to 3000"},
      {R"({"canvas": {"width": 10, "height": 10, "colour": "#FFFFFF"}})",
       "canvas.colour: not a field"},
      {Scene(kRedCanvas, R"({"kind": "star"})"),
       "objects[0].kind: must be photo, clip, bar or text"},
      {Scene(kRedCanvas, R"({"kind": "bar"}, {"kind": "bar", "opacity": 300})"),
       "objects[1].opacity: must be a whole number from 0 to 255"},
      {Scene(kRedCanvas, R"({"kind": "photo", "file": "missing.jpg"})"),
       "objects[0].file: no such file"},
      {Scene(kRedCanvas, R"({"kind": "clip", "file": "photo.bmp", "rotate": 1})"),
       "objects[0].rotate: not a field of a clip"},
      {Scene(kRedCanvas, R"({"kind": "text", "flip": "sideways"})"), "objects[0].flip: must be"},
      {Scene(kRedCanvas, R"({"kind": "bar", "color": "green"})"),
       "objects[0].color: must be a colour"},
      {Scene(kRedCanvas, R"({"kind": "bar", "location": [1, 2, 3]})"),
       "objects[0].location: must be a list of 4"},
      {Scene(kRedCanvas, R"({"kind": "clip", "file": "photo.bmp"})"), "objects[0].file: "},
      {Scene(kRedCanvas, R"({"kind": "photo", "file": "empty.jpg"})"), "objects[0].file: \""},
      {Scene(kRedCanvas, R"({"kind": "bar"}, {"kind": "bar", "mask": "empty.jpg"})"),
       "objects[1].mask: \""},
      {R"({"canvas": {"width": 10, "height": 10, "background": "empty.jpg"}})",
       "canvas.background: \""},
      {Scene(kRedCanvas, R"({"kind": "photo", "file": "photo.bmp\u0000.png"})"),
       "objects[0].file: must not contain a NUL character"},
      // A key given twice in one object, also when spelt differently; in two objects it is fine.
      {R"({"canvas": {"width": 10, "height": 10, "width": 20}})",
       "canvas.width: given more than once"},
      {R"({"canvas": {"width": 10, "height": 10}, "canvas": {"width": 10, "height": 10}})",
       "canvas: given more than once"},
      {Scene(kRedCanvas, R"({"kind": "bar"}, {"kind": "bar", "opacity": 1, "opacit\u0079": 2})"),
       "objects[1].opacity: given more than once"},
      {Scene(kRedCanvas, R"({"kind": "text", "font": {"size": 10, "bold": true, "size": 12}})"),
       "objects[0].font.size: given more than once"},
      {Scene(kRedCanvas, R"({"kind": "bar", "opacity": 1}, {"kind": "bar", "opacity": 2})"), ""},
  };
  testsupport::WriteFileBytes(Path("empty.jpg"), {});
  for (const Case& c : cases) {
    std::filesystem::remove(Path("out.bmp"));
    TBitmap32 out;
    std::string error;
    const bool ok = Render(c.Json, out, nullptr, &error);
    if (c.Expected.empty()) {
      EXPECT_TRUE(ok) << error;
      continue;
    }
    EXPECT_FALSE(ok) << c.Json;
    EXPECT_NE(error.find(c.Expected), std::string::npos) << "got: " << error;
    if (c.Json.find("empty.jpg") != std::string::npos) {
      EXPECT_NE(error.find(Path("empty.jpg") + "\" holds no picture"), std::string::npos) << error;
    }
    EXPECT_FALSE(std::filesystem::exists(Path("out.bmp"))) << c.Json;
  }
}

TEST_F(RenderTest, AnOutputThatIsAFileTheSceneReadsIsRefused) {
  std::filesystem::create_hard_link(Path("photo.bmp"), Path("photo-link.bmp"));
  std::filesystem::create_hard_link(Path("mask.bmp"), Path("mask-link.bmp"));
  std::filesystem::create_hard_link(Path("big.bmp"), Path("big-link.bmp"));
  std::ofstream(Path("scene.json"))
      << R"({"canvas": {"width": 64, "height": 48, "background": "big.bmp"}, "objects": [)"
         R"({"kind": "photo", "file": "photo.bmp", "mask": "mask.bmp"},)"
         R"({"kind": "clip", "file": "clip.png"}]})";
  std::filesystem::create_hard_link(Path("scene.json"), Path("scene-link.bmp"));
  std::filesystem::create_hard_link(Path("clip.png"), Path("clip-link.bmp"));
  auto quoted = [](const std::string& Text) {
    std::string q = "\"";
    q += Text;
    q += '"';
    return q;
  };
  struct Case {
    std::string Out, Expected;
  };
  for (const Case& c : {Case{"scene-link.bmp", "the scene " + quoted(Path("scene.json"))},
                        Case{"big-link.bmp", "canvas.background " + quoted(Path("big.bmp"))},
                        Case{"photo-link.bmp", "objects[0].file " + quoted(Path("photo.bmp"))},
                        Case{"mask-link.bmp", "objects[0].mask " + quoted(Path("mask.bmp"))},
                        Case{"clip-link.bmp", "objects[1].file " + quoted(Path("clip.png"))}}) {
    const auto before = testsupport::ReadFileBytes(Path(c.Out));
    std::ostringstream o, e;
    EXPECT_EQ(RunCli({"render", Path("scene.json"), Path(c.Out)}, o, e), 1) << c.Out;
    EXPECT_NE(e.str().find(quoted(Path(c.Out)) + " is the same file as " + c.Expected),
              std::string::npos)
        << e.str();
    EXPECT_EQ(testsupport::ReadFileBytes(Path(c.Out)), before) << c.Out;
  }
  // The scene itself, and a picture named with another format's extension.
  std::ostringstream o, e;
  EXPECT_EQ(RunCli({"render", Path("scene.json"), Path("scene.json")}, o, e), 1);
  EXPECT_NE(e.str().find("is the same file as the scene"), std::string::npos) << e.str();
  EXPECT_EQ(RunCli({"render", Path("scene.json"), Path("clip.png")}, o, e), 1);
  EXPECT_NE(e.str().find("is the same file as objects[1].file"), std::string::npos) << e.str();
  EXPECT_EQ(RunCli({"render", Path("scene.json"), Path("clip.gif")}, o, e), 2);
  EXPECT_NE(e.str().find("the output is a 32-bit BMP"), std::string::npos) << e.str();
  EXPECT_EQ(RunCli({"render", Path("scene.json"), Path("fine.bmp")}, o, e), 0) << e.str();

  // A write that fails prints no layer list before its error.
  std::ostringstream layers, error;
  EXPECT_EQ(RunCli({"render", Path("scene.json"), Path("missing/out.bmp"), "--print-layers"},
                   layers, error),
            1);
  EXPECT_EQ(layers.str(), "");
  EXPECT_NE(error.str().find("missing/out.bmp"), std::string::npos) << error.str();
}

// Keys and values from a scene reach the terminal only as printable text, and briefly.
TEST_F(RenderTest, MessagesQuoteControlCharactersAndCutLongValues) {
  auto controls = [](const std::string& Text) {
    return std::count_if(Text.begin(), Text.end(),
                         [](char c) { return c != '\n' && static_cast<unsigned char>(c) < 0x20; });
  };
  TBitmap32 out;
  std::string error;
  EXPECT_FALSE(Render(R"({"canvas": {"width": 10, "height": 10, "\u001b[31mred\u0007": 1}})", out,
                      nullptr, &error));
  EXPECT_EQ(controls(error), 0);
  EXPECT_NE(error.find("canvas.\\x1b[31mred\\x07: not a field of the canvas"), std::string::npos)
      << error;
  EXPECT_FALSE(Render(Scene(kRedCanvas, R"({"kind": "st\u009bar"})"), out, nullptr, &error));
  EXPECT_NE(error.find("not \"st\\u009bar\""), std::string::npos) << error;
  const std::string longKey(1 << 20, 'k');
  EXPECT_FALSE(Render(R"({"canvas": {"width": 10, "height": 10, ")" + longKey + R"(": 1}})", out,
                      nullptr, &error));
  EXPECT_LT(error.size(), 1000u);
  EXPECT_NE(error.find("canvas.kkkk"), std::string::npos) << error.substr(0, 300);
  EXPECT_NE(error.find("... (1048576 bytes): not a field of the canvas"), std::string::npos)
      << error.substr(0, 300);
}

TEST_F(RenderTest, ATextTooLargeToDrawNamesTheObjectAndField) {
  TBitmap32 out;
  std::string error;
  const std::string text(3000, 'W');
  EXPECT_FALSE(Render(Scene(kRedCanvas, R"({"kind": "bar"}, {"kind": "text", "text": ")" + text +
                                            R"(", "font": {"size": 500}})"),
                      out, nullptr, &error));
  EXPECT_NE(error.find("objects[1].text: too large to draw"), std::string::npos) << error;
}

}  // namespace pictavia
