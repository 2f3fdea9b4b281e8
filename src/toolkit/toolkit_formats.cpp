// The picture formats the toolkit itself provides. Each picture class adds its line here as it
// lands, so loading by file name finds it.
#include "toolkit/toolkit_formats.h"

#include "toolkit/picture.h"

void RegisterToolkitPictureFormats(TPictureFormats& /*Formats*/) {}
