// The layer lines of render --print-layers.
#include "cli/internal/layer_listing.h"

#include <cstdio>
#include <sstream>

#include "layers/bitmap_layer.h"
#include "layers/offscreen_image.h"

namespace pictavia {

std::string DescribeLayers(TOffscreenImage& Image) {
  std::ostringstream out;
  TLayerCollection& layers = Image.Layers();
  for (int i = 0; i < layers.Count(); ++i) {
    auto* layer = dynamic_cast<TBitmapLayer*>(layers.Items(i));
    if (!layer) continue;
    const TFloatRect l = layer->Location();
    char line[256];
    std::snprintf(line, sizeof line, "%d %s (%g, %g, %g, %g) picture %d x %d opacity %u\n", i,
                  layer->ClassName(), l.Left, l.Top, l.Right, l.Bottom, layer->Bitmap().Width(),
                  layer->Bitmap().Height(), layer->Bitmap().MasterAlpha());
    out << line;
  }
  return out.str();
}

}  // namespace pictavia
