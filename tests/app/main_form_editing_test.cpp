// Selection by the mouse on the real view, frame drags with and without Ctrl, stacking order,
// delete, the quarter turn and the flips.
#include "main_form_test_support.h"

namespace pictavia {

namespace {

class MainFormEditingTest : public MainFormTest {
 protected:
  // A bar at a known place, selected.
  TBitmapLayer* BarAt(const TFloatRect& Where) {
    TBitmapLayer* bar = AddBar();
    Form->SelectionFrame()->SetLocation(Where);
    return bar;
  }
};

TEST_F(MainFormEditingTest, PressesSelectDeselectAndMoveTheSelectedObject) {
  TBitmapLayer* a = BarAt(FloatRect(100, 100, 300, 200));
  TBitmapLayer* b = BarAt(FloatRect(200, 150, 400, 250));  // above a
  PressAt(600, 400);                                       // empty canvas
  EXPECT_EQ(Form->SelectedLayer(), nullptr);
  EXPECT_FALSE(Form->SelectionFrame()->Visible());
  EXPECT_FALSE(Shown(kDelete));
  EXPECT_FALSE(Shown(kPhotoPanel));
  PressAt(120, 120);
  EXPECT_EQ(Form->SelectedLayer(), a);
  EXPECT_TRUE(Form->SelectionFrame()->Visible());
  EXPECT_EQ(Form->ImgView->Layers()->IndexOf(Form->SelectionFrame()), 2);

  // Inside a's frame, where b lies on top, the press goes to the frame and moves a.
  Drag(250, 170, 260, 190);
  EXPECT_EQ(Form->SelectedLayer(), a);
  EXPECT_EQ(a->Location(), FloatRect(110, 120, 310, 220));
  EXPECT_EQ(b->Location(), FloatRect(200, 150, 400, 250));
  PressAt(390, 240);  // b outside a's frame
  EXPECT_EQ(Form->SelectedLayer(), b);
}

TEST_F(MainFormEditingTest, EdgeDragsKeepTheOppositeEdgeAndCtrlResizesAboutTheCentre) {
  TBitmapLayer* bar = BarAt(FloatRect(120, 180, 520, 300));
  Drag(520, 240, 560, 240, Qt::ControlModifier);
  EXPECT_EQ(bar->Location(), FloatRect(80, 180, 560, 300));

  Form->SelectionFrame()->SetLocation(FloatRect(120, 180, 520, 300));
  Drag(520, 240, 250, 240, Qt::ControlModifier);  // past the centre
  EXPECT_EQ(bar->Location(), FloatRect(318, 180, 322, 300));

  Form->SelectionFrame()->SetLocation(FloatRect(120, 180, 520, 300));
  Drag(520, 300, 540, 330, Qt::ControlModifier);  // bottom-right corner
  EXPECT_EQ(bar->Location(), FloatRect(100, 150, 540, 330));

  Form->SelectionFrame()->SetLocation(FloatRect(120, 180, 520, 300));
  Drag(520, 240, 560, 240);
  EXPECT_EQ(bar->Location(), FloatRect(120, 180, 560, 300));
  Drag(560, 240, 20, 240);  // without Ctrl the minimum is one unit
  EXPECT_EQ(bar->Location(), FloatRect(120, 180, 121, 300));
}

TEST_F(MainFormEditingTest, UpAndDownStopAtTheEndsAndDeleteAsksFirst) {
  TBitmapLayer* a = BarAt(FloatRect(0, 0, 50, 50));
  TBitmapLayer* b = BarAt(FloatRect(60, 0, 110, 50));
  TBitmapLayer* c = BarAt(FloatRect(120, 0, 170, 50));
  Click(kBringUp);  // c is already on top
  EXPECT_EQ(c->Index(), 2);
  Click(kSendDown);
  EXPECT_EQ(c->Index(), 1);
  EXPECT_EQ(b->Index(), 2);
  PressAt(10, 10);
  ASSERT_EQ(Form->SelectedLayer(), a);
  Click(kSendDown);  // a is at the bottom
  EXPECT_EQ(a->Index(), 0);
  Click(kBringUp);
  EXPECT_EQ(a->Index(), 1);

  Dialogs.AnswerMessage(IDNO);
  Click(kDelete);
  EXPECT_EQ(Form->SelectedLayer(), a);
  EXPECT_EQ(Form->ImgView->Layers()->Count(), 4);
  const TDialogRequest question = Dialogs.RequestsOf(dkMessageBox).back();
  EXPECT_EQ(question.Text, "Delete the selected?");
  EXPECT_EQ(question.Caption, "Please make sure");
  EXPECT_EQ(question.Flags, 36);
  Dialogs.AnswerMessage(IDYES);
  Click(kDelete);
  EXPECT_EQ(Form->SelectedLayer(), nullptr);
  EXPECT_EQ(Form->ImgView->Layers()->Count(), 3);
  EXPECT_EQ(Form->ImgView->Layers()->IndexOf(a), -1);
  EXPECT_FALSE(Shown(kDelete));
}

TEST_F(MainFormEditingTest, RotateTurnsAboutTheCentreAndFlipsMirrorInPlace) {
  TBitmapLayer* bar = BarAt(FloatRect(120, 180, 520, 300));
  bar->Bitmap().SetPixel(0, 0, clRed32);
  Click(kRotate);
  EXPECT_EQ(bar->Location(), FloatRect(260, 40, 380, 440));
  EXPECT_EQ(Form->SelectionFrame()->Location(), FloatRect(260, 40, 380, 440));
  EXPECT_EQ(bar->Bitmap().Width(), 50);
  EXPECT_EQ(bar->Bitmap().GetPixel(49, 0), clRed32);
  Click(kFlipHorizontal);
  EXPECT_EQ(bar->Bitmap().GetPixel(0, 0), clRed32);
  Click(kFlipVertical);
  EXPECT_EQ(bar->Bitmap().GetPixel(0, 99), clRed32);
  EXPECT_EQ(bar->Location(), FloatRect(260, 40, 380, 440));
}

}  // namespace

}  // namespace pictavia
