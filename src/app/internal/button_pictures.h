// The pictures of the main window's buttons, drawn at run time so the repository holds no
// picture files.
#pragma once

#ifndef PICTAVIA_INSIDE_APP
#error "button_pictures.h is private to the app library and its tests"
#endif

#include <QIcon>

namespace pictavia {

enum TButtonPicture {
  bpNew,
  bpAddPhoto,
  bpAddClips,
  bpAddColorBar,
  bpAddText,
  bpHelp,
  bpExit,
  bpSave,
  bpBackground,
  bpDelete,
  bpUp,
  bpDown,
  bpRotate,
  bpFlipHorizontal,
  bpFlipVertical,
  bpFont,
  bpColor,
  bpApply
};

QIcon ButtonPicture(TButtonPicture Picture);

}  // namespace pictavia
