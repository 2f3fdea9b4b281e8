// TApplication: the editor's QApplication. Its notify is the program's default exception handler:
// an exception escaping an event handler or slot is shown in a message box and the program goes on.
#pragma once

#include <exception>
#include <memory>
#include <string>

#include <QApplication>

#include "app/dialog_service.h"

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

// The dialog service of the running TApplication. Under another application object (or none) it
// is a Qt dialog service of the process, made on first use.
TDialogService& ApplicationDialogService();

// The caption plain messages carry: the running TApplication's Title, else the application name.
std::string ApplicationTitle();
