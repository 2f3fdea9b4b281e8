// The editor's commands on a document.
#include "document/document_editing.h"

#include <algorithm>
#include <utility>

#include "document/object_editing.h"
#include "document/objects.h"

namespace pictavia {

void NewDocumentCanvas(TDocument& Doc, int Width, int Height, TColor32 Fill) {
  Doc.Objects.clear();
  Doc.Canvas = TDocCanvas{Width, Height, Fill, {}, nullptr};
}

void SetCanvasColor(TDocument& Doc, int Width, int Height, TColor32 Color) {
  Doc.Canvas = TDocCanvas{Width, Height, Color, {}, nullptr};
}

void SetCanvasPicture(TDocument& Doc, int Width, int Height, const std::string& FileName,
                      std::shared_ptr<const TBitmap32> Picture) {
  Doc.Canvas = TDocCanvas{Width, Height, Doc.Canvas.Color, FileName, std::move(Picture)};
}

void SetCanvasSizeOnly(TDocument& Doc, int Width, int Height) {
  if (Width == Doc.Canvas.Width && Height == Doc.Canvas.Height) return;
  Doc.Canvas = TDocCanvas{Width, Height, 0x00000000u, {}, nullptr};
}

uint64_t AddPhoto(TDocument& Doc, TPictureStore& Store, const std::string& FileName,
                  TPoint Centre) {
  return AddPhoto(Doc, FileName, Store.Photo(FileName), Centre);
}

uint64_t AddPhoto(TDocument& Doc, const std::string& FileName,
                  std::shared_ptr<const TBitmap32> Picture, TPoint Centre) {
  TDocObject o;
  o.Kind = okPhoto;
  o.File = FileName;
  o.Picture = std::move(Picture);
  const TFloatSize size =
      FitPhoto(o.Picture->Width(), o.Picture->Height(), Doc.Canvas.Width, Doc.Canvas.Height);
  o.Location = CentredLocation(Centre.X, Centre.Y, size.Width, size.Height);
  return Doc.Append(std::move(o));
}

uint64_t AddClip(TDocument& Doc, TPictureStore& Store, const std::string& FileName, TPoint Centre) {
  TDocObject o;
  o.Kind = okClip;
  o.File = FileName;
  o.Clip = Store.Clip(FileName);
  const int w = o.Clip ? o.Clip->PictureWidth() : 0;
  const int h = o.Clip ? o.Clip->PictureHeight() : 0;
  o.Location = CentredLocationInt(Centre.X, Centre.Y, w, h);
  return Doc.Append(std::move(o));
}

uint64_t AddBar(TDocument& Doc, TPoint Centre) {
  TDocObject o;
  o.Kind = okBar;
  o.Location = CentredLocationInt(Centre.X, Centre.Y, ColorBarWidth, ColorBarHeight);
  return Doc.Append(std::move(o));
}

TSize RenderedTextSize(const std::string& Text, const TFontSpec& Font) {
  TFont font;
  font.SetName(Font.Name);
  font.SetSize(Font.Size);
  font.SetStyle(Font.Style);
  TBitmap32 measure;
  measure.SetFont(font);
  return measure.TextExtent(Text);
}

uint64_t AddText(TDocument& Doc, TPoint Centre) {
  TDocObject o;
  o.Kind = okText;
  const TSize size = RenderedTextSize(o.Text, o.Font);
  o.Location =
      CentredLocation(Centre.X, Centre.Y, static_cast<float>(size.cx), static_cast<float>(size.cy));
  return Doc.Append(std::move(o));
}

void DeleteObject(TDocument& Doc, uint64_t Id) {
  const int i = Doc.IndexOf(Id);
  if (i >= 0) Doc.Objects.erase(Doc.Objects.begin() + i);
}

bool MoveObjectUp(TDocument& Doc, uint64_t Id) {
  const int i = Doc.IndexOf(Id);
  if (i < 0 || i + 1 >= static_cast<int>(Doc.Objects.size())) return false;
  std::swap(Doc.Objects[static_cast<size_t>(i)], Doc.Objects[static_cast<size_t>(i + 1)]);
  return true;
}

bool MoveObjectDown(TDocument& Doc, uint64_t Id) {
  const int i = Doc.IndexOf(Id);
  if (i <= 0) return false;
  std::swap(Doc.Objects[static_cast<size_t>(i)], Doc.Objects[static_cast<size_t>(i - 1)]);
  return true;
}

void SetObjectLocation(TDocument& Doc, uint64_t Id, const TFloatRect& Location) {
  Doc.Change(Id).Location = Location;
}

void RotateObject(TDocument& Doc, uint64_t Id) {
  TDocObject& o = Doc.Change(Id);
  o.Edits.push_back({peRotate, {}});
  o.Location = QuarterTurnLocation(o.Location);
}

void FlipObject(TDocument& Doc, uint64_t Id, TPixelEditKind Flip) {
  Doc.Change(Id).Edits.push_back({Flip, {}});
}

void ApplyObjectMask(TDocument& Doc, uint64_t Id, TMaskSource Mask) {
  Doc.Change(Id).Edits.push_back({peMask, std::move(Mask)});
}

void RemoveObjectMask(TDocument& Doc, uint64_t Id) {
  Doc.Change(Id).Edits.push_back({peRemoveMask, {}});
}

void SetObjectOpacity(TDocument& Doc, uint64_t Id, uint32_t Opacity) {
  Doc.Change(Id).Opacity = Opacity;
}

void SetBarColor(TDocument& Doc, uint64_t Id, TColor32 Color) {
  Doc.Change(Id).BarColor = Color;
}

void ApplyObjectText(TDocument& Doc, uint64_t Id, const std::string& Text, const TFontSpec& Font,
                     TColor32 TextColor) {
  TDocObject& o = Doc.Change(Id);
  // A text that draws nothing would leave an object of width 0 that no click reaches again.
  const TSize typed = RenderedTextSize(Text, Font);
  if (typed.cx > 0 && typed.cy > 0) o.Text = Text;
  o.Font = Font;
  o.TextColor = TextColor;
  o.Edits.clear();
  const TSize size = RenderedTextSize(o.Text, o.Font);
  const TFloatRect old = o.Location;
  o.Location = FloatRect(old.Left, old.Top, old.Left + static_cast<float>(size.cx),
                         old.Top + static_cast<float>(size.cy));
}

}  // namespace pictavia
