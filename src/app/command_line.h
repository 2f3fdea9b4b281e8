// The editor's command line, `pictavia [PICTURE...]`: the pictures named become photos on the
// canvas the editor starts with (a project is named as one this version cannot open).
#pragma once

#include <string>
#include <vector>

#include <QStringList>

namespace pictavia {

class TMainForm;

// The files named in Arguments (the whole command line, program first, without Qt's own options),
// as absolute paths in the file system's encoding. --help prints the usage and ends the program;
// an unknown option is reported and ends it with status 1.
std::vector<std::string> CommandLineFiles(const QStringList& Arguments);

// Adds each of Files to Form in order around the middle of the view (TMainForm::AddPictureFiles),
// so the last one ends on top and selected.
void OpenStartupFiles(TMainForm& Form, const std::vector<std::string>& Files);

}  // namespace pictavia
