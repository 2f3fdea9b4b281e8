// The PNG chunk classes: the generic chunk, the header that owns the decoded image memory, the
// image data, palette, transparency, gamma, text, time and pixel-size chunks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/colors.h"
#include "toolkit/graphic.h"
#include "toolkit/object.h"
#include "toolkit/picture_memory.h"

namespace pictavia {

class TStream;
class TPNGObject;

// The four type letters of a chunk, case-sensitive.
using TChunkName = std::array<char, 4>;
TChunkName ChunkNameOf(const char* Letters);
std::string ChunkNameText(const TChunkName& Name);

// Declares what every registered chunk class has: its class name (the chunk type is that name
// without the leading "TChunk") and a factory for a new, empty chunk of the same class.
#define PICTAVIA_PNG_CHUNK_CLASS(Name)                                        \
 public:                                                                      \
  static constexpr const char* StaticClassName = #Name;                       \
  explicit Name(TPNGObject* Owner) : Name(Owner, TypeFromClassName(#Name)) {} \
  const char* ClassName() const override {                                    \
    return #Name;                                                             \
  }                                                                           \
  std::unique_ptr<TChunk> NewInstance(TPNGObject* Owner) const override {     \
    return std::make_unique<Name>(Owner);                                     \
  }                                                                           \
                                                                              \
 protected:                                                                   \
  Name(TPNGObject* Owner, const TChunkName& Type)

// Any chunk. A chunk type without a registered class is read into a plain TChunk that keeps its
// raw data. The data buffer is always one byte longer than the data.
class TChunk : public TPersistent {
 public:
  TChunk(TPNGObject* Owner, const TChunkName& Type);
  ~TChunk() override;
  TChunk(const TChunk&) = delete;
  TChunk& operator=(const TChunk&) = delete;
  const char* ClassName() const override { return "TChunk"; }

  // A new, empty chunk of the same class (and, for a plain chunk, the same type).
  virtual std::unique_ptr<TChunk> NewInstance(TPNGObject* Owner) const;

  TPNGObject* Owner() const { return owner_; }
  const TChunkName& ChunkType() const { return type_; }
  std::string Name() const { return ChunkNameText(type_); }
  uint8_t* ChunkData() { return data_.data(); }
  const uint8_t* ChunkData() const { return data_.data(); }
  uint32_t DataSize() const { return static_cast<uint32_t>(data_.size() - 1); }
  // Sizes the data to Length bytes (plus the spare byte, which is zero).
  void ResizeData(uint32_t Length);

  // Reads the chunk's data and CRC (the stream stands after the type); false ends the file.
  virtual bool LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length);
  // Writes length, type, data and CRC.
  virtual bool SaveToStream(TStream& Stream);
  // Copies a chunk of the same class; any other class raises EPngError.
  void Assign(const TPersistent* Source) override;

  static TChunkName TypeFromClassName(const char* Name);

 protected:
  // The part every chunk class runs first: data, CRC and its check.
  bool ReadDataAndCrc(TStream& Stream, const TChunkName& Type, uint32_t Length);
  // Writes the current data as a whole chunk.
  void WriteChunk(TStream& Stream) const;
  // Undoes what reading did to this chunk's colours: the picture's inverse gamma map when a
  // gAMA chunk came before this one, else the identity.
  std::array<uint8_t, 256> InverseGammaOfRead() const;

 private:
  TPNGObject* owner_;
  TChunkName type_;
  std::vector<uint8_t> data_;
};

// The 40-byte header of a device-independent bitmap and its 256-entry colour table.
struct TBitmapInfoHeader {
  uint32_t biSize = 0;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 0;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};

struct TPNGBitmapInfo {
  TBitmapInfoHeader bmiHeader;
  std::array<TRGBQuad, 256> bmiColors{};
};

// A zero-filled block of image memory. Large blocks come straight from the system as untouched
// zero pages (huge pages where the system has them), so a big picture costs only what its
// decoded rows fill.
class TPNGImageBuffer {
 public:
  // Replaces the content by Size zero bytes; raises EPNGOutMemory when it cannot be had.
  void Allocate(size_t Size);
  void Free() { memory_.Free(); }
  uint8_t* Data() const { return memory_.Data(); }
  size_t Size() const { return memory_.Size(); }
  void Swap(TPNGImageBuffer& Other) noexcept { memory_.Swap(Other.memory_); }

 private:
  TPictureMemory memory_;
};

// Colour types of the header.
inline constexpr uint8_t COLOR_GRAYSCALE = 0;
inline constexpr uint8_t COLOR_RGB = 2;
inline constexpr uint8_t COLOR_PALETTE = 3;
inline constexpr uint8_t COLOR_GRAYSCALEALPHA = 4;
inline constexpr uint8_t COLOR_RGBALPHA = 6;

// Pictures above this many pixels are refused before any memory is taken for them.
inline constexpr uint64_t MaxPNGPixels = uint64_t{1} << 28;

// The header. It owns the decoded image: bottom-up rows of 1, 4, 8 or 24 bits per pixel with a
// colour table, a top-down alpha plane for the alpha colour types and a plane of low bytes for
// 16-bit samples.
class TChunkIHDR : public TChunk {
  PICTAVIA_PNG_CHUNK_CLASS(TChunkIHDR);

 public:
  ~TChunkIHDR() override;
  bool LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length) override;
  bool SaveToStream(TStream& Stream) override;
  void Assign(const TPersistent* Source) override;

  uint32_t Width() const { return width_; }
  uint32_t Height() const { return height_; }
  uint8_t BitDepth() const { return bitDepth_; }
  uint8_t ColorType() const { return colorType_; }
  uint8_t CompressionMethod() const { return compressionMethod_; }
  uint8_t FilterMethod() const { return filterMethod_; }
  uint8_t InterlaceMethod() const { return interlaceMethod_; }

  // Sets up a header of the given kind and prepares its (zeroed) image memory. Combinations
  // outside the supported table raise EPngInvalidIHDR.
  void Setup(uint32_t Width, uint32_t Height, uint8_t BitDepth, uint8_t ColorType,
             uint8_t InterlaceMethod);

  // --- the image memory ---------------------------------------------------------------------
  const TPNGBitmapInfo& BitmapInfo() const { return info_; }
  TRGBQuad* ColorTable() { return info_.bmiColors.data(); }
  const TRGBQuad* ColorTable() const { return info_.bmiColors.data(); }
  // Number of valid colour-table entries.
  uint32_t ColorsUsed() const { return info_.bmiHeader.biClrUsed; }
  bool UsesColorTable() const { return usesColorTable_; }
  int BitsPerPixel() const { return info_.bmiHeader.biBitCount; }
  size_t RowStride() const { return rowStride_; }
  uint8_t* PixelRows() { return pixels_.Data(); }
  const uint8_t* PixelRows() const { return pixels_.Data(); }
  // Null unless the colour type carries alpha.
  uint8_t* AlphaPlane() { return alpha_.Data(); }
  const uint8_t* AlphaPlane() const { return alpha_.Data(); }
  // Null unless the bit depth is 16.
  uint8_t* LowBytePlane() { return lowBytes_.Data(); }
  const uint8_t* LowBytePlane() const { return lowBytes_.Data(); }

  // Rows by image row (0 = top); null outside the image or where the plane does not exist.
  uint8_t* Scanline(int Y);
  uint8_t* AlphaScanline(int Y);
  uint8_t* LowByteScanline(int Y);
  const uint8_t* Scanline(int Y) const { return const_cast<TChunkIHDR*>(this)->Scanline(Y); }
  const uint8_t* AlphaScanline(int Y) const {
    return const_cast<TChunkIHDR*>(this)->AlphaScanline(Y);
  }
  const uint8_t* LowByteScanline(int Y) const {
    return const_cast<TChunkIHDR*>(this)->LowByteScanline(Y);
  }

  HPALETTE Palette() const { return palette_; }
  // Copies up to 256 entries into the colour table and takes the palette; ignored unless the
  // image uses a colour table.
  void SetPalette(HPALETTE Value);

  // Replaces the colour table by a gray ramp of Count entries through the owner's gamma map.
  void SetGrayRamp(int Count);

  // Resizes the image memory keeping the overlapping pixels (new alpha 255, new low bytes 0).
  void Resize(uint32_t NewWidth, uint32_t NewHeight);

  // Frees the image memory and prepares it again, zero-filled, for the current fields.
  void PrepareImageData();

 private:
  void FreeImageData();

  uint32_t width_ = 0;
  uint32_t height_ = 0;
  uint8_t bitDepth_ = 0;
  uint8_t colorType_ = 0;
  uint8_t compressionMethod_ = 0;
  uint8_t filterMethod_ = 0;
  uint8_t interlaceMethod_ = 0;

  TPNGBitmapInfo info_;
  bool usesColorTable_ = false;
  size_t rowStride_ = 0;
  TPNGImageBuffer pixels_;
  TPNGImageBuffer alpha_;
  TPNGImageBuffer lowBytes_;
  HPALETTE palette_;
};

// Image data. Reading decodes every consecutive IDAT chunk of the file into the header's image
// memory; writing produces the IDAT chunks from that memory.
class TChunkIDAT : public TChunk {
  PICTAVIA_PNG_CHUNK_CLASS(TChunkIDAT) : TChunk(Owner, Type) {}

 public:
  bool LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length) override;
  bool SaveToStream(TStream& Stream) override;
};

class TChunkPLTE : public TChunk {
  PICTAVIA_PNG_CHUNK_CLASS(TChunkPLTE) : TChunk(Owner, Type) {}

 public:
  bool LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length) override;
  bool SaveToStream(TStream& Stream) override;
  void Assign(const TPersistent* Source) override;
  int EntryCount() const { return entryCount_; }
  // Entry Index as (blue, green, red, 0) from the colour table; raises EPngError at or above
  // EntryCount.
  TRGBQuad Item(int Index) const;
  // Takes the number of entries from the header's colour table after its palette was replaced.
  void TakeColorTable();

 private:
  int entryCount_ = 0;
};

class TChunkgAMA : public TChunk {
  PICTAVIA_PNG_CHUNK_CLASS(TChunkgAMA) : TChunk(Owner, Type) { ResizeData(4); }

 public:
  bool LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length) override;
  bool SaveToStream(TStream& Stream) override;
  void Assign(const TPersistent* Source) override;
  // Gamma x 100000 as the file gives it.
  uint32_t GammaValue() const { return gammaValue_; }
  // Stores the value and rebuilds the owner's gamma maps from it (a value of 0 leaves them).
  void SetGammaValue(uint32_t Value);

 private:
  uint32_t gammaValue_ = 0;
};

class TChunktRNS : public TChunk {
  PICTAVIA_PNG_CHUNK_CLASS(TChunktRNS) : TChunk(Owner, Type) { alphaValues_.fill(255); }

 public:
  bool LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length) override;
  void Assign(const TPersistent* Source) override;
  const std::array<uint8_t, 256>& AlphaValues() const { return alphaValues_; }
  bool SingleColor() const { return singleColor_; }

 private:
  std::array<uint8_t, 256> alphaValues_{};
  bool singleColor_ = false;
};

class TChunkpHYs : public TChunk {
  PICTAVIA_PNG_CHUNK_CLASS(TChunkpHYs) : TChunk(Owner, Type) {}

 public:
  bool LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length) override;
  bool SaveToStream(TStream& Stream) override;
  void Assign(const TPersistent* Source) override;
  uint32_t PPUnitX() const { return ppUnitX_; }
  uint32_t PPUnitY() const { return ppUnitY_; }
  uint8_t UnitType() const { return unitType_; }
  void SetPPUnitX(uint32_t Value) { ppUnitX_ = Value; }
  void SetPPUnitY(uint32_t Value) { ppUnitY_ = Value; }
  void SetUnitType(uint8_t Value) { unitType_ = Value; }

 private:
  uint32_t ppUnitX_ = 0;
  uint32_t ppUnitY_ = 0;
  uint8_t unitType_ = 0;
};

class TChunktIME : public TChunk {
  PICTAVIA_PNG_CHUNK_CLASS(TChunktIME) : TChunk(Owner, Type) {}

 public:
  bool LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length) override;
  bool SaveToStream(TStream& Stream) override;
  void Assign(const TPersistent* Source) override;
  uint16_t Year() const { return year_; }
  uint8_t Month() const { return month_; }
  uint8_t Day() const { return day_; }
  uint8_t Hour() const { return hour_; }
  uint8_t Minute() const { return minute_; }
  uint8_t Second() const { return second_; }
  void SetTime(uint16_t Year, uint8_t Month, uint8_t Day, uint8_t Hour, uint8_t Minute,
               uint8_t Second);

 private:
  uint16_t year_ = 0;
  uint8_t month_ = 0;
  uint8_t day_ = 0;
  uint8_t hour_ = 0;
  uint8_t minute_ = 0;
  uint8_t second_ = 0;
};

class TChunktEXt : public TChunk {
  PICTAVIA_PNG_CHUNK_CLASS(TChunktEXt) : TChunk(Owner, Type) {}

 public:
  bool LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length) override;
  bool SaveToStream(TStream& Stream) override;
  void Assign(const TPersistent* Source) override;
  const std::string& Keyword() const { return keyword_; }
  const std::string& Text() const { return text_; }
  void SetKeyword(const std::string& Value) { keyword_ = Value; }
  void SetText(const std::string& Value) { text_ = Value; }

 protected:
  std::string keyword_;
  std::string text_;
};

// Compressed text; the text is inflated when read and deflated when written.
class TChunkzTXt : public TChunktEXt {
  PICTAVIA_PNG_CHUNK_CLASS(TChunkzTXt) : TChunktEXt(Owner, Type) {}

 public:
  bool LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length) override;
  bool SaveToStream(TStream& Stream) override;
};

class TChunkIEND : public TChunk {
  PICTAVIA_PNG_CHUNK_CLASS(TChunkIEND) : TChunk(Owner, Type) {}
};

}  // namespace pictavia
