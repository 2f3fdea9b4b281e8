// TNewImageForm, the "New Image" dialog: the size of a new canvas through two up-down controls
// (1..2000) and its background colour.
#pragma once

#ifndef PICTAVIA_INSIDE_APP
#error "new_image_form.h is private to the app library and its tests"
#endif

#include <QDialog>

#include "app/dialog_service.h"
#include "app/internal/form_controls.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace pictavia {

class TNewImageForm : public QDialog {
 public:
  // Dialogs answers the colour dialog; null means the running application's service.
  explicit TNewImageForm(QWidget* Parent = nullptr, TDialogService* Dialogs = nullptr);
  ~TNewImageForm() override;

  // The controls, each with its name as Qt object name. Owned by the form.
  QLabel* Label1 = nullptr;  // "Width:"
  QLineEdit* ImageWidth = nullptr;
  TUpDown* UpDown1 = nullptr;  // 1..2000, position 640
  QLabel* Label3 = nullptr;    // "pixels"
  QLabel* Label2 = nullptr;    // "Height:"
  QLineEdit* ImageHeight = nullptr;
  TUpDown* UpDown2 = nullptr;      // 1..2000, position 480
  QLabel* Label4 = nullptr;        // "pixels"
  QLabel* Label5 = nullptr;        // "Background Color:"
  TShape* Panel1 = nullptr;        // the colour swatch
  QPushButton* Button1 = nullptr;  // "Select", left out of the Tab order
  QPushButton* Button2 = nullptr;  // "OK", the default button
  QPushButton* Button3 = nullptr;  // "Cancel"

  // What New takes after OK: the up-down positions (always within 1..2000) and the swatch's
  // toolkit colour.
  int ChosenWidth() const;
  int ChosenHeight() const;
  TColor ChosenColor() const;

  // "Select": the colour dialog starts at the swatch's colour; on OK the swatch takes the choice.
  void Button1Click();

 protected:
  // The form opens in the middle of the screen, whoever its parent is.
  void showEvent(QShowEvent* Event) override;

 private:
  TDialogService& Dialogs() const;
  TDialogService* dialogs_;
};

}  // namespace pictavia
