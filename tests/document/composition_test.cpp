// New canvas, background fills, the checkerboard, flattening and the save-name rules.
#include <gtest/gtest.h>

#include "codecs/codecs.h"
#include "document/composition.h"
#include "document/document_editing.h"
#include "document/document_layers.h"
#include "document/objects.h"
#include "document/output_file.h"
#include "document/program_folder.h"
#include "picture_files.h"
#include "test_support.h"
#include "toolkit/exceptions.h"

namespace pictavia {

namespace {

TEST(Canvas, NewCanvasDropsObjectsAndTheirLayers) {
  TOffscreenImage view;
  TDocumentLayers layers(view.Layers(), view.Bitmap());
  TDocument doc;
  NewDocumentCanvas(doc, 640, 480, clWhite32);
  AddBar(doc, Point(10, 10));
  layers.Update(doc);
  EXPECT_EQ(view.Layers().Count(), 1);
  NewDocumentCanvas(doc, 200, 100, clRed32);
  layers.Update(doc);
  EXPECT_TRUE(doc.Objects.empty());
  EXPECT_EQ(view.Layers().Count(), 0);
  EXPECT_EQ(view.Bitmap().Width(), 200);
  EXPECT_EQ(view.Bitmap().GetPixel(199, 99), clRed32);
}

TEST(Canvas, PictureBackgroundIsStretchedWithNearestSampling) {
  RegisterCodecPictureFormats();
  testsupport::TempDir temp;
  TBitmap32 quarters;
  quarters.SetSize(2, 2);
  quarters.SetPixel(0, 0, clRed32);
  quarters.SetPixel(1, 0, clGreen32);
  quarters.SetPixel(0, 1, clBlue32);
  quarters.SetPixel(1, 1, clWhite32);
  const std::string file = picturefiles::WriteBmp(temp / "q.bmp", quarters);
  TPictureStore store;
  TDocument doc;
  SetCanvasPicture(doc, 640, 480, file, store.Photo(file));
  TBitmap32 canvas;
  PaintDocumentCanvas(canvas, doc.Canvas);
  EXPECT_EQ(canvas.GetPixel(0, 0), clRed32);
  EXPECT_EQ(canvas.GetPixel(319, 239), clRed32);
  EXPECT_EQ(canvas.GetPixel(320, 239), clGreen32);
  EXPECT_EQ(canvas.GetPixel(319, 240), clBlue32);
  EXPECT_EQ(canvas.GetPixel(639, 479), clWhite32);

  // A picture that decodes to nothing raises before the canvas is touched.
  const std::string empty = picturefiles::WriteText(temp / "empty.jpg", "");
  EXPECT_THROW(store.Photo(empty), EInvalidGraphic);

  SetCanvasColor(doc, 640, 480, Color32(clBtnFace));
  PaintDocumentCanvas(canvas, doc.Canvas);
  EXPECT_EQ(canvas.GetPixel(5, 5), Color32(clBtnFace));
  EXPECT_EQ(AlphaComponent(canvas.GetPixel(5, 5)), 255);
}

TEST(Checkerboard, ThirteenPixelSquaresCoverPartialEdges) {
  TBitmap32 b;
  b.SetSize(100, 30);
  PaintCheckerboard(b);
  EXPECT_EQ(b.GetPixel(0, 0), CheckerGrey);
  EXPECT_EQ(b.GetPixel(12, 12), CheckerGrey);
  EXPECT_EQ(b.GetPixel(13, 0), clWhite32);
  EXPECT_EQ(b.GetPixel(0, 13), clWhite32);
  EXPECT_EQ(b.GetPixel(13, 13), CheckerGrey);
  EXPECT_EQ(b.GetPixel(90, 27), CheckerGrey);  // column 6, row 2
  EXPECT_EQ(b.GetPixel(99, 29), clWhite32);    // the cut-off column 7
}

TEST(Flattening, RendersAtCanvasSizeWithOpacityAndCropping) {
  RegisterCodecPictureFormats();
  testsupport::TempDir temp;
  TOffscreenImage view;
  // A first stage that would show if the canvas did not cover it.
  UseCustomFirstStage(view.PaintStages());
  view.OnPaintStage = [](TBitmap32& Buffer) { PaintCheckerboard(Buffer); };
  TDocumentLayers layers(view.Layers(), view.Bitmap());
  TPictureStore store;
  TDocument doc;
  NewDocumentCanvas(doc, 64, 48, clRed32);
  // A white photo at opacity 128 sticking out on the right.
  const std::string file = picturefiles::WriteBmp(temp / "w.bmp", 40, 20, clWhite32);
  SetObjectOpacity(doc, AddPhoto(doc, store, file, Point(60, 24)), 128);
  layers.Update(doc);

  std::unique_ptr<TBitmap32> flat = FlattenComposition(view);
  ASSERT_EQ(flat->Width(), 64);
  ASSERT_EQ(flat->Height(), 48);
  EXPECT_EQ(flat->GetPixel(0, 0), clRed32);  // the canvas covers the checkerboard
  const TColor32 mix = flat->GetPixel(63, 24);
  EXPECT_EQ(AlphaComponent(mix), 255);
  EXPECT_EQ(RedComponent(mix), 255);
  EXPECT_NEAR(GreenComponent(mix), 128, 1);
  EXPECT_EQ(GreenComponent(mix), BlueComponent(mix));
  EXPECT_EQ(flat->GetPixel(39, 24), clRed32);  // left of the photo

  const std::string out = (temp / "out.bmp").string();
  SaveBitmapAtomically(*FlattenComposition(view), out);
  const auto bytes = testsupport::ReadFileBytes(out);
  ASSERT_GT(bytes.size(), 30u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[18] | bytes[19] << 8, 64);  // width
  EXPECT_EQ(bytes[22] | bytes[23] << 8, 48);  // height
  EXPECT_EQ(bytes[28], 32);                   // bits per pixel
  EXPECT_THROW(SaveBitmapAtomically(*flat, (temp / "no" / "such" / "dir.bmp").string()),
               std::exception);
}

TEST(SaveNames, OnlyBmpIsWrittenAndABareNameGetsTheExtension) {
  std::string name = "/tmp/x/collage.bmp";
  EXPECT_EQ(CheckSaveName(name), snAccepted);
  EXPECT_EQ(name, "/tmp/x/collage.bmp");
  name = "COLLAGE.Bmp";
  EXPECT_EQ(CheckSaveName(name), snAccepted);
  name = "/tmp/my.pictures/collage";
  EXPECT_EQ(CheckSaveName(name), snAccepted);
  EXPECT_EQ(name, "/tmp/my.pictures/collage.BMP");
  for (std::string refused : {"collage.jpg", "collage.png", "collage."}) {
    const std::string before = refused;
    EXPECT_EQ(CheckSaveName(refused), snWrongExtension) << before;
    EXPECT_EQ(refused, before);
  }
  for (std::string blank : {"", "   ", "\t"}) EXPECT_EQ(CheckSaveName(blank), snEmpty);
}

TEST(DataFolders, MaskScanAndTheInstalledLayout) {
  testsupport::TempDir temp;
  const std::string folder = (temp.Path() / "prog").string() + "/";
  std::filesystem::create_directories(folder + "Masks");
  EXPECT_EQ(ScanLastMaskPage(folder), 0);
  for (int n : {1, 16, 46, 1516}) picturefiles::WriteText(MaskFileName(folder, n), "x");
  EXPECT_EQ(MaskFileName(folder, 46), folder + "Masks/46.jpg");
  EXPECT_EQ(ScanLastMaskPage(folder), 3);  // the missing 31 does not stop the scan; 1516 is too far
  picturefiles::WriteText(MaskFileName(folder, 1501), "x");
  EXPECT_EQ(ScanLastMaskPage(folder), 100);

  // A program folder with masks is used as it is; an installed program finds share/pictavia.
  EXPECT_EQ(ProgramFolderFor(temp.Path().string() + "/prog"), folder);
  std::filesystem::create_directories(temp.Path() / "usr" / "bin");
  std::filesystem::create_directories(temp.Path() / "usr" / "share" / "pictavia" / "Masks");
  EXPECT_EQ(ProgramFolderFor((temp.Path() / "usr" / "bin").string()),
            (temp.Path() / "usr" / "share" / "pictavia").string() + "/");
  std::filesystem::create_directories(temp.Path() / "usr" / "bin" / "Masks");
  EXPECT_EQ(ProgramFolderFor((temp.Path() / "usr" / "bin").string()),
            (temp.Path() / "usr" / "bin").string() + "/");

  SetProgramFolder(folder);
  EXPECT_EQ(ProgramFolder(), folder);
  SetProgramFolder("");
  EXPECT_NE(ProgramFolder(), folder);
}

}  // namespace

}  // namespace pictavia
