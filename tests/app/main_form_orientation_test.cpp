// Phone photos through the editor's Add Photo: a JPEG stored turned or mirrored, with its
// orientation tag, is added upright, the same as the file stored upright.
#include "exif_files.h"
#include "main_form_test_support.h"

namespace pictavia {

namespace {

TEST_F(MainFormTest, PhotosInEveryOrientationAreAddedUpright) {
  TBitmap32 upright;
  exiffiles::BlockPicture(upright);
  // Each photo covers the one before it, so every save shows only the newest.
  struct Added {
    std::unique_ptr<TBitmap32> Pixels, Saved;
    TFloatRect Location;
  };
  auto Add = [&](int Orientation) {
    const std::string file = exiffiles::WriteOrientedJpeg(
        temp / (std::to_string(Orientation) + ".jpg"), upright, Orientation, Orientation > 4);
    Added a;
    TBitmapLayer* photo = AddPhoto(file);
    EXPECT_NE(photo, nullptr);
    if (!photo) return a;
    a.Pixels = std::make_unique<TBitmap32>();
    a.Pixels->Assign(&photo->Bitmap());
    a.Location = photo->Location();
    const std::string saved = (temp / (std::to_string(Orientation) + ".bmp")).string();
    Dialogs.AnswerSave(saved);
    Click(kSave);
    a.Saved = std::make_unique<TBitmap32>();
    a.Saved->LoadFromFile(saved);
    return a;
  };
  const Added original = Add(1);
  ASSERT_TRUE(original.Pixels);
  for (int o = 2; o <= 8; ++o) {
    SCOPED_TRACE("orientation " + std::to_string(o));
    const Added a = Add(o);
    ASSERT_TRUE(a.Pixels);
    EXPECT_EQ(a.Location, original.Location);
    EXPECT_LE(exiffiles::LargestChannelDifference(*a.Pixels, *original.Pixels),
              exiffiles::JpegTolerance);
    EXPECT_LE(exiffiles::LargestChannelDifference(*a.Saved, *original.Saved),
              exiffiles::JpegTolerance);
  }
}

}  // namespace

}  // namespace pictavia
