// The metafile picture: loading, sizes, saving and drawing through the EMF and WMF players.
#include "toolkit/metafile.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <QPainter>

#include "toolkit/canvas.h"
#include "toolkit/exceptions.h"
#include "toolkit/internal/metafile_players.h"
#include "toolkit/internal/metafile_records.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

// Larger inputs are refused before they are read into memory.
constexpr int64_t kMaxMetafileBytes = int64_t(1) << 30;

// A * B / C rounded half away from zero, as the platform's MulDiv.
int MulDiv(int64_t a, int64_t b, int64_t c) {
  if (c == 0) return 0;
  const int64_t n = a * b;
  const int64_t q = (std::llabs(n) + std::llabs(c) / 2) / std::llabs(c);
  const int64_t r = ((n < 0) != (c < 0)) ? -q : q;
  return static_cast<int>(std::clamp<int64_t>(r, INT32_MIN, INT32_MAX));
}

void PutU16(std::vector<uint8_t>& d, size_t o, uint16_t v) {
  d[o] = static_cast<uint8_t>(v);
  d[o + 1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(std::vector<uint8_t>& d, size_t o, uint32_t v) {
  for (int i = 0; i < 4; ++i) d[o + i] = static_cast<uint8_t>(v >> (8 * i));
}

int16_t ClampI16(int64_t v) {
  return static_cast<int16_t>(std::clamp<int64_t>(v, -32768, 32767));
}

int ClampI32(int64_t v) {
  return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

struct TMetafile::TContents {
  std::vector<uint8_t> Bytes;
  bool Enhanced = false;
  metafile::TEmfInfo Emf;
  metafile::TWmfInfo Wmf;
  int Width = 0, Height = 0, MMWidth = 0, MMHeight = 0;  // as the header gives them
};

TMetafile::TMetafile() = default;
TMetafile::~TMetafile() = default;

void TMetafile::Assign(const TPersistent* Source) {
  if (!Source) {
    Clear();
    return;
  }
  if (auto* m = dynamic_cast<const TMetafile*>(Source)) {
    data_ = m->data_;
    width_ = m->width_;
    height_ = m->height_;
    mmWidth_ = m->mmWidth_;
    mmHeight_ = m->mmHeight_;
    Changed();
    return;
  }
  TGraphic::Assign(Source);
}

void TMetafile::SetWidth(int Value) {
  if (Value == width_) return;
  width_ = Value;
  mmWidth_ = MulDiv(Value, 2540, kScreenDpi);
  Changed();
}

void TMetafile::SetHeight(int Value) {
  if (Value == height_) return;
  height_ = Value;
  mmHeight_ = MulDiv(Value, 2540, kScreenDpi);
  Changed();
}

void TMetafile::SetMMWidth(int Value) {
  if (Value == mmWidth_) return;
  mmWidth_ = Value;
  width_ = MulDiv(Value, kScreenDpi, 2540);
  Changed();
}

void TMetafile::SetMMHeight(int Value) {
  if (Value == mmHeight_) return;
  mmHeight_ = Value;
  height_ = MulDiv(Value, kScreenDpi, 2540);
  Changed();
}

bool TMetafile::Enhanced() const {
  return data_ && data_->Enhanced;
}

int TMetafile::Inch() const {
  return data_ && !data_->Enhanced && data_->Wmf.Placeable ? data_->Wmf.Inch : 0;
}

void TMetafile::Clear() {
  data_.reset();
  width_ = height_ = mmWidth_ = mmHeight_ = 0;
  Changed();
}

const std::vector<uint8_t>& TMetafile::Data() const {
  static const std::vector<uint8_t> none;
  return data_ ? data_->Bytes : none;
}

void TMetafile::LoadFromStream(TStream& Stream) {
  const int64_t start = Stream.Position();
  const int64_t available = Stream.Size() - start;
  if (available <= 0) throw EInvalidGraphic("Invalid metafile: the stream is empty");
  if (available > kMaxMetafileBytes)
    throw EInvalidGraphic(Format("Invalid metafile: %lld bytes is more than a metafile may hold",
                                 static_cast<long long>(available)));
  auto contents = std::make_shared<TContents>();
  std::vector<uint8_t>& bytes = contents->Bytes;
  bytes.resize(static_cast<size_t>(available));
  Stream.ReadBuffer(bytes.data(), available);

  if (metafile::LooksLikeEmf(bytes.data(), bytes.size())) {
    contents->Enhanced = true;
    contents->Emf = metafile::ReadEmf(bytes.data(), bytes.size());
    bytes.resize(contents->Emf.Length);
    // Edges are 32-bit each, so their differences are taken in 64 bits.
    const QRect& frame = contents->Emf.Frame;
    const int64_t fw = int64_t(frame.right()) - frame.left();
    const int64_t fh = int64_t(frame.bottom()) - frame.top();
    if (fw > 0 && fh > 0) {
      contents->MMWidth = ClampI32(fw);
      contents->MMHeight = ClampI32(fh);
      contents->Width = MulDiv(fw, kScreenDpi, 2540);
      contents->Height = MulDiv(fh, kScreenDpi, 2540);
    } else {
      // No usable frame: the bounds, in reference-device pixels, give the size.
      const QRect& b = contents->Emf.Bounds;
      const int64_t bw = int64_t(b.right()) - b.left() + 1;
      const int64_t bh = int64_t(b.bottom()) - b.top() + 1;
      contents->Width = ClampI32(std::max<int64_t>(0, bw));
      contents->Height = ClampI32(std::max<int64_t>(0, bh));
      contents->MMWidth = MulDiv(contents->Width, 2540, kScreenDpi);
      contents->MMHeight = MulDiv(contents->Height, 2540, kScreenDpi);
    }
  } else if (metafile::LooksLikeWmf(bytes.data(), bytes.size())) {
    contents->Wmf = metafile::ReadWmf(bytes.data(), bytes.size());
    bytes.resize(contents->Wmf.Length);
    const metafile::TWmfInfo& w = contents->Wmf;
    if (w.Placeable) {
      contents->Width = MulDiv(w.Bounds.width(), kScreenDpi, w.Inch);
      contents->Height = MulDiv(w.Bounds.height(), kScreenDpi, w.Inch);
      contents->MMWidth = MulDiv(w.Bounds.width(), 2540, w.Inch);
      contents->MMHeight = MulDiv(w.Bounds.height(), 2540, w.Inch);
    } else {
      contents->Width = static_cast<int>(std::lround(w.DeviceSize.width()));
      contents->Height = static_cast<int>(std::lround(w.DeviceSize.height()));
      contents->MMWidth = MulDiv(contents->Width, 2540, kScreenDpi);
      contents->MMHeight = MulDiv(contents->Height, 2540, kScreenDpi);
    }
  } else {
    throw EInvalidGraphic("Invalid metafile: neither an enhanced nor a Windows metafile");
  }
  // Leave the stream just after the metafile, for containers that hold more than one object.
  Stream.SetPosition(start + static_cast<int64_t>(bytes.size()));

  data_ = std::move(contents);
  width_ = data_->Width;
  height_ = data_->Height;
  mmWidth_ = data_->MMWidth;
  mmHeight_ = data_->MMHeight;
  Changed();
}

void TMetafile::SaveToStream(TStream& Stream) {
  if (!data_) return;
  const bool resized = mmWidth_ != data_->MMWidth || mmHeight_ != data_->MMHeight;
  if (!resized) {
    Stream.WriteBuffer(data_->Bytes.data(), static_cast<int64_t>(data_->Bytes.size()));
    return;
  }
  std::vector<uint8_t> bytes = data_->Bytes;
  if (data_->Enhanced) {
    // The frame (0.01 mm) carries the size.
    const QRect& f = data_->Emf.Frame;
    PutU32(bytes, 32, static_cast<uint32_t>(ClampI32(int64_t(f.left()) + mmWidth_)));
    PutU32(bytes, 36, static_cast<uint32_t>(ClampI32(int64_t(f.top()) + mmHeight_)));
    Stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    return;
  }
  // A Windows metafile carries its size in the placeable header; one is added when missing.
  const metafile::TWmfInfo& w = data_->Wmf;
  std::vector<uint8_t> header(metafile::kPlaceableHeaderSize, 0);
  int inch = w.Placeable ? w.Inch : 0;
  int left = w.Bounds.left(), top = w.Bounds.top();
  if (!w.Placeable) {
    // Keep the picture's own window as the bounding box and pick the units per inch that
    // give the requested width.
    left = ClampI16(static_cast<int64_t>(std::lround(w.WindowOrg.x())));
    top = ClampI16(static_cast<int64_t>(std::lround(w.WindowOrg.y())));
    inch = std::clamp(MulDiv(static_cast<int64_t>(std::lround(std::abs(w.WindowExt.x()))), 2540,
                             std::max(1, mmWidth_)),
                      1, 65535);
  }
  PutU32(header, 0, metafile::kPlaceableKey);
  PutU16(header, 6, static_cast<uint16_t>(ClampI16(left)));
  PutU16(header, 8, static_cast<uint16_t>(ClampI16(top)));
  PutU16(header, 10, static_cast<uint16_t>(ClampI16(left + int64_t(MulDiv(mmWidth_, inch, 2540)))));
  PutU16(header, 12, static_cast<uint16_t>(ClampI16(top + int64_t(MulDiv(mmHeight_, inch, 2540)))));
  PutU16(header, 14, static_cast<uint16_t>(inch));
  uint16_t checksum = 0;
  for (size_t i = 0; i < 20; i += 2) checksum ^= metafile::GetU16(header.data() + i);
  PutU16(header, 20, checksum);
  const size_t body = w.Placeable ? metafile::kPlaceableHeaderSize : 0;
  Stream.WriteBuffer(header.data(), static_cast<int64_t>(header.size()));
  Stream.WriteBuffer(bytes.data() + body, static_cast<int64_t>(bytes.size() - body));
}

void TMetafile::Play(QPainter& Painter, const QRectF& Dest) const {
  if (!data_) return;
  if (data_->Enhanced)
    metafile::PlayEmf(data_->Bytes.data(), data_->Emf, Painter, Dest);
  else
    metafile::PlayWmf(data_->Bytes.data(), data_->Wmf, Painter, Dest);
}

void TMetafile::Draw(TCanvas& ACanvas, const TRect& Rect) {
  if (!data_) return;
  const QRectF dest(Rect.Left, Rect.Top, Rect.Right - Rect.Left, Rect.Bottom - Rect.Top);
  ACanvas.PaintWith([&](QPainter& painter) { Play(painter, dest); });
}

std::unique_ptr<TGraphic> NewMetafile() {
  return std::make_unique<TMetafile>();
}

}  // namespace pictavia
