// The up-down arrows attached to an edit box, and the shape used for swatches and frames.
#include "app/internal/form_controls.h"

#include <algorithm>

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/application.h"
#include "app/internal/runtime_text.h"

namespace pictavia {

// --- TUpDown ---------------------------------------------------------------------------------

TUpDown::TUpDown(QWidget* Parent) : QWidget(Parent) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  up_ = new QToolButton(this);
  down_ = new QToolButton(this);
  for (QToolButton* b : {up_, down_}) {
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    b->setFixedWidth(16);
    b->setIconSize(QSize(8, 5));
    column->addWidget(b);
  }
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  connect(up_, &QToolButton::clicked, this, Guarded([this] { Click(true); }));
  connect(down_, &QToolButton::clicked, this, Guarded([this] { Click(false); }));
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
}

void TUpDown::SetMin(int Value) {
  min_ = Value;
  if (max_ < min_) max_ = min_;
  SetPosition(position_);
}

void TUpDown::SetMax(int Value) {
  max_ = Value;
  if (min_ > max_) min_ = max_;
  SetPosition(position_);
}

int TUpDown::Position() const {
  int typed = 0;
  if (associate_ && TryStrToInt(associate_->text().toStdString(), typed))
    return std::clamp(typed, min_, max_);
  return position_;
}

void TUpDown::SetPosition(int Value) {
  const int clamped = std::clamp(Value, min_, max_);
  const bool changed = clamped != position_;
  position_ = clamped;
  WriteText();
  if (changed && OnChange) OnChange();
}

void TUpDown::SetAssociate(QLineEdit* Value) {
  if (associate_) associate_->removeEventFilter(this);
  associate_ = Value;
  if (associate_) {
    associate_->installEventFilter(this);
    WriteText();
  }
}

void TUpDown::Click(bool Up) {
  const int from = Position();
  position_ = from;  // what the user typed counts as the starting point
  SetPosition(Up ? (from < max_ ? from + 1 : max_) : (from > min_ ? from - 1 : min_));
}

bool TUpDown::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == associate_ && Event->type() == QEvent::KeyPress && isEnabled()) {
    const int key = static_cast<QKeyEvent*>(Event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      Click(key == Qt::Key_Up);
      return true;
    }
  }
  return QWidget::eventFilter(Watched, Event);
}

void TUpDown::WriteText() {
  if (!associate_) return;
  const QString text = QString::fromStdString(IntToStr(position_));
  if (associate_->text() != text) associate_->setText(text);
}

// --- TShape ----------------------------------------------------------------------------------

TShape::TShape(QWidget* Parent) : QWidget(Parent) {}

void TShape::SetBrushColor(TColor Value) {
  if (brushColor_ == Value) return;
  brushColor_ = Value;
  update();
}

void TShape::SetBrushClear(bool Value) {
  if (brushClear_ == Value) return;
  brushClear_ = Value;
  update();
}

void TShape::SetPenColor(TColor Value) {
  if (penColor_ == Value) return;
  penColor_ = Value;
  update();
}

void TShape::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // A one-pixel pen drawn inside the widget, so the frame is whole at every size.
  const QRect r = rect().adjusted(0, 0, -1, -1);
  if (!brushClear_) p.fillRect(rect(), ToQColor(brushColor_));
  p.setPen(ToQColor(penColor_));
  p.setBrush(Qt::NoBrush);
  p.drawRect(r);
}

void TShape::mousePressEvent(QMouseEvent* Event) {
  if (OnMouseDown) {
    const QPoint pt = Event->position().toPoint();
    OnMouseDown(Event->button(), Event->modifiers(), pt.x(), pt.y());
  }
}

QWidget* EditWithArrows(QWidget* Parent, QLineEdit* Edit, TUpDown* Arrows) {
  auto* pair = new QWidget(Parent);
  auto* row = new QHBoxLayout(pair);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  Edit->setParent(pair);
  Arrows->setParent(pair);
  row->addWidget(Edit);
  row->addWidget(Arrows);
  return pair;
}

}  // namespace pictavia
