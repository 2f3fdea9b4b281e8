// Test pictures written on the fly: solid or four-colour BMP, JPEG and PNG files of a given
// size, so no picture file has to live in the repository.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "codecs/jpeg_image.h"
#include "codecs/png_object.h"
#include "raster/bitmap32.h"
#include "toolkit/bitmap.h"

namespace pictavia {

namespace picturefiles {

inline void FillBitmap(TBitmap32& B, int Width, int Height, TColor32 Color) {
  B.SetSize(Width, Height);
  B.Clear(Color);
}

// A 32-bit BMP (the fourth byte is kept as alpha when it is read back).
inline std::string WriteBmp(const std::filesystem::path& Path, int Width, int Height,
                            TColor32 Color) {
  TBitmap32 b;
  FillBitmap(b, Width, Height, Color);
  b.SaveToFile(Path.string());
  return Path.string();
}

inline std::string WriteBmp(const std::filesystem::path& Path, const TBitmap32& B) {
  B.SaveToFile(Path.string());
  return Path.string();
}

inline std::string WriteJpeg(const std::filesystem::path& Path, int Width, int Height,
                             TColor32 Color) {
  TBitmap32 b;
  FillBitmap(b, Width, Height, Color);
  TBitmap toolkitBitmap;
  b.AssignTo(&toolkitBitmap);
  TJPEGImage jpeg;
  jpeg.Assign(&toolkitBitmap);
  jpeg.SaveToFile(Path.string());
  return Path.string();
}

inline std::string WritePng(const std::filesystem::path& Path, int Width, int Height,
                            TColor32 Color) {
  TBitmap32 b;
  FillBitmap(b, Width, Height, Color);
  TPNGObject png;
  png.AssignPixels32(b.Bits(), Width, Height);
  png.SaveToFile(Path.string());
  return Path.string();
}

inline std::string WriteText(const std::filesystem::path& Path, const std::string& Text) {
  FILE* f = std::fopen(Path.string().c_str(), "wb");
  if (f) {
    std::fwrite(Text.data(), 1, Text.size(), f);
    std::fclose(f);
  }
  return Path.string();
}

}  // namespace picturefiles

}  // namespace pictavia
