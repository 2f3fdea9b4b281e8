// The picture container and the registry of picture formats by file extension.
#include "toolkit/picture.h"

#include "toolkit/ascii_case.h"
#include "toolkit/exceptions.h"
#include "toolkit/internal/toolkit_formats.h"
#include "toolkit/streams.h"

namespace pictavia {

TPictureFormats& TPictureFormats::Instance() {
  static TPictureFormats instance;
  return instance;
}

TPictureFormats::TPictureFormats() {
  RegisterToolkitPictureFormats(*this);
}

void TPictureFormats::Register(const std::string& Extension, const std::string& Description,
                               const std::string& ClassName, TGraphicFactory Create) {
  for (auto& f : formats_) {
    if (SameText(f.Extension, Extension)) {
      f = TPictureFormat{Extension, Description, ClassName, std::move(Create)};
      return;
    }
  }
  formats_.push_back(TPictureFormat{Extension, Description, ClassName, std::move(Create)});
}

const TPictureFormat* TPictureFormats::Find(const std::string& Extension) const {
  for (const auto& f : formats_)
    if (SameText(f.Extension, Extension)) return &f;
  return nullptr;
}

std::string TPictureFormats::AllFilesMask() const {
  std::string mask;
  for (const auto& f : formats_) {
    if (!mask.empty()) mask += ';';
    mask += "*." + LowerCase(f.Extension);
  }
  return mask;
}

std::unique_ptr<TGraphic> CreateGraphicByClassName(const std::string& ClassName) {
  for (const auto& f : TPictureFormats::Instance().Formats())
    if (f.ClassName == ClassName) return f.Create();
  return nullptr;
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::GraphicChanged() {
  if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> Value) {
  graphic_ = std::move(Value);
  if (graphic_) graphic_->OnChange = [this](TObject*) { GraphicChanged(); };
  GraphicChanged();
}

void TPicture::SetGraphic(const TGraphic* Value) {
  if (!Value) {
    SetGraphic(std::unique_ptr<TGraphic>());
    return;
  }
  auto copy = CreateGraphicByClassName(Value->ClassName());
  if (!copy) throw EInvalidGraphic(Format(SAssignError, Value->ClassName(), "TPicture"));
  copy->Assign(Value);
  SetGraphic(std::move(copy));
}

void TPicture::LoadFromFile(const std::string& FileName) {
  const std::string ext = ExtractFileExt(FileName);
  const TPictureFormat* format = TPictureFormats::Instance().Find(ext);
  if (!format) throw EInvalidGraphic(Format(SUnknownExtension, ext.c_str()));
  std::unique_ptr<TGraphic> graphic = format->Create();
  graphic->LoadFromFile(FileName);
  SetGraphic(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& FileName) {
  if (graphic_) graphic_->SaveToFile(FileName);
}

void TPicture::Assign(const TPersistent* Source) {
  if (!Source) {
    SetGraphic(std::unique_ptr<TGraphic>());
  } else if (auto* p = dynamic_cast<const TPicture*>(Source)) {
    SetGraphic(p->Graphic());
  } else if (auto* g = dynamic_cast<const TGraphic*>(Source)) {
    SetGraphic(g);
  } else {
    TPersistent::Assign(Source);
  }
}

}  // namespace pictavia
