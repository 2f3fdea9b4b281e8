// The body shared by the EMF and WMF fuzz targets: load a metafile from the input and, when it
// loads, draw it into a 64 x 64 canvas.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <QGuiApplication>

#include "toolkit/canvas.h"
#include "toolkit/exceptions.h"
#include "toolkit/metafile.h"
#include "toolkit/streams.h"

// fontconfig keeps caches it never frees; they are not ours to report (as in .ci/lsan.supp).
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n";
}

namespace pictavia {

// Text drawing needs a GUI application; it lives for the whole run.
inline void StartMetafileFuzzing(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QGuiApplication* app = new QGuiApplication(*argc, *argv);
  (void)app;
}

inline void FuzzMetafile(const uint8_t* data, size_t size) {
  TReadOnlyMemoryStream stream(data, static_cast<int64_t>(size));
  TMetafile metafile;
  try {
    metafile.LoadFromStream(stream);
  } catch (const Exception&) {
    return;
  }
  std::vector<uint32_t> pixels(64 * 64, 0xFFFFFFFFu);
  TCanvas canvas;
  canvas.SetSurface(pixels.data(), 64, 64);
  metafile.Draw(canvas, Rect(0, 0, 64, 64));
}

}  // namespace pictavia
