// TRecoveryFile: the recovery project of this editor in the user's state folder, written after
// every change so that a crash or a power cut loses nothing, and the recovery projects that
// editors which ended without removing theirs left behind. Each editor writes only its own file,
// named by its process and start time and held by a lock while it runs.
#pragma once

#ifndef PICTAVIA_INSIDE_APP
#error "recovery_file.h is private to the app library and its tests"
#endif

#include <memory>
#include <string>
#include <vector>

class QLockFile;

namespace pictavia {

class TDocument;

class TRecoveryFile {
 public:
  // Folder empty: "recovery" in QStandardPaths::AppLocalDataLocation.
  explicit TRecoveryFile(std::string Folder = {});
  ~TRecoveryFile();
  TRecoveryFile(const TRecoveryFile&) = delete;
  TRecoveryFile& operator=(const TRecoveryFile&) = delete;

  const std::string& Folder() const { return folder_; }
  // This editor's file; created (with its lock) by the first Write.
  const std::string& Path() const { return path_; }
  // Written through a temporary file and a rename (WriteFileAtomically); failures raise.
  void Write(const TDocument& Doc);
  // Removes this editor's file, if written.
  void Remove();

  // The recovery projects of editors no longer running, newest first. Each is locked for this
  // editor until Release or its removal (Discard, SetAside).
  std::vector<std::string> Orphans();
  void Discard(const std::string& Orphan);
  // Renames a damaged one with the suffix ".damaged"; returns the new name.
  std::string SetAside(const std::string& Orphan);

 private:
  void Unlock(const std::string& File);

  std::string folder_;
  std::string path_;
  std::unique_ptr<QLockFile> lock_;
  std::vector<std::pair<std::string, std::unique_ptr<QLockFile>>> orphanLocks_;
};

}  // namespace pictavia
