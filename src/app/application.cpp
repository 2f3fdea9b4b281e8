// TApplication and its default exception handler.
#include "app/application.h"

#include "toolkit/exceptions.h"

namespace pictavia {

namespace {
constexpr const char* SUnknownException = "An unknown exception was raised";
}  // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  title_ = QCoreApplication::applicationName().toStdString();
}

TApplication::~TApplication() = default;

TApplication* TApplication::Instance() {
  return dynamic_cast<TApplication*>(QCoreApplication::instance());
}

TDialogService& TApplication::DialogService() {
  if (assigned_) return *assigned_;
  if (!qtDialogs_) qtDialogs_ = CreateQtDialogService();
  return *qtDialogs_;
}

void TApplication::ShowException(const std::exception& E) {
  if (dynamic_cast<const EAbort*>(&E)) return;
  // The box itself must not end the program: whatever showing it throws is dropped.
  try {
    DialogService().MessageBox(activeModalWidget() ? activeModalWidget() : activeWindow(), E.what(),
                               title_, MB_OK | MB_ICONERROR);
  } catch (...) {
  }
}

bool TApplication::notify(QObject* Receiver, QEvent* Event) {
  try {
    return QApplication::notify(Receiver, Event);
  } catch (const std::exception& e) {
    ShowException(e);
  } catch (...) {
    ShowException(Exception(SUnknownException));
  }
  return false;
}

void RunGuarded(const std::function<void()>& Body) {
  try {
    Body();
  } catch (const std::exception& e) {
    if (TApplication* app = TApplication::Instance()) {
      app->ShowException(e);
    } else if (!dynamic_cast<const EAbort*>(&e)) {
      ApplicationDialogService().MessageBox(nullptr, e.what(), ApplicationTitle(),
                                            MB_OK | MB_ICONERROR);
    }
  } catch (...) {
    RunGuarded([] { throw Exception(SUnknownException); });
  }
}

TDialogService& ApplicationDialogService() {
  if (TApplication* app = TApplication::Instance()) return app->DialogService();
  static std::unique_ptr<TDialogService> qtDialogs = CreateQtDialogService();
  return *qtDialogs;
}

std::string ApplicationTitle() {
  if (TApplication* app = TApplication::Instance()) return app->Title();
  return QCoreApplication::applicationName().toStdString();
}

}  // namespace pictavia
