// libFuzzer target for the PNG reader: load from memory, draw whatever was decoded (also after a
// failure) into a small canvas, and write back what loaded, which must read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "codecs/png_object.h"
#include "toolkit/canvas.h"
#include "toolkit/exceptions.h"
#include "toolkit/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
  try {
    (void)png.KeyColor();
    png.DrawInto(canvas, Rect(-3, 2, 21, 23));
    png.DrawInto(canvas, Rect(20, 19, 3, 1));
  } catch (const Exception&) {
    // palette pixels without an entry, drawn with alpha
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
