// The picture formats the toolkit itself provides. Each picture class adds its line here as it
// lands, so loading by file name finds it.
#include "toolkit/internal/toolkit_formats.h"

#include <memory>

#include "toolkit/bitmap.h"
#include "toolkit/icon.h"
#include "toolkit/metafile.h"
#include "toolkit/picture.h"

namespace pictavia {

void RegisterToolkitPictureFormats(TPictureFormats& Formats) {
  Formats.Register("bmp", "Bitmaps", "TBitmap", [] { return std::make_unique<TBitmap>(); });
  Formats.Register("ico", "Icons", "TIcon", [] { return std::make_unique<TIcon>(); });
  Formats.Register("emf", "Enhanced Metafiles", "TMetafile", NewMetafile);
  Formats.Register("wmf", "Metafiles", "TMetafile", NewMetafile);
}

}  // namespace pictavia
