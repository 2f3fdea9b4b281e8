// TPositionedLayer: location, scaling flag, tag, the mapping to control coordinates and the
// rectangular hit test.
#include "layers/positioned_layer.h"

#include <string_view>

#include "layers/layer_collection.h"

namespace pictavia {

namespace {

// Blanks here are spaces and control characters, as the toolkit's trimming counts them.
std::string_view TrimBlanks(std::string_view S) {
  while (!S.empty() && static_cast<unsigned char>(S.front()) <= ' ') S.remove_prefix(1);
  while (!S.empty() && static_cast<unsigned char>(S.back()) <= ' ') S.remove_suffix(1);
  return S;
}

}  // namespace

TPositionedLayer::TPositionedLayer(TLayerCollection* LayerCollection)
    : TCustomLayer(LayerCollection) {
  SetOptionBits(OptVisible | OptMouse);
}

void TPositionedLayer::SetLocation(const TFloatRect& Value) {
  // Always reported: callers rely on it to repaint after changing what the layer shows.
  Changing();
  StoreLocation(Value);
  Changed();
}

void TPositionedLayer::StoreLocation(const TFloatRect& Value) {
  location_ = Value;
}

void TPositionedLayer::SetScaled(bool Value) {
  if (Value == scaled_) return;
  Changing();
  scaled_ = Value;
  Changed();
}

void TPositionedLayer::SetLayerTag(const std::string& Value) {
  if (TrimBlanks(Value) == TrimBlanks(layerTag_)) return;
  Changing();
  layerTag_ = Value;
  Changed();
}

TFloatRect TPositionedLayer::ToViewRect(const TFloatRect& R) {
  if (!scaled_ || !LayerCollection()) return R;
  float sx, sy, dx, dy;
  LayerCollection()->ViewScale(sx, sy);
  LayerCollection()->ViewShift(dx, dy);
  return FloatRect(R.Left * sx + dx, R.Top * sy + dy, R.Right * sx + dx, R.Bottom * sy + dy);
}

bool TPositionedLayer::ShapeHit(int X, int Y) {
  const TFloatRect a = ViewLocation();
  // Compared in double so that every int converts exactly.
  const double x = X, y = Y;
  return a.Left <= x && x < a.Right && a.Top <= y && y < a.Bottom;
}

}  // namespace pictavia
