// Loading a picture file where a picture is needed (a photo, a mask, a background, a file to
// convert): one that decodes to nothing is an error naming the file, not an invisible picture.
#pragma once

#include <string>

namespace pictavia {

class TBitmap32;
class TPicture;

// What becomes of a JPEG's orientation tag: the picture is turned upright, as everything that
// enters a composition is, or kept as stored.
enum TLoadOrientation { loUpright, loAsStored };

// The loading's exceptions pass on; an empty result raises EInvalidGraphic
// "\"<file>\" holds no picture (W x H pixels)" and Target may then hold the empty picture.
void LoadPicture(TBitmap32& Target, const std::string& FileName,
                 TLoadOrientation Orientation = loUpright);
void LoadPicture(TPicture& Target, const std::string& FileName,
                 TLoadOrientation Orientation = loUpright);

}  // namespace pictavia
