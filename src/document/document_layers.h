// TDocumentLayers: the layers of a collection kept equal to a document - one layer per object in
// the document's order at the bottom of the collection (other layers, such as a selection frame,
// stay above them), and the canvas bitmap filled as the document's canvas says. Only what
// changed is redone: a new edit at the end of an object's list is applied to its bitmap, an
// undone one rebuilds the bitmap from the shared picture.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "document/document.h"
#include "layers/bitmap_layer.h"
#include "layers/layer_collection.h"
#include "toolkit/exceptions.h"

namespace pictavia {

// The pixels of one object could not be made (a text too large to draw, memory); Index is the
// object's place in the document.
class EObjectPixelsError : public Exception {
 public:
  EObjectPixelsError(int Index, const std::string& Message) : Exception(Message), index_(Index) {}
  const char* ClassName() const override { return "EObjectPixelsError"; }
  int Index() const { return index_; }

 private:
  int index_;
};

class TDocumentLayers {
 public:
  TDocumentLayers(TLayerCollection& Layers, TBitmap32& Canvas);
  ~TDocumentLayers();
  TDocumentLayers(const TDocumentLayers&) = delete;
  TDocumentLayers& operator=(const TDocumentLayers&) = delete;

  // Brings canvas and layers to the document. A layer whose object is gone is freed; the others
  // stay the same layer objects for the object's whole life. A failure of the pixel work raises
  // EObjectPixelsError; the layers then hold what was done so far.
  void Update(const TDocument& Doc);
  // Forgets every layer (after the collection was cleared by someone else) and the canvas state.
  void Forget();

  TBitmapLayer* LayerOf(uint64_t Id) const;
  // 0 for a layer of no object.
  uint64_t IdOf(const TCustomLayer* Layer) const;

  // Called for every layer made, before it is placed (the editor gives it its click handler).
  std::function<void(TBitmapLayer&)> OnLayerCreated;

 private:
  struct TEntry {
    TBitmapLayer* Layer = nullptr;
    TObjectPtr BuiltFrom;
  };
  void UpdateCanvas(const TDocCanvas& Canvas);
  TBitmapLayer* Build(const TDocObject& Object);
  // The layer's bitmap made from the object's picture and edits, in place.
  static void MakePixels(TBitmapLayer& Layer, const TDocObject& Object);
  void Refresh(TEntry& Entry, const TObjectPtr& Object);

  TLayerCollection& layers_;
  TBitmap32& canvas_;
  std::map<uint64_t, TEntry> entries_;
  TDocCanvas shownCanvas_;
  bool canvasShown_ = false;
};

// The document rendered headless as the editor's Save renders it (FlattenComposition).
std::unique_ptr<TBitmap32> FlattenDocument(const TDocument& Doc);

// The object's pixel edits applied to a bitmap in their order (from First on).
void ApplyPixelEdits(TBitmap32& Bitmap, const std::vector<TPixelEdit>& Edits, size_t First = 0);
// The canvas's pixels: the size, the colour, the stretched picture.
void PaintDocumentCanvas(TBitmap32& Canvas, const TDocCanvas& Spec);

}  // namespace pictavia
