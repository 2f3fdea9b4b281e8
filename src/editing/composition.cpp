// New canvas, background fills, the checkerboard stage, flattening and the save-name rules.
#include "editing/composition.h"

#include <algorithm>
#include <cctype>

#include "editing/output_file.h"
#include "editing/picture_loading.h"
#include "raster/resamplers.h"
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
  if (stages.Count() > 0 && stages.Items(0).Kind == skClearBackground) stages.Items(0).Kind = skCustom;
}

void PaintCheckerboard(TBitmap32& Buffer) {
  const int rows = Buffer.Height() / CheckerSize;
  const int columns = Buffer.Width() / CheckerSize;
  for (int j = 0; j <= rows; ++j)
    for (int i = 0; i <= columns; ++i)
      Buffer.FillClipped(CheckerSize * i, CheckerSize * j, CheckerSize * i + CheckerSize,
                         CheckerSize * j + CheckerSize,
                         i % 2 == j % 2 ? CheckerGrey : clWhite32);
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

std::string ExtensionWithDot(const std::string& FileName) {
  const size_t nameStart = FileName.find_last_of('/');
  const size_t dot = FileName.find_last_of('.');
  if (dot == std::string::npos || (nameStart != std::string::npos && dot < nameStart)) return {};
  return FileName.substr(dot);
}

TSaveNameCheck CheckSaveName(std::string& Name) {
  const bool blank = std::all_of(Name.begin(), Name.end(),
                                 [](unsigned char c) { return c <= ' '; });
  if (blank) return snEmpty;
  std::string ext = ExtensionWithDot(Name);
  if (ext.empty()) {
    Name += ".BMP";
    return snAccepted;
  }
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return ext == ".BMP" ? snAccepted : snWrongExtension;
}

}  // namespace pictavia
