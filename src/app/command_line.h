// The editor's command line, `pictavia [FILE.pictavia] [PICTURE...]`: a project named is opened,
// and the pictures named become photos on the canvas the editor starts with.
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

// Opens the first project among Files in Form, then adds each picture in order around the middle
// of the view (TMainForm::OpenFiles), so the last one ends on top and selected. Called after the
// recovery question: a restored collage is kept, and a project is then named as not opened.
void OpenStartupFiles(TMainForm& Form, const std::vector<std::string>& Files);

}  // namespace pictavia
