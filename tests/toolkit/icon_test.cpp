// Icons: which picture of a file is shown, its alpha, drawing, saving, and files that must be
// refused; also the kept crashers of both readers.
#include <gtest/gtest.h>

#include <QImage>
#include <memory>

#include "test_support.h"
#include "toolkit/bitmap.h"
#include "toolkit/exceptions.h"
#include "toolkit/icon.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace fs = std::filesystem;

namespace {

fs::path IcoDir() {
  return testsupport::CorpusDir() / "ico";
}

}  // namespace

TEST(Icon, PicksTheLargestDeepestPictureOfEachFile) {
  PICTAVIA_REQUIRE_CORPUS("ico");
  const struct {
    const char* File;
    int Size;
    int Bits;
  } cases[] = {
      {"smile.ico", 32, 4},
      {"pillow_black_and_white.ico", 16, 1},
      {"multiple_entries_with_different_bit_depth.ico", 48, 32},
      {"pillow_hopper_256x256.ico", 256, 24},
      {"pillow_pillow.ico", 256, 32},  // a PNG picture among bitmaps
      {"pillow_python.ico", 48, 32},
      {"png_l8.ico", 32, 8},
      {"png_rgb8.ico", 32, 24},
      {"bmp_v5_with_icc.ico", 127, 24},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.File);
    TIcon icon;
    ASSERT_NO_THROW(icon.LoadFromFile((IcoDir() / c.File).string()));
    EXPECT_EQ(icon.Width(), c.Size);
    EXPECT_EQ(icon.BitCount(), c.Bits);
    EXPECT_EQ(icon.Pixels().size(), size_t(icon.Width()) * icon.Height());
  }
}

TEST(Icon, PixelsMatchTheReferenceRenderingsWithTheirAlpha) {
  PICTAVIA_REQUIRE_CORPUS("ico/reference");
  int compared = 0;
  for (const fs::path& ref : testsupport::FilesIn(IcoDir() / "reference", ".png")) {
    const std::string name = ref.filename().string();
    const fs::path file = IcoDir() / name.substr(0, name.size() - 4);
    if (!fs::exists(file)) continue;  // the reference of a questionable file
    SCOPED_TRACE(name);
    TIcon icon;
    ASSERT_NO_THROW(icon.LoadFromFile(file.string()));
    QImage expected;
    ASSERT_TRUE(expected.load(QString::fromStdString(ref.string())));
    expected = expected.convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(expected.width(), icon.Width());
    ASSERT_EQ(expected.height(), icon.Height());
    int mismatches = 0;
    for (int y = 0; y < icon.Height(); ++y)
      for (int x = 0; x < icon.Width(); ++x) {
        const uint32_t ours = icon.Pixels()[size_t(y) * icon.Width() + x];
        const QRgb theirs = expected.pixel(x, y);
        if ((ours >> 24) != uint32_t(qAlpha(theirs)) ||
            (qAlpha(theirs) != 0 && (ours & 0xFFFFFF) != (theirs & 0xFFFFFF)))
          ++mismatches;
      }
    EXPECT_EQ(mismatches, 0);
    ++compared;
  }
  EXPECT_GE(compared, 7);
}

TEST(Icon, DrawsBlendedAndSavesItsOwnBytes) {
  PICTAVIA_REQUIRE_CORPUS("ico");
  TIcon icon;
  icon.LoadFromFile((IcoDir() / "bmp-24bpp-mask.ico").string());
  TBitmap target;
  target.SetPixelFormat(pf32bit);
  target.SetSize(64, 64);
  target.Canvas()->Brush().Color = clWhite;
  target.Canvas()->FillRect(Rect(0, 0, 64, 64));
  target.Canvas()->StretchDraw(Rect(0, 0, 64, 64), &icon);  // twice the size
  int kept = 0, replaced = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const uint32_t s = icon.Pixels()[size_t(y / 2) * 32 + x / 2];
      const uint32_t d = target.Canvas()->ScanLine(y)[x];
      if ((s >> 24) == 0) {
        EXPECT_EQ(d, 0xFFFFFFFFu);
        ++kept;
      } else if ((s >> 24) == 255) {
        EXPECT_EQ(d & 0xFFFFFF, s & 0xFFFFFF);
        ++replaced;
      }
    }
  EXPECT_GT(kept, 0);
  EXPECT_GT(replaced, 0);

  TMemoryStream saved;
  icon.SaveToStream(saved);
  EXPECT_EQ(saved.Bytes(), ReadWholeFile((IcoDir() / "bmp-24bpp-mask.ico").string()));
  TIcon copy;
  copy.Assign(&icon);
  EXPECT_EQ(copy.Pixels(), icon.Pixels());
  EXPECT_THROW(copy.SetWidth(10), EInvalidGraphicOperation);
}

TEST(Icon, BrokenFilesAreRefusedAndLeaveTheIconUnchanged) {
  PICTAVIA_REQUIRE_CORPUS("ico/bad");
  TIcon icon;
  icon.LoadFromFile((IcoDir() / "smile.ico").string());
  for (const fs::path& f : testsupport::FilesIn(IcoDir() / "bad")) {
    SCOPED_TRACE(f.filename().string());
    try {
      icon.LoadFromFile(f.string());
      ADD_FAILURE() << "loaded";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Icon image is not valid: ", 0), 0u) << e.what();
    }
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(icon.BitCount(), 4);
  }
  // Questionable files: read or refused, never more.
  for (const fs::path& f : testsupport::FilesIn(IcoDir() / "questionable")) {
    TIcon q;
    try {
      q.LoadFromFile(f.string());
      EXPECT_EQ(q.Pixels().size(), size_t(q.Width()) * q.Height());
    } catch (const EInvalidGraphic&) {
    }
  }
}

// Inputs that once failed a reader stay here: they must load or be refused with our exception.
TEST(Crashers, KeptInputsLoadOrFailCleanly) {
  const fs::path root = testsupport::SourceDir() / "tests" / "crashers";
  if (testsupport::SourceDir().empty() || !fs::is_directory(root))
    GTEST_SKIP() << "source folder not found (set PICTAVIA_SOURCE)";
  int seen = 0;
  for (const char* kind : {"bmp", "ico"}) {
    for (const fs::path& f : testsupport::FilesIn(root / kind)) {
      SCOPED_TRACE(f.string());
      std::unique_ptr<TGraphic> g;
      if (std::string(kind) == "bmp")
        g = std::make_unique<TBitmap>();
      else
        g = std::make_unique<TIcon>();
      try {
        g->LoadFromFile(f.string());
      } catch (const Exception&) {
      }
      TBitmap target;
      target.SetSize(16, 16);
      target.Canvas()->StretchDraw(Rect(0, 0, 16, 16), g.get());
      ++seen;
    }
  }
  if (seen == 0) GTEST_SKIP() << "no kept inputs in tests/crashers/bmp or tests/crashers/ico";
}

}  // namespace pictavia
