// The toolkit bitmap: native rows and a lazily made 32-bit canvas surface kept in step.
#include "toolkit/bitmap.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <unordered_map>

#include "toolkit/bmp_codec.h"
#include "toolkit/exceptions.h"
#include "toolkit/streams.h"

namespace pictavia {

int PixelFormatBits(TPixelFormat Format) {
  switch (Format) {
    case pf1bit:
      return 1;
    case pf4bit:
      return 4;
    case pf8bit:
      return 8;
    case pf24bit:
      return 24;
    default:
      return 32;
  }
}

namespace {

TPixelFormat FormatOfBits(int bits) {
  switch (bits) {
    case 1:
      return pf1bit;
    case 4:
      return pf4bit;
    case 8:
      return pf8bit;
    case 24:
      return pf24bit;
    default:
      return pf32bit;
  }
}

TRGBQuad Quad(uint8_t r, uint8_t g, uint8_t b) {
  return TRGBQuad{b, g, r, 0};
}

// The table a bitmap gets when it turns indexed without a colour table of its own.
std::vector<TRGBQuad> DefaultColorTable(int bits) {
  static constexpr uint8_t kStandard[16][3] = {
      {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},  {0, 0, 128}, {128, 0, 128},
      {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},    {0, 255, 0}, {255, 255, 0},
      {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
  std::vector<TRGBQuad> t;
  if (bits == 1) return {Quad(0, 0, 0), Quad(255, 255, 255)};
  for (const auto& c : kStandard) t.push_back(Quad(c[0], c[1], c[2]));
  if (bits == 4) return t;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        t.push_back(Quad(static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51),
                         static_cast<uint8_t>(b * 51)));
  for (int i = 0; i < 24; ++i) {
    const uint8_t v = static_cast<uint8_t>(8 + i * 10);
    t.push_back(Quad(v, v, v));
  }
  return t;
}

uint32_t QuadPixel(const TRGBQuad& q) {
  return q.rgbBlue | (q.rgbGreen << 8) | (static_cast<uint32_t>(q.rgbRed) << 16);
}

// Nearest colour-table entry of a pixel (squared distance; the first of equals wins).
class TNearestIndex {
 public:
  explicit TNearestIndex(const std::vector<TRGBQuad>& table) : table_(table) {}
  uint8_t operator()(uint32_t px) {
    px &= 0x00FFFFFF;
    if (px == lastPixel_) return lastIndex_;
    auto it = cache_.find(px);
    uint8_t index = 0;
    if (it != cache_.end()) {
      index = it->second;
    } else {
      int best = 1 << 30;
      const int r = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
      for (size_t i = 0; i < table_.size() && i < 256; ++i) {
        const int dr = r - table_[i].rgbRed, dg = g - table_[i].rgbGreen,
                  db = b - table_[i].rgbBlue;
        const int d = dr * dr + dg * dg + db * db;
        if (d < best) {
          best = d;
          index = static_cast<uint8_t>(i);
          if (d == 0) break;
        }
      }
      cache_.emplace(px, index);
    }
    lastPixel_ = px;
    lastIndex_ = index;
    return index;
  }

 private:
  const std::vector<TRGBQuad>& table_;
  std::unordered_map<uint32_t, uint8_t> cache_;
  uint32_t lastPixel_ = 0xFFFFFFFF;
  uint8_t lastIndex_ = 0;
};

uint8_t GetIndex(const uint8_t* row, int x, int bits) {
  switch (bits) {
    case 8:
      return row[x];
    case 4:
      return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
    default:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
  }
}

void SetIndex(uint8_t* row, int x, int bits, uint8_t index) {
  switch (bits) {
    case 8:
      row[x] = index;
      break;
    case 4: {
      uint8_t& b = row[x >> 1];
      b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (index & 0x0F))
                  : static_cast<uint8_t>((b & 0x0F) | (index << 4));
      break;
    }
    default: {
      uint8_t& b = row[x >> 3];
      const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
      b = (index & 1) ? (b | bit) : (b & ~bit);
      break;
    }
  }
}

TPixelRows AllocateSurface(int64_t pixels) {
  return AllocatePictureBuffer(pixels * 4);
}

}  // namespace

// The bitmap's canvas: binds the 32-bit surface whenever it is used and reports drawing as a
// change of the bitmap.
class TBitmap::TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap& owner) : owner_(owner) {}
  void Changed() override {
    TCanvas::Changed();
    owner_.Changed();
  }

 protected:
  void RequireSurface() override { owner_.BindCanvas(); }

 private:
  TBitmap& owner_;
};

TBitmap::TBitmap() = default;
TBitmap::~TBitmap() = default;

int64_t TBitmap::Stride() const {
  return DibRowBytes(width_, Bits());
}

int64_t TBitmap::ScanLineSize() const {
  return Stride();
}

void TBitmap::ExpandNative(uint32_t* Out) const {
  const int bits = Bits();
  const int64_t stride = Stride();
  const uint8_t* base = reinterpret_cast<const uint8_t*>(rows_.data());
  uint32_t lookup[256] = {};
  for (size_t i = 0; i < colorTable_.size() && i < 256; ++i) lookup[i] = QuadPixel(colorTable_[i]);
  for (int y = 0; y < height_; ++y) {
    const uint8_t* r = base + stride * y;
    uint32_t* o = Out + static_cast<int64_t>(width_) * y;
    switch (bits) {
      case 32:
        std::memcpy(o, r, static_cast<size_t>(width_) * 4);
        break;
      case 24:
        for (int x = 0; x < width_; ++x)
          o[x] = r[3 * x] | (r[3 * x + 1] << 8) | (static_cast<uint32_t>(r[3 * x + 2]) << 16);
        break;
      default:
        for (int x = 0; x < width_; ++x) o[x] = lookup[GetIndex(r, x, bits)];
        break;
    }
  }
}

void TBitmap::PackNative(const uint32_t* In) {
  const int bits = Bits();
  const int64_t stride = Stride();
  uint8_t* base = reinterpret_cast<uint8_t*>(rows_.data());
  TNearestIndex nearest(colorTable_);
  for (int y = 0; y < height_; ++y) {
    uint8_t* r = base + stride * y;
    const uint32_t* s = In + static_cast<int64_t>(width_) * y;
    switch (bits) {
      case 32:
        std::memcpy(r, s, static_cast<size_t>(width_) * 4);
        break;
      case 24:
        for (int x = 0; x < width_; ++x) {
          r[3 * x] = static_cast<uint8_t>(s[x]);
          r[3 * x + 1] = static_cast<uint8_t>(s[x] >> 8);
          r[3 * x + 2] = static_cast<uint8_t>(s[x] >> 16);
        }
        break;
      default:
        for (int x = 0; x < width_; ++x) SetIndex(r, x, bits, nearest(s[x]));
        break;
    }
  }
}

void TBitmap::EnsureNative() {
  if (Bits() == 32 || !nativeStale_) return;
  PackNative(surface_.data());
  nativeStale_ = false;
}

void TBitmap::EnsureSurface() {
  if (Bits() == 32) return;
  const size_t pixels = static_cast<size_t>(width_) * height_;
  if (surface_.size() != pixels) {
    surface_ = AllocateSurface(static_cast<int64_t>(pixels));
    surfaceStale_ = true;
  }
  if (surfaceStale_) {
    ExpandNative(surface_.data());
    surfaceStale_ = false;
  }
}

void TBitmap::BindCanvas() {
  if (Empty()) {
    canvas_->SetSurface(nullptr, 0, 0);
  } else if (Bits() == 32) {
    canvas_->SetSurface(rows_.data(), width_, height_);
  } else {
    EnsureSurface();
    canvas_->SetSurface(surface_.data(), width_, height_);
    // The canvas hands its pixels out, so from here on they are the authoritative side.
    nativeStale_ = true;
  }
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(*this);
  return canvas_.get();
}

uint8_t* TBitmap::ScanLine(int Y) {
  if (Y < 0 || Y >= height_ || width_ == 0)
    throw EInvalidGraphicOperation(Format("Scan line index out of range (%d)", Y));
  EnsureNative();
  if (Bits() != 32) surfaceStale_ = true;
  return reinterpret_cast<uint8_t*>(rows_.data()) + Stride() * Y;
}

void TBitmap::SetSize(int NewWidth, int NewHeight) {
  NewWidth = std::max(NewWidth, 0);
  NewHeight = std::max(NewHeight, 0);
  if (NewWidth == width_ && NewHeight == height_) return;
  CheckPictureSize(NewWidth, NewHeight);
  EnsureNative();
  const int bits = Bits();
  const int64_t oldStride = Stride(), newStride = DibRowBytes(NewWidth, bits);
  TPixelRows rows = AllocatePictureBuffer(newStride * NewHeight);
  if (NewWidth > 0 && NewHeight > 0) {
    // Keep the shared part; bits of pixels past the narrower width stay zero.
    const int64_t keepBits = int64_t(std::min(width_, NewWidth)) * bits;
    const size_t fullBytes = static_cast<size_t>(keepBits / 8);
    const int restBits = static_cast<int>(keepBits % 8);
    const uint8_t* src = reinterpret_cast<const uint8_t*>(rows_.data());
    uint8_t* dst = reinterpret_cast<uint8_t*>(rows.data());
    for (int y = 0; y < std::min(height_, NewHeight); ++y) {
      std::memcpy(dst + newStride * y, src + oldStride * y, fullBytes);
      if (restBits)
        dst[newStride * y + fullBytes] =
            src[oldStride * y + fullBytes] & static_cast<uint8_t>(0xFF00 >> restBits);
    }
  }
  width_ = NewWidth;
  height_ = NewHeight;
  rows_ = std::move(rows);
  surface_ = {};
  surfaceStale_ = true;
  nativeStale_ = false;
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
  if (Value == pixelFormat_) return;
  const int newBits = PixelFormatBits(Value);
  if (newBits == Bits()) {
    pixelFormat_ = Value;
    Changed();
    return;
  }
  // Go through 32-bit pixels; everything is allocated before anything changes.
  TPixelRows pixels, rows;
  if (!Empty()) {
    EnsureNative();
    pixels = AllocateSurface(int64_t(width_) * height_);
    ExpandNative(pixels.data());
    rows = AllocatePictureBuffer(DibRowBytes(width_, newBits) * height_);
  }
  pixelFormat_ = Value;
  if (newBits <= 8) {
    if (colorTable_.empty() || colorTable_.size() > (size_t(1) << newBits))
      colorTable_ = DefaultColorTable(newBits);
  } else {
    colorTable_.clear();
  }
  rows_ = std::move(rows);
  if (!Empty()) PackNative(pixels.data());
  surface_ = {};
  surfaceStale_ = true;
  nativeStale_ = false;
  Changed();
}

void TBitmap::SetColorTable(const std::vector<TRGBQuad>& Table) {
  const int bits = Bits();
  if (bits > 8) return;  // true-colour pixels carry their colours themselves
  EnsureNative();
  colorTable_ = Table;
  if (colorTable_.size() > (size_t(1) << bits)) colorTable_.resize(size_t(1) << bits);
  surfaceStale_ = true;
  Changed();
}

HPALETTE TBitmap::Palette() const {
  if (colorTable_.empty()) return nullptr;
  auto palette = std::make_shared<TLogPalette>();
  for (const TRGBQuad& q : colorTable_)
    palette->Entries.push_back(TPaletteEntry{q.rgbRed, q.rgbGreen, q.rgbBlue, 0});
  return palette;
}

void TBitmap::SetPalette(HPALETTE Value) {
  if (!Value) return;
  std::vector<TRGBQuad> table;
  for (const TPaletteEntry& e : Value->Entries) table.push_back(Quad(e.peRed, e.peGreen, e.peBlue));
  SetColorTable(table);
}

void TBitmap::SetTransparentMode(TTransparentMode Value) {
  if (Value == transparentMode_) return;
  SetTransparentColor(Value == tmAuto ? clDefault : TransparentColor());
}

void TBitmap::SetTransparentColor(TColor Value) {
  if (Value == clDefault) {
    transparentMode_ = tmAuto;
  } else {
    transparentMode_ = tmFixed;
  }
  transparentColor_ = Value;
  Changed();
}

uint32_t TBitmap::PixelValue(int X, int Y) const {
  const int bits = Bits();
  if (bits != 32 && nativeStale_) return surface_[static_cast<size_t>(Y) * width_ + X];
  const uint8_t* r = reinterpret_cast<const uint8_t*>(rows_.data()) + Stride() * Y;
  switch (bits) {
    case 32:
      return rows_[static_cast<size_t>(Y) * width_ + X];
    case 24:
      return r[3 * X] | (r[3 * X + 1] << 8) | (static_cast<uint32_t>(r[3 * X + 2]) << 16);
    default: {
      const uint8_t index = GetIndex(r, X, bits);
      return index < colorTable_.size() ? QuadPixel(colorTable_[index]) : 0;
    }
  }
}

TColor TBitmap::TransparentColor() const {
  if (transparentMode_ == tmFixed) return transparentColor_;
  if (Empty()) return clBlack;
  return ColorFromPixel(PixelValue(0, height_ - 1));
}

void TBitmap::Draw(TCanvas& ACanvas, const TRect& Rect) {
  if (Empty()) return;
  EnsureNative();
  const TColor key = ColorToRGB(TransparentColor());
  // Drawing onto our own canvas: read from a copy, the surface may be these very rows.
  TPixelRows copy;
  const uint32_t* rows = rows_.data();
  if (canvas_ && &ACanvas == canvas_.get()) {
    copy = rows_;
    rows = copy.data();
  }
  TDibDescription dib;
  dib.Width = width_;
  dib.Height = height_;
  dib.BitCount = Bits();
  dib.Bits = reinterpret_cast<const uint8_t*>(rows);
  dib.Stride = static_cast<int>(Stride());
  dib.ColorTable = colorTable_.data();
  dib.ColorCount = static_cast<int>(colorTable_.size());
  const TRect src = pictavia::Rect(0, 0, width_, height_);
  if (Transparent())
    ACanvas.TransparentStretchDIBits(Rect, src, dib, key);
  else
    ACanvas.StretchDIBits(Rect, src, dib, ACanvas.CopyMode);
}

void TBitmap::Assign(const TPersistent* Source) {
  if (Source == this) return;
  if (!Source) {
    SetSize(0, 0);
    return;
  }
  const auto* b = dynamic_cast<const TBitmap*>(Source);
  if (!b) {
    TGraphic::Assign(Source);
    return;
  }
  TPixelRows rows = AllocatePictureBuffer(int64_t(b->rows_.size()) * 4);
  std::copy(b->rows_.begin(), b->rows_.end(), rows.begin());
  TPixelRows surface;
  if (b->nativeStale_) {
    surface = AllocateSurface(int64_t(b->surface_.size()));
    std::copy(b->surface_.begin(), b->surface_.end(), surface.begin());
  }
  width_ = b->width_;
  height_ = b->height_;
  pixelFormat_ = b->pixelFormat_;
  handleType_ = b->handleType_;
  transparentMode_ = b->transparentMode_;
  transparentColor_ = b->transparentColor_;
  colorTable_ = b->colorTable_;
  rows_ = std::move(rows);
  surface_ = std::move(surface);
  nativeStale_ = b->nativeStale_;
  surfaceStale_ = !b->nativeStale_;
  if (Transparent() != b->Transparent()) SetTransparent(b->Transparent());
  Changed();
}

void TBitmap::LoadFromStream(TStream& Stream) {
  const int64_t size = Stream.Size() - Stream.Position();
  if (size <= 0) throw EInvalidGraphic("Bitmap image is not valid: there is no data");
  TPixelRows bytes = AllocatePictureBuffer(size);
  Stream.ReadBuffer(bytes.data(), size);
  TDibImage img =
      ReadBmp(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<size_t>(size));
  bytes = {};
  width_ = img.Width;
  height_ = img.Height;
  pixelFormat_ = FormatOfBits(img.BitCount);
  colorTable_ = std::move(img.ColorTable);
  rows_ = std::move(img.Rows);
  surface_ = {};
  surfaceStale_ = true;
  nativeStale_ = false;
  Changed();
}

void TBitmap::SaveToStream(TStream& Stream) {
  if (Empty()) {
    WriteBmp32(Stream, 0, 0, nullptr);
    return;
  }
  EnsureNative();
  if (Bits() == 32) {
    WriteBmp32(Stream, width_, height_, rows_.data());
    return;
  }
  TPixelRows pixels = AllocateSurface(int64_t(width_) * height_);
  ExpandNative(pixels.data());
  WriteBmp32(Stream, width_, height_, pixels.data());
}

}  // namespace pictavia
