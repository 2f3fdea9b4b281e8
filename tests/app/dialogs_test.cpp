// The New Image and background dialogs: controls and defaults, the up-down model, colour and
// picture choices through the scripted service, and the background dialog's validation order.
#include <filesystem>

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/internal/background_form.h"
#include "app/internal/new_image_form.h"
#include "codecs/codecs.h"
#include "editor_controls.h"
#include "raster/bitmap32.h"
#include "scripted_dialogs.h"
#include "test_support.h"

namespace pictavia {

namespace {

constexpr const char* kBadSize = "Please input valid width and height(10-3000)!";

template <class T>
T* Find(QWidget& Form, const char* Name) {
  T* w = Form.findChild<T*>(QString::fromLatin1(Name));
  EXPECT_NE(w, nullptr) << "no " << Name;
  return w;
}

QString LabelText(QWidget& Form, const char* Name) {
  QLabel* l = Find<QLabel>(Form, Name);
  return l ? l->text() : QString();
}

}  // namespace

TEST(NewImageForm, ControlsAndDefaults) {
  TScriptedDialogs dialogs;
  TNewImageForm form(nullptr, &dialogs);
  EXPECT_EQ(form.windowTitle(), "New Image");
  EXPECT_EQ(LabelText(form, kNewImageWidthLabel), "Width:");
  EXPECT_EQ(LabelText(form, kNewImageHeightLabel), "Height:");
  EXPECT_EQ(LabelText(form, kNewImageWidthUnit), "pixels");
  EXPECT_EQ(LabelText(form, kNewImageHeightUnit), "pixels");
  EXPECT_EQ(LabelText(form, kNewImageColorLabel), "Background Color:");
  EXPECT_EQ(Find<QLineEdit>(form, kNewImageWidth)->text(), "640");
  EXPECT_EQ(Find<QLineEdit>(form, kNewImageHeight)->text(), "480");
  for (const char* name : {kNewImageWidthArrows, kNewImageHeightArrows}) {
    TUpDown* u = Find<TUpDown>(form, name);
    EXPECT_EQ(u->Min(), 1);
    EXPECT_EQ(u->Max(), 2000);
  }
  EXPECT_EQ(Find<TShape>(form, kNewImageSwatch)->BrushColor(), clWhite);
  EXPECT_EQ(Find<QPushButton>(form, kNewImageSelectColor)->text(), "Select");
  EXPECT_FALSE(form.Button1->focusPolicy() & Qt::TabFocus);
  EXPECT_EQ(Find<QPushButton>(form, kNewImageOk)->text(), "OK");
  EXPECT_TRUE(form.Button2->isDefault());
  EXPECT_EQ(Find<QPushButton>(form, kNewImageCancel)->text(), "Cancel");
  EXPECT_EQ(form.ChosenWidth(), 640);
  EXPECT_EQ(form.ChosenHeight(), 480);
  EXPECT_EQ(form.ChosenColor(), clWhite);
  // A fixed dialog border, at least the designed client size.
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_GE(form.width(), 269);
  EXPECT_GE(form.height(), 209);

  form.Button2->click();
  EXPECT_EQ(form.result(), QDialog::Accepted);
  form.Button3->click();
  EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST(NewImageForm, PositionsFollowTypedTextWithinTheRange) {
  TScriptedDialogs dialogs;
  TNewImageForm form(nullptr, &dialogs);
  form.ImageWidth->setText("1500");
  EXPECT_EQ(form.ChosenWidth(), 1500);
  form.ImageWidth->setText("5000");
  EXPECT_EQ(form.ChosenWidth(), 2000);
  form.ImageWidth->setText("0");
  EXPECT_EQ(form.ChosenWidth(), 1);
  form.ImageWidth->setText("abc");  // not a number: the last position stands
  EXPECT_EQ(form.ChosenWidth(), 640);

  // The arrows step from what was typed, stop at the range ends, and write plain digits.
  form.ImageHeight->setText("1234");
  form.UpDown2->Click(true);
  EXPECT_EQ(form.ImageHeight->text(), "1235");
  form.UpDown2->SetPosition(2000);
  form.UpDown2->Click(true);
  EXPECT_EQ(form.ImageHeight->text(), "2000");
  form.UpDown2->SetPosition(1);
  form.UpDown2->Click(false);
  EXPECT_EQ(form.ImageHeight->text(), "1");
  form.UpDown1->SetPosition(1024);
  EXPECT_EQ(form.ImageWidth->text(), "1024");

  // The Up and Down keys in the edit box step like the arrows.
  QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
  QCoreApplication::sendEvent(form.ImageWidth, &up);
  EXPECT_EQ(form.ImageWidth->text(), "1025");
}

TEST(NewImageForm, SelectStartsAtTheSwatchAndKeepsItOnCancel) {
  TScriptedDialogs dialogs;
  TNewImageForm form(nullptr, &dialogs);
  dialogs.AnswerColor(0x123456);
  dialogs.CancelColor();
  form.Button1->click();
  EXPECT_EQ(form.ChosenColor(), 0x123456);
  form.Button1->click();
  EXPECT_EQ(form.ChosenColor(), 0x123456);
  const auto asked = dialogs.RequestsOf(dkColor);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].Color, clWhite);
  EXPECT_EQ(asked[1].Color, 0x123456);
  EXPECT_EQ(asked[0].Parent, &form);
}

TEST(FrmBack, ControlsAndDefaults) {
  TScriptedDialogs dialogs;
  TFrmBack form("/opt/pictavia/", nullptr, &dialogs);
  EXPECT_EQ(form.windowTitle(), "BackGround AdJust");
  EXPECT_EQ(Find<QGroupBox>(form, kBackgroundSizeGroup)->title(), "Adjust Size");
  EXPECT_EQ(Find<QGroupBox>(form, kBackgroundFillGroup)->title(), "Set BackGround");
  EXPECT_EQ(LabelText(form, kBackgroundWidthLabel), "Width:");
  EXPECT_EQ(LabelText(form, kBackgroundHeightLabel), "Height:");
  EXPECT_EQ(LabelText(form, kBackgroundWidthUnit), "pixels");
  EXPECT_EQ(LabelText(form, kBackgroundHeightUnit), "pixels");
  EXPECT_EQ(Find<QLineEdit>(form, kBackgroundWidth)->text(), "1");
  EXPECT_EQ(Find<QLineEdit>(form, kBackgroundHeight)->text(), "1");
  EXPECT_EQ(Find<TUpDown>(form, kBackgroundWidthArrows)->Max(), 3000);
  EXPECT_EQ(Find<QRadioButton>(form, kBackgroundColorOption)->text(),
            "Fill BackGround with a Color.");
  EXPECT_EQ(Find<QRadioButton>(form, kBackgroundPictureOption)->text(),
            "Fill BackGround With a Picture.");
  EXPECT_TRUE(form.RadioButton1->isChecked());
  EXPECT_EQ(Find<QPushButton>(form, kBackgroundSelectColor)->text(), "Select Color");
  EXPECT_EQ(Find<QPushButton>(form, kBackgroundSelectPicture)->text(), "Select Picture");
  EXPECT_TRUE(form.BitBtn1->isEnabled());
  EXPECT_FALSE(form.BitBtn2->isEnabled());
  EXPECT_NE(Find<TShape>(form, kBackgroundSwatch), nullptr);
  EXPECT_EQ(Find<QPushButton>(form, kBackgroundOk)->text(), "OK");
  EXPECT_EQ(Find<QPushButton>(form, kBackgroundCancel)->text(), "Cancel");
  EXPECT_FALSE(form.Accepted());
  EXPECT_GE(form.width(), 471);
  EXPECT_GE(form.height(), 317);
}

TEST(FrmBack, RadioButtonsEnableTheirSelectButtons) {
  TScriptedDialogs dialogs;
  TFrmBack form("", nullptr, &dialogs);
  form.RadioButton2->setChecked(true);  // checked by the caller, as when a picture was used last
  EXPECT_FALSE(form.BitBtn1->isEnabled());
  EXPECT_TRUE(form.BitBtn2->isEnabled());
  EXPECT_FALSE(form.ColorOptionChecked());
  form.RadioButton1->click();
  EXPECT_TRUE(form.BitBtn1->isEnabled());
  EXPECT_FALSE(form.BitBtn2->isEnabled());
}

TEST(FrmBack, SizeValidationRefusesWithOneMessageInOrder) {
  const struct {
    const char* width;
    const char* height;
    bool accepted;
  } cases[] = {
      {"3000", "10", true},   {"10", "3000", true},   {" 640", "+480", true},
      {"$BB8", "0x0A", true}, {"3001", "480", false}, {"9", "480", false},
      {"", "480", false},     {"abc", "480", false},  {"640", "3001", false},
      {"640", "9", false},    {"640", "", false},     {"640", "1,000", false},
      {"-640", "480", false}, {"640 ", "480", false},
  };
  for (const auto& c : cases) {
    TScriptedDialogs dialogs;
    TFrmBack form("", nullptr, &dialogs);
    form.ImageWidth->setText(c.width);
    form.ImageHeight->setText(c.height);
    form.Button1->click();
    const std::string what = std::string("width \"") + c.width + "\", height \"" + c.height + '"';
    EXPECT_EQ(form.Accepted(), c.accepted) << what;
    EXPECT_EQ(form.result(), c.accepted ? QDialog::Accepted : QDialog::Rejected) << what;
    if (c.accepted)
      EXPECT_TRUE(dialogs.Messages().empty()) << what;
    else
      EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{kBadSize}) << what;
  }
}

TEST(FrmBack, PictureOptionWithoutFileAsksOnceMoreAndClosesAccepted) {
  testsupport::TempDir dir;
  TScriptedDialogs dialogs;
  TFrmBack form(dir.Path().string(), nullptr, &dialogs);
  form.ImageWidth->setText("640");
  form.ImageHeight->setText("480");
  form.RadioButton2->setChecked(true);

  // A bad size is reported before the missing picture, and nothing else happens.
  form.ImageWidth->setText("5");
  form.Button1->click();
  EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{kBadSize});
  EXPECT_TRUE(dialogs.RequestsOf(dkOpenPicture).empty());
  EXPECT_FALSE(form.Accepted());

  // Without a file: the message, Select Picture once more (cancelled here), and OK anyway.
  dialogs.ClearLog();
  form.ImageWidth->setText("640");
  form.OpenPictureDialog1.FileName = (dir.Path() / "gone.jpg").string();
  dialogs.CancelOpen();
  form.Button1->click();
  EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{"Please select a photo!"});
  const auto asked = dialogs.RequestsOf(dkOpenPicture);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].Open.InitialDir, (dir.Path() / "BackGround_Photo/").string());
  EXPECT_NE(asked[0].Open.Filter.find("*.bmp"), std::string::npos);
  EXPECT_TRUE(form.Accepted());
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(form.OpenPictureDialog1.FileName, (dir.Path() / "gone.jpg").string());
}

TEST(FrmBack, PictureChoicesStayInTheDialogState) {
  RegisterCodecPictureFormats();
  testsupport::TempDir dir;
  const std::string photo = (dir.Path() / "back.bmp").string();
  TBitmap32 bitmap;
  bitmap.SetSize(4, 3);
  bitmap.SaveToFile(photo);

  TScriptedDialogs dialogs;
  TFrmBack form(dir.Path().string() + "/", nullptr, &dialogs);
  form.RadioButton2->setChecked(true);
  form.ImageWidth->setText("100");
  form.ImageHeight->setText("100");
  dialogs.AnswerOpen(photo);
  form.BitBtn2->click();
  EXPECT_EQ(form.OpenPictureDialog1.FileName, photo);
  const auto asked = dialogs.RequestsOf(dkOpenPicture);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].Open.InitialDir, (dir.Path() / "BackGround_Photo/").string());
  EXPECT_NE(asked[0].Open.Filter.find("*.jpg"), std::string::npos);
  EXPECT_NE(asked[0].Open.Filter.find("*.png"), std::string::npos);

  // With an existing file OK closes at once: no message, no second dialog.
  form.Button1->click();
  EXPECT_TRUE(dialogs.Messages().empty());
  EXPECT_EQ(dialogs.RequestsOf(dkOpenPicture).size(), 1u);
  EXPECT_TRUE(form.Accepted());
}

TEST(FrmBack, ColorSelectionAndCancel) {
  TScriptedDialogs dialogs;
  TFrmBack form("", nullptr, &dialogs);
  form.SetSwatchColor(0x00FF00);
  dialogs.AnswerColor(0x0000FF);
  form.BitBtn1->click();
  EXPECT_EQ(form.SwatchColor(), 0x0000FF);
  ASSERT_EQ(dialogs.RequestsOf(dkColor).size(), 1u);
  EXPECT_EQ(dialogs.RequestsOf(dkColor)[0].Color, 0x00FF00);

  form.Button2->click();
  EXPECT_FALSE(form.Accepted());
  EXPECT_EQ(form.result(), QDialog::Rejected);
}

}  // namespace pictavia
