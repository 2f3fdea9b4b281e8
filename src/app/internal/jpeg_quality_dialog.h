// The small dialog Export shows before writing a JPEG: the quality, 1 to 100, in a spin box.
#pragma once

#ifndef PICTAVIA_INSIDE_APP
#error "jpeg_quality_dialog.h is private to the app library and its tests"
#endif

#include <QDialog>

class QSpinBox;

namespace pictavia {

class TJpegQualityDialog : public QDialog {
 public:
  // Offers Quality, brought into 1..100.
  explicit TJpegQualityDialog(int Quality, QWidget* Parent = nullptr);

  int Quality() const;
  // The spin box ("QualitySpin"); OK and Cancel are the buttons of "QualityButtons".
  QSpinBox* QualitySpin() const { return spin_; }

 private:
  QSpinBox* spin_ = nullptr;
};

}  // namespace pictavia
