// Building a scene's composition in an image view through the editor's own operations, and
// describing what was built.
#pragma once

#ifndef PICTAVIA_INSIDE_CLI
#error "scene_render.h is private to the cli library and its tests"
#endif

#include <memory>
#include <string>

#include "cli/internal/scene.h"

namespace pictavia {

class TImgView32;

// A view (never shown) holding the scene's canvas and objects, made exactly as the editor's
// commands make them. Failures raise ESceneError naming the object and the field.
std::unique_ptr<TImgView32> BuildScene(const TScene& Scene);

// One line per layer, bottom first: index, kind, location, picture size, opacity.
std::string DescribeLayers(TImgView32& View);

}  // namespace pictavia
