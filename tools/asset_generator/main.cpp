// pictavia-make-assets OUTDIR [ICONDIR]: writes the masks (OUTDIR/Masks/N.jpg), the clips
// (OUTDIR/Clips/*.png) and the background pictures (OUTDIR/BackGround_Photo/*.jpg) the editor
// offers, and the program icon at desktop sizes (ICONDIR/NxN/apps/pictavia.png). The build runs
// it, so the repository holds no binary pictures.
#include <cstdio>
#include <filesystem>
#include <string>

#include "catalog.h"
#include "codecs/codecs.h"
#include "codecs/jpeg_image.h"
#include "codecs/png_object.h"
#include "toolkit/bitmap.h"
#include "toolkit/exceptions.h"

namespace pictavia {

namespace {

void SaveJpeg(const TBitmap32& picture, const std::filesystem::path& path) {
  TBitmap bmp;
  bmp.Assign(&picture);
  bmp.SetPixelFormat(pf24bit);
  TJPEGImage jpeg;
  jpeg.Assign(&bmp);
  jpeg.SetSaveQuality(92);
  jpeg.SaveToFile(path.string());
}

void SavePng(const TBitmap32& picture, const std::filesystem::path& path) {
  TPNGObject png;
  png.AssignPixels32(picture.Bits(), picture.Width(), picture.Height());
  png.SetCompressionLevel(9);
  png.SetFilters(AllFilters);
  png.SaveToFile(path.string());
}

int MakeAssets(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: %s OUTDIR [ICONDIR]\n", argv[0]);
    return 2;
  }
  try {
    RegisterCodecPictureFormats();
    const std::filesystem::path out(argv[1]);
    const auto masks = out / "Masks", clips = out / "Clips", backgrounds = out / "BackGround_Photo";
    for (const auto& dir : {masks, clips, backgrounds}) std::filesystem::create_directories(dir);
    int count = 0;
    for (const auto& a : assets::MaskAssets()) SaveJpeg(*a.Picture, masks / a.Name), ++count;
    for (const auto& a : assets::ClipAssets()) SavePng(*a.Picture, clips / a.Name), ++count;
    for (const auto& a : assets::BackgroundAssets())
      SaveJpeg(*a.Picture, backgrounds / a.Name), ++count;
    if (argc == 3) {
      const std::filesystem::path icons(argv[2]);
      for (const auto& a : assets::IconAssets()) {
        std::filesystem::create_directories((icons / a.Name).parent_path());
        SavePng(*a.Picture, icons / a.Name);
        ++count;
      }
    }
    std::printf("wrote %d pictures under %s\n", count, out.string().c_str());
    return 0;
  } catch (const Exception& e) {
    std::fprintf(stderr, "pictavia-make-assets: %s\n", e.what());
    return 1;
  }
}

}  // namespace

}  // namespace pictavia

int main(int argc, char** argv) {
  return pictavia::MakeAssets(argc, argv);
}
