// The drawing target over a 32-bit pixel surface.
#include "toolkit/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QString>

namespace pictavia {

void TBrush::Assign(const TPersistent* Source) {
  if (auto* b = dynamic_cast<const TBrush*>(Source)) {
    Color = b->Color;
    Style = b->Style;
    return;
  }
  TPersistent::Assign(Source);
}

void TPen::Assign(const TPersistent* Source) {
  if (auto* p = dynamic_cast<const TPen*>(Source)) {
    Color = p->Color;
    Width = p->Width;
    Style = p->Style;
    return;
  }
  TPersistent::Assign(Source);
}

TCanvas::TCanvas() {
  font_.SetColor(clBlack);
}

TCanvas::~TCanvas() = default;

void TCanvas::SetSurface(uint32_t* Bits, int Width, int Height) {
  if (!Bits || Width <= 0 || Height <= 0) {
    bits_ = nullptr;
    width_ = height_ = 0;
  } else {
    bits_ = Bits;
    width_ = Width;
    height_ = Height;
  }
  if (clipping_) SetClipRect(clipRect_);
}

bool TCanvas::HandleAllocated() {
  RequireSurface();
  return bits_ != nullptr;
}

uint32_t* TCanvas::Bits() {
  RequireSurface();
  return bits_;
}

int TCanvas::Width() {
  RequireSurface();
  return width_;
}

int TCanvas::Height() {
  RequireSurface();
  return height_;
}

void TCanvas::SetClipRect(const TRect& R) {
  clipping_ = true;
  clipRect_ = R;
}

void TCanvas::ResetClip() {
  clipping_ = false;
}

TRect TCanvas::ClipRect() {
  RequireSurface();
  TRect bounds = Rect(0, 0, width_, height_);
  if (!clipping_) return bounds;
  TRect r;
  IntersectRect(r, clipRect_, bounds);
  return r;
}

void TCanvas::Lock() {
  lock_.lock();
  ++lockCount_;
}

void TCanvas::Unlock() {
  --lockCount_;
  lock_.unlock();
}

bool TCanvas::TryLock() {
  if (!lock_.try_lock()) return false;
  ++lockCount_;
  return true;
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

void TCanvas::PaintWith(const std::function<void(QPainter&)>& Paint) {
  RequireSurface();
  if (!bits_) return;
  Changing();
  {
    QImage image(reinterpret_cast<uchar*>(bits_), width_, height_, width_ * 4,
                 QImage::Format_RGB32);
    QPainter painter(&image);
    if (clipping_) {
      const TRect c = ClipRect();
      painter.setClipRect(QRect(c.Left, c.Top, c.Right - c.Left, c.Bottom - c.Top));
    }
    Paint(painter);
  }
  Changed();
}

namespace {

QPen MakePen(const TPen& pen) {
  if (pen.Style == psClear) return QPen(Qt::NoPen);
  QPen p(ToQColor(pen.Color));
  p.setWidth(std::max(1, pen.Width));
  switch (pen.Style) {
    case psDash:
      p.setStyle(Qt::DashLine);
      break;
    case psDot:
      p.setStyle(Qt::DotLine);
      break;
    case psDashDot:
      p.setStyle(Qt::DashDotLine);
      break;
    case psDashDotDot:
      p.setStyle(Qt::DashDotDotLine);
      break;
    default:
      p.setStyle(Qt::SolidLine);
      break;
  }
  return p;
}

QBrush MakeBrush(const TBrush& brush) {
  const QColor c = ToQColor(brush.Color);
  switch (brush.Style) {
    case bsClear:
      return QBrush(Qt::NoBrush);
    case bsHorizontal:
      return QBrush(c, Qt::HorPattern);
    case bsVertical:
      return QBrush(c, Qt::VerPattern);
    case bsFDiagonal:
      return QBrush(c, Qt::FDiagPattern);
    case bsBDiagonal:
      return QBrush(c, Qt::BDiagPattern);
    case bsCross:
      return QBrush(c, Qt::CrossPattern);
    case bsDiagCross:
      return QBrush(c, Qt::DiagCrossPattern);
    default:
      return QBrush(c);
  }
}

}  // namespace

void TCanvas::FillRect(const TRect& R) {
  RequireSurface();
  if (!bits_ || brush_.Style == bsClear) return;
  TRect r;
  if (!IntersectRect(r, R, ClipRect()) || IsRectEmpty(r)) return;
  if (brush_.Style != bsSolid) {
    // Hatched brushes draw their pattern lines only.
    PaintWith([&](QPainter& p) {
      p.fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), MakeBrush(brush_));
    });
    return;
  }
  Changing();
  const uint32_t value = PixelFromColor(ColorToRGB(brush_.Color));
  for (int y = r.Top; y < r.Bottom; ++y) std::fill_n(ScanLine(y) + r.Left, r.Right - r.Left, value);
  Changed();
}

void TCanvas::FrameRect(const TRect& R) {
  if (R.Right <= R.Left || R.Bottom <= R.Top) return;
  FillRect(Rect(R.Left, R.Top, R.Right, R.Top + 1));
  FillRect(Rect(R.Left, R.Bottom - 1, R.Right, R.Bottom));
  FillRect(Rect(R.Left, R.Top, R.Left + 1, R.Bottom));
  FillRect(Rect(R.Right - 1, R.Top, R.Right, R.Bottom));
}

void TCanvas::Rectangle(const TRect& R) {
  PaintWith([&](QPainter& p) {
    // The platform's rectangle covers Left..Right-1: fill inside, outline on the edge pixels.
    const QRectF r(R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top);
    if (brush_.Style != bsClear) p.fillRect(r, MakeBrush(brush_));
    if (pen_.Style != psClear) {
      p.setPen(MakePen(pen_));
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRectF(R.Left + 0.5, R.Top + 0.5, R.Right - R.Left - 1, R.Bottom - R.Top - 1));
    }
  });
}

void TCanvas::Ellipse(const TRect& R) {
  PaintWith([&](QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(MakePen(pen_));
    p.setBrush(MakeBrush(brush_));
    p.drawEllipse(QRectF(R.Left + 0.5, R.Top + 0.5, R.Right - R.Left - 1, R.Bottom - R.Top - 1));
  });
}

void TCanvas::MoveTo(int X, int Y) {
  PenPos = Point(X, Y);
}

void TCanvas::LineTo(int X, int Y) {
  const TPoint from = PenPos;
  PaintWith([&](QPainter& p) {
    p.setPen(MakePen(pen_));
    p.drawLine(QPointF(from.X + 0.5, from.Y + 0.5), QPointF(X + 0.5, Y + 0.5));
  });
  PenPos = Point(X, Y);
}

void TCanvas::Polygon(const TPoint* Points, int Count) {
  if (Count <= 0) return;
  PaintWith([&](QPainter& p) {
    QPolygonF poly;
    for (int i = 0; i < Count; ++i) poly << QPointF(Points[i].X + 0.5, Points[i].Y + 0.5);
    p.setPen(MakePen(pen_));
    p.setBrush(MakeBrush(brush_));
    p.drawPolygon(poly);
  });
}

TColor TCanvas::Pixel(int X, int Y) {
  RequireSurface();
  if (!bits_ || X < 0 || Y < 0 || X >= width_ || Y >= height_) return -1;
  return ColorFromPixel(ScanLine(Y)[X]);
}

void TCanvas::SetPixel(int X, int Y, TColor Color) {
  RequireSurface();
  if (!bits_ || X < 0 || Y < 0 || X >= width_ || Y >= height_) return;
  if (clipping_ && !PtInRect(ClipRect(), Point(X, Y))) return;
  Changing();
  ScanLine(Y)[X] = PixelFromColor(ColorToRGB(Color));
  Changed();
}

TSize TCanvas::TextExtent(const std::string& Text) {
  const QFontMetrics fm(font_.ToQFont());
  const QString s = QString::fromStdString(Text);
  return TSize{fm.horizontalAdvance(s), fm.height()};
}

void TCanvas::TextOut(int X, int Y, const std::string& Text) {
  TextRect(TRect{}, X, Y, Text);
}

void TCanvas::TextRect(const TRect& R, int X, int Y, const std::string& Text) {
  const bool clipToR = !IsRectEmpty(R);
  PaintWith([&](QPainter& p) {
    const QFont f = font_.ToQFont();
    const QFontMetrics fm(f);
    const QString s = QString::fromStdString(Text);
    if (clipToR) p.setClipRect(QRect(R.Left, R.Top, R.Width(), R.Height()), Qt::IntersectClip);
    p.setFont(f);
    p.translate(X, Y);
    if (font_.Orientation() != 0) p.rotate(-font_.Orientation() / 10.0);
    if (BkMode == bkOpaque && brush_.Style != bsClear) {
      p.fillRect(QRect(0, 0, fm.horizontalAdvance(s), fm.height()), ToQColor(brush_.Color));
    }
    p.setPen(ToQColor(font_.Color()));
    p.drawText(QPointF(0, fm.ascent()), s);
  });
  PenPos = Point(X + TextExtent(Text).cx, Y);
}

void TCanvas::Draw(int X, int Y, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  StretchDraw(Rect(X, Y, X + Graphic->Width(), Y + Graphic->Height()), Graphic);
}

void TCanvas::StretchDraw(const TRect& R, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  RequireSurface();
  Changing();
  Graphic->Draw(*this, R);
  Changed();
}

namespace {

// 128-bit products keep stretch coordinates exact for any pair of 32-bit rectangles.
__extension__ using TWide = __int128;

inline uint32_t ApplyRop(TCopyMode rop, uint32_t s, uint32_t d, uint32_t p) {
  switch (rop) {
    case cmSrcCopy:
      return s;
    case cmSrcAnd:
      return s & d;
    case cmSrcPaint:
      return s | d;
    case cmSrcInvert:
      return s ^ d;
    case cmSrcErase:
      return s & ~d;
    case cmNotSrcCopy:
      return ~s;
    case cmNotSrcErase:
      return ~(s | d);
    case cmMergeCopy:
      return s & p;
    case cmMergePaint:
      return ~s | d;
    case cmPatCopy:
      return p;
    case cmPatInvert:
      return p ^ d;
    case cmPatPaint:
      return p | ~s | d;
    case cmDstInvert:
      return ~d;
    case cmBlackness:
      return 0;
    case cmWhiteness:
      return 0xFFFFFFFFu;
    default:
      return s;
  }
}

// Reads pixel (x, y) of a device-independent bitmap as 0x00RRGGBB (32-bit pixels keep their
// fourth byte); false outside it.
class TDibReader {
 public:
  explicit TDibReader(const TDibDescription& dib) : dib_(dib) {
    for (int i = 0; i < 256; ++i) lookup_[i] = 0;
    if (dib.ColorTable)
      for (int i = 0; i < dib.ColorCount && i < 256; ++i) {
        const TRGBQuad& q = dib.ColorTable[i];
        lookup_[i] = q.rgbBlue | (q.rgbGreen << 8) | (static_cast<uint32_t>(q.rgbRed) << 16);
      }
  }
  // Whether the description can be read without leaving its rows.
  bool Valid() const {
    const int b = dib_.BitCount;
    if (!dib_.Bits || dib_.Width <= 0 || dib_.Height <= 0) return false;
    if (b != 1 && b != 4 && b != 8 && b != 24 && b != 32) return false;
    return dib_.Stride > 0 && dib_.Stride >= (int64_t(dib_.Width) * b + 7) / 8;
  }
  bool Fetch(int64_t x, int64_t y, uint32_t& out) const {
    if (x < 0 || y < 0 || x >= dib_.Width || y >= dib_.Height) return false;
    const int64_t row = dib_.BottomUp ? dib_.Height - 1 - y : y;
    const uint8_t* p = dib_.Bits + row * dib_.Stride;
    switch (dib_.BitCount) {
      case 32: {
        const uint8_t* q = p + x * 4;
        out = q[0] | (q[1] << 8) | (q[2] << 16) | (static_cast<uint32_t>(q[3]) << 24);
        return true;
      }
      case 24: {
        const uint8_t* q = p + x * 3;
        out = q[0] | (q[1] << 8) | (static_cast<uint32_t>(q[2]) << 16);
        return true;
      }
      case 8:
        out = lookup_[p[x]];
        return true;
      case 4:
        out = lookup_[(p[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F];
        return true;
      default:
        out = lookup_[(p[x >> 3] >> (7 - (x & 7))) & 1];
        return true;
    }
  }

 private:
  const TDibDescription& dib_;
  uint32_t lookup_[256];
};

}  // namespace

// Which source pixel each visible destination pixel of a stretched copy shows: rows and
// columns are repeated or dropped (no smoothing); a negative extent mirrors that axis.
struct TCanvas::TStretchMap {
  TRect Visible;
  std::vector<int64_t> SrcX;  // per visible column
  std::vector<int64_t> SrcY;  // per visible row
};

bool TCanvas::PrepareStretch(const TRect& Dest, const TRect& SrcRect, TStretchMap& Map) {
  RequireSurface();
  if (!bits_) return false;
  int64_t dl = Dest.Left, dr = Dest.Right, dt = Dest.Top, db = Dest.Bottom;
  int64_t sl = SrcRect.Left, sr = SrcRect.Right, st = SrcRect.Top, sb = SrcRect.Bottom;
  bool flipX = false, flipY = false;
  if (dr < dl) {
    std::swap(dl, dr);
    flipX = !flipX;
  }
  if (sr < sl) {
    std::swap(sl, sr);
    flipX = !flipX;
  }
  if (db < dt) {
    std::swap(dt, db);
    flipY = !flipY;
  }
  if (sb < st) {
    std::swap(st, sb);
    flipY = !flipY;
  }
  const int64_t dw = dr - dl, dh = db - dt, sw = sr - sl, sh = sb - st;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return false;
  const TRect dest = Rect(static_cast<int32_t>(dl), static_cast<int32_t>(dt),
                          static_cast<int32_t>(dr), static_cast<int32_t>(db));
  if (!IntersectRect(Map.Visible, dest, ClipRect()) || IsRectEmpty(Map.Visible)) return false;
  auto map = [](int64_t i, int64_t n, int64_t m, bool flip) {
    int64_t o = static_cast<int64_t>(static_cast<TWide>(i) * m / n);
    return flip ? m - 1 - o : o;
  };
  Map.SrcX.resize(static_cast<size_t>(Map.Visible.Width()));
  for (int x = Map.Visible.Left; x < Map.Visible.Right; ++x)
    Map.SrcX[x - Map.Visible.Left] = sl + map(x - dl, dw, sw, flipX);
  Map.SrcY.resize(static_cast<size_t>(Map.Visible.Height()));
  for (int y = Map.Visible.Top; y < Map.Visible.Bottom; ++y)
    Map.SrcY[y - Map.Visible.Top] = st + map(y - dt, dh, sh, flipY);
  return true;
}

template <class F>
void TCanvas::StretchEach(const TStretchMap& Map, F&& Combine) {
  Changing();
  for (int y = Map.Visible.Top; y < Map.Visible.Bottom; ++y) {
    const int64_t sy = Map.SrcY[y - Map.Visible.Top];
    uint32_t* row = bits_ + static_cast<int64_t>(y) * width_;
    for (int x = Map.Visible.Left; x < Map.Visible.Right; ++x)
      Combine(Map.SrcX[x - Map.Visible.Left], sy, row[x]);
  }
  Changed();
}

void TCanvas::CopyPixels(const TRect& Dest, const uint32_t* srcBits, int srcW, int srcH,
                         const TRect& SrcRect, TCopyMode Rop) {
  TStretchMap map;
  if (!PrepareStretch(Dest, SrcRect, map)) return;
  const uint32_t pattern = PixelFromColor(ColorToRGB(brush_.Color));
  StretchEach(map, [&](int64_t sx, int64_t sy, uint32_t& d) {
    // Outside the source: the platform leaves such pixels alone.
    if (sx < 0 || sy < 0 || sx >= srcW || sy >= srcH) return;
    d = ApplyRop(Rop, srcBits[sy * srcW + sx], d, pattern);
  });
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas& Source, const TRect& SrcRect) {
  Source.RequireSurface();
  if (!Source.bits_) return;
  if (&Source == this) {
    // Overlapping copy inside one surface: read from a snapshot.
    std::vector<uint32_t> snapshot(bits_, bits_ + static_cast<size_t>(width_) * height_);
    CopyPixels(Dest, snapshot.data(), width_, height_, SrcRect, CopyMode);
    return;
  }
  CopyPixels(Dest, Source.bits_, Source.width_, Source.height_, SrcRect, CopyMode);
}

void TCanvas::StretchDIBits(const TRect& Dest, const TRect& SrcRect, const TDibDescription& Dib,
                            TCopyMode Rop) {
  const TDibReader reader(Dib);
  if (!reader.Valid()) return;
  TStretchMap map;
  if (!PrepareStretch(Dest, SrcRect, map)) return;
  const uint32_t pattern = PixelFromColor(ColorToRGB(brush_.Color));
  StretchEach(map, [&](int64_t sx, int64_t sy, uint32_t& d) {
    uint32_t s;
    if (reader.Fetch(sx, sy, s)) d = ApplyRop(Rop, s, d, pattern);
  });
}

void TCanvas::TransparentStretchDIBits(const TRect& Dest, const TRect& SrcRect,
                                       const TDibDescription& Dib, TColor KeyColor) {
  const TDibReader reader(Dib);
  if (!reader.Valid()) return;
  TStretchMap map;
  if (!PrepareStretch(Dest, SrcRect, map)) return;
  const uint32_t key = PixelFromColor(ColorToRGB(KeyColor)) & 0x00FFFFFF;
  StretchEach(map, [&](int64_t sx, int64_t sy, uint32_t& d) {
    uint32_t s;
    if (reader.Fetch(sx, sy, s) && (s & 0x00FFFFFF) != key) d = s;
  });
}

void TCanvas::StretchBlendPixels(const TRect& Dest, const TRect& SrcRect, const uint32_t* Pixels,
                                 int Width, int Height) {
  if (!Pixels || Width <= 0 || Height <= 0) return;
  TStretchMap map;
  if (!PrepareStretch(Dest, SrcRect, map)) return;
  StretchEach(map, [&](int64_t sx, int64_t sy, uint32_t& d) {
    if (sx < 0 || sy < 0 || sx >= Width || sy >= Height) return;
    const uint32_t s = Pixels[sy * Width + sx];
    const uint32_t a = s >> 24;
    if (a == 0) return;
    if (a == 255) {
      d = (d & 0xFF000000u) | (s & 0x00FFFFFFu);
      return;
    }
    uint32_t out = d & 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
      const uint32_t sc = (s >> shift) & 0xFF, dc = (d >> shift) & 0xFF;
      out |= ((sc * a + (255 - a) * dc + 255) >> 8) << shift;
    }
    d = out;
  });
}

}  // namespace pictavia
