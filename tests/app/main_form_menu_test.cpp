// The menu bar: its entries and their standard keys, the handlers they share with the toolbar's
// buttons, and the object entries that are usable only while their buttons are shown.
#include <set>
#include <vector>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include "app/internal/new_image_form.h"
#include "main_form_test_support.h"

namespace pictavia {

namespace {

class MainFormMenuTest : public MainFormTest {
 protected:
  QAction* Entry(const std::string& Name) const {
    auto* entry = Form->findChild<QAction*>(QString::fromStdString(Name));
    EXPECT_NE(entry, nullptr) << "no menu entry " << Name;
    return entry;
  }
  bool Usable(const std::string& Name) const { return Entry(Name)->isEnabled(); }
  // The entry chosen as the user chooses it, which only an enabled entry can be.
  void Choose(const std::string& Name) {
    QAction* entry = Entry(Name);
    ASSERT_TRUE(entry->isEnabled()) << Name << " is disabled";
    entry->trigger();
    Flush();
  }
  // A menu's entries by name, in order, separators as "-".
  std::vector<std::string> EntriesOf(const char* Menu) const {
    std::vector<std::string> names;
    for (QAction* entry : Form->findChild<QMenu*>(QString::fromLatin1(Menu))->actions())
      names.push_back(entry->isSeparator() ? "-" : entry->objectName().toStdString());
    return names;
  }
  // Keys typed into Target of the active window, shortcuts matched as for a user.
  void Type(QWidget* Target, const QKeySequence& Keys) {
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    Target->setFocus();
    QTest::keySequence(Target, Keys);
    Flush();
  }
  QString ZoomText() const { return Find<QComboBox>(kZoomList)->currentText(); }
};

TEST_F(MainFormMenuTest, MenusHoldTheCommandsWithTheDesktopsStandardKeys) {
  QMenuBar* bar = Form->menuBar();
  std::vector<std::string> titles;
  for (QAction* menu : bar->actions()) titles.push_back(menu->text().toStdString());
  EXPECT_EQ(titles, (std::vector<std::string>{"&File", "&Edit", "&View", "&Help"}));
  EXPECT_LE(bar->geometry().bottom(), Find<QWidget>("Panel1")->mapTo(Form.get(), QPoint()).y());

  EXPECT_EQ(EntriesOf(kMenuFile),
            (std::vector<std::string>{kNewEntry, kOpenProjectEntry, kSaveProjectEntry,
                                      kSaveProjectAsEntry, "-", kSavePictureEntry, kExportEntry,
                                      "-", kExitEntry}));
  EXPECT_EQ(EntriesOf(kMenuEdit),
            (std::vector<std::string>{kUndoEntry, kRedoEntry, "-", kDeleteEntry, kBringUpEntry,
                                      kSendDownEntry}));
  std::vector<std::string> view{kZoomInEntry, kZoomOutEntry, "-"};
  for (int percent : {25, 50, 75, 100, 200, 300, 400, 800, 1600})
    view.push_back(ZoomStepEntry(percent));
  EXPECT_EQ(EntriesOf(kMenuView), view);
  EXPECT_EQ(EntriesOf(kMenuHelp), std::vector<std::string>{kHelpEntry});
  EXPECT_EQ(Entry(kSavePictureEntry)->text(), QString::fromUtf8("Save &Picture…"));
  EXPECT_EQ(Entry(ZoomStepEntry(25))->text(), "25%");

  const std::pair<const char*, QKeySequence::StandardKey> keys[] = {
      {kNewEntry, QKeySequence::New},
      {kExitEntry, QKeySequence::Quit},
      {kDeleteEntry, QKeySequence::Delete},
      {kZoomInEntry, QKeySequence::ZoomIn},
      {kZoomOutEntry, QKeySequence::ZoomOut},
      {kHelpEntry, QKeySequence::HelpContents},
      {kOpenProjectEntry, QKeySequence::Open},
      {kSaveProjectEntry, QKeySequence::Save},
      {kSaveProjectAsEntry, QKeySequence::SaveAs},
      {kUndoEntry, QKeySequence::Undo},
      {kRedoEntry, QKeySequence::Redo}};
  for (const auto& [name, key] : keys)
    EXPECT_EQ(Entry(name)->shortcuts().mid(0, QKeySequence::keyBindings(key).size()),
              QKeySequence::keyBindings(key))
        << name;
  EXPECT_EQ(Entry(kZoomInEntry)->shortcuts().last(), QKeySequence(Qt::CTRL | Qt::Key_Equal));
  EXPECT_EQ(Entry(ZoomStepEntry(100))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_0));
  EXPECT_EQ(Entry(kNewEntry)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
  for (const char* name : {kSavePictureEntry, kExportEntry, kBringUpEntry, kSendDownEntry})
    EXPECT_TRUE(Entry(name)->shortcuts().isEmpty()) << name;
  // The projects' entries and Export can be chosen, Undo and Redo while there is a step for them.
  EXPECT_TRUE(Usable(kExportEntry));
  for (const char* name : {kOpenProjectEntry, kSaveProjectEntry, kSaveProjectAsEntry})
    EXPECT_TRUE(Usable(name)) << name;
  EXPECT_FALSE(Usable(kUndoEntry));
  EXPECT_FALSE(Usable(kRedoEntry));
  Click(kAddColorBar);
  EXPECT_TRUE(Usable(kUndoEntry));
  Choose(kUndoEntry);
  EXPECT_TRUE(Form->Document().Objects.empty());
  EXPECT_FALSE(Usable(kUndoEntry));
  EXPECT_TRUE(Usable(kRedoEntry));
  Choose(kRedoEntry);
  EXPECT_EQ(Form->Document().Objects.size(), 1u);

  // A key given to two entries would reach neither.
  std::set<QString> taken;
  for (QAction* entry : Form->findChildren<QAction*>())
    for (const QKeySequence& key : entry->shortcuts())
      EXPECT_TRUE(taken.insert(key.toString()).second) << key.toString().toStdString();
}

TEST_F(MainFormMenuTest, TheWindowGrowsByTheMenuBarAndKeepsItsDesignedClientArea) {
  EXPECT_EQ(Form->centralWidget()->size(), QSize(1016, 731));
  EXPECT_EQ(Form->height(), 731 + Form->menuBar()->height());
  EXPECT_EQ(Find<QWidget>("Panel1")->height(), 81);
  EXPECT_EQ(Find<QWidget>("SidePanel")->width(), 223);
}

TEST_F(MainFormMenuTest, EntriesRunTheButtonsHandlers) {
  TBitmapLayer* lower = AddBar();
  TBitmapLayer* upper = AddBar();
  Form->SelectLayer(lower);
  Choose(kBringUpEntry);
  EXPECT_EQ(lower->Index(), 1);
  Choose(kSendDownEntry);
  EXPECT_EQ(lower->Index(), 0);

  Dialogs.AnswerMessage(IDNO);
  Choose(kDeleteEntry);
  ASSERT_EQ(Dialogs.RequestsOf(dkMessageBox).size(), 1u);
  EXPECT_EQ(Dialogs.RequestsOf(dkMessageBox)[0].Text, "Delete the selected?");
  EXPECT_EQ(Dialogs.RequestsOf(dkMessageBox)[0].Caption, "Please make sure");
  EXPECT_EQ(Dialogs.RequestsOf(dkMessageBox)[0].Flags, 36);
  EXPECT_EQ(Form->SelectedLayer(), lower);
  Dialogs.AnswerMessage(IDYES);
  Choose(kDeleteEntry);
  EXPECT_EQ(Form->SelectedLayer(), nullptr);
  EXPECT_EQ(Form->ImgView->Layers()->Count(), 2);  // the other bar and the frame
  EXPECT_EQ(upper->Index(), 0);

  Dialogs.ClearLog();
  Dialogs.AnswerMessage(IDNO);
  Choose(kExitEntry);
  ASSERT_EQ(Dialogs.RequestsOf(dkMessageBox).size(), 1u);
  EXPECT_EQ(Dialogs.RequestsOf(dkMessageBox)[0].Text, "Are you sure to quit?");
  EXPECT_TRUE(Form->isVisible());

  Dialogs.AnswerDocument(true);
  Choose(kHelpEntry);
  ASSERT_EQ(Dialogs.RequestsOf(dkDocument).size(), 1u);
  EXPECT_EQ(std::filesystem::path(Dialogs.RequestsOf(dkDocument)[0].Text), Program / "help.html");

  Dialogs.CancelSave();
  Choose(kSavePictureEntry);
  ASSERT_EQ(Dialogs.RequestsOf(dkSave).size(), 1u);
  EXPECT_EQ(Dialogs.RequestsOf(dkSave)[0].Save.Title, Form->SaveDialog1().Title);

  WhenShown<TNewImageForm>([](TNewImageForm& d) {
    d.UpDown1->SetPosition(300);
    d.Button2->click();
  });
  Choose(kNewEntry);
  EXPECT_EQ(Form->ImgView->Bitmap()->Width(), 300);
}

TEST_F(MainFormMenuTest, AFailingEntryIsReportedAsItsButtonsFailureIs) {
  const std::string unwritable = (temp / "no such folder" / "out.bmp").string();
  Dialogs.AnswerSave(unwritable);
  Click(kSave);
  const std::vector<std::string> fromButton = Dialogs.Messages();
  ASSERT_EQ(fromButton.size(), 1u);
  Dialogs.ClearLog();
  Dialogs.AnswerSave(unwritable);
  Choose(kSavePictureEntry);
  EXPECT_EQ(Dialogs.Messages(), fromButton);
  EXPECT_TRUE(Form->isVisible());
}

TEST_F(MainFormMenuTest, ObjectEntriesAreUsableOnlyWhileTheirButtonsAreShown) {
  const char* objectEntries[] = {kDeleteEntry, kBringUpEntry, kSendDownEntry};
  for (const char* name : objectEntries) EXPECT_FALSE(Usable(name)) << name;
  for (const char* name :
       {kNewEntry, kSavePictureEntry, kExportEntry, kExitEntry, kZoomInEntry, kHelpEntry})
    EXPECT_TRUE(Usable(name)) << name;

  AddBar();
  for (const char* name : objectEntries) EXPECT_TRUE(Usable(name)) << name;
  PressAt(5, 5);  // the empty canvas
  for (const char* name : objectEntries) EXPECT_FALSE(Usable(name)) << name;

  // A clip keeps delete, up and down (it has no turn and flips).
  Dialogs.AnswerOpen(picturefiles::WritePng(Program / "Clips" / "c.png", 40, 30, 0x80FF0000u));
  Click(kAddClip);
  ASSERT_TRUE(Shown(kDelete));
  for (const char* name : objectEntries) EXPECT_TRUE(Usable(name)) << name;

  Form->NewCanvas(200, 100, clWhite32);
  Dialogs.ClearLog();
  for (const char* name : objectEntries) EXPECT_FALSE(Usable(name)) << name;
  Entry(kDeleteEntry)->trigger();  // asks nothing: a question would fail the test unanswered
  Flush();
  EXPECT_TRUE(Dialogs.Requests().empty());
}

TEST_F(MainFormMenuTest, KeysReachTheEntriesButNotTheTextBeingTyped) {
  Type(Form->ImgView, QKeySequence(QKeySequence::ZoomIn));
  EXPECT_EQ(Form->ImgView->Scale(), 2.0f);
  EXPECT_EQ(ZoomText(), "200%");
  Type(Form->ImgView, QKeySequence(QKeySequence::ZoomOut));
  Type(Form->ImgView, QKeySequence(QKeySequence::ZoomOut));
  EXPECT_EQ(Form->ImgView->Scale(), 0.75f);
  Type(Form->ImgView, QKeySequence(Qt::CTRL | Qt::Key_0));
  EXPECT_EQ(ZoomText(), "100%");
  Type(Form->ImgView, QKeySequence(Qt::CTRL | Qt::Key_Equal));
  EXPECT_EQ(Form->ImgView->Scale(), 2.0f);

  Type(Form->ImgView, QKeySequence(QKeySequence::Delete));  // nothing selected: nothing asked
  EXPECT_TRUE(Dialogs.Requests().empty());
  AddBar();
  Dialogs.AnswerMessage(IDNO);
  Type(Form->ImgView, QKeySequence(QKeySequence::Delete));
  ASSERT_EQ(Dialogs.RequestsOf(dkMessageBox).size(), 1u);
  EXPECT_EQ(Dialogs.RequestsOf(dkMessageBox)[0].Text, "Delete the selected?");

  // Del in the text box deletes a letter, not the text object.
  Dialogs.ClearLog();
  Click(kAddText);
  auto* edit = Find<QLineEdit>(kTextEdit);
  edit->setCursorPosition(0);
  Type(edit, QKeySequence(QKeySequence::Delete));
  EXPECT_EQ(edit->text(), "nter Your Text");
  EXPECT_TRUE(Dialogs.Requests().empty());
  EXPECT_NE(Form->SelectedLayer(), nullptr);
}

TEST_F(MainFormMenuTest, ZoomEntriesTakeTheListsSizesAndTickTheOneShown) {
  Choose(ZoomStepEntry(300));
  EXPECT_EQ(Form->ImgView->Scale(), 3.0f);
  EXPECT_EQ(ZoomText(), "300%");
  Choose(kZoomInEntry);
  EXPECT_EQ(ZoomText(), "400%");
  Choose(kZoomOutEntry);
  Choose(kZoomOutEntry);
  EXPECT_EQ(Form->ImgView->Scale(), 2.0f);

  // The menu ticks the size shown when it opens, and none for a size the list does not hold.
  auto* view = Form->findChild<QMenu*>(QString::fromLatin1(kMenuView));
  auto ticked = [&] {
    view->popup(QPoint(0, 0));
    Flush();
    std::vector<std::string> names;
    for (QAction* entry : view->actions())
      if (entry->isChecked()) names.push_back(entry->objectName().toStdString());
    view->hide();
    Flush();
    return names;
  };
  EXPECT_EQ(ticked(), std::vector<std::string>{ZoomStepEntry(200)});
  Find<QComboBox>(kZoomList)->setEditText("150%");
  EXPECT_TRUE(ticked().empty());
  Choose(kZoomInEntry);
  EXPECT_EQ(ZoomText(), "200%");
  // The largest size is the end: nothing beyond the list.
  Choose(ZoomStepEntry(1600));
  Choose(kZoomInEntry);
  EXPECT_EQ(Form->ImgView->Scale(), 16.0f);
}

}  // namespace

}  // namespace pictavia
