// pictavia-cli: the headless companion of the editor (see CliUsage for its commands).
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include <QGuiApplication>

#include "cli/cli_commands.h"
#include "cli/qt_notices.h"

int main(int argc, char** argv) {
  // Text and metafiles are drawn with Qt's fonts and painter, so the tool runs a GUI application;
  // it shows no window, so the offscreen platform serves when none is chosen.
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  pictavia::HideQtRuntimeDirNotice();
  QGuiApplication app(argc, argv);
  std::vector<std::string> args(argv + 1, argv + argc);
  return pictavia::RunCli(args, std::cout, std::cerr);
}
