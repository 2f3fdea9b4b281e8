// TCanvas: the drawing target ("device context") over a top-down 32-bit pixel surface, with the
// pen, brush and font state, text output, block and stretched copies with raster operations,
// device-independent-bitmap stretching and picture drawing.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "toolkit/colors.h"
#include "toolkit/font.h"
#include "toolkit/geometry.h"
#include "toolkit/graphic.h"
#include "toolkit/object.h"

class QImage;
class QPainter;

namespace pictavia {

enum TBrushStyle {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

// Raster operations of the block and stretched copies (the values the platform used).
using TCopyMode = uint32_t;
inline constexpr TCopyMode cmBlackness = 0x00000042;
inline constexpr TCopyMode cmDstInvert = 0x00550009;
inline constexpr TCopyMode cmNotSrcCopy = 0x00330008;
inline constexpr TCopyMode cmNotSrcErase = 0x001100A6;
inline constexpr TCopyMode cmSrcAnd = 0x008800C6;
inline constexpr TCopyMode cmSrcCopy = 0x00CC0020;
inline constexpr TCopyMode cmSrcErase = 0x00440328;
inline constexpr TCopyMode cmSrcInvert = 0x00660046;
inline constexpr TCopyMode cmSrcPaint = 0x00EE0086;
inline constexpr TCopyMode cmWhiteness = 0x00FF0062;
// The pattern operations use the canvas brush colour.
inline constexpr TCopyMode cmMergeCopy = 0x00C000CA;
inline constexpr TCopyMode cmMergePaint = 0x00BB0226;
inline constexpr TCopyMode cmPatCopy = 0x00F00021;
inline constexpr TCopyMode cmPatInvert = 0x005A0049;
inline constexpr TCopyMode cmPatPaint = 0x00FB0A09;

// Background mode of text output.
enum TBkMode { bkTransparent = 1, bkOpaque = 2 };

class TBrush : public TPersistent {
 public:
  const char* ClassName() const override { return "TBrush"; }
  void Assign(const TPersistent* Source) override;
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
};

class TPen : public TPersistent {
 public:
  const char* ClassName() const override { return "TPen"; }
  void Assign(const TPersistent* Source) override;
  TColor Color = clBlack;
  int Width = 1;
  TPenStyle Style = psSolid;
};

// A device-independent bitmap handed to TCanvas::StretchDIBits: 1, 4, 8, 24 or 32 bits per pixel,
// rows padded as the caller says, bottom-up when BottomUp is set. Pixels of 1, 4 and 8 bits are
// indexes into ColorTable (first pixel in the most significant bits); 24-bit pixels are blue,
// green, red; 32-bit pixels are blue, green, red, fourth byte.
struct TDibDescription {
  int Width = 0;
  int Height = 0;
  int BitCount = 32;
  bool BottomUp = false;
  const uint8_t* Bits = nullptr;
  int Stride = 0;  // bytes per row
  const TRGBQuad* ColorTable = nullptr;
  int ColorCount = 0;
};

class TCanvas : public TPersistent {
 public:
  TCanvas();
  ~TCanvas() override;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;
  const char* ClassName() const override { return "TCanvas"; }

  // --- the surface ------------------------------------------------------------------------
  // Binds the canvas to Width x Height pixels of 0xAARRGGBB, rows top-down, Width pixels apart.
  // A null Bits (or an empty size) leaves the canvas without a surface: drawing does nothing.
  void SetSurface(uint32_t* Bits, int Width, int Height);
  bool HandleAllocated();
  uint32_t* Bits();
  int Width();
  int Height();
  uint32_t* ScanLine(int Y) { return Bits() + static_cast<intptr_t>(Y) * Width(); }

  // --- state ------------------------------------------------------------------------------
  TFont& Font() { return font_; }
  void SetFont(const TFont& Value) { font_.Assign(&Value); }
  TBrush& Brush() { return brush_; }
  TPen& Pen() { return pen_; }
  TCopyMode CopyMode = cmSrcCopy;
  TBkMode BkMode = bkOpaque;
  TPoint PenPos;
  // Drawing outside ClipRect is suppressed while clipping is on.
  void SetClipRect(const TRect& R);
  void ResetClip();
  bool Clipping() const { return clipping_; }
  TRect ClipRect();

  // --- lock -------------------------------------------------------------------------------
  void Lock();
  void Unlock();
  bool TryLock();
  int LockCount() const { return lockCount_.load(); }

  // --- drawing ----------------------------------------------------------------------------
  void FillRect(const TRect& R);   // brush colour (or hatch), opaque, no pen
  void FrameRect(const TRect& R);  // one-pixel frame in the brush colour
  void Rectangle(const TRect& R);  // pen outline, brush fill
  void Ellipse(const TRect& R);
  void MoveTo(int X, int Y);
  void LineTo(int X, int Y);
  void Polygon(const TPoint* Points, int Count);
  TColor Pixel(int X, int Y);  // 0x00BBGGRR, -1 outside
  void SetPixel(int X, int Y, TColor Color);

  // Text at (X, Y) = top-left corner of the text cell, in the font colour; the background is
  // filled with the brush colour unless BkMode is transparent or the brush is clear.
  void TextOut(int X, int Y, const std::string& Text);
  void TextRect(const TRect& R, int X, int Y, const std::string& Text);
  TSize TextExtent(const std::string& Text);
  int TextWidth(const std::string& Text) { return TextExtent(Text).cx; }
  int TextHeight(const std::string& Text) { return TextExtent(Text).cy; }

  // Pictures draw themselves: Draw at their own size, StretchDraw into a rectangle.
  void Draw(int X, int Y, TGraphic* Graphic);
  void StretchDraw(const TRect& R, TGraphic* Graphic);

  // Copies Source's SrcRect into Dest of this canvas with CopyMode, repeating or dropping rows
  // and columns when the sizes differ (no smoothing). Negative widths mirror.
  void CopyRect(const TRect& Dest, TCanvas& Source, const TRect& SrcRect);
  // The same from raw pixels of a device-independent bitmap (SrcRect in top-down pixels).
  // Indexed pixels arrive with 0 in the fourth byte, 32-bit pixels with theirs. A description
  // that is not readable (no bits, other bit counts, a stride shorter than a row) draws nothing.
  void StretchDIBits(const TRect& Dest, const TRect& SrcRect, const TDibDescription& Dib,
                     TCopyMode Rop = cmSrcCopy);
  // A stretched source copy that leaves the target alone wherever the source pixel has the
  // colour KeyColor (compared on red, green and blue).
  void TransparentStretchDIBits(const TRect& Dest, const TRect& SrcRect, const TDibDescription& Dib,
                                TColor KeyColor);
  // Blends Width x Height non-premultiplied 0xAARRGGBB pixels, stretched, onto the surface:
  // t := (s * a + (255 - a) * t + 255) div 256 per colour byte; alpha 0 leaves the target,
  // 255 replaces the colour; the target's fourth byte is kept.
  void StretchBlendPixels(const TRect& Dest, const TRect& SrcRect, const uint32_t* Pixels,
                          int Width, int Height);

  // Runs Paint with a QPainter on the surface (the fourth byte of touched pixels becomes 255;
  // the clip rectangle is applied). Used for text, shapes and metafile playback.
  void PaintWith(const std::function<void(QPainter&)>& Paint);

  // --- notification -----------------------------------------------------------------------
  TNotifyEvent OnChanging;
  TNotifyEvent OnChange;
  virtual void Changing();
  virtual void Changed();

 protected:
  // Called before the surface is used; a canvas owned by a picture binds or refreshes it here.
  virtual void RequireSurface() {}

 private:
  struct TStretchMap;
  // Binds the surface and maps the visible destination pixels to source pixels; false when
  // nothing is to be drawn.
  bool PrepareStretch(const TRect& Dest, const TRect& SrcRect, TStretchMap& Map);
  // Calls Combine(source x, source y, destination pixel) for every mapped pixel.
  template <class F>
  void StretchEach(const TStretchMap& Map, F&& Combine);
  void CopyPixels(const TRect& Dest, const uint32_t* srcBits, int srcW, int srcH,
                  const TRect& SrcRect, TCopyMode Rop);

  uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  TFont font_;
  TBrush brush_;
  TPen pen_;
  bool clipping_ = false;
  TRect clipRect_;
  std::recursive_mutex lock_;
  std::atomic<int> lockCount_{0};
};

// A picture's 0x00BBGGRR colour as an opaque 0xFFRRGGBB pixel, and back.
inline constexpr uint32_t PixelFromColor(TColor c) {
  return 0xFF000000u | (static_cast<uint32_t>(GetRValue(c)) << 16) |
         (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}
inline constexpr TColor ColorFromPixel(uint32_t p) {
  return RGBColor(static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8),
                  static_cast<uint8_t>(p));
}

}  // namespace pictavia
