// Long work with the busy cursor: shown only when the work takes long enough to be noticed.
#pragma once

#ifndef PICTAVIA_INSIDE_APP
#error "busy_wait.h is private to the app library and its tests"
#endif

#include <chrono>
#include <functional>

namespace pictavia {

// Shorter work would only make the cursor flicker.
inline constexpr std::chrono::milliseconds kBusyCursorDelay{250};

// Runs Work on a thread of its own while this thread waits for it, so the window takes no events
// meanwhile, as if Work ran here. When Work has not finished after kBusyCursorDelay, the busy
// cursor shows until it has. Work's exception passes on. Returns whether the cursor was shown.
// Work must not touch widgets.
bool AwaitShowingBusyCursor(const std::function<void()>& Work);

}  // namespace pictavia
