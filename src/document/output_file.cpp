// Output files written through a temporary file and a rename.
#include "document/output_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "document/internal/temporary_file.h"
#include "raster/bitmap32.h"
#include "toolkit/exceptions.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void FailCreate(const std::string& FileName, const char* Reason) {
  throw EFCreateError(Format(SFCreateErrorEx, FileName.c_str(), Reason));
}

// Where the name finally leads: symbolic links followed, the last of which may point to a file
// still to be made.
fs::path FinalTarget(const std::string& FileName) {
  fs::path path(FileName);
  for (int hops = 0;; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    if (hops == 40) FailCreate(FileName, std::strerror(ELOOP));
    std::error_code ec;
    const fs::path link = fs::read_symlink(path, ec);
    if (ec) FailCreate(FileName, ec.message().c_str());
    path = link.is_absolute() ? link : path.parent_path() / link;
  }
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// The new file takes the old one's owner, group and permission bits where it may; set-id bits
// are not carried over to a file that may now belong to someone else.
void TakeOverAttributes(int Handle, const struct stat* Old) {
  if (!Old) {
    ::fchmod(Handle, 0666 & ~CurrentUmask());
    return;
  }
  if (::fchown(Handle, Old->st_uid, Old->st_gid) != 0) {
    [[maybe_unused]] const int ignored = ::fchown(Handle, static_cast<uid_t>(-1), Old->st_gid);
  }
  ::fchmod(Handle, Old->st_mode & 0777);
}

// The rename itself reaches the disk with the folder's entry.
void SyncFolder(const fs::path& Folder) {
  const int handle = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (handle < 0) return;
  ::fsync(handle);
  ::close(handle);
}

}  // namespace

void WriteFileAtomically(const std::string& FileName, const std::function<void(TStream&)>& Write) {
  const fs::path target = FinalTarget(FileName);
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) FailCreate(FileName, std::strerror(errno));
  if (exists) {
    if (S_ISDIR(old.st_mode)) FailCreate(FileName, std::strerror(EISDIR));
    // FIFOs, devices and sockets are not replaced by a picture file.
    if (!S_ISREG(old.st_mode)) FailCreate(FileName, "Not a regular file");
    if (::access(target.c_str(), W_OK) != 0) FailCreate(FileName, std::strerror(errno));
  }
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  TTemporaryFile temp(folder.string(), FileName);
  TakeOverAttributes(temp.Handle(), exists ? &old : nullptr);
  {
    TFileStream stream(temp.TakeHandle(), FileName);
    Write(stream);
    stream.FlushToDisk();
    stream.Close();
  }
  temp.RenameTo(target.string());
  SyncFolder(folder);
}

void SaveBitmapAtomically(const TBitmap32& Bitmap, const std::string& FileName) {
  WriteFileAtomically(FileName, [&](TStream& Stream) { Bitmap.SaveToStream(Stream); });
}

}  // namespace pictavia
