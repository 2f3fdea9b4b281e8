// The chunk base, the chunk registry, the CRC-32 and the small chunk classes (palette,
// transparency, gamma, pixel size, time and text).
#include "codecs/png_chunks.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <typeinfo>

#include <libdeflate.h>
#include <zlib.h>

#include "codecs/internal/png_chunk_io.h"
#include "codecs/png_messages.h"
#include "codecs/png_object.h"
#include "toolkit/streams.h"

namespace pictavia {

// ---------------------------------------------------------------------------------------------
// Names, messages, CRC

TChunkName ChunkNameOf(const char* Letters) {
  TChunkName n{};
  std::memcpy(n.data(), Letters, 4);
  return n;
}

std::string ChunkNameText(const TChunkName& Name) {
  return std::string(Name.data(), 4);
}

const char* ZLibResultText(int Code) {
  switch (Code) {
    case -6:
      return "incompatible version (-6)";
    case -5:
      return "buffer error (-5)";
    case -4:
      return "insufficient memory (-4)";
    case -3:
      return "data error (-3)";
    case -2:
      return "stream error (-2)";
    case -1:
      return "file error (-1)";
    case 0:
      return "(0)";
    case 1:
      return "stream end (1)";
    case 2:
      return "need dictionary (2)";
    default:
      return "";
  }
}

const std::array<uint32_t, 256>& CrcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

uint32_t UpdateCrc(uint32_t Crc, const uint8_t* Data, size_t Size) {
  // Long runs (image data) go to libdeflate's CRC-32 (carry-less multiplication where the
  // processor has it), the same function at a multiple of the speed; it keeps the register
  // un-inverted.
  if (Size >= 64) return ~libdeflate_crc32(~Crc, Data, Size);
  const std::array<uint32_t, 256>& t = CrcTable();
  while (Size--) Crc = t[(Crc ^ *Data++) & 0xFF] ^ (Crc >> 8);
  return Crc;
}

uint32_t Crc32(const uint8_t* Data, size_t Size) {
  return ~UpdateCrc(0xFFFFFFFFu, Data, Size);
}

// ---------------------------------------------------------------------------------------------
// TChunk

TChunk::TChunk(TPNGObject* Owner, const TChunkName& Type) : owner_(Owner), type_(Type) {
  data_.assign(1, 0);
}

TChunk::~TChunk() = default;

std::unique_ptr<TChunk> TChunk::NewInstance(TPNGObject* Owner) const {
  return std::make_unique<TChunk>(Owner, type_);
}

TChunkName TChunk::TypeFromClassName(const char* Name) {
  // "TChunkIHDR" -> "IHDR"
  return ChunkNameOf(Name + 6);
}

void TChunk::ResizeData(uint32_t Length) {
  try {
    data_.assign(static_cast<size_t>(Length) + 1, 0);
  } catch (const std::bad_alloc&) {
    throw EPNGOutMemory(SPNGOutMemory);
  }
}

bool TChunk::ReadDataAndCrc(TStream& Stream, const TChunkName& Type, uint32_t Length) {
  // A length the rest of the file cannot hold is a cut-off file; refuse it before sizing any
  // buffer after it.
  if (static_cast<int64_t>(Length) + 4 > Stream.Remaining())
    throw EPngUnexpectedEnd(SPngUnexpectedEnd);
  type_ = Type;
  ResizeData(Length);
  if (Length > 0 && Stream.Read(data_.data(), Length) != static_cast<int64_t>(Length))
    throw EPngUnexpectedEnd(SPngUnexpectedEnd);
  uint8_t crcBytes[4];
  if (Stream.Read(crcBytes, 4) != 4) throw EPngInvalidCRC(SPngInvalidCRC);
  uint32_t crc = UpdateCrc(0xFFFFFFFFu, reinterpret_cast<const uint8_t*>(Type.data()), 4);
  crc = ~UpdateCrc(crc, data_.data(), Length);
  if (crc != ReadBigEndian32(crcBytes)) throw EPngInvalidCRC(SPngInvalidCRC);
  return true;
}

bool TChunk::LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length) {
  return ReadDataAndCrc(Stream, Type, Length);
}

void TChunk::WriteChunk(TStream& Stream) const {
  const uint32_t length = DataSize();
  uint8_t head[8];
  WriteBigEndian32(head, length);
  std::memcpy(head + 4, type_.data(), 4);
  Stream.WriteBuffer(head, 8);
  if (length > 0) Stream.WriteBuffer(data_.data(), length);
  uint32_t crc = UpdateCrc(0xFFFFFFFFu, head + 4, 4);
  crc = ~UpdateCrc(crc, data_.data(), length);
  uint8_t tail[4];
  WriteBigEndian32(tail, crc);
  Stream.WriteBuffer(tail, 4);
}

bool TChunk::SaveToStream(TStream& Stream) {
  WriteChunk(Stream);
  return true;
}

void TChunk::Assign(const TPersistent* Source) {
  const auto* chunk = dynamic_cast<const TChunk*>(Source);
  if (!chunk || typeid(*chunk) != typeid(*this)) throw EPngError(SPngErrorAssign);
  if (chunk == this) return;
  type_ = chunk->type_;
  data_ = chunk->data_;
}

std::array<uint8_t, 256> TChunk::InverseGammaOfRead() const {
  // The reader maps colours only after a gAMA chunk.
  const TPNGList& list = Owner()->ChunkList();
  for (int i = 0; i < list.Count() && list.Item(i) != this; ++i)
    if (dynamic_cast<const TChunkgAMA*>(list.Item(i))) return Owner()->InverseGammaMap();
  std::array<uint8_t, 256> identity;
  for (int i = 0; i < 256; ++i) identity[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  return identity;
}

// ---------------------------------------------------------------------------------------------
// PLTE

bool TChunkPLTE::LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length) {
  ReadDataAndCrc(Stream, Type, Length);
  if (Length % 3 != 0 || Length / 3 > 256) throw EPNGInvalidPalette(SPNGInvalidPalette);
  entryCount_ = static_cast<int>(Length / 3);
  TPNGObject& owner = *Owner();
  const auto& gamma = owner.GammaMap();
  auto palette = std::make_shared<TLogPalette>();
  palette->Entries.resize(static_cast<size_t>(entryCount_));
  const uint8_t* p = ChunkData();
  for (int i = 0; i < entryCount_; ++i, p += 3) {
    TPaletteEntry& e = palette->Entries[static_cast<size_t>(i)];
    e.peRed = gamma[p[0]];
    e.peGreen = gamma[p[1]];
    e.peBlue = gamma[p[2]];
  }
  owner.Header().SetPalette(palette);
  return true;
}

void TChunkPLTE::TakeColorTable() {
  const TChunkIHDR& header = Owner()->Header();
  if (header.UsesColorTable())
    entryCount_ = static_cast<int>(std::min<uint32_t>(header.ColorsUsed(), 256));
}

bool TChunkPLTE::SaveToStream(TStream& Stream) {
  // A palette image writes the colours it draws with; any other keeps the suggested palette as
  // it was read.
  TPNGObject& owner = *Owner();
  const TChunkIHDR* header =
      owner.Empty() ? nullptr : dynamic_cast<TChunkIHDR*>(owner.ChunkList().Item(0));
  if (header && header->ColorType() == COLOR_PALETTE && header->UsesColorTable()) {
    const uint32_t count = std::min<uint32_t>(header->ColorsUsed(), 256);
    entryCount_ = static_cast<int>(count);
    ResizeData(count * 3);
    const std::array<uint8_t, 256> inverse = InverseGammaOfRead();
    uint8_t* p = ChunkData();
    for (uint32_t i = 0; i < count; ++i, p += 3) {
      const TRGBQuad& q = header->ColorTable()[i];
      p[0] = inverse[q.rgbRed];
      p[1] = inverse[q.rgbGreen];
      p[2] = inverse[q.rgbBlue];
    }
  }
  WriteChunk(Stream);
  return true;
}

void TChunkPLTE::Assign(const TPersistent* Source) {
  TChunk::Assign(Source);
  entryCount_ = static_cast<const TChunkPLTE*>(Source)->entryCount_;
}

TRGBQuad TChunkPLTE::Item(int Index) const {
  if (Index < 0 || Index >= entryCount_) throw EPngError(SPngErrorPaletteEntry);
  const TPNGObject& owner = *Owner();
  const TChunkIHDR& header = owner.Header();
  const TRGBQuad& q = header.ColorTable()[Index];
  return TRGBQuad{q.rgbBlue, q.rgbGreen, q.rgbRed, 0};
}

// ---------------------------------------------------------------------------------------------
// gAMA

bool TChunkgAMA::LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length) {
  ReadDataAndCrc(Stream, Type, Length);
  if (DataSize() == 4) {
    SetGammaValue(ReadBigEndian32(ChunkData()));
  } else {
    ResizeData(4);
    SetGammaValue(1);
  }
  return true;
}

void TChunkgAMA::SetGammaValue(uint32_t Value) {
  gammaValue_ = Value;
  WriteBigEndian32(ChunkData(), Value);
  if (Value == 0) return;
  TPNGObject& owner = *Owner();
  auto& map = owner.GammaMap();
  auto& inverse = owner.InverseGammaMap();
  const double exponent = 1.0 / (static_cast<double>(Value) / 100000.0 * 2.2);
  for (int i = 0; i < 256; ++i) {
    // nearbyint rounds half to even in the default rounding mode.
    const double g = i == 0 ? 0.0 : std::nearbyint(255.0 * std::pow(i / 255.0, exponent));
    const auto v = static_cast<uint8_t>(std::clamp(g, 0.0, 255.0));
    map[static_cast<size_t>(i)] = v;
    inverse[v] = static_cast<uint8_t>(i);
  }
}

bool TChunkgAMA::SaveToStream(TStream& Stream) {
  ResizeData(4);
  WriteBigEndian32(ChunkData(), gammaValue_);
  WriteChunk(Stream);
  return true;
}

void TChunkgAMA::Assign(const TPersistent* Source) {
  TChunk::Assign(Source);
  gammaValue_ = static_cast<const TChunkgAMA*>(Source)->gammaValue_;
}

// ---------------------------------------------------------------------------------------------
// tRNS

bool TChunktRNS::LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length) {
  ReadDataAndCrc(Stream, Type, Length);
  if (Length > 256) throw EPNGInvalidPalette(SPNGInvalidPalette);
  alphaValues_.fill(255);
  std::memcpy(alphaValues_.data(), ChunkData(), Length);
  const uint8_t colorType = Owner()->Header().ColorType();
  switch (colorType) {
    case COLOR_GRAYSCALE:
    case COLOR_RGB:
      singleColor_ = true;
      break;
    case COLOR_PALETTE: {
      int notOpaque = 0;
      for (uint32_t i = 0; i < Length; ++i)
        if (alphaValues_[i] != 255) ++notOpaque;
      singleColor_ = notOpaque == 1;
      break;
    }
    default:
      singleColor_ = false;
      break;
  }
  return true;
}

void TChunktRNS::Assign(const TPersistent* Source) {
  TChunk::Assign(Source);
  const auto* s = static_cast<const TChunktRNS*>(Source);
  alphaValues_ = s->alphaValues_;
  singleColor_ = s->singleColor_;
}

// ---------------------------------------------------------------------------------------------
// pHYs, tIME

bool TChunkpHYs::LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length) {
  ReadDataAndCrc(Stream, Type, Length);
  if (DataSize() == 9) {
    ppUnitX_ = ReadBigEndian32(ChunkData());
    ppUnitY_ = ReadBigEndian32(ChunkData() + 4);
    unitType_ = ChunkData()[8];
  }
  return true;
}

bool TChunkpHYs::SaveToStream(TStream& Stream) {
  ResizeData(9);
  WriteBigEndian32(ChunkData(), ppUnitX_);
  WriteBigEndian32(ChunkData() + 4, ppUnitY_);
  ChunkData()[8] = unitType_;
  WriteChunk(Stream);
  return true;
}

void TChunkpHYs::Assign(const TPersistent* Source) {
  TChunk::Assign(Source);
  const auto* s = static_cast<const TChunkpHYs*>(Source);
  ppUnitX_ = s->ppUnitX_;
  ppUnitY_ = s->ppUnitY_;
  unitType_ = s->unitType_;
}

bool TChunktIME::LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length) {
  ReadDataAndCrc(Stream, Type, Length);
  if (DataSize() == 7) {
    const uint8_t* p = ChunkData();
    year_ = static_cast<uint16_t>((p[0] << 8) | p[1]);
    month_ = p[2];
    day_ = p[3];
    hour_ = p[4];
    minute_ = p[5];
    second_ = p[6];
  }
  return true;
}

void TChunktIME::SetTime(uint16_t Year, uint8_t Month, uint8_t Day, uint8_t Hour, uint8_t Minute,
                         uint8_t Second) {
  year_ = Year;
  month_ = Month;
  day_ = Day;
  hour_ = Hour;
  minute_ = Minute;
  second_ = Second;
}

bool TChunktIME::SaveToStream(TStream& Stream) {
  ResizeData(7);
  uint8_t* p = ChunkData();
  p[0] = static_cast<uint8_t>(year_ >> 8);
  p[1] = static_cast<uint8_t>(year_);
  p[2] = month_;
  p[3] = day_;
  p[4] = hour_;
  p[5] = minute_;
  p[6] = second_;
  WriteChunk(Stream);
  return true;
}

void TChunktIME::Assign(const TPersistent* Source) {
  TChunk::Assign(Source);
  const auto* s = static_cast<const TChunktIME*>(Source);
  SetTime(s->year_, s->month_, s->day_, s->hour_, s->minute_, s->second_);
}

// ---------------------------------------------------------------------------------------------
// tEXt, zTXt

bool TChunktEXt::LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length) {
  ReadDataAndCrc(Stream, Type, Length);
  if (Length > 2) {
    const char* p = reinterpret_cast<const char*>(ChunkData());
    const size_t keyLength = strnlen(p, Length);
    keyword_.assign(p, keyLength);
    text_.clear();
    if (keyLength < Length) text_.assign(p + keyLength + 1, Length - keyLength - 1);
  }
  return true;
}

bool TChunktEXt::SaveToStream(TStream& Stream) {
  const size_t size = keyword_.size() + 1 + text_.size();
  if (size > 0x7FFFFFFFu) throw EPNGOutMemory(SPNGOutMemory);
  ResizeData(static_cast<uint32_t>(size));
  uint8_t* p = ChunkData();
  std::memcpy(p, keyword_.data(), keyword_.size());
  p[keyword_.size()] = 0;
  std::memcpy(p + keyword_.size() + 1, text_.data(), text_.size());
  WriteChunk(Stream);
  return true;
}

void TChunktEXt::Assign(const TPersistent* Source) {
  TChunk::Assign(Source);
  const auto* s = static_cast<const TChunktEXt*>(Source);
  keyword_ = s->keyword_;
  text_ = s->text_;
}

namespace {

// Compressed text is only ever a note; an inflated text beyond this is taken as damaged.
constexpr size_t MaxInflatedText = size_t{64} << 20;

bool InflateText(const uint8_t* Data, size_t Size, std::string& Out) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return false;
  zs.next_in = const_cast<Bytef*>(Data);
  zs.avail_in = static_cast<uInt>(Size);
  std::string text;
  char block[16384];
  int r = Z_OK;
  do {
    zs.next_out = reinterpret_cast<Bytef*>(block);
    zs.avail_out = sizeof block;
    r = inflate(&zs, Z_NO_FLUSH);
    if (r != Z_OK && r != Z_STREAM_END) break;
    text.append(block, sizeof block - zs.avail_out);
    if (text.size() > MaxInflatedText) {
      r = Z_MEM_ERROR;
      break;
    }
    // Input used up without the end of the stream: the text is cut off.
    if (r == Z_OK && zs.avail_in == 0 && zs.avail_out != 0) {
      r = Z_BUF_ERROR;
      break;
    }
  } while (r != Z_STREAM_END);
  inflateEnd(&zs);
  if (r != Z_STREAM_END) return false;
  Out = std::move(text);
  return true;
}

}  // namespace

bool TChunkzTXt::LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length) {
  TChunktEXt::LoadFromStream(Stream, Type, Length);
  if (Length > 3) {
    text_.clear();
    const size_t skip = keyword_.size() + 2;  // keyword, its zero byte, the method byte
    if (skip < Length) {
      std::string text;
      try {
        if (InflateText(ChunkData() + skip, Length - skip, text)) text_ = std::move(text);
      } catch (const std::bad_alloc&) {
        text_.clear();
      }
    }
  }
  return true;
}

bool TChunkzTXt::SaveToStream(TStream& Stream) {
  uLongf bound = compressBound(static_cast<uLong>(text_.size()));
  std::vector<uint8_t> packed(bound);
  if (compress2(packed.data(), &bound, reinterpret_cast<const Bytef*>(text_.data()),
                static_cast<uLong>(text_.size()), Z_BEST_COMPRESSION) != Z_OK)
    throw EPNGZLIBError(std::string(SPNGZLIBError) + ZLibResultText(Z_BUF_ERROR));
  const size_t size = keyword_.size() + 2 + bound;
  if (size > 0x7FFFFFFFu) throw EPNGOutMemory(SPNGOutMemory);
  ResizeData(static_cast<uint32_t>(size));
  uint8_t* p = ChunkData();
  std::memcpy(p, keyword_.data(), keyword_.size());
  p[keyword_.size()] = 0;
  p[keyword_.size() + 1] = 0;  // compression method 0: deflate
  std::memcpy(p + keyword_.size() + 2, packed.data(), bound);
  WriteChunk(Stream);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Registry

namespace {

template <class T>
TChunkClassInfo ClassInfo() {
  return TChunkClassInfo{
      T::StaticClassName, TChunk::TypeFromClassName(T::StaticClassName),
      [](TPNGObject* Owner) -> std::unique_ptr<TChunk> { return std::make_unique<T>(Owner); }};
}

}  // namespace

const std::vector<TChunkClassInfo>& ChunkRegistry() {
  static const std::vector<TChunkClassInfo> registry = {
      ClassInfo<TChunkIEND>(), ClassInfo<TChunkIHDR>(), ClassInfo<TChunkIDAT>(),
      ClassInfo<TChunkPLTE>(), ClassInfo<TChunkgAMA>(), ClassInfo<TChunktRNS>(),
      ClassInfo<TChunkpHYs>(), ClassInfo<TChunktIME>(), ClassInfo<TChunktEXt>(),
      ClassInfo<TChunkzTXt>(),
  };
  return registry;
}

std::unique_ptr<TChunk> CreateChunk(TPNGObject* Owner, const TChunkName& Type) {
  for (const TChunkClassInfo& info : ChunkRegistry())
    if (info.Type == Type) return info.Create(Owner);
  return std::make_unique<TChunk>(Owner, Type);
}

}  // namespace pictavia
