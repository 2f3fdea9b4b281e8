// Waiting for work on another thread, with the busy cursor once it takes long.
#include <future>

#include <QCursor>
#include <QGuiApplication>

#include "app/internal/busy_wait.h"

namespace pictavia {

bool AwaitShowingBusyCursor(const std::function<void()>& Work) {
  std::future<void> done = std::async(std::launch::async, Work);
  const bool slow = done.wait_for(kBusyCursorDelay) != std::future_status::ready;
  if (slow) {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    done.wait();
    QGuiApplication::restoreOverrideCursor();
  }
  done.get();  // Work's exception, if any
  return slow;
}

}  // namespace pictavia
