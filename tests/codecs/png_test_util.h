// Helpers of the PNG tests: a canvas over plain memory, hand-made PNG files (chunks with their
// CRC, deflated rows) and loading from bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

#include "codecs/internal/png_chunk_io.h"
#include "codecs/png_chunks.h"
#include "codecs/png_object.h"
#include "toolkit/canvas.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace pngtest {

// A canvas over its own Width x Height pixels, all set to Fill.
struct Surface {
  Surface(int Width, int Height, uint32_t Fill)
      : width(Width), height(Height), pixels(static_cast<size_t>(Width) * Height, Fill) {
    canvas.SetSurface(pixels.data(), Width, Height);
  }
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  int width, height;
  std::vector<uint32_t> pixels;
  TCanvas canvas;
};

inline void PutBE32(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 24));
  out.push_back(static_cast<uint8_t>(v >> 16));
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

// Appends one chunk: length, type, data and its CRC (BadCrc flips the CRC).
inline void AddChunk(std::vector<uint8_t>& file, const char* type, const std::vector<uint8_t>& data,
                     bool BadCrc = false) {
  PutBE32(file, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  file.insert(file.end(), typed.begin(), typed.end());
  PutBE32(file, Crc32(typed.data(), typed.size()) ^ (BadCrc ? 1u : 0u));
}

inline std::vector<uint8_t> Signature() {
  return {137, 80, 78, 71, 13, 10, 26, 10};
}

inline std::vector<uint8_t> Ihdr(uint32_t w, uint32_t h, uint8_t depth, uint8_t type,
                                 uint8_t interlace = 0) {
  std::vector<uint8_t> d;
  PutBE32(d, w);
  PutBE32(d, h);
  d.insert(d.end(), {depth, type, 0, 0, interlace});
  return d;
}

inline std::vector<uint8_t> Deflate(const std::vector<uint8_t>& raw, int level = 6) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> out(size);
  compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), level);
  out.resize(size);
  return out;
}

// A whole file: signature, IHDR, the given chunks between, one IDAT of the deflated rows
// (filter bytes included by the caller) and IEND.
inline std::vector<uint8_t> MakePng(
    const std::vector<uint8_t>& ihdr,
    const std::vector<std::pair<std::string, std::vector<uint8_t>>>& before,
    const std::vector<uint8_t>& rawRows) {
  std::vector<uint8_t> f = Signature();
  AddChunk(f, "IHDR", ihdr);
  for (const auto& [type, data] : before) AddChunk(f, type.c_str(), data);
  AddChunk(f, "IDAT", Deflate(rawRows));
  AddChunk(f, "IEND", {});
  return f;
}

inline void LoadBytes(TPNGObject& png, const std::vector<uint8_t>& bytes) {
  TReadOnlyMemoryStream s(bytes.data(), static_cast<int64_t>(bytes.size()));
  png.LoadFromStream(s);
}

inline std::vector<uint8_t> SaveBytes(TPNGObject& png) {
  TMemoryStream s;
  png.SaveToStream(s);
  return s.Bytes();
}

// The class name and message of what Load raises, or "" when it does not raise.
inline std::string LoadError(TPNGObject& png, const std::vector<uint8_t>& bytes,
                             std::string* message = nullptr) {
  try {
    LoadBytes(png, bytes);
  } catch (const Exception& e) {
    if (message) *message = e.Message();
    return e.ClassName();
  }
  return "";
}

}  // namespace pngtest

}  // namespace pictavia
