// TScriptedDialogs, the dialog service of the app tests: it answers from queues the test fills
// and logs every message box and dialog the code under test asked for.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/dialog_service.h"
#include "toolkit/font.h"

namespace pictavia {

enum TDialogKind {
  dkMessageBox,
  dkShowMessage,
  dkOpenPicture,
  dkSave,
  dkColor,
  dkFont,
  dkJpegQuality,
  dkDocument
};

// One request as the code under test made it, before any answer was applied.
struct TDialogRequest {
  TDialogKind Kind = dkMessageBox;
  QWidget* Parent = nullptr;
  std::string Text;     // message boxes and plain messages; the file of a document
  std::string Caption;  // message boxes
  int Flags = 0;        // message boxes
  TOpenDialogState Open;
  TSaveDialogState Save;
  TColor Color = 0;      // the colour dialog's starting colour
  std::string FontName;  // the font dialog's starting font
  int FontSize = 0;
  TFontStyles FontStyle = 0;
  TColor FontColor = 0;
  int Quality = 0;  // the quality the JPEG quality dialog offered
};

const char* DialogKindName(TDialogKind Kind);

// While it lives, a TScriptedDialogs is also the running TApplication's dialog service (the one
// the exception handler uses); it restores the previous one when it goes.
//
// Message boxes with only an OK button and plain messages answer themselves. Every other request
// takes the next scripted answer of its kind; a request without one fails the test with a message
// naming the request, and is answered No or Cancel so the test can go on. Answers left unused
// when the object goes fail the test too: the code did not ask what the test expected.
class TScriptedDialogs : public TDialogService {
 public:
  TScriptedDialogs();
  ~TScriptedDialogs() override;
  TScriptedDialogs(const TScriptedDialogs&) = delete;
  TScriptedDialogs& operator=(const TScriptedDialogs&) = delete;

  // --- answers, taken in order per kind ------------------------------------------------------
  void AnswerMessage(int Result);                // IDYES or IDNO for a Yes/No box
  void AnswerOpen(const std::string& FileName);  // accepted with that file
  // Runs Handler while the open dialog is "shown"; it may change the state and returns whether
  // the dialog was accepted.
  void AnswerOpenWith(std::function<bool(TOpenDialogState&)> Handler);
  void CancelOpen();
  void AnswerSave(const std::string& FileName);
  // Accepted with that file and the filter pair FilterIndex (1-based) chosen.
  void AnswerSave(const std::string& FileName, int FilterIndex);
  void CancelSave();
  void AnswerColor(TColor Color);
  void CancelColor();
  // Runs Handler on the font the dialog starts from; the dialog is accepted.
  void AnswerFontWith(std::function<void(TFont&)> Handler);
  void CancelFont();
  void AnswerQuality(int Quality);
  void CancelQuality();
  // Whether the desktop found a program for the next document it is asked to open.
  void AnswerDocument(bool Opened);

  // --- the log ------------------------------------------------------------------------------
  const std::vector<TDialogRequest>& Requests() const { return requests_; }
  // The requests of one kind, in order.
  std::vector<TDialogRequest> RequestsOf(TDialogKind Kind) const;
  // The texts of every message box and plain message, in order.
  std::vector<std::string> Messages() const;
  void ClearLog() { requests_.clear(); }
  // Answers not yet used, of every kind.
  size_t PendingAnswers() const;

  // --- TDialogService -------------------------------------------------------------------------
  int MessageBox(QWidget* Parent, const std::string& Text, const std::string& Caption,
                 int Flags) override;
  void ShowMessage(QWidget* Parent, const std::string& Text) override;
  bool ExecuteOpenPicture(QWidget* Parent, TOpenDialogState& State) override;
  bool ExecuteSave(QWidget* Parent, TSaveDialogState& State) override;
  bool ExecuteColor(QWidget* Parent, TColor& Color) override;
  bool ExecuteFont(QWidget* Parent, TFont& Font) override;
  bool ExecuteJpegQuality(QWidget* Parent, int& Quality) override;
  bool OpenDocument(const std::string& FileName) override;

 private:
  void Unscripted(const TDialogRequest& Request);

  std::deque<int> messageAnswers_;
  std::deque<std::function<bool(TOpenDialogState&)>> openAnswers_;
  struct TSaveAnswer {
    std::string FileName;
    int FilterIndex = 0;  // 0 keeps the dialog's
  };
  std::deque<std::optional<TSaveAnswer>> saveAnswers_;
  std::deque<std::optional<TColor>> colorAnswers_;
  std::deque<std::function<void(TFont&)>> fontAnswers_;  // an empty function cancels
  std::deque<std::optional<int>> qualityAnswers_;
  std::deque<bool> documentAnswers_;
  std::vector<TDialogRequest> requests_;
  TDialogService* previous_ = nullptr;
  bool installed_ = false;
};

}  // namespace pictavia
