// Driving Qt in the tests: the offscreen platform, and letting pending events run.
#pragma once

#include <cstdlib>

#include <QCoreApplication>

namespace pictavia::testsupport {

// Before the application object is made: the offscreen platform unless a display is there to
// watch on. A QT_QPA_PLATFORM the user set wins.
inline void UseOffscreenPlatformWithoutDisplay() {
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

// Lets Qt deliver posted events and paint what is pending.
inline void Flush() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

}  // namespace pictavia::testsupport
