// A collage described in a JSON scene file: the canvas and the objects in stacking order, read
// and checked before anything is built, with messages that name the object and the field.
#pragma once

#ifndef PICTAVIA_INSIDE_CLI
#error "scene.h is private to the cli library and its tests"
#endif

#include <optional>
#include <string>
#include <vector>

#include "raster/color32.h"
#include "toolkit/exceptions.h"
#include "toolkit/geometry.h"

namespace pictavia {

// A scene that cannot be used; the message names where ("objects[2].opacity: ...").
PICTAVIA_DECLARE_EXCEPTION(ESceneError, Exception);

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
};

struct TScene {
  int Width = 640;
  int Height = 480;
  TColor32 Color = 0xFFFFFFFF;
  std::string Background;  // a picture stretched over the canvas, or empty for Color
  std::vector<TSceneObject> Objects;
};

// Reads and checks a scene. Relative file names are taken from SceneFolder; a mask given as a
// number n names "<MaskFolder>/<n>.jpg". Every file must exist. Raises ESceneError.
TScene ParseScene(const std::string& Json, const std::string& SceneFolder,
                  const std::string& MaskFolder);
TScene LoadScene(const std::string& FileName, const std::string& MaskFolder);

// "#RRGGBB" (opaque) or "0xAARRGGBB"; nothing else.
std::optional<TColor32> ParseSceneColor(const std::string& Text);

}  // namespace pictavia
