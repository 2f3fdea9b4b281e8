// Files dropped on the view from a file manager: a project opened, pictures added where they were
// dropped.
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "app/internal/main_form_guarded.h"
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
  // Added once the drop is over: the file manager waits for its end, and hundreds of files take
  // a while. The drop point is read on the canvas shown then (a dropped project brings its own).
  QTimer::singleShot(0, this, [this, files = DroppedFiles(Drop.mimeData()), at] {
    Guarded([&] { OpenFiles(files, [&] { return ImgView->ViewToBitmap(at.x(), at.y()); }); });
  });
}

}  // namespace pictavia
