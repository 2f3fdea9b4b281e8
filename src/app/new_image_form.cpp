// The "New Image" dialog.
#include "app/internal/new_image_form.h"

#include <algorithm>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/application.h"

namespace pictavia {

namespace {}  // namespace

TNewImageForm::TNewImageForm(QWidget* Parent, TDialogService* Dialogs)
    : QDialog(Parent), dialogs_(Dialogs) {
  setObjectName(QStringLiteral("NewImageForm"));
  setWindowTitle(QStringLiteral("New Image"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

  Label1 = Named(new QLabel(QStringLiteral("Width:"), this), "Label1");
  ImageWidth = Named(new QLineEdit(this), "ImageWidth");
  UpDown1 = Named(new TUpDown(this), "UpDown1");
  Label3 = Named(new QLabel(QStringLiteral("pixels"), this), "Label3");
  Label2 = Named(new QLabel(QStringLiteral("Height:"), this), "Label2");
  ImageHeight = Named(new QLineEdit(this), "ImageHeight");
  UpDown2 = Named(new TUpDown(this), "UpDown2");
  Label4 = Named(new QLabel(QStringLiteral("pixels"), this), "Label4");
  Label5 = Named(new QLabel(QStringLiteral("Background Color:"), this), "Label5");
  Panel1 = Named(new TShape(this), "Panel1");
  Button1 = Named(new QPushButton(QStringLiteral("Select"), this), "Button1");
  Button2 = Named(new QPushButton(QStringLiteral("OK"), this), "Button2");
  Button3 = Named(new QPushButton(QStringLiteral("Cancel"), this), "Button3");

  for (QLineEdit* e : {ImageWidth, ImageHeight}) e->setFixedWidth(64);
  for (TUpDown* u : {UpDown1, UpDown2}) {
    u->SetMin(1);
    u->SetMax(2000);
  }
  UpDown1->SetAssociate(ImageWidth);
  UpDown2->SetAssociate(ImageHeight);
  UpDown1->SetPosition(640);
  UpDown2->SetPosition(480);
  Label1->setBuddy(ImageWidth);
  Label2->setBuddy(ImageHeight);

  Panel1->SetBrushColor(clWhite);
  Panel1->setFixedSize(80, 24);             // as wide as a size box with its arrows
  Button1->setFocusPolicy(Qt::ClickFocus);  // not reached with Tab
  Button1->setAutoDefault(false);
  Button2->setDefault(true);
  Button3->setAutoDefault(false);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(10);
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(EditWithArrows(this, ImageWidth, UpDown1), 0, 1);
  grid->addWidget(Label3, 0, 2);
  grid->addWidget(Label2, 1, 0);
  grid->addWidget(EditWithArrows(this, ImageHeight, UpDown2), 1, 1);
  grid->addWidget(Label4, 1, 2);
  // The colour row sits under its label, lined up with the size boxes above it.
  grid->addWidget(Label5, 2, 0, 1, 3);
  grid->addWidget(Panel1, 3, 1);
  grid->addWidget(Button1, 3, 2);
  grid->setColumnStretch(3, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button2);
  buttons->addWidget(Button3);

  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(16, 16, 16, 14);
  page->addLayout(grid);
  page->addStretch(1);
  page->addLayout(buttons);

  connect(Button1, &QPushButton::clicked, this, Guarded([this] { Button1Click(); }));
  connect(Button2, &QPushButton::clicked, this, &QDialog::accept);
  connect(Button3, &QPushButton::clicked, this, &QDialog::reject);

  setTabOrder(ImageWidth, ImageHeight);
  setTabOrder(ImageHeight, Button2);
  setTabOrder(Button2, Button3);

  // The designed client size, grown only where this desktop's font needs more room.
  const QSize hint = sizeHint();
  setFixedSize(std::max(269, hint.width()), std::max(209, hint.height()));
}

TNewImageForm::~TNewImageForm() = default;

TDialogService& TNewImageForm::Dialogs() const {
  return dialogs_ ? *dialogs_ : ApplicationDialogService();
}

int TNewImageForm::ChosenWidth() const {
  return UpDown1->Position();
}
int TNewImageForm::ChosenHeight() const {
  return UpDown2->Position();
}
TColor TNewImageForm::ChosenColor() const {
  return Panel1->BrushColor();
}

void TNewImageForm::Button1Click() {
  TColor color = Panel1->BrushColor();
  if (Dialogs().ExecuteColor(this, color)) Panel1->SetBrushColor(color);
}

void TNewImageForm::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  if (QScreen* screen = this->screen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

}  // namespace pictavia
