// TMainForm's menu bar: the toolbar's commands by name, with the desktop's standard keys. An entry
// runs the same handler as its button, through the same guard, and is usable only while that
// button is shown.
#include <functional>

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>

#include "app/internal/main_form_guarded.h"
#include "app/main_form.h"
#include "toolkit/rounding.h"

namespace pictavia {

namespace {

// Enables an entry exactly while its control is shown. The selection shows and hides the object
// buttons; the entry and its shortcut follow without the selection code knowing of the menu.
class TEntryFollowsControl : public QObject {
 public:
  TEntryFollowsControl(QAction* Entry, QWidget* Control)
      : QObject(Entry), entry_(Entry), control_(Control) {
    Control->installEventFilter(this);
    Follow();
  }

 protected:
  bool eventFilter(QObject*, QEvent* Event) override {
    if (Event->type() == QEvent::ShowToParent || Event->type() == QEvent::HideToParent) Follow();
    return false;
  }

 private:
  // isHidden, not isVisible: the entry stays usable while the whole window is minimised.
  void Follow() { entry_->setEnabled(!control_->isHidden()); }

  QAction* entry_;
  QWidget* control_;
};

QMenu* AddMenu(QMenuBar* Bar, const char* Name, const char* Title) {
  QMenu* menu = Bar->addMenu(QString::fromUtf8(Title));
  menu->setObjectName(QString::fromLatin1(Name));
  return menu;
}

// An entry of Menu that runs Command on Key (none for QKeySequence::UnknownKey); given a Control,
// the entry is usable only while the control is shown.
QAction* AddEntry(QMenu* Menu, const char* Name, const QString& Text, QKeySequence::StandardKey Key,
                  std::function<void()> Command, QWidget* Control = nullptr) {
  QAction* entry = Menu->addAction(Text);
  entry->setObjectName(QString::fromLatin1(Name));
  entry->setShortcuts(Key);
  QObject::connect(entry, &QAction::triggered, Menu, std::move(Command));
  if (Control) new TEntryFollowsControl(entry, Control);  // owned by the entry
  return entry;
}

// The zoom list's text as a number of percent ("  200%" -> 200); 0 for anything else.
int ZoomPercent(const QString& Item) {
  QString digits = Item.trimmed();
  if (digits.endsWith(QLatin1Char('%'))) digits.chop(1);
  return digits.toInt();
}

}  // namespace

void TMainForm::CreateMenuBar() {
  // A command as its button runs it.
  const auto handler = [this](void (TMainForm::*Handler)()) {
    return [this, Handler] { Guarded([this, Handler] { (this->*Handler)(); }); };
  };
  const auto text = [](const char* Utf8) { return QString::fromUtf8(Utf8); };
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu"));

  QMenu* file = AddMenu(bar, "menuFile", "&File");
  AddEntry(file, "actionNew", text("&New…"), QKeySequence::New,
           handler(&TMainForm::SpeedButton2Click), SpeedButton2);
  AddEntry(file, "actionOpenProject", text("&Open Project…"), QKeySequence::Open,
           handler(&TMainForm::OpenProjectClick));
  AddEntry(file, "actionSaveProject", text("&Save Project"), QKeySequence::Save,
           [this] { Guarded([this] { SaveProject(); }); });
  AddEntry(file, "actionSaveProjectAs", text("Save Project &As…"), QKeySequence::SaveAs,
           [this] { Guarded([this] { SaveProjectAsClick(); }); });
  file->addSeparator();
  // Ctrl+S is the project's: the flattened picture is a copy of the work, not the work.
  AddEntry(file, "actionSavePicture", text("Save &Picture…"), QKeySequence::UnknownKey,
           handler(&TMainForm::Button2Click), Button2);
  // Usable whenever Save Picture is: both write the canvas.
  AddEntry(file, "actionExport", text("&Export…"), QKeySequence::UnknownKey,
           handler(&TMainForm::ExportClick), Button2);
  file->addSeparator();
  AddEntry(file, "actionExit", text("E&xit"), QKeySequence::Quit,
           handler(&TMainForm::SpeedButton1Click), SpeedButton1);

  QMenu* edit = AddMenu(bar, "menuEdit", "&Edit");
  // Usable while there is a step to undo (redo); the document says when that changes.
  undoEntry_ =
      AddEntry(edit, "actionUndo", text("&Undo"), QKeySequence::Undo, handler(&TMainForm::Undo));
  redoEntry_ =
      AddEntry(edit, "actionRedo", text("&Redo"), QKeySequence::Redo, handler(&TMainForm::Redo));
  undoEntry_->setEnabled(false);
  redoEntry_->setEnabled(false);
  edit->addSeparator();
  AddEntry(edit, "actionDelete", text("&Delete"), QKeySequence::Delete,
           handler(&TMainForm::BitBtn4Click), BitBtn4);
  AddEntry(edit, "actionBringUp", text("Bring &Up"), QKeySequence::UnknownKey,
           handler(&TMainForm::BitBtn6Click), BitBtn6);
  AddEntry(edit, "actionSendDown", text("Send &Down"), QKeySequence::UnknownKey,
           handler(&TMainForm::BitBtn7Click), BitBtn7);

  // The zoom steps are the zoom list's: a step is taken as if the list's text were chosen or
  // typed, and in and out go to the next size of the list as Ctrl + wheel does.
  QMenu* view = AddMenu(bar, "menuView", "&View");
  QAction* zoomIn = AddEntry(
      view, "actionZoomIn", text("Zoom &In"), QKeySequence::ZoomIn,
      [this] { Guarded([this] { ZoomByWheel(1); }); }, ScaleCombo);
  // Ctrl and the key that carries "+" unshifted on most layouts.
  zoomIn->setShortcuts(zoomIn->shortcuts() << QKeySequence(Qt::CTRL | Qt::Key_Equal));
  AddEntry(
      view, "actionZoomOut", text("Zoom &Out"), QKeySequence::ZoomOut,
      [this] { Guarded([this] { ZoomByWheel(-1); }); }, ScaleCombo);
  view->addSeparator();
  auto* steps = new QActionGroup(view);
  steps->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  for (int i = 0; i < ScaleCombo->count(); ++i) {
    const QString item = ScaleCombo->itemText(i);
    const std::string name = "actionZoom" + std::to_string(ZoomPercent(item));
    QAction* step = AddEntry(
        view, name.c_str(), item.trimmed(), QKeySequence::UnknownKey,
        [this, item] { ScaleCombo->setEditText(item); }, ScaleCombo);
    step->setCheckable(true);
    steps->addAction(step);
    if (ZoomPercent(item) == 100) step->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
  }
  // The step of the zoom shown is ticked; none when the zoom is not one of the list's sizes.
  connect(view, &QMenu::aboutToShow, this, [this, steps] {
    const int shown = SaturatedRound(ImgView->Scale() * 100.0f);
    for (QAction* step : steps->actions()) step->setChecked(ZoomPercent(step->text()) == shown);
  });

  QMenu* help = AddMenu(bar, "menuHelp", "&Help");
  AddEntry(help, "actionHelp", text("Pictavia &Help"), QKeySequence::HelpContents,
           handler(&TMainForm::SpeedButton3Click), SpeedButton3);
}

}  // namespace pictavia
