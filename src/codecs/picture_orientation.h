// Turning a picture that its file says is stored sideways, upside down or mirrored so that it
// stands upright, with the editor's own quarter turn and mirrors. Orientation is in the Exif
// numbering (see jpeg_exif.h); 1 and values outside 1..8 change nothing.
#pragma once

namespace pictavia {

class TBitmap32;
class TPicture;

// 2..4 mirror (left-right, both, top-bottom); 5..8 turn a quarter clockwise first, then mirror
// left-right (5), top-bottom (7) or both (8).
void TurnUpright(TBitmap32& Picture, int Orientation);
// A picture that must turn becomes a bitmap picture of its upright pixels.
void TurnUpright(TPicture& Picture, int Orientation);

}  // namespace pictavia
