// Small helpers shared by the test suites: where the conformance corpus is, scratch folders.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace pictavia {

namespace testsupport {

// Each folder is the one its environment variable names when set, else the one the build
// configured; it need not exist (tests that need it skip with a message then).

// The folder of the public conformance pictures (PngSuite, bmpsuite, ...): $PICTAVIA_CORPUS, else
// ../shared/corpus beside the source tree or the build's PICTAVIA_CORPUS_DIR.
std::filesystem::path CorpusDir();

// The root of the source tree ($PICTAVIA_SOURCE), for the tests' own input files.
std::filesystem::path SourceDir();

// The folder of the built programs and their data folders ($PICTAVIA_BIN).
std::filesystem::path BinDir();

// A fresh, empty folder under the system's temporary folder, removed when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::vector<unsigned char> ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::vector<unsigned char>& bytes);

// Every regular file of a folder (not recursive), sorted by name.
std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& dir,
                                           const std::string& extension = "");

// Every name in a folder, files or not, sorted.
std::vector<std::string> NamesIn(const std::filesystem::path& Folder);

// The message a failed call raised, or "" when it succeeded.
template <typename Fn>
std::string ErrorOf(Fn Call) {
  try {
    Call();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

// While it lives, no file of this process may grow past Bytes: a write beyond fails with EFBIG
// (SIGXFSZ is ignored meanwhile). A real write failure without a full disk or special rights.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(long long Bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  long long previous_;
  void (*previousHandler_)(int);
};

// A tmpfs of Kilobytes mounted on a new folder while the object lives (read-only when asked: a
// folder nobody may write, root included); Mounted() is false where mounting is not allowed (not
// root, or a sandbox without the right).
class SmallFileSystem {
 public:
  explicit SmallFileSystem(int Kilobytes, bool ReadOnly = false);
  ~SmallFileSystem();
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;
  bool Mounted() const { return mounted_; }
  const std::filesystem::path& Path() const { return dir_.Path(); }
  std::filesystem::path operator/(const std::string& Name) const { return dir_ / Name; }

 private:
  TempDir dir_;
  bool mounted_ = false;
};

// A FIFO at Path with a thread that writes Bytes into it once a reader opens it (and stops
// quietly when the reader goes early). Joined when the object goes.
class FifoWriter {
 public:
  FifoWriter(const std::filesystem::path& Path, std::vector<unsigned char> Bytes);
  ~FifoWriter();
  FifoWriter(const FifoWriter&) = delete;
  FifoWriter& operator=(const FifoWriter&) = delete;

 private:
  struct State;
  State* state_;
};

}  // namespace testsupport

// Skips the current test with a clear message when the corpus folder `sub` is missing.
#define PICTAVIA_REQUIRE_CORPUS(sub)                                                       \
  do {                                                                                     \
    if (testsupport::CorpusDir().empty() ||                                                \
        !std::filesystem::is_directory(testsupport::CorpusDir() / (sub)))                  \
      GTEST_SKIP() << "conformance corpus folder " << (testsupport::CorpusDir() / (sub))   \
                   << " not found (set PICTAVIA_CORPUS to the conformance corpus folder)"; \
  } while (0)

}  // namespace pictavia
