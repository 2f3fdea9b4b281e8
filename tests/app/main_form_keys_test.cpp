// The keyboard on the focused view, typed as the window system delivers keys: moving, selecting,
// stacking, deleting, and the run of arrow presses that makes one move.
#include <QComboBox>
#include <QTest>

#include "main_form_test_support.h"

namespace pictavia {

namespace {

class MainFormKeysTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    Form->ImgView->setFocus();
  }
  void Key(Qt::Key Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), Key, Modifiers);
    Flush();
  }
  TFloatRect At(TBitmapLayer* Layer) const { return Layer->Location(); }
};

TEST_F(MainFormKeysTest, ArrowsMoveTheSelectionByOneCanvasPixelAndTenWithShift) {
  Form->ImgView->SetScale(2.0f);  // canvas pixels, not screen pixels
  TBitmapLayer* bar = AddBar();
  const TFloatRect start = At(bar);
  Key(Qt::Key_Right);
  Key(Qt::Key_Right);
  Key(Qt::Key_Down, Qt::ShiftModifier);
  Key(Qt::Key_Left, Qt::ShiftModifier);
  Key(Qt::Key_Up);
  const TFloatRect moved = At(bar);
  EXPECT_EQ(moved.Left, start.Left - 8);
  EXPECT_EQ(moved.Right, start.Right - 8);
  EXPECT_EQ(moved.Top, start.Top + 9);
  EXPECT_EQ(moved.Bottom, start.Bottom + 9);
  // The frame went with it, and the object keeps the focus's keys.
  EXPECT_EQ(Form->SelectionFrame()->Location(), moved);
  EXPECT_EQ(QApplication::focusWidget(), Form->ImgView);

  // Nothing selected: the arrows move nothing.
  Key(Qt::Key_Escape);
  EXPECT_EQ(Form->SelectedLayer(), nullptr);
  Key(Qt::Key_Right);
  EXPECT_EQ(At(bar), moved);
}

TEST_F(MainFormKeysTest, ARunOfArrowsIsOneMoveEndedByAnythingElse) {
  TBitmapLayer* lower = AddBar();
  TBitmapLayer* upper = AddBar();
  const TFloatRect start = At(upper);
  EXPECT_FALSE(Form->KeyMoveStart());
  Key(Qt::Key_Left);
  Key(Qt::Key_Left, Qt::ShiftModifier);  // Shift pressed on its own first: still the same run
  Key(Qt::Key_Down);
  ASSERT_TRUE(Form->KeyMoveStart());
  EXPECT_EQ(*Form->KeyMoveStart(), start);
  Key(Qt::Key_PageDown);
  EXPECT_FALSE(Form->KeyMoveStart());

  // A new run starts where the last one ended.
  const TFloatRect second = At(upper);
  Key(Qt::Key_Up);
  ASSERT_TRUE(Form->KeyMoveStart());
  EXPECT_EQ(*Form->KeyMoveStart(), second);
  PressAt(5, 5);  // the empty canvas
  EXPECT_FALSE(Form->KeyMoveStart());

  Form->SelectLayer(lower);
  Form->ImgView->setFocus();
  Key(Qt::Key_Up);
  ASSERT_TRUE(Form->KeyMoveStart());
  Form->SelectLayer(upper);  // Tab, a click on another object, a new object
  EXPECT_FALSE(Form->KeyMoveStart());

  Key(Qt::Key_Up);
  ASSERT_TRUE(Form->KeyMoveStart());
  Find<QComboBox>(kZoomList)->setFocus();
  Flush();
  EXPECT_FALSE(Form->KeyMoveStart());
}

TEST_F(MainFormKeysTest, ARunOfArrowsIsOneUndoStepTakenWhenTheRunEnds) {
  TBitmapLayer* bar = AddBar();
  const TFloatRect start = At(bar);
  TBitmapLayer* selected = Form->SelectedLayer();
  ASSERT_EQ(selected, bar);
  Key(Qt::Key_Right);
  Key(Qt::Key_Right, Qt::ShiftModifier);
  Key(Qt::Key_Down);
  const TFloatRect moved = At(selected);
  ASSERT_EQ(moved.Left, start.Left + 11);
  // The run ends with Escape: the document has the move before anything else happens.
  Key(Qt::Key_Escape);
  ASSERT_EQ(Form->Document().Objects.size(), 1u);
  EXPECT_EQ(Form->Document().Objects[0]->Location, moved);
  // One step undoes the whole run, and redo puts it back.
  Form->Undo();
  ASSERT_EQ(Form->Document().Objects.size(), 1u);
  EXPECT_EQ(Form->Document().Objects[0]->Location, start);
  Form->Redo();
  EXPECT_EQ(Form->Document().Objects[0]->Location, moved);
}

TEST_F(MainFormKeysTest, TabWalksTheObjectsInStackingOrderAndEscapeSelectsNothing) {
  TBitmapLayer* a = AddBar();
  TBitmapLayer* b = AddBar();
  TBitmapLayer* c = AddBar();
  Key(Qt::Key_Escape);
  EXPECT_EQ(Form->SelectedLayer(), nullptr);
  EXPECT_FALSE(Shown(kDelete));
  Key(Qt::Key_Tab);
  EXPECT_EQ(Form->SelectedLayer(), a);  // from nothing: the bottom one
  EXPECT_TRUE(Shown(kDelete));
  Key(Qt::Key_Tab);
  EXPECT_EQ(Form->SelectedLayer(), b);
  Key(Qt::Key_Tab);
  EXPECT_EQ(Form->SelectedLayer(), c);
  Key(Qt::Key_Tab);
  EXPECT_EQ(Form->SelectedLayer(), a);  // round again; the frame is not an object
  Key(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(Form->SelectedLayer(), c);
  Key(Qt::Key_Escape);
  Key(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(Form->SelectedLayer(), c);  // from nothing: the top one
  // The focus stays on the view: Tab is the view's here, not the window's focus chain.
  EXPECT_EQ(QApplication::focusWidget(), Form->ImgView);

  Form->NewCanvas(100, 100, clWhite32);
  Key(Qt::Key_Tab);
  EXPECT_EQ(Form->SelectedLayer(), nullptr);
}

TEST_F(MainFormKeysTest, PageKeysBringUpAndSendDownAndDeleteAsksFirst) {
  TBitmapLayer* lower = AddBar();
  TBitmapLayer* upper = AddBar();
  Form->SelectLayer(lower);
  Key(Qt::Key_PageUp);
  EXPECT_EQ(lower->Index(), 1);
  Key(Qt::Key_PageUp);  // already on top (below the frame)
  EXPECT_EQ(lower->Index(), 1);
  Key(Qt::Key_PageDown);
  EXPECT_EQ(lower->Index(), 0);
  EXPECT_EQ(upper->Index(), 1);

  Dialogs.AnswerMessage(IDNO);
  Key(Qt::Key_Delete);
  ASSERT_EQ(Dialogs.RequestsOf(dkMessageBox).size(), 1u);
  EXPECT_EQ(Dialogs.RequestsOf(dkMessageBox)[0].Text, "Delete the selected?");
  EXPECT_EQ(Form->SelectedLayer(), lower);
  Dialogs.AnswerMessage(IDYES);
  Key(Qt::Key_Delete);
  EXPECT_EQ(Form->SelectedLayer(), nullptr);
  EXPECT_EQ(upper->Index(), 0);

  // Nothing selected: the page keys change nothing and Delete asks nothing.
  Dialogs.ClearLog();
  Key(Qt::Key_PageDown);
  Key(Qt::Key_Delete);
  EXPECT_TRUE(Dialogs.Requests().empty());
  EXPECT_EQ(upper->Index(), 0);
}

}  // namespace

}  // namespace pictavia
