// The pieces of the Qt dialog service that are worth reaching on their own: the filter form
// conversion, the font mapping of the font dialog, and the picture preview of the open dialog.
#pragma once

#ifndef PICTAVIA_INSIDE_APP
#error "qt_dialog_service.h is private to the app library and its tests"
#endif

#include <string>

#include <QFont>
#include <QStringList>
#include <QWidget>

#include "toolkit/font.h"

class QLabel;

namespace pictavia {

// "Desc|*.a;*.b|Desc2|*.c" as Qt name filters: "Desc (*.a *.b)", "Desc2 (*.c)". A description
// without its pattern list gets "*".
QStringList QtNameFilters(const std::string& Filter);

// The font the font dialog starts from: the family that draws Font, its size in points, bold,
// italic, underline and strike-out.
QFont FontForDialog(const TFont& Font);
// Takes the dialog's choice into Font. The colour and the other settings stay; the name stays as
// well when the chosen family is just the one that draws it ("Arial" is not renamed).
void AssignDialogFont(TFont& Font, const QFont& Chosen);

// The pane beside the file list of the open-picture dialog: the picture under the cursor read the
// way the editor reads it, scaled down to fit, with its size in pixels underneath.
class TPicturePreview : public QWidget {
 public:
  explicit TPicturePreview(QWidget* Parent = nullptr);
  // Shows the picture of FileName; folders, missing files and unreadable pictures show a note.
  void ShowFile(const std::string& FileName);
  // The caption under the picture ("640 × 480", or the note).
  QString Caption() const;
  // Whether a picture is shown.
  bool HasPicture() const;

 private:
  QLabel* image_ = nullptr;
  QLabel* caption_ = nullptr;
};

}  // namespace pictavia
