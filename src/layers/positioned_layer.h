// TPositionedLayer: a layer placed by a float rectangle, in bitmap coordinates when Scaled, and
// mapped to control coordinates through the collection's view.
#pragma once

#include <string>

#include "layers/custom_layer.h"
#include "toolkit/geometry.h"

namespace pictavia {

class TPositionedLayer : public TCustomLayer {
 public:
  // Location (0, 0, 64, 64), options OptVisible + OptMouse, not scaled, no tag.
  explicit TPositionedLayer(TLayerCollection* LayerCollection);
  const char* ClassName() const override { return "TPositionedLayer"; }

  const TFloatRect& Location() const { return location_; }
  // Changing, StoreLocation, Changed - also when the value is the current one.
  void SetLocation(const TFloatRect& Value);

  bool Scaled() const { return scaled_; }
  void SetScaled(bool Value);

  // A free label. A new text that equals the current one after trimming blanks at both ends is
  // ignored; otherwise it is stored as given, untrimmed.
  const std::string& LayerTag() const { return layerTag_; }
  void SetLayerTag(const std::string& Value);

  // Location in control coordinates.
  TFloatRect ViewLocation() { return ToViewRect(location_); }
  // Maps a rectangle of the location space to control coordinates: through the view's scale and
  // shift when Scaled and in a collection, else unchanged.
  virtual TFloatRect ToViewRect(const TFloatRect& R);

  // True when ViewLocation holds the point (left and top inclusive).
  bool ShapeHit(int X, int Y) override;

  // Bitmap layers answer true; the collection's hit search skips those tagged exactly "KK".
  virtual bool IsBitmapLayer() const { return false; }

 protected:
  virtual void StoreLocation(const TFloatRect& Value);

 private:
  TFloatRect location_{0, 0, 64, 64};
  bool scaled_ = false;
  std::string layerTag_;
};

}  // namespace pictavia
