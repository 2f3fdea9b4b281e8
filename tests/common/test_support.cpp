// Shared test helpers: corpus location, scratch folders, whole-file reads and writes.
#include "test_support.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pictavia {

namespace testsupport {

// The environment variable when set, else the folder the build configured.
static std::filesystem::path Folder(const char* variable, const char* configured) {
  const char* value = std::getenv(variable);
  return std::filesystem::path(value && *value ? value : configured);
}

std::filesystem::path CorpusDir() {
  return Folder("PICTAVIA_CORPUS", PICTAVIA_TEST_CORPUS_DIR);
}
std::filesystem::path SourceDir() {
  return Folder("PICTAVIA_SOURCE", PICTAVIA_TEST_SOURCE_DIR);
}
std::filesystem::path BinDir() {
  return Folder("PICTAVIA_BIN", PICTAVIA_TEST_BIN_DIR);
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  auto base = std::filesystem::temp_directory_path();
  for (;;) {
    auto candidate =
        base / ("pictavia-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::vector<unsigned char> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::filesystem::path& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& dir,
                                           const std::string& extension) {
  std::vector<std::filesystem::path> out;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
    if (!e.is_regular_file()) continue;
    if (!extension.empty()) {
      auto ext = e.path().extension().string();
      std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
      if (ext != extension) continue;
    }
    out.push_back(e.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::string> NamesIn(const std::filesystem::path& Folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(Folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

FileSizeLimit::FileSizeLimit(long long Bytes) {
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  previous_ = static_cast<long long>(limit.rlim_cur);
  previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
  limit.rlim_cur = static_cast<rlim_t>(Bytes);
  setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = static_cast<rlim_t>(previous_);
  setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, previousHandler_);
}

SmallFileSystem::SmallFileSystem(int Kilobytes, bool ReadOnly) {
  const std::string options = "size=" + std::to_string(Kilobytes) + "k";
  mounted_ = ::mount("tmpfs", dir_.Path().c_str(), "tmpfs", ReadOnly ? MS_RDONLY : 0,
                     options.c_str()) == 0;
}

SmallFileSystem::~SmallFileSystem() {
  if (mounted_) ::umount2(dir_.Path().c_str(), MNT_DETACH);
}

struct FifoWriter::State {
  std::filesystem::path path;
  std::thread writer;
};

FifoWriter::FifoWriter(const std::filesystem::path& Path, std::vector<unsigned char> Bytes)
    : state_(new State) {
  state_->path = Path;
  ::mkfifo(Path.c_str(), 0600);
  // A reader that stops early must end the writer with EPIPE, not the test with SIGPIPE.
  std::signal(SIGPIPE, SIG_IGN);
  state_->writer = std::thread([Path, Bytes = std::move(Bytes)] {
    const int fd = ::open(Path.c_str(), O_WRONLY);
    if (fd < 0) return;
    size_t done = 0;
    while (done < Bytes.size()) {
      const ssize_t n = ::write(fd, Bytes.data() + done, Bytes.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    ::close(fd);
  });
}

FifoWriter::~FifoWriter() {
  // A reader that never came: open the FIFO once so the writer's open returns.
  const int fd = ::open(state_->path.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd >= 0) ::close(fd);
  state_->writer.join();
  delete state_;
}

}  // namespace testsupport

}  // namespace pictavia
