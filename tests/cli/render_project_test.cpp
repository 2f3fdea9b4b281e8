// render of an editor project: the same pixels as the document the editor saved, pictures found
// beside the project, a missing picture an error naming the object; and the program itself
// without the widgets library.
#include <gtest/gtest.h>

#include <QProcess>
#include <filesystem>
#include <sstream>

#include "cli/cli_commands.h"
#include "codecs/codecs.h"
#include "document/document_editing.h"
#include "document/document_layers.h"
#include "document/program_folder.h"
#include "document/project_file.h"
#include "picture_files.h"
#include "test_support.h"

namespace pictavia {

namespace {

namespace fs = std::filesystem;

TEST(RenderProject, GivesThePixelsOfTheSavedDocumentAndNamesMissingPictures) {
  RegisterCodecPictureFormats();
  testsupport::TempDir dir;
  fs::create_directories(dir / "Masks");
  picturefiles::WriteJpeg(dir / "Masks" / "2.jpg", 16, 12, 0xFF909090u);
  SetProgramFolder(dir.Path().string() + "/");
  fs::create_directories(dir / "album");
  const std::string photo =
      picturefiles::WriteBmp(dir / "album" / "photo.bmp", 80, 50, 0xFF3070B0u);
  TPictureStore store;
  TDocument doc;
  NewDocumentCanvas(doc, 160, 120, 0xFFFFF8E1u);
  const uint64_t p = AddPhoto(doc, store, photo, Point(80, 60));
  RotateObject(doc, p);
  const std::string mask = (dir / "Masks" / "2.jpg").string();
  ApplyObjectMask(doc, p, TMaskSource{2, mask, store.Mask(mask)});
  FlipObject(doc, p, peFlipHorizontal);
  SetObjectOpacity(doc, p, 180);
  const uint64_t t = AddText(doc, Point(80, 20));
  ApplyObjectText(doc, t, "Hi", TFontSpec{"Arial", 12, fsBold}, 0xFF102080u);
  const std::string project = (dir / "album" / "a.pictavia").string();
  SaveProject(doc, project);

  const std::string out = (dir / "out.bmp").string();
  std::ostringstream o, e;
  ASSERT_EQ(RunCli({"render", project, out}, o, e), 0) << e.str();
  TBitmap32 rendered;
  rendered.LoadFromFile(out);
  const auto expected = FlattenDocument(doc);
  ASSERT_EQ(rendered.Width(), 160);
  int differing = 0;
  for (int i = 0; i < 160 * 120; ++i) differing += rendered.Bits()[i] != expected->Bits()[i];
  EXPECT_EQ(differing, 0);

  // Unlike opening in the editor, render leaves nothing out: it fails and writes nothing.
  fs::remove(photo);
  fs::remove(out);
  std::ostringstream o2, e2;
  EXPECT_EQ(RunCli({"render", project, out}, o2, e2), 1);
  EXPECT_NE(e2.str().find("objects[0].file: no such file"), std::string::npos) << e2.str();
  EXPECT_FALSE(fs::exists(out));
  SetProgramFolder("");
}

TEST(RenderProject, TheProgramLinksNoWidgets) {
  QProcess ldd;
  ldd.start(QStringLiteral("ldd"),
            {QString::fromStdString((testsupport::BinDir() / "pictavia-cli").string())});
  if (!ldd.waitForFinished(30000) || ldd.exitCode() != 0) GTEST_SKIP() << "ldd cannot run here";
  const std::string libraries = ldd.readAllStandardOutput().toStdString();
  EXPECT_NE(libraries.find("libQt6Gui"), std::string::npos) << libraries;
  EXPECT_EQ(libraries.find("libQt6Widgets"), std::string::npos) << libraries;
}

}  // namespace

}  // namespace pictavia
