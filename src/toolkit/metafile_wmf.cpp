// The Windows-metafile (WMF) reader and player, with and without the placeable header: record
// chain checks, picture extent, and one decoder per record kind that drives TMetafileDC.
#include <algorithm>
#include <cmath>

#include <QPainter>

#include "toolkit/internal/metafile_dc.h"
#include "toolkit/internal/metafile_players.h"

namespace pictavia {

namespace metafile {

std::string WmfRecordName(uint16_t function) {
  switch (function) {
    case META_EOF:
      return "META_EOF";
    case META_SAVEDC:
      return "META_SAVEDC";
    case META_REALIZEPALETTE:
      return "META_REALIZEPALETTE";
    case META_SETPALENTRIES:
      return "META_SETPALENTRIES";
    case META_CREATEPALETTE:
      return "META_CREATEPALETTE";
    case META_SETBKMODE:
      return "META_SETBKMODE";
    case META_SETMAPMODE:
      return "META_SETMAPMODE";
    case META_SETROP2:
      return "META_SETROP2";
    case META_SETRELABS:
      return "META_SETRELABS";
    case META_SETPOLYFILLMODE:
      return "META_SETPOLYFILLMODE";
    case META_SETSTRETCHBLTMODE:
      return "META_SETSTRETCHBLTMODE";
    case META_SETTEXTCHAREXTRA:
      return "META_SETTEXTCHAREXTRA";
    case META_RESTOREDC:
      return "META_RESTOREDC";
    case META_INVERTREGION:
      return "META_INVERTREGION";
    case META_PAINTREGION:
      return "META_PAINTREGION";
    case META_SELECTCLIPREGION:
      return "META_SELECTCLIPREGION";
    case META_SELECTOBJECT:
      return "META_SELECTOBJECT";
    case META_SETTEXTALIGN:
      return "META_SETTEXTALIGN";
    case META_RESIZEPALETTE:
      return "META_RESIZEPALETTE";
    case META_DIBCREATEPATTERNBRUSH:
      return "META_DIBCREATEPATTERNBRUSH";
    case META_SETLAYOUT:
      return "META_SETLAYOUT";
    case META_DELETEOBJECT:
      return "META_DELETEOBJECT";
    case META_CREATEPATTERNBRUSH:
      return "META_CREATEPATTERNBRUSH";
    case META_SETBKCOLOR:
      return "META_SETBKCOLOR";
    case META_SETTEXTCOLOR:
      return "META_SETTEXTCOLOR";
    case META_SETTEXTJUSTIFICATION:
      return "META_SETTEXTJUSTIFICATION";
    case META_SETWINDOWORG:
      return "META_SETWINDOWORG";
    case META_SETWINDOWEXT:
      return "META_SETWINDOWEXT";
    case META_SETVIEWPORTORG:
      return "META_SETVIEWPORTORG";
    case META_SETVIEWPORTEXT:
      return "META_SETVIEWPORTEXT";
    case META_OFFSETWINDOWORG:
      return "META_OFFSETWINDOWORG";
    case META_OFFSETVIEWPORTORG:
      return "META_OFFSETVIEWPORTORG";
    case META_LINETO:
      return "META_LINETO";
    case META_MOVETO:
      return "META_MOVETO";
    case META_OFFSETCLIPRGN:
      return "META_OFFSETCLIPRGN";
    case META_FILLREGION:
      return "META_FILLREGION";
    case META_SETMAPPERFLAGS:
      return "META_SETMAPPERFLAGS";
    case META_SELECTPALETTE:
      return "META_SELECTPALETTE";
    case META_CREATEPENINDIRECT:
      return "META_CREATEPENINDIRECT";
    case META_CREATEFONTINDIRECT:
      return "META_CREATEFONTINDIRECT";
    case META_CREATEBRUSHINDIRECT:
      return "META_CREATEBRUSHINDIRECT";
    case META_POLYGON:
      return "META_POLYGON";
    case META_POLYLINE:
      return "META_POLYLINE";
    case META_SCALEWINDOWEXT:
      return "META_SCALEWINDOWEXT";
    case META_SCALEVIEWPORTEXT:
      return "META_SCALEVIEWPORTEXT";
    case META_EXCLUDECLIPRECT:
      return "META_EXCLUDECLIPRECT";
    case META_INTERSECTCLIPRECT:
      return "META_INTERSECTCLIPRECT";
    case META_ELLIPSE:
      return "META_ELLIPSE";
    case META_FLOODFILL:
      return "META_FLOODFILL";
    case META_RECTANGLE:
      return "META_RECTANGLE";
    case META_SETPIXEL:
      return "META_SETPIXEL";
    case META_FRAMEREGION:
      return "META_FRAMEREGION";
    case META_ANIMATEPALETTE:
      return "META_ANIMATEPALETTE";
    case META_TEXTOUT:
      return "META_TEXTOUT";
    case META_POLYPOLYGON:
      return "META_POLYPOLYGON";
    case META_EXTFLOODFILL:
      return "META_EXTFLOODFILL";
    case META_ROUNDRECT:
      return "META_ROUNDRECT";
    case META_PATBLT:
      return "META_PATBLT";
    case META_ESCAPE:
      return "META_ESCAPE";
    case META_CREATEREGION:
      return "META_CREATEREGION";
    case META_ARC:
      return "META_ARC";
    case META_PIE:
      return "META_PIE";
    case META_CHORD:
      return "META_CHORD";
    case META_BITBLT:
      return "META_BITBLT";
    case META_DIBBITBLT:
      return "META_DIBBITBLT";
    case META_EXTTEXTOUT:
      return "META_EXTTEXTOUT";
    case META_STRETCHBLT:
      return "META_STRETCHBLT";
    case META_DIBSTRETCHBLT:
      return "META_DIBSTRETCHBLT";
    case META_SETDIBTODEV:
      return "META_SETDIBTODEV";
    case META_STRETCHDIB:
      return "META_STRETCHDIB";
    default:
      return Format("WMF record 0x%04X", function);
  }
}

namespace {

constexpr size_t P = 6;  // parameters start after the size and function fields

// The i-th 16-bit parameter.
int16_t Arg(const TMetafileRecord& r, size_t i) {
  return r.I16(P + 2 * i);
}

QPolygonF Points16(const TMetafileRecord& r, size_t o, uint32_t count) {
  r.Need(o, count, 4, "the points");
  QPolygonF poly;
  poly.reserve(static_cast<qsizetype>(count));
  const uint8_t* p = r.Data() + o;
  for (uint32_t i = 0; i < count; ++i, p += 4)
    poly << QPointF(static_cast<int16_t>(GetU16(p)), static_cast<int16_t>(GetU16(p + 2)));
  return poly;
}

// A device-dependent bitmap (Bitmap16) at Offset: monochrome takes the text and background
// colours, 24- and 32-bit pixels are blue-green-red.
std::optional<TDib> Bitmap16At(const TMetafileRecord& r, TMetafileDC& dc, size_t o,
                               size_t bitsOffset) {
  const int width = r.I16(o + 2), height = r.I16(o + 4);
  const int rowBytes = r.I16(o + 6);
  const int planes = r.U8(o + 8), bits = r.U8(o + 9);
  if (width <= 0 || height <= 0 || rowBytes <= 0)
    r.Fail(Format("bitmap size %dx%d (%d bytes a row) is not valid", width, height, rowBytes));
  const int64_t need = int64_t(rowBytes) * height;
  r.Need(bitsOffset, static_cast<uint64_t>(need), 1, "the bitmap bits");
  if (int64_t(width) * bits > int64_t(rowBytes) * 8)
    r.Fail(Format("bitmap rows of %d bytes cannot hold %d pixels", rowBytes, width));
  TDib dib;
  dib.Width = width;
  dib.Height = height;
  dib.TopDown = true;
  dib.BitCount = bits;
  dib.RowBytes = rowBytes;
  dib.Bits = r.Data() + bitsOffset;
  dib.BitsSize = static_cast<size_t>(need);
  dib.Supported = planes == 1 && (bits == 1 || bits == 24 || bits == 32);
  if (bits == 1)
    dib.Colors = {dc.ResolveColor(dc.State().TextColor), dc.ResolveColor(dc.State().BkColor)};
  dc.CountBitmap(r, dib);
  return dib;
}

// A device-independent bitmap stored as one block from Offset to the record's end.
TDib PackedDibAt(const TMetafileRecord& r, TMetafileDC& dc, size_t o, uint32_t usage) {
  TDib dib = ReadPackedDib(r, o, usage, dc.PaletteLookup());
  dc.CountBitmap(r, dib);
  return dib;
}

TGdiRegion RegionAt(const TMetafileRecord& r) {
  if (r.Size() == P + 8) {
    // Some writers store a plain rectangle, in the reversed order of the shape records.
    TGdiRegion region;
    region.Rects.emplace_back(QPointF(r.I16(P + 6), r.I16(P + 4)), QPointF(r.I16(P + 2), r.I16(P)));
    return region;
  }
  const uint16_t scans = r.U16(P + 10);
  size_t o = P + 22;
  TGdiRegion region;
  for (uint32_t i = 0; i < scans; ++i) {
    const uint16_t count = r.U16(o);
    const int16_t top = r.I16(o + 2), bottom = r.I16(o + 4);
    r.Need(o + 6, count / 2, 4, "the region scan lines");
    for (uint32_t k = 0; k < count / 2u; ++k) {
      const int16_t left = r.I16(o + 6 + 4 * k), right = r.I16(o + 8 + 4 * k);
      region.Rects.emplace_back(QPointF(left, top), QPointF(right, bottom));
    }
    o += 6 + size_t(count / 2) * 4 + 2;
  }
  return region;
}

void DrawText(TMetafileDC& dc, QPointF at, const uint8_t* bytes, uint16_t count, uint32_t options,
              const std::vector<double>& dx, bool hasRect, QPointF tl, QPointF br) {
  TTextRun run;
  run.Reference = at;
  run.Options = options;
  run.Text = DecodeAnsiText(bytes, count, dc.State().Font->EffectiveCharSet());
  if (run.Text.size() == static_cast<qsizetype>(dx.size())) run.Dx = dx;
  run.HasRect = hasRect;
  run.RectTopLeft = tl;
  run.RectBottomRight = br;
  dc.TextOut(run);
}

std::shared_ptr<TGdiObject> RegionObject(TMetafileDC& dc, uint16_t index) {
  const std::shared_ptr<TGdiObject> obj = dc.Objects().Get(index);
  return obj && std::holds_alternative<TGdiRegion>(*obj) ? obj : nullptr;
}

// The blit records exist with and without a bitmap; without one the record is three words
// longer than its function number's high byte says and holds a reserved word.
bool HasNoBitmap(const TMetafileRecord& r, uint16_t function) {
  return r.Size() / 2 == size_t(function >> 8) + 3;
}

void PlayRecord(TMetafileDC& dc, const TMetafileRecord& r, uint16_t function) {
  TDcState& s = dc.State();
  switch (function) {
    case META_EOF:
    case META_REALIZEPALETTE:
    case META_SETRELABS:
    case META_SETMAPPERFLAGS:
    case META_SETLAYOUT:
    case META_SETTEXTJUSTIFICATION:
    case META_ESCAPE:
    case META_FLOODFILL:
    case META_EXTFLOODFILL:
      break;

    case META_SAVEDC:
      dc.SaveDC();
      break;
    case META_RESTOREDC:
      dc.RestoreDC(Arg(r, 0));
      break;
    case META_SETBKMODE:
      s.BkMode = r.U16(P);
      break;
    case META_SETMAPMODE:
      dc.SetMapMode(r.U16(P));
      break;
    case META_SETROP2:
      s.Rop2 = r.U16(P);
      break;
    case META_SETPOLYFILLMODE:
      s.PolyFillMode = r.U16(P);
      break;
    case META_SETSTRETCHBLTMODE:
      s.StretchMode = r.U16(P);
      break;
    case META_SETTEXTCHAREXTRA:
      s.CharExtra = Arg(r, 0);
      break;
    case META_SETTEXTALIGN:
      s.TextAlign = r.U16(P);
      break;
    case META_SETBKCOLOR:
      s.BkColor = r.U32(P);
      break;
    case META_SETTEXTCOLOR:
      s.TextColor = r.U32(P);
      break;
    case META_SETWINDOWORG:
      dc.SetWindowOrg(QPointF(Arg(r, 1), Arg(r, 0)));
      break;
    case META_SETWINDOWEXT:
      dc.SetWindowExt(QPointF(Arg(r, 1), Arg(r, 0)));
      break;
    case META_SETVIEWPORTORG:
      dc.SetViewportOrg(QPointF(Arg(r, 1), Arg(r, 0)));
      break;
    case META_SETVIEWPORTEXT:
      dc.SetViewportExt(QPointF(Arg(r, 1), Arg(r, 0)));
      break;
    case META_OFFSETWINDOWORG:
      dc.SetWindowOrg(s.WindowOrg + QPointF(Arg(r, 1), Arg(r, 0)));
      break;
    case META_OFFSETVIEWPORTORG:
      dc.SetViewportOrg(s.ViewportOrg + QPointF(Arg(r, 1), Arg(r, 0)));
      break;
    case META_SCALEWINDOWEXT:
      dc.ScaleWindowExt(Arg(r, 3), Arg(r, 2), Arg(r, 1), Arg(r, 0));
      break;
    case META_SCALEVIEWPORTEXT:
      dc.ScaleViewportExt(Arg(r, 3), Arg(r, 2), Arg(r, 1), Arg(r, 0));
      break;

    case META_SELECTOBJECT:
      dc.SelectObject(r.U16(P));
      break;
    case META_SELECTPALETTE:
      dc.SelectPalette(r.U16(P));
      break;
    case META_DELETEOBJECT:
      dc.Objects().Delete(r.U16(P));
      break;
    case META_SELECTCLIPREGION: {
      const std::shared_ptr<TGdiObject> obj = RegionObject(dc, r.U16(P));
      if (!dc.Drawing()) break;
      if (obj)
        dc.SelectClip(dc.LogicalRegion(std::get<TGdiRegion>(*obj).Rects), RGN_COPY);
      else
        dc.SelectClip(std::nullopt, RGN_COPY);
      break;
    }
    case META_CREATEPENINDIRECT: {
      TGdiPen pen;
      pen.Style = r.U16(P);
      pen.Width = std::abs(static_cast<double>(Arg(r, 1)));
      pen.Color = r.U32(P + 6);
      dc.Objects().Add(pen);
      break;
    }
    case META_CREATEBRUSHINDIRECT: {
      TGdiBrush brush;
      brush.Style = r.U16(P);
      brush.Color = r.U32(P + 2);
      brush.Hatch = r.U16(P + 6);
      if (brush.Style != BS_SOLID && brush.Style != BS_NULL && brush.Style != BS_HATCHED)
        brush.Style = BS_SOLID;
      dc.Objects().Add(brush);
      break;
    }
    case META_CREATEFONTINDIRECT: {
      TGdiFont f;
      f.Height = Arg(r, 0);
      f.Width = Arg(r, 1);
      f.Escapement = Arg(r, 2);
      f.Weight = Arg(r, 4);
      f.Italic = r.U8(P + 10) != 0;
      f.Underline = r.U8(P + 11) != 0;
      f.StrikeOut = r.U8(P + 12) != 0;
      f.CharSet = r.U8(P + 13);
      f.Quality = r.U8(P + 16);
      f.PitchAndFamily = r.U8(P + 17);
      // The face name is at most 32 bytes and may end with the record.
      QByteArray face;
      for (size_t i = P + 18; i < r.Size() && i < P + 18 + 32 && r.Data()[i]; ++i)
        face.append(static_cast<char>(r.Data()[i]));
      f.FaceName = DecodeAnsiText(reinterpret_cast<const uint8_t*>(face.constData()),
                                  static_cast<size_t>(face.size()), 0);
      dc.Objects().Add(f);
      break;
    }
    case META_CREATEPALETTE: {
      const uint16_t count = r.U16(P + 2);
      r.Need(P + 4, count, 4, "the palette entries");
      TGdiPalette pal;
      for (uint32_t i = 0; i < count; ++i) {
        const size_t o = P + 4 + 4 * size_t(i);
        pal.Entries.push_back(qRgb(r.U8(o), r.U8(o + 1), r.U8(o + 2)));
      }
      dc.Objects().Add(pal);
      break;
    }
    case META_SETPALENTRIES:
    case META_ANIMATEPALETTE: {
      const uint16_t start = r.U16(P), count = r.U16(P + 2);
      r.Need(P + 4, count, 4, "the palette entries");
      if (!s.Palette) break;
      auto& entries = std::get<TGdiPalette>(*s.Palette).Entries;
      for (uint32_t i = 0; i < count && size_t(start) + i < entries.size(); ++i) {
        const size_t o = P + 4 + 4 * size_t(i);
        entries[start + i] = qRgb(r.U8(o), r.U8(o + 1), r.U8(o + 2));
      }
      break;
    }
    case META_RESIZEPALETTE:
      if (s.Palette)
        std::get<TGdiPalette>(*s.Palette)
            .Entries.resize(std::min<uint16_t>(r.U16(P), 1024), qRgb(0, 0, 0));
      break;
    case META_CREATEREGION:
      dc.Objects().Add(RegionAt(r));
      break;
    case META_DIBCREATEPATTERNBRUSH: {
      TGdiBrush brush;
      brush.Style = BS_DIBPATTERNPT;
      const TDib dib = PackedDibAt(r, dc, P + 4, r.U16(P + 2));
      if (dc.Drawing()) brush.Pattern = dib.ToImage();
      dc.Objects().Add(brush);
      break;
    }
    case META_CREATEPATTERNBRUSH: {
      TGdiBrush brush;
      brush.Style = BS_PATTERN;
      const std::optional<TDib> dib = Bitmap16At(r, dc, P, P + 32);
      if (dc.Drawing() && dib && dib->Supported) {
        if (dib->BitCount == 1) {
          const std::vector<QRgb> bw = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
          const QImage image = dib->ToImage(false, &bw);
          if (!image.isNull()) {
            brush.Pattern =
                image.convertToFormat(QImage::Format_Indexed8, QList<QRgb>(bw.begin(), bw.end()));
            brush.Mono = true;
          }
        } else {
          brush.Pattern = dib->ToImage();
        }
      }
      dc.Objects().Add(brush);
      break;
    }

    case META_LINETO:
      dc.LineTo(QPointF(Arg(r, 1), Arg(r, 0)));
      break;
    case META_MOVETO:
      dc.MoveTo(QPointF(Arg(r, 1), Arg(r, 0)));
      break;
    case META_POLYGON:
    case META_POLYLINE: {
      const QPolygonF pts = Points16(r, P + 2, r.U16(P));
      if (function == META_POLYGON)
        dc.Polygon(pts);
      else
        dc.Polyline(pts);
      break;
    }
    case META_POLYPOLYGON: {
      const uint16_t polys = r.U16(P);
      r.Need(P + 2, polys, 2, "the polygon counts");
      size_t o = P + 2 + size_t(polys) * 2;
      std::vector<QPolygonF> parts;
      for (uint32_t i = 0; i < polys; ++i) {
        const uint16_t n = r.U16(P + 2 + 2 * size_t(i));
        parts.push_back(Points16(r, o, n));
        o += size_t(n) * 4;
      }
      dc.PolyPolygon(parts);
      break;
    }
    case META_RECTANGLE:
      dc.Rectangle(QPointF(Arg(r, 3), Arg(r, 2)), QPointF(Arg(r, 1), Arg(r, 0)));
      break;
    case META_ELLIPSE:
      dc.Ellipse(QPointF(Arg(r, 3), Arg(r, 2)), QPointF(Arg(r, 1), Arg(r, 0)));
      break;
    case META_ROUNDRECT:
      dc.RoundRect(QPointF(Arg(r, 5), Arg(r, 4)), QPointF(Arg(r, 3), Arg(r, 2)),
                   QPointF(Arg(r, 1), Arg(r, 0)));
      break;
    case META_ARC:
    case META_PIE:
    case META_CHORD: {
      const TMetafileDC::TArcKind kind = function == META_ARC   ? TMetafileDC::akArc
                                         : function == META_PIE ? TMetafileDC::akPie
                                                                : TMetafileDC::akChord;
      dc.Arc(kind, QPointF(Arg(r, 7), Arg(r, 6)), QPointF(Arg(r, 5), Arg(r, 4)),
             QPointF(Arg(r, 3), Arg(r, 2)), QPointF(Arg(r, 1), Arg(r, 0)));
      break;
    }
    case META_SETPIXEL:
      dc.SetPixel(QPointF(Arg(r, 3), Arg(r, 2)), r.U32(P));
      break;
    case META_INTERSECTCLIPRECT:
      dc.IntersectClipRect(QPointF(Arg(r, 3), Arg(r, 2)), QPointF(Arg(r, 1), Arg(r, 0)));
      break;
    case META_EXCLUDECLIPRECT:
      dc.ExcludeClipRect(QPointF(Arg(r, 3), Arg(r, 2)), QPointF(Arg(r, 1), Arg(r, 0)));
      break;
    case META_OFFSETCLIPRGN:
      dc.OffsetClip(QPointF(Arg(r, 1), Arg(r, 0)));
      break;

    case META_FILLREGION:
    case META_FRAMEREGION:
    case META_PAINTREGION:
    case META_INVERTREGION: {
      const std::shared_ptr<TGdiObject> region = RegionObject(dc, r.U16(P));
      std::shared_ptr<TGdiObject> brushObj;
      if (function == META_FILLREGION || function == META_FRAMEREGION)
        brushObj = dc.Objects().Get(r.U16(P + 2));
      QPointF stroke;
      if (function == META_FRAMEREGION) stroke = QPointF(Arg(r, 3), Arg(r, 2));
      if (!region || !dc.Drawing()) break;
      const QRegion dest = dc.LogicalRegion(std::get<TGdiRegion>(*region).Rects);
      const TGdiBrush* brush = brushObj ? std::get_if<TGdiBrush>(brushObj.get()) : nullptr;
      if (function == META_FILLREGION) {
        if (brush) dc.FillRegion(dest, brush);
      } else if (function == META_FRAMEREGION) {
        if (brush) dc.FrameRegion(dest, brush, stroke);
      } else if (function == META_PAINTREGION) {
        dc.FillRegion(dest, nullptr);
      } else {
        dc.InvertRegion(dest);
      }
      break;
    }

    case META_TEXTOUT: {
      const uint16_t count = r.U16(P);
      const uint8_t* bytes = r.Span(P + 2, count, "the text");
      const size_t after = P + 2 + ((size_t(count) + 1) & ~size_t(1));
      const QPointF at(r.I16(after + 2), r.I16(after));
      DrawText(dc, at, bytes, count, 0, {}, false, {}, {});
      break;
    }
    case META_EXTTEXTOUT: {
      const QPointF at(Arg(r, 1), Arg(r, 0));
      const uint16_t count = r.U16(P + 4);
      const uint16_t options = r.U16(P + 6);
      size_t o = P + 8;
      bool hasRect = false;
      QPointF tl, br;
      if (options & (ETO_OPAQUE | ETO_CLIPPED)) {
        tl = QPointF(r.I16(o), r.I16(o + 2));
        br = QPointF(r.I16(o + 4), r.I16(o + 6));
        hasRect = true;
        o += 8;
      }
      const uint8_t* bytes = r.Span(o, count, "the text");
      o += (size_t(count) + 1) & ~size_t(1);
      std::vector<double> dx;
      if (count > 0 && r.Has(o, size_t(count) * 2)) {
        dx.reserve(count);
        for (uint32_t i = 0; i < count; ++i) dx.push_back(r.I16(o + 2 * i));
      }
      DrawText(dc, at, bytes, count, options, dx, hasRect, tl, br);
      break;
    }

    case META_PATBLT:
      dc.PatBlt(QPointF(Arg(r, 5), Arg(r, 4)),
                QPointF(Arg(r, 5) + double(Arg(r, 3)), Arg(r, 4) + double(Arg(r, 2))), r.U32(P));
      break;
    case META_BITBLT:
    case META_STRETCHBLT:
    case META_DIBBITBLT:
    case META_DIBSTRETCHBLT: {
      const bool stretch = function == META_STRETCHBLT || function == META_DIBSTRETCHBLT;
      const bool noBitmap = HasNoBitmap(r, function);
      // Parameters after the raster operation, in record order.
      size_t i = 2;
      double hs = 0, ws = 0;
      if (stretch) {
        hs = Arg(r, i++);
        ws = Arg(r, i++);
      }
      const double ys = Arg(r, i++), xs = Arg(r, i++);
      if (noBitmap) ++i;  // reserved
      const double h = Arg(r, i++), w = Arg(r, i++);
      const double y = Arg(r, i++), x = Arg(r, i++);
      if (!stretch) {
        hs = h;
        ws = w;
      }
      const size_t bitmapOff = P + 2 * i;
      std::optional<TDib> src;
      if (!noBitmap) {
        if (function == META_DIBBITBLT || function == META_DIBSTRETCHBLT)
          src = PackedDibAt(r, dc, bitmapOff, DIB_RGB_COLORS);
        else
          src = Bitmap16At(r, dc, bitmapOff, bitmapOff + 10);
      }
      const QTransform t = dc.LogicalToDest();
      TBlit b;
      b.P0 = t.map(QPointF(x, y));
      b.P1 = t.map(QPointF(x + w, y));
      b.P2 = t.map(QPointF(x, y + h));
      b.Rop = r.U32(P) & 0x00FFFFFF;
      if (src) {
        b.Source = &*src;
        b.SrcRect = QRectF(xs, ys, ws, hs);
      } else {
        b.SrcRect = QRectF(0, 0, 1, 1);
      }
      dc.Blit(b);
      break;
    }
    case META_STRETCHDIB: {
      const TDib dib = PackedDibAt(r, dc, P + 22, r.U16(P + 4));
      const double hs = Arg(r, 3), ws = Arg(r, 4), ys = Arg(r, 5), xs = Arg(r, 6);
      const double h = Arg(r, 7), w = Arg(r, 8), y = Arg(r, 9), x = Arg(r, 10);
      const QTransform t = dc.LogicalToDest();
      TBlit b;
      b.P0 = t.map(QPointF(x, y));
      b.P1 = t.map(QPointF(x + w, y));
      b.P2 = t.map(QPointF(x, y + h));
      b.Rop = r.U32(P) & 0x00FFFFFF;
      b.Source = &dib;
      b.SrcRect = QRectF(xs, dib.TopDown ? ys : dib.Height - ys - hs, ws, hs);
      dc.Blit(b);
      break;
    }
    case META_SETDIBTODEV: {
      const TDib dib = PackedDibAt(r, dc, P + 18, r.U16(P));
      const double scans = r.U16(P + 2), startScan = r.U16(P + 4);
      const double ys = Arg(r, 3), xs = Arg(r, 4), h = Arg(r, 5), w = Arg(r, 6);
      const QPointF dev = dc.LogicalToDevice().map(QPointF(Arg(r, 8), Arg(r, 7)));
      const QTransform& d = dc.DeviceToDest();
      TBlit b;
      b.P0 = d.map(dev);
      b.P1 = d.map(dev + QPointF(w, 0));
      b.P2 = d.map(dev + QPointF(0, h));
      b.Source = &dib;
      const double rows = std::min<double>(scans, dib.Height);
      b.SrcRect = QRectF(xs, dib.TopDown ? ys - startScan : startScan + rows - (ys + h), w, h);
      dc.Blit(b);
      break;
    }
    default:
      // Unknown creation records still take a slot in the object table.
      if ((function & 0xFF) >= 0xF7) dc.Objects().AddPlaceholder();
      break;
  }
}

// Walks the records from Offset, checking each size; returns the end of the last record.
template <typename Visit>
size_t WalkRecords(const uint8_t* data, size_t size, size_t offset, Visit&& visit) {
  size_t off = offset;
  while (size - off >= 6) {
    const uint64_t words = GetU32(data + off);
    const uint16_t function = GetU16(data + off + 4);
    if (words < 3 || words * 2 > size - off)
      throw EInvalidGraphic(
          Format("Invalid metafile: %s record at offset %zu has size %llu "
                 "bytes (%zu bytes remain)",
                 WmfRecordName(function).c_str(), off, static_cast<unsigned long long>(words * 2),
                 size - off));
    const size_t bytes = static_cast<size_t>(words * 2);
    visit(TMetafileRecord(data + off, bytes, off, WmfRecordName(function)), function);
    off += bytes;
    if (function == META_EOF) break;
  }
  return off;
}

// Units per inch of a mapping mode's logical units (pixels for the unscaled modes).
double UnitsPerInch(int mapMode) {
  switch (mapMode) {
    case MM_LOMETRIC:
      return 254;
    case MM_HIMETRIC:
      return 2540;
    case MM_LOENGLISH:
      return 100;
    case MM_HIENGLISH:
      return 1000;
    case MM_TWIPS:
      return 1440;
    default:
      return 96;
  }
}

}  // namespace

bool LooksLikeWmf(const uint8_t* Data, size_t Size) {
  size_t off = 0;
  if (Size >= kPlaceableHeaderSize && GetU32(Data) == kPlaceableKey) off = kPlaceableHeaderSize;
  if (Size - off < kWmfHeaderSize) return false;
  const uint16_t type = GetU16(Data + off), headerWords = GetU16(Data + off + 2);
  return (type == 1 || type == 2) && headerWords == 9;
}

TWmfInfo ReadWmf(const uint8_t* Data, size_t Size) {
  if (!LooksLikeWmf(Data, Size))
    throw EInvalidGraphic("Invalid metafile: not a Windows metafile (no WMF header)");
  TWmfInfo info;
  size_t off = 0;
  if (GetU32(Data) == kPlaceableKey) {
    info.Placeable = true;
    const int16_t l = static_cast<int16_t>(GetU16(Data + 6)),
                  t = static_cast<int16_t>(GetU16(Data + 8)),
                  r = static_cast<int16_t>(GetU16(Data + 10)),
                  b = static_cast<int16_t>(GetU16(Data + 12));
    info.Inch = GetU16(Data + 14);
    if (info.Inch == 0)
      throw EInvalidGraphic("Invalid metafile: the placeable header gives 0 units per inch");
    info.Bounds = QRect(QPoint(std::min(l, r), std::min(t, b)),
                        QPoint(std::max(l, r) - 1, std::max(t, b) - 1));
    off = kPlaceableHeaderSize;
  }
  info.Records = off + kWmfHeaderSize;

  // One decoding pass over all records; it also notes the first mapping mode and window.
  int mapMode = 0;
  std::optional<QPointF> org, ext;
  {
    TMetafileDC dc(nullptr);
    info.Length =
        WalkRecords(Data, Size, info.Records, [&](const TMetafileRecord& rec, uint16_t function) {
          if (function == META_SETMAPMODE && !mapMode) mapMode = rec.U16(P);
          if (function == META_SETWINDOWORG && !org) org = QPointF(Arg(rec, 1), Arg(rec, 0));
          if (function == META_SETWINDOWEXT && !ext) ext = QPointF(Arg(rec, 1), Arg(rec, 0));
          PlayRecord(dc, rec, function);
        });
  }

  if (info.Placeable) {
    info.WindowOrg = info.Bounds.topLeft();
    info.WindowExt = QPointF(info.Bounds.width(), info.Bounds.height());
    info.DeviceSize = QSizeF(info.Bounds.width(), info.Bounds.height());
    info.PixelsPerMm = info.Inch / 25.4;
    return info;
  }
  if (ext && ext->x() != 0 && ext->y() != 0) {
    // A standard metafile is as large as its window.
    const double upi = UnitsPerInch(mapMode);
    info.WindowOrg = org.value_or(QPointF(0, 0));
    info.WindowExt = *ext;
    info.DeviceSize = QSizeF(std::abs(ext->x()) * 96 / upi, std::abs(ext->y()) * 96 / upi);
  } else {
    // No window at all: the picture is the extent of what it draws.
    TMetafileDC dc(nullptr, true);
    WalkRecords(
        Data, info.Length, info.Records,
        [&](const TMetafileRecord& rec, uint16_t function) { PlayRecord(dc, rec, function); });
    QRectF box = dc.MeasuredBounds();
    if (!box.isValid() || box.isEmpty()) box = QRectF();
    box = box.united(QRectF(0, 0, 1, 1)).intersected(QRectF(-32768, -32768, 65536, 65536));
    const QRect whole = box.toAlignedRect();
    info.WindowOrg = whole.topLeft();
    info.WindowExt = QPointF(whole.width(), whole.height());
    info.DeviceSize = QSizeF(whole.width(), whole.height());
  }
  info.Bounds = QRect(QPoint(ClampToInt(info.WindowOrg.x()), ClampToInt(info.WindowOrg.y())),
                      QSize(static_cast<int>(std::lround(info.DeviceSize.width())),
                            static_cast<int>(std::lround(info.DeviceSize.height()))));
  info.Inch = 96;
  info.PixelsPerMm = 96 / 25.4;
  return info;
}

void PlayWmf(const uint8_t* Data, const TWmfInfo& Info, QPainter& Painter, const QRectF& Dest) {
  const QSizeF size = Info.DeviceSize;
  if (!(size.width() > 0 && size.height() > 0)) return;
  const QTransform toDest =
      QTransform::fromScale(Dest.width() / size.width(), Dest.height() / size.height()) *
      QTransform::fromTranslate(Dest.left(), Dest.top());
  TMetafileDC dc(&Painter);
  dc.SetDeviceMapping(toDest, Info.PixelsPerMm, Info.PixelsPerMm);
  // As a viewer sets the DC up: the picture's window fills the picture.
  dc.SetMapMode(MM_ANISOTROPIC);
  dc.SetWindowOrg(Info.WindowOrg);
  dc.SetWindowExt(Info.WindowExt);
  dc.SetViewportOrg(QPointF(0, 0));
  dc.SetViewportExt(QPointF(size.width(), size.height()));
  WalkRecords(Data, Info.Length, Info.Records, [&](const TMetafileRecord& rec, uint16_t function) {
    PlayRecord(dc, rec, function);
  });
}

}  // namespace metafile

}  // namespace pictavia
