// Finding and changing the objects of a document.
#include "document/document.h"

#include <atomic>

#include "toolkit/exceptions.h"

namespace pictavia {

bool TDocObject::SamePixelSource(const TDocObject& O) const {
  return Kind == O.Kind && File == O.File && Picture == O.Picture && Clip == O.Clip &&
         Edits == O.Edits && Text == O.Text && Font == O.Font && TextColor == O.TextColor;
}

bool TDocObject::SameAs(const TDocObject& O) const {
  return Id == O.Id && SamePixelSource(O) && Location == O.Location && Opacity == O.Opacity &&
         BarColor == O.BarColor;
}

bool TDocument::SameAs(const TDocument& Other) const {
  if (!(Canvas == Other.Canvas) || Objects.size() != Other.Objects.size()) return false;
  for (size_t i = 0; i < Objects.size(); ++i)
    if (Objects[i] != Other.Objects[i] && !Objects[i]->SameAs(*Other.Objects[i])) return false;
  return true;
}

int TDocument::IndexOf(uint64_t Id) const {
  for (size_t i = 0; i < Objects.size(); ++i)
    if (Objects[i]->Id == Id) return static_cast<int>(i);
  return -1;
}

const TDocObject* TDocument::Find(uint64_t Id) const {
  const int i = IndexOf(Id);
  return i < 0 ? nullptr : Objects[static_cast<size_t>(i)].get();
}

TDocObject& TDocument::Change(uint64_t Id) {
  const int i = IndexOf(Id);
  if (i < 0) throw EListError(Format("No object %llu", static_cast<unsigned long long>(Id)));
  auto copy = std::make_shared<TDocObject>(*Objects[static_cast<size_t>(i)]);
  Objects[static_cast<size_t>(i)] = copy;
  return *copy;
}

uint64_t TDocument::Append(TDocObject Object) {
  // Ids outlive undo: an object added after an undo must not take the id of one undone.
  static std::atomic<uint64_t> nextId{1};
  Object.Id = nextId++;
  Objects.push_back(std::make_shared<const TDocObject>(std::move(Object)));
  return Objects.back()->Id;
}

}  // namespace pictavia
