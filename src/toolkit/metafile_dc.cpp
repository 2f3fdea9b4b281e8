// The playback device context of the metafile players: state, objects, mapping and drawing.
#include "toolkit/internal/metafile_dc.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QBrush>
#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPathStroker>
#include <QPen>
#include <QStringDecoder>

#include "toolkit/font.h"
#include "toolkit/rounding.h"

namespace pictavia {

namespace metafile {

int ClampToInt(double v) {
  return SaturatedRoundHalfAway(std::clamp(v, -1e9, 1e9));
}

namespace {

constexpr double kPi = 3.14159265358979323846;
// Beyond this many saved states SaveDC is ignored, so a hostile file cannot eat memory.
constexpr size_t kMaxSavedStates = 4096;
// Pens and fonts larger than this (destination pixels) are clamped or skipped.
constexpr double kMaxPenWidth = 65536;
constexpr double kMaxFontPixels = 16384;
// Coordinates further out than this cannot touch any picture we draw into.
constexpr double kFarAway = 1e7;

const QRect kEverything(-(1 << 28), -(1 << 28), 1 << 29, 1 << 29);

bool Finite(const QRectF& r) {
  return std::isfinite(r.left()) && std::isfinite(r.top()) && std::isfinite(r.width()) &&
         std::isfinite(r.height());
}

bool Finite(const QTransform& t) {
  return std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21()) &&
         std::isfinite(t.m22()) && std::isfinite(t.dx()) && std::isfinite(t.dy());
}

bool AxisAligned(const QTransform& t) {
  return std::abs(t.m12()) < 1e-12 && std::abs(t.m21()) < 1e-12;
}

// A destination rectangle as whole pixels (right and bottom exclusive), limited to Limit.
QRect PixelRect(QPointF a, QPointF b, const QRect& limit) {
  const int l = std::max(ClampToInt(std::min(a.x(), b.x())), limit.left());
  const int t = std::max(ClampToInt(std::min(a.y(), b.y())), limit.top());
  const int r = std::min(ClampToInt(std::max(a.x(), b.x())), limit.right() + 1);
  const int bt = std::min(ClampToInt(std::max(a.y(), b.y())), limit.bottom() + 1);
  if (r <= l || bt <= t) return QRect();
  return QRect(l, t, r - l, bt - t);
}

// Clips a polygon to a rectangle (Sutherland-Hodgman); the filled area inside is kept exactly,
// so regions never have to be built over coordinates far outside the picture.
QPolygonF ClipPolygon(const QPolygonF& poly, const QRectF& r) {
  QPolygonF out = poly;
  for (int edge = 0; edge < 4 && !out.isEmpty(); ++edge) {
    auto inside = [&](QPointF p) {
      switch (edge) {
        case 0:
          return p.x() >= r.left();
        case 1:
          return p.x() <= r.right();
        case 2:
          return p.y() >= r.top();
        default:
          return p.y() <= r.bottom();
      }
    };
    auto cross = [&](QPointF a, QPointF b) {
      const double t = edge == 0   ? (r.left() - a.x()) / (b.x() - a.x())
                       : edge == 1 ? (r.right() - a.x()) / (b.x() - a.x())
                       : edge == 2 ? (r.top() - a.y()) / (b.y() - a.y())
                                   : (r.bottom() - a.y()) / (b.y() - a.y());
      return a + (b - a) * t;
    };
    QPolygonF in;
    in.swap(out);
    for (qsizetype i = 0; i < in.size(); ++i) {
      const QPointF cur = in[i], prev = in[(i + in.size() - 1) % in.size()];
      if (inside(cur)) {
        if (!inside(prev)) out << cross(prev, cur);
        out << cur;
      } else if (inside(prev)) {
        out << cross(prev, cur);
      }
    }
  }
  return out;
}

// Unites many rectangles without the quadratic cost of adding them one by one.
QRegion UniteAll(std::vector<QRegion> parts) {
  if (parts.empty()) return QRegion();
  while (parts.size() > 1) {
    std::vector<QRegion> next;
    next.reserve((parts.size() + 1) / 2);
    for (size_t i = 0; i + 1 < parts.size(); i += 2) next.push_back(parts[i].united(parts[i + 1]));
    if (parts.size() % 2) next.push_back(parts.back());
    parts.swap(next);
  }
  return parts.front();
}

// The platform's twenty static palette colours.
const QRgb kDefaultPalette[20] = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),     qRgb(0, 128, 0),     qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128),   qRgb(0, 128, 128),   qRgb(192, 192, 192),
    qRgb(192, 220, 192), qRgb(166, 202, 240), qRgb(255, 251, 240), qRgb(160, 160, 164),
    qRgb(128, 128, 128), qRgb(255, 0, 0),     qRgb(0, 255, 0),     qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255),   qRgb(0, 255, 255),   qRgb(255, 255, 255)};

std::shared_ptr<const TGdiPen> StockPen(uint32_t index) {
  TGdiPen p;
  if (index == WHITE_PEN) p.Color = 0xFFFFFF;
  if (index == NULL_PEN) p.Style = PS_NULL;
  return std::make_shared<const TGdiPen>(p);
}

std::shared_ptr<const TGdiBrush> StockBrush(uint32_t index) {
  TGdiBrush b;
  switch (index) {
    case WHITE_BRUSH:
    case DC_BRUSH:
      b.Color = 0xFFFFFF;
      break;
    case LTGRAY_BRUSH:
      b.Color = 0xC0C0C0;
      break;
    case GRAY_BRUSH:
      b.Color = 0x808080;
      break;
    case DKGRAY_BRUSH:
      b.Color = 0x404040;
      break;
    case BLACK_BRUSH:
      b.Color = 0x000000;
      break;
    default:
      b.Style = BS_NULL;
      break;
  }
  return std::make_shared<const TGdiBrush>(b);
}

std::shared_ptr<const TGdiFont> StockFont(uint32_t index) {
  TGdiFont f;
  f.Height = 16;
  f.Weight = index == SYSTEM_FONT ? 700 : 400;
  const bool fixed =
      index == OEM_FIXED_FONT || index == ANSI_FIXED_FONT || index == SYSTEM_FIXED_FONT;
  f.FaceName = fixed ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans");
  if (index == DEFAULT_GUI_FONT) f.Height = -11;
  return std::make_shared<const TGdiFont>(f);
}

// Cosmetic dash patterns of the platform, in pixels.
QList<qreal> CosmeticDashes(uint32_t style) {
  switch (style) {
    case PS_DASH:
      return {18, 6};
    case PS_DOT:
      return {3, 3};
    case PS_DASHDOT:
      return {9, 6, 3, 6};
    case PS_DASHDOTDOT:
      return {9, 3, 3, 3, 3, 3};
    case PS_ALTERNATE:
      return {1, 1};
    default:
      return {};
  }
}

// Composition mode and colour change for a binary raster operation (ROP2).
QPainter::CompositionMode Rop2Mode(int rop2, QColor& c) {
  switch (rop2) {
    case R2_BLACK:
      c = Qt::black;
      return QPainter::CompositionMode_SourceOver;
    case R2_WHITE:
      c = Qt::white;
      return QPainter::CompositionMode_SourceOver;
    case R2_NOTCOPYPEN:
      c = QColor(255 - c.red(), 255 - c.green(), 255 - c.blue());
      return QPainter::CompositionMode_SourceOver;
    case R2_NOT:
      return QPainter::RasterOp_NotDestination;
    case R2_XORPEN:
      return QPainter::RasterOp_SourceXorDestination;
    case R2_NOTXORPEN:
      return QPainter::RasterOp_NotSourceXorDestination;
    case R2_MASKPEN:
      return QPainter::RasterOp_SourceAndDestination;
    case R2_MERGEPEN:
      return QPainter::RasterOp_SourceOrDestination;
    case R2_MASKPENNOT:
      return QPainter::RasterOp_SourceAndNotDestination;
    case R2_MERGEPENNOT:
      return QPainter::RasterOp_SourceOrNotDestination;
    case R2_MASKNOTPEN:
      return QPainter::RasterOp_NotSourceAndDestination;
    case R2_MERGENOTPEN:
      return QPainter::RasterOp_NotSourceOrDestination;
    case R2_NOTMERGEPEN:
      return QPainter::RasterOp_NotSourceAndNotDestination;
    case R2_NOTMASKPEN:
      return QPainter::RasterOp_NotSourceOrNotDestination;
    default:
      return QPainter::CompositionMode_SourceOver;
  }
}

// A ternary raster operation on 24-bit colours: bit (P,S,D) of Code gives the result.
inline uint32_t Rop3(uint8_t code, uint32_t p, uint32_t s, uint32_t d) {
  switch (code) {
    case 0xCC:
      return s;
    case 0x88:
      return s & d;
    case 0xEE:
      return s | d;
    case 0x66:
      return s ^ d;
    case 0xF0:
      return p;
    case 0x5A:
      return p ^ d;
    case 0xAA:
      return d;
    case 0x55:
      return ~d;
    case 0x00:
      return 0;
    case 0xFF:
      return 0xFFFFFFFFu;
    default:
      break;
  }
  uint32_t r = 0;
  for (int i = 0; i < 8; ++i) {
    if (!((code >> i) & 1)) continue;
    r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return r;
}

bool RopUsesSource(uint8_t code) {
  return ((code >> 2) & 0x33) != (code & 0x33);
}
bool RopUsesPattern(uint8_t code) {
  return ((code >> 4) & 0x0F) != (code & 0x0F);
}

// Parametric ellipse angle (degrees, counter-clockwise on screen) of the ray towards P.
double RayAngle(const QRectF& box, QPointF p) {
  const double rx = box.width() / 2, ry = box.height() / 2;
  const QPointF c = box.center();
  if (rx <= 0 || ry <= 0) return 0;
  return std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx) * 180 / kPi;
}

double Sweep(double a1, double a2, bool clockwise) {
  double s = a2 - a1;
  if (!clockwise) {
    while (s <= 0) s += 360;
    while (s > 360) s -= 360;
  } else {
    while (s >= 0) s -= 360;
    while (s < -360) s += 360;
  }
  return s;
}

}  // namespace

// --- object table ----------------------------------------------------------------------------

void TGdiObjectTable::Put(uint32_t Index, TGdiObject Object) {
  if (objects_.size() >= kMaxObjects && !objects_.count(Index)) return;
  objects_[Index] = std::make_shared<TGdiObject>(std::move(Object));
}

bool TGdiObjectTable::Add(TGdiObject Object) {
  uint32_t index;
  if (!free_.empty()) {
    index = *free_.begin();
    free_.erase(free_.begin());
  } else {
    if (next_ >= kMaxObjects) return false;
    index = next_++;
  }
  objects_[index] = std::make_shared<TGdiObject>(std::move(Object));
  return true;
}

void TGdiObjectTable::AddPlaceholder() {
  Add(TGdiRegion{});
}

void TGdiObjectTable::Delete(uint32_t Index) {
  if (objects_.erase(Index) && Index < next_) free_.insert(Index);
}

std::shared_ptr<TGdiObject> TGdiObjectTable::Get(uint32_t Index) const {
  const auto it = objects_.find(Index);
  return it == objects_.end() ? nullptr : it->second;
}

// --- the device context ----------------------------------------------------------------------

TMetafileDC::TMetafileDC(QPainter* Painter, bool Measure) : painter_(Painter), measure_(Measure) {
  state_.Pen = StockPen(BLACK_PEN);
  state_.Brush = StockBrush(WHITE_BRUSH);
  state_.Font = StockFont(SYSTEM_FONT);
  if (painter_) {
    painter_->save();
    if (painter_->hasClipping()) baseClip_ = painter_->clipRegion();
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter_->resetTransform();
  }
}

TMetafileDC::~TMetafileDC() {
  if (painter_) painter_->restore();
}

void TMetafileDC::SetDeviceMapping(const QTransform& DeviceToDest, double PixelsPerMmX,
                                   double PixelsPerMmY) {
  deviceToDest_ = Finite(DeviceToDest) ? DeviceToDest : QTransform();
  if (std::isfinite(PixelsPerMmX) && PixelsPerMmX > 0) pxPerMmX_ = PixelsPerMmX;
  if (std::isfinite(PixelsPerMmY) && PixelsPerMmY > 0) pxPerMmY_ = PixelsPerMmY;
}

void TMetafileDC::SelectObject(uint32_t Index) {
  if (Index & kStockObjectFlag) {
    const uint32_t stock = Index & ~kStockObjectFlag;
    if (stock <= NULL_BRUSH || stock == DC_BRUSH)
      state_.Brush = StockBrush(stock);
    else if (stock <= NULL_PEN || stock == DC_PEN)
      state_.Pen = StockPen(stock == DC_PEN ? BLACK_PEN : stock);
    else if (stock == DEFAULT_PALETTE)
      state_.Palette = nullptr;
    else if (stock >= OEM_FIXED_FONT && stock <= DEFAULT_GUI_FONT)
      state_.Font = StockFont(stock);
    return;
  }
  const std::shared_ptr<TGdiObject> object = objects_.Get(Index);
  if (!object) return;
  if (auto* pen = std::get_if<TGdiPen>(object.get())) {
    state_.Pen = std::make_shared<const TGdiPen>(*pen);
  } else if (auto* brush = std::get_if<TGdiBrush>(object.get())) {
    state_.Brush = std::make_shared<const TGdiBrush>(*brush);
  } else if (auto* font = std::get_if<TGdiFont>(object.get())) {
    state_.Font = std::make_shared<const TGdiFont>(*font);
  } else if (std::holds_alternative<TGdiPalette>(*object)) {
    state_.Palette = object;
  } else if (auto* region = std::get_if<TGdiRegion>(object.get())) {
    // Selecting a region makes it the clip region.
    if (Drawing()) SelectClip(LogicalRegion(region->Rects), RGN_COPY);
  }
}

void TMetafileDC::SelectPalette(uint32_t Index) {
  if (Index == (kStockObjectFlag | DEFAULT_PALETTE)) {
    state_.Palette = nullptr;
    return;
  }
  const std::shared_ptr<TGdiObject> object = objects_.Get(Index);
  if (object && std::holds_alternative<TGdiPalette>(*object)) state_.Palette = object;
}

void TMetafileDC::SaveDC() {
  if (saved_.size() < kMaxSavedStates) saved_.push_back(state_);
}

void TMetafileDC::RestoreDC(int Relative) {
  const int64_t n = Relative;
  const int64_t count = static_cast<int64_t>(saved_.size());
  int64_t k;
  if (n < 0) {
    if (-n > count) return;
    k = count + n;
  } else if (n > 0) {
    if (n > count) return;
    k = n - 1;
  } else {
    return;
  }
  state_ = saved_[static_cast<size_t>(k)];
  saved_.resize(static_cast<size_t>(k));
  ApplyClip();
}

void TMetafileDC::SetMapMode(int Mode) {
  if (Mode < MM_TEXT || Mode > MM_ANISOTROPIC) return;
  state_.MapMode = Mode;
}

void TMetafileDC::SetWindowExt(QPointF E) {
  if (E.x() != 0 && E.y() != 0) state_.WindowExt = E;
}

void TMetafileDC::SetViewportExt(QPointF E) {
  if (E.x() != 0 && E.y() != 0) state_.ViewportExt = E;
}

void TMetafileDC::ScaleWindowExt(double XNum, double XDenom, double YNum, double YDenom) {
  if (XDenom == 0 || YDenom == 0) return;
  SetWindowExt(QPointF(state_.WindowExt.x() * XNum / XDenom, state_.WindowExt.y() * YNum / YDenom));
}

void TMetafileDC::ScaleViewportExt(double XNum, double XDenom, double YNum, double YDenom) {
  if (XDenom == 0 || YDenom == 0) return;
  SetViewportExt(
      QPointF(state_.ViewportExt.x() * XNum / XDenom, state_.ViewportExt.y() * YNum / YDenom));
}

void TMetafileDC::SetWorldTransform(const QTransform& T) {
  if (Finite(T)) state_.World = T;
}

void TMetafileDC::ModifyWorldTransform(const QTransform& T, int Mode) {
  switch (Mode) {
    case MWT_IDENTITY:
      state_.World = QTransform();
      break;
    case MWT_LEFTMULTIPLY:
      if (Finite(T)) state_.World = T * state_.World;
      break;
    case MWT_RIGHTMULTIPLY:
      if (Finite(T)) state_.World = state_.World * T;
      break;
    case MWT_SET:
      SetWorldTransform(T);
      break;
    default:
      break;
  }
}

QRgb TMetafileDC::PaletteColor(uint16_t Index) const {
  if (state_.Palette) {
    const auto& entries = std::get<TGdiPalette>(*state_.Palette).Entries;
    if (Index < entries.size()) return entries[Index];
    return entries.empty() ? qRgb(0, 0, 0) : entries.back();
  }
  return Index < 20 ? kDefaultPalette[Index] : qRgb(0, 0, 0);
}

QRgb TMetafileDC::ResolveColor(uint32_t ColorRef) const {
  if ((ColorRef >> 24) == 1) return PaletteColor(static_cast<uint16_t>(ColorRef));
  return qRgb(ColorRef & 0xFF, (ColorRef >> 8) & 0xFF, (ColorRef >> 16) & 0xFF);
}

void TMetafileDC::CountBitmap(const TMetafileRecord& Rec, const TDib& Dib) {
  if (!Dib.Supported) return;  // never decoded
  bitmapPixels_ += int64_t(Dib.Width) * Dib.Height;
  if (bitmapPixels_ > kMaxMetafileBitmapPixels)
    Rec.Fail(Format("the bitmaps of the metafile hold more than %lld pixels in all",
                    static_cast<long long>(kMaxMetafileBitmapPixels)));
}

TPaletteLookup TMetafileDC::PaletteLookup() const {
  return [this](uint16_t index) { return PaletteColor(index); };
}

// --- mapping ---------------------------------------------------------------------------------

QTransform TMetafileDC::PageTransform() const {
  const TDcState& s = state_;
  double sx = 1, sy = 1;
  switch (s.MapMode) {
    case MM_LOMETRIC:
      sx = 0.1 * pxPerMmX_;
      sy = -0.1 * pxPerMmY_;
      break;
    case MM_HIMETRIC:
      sx = 0.01 * pxPerMmX_;
      sy = -0.01 * pxPerMmY_;
      break;
    case MM_LOENGLISH:
      sx = 0.254 * pxPerMmX_;
      sy = -0.254 * pxPerMmY_;
      break;
    case MM_HIENGLISH:
      sx = 0.0254 * pxPerMmX_;
      sy = -0.0254 * pxPerMmY_;
      break;
    case MM_TWIPS:
      sx = 25.4 / 1440 * pxPerMmX_;
      sy = -25.4 / 1440 * pxPerMmY_;
      break;
    case MM_ISOTROPIC:
    case MM_ANISOTROPIC:
      sx = s.ViewportExt.x() / s.WindowExt.x();
      sy = s.ViewportExt.y() / s.WindowExt.y();
      if (s.MapMode == MM_ISOTROPIC) {
        const double m = std::min(std::abs(sx), std::abs(sy));
        sx = std::copysign(m, sx);
        sy = std::copysign(m, sy);
      }
      break;
    default:
      break;
  }
  return QTransform(sx, 0, 0, sy, s.ViewportOrg.x() - s.WindowOrg.x() * sx,
                    s.ViewportOrg.y() - s.WindowOrg.y() * sy);
}

QTransform TMetafileDC::LogicalToDevice() const {
  return state_.World * PageTransform();
}

QTransform TMetafileDC::LogicalToDest() const {
  return LogicalToDevice() * deviceToDest_;
}

double TMetafileDC::PenScale() const {
  const QTransform t = LogicalToDest();
  return std::sqrt(std::abs(t.m11() * t.m22() - t.m12() * t.m21()));
}

// --- clipping --------------------------------------------------------------------------------

QRegion TMetafileDC::LogicalRegion(const std::vector<QRectF>& Rects) const {
  const QTransform t = LogicalToDest();
  if (!Finite(t) || !painter_) return QRegion();
  const QRect limit = LimitRect();
  std::vector<QRegion> parts;
  parts.reserve(Rects.size());
  for (const QRectF& r : Rects) {
    if (AxisAligned(t)) {
      const QRect pr = PixelRect(t.map(r.topLeft()), t.map(r.bottomRight()), limit);
      if (!pr.isEmpty()) parts.emplace_back(pr);
    } else {
      const QPolygonF poly = ClipPolygon(t.map(QPolygonF(r)), QRectF(limit));
      if (!poly.isEmpty()) parts.emplace_back(poly.toPolygon());
    }
  }
  return UniteAll(std::move(parts));
}

QRegion TMetafileDC::DeviceRegion(const std::vector<QRectF>& Rects) const {
  if (!painter_) return QRegion();
  const QRect limit = LimitRect();
  const QTransform& t = deviceToDest_;
  std::vector<QRegion> parts;
  parts.reserve(Rects.size());
  for (const QRectF& r : Rects) {
    const QRect pr = PixelRect(t.map(r.topLeft()), t.map(r.bottomRight()), limit);
    if (!pr.isEmpty()) parts.emplace_back(pr);
  }
  return UniteAll(std::move(parts));
}

void TMetafileDC::IntersectClipRect(QPointF TopLeft, QPointF BottomRight) {
  if (!painter_) return;
  SelectClip(LogicalRegion({QRectF(TopLeft, BottomRight)}), RGN_AND);
}

void TMetafileDC::ExcludeClipRect(QPointF TopLeft, QPointF BottomRight) {
  if (!painter_) return;
  SelectClip(LogicalRegion({QRectF(TopLeft, BottomRight)}), RGN_DIFF);
}

void TMetafileDC::OffsetClip(QPointF LogicalOffset) {
  if (!painter_ || !state_.Clip) return;
  const QTransform t = LogicalToDest();
  const QPointF d = t.map(LogicalOffset) - t.map(QPointF(0, 0));
  if (!std::isfinite(d.x()) || !std::isfinite(d.y())) return;
  state_.Clip->translate(ClampToInt(std::clamp(d.x(), -1e6, 1e6)),
                         ClampToInt(std::clamp(d.y(), -1e6, 1e6)));
  ApplyClip();
}

void TMetafileDC::SelectClip(const std::optional<QRegion>& Region, int Mode) {
  if (!painter_) return;
  std::optional<QRegion>& clip = state_.Clip;
  if (Mode == RGN_COPY) {
    clip = Region;
  } else if (Region) {
    const QRegion current = clip ? *clip : QRegion(LimitRect());
    switch (Mode) {
      case RGN_AND:
        clip = current.intersected(*Region);
        break;
      case RGN_OR:
        if (clip) clip = clip->united(*Region);
        break;
      case RGN_XOR:
        clip = current.xored(*Region);
        break;
      case RGN_DIFF:
        clip = current.subtracted(*Region);
        break;
      default:
        return;
    }
  }
  ApplyClip();
}

QRect TMetafileDC::LimitRect() const {
  const QPaintDevice* device = painter_ ? painter_->device() : nullptr;
  if (!device) return kEverything;
  return QRect(-16, -16, device->width() + 32, device->height() + 32);
}

void TMetafileDC::ApplyClip() {
  if (!painter_) return;
  // The raster engine keeps clip spans in 16 bits: the region must stay near the picture.
  std::optional<QRegion> effective = state_.Clip;
  if (effective) *effective &= LimitRect();
  if (baseClip_) effective = effective ? effective->intersected(*baseClip_) : *baseClip_;
  // Turning clipping off and later setting a region again loses the region in the raster
  // engine (seen with Qt 6.4 in transparent background mode), so an unclipped picture is
  // clipped to the device instead.
  painter_->setClipRegion(effective ? *effective : QRegion(LimitRect()));
}

// --- drawing helpers -------------------------------------------------------------------------

void TMetafileDC::AddMeasured(const QRectF& R) {
  if (!Finite(R)) return;
  measured_ = measured_.isNull() ? R : measured_.united(R);
}

QPainterPath TMetafileDC::MapPath(const QPainterPath& Logical) const {
  return LogicalToDest().map(Logical);
}

bool TMetafileDC::PreparePen(QPen& Out) const {
  const TGdiPen& pen = *state_.Pen;
  const uint32_t style = pen.Style & PS_STYLE_MASK;
  if (style == PS_NULL) return false;
  QColor color = QColor::fromRgb(ResolveColor(pen.Color));
  Rop2Mode(state_.Rop2, color);
  // The platform rounds the pen to whole device pixels; one pixel or less is a thin pen.
  const double width = std::min(pen.Width * PenScale(), kMaxPenWidth);
  const bool geometric = pen.Extended ? (pen.Style & PS_GEOMETRIC) != 0 : true;
  if (pen.Width <= 0 || width < 1.5 || !geometric) {
    // One pixel wide: the platform's pixel dash patterns.
    Out = QPen(color, 0);
    if (style == PS_USERSTYLE && !pen.Dashes.empty()) {
      QList<qreal> dashes;
      for (double d : pen.Dashes) dashes << std::clamp(d * PenScale(), 1.0, 1e4);
      if (dashes.size() % 2) dashes << dashes.back();
      Out.setDashPattern(dashes);
    } else if (const QList<qreal> dashes = CosmeticDashes(style); !dashes.isEmpty()) {
      Out.setDashPattern(dashes);
    }
    Out.setCapStyle(Qt::FlatCap);
    return true;
  }
  Out = QPen(color, width);
  Qt::PenCapStyle cap = Qt::RoundCap;
  Qt::PenJoinStyle join = Qt::RoundJoin;
  if (pen.Extended) {
    switch (pen.Style & PS_ENDCAP_MASK) {
      case PS_ENDCAP_SQUARE:
        cap = Qt::SquareCap;
        break;
      case PS_ENDCAP_FLAT:
        cap = Qt::FlatCap;
        break;
      default:
        break;
    }
    switch (pen.Style & PS_JOIN_MASK) {
      case PS_JOIN_BEVEL:
        join = Qt::BevelJoin;
        break;
      case PS_JOIN_MITER:
        join = Qt::MiterJoin;
        break;
      default:
        break;
    }
    switch (style) {
      case PS_DASH:
        Out.setStyle(Qt::DashLine);
        break;
      case PS_DOT:
        Out.setStyle(Qt::DotLine);
        break;
      case PS_DASHDOT:
        Out.setStyle(Qt::DashDotLine);
        break;
      case PS_DASHDOTDOT:
        Out.setStyle(Qt::DashDotDotLine);
        break;
      case PS_USERSTYLE:
        if (!pen.Dashes.empty() && pen.Width > 0) {
          QList<qreal> dashes;
          for (double d : pen.Dashes) dashes << std::clamp(d / pen.Width, 0.01, 1e4);
          if (dashes.size() % 2) dashes << dashes.back();
          Out.setDashPattern(dashes);
        }
        break;
      default:
        break;
    }
  }
  Out.setCapStyle(cap);
  Out.setJoinStyle(join);
  return true;
}

bool TMetafileDC::PrepareBrush(const TGdiBrush* Brush, QBrush& Out) const {
  if (!Brush) return false;
  QColor color = QColor::fromRgb(ResolveColor(Brush->Color));
  Rop2Mode(state_.Rop2, color);
  switch (Brush->Style) {
    case BS_SOLID:
      Out = QBrush(color);
      return true;
    case BS_HATCHED: {
      Qt::BrushStyle s = Qt::HorPattern;
      switch (Brush->Hatch) {
        case HS_VERTICAL:
          s = Qt::VerPattern;
          break;
        case HS_FDIAGONAL:
          s = Qt::FDiagPattern;
          break;
        case HS_BDIAGONAL:
          s = Qt::BDiagPattern;
          break;
        case HS_CROSS:
          s = Qt::CrossPattern;
          break;
        case HS_DIAGCROSS:
          s = Qt::DiagCrossPattern;
          break;
        default:
          break;
      }
      Out = QBrush(color, s);
      return true;
    }
    case BS_PATTERN:
    case BS_DIBPATTERN:
    case BS_DIBPATTERNPT: {
      if (Brush->Pattern.isNull()) {
        Out = QBrush(color);
        return true;
      }
      if (Brush->Mono) {
        QImage pattern = Brush->Pattern.copy();
        pattern.setColorTable({ResolveColor(state_.TextColor), ResolveColor(state_.BkColor)});
        Out = QBrush(pattern);
      } else {
        Out = QBrush(Brush->Pattern);
      }
      return true;
    }
    default:
      return false;
  }
}

QImage* TMetafileDC::DeviceImage() const {
  if (!painter_) return nullptr;
  QPaintDevice* device = painter_->device();
  if (!device || device->devType() != QInternal::Image) return nullptr;
  auto* image = static_cast<QImage*>(device);
  if (image->depth() != 32 || image->isNull()) return nullptr;
  return image;
}

// Fills and strokes a destination-space path with the current brush and pen.
void TMetafileDC::Emit(const QPainterPath& DestPath, bool Fill, bool Stroke) {
  if (pathOpen_) {
    path_.addPath(DestPath);
    pathHasCp_ = true;
    return;
  }
  const QRectF bounds = DestPath.controlPointRect();
  if (!Finite(bounds)) return;
  if (!painter_) {
    if (measure_) {
      // Pixels are covered to the right of and below their coordinates.
      const double w = Stroke ? std::min(state_.Pen->Width * PenScale(), kMaxPenWidth) : 0;
      const double half = std::max(1.0, w) / 2;
      AddMeasured(bounds.adjusted(0.5 - half, 0.5 - half, half + 0.5, half + 0.5));
    }
    return;
  }
  if (state_.Rop2 == R2_NOP) return;
  QPainterPath path = DestPath;
  path.setFillRule(state_.PolyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
  painter_->setBackgroundMode(state_.BkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
  painter_->setBackground(QColor::fromRgb(ResolveColor(state_.BkColor)));
  QColor dummy;
  painter_->setCompositionMode(Rop2Mode(state_.Rop2, dummy));
  painter_->setBrushOrigin(state_.BrushOrg);
  if (Fill) {
    QBrush brush;
    if (PrepareBrush(state_.Brush.get(), brush)) painter_->fillPath(path, brush);
  }
  if (Stroke) {
    QPen pen;
    if (PreparePen(pen)) painter_->strokePath(path, pen);
  }
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// Rectangles, ellipses and arcs. The platform's box excludes its right and bottom edge, so the
// outline runs on the last pixel inside it.
QPainterPath TMetafileDC::BoxPath(QPointF TopLeft, QPointF BottomRight, int Kind, QPointF Extra1,
                                  QPointF Extra2) const {
  const QTransform t = LogicalToDest();
  QPainterPath path;
  if (!Finite(t)) return path;
  const bool aligned = AxisAligned(t);
  QRectF box;
  QPointF e1 = Extra1, e2 = Extra2;
  if (aligned) {
    const QPointF a = t.map(TopLeft), b = t.map(BottomRight);
    box = QRectF(QPointF(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPointF(std::max(a.x(), b.x()) - 1, std::max(a.y(), b.y()) - 1));
    if (box.width() < 0) box.setWidth(0);
    if (box.height() < 0) box.setHeight(0);
    if (Kind <= akArcTo) {
      e1 = t.map(Extra1);
      e2 = t.map(Extra2);
    }
  } else {
    box = QRectF(TopLeft, BottomRight).normalized();
  }
  const TGdiPen& pen = *state_.Pen;
  if ((pen.Style & PS_STYLE_MASK) == PS_INSIDEFRAME && pen.Width > 0) {
    const double w = aligned ? pen.Width * PenScale() : pen.Width;
    if (w > 1 && box.width() > w && box.height() > w)
      box.adjust(w / 2 - 0.5, w / 2 - 0.5, -(w / 2 - 0.5), -(w / 2 - 0.5));
  }
  if (Kind == bxRectangle) {
    path.addRect(box);
  } else if (Kind == bxEllipse) {
    path.addEllipse(box);
  } else if (Kind == bxRoundRect) {
    double cw = std::abs(Extra1.x()), ch = std::abs(Extra1.y());
    if (aligned) {
      cw *= std::abs(t.m11());
      ch *= std::abs(t.m22());
    }
    path.addRoundedRect(box, std::min(cw, box.width()) / 2, std::min(ch, box.height()) / 2);
  } else {
    // Arc direction is taken on screen; a mirroring map turns it round.
    bool clockwise = state_.ArcDirection == AD_CLOCKWISE;
    if (!aligned && t.determinant() < 0) clockwise = !clockwise;
    const double a1 = RayAngle(box, e1), a2 = RayAngle(box, e2);
    const double sweep = Sweep(a1, a2, clockwise);
    if (Kind == akPie) {
      path.moveTo(box.center());
      path.arcTo(box, a1, sweep);
      path.closeSubpath();
    } else {
      path.arcMoveTo(box, a1);
      path.arcTo(box, a1, sweep);
      if (Kind == akChord) path.closeSubpath();
    }
  }
  return aligned ? path : t.map(path);
}

// --- figures ---------------------------------------------------------------------------------

void TMetafileDC::MoveTo(QPointF P) {
  state_.CurrentPos = P;
  if (pathOpen_) {
    path_.moveTo(ToDest(P));
    pathHasCp_ = true;
  }
}

void TMetafileDC::LineTo(QPointF P) {
  PolylineTo(QPolygonF{P});
}

void TMetafileDC::Polyline(const QPolygonF& Points) {
  if (Points.size() < 2) return;
  if (!Drawing() && !measure_ && !pathOpen_) return;
  QPainterPath p;
  p.addPolygon(Points);
  Emit(MapPath(p), false, true);
}

void TMetafileDC::PolylineTo(const QPolygonF& Points) {
  if (Points.isEmpty()) return;
  const QPointF start = state_.CurrentPos;
  state_.CurrentPos = Points.back();
  if (!Drawing() && !measure_ && !pathOpen_) return;
  const QTransform t = LogicalToDest();
  if (pathOpen_) {
    if (!pathHasCp_) path_.moveTo(t.map(start));
    for (const QPointF& p : Points) path_.lineTo(t.map(p));
    pathHasCp_ = true;
    return;
  }
  QPainterPath p;
  p.moveTo(t.map(start));
  for (const QPointF& q : Points) p.lineTo(t.map(q));
  Emit(p, false, true);
}

void TMetafileDC::Polygon(const QPolygonF& Points) {
  if (Points.size() < 2) return;
  if (!Drawing() && !measure_ && !pathOpen_) return;
  QPainterPath p;
  p.addPolygon(Points);
  p.closeSubpath();
  Emit(MapPath(p), true, true);
}

void TMetafileDC::PolyPolygon(const std::vector<QPolygonF>& Polygons) {
  if (!Drawing() && !measure_ && !pathOpen_) return;
  QPainterPath p;
  for (const QPolygonF& poly : Polygons) {
    if (poly.size() < 2) continue;
    p.addPolygon(poly);
    p.closeSubpath();
  }
  Emit(MapPath(p), true, true);
}

void TMetafileDC::PolyPolyline(const std::vector<QPolygonF>& Lines) {
  if (!Drawing() && !measure_ && !pathOpen_) return;
  QPainterPath p;
  for (const QPolygonF& line : Lines)
    if (line.size() >= 2) p.addPolygon(line);
  Emit(MapPath(p), false, true);
}

void TMetafileDC::PolyBezier(const QPolygonF& Points) {
  if (Points.size() < 4) return;
  if (!Drawing() && !measure_ && !pathOpen_) return;
  QPainterPath p;
  p.moveTo(Points[0]);
  for (qsizetype i = 1; i + 2 < Points.size(); i += 3)
    p.cubicTo(Points[i], Points[i + 1], Points[i + 2]);
  Emit(MapPath(p), false, true);
}

void TMetafileDC::PolyBezierTo(const QPolygonF& Points) {
  if (Points.size() < 3) return;
  const QPointF start = state_.CurrentPos;
  const qsizetype used = Points.size() - Points.size() % 3;
  state_.CurrentPos = Points[used - 1];
  if (!Drawing() && !measure_ && !pathOpen_) return;
  const QTransform t = LogicalToDest();
  QPainterPath local;
  QPainterPath& p = pathOpen_ ? path_ : local;
  if (!pathOpen_ || !pathHasCp_) p.moveTo(t.map(start));
  for (qsizetype i = 0; i + 2 < used; i += 3)
    p.cubicTo(t.map(Points[i]), t.map(Points[i + 1]), t.map(Points[i + 2]));
  if (pathOpen_) {
    pathHasCp_ = true;
    return;
  }
  Emit(local, false, true);
}

void TMetafileDC::PolyDraw(const QPolygonF& Points, const std::vector<uint8_t>& Types) {
  const qsizetype n = std::min<qsizetype>(Points.size(), static_cast<qsizetype>(Types.size()));
  if (n == 0) return;
  const QTransform t = LogicalToDest();
  QPainterPath local;
  QPainterPath& p = pathOpen_ ? path_ : local;
  if (!pathOpen_ || !pathHasCp_) p.moveTo(t.map(state_.CurrentPos));
  QPointF figureStart = state_.CurrentPos;
  for (qsizetype i = 0; i < n; ++i) {
    const uint8_t type = Types[static_cast<size_t>(i)] & ~1;
    const bool close = Types[static_cast<size_t>(i)] & 1;
    if (type == 6) {
      p.moveTo(t.map(Points[i]));
      figureStart = Points[i];
      state_.CurrentPos = Points[i];
    } else if (type == 2) {
      p.lineTo(t.map(Points[i]));
      state_.CurrentPos = Points[i];
    } else if (type == 4 && i + 2 < n) {
      p.cubicTo(t.map(Points[i]), t.map(Points[i + 1]), t.map(Points[i + 2]));
      i += 2;
      state_.CurrentPos = Points[i];
    } else {
      continue;
    }
    if (close) {
      p.closeSubpath();
      state_.CurrentPos = figureStart;
    }
  }
  if (pathOpen_) {
    pathHasCp_ = true;
    return;
  }
  if (Drawing() || measure_) Emit(local, false, true);
}

void TMetafileDC::Rectangle(QPointF TopLeft, QPointF BottomRight) {
  if (!Drawing() && !measure_ && !pathOpen_) return;
  Emit(BoxPath(TopLeft, BottomRight, bxRectangle), true, true);
}

void TMetafileDC::RoundRect(QPointF TopLeft, QPointF BottomRight, QPointF Corner) {
  if (!Drawing() && !measure_ && !pathOpen_) return;
  Emit(BoxPath(TopLeft, BottomRight, bxRoundRect, Corner), true, true);
}

void TMetafileDC::Ellipse(QPointF TopLeft, QPointF BottomRight) {
  if (!Drawing() && !measure_ && !pathOpen_) return;
  Emit(BoxPath(TopLeft, BottomRight, bxEllipse), true, true);
}

void TMetafileDC::Arc(TArcKind Kind, QPointF TopLeft, QPointF BottomRight, QPointF Start,
                      QPointF End) {
  if (Kind == akArcTo) {
    // A line from the current position to the arc's start, the arc, and the current position
    // moves to its end.
    QPainterPath arc = BoxPath(TopLeft, BottomRight, akArc, Start, End);
    if (arc.elementCount() == 0) return;
    const QTransform t = LogicalToDest();
    bool invertible = false;
    const QTransform back = t.inverted(&invertible);
    const QPointF from = t.map(state_.CurrentPos);
    if (invertible) state_.CurrentPos = back.map(arc.currentPosition());
    if (!Drawing() && !measure_ && !pathOpen_) return;
    QPainterPath local;
    QPainterPath& p = pathOpen_ ? path_ : local;
    if (!pathOpen_ || !pathHasCp_) p.moveTo(from);
    p.lineTo(arc.elementAt(0));
    p.connectPath(arc);
    if (pathOpen_) {
      pathHasCp_ = true;
      return;
    }
    Emit(local, false, true);
    return;
  }
  if (!Drawing() && !measure_ && !pathOpen_) return;
  Emit(BoxPath(TopLeft, BottomRight, Kind, Start, End), Kind != akArc, true);
}

void TMetafileDC::AngleArc(QPointF Center, double Radius, double StartDeg, double SweepDeg) {
  if (!std::isfinite(StartDeg) || !std::isfinite(SweepDeg)) return;
  SweepDeg = std::clamp(SweepDeg, -3600.0, 3600.0);
  const QRectF box(Center.x() - Radius, Center.y() - Radius, 2 * Radius, 2 * Radius);
  QPainterPath arc;
  arc.arcMoveTo(box, StartDeg);
  arc.arcTo(box, StartDeg, SweepDeg);
  const QPointF from = state_.CurrentPos;
  state_.CurrentPos = arc.currentPosition();
  if (!Drawing() && !measure_ && !pathOpen_) return;
  const QTransform t = LogicalToDest();
  QPainterPath local;
  QPainterPath& p = pathOpen_ ? path_ : local;
  if (!pathOpen_ || !pathHasCp_) p.moveTo(t.map(from));
  const QPainterPath mapped = t.map(arc);
  if (mapped.elementCount() > 0) p.lineTo(mapped.elementAt(0));
  p.connectPath(mapped);
  if (pathOpen_) {
    pathHasCp_ = true;
    return;
  }
  Emit(local, false, true);
}

void TMetafileDC::SetPixel(QPointF P, uint32_t ColorRef) {
  if (!Drawing() && !measure_) return;
  const QPointF d = ToDest(P);
  if (!std::isfinite(d.x()) || !std::isfinite(d.y()) || std::abs(d.x()) > kFarAway ||
      std::abs(d.y()) > kFarAway)
    return;
  const QRectF pixel(std::floor(d.x()), std::floor(d.y()), 1, 1);
  if (!painter_) {
    AddMeasured(pixel);
    return;
  }
  painter_->fillRect(pixel, QColor::fromRgb(ResolveColor(ColorRef)));
}

// --- text ------------------------------------------------------------------------------------

QFont TMetafileDC::MakeFont(double& PixelSize, double& Ratio) const {
  const TGdiFont& lf = *state_.Font;
  std::string face = lf.FaceName.toStdString();
  if (lf.EffectiveCharSet() == 2 || face.empty())
    face = "DejaVu Sans";  // symbol text is mapped to Unicode
  QFont font(QString::fromStdString(ResolveFontFamily(face)));
  switch (lf.PitchAndFamily & 0xF0) {
    case 0x10:
      font.setStyleHint(QFont::Serif);
      break;
    case 0x20:
      font.setStyleHint(QFont::SansSerif);
      break;
    case 0x30:
      font.setStyleHint(QFont::Monospace);
      break;
    case 0x40:
      font.setStyleHint(QFont::Cursive);
      break;
    case 0x50:
      font.setStyleHint(QFont::Decorative);
      break;
    default:
      break;
  }
  if ((lf.PitchAndFamily & 3) == 1) font.setFixedPitch(true);
  font.setWeight(
      static_cast<QFont::Weight>(std::clamp(lf.Weight == 0 ? 400 : lf.Weight, 100, 900)));
  font.setItalic(lf.Italic);
  font.setUnderline(lf.Underline);
  font.setStrikeOut(lf.StrikeOut);
  int strategy = QFont::NoSubpixelAntialias;
  if (lf.Quality == 3) strategy |= QFont::NoAntialias;
  font.setStyleStrategy(static_cast<QFont::StyleStrategy>(strategy));
  // A positive height is the cell height (ascent + descent), a negative one the em height.
  Ratio = 1;
  if (lf.Height > 0) {
    QFont probe = font;
    probe.setPixelSize(100);
    const QFontMetricsF fm(probe);
    if (fm.height() > 0) Ratio = 100 / fm.height();
  }
  const double logical = lf.Height == 0 ? 12 : std::abs(static_cast<double>(lf.Height)) * Ratio;
  PixelSize = logical;
  return font;
}

namespace {

// Calls Visit(Index, Piece) for each character of Text: one UTF-16 unit, or a high surrogate
// and the unit after it as one piece.
template <class F>
void ForEachCharacter(const QString& Text, F&& Visit) {
  const qsizetype n = Text.size();
  for (qsizetype i = 0; i < n;) {
    const qsizetype length = Text[i].isHighSurrogate() && i + 1 < n ? 2 : 1;
    Visit(i, Text.mid(i, length));
    i += length;
  }
}

// Sizes Font for the destination: PixelSize high and, for a logical font of a given width, that
// width through the stretch. False when the text would be too small or too large to draw.
bool ScaleFont(QFont& Font, const TGdiFont& Lf, double PixelSize, double Ratio, double Sx) {
  if (!(PixelSize >= 1) || PixelSize > kMaxFontPixels) return false;
  Font.setPixelSize(std::max(1, static_cast<int>(std::lround(PixelSize))));
  if (Lf.Width != 0) {
    const QFontMetricsF probe(Font);
    const double avg = probe.averageCharWidth();
    const double want = std::abs(static_cast<double>(Lf.Width)) * Ratio * Sx;
    if (avg > 0 && std::isfinite(want))
      Font.setStretch(std::clamp(static_cast<int>(std::lround(want / avg * 100)), 1, 4000));
  }
  return true;
}

// Where each UTF-16 unit of Run's text starts along the baseline, in destination pixels, by the
// run's own advances or else by the font's with Extra after each character; Xs stays empty when
// the font alone places them. Returns the width of the whole text.
double CharacterPositions(const TTextRun& Run, const QFontMetricsF& Fm, double Sx, double Extra,
                          std::vector<double>& Xs) {
  const QString& text = Run.Text;
  const qsizetype n = text.size();
  const bool haveDx = !Run.Dx.empty() && static_cast<qsizetype>(Run.Dx.size()) >= n;
  if (!haveDx && Extra == 0) return Fm.horizontalAdvance(text);
  Xs.reserve(static_cast<size_t>(n) + 1);
  double x = 0;
  if (haveDx) {
    for (qsizetype i = 0; i < n; ++i) {
      Xs.push_back(x);
      x += Run.Dx[static_cast<size_t>(i)] * Sx;
    }
  } else {
    ForEachCharacter(text, [&](qsizetype, const QString& Piece) {
      Xs.push_back(x);
      x += Fm.horizontalAdvance(Piece) + Extra;
      if (Piece.size() == 2) Xs.push_back(x);
    });
  }
  return x;
}

// The left end of the baseline relative to the reference point, by the alignment.
QPointF AlignedOrigin(uint32_t TextAlign, const QFontMetricsF& Fm, double Width) {
  double x0 = 0;
  switch (TextAlign & TA_HORZ_MASK) {
    case TA_CENTER:
      x0 = -Width / 2;
      break;
    case TA_RIGHT:
      x0 = -Width;
      break;
    default:
      break;
  }
  double baseline = 0;
  switch (TextAlign & TA_VERT_MASK) {
    case TA_BASELINE:
      baseline = 0;
      break;
    case TA_BOTTOM:
      baseline = -Fm.descent();
      break;
    default:
      baseline = Fm.ascent();
      break;
  }
  return QPointF(x0, baseline);
}

// The text's frame in destination pixels: at the reference point, turned by the escapement
// (tenths of a degree, counter-clockwise); a rotating map adds its own turn.
QTransform TextFrame(const QTransform& T, QPointF DevRef, int32_t Escapement) {
  double angle = -Escapement / 10.0;
  if (std::abs(T.m12()) > 1e-9 || std::abs(T.m21()) > 1e-9) {
    const double rot = std::atan2(T.m12(), T.m11()) * 180 / kPi;
    angle += T.m11() < 0 && std::abs(T.m12()) < 1e-9 ? 0 : rot;
  }
  QTransform frame;
  frame.translate(DevRef.x(), DevRef.y());
  frame.rotate(angle);
  return frame;
}

}  // namespace

struct TMetafileDC::TTextLayout {
  double Sx = 0;  // the map's scale along the text
  QFont Font;
  std::vector<double> Xs;  // see CharacterPositions
  double Width = 0;
  QPointF Origin;    // the left end of the baseline, in the frame
  QTransform Frame;  // see TextFrame
  QRectF Cell;       // the character cells, in the frame

  QPointF At(qsizetype Unit) const {
    return QPointF(Origin.x() + Xs[static_cast<size_t>(Unit)], Origin.y());
  }
  // The glyphs' outlines, in the frame.
  QPainterPath Glyphs(const QString& Text) const {
    QPainterPath glyphs;
    if (Xs.empty()) {
      glyphs.addText(Origin, Font, Text);
      return glyphs;
    }
    ForEachCharacter(
        Text, [&](qsizetype I, const QString& Piece) { glyphs.addText(At(I), Font, Piece); });
    return glyphs;
  }
  // Draws the text with the painter's font and pen, in the frame.
  void Draw(QPainter& Painter, const QString& Text) const {
    if (Xs.empty()) {
      Painter.drawText(Origin, Text);
      return;
    }
    ForEachCharacter(Text, [&](qsizetype I, const QString& Piece) {
      if (!Piece.at(0).isSpace()) Painter.drawText(At(I), Piece);
    });
  }
};

QPainterPath TMetafileDC::TextRectangle(const TTextRun& Run, const QTransform& T,
                                        const QColor& Background) {
  QPainterPath rectPath;
  if (!Run.HasRect) return rectPath;
  QPainterPath r;
  r.addRect(QRectF(Run.RectTopLeft, Run.RectBottomRight).normalized());
  rectPath = T.map(r);
  if ((Run.Options & ETO_OPAQUE) && Finite(rectPath.controlPointRect())) {
    if (painter_ && !pathOpen_)
      painter_->fillPath(rectPath, Background);
    else if (measure_)
      AddMeasured(rectPath.controlPointRect());
  }
  return rectPath;
}

bool TMetafileDC::LayOutText(const TTextRun& Run, const QTransform& T, QPointF DevRef,
                             TTextLayout& Layout) const {
  Layout.Sx = std::hypot(T.m11(), T.m12());
  const double sy = std::hypot(T.m21(), T.m22());
  double logicalSize = 0, ratio = 1;
  Layout.Font = MakeFont(logicalSize, ratio);
  if (!ScaleFont(Layout.Font, *state_.Font, logicalSize * sy, ratio, Layout.Sx)) return false;
  const QFontMetricsF fm(Layout.Font);
  Layout.Width = CharacterPositions(Run, fm, Layout.Sx, state_.CharExtra * Layout.Sx, Layout.Xs);
  if (!std::isfinite(Layout.Width)) return false;
  Layout.Origin = AlignedOrigin(state_.TextAlign, fm, Layout.Width);
  Layout.Frame = TextFrame(T, DevRef, state_.Font->Escapement);
  Layout.Cell = QRectF(Layout.Origin.x(), Layout.Origin.y() - fm.ascent(), Layout.Width,
                       fm.ascent() + fm.descent());
  return true;
}

void TMetafileDC::MoveCurrentPositionPast(const TTextLayout& Layout, const QTransform& T) {
  // Right-aligned text moves it back, centred text not at all.
  const uint32_t horizontal = state_.TextAlign & TA_HORZ_MASK;
  const double advance = horizontal == TA_RIGHT    ? -Layout.Width
                         : horizontal == TA_CENTER ? 0
                                                   : Layout.Width;
  bool ok = false;
  const QTransform back = T.inverted(&ok);
  if (ok) state_.CurrentPos = back.map(Layout.Frame.map(QPointF(advance, 0)));
}

void TMetafileDC::PaintText(const TTextRun& Run, const TTextLayout& Layout,
                            const QPainterPath& RectPath, const QColor& Background) {
  painter_->save();
  if (Run.HasRect && (Run.Options & ETO_CLIPPED))
    painter_->setClipPath(RectPath, Qt::IntersectClip);
  painter_->setTransform(Layout.Frame);
  painter_->setBackgroundMode(Qt::TransparentMode);
  if (state_.BkMode == OPAQUE) painter_->fillRect(Layout.Cell, Background);
  painter_->setFont(Layout.Font);
  painter_->setPen(QColor::fromRgb(ResolveColor(state_.TextColor)));
  Layout.Draw(*painter_, Run.Text);
  painter_->restore();
}

void TMetafileDC::TextOut(const TTextRun& Run) {
  if (!Drawing() && !measure_ && !pathOpen_) return;
  const QTransform t = LogicalToDest();
  if (!Finite(t)) return;
  const bool useCp = (state_.TextAlign & TA_UPDATECP) != 0;
  const QPointF devRef = t.map(useCp ? state_.CurrentPos : Run.Reference);
  const QColor bk = QColor::fromRgb(ResolveColor(state_.BkColor));
  const QPainterPath rectPath = TextRectangle(Run, t, bk);  // filled whatever the text
  if (Run.Text.isEmpty() || (Run.Options & ETO_GLYPH_INDEX)) return;
  if (!std::isfinite(devRef.x()) || !std::isfinite(devRef.y()) || std::abs(devRef.x()) > kFarAway ||
      std::abs(devRef.y()) > kFarAway)
    return;

  TTextLayout layout;
  if (!LayOutText(Run, t, devRef, layout)) return;
  if (useCp && layout.Sx > 0) MoveCurrentPositionPast(layout, t);
  if (pathOpen_) {
    path_.addPath(layout.Frame.map(layout.Glyphs(Run.Text)));
  } else if (!painter_) {
    AddMeasured(layout.Frame.mapRect(layout.Cell));
  } else {
    PaintText(Run, layout, rectPath, bk);
  }
}

// --- bitmaps ---------------------------------------------------------------------------------

void TMetafileDC::Blit(const TBlit& B) {
  if (!Drawing() && !measure_) return;
  const QPointF u = B.P1 - B.P0, v = B.P2 - B.P0;
  const QRectF sr = B.SrcRect;
  if (sr.width() == 0 || sr.height() == 0) return;
  // Source pixel (x, y) -> destination.
  const QTransform T(u.x() / sr.width(), u.y() / sr.width(), v.x() / sr.height(),
                     v.y() / sr.height(), 0, 0);
  const QTransform full = QTransform::fromTranslate(-sr.left(), -sr.top()) * T *
                          QTransform::fromTranslate(B.P0.x(), B.P0.y());
  if (!Finite(full) || std::abs(full.determinant()) < 1e-12) return;
  QRectF srcClip = sr.normalized();
  if (B.Source) srcClip &= QRectF(0, 0, B.Source->Width, B.Source->Height);
  if (srcClip.isEmpty()) return;
  const QRectF destBounds = full.mapRect(srcClip);
  if (!Finite(destBounds)) return;
  if (!painter_) {
    AddMeasured(destBounds);
    return;
  }
  const uint8_t code = static_cast<uint8_t>(B.Rop >> 16);
  QImage src;
  if (B.Source) {
    src = B.Source->ToImage(B.Kind == TBlit::bkAlpha && B.SourceAlpha);
    if (src.isNull()) return;
  }
  painter_->save();
  painter_->setRenderHint(QPainter::SmoothPixmapTransform, state_.StretchMode == STRETCH_HALFTONE);
  if (B.Kind == TBlit::bkAlpha || B.Kind == TBlit::bkTransparent) {
    if (src.isNull()) {
      painter_->restore();
      return;
    }
    if (B.Kind == TBlit::bkTransparent) {
      src = src.convertToFormat(QImage::Format_ARGB32);
      const QRgb key = ResolveColor(B.TransparentColor) & 0xFFFFFF;
      for (int y = 0; y < src.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(src.scanLine(y));
        for (int x = 0; x < src.width(); ++x)
          if ((row[x] & 0xFFFFFF) == key) row[x] = 0;
      }
    } else {
      painter_->setOpacity(B.ConstantAlpha / 255.0);
    }
    painter_->setTransform(full);
    painter_->drawImage(srcClip, src, srcClip);
    painter_->restore();
    return;
  }
  if (!B.Mask && (code == 0xCC || (code == 0xF0 && !B.Source))) {
    painter_->setTransform(full);
    if (code == 0xCC && !src.isNull()) {
      painter_->drawImage(srcClip, src, srcClip);
    } else if (code == 0xF0) {
      QBrush brush;
      painter_->setBackgroundMode(state_.BkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
      painter_->setBackground(QColor::fromRgb(ResolveColor(state_.BkColor)));
      painter_->resetTransform();
      painter_->setBrushOrigin(state_.BrushOrg);
      QPainterPath quad;
      quad.addPolygon(full.map(QPolygonF(srcClip)));
      quad.closeSubpath();
      if (PrepareBrush(state_.Brush.get(), brush)) painter_->fillPath(quad, brush);
    }
    painter_->restore();
    return;
  }
  painter_->restore();
  QImage mask;
  if (B.Mask) {
    const std::vector<QRgb> bw = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    mask = B.Mask->BitCount == 1 ? B.Mask->ToImage(false, &bw) : B.Mask->ToImage();
  }
  RopBlit(B, src.isNull() ? nullptr : &src, mask.isNull() ? nullptr : &mask, full, srcClip);
}

// Raster operations that read the destination: the source and pattern are rendered into
// scratch images over the destination's bounding box, then combined pixel by pixel.
void TMetafileDC::RopBlit(const TBlit& B, const QImage* Src, const QImage* Mask,
                          const QTransform& T, const QRectF& SrcClip) {
  QImage* device = DeviceImage();
  if (!device) return;
  const uint8_t fore = static_cast<uint8_t>(B.Rop >> 16);
  const uint8_t back = Mask ? static_cast<uint8_t>(B.Rop >> 24) : fore;
  if ((RopUsesSource(fore) || RopUsesSource(back)) && !Src) return;
  std::optional<QRegion> clip = state_.Clip;
  if (baseClip_) clip = clip ? clip->intersected(*baseClip_) : *baseClip_;
  QRect box = T.mapRect(SrcClip).toAlignedRect() & device->rect();
  if (clip) box &= clip->boundingRect();
  if (box.isEmpty()) return;

  // Coverage (alpha) and source colours.
  QImage cover(box.size(), QImage::Format_ARGB32_Premultiplied);
  if (cover.isNull()) return;
  cover.fill(0);
  {
    QPainter p(&cover);
    p.translate(-box.topLeft());
    if (clip) p.setClipRegion(*clip);
    p.setTransform(T * QTransform::fromTranslate(-box.left(), -box.top()));
    if (Src)
      p.drawImage(SrcClip, *Src, SrcClip);
    else
      p.fillRect(SrcClip, Qt::white);
  }
  QImage maskCover;
  if (Mask) {
    maskCover = QImage(box.size(), QImage::Format_ARGB32_Premultiplied);
    if (maskCover.isNull()) return;
    maskCover.fill(0);
    QPainter p(&maskCover);
    p.setTransform(QTransform::fromTranslate(-B.MaskOffset.x(), -B.MaskOffset.y()) * T *
                   QTransform::fromTranslate(-box.left(), -box.top()));
    p.drawImage(QPointF(0, 0), *Mask);
  }
  QImage pattern;
  if (RopUsesPattern(fore) || RopUsesPattern(back)) {
    pattern = QImage(box.size(), QImage::Format_RGB32);
    if (pattern.isNull()) return;
    pattern.fill(ResolveColor(state_.BkColor));
    QPainter p(&pattern);
    QBrush brush;
    p.setBrushOrigin(state_.BrushOrg - box.topLeft());
    if (PrepareBrush(state_.Brush.get(), brush)) p.fillRect(pattern.rect(), brush);
  }
  uchar* bits = const_cast<uchar*>(device->constBits());
  const qsizetype stride = device->bytesPerLine();
  for (int y = 0; y < box.height(); ++y) {
    const QRgb* c = reinterpret_cast<const QRgb*>(cover.constScanLine(y));
    const QRgb* m = Mask ? reinterpret_cast<const QRgb*>(maskCover.constScanLine(y)) : nullptr;
    const QRgb* pat =
        pattern.isNull() ? nullptr : reinterpret_cast<const QRgb*>(pattern.constScanLine(y));
    QRgb* d = reinterpret_cast<QRgb*>(bits + (box.top() + y) * stride) + box.left();
    for (int x = 0; x < box.width(); ++x) {
      if (qAlpha(c[x]) < 128) continue;
      const uint8_t code = (!m || (m[x] & 0xFFFFFF) != 0) ? fore : back;
      const uint32_t r = Rop3(code, pat ? pat[x] : 0, c[x], d[x]);
      d[x] = 0xFF000000u | (r & 0xFFFFFF);
    }
  }
}

void TMetafileDC::PatBlt(QPointF TopLeft, QPointF BottomRight, uint32_t Rop) {
  if (!Drawing() && !measure_) return;
  const QTransform t = LogicalToDest();
  TBlit b;
  b.P0 = t.map(TopLeft);
  b.P1 = t.map(QPointF(BottomRight.x(), TopLeft.y()));
  b.P2 = t.map(QPointF(TopLeft.x(), BottomRight.y()));
  b.SrcRect = QRectF(0, 0, 1, 1);
  b.Rop = Rop;
  Blit(b);
}

void TMetafileDC::GradientRect(const TGradientVertex& A, const TGradientVertex& B, bool Vertical) {
  if (!Drawing() && !measure_) return;
  const QTransform t = LogicalToDest();
  QPainterPath quad;
  quad.addRect(QRectF(A.P, B.P).normalized());
  quad = t.map(quad);
  if (!Finite(quad.controlPointRect())) return;
  if (!painter_) {
    AddMeasured(quad.controlPointRect());
    return;
  }
  const QPointF end = Vertical ? QPointF(A.P.x(), B.P.y()) : QPointF(B.P.x(), A.P.y());
  QLinearGradient g(t.map(A.P), t.map(end));
  g.setColorAt(0, QColor::fromRgb(A.Color));
  g.setColorAt(1, QColor::fromRgb(B.Color));
  painter_->fillPath(quad, g);
}

void TMetafileDC::GradientTriangle(const TGradientVertex& A, const TGradientVertex& B,
                                   const TGradientVertex& C) {
  if (!Drawing() && !measure_) return;
  const QTransform t = LogicalToDest();
  const QPointF a = t.map(A.P), b = t.map(B.P), c = t.map(C.P);
  const QRectF bounds = QPolygonF({a, b, c}).boundingRect();
  if (!Finite(bounds)) return;
  if (!painter_) {
    AddMeasured(bounds);
    return;
  }
  const QPaintDevice* dev = painter_->device();
  const QRect box = bounds.toAlignedRect() & QRect(0, 0, dev->width(), dev->height());
  const double det = (b.y() - c.y()) * (a.x() - c.x()) + (c.x() - b.x()) * (a.y() - c.y());
  if (box.isEmpty() || std::abs(det) < 1e-9) return;
  QImage tile(box.size(), QImage::Format_ARGB32_Premultiplied);
  if (tile.isNull()) return;
  tile.fill(0);
  for (int y = 0; y < box.height(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(tile.scanLine(y));
    const double py = box.top() + y + 0.5;
    for (int x = 0; x < box.width(); ++x) {
      const double px = box.left() + x + 0.5;
      const double w1 = ((b.y() - c.y()) * (px - c.x()) + (c.x() - b.x()) * (py - c.y())) / det;
      const double w2 = ((c.y() - a.y()) * (px - c.x()) + (a.x() - c.x()) * (py - c.y())) / det;
      const double w3 = 1 - w1 - w2;
      if (w1 < -1e-9 || w2 < -1e-9 || w3 < -1e-9) continue;
      auto mix = [&](int (*ch)(QRgb)) {
        return std::clamp(
            static_cast<int>(std::lround(w1 * ch(A.Color) + w2 * ch(B.Color) + w3 * ch(C.Color))),
            0, 255);
      };
      row[x] = qRgb(mix(qRed), mix(qGreen), mix(qBlue));
    }
  }
  painter_->drawImage(box.topLeft(), tile);
}

// --- regions ---------------------------------------------------------------------------------

void TMetafileDC::FillRegion(const QRegion& Region, const TGdiBrush* Brush) {
  if (!painter_ || Region.isEmpty()) return;
  QBrush brush;
  if (!PrepareBrush(Brush ? Brush : state_.Brush.get(), brush)) return;
  QPainterPath path;
  path.addRegion(Region);
  painter_->setBackgroundMode(state_.BkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
  painter_->setBackground(QColor::fromRgb(ResolveColor(state_.BkColor)));
  QColor dummy;
  painter_->setCompositionMode(Rop2Mode(state_.Rop2, dummy));
  painter_->fillPath(path, brush);
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TMetafileDC::FrameRegion(const QRegion& Region, const TGdiBrush* Brush,
                              QPointF LogicalStroke) {
  if (!painter_ || Region.isEmpty()) return;
  const QTransform t = LogicalToDest();
  const int w = std::clamp(ClampToInt(std::abs(LogicalStroke.x() * t.m11())), 1, 4096);
  const int h = std::clamp(ClampToInt(std::abs(LogicalStroke.y() * t.m22())), 1, 4096);
  // The frame is what erosion by the stroke size takes away.
  const QRegion inner = Region.intersected(Region.translated(w, 0))
                            .intersected(Region.translated(-w, 0))
                            .intersected(Region.translated(0, h))
                            .intersected(Region.translated(0, -h));
  FillRegion(Region.subtracted(inner), Brush);
}

void TMetafileDC::InvertRegion(const QRegion& Region) {
  if (!painter_ || Region.isEmpty()) return;
  QPainterPath path;
  path.addRegion(Region);
  painter_->setCompositionMode(QPainter::RasterOp_NotDestination);
  painter_->fillPath(path, Qt::white);
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// --- paths -----------------------------------------------------------------------------------

void TMetafileDC::BeginPath() {
  pathOpen_ = true;
  path_ = QPainterPath();
  pathHasCp_ = false;
}

void TMetafileDC::AbortPath() {
  pathOpen_ = false;
  path_ = QPainterPath();
}

void TMetafileDC::CloseFigure() {
  if (pathOpen_) path_.closeSubpath();
}

void TMetafileDC::FillPath() {
  if (pathOpen_) return;
  const QPainterPath p = path_;
  path_ = QPainterPath();
  Emit(p, true, false);
}

void TMetafileDC::StrokePath() {
  if (pathOpen_) return;
  const QPainterPath p = path_;
  path_ = QPainterPath();
  Emit(p, false, true);
}

void TMetafileDC::StrokeAndFillPath() {
  if (pathOpen_) return;
  const QPainterPath p = path_;
  path_ = QPainterPath();
  Emit(p, true, true);
}

void TMetafileDC::SelectClipPath(int Mode) {
  if (pathOpen_) return;
  QPainterPath p = path_;
  path_ = QPainterPath();
  if (!painter_ || !Finite(p.controlPointRect())) return;
  const QRectF limit(LimitRect());
  p.setFillRule(state_.PolyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
  const QPolygonF poly = ClipPolygon(p.toFillPolygon(), limit);
  SelectClip(QRegion(poly.toPolygon(), p.fillRule()), Mode);
}

void TMetafileDC::WidenPath() {
  if (pathOpen_ || !painter_) return;
  QPen pen;
  if (!PreparePen(pen)) return;
  QPainterPathStroker stroker(pen);
  if (pen.widthF() <= 0) stroker.setWidth(1);
  path_ = stroker.createStroke(path_);
}

// --- text decoding ---------------------------------------------------------------------------

namespace {

// Code points of the symbol font's upper half (0xA0-0xFF), then of 0x20-0x7F where they differ
// from ASCII.
const char16_t kSymbolHigh[96] = {
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, 0x2666, 0x2665, 0x2660, 0x2194,
    0x2190, 0x2191, 0x2192, 0x2193, 0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022,
    0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5, 0x2135, 0x2111, 0x211C, 0x2118,
    0x2297, 0x2295, 0x2205, 0x2229, 0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5, 0x00AC, 0x2227, 0x2228, 0x21D4,
    0x21D0, 0x21D1, 0x21D2, 0x21D3, 0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C,
    0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA, 0x0020, 0x232A, 0x222B, 0x2320,
    0x23AE, 0x2321, 0x239E, 0x239F, 0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0x0020};

char16_t SymbolToUnicode(uint8_t c) {
  static const char16_t upper[] =
      u"\u2245\u0391\u0392\u03A7\u0394\u0395\u03A6\u0393\u0397"
      u"\u0399\u03D1\u039A\u039B\u039C\u039D\u039F\u03A0\u0398"
      u"\u03A1\u03A3\u03A4\u03A5\u03C2\u03A9\u039E\u03A8\u0396";
  static const char16_t lower[] =
      u"\u203E\u03B1\u03B2\u03C7\u03B4\u03B5\u03C6\u03B3\u03B7"
      u"\u03B9\u03D5\u03BA\u03BB\u03BC\u03BD\u03BF\u03C0\u03B8"
      u"\u03C1\u03C3\u03C4\u03C5\u03D6\u03C9\u03BE\u03C8\u03B6";
  if (c >= 0xA0) return kSymbolHigh[c - 0xA0];
  if (c >= 0x40 && c <= 0x5A) return upper[c - 0x40];
  if (c >= 0x60 && c <= 0x7A) return lower[c - 0x60];
  switch (c) {
    case 0x22:
      return 0x2200;
    case 0x24:
      return 0x2203;
    case 0x27:
      return 0x220B;
    case 0x2A:
      return 0x2217;
    case 0x2D:
      return 0x2212;
    case 0x5C:
      return 0x2234;
    case 0x5E:
      return 0x22A5;
    case 0x7E:
      return 0x223C;
    default:
      return c;
  }
}

// Windows-1252 differs from Latin-1 in 0x80-0x9F.
const char16_t kCp1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                              0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                              0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                              0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

const char* CodecForCharSet(uint8_t cs) {
  switch (cs) {
    case 128:
      return "Shift_JIS";
    case 129:
      return "windows-949";
    case 134:
      return "GBK";
    case 136:
      return "Big5";
    case 161:
      return "windows-1253";
    case 162:
      return "windows-1254";
    case 163:
      return "windows-1258";
    case 177:
      return "windows-1255";
    case 178:
      return "windows-1256";
    case 186:
      return "windows-1257";
    case 204:
      return "windows-1251";
    case 222:
      return "windows-874";
    case 238:
      return "windows-1250";
    default:
      return nullptr;
  }
}

}  // namespace

QString DecodeAnsiText(const uint8_t* Bytes, size_t Count, uint8_t CharSet) {
  QString out;
  if (CharSet == 2) {
    out.reserve(static_cast<qsizetype>(Count));
    for (size_t i = 0; i < Count; ++i) out.append(QChar(SymbolToUnicode(Bytes[i])));
    return out;
  }
  if (const char* name = CodecForCharSet(CharSet)) {
    QStringDecoder decoder(name);
    if (decoder.isValid()) {
      out = decoder.decode(
          QByteArrayView(reinterpret_cast<const char*>(Bytes), static_cast<qsizetype>(Count)));
      if (!decoder.hasError()) return out;
      out.clear();
    }
  }
  out.reserve(static_cast<qsizetype>(Count));
  for (size_t i = 0; i < Count; ++i) {
    const uint8_t c = Bytes[i];
    out.append(QChar(c >= 0x80 && c < 0xA0 ? kCp1252[c - 0x80] : char16_t(c)));
  }
  return out;
}

QString MapSymbolText(const QString& Text) {
  QString out = Text;
  for (QChar& c : out) {
    const char16_t u = c.unicode();
    if (u >= 0xF020 && u <= 0xF0FF)
      c = QChar(SymbolToUnicode(static_cast<uint8_t>(u & 0xFF)));
    else if (u >= 0x20 && u <= 0xFF)
      c = QChar(SymbolToUnicode(static_cast<uint8_t>(u)));
  }
  return out;
}

}  // namespace metafile

}  // namespace pictavia
