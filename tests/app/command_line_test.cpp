// Starting with files: the names taken from the command line, and the pictures added to the
// start canvas as photos through the real window.
#include <sys/stat.h>

#include "app/application.h"
#include "app/command_line.h"
#include "document/project_file.h"
#include "main_form_test_support.h"

namespace pictavia {

namespace {

TEST(CommandLine, FilesAreTakenAsAbsolutePathsAndADoubleDashEndsTheOptions) {
  const std::string here = std::filesystem::current_path().string();
  EXPECT_EQ(CommandLineFiles({"pictavia"}), std::vector<std::string>{});
  EXPECT_EQ(CommandLineFiles({"pictavia", "a.jpg", "/photos/b c.bmp", "--", "-d.png"}),
            (std::vector<std::string>{here + "/a.jpg", "/photos/b c.bmp", here + "/-d.png"}));
}

using StartupFilesTest = MainFormTest;

TEST_F(StartupFilesTest, PicturesBecomePhotosAsAddPhotoMakesThem) {
  const std::string wide = PhotoFile("wide.bmp", 1000, 200, 0xFF204060u);
  const std::string small = PhotoFile("small.bmp", 30, 20, 0xFFC08040u);
  OpenStartupFiles(*Form, {wide, small});
  EXPECT_TRUE(Dialogs.Requests().empty());
  const std::vector<TBitmapLayer*> started = Objects();
  ASSERT_EQ(started.size(), 2u);
  EXPECT_EQ(Form->SelectedLayer(), started[1]);  // the last one, on top
  EXPECT_EQ(started[1]->Bitmap().GetPixel(0, 0), 0xFFC08040u);

  // The same pictures through Add Photo land in the same places at the same sizes.
  for (size_t i = 0; i < 2; ++i) {
    TBitmapLayer* added = AddPhoto(i == 0 ? wide : small);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->Location(), started[i]->Location()) << i;
  }
  // Fitted to the canvas.
  EXPECT_EQ(started[0]->Location().Right - started[0]->Location().Left, 640.0f);
  EXPECT_EQ(started[0]->Location().Bottom - started[0]->Location().Top, 128.0f);
}

TEST_F(StartupFilesTest, FilesThatCannotBeAddedAreNamedInOneMessageAfterTheOthers) {
  const std::string missing = (temp / "missing.jpg").string();
  const std::string broken = picturefiles::WriteText(temp / "broken.bmp", "BM not a picture");
  const std::string folder = (temp / "folder.bmp").string();
  std::filesystem::create_directory(folder);
  // Reading a FIFO would wait for a writer that never comes.
  const std::string fifo = (temp / "fifo.jpg").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string first = PhotoFile("first.bmp", 40, 30);
  const std::string last = PhotoFile("last.bmp", 50, 40);

  OpenStartupFiles(*Form, {missing, first, broken, fifo, folder, last});
  ASSERT_EQ(Objects().size(), 2u);
  EXPECT_EQ(Form->SelectedLayer(), Objects()[1]);
  ASSERT_EQ(Dialogs.RequestsOf(dkMessageBox).size(), 1u);
  const TDialogRequest message = Dialogs.RequestsOf(dkMessageBox)[0];
  EXPECT_EQ(message.Flags, MB_OK | MB_ICONWARNING);
  EXPECT_EQ(message.Caption, ApplicationTitle());
  EXPECT_EQ(message.Text.rfind("These files could not be added as photos:", 0), 0u) << message.Text;
  for (const std::string& file : {missing, broken, fifo, folder})
    EXPECT_NE(message.Text.find(file + "\n"), std::string::npos) << file << "\n" << message.Text;
  EXPECT_NE(message.Text.find(fifo + "\nNot a regular file"), std::string::npos) << message.Text;
  EXPECT_NE(message.Text.find(folder + "\nA folder, not a picture file"), std::string::npos)
      << message.Text;
  EXPECT_NE(message.Text.find("No such file or directory"), std::string::npos) << message.Text;
  for (const std::string& file : {first, last})
    EXPECT_EQ(message.Text.find(file), std::string::npos) << file;
}

TEST_F(StartupFilesTest, ASavedProjectOpensWithItsObjectsAndThePicturesNamedJoinIt) {
  AddPhoto(PhotoFile("photo.bmp", 90, 60, 0xFF3070B0u));
  AddBar();
  const std::string project = (temp / "trip.pictavia").string();
  Form->SaveProjectAs(project);
  const std::vector<unsigned char> bytes = testsupport::ReadFileBytes(project);
  const std::string saved(bytes.begin(), bytes.end());
  // A new start.
  Form = std::make_unique<TMainForm>(nullptr, &Dialogs);
  Form->show();
  Flush();
  ASSERT_TRUE(Form->Document().Objects.empty());
  Dialogs.ClearLog();

  OpenStartupFiles(*Form, {project});
  EXPECT_TRUE(Dialogs.Requests().empty());
  EXPECT_EQ(Form->ProjectFile(), project);
  EXPECT_FALSE(Form->Modified());
  EXPECT_EQ(ProjectJson(Form->Document(), temp.Path().string()), saved);
  EXPECT_EQ(Objects().size(), 2u);

  // Pictures named before or after it are added to it; a second project is named, not opened.
  const std::string other = picturefiles::WriteText(temp / "other.PICTAVIA", "{}");
  const std::string photo = PhotoFile("later.bmp", 40, 30, 0xFF00FF00u);
  OpenStartupFiles(*Form, {photo, project, other});
  EXPECT_EQ(Form->ProjectFile(), project);
  ASSERT_EQ(Objects().size(), 3u);
  EXPECT_EQ(Form->SelectedLayer(), Objects()[2]);
  EXPECT_EQ(Objects()[2]->Bitmap().GetPixel(0, 0), 0xFF00FF00u);
  EXPECT_TRUE(Form->Modified());
  ASSERT_EQ(Dialogs.Messages().size(), 1u);
  EXPECT_NE(Dialogs.Messages()[0].find(other + "\n" + TMainForm::OneProjectAtATime),
            std::string::npos)
      << Dialogs.Messages()[0];
}

TEST_F(StartupFilesTest, AProjectDoesNotReplaceACollageRestoredAtStart) {
  const std::string project = (temp / "trip.pictavia").string();
  Form->SaveProjectAs(project);
  // What the recovery question leaves when answered Yes: unsaved changes before any file.
  AddPhoto(PhotoFile("kept.bmp", 90, 60));
  ASSERT_TRUE(Form->Modified());
  const std::string photo = PhotoFile("photo.bmp", 40, 30);
  OpenStartupFiles(*Form, {project, photo});
  EXPECT_EQ(Objects().size(), 2u);
  EXPECT_TRUE(Form->Modified());
  ASSERT_EQ(Dialogs.Messages().size(), 1u);
  EXPECT_NE(Dialogs.Messages()[0].find(project + "\nA project: not opened over the collage "
                                                 "restored at start"),
            std::string::npos)
      << Dialogs.Messages()[0];
}

TEST_F(StartupFilesTest, APngWithTransparencyBecomesAClipAndAnOpaqueOneAPhoto) {
  const std::string clip = picturefiles::WritePng(temp / "heart.png", 1200, 30, 0x80FF0000u);
  const std::string opaque = picturefiles::WritePng(temp / "shot.png", 1200, 30, 0xFF00FF00u);
  OpenStartupFiles(*Form, {clip, opaque});
  TLayerCollection& layers = *Form->ImgView->Layers();
  auto* asClip = dynamic_cast<TPngLayer*>(layers.Items(0));
  ASSERT_NE(asClip, nullptr);
  // A clip keeps its natural size; a photo is fitted to the canvas.
  EXPECT_EQ(asClip->Location().Right - asClip->Location().Left, 1200.0f);
  auto* asPhoto = layers.Items(1);
  EXPECT_EQ(dynamic_cast<TPngLayer*>(asPhoto), nullptr);
  EXPECT_EQ(Form->SelectedLayer(), asPhoto);
  EXPECT_EQ(Form->SelectedLayer()->Location().Right - Form->SelectedLayer()->Location().Left,
            640.0f);
  EXPECT_TRUE(Dialogs.Messages().empty());
}

TEST_F(StartupFilesTest, AMessageNamesTenFilesAndCountsTheRest) {
  std::vector<std::string> files;
  for (int i = 0; i < 13; ++i)
    files.push_back((temp / ("gone" + std::to_string(i) + ".jpg")).string());
  OpenStartupFiles(*Form, files);
  ASSERT_EQ(Dialogs.Messages().size(), 1u);
  const std::string text = Dialogs.Messages()[0];
  EXPECT_NE(text.find(files[9] + "\n"), std::string::npos);
  EXPECT_EQ(text.find(files[10] + "\n"), std::string::npos);
  EXPECT_NE(text.find("... and 3 more."), std::string::npos) << text;

  Dialogs.ClearLog();
  OpenStartupFiles(*Form, {files[0]});
  ASSERT_EQ(Dialogs.Messages().size(), 1u);
  EXPECT_EQ(
      Dialogs.Messages()[0].rfind("This file could not be added as a photo:\n\n" + files[0], 0),
      0u);
  EXPECT_TRUE(Objects().empty());
}

}  // namespace

}  // namespace pictavia
