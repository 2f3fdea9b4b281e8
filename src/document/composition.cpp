// New canvas, background fills, the checkerboard stage, flattening and the save-name rules.
#include "document/composition.h"

#include <algorithm>

#include "document/output_file.h"
#include "document/picture_loading.h"
#include "raster/resamplers.h"
#include "toolkit/ascii_case.h"
#include "toolkit/streams.h"

namespace pictavia {

void NewCanvas(TBitmap32& Canvas, TLayerCollection& Layers, int Width, int Height, TColor32 Fill) {
  Layers.Clear();
  Canvas.SetSize(Width, Height);
  Canvas.Clear(Fill);
}

void ResizeCanvas(TBitmap32& Canvas, int Width, int Height) {
  if (Width != Canvas.Width() || Height != Canvas.Height()) Canvas.SetSize(Width, Height);
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

void PaintCheckerboard(TBitmap32& Buffer) {
  const int rows = Buffer.Height() / CheckerSize;
  const int columns = Buffer.Width() / CheckerSize;
  for (int j = 0; j <= rows; ++j)
    for (int i = 0; i <= columns; ++i)
      Buffer.FillClipped(CheckerSize * i, CheckerSize * j, CheckerSize * i + CheckerSize,
                         CheckerSize * j + CheckerSize, i % 2 == j % 2 ? CheckerGrey : clWhite32);
}

std::unique_ptr<TBitmap32> FlattenComposition(TOffscreenImage& Image) {
  auto result = std::make_unique<TBitmap32>();
  result->SetSize(Image.Bitmap().Width(), Image.Bitmap().Height());
  Image.RenderInto(*result);
  MakeOpaque(*result);
  return result;
}

void MakeOpaque(TBitmap32& Flat) {
  Flat.SetAllAlpha(255);
}

void SaveComposition(TOffscreenImage& Image, const std::string& FileName) {
  SaveBitmapAtomically(*FlattenComposition(Image), FileName);
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
