// TMetafile: the toolkit picture of an enhanced (EMF) or Windows (WMF) metafile, with a
// player of our own that draws the records with QPainter.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "toolkit/graphic.h"

class QPainter;
class QRectF;

namespace pictavia {

class TMetafile : public TGraphic {
 public:
  TMetafile();
  ~TMetafile() override;
  const char* ClassName() const override { return "TMetafile"; }
  void Assign(const TPersistent* Source) override;

  // Size in pixels at 96 dots per inch.
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int Value) override;
  void SetHeight(int Value) override;
  // Size in hundredths of a millimetre.
  int MMWidth() const { return mmWidth_; }
  int MMHeight() const { return mmHeight_; }
  void SetMMWidth(int Value);
  void SetMMHeight(int Value);
  // True for an enhanced metafile, false for a Windows metafile.
  bool Enhanced() const;
  // Logical units per inch of a placeable Windows metafile, 0 otherwise.
  int Inch() const;

  bool Empty() const override { return !data_; }
  // Metafiles draw only their own shapes and leave the rest of the rectangle alone.
  bool Transparent() const override { return true; }
  void Clear();

  // Plays the records, mapping the picture's frame onto Rect.
  void Draw(TCanvas& ACanvas, const TRect& Rect) override;
  void Play(QPainter& Painter, const QRectF& Dest) const;

  // Reads an EMF or WMF (with or without the placeable header) from the stream's position.
  // Anything that is not a well-formed metafile raises EInvalidGraphic and leaves the picture
  // as it was.
  void LoadFromStream(TStream& Stream) override;
  // Writes the metafile as loaded; a changed size is written into its header.
  void SaveToStream(TStream& Stream) override;

  // The metafile's bytes as loaded (empty when Empty).
  const std::vector<uint8_t>& Data() const;

 private:
  struct TContents;
  std::shared_ptr<const TContents> data_;  // immutable once loaded, shared by copies
  int width_ = 0;
  int height_ = 0;
  int mmWidth_ = 0;
  int mmHeight_ = 0;
};

// An empty metafile, as the picture-format registry makes them for ".emf" and ".wmf".
std::unique_ptr<TGraphic> NewMetafile();

}  // namespace pictavia
