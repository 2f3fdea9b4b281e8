// ICO reading: the directory is checked here and the best picture chosen, Qt decodes it.
#include "toolkit/icon.h"

#include <algorithm>
#include <cstring>
#include <string>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include "toolkit/bmp_codec.h"
#include "toolkit/canvas.h"
#include "toolkit/exceptions.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

constexpr const char* SInvalidIcon = "Icon image is not valid";

[[noreturn]] void Invalid(const std::string& why) {
  throw EInvalidGraphic(std::string(SInvalidIcon) + ": " + why);
}

uint16_t U16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t U32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint32_t BE32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

struct TIconEntry {
  int Index = 0;
  int Width = 0;
  int Height = 0;
  int BitCount = 0;
  bool Png = false;
  const uint8_t* Data = nullptr;
  size_t Size = 0;
};

bool FitsLimit(int64_t w, int64_t h) {
  return w > 0 && h > 0 && w <= MaxPicturePixels && h <= MaxPicturePixels &&
         w * h <= MaxPicturePixels;
}

// Size and depth of one picture, taken from its own header (the directory's bytes are often
// wrong); false when the picture is unusable or larger than its bytes can hold.
bool InspectEntry(const uint8_t* p, size_t n, TIconEntry& e) {
  static constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (n >= 8 && std::memcmp(p, kPngSignature, 8) == 0) {
    if (n < 33 || BE32(p + 8) != 13 || std::memcmp(p + 12, "IHDR", 4) != 0) return false;
    // Every chunk must lie inside the entry: a length from a damaged file would otherwise have
    // the PNG library allocate and clear gigabytes before it notices the data is missing.
    for (size_t at = 8; at < n;) {
      if (n - at < 12 || BE32(p + at) > n - at - 12) return false;
      if (std::memcmp(p + at + 4, "IEND", 4) == 0) break;
      at += 12 + size_t(BE32(p + at));
    }
    const int64_t w = BE32(p + 16), h = BE32(p + 20);
    const int depth = p[24], colorType = p[25];
    int channels;
    switch (colorType) {
      case 0:
      case 3:
        channels = 1;
        break;
      case 2:
        channels = 3;
        break;
      case 4:
        channels = 2;
        break;
      case 6:
        channels = 4;
        break;
      default:
        return false;
    }
    if (!FitsLimit(w, h)) return false;
    e.Width = static_cast<int>(w);
    e.Height = static_cast<int>(h);
    e.BitCount = depth * channels;
    e.Png = true;
    return true;
  }
  if (n < 40) return false;
  const uint32_t hs = U32(p);
  if (hs < 40 || hs > n) return false;
  const int64_t w = static_cast<int32_t>(U32(p + 4));
  const int64_t h2 = static_cast<int32_t>(U32(p + 8));  // the picture and its mask
  const int bits = U16(p + 14);
  const uint32_t compression = U32(p + 16);
  const uint32_t clrUsed = U32(p + 32);
  const int64_t h = h2 / 2;
  if (!FitsLimit(w, h)) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  if (compression != 0 && !(compression == 3 && (bits == 16 || bits == 32))) return false;
  int64_t colors = bits <= 8 ? (int64_t(1) << bits) : 0;
  if (bits <= 8 && clrUsed != 0 && clrUsed < colors) colors = clrUsed;
  int64_t need = hs + colors * 4 + (compression == 3 ? 12 : 0) + DibRowBytes(w, bits) * h;
  // A 32-bit picture carries its alpha; its mask may be missing.
  if (bits != 32) need += DibRowBytes(w, 1) * h;
  if (need > static_cast<int64_t>(n)) return false;
  e.Width = static_cast<int>(w);
  e.Height = static_cast<int>(h);
  e.BitCount = bits;
  return true;
}

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A bitmap picture: the colour part read by our BMP decoder (Qt's icon reader drops both the
// alpha of 32-bit pictures and the masks of the others), the see-through part from the alpha
// of 32-bit pictures that have any, else from the mask that follows (set bits are see-through).
TPixelRows DecodeDibEntry(const TIconEntry& e) {
  const uint8_t* p = e.Data;
  const uint32_t hs = U32(p);
  const int bits = U16(p + 14);
  const uint32_t compression = U32(p + 16), clrUsed = U32(p + 32);
  int64_t colors = bits <= 8 ? (int64_t(1) << bits) : 0;
  if (bits <= 8 && clrUsed != 0 && clrUsed < colors) colors = clrUsed;
  const size_t colourOffset = hs + (compression == 3 && hs < 52 ? 12 : 0) + size_t(colors) * 4;
  const int w = e.Width, h = e.Height;

  // A file header in front, and the height of the colour part alone, make it a BMP file.
  std::vector<uint8_t> file(14 + e.Size);
  file[0] = 'B';
  file[1] = 'M';
  Put32(file.data() + 2, static_cast<uint32_t>(file.size()));
  Put32(file.data() + 10, static_cast<uint32_t>(14 + colourOffset));
  std::memcpy(file.data() + 14, p, e.Size);
  Put32(file.data() + 14 + 8, static_cast<uint32_t>(h));
  TDibImage img;
  try {
    img = ReadBmpOwn(file.data(), file.size());
  } catch (const EInvalidGraphic& e) {
    Invalid(std::string("its picture cannot be decoded (") + e.what() + ")");
  }
  file = {};

  TPixelRows pixels = AllocatePictureBuffer(int64_t(w) * h * 4);
  const int64_t stride = DibRowBytes(w, img.BitCount);
  for (int y = 0; y < h; ++y) {
    const uint8_t* r = img.RowBytes() + stride * y;
    uint32_t* o = pixels.data() + int64_t(y) * w;
    for (int x = 0; x < w; ++x) {
      if (img.BitCount == 32) {
        o[x] = U32(r + 4 * x);
      } else if (img.BitCount == 24) {
        o[x] = r[3 * x] | (r[3 * x + 1] << 8) | (static_cast<uint32_t>(r[3 * x + 2]) << 16);
      } else {
        const int index = img.BitCount == 8   ? r[x]
                          : img.BitCount == 4 ? (r[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F
                                              : (r[x >> 3] >> (7 - (x & 7))) & 1;
        if (index < static_cast<int>(img.ColorTable.size())) {
          const TRGBQuad& q = img.ColorTable[index];
          o[x] = q.rgbBlue | (q.rgbGreen << 8) | (static_cast<uint32_t>(q.rgbRed) << 16);
        } else {
          o[x] = 0;
        }
      }
    }
  }

  bool ownAlpha = false;
  if (bits == 32 && compression == 0) {
    const uint8_t* raw = p + colourOffset;
    for (int64_t i = 3; i < int64_t(w) * h * 4 && !ownAlpha; i += 4) ownAlpha = raw[i] != 0;
  }
  if (ownAlpha) return pixels;
  const size_t maskOffset = colourOffset + size_t(DibRowBytes(w, bits) * h);
  const int64_t maskStride = DibRowBytes(w, 1);
  const bool hasMask = maskOffset + size_t(maskStride * h) <= e.Size;
  for (int y = 0; y < h; ++y) {
    const uint8_t* m = hasMask ? p + maskOffset + maskStride * (h - 1 - y) : nullptr;
    uint32_t* o = pixels.data() + int64_t(y) * w;
    for (int x = 0; x < w; ++x) {
      const bool clear = m && ((m[x >> 3] >> (7 - (x & 7))) & 1);
      o[x] = (o[x] & 0x00FFFFFF) | (clear ? 0 : 0xFF000000u);
    }
  }
  return pixels;
}

// A PNG picture, decoded by Qt's icon reader.
TPixelRows DecodePngEntry(const std::vector<uint8_t>& data, const TIconEntry& e) {
  QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()),
                                             static_cast<qsizetype>(data.size()));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "ico");
  QImage image;
  if (!reader.jumpToImage(e.Index) || !reader.read(&image) || image.width() != e.Width ||
      image.height() != e.Height)
    Invalid("its picture cannot be decoded");
  image = image.convertToFormat(QImage::Format_ARGB32);
  TPixelRows pixels = AllocatePictureBuffer(int64_t(e.Width) * e.Height * 4);
  for (int y = 0; y < e.Height; ++y)
    std::memcpy(pixels.data() + int64_t(y) * e.Width, image.constScanLine(y),
                static_cast<size_t>(e.Width) * 4);
  return pixels;
}

}  // namespace

TIcon::TIcon() = default;
TIcon::~TIcon() = default;

void TIcon::SetWidth(int /*Value*/) {
  throw EInvalidGraphicOperation("Cannot change the size of an icon");
}

void TIcon::SetHeight(int /*Value*/) {
  throw EInvalidGraphicOperation("Cannot change the size of an icon");
}

void TIcon::Draw(TCanvas& ACanvas, const TRect& Rect) {
  if (Empty()) return;
  ACanvas.StretchBlendPixels(Rect, pictavia::Rect(0, 0, width_, height_), pixels_.data(), width_,
                             height_);
}

void TIcon::Assign(const TPersistent* Source) {
  if (Source == this) return;
  if (const auto* icon = dynamic_cast<const TIcon*>(Source)) {
    TPixelRows pixels = icon->pixels_;
    std::vector<uint8_t> data = icon->data_;
    width_ = icon->width_;
    height_ = icon->height_;
    bitCount_ = icon->bitCount_;
    entryCount_ = icon->entryCount_;
    pixels_ = std::move(pixels);
    data_ = std::move(data);
    Changed();
    return;
  }
  if (!Source) {
    width_ = height_ = bitCount_ = entryCount_ = 0;
    pixels_.clear();
    data_.clear();
    Changed();
    return;
  }
  TGraphic::Assign(Source);
}

void TIcon::LoadFromStream(TStream& Stream) {
  const int64_t size = Stream.Size() - Stream.Position();
  if (size < 6) Invalid("the file is too short");
  // An icon file larger than its largest possible picture is not one we take.
  if (size > MaxPicturePixels * 8) Invalid("the file is too large");
  std::vector<uint8_t> data(static_cast<size_t>(size));
  Stream.ReadBuffer(data.data(), size);
  const uint8_t* d = data.data();

  if (U16(d) != 0 || U16(d + 2) != 1) Invalid("the file is not an icon");
  const int count = U16(d + 4);
  if (count == 0) Invalid("the file holds no picture");
  if (6 + 16 * static_cast<size_t>(count) > data.size()) Invalid("the directory is truncated");

  bool found = false;
  TIconEntry best;
  for (int i = 0; i < count; ++i) {
    const uint8_t* e = d + 6 + 16 * i;
    const uint32_t bytes = U32(e + 8), offset = U32(e + 12);
    if (offset > data.size() || bytes > data.size() - offset) continue;
    TIconEntry entry;
    entry.Index = i;
    entry.Data = d + offset;
    entry.Size = bytes;
    if (!InspectEntry(d + offset, bytes, entry)) continue;
    const int64_t area = int64_t(entry.Width) * entry.Height;
    const int64_t bestArea = int64_t(best.Width) * best.Height;
    if (!found || area > bestArea || (area == bestArea && entry.BitCount > best.BitCount)) {
      best = entry;
      found = true;
    }
  }
  if (!found) Invalid("no picture of the file is readable");

  TPixelRows pixels = best.Png ? DecodePngEntry(data, best) : DecodeDibEntry(best);

  width_ = best.Width;
  height_ = best.Height;
  bitCount_ = best.BitCount;
  entryCount_ = count;
  pixels_ = std::move(pixels);
  data_ = std::move(data);
  Changed();
}

void TIcon::SaveToStream(TStream& Stream) {
  if (!data_.empty()) Stream.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}

}  // namespace pictavia
