// TMainForm's controls: the two-row toolbar, the side panel with the photo and text panels, the
// image view, and the connections from every control to its handler.
#include <QComboBox>
#include <QDropEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "app/internal/button_pictures.h"
#include "app/internal/form_controls.h"
#include "app/internal/main_form_guarded.h"
#include "app/internal/picture_box.h"
#include "app/main_form.h"
#include "view/range_bars.h"

namespace pictavia {

namespace {

// The window's font, "Tahoma" as fontconfig serves it.
QFont FormFont(int PixelSize, bool Bold = false) {
  QFont f(QString::fromStdString(ResolveFontFamily("Tahoma")));
  f.setPixelSize(PixelSize);
  f.setBold(Bold);
  return f;
}

// A flat toolbar button with a picture and its caption beside it.
QToolButton* SpeedButton(QWidget* Parent, const char* Name, const char* Caption,
                         TButtonPicture Picture) {
  auto* b = Named(new QToolButton(Parent), Name);
  b->setText(QString::fromLatin1(Caption));
  b->setIcon(ButtonPicture(Picture));
  b->setIconSize(QSize(28, 28));
  b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::NoFocus);
  b->setFixedHeight(40);
  return b;
}

// A picture-only button of the second row, explained by its hint.
QToolButton* PictureButton(QWidget* Parent, const char* Name, const char* Hint,
                           TButtonPicture Picture) {
  auto* b = Named(new QToolButton(Parent), Name);
  b->setIcon(ButtonPicture(Picture));
  b->setIconSize(QSize(22, 22));
  b->setToolTip(QString::fromLatin1(Hint));
  b->setFocusPolicy(Qt::NoFocus);
  b->setFixedSize(34, 30);
  return b;
}

// A header bar: light text on the shadow colour.
QLabel* Header(QWidget* Parent, const char* Name, const char* Caption) {
  auto* h = Named(new QLabel(QString::fromLatin1(Caption), Parent), Name);
  h->setAlignment(Qt::AlignCenter);
  h->setFixedHeight(22);
  h->setFont(FormFont(12, true));
  h->setAutoFillBackground(true);
  QPalette p = h->palette();
  p.setColor(QPalette::Window, p.color(QPalette::Dark));
  p.setColor(QPalette::WindowText, p.color(QPalette::BrightText).lightness() > 128
                                       ? p.color(QPalette::BrightText)
                                       : QColor(Qt::white));
  h->setPalette(p);
  return h;
}

}  // namespace

void TMainForm::CreateControls() {
  setFont(FormFont(12));
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(CreateToolbar());
  auto* body = new QHBoxLayout();
  body->setContentsMargins(0, 0, 0, 0);
  body->setSpacing(0);
  body->addWidget(CreateSidePanel());

  ImgView = Named(new TImgView32(central), "ImgView");
  ImgView->SetBitmapAlign(baCustom);
  ImgView->SetRepaintMode(rmOptimizer);
  ImgView->SetScale(1.0f);
  ImgView->SetScaleMode(smScale);
  ImgView->ScrollBars()->SetShowHandleGrip(true);
  ImgView->SetSizeGrip(sgNone);
  ImgView->SetOverSize(0);
  ImgView->SetTabStop(true);
  ImgView->OnMouseDown = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                                int Y, TCustomLayer* Layer) {
    Guarded([&] { ImgViewMouseDown(Sender, Button, Shift, X, Y, Layer); });
  };
  ImgView->OnPaintStage = [this](TObject* Sender, TBitmap32* Buffer, uint32_t StageNum) {
    ImgViewPaintStage(Sender, Buffer, StageNum);
  };
  ImgView->installEventFilter(this);
  ImgView->setAcceptDrops(true);
  body->addWidget(ImgView, 1);
  column->addLayout(body, 1);
  setCentralWidget(central);
  CreateMenuBar();
}

QWidget* TMainForm::CreateToolbar() {
  Panel1 = Named(new QFrame(this), "Panel1");
  Panel1->setFrameShape(QFrame::StyledPanel);
  Panel1->setFrameShadow(QFrame::Raised);
  Panel1->setFixedHeight(81);
  auto* rows = new QVBoxLayout(Panel1);
  rows->setContentsMargins(6, 2, 6, 3);
  rows->setSpacing(2);

  auto* first = new QHBoxLayout();
  first->setSpacing(2);
  SpeedButton2 = SpeedButton(Panel1, "SpeedButton2", "New", bpNew);
  Button2 =
      Named(new QPushButton(ButtonPicture(bpSave), QStringLiteral("Save"), Panel1), "Button2");
  Button2->setIconSize(QSize(20, 20));
  Button2->setFixedHeight(32);
  Button2->setMinimumWidth(78);
  SpeedButton4 = SpeedButton(Panel1, "SpeedButton4", "Add Photo", bpAddPhoto);
  SpeedButton7 = SpeedButton(Panel1, "SpeedButton7", "Add Clips", bpAddClips);
  SpeedButton6 = SpeedButton(Panel1, "SpeedButton6", "Add Color Bar", bpAddColorBar);
  SpeedButton5 = SpeedButton(Panel1, "SpeedButton5", "Add Text", bpAddText);
  ScaleCombo = Named(new QComboBox(Panel1), "ScaleCombo");
  ScaleCombo->setEditable(true);
  ScaleCombo->setInsertPolicy(QComboBox::NoInsert);
  ScaleCombo->setMaxVisibleItems(9);
  ScaleCombo->setFont(FormFont(15));
  ScaleCombo->setFixedWidth(96);
  ScaleCombo->setToolTip(QStringLiteral("Zoom"));
  for (const char* item :
       {"    25%", "    50%", "    75%", "  100%", "  200%", "  300%", "  400%", "  800%", "1600%"})
    ScaleCombo->addItem(QString::fromLatin1(item));
  ScaleCombo->setEditText(QStringLiteral("100%"));
  SpeedButton3 = SpeedButton(Panel1, "SpeedButton3", "Help", bpHelp);
  SpeedButton1 = SpeedButton(Panel1, "SpeedButton1", " Exit", bpExit);

  first->addWidget(SpeedButton2);
  first->addSpacing(4);
  first->addWidget(Button2);
  first->addSpacing(14);
  first->addWidget(SpeedButton4);
  first->addWidget(SpeedButton7);
  first->addWidget(SpeedButton6);
  first->addWidget(SpeedButton5);
  first->addSpacing(14);
  auto* zoomLabel = new QLabel(QStringLiteral("Zoom:"), Panel1);
  first->addWidget(zoomLabel);
  first->addWidget(ScaleCombo);
  first->addSpacing(14);
  first->addWidget(SpeedButton3);
  first->addWidget(SpeedButton1);
  first->addStretch(1);

  auto* second = new QHBoxLayout();
  second->setSpacing(3);
  Button18 =
      Named(new QPushButton(ButtonPicture(bpBackground), QStringLiteral("Set BackGround"), Panel1),
            "Button18");
  Button18->setIconSize(QSize(18, 18));
  Button18->setFixedHeight(30);
  BitBtn4 = PictureButton(Panel1, "BitBtn4", "Delete the selected object", bpDelete);
  BitBtn6 = PictureButton(Panel1, "BitBtn6", "Up", bpUp);
  BitBtn7 = PictureButton(Panel1, "BitBtn7", "Down", bpDown);
  BitBtn5 = PictureButton(Panel1, "BitBtn5", "Rotate 90", bpRotate);
  BitBtn8 = PictureButton(Panel1, "BitBtn8", "Flip Horizontal", bpFlipHorizontal);
  BitBtn9 = PictureButton(Panel1, "BitBtn9", "Flip Vertical", bpFlipVertical);
  second->addWidget(Button18);
  second->addSpacing(14);
  for (QToolButton* b : {BitBtn4, BitBtn6, BitBtn7, BitBtn5, BitBtn8, BitBtn9}) {
    b->hide();
    second->addWidget(b);
  }
  second->addStretch(1);
  rows->addLayout(first);
  rows->addLayout(second);

  connect(SpeedButton2, &QToolButton::clicked, this,
          [this] { Guarded([this] { SpeedButton2Click(); }); });
  connect(Button2, &QPushButton::clicked, this, [this] { Guarded([this] { Button2Click(); }); });
  connect(SpeedButton4, &QToolButton::clicked, this,
          [this] { Guarded([this] { SpeedButton4Click(); }); });
  connect(SpeedButton7, &QToolButton::clicked, this,
          [this] { Guarded([this] { SpeedButton7Click(); }); });
  connect(SpeedButton6, &QToolButton::clicked, this,
          [this] { Guarded([this] { SpeedButton6Click(); }); });
  connect(SpeedButton5, &QToolButton::clicked, this,
          [this] { Guarded([this] { SpeedButton5Click(); }); });
  connect(ScaleCombo, &QComboBox::editTextChanged, this, [this] {
    if (!scaleComboWriting_) Guarded([this] { ScaleComboChange(); });
  });
  connect(SpeedButton3, &QToolButton::clicked, this,
          [this] { Guarded([this] { SpeedButton3Click(); }); });
  connect(SpeedButton1, &QToolButton::clicked, this,
          [this] { Guarded([this] { SpeedButton1Click(); }); });
  connect(Button18, &QPushButton::clicked, this, [this] { Guarded([this] { Button18Click(); }); });
  connect(BitBtn4, &QToolButton::clicked, this, [this] { Guarded([this] { BitBtn4Click(); }); });
  connect(BitBtn6, &QToolButton::clicked, this, [this] { Guarded([this] { BitBtn6Click(); }); });
  connect(BitBtn7, &QToolButton::clicked, this, [this] { Guarded([this] { BitBtn7Click(); }); });
  connect(BitBtn5, &QToolButton::clicked, this, [this] { Guarded([this] { BitBtn5Click(); }); });
  connect(BitBtn8, &QToolButton::clicked, this, [this] { Guarded([this] { BitBtn8Click(); }); });
  connect(BitBtn9, &QToolButton::clicked, this, [this] { Guarded([this] { BitBtn9Click(); }); });
  return Panel1;
}

QWidget* TMainForm::CreateSidePanel() {
  SidePanel = Named(new QWidget(this), "SidePanel");
  SidePanel->setFixedWidth(223);
  auto* stack = new QVBoxLayout(SidePanel);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(0);
  stack->addWidget(CreateBitmapLayerPanel());
  stack->addWidget(CreateTextPanel());
  stack->addStretch(1);
  return SidePanel;
}

QFrame* TMainForm::CreateBitmapLayerPanel() {
  pnlBitmapLayer = Named(new QFrame(SidePanel), "pnlBitmapLayer");
  pnlBitmapLayer->setFrameShape(QFrame::StyledPanel);
  pnlBitmapLayer->setFixedHeight(545);
  auto* column = new QVBoxLayout(pnlBitmapLayer);
  column->setContentsMargins(1, 1, 1, 6);
  column->setSpacing(6);
  Panel3 = Header(pnlBitmapLayer, "Panel3", "Photo Properties");
  column->addWidget(Panel3);

  Panel6 = Named(new QFrame(pnlBitmapLayer), "Panel6");
  auto* colourRow = new QHBoxLayout(Panel6);
  colourRow->setContentsMargins(8, 2, 8, 2);
  Label5 = Named(new QLabel(QStringLiteral("Select Color To Use"), Panel6), "Label5");
  Shape16 = Named(new TShape(Panel6), "Shape16");
  Shape16->SetBrushColor(clLime);
  Shape16->setFixedSize(48, 26);
  Shape16->setCursor(Qt::PointingHandCursor);
  Shape16->setToolTip(QStringLiteral("Click to choose the bar's colour"));
  Shape16->OnMouseDown = [this](Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
    Guarded([this] { Shape16MouseDown(); });
  };
  colourRow->addWidget(Label5);
  colourRow->addStretch(1);
  colourRow->addWidget(Shape16);
  column->addWidget(Panel6);

  Panel4 = Named(new QFrame(pnlBitmapLayer), "Panel4");
  auto* opacityColumn = new QVBoxLayout(Panel4);
  opacityColumn->setContentsMargins(8, 0, 8, 0);
  opacityColumn->setSpacing(3);
  Label2 = Named(new QLabel(QStringLiteral("Opacity:"), Panel4), "Label2");
  Label2->setFont(FormFont(12, true));
  LayerOpacity = Named(new TGaugeBar(Panel4), "LayerOpacity");
  LayerOpacity->SetMax(255);
  LayerOpacity->SetPosition(255);
  LayerOpacity->SetHandleSize(16);
  LayerOpacity->SetShowArrows(false);
  LayerOpacity->SetShowHandleGrip(true);
  LayerOpacity->SetStyle(rbsMac);
  LayerOpacity->SetBackgnd(bgPattern);
  LayerOpacity->setFixedHeight(18);
  LayerOpacity->OnChange = [this](TObject*) { Guarded([this] { LayerOpacityChange(); }); };
  opacityColumn->addWidget(Label2);
  opacityColumn->addWidget(LayerOpacity);
  column->addWidget(Panel4);

  Panel2 = Header(pnlBitmapLayer, "Panel2", "Select a Mask");
  column->addWidget(Panel2);

  // 65 x 57 thumbnails, three across and five down, each under its outline frame.
  MaskGrid = Named(new QWidget(pnlBitmapLayer), "MaskGrid");
  constexpr int kThumbWidth = 65, kThumbHeight = 57, kGapX = 5, kGapY = 5;
  constexpr int kColumns = 3, kRows = MasksPerPage / kColumns;
  static_assert(MasksPerPage % kColumns == 0, "the page fills its rows");
  MaskGrid->setFixedSize(kColumns * kThumbWidth + (kColumns - 1) * kGapX,
                         kRows * kThumbHeight + (kRows - 1) * kGapY);
  for (int k = 0; k < MasksPerPage; ++k) {
    const std::string image = "Image" + std::to_string(k + 1);
    const std::string shape = "Shape" + std::to_string(k + 1);
    Images[k] = Named(new TImage(MaskGrid), image.c_str());
    Images[k]->setGeometry((k % kColumns) * (kThumbWidth + kGapX),
                           (k / kColumns) * (kThumbHeight + kGapY), kThumbWidth, kThumbHeight);
    Images[k]->setCursor(Qt::PointingHandCursor);
    Images[k]->OnClick = [this](TImage* Sender) {
      Guarded([this, Sender] { Image2Click(Sender); });
    };
    Shapes[k] = Named(new TShape(MaskGrid), shape.c_str());
    Shapes[k]->SetBrushClear(true);
    Shapes[k]->SetPenColor(clBtnShadow);
    Shapes[k]->setAttribute(Qt::WA_TransparentForMouseEvents);
    Shapes[k]->setGeometry(Images[k]->geometry());
    Shapes[k]->raise();
  }
  column->addWidget(MaskGrid, 0, Qt::AlignHCenter);

  Label3 = Named(new QLabel(QStringLiteral("Click the mask to see the effect."), pnlBitmapLayer),
                 "Label3");
  Label3->setAlignment(Qt::AlignCenter);
  QPalette red = Label3->palette();
  red.setColor(QPalette::WindowText, QColor(0xCC, 0x00, 0x00));
  Label3->setPalette(red);
  column->addWidget(Label3);

  auto* pages = new QHBoxLayout();
  pages->setContentsMargins(8, 0, 8, 0);
  pages->setSpacing(4);
  Button10 = Named(new QPushButton(QStringLiteral("|<"), pnlBitmapLayer), "Button10");
  Button11 = Named(new QPushButton(QStringLiteral("<"), pnlBitmapLayer), "Button11");
  Button15 = Named(new QPushButton(QStringLiteral(">"), pnlBitmapLayer), "Button15");
  Button16 = Named(new QPushButton(QStringLiteral(">|"), pnlBitmapLayer), "Button16");
  const char* pageHints[] = {"First page", "Previous page", "Next page", "Last page"};
  int hint = 0;
  for (QPushButton* b : {Button10, Button11, Button15, Button16}) {
    b->setFont(FormFont(12, true));
    b->setFixedHeight(26);
    b->setToolTip(QString::fromLatin1(pageHints[hint++]));
    pages->addWidget(b);
  }
  column->addLayout(pages);
  Button17 = Named(new QPushButton(QStringLiteral("Remove the mask"), pnlBitmapLayer), "Button17");
  Button17->setFixedHeight(28);
  auto* removeRow = new QHBoxLayout();
  removeRow->setContentsMargins(8, 0, 8, 0);
  removeRow->addWidget(Button17);
  column->addLayout(removeRow);
  column->addStretch(1);

  connect(Button10, &QPushButton::clicked, this, [this] { Guarded([this] { Button10Click(); }); });
  connect(Button11, &QPushButton::clicked, this, [this] { Guarded([this] { Button11Click(); }); });
  connect(Button15, &QPushButton::clicked, this, [this] { Guarded([this] { Button15Click(); }); });
  connect(Button16, &QPushButton::clicked, this, [this] { Guarded([this] { Button16Click(); }); });
  connect(Button17, &QPushButton::clicked, this, [this] { Guarded([this] { Button17Click(); }); });
  pnlBitmapLayer->hide();
  return pnlBitmapLayer;
}

QFrame* TMainForm::CreateTextPanel() {
  pnlText = Named(new QFrame(SidePanel), "pnlText");
  pnlText->setFrameShape(QFrame::StyledPanel);
  pnlText->setFixedHeight(112);
  Panel5 = Header(pnlText, "Panel5", "Text Properties");
  Panel5->setGeometry(1, 1, 221, 22);
  Edit1 = Named(new QLineEdit(QStringLiteral("Enter Your Text"), pnlText), "Edit1");
  Edit1->move(8, 32);
  Edit1->setFixedWidth(207);
  BitBtn2 =
      Named(new QPushButton(ButtonPicture(bpFont), QStringLiteral("Font"), pnlText), "BitBtn2");
  BitBtn1 =
      Named(new QPushButton(ButtonPicture(bpColor), QStringLiteral("Color"), pnlText), "BitBtn1");
  BitBtn3 =
      Named(new QPushButton(ButtonPicture(bpApply), QStringLiteral("Apply"), pnlText), "BitBtn3");
  int left = 8;
  for (QPushButton* b : {BitBtn2, BitBtn1, BitBtn3}) {
    b->setIconSize(QSize(16, 16));
    b->setGeometry(left, 0, 66, 28);
    left += 71;
  }
  connect(BitBtn2, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtn2Click(); }); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtn1Click(); }); });
  connect(BitBtn3, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtn3Click(); }); });
  pnlText->hide();
  return pnlText;
}

bool TMainForm::eventFilter(QObject* Watched, QEvent* Event) {
  // The opacity slider's changes while it is held make one step.
  if (Watched == LayerOpacity && Event->type() == QEvent::MouseButtonPress) {
    opacityHeld_ = true;
    opacityStepOf_ = 0;
  }
  if (Watched == LayerOpacity && Event->type() == QEvent::MouseButtonRelease && opacityHeld_) {
    opacityHeld_ = false;
    opacityStepOf_ = 0;
    UpdateRecovery();
  }
  if (Watched != ImgView) return QMainWindow::eventFilter(Watched, Event);
  switch (Event->type()) {
    case QEvent::KeyPress: {
      bool handled = false;
      Guarded([&] { handled = ViewKeyPress(*static_cast<QKeyEvent*>(Event)); });
      return handled;
    }
    case QEvent::MouseButtonPress:
    case QEvent::FocusOut:
      EndKeyMove();
      break;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDropEvent*>(Event);
      if (!ViewAcceptsDrag(drag->mimeData())) break;
      drag->acceptProposedAction();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(Event);
      if (!ViewAcceptsDrag(drop->mimeData())) break;
      drop->acceptProposedAction();
      Guarded([&] { ViewDrop(*drop); });
      return true;
    }
    default:
      break;
  }
  if (Event->type() == QEvent::Wheel) {
    auto* wheel = static_cast<QWheelEvent*>(Event);
    if (wheel->modifiers() & Qt::ControlModifier) {
      zoomWheel_ += wheel->angleDelta().y();
      const int notches = zoomWheel_ / 120;
      zoomWheel_ %= 120;
      if (notches != 0) Guarded([this, notches] { ZoomByWheel(notches); });
      wheel->accept();
      return true;
    }
  }
  return QMainWindow::eventFilter(Watched, Event);
}

}  // namespace pictavia
