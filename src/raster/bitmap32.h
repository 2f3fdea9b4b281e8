// TBitmap32, the one pixel container of the program (canvas, layer pictures, back buffer, masks),
// with the change-notification bases it stands on and the free functions that go with pixels.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "raster/color32.h"
#include "raster/draw_modes.h"
#include "toolkit/canvas.h"
#include "toolkit/font.h"
#include "toolkit/geometry.h"
#include "toolkit/object.h"
#include "toolkit/picture_memory.h"

namespace pictavia {

class TCustomResampler;
class TBitmap;
class TGraphic;
class TStream;

// Info word of an area notification.
inline constexpr uint32_t AreaIsRect = 0x80000000u;
inline constexpr uint32_t AreaIsLine = 0x40000000u;

using TPixelCombineEvent = std::function<void(TColor32 F, TColor32& B, TColor32 M)>;
using TAreaChangedEvent = std::function<void(TObject* Sender, const TRect& Area, uint32_t Info)>;

// An object that reports its changes through OnChange, batched by BeginUpdate / EndUpdate.
class TNotifiablePersistent : public TPersistent {
 public:
  const char* ClassName() const override { return "TNotifiablePersistent"; }
  virtual void Changed();
  virtual void BeginUpdate();
  virtual void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  TNotifyEvent OnChange;

 protected:
  int updateCount_ = 0;
};

// Adds a re-entrant lock whose use is counted atomically.
class TThreadPersistent : public TNotifiablePersistent {
 public:
  const char* ClassName() const override { return "TThreadPersistent"; }
  void Lock();
  void Unlock();
  int LockCount() const { return lockCount_.load(); }

 protected:
  std::recursive_mutex lock_;
  std::atomic<int> lockCount_{0};
};

// A two-dimensional map with a width and a height that are never negative.
class TCustomMap : public TThreadPersistent {
 public:
  const char* ClassName() const override { return "TCustomMap"; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetWidth(int NewWidth) { SetSize(NewWidth, height_); }
  void SetHeight(int NewHeight) { SetSize(width_, NewHeight); }

  // Negative sizes become 0. Returns false (and does nothing) when the size is already that.
  virtual bool SetSize(int NewWidth, int NewHeight);
  void Delete() { SetSize(0, 0); }
  virtual bool Empty() const { return width_ == 0 || height_ == 0; }

  TNotifyEvent OnResize;

 protected:
  // Makes storage for the new size and stores it in Width and Height.
  virtual void Reallocate(int& Width, int& Height, int NewWidth, int NewHeight) = 0;
  virtual void Resized();

  int width_ = 0;
  int height_ = 0;
};

class TBitmap32 : public TCustomMap {
 public:
  TBitmap32();
  ~TBitmap32() override;
  TBitmap32(const TBitmap32&) = delete;
  TBitmap32& operator=(const TBitmap32&) = delete;
  const char* ClassName() const override { return "TBitmap32"; }

  // --- notification -----------------------------------------------------------------------
  // Raises OnAreaChanged with the whole bitmap and OnChange, as the update state allows.
  void Changed() override;
  // The same for one area; Info is AreaIsRect (or AreaIsLine plus a line width).
  virtual void Changed(const TRect& Area, uint32_t Info = AreaIsRect);
  bool Empty() const override;

  // Measuring mode: drawing changes no pixels and only reports the areas it would touch.
  void BeginAreaRecording(TAreaChangedEvent Callback);
  void EndAreaRecording();
  bool MeasuringMode() const { return measuring_; }

  // --- pixels -----------------------------------------------------------------------------
  TColor32* Bits() const { return bits_; }
  TColor32* RowAddress(int Y) const { return bits_ + static_cast<intptr_t>(Y) * width_; }
  TColor32* PixelAddress(int X, int Y) const {
    return bits_ + X + static_cast<intptr_t>(Y) * width_;
  }
  // No bounds test: 0 <= X < Width and 0 <= Y < Height is the caller's promise.
  TColor32 GetPixel(int X, int Y) const { return *PixelAddress(X, Y); }
  void SetPixel(int X, int Y, TColor32 Value) { *PixelAddress(X, Y) = Value; }
  // OuterColor outside the clip rectangle.
  TColor32 PixelOrOuter(int X, int Y) const;
  // The pixel at (X, Y) wrapped into the clip rectangle by WrapMode.
  TColor32 PixelWrapped(int X, int Y) const;
  // Blends Value onto the pixel with the memory form of CombineMode (no bounds test).
  void BlendPixelAt(int X, int Y, TColor32 Value);

  TRect BoundsRect() const { return Rect(0, 0, width_, height_); }
  TRect FullRect() const { return BoundsRect(); }
  const TRect& ClipRect() const { return clipRect_; }
  // Intersected with the bounds; a size change resets it to the bounds.
  void SetClipRect(const TRect& Value);
  bool Clipping() const { return clipping_; }
  // The clip rectangle in 16.16 fixed point and multiplied by 256.
  const TRect& FixedClipRect() const { return fixedClipRect_; }
  const TRect& Clip256Rect() const { return clip256Rect_; }

  // --- drawing state ----------------------------------------------------------------------
  TDrawMode DrawMode() const { return drawMode_; }
  void SetDrawMode(TDrawMode Value);
  TCombineMode CombineMode() const { return combineMode_; }
  void SetCombineMode(TCombineMode Value);
  TWrapMode WrapMode() const { return wrapMode_; }
  void SetWrapMode(TWrapMode Value);
  uint32_t MasterAlpha() const { return masterAlpha_; }
  void SetMasterAlpha(uint32_t Value);
  TColor32 OuterColor() const { return outerColor_; }
  void SetOuterColor(TColor32 Value) { outerColor_ = Value; }
  TColor32 PenColor() const { return penColor_; }
  void SetPenColor(TColor32 Value) { penColor_ = Value; }

  TCustomResampler* Resampler() const { return resampler_.get(); }
  // Takes ownership; null or the current resampler are ignored.
  void SetResampler(TCustomResampler* Value);
  std::string ResamplerClassName() const;
  // Creates a resampler of that registered class for this bitmap; unknown names are ignored.
  void SetResamplerClassName(const std::string& Value);

  TNotifyEvent OnHandleChanged;
  TPixelCombineEvent OnPixelCombine;
  TAreaChangedEvent OnAreaChanged;

  // --- copying, loading, saving -----------------------------------------------------------
  void Assign(const TPersistent* Source) override;
  void AssignTo(TPersistent* Dest) const override;
  void DefineProperties(TFiler& Filer) override;
  // The "Data" form: width, height (little-endian 32-bit), then the pixels top row first.
  virtual void ReadData(TStream& Stream);
  virtual void WriteData(TStream& Stream) const;
  // Picture file by extension through the picture-format registry.
  void LoadFromFile(const std::string& FileName);
  // Always a 32-bit BMP, whatever the extension.
  void SaveToFile(const std::string& FileName) const;
  void LoadFromStream(TStream& Stream);      // a BMP stream
  void SaveToStream(TStream& Stream) const;  // a 32-bit BMP stream
  virtual void CopyPixelsTo(TBitmap32& Dst) const;
  virtual void CopySettingsTo(TBitmap32& Dst) const;
  // Bitmaps are equal when both are empty or their BMP streams are the same.
  bool Equal(const TBitmap32& Other) const;

  // --- whole-bitmap operations ------------------------------------------------------------
  void Clear();  // to black 0xFF000000
  void Clear(TColor32 FillColor);
  void SetAllAlpha(uint8_t Alpha = 255);
  void MirrorLeftRight(TBitmap32* Dst = nullptr);
  void MirrorTopBottom(TBitmap32* Dst = nullptr);
  void RotateQuarter(TBitmap32* Dst = nullptr);  // a quarter turn clockwise

  // --- fills, lines, frames (bitmap32_drawing.cpp) ----------------------------------------
  void FillRect(int X1, int Y1, int X2, int Y2, TColor32 Value);
  void FillClipped(int X1, int Y1, int X2, int Y2, TColor32 Value);
  void FillClipped(const TRect& ARect, TColor32 Value);
  void RecolorKeepAlpha(int X1, int Y1, int X2, int Y2, TColor32 Value);
  void BlendFill(int X1, int Y1, int X2, int Y2, TColor32 Value);
  void BlendFillClipped(int X1, int Y1, int X2, int Y2, TColor32 Value);
  void BlendHLine(int X1, int Y, int X2, TColor32 Value);
  void BlendVLine(int X, int Y1, int Y2, TColor32 Value);
  void BlendHLineClipped(int X1, int Y, int X2, TColor32 Value);
  void BlendVLineClipped(int X, int Y1, int Y2, TColor32 Value);
  void BlendFrameClipped(int X1, int Y1, int X2, int Y2, TColor32 Value);

  // The stipple used by dashed lines and frames.
  void SetDashPattern(const TArrayOfColor32& Pattern);
  const TArrayOfColor32& DashPattern() const { return stipplePattern_; }
  float DashStep() const { return stippleStep_; }
  void SetDashStep(float Value) { stippleStep_ = Value; }
  float DashCounter() const { return stippleCounter_; }
  void SetDashCounter(float Value) { stippleCounter_ = Value; }
  TColor32 NextDashColor();
  void AdvanceDash(int64_t N);
  void DashedHLine(int X1, int Y, int X2);
  void DashedVLine(int X, int Y1, int Y2);
  void DashedFrame(int X1, int Y1, int X2, int Y2);

  // --- drawing onto others (bitmap32_drawing.cpp) -----------------------------------------
  void DrawOnto(TBitmap32& Dst, int DstX, int DstY) const;
  void DrawOnto(TBitmap32& Dst, const TRect& DstRect) const;
  // Copies all four bytes of every pixel to a device context at (DstX, DstY).
  void DrawOnto(TCanvas& DeviceContext, int DstX, int DstY) const;

  // --- canvas and text (bitmap32_text.cpp) ------------------------------------------------
  // A toolkit canvas on the pixels, made on first request and freed before every size change.
  TCanvas& Canvas();
  bool CanvasAllocated() const { return canvas_ != nullptr; }
  // The bitmap's device context: bound to the pixels while the bitmap is not empty, else null.
  TCanvas* Handle() const { return handle_.get(); }
  TFont& Font() { return *font_; }
  const TFont& Font() const { return *font_; }
  void SetFont(const TFont& Value);
  void TextOut(int X, int Y, const std::string& Text);
  TSize TextExtent(const std::string& Text);
  int TextWidth(const std::string& Text) { return TextExtent(Text).cx; }
  int TextHeight(const std::string& Text) { return TextExtent(Text).cy; }
  // Anti-aliased text with a real alpha channel; AALevel -1..4, Color's alpha as master alpha.
  void DrawSmoothText(int X, int Y, const std::string& Text, int AALevel, TColor32 Color);

 protected:
  void Reallocate(int& Width, int& Height, int NewWidth, int NewHeight) override;
  virtual void HandleChanged();
  virtual void FontChanged();
  // Selects the font into the device context when it is not selected yet.
  void UpdateFont();

 private:
  friend class TBitmap32Resampler;
  void ImportToolkitBitmap(const TBitmap& Source);
  void ImportWithTwoBackgrounds(TGraphic& Source);
  // Assign; a source freed right after (SourceFreedAfter) is drawn once, keeping nothing.
  void AssignFrom(const TPersistent* Source, bool SourceFreedAfter);
  void ImportGraphic(TGraphic& Source, bool DrawnOnce);
  void ExportTo(TBitmap& Dest) const;
  void ResetClipRect();

  // Zeroed storage that costs no clearing pass (and, for big pictures, few page faults).
  TPictureMemory pixels_;
  TColor32* bits_ = nullptr;
  std::unique_ptr<TCanvas> canvas_;
  std::unique_ptr<TCanvas> handle_;
  TRect clipRect_;
  TRect fixedClipRect_;
  TRect clip256Rect_;
  bool clipping_ = false;
  TDrawMode drawMode_ = dmOpaque;
  TCombineMode combineMode_ = cmBlend;
  TWrapMode wrapMode_ = wmClamp;
  std::unique_ptr<TFont> font_;
  uint32_t masterAlpha_ = 255;
  TColor32 outerColor_ = 0x00000000;
  TColor32 penColor_ = 0xFFFFFFFF;
  float stippleCounter_ = 0;
  TArrayOfColor32 stipplePattern_;
  float stippleStep_ = 1.0f;
  TAreaChangedEvent savedOnAreaChanged_;
  bool measuring_ = false;
  std::unique_ptr<TCustomResampler> resampler_;
  bool fontSelected_ = false;
};

// Holds a bitmap's lock for the life of the object.
class TBitmapLock {
 public:
  explicit TBitmapLock(TBitmap32& Bitmap) : bitmap_(Bitmap) { bitmap_.Lock(); }
  ~TBitmapLock() { bitmap_.Unlock(); }
  TBitmapLock(const TBitmapLock&) = delete;
  TBitmapLock& operator=(const TBitmapLock&) = delete;

 private:
  TBitmap32& bitmap_;
};

// Gives every pixel of Dst its colour and the brightness of the Src pixel as alpha; Dst is sized
// like Src. The photo masks use it with a mask stretched to the photo's size.
void AlphaFromBrightness(TBitmap32* Dst, const TBitmap32* Src);

// Rounding modes of ToIntRect; the program uses only the nearest one.
enum TRectRounding { rrClosest, rrOutside, rrInside };

// Float rectangle to integer rectangle, each coordinate rounded to nearest with ties to even.
TRect ToIntRect(const TFloatRect& R, TRectRounding Rounding = rrClosest);

}  // namespace pictavia
