// Mask pages, thumbnails and their tags, applying and removing masks on photos and colour bars.
#include "app/internal/form_controls.h"
#include "app/internal/picture_box.h"
#include "main_form_test_support.h"

namespace pictavia {

namespace {

// Masks 1..20: 1 black, 2 white, the rest mid grey.
class MainFormMasksTest : public MainFormTest {
 protected:
  void MakeMasks() override {
    std::filesystem::create_directories(Program / "Masks");
    for (int n = 1; n <= 20; ++n) {
      const TColor32 c = n == 1 ? clBlack32 : n == 2 ? clWhite32 : Color32(128, 128, 128);
      picturefiles::WriteJpeg(Program / "Masks" / (std::to_string(n) + ".jpg"), 24, 18, c);
    }
  }
  TImage* Thumb(int Number) { return Find<TImage>(MaskThumb(Number).c_str()); }
  // The lowest and highest alpha of a bitmap.
  static std::pair<int, int> AlphaRange(const TBitmap32& B) {
    int lo = 255, hi = 0;
    for (int i = 0; i < B.Width() * B.Height(); ++i) {
      lo = std::min<int>(lo, AlphaComponent(B.Bits()[i]));
      hi = std::max<int>(hi, AlphaComponent(B.Bits()[i]));
    }
    return {lo, hi};
  }
};

TEST_F(MainFormMasksTest, MasksReplaceEachOtherAndRemovalRestoresOpacity) {
  TBitmapLayer* photo = AddPhoto(PhotoFile("p.bmp", 60, 40, 0xFF3070B0u));
  ClickThumb(1);  // black: the photo vanishes
  EXPECT_LE(AlphaRange(photo->Bitmap()).second, 2);
  ClickThumb(2);  // white replaces it rather than adding up
  EXPECT_GE(AlphaRange(photo->Bitmap()).first, 253);
  ClickThumb(3);
  EXPECT_NEAR(AlphaRange(photo->Bitmap()).first, 128, 2);
  Click(kRemoveMask);
  EXPECT_EQ(AlphaRange(photo->Bitmap()), std::make_pair(255, 255));
  EXPECT_EQ(photo->Bitmap().GetPixel(59, 39), 0xFF3070B0u);

  // After a quarter turn the mask is stretched to the turned bitmap.
  Click(kRotate);
  ClickThumb(1);
  EXPECT_EQ(photo->Bitmap().Width(), 40);
  EXPECT_LE(AlphaRange(photo->Bitmap()).second, 2);
}

TEST_F(MainFormMasksTest, AMaskOnABarSurvivesAColourChange) {
  auto* bar = dynamic_cast<TColorLayer*>(AddBar());
  ClickThumb(1);
  Dialogs.AnswerColor(clBlue);
  Find<TShape>(kBarColorSwatch)->OnMouseDown(Qt::LeftButton, Qt::NoModifier, 3, 3);
  EXPECT_EQ(bar->FillColor() & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(Find<TShape>(kBarColorSwatch)->BrushColor(), clBlue);
  EXPECT_EQ(bar->Bitmap().GetPixel(0, 0) & 0xFFFFFF, 0x0000FFu);
  EXPECT_LE(AlphaRange(bar->Bitmap()).second, 2);
}

TEST_F(MainFormMasksTest, PagesOfFifteenWithEmptyPlacesThatDoNothing) {
  TBitmapLayer* photo = AddPhoto(PhotoFile("p.bmp", 30, 30));  // opens the mask panel
  EXPECT_EQ(Form->LastMaskPage(), 1);
  EXPECT_EQ(Thumb(1)->Tag(), 1);
  EXPECT_EQ(Thumb(MasksPerPage)->Tag(), 1);
  Click(kPreviousMaskPage);  // "<" on the first page
  EXPECT_EQ(Form->MaskPage(), 0);
  Click(kNextMaskPage);
  EXPECT_EQ(Form->MaskPage(), 1);
  for (int k = 1; k <= MasksPerPage; ++k) {
    EXPECT_EQ(Thumb(k)->Tag(), k <= 5 ? 1 : -1) << k;
    EXPECT_EQ(Thumb(k)->Empty(), k > 5) << k;
  }
  Click(kNextMaskPage);  // ">" on the last page
  EXPECT_EQ(Form->MaskPage(), 1);
  Click(kFirstMaskPage);
  EXPECT_EQ(Form->MaskPage(), 0);
  Click(kLastMaskPage);
  EXPECT_EQ(Form->MaskPage(), 1);

  ClickThumb(6);  // an empty place
  EXPECT_EQ(AlphaRange(photo->Bitmap()), std::make_pair(255, 255));
  ClickThumb(1);  // mask 16, grey
  EXPECT_NEAR(AlphaRange(photo->Bitmap()).second, 128, 2);
}

class MainFormSparseMasksTest : public MainFormMasksTest {
 protected:
  void MakeMasks() override {
    std::filesystem::create_directories(Program / "Masks");
    for (int n : {1, 16, 46})
      picturefiles::WriteJpeg(Program / "Masks" / (std::to_string(n) + ".jpg"), 8, 8, clWhite32);
  }
};

TEST_F(MainFormSparseMasksTest, AMissingFirstMaskKeepsItsPageOutButNotTheLaterOnes) {
  EXPECT_EQ(Form->LastMaskPage(), 3);
  AddBar();
  Click(kNextMaskPage);
  EXPECT_EQ(Form->MaskPage(), 1);
  Click(kNextMaskPage);  // page 2 has no mask 31
  EXPECT_EQ(Form->MaskPage(), 1);
  Click(kLastMaskPage);
  EXPECT_EQ(Form->MaskPage(), 3);
  EXPECT_EQ(Thumb(1)->Tag(), 1);
  EXPECT_EQ(Thumb(2)->Tag(), -1);
}

// Without a Masks folder the thumbnails keep their design-time content (tag 0).
TEST_F(MainFormMasksTest, WithoutMasksOnlyThePicturesOfTheDesignApply) {
  Form.reset();
  std::filesystem::remove_all(Program / "Masks");
  Form = std::make_unique<TMainForm>(nullptr, &Dialogs);
  Form->show();
  EXPECT_EQ(Form->LastMaskPage(), 0);
  EXPECT_EQ(Thumb(3)->Tag(), 0);
  TBitmapLayer* photo = AddPhoto(PhotoFile("p.bmp", 40, 40));
  ClickThumb(3);  // no picture: the photo stays as it is
  EXPECT_EQ(AlphaRange(photo->Bitmap()), std::make_pair(255, 255));
  ClickThumb(1);  // the soft oval: clear corners, opaque middle
  EXPECT_EQ(AlphaComponent(photo->Bitmap().GetPixel(0, 0)), 0);
  EXPECT_EQ(AlphaComponent(photo->Bitmap().GetPixel(20, 20)), 255);
}

}  // namespace

namespace {

// A mask file that does not decode is reported while its page is shown; start-up goes on.
class MainFormDamagedMaskTest : public MainFormMasksTest {
 protected:
  void MakeMasks() override {
    std::filesystem::create_directories(Program / "Masks");
    picturefiles::WriteJpeg(Program / "Masks" / "1.jpg", 8, 8, clWhite32);
    picturefiles::WriteText(Program / "Masks" / "2.jpg", "\xFF\xD8 not really");
  }
};

TEST_F(MainFormDamagedMaskTest, IsReportedAndTheWindowStillStarts) {
  EXPECT_EQ(Dialogs.Messages().size(), 1u);
  EXPECT_EQ(Form->ImgView->Bitmap()->Width(), 640);
  EXPECT_EQ(Thumb(1)->Tag(), 1);
  EXPECT_FALSE(Thumb(1)->Empty());
}

}  // namespace

}  // namespace pictavia
