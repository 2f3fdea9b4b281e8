// The editor's entry: the application with its exception handler, the codecs, the main window
// opened maximised and the New Image dialog that lives as long as the program.
#include <cstdlib>

#include <QTimer>

#include "app/application.h"
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
  pictavia::RegisterCodecPictureFormats();
  pictavia::TMainForm form;
  form.showMaximized();
  form.OfferRecovery();
  form.CreateNewImageForm();
  pictavia::ScheduleGrab(form);
  return app.exec();
}
