// Block and stretch transfers between bitmaps, with clipping, draw modes and notification.
#include "raster/transfers.h"

#include "raster/blend.h"
#include "raster/resamplers.h"

namespace pictavia {

namespace {

// Restores the processor state after vector blending, also when the pixel loop throws.
struct VectorStateGuard {
  ~VectorStateGuard() { EndVectorState(); }
};

void CheckBitmaps(const TBitmap32* Dst, const TBitmap32* Src) {
  if (Dst == nullptr) throw EBitmapException("Destination bitmap is nil");
  if (Src == nullptr) throw EBitmapException("Source bitmap is nil");
}

}  // namespace

void TransferRun(const TColor32* Src, TColor32* Dst, int Count, const TBitmap32& SrcBitmap,
                 TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack) {
  if (Count <= 0) return;
  switch (CombineOp) {
    case dmOpaque:
      CopyWords32(Src, Dst, Count);
      break;
    case dmBlend:
      if (SrcBitmap.MasterAlpha() >= 255)
        BLEND_LINE[SrcBitmap.CombineMode()](Src, Dst, Count);
      else
        BLEND_LINE_EX[SrcBitmap.CombineMode()](Src, Dst, Count, SrcBitmap.MasterAlpha());
      break;
    case dmCustom: {
      const TColor32 m = SrcBitmap.MasterAlpha();
      for (int i = 0; i < Count; ++i) CombineCallBack(Src[i], Dst[i], m);
      break;
    }
    case dmTransparent: {
      const TColor32 key = SrcBitmap.OuterColor();
      for (int i = 0; i < Count; ++i)
        if (Src[i] != key) Dst[i] = Src[i];
      break;
    }
  }
}

void TransferRows(TBitmap32& Dst, const TRect& DstRect, const TBitmap32& Src, int SrcX, int SrcY,
                  TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack) {
  const int w = DstRect.Right - DstRect.Left;
  if (w <= 0) return;
  for (int y = DstRect.Top; y < DstRect.Bottom; ++y) {
    const TColor32* s = Src.PixelAddress(SrcX, SrcY + (y - DstRect.Top));
    TColor32* d = Dst.PixelAddress(DstRect.Left, y);
    TransferRun(s, d, w, Src, CombineOp, CombineCallBack);
  }
}

void TransferSameSize(TBitmap32* Dst, int DstX, int DstY, const TRect& DstClip,
                      const TBitmap32* Src, const TRect& SrcRect, TDrawMode CombineOp,
                      const TPixelCombineEvent& CombineCallBack) {
  CheckBitmaps(Dst, Src);
  if (Dst->Empty() || Src->Empty() || (CombineOp == dmBlend && Src->MasterAlpha() == 0)) return;

  // The shift from source to destination in 64 bits: it spans up to twice the int range.
  const int64_t dx = int64_t{DstX} - SrcRect.Left, dy = int64_t{DstY} - SrcRect.Top;

  if (!Dst->MeasuringMode()) {
    if (CombineOp == dmCustom && !CombineCallBack) CombineOp = dmOpaque;
    TRect clip;
    IntersectRect(clip, DstClip, Dst->BoundsRect());
    TRect src;
    IntersectRect(src, SrcRect, Src->BoundsRect());
    // Both bitmaps are smaller than 2^31 pixels a side, so a visible part moved back by the
    // shift lies inside the source again; anything the shift takes past the int range is not
    // visible.
    const TRect shifted = Rect(SaturatedInt32(src.Left + dx), SaturatedInt32(src.Top + dy),
                               SaturatedInt32(src.Right + dx), SaturatedInt32(src.Bottom + dy));
    TRect dst;
    if (IntersectRect(dst, clip, shifted) && !IsRectEmpty(dst)) {
      VectorStateGuard guard;
      TransferRows(*Dst, dst, *Src, static_cast<int>(dst.Left - dx), static_cast<int>(dst.Top - dy),
                   CombineOp, CombineCallBack);
    }
  }
  Dst->Changed(Rect(DstX, DstY, SaturatedInt32(DstX + (int64_t{SrcRect.Right} - SrcRect.Left)),
                    SaturatedInt32(DstY + (int64_t{SrcRect.Bottom} - SrcRect.Top))),
               AreaIsRect);
}

void TransferScaled(TBitmap32* Dst, const TRect& DstRect, const TRect& DstClip,
                    const TBitmap32* Src, const TRect& SrcRect, TCustomResampler* Resampler,
                    TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack) {
  CheckBitmaps(Dst, Src);
  if (Src->Empty() || Dst->Empty() || (CombineOp == dmBlend && Src->MasterAlpha() == 0)) return;
  if (IsRectEmpty(SrcRect)) return;
  if (SrcRect.Left < 0 || SrcRect.Top < 0 || SrcRect.Right > Src->Width() ||
      SrcRect.Bottom > Src->Height())
    throw ESrcInvalidException("Source rectangle is invalid");

  if (!Dst->MeasuringMode()) {
    TRect clip;
    IntersectRect(clip, DstClip, Dst->BoundsRect());
    IntersectRect(clip, clip, DstRect);
    if (IsRectEmpty(clip)) return;
    if (CombineOp == dmCustom && !CombineCallBack) CombineOp = dmOpaque;
    VectorStateGuard guard;
    if (DstRect.Width() == SrcRect.Width() && DstRect.Height() == SrcRect.Height()) {
      TransferRows(*Dst, clip, *Src, SrcRect.Left + clip.Left - DstRect.Left,
                   SrcRect.Top + clip.Top - DstRect.Top, CombineOp, CombineCallBack);
    } else {
      // Without a resampler of its own the stretch uses the source bitmap's.
      if (Resampler == nullptr) Resampler = Src->Resampler();
      if (Resampler == nullptr) throw EBitmapException("Resampler is nil");
      Resampler->Resample(*Dst, DstRect, clip, *Src, SrcRect, CombineOp, CombineCallBack);
    }
  }
  Dst->Changed(DstRect, AreaIsRect);
}

}  // namespace pictavia
