// Registration of the picture formats the toolkit reads itself (BMP, ICO, EMF, WMF).
#pragma once

class TPictureFormats;

void RegisterToolkitPictureFormats(TPictureFormats& Formats);
