// libFuzzer target for the BMP reader: load from memory, then draw what loaded (stretched and
// keyed) into a small canvas, at small, far, reversed and int-range-spanning places, so that
// every pixel of the result is touched.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_rects.h"

#include "toolkit/bitmap.h"
#include "toolkit/exceptions.h"
#include "toolkit/streams.h"

namespace pictavia {
namespace {

int FuzzBmp(const uint8_t* data, size_t size) {
  TBitmap bitmap;
  try {
    TReadOnlyMemoryStream stream(data, static_cast<int64_t>(size));
    bitmap.LoadFromStream(stream);
  } catch (const Exception&) {
    return 0;
  }
  TBitmap target;
  target.SetPixelFormat(pf32bit);
  target.SetSize(16, 16);
  target.Canvas()->StretchDraw(Rect(0, 0, 16, 16), &bitmap);
  const std::vector<TRect> places = FuzzRects(data, size);
  for (const TRect& r : places) target.Canvas()->StretchDraw(r, &bitmap);
  bitmap.SetTransparent(true);
  target.Canvas()->StretchDraw(Rect(15, 15, -1, -1), &bitmap);
  for (const TRect& r : places) target.Canvas()->StretchDraw(r, &bitmap);
  // Both views of the pixels: the canvas surface and the rows in the bitmap's own format
  // (converting a whole large picture back and forth would only slow the search down).
  if (!bitmap.Empty() && int64_t(bitmap.Width()) * bitmap.Height() <= (1 << 20)) {
    bitmap.Canvas()->SetPixel(0, 0, clRed);
    volatile uint8_t first = bitmap.ScanLine(bitmap.Height() - 1)[0];
    (void)first;
  }
  return 0;
}

}  // namespace
}  // namespace pictavia

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return pictavia::FuzzBmp(data, size);
}
