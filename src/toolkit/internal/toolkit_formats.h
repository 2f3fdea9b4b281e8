// Registration of the picture formats the toolkit reads itself (BMP, ICO, EMF, WMF).
#pragma once

#ifndef PICTAVIA_INSIDE_TOOLKIT
#error "toolkit_formats.h is private to the toolkit library and its tests"
#endif

namespace pictavia {

class TPictureFormats;

void RegisterToolkitPictureFormats(TPictureFormats& Formats);

}  // namespace pictavia
