// The "BackGround AdJust" dialog.
#include "app/internal/background_form.h"

#include <algorithm>
#include <filesystem>

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/application.h"
#include "app/internal/runtime_text.h"
#include "toolkit/ascii_case.h"
#include "toolkit/picture.h"

namespace pictavia {

namespace {

constexpr const char* kBadSize = "Please input valid width and height(10-3000)!";
constexpr const char* kNoPhoto = "Please select a photo!";

// The glyph of "Select Color": four colour chips.
QIcon ColorChipsIcon() {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setPen(QColor(60, 60, 60));
  const QColor chips[4] = {QColor(220, 40, 40), QColor(40, 170, 60), QColor(40, 90, 220),
                           QColor(240, 200, 30)};
  for (int i = 0; i < 4; ++i) {
    p.setBrush(chips[i]);
    p.drawRect((i % 2) * 8, (i / 2) * 8, 7, 7);
  }
  return QIcon(pm);
}

// A file that exists and is not a folder.
bool FileExists(const std::string& Name) {
  if (Name.empty()) return false;
  std::error_code ec;
  const auto status = std::filesystem::status(Name, ec);
  return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

// "All (*.a;*.b)|*.a;*.b|Desc (*.a)|*.a|..." of every picture format the program reads.
std::string PictureFilter() {
  const TPictureFormats& formats = TPictureFormats::Instance();
  const std::string all = formats.AllFilesMask();
  std::string filter = "All (" + all + ")|" + all;
  for (const TPictureFormat& f : formats.Formats()) {
    const std::string ext = LowerCase(f.Extension);
    filter += "|" + f.Description + " (*." + ext + ")|*." + ext;
  }
  return filter;
}

}  // namespace

TFrmBack::TFrmBack(std::string ProgramFolder, QWidget* Parent, TDialogService* Dialogs)
    : QDialog(Parent), programFolder_(std::move(ProgramFolder)), dialogs_(Dialogs) {
  setObjectName(QStringLiteral("FrmBack"));
  setWindowTitle(QStringLiteral("BackGround AdJust"));

  GroupBox1 = Named(new QGroupBox(QStringLiteral("Adjust Size"), this), "GroupBox1");
  Label1 = Named(new QLabel(QStringLiteral("Width:"), GroupBox1), "Label1");
  ImageWidth = Named(new QLineEdit(GroupBox1), "ImageWidth");
  UpDown1 = Named(new TUpDown(GroupBox1), "UpDown1");
  Label3 = Named(new QLabel(QStringLiteral("pixels"), GroupBox1), "Label3");
  Label2 = Named(new QLabel(QStringLiteral("Height:"), GroupBox1), "Label2");
  ImageHeight = Named(new QLineEdit(GroupBox1), "ImageHeight");
  UpDown2 = Named(new TUpDown(GroupBox1), "UpDown2");
  Label4 = Named(new QLabel(QStringLiteral("pixels"), GroupBox1), "Label4");

  GroupBox2 = Named(new QGroupBox(QStringLiteral("Set BackGround"), this), "GroupBox2");
  RadioButton1 = Named(new QRadioButton(QStringLiteral("Fill BackGround with a Color."), GroupBox2),
                       "RadioButton1");
  Shape1 = Named(new TShape(GroupBox2), "Shape1");
  BitBtn1 = Named(new QPushButton(ColorChipsIcon(), QStringLiteral("Select Color"), GroupBox2),
                  "BitBtn1");
  RadioButton2 =
      Named(new QRadioButton(QStringLiteral("Fill BackGround With a Picture."), GroupBox2),
            "RadioButton2");
  BitBtn2 = Named(new QPushButton(style()->standardIcon(QStyle::SP_DirOpenIcon),
                                  QStringLiteral("Select Picture"), GroupBox2),
                  "BitBtn2");

  Bevel1 = Named(new QFrame(this), "Bevel1");
  Bevel1->setFrameShape(QFrame::HLine);
  Bevel1->setFrameShadow(QFrame::Sunken);
  Button1 = Named(new QPushButton(QStringLiteral("OK"), this), "Button1");
  Button2 = Named(new QPushButton(QStringLiteral("Cancel"), this), "Button2");

  // Sizes: the arrows step within 1..3000 and start at 1; OK accepts typed sizes of 10..3000.
  // They reach 3000 so that the canvas size preset here is shown as it is, not cut to fit them.
  for (QLineEdit* e : {ImageWidth, ImageHeight}) e->setFixedWidth(72);
  for (TUpDown* u : {UpDown1, UpDown2}) {
    u->SetMin(1);
    u->SetMax(3000);
  }
  UpDown1->SetAssociate(ImageWidth);
  UpDown2->SetAssociate(ImageHeight);
  UpDown1->SetPosition(1);
  UpDown2->SetPosition(1);
  Label1->setBuddy(ImageWidth);
  Label2->setBuddy(ImageHeight);

  auto* sizes = new QGridLayout(GroupBox1);
  sizes->setContentsMargins(16, 12, 16, 12);
  sizes->setHorizontalSpacing(8);
  sizes->setVerticalSpacing(10);
  sizes->addWidget(Label1, 0, 0);
  sizes->addWidget(EditWithArrows(GroupBox1, ImageWidth, UpDown1), 0, 1);
  sizes->addWidget(Label3, 0, 2);
  sizes->addWidget(Label2, 1, 0);
  sizes->addWidget(EditWithArrows(GroupBox1, ImageHeight, UpDown2), 1, 1);
  sizes->addWidget(Label4, 1, 2);
  sizes->setColumnStretch(3, 1);

  Shape1->SetBrushColor(clWhite);
  Shape1->setFixedSize(48, 24);
  RadioButton1->setChecked(true);
  for (QPushButton* b : {BitBtn1, BitBtn2}) {
    b->setAutoDefault(false);
    b->setMinimumWidth(124);
  }
  auto* options = new QGridLayout(GroupBox2);
  options->setContentsMargins(16, 12, 16, 12);
  options->setHorizontalSpacing(12);
  options->setVerticalSpacing(12);
  options->addWidget(RadioButton1, 0, 0);
  options->addWidget(Shape1, 0, 1);
  options->addWidget(BitBtn1, 0, 2);
  options->addWidget(RadioButton2, 1, 0);
  options->addWidget(BitBtn2, 1, 2);
  options->setColumnStretch(0, 1);

  Button1->setDefault(true);
  Button2->setAutoDefault(false);
  for (QPushButton* b : {Button1, Button2}) b->setMinimumWidth(80);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(Button1);
  bottom->addWidget(Button2);

  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(14, 12, 14, 12);
  page->setSpacing(10);
  page->addWidget(GroupBox1);
  page->addWidget(GroupBox2);
  page->addStretch(1);
  page->addWidget(Bevel1);
  page->addLayout(bottom);

  connect(RadioButton1, &QRadioButton::toggled, this, Guarded([this] { RadioButton1Click(); }));
  connect(RadioButton2, &QRadioButton::toggled, this, Guarded([this] { RadioButton1Click(); }));
  connect(BitBtn1, &QPushButton::clicked, this, Guarded([this] { BitBtn1Click(); }));
  connect(BitBtn2, &QPushButton::clicked, this, Guarded([this] { BitBtn2Click(); }));
  connect(Button1, &QPushButton::clicked, this, Guarded([this] { Button1Click(); }));
  connect(Button2, &QPushButton::clicked, this, Guarded([this] { Button2Click(); }));

  const QSize hint = sizeHint();
  resize(std::max(471, hint.width()), std::max(317, hint.height()));
  FormCreate();
  RadioButton1Click();
}

TFrmBack::~TFrmBack() = default;

TDialogService& TFrmBack::Dialogs() const {
  return dialogs_ ? *dialogs_ : ApplicationDialogService();
}

TColor TFrmBack::SwatchColor() const {
  return Shape1->BrushColor();
}
void TFrmBack::SetSwatchColor(TColor Value) {
  Shape1->SetBrushColor(Value);
}
bool TFrmBack::ColorOptionChecked() const {
  return RadioButton1->isChecked();
}

void TFrmBack::FormCreate() {
  accepted_ = false;
}

void TFrmBack::RadioButton1Click() {
  BitBtn1->setEnabled(RadioButton1->isChecked());
  BitBtn2->setEnabled(RadioButton2->isChecked());
}

void TFrmBack::BitBtn1Click() {
  TColor color = Shape1->BrushColor();
  if (Dialogs().ExecuteColor(this, color)) Shape1->SetBrushColor(color);
}

void TFrmBack::BitBtn2Click() {
  OpenPictureDialog1.InitialDir =
      (std::filesystem::path(programFolder_) / "BackGround_Photo/").string();
  if (OpenPictureDialog1.Filter.empty()) OpenPictureDialog1.Filter = PictureFilter();
  Dialogs().ExecuteOpenPicture(this, OpenPictureDialog1);
}

void TFrmBack::Button1Click() {
  int width = 0;
  int height = 0;
  if (!TryStrToInt(ImageWidth->text().toStdString(), width) || width < 10 || width > 3000) {
    Dialogs().ShowMessage(this, kBadSize);
    return;
  }
  if (!TryStrToInt(ImageHeight->text().toStdString(), height) || height < 10 || height > 3000) {
    Dialogs().ShowMessage(this, kBadSize);
    return;
  }
  if (RadioButton2->isChecked() && !FileExists(OpenPictureDialog1.FileName)) {
    Dialogs().ShowMessage(this, kNoPhoto);
    BitBtn2Click();
  }
  accepted_ = true;
  accept();
}

void TFrmBack::Button2Click() {
  accepted_ = false;
  reject();
}

}  // namespace pictavia
