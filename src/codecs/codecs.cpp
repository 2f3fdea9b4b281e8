// Registration of the codec library's picture formats by file extension.
#include "codecs/codecs.h"

#include <memory>

#include "codecs/jpeg_image.h"
#include "codecs/png_object.h"
#include "toolkit/picture.h"

namespace pictavia {

void RegisterCodecPictureFormats() {
  TPictureFormats& formats = TPictureFormats::Instance();
  formats.Register("PNG", "Portable Network Graphics", "TPNGObject",
                   [] { return std::make_unique<TPNGObject>(); });
  for (const char* ext : {"jpeg", "jpg"})
    formats.Register(ext, "JPEG Image File", "TJPEGImage",
                     [] { return std::make_unique<TJPEGImage>(); });
}

}  // namespace pictavia
