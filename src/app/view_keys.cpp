// The keyboard on the focused view: arrows move the selected object, Escape selects nothing, Tab
// walks the objects in stacking order, Page Up and Page Down bring up and send down. Delete and
// the zoom keys are the menu's shortcuts.
#include <QKeyEvent>
#include <QToolButton>

#include "app/main_form.h"

namespace pictavia {

namespace {

// Canvas pixels an arrow moves the selection: one, or ten with Shift.
constexpr float kArrowStep = 1.0f;
constexpr float kShiftArrowStep = 10.0f;

}  // namespace

bool TMainForm::ViewKeyPress(const QKeyEvent& Key) {
  const Qt::KeyboardModifiers modifiers = Key.modifiers() & ~Qt::KeypadModifier;
  const float step = (modifiers & Qt::ShiftModifier) ? kShiftArrowStep : kArrowStep;
  const bool plain = (modifiers & ~Qt::ShiftModifier) == Qt::NoModifier;
  switch (Key.key()) {
    // Shift on its own (pressed to make the steps longer) does not end a run.
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
      return false;
    case Qt::Key_Left:
      return plain && MoveSelectionByKey(-step, 0);
    case Qt::Key_Right:
      return plain && MoveSelectionByKey(step, 0);
    case Qt::Key_Up:
      return plain && MoveSelectionByKey(0, -step);
    case Qt::Key_Down:
      return plain && MoveSelectionByKey(0, step);
    default:
      break;
  }
  EndKeyMove();
  if (modifiers != Qt::NoModifier && Key.key() != Qt::Key_Backtab) return false;
  switch (Key.key()) {
    case Qt::Key_Escape:
      SelectLayer(nullptr);
      return true;
    case Qt::Key_Tab:
      SelectLayer(NextObject(1));
      return true;
    case Qt::Key_Backtab:
      SelectLayer(NextObject(-1));
      return true;
    // Only while their buttons are shown, as the menu's entries.
    case Qt::Key_PageUp:
      if (!BitBtn6->isHidden()) BitBtn6Click();
      return true;
    case Qt::Key_PageDown:
      if (!BitBtn7->isHidden()) BitBtn7Click();
      return true;
    default:
      return false;
  }
}

bool TMainForm::MoveSelectionByKey(float DX, float DY) {
  if (!selectedLayer_ || !selectionFrame_) return false;
  BeginKeyMove();
  TFloatRect location = selectionFrame_->Location();
  location.Left += DX;
  location.Right += DX;
  location.Top += DY;
  location.Bottom += DY;
  // Through the frame, as a drag moves it: the object follows its frame.
  selectionFrame_->SetLocation(location);
  return true;
}

TBitmapLayer* TMainForm::NextObject(int Direction) const {
  std::vector<TBitmapLayer*> objects;
  TLayerCollection& layers = *ImgView->Layers();
  for (int i = 0; i < layers.Count(); ++i)
    if (auto* object = dynamic_cast<TBitmapLayer*>(layers.Items(i))) objects.push_back(object);
  if (objects.empty()) return nullptr;
  const auto count = static_cast<int>(objects.size());
  int at = -1;
  for (int i = 0; i < count; ++i)
    if (objects[i] == selectedLayer_) at = i;
  // From nothing selected, Tab starts at the bottom and Shift+Tab at the top.
  if (at < 0) return objects[Direction > 0 ? 0 : count - 1];
  return objects[(at + Direction + count) % count];
}

void TMainForm::BeginKeyMove() {
  if (!keyMoveStart_) keyMoveStart_ = selectionFrame_->Location();
}

void TMainForm::EndKeyMove() {
  // The run becomes one undo step now, so that recovery and the history have it at once.
  if (keyMoveStart_) AdoptFrameLocation();
  keyMoveStart_.reset();
}

}  // namespace pictavia
