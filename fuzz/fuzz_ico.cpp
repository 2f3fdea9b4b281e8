// libFuzzer target for the ICO reader: load from memory, then blend what loaded into a small
// canvas.
#include <cstddef>
#include <cstdint>

#include <QCoreApplication>

#include "toolkit/bitmap.h"
#include "toolkit/exceptions.h"
#include "toolkit/icon.h"
#include "toolkit/streams.h"

namespace pictavia {
namespace {

int FuzzIco(const uint8_t* data, size_t size) {
  TIcon icon;
  try {
    TReadOnlyMemoryStream stream(data, static_cast<int64_t>(size));
    icon.LoadFromStream(stream);
  } catch (const Exception&) {
    return 0;
  }
  TBitmap target;
  target.SetPixelFormat(pf32bit);
  target.SetSize(16, 16);
  target.Canvas()->StretchDraw(Rect(0, 0, 16, 16), &icon);
  return 0;
}

}  // namespace
}  // namespace pictavia

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // Qt finds its image plugins (PNG pictures inside icons) through the application object.
  static QCoreApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return pictavia::FuzzIco(data, size);
}
