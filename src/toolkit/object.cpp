// Default assignment of persistent objects.
#include "toolkit/object.h"

#include "toolkit/exceptions.h"

namespace pictavia {

void TPersistent::Assign(const TPersistent* Source) {
  if (Source != nullptr)
    Source->AssignTo(this);
  else
    AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) const {
  Dest->AssignError(this);
}

void TPersistent::AssignError(const TPersistent* Source) const {
  const char* sourceName = Source ? Source->ClassName() : "nil";
  throw EConvertError(Format(SAssignError, sourceName, ClassName()));
}

}  // namespace pictavia
