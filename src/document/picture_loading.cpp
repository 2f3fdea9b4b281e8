// Picture files that must hold a picture.
#include "document/picture_loading.h"

#include "codecs/jpeg_exif.h"
#include "codecs/picture_orientation.h"
#include "raster/bitmap32.h"
#include "toolkit/exceptions.h"
#include "toolkit/picture.h"

namespace pictavia {

namespace {

void RequirePixels(int Width, int Height, const std::string& FileName) {
  if (Width <= 0 || Height <= 0)
    throw EInvalidGraphic(
        Format("\"%s\" holds no picture (%d x %d pixels)", FileName.c_str(), Width, Height));
}

}  // namespace

void LoadPicture(TBitmap32& Target, const std::string& FileName, TLoadOrientation Orientation) {
  Target.LoadFromFile(FileName);
  RequirePixels(Target.Width(), Target.Height(), FileName);
  if (Orientation == loUpright) TurnUpright(Target, FileExifOrientation(FileName));
}

void LoadPicture(TPicture& Target, const std::string& FileName, TLoadOrientation Orientation) {
  Target.LoadFromFile(FileName);
  RequirePixels(Target.Width(), Target.Height(), FileName);
  if (Orientation == loUpright) TurnUpright(Target, FileExifOrientation(FileName));
}

}  // namespace pictavia
