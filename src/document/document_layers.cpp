// Building and refreshing the layers of a document's objects.
#include "document/document_layers.h"

#include <algorithm>

#include "document/composition.h"
#include "document/object_editing.h"
#include "layers/color_layer.h"
#include "layers/offscreen_image.h"
#include "layers/png_layer.h"
#include "layers/text_layer.h"

namespace pictavia {

namespace {

TFont FontOf(const TFontSpec& Spec, TColor32 TextColor) {
  TFont font;
  font.SetName(Spec.Name);
  font.SetSize(Spec.Size);
  font.SetStyle(Spec.Style);
  font.SetColor(ToToolkitColor(TextColor));
  return font;
}

bool StartsWith(const std::vector<TPixelEdit>& Edits, const std::vector<TPixelEdit>& Prefix) {
  return Prefix.size() <= Edits.size() && std::equal(Prefix.begin(), Prefix.end(), Edits.begin());
}

}  // namespace

void ApplyPixelEdits(TBitmap32& Bitmap, const std::vector<TPixelEdit>& Edits, size_t First) {
  for (size_t i = First; i < Edits.size(); ++i) {
    switch (Edits[i].Kind) {
      case peRotate:
        Bitmap.RotateQuarter();
        break;
      case peFlipHorizontal:
        Bitmap.MirrorLeftRight();
        break;
      case peFlipVertical:
        Bitmap.MirrorTopBottom();
        break;
      case peMask:
        if (Edits[i].Mask.Picture) ApplyMask(Bitmap, Edits[i].Mask.Picture.get());
        break;
      case peRemoveMask:
        RemoveMask(Bitmap);
        break;
    }
  }
}

void PaintDocumentCanvas(TBitmap32& Canvas, const TDocCanvas& Spec) {
  ResizeCanvas(Canvas, Spec.Width, Spec.Height);
  Canvas.Clear(Spec.Color);
  if (Spec.Background) {
    // The shared picture keeps its own settings; a copy takes the stretch's.
    TBitmap32 picture;
    picture.Assign(Spec.Background.get());
    StretchBackgroundPicture(Canvas, picture);
  }
}

std::unique_ptr<TBitmap32> FlattenDocument(const TDocument& Doc) {
  TOffscreenImage image;
  TDocumentLayers layers(image.Layers(), image.Bitmap());
  layers.Update(Doc);
  return FlattenComposition(image);
}

TDocumentLayers::TDocumentLayers(TLayerCollection& Layers, TBitmap32& Canvas)
    : layers_(Layers), canvas_(Canvas) {}

TDocumentLayers::~TDocumentLayers() = default;

void TDocumentLayers::Forget() {
  entries_.clear();
  canvasShown_ = false;
}

TBitmapLayer* TDocumentLayers::LayerOf(uint64_t Id) const {
  const auto it = entries_.find(Id);
  return it == entries_.end() ? nullptr : it->second.Layer;
}

uint64_t TDocumentLayers::IdOf(const TCustomLayer* Layer) const {
  for (const auto& [id, entry] : entries_)
    if (entry.Layer == Layer) return id;
  return 0;
}

void TDocumentLayers::UpdateCanvas(const TDocCanvas& Canvas) {
  if (canvasShown_ && Canvas == shownCanvas_) return;
  // A picture that cannot be found leaves the pixels (see SetCanvasSizeOnly): only the size is
  // taken then, and a new size clears.
  PaintDocumentCanvas(canvas_, Canvas);
  shownCanvas_ = Canvas;
  canvasShown_ = true;
}

TBitmapLayer* TDocumentLayers::Build(const TDocObject& O) {
  std::unique_ptr<TBitmapLayer> layer;
  switch (O.Kind) {
    case okPhoto:
      layer = std::make_unique<TBitmapLayer>(&layers_);
      break;
    case okClip:
      layer = std::make_unique<TPngLayer>(&layers_);
      layer->SetLayerTag("PNG");
      break;
    case okBar:
      layer = std::make_unique<TColorLayer>(&layers_);
      break;
    case okText:
      layer = std::make_unique<TTextLayer>(&layers_);
      break;
  }
  layer->SetCropped(true);
  MakePixels(*layer, O);
  layer->SetScaled(true);
  if (OnLayerCreated) OnLayerCreated(*layer);
  return layer.release();  // the collection owns it from its construction on
}

void TDocumentLayers::MakePixels(TBitmapLayer& Layer, const TDocObject& O) {
  if (auto* text = dynamic_cast<TTextLayer*>(&Layer)) {
    // Every change of the font renders the text afresh, whatever the bitmap held.
    text->SetText(O.Text);
    text->SetFont(FontOf(O.Font, O.TextColor));
    text->SetTextColor(O.TextColor);
  } else if (auto* clip = dynamic_cast<TPngLayer*>(&Layer)) {
    if (O.Clip) clip->AssignPicture(*O.Clip);
  } else if (auto* bar = dynamic_cast<TColorLayer*>(&Layer)) {
    bar->ResetBitmap();
  } else {
    if (O.Picture)
      Layer.Bitmap().Assign(O.Picture.get());
    else
      Layer.Bitmap().SetSize(0, 0);
    Layer.Bitmap().SetDrawMode(dmBlend);
  }
  ApplyPixelEdits(Layer.Bitmap(), O.Edits);
}

void TDocumentLayers::Refresh(TEntry& E, const TObjectPtr& O) {
  if (E.BuiltFrom == O) return;
  TBitmapLayer& layer = *E.Layer;
  if (E.BuiltFrom && !E.BuiltFrom->SamePixelSource(*O)) {
    TDocObject older = *E.BuiltFrom;
    older.Edits = O->Edits;
    if (older.SamePixelSource(*O) && StartsWith(O->Edits, E.BuiltFrom->Edits))
      ApplyPixelEdits(layer.Bitmap(), O->Edits, E.BuiltFrom->Edits.size());
    else
      MakePixels(layer, *O);  // anything else starts again from the picture
  }
  if (auto* bar = dynamic_cast<TColorLayer*>(&layer)) bar->SetFillColor(O->BarColor);
  layer.Bitmap().SetMasterAlpha(O->Opacity);
  if (layer.Location() != O->Location) layer.SetLocation(O->Location);
  E.BuiltFrom = O;
}

void TDocumentLayers::Update(const TDocument& Doc) {
  UpdateCanvas(Doc.Canvas);
  // Objects that are gone.
  for (auto it = entries_.begin(); it != entries_.end();) {
    if (Doc.IndexOf(it->first) < 0) {
      delete it->second.Layer;
      it = entries_.erase(it);
    } else {
      ++it;
    }
  }
  for (size_t i = 0; i < Doc.Objects.size(); ++i) {
    const TObjectPtr& o = Doc.Objects[i];
    TEntry& e = entries_[o->Id];
    try {
      if (!e.Layer) {
        e.Layer = Build(*o);
        e.BuiltFrom = nullptr;
      }
      Refresh(e, o);
    } catch (const std::exception& x) {
      if (!e.Layer) entries_.erase(o->Id);
      throw EObjectPixelsError(static_cast<int>(i), x.what());
    }
    if (e.Layer->Index() != static_cast<int>(i)) e.Layer->SetIndex(static_cast<int>(i));
  }
}

}  // namespace pictavia
