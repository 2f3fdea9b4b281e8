// File loading and saving common to all pictures.
#include "toolkit/graphic.h"

#include "toolkit/streams.h"

namespace pictavia {

void TGraphic::SetTransparent(bool Value) {
  if (Value == transparent_) return;
  transparent_ = Value;
  Changed();
}

void TGraphic::Changed() {
  if (OnChange) OnChange(this);
}

void TGraphic::LoadFromFile(const std::string& FileName) {
  TFileStream stream(FileName, fmOpenRead);
  if (stream.Size() >= 0) {
    LoadFromStream(stream);
    return;
  }
  // A pipe has no size: the readers need one, so the bytes are read to their end first.
  TMemoryStream bytes(ReadToEnd(stream));
  LoadFromStream(bytes);
}

void TGraphic::SaveToFile(const std::string& FileName) {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(stream);
  stream.Close();
}

}  // namespace pictavia
