// What OUT may not be: a name with another picture format's extension, or a file the command
// reads (the same file under any name: a hard or symbolic link counts).
#pragma once

#ifndef PICTAVIA_INSIDE_CLI
#error "output_checks.h is private to the cli library and its tests"
#endif

#include <string>
#include <vector>

#include "document/scene.h"

namespace pictavia {

// A file a command reads, and how its message names it ("the input", "objects[1].file").
struct TInputFile {
  std::string What;
  std::string Path;
};

// The extension of Out when it names a picture format other than BMP ("png"), else "".
std::string ForeignPictureExtension(const std::string& Out);

// Raises an Exception when Out is one of the inputs (same device and inode).
void CheckNotAnInput(const std::string& Out, const std::vector<TInputFile>& Inputs);

// The scene file and every picture the scene reads.
std::vector<TInputFile> SceneInputs(const std::string& SceneFile, const TScene& Scene);

}  // namespace pictavia
