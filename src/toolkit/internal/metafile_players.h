// Entry points of the EMF and WMF players: reading (header, record chain and a decoding pass
// over every record, which raises EInvalidGraphic for malformed data) and playback with QPainter.
#pragma once

#ifndef PICTAVIA_INSIDE_TOOLKIT
#error "metafile_players.h is private to the toolkit library and its tests"
#endif

#include <cstddef>
#include <cstdint>

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>

class QPainter;

namespace pictavia {

namespace metafile {

struct TEmfInfo {
  QRect Bounds;       // device pixels, inclusive
  QRect Frame;        // 0.01 mm, inclusive
  QSize Device;       // reference device in pixels
  QSize Millimeters;  // reference device in millimetres
  size_t Length = 0;  // bytes up to and including the end-of-file record
};

// True when Data starts like an enhanced metafile (a header record with the signature).
bool LooksLikeEmf(const uint8_t* Data, size_t Size);
TEmfInfo ReadEmf(const uint8_t* Data, size_t Size);
// Draws the picture so that its frame covers Dest.
void PlayEmf(const uint8_t* Data, const TEmfInfo& Info, QPainter& Painter, const QRectF& Dest);

struct TWmfInfo {
  bool Placeable = false;
  QRect Bounds;        // placeable bounding box (logical units), or the window of the picture
  int Inch = 96;       // logical units per inch of Bounds
  size_t Length = 0;   // bytes up to and including the end-of-file record
  size_t Records = 0;  // offset of the first record
  // Where the picture's logical window sits and how large it is.
  QPointF WindowOrg;
  QPointF WindowExt;
  QSizeF DeviceSize;  // the picture in device units (what Dest receives)
  double PixelsPerMm = 96 / 25.4;
};

// True when Data starts like a Windows metafile (placeable or standard header).
bool LooksLikeWmf(const uint8_t* Data, size_t Size);
TWmfInfo ReadWmf(const uint8_t* Data, size_t Size);
void PlayWmf(const uint8_t* Data, const TWmfInfo& Info, QPainter& Painter, const QRectF& Dest);

}  // namespace metafile

}  // namespace pictavia
