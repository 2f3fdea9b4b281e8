// TPicture, the container that holds any registered picture kind, and the picture-format
// registry that chooses the picture class by file extension.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/graphic.h"

namespace pictavia {

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

struct TPictureFormat {
  std::string Extension;    // without the dot, compared without regard to case
  std::string Description;  // "Portable Network Graphics"
  std::string ClassName;    // the picture class made for it ("TPNGObject")
  TGraphicFactory Create;
};

// The process-wide list of picture formats. The toolkit registers BMP, ICO, EMF and WMF on first
// use; the codecs add PNG and JPEG through RegisterPictureFormats() of their own library.
class TPictureFormats {
 public:
  static TPictureFormats& Instance();
  // A later registration of the same extension replaces the earlier one.
  void Register(const std::string& Extension, const std::string& Description,
                const std::string& ClassName, TGraphicFactory Create);
  const TPictureFormat* Find(const std::string& Extension) const;
  const std::vector<TPictureFormat>& Formats() const { return formats_; }
  // "*.bmp;*.ico;..." of every registered extension, for open dialogs.
  std::string AllFilesMask() const;

 private:
  TPictureFormats();
  std::vector<TPictureFormat> formats_;
};

class TPicture : public TPersistent {
 public:
  TPicture();
  ~TPicture() override;
  const char* ClassName() const override { return "TPicture"; }

  TGraphic* Graphic() const { return graphic_.get(); }
  // Takes a copy of Value (null empties the picture).
  void SetGraphic(const TGraphic* Value);
  // Takes ownership of Value.
  void SetGraphic(std::unique_ptr<TGraphic> Value);

  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  // Chooses the picture class by extension and loads the file into a new instance of it. An
  // unknown extension raises EInvalidGraphic "Unknown picture file extension (.ext)"; on any
  // failure the picture keeps what it held.
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);

  void Assign(const TPersistent* Source) override;
  TNotifyEvent OnChange;

 private:
  void GraphicChanged();
  std::unique_ptr<TGraphic> graphic_;
};

// Makes a picture of the class registered under ClassName, or null.
std::unique_ptr<TGraphic> CreateGraphicByClassName(const std::string& ClassName);

}  // namespace pictavia
