// libFuzzer target for the JPEG picture: load from memory, then decode by drawing into a small
// canvas, with the decoding settings chosen from the input's length so that every path of the
// decompressor set-up gets its share.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/jpeg_image.h"
#include "toolkit/bitmap.h"
#include "toolkit/canvas.h"
#include "toolkit/exceptions.h"
#include "toolkit/streams.h"

namespace pictavia {
namespace {

int FuzzJpeg(const uint8_t* data, size_t size) {
  TJPEGImage jpeg;
  try {
    TReadOnlyMemoryStream stream(data, static_cast<int64_t>(size));
    jpeg.LoadFromStream(stream);
  } catch (const Exception&) {
    return 0;
  }
  const unsigned pick = static_cast<unsigned>(size % 11);
  jpeg.SetScaleDown(static_cast<TJPEGScaleDown>(pick % 4));
  jpeg.SetOutputDepth(pick % 3 == 1 ? Depth8 : Depth24);
  jpeg.SetDecodeSpeed(pick % 5 == 2 ? FavourSpeed : FavourQuality);
  jpeg.SetDecodeGrayscale(pick == 7);
  jpeg.SetShowProgressively(pick % 2 == 1);
  try {
    // A few bytes can announce a picture of gigapixels; decoding one proves nothing more than
    // decoding a small one and would only slow the search down.
    const int64_t pixels = int64_t(jpeg.Width()) * jpeg.Height();
    if (pixels > (int64_t(1) << 22)) return 0;
    std::vector<uint32_t> surface(16 * 16, 0);
    TCanvas canvas;
    canvas.SetSurface(surface.data(), 16, 16);
    jpeg.Draw(canvas, Rect(0, 0, 16, 16));
    // Drawn again at its own size (the direct row copy); small pictures also go back out
    // through the compressor.
    jpeg.Draw(canvas, Rect(-3, -3, jpeg.Width() - 3, jpeg.Height() - 3));
    if (pixels <= (1 << 16)) {
      TJPEGImage copy;
      copy.Assign(jpeg.DecodedBitmap());
      TMemoryStream saved;
      copy.SaveToStream(saved);
    }
  } catch (const Exception&) {
  }
  return 0;
}

}  // namespace
}  // namespace pictavia

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return pictavia::FuzzJpeg(data, size);
}
