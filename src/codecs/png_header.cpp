// The header chunk and the decoded image memory it owns: preparing it per colour type and bit
// depth, colour table and palette, row access and resizing.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "codecs/internal/png_chunk_io.h"
#include "codecs/png_chunks.h"
#include "codecs/png_messages.h"
#include "codecs/png_object.h"
#include "toolkit/streams.h"

namespace pictavia {

// ---------------------------------------------------------------------------------------------
// Image memory

void TPNGImageBuffer::Allocate(size_t Size) {
  if (!memory_.Allocate(Size)) throw EPNGOutMemory(SPNGOutMemory);
}

namespace {

bool IsSupportedKind(uint8_t ColorType, uint8_t BitDepth) {
  switch (ColorType) {
    case COLOR_GRAYSCALE:
      return BitDepth == 1 || BitDepth == 2 || BitDepth == 4 || BitDepth == 8 || BitDepth == 16;
    case COLOR_PALETTE:
      return BitDepth == 1 || BitDepth == 2 || BitDepth == 4 || BitDepth == 8;
    case COLOR_RGB:
    case COLOR_GRAYSCALEALPHA:
    case COLOR_RGBALPHA:
      return BitDepth == 8 || BitDepth == 16;
    default:
      return false;
  }
}

// The stand-in palette a palette image has until its PLTE arrives: a 6 x 6 x 6 colour cube and
// a ramp of 40 grays.
std::vector<TPaletteEntry> HalftoneEntries() {
  std::vector<TPaletteEntry> e;
  e.reserve(256);
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        e.push_back(TPaletteEntry{static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51),
                                  static_cast<uint8_t>(b * 51), 0});
  for (int i = 0; i < 40; ++i) {
    const auto v = static_cast<uint8_t>(i * 255 / 39);
    e.push_back(TPaletteEntry{v, v, v, 0});
  }
  return e;
}

std::vector<TPaletteEntry> GrayRampEntries(const std::array<uint8_t, 256>& Gamma, int Count) {
  std::vector<TPaletteEntry> e(static_cast<size_t>(Count));
  for (int i = 0; i < Count; ++i) {
    const uint8_t v = Gamma[static_cast<size_t>(i * 255 / (Count - 1))];
    e[static_cast<size_t>(i)] = TPaletteEntry{v, v, v, 0};
  }
  return e;
}

// The gamma map of a chunk's picture; a chunk without one uses the identity.
const std::array<uint8_t, 256>& OwnerGamma(const TPNGObject* Owner) {
  static const std::array<uint8_t, 256> identity = [] {
    std::array<uint8_t, 256> a{};
    for (int i = 0; i < 256; ++i) a[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    return a;
  }();
  return Owner ? Owner->GammaMap() : identity;
}

// Bytes of Count pixels of Bpp bits, and a mask that keeps the bits of those pixels in their
// last byte.
size_t BytesFor(uint64_t Count, int Bpp) {
  return static_cast<size_t>((Count * Bpp + 7) / 8);
}

uint8_t LastByteMask(uint64_t Count, int Bpp) {
  const unsigned used = static_cast<unsigned>((Count * Bpp) % 8);
  return used == 0 ? 0xFF : static_cast<uint8_t>(0xFF << (8 - used));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TChunkIHDR

TChunkIHDR::TChunkIHDR(TPNGObject* Owner, const TChunkName& Type) : TChunk(Owner, Type) {}

TChunkIHDR::~TChunkIHDR() = default;

bool TChunkIHDR::LoadFromStream(TStream& Stream, const TChunkName& Type, uint32_t Length) {
  ReadDataAndCrc(Stream, Type, Length);
  if (DataSize() < 13) throw EPngInvalidIHDR(SPngInvalidIHDR);
  const uint8_t* p = ChunkData();
  width_ = ReadBigEndian32(p);
  height_ = ReadBigEndian32(p + 4);
  bitDepth_ = p[8];
  colorType_ = p[9];
  compressionMethod_ = p[10];
  filterMethod_ = p[11];
  interlaceMethod_ = p[12];
  if (width_ > 65535 || height_ > 65535) throw EPNGSizeExceeds(SPNGSizeExceeds);
  if (compressionMethod_ != 0) throw EPNGUnknownCompression(SPNGUnknownCompression);
  if (interlaceMethod_ > 1) throw EPNGUnknownInterlace(SPNGUnknownInterlace);
  if (Owner()) Owner()->SetInterlaceMethod(static_cast<TInterlaceMethod>(interlaceMethod_));
  // Kinds without a row conversion, and empty pictures, are refused before any image data.
  if (!IsSupportedKind(colorType_, bitDepth_) || width_ == 0 || height_ == 0)
    throw EPngInvalidIHDR(SPngInvalidIHDR);
  PrepareImageData();
  return true;
}

void TChunkIHDR::Setup(uint32_t Width, uint32_t Height, uint8_t BitDepth, uint8_t ColorType,
                       uint8_t InterlaceMethod) {
  if (!IsSupportedKind(ColorType, BitDepth) || Width == 0 || Height == 0 || Width > 65535 ||
      Height > 65535 || InterlaceMethod > 1)
    throw EPngInvalidIHDR(SPngInvalidIHDR);
  width_ = Width;
  height_ = Height;
  bitDepth_ = BitDepth;
  colorType_ = ColorType;
  compressionMethod_ = 0;
  filterMethod_ = 0;
  interlaceMethod_ = InterlaceMethod;
  ResizeData(13);
  PrepareImageData();
}

bool TChunkIHDR::SaveToStream(TStream& Stream) {
  ResizeData(13);
  uint8_t* p = ChunkData();
  WriteBigEndian32(p, width_);
  WriteBigEndian32(p + 4, height_);
  p[8] = bitDepth_;
  p[9] = colorType_;
  p[10] = 0;
  p[11] = 0;
  p[12] = Owner() ? static_cast<uint8_t>(Owner()->InterlaceMethod()) : interlaceMethod_;
  WriteChunk(Stream);
  return true;
}

void TChunkIHDR::FreeImageData() {
  pixels_.Free();
  alpha_.Free();
  lowBytes_.Free();
  palette_.reset();
  usesColorTable_ = false;
  rowStride_ = 0;
}

void TChunkIHDR::PrepareImageData() {
  info_ = TPNGBitmapInfo{};
  FreeImageData();

  int bpp = 24;
  switch (colorType_) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE:
    case COLOR_GRAYSCALEALPHA:
      bpp = bitDepth_ == 2 ? 4 : bitDepth_ == 16 ? 8 : bitDepth_;
      usesColorTable_ = true;
      break;
    default:
      bpp = 24;
      break;
  }

  // Every size is worked out in 64 bits and checked before anything is allocated.
  const uint64_t pixels = uint64_t{width_} * height_;
  if (pixels > MaxPNGPixels) throw EPNGOutMemory(SPNGOutMemory);
  const uint64_t stride = (uint64_t{static_cast<uint32_t>(bpp)} * width_ + 31) / 32 * 4;
  rowStride_ = static_cast<size_t>(stride);

  info_.bmiHeader.biSize = 40;
  info_.bmiHeader.biWidth = static_cast<int32_t>(width_);
  info_.bmiHeader.biHeight = static_cast<int32_t>(height_);
  info_.bmiHeader.biPlanes = 1;
  info_.bmiHeader.biBitCount = static_cast<uint16_t>(bpp);
  info_.bmiHeader.biCompression = 0;

  try {
    if (colorType_ == COLOR_GRAYSCALEALPHA || colorType_ == COLOR_RGBALPHA)
      alpha_.Allocate(static_cast<size_t>(pixels));
    if (bitDepth_ == 16) lowBytes_.Allocate(static_cast<size_t>(stride * height_));
    pixels_.Allocate(static_cast<size_t>(stride * height_));
  } catch (...) {
    FreeImageData();
    throw;
  }

  if (usesColorTable_) {
    auto palette = std::make_shared<TLogPalette>();
    if (colorType_ == COLOR_PALETTE) {
      palette->Entries = HalftoneEntries();
    } else {
      palette->Entries =
          GrayRampEntries(OwnerGamma(Owner()), bitDepth_ == 16 ? 256 : 1 << bitDepth_);
    }
    palette->Entries.resize(size_t{1} << bpp);
    SetPalette(palette);
  }
}

void TChunkIHDR::SetPalette(HPALETTE Value) {
  if (!usesColorTable_ || !Value) return;
  const size_t count = std::min<size_t>(Value->Entries.size(), 256);
  for (size_t i = 0; i < count; ++i) {
    const TPaletteEntry& e = Value->Entries[i];
    info_.bmiColors[i] = TRGBQuad{e.peBlue, e.peGreen, e.peRed, 0};
  }
  info_.bmiHeader.biClrUsed = static_cast<uint32_t>(count);
  palette_ = std::move(Value);
}

void TChunkIHDR::SetGrayRamp(int Count) {
  auto palette = std::make_shared<TLogPalette>();
  palette->Entries = GrayRampEntries(OwnerGamma(Owner()), Count);
  SetPalette(palette);
}

uint8_t* TChunkIHDR::Scanline(int Y) {
  if (!pixels_.Data() || Y < 0 || static_cast<uint32_t>(Y) >= height_) return nullptr;
  return pixels_.Data() + (static_cast<size_t>(height_) - 1 - static_cast<size_t>(Y)) * rowStride_;
}

uint8_t* TChunkIHDR::AlphaScanline(int Y) {
  if (!alpha_.Data() || Y < 0 || static_cast<uint32_t>(Y) >= height_) return nullptr;
  return alpha_.Data() + static_cast<size_t>(Y) * width_;
}

uint8_t* TChunkIHDR::LowByteScanline(int Y) {
  if (!lowBytes_.Data() || Y < 0 || static_cast<uint32_t>(Y) >= height_) return nullptr;
  return lowBytes_.Data() +
         (static_cast<size_t>(height_) - 1 - static_cast<size_t>(Y)) * rowStride_;
}

void TChunkIHDR::Resize(uint32_t NewWidth, uint32_t NewHeight) {
  if (NewWidth < 1 || NewHeight < 1) throw EPNGInvalidNewSize(SPNGInvalidNewSize);
  if (NewWidth > 65535 || NewHeight > 65535) throw EPNGSizeExceeds(SPNGSizeExceeds);
  const uint64_t pixels = uint64_t{NewWidth} * NewHeight;
  if (pixels > MaxPNGPixels) throw EPNGOutMemory(SPNGOutMemory);
  const int bpp = BitsPerPixel();
  const size_t newStride =
      static_cast<size_t>((uint64_t{static_cast<uint32_t>(bpp)} * NewWidth + 31) / 32 * 4);

  TPNGImageBuffer pixels2, alpha2, low2;
  pixels2.Allocate(newStride * NewHeight);
  if (alpha_.Data()) {
    alpha2.Allocate(static_cast<size_t>(pixels));
    std::memset(alpha2.Data(), 255, alpha2.Size());
  }
  if (lowBytes_.Data()) low2.Allocate(newStride * NewHeight);

  const uint32_t keepW = std::min(width_, NewWidth);
  const uint32_t keepH = std::min(height_, NewHeight);
  const size_t keepBytes = BytesFor(keepW, bpp);
  const uint8_t mask = LastByteMask(keepW, bpp);
  for (uint32_t y = 0; y < keepH; ++y) {
    const size_t from = (static_cast<size_t>(height_) - 1 - y) * rowStride_;
    const size_t to = (static_cast<size_t>(NewHeight) - 1 - y) * newStride;
    if (pixels_.Data() && keepBytes > 0) {
      std::memcpy(pixels2.Data() + to, pixels_.Data() + from, keepBytes);
      pixels2.Data()[to + keepBytes - 1] &= mask;
    }
    if (lowBytes_.Data() && keepBytes > 0)
      std::memcpy(low2.Data() + to, lowBytes_.Data() + from, keepBytes);
    if (alpha_.Data())
      std::memcpy(alpha2.Data() + static_cast<size_t>(y) * NewWidth,
                  alpha_.Data() + static_cast<size_t>(y) * width_, keepW);
  }

  pixels_.Swap(pixels2);
  alpha_.Swap(alpha2);
  lowBytes_.Swap(low2);
  width_ = NewWidth;
  height_ = NewHeight;
  rowStride_ = newStride;
  info_.bmiHeader.biWidth = static_cast<int32_t>(NewWidth);
  info_.bmiHeader.biHeight = static_cast<int32_t>(NewHeight);
}

void TChunkIHDR::Assign(const TPersistent* Source) {
  TChunk::Assign(Source);
  const auto* s = static_cast<const TChunkIHDR*>(Source);
  if (s == this) return;
  TPNGImageBuffer pixels2, alpha2, low2;
  auto copy = [](TPNGImageBuffer& to, const TPNGImageBuffer& from) {
    to.Allocate(from.Size());
    if (from.Size()) std::memcpy(to.Data(), from.Data(), from.Size());
  };
  copy(pixels2, s->pixels_);
  copy(alpha2, s->alpha_);
  copy(low2, s->lowBytes_);
  width_ = s->width_;
  height_ = s->height_;
  bitDepth_ = s->bitDepth_;
  colorType_ = s->colorType_;
  compressionMethod_ = s->compressionMethod_;
  filterMethod_ = s->filterMethod_;
  interlaceMethod_ = s->interlaceMethod_;
  info_ = s->info_;
  usesColorTable_ = s->usesColorTable_;
  rowStride_ = s->rowStride_;
  pixels_.Swap(pixels2);
  alpha_.Swap(alpha2);
  lowBytes_.Swap(low2);
  palette_ = s->palette_ ? std::make_shared<TLogPalette>(*s->palette_) : nullptr;
}

}  // namespace pictavia
