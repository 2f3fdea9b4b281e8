// Record numbers, GDI constants and the bounds-checked record reader shared by the EMF and WMF
// players of TMetafile.
#pragma once

#ifndef PICTAVIA_INSIDE_TOOLKIT
#error "metafile_records.h is private to the toolkit library and its tests"
#endif

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "toolkit/exceptions.h"

namespace pictavia {

namespace metafile {

// --- enhanced metafile records ---------------------------------------------------------------
enum : uint32_t {
  EMR_HEADER = 1,
  EMR_POLYBEZIER = 2,
  EMR_POLYGON = 3,
  EMR_POLYLINE = 4,
  EMR_POLYBEZIERTO = 5,
  EMR_POLYLINETO = 6,
  EMR_POLYPOLYLINE = 7,
  EMR_POLYPOLYGON = 8,
  EMR_SETWINDOWEXTEX = 9,
  EMR_SETWINDOWORGEX = 10,
  EMR_SETVIEWPORTEXTEX = 11,
  EMR_SETVIEWPORTORGEX = 12,
  EMR_SETBRUSHORGEX = 13,
  EMR_EOF = 14,
  EMR_SETPIXELV = 15,
  EMR_SETMAPPERFLAGS = 16,
  EMR_SETMAPMODE = 17,
  EMR_SETBKMODE = 18,
  EMR_SETPOLYFILLMODE = 19,
  EMR_SETROP2 = 20,
  EMR_SETSTRETCHBLTMODE = 21,
  EMR_SETTEXTALIGN = 22,
  EMR_SETCOLORADJUSTMENT = 23,
  EMR_SETTEXTCOLOR = 24,
  EMR_SETBKCOLOR = 25,
  EMR_OFFSETCLIPRGN = 26,
  EMR_MOVETOEX = 27,
  EMR_SETMETARGN = 28,
  EMR_EXCLUDECLIPRECT = 29,
  EMR_INTERSECTCLIPRECT = 30,
  EMR_SCALEVIEWPORTEXTEX = 31,
  EMR_SCALEWINDOWEXTEX = 32,
  EMR_SAVEDC = 33,
  EMR_RESTOREDC = 34,
  EMR_SETWORLDTRANSFORM = 35,
  EMR_MODIFYWORLDTRANSFORM = 36,
  EMR_SELECTOBJECT = 37,
  EMR_CREATEPEN = 38,
  EMR_CREATEBRUSHINDIRECT = 39,
  EMR_DELETEOBJECT = 40,
  EMR_ANGLEARC = 41,
  EMR_ELLIPSE = 42,
  EMR_RECTANGLE = 43,
  EMR_ROUNDRECT = 44,
  EMR_ARC = 45,
  EMR_CHORD = 46,
  EMR_PIE = 47,
  EMR_SELECTPALETTE = 48,
  EMR_CREATEPALETTE = 49,
  EMR_SETPALETTEENTRIES = 50,
  EMR_RESIZEPALETTE = 51,
  EMR_REALIZEPALETTE = 52,
  EMR_EXTFLOODFILL = 53,
  EMR_LINETO = 54,
  EMR_ARCTO = 55,
  EMR_POLYDRAW = 56,
  EMR_SETARCDIRECTION = 57,
  EMR_SETMITERLIMIT = 58,
  EMR_BEGINPATH = 59,
  EMR_ENDPATH = 60,
  EMR_CLOSEFIGURE = 61,
  EMR_FILLPATH = 62,
  EMR_STROKEANDFILLPATH = 63,
  EMR_STROKEPATH = 64,
  EMR_FLATTENPATH = 65,
  EMR_WIDENPATH = 66,
  EMR_SELECTCLIPPATH = 67,
  EMR_ABORTPATH = 68,
  EMR_GDICOMMENT = 70,
  EMR_FILLRGN = 71,
  EMR_FRAMERGN = 72,
  EMR_INVERTRGN = 73,
  EMR_PAINTRGN = 74,
  EMR_EXTSELECTCLIPRGN = 75,
  EMR_BITBLT = 76,
  EMR_STRETCHBLT = 77,
  EMR_MASKBLT = 78,
  EMR_PLGBLT = 79,
  EMR_SETDIBITSTODEVICE = 80,
  EMR_STRETCHDIBITS = 81,
  EMR_EXTCREATEFONTINDIRECTW = 82,
  EMR_EXTTEXTOUTA = 83,
  EMR_EXTTEXTOUTW = 84,
  EMR_POLYBEZIER16 = 85,
  EMR_POLYGON16 = 86,
  EMR_POLYLINE16 = 87,
  EMR_POLYBEZIERTO16 = 88,
  EMR_POLYLINETO16 = 89,
  EMR_POLYPOLYLINE16 = 90,
  EMR_POLYPOLYGON16 = 91,
  EMR_POLYDRAW16 = 92,
  EMR_CREATEMONOBRUSH = 93,
  EMR_CREATEDIBPATTERNBRUSHPT = 94,
  EMR_EXTCREATEPEN = 95,
  EMR_POLYTEXTOUTA = 96,
  EMR_POLYTEXTOUTW = 97,
  EMR_SETICMMODE = 98,
  EMR_SMALLTEXTOUT = 108,
  EMR_ALPHABLEND = 114,
  EMR_SETLAYOUT = 115,
  EMR_TRANSPARENTBLT = 116,
  EMR_GRADIENTFILL = 118,
  EMR_SETTEXTJUSTIFICATION = 120
};

inline constexpr uint32_t ENHMETA_SIGNATURE = 0x464D4520;  // " EMF"
inline constexpr size_t kEmfHeaderMinSize = 88;

// --- windows metafile records ----------------------------------------------------------------
enum : uint16_t {
  META_EOF = 0x0000,
  META_SAVEDC = 0x001E,
  META_REALIZEPALETTE = 0x0035,
  META_SETPALENTRIES = 0x0037,
  META_CREATEPALETTE = 0x00F7,
  META_SETBKMODE = 0x0102,
  META_SETMAPMODE = 0x0103,
  META_SETROP2 = 0x0104,
  META_SETRELABS = 0x0105,
  META_SETPOLYFILLMODE = 0x0106,
  META_SETSTRETCHBLTMODE = 0x0107,
  META_SETTEXTCHAREXTRA = 0x0108,
  META_RESTOREDC = 0x0127,
  META_INVERTREGION = 0x012A,
  META_PAINTREGION = 0x012B,
  META_SELECTCLIPREGION = 0x012C,
  META_SELECTOBJECT = 0x012D,
  META_SETTEXTALIGN = 0x012E,
  META_RESIZEPALETTE = 0x0139,
  META_DIBCREATEPATTERNBRUSH = 0x0142,
  META_SETLAYOUT = 0x0149,
  META_DELETEOBJECT = 0x01F0,
  META_CREATEPATTERNBRUSH = 0x01F9,
  META_SETBKCOLOR = 0x0201,
  META_SETTEXTCOLOR = 0x0209,
  META_SETTEXTJUSTIFICATION = 0x020A,
  META_SETWINDOWORG = 0x020B,
  META_SETWINDOWEXT = 0x020C,
  META_SETVIEWPORTORG = 0x020D,
  META_SETVIEWPORTEXT = 0x020E,
  META_OFFSETWINDOWORG = 0x020F,
  META_OFFSETVIEWPORTORG = 0x0211,
  META_LINETO = 0x0213,
  META_MOVETO = 0x0214,
  META_OFFSETCLIPRGN = 0x0220,
  META_FILLREGION = 0x0228,
  META_SETMAPPERFLAGS = 0x0231,
  META_SELECTPALETTE = 0x0234,
  META_CREATEPENINDIRECT = 0x02FA,
  META_CREATEFONTINDIRECT = 0x02FB,
  META_CREATEBRUSHINDIRECT = 0x02FC,
  META_POLYGON = 0x0324,
  META_POLYLINE = 0x0325,
  META_SCALEWINDOWEXT = 0x0410,
  META_SCALEVIEWPORTEXT = 0x0412,
  META_EXCLUDECLIPRECT = 0x0415,
  META_INTERSECTCLIPRECT = 0x0416,
  META_ELLIPSE = 0x0418,
  META_FLOODFILL = 0x0419,
  META_RECTANGLE = 0x041B,
  META_SETPIXEL = 0x041F,
  META_FRAMEREGION = 0x0429,
  META_ANIMATEPALETTE = 0x0436,
  META_TEXTOUT = 0x0521,
  META_POLYPOLYGON = 0x0538,
  META_EXTFLOODFILL = 0x0548,
  META_ROUNDRECT = 0x061C,
  META_PATBLT = 0x061D,
  META_ESCAPE = 0x0626,
  META_CREATEREGION = 0x06FF,
  META_ARC = 0x0817,
  META_PIE = 0x081A,
  META_CHORD = 0x0830,
  META_BITBLT = 0x0922,
  META_DIBBITBLT = 0x0940,
  META_EXTTEXTOUT = 0x0A32,
  META_STRETCHBLT = 0x0B23,
  META_DIBSTRETCHBLT = 0x0B41,
  META_SETDIBTODEV = 0x0D33,
  META_STRETCHDIB = 0x0F43
};

inline constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
inline constexpr size_t kPlaceableHeaderSize = 22;
inline constexpr size_t kWmfHeaderSize = 18;

// --- GDI constants ---------------------------------------------------------------------------
enum : int {
  MM_TEXT = 1,
  MM_LOMETRIC = 2,
  MM_HIMETRIC = 3,
  MM_LOENGLISH = 4,
  MM_HIENGLISH = 5,
  MM_TWIPS = 6,
  MM_ISOTROPIC = 7,
  MM_ANISOTROPIC = 8
};
enum : int { TRANSPARENT = 1, OPAQUE = 2 };
enum : int { ALTERNATE = 1, WINDING = 2 };
enum : int { GM_COMPATIBLE = 1, GM_ADVANCED = 2 };
enum : int { AD_COUNTERCLOCKWISE = 1, AD_CLOCKWISE = 2 };
enum : int { STRETCH_HALFTONE = 4 };
enum : int { MWT_IDENTITY = 1, MWT_LEFTMULTIPLY = 2, MWT_RIGHTMULTIPLY = 3, MWT_SET = 4 };
enum : int { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };

enum : int {
  R2_BLACK = 1,
  R2_NOTMERGEPEN = 2,
  R2_MASKNOTPEN = 3,
  R2_NOTCOPYPEN = 4,
  R2_MASKPENNOT = 5,
  R2_NOT = 6,
  R2_XORPEN = 7,
  R2_NOTMASKPEN = 8,
  R2_MASKPEN = 9,
  R2_NOTXORPEN = 10,
  R2_NOP = 11,
  R2_MERGENOTPEN = 12,
  R2_COPYPEN = 13,
  R2_MERGEPENNOT = 14,
  R2_MERGEPEN = 15,
  R2_WHITE = 16
};

// Text alignment bits.
enum : uint32_t {
  TA_UPDATECP = 1,
  TA_RIGHT = 2,
  TA_CENTER = 6,
  TA_BOTTOM = 8,
  TA_BASELINE = 24,
  TA_HORZ_MASK = 6,
  TA_VERT_MASK = 24
};
// Text output options.
enum : uint32_t {
  ETO_OPAQUE = 0x2,
  ETO_CLIPPED = 0x4,
  ETO_GLYPH_INDEX = 0x10,
  ETO_NO_RECT = 0x100,
  ETO_SMALL_CHARS = 0x200,
  ETO_PDY = 0x2000
};

enum : uint32_t {
  PS_SOLID = 0,
  PS_DASH = 1,
  PS_DOT = 2,
  PS_DASHDOT = 3,
  PS_DASHDOTDOT = 4,
  PS_NULL = 5,
  PS_INSIDEFRAME = 6,
  PS_USERSTYLE = 7,
  PS_ALTERNATE = 8,
  PS_STYLE_MASK = 0xF,
  PS_ENDCAP_ROUND = 0x000,
  PS_ENDCAP_SQUARE = 0x100,
  PS_ENDCAP_FLAT = 0x200,
  PS_ENDCAP_MASK = 0xF00,
  PS_JOIN_ROUND = 0x0000,
  PS_JOIN_BEVEL = 0x1000,
  PS_JOIN_MITER = 0x2000,
  PS_JOIN_MASK = 0xF000,
  PS_GEOMETRIC = 0x10000
};

enum : uint32_t {
  BS_SOLID = 0,
  BS_NULL = 1,
  BS_HATCHED = 2,
  BS_PATTERN = 3,
  BS_DIBPATTERN = 5,
  BS_DIBPATTERNPT = 6
};
enum : uint32_t {
  HS_HORIZONTAL = 0,
  HS_VERTICAL = 1,
  HS_FDIAGONAL = 2,
  HS_BDIAGONAL = 3,
  HS_CROSS = 4,
  HS_DIAGCROSS = 5
};

enum : uint32_t { DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1 };
enum : uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };

// Stock objects are named by their index with the top bit set.
inline constexpr uint32_t kStockObjectFlag = 0x80000000u;
enum : uint32_t {
  WHITE_BRUSH = 0,
  LTGRAY_BRUSH = 1,
  GRAY_BRUSH = 2,
  DKGRAY_BRUSH = 3,
  BLACK_BRUSH = 4,
  NULL_BRUSH = 5,
  WHITE_PEN = 6,
  BLACK_PEN = 7,
  NULL_PEN = 8,
  OEM_FIXED_FONT = 10,
  ANSI_FIXED_FONT = 11,
  ANSI_VAR_FONT = 12,
  SYSTEM_FONT = 13,
  DEVICE_DEFAULT_FONT = 14,
  DEFAULT_PALETTE = 15,
  SYSTEM_FIXED_FONT = 16,
  DEFAULT_GUI_FONT = 17,
  DC_BRUSH = 18,
  DC_PEN = 19
};

// Raster operations of the bitmap records (the ternary operation index sits in bits 16-23).
inline constexpr uint32_t SRCCOPY = 0x00CC0020;
inline constexpr uint32_t SRCPAINT = 0x00EE0086;
inline constexpr uint32_t SRCAND = 0x008800C6;
inline constexpr uint32_t SRCINVERT = 0x00660046;
inline constexpr uint32_t PATCOPY = 0x00F00021;

// Names for messages ("EMR_POLYLINE16", "META_STRETCHDIB"); unknown numbers are spelled out.
std::string EmfRecordName(uint32_t type);
std::string WmfRecordName(uint16_t function);

// A view of one record: every read checks that it stays inside the record and raises
// EInvalidGraphic naming the record and its file offset otherwise.
class TMetafileRecord {
 public:
  TMetafileRecord(const uint8_t* data, size_t size, size_t fileOffset, std::string name)
      : data_(data), size_(size), offset_(fileOffset), name_(std::move(name)) {}

  size_t Size() const { return size_; }
  const uint8_t* Data() const { return data_; }
  size_t FileOffset() const { return offset_; }
  const std::string& Name() const { return name_; }

  [[noreturn]] void Fail(const std::string& problem) const {
    throw EInvalidGraphic(Format("Invalid metafile: %s record at offset %zu: %s", name_.c_str(),
                                 offset_, problem.c_str()));
  }

  // Checks that Count items of ItemSize bytes starting at Offset lie inside the record.
  void Need(size_t Offset, uint64_t Count, size_t ItemSize, const char* what) const {
    const uint64_t bytes = Count * static_cast<uint64_t>(ItemSize);
    if (ItemSize != 0 && bytes / ItemSize != Count) Fail(Format("%s overflow the record", what));
    if (Offset > size_ || bytes > size_ - Offset)
      Fail(Format("%s (%llu bytes at %zu) overflow the %zu-byte record", what,
                  static_cast<unsigned long long>(bytes), Offset, size_));
  }
  bool Has(size_t Offset, size_t Bytes) const { return Offset <= size_ && Bytes <= size_ - Offset; }

  uint8_t U8(size_t o) const {
    Need(o, 1, 1, "a field");
    return data_[o];
  }
  uint16_t U16(size_t o) const {
    Need(o, 1, 2, "a field");
    return static_cast<uint16_t>(data_[o] | (data_[o + 1] << 8));
  }
  int16_t I16(size_t o) const { return static_cast<int16_t>(U16(o)); }
  uint32_t U32(size_t o) const {
    Need(o, 1, 4, "a field");
    return static_cast<uint32_t>(data_[o]) | (static_cast<uint32_t>(data_[o + 1]) << 8) |
           (static_cast<uint32_t>(data_[o + 2]) << 16) |
           (static_cast<uint32_t>(data_[o + 3]) << 24);
  }
  int32_t I32(size_t o) const { return static_cast<int32_t>(U32(o)); }
  float F32(size_t o) const {
    const uint32_t bits = U32(o);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
  // A sub-range [Offset, Offset + Bytes) of the record, checked.
  const uint8_t* Span(size_t Offset, uint64_t Bytes, const char* what) const {
    Need(Offset, Bytes, 1, what);
    return data_ + Offset;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t offset_;
  std::string name_;
};

// Little-endian reads from a buffer whose size the caller has already checked.
inline uint16_t GetU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace metafile

}  // namespace pictavia
