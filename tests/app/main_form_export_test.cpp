// File > Export through the real window: the format from the typed name or the filter, the
// overwrite question, the JPEG quality (asked, remembered, cancelled), the files read back beside
// the BMP Save's, and exports that fail.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <QAction>
#include <QApplication>

#include <sys/stat.h>
#include <unistd.h>

#include "document/picture_export.h"
#include "document/picture_loading.h"
#include "exif_files.h"
#include "jpeg_form.h"
#include "main_form_test_support.h"
#include "view/range_bars.h"

namespace pictavia {

namespace {

namespace fs = std::filesystem;

class MainFormExportTest : public MainFormTest {
 protected:
  // A composition with something in it of every kind that blends: a shaded photo, a half
  // transparent bar over it, left selected (its frame must not be exported).
  void Compose() {
    TBitmap32 shading;
    shading.SetSize(200, 150);
    for (int y = 0; y < 150; ++y)
      for (int x = 0; x < 200; ++x)
        shading.SetPixel(
            x, y,
            Color32(static_cast<uint8_t>(x * 255 / 199), static_cast<uint8_t>(y * 255 / 149),
                    static_cast<uint8_t>(128 + 100 * std::sin(x * 0.05))));
    ASSERT_NE(AddPhoto(picturefiles::WriteBmp(temp / "shading.bmp", shading)), nullptr);
    ASSERT_NE(AddBar(), nullptr);
    Find<TGaugeBar>(kOpacitySlider)->SetPosition(140);
  }
  void Export() {
    QAction* entry = Form->findChild<QAction*>(QString::fromLatin1(kExportEntry));
    ASSERT_NE(entry, nullptr);
    ASSERT_TRUE(entry->isEnabled());
    entry->trigger();
    Flush();
  }
  // The composition as the BMP Save writes it, read back.
  std::unique_ptr<TBitmap32> Saved() {
    const fs::path file = temp / "saved.bmp";
    Dialogs.AnswerSave(file.string());
    Click(kSave);
    return Read(file);
  }
  static std::unique_ptr<TBitmap32> Read(const fs::path& File) {
    auto b = std::make_unique<TBitmap32>();
    LoadPicture(*b, File.string(), loAsStored);
    return b;
  }
  std::vector<TDialogRequest> QualityAsked() const { return Dialogs.RequestsOf(dkJpegQuality); }
};

TEST_F(MainFormExportTest, APngExportHoldsExactlyTheSavesPixels) {
  Compose();
  const fs::path out = temp / "collage.png";
  Dialogs.AnswerSave(out.string());
  Export();
  EXPECT_TRUE(QualityAsked().empty()) << "a PNG has no quality";
  const auto asked = Dialogs.RequestsOf(dkSave);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].Save.Title, "Export");
  EXPECT_EQ(asked[0].Save.Filter,
            "PNG picture (*.png)|*.png|JPEG picture (*.jpg *.jpeg)|*.jpg;*.jpeg");
  EXPECT_EQ(Form->SelectedLayer(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  const auto bytes = testsupport::ReadFileBytes(out);
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(std::memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8), 0);
  const auto png = Read(out);
  const auto bmp = Saved();
  ASSERT_EQ(png->Width(), 640);
  EXPECT_EQ(exiffiles::LargestChannelDifference(*png, *bmp), 0);
  // The bar blended over the photo, not the frame's handles, is what both hold at its corner.
  EXPECT_NE(bmp->GetPixel(Centre().X, Centre().Y), clWhite32);
}

TEST_F(MainFormExportTest, AJpegExportDecodesWithinTheLossOfItsQuality) {
  Compose();
  const fs::path out = temp / "collage.JPEG";
  Dialogs.AnswerSave(out.string());
  Dialogs.AnswerQuality(90);
  Export();
  ASSERT_EQ(QualityAsked().size(), 1u);
  EXPECT_EQ(QualityAsked()[0].Quality, 90) << "the first export offers 90";
  const auto jpeg = Read(out);
  const auto bmp = Saved();
  ASSERT_EQ(jpeg->Width(), 640);
  ASSERT_EQ(jpeg->Height(), 480);
  EXPECT_LT(exiffiles::MeanChannelDifference(*jpeg, *bmp), 2.5);
  // The bar's hard coloured edges lose most to the halved chroma (over 100 in a channel there);
  // a block of 16 pixels from them on, the loss is that of smooth shading.
  const TFloatRect bar = Objects().back()->Location();
  int largest = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      if (x > bar.Left - 16 && x < bar.Right + 16 && y > bar.Top - 16 && y < bar.Bottom + 16 &&
          !(x > bar.Left + 16 && x < bar.Right - 16 && y > bar.Top + 16 && y < bar.Bottom - 16))
        continue;
      for (int shift : {0, 8, 16}) {
        const int a = static_cast<int>(jpeg->GetPixel(x, y) >> shift & 0xFF);
        const int b = static_cast<int>(bmp->GetPixel(x, y) >> shift & 0xFF);
        largest = std::max(largest, std::abs(a - b));
      }
    }
  EXPECT_LE(largest, 64);
  const jpegform::JpegForm form = jpegform::ReadJpegForm(testsupport::ReadFileBytes(out));
  EXPECT_EQ(form.FrameMarker, 0xC0) << "baseline";
  EXPECT_EQ(form.Sampling, (std::vector<int>{0x22, 0x11, 0x11}));
  EXPECT_EQ(form.FirstLuminanceStep, jpegform::LuminanceStepFor(90));
}

TEST_F(MainFormExportTest, TheTypedExtensionOrElseTheFilterChoosesTheFormat) {
  AddBar();
  struct Case {
    const char* Typed;
    int Filter;
    const char* Written;
    bool Jpeg;
  };
  const Case cases[] = {{"a.png", 2, "a.png", false},     {"b.JPG", 1, "b.JPG", true},
                        {"c", 1, "c.png", false},         {"d", 2, "d.jpg", true},
                        {"e.bmp", 1, "e.bmp.png", false}, {"f.", 1, "f..png", false},
                        {"g.2024", 2, "g.2024.jpg", true}};
  for (const Case& c : cases) {
    Dialogs.ClearLog();
    Dialogs.AnswerSave((temp / c.Typed).string(), c.Filter);
    if (c.Jpeg) Dialogs.AnswerQuality(80);
    Export();
    EXPECT_EQ(QualityAsked().size(), c.Jpeg ? 1u : 0u) << c.Typed;
    const auto bytes = testsupport::ReadFileBytes(temp / c.Written);
    ASSERT_GT(bytes.size(), 8u) << c.Written;
    EXPECT_EQ(bytes[0], c.Jpeg ? 0xFF : 0x89) << c.Written;
  }
  // The filter last chosen is the one the dialog shows next.
  Dialogs.ClearLog();
  Dialogs.CancelSave();
  Export();
  EXPECT_EQ(Dialogs.RequestsOf(dkSave).at(0).Save.FilterIndex, 2);
  EXPECT_FALSE(fs::exists(temp / "e.bmp")) << "a BMP is Save's, not Export's";
}

TEST_F(MainFormExportTest, AnAppendedExtensionAsksBeforeReplacingAFile) {
  const fs::path existing = temp / "collage.png";
  const std::vector<uint8_t> old = {'k', 'e', 'e', 'p'};
  testsupport::WriteFileBytes(existing, old);
  TBitmapLayer* bar = AddBar();

  // No: back to the dialog, with the filter and folder as they were; Cancel writes nothing.
  Dialogs.AnswerSave((temp / "collage").string(), 1);
  Dialogs.AnswerMessage(IDNO);
  Dialogs.CancelSave();
  Export();
  EXPECT_EQ(testsupport::ReadFileBytes(existing), old);
  const auto questions = Dialogs.RequestsOf(dkMessageBox);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0].Text, "collage.png already exists.\nDo you want to replace it?");
  EXPECT_EQ(questions[0].Caption, "Export");
  EXPECT_EQ(questions[0].Flags, MB_YESNO | MB_ICONWARNING);
  EXPECT_EQ(Dialogs.RequestsOf(dkSave).size(), 2u);
  EXPECT_EQ(Form->SelectedLayer(), bar);

  // The name as typed was asked about by the dialog itself: no second question.
  Dialogs.ClearLog();
  Dialogs.AnswerSave(existing.string());
  Export();
  EXPECT_TRUE(Dialogs.RequestsOf(dkMessageBox).empty());
  EXPECT_NE(testsupport::ReadFileBytes(existing), old);
}

TEST_F(MainFormExportTest, CancelInTheQualityDialogWritesNothing) {
  const fs::path existing = temp / "old.jpg";
  testsupport::WriteFileBytes(existing, {'o', 'l', 'd'});
  TBitmapLayer* bar = AddBar();
  for (const fs::path& out : {temp / "new.jpg", existing}) {
    Dialogs.AnswerSave(out.string());
    Dialogs.CancelQuality();
    Export();
  }
  EXPECT_EQ(testsupport::FilesIn(temp.Path()), std::vector<fs::path>{existing});
  EXPECT_EQ(testsupport::ReadFileBytes(existing), (std::vector<unsigned char>{'o', 'l', 'd'}));
  EXPECT_EQ(Form->SelectedLayer(), bar) << "nothing was exported, nothing deselected";
  EXPECT_TRUE(Dialogs.Messages().empty());
}

TEST_F(MainFormExportTest, TheQualityAndTheFolderAreRememberedAcrossRuns) {
  fs::create_directories(temp / "out");
  AddBar();
  Dialogs.AnswerSave((temp / "out" / "a.jpg").string());
  Dialogs.AnswerQuality(35);
  Export();
  EXPECT_EQ(
      jpegform::ReadJpegForm(testsupport::ReadFileBytes(temp / "out" / "a.jpg")).FirstLuminanceStep,
      jpegform::LuminanceStepFor(35));

  // A quality is kept once chosen, even when the write then fails; a failed export moves no
  // folder, and neither does one cancelled in the quality dialog.
  Dialogs.AnswerSave((temp / "gone" / "b.jpg").string());
  Dialogs.AnswerQuality(60);
  Export();
  EXPECT_EQ(Dialogs.Messages().size(), 1u);
  Dialogs.ClearLog();
  Dialogs.AnswerSave((temp / "c.jpg").string());
  Dialogs.CancelQuality();
  Export();
  EXPECT_EQ(QualityAsked().at(0).Quality, 60);

  Form->close();
  Form = std::make_unique<TMainForm>(nullptr, &Dialogs);
  Form->show();
  Flush();
  Dialogs.ClearLog();
  Dialogs.AnswerSave((temp / "out" / "d.jpg").string());
  Dialogs.AnswerQuality(60);
  Export();
  ASSERT_EQ(QualityAsked().size(), 1u);
  EXPECT_EQ(QualityAsked()[0].Quality, 60);
  EXPECT_EQ(fs::path(Dialogs.RequestsOf(dkSave).at(0).Save.InitialDir), temp / "out");
  EXPECT_EQ(Form->ExportDialog().InitialDir, (temp / "out").string());
  // The picture dialog of Save keeps its own folder.
  EXPECT_EQ(Form->SaveDialog1().InitialDir, "");
}

TEST_F(MainFormExportTest, AFolderThatCannotBeWrittenIsReportedAndTheCompositionStays) {
  testsupport::SmallFileSystem readOnly(64, true);
  testsupport::TempDir locked;
  fs::path folder;
  if (::geteuid() != 0) {
    ::chmod(locked.Path().c_str(), 0555);
    folder = locked.Path();
  } else if (readOnly.Mounted()) {
    folder = readOnly.Path();
  } else {
    GTEST_SKIP() << "as root, only a read-only mount makes a folder unwritable";
  }
  Compose();
  const auto before = Saved();
  const std::vector<TBitmapLayer*> objects = Objects();
  for (const char* name : {"out.png", "out.jpg"}) {
    Dialogs.ClearLog();
    const std::string out = (folder / name).string();
    Dialogs.AnswerSave(out);
    if (ExportFormatOf(out) == efJpeg) Dialogs.AnswerQuality(90);
    Export();
    ASSERT_EQ(Dialogs.Messages().size(), 1u) << name;
    EXPECT_EQ(Dialogs.Messages()[0].rfind("Cannot create file \"" + out + "\". ", 0), 0u)
        << Dialogs.Messages()[0];
    EXPECT_TRUE(testsupport::NamesIn(folder).empty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }
  ::chmod(locked.Path().c_str(), 0755);
  EXPECT_EQ(Objects(), objects);
  EXPECT_EQ(exiffiles::LargestChannelDifference(*Saved(), *before), 0);
  EXPECT_EQ(Form->ExportDialog().InitialDir, "");
}

TEST_F(MainFormExportTest, AWriteThatFailsHalfWayLeavesTheOldFileAndNoOther) {
  Compose();
  const fs::path out = temp / "collage.png";
  testsupport::WriteFileBytes(out, {'o', 'l', 'd'});
  {
    testsupport::FileSizeLimit limit(1000);  // the disk is full after 1000 bytes
    Dialogs.AnswerSave(out.string());
    Export();
  }
  ASSERT_EQ(Dialogs.Messages().size(), 1u);
  EXPECT_EQ(Dialogs.Messages()[0],
            "Cannot write file \"" + out.string() + "\". " + std::strerror(EFBIG));
  EXPECT_EQ(testsupport::ReadFileBytes(out), (std::vector<unsigned char>{'o', 'l', 'd'}));
  EXPECT_EQ(testsupport::FilesIn(temp.Path()).size(), 2u) << "a temporary file was left behind";
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  // The same export once there is room.
  Dialogs.AnswerSave(out.string());
  Export();
  EXPECT_EQ(Read(out)->Width(), 640);
}

}  // namespace

}  // namespace pictavia
