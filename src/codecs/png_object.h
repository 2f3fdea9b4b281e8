// TPNGObject, the PNG picture: its chunk list, gamma maps, writing settings, reading, writing,
// row access and drawing with transparency.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codecs/png_chunks.h"
#include "codecs/png_messages.h"
#include "toolkit/graphic.h"

namespace pictavia {

class TCanvas;

// A growable array of owned chunk pointers. Reading or writing an index outside 0..Count-1 yields
// nothing (Item returns null, SetItem frees what it was given).
class TPNGPointerList {
 public:
  explicit TPNGPointerList(TPNGObject* Owner) : owner_(Owner) {}
  virtual ~TPNGPointerList();
  TPNGPointerList(const TPNGPointerList&) = delete;
  TPNGPointerList& operator=(const TPNGPointerList&) = delete;

  TPNGObject* Owner() const { return owner_; }
  int Count() const { return static_cast<int>(items_.size()); }
  // Growing adds empty places; shrinking frees the chunks beyond the new count; 0 frees the
  // storage.
  void SetCount(int Value);
  TChunk* Item(int Index) const;
  void SetItem(int Index, std::unique_ptr<TChunk> Value);
  // Appends a chunk and returns it.
  TChunk* Add(std::unique_ptr<TChunk> Value);
  // Takes a chunk out of the list and frees it.
  void Remove(TChunk* Value);

 private:
  TPNGObject* owner_;
  std::vector<std::unique_ptr<TChunk>> items_;
};

class TPNGList : public TPNGPointerList {
 public:
  using TPNGPointerList::TPNGPointerList;
  // The first chunk whose class is T or derives from it, or null.
  template <class T>
  T* ItemFromClass() const {
    for (int i = 0; i < Count(); ++i)
      if (auto* c = dynamic_cast<T*>(Item(i))) return c;
    return nullptr;
  }
};

enum TFilter { pfNone, pfSub, pfUp, pfAverage, pfPaeth };
using TFilters = uint8_t;  // a set of TFilter, bit (1 << filter)
inline constexpr TFilters FilterBit(TFilter F) {
  return static_cast<TFilters>(1u << F);
}
inline constexpr TFilters AllFilters = 0x1F;

enum TInterlaceMethod { imNone, imAdam7 };

enum TPNGTransparencyKind { TransparencyNone, TransparencySingleColor, TransparencyAlpha };

inline constexpr uint32_t DefaultMaxIdatSize = 65535;

class TPNGObject : public TGraphic {
 public:
  TPNGObject();
  ~TPNGObject() override;
  TPNGObject(const TPNGObject&) = delete;
  TPNGObject& operator=(const TPNGObject&) = delete;
  const char* ClassName() const override { return "TPNGObject"; }

  // --- content --------------------------------------------------------------------------------
  TPNGList& ChunkList() { return chunkList_; }
  const TPNGList& ChunkList() const { return chunkList_; }
  // Applied to colour samples while decoding; its inverse is applied while writing.
  std::array<uint8_t, 256>& GammaMap() { return gammaMap_; }
  const std::array<uint8_t, 256>& GammaMap() const { return gammaMap_; }
  std::array<uint8_t, 256>& InverseGammaMap() { return inverseGammaMap_; }
  const std::array<uint8_t, 256>& InverseGammaMap() const { return inverseGammaMap_; }
  // Frees every chunk and resets both gamma maps to the identity.
  void Clear();

  // --- writing settings -----------------------------------------------------------------------
  TFilters Filters() const { return filters_; }
  void SetFilters(TFilters Value) { filters_ = Value & AllFilters; }
  int CompressionLevel() const { return compressionLevel_; }
  void SetCompressionLevel(int Value);
  uint32_t MaxIdatSize() const { return maxIdatSize_; }
  // Values below 65535 become 65535.
  void SetMaxIdatSize(uint32_t Value);
  TInterlaceMethod InterlaceMethod() const { return interlaceMethod_; }
  void SetInterlaceMethod(TInterlaceMethod Value) { interlaceMethod_ = Value; }

  // --- reading and writing --------------------------------------------------------------------
  void LoadFromStream(TStream& Stream) override;
  void SaveToStream(TStream& Stream) override;

  // A new picture of the given kind with zeroed pixels (alpha 0): IHDR, IDAT and IEND. Raises
  // EPngInvalidIHDR for kinds outside the supported table and sizes below 1 or above 65535.
  void CreateBlank(uint8_t ColorType, uint8_t BitDepth, uint32_t Width, uint32_t Height);
  // A new 8-bit RGB + alpha picture from top-down 0xAARRGGBB pixels (Width apart).
  void AssignPixels32(const uint32_t* Bits, int Width, int Height);

  // --- the picture ----------------------------------------------------------------------------
  int PictureWidth() const;
  int PictureHeight() const;
  int Width() const override { return PictureWidth(); }
  int Height() const override { return PictureHeight(); }
  void SetWidth(int Value) override;
  void SetHeight(int Value) override;
  // Resizes the image keeping the overlapping pixels; below 1 raises EPNGInvalidNewSize.
  void Resize(int NewWidth, int NewHeight);
  bool Empty() const override { return chunkList_.Count() == 0; }
  // The first chunk as the header; raises EPNGHeaderNotPresent when it is not one.
  TChunkIHDR& Header() const;

  HPALETTE Palette() const override;
  void SetPalette(HPALETTE Value) override;

  // Image row Y (0 = top) of the pixel rows, the alpha plane and the low-byte plane; null where
  // there is no such row.
  uint8_t* Scanline(int Y);
  uint8_t* AlphaScanline(int Y);
  const uint8_t* AlphaScanline(int Y) const;
  uint8_t* LowByteScanline(int Y);
  // The colour of a pixel as 0x00BBGGRR (as stored, gamma applied), and setting it: colour-table
  // images take the nearest colour-table entry.
  TColor Pixels(int X, int Y) const;
  void SetPixels(int X, int Y, TColor Value);

  // Copies another PNG picture: settings, gamma maps and a copy of every chunk.
  void Assign(const TPersistent* Source) override;
  // Into a toolkit bitmap (see png_draw.cpp).
  void AssignTo(TPersistent* Dest) const override;

  // --- drawing --------------------------------------------------------------------------------
  TPNGTransparencyKind TransparencyKind() const;
  // The transparent colour as 0x00BBGGRR, 0 without a tRNS chunk.
  TColor KeyColor() const;
  bool Transparent() const override { return TransparencyKind() != TransparencyNone; }
  // Draws the picture stretched into Rect of the canvas with its kind of transparency.
  void DrawInto(TCanvas& ACanvas, const TRect& Rect) const;
  void Draw(TCanvas& ACanvas, const TRect& Rect) override { DrawInto(ACanvas, Rect); }

 private:
  void DrawPlain(TCanvas& ACanvas, const TRect& Rect) const;
  void DrawKeyed(TCanvas& ACanvas, const TRect& Rect) const;
  void DrawBlended(TCanvas& ACanvas, const TRect& Rect) const;

  std::array<uint8_t, 256> inverseGammaMap_{};
  TFilters filters_ = FilterBit(pfSub);
  int compressionLevel_ = 7;
  uint32_t maxIdatSize_ = DefaultMaxIdatSize;
  TInterlaceMethod interlaceMethod_ = imNone;
  TPNGList chunkList_;
  std::array<uint8_t, 256> gammaMap_{};
};

}  // namespace pictavia
