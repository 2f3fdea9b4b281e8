// A scene built with the editor's operations: the canvas, then every object created, placed,
// mirrored, turned, masked and faded as the editor's commands do it.
#include "cli/internal/scene_render.h"

#include <cstdio>
#include <sstream>

#include "document/composition.h"
#include "document/object_editing.h"
#include "document/objects.h"
#include "layers/bitmap_layer.h"
#include "layers/color_layer.h"
#include "layers/png_layer.h"
#include "layers/text_layer.h"
#include "view/img_view.h"

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

TFont FontOf(const TSceneFont& f, TColor32 colour) {
  TFont font;
  font.SetName(f.Name);
  font.SetSize(f.Size);
  TFontStyles style = 0;
  if (f.Bold) style |= fsBold;
  if (f.Italic) style |= fsItalic;
  if (f.Underline) style |= fsUnderline;
  if (f.StrikeOut) style |= fsStrikeOut;
  font.SetStyle(style);
  font.SetColor(ToToolkitColor(colour));
  return font;
}

TBitmapLayer* CreateObject(TImgView32& view, const TSceneObject& o, const std::string& where,
                           TPoint centre) {
  switch (o.Kind) {
    case skPhoto:
      return About(where + ".file", [&] { return CreatePhotoLayer(view, o.File, centre); });
    case skClip:
      return About(where + ".file", [&] { return CreateClipLayer(view, o.File, centre); });
    case skBar: {
      TColorLayer* bar = CreateColorBarLayer(view, centre);
      bar->SetFillColor(o.Color);
      return bar;
    }
    case skText: {
      TTextLayer* text = CreateTextLayer(view, centre);
      // As the text panel's Apply: text, font, colour; then the natural size about the centre.
      try {
        text->SetText(o.Text);
        text->SetFont(FontOf(o.Font, o.TextColor));
        text->SetTextColor(o.TextColor);
      } catch (const Exception& e) {
        // The rendered text gets no bitmap: the text and its font size are what to change.
        throw ESceneError(where + ".text: too large to draw at this font size (" + e.Message() +
                          ")");
      }
      text->SetLocation(CentredLocation(centre.X, centre.Y,
                                        static_cast<float>(text->Bitmap().Width()),
                                        static_cast<float>(text->Bitmap().Height())));
      return text;
    }
  }
  return nullptr;
}

}  // namespace

std::unique_ptr<TImgView32> BuildScene(const TScene& Scene) {
  auto view = std::make_unique<TImgView32>();
  UseCustomFirstStage(*view);
  view->OnPaintStage = [](TObject*, TBitmap32* Buffer, uint32_t) {
    if (Buffer) PaintCheckerboard(*Buffer);
  };
  NewCanvas(*view, Scene.Width, Scene.Height, Scene.Color);
  if (!Scene.Background.empty())
    About("canvas.background", [&] { FillBackgroundPicture(*view->Bitmap(), Scene.Background); });

  for (size_t i = 0; i < Scene.Objects.size(); ++i) {
    const TSceneObject& o = Scene.Objects[i];
    const std::string where = "objects[" + std::to_string(i) + "]";
    TPoint centre = Point(Scene.Width / 2, Scene.Height / 2);
    if (o.Center) centre = Point(static_cast<int>(o.Center->X), static_cast<int>(o.Center->Y));
    TBitmapLayer* layer = About(where, [&] { return CreateObject(*view, o, where, centre); });
    if (o.Location) layer->SetLocation(*o.Location);
    About(where + ".flip", [&] {
      if (o.FlipHorizontal) FlipLayerHorizontal(*layer);
      if (o.FlipVertical) FlipLayerVertical(*layer);
    });
    About(where + ".rotate", [&] {
      for (int turn = 0; turn < o.QuarterTurns; ++turn) RotateLayerQuarter(*layer);
    });
    if (!o.MaskFile.empty())
      About(where + ".mask", [&] { ApplyMaskFile(layer->Bitmap(), o.MaskFile); });
    layer->Bitmap().SetMasterAlpha(static_cast<uint32_t>(o.Opacity));
  }
  return view;
}

std::string DescribeLayers(TImgView32& View) {
  std::ostringstream out;
  TLayerCollection& layers = *View.Layers();
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
