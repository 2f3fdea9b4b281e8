// The editor's settings file.
#include <filesystem>

#include <QFile>
#include <QSettings>

#include "app/internal/editor_settings.h"
#include "document/picture_export.h"

namespace pictavia {

namespace {

// Named outright, so the file does not depend on the application's names at the time.
QSettings Settings() {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("pictavia"),
                   QStringLiteral("pictavia"));
}

QString FolderKey(const char* Dialog) {
  return QStringLiteral("folders/") + QString::fromLatin1(Dialog);
}

}  // namespace

std::string RememberedFolder(const char* Dialog) {
  const std::string folder =
      QFile::encodeName(Settings().value(FolderKey(Dialog)).toString()).toStdString();
  std::error_code ec;
  return !folder.empty() && std::filesystem::is_directory(folder, ec) ? folder : std::string();
}

void RememberFolder(const char* Dialog, const std::string& Folder) {
  Settings().setValue(FolderKey(Dialog), QFile::decodeName(Folder.c_str()));
}

std::optional<int> RememberedZoom() {
  bool ok = false;
  const int percent = Settings().value(QStringLiteral("view/zoom")).toInt(&ok);
  if (!ok || percent < 1 || percent > 2000) return std::nullopt;
  return percent;
}

void RememberZoom(int Percent) {
  Settings().setValue(QStringLiteral("view/zoom"), Percent);
}

int RememberedJpegQuality() {
  bool ok = false;
  const int quality = Settings().value(QStringLiteral("export/quality")).toInt(&ok);
  if (!ok || quality < LowestJpegQuality || quality > HighestJpegQuality) return DefaultJpegQuality;
  return quality;
}

void RememberJpegQuality(int Quality) {
  Settings().setValue(QStringLiteral("export/quality"), Quality);
}

QByteArray RememberedWindowPlace() {
  return Settings().value(QStringLiteral("window/geometry")).toByteArray();
}

void RememberWindowPlace(const QByteArray& Place) {
  Settings().setValue(QStringLiteral("window/geometry"), Place);
}

}  // namespace pictavia
