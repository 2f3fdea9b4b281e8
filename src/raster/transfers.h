// Moving pixels between bitmaps: the block transfer at the source's own size, the stretch
// transfer through a resampler, and the row loop both share.
#pragma once

#include "raster/bitmap32.h"
#include "toolkit/exceptions.h"

namespace pictavia {

class TCustomResampler;

PICTAVIA_DECLARE_EXCEPTION(EBitmapException, Exception);
PICTAVIA_DECLARE_EXCEPTION(ESrcInvalidException, Exception);
PICTAVIA_DECLARE_EXCEPTION(ENestedException, Exception);

// Copies SrcRect of Src with its top-left corner at (DstX, DstY) of Dst, inside DstClip, with the
// source's master alpha and combine mode; notifies Dst of the rectangle it covers.
void TransferSameSize(TBitmap32* Dst, int DstX, int DstY, const TRect& DstClip,
                      const TBitmap32* Src, const TRect& SrcRect, TDrawMode CombineOp,
                      const TPixelCombineEvent& CombineCallBack);

// Maps SrcRect of Src onto DstRect of Dst through Resampler, drawing only inside DstClip;
// notifies Dst of DstRect.
void TransferScaled(TBitmap32* Dst, const TRect& DstRect, const TRect& DstClip,
                    const TBitmap32* Src, const TRect& SrcRect, TCustomResampler* Resampler,
                    TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack);

// The same-size row loop: DstRect is already clipped and (SrcX, SrcY) lands on its top-left.
void TransferRows(TBitmap32& Dst, const TRect& DstRect, const TBitmap32& Src, int SrcX, int SrcY,
                  TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack);

// Draws one row of Count pixels from Src onto Dst in a draw mode, with the source bitmap's
// master alpha, combine mode and outer colour (shared by the block and nearest loops).
void TransferRun(const TColor32* Src, TColor32* Dst, int Count, const TBitmap32& SrcBitmap,
                 TDrawMode CombineOp, const TPixelCombineEvent& CombineCallBack);

}  // namespace pictavia
