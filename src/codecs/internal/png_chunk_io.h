// What reading and writing chunks needs: the registry of the chunk classes, the CRC-32 of the PNG
// standard and big-endian words.
#pragma once

#ifndef PICTAVIA_INSIDE_CODECS
#error "png_chunk_io.h is private to the codecs library and its tests"
#endif

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codecs/png_chunks.h"

namespace pictavia {

// The chunk classes the reader knows, in the order they are looked up.
struct TChunkClassInfo {
  std::string ClassName;
  TChunkName Type;
  std::function<std::unique_ptr<TChunk>(TPNGObject* Owner)> Create;
};
// Built on first use: TChunkIEND, TChunkIHDR, TChunkIDAT, TChunkPLTE, TChunkgAMA, TChunktRNS,
// TChunkpHYs, TChunktIME, TChunktEXt, TChunkzTXt.
const std::vector<TChunkClassInfo>& ChunkRegistry();
// A new chunk of the first registered class of that type, or a plain TChunk.
std::unique_ptr<TChunk> CreateChunk(TPNGObject* Owner, const TChunkName& Type);

// The CRC-32 of the PNG standard. UpdateCrc works on the running (inverted) register: start
// with 0xFFFFFFFF and invert the end result; Crc32 does both.
uint32_t UpdateCrc(uint32_t Crc, const uint8_t* Data, size_t Size);
uint32_t Crc32(const uint8_t* Data, size_t Size);
// The 256-entry table, built on first use.
const std::array<uint32_t, 256>& CrcTable();

// Big-endian helpers.
inline uint32_t ReadBigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
inline void WriteBigEndian32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

}  // namespace pictavia
