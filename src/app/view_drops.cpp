// Files dropped on the view from a file manager: added where they were dropped.
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

#include "app/main_form.h"

namespace pictavia {

namespace {

// The local files a drag carries, in the order given (encoded as the file system names them).
std::vector<std::string> DroppedFiles(const QMimeData* Data) {
  std::vector<std::string> files;
  if (!Data || !Data->hasUrls()) return files;
  for (const QUrl& url : Data->urls())
    if (url.isLocalFile()) files.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
  return files;
}

}  // namespace

bool TMainForm::ViewAcceptsDrag(const QMimeData* Data) const {
  return !DroppedFiles(Data).empty();
}

void TMainForm::ViewDrop(const QDropEvent& Drop) {
  const QPoint at = Drop.position().toPoint();
  AddPictureFiles(DroppedFiles(Drop.mimeData()), ImgView->ViewToBitmap(at.x(), at.y()));
}

}  // namespace pictavia
