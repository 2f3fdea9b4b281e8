// New canvas, background fills, the checkerboard stage, flattening and the save-name rules.
#include "document/composition.h"

#include <algorithm>

#include "document/output_file.h"
#include "document/picture_loading.h"
#include "raster/resamplers.h"
#include "toolkit/ascii_case.h"
#include "toolkit/streams.h"
#include "view/paint_box.h"

namespace pictavia {

void NewCanvas(TCustomImage32& View, int Width, int Height, TColor32 Fill) {
  View.Layers()->Clear();
  View.SetScale(1.0f);
  View.Bitmap()->SetSize(Width, Height);
  View.Bitmap()->Clear(Fill);
  View.SetRepaintMode(rmOptimizer);
}

void ResizeCanvas(TCustomImage32& View, int Width, int Height) {
  TBitmap32& canvas = *View.Bitmap();
  if (Width != canvas.Width() || Height != canvas.Height()) canvas.SetSize(Width, Height);
}

void FillBackgroundColor(TBitmap32& Canvas, TColor Color) {
  Canvas.Clear(Color32(Color));
}

std::unique_ptr<TBitmap32> LoadBackgroundPicture(const std::string& FileName) {
  auto picture = std::make_unique<TBitmap32>();
  LoadPicture(*picture, FileName);
  return picture;
}

void StretchBackgroundPicture(TBitmap32& Canvas, TBitmap32& Picture) {
  Picture.SetResampler(new TNearestResampler(&Picture));
  Picture.SetDrawMode(dmOpaque);
  Picture.DrawOnto(Canvas, Rect(0, 0, Canvas.Width(), Canvas.Height()));
}

void FillBackgroundPicture(TBitmap32& Canvas, const std::string& FileName) {
  StretchBackgroundPicture(Canvas, *LoadBackgroundPicture(FileName));
}

void UseCustomFirstStage(TCustomImage32& View) {
  TPaintStages& stages = *View.PaintStages();
  if (stages.Count() > 0 && stages.Items(0).Kind == skClearBackground)
    stages.Items(0).Kind = skCustom;
}

void PaintCheckerboard(TBitmap32& Buffer) {
  const int rows = Buffer.Height() / CheckerSize;
  const int columns = Buffer.Width() / CheckerSize;
  for (int j = 0; j <= rows; ++j)
    for (int i = 0; i <= columns; ++i)
      Buffer.FillClipped(CheckerSize * i, CheckerSize * j, CheckerSize * i + CheckerSize,
                         CheckerSize * j + CheckerSize, i % 2 == j % 2 ? CheckerGrey : clWhite32);
}

std::unique_ptr<TBitmap32> FlattenComposition(TCustomImage32& View) {
  auto result = std::make_unique<TBitmap32>();
  const int width = View.Bitmap()->Width();
  const int height = View.Bitmap()->Height();
  result->SetSize(width, height);
  View.RenderInto(*result, Rect(0, 0, width, height));
  result->SetAllAlpha(255);
  return result;
}

void SaveComposition(TCustomImage32& View, const std::string& FileName) {
  SaveBitmapAtomically(*FlattenComposition(View), FileName);
}

TSaveNameCheck CheckSaveName(std::string& Name) {
  const bool blank =
      std::all_of(Name.begin(), Name.end(), [](unsigned char c) { return c <= ' '; });
  if (blank) return snEmpty;
  const std::string ext = ExtractFileExt(Name);
  // A name ending in a dot has an extension, an empty one, which is not bmp.
  if (ext.empty() && Name.back() != '.') {
    Name += ".BMP";
    return snAccepted;
  }
  return SameText(ext, "bmp") ? snAccepted : snWrongExtension;
}

}  // namespace pictavia
