// Exported pictures read back: PNG with exactly the BMP Save's pixels, JPEG within the loss of
// its quality and in the promised form; a failed export leaves no file behind.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

#include "codecs/codecs.h"
#include "document/composition.h"
#include "document/document_editing.h"
#include "document/document_layers.h"
#include "document/object_editing.h"
#include "document/output_file.h"
#include "document/picture_export.h"
#include "document/picture_loading.h"
#include "exif_files.h"
#include "jpeg_form.h"
#include "layers/offscreen_image.h"
#include "picture_files.h"
#include "raster/bitmap32.h"
#include "test_support.h"
#include "toolkit/exceptions.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

namespace fs = std::filesystem;

// Smooth shading, a fine grain and a hard-edged block: what a collage of photos holds. The odd
// size leaves partial blocks at the right and bottom edges of a JPEG.
void PaintPhotoLike(TBitmap32& B, TColor32 AlphaBits = 0xFF000000u) {
  const int w = 173, h = 131;
  B.SetSize(w, h);
  uint32_t seed = 12345;
  auto clamp = [](double v) {
    return static_cast<TColor32>(std::lround(std::clamp(v, 0.0, 255.0)));
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const double grain = static_cast<double>(seed >> 29) - 3.5;
      TColor32 c = clamp(128 + 90 * std::sin(x * 0.07) * std::cos(y * 0.05) + grain) << 16 |
                   clamp(40 + x * 170.0 / w + grain) << 8 | clamp(60 + y * 150.0 / h - grain);
      if (x >= w / 3 && x < w / 2 && y >= h / 4 && y < h / 2) c = 0xE03020u;
      B.SetPixel(x, y, AlphaBits | c);
    }
}

using exiffiles::MeanChannelDifference;

// A picture file read by Qt's own readers, as 0xFFRRGGBB pixels: a second opinion beside ours.
using BitmapPtr = std::unique_ptr<TBitmap32>;

BitmapPtr ReadWithQt(const fs::path& File) {
  QImage image(QString::fromStdString(File.string()));
  auto b = std::make_unique<TBitmap32>();
  if (image.isNull()) return b;
  image = image.convertToFormat(QImage::Format_ARGB32);
  b->SetSize(image.width(), image.height());
  for (int y = 0; y < image.height(); ++y)
    std::memcpy(b->RowAddress(y), image.constScanLine(y), 4 * static_cast<size_t>(image.width()));
  return b;
}

BitmapPtr ReadWithOurs(const fs::path& File) {
  auto b = std::make_unique<TBitmap32>();
  LoadPicture(*b, File.string(), loAsStored);
  return b;
}

// The BMP Save of the picture, read back.
BitmapPtr SavedAsBmp(const TBitmap32& Picture, const fs::path& File) {
  SaveBitmapAtomically(Picture, File.string());
  return ReadWithOurs(File);
}

using jpegform::LuminanceStepFor;
using jpegform::ReadJpegForm;

using testsupport::ErrorOf;
using testsupport::NamesIn;

class PictureExportTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterCodecPictureFormats(); }
  testsupport::TempDir dir;
};

TEST(PictureExportFormat, TheExtensionChoosesInAnyLetterCase) {
  struct Case {
    const char* Name;
    TExportFormat Format;
  };
  for (const Case& c :
       {Case{"a.png", efPng}, Case{"a.PNG", efPng}, Case{"a.jpg", efJpeg}, Case{"b.JpG", efJpeg},
        Case{"a.jpeg", efJpeg}, Case{"a.JPEG", efJpeg}, Case{"a.bmp", efBmp},
        Case{"dir.png/a.BMP", efBmp}, Case{"a.png.bak", efUnknown}, Case{"dir.png/a", efUnknown},
        Case{"a", efUnknown}, Case{"a.", efUnknown}, Case{"a.jpe", efUnknown},
        Case{"a.gif", efUnknown}, Case{"a.pngx", efUnknown}})
    EXPECT_EQ(ExportFormatOf(c.Name), c.Format) << c.Name;
}

TEST_F(PictureExportTest, APngHoldsExactlyTheBmpSavesPixels) {
  TBitmap32 picture;
  PaintPhotoLike(picture);
  const BitmapPtr bmp = SavedAsBmp(picture, dir / "saved.bmp");
  for (const char* name : {"out.png", "OUT.PNG"}) {
    ExportPicture(picture, (dir / name).string());
    const auto bytes = testsupport::ReadFileBytes(dir / name);
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(std::memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8), 0);
    EXPECT_EQ(bytes[24], 8) << "8 bits per sample";
    EXPECT_EQ(bytes[25], 2) << "RGB without alpha";
    EXPECT_EQ(bytes[28], 0) << "not interlaced";
    EXPECT_EQ(exiffiles::LargestChannelDifference(*ReadWithOurs(dir / name), *bmp), 0) << name;
    EXPECT_EQ(exiffiles::LargestChannelDifference(*ReadWithQt(dir / name), *bmp), 0) << name;
  }
  // An alpha below 255 changes none of the colour bytes: they are written as they are, as the
  // BMP Save writes them, not blended over anything.
  TBitmap32 seeThrough;
  PaintPhotoLike(seeThrough, 0x40000000u);
  ExportPicture(seeThrough, (dir / "alpha.png").string());
  const BitmapPtr back = ReadWithQt(dir / "alpha.png");
  EXPECT_EQ(exiffiles::LargestChannelDifference(*back, *bmp), 0);
  EXPECT_EQ(back->GetPixel(0, 0) >> 24, 0xFFu) << "opaque";
}

// At quality 90 the decoded picture differs from the BMP Save's by less than 2.5 per channel on
// average (2.24 here, most of it the grain) and by at most 64 (60 here, where the red block meets
// the shading and the halved chroma blurs the edge).
TEST_F(PictureExportTest, AJpegDecodesWithinTheLossOfItsQuality) {
  TBitmap32 picture;
  PaintPhotoLike(picture);
  const BitmapPtr bmp = SavedAsBmp(picture, dir / "saved.bmp");
  ExportPicture(picture, (dir / "out.jpg").string());
  const BitmapPtr readBack[] = {ReadWithOurs(dir / "out.jpg"), ReadWithQt(dir / "out.jpg")};
  for (const BitmapPtr& back : readBack) {
    ASSERT_EQ(back->Width(), 173);
    ASSERT_EQ(back->Height(), 131);
    EXPECT_LT(MeanChannelDifference(*back, *bmp), 2.5);
    EXPECT_LE(exiffiles::LargestChannelDifference(*back, *bmp), 64);
  }
  const jpegform::JpegForm form = ReadJpegForm(testsupport::ReadFileBytes(dir / "out.jpg"));
  EXPECT_EQ(form.FrameMarker, 0xC0) << "baseline, not progressive";
  EXPECT_EQ(form.Sampling, (std::vector<int>{0x22, 0x11, 0x11})) << "colour, chroma halved";
  EXPECT_EQ(form.FirstLuminanceStep, LuminanceStepFor(90));

  // A lower quality: coarser steps, a smaller file, more loss.
  ExportPicture(picture, (dir / "low.JPEG").string(), 30);
  EXPECT_EQ(ReadJpegForm(testsupport::ReadFileBytes(dir / "low.JPEG")).FirstLuminanceStep,
            LuminanceStepFor(30));
  EXPECT_LT(fs::file_size(dir / "low.JPEG"), fs::file_size(dir / "out.jpg"));
  EXPECT_GT(MeanChannelDifference(*ReadWithOurs(dir / "low.JPEG"), *bmp),
            MeanChannelDifference(*ReadWithOurs(dir / "out.jpg"), *bmp));
  // The ends of the range are accepted.
  for (int quality : {1, 100}) {
    ExportPicture(picture, (dir / "end.jpg").string(), quality);
    EXPECT_EQ(ReadJpegForm(testsupport::ReadFileBytes(dir / "end.jpg")).FirstLuminanceStep,
              LuminanceStepFor(quality));
  }
}

TEST_F(PictureExportTest, BmpIsTheSaveAndEveryFormatCanBeGivenOutright) {
  TBitmap32 picture;
  PaintPhotoLike(picture);
  SaveBitmapAtomically(picture, (dir / "saved.bmp").string());
  ExportPicture(picture, (dir / "export.BMP").string());
  EXPECT_EQ(testsupport::ReadFileBytes(dir / "export.BMP"),
            testsupport::ReadFileBytes(dir / "saved.bmp"));
  // A name with no extension of its own, in a format given by the caller.
  ExportPicture(picture, (dir / "picture").string(), efPng);
  EXPECT_EQ(testsupport::ReadFileBytes(dir / "picture")[1], 'P');
  ExportPicture(picture, (dir / "picture").string(), efJpeg, 75);
  EXPECT_EQ(ReadJpegForm(testsupport::ReadFileBytes(dir / "picture")).FirstLuminanceStep,
            LuminanceStepFor(75));
}

// Export writes what Save writes.
TEST_F(PictureExportTest, ACompositionExportsItsSavedPixels) {
  TPictureStore store;
  TDocument doc;
  NewDocumentCanvas(doc, 64, 48, 0xFF2060A0u);
  TBitmap32 photo;
  PaintPhotoLike(photo);
  AddPhoto(doc, store, picturefiles::WriteBmp(dir / "photo.bmp", photo), Point(30, 20));
  TOffscreenImage view;
  TDocumentLayers layers(view.Layers(), view.Bitmap());
  layers.Update(doc);
  SaveBitmapAtomically(*FlattenComposition(view), (dir / "saved.bmp").string());
  ExportComposition(view, (dir / "exported.png").string());
  ExportComposition(view, (dir / "exported.jpg").string(), 95);
  const BitmapPtr saved = ReadWithOurs(dir / "saved.bmp");
  EXPECT_EQ(exiffiles::LargestChannelDifference(*ReadWithOurs(dir / "exported.png"), *saved), 0);
  // More of this small picture is edges than of the larger one above (3.2 here).
  EXPECT_LT(MeanChannelDifference(*ReadWithOurs(dir / "exported.jpg"), *saved), 4.0);
  EXPECT_EQ(ReadJpegForm(testsupport::ReadFileBytes(dir / "exported.jpg")).FirstLuminanceStep,
            LuminanceStepFor(95));
}

TEST_F(PictureExportTest, WhatCannotBeExportedIsRefusedBeforeAFileIsMade) {
  TBitmap32 picture;
  PaintPhotoLike(picture);
  TBitmap32 empty;
  const fs::path old = dir / "old.jpg";
  testsupport::WriteFileBytes(old, {'o', 'l', 'd'});
  struct Case {
    std::function<void()> Call;
    std::string Message;
  };
  const std::string oldName = old.string(), gifName = (dir / "new.gif").string();
  for (const Case& c : {
           Case{[&] { ExportPicture(picture, oldName, 0); },
                "The JPEG quality must be from 1 to 100, not 0"},
           Case{[&] { ExportPicture(picture, oldName, 101); },
                "The JPEG quality must be from 1 to 100, not 101"},
           Case{[&] { ExportPicture(empty, oldName); }, "An empty picture cannot be exported"},
           Case{[&] { ExportPicture(empty, (dir / "new.png").string()); },
                "An empty picture cannot be exported"},
           Case{[&] { ExportPicture(picture, gifName); },
                "\"" + gifName +
                    "\" is not exported: give it the extension .png, .jpg, .jpeg or .bmp"},
       }) {
    EXPECT_EQ(ErrorOf(c.Call), c.Message);
    EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"old.jpg"});
    EXPECT_EQ(testsupport::ReadFileBytes(old), (std::vector<unsigned char>{'o', 'l', 'd'}));
  }
  // The quality of a PNG is not looked at.
  ExportPicture(picture, (dir / "fine.png").string(), 0);
  EXPECT_TRUE(fs::exists(dir / "fine.png"));
}

TEST_F(PictureExportTest, AFailedWriteLeavesNoPartialFile) {
  TBitmap32 picture;
  PaintPhotoLike(picture);
  for (const char* name : {"out.png", "out.jpg"}) {
    // A folder that is not there.
    const std::string missing = (dir / "missing" / name).string();
    EXPECT_EQ(ErrorOf([&] { ExportPicture(picture, missing); }),
              "Cannot create file \"" + missing + "\". " + std::strerror(ENOENT));
    EXPECT_FALSE(fs::exists(dir / "missing"));

    // A write that fails half-way (the file may not grow past 1000 bytes): the old file stays.
    const fs::path out = dir / name;
    testsupport::WriteFileBytes(out, {'o', 'l', 'd'});
    std::string error;
    {
      testsupport::FileSizeLimit limit(1000);
      error = ErrorOf([&] { ExportPicture(picture, out.string()); });
    }
    EXPECT_NE(error.find(out.string()), std::string::npos) << error;
    EXPECT_NE(error.find(std::strerror(EFBIG)), std::string::npos) << error;
    EXPECT_EQ(testsupport::ReadFileBytes(out), (std::vector<unsigned char>{'o', 'l', 'd'}));
    EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{name});
    fs::remove(out);
  }
}

TEST_F(PictureExportTest, AFolderThatCannotBeWrittenIsRefused) {
  testsupport::SmallFileSystem readOnly(64, true);
  testsupport::TempDir locked;
  fs::path folder;
  if (::geteuid() != 0) {
    ::chmod(locked.Path().c_str(), 0555);
    folder = locked.Path();
  } else if (readOnly.Mounted()) {
    folder = readOnly.Path();  // root may write any folder, but not on a read-only disk
  } else {
    GTEST_SKIP()
        << "as root, only a read-only mount makes a folder unwritable, and none is allowed";
  }
  TBitmap32 picture;
  PaintPhotoLike(picture);
  for (const char* name : {"out.png", "out.jpg"}) {
    const std::string out = (folder / name).string();
    const std::string error = ErrorOf([&] { ExportPicture(picture, out); });
    EXPECT_EQ(error.rfind("Cannot create file \"" + out + "\". ", 0), 0u) << error;
    EXPECT_TRUE(NamesIn(folder).empty());
  }
  ::chmod(locked.Path().c_str(), 0755);
}

TEST_F(PictureExportTest, AFullDiskLeavesNoPartialFile) {
  testsupport::SmallFileSystem disk(64);
  if (!disk.Mounted())
    GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno)
                 << "); the file size limit above covers a failing write";
  TBitmap32 big;
  PaintPhotoLike(big);
  // Larger than the disk in either format: the grain keeps it from compressing away.
  TBitmap32 picture;
  picture.SetSize(big.Width() * 3, big.Height() * 3);
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x)
      picture.SetPixel(x, y, big.GetPixel(x % big.Width(), y % big.Height()) ^ (x * 7919u + y));
  for (const char* name : {"out.png", "out.jpg"}) {
    const std::string out = (disk / name).string();
    const std::string error = ErrorOf([&] { ExportPicture(picture, out); });
    EXPECT_NE(error.find(out), std::string::npos) << error;
    EXPECT_NE(error.find(std::strerror(ENOSPC)), std::string::npos) << error;
    EXPECT_TRUE(NamesIn(disk.Path()).empty()) << name;
  }
}

}  // namespace

}  // namespace pictavia
