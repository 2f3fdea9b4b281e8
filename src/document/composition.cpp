// The canvas size and background, the checkerboard stage, flattening and the save-name rules.
#include "document/composition.h"

#include <algorithm>

#include "raster/resamplers.h"
#include "toolkit/ascii_case.h"
#include "toolkit/streams.h"

namespace pictavia {

void ResizeCanvas(TBitmap32& Canvas, int Width, int Height) {
  if (Width != Canvas.Width() || Height != Canvas.Height()) Canvas.SetSize(Width, Height);
}

void StretchBackgroundPicture(TBitmap32& Canvas, TBitmap32& Picture) {
  Picture.SetResampler(new TNearestResampler(&Picture));
  Picture.SetDrawMode(dmOpaque);
  Picture.DrawOnto(Canvas, Rect(0, 0, Canvas.Width(), Canvas.Height()));
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
