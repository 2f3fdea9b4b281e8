// Adding photos, clips, colour bars and texts through the toolbar, and the text panel.
#include <QLineEdit>
#include <QPushButton>

#include "app/internal/form_controls.h"
#include "main_form_test_support.h"
#include "view/range_bars.h"

namespace pictavia {

namespace {

float W(const TFloatRect& R) {
  return R.Right - R.Left;
}
float H(const TFloatRect& R) {
  return R.Bottom - R.Top;
}

TEST_F(MainFormTest, PhotosAreFittedToTheCanvasAndCentredOnTheView) {
  struct Case {
    int W, H;
    float FitW, FitH;
  } cases[] = {
      {320, 200, 320, 200}, {1280, 960, 640, 480}, {1000, 300, 640, 192}, {300, 1000, 144, 480}};
  for (const Case& c : cases) {
    const std::string file =
        PhotoFile(std::to_string(c.W) + "x" + std::to_string(c.H) + ".bmp", c.W, c.H);
    TBitmapLayer* photo = AddPhoto(file);
    ASSERT_NE(photo, nullptr);
    const TFloatRect r = photo->Location();
    EXPECT_EQ(W(r), c.FitW) << c.W << "x" << c.H;
    EXPECT_EQ(H(r), c.FitH) << c.W << "x" << c.H;
    EXPECT_EQ((r.Left + r.Right) / 2, static_cast<float>(Centre().X));
    EXPECT_EQ((r.Top + r.Bottom) / 2, static_cast<float>(Centre().Y));
    EXPECT_EQ(photo->Bitmap().DrawMode(), dmBlend);
    EXPECT_EQ(Form->SelectionFrame()->Location(), r);
  }
  // The open dialog had the photo filter, and starts in the folder of the last photo.
  const auto opens = Dialogs.RequestsOf(dkOpenPicture);
  ASSERT_EQ(opens.size(), 4u);
  EXPECT_EQ(opens[0].Open.Filter.rfind("All (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)|", 0), 0u);
  EXPECT_EQ(opens[1].Open.InitialDir, temp.Path().string() + "/");
  EXPECT_EQ(Form->ImgView->Layers()->Count(), 5);  // four photos and the frame
  EXPECT_TRUE(Shown(kPhotoPanel));
  EXPECT_FALSE(Shown(kBarColorPanel));
  for (const char* name : {kDelete, kRotate, kBringUp, kSendDown, kFlipHorizontal, kFlipVertical})
    EXPECT_TRUE(Shown(name)) << name;
}

TEST_F(MainFormTest, CancelledOrUnreadablePhotosAddNothing) {
  Dialogs.CancelOpen();
  Click(kAddPhoto);
  const std::string broken = picturefiles::WriteText(temp / "broken.jpg", "no JPEG here");
  AddPhoto(broken);
  EXPECT_EQ(Form->ImgView->Layers()->Count(), 0);
  EXPECT_EQ(Form->SelectedLayer(), nullptr);
  ASSERT_EQ(Dialogs.Messages().size(), 1u);  // the loading's message, from the default handler
  EXPECT_EQ(Form->PhotoFolder(), temp.Path().string() + "/");
}

TEST_F(MainFormTest, APhotoThatDecodesToNothingIsNamedInAMessageAndNotAdded) {
  TBitmapLayer* bar = AddBar();
  const std::string empty = picturefiles::WriteText(temp / "empty.jpg", "");
  AddPhoto(empty);
  EXPECT_EQ(Form->ImgView->Layers()->Count(), 2);  // the bar and the selection frame
  EXPECT_EQ(Form->SelectedLayer(), bar);
  ASSERT_EQ(Dialogs.Messages().size(), 1u);
  EXPECT_EQ(Dialogs.Messages()[0], "\"" + empty + "\" holds no picture (0 x 0 pixels)");
}

TEST_F(MainFormTest, ClipsKeepTheirSizeAndOnlyPngNamesAreTaken) {
  const std::string clip =
      picturefiles::WritePng(Program / "Clips" / "odd.png", 101, 51, 0x80FF0000u);
  Dialogs.AnswerOpen(clip);
  Click(kAddClip);
  auto* layer = dynamic_cast<TPngLayer*>(Form->SelectedLayer());
  ASSERT_NE(layer, nullptr);
  const TPoint c = Centre();
  EXPECT_EQ(layer->Location(), FloatRect(c.X - 50, c.Y - 25, c.X + 50, c.Y + 25));
  EXPECT_EQ(Dialogs.RequestsOf(dkOpenPicture)[0].Open.InitialDir, Program.string() + "/Clips/");
  EXPECT_EQ(Dialogs.RequestsOf(dkOpenPicture)[0].Open.Filter, "Clips(*.png)|*.png");
  // A clip can be deleted and moved, not turned or mirrored; it has no panel.
  for (const char* name : {kDelete, kBringUp, kSendDown}) EXPECT_TRUE(Shown(name)) << name;
  for (const char* name : {kRotate, kFlipHorizontal, kFlipVertical, kPhotoPanel, kTextPanel})
    EXPECT_FALSE(Shown(name)) << name;

  Dialogs.AnswerOpen(PhotoFile("not_a_clip.bmp", 4, 4));
  Click(kAddClip);
  EXPECT_EQ(Dialogs.Messages().back(), "Not a valid clip! (Clip must be png-file)");
  // A clip that does not decode leaves no empty layer behind.
  Dialogs.AnswerOpen(
      picturefiles::WriteText(Program / "Clips" / "broken.PNG", "\x89PNG\r\n\x1a\n?"));
  Click(kAddClip);
  EXPECT_EQ(Form->ImgView->Layers()->Count(), 2);  // the clip and the frame
  EXPECT_EQ(Form->SelectedLayer(), layer);
}

TEST_F(MainFormTest, ColourBarsAndTextsWithTheirPanels) {
  auto* bar = dynamic_cast<TColorLayer*>(AddBar());
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(W(bar->Location()), 400);
  EXPECT_EQ(H(bar->Location()), 120);
  EXPECT_TRUE(Shown(kBarColorPanel));
  EXPECT_EQ(Find<TShape>(kBarColorSwatch)->BrushColor(), clLime);
  EXPECT_EQ(Find<TGaugeBar>(kOpacitySlider)->Position(), 255);

  Click(kAddText);
  auto* text = dynamic_cast<TTextLayer*>(Form->SelectedLayer());
  ASSERT_NE(text, nullptr);
  EXPECT_FALSE(Shown(kPhotoPanel));
  EXPECT_TRUE(Shown(kTextPanel));
  EXPECT_EQ(Find<QLineEdit>(kTextEdit)->text(), "Enter Your Text");
  EXPECT_EQ(Form->Edit1Font().Name(), "Arial");
  EXPECT_EQ(W(text->Location()), static_cast<float>(text->Bitmap().Width()));

  // Apply takes the typed text and returns the object to its natural size from its corner.
  Form->SelectionFrame()->SetLocation(FloatRect(10, 20, 400, 300));
  Find<QLineEdit>(kTextEdit)->setText("Hello");
  Click(kApplyText);
  EXPECT_EQ(text->Text(), "Hello");
  EXPECT_EQ(text->Location(), FloatRect(10, 20, 10 + static_cast<float>(text->Bitmap().Width()),
                                        20 + static_cast<float>(text->Bitmap().Height())));
  EXPECT_EQ(Form->SelectionFrame()->Location(), text->Location());

  // Font: a larger font grows the text to the right and down and the panel around the text box.
  const TFloatRect before = text->Location();
  Dialogs.AnswerFontWith([](TFont& F) { F.SetSize(30); });
  Click(kTextFont);
  EXPECT_EQ(text->Font().Size(), 30);
  EXPECT_EQ(text->Location().Left, before.Left);
  EXPECT_GT(text->Location().Bottom, before.Bottom);
  QLineEdit* edit = Find<QLineEdit>(kTextEdit);
  EXPECT_EQ(Find<QWidget>(kApplyText)->y(), edit->y() + edit->height() + 10);
  EXPECT_EQ(Find<QWidget>(kTextPanel)->height(), edit->height() + 90);

  // Color: the glyphs take the chosen colour.
  Dialogs.AnswerColor(clBlue);
  Click(kTextColor);
  EXPECT_EQ(text->TextColor(), clBlue32);
  EXPECT_EQ(Form->Edit1Font().Color(), clBlue);

  // Two texts are independent; the panel follows the selection.
  Click(kAddText);
  EXPECT_EQ(Find<QLineEdit>(kTextEdit)->text(), "Enter Your Text");
  EXPECT_EQ(text->Text(), "Hello");
}

TEST_F(MainFormTest, ApplyingATextThatDrawsNothingKeepsThePreviousTextAndTheObjectReachable) {
  Click(kAddText);
  auto* text = dynamic_cast<TTextLayer*>(Form->SelectedLayer());
  ASSERT_NE(text, nullptr);
  QLineEdit* edit = Find<QLineEdit>(kTextEdit);
  edit->setText("Hi");
  Click(kApplyText);
  ASSERT_EQ(text->Text(), "Hi");
  const int width = text->Bitmap().Width();

  // Empty, or only a character of no width: the text stays, and so does its size. The font and
  // the colour still apply.
  for (const char* nothing : {"", "\u200b"}) {
    SCOPED_TRACE(nothing);
    edit->setText(QString::fromUtf8(nothing));
    Dialogs.AnswerColor(clBlue);
    Click(kTextColor);
    EXPECT_EQ(text->Text(), "Hi");
    EXPECT_EQ(text->TextColor(), clBlue32);
    EXPECT_EQ(text->Bitmap().Width(), width);
    EXPECT_EQ(edit->text(), "Hi");
    EXPECT_GT(text->Location().Right - text->Location().Left, 0.0f);
  }

  // Still reachable with the mouse: deselected by a press beside it, selected again on it.
  const TFloatRect at = text->Location();
  PressAt(at.Right + 40, at.Bottom + 40);
  ASSERT_EQ(Form->SelectedLayer(), nullptr);
  PressAt((at.Left + at.Right) / 2, (at.Top + at.Bottom) / 2);
  ASSERT_EQ(Form->SelectedLayer(), text);
  for (const char* name : {kRotate, kFlipHorizontal, kFlipVertical}) Click(name);
  EXPECT_EQ(Form->SelectedLayer(), text);
}

}  // namespace

}  // namespace pictavia
