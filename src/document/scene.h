// A collage described in a JSON scene file: the canvas and the objects in stacking order, read
// and checked before anything is built, with messages that name the object and the field.
// A project file is a scene with "pictavia": 1, whose objects may carry their pixel edits in the
// order they were made ("edits") instead of the fixed order of flip, rotate and mask.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "document/document.h"
#include "raster/color32.h"
#include "toolkit/exceptions.h"
#include "toolkit/geometry.h"

namespace pictavia {

// A scene that cannot be used; the message names where ("objects[2].opacity: ...").
PICTAVIA_DECLARE_EXCEPTION(ESceneError, Exception);
// A picture file named by the scene that does not exist (or is no regular file).
PICTAVIA_DECLARE_EXCEPTION(EMissingPicture, ESceneError);

// The version key of project files.
inline constexpr int ProjectVersion = 1;

// What becomes of an object whose picture file is missing: the scene fails (render), or the
// object is left out and the reason kept (opening a project).
enum TMissingPictures { mpFail, mpLeaveOut };

struct TSceneEdit {
  TPixelEditKind Kind = peRotate;
  int MaskNumber = 0;    // peMask: a bundled mask, or 0
  std::string MaskFile;  // peMask: absolute
};

enum TSceneObjectKind { skPhoto, skClip, skBar, skText };

struct TSceneFont {
  std::string Name = "Arial";
  int Size = 16;
  bool Bold = true;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
};

struct TSceneObject {
  TSceneObjectKind Kind = skPhoto;
  std::string File;                    // photos and clips: an absolute path
  std::optional<TFloatRect> Location;  // canvas pixels, floats allowed
  std::optional<TFloatPoint> Center;   // or a centre, with the Add command's size
  int Opacity = 255;
  int QuarterTurns = 0;  // clockwise, 0..3
  bool FlipHorizontal = false;
  bool FlipVertical = false;
  std::string MaskFile;                  // empty: no mask
  TColor32 Color = 0xFF00FF00;           // bars
  std::string Text = "Enter Your Text";  // texts
  TSceneFont Font;
  TColor32 TextColor = 0xFFFF0000;
  int MaskNumber = 0;  // the bundled mask MaskFile is, or 0
  // Projects: the pixel edits in their order (then rotate, flip and mask are not given, and the
  // location is the final one).
  std::optional<std::vector<TSceneEdit>> Edits;
  int Index = 0;  // the object's place in the file's list
};

struct TScene {
  int Width = 640;
  int Height = 480;
  TColor32 Color = 0xFFFFFFFF;
  std::string Background;  // a picture stretched over the canvas, or empty for Color
  std::vector<TSceneObject> Objects;
  int Version = 0;  // 0 for a plain scene
  // mpLeaveOut: one line per object (or background) left out, naming it and the reason.
  std::vector<std::string> LeftOut;
};

// Reads and checks a scene. Relative file names are taken from SceneFolder; a mask given as a
// number n names "<MaskFolder>/<n>.jpg". Every file must exist. Raises ESceneError.
// JSON errors name the line and the column. A file that is not a regular file is refused before
// it is read (a FIFO would never end).
TScene ParseScene(const std::string& Json, const std::string& SceneFolder,
                  const std::string& MaskFolder, TMissingPictures Missing = mpFail);
TScene LoadScene(const std::string& FileName, const std::string& MaskFolder,
                 TMissingPictures Missing = mpFail);

// "#RRGGBB" (opaque) or "0xAARRGGBB"; nothing else.
std::optional<TColor32> ParseSceneColor(const std::string& Text);

}  // namespace pictavia
