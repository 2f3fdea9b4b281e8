// A temporary file that never outlives its use: removed when dropped (also when an exception
// passes), and when SIGINT or SIGTERM ends the process meanwhile.
#pragma once

#ifndef PICTAVIA_INSIDE_DOCUMENT
#error "temporary_file.h is private to the document library and its tests"
#endif

#include <string>

namespace pictavia {

class TTemporaryFile {
 public:
  // Creates an empty file with a short unique name in Folder, readable and writable by the owner
  // only. A failure raises EFCreateError naming Target, the file it is meant to become.
  TTemporaryFile(const std::string& Folder, const std::string& Target);
  ~TTemporaryFile();
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;

  const std::string& Name() const { return name_; }
  // The open descriptor; after TakeHandle the caller closes it.
  int Handle() const { return handle_; }
  int TakeHandle();
  // Renames the file over NewName in one step; from then on it is no longer temporary.
  // A failure raises EFCreateError naming Target.
  void RenameTo(const std::string& NewName);

 private:
  std::string name_;
  std::string target_;
  int handle_ = -1;
  bool pending_ = true;
};

}  // namespace pictavia
