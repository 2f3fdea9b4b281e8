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

TCanvas::TCanvas() { font_.SetColor(clBlack); }

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

void TCanvas::ResetClip() { clipping_ = false; }

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

void TCanvas::FillRect(const TRect& R) {
  RequireSurface();
  if (!bits_ || brush_.Style == bsClear) return;
  TRect r;
  if (!IntersectRect(r, R, ClipRect()) || IsRectEmpty(r)) return;
  Changing();
  const uint32_t value = PixelFromColor(brush_.Color);
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

namespace {

QPen MakePen(const TPen& pen) {
  if (pen.Style == psClear) return QPen(Qt::NoPen);
  QPen p(ToQColor(pen.Color));
  p.setWidth(std::max(1, pen.Width));
  switch (pen.Style) {
    case psDash: p.setStyle(Qt::DashLine); break;
    case psDot: p.setStyle(Qt::DotLine); break;
    case psDashDot: p.setStyle(Qt::DashDotLine); break;
    case psDashDotDot: p.setStyle(Qt::DashDotDotLine); break;
    default: p.setStyle(Qt::SolidLine); break;
  }
  return p;
}

QBrush MakeBrush(const TBrush& brush) {
  const QColor c = ToQColor(brush.Color);
  switch (brush.Style) {
    case bsClear: return QBrush(Qt::NoBrush);
    case bsHorizontal: return QBrush(c, Qt::HorPattern);
    case bsVertical: return QBrush(c, Qt::VerPattern);
    case bsFDiagonal: return QBrush(c, Qt::FDiagPattern);
    case bsBDiagonal: return QBrush(c, Qt::BDiagPattern);
    case bsCross: return QBrush(c, Qt::CrossPattern);
    case bsDiagCross: return QBrush(c, Qt::DiagCrossPattern);
    default: return QBrush(c);
  }
}

}  // namespace

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

void TCanvas::MoveTo(int X, int Y) { PenPos = Point(X, Y); }

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
  ScanLine(Y)[X] = PixelFromColor(Color);
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

inline uint32_t ApplyRop(TCopyMode rop, uint32_t s, uint32_t d) {
  switch (rop) {
    case cmSrcCopy: return s;
    case cmSrcAnd: return s & d;
    case cmSrcPaint: return s | d;
    case cmSrcInvert: return s ^ d;
    case cmSrcErase: return s & ~d;
    case cmNotSrcCopy: return ~s;
    case cmNotSrcErase: return ~(s | d);
    case cmDstInvert: return ~d;
    case cmBlackness: return 0;
    case cmWhiteness: return 0xFFFFFFFFu;
    default: return s;
  }
}

// Source coordinate of destination offset i when n destination pixels show m source pixels.
inline int MapCoord(int i, int n, int m) {
  return static_cast<int>((static_cast<int64_t>(i) * m) / n);
}

}  // namespace

void TCanvas::CopyPixels(const TRect& Dest, const uint32_t* srcBits, int srcW, int srcH,
                         const TRect& SrcRect, TCopyMode Rop,
                         const std::function<uint32_t(int x, int y)>* fetch) {
  RequireSurface();
  if (!bits_) return;
  // Normalise mirrored rectangles: a negative extent on one side flips that axis.
  int dl = Dest.Left, dr = Dest.Right, dt = Dest.Top, db = Dest.Bottom;
  int sl = SrcRect.Left, sr = SrcRect.Right, st = SrcRect.Top, sb = SrcRect.Bottom;
  bool flipX = false, flipY = false;
  if (dr < dl) { std::swap(dl, dr); flipX = !flipX; }
  if (sr < sl) { std::swap(sl, sr); flipX = !flipX; }
  if (db < dt) { std::swap(dt, db); flipY = !flipY; }
  if (sb < st) { std::swap(st, sb); flipY = !flipY; }
  const int dw = dr - dl, dh = db - dt, sw = sr - sl, sh = sb - st;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  TRect visible;
  if (!IntersectRect(visible, Rect(dl, dt, dr, db), ClipRect()) || IsRectEmpty(visible)) return;
  Changing();
  for (int y = visible.Top; y < visible.Bottom; ++y) {
    int oy = MapCoord(y - dt, dh, sh);
    if (flipY) oy = sh - 1 - oy;
    const int sy = st + oy;
    uint32_t* row = ScanLine(y);
    for (int x = visible.Left; x < visible.Right; ++x) {
      int ox = MapCoord(x - dl, dw, sw);
      if (flipX) ox = sw - 1 - ox;
      const int sx = sl + ox;
      uint32_t s;
      if (fetch) {
        s = (*fetch)(sx, sy);
      } else if (sx < 0 || sy < 0 || sx >= srcW || sy >= srcH) {
        continue;  // outside the source: the platform leaves such pixels alone
      } else {
        s = srcBits[static_cast<intptr_t>(sy) * srcW + sx];
      }
      row[x] = ApplyRop(Rop, s, row[x]);
    }
  }
  Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas& Source, const TRect& SrcRect) {
  Source.RequireSurface();
  if (!Source.bits_) return;
  if (&Source == this) {
    // Overlapping copy inside one surface: read from a snapshot.
    std::vector<uint32_t> snapshot(bits_, bits_ + static_cast<size_t>(width_) * height_);
    CopyPixels(Dest, snapshot.data(), width_, height_, SrcRect, CopyMode, nullptr);
    return;
  }
  CopyPixels(Dest, Source.bits_, Source.width_, Source.height_, SrcRect, CopyMode, nullptr);
}

void TCanvas::StretchDIBits(const TRect& Dest, const TRect& SrcRect, const TDibDescription& Dib,
                            TCopyMode Rop) {
  if (!Dib.Bits || Dib.Width <= 0 || Dib.Height <= 0) return;
  const std::function<uint32_t(int, int)> fetch = [&Dib](int x, int y) -> uint32_t {
    if (x < 0 || y < 0 || x >= Dib.Width || y >= Dib.Height) return 0;
    const int row = Dib.BottomUp ? Dib.Height - 1 - y : y;
    const uint8_t* p = Dib.Bits + static_cast<intptr_t>(row) * Dib.Stride;
    int index = 0;
    switch (Dib.BitCount) {
      case 32: {
        const uint8_t* q = p + x * 4;
        return q[0] | (q[1] << 8) | (q[2] << 16) | (static_cast<uint32_t>(q[3]) << 24);
      }
      case 24: {
        const uint8_t* q = p + x * 3;
        return q[0] | (q[1] << 8) | (q[2] << 16);
      }
      case 8: index = p[x]; break;
      case 4: index = (p[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F; break;
      case 1: index = (p[x >> 3] >> (7 - (x & 7))) & 1; break;
      default: return 0;
    }
    if (!Dib.ColorTable || index >= Dib.ColorCount) return 0;
    const TRGBQuad& q = Dib.ColorTable[index];
    return q.rgbBlue | (q.rgbGreen << 8) | (q.rgbRed << 16);
  };
  CopyPixels(Dest, nullptr, 0, 0, SrcRect, Rop, &fetch);
}
