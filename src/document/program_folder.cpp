// The program folder: the executable's folder, the installed data folder beside it, or a
// folder set by the caller; the mask names and the page scan.
#include "document/program_folder.h"

#include <filesystem>
#include <mutex>
#include <system_error>

namespace pictavia {

namespace {

struct TFolderState {
  std::mutex Lock;
  std::string Override;
};

TFolderState& FolderState() {
  static TFolderState state;
  return state;
}

std::string WithSeparator(std::string Folder) {
  if (Folder.empty() || Folder.back() != '/') Folder += '/';
  return Folder;
}

std::filesystem::path ExecutableFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec && exe.has_parent_path()) return exe.parent_path();
  return std::filesystem::current_path(ec);
}

bool IsFolder(const std::filesystem::path& Path) {
  std::error_code ec;
  return std::filesystem::is_directory(Path, ec);
}

}  // namespace

std::string ProgramFolder() {
  {
    TFolderState& state = FolderState();
    std::lock_guard<std::mutex> guard(state.Lock);
    if (!state.Override.empty()) return state.Override;
  }
  return ProgramFolderFor(ExecutableFolder().string());
}

std::string ProgramFolderFor(const std::string& ExeFolder) {
  const std::filesystem::path exeFolder(ExeFolder);
  if (!IsFolder(exeFolder / "Masks")) {
    const std::filesystem::path installed = exeFolder / ".." / "share" / "pictavia";
    if (IsFolder(installed / "Masks")) return WithSeparator(installed.lexically_normal().string());
  }
  return WithSeparator(exeFolder.string());
}

void SetProgramFolder(const std::string& Folder) {
  TFolderState& state = FolderState();
  std::lock_guard<std::mutex> guard(state.Lock);
  state.Override = Folder.empty() ? std::string() : WithSeparator(Folder);
}

std::string MaskFileName(const std::string& Folder, int Number) {
  return Folder + "Masks/" + std::to_string(Number) + ".jpg";
}

int ScanLastMaskPage(const std::string& Folder) {
  int last = 0;
  for (int page = 0; page <= HighestMaskPage; ++page) {
    if (FileExists(MaskFileName(Folder, page * MasksPerPage + 1))) last = page;
  }
  return last;
}

}  // namespace pictavia
