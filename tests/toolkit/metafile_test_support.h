// Builders of small EMF and WMF byte streams and a renderer for the metafile tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include <QImage>

#include "toolkit/canvas.h"
#include "toolkit/metafile.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace metafiletest {

inline void Put16(std::vector<uint8_t>& d, uint32_t v) {
  d.push_back(static_cast<uint8_t>(v));
  d.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(std::vector<uint8_t>& d, uint32_t v) {
  for (int i = 0; i < 4; ++i) d.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline void Set32(std::vector<uint8_t>& d, size_t o, uint32_t v) {
  for (int i = 0; i < 4; ++i) d[o + i] = static_cast<uint8_t>(v >> (8 * i));
}

// An EMF whose frame is Size x Size pixels at 96 dpi on a 96-dpi reference device, so logical
// units (MM_TEXT) are destination pixels when drawn at that size.
class TEmfBuilder {
 public:
  explicit TEmfBuilder(int Size = 96) {
    Put32(bytes_, 1);
    Put32(bytes_, 88);
    for (int v : {0, 0, Size - 1, Size - 1}) Put32(bytes_, v);                  // bounds
    for (int v : {0, 0, Size * 2540 / 96, Size * 2540 / 96}) Put32(bytes_, v);  // frame
    Put32(bytes_, 0x464D4520);
    Put32(bytes_, 0x10000);
    Put32(bytes_, 0);  // bytes, patched
    Put32(bytes_, 0);  // records, patched
    Put16(bytes_, 16);
    Put16(bytes_, 0);
    Put32(bytes_, 0);
    Put32(bytes_, 0);
    Put32(bytes_, 0);
    for (int v : {960, 960, 254, 254}) Put32(bytes_, v);  // device pixels, millimetres
    records_ = 1;
  }
  // A record of 32-bit fields.
  TEmfBuilder& Rec(uint32_t Type, std::initializer_list<int64_t> Fields) {
    std::vector<uint8_t> body;
    for (int64_t f : Fields) Put32(body, static_cast<uint32_t>(f));
    return Raw(Type, body);
  }
  // A record with the given body (padded to 4 bytes).
  TEmfBuilder& Raw(uint32_t Type, std::vector<uint8_t> Body) {
    while (Body.size() % 4) Body.push_back(0);
    Put32(bytes_, Type);
    Put32(bytes_, static_cast<uint32_t>(Body.size() + 8));
    bytes_.insert(bytes_.end(), Body.begin(), Body.end());
    ++records_;
    return *this;
  }
  std::vector<uint8_t> Finish() const {
    std::vector<uint8_t> out = bytes_;
    Put32(out, 14);
    Put32(out, 20);
    Put32(out, 0);
    Put32(out, 16);
    Put32(out, 20);
    Set32(out, 48, static_cast<uint32_t>(out.size()));
    Set32(out, 52, records_ + 1);
    return out;
  }

 private:
  std::vector<uint8_t> bytes_;
  uint32_t records_ = 0;
};

// A WMF with a placeable header of Width x Height units at 96 units per inch (one unit is one
// pixel), or without it.
class TWmfBuilder {
 public:
  TWmfBuilder(int Width = 96, int Height = 96, bool Placeable = true) {
    if (Placeable) {
      Put32(bytes_, 0x9AC6CDD7);
      Put16(bytes_, 0);
      for (int v : {0, 0, Width, Height}) Put16(bytes_, static_cast<uint32_t>(v));
      Put16(bytes_, 96);
      Put32(bytes_, 0);
      uint16_t sum = 0;
      for (size_t i = 0; i < 20; i += 2)
        sum ^= static_cast<uint16_t>(bytes_[i] | (bytes_[i + 1] << 8));
      Put16(bytes_, sum);
    }
    header_ = bytes_.size();
    Put16(bytes_, 1);
    Put16(bytes_, 9);
    Put16(bytes_, 0x300);
    Put32(bytes_, 0);  // size in words, patched
    Put16(bytes_, 16);
    Put32(bytes_, 0);
    Put16(bytes_, 0);
  }
  // A record of 16-bit parameters (in the order the record stores them).
  TWmfBuilder& Rec(uint16_t Function, std::initializer_list<int> Params) {
    std::vector<uint8_t> body;
    for (int p : Params) Put16(body, static_cast<uint32_t>(p));
    return Raw(Function, body);
  }
  TWmfBuilder& Raw(uint16_t Function, std::vector<uint8_t> Body) {
    if (Body.size() % 2) Body.push_back(0);
    Put32(bytes_, static_cast<uint32_t>(3 + Body.size() / 2));
    Put16(bytes_, Function);
    bytes_.insert(bytes_.end(), Body.begin(), Body.end());
    return *this;
  }
  std::vector<uint8_t> Finish() const {
    std::vector<uint8_t> out = bytes_;
    Put32(out, 3);
    Put16(out, 0);
    Set32(out, header_ + 6, static_cast<uint32_t>((out.size() - header_) / 2));
    return out;
  }

 private:
  std::vector<uint8_t> bytes_;
  size_t header_ = 0;
};

inline TMetafile Load(const std::vector<uint8_t>& Bytes) {
  TMetafile mf;
  TReadOnlyMemoryStream stream(Bytes.data(), static_cast<int64_t>(Bytes.size()));
  mf.LoadFromStream(stream);
  return mf;
}

// Draws the picture into Dest of a W x H canvas prefilled with Background (0xRRGGBB).
inline QImage Render(TMetafile& mf, int W, int H, uint32_t Background = 0xFFFFFF,
                     TRect Dest = TRect{}) {
  QImage image(W, H, QImage::Format_RGB32);
  image.fill(0xFF000000u | Background);
  TCanvas canvas;
  canvas.SetSurface(reinterpret_cast<uint32_t*>(image.bits()), W, H);
  mf.Draw(canvas, IsRectEmpty(Dest) ? Rect(0, 0, W, H) : Dest);
  return image;
}

// The pixel as 0xRRGGBB.
inline uint32_t At(const QImage& image, int x, int y) {
  return image.pixel(x, y) & 0xFFFFFF;
}

// A packed DIB: 40-byte header, colour table, pixel rows as given.
inline std::vector<uint8_t> Dib(int Width, int Height, int BitCount,
                                const std::vector<uint32_t>& Colors,
                                const std::vector<uint8_t>& Rows, uint32_t Compression = 0,
                                const std::vector<uint32_t>& Masks = {}) {
  std::vector<uint8_t> d;
  Put32(d, 40);
  Put32(d, static_cast<uint32_t>(Width));
  Put32(d, static_cast<uint32_t>(Height));
  Put16(d, 1);
  Put16(d, static_cast<uint32_t>(BitCount));
  Put32(d, Compression);
  Put32(d, static_cast<uint32_t>(Rows.size()));
  Put32(d, 0);
  Put32(d, 0);
  Put32(d, static_cast<uint32_t>(Colors.size()));
  Put32(d, 0);
  for (uint32_t m : Masks) Put32(d, m);
  for (uint32_t c : Colors) Put32(d, c);  // 0x00RRGGBB as blue, green, red, reserved
  d.insert(d.end(), Rows.begin(), Rows.end());
  return d;
}

}  // namespace metafiletest

}  // namespace pictavia
