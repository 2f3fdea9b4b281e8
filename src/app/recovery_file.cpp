// Recovery projects: writing this editor's, finding those left behind.
#include "app/internal/recovery_file.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include <QCoreApplication>
#include <QLockFile>
#include <QStandardPaths>

#include "document/project_file.h"
#include "toolkit/exceptions.h"

namespace pictavia {

namespace {

namespace fs = std::filesystem;

std::string DefaultFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation).toStdString() +
         "/recovery";
}

QString LockName(const std::string& File) {
  return QString::fromStdString(File + ".lock");
}

}  // namespace

TRecoveryFile::TRecoveryFile(std::string Folder)
    : folder_(Folder.empty() ? DefaultFolder() : std::move(Folder)) {
  // Process id and start time: a later editor that gets the same process id has another name.
  const auto started = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
  path_ = folder_ + "/" + std::to_string(QCoreApplication::applicationPid()) + "-" +
          std::to_string(started) + ProjectExtension;
}

TRecoveryFile::~TRecoveryFile() = default;

void TRecoveryFile::Write(const TDocument& Doc) {
  if (!lock_) {
    fs::create_directories(folder_);
    auto lock = std::make_unique<QLockFile>(LockName(path_));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
      throw Exception("The recovery file \"" + path_ + "\" is locked by another program");
    lock_ = std::move(lock);
  }
  SaveProject(Doc, path_);
}

void TRecoveryFile::Remove() {
  std::error_code ec;
  fs::remove(path_, ec);
}

std::vector<std::string> TRecoveryFile::Orphans() {
  std::vector<std::pair<fs::file_time_type, std::string>> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder_, ec)) {
    const std::string file = entry.path().string();
    if (file == path_ || entry.path().extension() != ProjectExtension) continue;
    if (!entry.is_regular_file(ec)) continue;
    // A lock that can be taken belongs to no running editor (QLockFile sees through the locks
    // of processes that are gone).
    auto lock = std::make_unique<QLockFile>(LockName(file));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) continue;
    found.emplace_back(entry.last_write_time(ec), file);
    orphanLocks_.emplace_back(file, std::move(lock));
  }
  std::sort(found.begin(), found.end(), [](const auto& A, const auto& B) { return A > B; });
  std::vector<std::string> files;
  for (const auto& f : found) files.push_back(f.second);
  return files;
}

void TRecoveryFile::Unlock(const std::string& File) {
  for (auto it = orphanLocks_.begin(); it != orphanLocks_.end(); ++it)
    if (it->first == File) {
      it->second->unlock();
      orphanLocks_.erase(it);
      return;
    }
}

void TRecoveryFile::Discard(const std::string& Orphan) {
  std::error_code ec;
  fs::remove(Orphan, ec);
  Unlock(Orphan);
}

std::string TRecoveryFile::SetAside(const std::string& Orphan) {
  const std::string damaged = Orphan + ".damaged";
  std::error_code ec;
  fs::rename(Orphan, damaged, ec);
  Unlock(Orphan);
  return damaged;
}

}  // namespace pictavia
