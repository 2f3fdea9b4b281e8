// The scripted dialog service of the app tests.
#include "scripted_dialogs.h"

#include <gtest/gtest.h>

#include "app/application.h"

namespace pictavia {

const char* DialogKindName(TDialogKind Kind) {
  switch (Kind) {
    case dkMessageBox:
      return "message box";
    case dkShowMessage:
      return "message";
    case dkOpenPicture:
      return "open-picture dialog";
    case dkSave:
      return "save dialog";
    case dkColor:
      return "colour dialog";
    case dkFont:
      return "font dialog";
    case dkJpegQuality:
      return "JPEG quality dialog";
    case dkDocument:
      return "document";
  }
  return "dialog";
}

TScriptedDialogs::TScriptedDialogs() {
  if (TApplication* app = TApplication::Instance()) {
    previous_ = app->AssignedDialogService();
    app->SetDialogService(this);
    installed_ = true;
  }
}

TScriptedDialogs::~TScriptedDialogs() {
  if (installed_) {
    if (TApplication* app = TApplication::Instance()) app->SetDialogService(previous_);
  }
  const size_t left = PendingAnswers();
  if (left > 0)
    ADD_FAILURE() << left << " scripted dialog answer(s) were never asked for (message boxes: "
                  << messageAnswers_.size() << ", open: " << openAnswers_.size()
                  << ", save: " << saveAnswers_.size() << ", colour: " << colorAnswers_.size()
                  << ", font: " << fontAnswers_.size() << ", quality: " << qualityAnswers_.size()
                  << ", documents: " << documentAnswers_.size() << ")";
}

void TScriptedDialogs::AnswerMessage(int Result) {
  messageAnswers_.push_back(Result);
}

void TScriptedDialogs::AnswerOpen(const std::string& FileName) {
  openAnswers_.push_back([FileName](TOpenDialogState& State) {
    State.FileName = FileName;
    return true;
  });
}

void TScriptedDialogs::AnswerOpenWith(std::function<bool(TOpenDialogState&)> Handler) {
  openAnswers_.push_back(std::move(Handler));
}

void TScriptedDialogs::CancelOpen() {
  openAnswers_.push_back([](TOpenDialogState&) { return false; });
}

void TScriptedDialogs::AnswerSave(const std::string& FileName) {
  saveAnswers_.push_back(TSaveAnswer{FileName});
}
void TScriptedDialogs::AnswerSave(const std::string& FileName, int FilterIndex) {
  saveAnswers_.push_back(TSaveAnswer{FileName, FilterIndex});
}
void TScriptedDialogs::CancelSave() {
  saveAnswers_.push_back(std::nullopt);
}
void TScriptedDialogs::AnswerColor(TColor Color) {
  colorAnswers_.push_back(Color);
}
void TScriptedDialogs::CancelColor() {
  colorAnswers_.push_back(std::nullopt);
}

void TScriptedDialogs::AnswerFontWith(std::function<void(TFont&)> Handler) {
  if (!Handler) Handler = [](TFont&) {};
  fontAnswers_.push_back(std::move(Handler));
}

void TScriptedDialogs::CancelFont() {
  fontAnswers_.push_back(nullptr);
}
void TScriptedDialogs::AnswerQuality(int Quality) {
  qualityAnswers_.push_back(Quality);
}
void TScriptedDialogs::CancelQuality() {
  qualityAnswers_.push_back(std::nullopt);
}
void TScriptedDialogs::AnswerDocument(bool Opened) {
  documentAnswers_.push_back(Opened);
}

std::vector<TDialogRequest> TScriptedDialogs::RequestsOf(TDialogKind Kind) const {
  std::vector<TDialogRequest> out;
  for (const TDialogRequest& r : requests_)
    if (r.Kind == Kind) out.push_back(r);
  return out;
}

std::vector<std::string> TScriptedDialogs::Messages() const {
  std::vector<std::string> out;
  for (const TDialogRequest& r : requests_)
    if (r.Kind == dkMessageBox || r.Kind == dkShowMessage) out.push_back(r.Text);
  return out;
}

size_t TScriptedDialogs::PendingAnswers() const {
  return messageAnswers_.size() + openAnswers_.size() + saveAnswers_.size() + colorAnswers_.size() +
         fontAnswers_.size() + qualityAnswers_.size() + documentAnswers_.size();
}

void TScriptedDialogs::Unscripted(const TDialogRequest& Request) {
  std::string what = DialogKindName(Request.Kind);
  if (!Request.Text.empty()) what += " \"" + Request.Text + "\"";
  if (Request.Kind == dkOpenPicture && !Request.Open.Title.empty())
    what += " \"" + Request.Open.Title + "\"";
  if (Request.Kind == dkSave && !Request.Save.Title.empty())
    what += " \"" + Request.Save.Title + "\"";
  ADD_FAILURE() << "the code under test showed a " << what
                << " but the test scripted no answer for it; it was answered No/Cancel";
}

int TScriptedDialogs::MessageBox(QWidget* Parent, const std::string& Text,
                                 const std::string& Caption, int Flags) {
  TDialogRequest r;
  r.Kind = dkMessageBox;
  r.Parent = Parent;
  r.Text = Text;
  r.Caption = Caption;
  r.Flags = Flags;
  requests_.push_back(r);
  if ((Flags & 0x0F) != MB_YESNO) return IDOK;
  if (messageAnswers_.empty()) {
    Unscripted(r);
    return IDNO;
  }
  const int answer = messageAnswers_.front();
  messageAnswers_.pop_front();
  return answer;
}

void TScriptedDialogs::ShowMessage(QWidget* Parent, const std::string& Text) {
  TDialogRequest r;
  r.Kind = dkShowMessage;
  r.Parent = Parent;
  r.Text = Text;
  r.Caption = ApplicationTitle();
  requests_.push_back(r);
}

bool TScriptedDialogs::ExecuteOpenPicture(QWidget* Parent, TOpenDialogState& State) {
  TDialogRequest r;
  r.Kind = dkOpenPicture;
  r.Parent = Parent;
  r.Open = State;
  requests_.push_back(r);
  if (openAnswers_.empty()) {
    Unscripted(r);
    return false;
  }
  auto answer = std::move(openAnswers_.front());
  openAnswers_.pop_front();
  // A cancelled dialog leaves the state as it was, whatever the handler did to its copy.
  TOpenDialogState edited = State;
  if (!answer(edited)) return false;
  State = edited;
  return true;
}

bool TScriptedDialogs::ExecuteSave(QWidget* Parent, TSaveDialogState& State) {
  TDialogRequest r;
  r.Kind = dkSave;
  r.Parent = Parent;
  r.Save = State;
  requests_.push_back(r);
  if (saveAnswers_.empty()) {
    Unscripted(r);
    return false;
  }
  auto answer = saveAnswers_.front();
  saveAnswers_.pop_front();
  if (!answer) return false;
  State.FileName = answer->FileName;
  if (answer->FilterIndex > 0) State.FilterIndex = answer->FilterIndex;
  return true;
}

bool TScriptedDialogs::ExecuteColor(QWidget* Parent, TColor& Color) {
  TDialogRequest r;
  r.Kind = dkColor;
  r.Parent = Parent;
  r.Color = Color;
  requests_.push_back(r);
  if (colorAnswers_.empty()) {
    Unscripted(r);
    return false;
  }
  auto answer = colorAnswers_.front();
  colorAnswers_.pop_front();
  if (!answer) return false;
  Color = *answer;
  return true;
}

bool TScriptedDialogs::ExecuteFont(QWidget* Parent, TFont& Font) {
  TDialogRequest r;
  r.Kind = dkFont;
  r.Parent = Parent;
  r.FontName = Font.Name();
  r.FontSize = Font.Size();
  r.FontStyle = Font.Style();
  r.FontColor = Font.Color();
  requests_.push_back(r);
  if (fontAnswers_.empty()) {
    Unscripted(r);
    return false;
  }
  auto answer = std::move(fontAnswers_.front());
  fontAnswers_.pop_front();
  if (!answer) return false;
  answer(Font);
  return true;
}

bool TScriptedDialogs::ExecuteJpegQuality(QWidget* Parent, int& Quality) {
  TDialogRequest r;
  r.Kind = dkJpegQuality;
  r.Parent = Parent;
  r.Quality = Quality;
  requests_.push_back(r);
  if (qualityAnswers_.empty()) {
    Unscripted(r);
    return false;
  }
  const std::optional<int> answer = qualityAnswers_.front();
  qualityAnswers_.pop_front();
  if (!answer) return false;
  Quality = *answer;
  return true;
}

bool TScriptedDialogs::OpenDocument(const std::string& FileName) {
  TDialogRequest r;
  r.Kind = dkDocument;
  r.Text = FileName;
  requests_.push_back(r);
  if (documentAnswers_.empty()) {
    Unscripted(r);
    return false;
  }
  const bool opened = documentAnswers_.front();
  documentAnswers_.pop_front();
  return opened;
}

}  // namespace pictavia
