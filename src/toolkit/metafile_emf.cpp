// The enhanced-metafile (EMF) reader and player: header and record-chain checks, and one
// decoder per record kind that drives TMetafileDC.
#include <algorithm>
#include <cmath>

#include <QPainter>

#include "toolkit/internal/metafile_dc.h"
#include "toolkit/internal/metafile_players.h"

namespace pictavia {

namespace metafile {

std::string EmfRecordName(uint32_t type) {
  static const char* const names[] = {nullptr,
                                      "EMR_HEADER",
                                      "EMR_POLYBEZIER",
                                      "EMR_POLYGON",
                                      "EMR_POLYLINE",
                                      "EMR_POLYBEZIERTO",
                                      "EMR_POLYLINETO",
                                      "EMR_POLYPOLYLINE",
                                      "EMR_POLYPOLYGON",
                                      "EMR_SETWINDOWEXTEX",
                                      "EMR_SETWINDOWORGEX",
                                      "EMR_SETVIEWPORTEXTEX",
                                      "EMR_SETVIEWPORTORGEX",
                                      "EMR_SETBRUSHORGEX",
                                      "EMR_EOF",
                                      "EMR_SETPIXELV",
                                      "EMR_SETMAPPERFLAGS",
                                      "EMR_SETMAPMODE",
                                      "EMR_SETBKMODE",
                                      "EMR_SETPOLYFILLMODE",
                                      "EMR_SETROP2",
                                      "EMR_SETSTRETCHBLTMODE",
                                      "EMR_SETTEXTALIGN",
                                      "EMR_SETCOLORADJUSTMENT",
                                      "EMR_SETTEXTCOLOR",
                                      "EMR_SETBKCOLOR",
                                      "EMR_OFFSETCLIPRGN",
                                      "EMR_MOVETOEX",
                                      "EMR_SETMETARGN",
                                      "EMR_EXCLUDECLIPRECT",
                                      "EMR_INTERSECTCLIPRECT",
                                      "EMR_SCALEVIEWPORTEXTEX",
                                      "EMR_SCALEWINDOWEXTEX",
                                      "EMR_SAVEDC",
                                      "EMR_RESTOREDC",
                                      "EMR_SETWORLDTRANSFORM",
                                      "EMR_MODIFYWORLDTRANSFORM",
                                      "EMR_SELECTOBJECT",
                                      "EMR_CREATEPEN",
                                      "EMR_CREATEBRUSHINDIRECT",
                                      "EMR_DELETEOBJECT",
                                      "EMR_ANGLEARC",
                                      "EMR_ELLIPSE",
                                      "EMR_RECTANGLE",
                                      "EMR_ROUNDRECT",
                                      "EMR_ARC",
                                      "EMR_CHORD",
                                      "EMR_PIE",
                                      "EMR_SELECTPALETTE",
                                      "EMR_CREATEPALETTE",
                                      "EMR_SETPALETTEENTRIES",
                                      "EMR_RESIZEPALETTE",
                                      "EMR_REALIZEPALETTE",
                                      "EMR_EXTFLOODFILL",
                                      "EMR_LINETO",
                                      "EMR_ARCTO",
                                      "EMR_POLYDRAW",
                                      "EMR_SETARCDIRECTION",
                                      "EMR_SETMITERLIMIT",
                                      "EMR_BEGINPATH",
                                      "EMR_ENDPATH",
                                      "EMR_CLOSEFIGURE",
                                      "EMR_FILLPATH",
                                      "EMR_STROKEANDFILLPATH",
                                      "EMR_STROKEPATH",
                                      "EMR_FLATTENPATH",
                                      "EMR_WIDENPATH",
                                      "EMR_SELECTCLIPPATH",
                                      "EMR_ABORTPATH",
                                      nullptr,
                                      "EMR_GDICOMMENT",
                                      "EMR_FILLRGN",
                                      "EMR_FRAMERGN",
                                      "EMR_INVERTRGN",
                                      "EMR_PAINTRGN",
                                      "EMR_EXTSELECTCLIPRGN",
                                      "EMR_BITBLT",
                                      "EMR_STRETCHBLT",
                                      "EMR_MASKBLT",
                                      "EMR_PLGBLT",
                                      "EMR_SETDIBITSTODEVICE",
                                      "EMR_STRETCHDIBITS",
                                      "EMR_EXTCREATEFONTINDIRECTW",
                                      "EMR_EXTTEXTOUTA",
                                      "EMR_EXTTEXTOUTW",
                                      "EMR_POLYBEZIER16",
                                      "EMR_POLYGON16",
                                      "EMR_POLYLINE16",
                                      "EMR_POLYBEZIERTO16",
                                      "EMR_POLYLINETO16",
                                      "EMR_POLYPOLYLINE16",
                                      "EMR_POLYPOLYGON16",
                                      "EMR_POLYDRAW16",
                                      "EMR_CREATEMONOBRUSH",
                                      "EMR_CREATEDIBPATTERNBRUSHPT",
                                      "EMR_EXTCREATEPEN",
                                      "EMR_POLYTEXTOUTA",
                                      "EMR_POLYTEXTOUTW",
                                      "EMR_SETICMMODE"};
  if (type < sizeof(names) / sizeof(names[0]) && names[type]) return names[type];
  switch (type) {
    case EMR_SMALLTEXTOUT:
      return "EMR_SMALLTEXTOUT";
    case EMR_ALPHABLEND:
      return "EMR_ALPHABLEND";
    case EMR_SETLAYOUT:
      return "EMR_SETLAYOUT";
    case EMR_TRANSPARENTBLT:
      return "EMR_TRANSPARENTBLT";
    case EMR_GRADIENTFILL:
      return "EMR_GRADIENTFILL";
    case EMR_SETTEXTJUSTIFICATION:
      return "EMR_SETTEXTJUSTIFICATION";
    default:
      return Format("EMF record %u", type);
  }
}

namespace {

QPointF PointAt(const TMetafileRecord& r, size_t o) {
  return QPointF(r.I32(o), r.I32(o + 4));
}

// Reads Count points of 32-bit (Wide) or 16-bit coordinates.
QPolygonF Points(const TMetafileRecord& r, size_t o, uint32_t count, bool wide) {
  r.Need(o, count, wide ? 8 : 4, "the points");
  QPolygonF poly;
  poly.reserve(static_cast<qsizetype>(count));
  const uint8_t* p = r.Data() + o;
  for (uint32_t i = 0; i < count; ++i) {
    if (wide) {
      poly << QPointF(static_cast<int32_t>(GetU32(p)), static_cast<int32_t>(GetU32(p + 4)));
      p += 8;
    } else {
      poly << QPointF(static_cast<int16_t>(GetU16(p)), static_cast<int16_t>(GetU16(p + 2)));
      p += 4;
    }
  }
  return poly;
}

QTransform XForm(const TMetafileRecord& r, size_t o) {
  return QTransform(r.F32(o), r.F32(o + 4), r.F32(o + 8), r.F32(o + 12), r.F32(o + 16),
                    r.F32(o + 20));
}

// Region data: a 32-byte header and rectangles in device units.
std::vector<QRectF> RegionRects(const TMetafileRecord& r, size_t o, uint32_t cbData) {
  r.Need(o, cbData, 1, "the region data");
  if (cbData < 32) r.Fail(Format("region data of %u bytes is shorter than its header", cbData));
  const uint32_t count = r.U32(o + 8);
  if (uint64_t(count) * 16 > cbData - 32)
    r.Fail(Format("region of %u rectangles overflows its %u bytes", count, cbData));
  std::vector<QRectF> rects;
  rects.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t q = o + 32 + 16 * size_t(i);
    rects.emplace_back(QPointF(r.I32(q), r.I32(q + 4)), QPointF(r.I32(q + 8), r.I32(q + 12)));
  }
  return rects;
}

// A bitmap given by offset/size pairs; null when the record carries none.
std::optional<TDib> BitmapAt(const TMetafileRecord& r, TMetafileDC& dc, size_t usageOff,
                             size_t fieldsOff, int rows = -1) {
  const uint32_t usage = r.U32(usageOff);
  const uint32_t offBmi = r.U32(fieldsOff), cbBmi = r.U32(fieldsOff + 4);
  const uint32_t offBits = r.U32(fieldsOff + 8), cbBits = r.U32(fieldsOff + 12);
  if (cbBmi == 0 || offBmi == 0) return std::nullopt;
  r.Need(offBmi, cbBmi, 1, "the bitmap header");
  r.Need(offBits, cbBits, 1, "the bitmap bits");
  TDib dib = ReadDib(r, offBmi, cbBmi, offBits, cbBits, usage, dc.PaletteLookup(), rows);
  dc.CountBitmap(r, dib);
  return dib;
}

// The source rectangle of a blit in the source DC's logical units, through its transform.
QRectF SourceRect(const TMetafileRecord& r, size_t xformOff, double x, double y, double w,
                  double h) {
  const QTransform t = XForm(r, xformOff);
  const bool usable = std::isfinite(t.m11()) && std::isfinite(t.m22()) && std::isfinite(t.dx()) &&
                      std::isfinite(t.dy()) && t.isAffine() && t.m12() == 0 && t.m21() == 0 &&
                      t.m11() != 0 && t.m22() != 0;
  if (!usable) return QRectF(x, y, w, h);
  const QPointF a = t.map(QPointF(x, y)), b = t.map(QPointF(x + w, y + h));
  return QRectF(a, b);
}

void DestCorners(TMetafileDC& dc, TBlit& b, double x, double y, double w, double h) {
  const QTransform t = dc.LogicalToDest();
  b.P0 = t.map(QPointF(x, y));
  b.P1 = t.map(QPointF(x + w, y));
  b.P2 = t.map(QPointF(x, y + h));
}

void TextRecord(TMetafileDC& dc, const TMetafileRecord& r, size_t emrText, bool wide) {
  TTextRun run;
  run.Reference = PointAt(r, emrText);
  const uint32_t count = r.U32(emrText + 8);
  const uint32_t offString = r.U32(emrText + 12);
  run.Options = r.U32(emrText + 16);
  const uint32_t offDx = r.U32(emrText + 36);
  if (!(run.Options & ETO_NO_RECT)) {
    run.RectTopLeft = PointAt(r, emrText + 20);
    run.RectBottomRight = PointAt(r, emrText + 28);
    run.HasRect = (run.Options & (ETO_OPAQUE | ETO_CLIPPED)) != 0;
  }
  if (count > 0) {
    const uint8_t* s = r.Span(offString, uint64_t(count) * (wide ? 2 : 1), "the text");
    const uint8_t charset = dc.State().Font->EffectiveCharSet();
    if (wide) {
      QString text(static_cast<qsizetype>(count), Qt::Uninitialized);
      for (uint32_t i = 0; i < count; ++i) text[i] = QChar(GetU16(s + 2 * i));
      run.Text = charset == 2 ? MapSymbolText(text) : text;
    } else {
      run.Text = DecodeAnsiText(s, count, charset);
    }
    if (offDx != 0) {
      const size_t step = (run.Options & ETO_PDY) ? 8 : 4;
      r.Need(offDx, count, step, "the character advances");
      if (run.Text.size() == static_cast<qsizetype>(count)) {
        run.Dx.reserve(count);
        for (uint32_t i = 0; i < count; ++i)
          run.Dx.push_back(static_cast<int32_t>(GetU32(r.Data() + offDx + step * i)));
      }
    }
  }
  dc.TextOut(run);
}

void GradientFill(TMetafileDC& dc, const TMetafileRecord& r) {
  const uint32_t nVer = r.U32(24), nTri = r.U32(28), mode = r.U32(32);
  r.Need(36, nVer, 16, "the gradient vertices");
  const size_t meshOff = 36 + size_t(nVer) * 16;
  const size_t meshItem = mode == 2 ? 12 : 8;
  r.Need(meshOff, nTri, meshItem, "the gradient mesh");
  if (!dc.Drawing()) return;
  auto vertex = [&](uint32_t i) {
    const size_t o = 36 + size_t(i) * 16;
    return TGradientVertex{QPointF(r.I32(o), r.I32(o + 4)),
                           qRgb(r.U16(o + 8) >> 8, r.U16(o + 10) >> 8, r.U16(o + 12) >> 8)};
  };
  for (uint32_t k = 0; k < nTri; ++k) {
    const size_t o = meshOff + meshItem * k;
    const uint32_t a = r.U32(o), b = r.U32(o + 4);
    const uint32_t c = mode == 2 ? r.U32(o + 8) : 0;
    if (a >= nVer || b >= nVer || c >= nVer) continue;
    if (mode == 2)
      dc.GradientTriangle(vertex(a), vertex(b), vertex(c));
    else if (mode <= 1)
      dc.GradientRect(vertex(a), vertex(b), mode == 1);
  }
}

TGdiFont FontAt(const TMetafileRecord& r, size_t o) {
  TGdiFont f;
  f.Height = r.I32(o);
  f.Width = r.I32(o + 4);
  f.Escapement = r.I32(o + 8);
  f.Weight = r.I32(o + 16);
  f.Italic = r.U8(o + 20) != 0;
  f.Underline = r.U8(o + 21) != 0;
  f.StrikeOut = r.U8(o + 22) != 0;
  f.CharSet = r.U8(o + 23);
  f.Quality = r.U8(o + 26);
  f.PitchAndFamily = r.U8(o + 27);
  const uint8_t* face = r.Span(o + 28, 64, "the face name");
  QString name;
  for (int i = 0; i < 32; ++i) {
    const char16_t c = GetU16(face + 2 * i);
    if (!c) break;
    name.append(QChar(c));
  }
  f.FaceName = name;
  return f;
}

void PlayRecord(TMetafileDC& dc, const TMetafileRecord& r, uint32_t type) {
  TDcState& s = dc.State();
  switch (type) {
    case EMR_HEADER:
    case EMR_EOF:
    case EMR_GDICOMMENT:  // EMF+ records and other comments: the GDI records carry the drawing
    case EMR_SETMAPPERFLAGS:
    case EMR_SETCOLORADJUSTMENT:
    case EMR_SETMETARGN:
    case EMR_REALIZEPALETTE:
    case EMR_SETMITERLIMIT:
    case EMR_FLATTENPATH:
    case EMR_SETICMMODE:
    case EMR_SETLAYOUT:
    case EMR_SETTEXTJUSTIFICATION:
    case EMR_EXTFLOODFILL:
      break;

    case EMR_POLYBEZIER:
    case EMR_POLYGON:
    case EMR_POLYLINE:
    case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO:
    case EMR_POLYBEZIER16:
    case EMR_POLYGON16:
    case EMR_POLYLINE16:
    case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16: {
      const bool wide = type < EMR_POLYBEZIER16;
      const QPolygonF pts = Points(r, 28, r.U32(24), wide);
      switch (wide ? type : type - (EMR_POLYBEZIER16 - EMR_POLYBEZIER)) {
        case EMR_POLYBEZIER:
          dc.PolyBezier(pts);
          break;
        case EMR_POLYGON:
          dc.Polygon(pts);
          break;
        case EMR_POLYLINE:
          dc.Polyline(pts);
          break;
        case EMR_POLYBEZIERTO:
          dc.PolyBezierTo(pts);
          break;
        default:
          dc.PolylineTo(pts);
          break;
      }
      break;
    }
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON16: {
      const bool wide = type == EMR_POLYPOLYLINE || type == EMR_POLYPOLYGON;
      const uint32_t polys = r.U32(24), total = r.U32(28);
      r.Need(32, polys, 4, "the polygon counts");
      const size_t ptsOff = 32 + size_t(polys) * 4;
      const QPolygonF pts = Points(r, ptsOff, total, wide);
      std::vector<QPolygonF> parts;
      uint64_t used = 0;
      for (uint32_t i = 0; i < polys; ++i) {
        const uint32_t n = r.U32(32 + 4 * size_t(i));
        if (used + n > total) r.Fail(Format("polygon counts exceed the %u points", total));
        parts.push_back(pts.mid(static_cast<qsizetype>(used), static_cast<qsizetype>(n)));
        used += n;
      }
      if (type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16)
        dc.PolyPolygon(parts);
      else
        dc.PolyPolyline(parts);
      break;
    }
    case EMR_POLYDRAW:
    case EMR_POLYDRAW16: {
      const bool wide = type == EMR_POLYDRAW;
      const uint32_t n = r.U32(24);
      const QPolygonF pts = Points(r, 28, n, wide);
      const size_t typesOff = 28 + size_t(n) * (wide ? 8 : 4);
      const uint8_t* t = r.Span(typesOff, n, "the point types");
      dc.PolyDraw(pts, std::vector<uint8_t>(t, t + n));
      break;
    }
    case EMR_SETWINDOWEXTEX:
      dc.SetWindowExt(PointAt(r, 8));
      break;
    case EMR_SETWINDOWORGEX:
      dc.SetWindowOrg(PointAt(r, 8));
      break;
    case EMR_SETVIEWPORTEXTEX:
      dc.SetViewportExt(PointAt(r, 8));
      break;
    case EMR_SETVIEWPORTORGEX:
      dc.SetViewportOrg(PointAt(r, 8));
      break;
    case EMR_SETBRUSHORGEX:
      s.BrushOrg = QPoint(r.I32(8), r.I32(12));
      break;
    case EMR_SETPIXELV:
      dc.SetPixel(PointAt(r, 8), r.U32(16));
      break;
    case EMR_SETMAPMODE:
      dc.SetMapMode(r.I32(8));
      break;
    case EMR_SETBKMODE:
      s.BkMode = r.I32(8);
      break;
    case EMR_SETPOLYFILLMODE:
      s.PolyFillMode = r.I32(8);
      break;
    case EMR_SETROP2:
      s.Rop2 = r.I32(8);
      break;
    case EMR_SETSTRETCHBLTMODE:
      s.StretchMode = r.I32(8);
      break;
    case EMR_SETTEXTALIGN:
      s.TextAlign = r.U32(8);
      break;
    case EMR_SETTEXTCOLOR:
      s.TextColor = r.U32(8);
      break;
    case EMR_SETBKCOLOR:
      s.BkColor = r.U32(8);
      break;
    case EMR_SETARCDIRECTION:
      s.ArcDirection = r.I32(8);
      break;
    case EMR_OFFSETCLIPRGN:
      dc.OffsetClip(PointAt(r, 8));
      break;
    case EMR_MOVETOEX:
      dc.MoveTo(PointAt(r, 8));
      break;
    case EMR_LINETO:
      dc.LineTo(PointAt(r, 8));
      break;
    case EMR_EXCLUDECLIPRECT:
      dc.ExcludeClipRect(PointAt(r, 8), PointAt(r, 16));
      break;
    case EMR_INTERSECTCLIPRECT:
      dc.IntersectClipRect(PointAt(r, 8), PointAt(r, 16));
      break;
    case EMR_SCALEVIEWPORTEXTEX:
      dc.ScaleViewportExt(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
      break;
    case EMR_SCALEWINDOWEXTEX:
      dc.ScaleWindowExt(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
      break;
    case EMR_SAVEDC:
      dc.SaveDC();
      break;
    case EMR_RESTOREDC:
      dc.RestoreDC(r.I32(8));
      break;
    case EMR_SETWORLDTRANSFORM:
      dc.SetWorldTransform(XForm(r, 8));
      break;
    case EMR_MODIFYWORLDTRANSFORM:
      dc.ModifyWorldTransform(XForm(r, 8), r.I32(32));
      break;
    case EMR_SELECTOBJECT:
      dc.SelectObject(r.U32(8));
      break;
    case EMR_DELETEOBJECT:
      dc.Objects().Delete(r.U32(8));
      break;
    case EMR_SELECTPALETTE:
      dc.SelectPalette(r.U32(8));
      break;

    case EMR_CREATEPEN: {
      TGdiPen pen;
      pen.Style = r.U32(12);
      pen.Width = std::abs(static_cast<double>(r.I32(16)));
      pen.Color = r.U32(24);
      dc.Objects().Put(r.U32(8), pen);
      break;
    }
    case EMR_EXTCREATEPEN: {
      TGdiPen pen;
      pen.Extended = true;
      pen.Style = r.U32(28);
      pen.Width = r.U32(32);
      pen.Color = r.U32(40);
      const uint32_t entries = r.U32(48);
      r.Need(52, entries, 4, "the pen style entries");
      if ((pen.Style & PS_STYLE_MASK) == PS_USERSTYLE)
        for (uint32_t i = 0; i < std::min<uint32_t>(entries, 16); ++i)
          pen.Dashes.push_back(r.U32(52 + 4 * size_t(i)));
      if (r.U32(16) != 0) BitmapAt(r, dc, 44, 12);  // a pattern pen's bitmap: checked only
      if (!(pen.Style & PS_GEOMETRIC)) pen.Width = 0;
      dc.Objects().Put(r.U32(8), pen);
      break;
    }
    case EMR_CREATEBRUSHINDIRECT: {
      TGdiBrush brush;
      brush.Style = r.U32(12);
      brush.Color = r.U32(16);
      brush.Hatch = r.U32(20);
      if (brush.Style != BS_SOLID && brush.Style != BS_NULL && brush.Style != BS_HATCHED)
        brush.Style = BS_SOLID;
      dc.Objects().Put(r.U32(8), brush);
      break;
    }
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT: {
      TGdiBrush brush;
      brush.Style = BS_DIBPATTERNPT;
      const std::optional<TDib> dib = BitmapAt(r, dc, 12, 16);
      if (dib && dc.Drawing()) {
        if (type == EMR_CREATEMONOBRUSH && dib->BitCount == 1) {
          const std::vector<QRgb> bw = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
          const QImage image = dib->ToImage(false, &bw);
          if (!image.isNull()) {
            brush.Pattern = image.convertToFormat(QImage::Format_Indexed8,
                                                  {qRgb(0, 0, 0), qRgb(255, 255, 255)});
            brush.Mono = true;
          }
        } else {
          brush.Pattern = dib->ToImage();
        }
      }
      dc.Objects().Put(r.U32(8), brush);
      break;
    }
    case EMR_EXTCREATEFONTINDIRECTW:
      dc.Objects().Put(r.U32(8), FontAt(r, 12));
      break;
    case EMR_CREATEPALETTE: {
      const uint32_t count = r.U16(14);
      r.Need(16, count, 4, "the palette entries");
      TGdiPalette pal;
      for (uint32_t i = 0; i < count; ++i) {
        const size_t o = 16 + 4 * size_t(i);
        pal.Entries.push_back(qRgb(r.U8(o), r.U8(o + 1), r.U8(o + 2)));
      }
      dc.Objects().Put(r.U32(8), pal);
      break;
    }
    case EMR_SETPALETTEENTRIES: {
      const uint32_t start = r.U32(12), count = r.U32(16);
      r.Need(20, count, 4, "the palette entries");
      const std::shared_ptr<TGdiObject> obj = dc.Objects().Get(r.U32(8));
      if (auto* pal = obj ? std::get_if<TGdiPalette>(obj.get()) : nullptr) {
        for (uint32_t i = 0; i < count && uint64_t(start) + i < pal->Entries.size(); ++i) {
          const size_t o = 20 + 4 * size_t(i);
          pal->Entries[start + i] = qRgb(r.U8(o), r.U8(o + 1), r.U8(o + 2));
        }
      }
      break;
    }
    case EMR_RESIZEPALETTE: {
      const std::shared_ptr<TGdiObject> obj = dc.Objects().Get(r.U32(8));
      if (auto* pal = obj ? std::get_if<TGdiPalette>(obj.get()) : nullptr)
        pal->Entries.resize(std::min<uint32_t>(r.U32(12), 1024), qRgb(0, 0, 0));
      break;
    }

    case EMR_ANGLEARC:
      dc.AngleArc(PointAt(r, 8), r.U32(16), r.F32(20), r.F32(24));
      break;
    case EMR_ELLIPSE:
      dc.Ellipse(PointAt(r, 8), PointAt(r, 16));
      break;
    case EMR_RECTANGLE:
      dc.Rectangle(PointAt(r, 8), PointAt(r, 16));
      break;
    case EMR_ROUNDRECT:
      dc.RoundRect(PointAt(r, 8), PointAt(r, 16), PointAt(r, 24));
      break;
    case EMR_ARC:
    case EMR_CHORD:
    case EMR_PIE:
    case EMR_ARCTO: {
      const TMetafileDC::TArcKind kind = type == EMR_ARC     ? TMetafileDC::akArc
                                         : type == EMR_CHORD ? TMetafileDC::akChord
                                         : type == EMR_PIE   ? TMetafileDC::akPie
                                                             : TMetafileDC::akArcTo;
      dc.Arc(kind, PointAt(r, 8), PointAt(r, 16), PointAt(r, 24), PointAt(r, 32));
      break;
    }

    case EMR_BEGINPATH:
      dc.BeginPath();
      break;
    case EMR_ENDPATH:
      dc.EndPath();
      break;
    case EMR_CLOSEFIGURE:
      dc.CloseFigure();
      break;
    case EMR_FILLPATH:
      dc.FillPath();
      break;
    case EMR_STROKEANDFILLPATH:
      dc.StrokeAndFillPath();
      break;
    case EMR_STROKEPATH:
      dc.StrokePath();
      break;
    case EMR_WIDENPATH:
      dc.WidenPath();
      break;
    case EMR_ABORTPATH:
      dc.AbortPath();
      break;
    case EMR_SELECTCLIPPATH:
      dc.SelectClipPath(r.I32(8));
      break;

    case EMR_FILLRGN:
    case EMR_FRAMERGN: {
      const uint32_t cb = r.U32(24);
      const size_t dataOff = type == EMR_FILLRGN ? 32 : 40;
      const std::vector<QRectF> rects = RegionRects(r, dataOff, cb);
      const std::shared_ptr<TGdiObject> obj = dc.Objects().Get(r.U32(28));
      const uint32_t ih = r.U32(28);
      std::shared_ptr<const TGdiBrush> stock;
      const TGdiBrush* brush = obj ? std::get_if<TGdiBrush>(obj.get()) : nullptr;
      if (!brush && (ih & kStockObjectFlag)) {
        const std::shared_ptr<const TGdiBrush> saved = s.Brush;
        dc.SelectObject(ih);
        stock = s.Brush;
        s.Brush = saved;
        brush = stock.get();
      }
      if (!dc.Drawing() || !brush) break;
      // Drawn regions are in logical units; only clip regions are in device units.
      const QRegion region = dc.LogicalRegion(rects);
      if (type == EMR_FILLRGN)
        dc.FillRegion(region, brush);
      else
        dc.FrameRegion(region, brush, PointAt(r, 32));
      break;
    }
    case EMR_INVERTRGN:
    case EMR_PAINTRGN: {
      const std::vector<QRectF> rects = RegionRects(r, 28, r.U32(24));
      if (!dc.Drawing()) break;
      const QRegion region = dc.LogicalRegion(rects);
      if (type == EMR_INVERTRGN)
        dc.InvertRegion(region);
      else
        dc.FillRegion(region, nullptr);
      break;
    }
    case EMR_EXTSELECTCLIPRGN: {
      const uint32_t cb = r.U32(8);
      const int mode = r.I32(12);
      if (cb == 0) {
        if (mode == RGN_COPY) dc.SelectClip(std::nullopt, RGN_COPY);
        break;
      }
      const std::vector<QRectF> rects = RegionRects(r, 16, cb);
      if (dc.Drawing()) dc.SelectClip(dc.DeviceRegion(rects), mode);
      break;
    }

    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_MASKBLT: {
      const double x = r.I32(24), y = r.I32(28), w = r.I32(32), h = r.I32(36);
      const double xs = r.I32(44), ys = r.I32(48);
      double ws = w, hs = h;
      if (type == EMR_STRETCHBLT) {
        ws = r.I32(100);
        hs = r.I32(104);
      }
      const std::optional<TDib> src = BitmapAt(r, dc, 80, 84);
      std::optional<TDib> mask;
      if (type == EMR_MASKBLT) mask = BitmapAt(r, dc, 108, 112);
      TBlit b;
      DestCorners(dc, b, x, y, w, h);
      b.Rop = r.U32(40);
      if (src) {
        b.Source = &*src;
        b.SrcRect = SourceRect(r, 52, xs, ys, ws, hs);
      } else {
        b.SrcRect = QRectF(0, 0, 1, 1);
        b.Rop &= 0x00FFFFFF;
      }
      if (mask && src) {
        b.Mask = &*mask;
        b.MaskOffset = QPointF(r.I32(100) - xs, r.I32(104) - ys);
      } else {
        b.Rop &= 0x00FFFFFF;
      }
      dc.Blit(b);
      break;
    }
    case EMR_PLGBLT: {
      const std::optional<TDib> src = BitmapAt(r, dc, 92, 96);
      const std::optional<TDib> mask = BitmapAt(r, dc, 120, 124);
      if (!src) break;
      const QTransform t = dc.LogicalToDest();
      TBlit b;
      b.P0 = t.map(PointAt(r, 24));
      b.P1 = t.map(PointAt(r, 32));
      b.P2 = t.map(PointAt(r, 40));
      b.Source = &*src;
      b.SrcRect = QRectF(r.I32(48), r.I32(52), r.I32(56), r.I32(60));
      if (mask) {
        b.Mask = &*mask;
        b.MaskOffset = QPointF(r.I32(112) - r.I32(48), r.I32(116) - r.I32(52));
        b.Rop = 0xAACC0020;  // source where the mask is set, destination elsewhere
      }
      dc.Blit(b);
      break;
    }
    case EMR_SETDIBITSTODEVICE: {
      const uint32_t startScan = r.U32(68), scans = r.U32(72);
      const std::optional<TDib> src =
          BitmapAt(r, dc, 64, 48, static_cast<int>(std::min<uint32_t>(scans, 0x7FFFFFFF)));
      if (!src) break;
      const double xs = r.I32(32), ys = r.I32(36), w = r.I32(40), h = r.I32(44);
      // The point is logical, the size is in device pixels.
      const QPointF dev = dc.LogicalToDevice().map(PointAt(r, 24));
      const QTransform& d = dc.DeviceToDest();
      TBlit b;
      b.P0 = d.map(dev);
      b.P1 = d.map(dev + QPointF(w, 0));
      b.P2 = d.map(dev + QPointF(0, h));
      b.Source = &*src;
      const double top =
          src->TopDown ? ys - double(startScan) : double(startScan) + src->Height - (ys + h);
      b.SrcRect = QRectF(xs, top, w, h);
      dc.Blit(b);
      break;
    }
    case EMR_STRETCHDIBITS: {
      const std::optional<TDib> src = BitmapAt(r, dc, 64, 48);
      TBlit b;
      DestCorners(dc, b, r.I32(24), r.I32(28), r.I32(72), r.I32(76));
      b.Rop = r.U32(68) & 0x00FFFFFF;
      const double xs = r.I32(32), ys = r.I32(36), ws = r.I32(40), hs = r.I32(44);
      if (src) {
        b.Source = &*src;
        // A bottom-up bitmap counts its source rows from the bottom.
        b.SrcRect = QRectF(xs, src->TopDown ? ys : src->Height - ys - hs, ws, hs);
      } else {
        b.SrcRect = QRectF(0, 0, 1, 1);
      }
      dc.Blit(b);
      break;
    }
    case EMR_ALPHABLEND:
    case EMR_TRANSPARENTBLT: {
      const std::optional<TDib> src = BitmapAt(r, dc, 80, 84);
      if (!src) break;
      TBlit b;
      DestCorners(dc, b, r.I32(24), r.I32(28), r.I32(32), r.I32(36));
      b.Source = &*src;
      b.SrcRect = SourceRect(r, 52, r.I32(44), r.I32(48), r.I32(100), r.I32(104));
      if (type == EMR_ALPHABLEND) {
        b.Kind = TBlit::bkAlpha;
        b.ConstantAlpha = r.U8(42);
        b.SourceAlpha = (r.U8(43) & 1) != 0;
      } else {
        b.Kind = TBlit::bkTransparent;
        b.TransparentColor = r.U32(40);
      }
      dc.Blit(b);
      break;
    }
    case EMR_GRADIENTFILL:
      GradientFill(dc, r);
      break;

    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW:
      TextRecord(dc, r, 36, type == EMR_EXTTEXTOUTW);
      break;
    case EMR_POLYTEXTOUTA:
    case EMR_POLYTEXTOUTW: {
      const uint32_t count = r.U32(36);
      r.Need(40, count, 40, "the text runs");
      for (uint32_t i = 0; i < count; ++i)
        TextRecord(dc, r, 40 + 40 * size_t(i), type == EMR_POLYTEXTOUTW);
      break;
    }
    case EMR_SMALLTEXTOUT: {
      TTextRun run;
      run.Reference = PointAt(r, 8);
      const uint32_t count = r.U32(16);
      run.Options = r.U32(20);
      size_t textOff = 36;
      if (!(run.Options & ETO_NO_RECT)) {
        run.RectTopLeft = PointAt(r, 36);
        run.RectBottomRight = PointAt(r, 44);
        run.HasRect = (run.Options & (ETO_OPAQUE | ETO_CLIPPED)) != 0;
        textOff = 52;
      }
      const bool small = run.Options & ETO_SMALL_CHARS;
      const uint8_t* t = r.Span(textOff, uint64_t(count) * (small ? 1 : 2), "the text");
      if (small) {
        run.Text = DecodeAnsiText(t, count, s.Font->EffectiveCharSet());
      } else {
        for (uint32_t i = 0; i < count; ++i) run.Text.append(QChar(GetU16(t + 2 * i)));
      }
      dc.TextOut(run);
      break;
    }
    default:
      break;  // records we do not draw are skipped
  }
}

// Walks the record chain, checking every record's size; calls Visit for each record.
template <typename Visit>
size_t WalkRecords(const uint8_t* data, size_t size, Visit&& visit) {
  size_t off = 0;
  while (off < size) {
    if (size - off < 8)
      throw EInvalidGraphic(
          Format("Invalid metafile: %zu stray bytes at offset %zu", size - off, off));
    const uint32_t type = GetU32(data + off);
    const uint32_t recSize = GetU32(data + off + 4);
    if (recSize < 8 || recSize % 4 != 0 || recSize > size - off)
      throw EInvalidGraphic(
          Format("Invalid metafile: %s record at offset %zu has size %u (%zu "
                 "bytes remain)",
                 EmfRecordName(type).c_str(), off, recSize, size - off));
    const TMetafileRecord rec(data + off, recSize, off, EmfRecordName(type));
    visit(rec, type);
    off += recSize;
    if (type == EMR_EOF) break;
  }
  return off;
}

}  // namespace

bool LooksLikeEmf(const uint8_t* Data, size_t Size) {
  return Size >= kEmfHeaderMinSize && GetU32(Data) == EMR_HEADER &&
         GetU32(Data + 40) == ENHMETA_SIGNATURE;
}

TEmfInfo ReadEmf(const uint8_t* Data, size_t Size) {
  if (!LooksLikeEmf(Data, Size))
    throw EInvalidGraphic("Invalid metafile: not an enhanced metafile (no EMF header)");
  const uint32_t headerSize = GetU32(Data + 4);
  if (headerSize < kEmfHeaderMinSize || headerSize % 4 != 0 || headerSize > Size)
    throw EInvalidGraphic(
        Format("Invalid metafile: EMR_HEADER record at offset 0 has size %u (%zu bytes remain)",
               headerSize, Size));
  const TMetafileRecord h(Data, headerSize, 0, "EMR_HEADER");
  TEmfInfo info;
  info.Bounds = QRect(QPoint(h.I32(8), h.I32(12)), QPoint(h.I32(16), h.I32(20)));
  info.Frame = QRect(QPoint(h.I32(24), h.I32(28)), QPoint(h.I32(32), h.I32(36)));
  info.Device = QSize(h.I32(72), h.I32(76));
  info.Millimeters = QSize(h.I32(80), h.I32(84));
  const uint32_t nDescription = h.U32(60), offDescription = h.U32(64);
  if (nDescription != 0 && (offDescription < kEmfHeaderMinSize ||
                            uint64_t(offDescription) + 2 * uint64_t(nDescription) > headerSize))
    h.Fail(Format("description of %u characters at offset %u lies outside the header", nDescription,
                  offDescription));
  // The header's byte count bounds the records when it is sensible.
  const uint32_t bytes = h.U32(48);
  const size_t limit = (bytes >= headerSize && bytes <= Size) ? bytes : Size;
  // A decoding pass over every record finds malformed ones now rather than while drawing.
  TMetafileDC dc(nullptr);
  info.Length = WalkRecords(
      Data, limit, [&](const TMetafileRecord& rec, uint32_t type) { PlayRecord(dc, rec, type); });
  return info;
}

void PlayEmf(const uint8_t* Data, const TEmfInfo& Info, QPainter& Painter, const QRectF& Dest) {
  double pxPerMmX = 96 / 25.4, pxPerMmY = 96 / 25.4;
  if (Info.Device.width() > 0 && Info.Millimeters.width() > 0)
    pxPerMmX = double(Info.Device.width()) / Info.Millimeters.width();
  if (Info.Device.height() > 0 && Info.Millimeters.height() > 0)
    pxPerMmY = double(Info.Device.height()) / Info.Millimeters.height();
  // The frame (0.01 mm) in reference-device pixels lands on Dest; without a usable frame the
  // bounds do.
  QRectF frame(
      QPointF(Info.Frame.left() * pxPerMmX / 100, Info.Frame.top() * pxPerMmY / 100),
      QPointF((Info.Frame.right()) * pxPerMmX / 100, (Info.Frame.bottom()) * pxPerMmY / 100));
  if (!(frame.width() > 0 && frame.height() > 0))
    frame = QRectF(QPointF(Info.Bounds.left(), Info.Bounds.top()),
                   QPointF(Info.Bounds.right() + 1.0, Info.Bounds.bottom() + 1.0));
  if (!(frame.width() > 0 && frame.height() > 0)) return;
  const QTransform toDest =
      QTransform::fromTranslate(-frame.left(), -frame.top()) *
      QTransform::fromScale(Dest.width() / frame.width(), Dest.height() / frame.height()) *
      QTransform::fromTranslate(Dest.left(), Dest.top());
  TMetafileDC dc(&Painter);
  dc.SetDeviceMapping(toDest, pxPerMmX, pxPerMmY);
  WalkRecords(Data, Info.Length,
              [&](const TMetafileRecord& rec, uint32_t type) { PlayRecord(dc, rec, type); });
}

}  // namespace metafile

}  // namespace pictavia
