// Atomic output: write beside the target, then rename.
#include "cli/output_file.h"

#include <filesystem>
#include <system_error>

#include <unistd.h>

#include "raster/bitmap32.h"
#include "toolkit/exceptions.h"

void SaveBitmapAtomically(const TBitmap32& Bitmap, const std::string& FileName) {
  namespace fs = std::filesystem;
  const fs::path target(FileName);
  fs::path temp = target;
  temp += ".part-" + std::to_string(::getpid());
  try {
    Bitmap.SaveToFile(temp.string());
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) throw EFCreateError(Format(SFCreateErrorEx, FileName.c_str(), ec.message().c_str()));
  } catch (...) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    throw;
  }
}
