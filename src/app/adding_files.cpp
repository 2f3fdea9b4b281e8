// Files the user named outside the menu and the Add buttons (the command line, a drop): the first
// project opened, then each picture as a photo, or as a clip when it is a PNG with transparency,
// with a progress dialog for several and one message afterwards for those that could not be added.
#include <algorithm>
#include <exception>
#include <filesystem>

#include <QCoreApplication>
#include <QProgressDialog>

#include "app/application.h"
#include "app/internal/busy_wait.h"
#include "app/main_form.h"
#include "codecs/png_object.h"
#include "document/document_editing.h"
#include "document/picture_loading.h"
#include "raster/bitmap32.h"
#include "toolkit/ascii_case.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

// A message naming more files than this would not fit on the screen.
constexpr size_t kFilesNamedAtMost = 10;

struct TNotAdded {
  std::string File;
  std::string Reason;
};

// Why File cannot even be tried, or empty. Opening a FIFO to read it would wait for a writer
// forever, and a device could be endless.
std::string RefusedBeforeReading(const std::string& File, const std::string& WhyNoProject) {
  std::error_code ec;
  const auto status = std::filesystem::status(File, ec);
  if (std::filesystem::is_directory(status)) return "A folder, not a picture file";
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
    return "Not a regular file";
  if (IsProjectFile(File)) return WhyNoProject;
  return {};
}

std::string NotAddedMessage(const std::vector<TNotAdded>& Failures) {
  std::string text = Failures.size() == 1 ? "This file could not be added as a photo:"
                                          : "These files could not be added as photos:";
  for (size_t i = 0; i < Failures.size() && i < kFilesNamedAtMost; ++i)
    text += "\n\n" + Failures[i].File + "\n" + Failures[i].Reason;
  if (Failures.size() > kFilesNamedAtMost)
    text += "\n\n... and " + std::to_string(Failures.size() - kFilesNamedAtMost) + " more.";
  return text;
}

// Whether a pixel of the picture lets what lies below show through. An alpha channel that is
// opaque everywhere (screenshots are often saved so) does not count.
bool SeeThrough(const TPNGObject& Picture) {
  if (Picture.TransparencyKind() != TransparencyAlpha) return Picture.Transparent();
  for (int y = 0; y < Picture.PictureHeight(); ++y) {
    const uint8_t* alpha = Picture.AlphaScanline(y);
    if (!alpha) return true;  // a colour table with transparent entries
    if (std::any_of(alpha, alpha + Picture.PictureWidth(), [](uint8_t a) { return a != 0xFF; }))
      return true;
  }
  return false;
}

}  // namespace

bool IsProjectFile(const std::string& FileName) {
  return SameText(ExtractFileExt(FileName), "pictavia");
}

TBitmapLayer* TMainForm::AddPictureFile(const std::string& FileName, TPoint Centre) {
  // A PNG with an alpha channel or a transparent colour is clip art: a clip, as Add Clips makes it.
  if (SameText(ExtractFileExt(FileName), "png")) {
    const std::shared_ptr<const TPNGObject> clip = pictures_.Clip(FileName);
    if (clip && SeeThrough(*clip)) {
      const uint64_t id =
          ChangeDocument([&](TDocument& Doc) { return AddClip(Doc, pictures_, FileName, Centre); });
      SelectLayer(docLayers_->LayerOf(id));
      return SelectedLayer();
    }
    // A photo after all; a missing file is reported by the photo's loading.
  }
  const std::shared_ptr<const TBitmap32> picture = LoadPhotoShowingBusy(FileName);
  const uint64_t id =
      ChangeDocument([&](TDocument& Doc) { return AddPhoto(Doc, FileName, picture, Centre); });
  SelectLayer(docLayers_->LayerOf(id));
  return SelectedLayer();
}

void TMainForm::AddPictureFiles(const std::vector<std::string>& Files, TPoint Centre,
                                const std::string& WhyNoProject) {
  std::unique_ptr<QProgressDialog> progress;
  if (Files.size() > 1) {
    progress = std::make_unique<QProgressDialog>(QStringLiteral("Adding pictures…"),
                                                 QStringLiteral("Cancel"), 0,
                                                 static_cast<int>(Files.size()), this);
    progress->setObjectName(QStringLiteral("AddingProgress"));
    progress->setWindowTitle(QString::fromStdString(ApplicationTitle()));
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(0);
    progress->show();
  }
  std::vector<TNotAdded> failures;
  for (size_t i = 0; i < Files.size(); ++i) {
    const std::string& file = Files[i];
    std::string reason = RefusedBeforeReading(file, WhyNoProject);
    if (reason.empty()) {
      try {
        AddPictureFile(file, Centre);
      } catch (const std::exception& e) {
        reason = e.what();
      }
    }
    if (!reason.empty()) failures.push_back({file, reason});
    if (!progress) continue;
    // Between two files, the dialog is drawn and its Cancel heard: the file being added when
    // it was pressed stays, the rest are left.
    progress->setValue(static_cast<int>(i + 1));
    if (i + 1 < Files.size())
      progress->setLabelText(
          QString::fromStdString(std::filesystem::path(Files[i + 1]).filename().string()));
    QCoreApplication::processEvents();
    if (progress->wasCanceled()) break;
  }
  progress.reset();
  if (failures.empty()) return;
  Dialogs().MessageBox(this, NotAddedMessage(failures), ApplicationTitle(), MB_OK | MB_ICONWARNING);
}

void TMainForm::OpenFiles(const std::vector<std::string>& Files,
                          const std::function<TPoint()>& Centre, bool KeepComposition) {
  if (KeepComposition) {
    AddPictureFiles(Files, Centre(),
                    "A project: not opened over the collage restored at start, which is not saved");
    return;
  }
  std::vector<std::string> rest = Files;
  const auto project = std::find_if(rest.begin(), rest.end(), IsProjectFile);
  if (project != rest.end()) {
    const std::string file = *project;
    rest.erase(project);
    // As Open Project from the menu: a project that cannot be read changes nothing and is named
    // in its own message; unsaved work is only left when the user says so.
    OpenProject(file, true);
  }
  AddPictureFiles(rest, Centre());
}

}  // namespace pictavia
