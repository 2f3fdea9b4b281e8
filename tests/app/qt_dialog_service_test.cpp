// The Qt dialog service driven through its real dialogs: message boxes, the open dialog with its
// filters and preview, the save dialog without a default suffix, colours and fonts.
#include <functional>

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>
#include <QTimer>

#include "app/application.h"
#include "app/dialog_service.h"
#include "app/internal/jpeg_quality_dialog.h"
#include "app/internal/qt_dialog_service.h"
#include "codecs/codecs.h"
#include "codecs/png_object.h"
#include "raster/bitmap32.h"
#include "test_support.h"

namespace pictavia {

namespace {

// Runs Act on the next modal dialog of class T once it is up (from inside its event loop).
template <class T>
void WhenShown(std::function<void(T&)> Act, int Tries = 200) {
  QTimer::singleShot(10, [Act, Tries] {
    if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
      Act(*dialog);
    } else if (Tries > 0) {
      WhenShown<T>(Act, Tries - 1);
    } else {
      ADD_FAILURE() << "the expected dialog did not appear";
      if (QWidget* w = QApplication::activeModalWidget()) w->close();
    }
  });
}

// Types a name into the dialog's file-name box, as a user would.
void TypeFileName(QFileDialog& Dialog, const QString& Name) {
  auto* edit = Dialog.findChild<QLineEdit*>("fileNameEdit");
  ASSERT_NE(edit, nullptr);
  edit->setText(Name);
}

void SavePicture(const std::filesystem::path& Path, int W, int H) {
  TBitmap32 b;
  b.SetSize(W, H);
  b.Clear(0xFF3366CC);
  b.SaveToFile(Path.string());
}

}  // namespace

TEST(QtDialogService, FiltersInQtForm) {
  const QStringList photo = QtNameFilters(
      "All (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)|*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf|"
      "JPEG Image File (*.jpg)|*.jpg|Bitmaps (*.bmp)|*.bmp");
  ASSERT_EQ(photo.size(), 3);
  EXPECT_EQ(photo[0],
            "All (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf) (*.jpg *.jpeg *.bmp *.ico *.emf *.wmf)");
  EXPECT_EQ(photo[2], "Bitmaps (*.bmp) (*.bmp)");
  EXPECT_EQ(QtNameFilters("Bmp |*.bmp"), QStringList{"Bmp (*.bmp)"});
  EXPECT_EQ(QtNameFilters("Anything"), QStringList{"Anything (*)"});
  EXPECT_TRUE(QtNameFilters("").isEmpty());
}

TEST(QtDialogService, MessageBoxesCarryCaptionIconAndButtons) {
  auto service = CreateQtDialogService();
  WhenShown<QMessageBox>([](QMessageBox& box) {
    EXPECT_EQ(box.windowTitle(), "Please make sure");
    EXPECT_EQ(box.text(), "Delete the selected?");
    EXPECT_EQ(box.icon(), QMessageBox::Question);
    EXPECT_EQ(box.buttons().size(), 2);
    box.button(QMessageBox::No)->click();
  });
  EXPECT_EQ(service->MessageBox(nullptr, "Delete the selected?", "Please make sure", 36), IDNO);

  WhenShown<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
  EXPECT_EQ(service->MessageBox(nullptr, "Are you sure to quit?", "Please make sure", 36), IDYES);

  WhenShown<QMessageBox>([](QMessageBox& box) {
    EXPECT_EQ(box.icon(), QMessageBox::Critical);
    EXPECT_EQ(box.textFormat(), Qt::PlainText);  // "<file>" in a message stays as typed
    ASSERT_EQ(box.buttons().size(), 1);
    box.buttons()[0]->click();
  });
  EXPECT_EQ(service->MessageBox(nullptr, "<b>x</b>", "Pictavia", MB_OK | MB_ICONERROR), IDOK);

  WhenShown<QMessageBox>([](QMessageBox& box) {
    EXPECT_EQ(box.windowTitle().toStdString(), ApplicationTitle());
    EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
    box.buttons()[0]->click();
  });
  service->ShowMessage(nullptr, "Please select a photo!");
}

TEST(QtDialogService, OpenDialogStartsWherePresetAndPreviewsPictures) {
  RegisterCodecPictureFormats();
  testsupport::TempDir dir;
  SavePicture(dir / "small.bmp", 30, 20);
  SavePicture(dir / "wide.bmp", 800, 200);
  auto service = CreateQtDialogService();

  TOpenDialogState state;
  state.Title = "Open";
  state.Filter = "All (*.jpg;*.bmp)|*.jpg;*.bmp|Bitmaps (*.bmp)|*.bmp";
  state.FilterIndex = 2;
  state.InitialDir = dir.Path().string();
  WhenShown<QFileDialog>([&](QFileDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Open");
    EXPECT_EQ(dialog.nameFilters().size(), 2);
    EXPECT_EQ(dialog.selectedNameFilter(), "Bitmaps (*.bmp)");  // shown without the patterns
    EXPECT_EQ(QDir(dialog.directory()).canonicalPath(),
              QDir(QString::fromStdString(dir.Path().string())).canonicalPath());

    auto* preview = dialog.findChild<TPicturePreview*>("PicturePreview");
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->isVisible());
    emit dialog.currentChanged(QString::fromStdString((dir / "wide.bmp").string()));
    EXPECT_TRUE(preview->HasPicture());
    EXPECT_EQ(preview->Caption(), QString::fromUtf8("800 \u00D7 200"));
    const QLabel* image = preview->findChild<QLabel*>("PreviewImage");
    ASSERT_NE(image, nullptr);
    EXPECT_LE(image->pixmap().width(), image->width()) << "the preview is scaled to fit";
    emit dialog.currentChanged(QString::fromStdString(dir.Path().string()));  // a folder
    EXPECT_FALSE(preview->HasPicture());

    TypeFileName(dialog, "small.bmp");
    static_cast<QDialog&>(dialog).accept();  // as the Open or Save button does
  });
  ASSERT_TRUE(service->ExecuteOpenPicture(nullptr, state));
  EXPECT_EQ(std::filesystem::path(state.FileName), dir / "small.bmp");
  EXPECT_EQ(state.FilterIndex, 2);

  // Run again with the chosen file preset: it starts in that file's folder, with that file.
  WhenShown<QFileDialog>([&](QFileDialog& dialog) {
    EXPECT_EQ(dialog.selectedFiles().value(0).toStdString(), state.FileName);
    dialog.reject();
  });
  EXPECT_FALSE(service->ExecuteOpenPicture(nullptr, state));
  EXPECT_EQ(std::filesystem::path(state.FileName), dir / "small.bmp");
}

TEST(QtDialogService, PreviewReadsJpegAndNotesUnreadableFiles) {
  RegisterCodecPictureFormats();
  testsupport::TempDir dir;
  testsupport::WriteFileBytes(dir / "broken.jpg", {0xFF, 0xD8, 0xFF, 0x00, 0x01});
  TPicturePreview preview;
  preview.ShowFile((dir / "broken.jpg").string());
  EXPECT_FALSE(preview.HasPicture());
  EXPECT_EQ(preview.Caption(), "(No preview)");
  preview.ShowFile((dir / "missing.jpg").string());
  EXPECT_FALSE(preview.HasPicture());

  PICTAVIA_REQUIRE_CORPUS("jpeg/jpeg-decoder");
  preview.ShowFile((testsupport::CorpusDir() / "jpeg/jpeg-decoder/jpg-size-33x33.jpg").string());
  EXPECT_TRUE(preview.HasPicture());
  EXPECT_EQ(preview.Caption(), QString::fromUtf8("33 \u00D7 33"));
}

TEST(QtDialogService, PreviewShowsAClipsTransparentPartsOverWhite) {
  RegisterCodecPictureFormats();
  testsupport::TempDir dir;
  // Left half opaque blue, right half fully transparent (its colour black).
  std::vector<uint32_t> pixels(40 * 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) pixels[y * 40 + x] = x < 20 ? 0xFF0000FFu : 0x00000000u;
  TPNGObject png;
  png.AssignPixels32(pixels.data(), 40, 20);
  const std::string clip = (dir / "half.png").string();
  png.SaveToFile(clip);

  auto service = CreateQtDialogService();
  TOpenDialogState state;
  state.Filter = "Clips(*.png)|*.png";
  state.InitialDir = dir.Path().string();
  WhenShown<QFileDialog>([&](QFileDialog& dialog) {
    auto* preview = dialog.findChild<TPicturePreview*>("PicturePreview");
    ASSERT_NE(preview, nullptr);
    emit dialog.currentChanged(QString::fromStdString(clip));
    EXPECT_EQ(preview->Caption(), QString::fromUtf8("40 \u00D7 20"));
    const QLabel* image = preview->findChild<QLabel*>("PreviewImage");
    ASSERT_NE(image, nullptr);
    const QImage shown = image->pixmap().toImage();
    ASSERT_EQ(shown.size(), QSize(40, 20));
    EXPECT_EQ(shown.pixel(5, 10), qRgb(0, 0, 255));
    EXPECT_EQ(shown.pixel(30, 10), qRgb(255, 255, 255));
    dialog.reject();
  });
  EXPECT_FALSE(service->ExecuteOpenPicture(nullptr, state));
}

TEST(QtDialogService, SaveDialogAddsNoSuffixAndAsksBeforeOverwriting) {
  testsupport::TempDir dir;
  SavePicture(dir / "old.bmp", 2, 2);
  auto service = CreateQtDialogService();

  TSaveDialogState state;
  state.Title = "\u5b58\u50a8\u4e3a\u56fe\u7247";
  state.Filter = "Bmp |*.bmp";
  state.DefaultExt = ".jpg";
  state.InitialDir = dir.Path().string();
  WhenShown<QFileDialog>([&](QFileDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle().toStdString(), state.Title);
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    TypeFileName(dialog, "collage");
    static_cast<QDialog&>(dialog).accept();  // as the Open or Save button does
  });
  ASSERT_TRUE(service->ExecuteSave(nullptr, state));
  EXPECT_EQ(std::filesystem::path(state.FileName), dir / "collage");

  // An existing file brings the overwrite question; No keeps the dialog open.
  state.FileName.clear();
  bool asked = false;
  WhenShown<QFileDialog>([&](QFileDialog& dialog) {
    WhenShown<QMessageBox>([&](QMessageBox& box) {
      asked = true;
      box.button(QMessageBox::No)->click();
      WhenShown<QFileDialog>([](QFileDialog& d) { d.reject(); });
    });
    TypeFileName(dialog, "old.bmp");
    static_cast<QDialog&>(dialog).accept();  // as the Open or Save button does
  });
  EXPECT_FALSE(service->ExecuteSave(nullptr, state));
  EXPECT_TRUE(asked);
  EXPECT_TRUE(state.FileName.empty());

  // A chosen name is not yet a saved file: the dialog remembers no folder of its own, the
  // editor gives it the folder of the last save that succeeded.
  TSaveDialogState fresh;
  WhenShown<QFileDialog>([&](QFileDialog& dialog) {
    EXPECT_NE(QDir(dialog.directory()).canonicalPath(),
              QDir(QString::fromStdString(dir.Path().string())).canonicalPath());
    dialog.reject();
  });
  EXPECT_FALSE(service->ExecuteSave(nullptr, fresh));
}

TEST(QtDialogService, SaveDialogShowsTheGivenFilterAndReportsTheChosenOne) {
  testsupport::TempDir dir;
  auto service = CreateQtDialogService();
  TSaveDialogState state;
  state.Filter = "PNG picture (*.png)|*.png|JPEG picture (*.jpg *.jpeg)|*.jpg;*.jpeg";
  state.FilterIndex = 2;
  state.InitialDir = dir.Path().string();
  WhenShown<QFileDialog>([](QFileDialog& dialog) {
    EXPECT_EQ(dialog.selectedNameFilter(), "JPEG picture (*.jpg *.jpeg)");
    dialog.selectNameFilter(dialog.nameFilters().at(0));
    TypeFileName(dialog, "collage");
    static_cast<QDialog&>(dialog).accept();
  });
  ASSERT_TRUE(service->ExecuteSave(nullptr, state));
  EXPECT_EQ(state.FilterIndex, 1);
  EXPECT_EQ(std::filesystem::path(state.FileName), dir / "collage");
}

TEST(QtDialogService, QualityDialogOffersTheQualityAndKeepsItOnCancel) {
  auto service = CreateQtDialogService();
  int quality = 73;
  WhenShown<QDialog>([](QDialog& dialog) {
    auto* spin = dialog.findChild<QSpinBox*>("QualitySpin");
    ASSERT_NE(spin, nullptr);
    EXPECT_EQ(dialog.objectName(), "JpegQualityDialog");
    EXPECT_EQ(spin->value(), 73);
    EXPECT_EQ(spin->minimum(), 1);
    EXPECT_EQ(spin->maximum(), 100);
    spin->setValue(250);  // held at the top of the range
    dialog.accept();
  });
  ASSERT_TRUE(service->ExecuteJpegQuality(nullptr, quality));
  EXPECT_EQ(quality, 100);
  WhenShown<QDialog>([](QDialog& dialog) {
    dialog.findChild<QSpinBox*>("QualitySpin")->setValue(20);
    dialog.reject();
  });
  EXPECT_FALSE(service->ExecuteJpegQuality(nullptr, quality));
  EXPECT_EQ(quality, 100);

  // Whatever was kept, the dialog offers a quality it can write.
  EXPECT_EQ(TJpegQualityDialog(0).Quality(), 1);
  EXPECT_EQ(TJpegQualityDialog(1000).Quality(), 100);
}

TEST(QtDialogService, ColorDialogStartsAtTheColorAndReturnsTheChoice) {
  auto service = CreateQtDialogService();
  TColor color = 0x00336699;  // 0x00BBGGRR
  WhenShown<QColorDialog>([](QColorDialog& dialog) {
    EXPECT_EQ(dialog.currentColor(), QColor(0x99, 0x66, 0x33));
    dialog.setCurrentColor(QColor(10, 20, 30));
    static_cast<QDialog&>(dialog).accept();
  });
  ASSERT_TRUE(service->ExecuteColor(nullptr, color));
  EXPECT_EQ(color, RGBColor(10, 20, 30));

  WhenShown<QColorDialog>([](QColorDialog& dialog) {
    dialog.setCurrentColor(Qt::red);
    dialog.reject();
  });
  EXPECT_FALSE(service->ExecuteColor(nullptr, color));
  EXPECT_EQ(color, RGBColor(10, 20, 30));
}

TEST(QtDialogService, FontDialogMapsNameSizeAndStyleAndKeepsTheColor) {
  TFont font;
  font.SetName("Arial");
  font.SetSize(16);
  font.SetStyle(fsBold | fsStrikeOut);
  font.SetColor(clRed);
  const QFont shown = FontForDialog(font);
  EXPECT_EQ(shown.family().toStdString(), ResolveFontFamily("Arial"));
  EXPECT_EQ(shown.pointSize(), 16);
  EXPECT_TRUE(shown.bold());
  EXPECT_TRUE(shown.strikeOut());
  EXPECT_FALSE(shown.italic());

  // Accepted unchanged, the font comes back as it went in: still "Arial", still 16 points.
  auto service = CreateQtDialogService();
  WhenShown<QFontDialog>([](QFontDialog& dialog) { dialog.accept(); });
  ASSERT_TRUE(service->ExecuteFont(nullptr, font));
  EXPECT_EQ(font.Name(), "Arial");
  EXPECT_EQ(font.Size(), 16);
  EXPECT_EQ(font.Style(), fsBold | fsStrikeOut);
  EXPECT_EQ(font.Color(), clRed);

  QFont chosen("DejaVu Serif");
  chosen.setPointSize(22);
  chosen.setItalic(true);
  chosen.setUnderline(true);
  AssignDialogFont(font, chosen);
  EXPECT_EQ(font.Name(), "DejaVu Serif");
  EXPECT_EQ(font.Size(), 22);
  EXPECT_EQ(font.Style(), fsItalic | fsUnderline);
  EXPECT_EQ(font.Color(), clRed);
}

}  // namespace pictavia
