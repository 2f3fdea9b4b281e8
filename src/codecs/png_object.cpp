// TPNGObject: the chunk lists, settings, header access, palette, row and pixel access, copying
// and resizing.
#include "codecs/png_object.h"

#include <algorithm>
#include <climits>

#include "toolkit/exceptions.h"

namespace pictavia {

// ---------------------------------------------------------------------------------------------
// Lists

TPNGPointerList::~TPNGPointerList() = default;

void TPNGPointerList::SetCount(int Value) {
  if (Value <= 0) {
    std::vector<std::unique_ptr<TChunk>>().swap(items_);
    return;
  }
  items_.resize(static_cast<size_t>(Value));
}

TChunk* TPNGPointerList::Item(int Index) const {
  if (Index < 0 || Index >= Count()) return nullptr;
  return items_[static_cast<size_t>(Index)].get();
}

void TPNGPointerList::SetItem(int Index, std::unique_ptr<TChunk> Value) {
  if (Index < 0 || Index >= Count()) return;
  items_[static_cast<size_t>(Index)] = std::move(Value);
}

TChunk* TPNGPointerList::Add(std::unique_ptr<TChunk> Value) {
  items_.push_back(std::move(Value));
  return items_.back().get();
}

void TPNGPointerList::Remove(TChunk* Value) {
  auto it = std::find_if(items_.begin(), items_.end(),
                         [Value](const std::unique_ptr<TChunk>& p) { return p.get() == Value; });
  if (it != items_.end()) items_.erase(it);
}

// ---------------------------------------------------------------------------------------------
// TPNGObject

TPNGObject::TPNGObject() : chunkList_(this) {
  Clear();
}

TPNGObject::~TPNGObject() = default;

void TPNGObject::Clear() {
  chunkList_.SetCount(0);
  for (int i = 0; i < 256; ++i) {
    gammaMap_[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    inverseGammaMap_[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  }
}

void TPNGObject::SetCompressionLevel(int Value) {
  compressionLevel_ = std::clamp(Value, 0, 9);
}

void TPNGObject::SetMaxIdatSize(uint32_t Value) {
  // Chunk lengths stop at 2^31 - 1.
  maxIdatSize_ = std::clamp<uint32_t>(Value, DefaultMaxIdatSize, 0x7FFFFFFFu);
}

int TPNGObject::PictureWidth() const {
  const auto* h = dynamic_cast<const TChunkIHDR*>(chunkList_.Item(0));
  return h ? static_cast<int>(h->Width()) : 0;
}

int TPNGObject::PictureHeight() const {
  const auto* h = dynamic_cast<const TChunkIHDR*>(chunkList_.Item(0));
  return h ? static_cast<int>(h->Height()) : 0;
}

TChunkIHDR& TPNGObject::Header() const {
  auto* h = dynamic_cast<TChunkIHDR*>(chunkList_.Item(0));
  if (!h) throw EPNGHeaderNotPresent(SPNGHeaderNotPresent);
  return *h;
}

HPALETTE TPNGObject::Palette() const {
  const auto* h = dynamic_cast<const TChunkIHDR*>(chunkList_.Item(0));
  return h ? h->Palette() : nullptr;
}

void TPNGObject::SetPalette(HPALETTE Value) {
  auto* h = dynamic_cast<TChunkIHDR*>(chunkList_.Item(0));
  if (!h || !h->UsesColorTable()) return;
  h->SetPalette(std::move(Value));
  if (h->ColorType() == COLOR_PALETTE)
    if (auto* plte = chunkList_.ItemFromClass<TChunkPLTE>()) plte->TakeColorTable();
  Changed();
}

uint8_t* TPNGObject::Scanline(int Y) {
  return Header().Scanline(Y);
}
uint8_t* TPNGObject::AlphaScanline(int Y) {
  return Header().AlphaScanline(Y);
}
const uint8_t* TPNGObject::AlphaScanline(int Y) const {
  return const_cast<TPNGObject*>(this)->AlphaScanline(Y);
}
uint8_t* TPNGObject::LowByteScanline(int Y) {
  return Header().LowByteScanline(Y);
}

namespace {

int IndexAt(const uint8_t* Row, int X, int Bpp) {
  switch (Bpp) {
    case 1:
      return (Row[X >> 3] >> (7 - (X & 7))) & 1;
    case 4:
      return (Row[X >> 1] >> ((X & 1) ? 0 : 4)) & 0x0F;
    default:
      return Row[X];
  }
}

void SetIndexAt(uint8_t* Row, int X, int Bpp, int Index) {
  switch (Bpp) {
    case 1: {
      const int shift = 7 - (X & 7);
      Row[X >> 3] = static_cast<uint8_t>((Row[X >> 3] & ~(1 << shift)) | ((Index & 1) << shift));
      break;
    }
    case 4: {
      const int shift = (X & 1) ? 0 : 4;
      Row[X >> 1] =
          static_cast<uint8_t>((Row[X >> 1] & ~(0x0F << shift)) | ((Index & 0x0F) << shift));
      break;
    }
    default:
      Row[X] = static_cast<uint8_t>(Index);
      break;
  }
}

}  // namespace

TColor TPNGObject::Pixels(int X, int Y) const {
  const TChunkIHDR& h = Header();
  if (X < 0 || Y < 0 || static_cast<uint32_t>(X) >= h.Width() ||
      static_cast<uint32_t>(Y) >= h.Height() || !h.PixelRows())
    return 0;
  const uint8_t* row = h.Scanline(Y);
  if (h.BitsPerPixel() == 24) {
    const uint8_t* p = row + static_cast<size_t>(X) * 3;
    return RGBColor(p[2], p[1], p[0]);
  }
  const TRGBQuad& q = h.ColorTable()[IndexAt(row, X, h.BitsPerPixel())];
  return RGBColor(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

void TPNGObject::SetPixels(int X, int Y, TColor Value) {
  TChunkIHDR& h = Header();
  if (X < 0 || Y < 0 || static_cast<uint32_t>(X) >= h.Width() ||
      static_cast<uint32_t>(Y) >= h.Height() || !h.PixelRows())
    return;
  const TColor c = ColorToRGB(Value);
  const uint8_t r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
  uint8_t* row = h.Scanline(Y);
  uint8_t* low = h.LowByteScanline(Y);
  if (h.BitsPerPixel() == 24) {
    uint8_t* p = row + static_cast<size_t>(X) * 3;
    p[0] = b;
    p[1] = g;
    p[2] = r;
    if (low) {
      uint8_t* l = low + static_cast<size_t>(X) * 3;
      l[0] = b;
      l[1] = g;
      l[2] = r;
    }
  } else {
    // The nearest colour among the valid entries; a 2-bit gray image only uses every fifth.
    const int step = (h.ColorType() == COLOR_GRAYSCALE && h.BitDepth() == 2) ? 5 : 1;
    // Only indices the file's bit depth can hold are candidates.
    uint32_t limit = std::min<uint32_t>(h.ColorsUsed(), 256);
    if (h.ColorType() == COLOR_PALETTE) limit = std::min<uint32_t>(limit, 1u << h.BitDepth());
    const int count = static_cast<int>(limit);
    int best = 0;
    long bestDistance = LONG_MAX;
    for (int i = 0; i < count; i += step) {
      const TRGBQuad& q = h.ColorTable()[i];
      const long dr = q.rgbRed - r, dg = q.rgbGreen - g, db = q.rgbBlue - b;
      const long d = dr * dr + dg * dg + db * db;
      if (d < bestDistance) {
        bestDistance = d;
        best = i;
      }
    }
    SetIndexAt(row, X, h.BitsPerPixel(), best);
    if (low) low[X] = static_cast<uint8_t>(best);
  }
  Changed();
}

void TPNGObject::SetWidth(int Value) {
  Resize(Value, PictureHeight());
}

void TPNGObject::SetHeight(int Value) {
  Resize(PictureWidth(), Value);
}

void TPNGObject::Resize(int NewWidth, int NewHeight) {
  if (NewWidth < 1 || NewHeight < 1) throw EPNGInvalidNewSize(SPNGInvalidNewSize);
  Header().Resize(static_cast<uint32_t>(NewWidth), static_cast<uint32_t>(NewHeight));
  Changed();
}

void TPNGObject::Assign(const TPersistent* Source) {
  const auto* source = dynamic_cast<const TPNGObject*>(Source);
  if (!source) {
    TGraphic::Assign(Source);
    return;
  }
  if (source == this) return;
  filters_ = source->filters_;
  compressionLevel_ = source->compressionLevel_;
  maxIdatSize_ = source->maxIdatSize_;
  interlaceMethod_ = source->interlaceMethod_;
  gammaMap_ = source->gammaMap_;
  inverseGammaMap_ = source->inverseGammaMap_;
  chunkList_.SetCount(0);
  for (int i = 0; i < source->chunkList_.Count(); ++i) {
    const TChunk* from = source->chunkList_.Item(i);
    if (!from) continue;
    std::unique_ptr<TChunk> copy = from->NewInstance(this);
    copy->Assign(from);
    chunkList_.Add(std::move(copy));
  }
  Changed();
}

}  // namespace pictavia
