// TMetafileDC: the playback "device context" of the metafile players - GDI drawing state, the
// object table, the logical-to-destination mapping and drawing with QPainter.
#pragma once

#ifndef PICTAVIA_INSIDE_TOOLKIT
#error "metafile_dc.h is private to the toolkit library and its tests"
#endif

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <variant>
#include <vector>

#include <QImage>
#include <QPainterPath>
#include <QPolygonF>
#include <QRegion>
#include <QString>
#include <QTransform>

#include "toolkit/internal/metafile_dib.h"
#include "toolkit/internal/metafile_records.h"

class QBrush;
class QFont;
class QPainter;
class QPen;

namespace pictavia {

namespace metafile {

struct TGdiPen {
  uint32_t Style = PS_SOLID;   // style, end cap, join and geometric bits
  double Width = 0;            // logical units; 0 draws one pixel wide
  uint32_t Color = 0;          // COLORREF
  bool Extended = false;       // made by ExtCreatePen: caps and joins are as the style says
  std::vector<double> Dashes;  // PS_USERSTYLE entries
};

struct TGdiBrush {
  uint32_t Style = BS_SOLID;
  uint32_t Color = 0xFFFFFF;
  uint32_t Hatch = 0;
  QImage Pattern;     // colour pattern brushes
  bool Mono = false;  // Pattern holds 0/1 indexes coloured with the text and background colours
};

struct TGdiFont {
  int32_t Height = 0;
  int32_t Width = 0;
  int32_t Escapement = 0;
  int32_t Weight = 400;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  uint8_t CharSet = 1;
  uint8_t Quality = 0;
  uint8_t PitchAndFamily = 0;
  QString FaceName;
  // The "Symbol" face is a symbol font whatever character set the record asks for.
  uint8_t EffectiveCharSet() const {
    return FaceName.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0 ? 2 : CharSet;
  }
};

struct TGdiPalette {
  std::vector<QRgb> Entries;
};

// A region in logical units (WMF) or already in destination pixels (EMF clip data).
struct TGdiRegion {
  std::vector<QRectF> Rects;
};

using TGdiObject = std::variant<TGdiPen, TGdiBrush, TGdiFont, TGdiPalette, TGdiRegion>;

// The object table of a playback. WMF objects take the lowest free slot; EMF records name the
// slot. Unknown or empty slots are ignored by selection.
class TGdiObjectTable {
 public:
  static constexpr uint32_t kMaxObjects = 65535;
  void Put(uint32_t Index, TGdiObject Object);
  // Puts Object into the lowest free slot (WMF); returns false when the table is full.
  bool Add(TGdiObject Object);
  void Delete(uint32_t Index);
  std::shared_ptr<TGdiObject> Get(uint32_t Index) const;
  // An object that occupies a slot but draws nothing (kinds we do not know).
  void AddPlaceholder();

 private:
  std::map<uint32_t, std::shared_ptr<TGdiObject>> objects_;
  std::set<uint32_t> free_;  // slots below next_ that were deleted
  uint32_t next_ = 0;
};

struct TDcState {
  std::shared_ptr<const TGdiPen> Pen;
  std::shared_ptr<const TGdiBrush> Brush;
  std::shared_ptr<const TGdiFont> Font;
  std::shared_ptr<TGdiObject> Palette;  // holds a TGdiPalette, or null
  uint32_t TextColor = 0x000000;
  uint32_t BkColor = 0xFFFFFF;
  int BkMode = OPAQUE;
  int PolyFillMode = ALTERNATE;
  int Rop2 = R2_COPYPEN;
  int StretchMode = 1;
  uint32_t TextAlign = 0;
  double CharExtra = 0;
  int ArcDirection = AD_COUNTERCLOCKWISE;
  int MapMode = MM_TEXT;
  QPointF WindowOrg{0, 0};
  QPointF WindowExt{1, 1};
  QPointF ViewportOrg{0, 0};
  QPointF ViewportExt{1, 1};
  QTransform World;
  QPointF CurrentPos;  // logical
  QPoint BrushOrg;
  std::optional<QRegion> Clip;  // destination pixels; none = unclipped
};

// One character run of a text record.
struct TTextRun {
  QPointF Reference;  // logical
  QString Text;
  std::vector<double> Dx;  // logical advance of each character, or empty
  uint32_t Options = 0;    // ETO_*
  bool HasRect = false;
  QPointF RectTopLeft, RectBottomRight;  // logical opaque / clip rectangle
};

// A bitmap transfer: the source picture's SrcRect (top-down pixels, signed sizes mirror) lands
// on the parallelogram P0 (top-left), P1 (top-right), P2 (bottom-left) in destination pixels.
struct TBlit {
  QPointF P0, P1, P2;
  const TDib* Source = nullptr;
  QRectF SrcRect;
  uint32_t Rop = SRCCOPY;  // ternary raster operation (bits 16-23); MaskBlt: a quaternary one
  const TDib* Mask = nullptr;
  QPointF MaskOffset;  // mask pixel = source pixel + MaskOffset
  enum TKind { bkRop, bkAlpha, bkTransparent } Kind = bkRop;
  uint8_t ConstantAlpha = 255;
  bool SourceAlpha = false;
  uint32_t TransparentColor = 0;
};

struct TGradientVertex {
  QPointF P;  // logical
  QRgb Color;
};

class TMetafileDC {
 public:
  // Painter null: records are decoded and checked but nothing is drawn (load-time validation),
  // or, with Measure, only the extent of what would be drawn is collected.
  explicit TMetafileDC(QPainter* Painter, bool Measure = false);
  ~TMetafileDC();
  TMetafileDC(const TMetafileDC&) = delete;
  TMetafileDC& operator=(const TMetafileDC&) = delete;

  // The device space of the recorded picture and how it lands on the destination; the pixels
  // per millimetre serve the metric mapping modes.
  void SetDeviceMapping(const QTransform& DeviceToDest, double PixelsPerMmX, double PixelsPerMmY);

  bool Drawing() const { return painter_ != nullptr; }
  TDcState& State() { return state_; }
  TGdiObjectTable& Objects() { return objects_; }

  // --- state --------------------------------------------------------------------------------
  void SelectObject(uint32_t Index);  // table index, or kStockObjectFlag | stock index
  void SelectPalette(uint32_t Index);
  void SaveDC();
  void RestoreDC(int Relative);
  void SetMapMode(int Mode);
  void SetWindowOrg(QPointF P) { state_.WindowOrg = P; }
  void SetWindowExt(QPointF E);
  void SetViewportOrg(QPointF P) { state_.ViewportOrg = P; }
  void SetViewportExt(QPointF E);
  void ScaleWindowExt(double XNum, double XDenom, double YNum, double YDenom);
  void ScaleViewportExt(double XNum, double XDenom, double YNum, double YDenom);
  void SetWorldTransform(const QTransform& T);
  void ModifyWorldTransform(const QTransform& T, int Mode);
  // Adds a bitmap a record carries to what the metafile decodes in all; raises EInvalidGraphic
  // through Rec beyond kMaxMetafileBitmapPixels.
  void CountBitmap(const TMetafileRecord& Rec, const TDib& Dib);
  QRgb ResolveColor(uint32_t ColorRef) const;
  QRgb PaletteColor(uint16_t Index) const;
  TPaletteLookup PaletteLookup() const;

  // --- mapping ------------------------------------------------------------------------------
  QTransform PageTransform() const;
  QTransform LogicalToDevice() const;  // world and page
  QTransform LogicalToDest() const;    // world, page and device mapping
  const QTransform& DeviceToDest() const { return deviceToDest_; }
  QPointF ToDest(QPointF Logical) const { return LogicalToDest().map(Logical); }

  // --- clipping -----------------------------------------------------------------------------
  void IntersectClipRect(QPointF TopLeft, QPointF BottomRight);
  void ExcludeClipRect(QPointF TopLeft, QPointF BottomRight);
  void OffsetClip(QPointF LogicalOffset);
  // Combines Region (destination pixels; none with RGN_COPY resets) into the clip.
  void SelectClip(const std::optional<QRegion>& Region, int Mode);
  // Logical-unit rectangles as a destination-pixel region.
  QRegion LogicalRegion(const std::vector<QRectF>& Rects) const;
  // Device-unit rectangles (EMF region data) as a destination-pixel region.
  QRegion DeviceRegion(const std::vector<QRectF>& Rects) const;

  // --- figures (logical coordinates) --------------------------------------------------------
  void MoveTo(QPointF P);
  void LineTo(QPointF P);
  void Polyline(const QPolygonF& Points);
  void PolylineTo(const QPolygonF& Points);
  void Polygon(const QPolygonF& Points);
  void PolyPolygon(const std::vector<QPolygonF>& Polygons);
  void PolyPolyline(const std::vector<QPolygonF>& Lines);
  void PolyBezier(const QPolygonF& Points);
  void PolyBezierTo(const QPolygonF& Points);
  // Point types as the platform stores them: move 6, line 2, bezier 4, close bit 1.
  void PolyDraw(const QPolygonF& Points, const std::vector<uint8_t>& Types);
  void Rectangle(QPointF TopLeft, QPointF BottomRight);
  void RoundRect(QPointF TopLeft, QPointF BottomRight, QPointF Corner);
  void Ellipse(QPointF TopLeft, QPointF BottomRight);
  enum TArcKind { akArc, akChord, akPie, akArcTo };
  void Arc(TArcKind Kind, QPointF TopLeft, QPointF BottomRight, QPointF Start, QPointF End);
  void AngleArc(QPointF Center, double Radius, double StartDeg, double SweepDeg);
  void SetPixel(QPointF P, uint32_t ColorRef);
  void TextOut(const TTextRun& Run);
  void Blit(const TBlit& B);
  // PatBlt: the brush over a logical rectangle with a raster operation.
  void PatBlt(QPointF TopLeft, QPointF BottomRight, uint32_t Rop);
  void GradientRect(const TGradientVertex& A, const TGradientVertex& B, bool Vertical);
  void GradientTriangle(const TGradientVertex& A, const TGradientVertex& B,
                        const TGradientVertex& C);
  // Regions in destination pixels.
  void FillRegion(const QRegion& Region, const TGdiBrush* Brush);  // null: the current brush
  void FrameRegion(const QRegion& Region, const TGdiBrush* Brush, QPointF LogicalStroke);
  void InvertRegion(const QRegion& Region);

  // --- paths --------------------------------------------------------------------------------
  void BeginPath();
  void EndPath() { pathOpen_ = false; }
  void AbortPath();
  void CloseFigure();
  void FillPath();
  void StrokePath();
  void StrokeAndFillPath();
  void SelectClipPath(int Mode);
  void WidenPath();

  // The extent of everything drawn while measuring, in destination pixels.
  QRectF MeasuredBounds() const { return measured_; }

 private:
  void Emit(const QPainterPath& DestPath, bool Fill, bool Stroke);
  // Shapes inside a box: the arc kinds, or one of these.
  enum TBoxKind { bxRectangle = 16, bxEllipse, bxRoundRect };
  QPainterPath BoxPath(QPointF TopLeft, QPointF BottomRight, int Kind, QPointF Extra1 = {},
                       QPointF Extra2 = {}) const;
  QPainterPath MapPath(const QPainterPath& Logical) const;
  bool PreparePen(QPen& Pen) const;
  bool PrepareBrush(const TGdiBrush* Brush, QBrush& Out) const;
  void ApplyRop2(QColor& Color) const;
  void ApplyClip();
  // The device's rectangle with a small margin: nothing outside it can show.
  QRect LimitRect() const;
  void AddMeasured(const QRectF& R);
  QFont MakeFont(double& PixelSize, double& Ratio) const;
  // The steps of TextOut: the run's rectangle (filled when it is opaque), the layout of its
  // characters on the destination, moving the current position past them, painting them.
  struct TTextLayout;
  QPainterPath TextRectangle(const TTextRun& Run, const QTransform& T, const QColor& Background);
  bool LayOutText(const TTextRun& Run, const QTransform& T, QPointF DevRef,
                  TTextLayout& Layout) const;
  void MoveCurrentPositionPast(const TTextLayout& Layout, const QTransform& T);
  void PaintText(const TTextRun& Run, const TTextLayout& Layout, const QPainterPath& RectPath,
                 const QColor& Background);
  QImage* DeviceImage() const;
  void RopBlit(const TBlit& B, const QImage* Src, const QImage* Mask, const QTransform& T,
               const QRectF& SrcClip);
  double PenScale() const;

  QPainter* painter_;
  bool measure_;
  QRectF measured_;
  TDcState state_;
  std::vector<TDcState> saved_;
  TGdiObjectTable objects_;
  QTransform deviceToDest_;
  double pxPerMmX_ = 96 / 25.4;
  double pxPerMmY_ = 96 / 25.4;
  std::optional<QRegion> baseClip_;
  bool pathOpen_ = false;
  QPainterPath path_;  // destination pixels
  bool pathHasCp_ = false;
  int64_t bitmapPixels_ = 0;  // of every bitmap counted so far
};

// A destination coordinate as a whole pixel: nearest, ties away from zero, held within +-1e9 so
// that sums of two stay in the int range; NaN gives 0.
int ClampToInt(double v);

// Turns bytes of a WMF/EMF ANSI text into Unicode by the font's character set.
QString DecodeAnsiText(const uint8_t* Bytes, size_t Count, uint8_t CharSet);
// Maps private-use symbol-font code points (U+F020..U+F0FF) and symbol bytes onto Unicode.
QString MapSymbolText(const QString& Text);

}  // namespace metafile

}  // namespace pictavia
