// The one door through which the editor shows message boxes and common dialogs. The editor asks
// TDialogService; the running program answers with real Qt dialogs, tests answer from a script.
#pragma once

#include <memory>
#include <string>

#include "toolkit/colors.h"
#include "toolkit/font.h"

class QWidget;

namespace pictavia {

// Message-box flags and results, with the platform's values (36 = Yes/No with the question icon).
inline constexpr int MB_OK = 0x00000000;
inline constexpr int MB_YESNO = 0x00000004;
inline constexpr int MB_ICONERROR = 0x00000010;
inline constexpr int MB_ICONQUESTION = 0x00000020;
inline constexpr int MB_ICONWARNING = 0x00000030;
inline constexpr int MB_ICONINFORMATION = 0x00000040;
inline constexpr int IDOK = 1;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// The state of an open-picture dialog. Like a dialog component it keeps what it held last time:
// a dialog run again starts from the same folder, filter and file name. Filters use the
// "Description|*.a;*.b|Description|*.c" form.
struct TOpenDialogState {
  std::string Title;
  std::string Filter;
  int FilterIndex = 1;  // 1-based, the filter pair shown first
  std::string InitialDir;
  std::string FileName;  // preset before, the chosen file (full path) after
};

struct TSaveDialogState {
  std::string Title;
  std::string Filter;
  int FilterIndex = 1;     // 1-based: the filter pair shown first, the one chosen after
  std::string DefaultExt;  // kept for the record; the editor adds extensions itself
  std::string InitialDir;
  std::string FileName;
  bool OverwritePrompt = true;
};

class TDialogService {
 public:
  virtual ~TDialogService() = default;

  // A message box; returns IDOK, IDYES or IDNO.
  virtual int MessageBox(QWidget* Parent, const std::string& Text, const std::string& Caption,
                         int Flags) = 0;
  // A plain message with the application's title as caption and an OK button.
  virtual void ShowMessage(QWidget* Parent, const std::string& Text) = 0;

  // Each returns true when the user accepted; the state then holds the choice.
  virtual bool ExecuteOpenPicture(QWidget* Parent, TOpenDialogState& State) = 0;
  virtual bool ExecuteSave(QWidget* Parent, TSaveDialogState& State) = 0;
  virtual bool ExecuteColor(QWidget* Parent, TColor& Color) = 0;
  virtual bool ExecuteFont(QWidget* Parent, TFont& Font) = 0;
  // The quality of a JPEG about to be written, 1 to 100; Quality is the one offered first.
  virtual bool ExecuteJpegQuality(QWidget* Parent, int& Quality) = 0;

  // Asks the desktop to open a file with its default program; false when nothing could.
  virtual bool OpenDocument(const std::string& FileName) = 0;
};

// The dialogs of the running program (QMessageBox, QFileDialog with a picture preview,
// QColorDialog, QFontDialog, the JPEG quality dialog) and the desktop's default programs.
std::unique_ptr<TDialogService> CreateQtDialogService();

}  // namespace pictavia
