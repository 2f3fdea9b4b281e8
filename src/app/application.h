// TApplication: the editor's QApplication. Its notify is the program's default exception handler:
// an exception escaping an event handler or slot is shown in a message box and the program goes on.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include <QApplication>

#include "app/dialog_service.h"

namespace pictavia {

class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  ~TApplication() override;

  // The running TApplication, or null when the process's application object is of another class.
  static TApplication* Instance();

  // The caption of plain messages and of exception boxes; the program file's name until set.
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& Value) { title_ = Value; }

  // The service every message box and dialog of the program goes through: the one assigned with
  // SetDialogService (not owned; tests assign a scripted one), else the Qt dialogs, made on first
  // use. Assigning null returns to the Qt dialogs.
  TDialogService& DialogService();
  TDialogService* AssignedDialogService() const { return assigned_; }
  void SetDialogService(TDialogService* Value) { assigned_ = Value; }

  // Shows the exception's message in an OK box with the error icon and Title as caption.
  // EAbort is silent: it only ends the operation that raised it.
  void ShowException(const std::exception& E);

  // Delivers the event; whatever it throws is shown with ShowException and the event counts as
  // not handled.
  bool notify(QObject* Receiver, QEvent* Event) override;

 private:
  std::string title_;
  TDialogService* assigned_ = nullptr;
  std::unique_ptr<TDialogService> qtDialogs_;
};

// Runs Body; whatever it throws is shown as the default handler shows it, and goes no further.
void RunGuarded(const std::function<void()>& Body);

// Wraps a handler that Qt calls (a slot, or an event raised from a widget's event handler) so that
// its exceptions are shown right there. notify catches them too, but Qt's Gui and Widgets
// libraries are built without exception support: an exception unwinding through their frames on
// its way to notify skips their clean-ups (event copies and guards leak, state may stay half-set).
template <class THandler>
auto Guarded(THandler Handler) {
  return [Handler = std::move(Handler)](auto&&... Args) mutable {
    RunGuarded([&] {
      if constexpr (std::is_invocable_v<THandler&, decltype(Args)...>)
        Handler(std::forward<decltype(Args)>(Args)...);
      else
        Handler();  // a handler that does not want the signal's arguments
    });
  };
}

// The dialog service of the running TApplication. Under another application object (or none) it
// is a Qt dialog service of the process, made on first use.
TDialogService& ApplicationDialogService();

// The caption plain messages carry: the running TApplication's Title, else the application name.
std::string ApplicationTitle();

}  // namespace pictavia
