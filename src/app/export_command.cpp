// TMainForm's Export: the flattened composition as a PNG or a JPEG file.
#include <filesystem>
#include <string>

#include "app/internal/busy_wait.h"
#include "app/internal/editor_settings.h"
#include "app/main_form.h"
#include "document/picture_export.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

// The dialog's filters in order; FilterIndex 1 is PNG, 2 JPEG.
constexpr const char* kExportFilter =
    "PNG picture (*.png)|*.png|JPEG picture (*.jpg *.jpeg)|*.jpg;*.jpeg";
constexpr const char* kExportDialogKey = "export";

TExportFormat FilterFormat(int FilterIndex) {
  return FilterIndex == 2 ? efJpeg : efPng;
}

const char* ExtensionOf(TExportFormat Format) {
  return Format == efJpeg ? ".jpg" : ".png";
}

}  // namespace

TSaveDialogState TMainForm::InitialExportDialog() {
  TSaveDialogState dialog;
  dialog.Title = "Export";
  dialog.Filter = kExportFilter;
  dialog.FilterIndex = 1;
  dialog.OverwritePrompt = true;
  dialog.InitialDir = RememberedFolder(kExportDialogKey);
  return dialog;
}

void TMainForm::ExportClick() {
  exportDialog_.FileName.clear();
  std::string name;
  TExportFormat format = efUnknown;
  for (;;) {
    if (!Dialogs().ExecuteSave(this, exportDialog_)) return;
    name = exportDialog_.FileName;
    if (name.find_first_not_of(" \t\r\n") == std::string::npos) return;
    format = ExportFormatOf(name);
    // Any other ending (".bmp", "holiday.2024", none) is part of the name.
    if (format != efPng && format != efJpeg) {
      format = FilterFormat(exportDialog_.FilterIndex);
      name += ExtensionOf(format);
    }
    // The dialog asked about the name as typed; an extension appended since makes another name.
    if (name == exportDialog_.FileName || !FileExists(name) ||
        ConfirmReplace(name, exportDialog_.Title))
      break;
  }
  int quality = DefaultJpegQuality;
  if (format == efJpeg) {
    quality = RememberedJpegQuality();
    if (!Dialogs().ExecuteJpegQuality(this, quality)) return;
    RememberJpegQuality(quality);
  }
  SelectLayer(nullptr);  // the frame must not be part of the picture
  {
    THourglass hourglass;
    ExportPicture(*FlattenedView(), name, quality);
  }
  // Only a folder that took a file is worth starting in next time.
  exportDialog_.InitialDir = std::filesystem::path(name).parent_path().string();
  RememberFolder(kExportDialogKey, exportDialog_.InitialDir);
}

}  // namespace pictavia
