// The zoom list, and Save: its names, the flattened 32-bit file at any zoom, failures.
#include <cerrno>
#include <cstring>

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QWheelEvent>

#include "app/internal/new_image_form.h"
#include "main_form_test_support.h"
#include "toolkit/exceptions.h"
#include "view/range_bars.h"

namespace pictavia {

namespace {

void Type(QLineEdit* Edit, const QString& Text) {
  for (QChar c : Text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(Edit, &press);
  }
}

TEST_F(MainFormTest, ZoomListTakesItemsAndTypingAndRestoresWhatItCannotUse) {
  auto* combo = Find<QComboBox>(kZoomList);
  combo->setCurrentIndex(0);  // "    25%"
  EXPECT_EQ(Form->ImgView->Scale(), 0.25f);
  EXPECT_EQ(combo->currentText(), "25%");
  EXPECT_EQ(combo->lineEdit()->cursorPosition(), 2);

  combo->lineEdit()->selectAll();
  Type(combo->lineEdit(), "150");  // through 1% and 15%
  EXPECT_EQ(combo->currentText(), "150%");
  EXPECT_EQ(Form->ImgView->Scale(), 1.5f);
  combo->setEditText("3000");
  EXPECT_EQ(combo->currentText(), "150%");
  combo->setEditText("abc%");
  EXPECT_EQ(combo->currentText(), "150%");
  combo->setEditText("$20");  // hexadecimal, as the runtime reads it
  EXPECT_EQ(Form->ImgView->Scale(), 0.32f);
  EXPECT_EQ(combo->currentText(), "32%");
}

TEST_F(MainFormTest, CtrlWheelStepsThroughTheZoomListAndThePlainWheelScrolls) {
  auto* combo = Find<QComboBox>(kZoomList);
  auto wheel = [this](int Delta, Qt::KeyboardModifiers Modifiers) {
    const QPointF at(20, 20);
    QWheelEvent e(at, Form->ImgView->mapToGlobal(at), QPoint(), QPoint(0, Delta), Qt::NoButton,
                  Modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Form->ImgView, &e);
    Flush();
  };
  wheel(120, Qt::ControlModifier);
  EXPECT_EQ(Form->ImgView->Scale(), 2.0f);
  EXPECT_EQ(combo->currentText(), "200%");
  wheel(-120, Qt::ControlModifier);
  wheel(-120, Qt::ControlModifier);
  EXPECT_EQ(Form->ImgView->Scale(), 0.75f);
  // A zoom between two sizes goes to the neighbour in the wheel's direction.
  combo->setEditText("150");
  wheel(-120, Qt::ControlModifier);
  EXPECT_EQ(combo->currentText(), "100%");
  // Half notches add up; nothing beyond the list's ends.
  wheel(-60, Qt::ControlModifier);
  EXPECT_EQ(Form->ImgView->Scale(), 1.0f);
  wheel(-60, Qt::ControlModifier);
  EXPECT_EQ(Form->ImgView->Scale(), 0.75f);
  combo->setEditText("25");
  wheel(-120, Qt::ControlModifier);
  EXPECT_EQ(combo->currentText(), "25%");
  combo->setEditText("1600");
  wheel(120, Qt::ControlModifier);
  EXPECT_EQ(combo->currentText(), "1600%");

  // Without Ctrl the wheel scrolls the canvas, which at 1600 % is larger than the view.
  const float top = Form->ImgView->OffsetY();
  wheel(-120, Qt::NoModifier);
  EXPECT_LT(Form->ImgView->OffsetY(), top);
  EXPECT_EQ(combo->currentText(), "1600%");
}

TEST_F(MainFormTest, SaveWritesOnlyBmpNamesAndABareNameGetsTheExtension) {
  AddBar();
  for (const char* name : {"collage.bmp", "COLLAGE.Bmp"}) {
    Dialogs.AnswerSave((temp / name).string());
    Click(kSave);
    EXPECT_TRUE(std::filesystem::exists(temp / name)) << name;
  }
  EXPECT_EQ(Dialogs.RequestsOf(dkSave)[0].Save.Title, "存储为图片");
  EXPECT_EQ(Dialogs.RequestsOf(dkSave)[0].Save.Filter, "Bmp |*.bmp");
  EXPECT_EQ(Dialogs.RequestsOf(dkSave)[0].Save.FileName, "");
  Dialogs.AnswerSave((temp / "bare").string());
  Click(kSave);
  EXPECT_TRUE(std::filesystem::exists(temp / "bare.BMP"));

  TBitmapLayer* bar = AddBar();
  for (const char* name : {"collage.jpg", "collage.png"}) {
    Dialogs.AnswerSave((temp / name).string());
    Click(kSave);
    EXPECT_EQ(Dialogs.Messages().back(), "Please select a proper name and try again!");
    EXPECT_FALSE(std::filesystem::exists(temp / name)) << name;
  }
  EXPECT_EQ(Form->SelectedLayer(), bar);  // a refused name leaves the selection
  Dialogs.CancelSave();
  Click(kSave);
  EXPECT_EQ(Form->SelectedLayer(), bar);
}

TEST_F(MainFormTest, ABareNameAsksBeforeReplacingTheFileItsExtensionLeadsTo) {
  const std::filesystem::path existing = temp / "collage.BMP";
  const std::vector<uint8_t> old = {'k', 'e', 'e', 'p'};
  testsupport::WriteFileBytes(existing, old);
  TBitmapLayer* bar = AddBar();

  // No: back to the dialog, which shows the typed name again; Cancel there writes nothing.
  Dialogs.AnswerSave((temp / "collage").string());
  Dialogs.AnswerMessage(IDNO);
  Dialogs.CancelSave();
  Click(kSave);
  EXPECT_EQ(testsupport::ReadFileBytes(existing), old);
  const auto questions = Dialogs.RequestsOf(dkMessageBox);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0].Text, "collage.BMP already exists.\nDo you want to replace it?");
  EXPECT_EQ(questions[0].Caption, "存储为图片");
  EXPECT_EQ(questions[0].Flags, MB_YESNO | MB_ICONWARNING);
  const auto dialogs = Dialogs.RequestsOf(dkSave);
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[1].Save.FileName, (temp / "collage").string());
  EXPECT_EQ(Form->SelectedLayer(), bar);  // nothing was saved, nothing deselected

  // No, then another bare name whose file does not exist yet: written without a question.
  Dialogs.ClearLog();
  Dialogs.AnswerSave((temp / "collage").string());
  Dialogs.AnswerMessage(IDNO);
  Dialogs.AnswerSave((temp / "other").string());
  Click(kSave);
  EXPECT_EQ(testsupport::ReadFileBytes(existing), old);
  EXPECT_TRUE(std::filesystem::exists(temp / "other.BMP"));
  EXPECT_EQ(Dialogs.RequestsOf(dkMessageBox).size(), 1u);

  // Yes replaces it.
  Dialogs.AnswerSave((temp / "collage").string());
  Dialogs.AnswerMessage(IDYES);
  Click(kSave);
  EXPECT_NE(testsupport::ReadFileBytes(existing), old);
  TBitmap32 saved;
  saved.LoadFromFile(existing.string());
  EXPECT_EQ(saved.Width(), 640);
}

TEST_F(MainFormTest, TheSaveDialogStartsInTheFolderOfTheLastSuccessfulSave) {
  const std::filesystem::path good = temp / "good";
  std::filesystem::create_directories(good);
  Dialogs.AnswerSave((good / "a.bmp").string());
  Click(kSave);
  ASSERT_TRUE(std::filesystem::exists(good / "a.bmp"));

  // A save that fails (no such folder) does not move where the dialog starts.
  Dialogs.AnswerSave((temp / "missing" / "b.bmp").string());
  Click(kSave);
  ASSERT_FALSE(std::filesystem::exists(temp / "missing" / "b.bmp"));
  Dialogs.CancelSave();
  Click(kSave);
  const auto asked = Dialogs.RequestsOf(dkSave);
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(std::filesystem::path(asked[1].Save.InitialDir), good);
  EXPECT_EQ(std::filesystem::path(asked[2].Save.InitialDir), good);
}

TEST_F(MainFormTest, SavedFileIsTheFlattenedCanvasAtAnyZoomWithNothingSelectedAfter) {
  WhenShown<TNewImageForm>([](TNewImageForm& d) {
    d.UpDown1->SetPosition(640);
    d.UpDown2->SetPosition(480);
    d.Panel1->SetBrushColor(clRed);
    d.Button2->click();
  });
  Click(kNew);
  TBitmapLayer* photo = AddPhoto(PhotoFile("white.bmp", 320, 200, clWhite32));
  Find<TGaugeBar>(kOpacitySlider)->SetPosition(128);
  EXPECT_EQ(photo->Bitmap().MasterAlpha(), 128u);
  Find<QComboBox>(kZoomList)->setEditText("200");

  const std::string out = (temp / "flat.bmp").string();
  Dialogs.AnswerSave(out);
  Click(kSave);
  EXPECT_EQ(Form->SelectedLayer(), nullptr);
  EXPECT_FALSE(Shown(kPhotoPanel));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  const auto bytes = testsupport::ReadFileBytes(out);
  ASSERT_GT(bytes.size(), 54u);
  EXPECT_EQ(bytes[18] | bytes[19] << 8, 640);
  EXPECT_EQ(bytes[22] | bytes[23] << 8, 480);
  EXPECT_EQ(bytes[28], 32);
  TBitmap32 saved;
  saved.LoadFromFile(out);
  const TPoint c = Centre();
  const TColor32 mix = saved.GetPixel(c.X, c.Y);
  EXPECT_EQ(RedComponent(mix), 255);
  EXPECT_NEAR(GreenComponent(mix), 128, 1);
  EXPECT_EQ(GreenComponent(mix), BlueComponent(mix));
  EXPECT_EQ(saved.GetPixel(0, 0), clRed32);
  EXPECT_EQ(AlphaComponent(saved.GetPixel(0, 0)), 255);
}

TEST_F(MainFormTest, AFileThatCannotBeWrittenShowsTheWritersMessageAndNothingBreaks) {
  const std::string target = (temp / "no_such_folder" / "x.bmp").string();
  std::string expected;
  try {
    TBitmap32 probe;
    probe.SetSize(1, 1);
    probe.SaveToFile(target);
  } catch (const std::exception& e) {
    expected = e.what();
  }
  ASSERT_FALSE(expected.empty());
  AddBar();
  Dialogs.AnswerSave(target);
  Click(kSave);
  ASSERT_FALSE(Dialogs.Messages().empty());
  EXPECT_EQ(Dialogs.Messages().back(), expected);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(Form->SelectedLayer(), nullptr);
  AddBar();
  EXPECT_NE(Form->SelectedLayer(), nullptr);
}

TEST_F(MainFormTest, AFailedSaveLeavesTheOldPictureAsItWas) {
  AddBar();
  const std::string out = (temp / "collage.bmp").string();
  picturefiles::WriteText(out, "the old picture");
  {
    testsupport::FileSizeLimit limit(100);  // the disk is full after 100 bytes
    Dialogs.AnswerSave(out);
    Click(kSave);
  }
  ASSERT_FALSE(Dialogs.Messages().empty());
  EXPECT_EQ(Dialogs.Messages().back(),
            "Cannot write file \"" + out + "\". " + std::strerror(EFBIG));
  const auto bytes = testsupport::ReadFileBytes(out);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "the old picture");
  EXPECT_EQ(testsupport::FilesIn(temp.Path()).size(), 1u) << "a temporary file was left behind";
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  Dialogs.AnswerSave(out);
  Click(kSave);
  TBitmap32 saved;
  saved.LoadFromFile(out);
  EXPECT_EQ(saved.Width(), 640);
}

}  // namespace

}  // namespace pictavia
