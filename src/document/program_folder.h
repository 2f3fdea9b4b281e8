// Where the program's data folders live (Masks, Clips, BackGround_Photo, help.html), and the
// mask file names and page scan built on them.
#pragma once

#include <string>

#include "toolkit/streams.h"  // FileExists

namespace pictavia {

// The folder of the program file with a trailing separator. When that folder has no "Masks"
// folder but ../share/pictavia/ beside it has one, that folder is used instead, so an installed
// program finds its data. SetProgramFolder overrides the answer (tests point it at a temporary
// folder); an empty value goes back to the executable's folder.
std::string ProgramFolder();
void SetProgramFolder(const std::string& Folder);
// The rule above for a program file in ExeFolder.
std::string ProgramFolderFor(const std::string& ExeFolder);

// Mask n is "<folder>Masks/<n>.jpg", n in decimal without leading zeros.
std::string MaskFileName(const std::string& Folder, int Number);

inline constexpr int MasksPerPage = 15;
inline constexpr int HighestMaskPage = 100;

// The highest page p in 0..HighestMaskPage whose first mask (MasksPerPage * p + 1) exists, or 0.
// Gaps do not stop the scan.
int ScanLastMaskPage(const std::string& Folder);

}  // namespace pictavia
