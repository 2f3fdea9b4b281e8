// Temporary files and their removal on SIGINT and SIGTERM.
#include "document/internal/temporary_file.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <unistd.h>

#include "toolkit/exceptions.h"

namespace pictavia {

namespace {

// What the signal handler may touch: a fixed buffer and flags, no allocation.
char pendingName[PATH_MAX + 1];
volatile sig_atomic_t namePending = 0;
struct sigaction previousInt, previousTerm;
bool handlersInstalled = false;

void RemovePendingFileAndEnd(int Signal) {
  if (namePending) ::unlink(pendingName);
  // Then the signal takes its old course: the process ends as it would have.
  sigaction(Signal, Signal == SIGINT ? &previousInt : &previousTerm, nullptr);
  std::raise(Signal);
}

// The signals stay blocked while the bookkeeping changes, so the handler never sees half of it.
class TSignalsBlocked {
 public:
  TSignalsBlocked() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, &previous_);
  }
  ~TSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

 private:
  sigset_t previous_;
};

// Installed only where the signal would end the process anyway: a program that handles or
// ignores it keeps its own course (and then nothing is left behind by an ending process).
void InstallHandlers() {
  struct sigaction current {};
  sigaction(SIGINT, nullptr, &current);
  if (current.sa_handler != SIG_DFL) return;
  sigaction(SIGTERM, nullptr, &current);
  if (current.sa_handler != SIG_DFL) return;
  struct sigaction handler {};
  handler.sa_handler = RemovePendingFileAndEnd;
  sigemptyset(&handler.sa_mask);
  sigaction(SIGINT, &handler, &previousInt);
  sigaction(SIGTERM, &handler, &previousTerm);
  handlersInstalled = true;
}

void RemoveHandlers() {
  if (!handlersInstalled) return;
  sigaction(SIGINT, &previousInt, nullptr);
  sigaction(SIGTERM, &previousTerm, nullptr);
  handlersInstalled = false;
}

}  // namespace

TTemporaryFile::TTemporaryFile(const std::string& Folder, const std::string& Target)
    : target_(Target) {
  namespace fs = std::filesystem;
  std::string pattern = (fs::path(Folder.empty() ? "." : Folder) / ".pictavia-XXXXXX").string();
  TSignalsBlocked blocked;
  handle_ = ::mkstemp(pattern.data());
  if (handle_ < 0)
    throw EFCreateError(Format(SFCreateErrorEx, Target.c_str(), std::strerror(errno)));
  name_ = pattern;
  // One file at a time is watched (the program writes one output at a time); a name too long
  // for the buffer is simply not watched.
  if (!namePending && name_.size() < sizeof pendingName) {
    std::memcpy(pendingName, name_.c_str(), name_.size() + 1);
    namePending = 1;
    InstallHandlers();
  }
}

TTemporaryFile::~TTemporaryFile() {
  if (handle_ >= 0) ::close(handle_);
  TSignalsBlocked blocked;
  if (pending_) ::unlink(name_.c_str());
  if (name_ == pendingName) {
    namePending = 0;
    pendingName[0] = '\0';
    RemoveHandlers();
  }
}

int TTemporaryFile::TakeHandle() {
  const int handle = handle_;
  handle_ = -1;
  return handle;
}

void TTemporaryFile::RenameTo(const std::string& NewName) {
  TSignalsBlocked blocked;
  if (std::rename(name_.c_str(), NewName.c_str()) != 0)
    throw EFCreateError(Format(SFCreateErrorEx, target_.c_str(), std::strerror(errno)));
  pending_ = false;
  if (namePending && name_ == pendingName) namePending = 0;
}

}  // namespace pictavia
