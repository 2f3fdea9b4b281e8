// A scene built into a document with the editor's operations.
#include "document/scene_document.h"

#include "document/document_editing.h"
#include "document/objects.h"

namespace pictavia {

namespace {

// Runs Step, turning any failure into a message about the object's field.
template <typename Fn>
auto About(const std::string& where, Fn Step) -> decltype(Step()) {
  try {
    return Step();
  } catch (const ESceneError&) {
    throw;
  } catch (const Exception& e) {
    throw ESceneError(where + ": " + e.Message());
  } catch (const std::exception& e) {
    throw ESceneError(where + ": " + e.what());
  }
}

TFontSpec FontSpecOf(const TSceneFont& f) {
  TFontSpec spec;
  spec.Name = f.Name;
  spec.Size = f.Size;
  spec.Style = 0;
  if (f.Bold) spec.Style |= fsBold;
  if (f.Italic) spec.Style |= fsItalic;
  if (f.Underline) spec.Style |= fsUnderline;
  if (f.StrikeOut) spec.Style |= fsStrikeOut;
  return spec;
}

TMaskSource MaskOf(TPictureStore& Store, const std::string& File, int Number) {
  return TMaskSource{Number, File, Store.Mask(File)};
}

uint64_t CreateObject(TDocument& doc, TPictureStore& store, const TSceneObject& o,
                      const std::string& where, TPoint centre) {
  switch (o.Kind) {
    case skPhoto:
      return About(where + ".file", [&] { return AddPhoto(doc, store, o.File, centre); });
    case skClip:
      return About(where + ".file", [&] { return AddClip(doc, store, o.File, centre); });
    case skBar: {
      const uint64_t id = AddBar(doc, centre);
      SetBarColor(doc, id, o.Color);
      return id;
    }
    case skText: {
      const uint64_t id = AddText(doc, centre);
      // As the text panel's Apply, then the natural size about the centre.
      TDocObject& text = doc.Change(id);
      text.Text = o.Text;
      text.Font = FontSpecOf(o.Font);
      text.TextColor = o.TextColor;
      const TSize size = RenderedTextSize(text.Text, text.Font);
      text.Location = CentredLocation(centre.X, centre.Y, static_cast<float>(size.cx),
                                      static_cast<float>(size.cy));
      return id;
    }
  }
  return 0;
}

void AddSceneObject(TDocument& doc, TPictureStore& store, const TScene& scene,
                    const TSceneObject& o) {
  const std::string where = "objects[" + std::to_string(o.Index) + "]";
  TPoint centre = Point(scene.Width / 2, scene.Height / 2);
  if (o.Center) centre = Point(static_cast<int>(o.Center->X), static_cast<int>(o.Center->Y));
  const uint64_t id = About(where, [&] { return CreateObject(doc, store, o, where, centre); });
  if (o.Location) SetObjectLocation(doc, id, *o.Location);
  if (o.Edits) {
    for (size_t i = 0; i < o.Edits->size(); ++i) {
      const TSceneEdit& e = (*o.Edits)[i];
      if (e.Kind == peMask) {
        About(where + ".edits[" + std::to_string(i) + "].mask",
              [&] { ApplyObjectMask(doc, id, MaskOf(store, e.MaskFile, e.MaskNumber)); });
      } else {
        // The location read is the final one: the turns are already in it.
        doc.Change(id).Edits.push_back({e.Kind, {}});
      }
    }
  } else {
    if (o.FlipHorizontal) FlipObject(doc, id, peFlipHorizontal);
    if (o.FlipVertical) FlipObject(doc, id, peFlipVertical);
    for (int turn = 0; turn < o.QuarterTurns; ++turn) RotateObject(doc, id);
    if (!o.MaskFile.empty())
      About(where + ".mask",
            [&] { ApplyObjectMask(doc, id, MaskOf(store, o.MaskFile, o.MaskNumber)); });
  }
  SetObjectOpacity(doc, id, static_cast<uint32_t>(o.Opacity));
}

}  // namespace

TDocument BuildDocument(const TScene& Scene, TPictureStore& Store, TMissingPictures Missing,
                        std::vector<std::string>* LeftOut) {
  TDocument doc;
  NewDocumentCanvas(doc, Scene.Width, Scene.Height, Scene.Color);
  if (!Scene.Background.empty()) {
    try {
      auto picture = About("canvas.background", [&] { return Store.Photo(Scene.Background); });
      SetCanvasPicture(doc, Scene.Width, Scene.Height, Scene.Background, std::move(picture));
    } catch (const ESceneError& e) {
      if (Missing == mpFail) throw;
      if (LeftOut) LeftOut->push_back(e.Message());
    }
  }
  for (const TSceneObject& o : Scene.Objects) {
    TDocument before = doc;
    try {
      AddSceneObject(doc, Store, Scene, o);
    } catch (const ESceneError& e) {
      if (Missing == mpFail) throw;
      doc = std::move(before);
      if (LeftOut) LeftOut->push_back(e.Message());
    }
  }
  return doc;
}

}  // namespace pictavia
