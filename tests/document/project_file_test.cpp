// Project files: what they hold, where their pictures are looked for, what happens to pictures
// that are gone, and the messages for files that cannot be used at all.
#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include <gtest/gtest.h>

#include "codecs/codecs.h"
#include "document/document_editing.h"
#include "document/document_layers.h"
#include "document/project_file.h"
#include "document/scene.h"
#include "picture_files.h"
#include "test_support.h"

namespace pictavia {

namespace {

namespace fs = std::filesystem;

bool SameBytes(const TBitmap32& A, const TBitmap32& B) {
  if (A.Width() != B.Width() || A.Height() != B.Height()) return false;
  for (int i = 0; i < A.Width() * A.Height(); ++i)
    if (A.Bits()[i] != B.Bits()[i]) return false;
  return true;
}

std::string ErrorOf(const std::function<void()>& Run) {
  try {
    Run();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

class ProjectFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterCodecPictureFormats();
    fs::create_directories(temp / "work" / "pictures");
    fs::create_directories(temp / "masks");
    fs::create_directories(temp / "elsewhere");
    inside = picturefiles::WriteBmp(temp / "work" / "pictures" / "in.bmp", 50, 30, 0xFF3070B0u);
    outside = picturefiles::WriteBmp(temp / "elsewhere" / "out.bmp", 20, 60, 0xFFB07030u);
    clip = picturefiles::WritePng(temp / "work" / "clip.png", 11, 7, 0x80FF00FFu);
    maskFile = picturefiles::WriteJpeg(temp / "masks" / "3.jpg", 16, 12, 0xFF808080u);
    project = (temp / "work" / "collage.pictavia").string();
  }
  // A document with every kind of object and every kind of edit.
  TDocument Everything() {
    TDocument doc;
    NewDocumentCanvas(doc, 300, 200, 0x80FF8040u);
    const uint64_t a = AddPhoto(doc, store, inside, Point(100, 100));
    ApplyObjectMask(doc, a, TMaskSource{3, maskFile, store.Mask(maskFile)});
    RotateObject(doc, a);
    FlipObject(doc, a, peFlipHorizontal);
    SetObjectOpacity(doc, a, 77);
    SetObjectLocation(doc, a, FloatRect(10.25f, 20.125f, 70.3f, 99.9f));
    const uint64_t b = AddPhoto(doc, store, outside, Point(200, 100));
    ApplyObjectMask(doc, b, TMaskSource{0, inside, store.Mask(inside)});
    RemoveObjectMask(doc, b);
    const uint64_t c = AddBar(doc, Point(150, 150));
    SetBarColor(doc, c, 0xFF102030u);
    FlipObject(doc, c, peFlipVertical);
    AddClip(doc, store, clip, Point(20, 20));
    const uint64_t t = AddText(doc, Point(150, 40));
    ApplyObjectText(doc, t, "Fête", TFontSpec{"Arial", 22, fsItalic | fsUnderline}, 0xFF00A000u);
    return doc;
  }

  testsupport::TempDir temp;
  TPictureStore store;
  std::string inside, outside, clip, maskFile, project;
  std::string Masks() const { return (temp / "masks").string(); }
};

TEST_F(ProjectFileTest, SavedAndOpenedAgainGivesTheSamePixelsAndTheSameFile) {
  const TDocument doc = Everything();
  SaveProject(doc, project);
  const auto bytes = testsupport::ReadFileBytes(project);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(text.find("\"pictavia\": 1"), std::string::npos);
  // Below the project's folder: relative; elsewhere: absolute.
  EXPECT_NE(text.find("\"pictures/in.bmp\""), std::string::npos);
  EXPECT_NE(text.find("\"" + fs::path(outside).lexically_normal().string() + "\""),
            std::string::npos);
  EXPECT_NE(text.find("\"mask\": 3"), std::string::npos);

  TPictureStore other;
  const TOpenedProject opened = OpenProject(project, other, Masks());
  EXPECT_TRUE(opened.LeftOut.empty());
  EXPECT_TRUE(SameBytes(*FlattenDocument(opened.Document), *FlattenDocument(doc)));
  EXPECT_EQ(ProjectJson(opened.Document, (temp / "work").string()), text);
}

TEST_F(ProjectFileTest, AMovedProjectFolderTakesItsPicturesAlong) {
  SaveProject(Everything(), project);
  fs::rename(temp / "work", temp / "moved");
  const TOpenedProject opened =
      OpenProject((temp / "moved" / "collage.pictavia").string(), store, Masks());
  EXPECT_TRUE(opened.LeftOut.empty());
  EXPECT_EQ(opened.Document.Objects[0]->File,
            (temp / "moved" / "pictures" / "in.bmp").lexically_normal().string());
}

TEST_F(ProjectFileTest, MissingOrUnreadablePicturesLeaveTheirObjectsOutAndTheRestOpens) {
  SaveProject(Everything(), project);
  fs::remove(outside);
  picturefiles::WriteText(clip, "not a png");
  const TOpenedProject opened = OpenProject(project, store, Masks());
  ASSERT_EQ(opened.LeftOut.size(), 2u);
  EXPECT_NE(opened.LeftOut[0].find("objects[1].file: no such file"), std::string::npos)
      << opened.LeftOut[0];
  EXPECT_NE(opened.LeftOut[1].find("objects[3].file"), std::string::npos) << opened.LeftOut[1];
  ASSERT_EQ(opened.Document.Objects.size(), 3u);
  EXPECT_EQ(opened.Document.Objects[0]->Kind, okPhoto);
  EXPECT_EQ(opened.Document.Objects[1]->Kind, okBar);
  EXPECT_EQ(opened.Document.Objects[2]->Kind, okText);
  const std::string message = LeftOutMessage(project, opened.LeftOut);
  EXPECT_NE(message.find(project), std::string::npos);
  EXPECT_NE(message.find("objects[1]"), std::string::npos);
}

TEST_F(ProjectFileTest, FilesThatCannotBeUsedNameTheFileAndTheReason) {
  picturefiles::WriteText(project, "{\n  \"pictavia\": 1,\n  \"canvas\": {\"width\": 10,,}\n}");
  const std::string json = ErrorOf([&] { OpenProject(project, store, Masks()); });
  EXPECT_NE(json.find(project), std::string::npos) << json;
  EXPECT_NE(json.find("line 3, column 2"), std::string::npos) << json;

  struct Case {
    std::string Json, Expected;
  };
  const std::string canvas = R"("canvas": {"width": 10, "height": 10})";
  const Case cases[] = {
      {R"({"pictavia": 2, )" + canvas + "}", "pictavia: must be a whole number from 1 to 1"},
      {R"({"pictavia": 1, )" + canvas + R"(, "objects": [{"kind": "bar", "edits": "rotate"}]})",
       "objects[0].edits: must be a list of edits"},
      {R"({"pictavia": 1, )" + canvas + R"(, "objects": [{"kind": "bar", "edits": ["spin"]}]})",
       "objects[0].edits[0]: must be"},
      {R"({"pictavia": 1, )" + canvas +
           R"(, "objects": [{"kind": "bar", "edits": [], "rotate": 1}]})",
       "objects[0]: give either edits or rotate, flip and mask, not both"},
      {R"({"pictavia": 1, )" + canvas + R"(, "objects": [{"kind": "bar", "opacity": 300}]})",
       "objects[0].opacity: must be a whole number from 0 to 255"},
      {R"({"pictavia": 1, )" + canvas + R"(, "objects": [{"kind": "clip", "size": 3}]})",
       "objects[0].size: not a field of a clip"},
      {std::string(5000, '[') + std::string(5000, ']'), "not valid JSON"},
      // Longer than the text box takes: refused before anything measures or draws it.
      {R"({"pictavia": 1, )" + canvas + R"(, "objects": [{"kind": "text", "text": ")" +
           std::string(5000000, 'W') + R"("}]})",
       "objects[0].text: must be a text of 1 to 32767 characters"},
      {R"({"pictavia": 1, )" + canvas + R"(, "objects": [{"kind": "text", "font": {"name": ")" +
           std::string(100000, 'A') + R"("}}]})",
       "objects[0].font.name: must be a font name of at most 255 characters"},
  };
  for (const Case& c : cases) {
    picturefiles::WriteText(project, c.Json);
    const std::string error = ErrorOf([&] { OpenProject(project, store, Masks()); });
    EXPECT_NE(error.find(c.Expected), std::string::npos) << c.Json.substr(0, 80) << "\n" << error;
  }
  // Without the version key the edits of a project are not scene fields.
  picturefiles::WriteText(project,
                          "{" + canvas + R"(, "objects": [{"kind": "bar", "edits": []}]})");
  EXPECT_NE(ErrorOf([&] {
              OpenProject(project, store, Masks());
            }).find("objects[0].edits: not a field of a bar"),
            std::string::npos);
}

TEST_F(ProjectFileTest, FoldersAndFifosAreRefusedWithoutReadingThem) {
  const std::string fifo = (temp / "fifo.pictavia").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_NE(ErrorOf([&] { OpenProject(fifo, store, Masks()); }).find("not a regular file"),
            std::string::npos);
  EXPECT_NE(ErrorOf([&] {
              OpenProject((temp / "work").string(), store, Masks());
            }).find("not a regular file"),
            std::string::npos);
  // A picture path naming a folder or a FIFO leaves the object out, and never blocks.
  picturefiles::WriteText(project, R"({"pictavia": 1, "canvas": {"width": 10, "height": 10},
      "objects": [{"kind": "photo", "file": "pictures"}, {"kind": "photo", "file": ")" +
                                       fifo + R"("}, {"kind": "bar"}]})");
  const TOpenedProject opened = OpenProject(project, store, Masks());
  ASSERT_EQ(opened.LeftOut.size(), 2u);
  EXPECT_NE(opened.LeftOut[0].find("objects[0].file: "), std::string::npos);
  EXPECT_NE(opened.LeftOut[0].find("is not a regular file"), std::string::npos);
  EXPECT_NE(opened.LeftOut[1].find("objects[1].file: "), std::string::npos);
  EXPECT_EQ(opened.Document.Objects.size(), 1u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

}  // namespace

}  // namespace pictavia
