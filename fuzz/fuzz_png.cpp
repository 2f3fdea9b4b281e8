// libFuzzer target for the PNG reader: load from memory, draw whatever was decoded (also after a
// failure) into a small canvas at small, far, reversed and int-range-spanning places, draw the
// picture the same way through the bitmap transfers the layers use, and write back what loaded,
// which must read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "codecs/png_object.h"
#include "fuzz_rects.h"
#include "raster/bitmap32.h"
#include "raster/resamplers.h"
#include "toolkit/canvas.h"
#include "toolkit/exceptions.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

// The decoded picture as a layer holds it, stretched (with a resampler the input picks) and
// copied into a small bitmap at every place.
void DrawThroughTransfers(TPNGObject& Png, const std::vector<TRect>& Places, size_t Pick) {
  TBitmap32 picture;
  picture.Assign(&Png);
  const std::vector<TResamplerClass>& resamplers = ResamplerList();
  picture.SetResamplerClassName(resamplers[Pick % resamplers.size()].Name);
  picture.SetDrawMode(Pick % 2 ? dmBlend : dmOpaque);
  TBitmap32 target;
  target.SetSize(24, 20);
  for (const TRect& r : Places) {
    picture.DrawOnto(target, r);
    picture.DrawOnto(target, r.Left, r.Top);
  }
}

int FuzzPng(const uint8_t* data, size_t size) {
  TPNGObject png;
  bool loaded = true;
  try {
    TReadOnlyMemoryStream stream(data, static_cast<int64_t>(size));
    png.LoadFromStream(stream);
  } catch (const Exception&) {
    loaded = false;
  }
  std::vector<uint32_t> pixels(24 * 20, 0xFF808080u);
  TCanvas canvas;
  canvas.SetSurface(pixels.data(), 24, 20);
  const std::vector<TRect> places = FuzzRects(data, size);
  try {
    (void)png.KeyColor();
    for (const TRect& r : places) png.DrawInto(canvas, r);
  } catch (const Exception&) {
    // palette pixels without an entry, drawn with alpha
  }
  // Turning a large picture into a bitmap would only slow the search down.
  if (int64_t(png.PictureWidth()) * png.PictureHeight() <= (1 << 16)) {
    try {
      DrawThroughTransfers(png, places, size);
    } catch (const Exception&) {
    }
  }
  // Writing a large picture would only slow the search down.
  if (loaded && int64_t(png.PictureWidth()) * png.PictureHeight() <= (1 << 16)) {
    TMemoryStream out;
    png.SaveToStream(out);
    TPNGObject again;
    out.SetPosition(0);
    try {
      again.LoadFromStream(out);
    } catch (const Exception&) {
      std::abort();  // what we wrote must read again
    }
  }
  return 0;
}

}  // namespace

}  // namespace pictavia

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return pictavia::FuzzPng(data, size);
}
