// Loading a picture file where a picture is needed (a photo, a mask, a background, a file to
// convert): one that decodes to nothing is an error naming the file, not an invisible picture.
#pragma once

#include <string>

namespace pictavia {

class TBitmap32;
class TPicture;

// The loading's exceptions pass on; an empty result raises EInvalidGraphic
// "\"<file>\" holds no picture (W x H pixels)" and Target may then hold the empty picture.
void LoadPicture(TBitmap32& Target, const std::string& FileName);
void LoadPicture(TPicture& Target, const std::string& FileName);

}  // namespace pictavia
