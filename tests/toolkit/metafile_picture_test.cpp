// TMetafile as a picture: saving and reloading with a changed size, assignment, change
// notification, the picture-format registry, and the kept fuzzer finds.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "metafile_test_support.h"
#include "test_support.h"
#include "toolkit/exceptions.h"
#include "toolkit/picture.h"

namespace pictavia {

using namespace metafiletest;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Saved(TMetafile& mf) {
  TMemoryStream out;
  mf.SaveToStream(out);
  return out.Bytes();
}

std::vector<uint8_t> RedSquareWmf(bool placeable) {
  TWmfBuilder b(96, 96, placeable);
  if (!placeable) b.Rec(0x020C, {96, 96});  // window extent
  b.Rec(0x02FC, {0, 0x00FF, 0, 0}).Rec(0x012D, {0}).Rec(0x041B, {60, 60, 10, 10});
  return b.Finish();
}

}  // namespace

TEST(MetafilePicture, SavingWritesWhatWasLoadedOrTheNewSize) {
  // Unchanged: the bytes come back as they were (a trailing byte after the end is dropped).
  std::vector<uint8_t> wmf = RedSquareWmf(true);
  TMetafile a = Load(wmf);
  EXPECT_EQ(Saved(a), wmf);
  std::vector<uint8_t> withTail = wmf;
  withTail.push_back(0x55);
  TMetafile tail = Load(withTail);
  EXPECT_EQ(Saved(tail), wmf);

  // Resized: the placeable header carries the new size and the drawing scales with it.
  a.SetWidth(48);
  EXPECT_EQ(a.MMWidth(), 1270);
  TMetafile b = Load(Saved(a));
  EXPECT_EQ(b.Width(), 48);
  EXPECT_EQ(b.Height(), 96);
  EXPECT_EQ(At(Render(b, 48, 96), 20, 30), 0xFF0000u);

  // A standard metafile gains a placeable header when its size changes.
  TMetafile c = Load(RedSquareWmf(false));
  EXPECT_EQ(c.Inch(), 0);
  c.SetHeight(48);
  TMetafile d = Load(Saved(c));
  EXPECT_EQ(d.Width(), 96);
  EXPECT_EQ(d.Height(), 48);
  EXPECT_NE(d.Inch(), 0);

  // An EMF keeps its size in the frame.
  TMetafile e = Load(TEmfBuilder().Finish());
  e.SetMMHeight(1270);
  EXPECT_EQ(e.Height(), 48);
  TMetafile f = Load(Saved(e));
  EXPECT_EQ(f.MMHeight(), 1270);
  EXPECT_EQ(f.Height(), 48);
  EXPECT_EQ(f.Width(), 96);
}

TEST(MetafilePicture, AssignmentAndNotification) {
  TMetafile source = Load(RedSquareWmf(true));
  TMetafile copy;
  int changes = 0;
  copy.OnChange = [&](TObject*) { ++changes; };
  copy.Assign(&source);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(copy.Data(), source.Data());
  EXPECT_EQ(copy.Width(), 96);
  EXPECT_TRUE(copy.Transparent());
  copy.SetWidth(50);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(source.Width(), 96);
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.Empty());
  EXPECT_EQ(copy.Width(), 0);
  // An empty picture draws nothing and saves nothing.
  EXPECT_EQ(At(Render(copy, 8, 8), 4, 4), 0xFFFFFFu);
  EXPECT_TRUE(Saved(copy).empty());
}

TEST(MetafilePicture, PicturesLoadMetafilesByExtension) {
  testsupport::TempDir dir;
  for (const char* name : {"square.wmf", "frame.EMF"}) {
    SCOPED_TRACE(name);
    const bool enhanced = std::string(name).find("EMF") != std::string::npos;
    const std::vector<uint8_t> bytes = enhanced ? TEmfBuilder().Finish() : RedSquareWmf(true);
    testsupport::WriteFileBytes(dir / name, std::vector<unsigned char>(bytes.begin(), bytes.end()));
    TPicture picture;
    picture.LoadFromFile((dir / name).string());
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_STREQ(picture.Graphic()->ClassName(), "TMetafile");
    EXPECT_EQ(static_cast<TMetafile*>(picture.Graphic())->Enhanced(), enhanced);
    EXPECT_EQ(picture.Width(), 96);
  }
  // A picture that fails to load keeps what it held.
  testsupport::WriteFileBytes(dir / "broken.wmf", std::vector<unsigned char>(64, 1));
  TPicture picture;
  picture.LoadFromFile((dir / "square.wmf").string());
  EXPECT_THROW(picture.LoadFromFile((dir / "broken.wmf").string()), EInvalidGraphic);
  EXPECT_EQ(picture.Width(), 96);
}

// Inputs the fuzzers once found: each loads or is refused, and draws without trouble.
TEST(MetafilePicture, KeptFuzzerFindsLoadOrFailCleanly) {
  size_t files = 0;
  for (const char* kind : {"emf", "wmf"}) {
    const fs::path dir = testsupport::SourceDir() / "tests" / "crashers" / kind;
    if (!fs::is_directory(dir)) continue;
    for (const fs::path& file : testsupport::FilesIn(dir)) {
      SCOPED_TRACE(file.string());
      ++files;
      const std::vector<unsigned char> raw = testsupport::ReadFileBytes(file);
      TReadOnlyMemoryStream stream(raw.data(), static_cast<int64_t>(raw.size()));
      TMetafile mf;
      try {
        mf.LoadFromStream(stream);
      } catch (const EInvalidGraphic&) {
        EXPECT_TRUE(mf.Empty());
        continue;
      }
      Render(mf, 64, 64);
    }
  }
  if (files == 0) GTEST_SKIP() << "no kept metafile inputs under tests/crashers";
}

}  // namespace pictavia
