// The undo and redo stacks.
#include "document/history.h"

#include <utility>

namespace pictavia {

void THistory::Record(const TDocument& Before, uint64_t Changed, bool Continues) {
  redo_.clear();
  if (Continues && !undo_.empty()) return;
  undo_.push_back({Before, Changed});
}

bool THistory::Undo(TDocument& Current, uint64_t& Select) {
  if (undo_.empty()) return false;
  TStep step = std::move(undo_.back());
  undo_.pop_back();
  redo_.push_back({std::move(Current), step.Changed});
  Current = std::move(step.Document);
  Select = step.Changed;
  return true;
}

bool THistory::Redo(TDocument& Current, uint64_t& Select) {
  if (redo_.empty()) return false;
  TStep step = std::move(redo_.back());
  redo_.pop_back();
  undo_.push_back({std::move(Current), step.Changed});
  Current = std::move(step.Document);
  Select = step.Changed;
  return true;
}

void THistory::Clear() {
  undo_.clear();
  redo_.clear();
}

}  // namespace pictavia
