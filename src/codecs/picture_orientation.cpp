// The quarter turn and mirrors that undo each stored orientation.
#include "codecs/picture_orientation.h"

#include "raster/bitmap32.h"
#include "toolkit/picture.h"

namespace pictavia {

namespace {

bool Turns(int Orientation) {
  return Orientation >= 2 && Orientation <= 8;
}

}  // namespace

void TurnUpright(TBitmap32& Picture, int Orientation) {
  if (!Turns(Orientation)) return;
  if (Orientation >= 5) Picture.RotateQuarter();
  switch (Orientation) {
    case 2:
    case 5:
      Picture.MirrorLeftRight();
      break;
    case 4:
    case 7:
      Picture.MirrorTopBottom();
      break;
    case 3:
    case 8:
      Picture.MirrorLeftRight();
      Picture.MirrorTopBottom();
      break;
    default:
      break;
  }
}

void TurnUpright(TPicture& Picture, int Orientation) {
  if (!Turns(Orientation)) return;
  TBitmap32 pixels;
  pixels.Assign(&Picture);
  TurnUpright(pixels, Orientation);
  Picture.Assign(&pixels);
}

}  // namespace pictavia
