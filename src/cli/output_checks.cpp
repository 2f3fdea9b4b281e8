// Refusing outputs that would overwrite an input or carry a misleading extension.
#include "cli/internal/output_checks.h"

#include <filesystem>

#include "toolkit/ascii_case.h"
#include "toolkit/exceptions.h"
#include "toolkit/picture.h"
#include "toolkit/streams.h"

namespace pictavia {

std::string ForeignPictureExtension(const std::string& Out) {
  const std::string ext = LowerCase(ExtractFileExt(Out));
  if (ext.empty() || ext == "bmp") return "";
  // What this program reads, and the common formats it does not.
  if (TPictureFormats::Instance().Find(ext)) return ext;
  for (const char* other : {"gif", "tif", "tiff", "webp", "heic", "avif", "jpe", "jfif"})
    if (ext == other) return ext;
  return "";
}

void CheckNotAnInput(const std::string& Out, const std::vector<TInputFile>& Inputs) {
  for (const TInputFile& input : Inputs) {
    std::error_code ec;
    if (std::filesystem::equivalent(Out, input.Path, ec))
      throw Exception("\"" + Out + "\" is the same file as " + input.What + " \"" + input.Path +
                      "\"; it is not overwritten");
  }
}

std::vector<TInputFile> SceneInputs(const std::string& SceneFile, const TScene& Scene) {
  std::vector<TInputFile> inputs = {{"the scene", SceneFile}};
  if (!Scene.Background.empty()) inputs.push_back({"canvas.background", Scene.Background});
  for (size_t i = 0; i < Scene.Objects.size(); ++i) {
    const std::string where = "objects[" + std::to_string(i) + "]";
    if (!Scene.Objects[i].File.empty()) inputs.push_back({where + ".file", Scene.Objects[i].File});
    if (!Scene.Objects[i].MaskFile.empty())
      inputs.push_back({where + ".mask", Scene.Objects[i].MaskFile});
    if (Scene.Objects[i].Edits)
      for (size_t k = 0; k < Scene.Objects[i].Edits->size(); ++k)
        if (!(*Scene.Objects[i].Edits)[k].MaskFile.empty())
          inputs.push_back({where + ".edits[" + std::to_string(k) + "].mask",
                            (*Scene.Objects[i].Edits)[k].MaskFile});
  }
  return inputs;
}

}  // namespace pictavia
