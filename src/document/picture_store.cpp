// Decoding on first use, sharing afterwards.
#include "document/picture_store.h"

#include "document/picture_loading.h"
#include "toolkit/picture.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

template <typename T, typename Load>
std::shared_ptr<const T> Shared(std::map<std::string, std::weak_ptr<const T>>& Cache,
                                const std::string& FileName, Load Decode) {
  if (auto held = Cache[FileName].lock()) return held;
  std::shared_ptr<const T> decoded = Decode();
  Cache[FileName] = decoded;
  return decoded;
}

}  // namespace

std::shared_ptr<const TBitmap32> TPictureStore::Photo(const std::string& FileName) {
  return Shared(photos_, FileName, [&] {
    auto picture = std::make_shared<TBitmap32>();
    LoadPicture(*picture, FileName);
    return std::shared_ptr<const TBitmap32>(std::move(picture));
  });
}

std::shared_ptr<const TBitmap32> TPictureStore::HeldPhoto(const std::string& FileName) {
  const auto it = photos_.find(FileName);
  return it == photos_.end() ? nullptr : it->second.lock();
}

std::shared_ptr<const TBitmap32> TPictureStore::AdoptPhoto(
    const std::string& FileName, std::shared_ptr<const TBitmap32> Decoded) {
  return Shared(photos_, FileName, [&] { return std::move(Decoded); });
}

std::shared_ptr<const TBitmap32> TPictureStore::Mask(const std::string& FileName) {
  return Shared(masks_, FileName, [&] {
    TPicture picture;
    LoadPicture(picture, FileName);
    auto mask = std::make_shared<TBitmap32>();
    mask->Assign(&picture);
    return std::shared_ptr<const TBitmap32>(std::move(mask));
  });
}

std::shared_ptr<const TPNGObject> TPictureStore::Clip(const std::string& FileName) {
  if (!FileExists(FileName)) return nullptr;
  return Shared(clips_, FileName, [&] {
    auto clip = std::make_shared<TPNGObject>();
    clip->LoadFromFile(FileName);
    return std::shared_ptr<const TPNGObject>(std::move(clip));
  });
}

}  // namespace pictavia
