// The catalogue of generated pictures: masks, clips and background pictures.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "raster/bitmap32.h"

namespace pictavia {

namespace assets {

struct Asset {
  std::string Name;  // file name inside its folder
  std::unique_ptr<TBitmap32> Picture = std::make_unique<TBitmap32>();
};

std::vector<Asset> MaskAssets();        // "1.jpg", "2.jpg", ...: grey, white keeps the photo
std::vector<Asset> ClipAssets();        // "heart.png", ...: colour with alpha
std::vector<Asset> BackgroundAssets();  // "sunset.jpg", ...: opaque pictures
std::vector<Asset> IconAssets();        // "48x48/apps/pictavia.png", ...: the program icon

}  // namespace assets

}  // namespace pictavia
