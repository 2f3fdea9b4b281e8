// Registration of the picture formats the toolkit reads itself (BMP, ICO, EMF, WMF).
#pragma once

namespace pictavia {

class TPictureFormats;

void RegisterToolkitPictureFormats(TPictureFormats& Formats);

}  // namespace pictavia
