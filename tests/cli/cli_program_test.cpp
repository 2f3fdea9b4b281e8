// The pictavia-cli program itself, run as a child process: it prints what it did and its errors,
// and nothing of Qt's start-up notices, even where the session leaves XDG_RUNTIME_DIR unset
// (root shells, containers, cron).
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QtGlobal>
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "cli/qt_notices.h"
#include "test_support.h"

namespace pictavia {

namespace {

struct ProgramRun {
  int Status;
  std::string Out, Err;
};

ProgramRun RunCliProgram(const QStringList& args) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
  // The program picks its own platform, as it does when started from a shell.
  env.remove(QStringLiteral("QT_QPA_PLATFORM"));
  QProcess cli;
  cli.setProcessEnvironment(env);
  cli.start(QString::fromStdString((testsupport::BinDir() / "pictavia-cli").string()), args);
  if (!cli.waitForFinished(120000))
    return {-1, "", "did not finish: " + cli.errorString().toStdString()};
  return {cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1,
          cli.readAllStandardOutput().toStdString(), cli.readAllStandardError().toStdString()};
}

}  // namespace

TEST(CliProgram, PrintsWhatItDidAndItsErrorsOnly) {
  testsupport::TempDir dir;
  std::ofstream(dir / "scene.json") << R"({
    "canvas": { "width": 64, "height": 48, "color": "#FFF8E1" },
    "objects": [
      { "kind": "bar", "color": "#3070B0", "location": [0, 30, 64, 48], "opacity": 128 },
      { "kind": "text", "text": "Hi", "center": [32, 16], "text_color": "#C2185B" }
    ]
  })";
  const QString scene = QString::fromStdString((dir / "scene.json").string());
  const QString rendered = QString::fromStdString((dir / "out.bmp").string());

  const ProgramRun render = RunCliProgram({"render", scene, rendered});
  EXPECT_EQ(render.Status, 0) << render.Err;
  EXPECT_EQ(render.Err, "");
  EXPECT_NE(render.Out.find("wrote "), std::string::npos) << render.Out;
  EXPECT_TRUE(std::filesystem::exists(dir / "out.bmp"));

  const ProgramRun convert =
      RunCliProgram({"convert", rendered, QString::fromStdString((dir / "copy.bmp").string())});
  EXPECT_EQ(convert.Status, 0) << convert.Err;
  EXPECT_EQ(convert.Err, "");

  // A failure prints its one message and nothing else.
  const ProgramRun missing = RunCliProgram(
      {"convert", QString::fromStdString((dir / "missing.bmp").string()), rendered + ".2.bmp"});
  EXPECT_EQ(missing.Status, 1);
  EXPECT_EQ(missing.Err.rfind("pictavia-cli: ", 0), 0u) << missing.Err;
  EXPECT_EQ(std::count(missing.Err.begin(), missing.Err.end(), '\n'), 1) << missing.Err;
}

namespace {

std::vector<std::string>* capturedMessages = nullptr;

void CaptureMessage(QtMsgType, const QMessageLogContext&, const QString& Message) {
  capturedMessages->push_back(Message.toStdString());
}

}  // namespace

TEST(CliProgram, HidesOnlyTheNoticeOfAnUnsetRuntimeDir) {
  std::vector<std::string> messages;
  capturedMessages = &messages;
  const QtMessageHandler before = qInstallMessageHandler(CaptureMessage);
  HideQtRuntimeDirNotice();
  qWarning("QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-someone'");
  qWarning(
      "QStandardPaths: wrong permissions on runtime directory /run/user/7, 0755 instead of 0700");
  qWarning("QFont: a warning of another kind");
  qInstallMessageHandler(before);
  capturedMessages = nullptr;
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "QStandardPaths: wrong permissions on runtime directory /run/user/7, "
                          "0755 instead of 0700",
                          "QFont: a warning of another kind"}));
}

}  // namespace pictavia
