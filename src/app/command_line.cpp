// The command line: which files were named, and opening them in the window.
#include "app/command_line.h"

#include <filesystem>

#include <QCommandLineParser>
#include <QFile>

#include "app/main_form.h"
#include "view/img_view.h"

namespace pictavia {

std::vector<std::string> CommandLineFiles(const QStringList& Arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("A photo-collage editor."));
  parser.addHelpOption();
  parser.addPositionalArgument(
      QStringLiteral("files"),
      QStringLiteral("A project to open, or pictures to add to the new canvas, each as a photo "
                     "(a PNG file with transparency as a clip); pictures named with a project are "
                     "added to it."),
      QStringLiteral("[FILE.pictavia] [PICTURE...]"));
  parser.process(Arguments);
  std::vector<std::string> files;
  for (const QString& argument : parser.positionalArguments()) {
    const std::string file = QFile::encodeName(argument).toStdString();
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(file, ec);
    files.push_back(ec ? file : absolute.string());
  }
  return files;
}

void OpenStartupFiles(TMainForm& Form, const std::vector<std::string>& Files) {
  // Changes before any file is read are a collage restored at start: a project does not replace
  // that unsaved work.
  Form.OpenFiles(
      Files, [&Form] { return ViewCentre(*Form.ImgView); }, Form.Modified());
}

}  // namespace pictavia
