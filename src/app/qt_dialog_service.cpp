// The dialogs of the running program: Qt message boxes, file dialogs (the open dialog with a
// picture preview), the colour dialog and the font dialog behind TDialogService.
#include "app/internal/qt_dialog_service.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QUrl>
#include <QVBoxLayout>

#include "app/application.h"
#include "app/dialog_service.h"
#include "app/internal/jpeg_quality_dialog.h"
#include "codecs/png_object.h"
#include "raster/bitmap32.h"
#include "toolkit/picture.h"

namespace pictavia {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

std::vector<std::string> SplitBars(const std::string& s) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t bar = s.find('|', start);
    parts.push_back(s.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return parts;
}

constexpr int kPreviewSide = 200;

// The position of the dialog's chosen filter in Filters. The dialog reports it as shown, without
// the pattern group QtNameFilters appended.
int FilterIndexOf(const QStringList& Filters, const QString& Selected) {
  for (int i = 0; i < Filters.size(); ++i) {
    const QString& f = Filters[i];
    if (f == Selected || f.left(f.lastIndexOf(QStringLiteral(" ("))) == Selected) return i;
  }
  return -1;
}

// The picture as the editor will show it. A PNG is drawn the way a clip draws itself, with its
// own transparency, over white: read as a bitmap it would come out opaque, black where it is
// transparent.
void ReadPreviewPixels(const std::string& FileName, TBitmap32& Pixels) {
  TPicture picture;
  picture.LoadFromFile(FileName);
  auto* png = dynamic_cast<TPNGObject*>(picture.Graphic());
  if (!png) {
    Pixels.Assign(&picture);
    return;
  }
  Pixels.SetSize(png->Width(), png->Height());
  if (Pixels.Empty()) return;
  Pixels.Clear(clWhite32);
  png->DrawInto(Pixels.Canvas(), Rect(0, 0, Pixels.Width(), Pixels.Height()));
  Pixels.SetAllAlpha(255);
}

}  // namespace

QStringList QtNameFilters(const std::string& Filter) {
  QStringList filters;
  if (Filter.empty()) return filters;
  const std::vector<std::string> parts = SplitBars(Filter);
  for (size_t i = 0; i < parts.size(); i += 2) {
    const QString description = Q(parts[i]).trimmed();
    QString patterns = i + 1 < parts.size() ? Q(parts[i + 1]) : QString();
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    patterns = patterns.simplified();
    if (patterns.isEmpty()) patterns = QStringLiteral("*");
    filters << (description.isEmpty() ? patterns : description) + QStringLiteral(" (") + patterns +
                   QLatin1Char(')');
  }
  return filters;
}

QFont FontForDialog(const TFont& Font) {
  QFont f(Q(ResolveFontFamily(Font.Name())));
  f.setPointSize(Font.Size() > 0 ? Font.Size() : 8);
  f.setBold((Font.Style() & fsBold) != 0);
  f.setItalic((Font.Style() & fsItalic) != 0);
  f.setUnderline((Font.Style() & fsUnderline) != 0);
  f.setStrikeOut((Font.Style() & fsStrikeOut) != 0);
  return f;
}

void AssignDialogFont(TFont& Font, const QFont& Chosen) {
  const std::string family = Chosen.family().toStdString();
  if (QString::compare(Chosen.family(), Q(ResolveFontFamily(Font.Name())), Qt::CaseInsensitive) !=
      0)
    Font.SetName(family);
  int points = Chosen.pointSize();
  if (points <= 0 && Chosen.pixelSize() > 0)
    points = static_cast<int>(std::lround(Chosen.pixelSize() * 72.0 / kScreenDpi));
  if (points > 0) Font.SetSize(points);
  TFontStyles style = 0;
  if (Chosen.bold()) style |= fsBold;
  if (Chosen.italic()) style |= fsItalic;
  if (Chosen.underline()) style |= fsUnderline;
  if (Chosen.strikeOut()) style |= fsStrikeOut;
  Font.SetStyle(style);
}

// --- TPicturePreview --------------------------------------------------------------------------

TPicturePreview::TPicturePreview(QWidget* Parent) : QWidget(Parent) {
  setObjectName(QStringLiteral("PicturePreview"));
  image_ = new QLabel(this);
  image_->setObjectName(QStringLiteral("PreviewImage"));
  image_->setFixedSize(kPreviewSide, kPreviewSide);
  image_->setAlignment(Qt::AlignCenter);
  image_->setFrameShape(QFrame::StyledPanel);
  image_->setFrameShadow(QFrame::Sunken);
  caption_ = new QLabel(this);
  caption_->setObjectName(QStringLiteral("PreviewCaption"));
  caption_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(6, 0, 0, 0);
  column->addWidget(image_);
  column->addWidget(caption_);
  column->addStretch(1);
  ShowFile(std::string());
}

void TPicturePreview::ShowFile(const std::string& FileName) {
  image_->clear();
  const QFileInfo info(Q(FileName));
  if (FileName.empty() || !info.isFile()) {
    caption_->setText(QStringLiteral("(No picture)"));
    return;
  }
  // The picture is read exactly as the editor will read it, so the preview also tells whether
  // the file will load; whatever the reader raises becomes the note.
  TBitmap32 bitmap;
  try {
    ReadPreviewPixels(FileName, bitmap);
  } catch (const std::exception& e) {
    caption_->setText(QStringLiteral("(No preview)"));
    caption_->setToolTip(QString::fromUtf8(e.what()));
    return;
  }
  caption_->setToolTip(QString());
  const int w = bitmap.Width();
  const int h = bitmap.Height();
  if (w <= 0 || h <= 0) {
    caption_->setText(QStringLiteral("(Empty picture)"));
    return;
  }
  const QImage pixels(reinterpret_cast<const uchar*>(bitmap.Bits()), w, h, w * 4,
                      QImage::Format_ARGB32);
  const int box = kPreviewSide - 4;
  QSize shown(w, h);
  if (w > box || h > box) shown.scale(box, box, Qt::KeepAspectRatio);
  shown = shown.expandedTo(QSize(1, 1));
  // Transparent parts show over white, as on a blank canvas.
  QImage framed(shown, QImage::Format_RGB32);
  framed.fill(Qt::white);
  {
    QPainter p(&framed);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(QPoint(0, 0), shown), pixels);
  }
  image_->setPixmap(QPixmap::fromImage(framed));
  caption_->setText(QStringLiteral("%1 \u00D7 %2").arg(w).arg(h));
}

QString TPicturePreview::Caption() const {
  return caption_->text();
}

bool TPicturePreview::HasPicture() const {
  return !image_->pixmap().isNull();
}

// --- the service --------------------------------------------------------------------------------

namespace {

class TQtDialogService : public TDialogService {
 public:
  int MessageBox(QWidget* Parent, const std::string& Text, const std::string& Caption,
                 int Flags) override {
    QMessageBox box(Parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setWindowTitle(Q(Caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(Q(Text));
    switch (Flags & 0xF0) {
      case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
      case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
      case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
      case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
      default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    if ((Flags & 0x0F) == MB_YESNO) {
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::Yes);
      box.setEscapeButton(QMessageBox::No);
    } else {
      box.setStandardButtons(QMessageBox::Ok);
    }
    const int result = box.exec();
    if ((Flags & 0x0F) == MB_YESNO) return result == QMessageBox::Yes ? IDYES : IDNO;
    return IDOK;
  }

  void ShowMessage(QWidget* Parent, const std::string& Text) override {
    MessageBox(Parent, Text, ApplicationTitle(), MB_OK);
  }

  bool ExecuteOpenPicture(QWidget* Parent, TOpenDialogState& State) override {
    QFileDialog dialog(Parent, Q(State.Title));
    dialog.setObjectName(QStringLiteral("OpenPictureDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QStringList filters = QtNameFilters(State.Filter);
    Prepare(dialog, filters, State.FilterIndex, State.InitialDir, State.FileName);

    // The preview sits to the right of the file list and follows the file under the cursor.
    auto* preview = new TPicturePreview(&dialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
      grid->addWidget(preview, 1, grid->columnCount(), 1, 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview,
                     [preview](const QString& path) { preview->ShowFile(path.toStdString()); });
    // Room for the file list beside the preview.
    dialog.resize(dialog.sizeHint().expandedTo(QSize(820, 500)));

    if (dialog.exec() != QDialog::Accepted) return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return false;
    State.FileName = chosen.first().toStdString();
    const int index = FilterIndexOf(filters, dialog.selectedNameFilter());
    if (index >= 0) State.FilterIndex = index + 1;
    lastFolder_ = QFileInfo(chosen.first()).absolutePath();
    return true;
  }

  bool ExecuteSave(QWidget* Parent, TSaveDialogState& State) override {
    QFileDialog dialog(Parent, Q(State.Title));
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !State.OverwritePrompt);
    // No default suffix: the editor decides about extensions itself, and a suffix added here
    // would turn a plain "collage" into a name it refuses.
    dialog.setDefaultSuffix(QString());
    const QStringList filters = QtNameFilters(State.Filter);
    Prepare(dialog, filters, State.FilterIndex, State.InitialDir, State.FileName);

    if (dialog.exec() != QDialog::Accepted) return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return false;
    State.FileName = chosen.first().toStdString();
    const int index = FilterIndexOf(filters, dialog.selectedNameFilter());
    if (index >= 0) State.FilterIndex = index + 1;
    // No folder is remembered here: a chosen name is not yet a saved file, and the editor
    // gives the folder of the last save that succeeded.
    return true;
  }

  bool ExecuteColor(QWidget* Parent, TColor& Color) override {
    QColorDialog dialog(ToQColor(Color), Parent);
    dialog.setObjectName(QStringLiteral("ColorDialog"));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted) return false;
    Color = FromQColor(dialog.selectedColor());
    return true;
  }

  bool ExecuteFont(QWidget* Parent, TFont& Font) override {
    QFontDialog dialog(FontForDialog(Font), Parent);
    dialog.setObjectName(QStringLiteral("FontDialog"));
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted) return false;
    AssignDialogFont(Font, dialog.selectedFont());
    return true;
  }

  bool ExecuteJpegQuality(QWidget* Parent, int& Quality) override {
    TJpegQualityDialog dialog(Quality, Parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    Quality = dialog.Quality();
    return true;
  }

  bool OpenDocument(const std::string& FileName) override {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(Q(FileName)));
  }

 private:
  // Filters, the starting folder (the preset file's folder, else InitialDir, else the folder of
  // the last picture opened, else the current folder) and the preset file name. A folder is
  // always given: Qt's own choice would be the last folder any file dialog showed, which may be
  // one where a save has just failed.
  void Prepare(QFileDialog& Dialog, const QStringList& Filters, int FilterIndex,
               const std::string& InitialDir, const std::string& FileName) {
    if (!Filters.isEmpty()) {
      // The list shows the descriptions only: ours already name their patterns.
      Dialog.setOption(QFileDialog::HideNameFilterDetails);
      Dialog.setNameFilters(Filters);
      const int index = std::clamp(FilterIndex, 1, static_cast<int>(Filters.size())) - 1;
      Dialog.selectNameFilter(Filters[index]);
    }
    const QFileInfo preset(Q(FileName));
    QString folder;
    if (!FileName.empty() && preset.isAbsolute() && preset.dir().exists())
      folder = preset.absolutePath();
    else if (!InitialDir.empty() && QDir(Q(InitialDir)).exists())
      folder = QDir(Q(InitialDir)).absolutePath();
    else if (!lastFolder_.isEmpty())
      folder = lastFolder_;
    else
      folder = QDir::currentPath();
    Dialog.setDirectory(folder);
    if (!FileName.empty()) Dialog.selectFile(preset.fileName());
  }

  QString lastFolder_;
};

}  // namespace

std::unique_ptr<TDialogService> CreateQtDialogService() {
  return std::make_unique<TQtDialogService>();
}

}  // namespace pictavia
