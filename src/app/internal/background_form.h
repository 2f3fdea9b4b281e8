// TFrmBack, the "BackGround AdJust" dialog: a new canvas size typed as text (10..3000 on OK) and
// a background filled with a colour or stretched from a picture.
#pragma once

#ifndef PICTAVIA_INSIDE_APP
#error "background_form.h is private to the app library and its tests"
#endif

#include <string>

#include <QDialog>

#include "app/dialog_service.h"
#include "app/internal/form_controls.h"

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace pictavia {

class TFrmBack : public QDialog {
 public:
  // ProgramFolder is the folder whose "BackGround_Photo" subfolder Select Picture opens (with or
  // without a trailing separator). Dialogs answers the colour and picture dialogs and shows the
  // messages; null means the running application's service.
  explicit TFrmBack(std::string ProgramFolder, QWidget* Parent = nullptr,
                    TDialogService* Dialogs = nullptr);
  ~TFrmBack() override;

  // The controls, each with its name as Qt object name. Owned by the form.
  QGroupBox* GroupBox1 = nullptr;  // "Adjust Size"
  QLabel* Label1 = nullptr;        // "Width:"
  QLineEdit* ImageWidth = nullptr;
  TUpDown* UpDown1 = nullptr;  // 1..3000
  QLabel* Label3 = nullptr;    // "pixels"
  QLabel* Label2 = nullptr;    // "Height:"
  QLineEdit* ImageHeight = nullptr;
  TUpDown* UpDown2 = nullptr;            // 1..3000
  QLabel* Label4 = nullptr;              // "pixels"
  QGroupBox* GroupBox2 = nullptr;        // "Set BackGround"
  QRadioButton* RadioButton1 = nullptr;  // "Fill BackGround with a Color.", checked at start
  TShape* Shape1 = nullptr;              // the colour swatch
  QPushButton* BitBtn1 = nullptr;        // "Select Color"
  QRadioButton* RadioButton2 = nullptr;  // "Fill BackGround With a Picture."
  QPushButton* BitBtn2 = nullptr;        // "Select Picture", disabled at start
  QFrame* Bevel1 = nullptr;              // the line above the bottom row
  QPushButton* Button1 = nullptr;        // "OK"
  QPushButton* Button2 = nullptr;        // "Cancel"

  // The picture dialog's state: preset FileName before showing the form, read it after.
  TOpenDialogState OpenPictureDialog1;

  // True only when OK passed the validation and closed the form.
  bool Accepted() const { return accepted_; }
  const std::string& ProgramFolder() const { return programFolder_; }

  // The swatch's colour and the checked option, for the caller that presets and reads the form.
  TColor SwatchColor() const;
  void SetSwatchColor(TColor Value);
  bool ColorOptionChecked() const;

  // The handlers, callable as if their controls were used.
  void FormCreate();
  // Serves both radio buttons: each "Select" button is enabled while its option is checked.
  void RadioButton1Click();
  void BitBtn1Click();
  void BitBtn2Click();
  // Validates the two sizes (10..3000) and the picture option, then closes as accepted.
  void Button1Click();
  void Button2Click();

 private:
  TDialogService& Dialogs() const;
  std::string programFolder_;
  TDialogService* dialogs_;
  bool accepted_ = false;
};

}  // namespace pictavia
