// Keeps Qt's start-up notices that say nothing about pictavia-cli's work off its standard error.
#pragma once

namespace pictavia {

// Installs a Qt message handler that drops the notice that XDG_RUNTIME_DIR is unset (Qt then
// falls back to a folder of its own; the tool keeps no runtime files) and passes every other
// message on to the handler installed before.
void HideQtRuntimeDirNotice();

}  // namespace pictavia
