// The main window at start-up, New, Set BackGround, Help and Exit.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/internal/background_form.h"
#include "app/internal/new_image_form.h"
#include "document/composition.h"
#include "main_form_test_support.h"

namespace pictavia {

namespace {

TEST_F(MainFormTest, StartsWithAWhiteCanvasAtFullSizeAndOnlyTheFirstRowShown) {
  EXPECT_EQ(Form->windowTitle(), "Pictavia Vudov  (Ver2.10)");
  const TBitmap32& canvas = *Form->ImgView->Bitmap();
  ASSERT_EQ(canvas.Width(), 640);
  ASSERT_EQ(canvas.Height(), 480);
  EXPECT_EQ(canvas.GetPixel(0, 0), clWhite32);
  EXPECT_EQ(canvas.GetPixel(639, 479), clWhite32);
  EXPECT_EQ(Find<QComboBox>(kZoomList)->currentText(), "100%");
  EXPECT_EQ(Find<QComboBox>(kZoomList)->count(), 9);
  EXPECT_EQ(Find<QComboBox>(kZoomList)->itemText(0), "    25%");
  EXPECT_EQ(Form->ImgView->Scale(), 1.0f);
  EXPECT_EQ(Form->SelectedLayer(), nullptr);
  EXPECT_EQ(Form->ImgView->Layers()->Count(), 0);
  EXPECT_EQ(Form->ImgView->PaintStages()->Items(0).Kind, skCustom);
  for (const char* name : {kNew, kSave, kAddPhoto, kAddClip, kAddColorBar, kAddText, kZoomList,
                           kHelp, kExit, kSetBackground})
    EXPECT_TRUE(Shown(name)) << name;
  for (const char* name : {kDelete, kRotate, kBringUp, kSendDown, kFlipHorizontal, kFlipVertical,
                           kPhotoPanel, kTextPanel})
    EXPECT_FALSE(Shown(name)) << name;
  EXPECT_EQ(Find<QWidget>(kDelete)->toolTip(), "Delete the selected object");
  EXPECT_EQ(Form->MaskThumbs().size(), 30u);
  EXPECT_EQ(Form->MaskThumbs()[2]->objectName().toStdString(), MaskThumb(2));
  EXPECT_EQ(Form->MaskThumbs()[3]->objectName().toStdString(), MaskThumbFrame(2));

  // The checkerboard shows around the centred canvas, fixed to the view's corner.
  Form->ImgView->Repaint();
  Flush();
  ASSERT_GT(Form->ImgView->BitmapToView(0, 0).X, 26);
  EXPECT_EQ(Form->ImgView->Buffer()->GetPixel(0, 0), CheckerGrey);
  EXPECT_EQ(Form->ImgView->Buffer()->GetPixel(13, 0), clWhite32);
  const TPoint inside = Form->ImgView->BitmapToView(1, 1);
  EXPECT_EQ(Form->ImgView->Buffer()->GetPixel(inside.X, inside.Y), clWhite32);
}

TEST_F(MainFormTest, ExitAsksAndOnlyYesCloses) {
  Dialogs.AnswerMessage(IDNO);
  Click(kExit);
  ASSERT_EQ(Dialogs.RequestsOf(dkMessageBox).size(), 1u);
  EXPECT_EQ(Dialogs.RequestsOf(dkMessageBox)[0].Text, "Are you sure to quit?");
  EXPECT_EQ(Dialogs.RequestsOf(dkMessageBox)[0].Caption, "Please make sure");
  EXPECT_EQ(Dialogs.RequestsOf(dkMessageBox)[0].Flags, 36);
  EXPECT_TRUE(Form->isVisible());
  Dialogs.AnswerMessage(IDYES);
  Click(kExit);
  EXPECT_FALSE(Form->isVisible());
}

TEST_F(MainFormTest, HelpOpensThePageAndSaysWhereItIsWhenNothingCan) {
  const std::string page = Program.string() + "/help.html";
  Dialogs.AnswerDocument(true);
  Click(kHelp);
  ASSERT_EQ(Dialogs.RequestsOf(dkDocument).size(), 1u);
  EXPECT_EQ(std::filesystem::path(Dialogs.RequestsOf(dkDocument)[0].Text),
            std::filesystem::path(page));
  EXPECT_TRUE(Dialogs.Messages().empty());

  Dialogs.AnswerDocument(false);
  Click(kHelp);
  ASSERT_EQ(Dialogs.Messages().size(), 1u);
  EXPECT_NE(Dialogs.Messages()[0].find(page), std::string::npos) << Dialogs.Messages()[0];
}

TEST_F(MainFormTest, NewReplacesTheCanvasAndKeepsTheBackgroundSettings) {
  AddBar();
  Form->ImgView->SetScale(2.0f);
  WhenShown<TNewImageForm>([](TNewImageForm& d) {
    d.UpDown1->SetPosition(300);
    d.UpDown2->SetPosition(200);
    d.Panel1->SetBrushColor(clRed);
    d.Button2->click();
  });
  Click(kNew);
  EXPECT_EQ(Form->ImgView->Layers()->Count(), 0);
  EXPECT_EQ(Form->SelectedLayer(), nullptr);
  EXPECT_EQ(Form->SelectionFrame(), nullptr);
  EXPECT_EQ(Form->ImgView->Scale(), 1.0f);
  EXPECT_EQ(Form->ImgView->Bitmap()->Width(), 300);
  EXPECT_EQ(Form->ImgView->Bitmap()->GetPixel(299, 199), clRed32);
  EXPECT_EQ(Form->BackgroundColor(), clWhite);

  // The dialog is the same one next time, with what the user left in it; Cancel changes nothing.
  WhenShown<TNewImageForm>([](TNewImageForm& d) {
    EXPECT_EQ(d.ChosenWidth(), 300);
    d.Button3->click();
  });
  Click(kNew);
  EXPECT_EQ(Form->ImgView->Bitmap()->Width(), 300);
}

TEST_F(MainFormTest, SetBackGroundResizesAndFillsWhileObjectsStay) {
  TBitmapLayer* bar = AddBar();
  const TFloatRect where = bar->Location();
  WhenShown<TFrmBack>([](TFrmBack& d) {
    EXPECT_EQ(d.ImageWidth->text(), "640");
    EXPECT_TRUE(d.RadioButton1->isChecked());
    d.ImageWidth->setText("800");
    d.SetSwatchColor(clBlue);
    d.Button1->click();
  });
  Click(kSetBackground);
  EXPECT_EQ(Form->ImgView->Bitmap()->Width(), 800);
  EXPECT_EQ(Form->ImgView->Bitmap()->Height(), 480);
  EXPECT_EQ(Form->ImgView->Bitmap()->GetPixel(799, 0), clBlue32);
  EXPECT_EQ(Form->BackgroundColor(), clBlue);
  EXPECT_EQ(bar->Location(), where);

  // A picture background is stretched over the canvas and offered again next time.
  const std::string picture = PhotoFile("back.bmp", 20, 10, clGreen32);
  WhenShown<TFrmBack>([picture](TFrmBack& d) {
    d.RadioButton2->setChecked(true);
    d.OpenPictureDialog1.FileName = picture;
    d.Button1->click();
  });
  Click(kSetBackground);
  EXPECT_TRUE(Form->BackgroundIsPicture());
  EXPECT_EQ(Form->ImgView->Bitmap()->GetPixel(400, 240), clGreen32);
  WhenShown<TFrmBack>([picture](TFrmBack& d) {
    EXPECT_TRUE(d.RadioButton2->isChecked());
    EXPECT_EQ(d.OpenPictureDialog1.FileName, picture);
    d.Button2->click();
  });
  Click(kSetBackground);
  EXPECT_EQ(Form->ImgView->Bitmap()->Width(), 800);
}

TEST_F(MainFormTest, SetBackGroundShowsAndKeepsACanvasLargerThanTheArrowsOnceReached) {
  WhenShown<TFrmBack>([](TFrmBack& d) {
    d.ImageWidth->setText("3000");
    d.ImageHeight->setText("2500");
    d.Button1->click();
  });
  Click(kSetBackground);
  ASSERT_EQ(Form->ImgView->Bitmap()->Width(), 3000);
  ASSERT_EQ(Form->ImgView->Bitmap()->Height(), 2500);

  // OK pressed only to change the colour keeps the size.
  WhenShown<TFrmBack>([](TFrmBack& d) {
    EXPECT_EQ(d.ImageWidth->text(), "3000");
    EXPECT_EQ(d.ImageHeight->text(), "2500");
    d.UpDown1->Click(true);  // the arrows stop at the largest size OK accepts
    EXPECT_EQ(d.ImageWidth->text(), "3000");
    d.SetSwatchColor(clYellow);
    d.Button1->click();
  });
  Click(kSetBackground);
  EXPECT_EQ(Form->ImgView->Bitmap()->Width(), 3000);
  EXPECT_EQ(Form->ImgView->Bitmap()->Height(), 2500);
  EXPECT_EQ(Form->ImgView->Bitmap()->GetPixel(2999, 2499), Color32(clYellow));
}

TEST_F(MainFormTest, APictureThatCannotBeDecodedLeavesTheCanvasAsItWas) {
  const std::string broken = picturefiles::WriteText(temp / "broken.jpg", "not a picture");
  std::string expected;
  try {
    TBitmap32 probe;
    probe.LoadFromFile(broken);
  } catch (const std::exception& e) {
    expected = e.what();
  }
  ASSERT_FALSE(expected.empty());
  const std::string empty = picturefiles::WriteText(temp / "empty.jpg", "");

  for (const std::string& file : {broken, empty}) {
    SCOPED_TRACE(file);
    Dialogs.ClearLog();
    WhenShown<TFrmBack>([file](TFrmBack& d) {
      d.ImageWidth->setText("800");
      d.ImageHeight->setText("600");
      d.RadioButton2->setChecked(true);
      d.OpenPictureDialog1.FileName = file;
      d.Button1->click();
    });
    Click(kSetBackground);
    const auto messages = Dialogs.Messages();
    ASSERT_EQ(messages.size(), 1u);
    if (file == broken)
      EXPECT_EQ(messages[0], expected);
    else
      EXPECT_NE(messages[0].find(file), std::string::npos) << messages[0];
    const TBitmap32& canvas = *Form->ImgView->Bitmap();
    EXPECT_EQ(canvas.Width(), 640);
    EXPECT_EQ(canvas.Height(), 480);
    EXPECT_EQ(canvas.GetPixel(0, 0), clWhite32);
    EXPECT_EQ(canvas.GetPixel(639, 479), clWhite32);
    // The background is still the colour it was: the dialog offers it again.
    EXPECT_FALSE(Form->BackgroundIsPicture());
  }
}

}  // namespace

}  // namespace pictavia
