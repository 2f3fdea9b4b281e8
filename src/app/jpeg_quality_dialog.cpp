// The JPEG quality dialog of Export.
#include "app/internal/jpeg_quality_dialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include "document/picture_export.h"

namespace pictavia {

TJpegQualityDialog::TJpegQualityDialog(int Quality, QWidget* Parent) : QDialog(Parent) {
  setObjectName(QStringLiteral("JpegQualityDialog"));
  setWindowTitle(QStringLiteral("JPEG Quality"));
  spin_ = new QSpinBox(this);
  spin_->setObjectName(QStringLiteral("QualitySpin"));
  spin_->setRange(LowestJpegQuality, HighestJpegQuality);
  spin_->setValue(std::clamp(Quality, LowestJpegQuality, HighestJpegQuality));
  auto* note =
      new QLabel(QStringLiteral("Higher keeps more detail and makes a larger file."), this);
  note->setObjectName(QStringLiteral("QualityNote"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName(QStringLiteral("QualityButtons"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Quality:"), spin_);
  auto* column = new QVBoxLayout(this);
  column->addLayout(form);
  column->addWidget(note);
  column->addWidget(buttons);
  column->setSizeConstraint(QLayout::SetFixedSize);
  spin_->selectAll();
  spin_->setFocus();
}

int TJpegQualityDialog::Quality() const {
  return spin_->value();
}

}  // namespace pictavia
