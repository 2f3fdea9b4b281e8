// TIcon, the toolkit icon: an ICO file of one or more pictures (device-independent bitmaps with
// a mask, or PNG streams), shown by its largest, deepest picture with its alpha.
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/graphic.h"
#include "toolkit/picture_memory.h"

namespace pictavia {

class TIcon : public TGraphic {
 public:
  TIcon();
  ~TIcon() override;
  TIcon(const TIcon&) = delete;
  TIcon& operator=(const TIcon&) = delete;
  const char* ClassName() const override { return "TIcon"; }

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // An icon's size is that of its picture: raises EInvalidGraphicOperation.
  void SetWidth(int Value) override;
  void SetHeight(int Value) override;
  bool Empty() const override { return pixels_.empty(); }
  // Icons always have see-through parts (their mask or alpha).
  bool Transparent() const override { return true; }

  // Blends the picture, stretched into Rect, onto the canvas pixels with its alpha.
  void Draw(TCanvas& ACanvas, const TRect& Rect) override;
  void Assign(const TPersistent* Source) override;

  // Reads an ICO file from the stream's position to its end and keeps its bytes; on failure
  // the icon is unchanged.
  void LoadFromStream(TStream& Stream) override;
  // Writes the bytes the icon was read from (nothing for an empty icon).
  void SaveToStream(TStream& Stream) override;

  // The shown picture: Width x Height pixels 0xAARRGGBB, not premultiplied, rows top-down.
  const TPixelRows& Pixels() const { return pixels_; }
  // Bits per pixel of the shown picture as stored, and how many pictures the file holds.
  int BitCount() const { return bitCount_; }
  int EntryCount() const { return entryCount_; }

 private:
  int width_ = 0;
  int height_ = 0;
  int bitCount_ = 0;
  int entryCount_ = 0;
  TPixelRows pixels_;
  std::vector<uint8_t> data_;
};

}  // namespace pictavia
