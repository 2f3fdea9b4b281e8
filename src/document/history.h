// THistory: undo and redo as whole documents. A document shares its pictures and unchanged
// objects with the others, so a step costs a list of pointers and the one object it changed.
#pragma once

#include <cstdint>
#include <vector>

#include "document/document.h"

namespace pictavia {

class THistory {
 public:
  // Before is the document as it was before a change of the object Changed (0: the canvas or
  // everything). Continues makes it part of the last step (an opacity drag is one step): the
  // last step keeps its own Before. Either way nothing is left to redo.
  void Record(const TDocument& Before, uint64_t Changed, bool Continues = false);
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  size_t UndoCount() const { return undo_.size(); }
  // Current becomes the document before the last step; Select the object that step changed.
  // False when there is nothing to undo.
  bool Undo(TDocument& Current, uint64_t& Select);
  bool Redo(TDocument& Current, uint64_t& Select);
  void Clear();

 private:
  struct TStep {
    TDocument Document;
    uint64_t Changed = 0;
  };
  std::vector<TStep> undo_, redo_;
};

}  // namespace pictavia
