// TBitmap, the toolkit bitmap: 1, 4, 8, 24 or 32 bits per pixel with a colour table, a
// transparent colour, scan-line access in its own pixel format, a canvas, BMP reading and
// 32-bit BMP writing.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "toolkit/canvas.h"
#include "toolkit/colors.h"
#include "toolkit/graphic.h"
#include "toolkit/picture_memory.h"

namespace pictavia {

// pfDevice behaves as pf32bit.
enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf24bit, pf32bit };
// Kept for callers that set it; both kinds hold device-independent pixels here.
enum TBitmapHandleType { bmDIB, bmDDB };
// tmAuto: the transparent colour is that of the bottom-left pixel; tmFixed: the colour set.
enum TTransparentMode { tmAuto, tmFixed };

// Bits per pixel of a pixel format.
int PixelFormatBits(TPixelFormat Format);

class TBitmap : public TGraphic {
 public:
  TBitmap();
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;
  const char* ClassName() const override { return "TBitmap"; }

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int Value) override { SetSize(Value, height_); }
  void SetHeight(int Value) override { SetSize(width_, Value); }
  // Keeps the pixels of the part both sizes share; new pixels are zero. Negative sizes count as
  // 0; more than MaxPicturePixels raises EOutOfResources.
  void SetSize(int NewWidth, int NewHeight);
  bool Empty() const override { return width_ == 0 || height_ == 0; }

  TPixelFormat PixelFormat() const { return pixelFormat_; }
  // Converts the pixels; an indexed format without a fitting colour table gets a default one
  // (black and white, the 16 standard colours, or those plus a colour cube and a grey ramp).
  void SetPixelFormat(TPixelFormat Value);
  TBitmapHandleType HandleType() const { return handleType_; }
  void SetHandleType(TBitmapHandleType Value) { handleType_ = Value; }

  // The colour table of 1-, 4- and 8-bit bitmaps (empty for the others). Changing it keeps
  // the pixel indexes, so the colours change.
  const std::vector<TRGBQuad>& ColorTable() const { return colorTable_; }
  void SetColorTable(const std::vector<TRGBQuad>& Table);
  HPALETTE Palette() const override;
  void SetPalette(HPALETTE Value) override;

  TTransparentMode TransparentMode() const { return transparentMode_; }
  void SetTransparentMode(TTransparentMode Value);
  // 0x00BBGGRR. Unless set, the colour of the bottom-left pixel (black for an empty bitmap).
  TColor TransparentColor() const;
  // clDefault returns to tmAuto; any other colour fixes it.
  void SetTransparentColor(TColor Value);

  // Row Y (top-down) in the bitmap's own pixel format, DibRowBytes(Width, bits) apart.
  // Raises EInvalidGraphicOperation for a row outside the bitmap.
  uint8_t* ScanLine(int Y);
  int64_t ScanLineSize() const;

  // A canvas over a 32-bit view of the pixels. Rows of fewer bits appear with 0 in the fourth
  // byte; what is drawn goes back into them (indexed formats take the nearest table colour).
  TCanvas* Canvas();

  // A stretched copy into Rect with the target's CopyMode; when Transparent, pixels of the
  // transparent colour are left out.
  void Draw(TCanvas& ACanvas, const TRect& Rect) override;
  void Assign(const TPersistent* Source) override;

  // Reads a BMP from the stream's position to its end; on failure the bitmap is unchanged.
  void LoadFromStream(TStream& Stream) override;
  // Always an uncompressed 32-bit BMP, whatever the pixel format held.
  void SaveToStream(TStream& Stream) override;

 private:
  class TBitmapCanvas;
  friend class TBitmapCanvas;

  int Bits() const { return PixelFormatBits(pixelFormat_); }
  int64_t Stride() const;
  void EnsureNative();
  void EnsureSurface();
  void BindCanvas();
  // The pixels as 0xAARRGGBB from the native rows (the fourth byte 0 below 32 bits).
  void ExpandNative(uint32_t* Out) const;
  void PackNative(const uint32_t* In);
  uint32_t PixelValue(int X, int Y) const;

  int width_ = 0;
  int height_ = 0;
  TPixelFormat pixelFormat_ = pfDevice;
  TBitmapHandleType handleType_ = bmDIB;
  TTransparentMode transparentMode_ = tmAuto;
  TColor transparentColor_ = clDefault;
  std::vector<TRGBQuad> colorTable_;
  // Native rows in the pixel format, held as words so that at 32 bits they are the canvas
  // surface as well.
  TPixelRows rows_;
  // The 32-bit canvas surface of formats below 32 bits, made on first use.
  TPixelRows surface_;
  // At most one side is stale at a time; the other is authoritative.
  bool nativeStale_ = false;
  bool surfaceStale_ = true;
  std::unique_ptr<TBitmapCanvas> canvas_;
};

}  // namespace pictavia
