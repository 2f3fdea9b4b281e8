// What the window keeps between runs: a run is a window made, used and closed, and the next run a
// new window over the same settings folder.
#include <QComboBox>

#include "main_form_test_support.h"

namespace pictavia {

namespace {

class MainFormSettingsTest : public MainFormTest {
 protected:
  // Closes the window as the user does and starts the next run's window.
  void NextRun() {
    Form->close();
    Form = std::make_unique<TMainForm>(nullptr, &Dialogs);
    Form->show();
    Flush();
  }
  // The folder the Add Photo dialog opens in, cancelled.
  std::string PhotoDialogFolder() {
    Dialogs.ClearLog();
    Dialogs.CancelOpen();
    Click(kAddPhoto);
    return Dialogs.RequestsOf(dkOpenPicture).at(0).Open.InitialDir;
  }
  std::string SaveDialogFolder() {
    Dialogs.ClearLog();
    Dialogs.CancelSave();
    Click(kSave);
    return Dialogs.RequestsOf(dkSave).at(0).Save.InitialDir;
  }
};

TEST_F(MainFormSettingsTest, TheDialogsOpenWhereAFileWasLastTakenOrGiven) {
  NextRun();
  EXPECT_EQ(PhotoDialogFolder(), "");
  EXPECT_EQ(SaveDialogFolder(), "");

  std::filesystem::create_directories(temp / "photos");
  std::filesystem::create_directories(temp / "out");
  ASSERT_NE(AddPhoto(PhotoFile("photos/a.bmp", 30, 20)), nullptr);
  Dialogs.AnswerSave((temp / "out" / "collage.bmp").string());
  Click(kSave);
  ASSERT_TRUE(std::filesystem::exists(temp / "out" / "collage.bmp"));
  // A picture that fails to load and a save that fails leave the kept folders as they were.
  std::filesystem::create_directories(temp / "bad");
  Dialogs.AnswerOpen(picturefiles::WriteText(temp / "bad" / "b.jpg", "no picture"));
  Click(kAddPhoto);
  Dialogs.AnswerSave((temp / "gone" / "x.bmp").string());
  Click(kSave);
  EXPECT_EQ(Dialogs.Messages().size(), 2u);

  NextRun();
  EXPECT_EQ(PhotoDialogFolder(), (temp / "photos").string() + "/");
  EXPECT_EQ(SaveDialogFolder(), (temp / "out").string());
  // The clips' dialog keeps starting in the clips folder.
  Dialogs.ClearLog();
  Dialogs.CancelOpen();
  Click(kAddClip);
  EXPECT_EQ(Dialogs.RequestsOf(dkOpenPicture).at(0).Open.InitialDir, Program.string() + "/Clips/");

  // A folder that is gone is not offered.
  std::filesystem::remove_all(temp / "photos");
  NextRun();
  EXPECT_EQ(PhotoDialogFolder(), "");
}

TEST_F(MainFormSettingsTest, TheZoomAndTheWindowsPlaceComeBack) {
  EXPECT_FALSE(Form->RestoreWindowPlace());  // the first run: the program maximises it
  Find<QComboBox>(kZoomList)->setEditText("300%");
  Form->resize(900, 700);
  Flush();
  const QSize size = Form->size();
  NextRun();
  EXPECT_EQ(Form->ImgView->Scale(), 3.0f);
  EXPECT_EQ(Find<QComboBox>(kZoomList)->currentText(), "300%");
  EXPECT_NE(Form->size(), size);
  EXPECT_TRUE(Form->RestoreWindowPlace());
  EXPECT_EQ(Form->size(), size);

  // Kept in this test's settings folder.
  EXPECT_TRUE(std::filesystem::exists(temp / "config" / "pictavia" / "pictavia.conf"));
}

}  // namespace

}  // namespace pictavia
