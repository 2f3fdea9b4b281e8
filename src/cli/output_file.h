// Writing an output picture so that a failure never leaves a half-written file behind.
#pragma once

#include <string>

class TBitmap32;

// Saves the bitmap as a 32-bit BMP into a temporary file beside FileName, then renames it over
// FileName. On any failure the temporary file is removed and the exception passes on.
void SaveBitmapAtomically(const TBitmap32& Bitmap, const std::string& FileName);
