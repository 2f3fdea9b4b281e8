// Tests of the JPEG picture: decoding the public JPEG corpus against the library's plain API,
// damaged and unsupported files, settings, palettes, assignment, saving and progress.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <jpeglib.h>

#include <QImage>

#include "codecs/codecs.h"
#include "codecs/jpeg_image.h"
#include "raster/bitmap32.h"
#include "test_support.h"
#include "toolkit/bitmap.h"
#include "toolkit/canvas.h"
#include "toolkit/picture.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace fs = std::filesystem;

namespace {

fs::path JpegCorpus() {
  return testsupport::CorpusDir() / "jpeg";
}

std::unique_ptr<TJPEGImage> LoadJpeg(const fs::path& Path) {
  auto jpeg = std::make_unique<TJPEGImage>();
  jpeg->LoadFromFile(Path.string());
  return jpeg;
}

std::unique_ptr<TJPEGImage> LoadJpegBytes(const std::vector<unsigned char>& Bytes) {
  auto jpeg = std::make_unique<TJPEGImage>();
  TReadOnlyMemoryStream stream(Bytes.data(), static_cast<int64_t>(Bytes.size()));
  jpeg->LoadFromStream(stream);
  return jpeg;
}

// --- the library's plain decode, as a reference ----------------------------------------------

struct PlainSettings {
  unsigned scaleDenom = 1;
  bool fast = false;      // fast transform, one-pass ordered quantisation
  bool quantize = false;  // 236 colours (always so for grayscale output)
  bool gray = false;
};

struct PlainResult {
  int width = 0;
  int height = 0;
  int components = 0;  // bytes per output pixel
  std::vector<unsigned char> pixels;
  std::vector<TRGBQuad> colormap;
};

struct PlainError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

void PlainErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<PlainError*>(cinfo->err)->jump, 1);
}
void PlainSilence(j_common_ptr, int) {}

// Decodes with the library's own memory source and the settings given. No C++ objects live in
// this frame, so the error jump is safe.
bool PlainDecode(const std::vector<unsigned char>& Bytes, const PlainSettings& S,
                 PlainResult& Out) {
  jpeg_decompress_struct cinfo;
  PlainError err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = PlainErrorExit;
  err.pub.emit_message = PlainSilence;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, Bytes.data(), static_cast<unsigned long>(Bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.scale_num = 1;
  cinfo.scale_denom = S.scaleDenom;
  if (S.gray)
    cinfo.out_color_space = JCS_GRAYSCALE;
  else if (cinfo.out_color_space != JCS_GRAYSCALE)
    cinfo.out_color_space = S.quantize ? JCS_RGB : JCS_EXT_BGR;
  if (S.quantize || cinfo.out_color_space == JCS_GRAYSCALE) {
    cinfo.quantize_colors = TRUE;
    cinfo.desired_number_of_colors = 236;
  }
  if (S.fast) {
    cinfo.dct_method = JDCT_IFAST;
    cinfo.two_pass_quantize = FALSE;
    cinfo.dither_mode = JDITHER_ORDERED;
  }
  jpeg_start_decompress(&cinfo);
  Out.width = static_cast<int>(cinfo.output_width);
  Out.height = static_cast<int>(cinfo.output_height);
  Out.components = cinfo.quantize_colors ? 1 : cinfo.output_components;
  Out.pixels.resize(static_cast<size_t>(Out.width) * Out.height * Out.components);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row =
        Out.pixels.data() + static_cast<size_t>(cinfo.output_scanline) * Out.width * Out.components;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  if (cinfo.quantize_colors) {
    Out.colormap.resize(static_cast<size_t>(cinfo.actual_number_of_colors));
    for (int i = 0; i < cinfo.actual_number_of_colors; ++i) {
      const bool one = cinfo.out_color_components == 1;
      Out.colormap[static_cast<size_t>(i)].rgbRed = cinfo.colormap[0][i];
      Out.colormap[static_cast<size_t>(i)].rgbGreen = cinfo.colormap[one ? 0 : 1][i];
      Out.colormap[static_cast<size_t>(i)].rgbBlue = cinfo.colormap[one ? 0 : 2][i];
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

// The bitmap's rows against the reference, byte for byte; reports the first difference.
void ExpectSamePixels(TBitmap& Bitmap, const PlainResult& Ref, const std::string& What) {
  ASSERT_EQ(Bitmap.Width(), Ref.width) << What;
  ASSERT_EQ(Bitmap.Height(), Ref.height) << What;
  ASSERT_EQ(Bitmap.PixelFormat(), Ref.components == 1 ? pf8bit : pf24bit) << What;
  const size_t rowBytes = static_cast<size_t>(Ref.width) * Ref.components;
  for (int y = 0; y < Ref.height; ++y) {
    const uint8_t* ours = Bitmap.ScanLine(y);
    const unsigned char* theirs = Ref.pixels.data() + rowBytes * static_cast<size_t>(y);
    for (size_t i = 0; i < rowBytes; ++i)
      ASSERT_EQ(ours[i], theirs[i]) << What << ": first difference at row " << y << " byte " << i;
  }
  if (Ref.components == 1) {
    EXPECT_EQ(Bitmap.ColorTable(), Ref.colormap) << What;
  }
}

// A smooth photo-like picture with some texture, for saving.
std::unique_ptr<TBitmap> MakeGradient(int W, int H) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf24bit);
  b->SetSize(W, H);
  for (int y = 0; y < H; ++y) {
    uint8_t* row = b->ScanLine(y);
    for (int x = 0; x < W; ++x) {
      row[x * 3 + 0] = static_cast<uint8_t>(x * 255 / std::max(1, W - 1));
      row[x * 3 + 1] = static_cast<uint8_t>(y * 255 / std::max(1, H - 1));
      row[x * 3 + 2] = static_cast<uint8_t>(128 + ((x / 8 + y / 8) % 2) * 40);
    }
  }
  return b;
}

std::vector<unsigned char> Saved(TJPEGImage& Jpeg) {
  TMemoryStream out;
  Jpeg.SaveToStream(out);
  return std::vector<unsigned char>(out.Bytes().begin(), out.Bytes().end());
}

}  // namespace

// --- decoding the corpus ---------------------------------------------------------------------

TEST(JPEGImage, DecodesLikeThePlainLibraryByteForByte) {
  PICTAVIA_REQUIRE_CORPUS("jpeg");
  struct Case {
    const char* file;
    TJPEGScaleDown scale;
    TJPEGDecodeSpeed speed;
    TJPEGOutputDepth depth;
  };
  const Case cases[] = {
      {"libjpeg-turbo/testorig.jpg", FullSize, FavourQuality, Depth24},  // 4:2:0
      {"libjpeg-turbo/testorig.jpg", Half, FavourSpeed, Depth24},
      {"libjpeg-turbo/testorig.jpg", Eighth, FavourQuality, Depth24},
      {"libjpeg-turbo/testorig.jpg", FullSize, FavourQuality, Depth8},     // two-pass quantised
      {"libjpeg-turbo/testorig.jpg", Quarter, FavourSpeed, Depth8},        // one-pass ordered
      {"libjpeg-turbo/testimgari.jpg", FullSize, FavourQuality, Depth24},  // arithmetic coding
      {"pillow/iptc.jpg", FullSize, FavourQuality, Depth24},               // 4:2:2
      {"pillow/exif-200dpcm.jpg", FullSize, FavourQuality, Depth24},       // restart markers
      {"pillow/truncated_jpeg.jpg", FullSize, FavourQuality, Depth24},     // cut off
      {"image-rs/iptc.jpg", FullSize, FavourQuality, Depth24},             // 4:4:4
      {"image-rs/cat.jpg", FullSize, FavourQuality, Depth24},              // progressive
      {"image-rs/cat.jpg", Quarter, FavourQuality, Depth8},
      {"image-rs/progressive_test.jpg", FullSize, FavourQuality, Depth24},
      {"jpeg-decoder/rgb.jpg", FullSize, FavourQuality, Depth24},  // stored as RGB
      {"jpeg-decoder/mjpeg.jpg", Half, FavourQuality, Depth24},    // standard tables
      {"jpeg-decoder/restarts.jpg", FullSize, FavourQuality, Depth24},
      {"jpeg-decoder/jpg-size-1x1.jpg", FullSize, FavourQuality, Depth24},
      {"jpeg-decoder/jpg-size-7x7.jpg", Half, FavourQuality, Depth24},
      {"jpeg-decoder/jpg-size-17x17.jpg", FullSize, FavourQuality, Depth24},
      {"jpeg-decoder/jpg-gray.jpg", FullSize, FavourQuality, Depth24},  // gray: quantised
      {"jpeg-decoder/grayscale_long.jpg", FullSize, FavourSpeed, Depth24},
      {"jpeg-decoder/grayscale_16x24_sampling2x2.jpg", FullSize, FavourQuality, Depth24},
  };
  for (const Case& c : cases) {
    const std::string what = std::string(c.file) + " scale 1/" + std::to_string(1 << c.scale) +
                             (c.speed == FavourSpeed ? " fast" : "") +
                             (c.depth == Depth8 ? " 8-bit" : "");
    const auto bytes = testsupport::ReadFileBytes(JpegCorpus() / c.file);
    PlainResult ref;
    ASSERT_TRUE(
        PlainDecode(bytes, {1u << c.scale, c.speed == FavourSpeed, c.depth == Depth8, false}, ref))
        << what;
    auto jpeg = LoadJpegBytes(bytes);
    jpeg->SetScaleDown(c.scale);
    jpeg->SetDecodeSpeed(c.speed);
    jpeg->SetOutputDepth(c.depth);
    // The size comes from the header (or the decompressor's scaling) before decoding.
    EXPECT_EQ(jpeg->Width(), ref.width) << what;
    EXPECT_EQ(jpeg->Height(), ref.height) << what;
    ExpectSamePixels(*jpeg->DecodedBitmap(), ref, what);
  }
}

TEST(JPEGImage, GrayscaleOutputIsAnEightBitGrayPalette) {
  PICTAVIA_REQUIRE_CORPUS("jpeg");
  // A grayscale file, and a colour file decoded to gray, both with the default 24-bit depth.
  for (const char* file : {"jpeg-decoder/jpg-gray.jpg", "libjpeg-turbo/testorig.jpg"}) {
    auto jpeg = LoadJpeg(JpegCorpus() / file);
    const bool grayFile = std::string(file).find("gray") != std::string::npos;
    EXPECT_EQ(jpeg->Data()->Grayscale, grayFile) << file;
    if (!grayFile) jpeg->SetDecodeGrayscale(true);
    TBitmap* bitmap = jpeg->DecodedBitmap();
    ASSERT_EQ(bitmap->PixelFormat(), pf8bit) << file;
    const auto& table = bitmap->ColorTable();
    ASSERT_FALSE(table.empty()) << file;
    EXPECT_LE(table.size(), 236u) << file;
    for (const TRGBQuad& q : table) {
      EXPECT_EQ(q.rgbRed, q.rgbGreen) << file;
      EXPECT_EQ(q.rgbGreen, q.rgbBlue) << file;
    }
    if (!grayFile) {
      PlainResult ref;
      ASSERT_TRUE(PlainDecode(testsupport::ReadFileBytes(JpegCorpus() / file),
                              {1, false, false, true}, ref));
      ExpectSamePixels(*bitmap, ref, file);
    }
  }
}

TEST(JPEGImage, FourComponentFilesDecodeToTheirColours) {
  PICTAVIA_REQUIRE_CORPUS("jpeg");
  // Adobe-style inverted CMYK against the corpus's reference renderings; YCCK only for shape.
  for (const char* name : {"jpg-cmyk-1", "jpg-cmyk-2"}) {
    auto jpeg = LoadJpeg(JpegCorpus() / "jpeg-decoder" / (std::string(name) + ".jpg"));
    TBitmap* bitmap = jpeg->DecodedBitmap();
    ASSERT_EQ(bitmap->PixelFormat(), pf24bit) << name;
    QImage ref(QString::fromStdString(
        (JpegCorpus() / "jpeg-decoder" / "reference" / (std::string(name) + ".png")).string()));
    ASSERT_FALSE(ref.isNull()) << name;
    ref = ref.convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(bitmap->Width(), ref.width());
    ASSERT_EQ(bitmap->Height(), ref.height());
    int worst = 0;
    for (int y = 0; y < ref.height(); ++y) {
      const uint8_t* ours = bitmap->ScanLine(y);
      const uchar* theirs = ref.constScanLine(y);
      for (int x = 0; x < ref.width(); ++x)
        for (int c = 0; c < 3; ++c)
          worst = std::max(worst, std::abs(ours[x * 3 + (2 - c)] - theirs[x * 3 + c]));
    }
    EXPECT_LE(worst, 2) << name;
  }
  auto ycck = LoadJpeg(JpegCorpus() / "pillow" / "pil_sample_cmyk.jpg");
  EXPECT_EQ(ycck->DecodedBitmap()->Width(), 100);
  // Palette output of a four-component file goes through the one-pass quantiser.
  ycck->SetOutputDepth(Depth8);
  EXPECT_EQ(ycck->DecodedBitmap()->PixelFormat(), pf8bit);
  EXPECT_FALSE(ycck->DecodedBitmap()->ColorTable().empty());
}

TEST(JPEGImage, DamagedAndUnsupportedFilesFailCleanly) {
  PICTAVIA_REQUIRE_CORPUS("jpeg");
  // Every corpus file either decodes to the size it announced or raises one of our exceptions.
  int decoded = 0;
  for (const fs::path& dir :
       {JpegCorpus() / "libjpeg-turbo", JpegCorpus() / "pillow", JpegCorpus() / "image-rs",
        JpegCorpus() / "jpeg-decoder", JpegCorpus() / "jpeg-decoder" / "crashtest"}) {
    for (const fs::path& file : testsupport::FilesIn(dir)) {
      if (file.extension() != ".jpg" && file.extension() != ".jpeg") continue;
      try {
        auto jpeg = LoadJpeg(file);
        const int w = jpeg->Width(), h = jpeg->Height();
        TBitmap* bitmap = jpeg->DecodedBitmap();
        EXPECT_EQ(bitmap->Width(), w) << file;
        EXPECT_EQ(bitmap->Height(), h) << file;
        ++decoded;
      } catch (const Exception& e) {
        EXPECT_TRUE(dynamic_cast<const EJPEG*>(&e) || dynamic_cast<const EOutOfResources*>(&e))
            << file << ": " << e.ClassName() << " " << e.Message();
      }
    }
  }
  EXPECT_GE(decoded, 30);

  // Unsupported and foreign content names the library's reason.
  struct Failure {
    const char* file;
    int code;
  };
  for (const Failure& f : {Failure{"libjpeg-turbo/monkey12.jpg", 15},     // 12-bit samples
                           Failure{"jpeg-decoder/jpg-size-6x6.jpg", 53},  // a PNG
                           Failure{"jpeg-decoder/crashtest/max_size.jpg", 41}}) {
    try {
      LoadJpeg(JpegCorpus() / f.file);
      ADD_FAILURE() << f.file << " loaded";
    } catch (const EJPEG& e) {
      EXPECT_EQ(e.ErrorCode(), f.code) << f.file << ": " << e.Detail();
      EXPECT_EQ(e.Message(), "JPEG error #" + std::to_string(f.code));
      EXPECT_FALSE(e.Detail().empty());
    }
  }
}

TEST(JPEGImage, EmptyAndTruncatedFiles) {
  PICTAVIA_REQUIRE_CORPUS("jpeg");
  auto empty = LoadJpeg(JpegCorpus() / "jpeg-decoder" / "crashtest" / "empty.jpg");
  EXPECT_EQ(empty->Width(), 0);
  EXPECT_EQ(empty->Height(), 0);
  EXPECT_FALSE(empty->Empty());
  TBitmap target;
  target.SetSize(4, 4);
  // Drawing fails every time: a failed decode is not kept.
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      empty->Draw(*target.Canvas(), Rect(0, 0, 4, 4));
      ADD_FAILURE() << "drawing an empty file succeeded";
    } catch (const EJPEG& e) {
      EXPECT_EQ(e.Message(), "JPEG error #42");
    }
  }

  // A progressive file cut off in its scans decodes with what it has.
  auto truncated = LoadJpeg(JpegCorpus() / "pillow" / "truncated_jpeg.jpg");
  EXPECT_TRUE(truncated->SaveProgressive());
  EXPECT_EQ(truncated->DecodedBitmap()->Width(), 100);

  // A baseline file cut in half still decodes; its lower part is filled by the library.
  auto whole = testsupport::ReadFileBytes(JpegCorpus() / "libjpeg-turbo" / "testorig.jpg");
  whole.resize(whole.size() / 2);
  auto half = LoadJpegBytes(whole);
  EXPECT_EQ(half->DecodedBitmap()->Height(), 149);
}

TEST(JPEGImage, OversizedPicturesAreRefusedBeforeAllocating) {
  // A progressive frame of 60000 x 60000 in a few bytes: the full size exceeds what a bitmap may
  // hold, and at 1/8 the library's whole-image buffers exceed its memory limit.
  const unsigned char header[] = {
      0xFF, 0xD8, 0xFF, 0xDB, 0, 67, 0,  // quantisation table 0, all ones
      1,    1,    1,    1,    1, 1,  1,    1, 1, 1,    1,    1,    1,    1,   1,  1,    1,    1,
      1,    1,    1,    1,    1, 1,  1,    1, 1, 1,    1,    1,    1,    1,   1,  1,    1,    1,
      1,    1,    1,    1,    1, 1,  1,    1, 1, 1,    1,    1,    1,    1,   1,  1,    1,    1,
      1,    1,    1,    1,    1, 1,  1,    1, 1, 1,    0xFF, 0xC2, 0,    17,  8,  0xEA, 0x60, 0xEA,
      0x60, 3,    1,    0x11, 0, 2,  0x11, 0, 3, 0x11, 0,    0xFF, 0xC4, 0,   20, 0x00, 1,    0,
      0,    0,    0,    0,    0, 0,  0,    0, 0, 0,    0,    0,    0,    0,   0,  0xFF, 0xDA, 0,
      12,   3,    1,    0,    2, 0,  3,    0, 0, 0,    0,    0x00, 0xFF, 0xD9};
  auto jpeg = LoadJpegBytes(std::vector<unsigned char>(std::begin(header), std::end(header)));
  EXPECT_EQ(jpeg->Width(), 60000);
  EXPECT_TRUE(jpeg->SaveProgressive());
  EXPECT_THROW(jpeg->DecodedBitmap(), EOutOfResources);
  jpeg->SetScaleDown(Eighth);
  EXPECT_EQ(jpeg->Width(), 7500);
  EXPECT_THROW(jpeg->DecodedBitmap(), EJPEG);
}

TEST(JPEGImage, EndlessScanListsAreRefused) {
  // A 16 x 16 gray progressive frame followed by many empty DC scans: each scan costs a pass
  // over the whole picture, so their number is bounded.
  auto build = [](int Scans) {
    std::vector<unsigned char> b = {0xFF, 0xD8, 0xFF, 0xDB, 0, 67, 0};
    b.insert(b.end(), 64, 1);
    const unsigned char frame[] = {0xFF, 0xC2, 0,    11, 8,  0,    16, 0, 16, 1, 1, 0x11,
                                   0,    0xFF, 0xC4, 0,  20, 0x00, 1,  0, 0,  0, 0, 0,
                                   0,    0,    0,    0,  0,  0,    0,  0, 0,  0, 0};
    b.insert(b.end(), std::begin(frame), std::end(frame));
    const unsigned char scan[] = {0xFF, 0xDA, 0, 8, 1, 1, 0x00, 0, 0, 0, 0, 0};
    for (int i = 0; i < Scans; ++i) b.insert(b.end(), std::begin(scan), std::end(scan));
    b.push_back(0xFF);
    b.push_back(0xD9);
    return b;
  };
  EXPECT_EQ(LoadJpegBytes(build(999))->DecodedBitmap()->Width(), 16);
  for (bool progressively : {false, true}) {
    auto jpeg = LoadJpegBytes(build(1200));
    jpeg->SetShowProgressively(progressively);
    try {
      jpeg->DecodedBitmap();
      ADD_FAILURE() << "1200 scans decoded";
    } catch (const EJPEG& e) {
      EXPECT_STREQ(e.what(), "JPEG image has more than 1000 scans");
    }
  }
}

// --- settings and the picture interface ------------------------------------------------------

TEST(JPEGImage, SizeQueriesDoNotDecode) {
  PICTAVIA_REQUIRE_CORPUS("jpeg");
  auto jpeg = LoadJpeg(JpegCorpus() / "image-rs" / "cat.jpg");
  int events = 0;
  jpeg->OnProgress = [&](TObject*, TProgressStage, uint8_t, bool, const TRect&,
                         const std::string&) { ++events; };
  EXPECT_EQ(jpeg->Width(), 320);
  jpeg->SetScaleDown(Quarter);
  EXPECT_EQ(jpeg->Width(), 80);
  EXPECT_EQ(jpeg->Height(), 60);
  EXPECT_EQ(events, 0);
  EXPECT_EQ(jpeg->DecodedBitmap()->Width(), 80);
  EXPECT_GE(events, 2);

  try {
    jpeg->SetWidth(10);
    ADD_FAILURE() << "SetWidth succeeded";
  } catch (const EInvalidGraphicOperation& e) {
    EXPECT_STREQ(e.what(), "Cannot change the size of a JPEG image");
  }
  EXPECT_THROW(jpeg->SetHeight(10), EInvalidGraphicOperation);

  TJPEGImage fresh;
  EXPECT_TRUE(fresh.Empty());
  EXPECT_EQ(fresh.DecodedBitmap()->Width(), 0);
}

TEST(JPEGImage, ProgressiveDisplayEndsWithTheFullPicture) {
  PICTAVIA_REQUIRE_CORPUS("jpeg");
  // Scan-by-scan decoding must end where a plain decode does.
  for (TJPEGOutputDepth depth : {Depth24, Depth8}) {
    auto plain = LoadJpeg(JpegCorpus() / "image-rs" / "cat.jpg");
    auto shown = LoadJpeg(JpegCorpus() / "image-rs" / "cat.jpg");
    plain->SetOutputDepth(depth);
    shown->SetOutputDepth(depth);
    shown->SetShowProgressively(true);
    TBitmap* a = plain->DecodedBitmap();
    TBitmap* b = shown->DecodedBitmap();
    ASSERT_EQ(a->Height(), b->Height());
    ASSERT_EQ(a->PixelFormat(), b->PixelFormat());
    EXPECT_EQ(a->ColorTable(), b->ColorTable());
    for (int y = 0; y < a->Height(); ++y)
      ASSERT_EQ(0, std::memcmp(a->ScanLine(y), b->ScanLine(y), a->ScanLineSize())) << y;
  }
}

TEST(JPEGImage, PaletteSetDecodesOntoIt) {
  PICTAVIA_REQUIRE_CORPUS("jpeg");
  auto jpeg = LoadJpeg(JpegCorpus() / "libjpeg-turbo" / "testorig.jpg");
  EXPECT_EQ(jpeg->Palette(), nullptr);  // 24-bit output on a true-colour screen
  jpeg->SetOutputDepth(Depth8);
  ASSERT_NE(jpeg->Palette(), nullptr);
  int changes = 0;
  jpeg->OnChange = [&](TObject*) { ++changes; };
  auto bw = std::make_shared<TLogPalette>();
  bw->Entries = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  jpeg->SetPalette(bw);
  EXPECT_EQ(changes, 1);
  TBitmap* bitmap = jpeg->DecodedBitmap();
  ASSERT_EQ(bitmap->ColorTable().size(), 2u);
  EXPECT_EQ(bitmap->ColorTable()[1].rgbRed, 255);
  bool sawBoth[2] = {false, false};
  for (int y = 0; y < bitmap->Height(); ++y)
    for (int x = 0; x < bitmap->Width(); ++x) {
      ASSERT_LT(bitmap->ScanLine(y)[x], 2);
      sawBoth[bitmap->ScanLine(y)[x]] = true;
    }
  EXPECT_TRUE(sawBoth[0] && sawBoth[1]);
  // The same palette again changes nothing.
  jpeg->SetPalette(jpeg->Palette());
  EXPECT_EQ(jpeg->DecodedBitmap(), bitmap);

  // A picture made from a bitmap has nothing to decode again: it keeps its pixels.
  TJPEGImage fromBitmap;
  auto source = MakeGradient(8, 8);
  source->SetPixelFormat(pf8bit);
  fromBitmap.Assign(source.get());
  fromBitmap.SetPalette(bw);
  EXPECT_EQ(fromBitmap.DecodedBitmap()->Width(), 8);
  EXPECT_FALSE(fromBitmap.Empty());
}

TEST(JPEGImage, EightBitScreensAreOfferedTheColourCubeAndAGreyRamp) {
  // Settles the defaults on the real screen first, so that they stay as they were.
  JPEGDefaults();
  struct TScreenDepth {
    explicit TScreenDepth(int Bits) { SetJPEGScreenBitsPerPixel(Bits); }
    ~TScreenDepth() { SetJPEGScreenBitsPerPixel(0); }
  };
  TJPEGImage source;
  auto gradient = MakeGradient(16, 16);
  source.Assign(gradient.get());
  auto jpeg = LoadJpegBytes(Saved(source));
  int events = 0;
  jpeg->OnProgress = [&](TObject*, TProgressStage, uint8_t, bool, const TRect&,
                         const std::string&) { ++events; };
  {
    TScreenDepth screen(16);
    EXPECT_EQ(jpeg->Palette(), nullptr);
  }
  TScreenDepth screen(8);
  const HPALETTE palette = jpeg->Palette();
  EXPECT_EQ(events, 0);  // offered without decoding
  ASSERT_NE(palette, nullptr);
  ASSERT_EQ(palette->Entries.size(), 256u);
  // Every colour of the 6 x 6 x 6 cube once, then greys rising strictly between its greys.
  std::set<std::array<int, 3>> cube;
  for (size_t i = 0; i < 216; ++i) {
    const TPaletteEntry& e = palette->Entries[i];
    EXPECT_TRUE(e.peRed % 51 == 0 && e.peGreen % 51 == 0 && e.peBlue % 51 == 0) << i;
    cube.insert({e.peRed, e.peGreen, e.peBlue});
  }
  EXPECT_EQ(cube.size(), 216u);
  int last = 0;
  for (size_t i = 216; i < 256; ++i) {
    const TPaletteEntry& e = palette->Entries[i];
    EXPECT_TRUE(e.peRed == e.peGreen && e.peGreen == e.peBlue) << i;
    EXPECT_GT(e.peRed, last) << i;
    EXPECT_NE(e.peRed % 51, 0) << i;
    last = e.peRed;
  }
  EXPECT_LT(last, 255);
  // Once decoded, the picture offers its bitmap's palette: none for full colour.
  jpeg->DecodedBitmap();
  EXPECT_EQ(jpeg->Palette(), nullptr);
}

TEST(JPEGImage, DrawingAtItsOwnSizeMatchesTheStretchedCopy) {
  PICTAVIA_REQUIRE_CORPUS("jpeg");
  // The direct row copy must give what the toolkit bitmap's own drawing gives: offsets,
  // surfaces edges, a clip rectangle, 24-bit and palette pictures, a width not a multiple of 4;
  // both from the kept bitmap and decoded straight into the canvas on the first draw.
  for (TJPEGOutputDepth depth : {Depth24, Depth8}) {
    auto jpeg = LoadJpeg(JpegCorpus() / "libjpeg-turbo" / "testorig.jpg");  // 227 x 149
    jpeg->SetOutputDepth(depth);
    TBitmap* bitmap = jpeg->DecodedBitmap();
    for (const TRect& place :
         {Rect(0, 0, 227, 149), Rect(-5, 3, 222, 152), Rect(30, -20, 257, 129)}) {
      for (bool clip : {false, true}) {
        auto fresh = LoadJpeg(JpegCorpus() / "libjpeg-turbo" / "testorig.jpg");
        fresh->SetOutputDepth(depth);
        std::vector<uint32_t> first(240 * 160, 0xAB123456u);
        TCanvas f;
        f.SetSurface(first.data(), 240, 160);
        if (clip) f.SetClipRect(Rect(7, 9, 200, 120));
        fresh->Draw(f, place);
        std::vector<uint32_t> ours(240 * 160, 0xAB123456u), theirs(ours);
        TCanvas a, b;
        a.SetSurface(ours.data(), 240, 160);
        b.SetSurface(theirs.data(), 240, 160);
        if (clip) {
          a.SetClipRect(Rect(7, 9, 200, 120));
          b.SetClipRect(Rect(7, 9, 200, 120));
        }
        jpeg->Draw(a, place);
        bitmap->Draw(b, place);
        for (size_t i = 0; i < ours.size(); ++i) {
          ASSERT_EQ(ours[i], theirs[i])
              << "depth " << depth << " clip " << clip << " at " << i % 240 << "," << i / 240;
          ASSERT_EQ(first[i], theirs[i]) << "first draw, depth " << depth << " clip " << clip
                                         << " at " << i % 240 << "," << i / 240;
        }
        // The first draw kept no half-made state: the picture still gives its bitmap.
        EXPECT_EQ(fresh->DecodedBitmap()->Width(), 227);
      }
    }
  }
}

TEST(JPEGImage, DecodesOncePerPicture) {
  PICTAVIA_REQUIRE_CORPUS("jpeg");
  // The first draw goes straight into the canvas and keeps the bitmap: later draws, stretched
  // or not, and the bitmap itself come without decoding or reporting progress again.
  const auto bytes = testsupport::ReadFileBytes(JpegCorpus() / "jpeg-decoder" / "mjpeg.jpg");
  const int w = 960, h = 720;
  PlainResult ref;
  ASSERT_TRUE(PlainDecode(bytes, {}, ref));
  auto jpeg = LoadJpegBytes(bytes);
  jpeg->SetProgressInterval(0);
  int starts = 0, events = 0;
  jpeg->OnProgress = [&](TObject*, TProgressStage stage, uint8_t, bool, const TRect&,
                         const std::string&) {
    ++events;
    if (stage == psStarting) ++starts;
  };
  std::vector<uint32_t> first(static_cast<size_t>(w) * h), again(first.size(), 7), small(100 * 80);
  TCanvas a, b, c;
  a.SetSurface(first.data(), w, h);
  b.SetSurface(again.data(), w, h);
  c.SetSurface(small.data(), 100, 80);
  jpeg->Draw(a, Rect(0, 0, w, h));
  EXPECT_EQ(starts, 1);
  const int firstEvents = events;
  EXPECT_GE(firstEvents, 3);
  jpeg->Draw(b, Rect(0, 0, w, h));
  jpeg->Draw(c, Rect(0, 0, 100, 80));
  TBitmap* kept = jpeg->DecodedBitmap();
  EXPECT_EQ(events, firstEvents);
  EXPECT_EQ(first, again);
  ExpectSamePixels(*kept, ref, "kept after the first draw");
  EXPECT_EQ(jpeg->DecodedBitmap(), kept);

  // A handler's abort during the first draw keeps what was decoded; the rest is black on the
  // canvas and in the kept bitmap alike, and nothing is decoded again.
  auto aborted = LoadJpegBytes(bytes);
  aborted->SetProgressInterval(0);
  starts = 0;
  aborted->OnProgress = [&](TObject*, TProgressStage stage, uint8_t p, bool, const TRect&,
                            const std::string&) {
    if (stage == psStarting) ++starts;
    if (stage == psRunning && p >= 50) throw EAbort();
  };
  std::vector<uint32_t> part(first.size(), 0x00FFFFFFu), fromKept(first.size(), 0x00FFFFFFu);
  TCanvas p, k;
  p.SetSurface(part.data(), w, h);
  k.SetSurface(fromKept.data(), w, h);
  aborted->Draw(p, Rect(0, 0, w, h));
  aborted->DecodedBitmap()->Draw(k, Rect(0, 0, w, h));
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(part, fromKept);
  EXPECT_EQ(part.back(), 0u);
  EXPECT_EQ(part.front(), first.front());
}

TEST(JPEGImage, DrawnOnceKeepsNoBitmapAndALaterDrawDecodesOnceMore) {
  PICTAVIA_REQUIRE_CORPUS("jpeg");
  const auto bytes = testsupport::ReadFileBytes(JpegCorpus() / "jpeg-decoder" / "mjpeg.jpg");
  const int w = 960, h = 720;
  const size_t count = static_cast<size_t>(w) * h;
  int starts = 0;
  auto counting = [&](TObject*, TProgressStage stage, uint8_t, bool, const TRect&,
                      const std::string&) {
    if (stage == psStarting) ++starts;
  };
  // What an ordinary first draw gives, and the same made opaque.
  std::vector<uint32_t> drawn(count);
  {
    TCanvas c;
    c.SetSurface(drawn.data(), w, h);
    LoadJpegBytes(bytes)->Draw(c, Rect(0, 0, w, h));
  }
  std::vector<uint32_t> opaque(drawn);
  for (uint32_t& p : opaque) p |= 0xFF000000u;

  // Covering the whole canvas, the once-draw decodes once and gives the opaque pixels; nothing
  // is kept, so the next ordinary draw decodes once more, and keeps its bitmap.
  auto jpeg = LoadJpegBytes(bytes);
  jpeg->OnProgress = counting;
  std::vector<uint32_t> once(count), again(count), stretched(100 * 80);
  TCanvas a, b, c;
  a.SetSurface(once.data(), w, h);
  b.SetSurface(again.data(), w, h);
  c.SetSurface(stretched.data(), 100, 80);
  EXPECT_TRUE(jpeg->DrawOnce(a, Rect(0, 0, w, h)));
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(once, opaque);
  jpeg->Draw(b, Rect(0, 0, w, h));
  EXPECT_EQ(starts, 2);
  EXPECT_EQ(again, drawn);
  jpeg->Draw(b, Rect(0, 0, w, h));
  jpeg->Draw(c, Rect(0, 0, 100, 80));
  jpeg->DecodedBitmap();
  // With a bitmap kept, a once-draw uses it and is the ordinary draw.
  std::vector<uint32_t> fromKept(count);
  a.SetSurface(fromKept.data(), w, h);
  EXPECT_FALSE(jpeg->DrawOnce(a, Rect(0, 0, w, h)));
  EXPECT_EQ(starts, 2);
  EXPECT_EQ(fromKept, drawn);

  // Not covering all of its rectangle (clipped or partly off the canvas), the once-draw leaves
  // the fourth bytes as the ordinary draw does and says so.
  for (const TRect& place : {Rect(0, 0, w, h), Rect(-8, 5, w - 8, h + 5)}) {
    auto clipped = LoadJpegBytes(bytes);
    std::vector<uint32_t> ours(count, 0x12345678u), theirs(ours);
    TCanvas o, t;
    o.SetSurface(ours.data(), w, h);
    t.SetSurface(theirs.data(), w, h);
    if (place.Left == 0) {
      o.SetClipRect(Rect(3, 4, 500, 600));
      t.SetClipRect(Rect(3, 4, 500, 600));
    }
    EXPECT_FALSE(clipped->DrawOnce(o, place));
    LoadJpegBytes(bytes)->Draw(t, place);
    EXPECT_EQ(ours, theirs) << place.Left;
  }

  // A handler's abort ends the once-draw with the rest of the canvas opaque black; the picture
  // still decodes in full when it is drawn again.
  auto aborted = LoadJpegBytes(bytes);
  aborted->SetProgressInterval(0);
  bool abort = true;
  starts = 0;
  aborted->OnProgress = [&](TObject*, TProgressStage stage, uint8_t p, bool, const TRect&,
                            const std::string&) {
    if (stage == psStarting) ++starts;
    if (abort && stage == psRunning && p >= 50) throw EAbort();
  };
  std::vector<uint32_t> part(count, 0x00FFFFFFu);
  a.SetSurface(part.data(), w, h);
  EXPECT_TRUE(aborted->DrawOnce(a, Rect(0, 0, w, h)));
  EXPECT_EQ(part.front(), opaque.front());
  EXPECT_EQ(part.back(), 0xFF000000u);
  abort = false;
  std::vector<uint32_t> whole(count);
  a.SetSurface(whole.data(), w, h);
  aborted->Draw(a, Rect(0, 0, w, h));
  EXPECT_EQ(starts, 2);
  EXPECT_EQ(whole, drawn);
}

TEST(JPEGImage, DrawnOnceFallsBackToTheKeptBitmapForOtherKinds) {
  PICTAVIA_REQUIRE_CORPUS("jpeg");
  // Pictures that are not decoded straight into the canvas (CMYK, palette output) decode into
  // their bitmap as an ordinary draw does, and keep it: drawing again decodes nothing.
  struct Case {
    const char* name;
    TJPEGOutputDepth depth;
  };
  for (const Case& c : {Case{"jpg-cmyk-1.jpg", Depth24}, Case{"jpg-cmyk-1.jpg", Depth8},
                        Case{"rgb.jpg", Depth8}, Case{"jpg-gray.jpg", Depth24}}) {
    auto jpeg = LoadJpeg(JpegCorpus() / "jpeg-decoder" / c.name);
    jpeg->SetOutputDepth(c.depth);
    int starts = 0;
    jpeg->OnProgress = [&](TObject*, TProgressStage stage, uint8_t, bool, const TRect&,
                           const std::string&) {
      if (stage == psStarting) ++starts;
    };
    const int w = jpeg->Width(), h = jpeg->Height();
    std::vector<uint32_t> once(static_cast<size_t>(w) * h), drawn(once.size());
    TCanvas a, b;
    a.SetSurface(once.data(), w, h);
    b.SetSurface(drawn.data(), w, h);
    EXPECT_FALSE(jpeg->DrawOnce(a, Rect(0, 0, w, h))) << c.name << " depth " << c.depth;
    jpeg->Draw(b, Rect(0, 0, w, h));
    EXPECT_EQ(starts, 1) << c.name << " depth " << c.depth;
    EXPECT_EQ(once, drawn) << c.name << " depth " << c.depth;
  }
}

// --- assignment, saving, stored form ---------------------------------------------------------

TEST(JPEGImage, AssignmentSharesBytesAndCopiesBitmaps) {
  PICTAVIA_REQUIRE_CORPUS("jpeg");
  const fs::path file = JpegCorpus() / "libjpeg-turbo" / "testorig.jpg";
  auto a = LoadJpeg(file);
  TBitmap* decoded = a->DecodedBitmap();
  TJPEGImage b;
  b.Assign(a.get());
  EXPECT_EQ(b.Data(), a->Data());
  EXPECT_TRUE(b.Equals(*a));
  ASSERT_NE(b.DecodedBitmap(), decoded);  // its own copy
  EXPECT_EQ(0, std::memcmp(b.DecodedBitmap()->ScanLine(10), decoded->ScanLine(10),
                           decoded->ScanLineSize()));

  auto c = LoadJpeg(file);  // the same bytes read separately
  EXPECT_NE(c->Data(), a->Data());
  EXPECT_TRUE(c->Equals(*a));
  auto other = LoadJpeg(JpegCorpus() / "image-rs" / "iptc.jpg");
  EXPECT_FALSE(other->Equals(*a));

  // To a toolkit bitmap: the decoded pixels.
  TBitmap target;
  target.Assign(a.get());
  EXPECT_EQ(target.PixelFormat(), pf24bit);
  EXPECT_EQ(target.Width(), 227);
  EXPECT_EQ(0, std::memcmp(target.ScanLine(100), decoded->ScanLine(100), decoded->ScanLineSize()));

  // Drawing stretches the decoded bitmap into the rectangle.
  TBitmap canvasOwner;
  canvasOwner.SetPixelFormat(pf32bit);
  canvasOwner.SetSize(20, 10);
  a->Draw(*canvasOwner.Canvas(), Rect(10, 0, 20, 10));
  const uint8_t* px = decoded->ScanLine(0);
  EXPECT_EQ(canvasOwner.Canvas()->Pixel(10, 0), RGBColor(px[2], px[1], px[0]));
  EXPECT_EQ(canvasOwner.Canvas()->Pixel(0, 0), RGBColor(0, 0, 0));
}

TEST(JPEGImage, SavesAndReadsBack) {
  auto gradient = MakeGradient(64, 48);
  TJPEGImage jpeg;
  jpeg.Assign(gradient.get());
  EXPECT_FALSE(jpeg.Empty());
  EXPECT_EQ(jpeg.Data()->Data, nullptr);  // compressed only when written
  EXPECT_EQ(jpeg.Width(), 64);
  const auto bytes = Saved(jpeg);
  ASSERT_GT(bytes.size(), 100u);
  EXPECT_EQ(jpeg.Data()->Width, 64);

  auto back = LoadJpegBytes(bytes);
  EXPECT_EQ(back->Width(), 64);
  EXPECT_EQ(back->Height(), 48);
  EXPECT_FALSE(back->SaveProgressive());
  TBitmap* decoded = back->DecodedBitmap();
  int worst = 0;
  for (int y = 0; y < 48; ++y)
    for (int i = 0; i < 64 * 3; ++i)
      worst = std::max(worst, std::abs(decoded->ScanLine(y)[i] - gradient->ScanLine(y)[i]));
  EXPECT_LE(worst, 24);  // quality 90 on a sharp checker pattern
  // Writing again gives the same bytes: no second compression.
  EXPECT_EQ(Saved(*back), bytes);

  // Quality, grayscale and progressive saving.
  TJPEGImage low, gray, progressive;
  for (TJPEGImage* j : {&low, &gray, &progressive}) j->Assign(gradient.get());
  low.SetSaveQuality(5);
  gray.SetDecodeGrayscale(true);
  progressive.SetSaveProgressive(true);
  EXPECT_LT(Saved(low).size(), bytes.size());
  auto grayBack = LoadJpegBytes(Saved(gray));
  EXPECT_TRUE(grayBack->Data()->Grayscale);
  EXPECT_EQ(grayBack->DecodedBitmap()->PixelFormat(), pf8bit);
  EXPECT_TRUE(LoadJpegBytes(Saved(progressive))->SaveProgressive());

  // An 8-bit source is compressed from its colours.
  auto indexed = MakeGradient(16, 16);
  indexed->SetPixelFormat(pf8bit);
  TJPEGImage fromIndexed;
  fromIndexed.Assign(indexed.get());
  EXPECT_EQ(LoadJpegBytes(Saved(fromIndexed))->Width(), 16);

  // Nothing to write for an empty picture, and it stays empty.
  TJPEGImage nothing;
  EXPECT_TRUE(Saved(nothing).empty());
  EXPECT_TRUE(nothing.Empty());
}

TEST(JPEGImage, StoredFormIsCountThenBytes) {
  auto gradient = MakeGradient(16, 16);
  TJPEGImage jpeg;
  jpeg.Assign(gradient.get());
  TFiler writer;
  jpeg.DefineProperties(writer);
  const TFiler::BinaryProperty* data = writer.Find("Data");
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(data->HasData);
  TMemoryStream stored;
  data->WriteData(stored);
  const auto jpegBytes = Saved(jpeg);
  ASSERT_EQ(stored.Size(), static_cast<int64_t>(4 + jpegBytes.size()));
  stored.SetPosition(0);
  EXPECT_EQ(stored.ReadU32LE(), jpegBytes.size());

  TJPEGImage read;
  TFiler reader;
  read.DefineProperties(reader);
  EXPECT_FALSE(reader.Find("Data")->HasData);
  stored.SetPosition(0);
  reader.Find("Data")->ReadData(stored);
  EXPECT_TRUE(read.Equals(jpeg));
  EXPECT_EQ(read.Width(), 16);

  // A count of 0 is no data; a count beyond the stream is a read error.
  TMemoryStream zero;
  zero.WriteU32LE(0);
  zero.SetPosition(0);
  reader.Find("Data")->ReadData(zero);
  EXPECT_TRUE(read.Empty());
  TMemoryStream shortStream;
  shortStream.WriteU32LE(1000);
  shortStream.WriteU32LE(0);
  shortStream.SetPosition(0);
  EXPECT_THROW(reader.Find("Data")->ReadData(shortStream), EReadError);
}

// --- progress --------------------------------------------------------------------------------

TEST(JPEGImage, ProgressReportsAndAbort) {
  PICTAVIA_REQUIRE_CORPUS("jpeg");
  const fs::path file = JpegCorpus() / "jpeg-decoder" / "mjpeg.jpg";  // 960 x 720
  struct Event {
    TProgressStage stage;
    int percent;
    TRect rows;
  };
  std::vector<Event> events;
  auto record = [&](TObject*, TProgressStage stage, uint8_t percent, bool, const TRect& r,
                    const std::string&) {
    events.push_back({stage, percent, r});
  };

  // Every report, in order, with bands of rows that follow one another.
  auto jpeg = LoadJpeg(file);
  jpeg->SetProgressInterval(0);
  jpeg->OnProgress = record;
  jpeg->DecodedBitmap();
  ASSERT_GE(events.size(), 4u);
  EXPECT_EQ(events.front().stage, psStarting);
  EXPECT_EQ(events.back().stage, psEnding);
  EXPECT_EQ(events.back().percent, 100);
  int lastPercent = 0, lastRow = 0;
  for (size_t i = 1; i + 1 < events.size(); ++i) {
    EXPECT_EQ(events[i].stage, psRunning);
    EXPECT_GT(events[i].percent, lastPercent);
    EXPECT_EQ(events[i].rows.Top, lastRow);
    EXPECT_EQ(events[i].rows.Right, 960);
    lastPercent = events[i].percent;
    lastRow = events[i].rows.Bottom;
  }

  // An EAbort from a handler inside the library ends decoding quietly and keeps the bitmap.
  events.clear();
  auto aborted = LoadJpeg(file);
  aborted->SetProgressInterval(0);
  aborted->OnProgress = [&](TObject* s, TProgressStage stage, uint8_t p, bool redraw,
                            const TRect& r, const std::string& m) {
    record(s, stage, p, redraw, r, m);
    if (stage == psRunning && p >= 50) throw EAbort();
  };
  EXPECT_NO_THROW(aborted->DecodedBitmap());
  EXPECT_EQ(aborted->DecodedBitmap()->Height(), 720);
  EXPECT_EQ(events.back().stage, psEnding);
  EXPECT_EQ(events.back().percent, 0);

  // Any other exception passes on, and nothing is kept.
  auto failing = LoadJpeg(file);
  failing->SetProgressInterval(0);
  bool fail = true;
  failing->OnProgress = [&](TObject*, TProgressStage stage, uint8_t, bool, const TRect&,
                            const std::string&) {
    if (fail && stage == psRunning) throw EInvalidOperation("stop");
  };
  EXPECT_THROW(failing->DecodedBitmap(), EInvalidOperation);
  fail = false;
  EXPECT_EQ(failing->DecodedBitmap()->Height(), 720);

  // Compression reports too, and an abort there leaves no bytes behind.
  auto gradient = MakeGradient(256, 256);
  TJPEGImage save;
  save.Assign(gradient.get());
  save.SetProgressInterval(0);
  save.OnProgress = [](TObject*, TProgressStage stage, uint8_t, bool, const TRect&,
                       const std::string&) {
    if (stage == psRunning) throw EAbort();
  };
  EXPECT_TRUE(Saved(save).empty());
  EXPECT_EQ(save.Data()->Data, nullptr);
}

// --- the picture registry and the editor's loading path --------------------------------------

TEST(JPEGImage, LoadsByExtensionIntoBitmap32) {
  PICTAVIA_REQUIRE_CORPUS("jpeg");
  RegisterCodecPictureFormats();
  for (const char* ext : {"jpg", "JPEG"}) {
    const TPictureFormat* format = TPictureFormats::Instance().Find(ext);
    ASSERT_NE(format, nullptr) << ext;
    EXPECT_EQ(format->Description, "JPEG Image File");
    EXPECT_EQ(format->ClassName, "TJPEGImage");
  }
  TPicture picture;
  picture.LoadFromFile((JpegCorpus() / "libjpeg-turbo" / "testorig.jpg").string());
  auto* jpeg = dynamic_cast<TJPEGImage*>(picture.Graphic());
  ASSERT_NE(jpeg, nullptr);

  // A PNG with a .jpg name is refused by the JPEG reader, with the library's reason.
  TPicture disguised;
  try {
    disguised.LoadFromFile((JpegCorpus() / "jpeg-decoder" / "jpg-size-6x6.jpg").string());
    ADD_FAILURE() << "a PNG loaded as JPEG";
  } catch (const EJPEG& e) {
    EXPECT_NE(e.Detail().find("Not a JPEG file"), std::string::npos) << e.Detail();
  }

  // The editor's path: every pixel the decoded colour, made opaque.
  TBitmap32 b32;
  b32.LoadFromFile((JpegCorpus() / "libjpeg-turbo" / "testorig.jpg").string());
  ASSERT_EQ(b32.Width(), 227);
  ASSERT_EQ(b32.Height(), 149);
  TBitmap* decoded = jpeg->DecodedBitmap();
  for (int y = 0; y < 149; ++y) {
    const uint8_t* row = decoded->ScanLine(y);
    for (int x = 0; x < 227; ++x) {
      const uint32_t expected =
          0xFF000000u | (row[x * 3 + 2] << 16) | (row[x * 3 + 1] << 8) | row[x * 3];
      ASSERT_EQ(b32.GetPixel(x, y), expected) << x << "," << y;
    }
  }
}

TEST(JPEGImage, LoadingIntoBitmap32GivesTheDecodedColoursOpaqueForEveryKind) {
  PICTAVIA_REQUIRE_CORPUS("jpeg");
  RegisterCodecPictureFormats();
  // Loading draws the picture once (straight into the bitmap where it can); whatever the kind
  // of file, every pixel is the decoded colour, opaque. Widths that are not a multiple of four
  // take the row expansion's tail.
  const fs::path dir = JpegCorpus() / "jpeg-decoder";
  for (const fs::path& file :
       {dir / "rgb.jpg", dir / "jpg-progressive.jpg", dir / "jpg-cmyk-2.jpg", dir / "jpg-gray.jpg",
        dir / "restarts.jpg", dir / "jpg-size-1x1.jpg", dir / "jpg-size-7x7.jpg",
        dir / "jpg-size-15x15.jpg", dir / "jpg-size-33x33.jpg",
        JpegCorpus() / "libjpeg-turbo" / "testimgari.jpg"}) {
    TPicture picture;
    picture.LoadFromFile(file.string());
    TBitmap32 expected;
    expected.Assign(&picture);
    TBitmap32 loaded;
    loaded.LoadFromFile(file.string());
    ASSERT_EQ(loaded.Width(), expected.Width()) << file;
    ASSERT_EQ(loaded.Height(), expected.Height()) << file;
    ASSERT_GT(loaded.Width(), 0) << file;
    TBitmap* decoded = dynamic_cast<TJPEGImage&>(*picture.Graphic()).DecodedBitmap();
    for (int y = 0; y < loaded.Height(); ++y)
      for (int x = 0; x < loaded.Width(); ++x) {
        ASSERT_EQ(loaded.GetPixel(x, y), expected.GetPixel(x, y)) << file << " " << x << "," << y;
        ASSERT_EQ(loaded.GetPixel(x, y), PixelFromColor(decoded->Canvas()->Pixel(x, y)))
            << file << " " << x << "," << y;
      }
  }
}

}  // namespace pictavia
