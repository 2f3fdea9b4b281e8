// Small controls the editor's forms share: the up-down arrows attached to an edit box, and the
// shape that serves as a colour swatch or an outline frame.
#pragma once

#ifndef PICTAVIA_INSIDE_APP
#error "form_controls.h is private to the app library and its tests"
#endif

#include <functional>

#include <QWidget>

#include "toolkit/colors.h"

class QLineEdit;
class QToolButton;

namespace pictavia {

// A pair of arrows that steps an integer position within Min..Max and writes it, as plain digits,
// into the edit box it is attached to. Position and edit text are separate: the text may be
// anything the user typed; Position reads it back only when it holds an integer (clamped to the
// range), otherwise it is the last position set.
class TUpDown : public QWidget {
 public:
  explicit TUpDown(QWidget* Parent = nullptr);

  int Min() const { return min_; }
  void SetMin(int Value);
  int Max() const { return max_; }
  void SetMax(int Value);
  int Position() const;
  // Clamped to Min..Max; the attached edit box shows the new position.
  void SetPosition(int Value);

  // The edit box the arrows belong to; its Up and Down keys step the position as well.
  QLineEdit* Associate() const { return associate_; }
  void SetAssociate(QLineEdit* Value);

  // What a click on an arrow does: the position read back, one step up or down, written out.
  void Click(bool Up);

  // Raised after every change of the position by the arrows, the keys or SetPosition.
  std::function<void()> OnChange;

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  void WriteText();
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  QLineEdit* associate_ = nullptr;
  QToolButton* up_ = nullptr;
  QToolButton* down_ = nullptr;
};

// A rectangle drawn with a pen and, unless BrushClear, filled with BrushColor: a colour swatch, or
// an outline frame around a picture box.
class TShape : public QWidget {
 public:
  explicit TShape(QWidget* Parent = nullptr);

  TColor BrushColor() const { return brushColor_; }
  void SetBrushColor(TColor Value);
  bool BrushClear() const { return brushClear_; }
  void SetBrushClear(bool Value);
  TColor PenColor() const { return penColor_; }
  void SetPenColor(TColor Value);

  // Raised by a mouse press with the button, the modifiers and the point in the shape.
  std::function<void(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)>
      OnMouseDown;

 protected:
  void paintEvent(QPaintEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;

 private:
  TColor brushColor_ = clWhite;
  bool brushClear_ = false;
  TColor penColor_ = clBlack;
};

// Gives a control the name the forms and the tests know it by (its Qt object name).
template <class W>
W* Named(W* Widget, const char* Name) {
  Widget->setObjectName(QString::fromLatin1(Name));
  return Widget;
}

// An edit box with its up-down arrows right beside it, as one control.
QWidget* EditWithArrows(QWidget* Parent, QLineEdit* Edit, TUpDown* Arrows);

}  // namespace pictavia
