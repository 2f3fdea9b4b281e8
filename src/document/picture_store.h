// TPictureStore: every picture a composition uses, decoded once and shared by the objects, the
// masks, the background and the undo history, for as long as any of them holds it.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "codecs/png_object.h"
#include "raster/bitmap32.h"

namespace pictavia {

class TPictureStore {
 public:
  // A photo or background picture, turned upright by its orientation tag. The loading's
  // exceptions pass on (LoadPicture's rules).
  std::shared_ptr<const TBitmap32> Photo(const std::string& FileName);
  // The photo of FileName when it is decoded already, else null.
  std::shared_ptr<const TBitmap32> HeldPhoto(const std::string& FileName);
  // A photo LoadPicture decoded elsewhere (away from the window's thread): kept as FileName's,
  // unless one is held already, which is returned instead.
  std::shared_ptr<const TBitmap32> AdoptPhoto(const std::string& FileName,
                                              std::shared_ptr<const TBitmap32> Decoded);
  // A mask picture, as the mask thumbnails read it.
  std::shared_ptr<const TBitmap32> Mask(const std::string& FileName);
  // A clip; null for a file that does not exist (the clip then has no picture). The PNG reader's
  // exceptions pass on.
  std::shared_ptr<const TPNGObject> Clip(const std::string& FileName);

 private:
  std::map<std::string, std::weak_ptr<const TBitmap32>> photos_, masks_;
  std::map<std::string, std::weak_ptr<const TPNGObject>> clips_;
};

}  // namespace pictavia
