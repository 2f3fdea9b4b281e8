// Writing an output file so that a failure never damages what was there before: the bytes go to
// a temporary file beside the target, reach the disk, and only then take the target's place.
#pragma once

#include <functional>
#include <string>

namespace pictavia {

class TBitmap32;
class TStream;

// Write fills the stream. FileName may be a symbolic link: the file it finally leads to is
// written (the link stays). An existing file must be a regular file this process may write; it
// keeps its permission bits (and its owner and group where the process may set them), and a new
// file gets what the umask allows. Written through a rename, a file with other hard links gets
// a new inode under this name; the other names keep the old contents. Failures raise
// EFCreateError or EWriteError naming FileName, with no temporary file left behind.
void WriteFileAtomically(const std::string& FileName, const std::function<void(TStream&)>& Write);

// The bitmap as a 32-bit BMP, written as above.
void SaveBitmapAtomically(const TBitmap32& Bitmap, const std::string& FileName);

}  // namespace pictavia
