// A scene's composition as a document, made with the editor's own commands: the canvas, then
// every object created, placed, mirrored, turned, masked and faded (or, in a project, given its
// edits in their order).
#pragma once

#include <string>
#include <vector>

#include "document/document.h"
#include "document/picture_store.h"
#include "document/scene.h"

namespace pictavia {

// Failures raise ESceneError naming the object and the field. With mpLeaveOut, an object whose
// picture cannot be decoded is left out and the reason added to LeftOut instead.
TDocument BuildDocument(const TScene& Scene, TPictureStore& Store,
                        TMissingPictures Missing = mpFail,
                        std::vector<std::string>* LeftOut = nullptr);

}  // namespace pictavia
