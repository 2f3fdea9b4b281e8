// Project files: a document saved as a scene with "pictavia": 1, its picture paths relative to
// the project's folder when the picture lies below it and absolute otherwise, and opened again
// with the pictures that can be found.
#pragma once

#include <string>
#include <vector>

#include "document/document.h"
#include "document/picture_store.h"

namespace pictavia {

inline constexpr const char* ProjectExtension = ".pictavia";

// The project's text. Masks with a number are written as the number.
std::string ProjectJson(const TDocument& Doc, const std::string& ProjectFolder);
// Written through a temporary file beside it, like every output (WriteFileAtomically).
void SaveProject(const TDocument& Doc, const std::string& FileName);

struct TOpenedProject {
  TDocument Document;
  // One line per object (or background) left out because its picture is missing or cannot be
  // read, naming it and the reason; empty when everything was found.
  std::vector<std::string> LeftOut;
};
// A file that cannot be used at all raises ESceneError naming the file and the reason (line and
// column for JSON errors). Bundled masks are looked up in MaskFolder.
TOpenedProject OpenProject(const std::string& FileName, TPictureStore& Store,
                           const std::string& MaskFolder);

// The message that lists what was left out of an opened project.
std::string LeftOutMessage(const std::string& FileName, const std::vector<std::string>& LeftOut);

}  // namespace pictavia
