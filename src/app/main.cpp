// The editor's entry: the application with its exception handler, the codecs, the main window
// opened where it was last closed (maximised the first time), the New Image dialog that lives as
// long as the program, and the pictures named on the command line.
#include <cstdlib>

#include <QTimer>

#include "app/application.h"
#include "app/command_line.h"
#include "app/main_form.h"
#include "codecs/codecs.h"

namespace pictavia {

namespace {

// PICTAVIA_GRAB=<file.png> saves a picture of the window a moment after start-up and ends the
// program: a look at the window without a person in front of it.
void ScheduleGrab(TMainForm& Form) {
  const char* target = std::getenv("PICTAVIA_GRAB");
  if (!target || !*target) return;
  const QString file = QString::fromLocal8Bit(target);
  QTimer::singleShot(1500, &Form, [&Form, file] {
    Form.grab().save(file);
    QCoreApplication::quit();
  });
}

}  // namespace

}  // namespace pictavia

int main(int argc, char** argv) {
  pictavia::TApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Pictavia"));
  app.SetTitle("Pictavia");
  const std::vector<std::string> files = pictavia::CommandLineFiles(app.arguments());
  pictavia::RegisterCodecPictureFormats();
  pictavia::TMainForm form;
  // Where it was when last closed; maximised the first time.
  if (form.RestoreWindowPlace())
    form.show();
  else
    form.showMaximized();
  form.OfferRecovery();
  form.CreateNewImageForm();
  // Once the window is up: the photos are centred on what it shows, and a message has its parent.
  QTimer::singleShot(
      0, &form, pictavia::Guarded([&form, files] { pictavia::OpenStartupFiles(form, files); }));
  pictavia::ScheduleGrab(form);
  return app.exec();
}
