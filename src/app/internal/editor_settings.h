// What the editor keeps between runs in the user's config folder (QSettings, native format,
// "pictavia/pictavia"): each file dialog's last folder, the window's place and the zoom.
#pragma once

#ifndef PICTAVIA_INSIDE_APP
#error "editor_settings.h is private to the app library and its tests"
#endif

#include <optional>
#include <string>

#include <QByteArray>

namespace pictavia {

// The folder a dialog (named by its key, e.g. "photo") last took a file from or gave one to; empty
// when none was kept or the folder is gone.
std::string RememberedFolder(const char* Dialog);
void RememberFolder(const char* Dialog, const std::string& Folder);

// The zoom in percent when one from 1 to 2000 was kept.
std::optional<int> RememberedZoom();
void RememberZoom(int Percent);

// The window's size, position and state as QWidget::saveGeometry gives them; empty when none.
QByteArray RememberedWindowPlace();
void RememberWindowPlace(const QByteArray& Place);

}  // namespace pictavia
