// One collage made twice — once through the editor's real window, once as a scene file rendered
// by pictavia-cli — must give the same file, byte for byte.
#include <sstream>

#include "app/internal/picture_box.h"
#include "cli/cli_commands.h"
#include "main_form_test_support.h"
#include "view/range_bars.h"

namespace pictavia {

namespace {

class EditorVersusSceneTest : public MainFormTest {
 protected:
  void MakeMasks() override {
    // Mask 1: a soft horizontal ramp, so its stretch and its brightness both show.
    std::filesystem::create_directories(Program / "Masks");
    TBitmap32 ramp;
    ramp.SetSize(64, 48);
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) {
        const uint8_t v = static_cast<uint8_t>(x * 4);
        ramp.SetPixel(x, y, Color32(v, v, v));
      }
    picturefiles::WriteBmp(temp / "ramp.bmp", ramp);
    TBitmap32 loaded;
    loaded.LoadFromFile((temp / "ramp.bmp").string());
    TBitmap toolkitBitmap;
    loaded.AssignTo(&toolkitBitmap);
    TJPEGImage jpeg;
    jpeg.Assign(&toolkitBitmap);
    jpeg.SaveToFile((Program / "Masks" / "1.jpg").string());
  }
};

TEST_F(EditorVersusSceneTest, TheSameCollageGivesTheSameFile) {
  // A photo with a pattern, so turns and flips show.
  TBitmap32 photo;
  photo.SetSize(320, 200);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 320; ++x)
      photo.SetPixel(x, y,
                     Color32(static_cast<uint8_t>(x), static_cast<uint8_t>(y), x < 160 ? 40 : 220));
  const std::string photoFile = picturefiles::WriteBmp(temp / "photo.bmp", photo);
  const std::string clipFile = picturefiles::WritePng(temp / "clip.png", 101, 51, 0x8020C040u);
  const TPoint c = Centre();

  // In the editor: a photo turned, masked and faded; a masked bar flipped; a clip; a text.
  AddPhoto(photoFile);
  Click(kRotate);
  ClickThumb(1);
  Find<TGaugeBar>(kOpacitySlider)->SetPosition(160);
  AddBar();
  Click(kFlipVertical);
  ClickThumb(1);
  Dialogs.AnswerOpen(clipFile);
  Click(kAddClip);
  Click(kAddText);
  const std::string fromEditor = (temp / "editor.bmp").string();
  Dialogs.AnswerSave(fromEditor);
  Click(kSave);
  ASSERT_TRUE(std::filesystem::exists(fromEditor));

  // The same as a scene.
  std::ostringstream scene;
  std::ostringstream at;
  at << "[" << c.X << ", " << c.Y << "]";
  const std::string centre = at.str();
  scene << R"({"canvas": {"width": 640, "height": 480, "color": "#FFFFFF"}, "objects": [)"
        << R"({"kind": "photo", "file": ")" << photoFile << R"(", "center": )" << centre
        << R"(, "rotate": 1, "mask": 1, "opacity": 160},)"
        << R"({"kind": "bar", "center": )" << centre << R"(, "flip": "vertical", "mask": 1},)"
        << R"({"kind": "clip", "file": ")" << clipFile << R"(", "center": )" << centre << "},"
        << R"({"kind": "text", "center": )" << centre << "}]}";
  const std::string sceneFile = (temp / "scene.json").string();
  picturefiles::WriteText(sceneFile, scene.str());
  const std::string fromScene = (temp / "scene.bmp").string();
  std::ostringstream out, err;
  ASSERT_EQ(RunCli({"render", sceneFile, fromScene}, out, err), 0) << err.str();

  const auto a = testsupport::ReadFileBytes(fromEditor);
  const auto b = testsupport::ReadFileBytes(fromScene);
  ASSERT_EQ(a.size(), b.size());
  size_t firstDifference = a.size();
  for (size_t i = 0; i < a.size() && firstDifference == a.size(); ++i)
    if (a[i] != b[i]) firstDifference = i;
  EXPECT_EQ(firstDifference, a.size()) << "files differ from byte " << firstDifference;
}

}  // namespace

}  // namespace pictavia
