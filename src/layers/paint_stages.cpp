// The stage list and the bitmap and layer stages.
#include "layers/paint_stages.h"

#include "layers/layer_collection.h"
#include "toolkit/exceptions.h"

namespace pictavia {

TPaintStage& TPaintStages::Add() {
  stages_.emplace_back();
  return stages_.back();
}

TPaintStage& TPaintStages::Items(int Index) {
  if (Index < 0 || Index >= Count())
    throw EListError(Format("List index out of bounds (%d)", Index));
  return stages_[static_cast<size_t>(Index)];
}

const TPaintStage& TPaintStages::Items(int Index) const {
  return const_cast<TPaintStages*>(this)->Items(Index);
}

void AddDefaultStages(TPaintStages& Stages) {
  auto add = [&Stages](uint32_t Kind, bool RunTime, uint32_t Parameter) {
    TPaintStage& s = Stages.Add();
    s.RunTime = RunTime;
    s.Kind = Kind;
    s.Parameter = Parameter;
  };
  add(skClearBackground, true, 0);
  add(skControlFrame, false, 0);
  add(skDrawBitmap, true, 0);
  add(skBitmapFrame, false, 0);
  add(skDrawLayers, true, OptVisible);
}

void UseCustomFirstStage(TPaintStages& Stages) {
  if (Stages.Count() > 0 && Stages.Items(0).Kind == skClearBackground)
    Stages.Items(0).Kind = skCustom;
}

void DrawBitmapStage(TBitmap32& Bitmap, TBitmap32& Dest, const TRect& R, bool Tiled) {
  if (Bitmap.Empty() || R.Left >= R.Right || R.Top >= R.Bottom) return;
  TBitmapLock lock(Bitmap);
  if (Tiled && R.Right > 0 && R.Bottom > 0) {
    for (int j = 0; j <= Dest.Height() / R.Bottom; ++j)
      for (int i = 0; i <= Dest.Width() / R.Right; ++i) {
        TRect tile = R;
        OffsetRect(tile, i * R.Right, j * R.Bottom);
        Bitmap.DrawOnto(Dest, tile);
      }
  } else {
    Bitmap.DrawOnto(Dest, R);
  }
}

void DrawLayersStage(TLayerCollection& Layers, TBitmap32& Dest, uint32_t OptionMask) {
  // The count is read again on every step: a paint handler may free layers.
  for (int i = 0; i < Layers.Count(); ++i) {
    TCustomLayer* layer = Layers.Items(i);
    if (layer->OptionBits() & OptionMask) layer->PaintWithEvent(&Dest);
  }
}

}  // namespace pictavia
