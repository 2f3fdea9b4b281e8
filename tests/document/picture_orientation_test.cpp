// Photos, backgrounds and masks from JPEG files with an orientation tag enter the composition
// upright; the picture to convert can be loaded as stored; a tag outside a JPEG counts for
// nothing.
#include <gtest/gtest.h>

#include <zlib.h>

#include "codecs/codecs.h"
#include "document/composition.h"
#include "document/document_editing.h"
#include "document/document_layers.h"
#include "document/object_editing.h"
#include "document/objects.h"
#include "document/picture_loading.h"
#include "exif_files.h"
#include "layers/offscreen_image.h"
#include "picture_files.h"
#include "test_support.h"

namespace pictavia {

namespace {

using exiffiles::JpegTolerance;
using exiffiles::LargestChannelDifference;

class UprightTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterCodecPictureFormats();
    exiffiles::BlockPicture(upright);
  }
  // The picture stored in Orientation, byte orders taking turns.
  std::string File(int Orientation) {
    return exiffiles::WriteOrientedJpeg(temp / (std::to_string(Orientation) + ".jpg"), upright,
                                        Orientation, Orientation % 2 == 0);
  }
  TBitmap32 upright;
  testsupport::TempDir temp;
};

TEST_F(UprightTest, PhotosBackgroundsAndMasksLookLikeTheUprightOriginal) {
  // What each way in makes of a file: the photo's layer, its location, a background stretched
  // over a canvas, and the alpha a mask gives.
  struct Result {
    TBitmap32 Photo, Background, Masked;
    TFloatRect Location;
  };
  auto Enter = [&](const std::string& File, Result& R) {
    TPictureStore store;
    TDocument doc;
    NewDocumentCanvas(doc, 640, 480, clWhite32);
    const uint64_t id = AddPhoto(doc, store, File, Point(320, 240));
    TOffscreenImage image;
    TDocumentLayers layers(image.Layers(), image.Bitmap());
    layers.Update(doc);
    R.Photo.Assign(&layers.LayerOf(id)->Bitmap());
    R.Location = layers.LayerOf(id)->Location();
    PaintDocumentCanvas(R.Background, TDocCanvas{96, 64, clWhite32, File, store.Photo(File)});
    R.Masked.SetSize(48, 32);
    R.Masked.Clear(clWhite32);
    ApplyMask(R.Masked, store.Mask(File).get());
  };
  Result original;
  Enter(File(1), original);
  for (int o = 2; o <= 8; ++o) {
    SCOPED_TRACE("orientation " + std::to_string(o));
    Result r;
    Enter(File(o), r);
    EXPECT_LE(LargestChannelDifference(r.Photo, original.Photo), JpegTolerance);
    EXPECT_EQ(r.Location, original.Location);
    EXPECT_LE(LargestChannelDifference(r.Background, original.Background), JpegTolerance);
    int largestAlphaDifference = 0;
    for (int i = 0; i < 48 * 32; ++i)
      largestAlphaDifference = std::max(
          largestAlphaDifference,
          std::abs(AlphaComponent(r.Masked.Bits()[i]) - AlphaComponent(original.Masked.Bits()[i])));
    EXPECT_LE(largestAlphaDifference, JpegTolerance);
  }
}

TEST_F(UprightTest, AsStoredKeepsTheFilesOwnPixels) {
  for (int o : {1, 6, 3}) {
    const std::string file = File(o);
    TBitmap32 stored, loaded;
    stored.LoadFromFile(file);
    LoadPicture(loaded, file, loAsStored);
    EXPECT_TRUE(loaded.Equal(stored)) << o;
  }
}

// A PNG of the stored picture with an eXIf chunk saying 6 before its data.
std::string PngWithExif(const std::filesystem::path& Path, const TBitmap32& Pixels) {
  TPNGObject png;
  png.AssignPixels32(Pixels.Bits(), Pixels.Width(), Pixels.Height());
  png.SaveToFile(Path.string());
  std::vector<uint8_t> bytes = testsupport::ReadFileBytes(Path);
  std::vector<uint8_t> chunk = {'e', 'X', 'I', 'f'};
  const auto tiff = exiffiles::OrientationTiff(6, true);
  exiffiles::Append(chunk, tiff);
  std::vector<uint8_t> framed;
  exiffiles::PutU32(framed, static_cast<uint32_t>(tiff.size()), true);
  exiffiles::Append(framed, chunk);
  exiffiles::PutU32(framed, static_cast<uint32_t>(crc32(0, chunk.data(), uInt(chunk.size()))),
                    true);
  exiffiles::Insert(bytes, 8 + 25, framed);  // after the header chunk
  testsupport::WriteFileBytes(Path, bytes);
  return Path.string();
}

TEST_F(UprightTest, ATagOutsideAJpegCountsForNothing) {
  TBitmap32 stored, loaded;
  exiffiles::StoreAs(upright, 6, stored);
  const std::string png = PngWithExif(temp / "tagged.png", stored);
  LoadPicture(loaded, png);
  EXPECT_TRUE(loaded.Equal(stored));
}

}  // namespace

}  // namespace pictavia
