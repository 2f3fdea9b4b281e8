// TJPEGImage and TJPEGData: reading the header, decoding on demand into a toolkit bitmap,
// compressing a bitmap, palettes, assignment, the stored form and progress reports.
#include "codecs/jpeg_image.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <vector>

#include <QGuiApplication>
#include <QScreen>

#include "codecs/internal/bgr_rows.h"
#include "codecs/internal/jpeg_library.h"
#include "toolkit/bitmap.h"
#include "toolkit/bmp_codec.h"
#include "toolkit/canvas.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

// Colours the quantiser may choose for 8-bit output; the rest of a 256-entry table is left to
// the platform's fixed colours.
constexpr int kQuantizedColors = 236;

int screenBitsOverride = 0;

int ScreenBitsPerPixel() {
  if (screenBitsOverride > 0) return screenBitsOverride;
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return 32;
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->depth() : 32;
}

// The palette offered for drawing a colour picture on a screen of 256 colours or fewer: a
// 6x6x6 colour cube and a grey ramp between its greys.
HPALETTE HalftonePalette() {
  auto palette = std::make_shared<TLogPalette>();
  palette->Entries.reserve(256);
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        palette->Entries.push_back(TPaletteEntry{static_cast<uint8_t>(r * 51),
                                                 static_cast<uint8_t>(g * 51),
                                                 static_cast<uint8_t>(b * 51), 0});
  for (int i = 1; palette->Entries.size() < 256; ++i) {
    const auto v = static_cast<uint8_t>(i * 255 / 41);
    palette->Entries.push_back(TPaletteEntry{v, v, v, 0});
  }
  return palette;
}

bool SamePalette(const HPALETTE& A, const HPALETTE& B) {
  if (!A || !B) return !A && !B;
  return A == B || A->Entries == B->Entries;
}

bool IsFourComponent(J_COLOR_SPACE Space) {
  return Space == JCS_CMYK || Space == JCS_YCCK;
}

// Writers that add the Adobe marker store CMYK inverted (255 = no ink); others store ink.
inline void CmykToRgb(int C, int M, int Y, int K, bool Inverted, uint8_t& R, uint8_t& G,
                      uint8_t& B) {
  if (!Inverted) {
    C = 255 - C;
    M = 255 - M;
    Y = 255 - Y;
    K = 255 - K;
  }
  R = static_cast<uint8_t>((C * K + 127) / 255);
  G = static_cast<uint8_t>((M * K + 127) / 255);
  B = static_cast<uint8_t>((Y * K + 127) / 255);
}

void CmykRowToBgr(const JSAMPLE* In, uint8_t* Out, int Count, bool Inverted) {
  for (int x = 0; x < Count; ++x, In += 4, Out += 3)
    CmykToRgb(In[0], In[1], In[2], In[3], Inverted, Out[2], Out[1], Out[0]);
}

// The colour table for the quantiser's current colour map, or an empty one when there is none.
std::vector<TRGBQuad> ColorTableFromColormap(const jpeg_decompress_struct& cinfo) {
  std::vector<TRGBQuad> table;
  if (!cinfo.colormap || cinfo.actual_number_of_colors <= 0) return table;
  const int count = std::min(cinfo.actual_number_of_colors, 256);
  const JSAMPARRAY map = cinfo.colormap;
  table.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    TRGBQuad& q = table[static_cast<size_t>(i)];
    switch (cinfo.out_color_space) {
      case JCS_GRAYSCALE:
        q.rgbRed = q.rgbGreen = q.rgbBlue = map[0][i];
        break;
      case JCS_CMYK:
        CmykToRgb(map[0][i], map[1][i], map[2][i], map[3][i], cinfo.saw_Adobe_marker, q.rgbRed,
                  q.rgbGreen, q.rgbBlue);
        break;
      default:  // quantised output is requested as JCS_RGB
        q.rgbRed = map[0][i];
        q.rgbGreen = map[1][i];
        q.rgbBlue = map[2][i];
        break;
    }
  }
  return table;
}

// Every scan of a progressive file passes over the whole picture, so a small file of tiny scans
// could keep the decoder busy for hours. Real files have a few dozen at most.
constexpr int kMaxScans = 1000;

// The settings of the last output pass, kept aside while buffered-image mode shows the
// intermediate scans quickly.
struct TFinalPass {
  J_DCT_METHOD dctMethod = JDCT_ISLOW;
  J_DITHER_MODE ditherMode = JDITHER_FS;
  boolean twoPassQuantize = TRUE;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Progress

struct TJPEGImage::TProgressMonitor {
  jpeg_progress_mgr pub;  // first member: the library only sees this part
  const TJPEGImage* owner;
  TJpegErrorManager* err;
  int width;  // of the output, for the band of decoded rows
  int lastPercent = 0;
  int reportedRows = 0;
  std::chrono::steady_clock::time_point lastTime;

  TProgressMonitor(const TJPEGImage* Owner, TJpegErrorManager& Err, int Width)
      : pub(), owner(Owner), err(&Err), width(Width), lastTime(std::chrono::steady_clock::now()) {
    pub.progress_monitor = Callback;
  }

  // Called by the library. A handler's exception cannot travel through the library: it is
  // kept, and the library is left through the error manager's jump.
  static void Callback(j_common_ptr cinfo) {
    auto* self = reinterpret_cast<TProgressMonitor*>(cinfo->progress);
    if (!self->Poll(cinfo)) JpegBail(cinfo);
  }

  bool Poll(j_common_ptr cinfo) noexcept {
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
      try {
        err->pending = std::make_exception_ptr(EJPEG(Format(SJPEGTooManyScans, kMaxScans)));
      } catch (...) {
      }
      return false;
    }
    if (!owner->OnProgress) return true;
    const double fraction =
        pub.pass_limit > 0 ? static_cast<double>(pub.pass_counter) / pub.pass_limit : 0.0;
    const int passes = std::max(1, pub.total_passes);
    const int percent =
        std::clamp(static_cast<int>(100.0 * (pub.completed_passes + fraction) / passes), 0, 100);
    if (percent == lastPercent) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastTime < std::chrono::milliseconds(owner->progressInterval_)) return true;
    lastPercent = percent;
    lastTime = now;
    TRect band{};
    if (cinfo->is_decompressor) {
      // Rows produced since the last report; each output pass of buffered-image mode starts
      // again at the top.
      const int rows = static_cast<int>(reinterpret_cast<j_decompress_ptr>(cinfo)->output_scanline);
      if (rows < reportedRows) reportedRows = 0;
      band = Rect(0, reportedRows, width, rows);
      reportedRows = rows;
    }
    try {
      owner->Progress(psRunning, static_cast<uint8_t>(percent), !IsRectEmpty(band), band);
    } catch (...) {
      err->pending = std::current_exception();
      return false;
    }
    return true;
  }
};

// ---------------------------------------------------------------------------------------------
// Defaults and data

TJPEGDefaults& JPEGDefaults() {
  static TJPEGDefaults defaults = [] {
    TJPEGDefaults d;
    if (ScreenBitsPerPixel() <= 8) d.OutputDepth = Depth8;
    return d;
  }();
  return defaults;
}

void SetJPEGScreenBitsPerPixel(int Bits) {
  screenBitsOverride = std::max(Bits, 0);
}

TJPEGData::TJPEGData() = default;
TJPEGData::~TJPEGData() = default;

// ---------------------------------------------------------------------------------------------
// TJPEGImage

TJPEGImage::TJPEGImage() : data_(std::make_shared<TJPEGData>()) {
  const TJPEGDefaults& d = JPEGDefaults();
  saveQuality_ = d.SaveQuality;
  decodeGrayscale_ = d.DecodeGrayscale;
  decodeSpeed_ = d.DecodeSpeed;
  outputDepth_ = d.OutputDepth;
  showProgressively_ = d.ShowProgressively;
  saveProgressive_ = d.SaveProgressive;
  scaleDown_ = d.ScaleDown;
  blockSmoothing_ = d.BlockSmoothing;
}

TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::SignalChange() const {
  const_cast<TJPEGImage*>(this)->Changed();
}

void TJPEGImage::Progress(TProgressStage Stage, uint8_t Percent, bool RedrawNow,
                          const TRect& R) const {
  if (OnProgress) OnProgress(const_cast<TJPEGImage*>(this), Stage, Percent, RedrawNow, R, "");
}

void TJPEGImage::ReportEnd(bool Failed, std::exception_ptr& Error) const {
  try {
    Progress(psEnding, Failed ? 0 : 100, false, TRect{});
  } catch (const EAbort&) {
  } catch (...) {
    if (!Error) Error = std::current_exception();
  }
}

// --- size ------------------------------------------------------------------------------------

int TJPEGImage::PictureWidth() const {
  if (bitmap_) return bitmap_->Width();
  if (scaleDown_ == FullSize || data_->Width == 0) return data_->Width;
  CalcScaledSize();
  return scaledWidth_;
}

int TJPEGImage::PictureHeight() const {
  if (bitmap_) return bitmap_->Height();
  if (scaleDown_ == FullSize || data_->Height == 0) return data_->Height;
  CalcScaledSize();
  return scaledHeight_;
}

void TJPEGImage::SetWidth(int /*Value*/) {
  throw EInvalidGraphicOperation(SChangeJPGSize);
}
void TJPEGImage::SetHeight(int /*Value*/) {
  throw EInvalidGraphicOperation(SChangeJPGSize);
}

bool TJPEGImage::Empty() const {
  if (data_->Data) return false;
  return !bitmap_ || bitmap_->Empty();
}

// --- decompressor set-up ---------------------------------------------------------------------

namespace {

// The picture's settings that shape the decompressor.
struct TDecodeSettings {
  TJPEGScaleDown scaleDown;
  bool blockSmoothing;
  bool grayscale;
  TJPEGOutputDepth depth;
  TJPEGDecodeSpeed speed;
  bool progressively;
};

// Reads the header of Bytes and applies the decoding settings. Returns the settings of the final
// output pass (they differ from the current ones in buffered-image mode).
TFinalPass SetUpDecompressor(TJpegDecompressor& jd, TMemoryStream& Bytes,
                             const TDecodeSettings& S) {
  j_decompress_ptr cinfo = &jd.cinfo;
  JpegAttachSource(cinfo, jd.source, Bytes.Memory(), static_cast<size_t>(Bytes.Size()));
  jd.Run([cinfo] { jpeg_read_header(cinfo, TRUE); });

  cinfo->scale_num = 1;
  cinfo->scale_denom = 1u << S.scaleDown;
  cinfo->do_block_smoothing = S.blockSmoothing ? TRUE : FALSE;
  if (S.grayscale)
    cinfo->out_color_space = JCS_GRAYSCALE;
  else if (IsFourComponent(cinfo->jpeg_color_space))
    cinfo->out_color_space = JCS_CMYK;  // turned into colours by us: the library has no such path
  else if (cinfo->out_color_space != JCS_GRAYSCALE)
    // Palette indexes come with a colour map in red, green, blue order; full colour comes in
    // the toolkit bitmap's own blue, green, red order.
    cinfo->out_color_space = S.depth == Depth8 ? JCS_RGB : JCS_EXT_BGR;

  if (S.depth == Depth8 || cinfo->out_color_space == JCS_GRAYSCALE) {
    cinfo->quantize_colors = TRUE;
    cinfo->desired_number_of_colors = kQuantizedColors;
  }
  if (S.speed == FavourSpeed) {
    cinfo->dct_method = JDCT_IFAST;
    cinfo->two_pass_quantize = FALSE;
    cinfo->dither_mode = JDITHER_ORDERED;
  }
  TFinalPass final{cinfo->dct_method, cinfo->dither_mode, cinfo->two_pass_quantize};
  if (S.progressively && jpeg_has_multiple_scans(cinfo)) {
    cinfo->buffered_image = TRUE;
    if (cinfo->quantize_colors) cinfo->enable_2pass_quant = final.twoPassQuantize;
    cinfo->dct_method = JDCT_IFAST;
    cinfo->two_pass_quantize = FALSE;
    cinfo->dither_mode = JDITHER_ORDERED;
  }
  return final;
}

}  // namespace

void TJPEGImage::CalcScaledSize() const {
  if (scaledValid_) return;
  TJpegDecompressor jd;
  SetUpDecompressor(
      jd, *data_->Data,
      {scaleDown_, blockSmoothing_, decodeGrayscale_, outputDepth_, decodeSpeed_, false});
  j_decompress_ptr cinfo = &jd.cinfo;
  jd.Run([cinfo] { jpeg_calc_output_dimensions(cinfo); });
  scaledWidth_ = static_cast<int>(cinfo->output_width);
  scaledHeight_ = static_cast<int>(cinfo->output_height);
  saveProgressive_ = jpeg_has_multiple_scans(cinfo);
  scaledValid_ = true;
}

// The usual draw of a photo: at its own size with a plain copy onto a canvas's pixels. Rows are
// expanded straight into the surface with what the stretched copy gives (fourth byte 0) but
// without its per-pixel mapping, which would cost a fifth of the decoding time.
struct TJPEGImage::TDirectDraw {
  TCanvas* Canvas = nullptr;
  TRect Place{};    // where the picture goes, at its own size
  TRect Visible{};  // Place within the canvas's clip rectangle
  // Drawn once: decoding keeps no bitmap, and pixels come opaque when all of Place shows.
  bool Once = false;
  uint32_t Fourth = 0;  // the fourth byte of the pixels put, in place

  // False when the draw is not a plain copy of a Width x Height picture onto pixels.
  bool Set(TCanvas& ACanvas, const TRect& Rect, int Width, int Height) {
    if (ACanvas.CopyMode != cmSrcCopy || Rect.Right - Rect.Left != Width ||
        Rect.Bottom - Rect.Top != Height || !ACanvas.Bits())
      return false;
    Canvas = &ACanvas;
    Place = Rect;
    if (!IntersectRect(Visible, Rect, ACanvas.ClipRect())) Visible = TRect{};
    return true;
  }
  bool Shows() const { return !IsRectEmpty(Visible); }
  void SetOnce() {
    Once = true;
    if (Visible == Place) Fourth = 0xFF000000u;
  }

  // Row Y of the picture, in blue, green, red order, into the canvas.
  void PutRow(int Y, const uint8_t* Bgr) const {
    const int y = Y + Place.Top;
    if (y < Visible.Top || y >= Visible.Bottom) return;
    ExpandBgrRow(Bgr + (Visible.Left - Place.Left) * 3, Target(y), Visible.Right - Visible.Left,
                 Fourth);
  }

  // The decoded bitmap (24-bit, or 8-bit with its palette); false for any other kind.
  bool PutBitmap(TBitmap& Bitmap) const {
    const bool indexed = Bitmap.PixelFormat() == pf8bit;
    if ((!indexed && Bitmap.PixelFormat() != pf24bit) || Bitmap.Transparent()) return false;
    if (!Shows()) return true;
    uint32_t lookup[256] = {};
    if (indexed) {
      const auto& table = Bitmap.ColorTable();
      for (size_t i = 0; i < table.size() && i < 256; ++i)
        lookup[i] = table[i].rgbBlue | (table[i].rgbGreen << 8) |
                    (static_cast<uint32_t>(table[i].rgbRed) << 16);
    }
    const int count = Visible.Right - Visible.Left;
    const int skip = Visible.Left - Place.Left;
    Canvas->Changing();
    for (int y = Visible.Top; y < Visible.Bottom; ++y) {
      const uint8_t* in = Bitmap.ScanLine(y - Place.Top);
      if (indexed) {
        uint32_t* out = Target(y);
        for (int x = 0; x < count; ++x) out[x] = lookup[in[skip + x]];
      } else {
        PutRow(y - Place.Top, in);
      }
    }
    Canvas->Changed();
    return true;
  }

 private:
  uint32_t* Target(int CanvasY) const {
    return Canvas->Bits() + static_cast<int64_t>(CanvasY) * Canvas->Width() + Visible.Left;
  }
};

// --- decoding --------------------------------------------------------------------------------

TBitmap* TJPEGImage::DecodedBitmap() const {
  if (!bitmap_) Decode();
  return bitmap_.get();
}

// One decoding of the held bytes: the decompressor, where its rows go and the bitmap they fill.
struct TJPEGImage::TDecoding {
  TDecoding(const TJPEGImage& Image, const TDirectDraw* Direct);

  // Up to the first row: the palette given, the size check, the output buffers, the canvas.
  void Start();
  // Every output pass: one, or in buffered-image mode each scan as it arrives and the final one.
  void ReadPasses();
  void Finish() {
    jd.Run([this] { jpeg_finish_decompress(cinfo); });
  }
  // Ends the draw into the canvas, if there was one, after the decoding ended or failed.
  void EndDrawing(bool Aborted);

  const TJPEGImage& image;
  const TDirectDraw* direct;
  TJpegDecompressor jd;
  const j_decompress_ptr cinfo = &jd.cinfo;
  const TFinalPass final;
  TProgressMonitor monitor;
  std::unique_ptr<TBitmap> bitmap = std::make_unique<TBitmap>();
  bool quantize = false;
  bool cmyk = false;  // the colours are ours to make, through a CMYK row
  bool cmykInverted = false;
  // Full colour decoded in one pass also goes into the canvas, each band of rows while it is
  // still in the cache, so the first draw costs no second pass over the picture.
  bool intoCanvas = false;
  bool keep = true;          // false: drawn once, through one row buffer, and no bitmap is kept
  bool drawing = false;      // into the canvas, between its Changing and Changed
  bool externalMap = false;  // decoding onto the palette given
  std::vector<JSAMPROW> rows;
  std::vector<JSAMPLE> cmykRow, onceRow;

 private:
  void DecodeOntoGivenPalette();
  void OutputPass();
  void ReadPass();
  void TakeColormap();
};

TJPEGImage::TDecoding::TDecoding(const TJPEGImage& Image, const TDirectDraw* Direct)
    : image(Image),
      direct(Direct),
      final(SetUpDecompressor(jd, *Image.data_->Data,
                              {Image.scaleDown_, Image.blockSmoothing_, Image.decodeGrayscale_,
                               Image.outputDepth_, Image.decodeSpeed_, Image.showProgressively_})),
      monitor(&Image, jd.err, 0) {
  quantize = cinfo->quantize_colors;
  cmyk = cinfo->out_color_space == JCS_CMYK && !quantize;
  cmykInverted = cinfo->saw_Adobe_marker;
  intoCanvas = direct && !quantize && !cmyk && !cinfo->buffered_image;
  bitmap->SetPixelFormat(quantize ? pf8bit : pf24bit);
}

void TJPEGImage::TDecoding::DecodeOntoGivenPalette() {
  HPALETTE& given = image.tempPal_;
  if (given && image.outputDepth_ != Depth8) given.reset();
  if (!given || given->Entries.empty() || cinfo->out_color_space != JCS_RGB) return;
  const auto& entries = given->Entries;
  const int count = static_cast<int>(std::min<size_t>(entries.size(), 256));
  JSAMPARRAY map = nullptr;
  jd.Run([&] {
    map = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                      static_cast<JDIMENSION>(count), 3);
  });
  for (int i = 0; i < count; ++i) {
    map[0][i] = entries[static_cast<size_t>(i)].peRed;
    map[1][i] = entries[static_cast<size_t>(i)].peGreen;
    map[2][i] = entries[static_cast<size_t>(i)].peBlue;
  }
  cinfo->colormap = map;
  cinfo->actual_number_of_colors = count;
  bitmap->SetPalette(given);
  externalMap = true;
}

void TJPEGImage::TDecoding::Start() {
  DecodeOntoGivenPalette();
  cinfo->progress = &monitor.pub;  // also counts the scans

  // Refuse a picture the bitmap could not hold before the library allocates for it.
  jd.Run([this] { jpeg_calc_output_dimensions(cinfo); });
  CheckPictureSize(cinfo->output_width, cinfo->output_height);
  intoCanvas = intoCanvas &&
               static_cast<int>(cinfo->output_width) == direct->Place.Right - direct->Place.Left &&
               static_cast<int>(cinfo->output_height) == direct->Place.Bottom - direct->Place.Top;
  jd.Run([this] { jpeg_start_decompress(cinfo); });
  const int width = static_cast<int>(cinfo->output_width);
  const int height = static_cast<int>(cinfo->output_height);
  monitor.width = width;
  keep = !intoCanvas || !direct->Once;
  if (keep) {
    bitmap->SetSize(width, height);
    rows.resize(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) rows[static_cast<size_t>(y)] = bitmap->ScanLine(y);
  } else {
    onceRow.resize(static_cast<size_t>(width) * 3);
  }
  if (intoCanvas) {
    direct->Canvas->Changing();
    drawing = true;
  }
  if (cmyk) cmykRow.resize(static_cast<size_t>(width) * 4);
}

void TJPEGImage::TDecoding::ReadPasses() {
  if (!cinfo->buffered_image) {
    TakeColormap();
    ReadPass();
    return;
  }
  // Each scan as it arrives, quickly, then the final pass with the full settings.
  while (!jpeg_input_complete(cinfo)) OutputPass();
  cinfo->dct_method = final.dctMethod;
  cinfo->dither_mode = final.ditherMode;
  cinfo->two_pass_quantize = final.twoPassQuantize;
  // Without this the quick passes' colour map would stay: a null map makes the library choose
  // the final pass's quantiser afresh.
  if (quantize && !externalMap) cinfo->colormap = nullptr;
  OutputPass();
}

void TJPEGImage::TDecoding::OutputPass() {
  jd.Run([this] { jpeg_start_output(cinfo, cinfo->input_scan_number); });
  TakeColormap();
  ReadPass();
  jd.Run([this] { jpeg_finish_output(cinfo); });
}

// Output rows go straight into the bitmap (through a CMYK row when the colours are ours to make);
// returns when the pass is complete.
void TJPEGImage::TDecoding::ReadPass() {
  jd.Run([this] {
    const JDIMENSION height = cinfo->output_height;
    while (cinfo->output_scanline < height) {
      const JDIMENSION y = cinfo->output_scanline;
      if (!keep) {
        JSAMPROW in = onceRow.data();
        if (jpeg_read_scanlines(cinfo, &in, 1) == 1) direct->PutRow(static_cast<int>(y), in);
      } else if (cmyk) {
        JSAMPROW in = cmykRow.data();
        if (jpeg_read_scanlines(cinfo, &in, 1) == 1)
          CmykRowToBgr(in, rows[y], static_cast<int>(cinfo->output_width), cmykInverted);
      } else {
        const JDIMENSION got = jpeg_read_scanlines(cinfo, rows.data() + y, height - y);
        if (intoCanvas)
          for (JDIMENSION k = y; k < y + got; ++k) direct->PutRow(static_cast<int>(k), rows[k]);
      }
    }
  });
}

// The quantiser picked its colours (per pass in buffered-image mode): the bitmap takes them.
void TJPEGImage::TDecoding::TakeColormap() {
  if (!quantize || externalMap) return;
  std::vector<TRGBQuad> table = ColorTableFromColormap(*cinfo);
  if (table.empty()) return;
  bitmap->SetColorTable(table);
  image.paletteModified_ = true;
}

void TJPEGImage::TDecoding::EndDrawing(bool Aborted) {
  if (!drawing) return;
  // Rows a progress handler's abort left undecoded are black, as in the kept bitmap.
  if (Aborted) {
    onceRow.assign(onceRow.size(), 0);
    for (JDIMENSION y = cinfo->output_scanline; y < cinfo->output_height; ++y)
      direct->PutRow(static_cast<int>(y), keep ? rows[y] : onceRow.data());
  }
  direct->Canvas->Changed();
}

bool TJPEGImage::Decode(const TDirectDraw* Direct) const {
  if (!data_->Data) {  // nothing held: the picture is empty
    bitmap_ = std::make_unique<TBitmap>();
    return false;
  }
  TDecoding decoding(*this, Direct);
  std::exception_ptr error;
  bool aborted = false;
  try {
    Progress(psStarting, 0, false, TRect{});
    decoding.Start();
    decoding.ReadPasses();
    decoding.Finish();
  } catch (const EAbort&) {
    aborted = true;  // keep what was decoded
  } catch (...) {
    error = std::current_exception();
  }
  decoding.EndDrawing(aborted);
  ReportEnd(aborted || error, error);
  if (error) std::rethrow_exception(error);
  if (!decoding.keep) return true;
  bitmap_ = std::move(decoding.bitmap);
  if (paletteModified_) {
    paletteModified_ = false;
    SignalChange();
  }
  return decoding.drawing;
}

void TJPEGImage::Draw(TCanvas& ACanvas, const TRect& Rect) {
  // A picture not yet decoded, drawn at its own size (as assigning it to a bitmap does), is
  // drawn while it is decoded; later draws use the bitmap that decoding kept.
  TDirectDraw direct;
  if (!bitmap_ && data_->Data && direct.Set(ACanvas, Rect, Width(), Height()) && direct.Shows() &&
      Decode(&direct))
    return;
  TBitmap* bitmap = DecodedBitmap();
  TDirectDraw fromBitmap;
  if (!fromBitmap.Set(ACanvas, Rect, bitmap->Width(), bitmap->Height()) ||
      !fromBitmap.PutBitmap(*bitmap))
    bitmap->Draw(ACanvas, Rect);
}

bool TJPEGImage::DrawOnce(TCanvas& ACanvas, const TRect& Rect) {
  TDirectDraw direct;
  if (!bitmap_ && data_->Data && direct.Set(ACanvas, Rect, Width(), Height()) && direct.Shows()) {
    direct.SetOnce();
    if (Decode(&direct)) return direct.Fourth != 0;
  }
  Draw(ACanvas, Rect);  // from the bitmap that decoding kept, if it did
  return false;
}

// --- palette ---------------------------------------------------------------------------------

HPALETTE TJPEGImage::Palette() const {
  if (bitmap_) return bitmap_->Palette();
  if (outputDepth_ == Depth24) return ScreenBitsPerPixel() <= 8 ? HalftonePalette() : nullptr;
  return DecodedBitmap()->Palette();
}

void TJPEGImage::SetPalette(HPALETTE Value) {
  tempPal_ = Value ? std::make_shared<TLogPalette>(*Value) : nullptr;
  const HPALETTE current = bitmap_ ? bitmap_->Palette() : nullptr;
  if (SamePalette(current, tempPal_)) return;
  if (bitmap_ && !data_->Data) {
    // A picture made from a bitmap has no bytes to decode again from: dropping the bitmap
    // would lose it, so the bitmap takes the palette instead.
    bitmap_->SetPalette(tempPal_);
  } else {
    bitmap_.reset();
  }
  SignalChange();
}

// --- settings --------------------------------------------------------------------------------

void TJPEGImage::DecodeSettingChanged() {
  scaledValid_ = false;
  if (!data_->Data) return;  // the bitmap is the picture itself
  bitmap_.reset();
  SignalChange();
}

void TJPEGImage::SetSaveQuality(int Value) {
  saveQuality_ = static_cast<uint8_t>(std::clamp(Value, 1, 100));
}

void TJPEGImage::SetDecodeGrayscale(bool Value) {
  if (Value == decodeGrayscale_) return;
  decodeGrayscale_ = Value;
  DecodeSettingChanged();
}

void TJPEGImage::SetDecodeSpeed(TJPEGDecodeSpeed Value) {
  if (Value == decodeSpeed_) return;
  decodeSpeed_ = Value;
  DecodeSettingChanged();
}

void TJPEGImage::SetOutputDepth(TJPEGOutputDepth Value) {
  if (Value == outputDepth_) return;
  outputDepth_ = Value;
  DecodeSettingChanged();
}

void TJPEGImage::SetScaleDown(TJPEGScaleDown Value) {
  if (Value == scaleDown_) return;
  scaleDown_ = Value;
  DecodeSettingChanged();
}

void TJPEGImage::SetBlockSmoothing(bool Value) {
  if (Value == blockSmoothing_) return;
  blockSmoothing_ = Value;
  DecodeSettingChanged();
}

// --- data, assignment, equality --------------------------------------------------------------

bool TJPEGImage::Equals(const TJPEGImage& Other) const {
  if (data_ == Other.data_) return true;
  return data_->Data && Other.data_->Data && data_->Data->Bytes() == Other.data_->Data->Bytes();
}

void TJPEGImage::Assign(const TPersistent* Source) {
  if (Source == this) return;
  if (!Source) {
    data_ = std::make_shared<TJPEGData>();
    bitmap_.reset();
    tempPal_.reset();
    scaledValid_ = false;
    SignalChange();
  } else if (auto* jpeg = dynamic_cast<const TJPEGImage*>(Source)) {
    std::unique_ptr<TBitmap> copy;
    if (jpeg->bitmap_) {
      copy = std::make_unique<TBitmap>();
      copy->Assign(jpeg->bitmap_.get());
    }
    data_ = jpeg->data_;
    bitmap_ = std::move(copy);
    tempPal_ = jpeg->tempPal_;
    scaledWidth_ = jpeg->scaledWidth_;
    scaledHeight_ = jpeg->scaledHeight_;
    scaledValid_ = jpeg->scaledValid_;
    // The settings travel too: they say how the shared bytes become this picture's pixels.
    saveQuality_ = jpeg->saveQuality_;
    decodeGrayscale_ = jpeg->decodeGrayscale_;
    decodeSpeed_ = jpeg->decodeSpeed_;
    outputDepth_ = jpeg->outputDepth_;
    showProgressively_ = jpeg->showProgressively_;
    saveProgressive_ = jpeg->saveProgressive_;
    scaleDown_ = jpeg->scaleDown_;
    blockSmoothing_ = jpeg->blockSmoothing_;
    SignalChange();
  } else if (auto* bmp = dynamic_cast<const TBitmap*>(Source)) {
    // Compression waits until the picture is written.
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(bmp);
    data_ = std::make_shared<TJPEGData>();
    bitmap_ = std::move(copy);
    tempPal_.reset();
    scaledValid_ = false;
    SignalChange();
  } else {
    TGraphic::Assign(Source);
  }
}

void TJPEGImage::AssignTo(TPersistent* Dest) const {
  if (auto* bmp = dynamic_cast<TBitmap*>(Dest)) {
    bmp->Assign(DecodedBitmap());
    return;
  }
  TGraphic::AssignTo(Dest);
}

void TJPEGImage::DefineProperties(TFiler& Filer) {
  bool hasData = !Empty();
  if (auto* ancestor = dynamic_cast<const TJPEGImage*>(Filer.Ancestor))
    hasData = !Equals(*ancestor);
  Filer.DefineBinaryProperty(
      "Data",
      [this](TStream& Stream) {
        const auto count = static_cast<int32_t>(Stream.ReadU32LE());
        if (count < 0) throw EReadError(SReadError);
        if (count == 0) {
          Assign(nullptr);
          return;
        }
        TMemoryStream bytes;
        bytes.CopyFrom(Stream, count);
        bytes.SetPosition(0);
        LoadFromStream(bytes);
      },
      [this](TStream& Stream) {
        TMemoryStream bytes;
        SaveToStream(bytes);
        Stream.WriteU32LE(static_cast<uint32_t>(bytes.Size()));
        if (bytes.Size() > 0) Stream.WriteBuffer(bytes.Memory(), bytes.Size());
      },
      hasData);
}

// --- reading and writing ---------------------------------------------------------------------

void TJPEGImage::LoadFromStream(TStream& Stream) {
  const int64_t count = std::max<int64_t>(0, Stream.Size() - Stream.Position());
  data_ = std::make_shared<TJPEGData>();
  bitmap_.reset();
  scaledValid_ = false;
  data_->Data = std::make_unique<TMemoryStream>();
  if (count > 0) {
    // Straight into a block of the final size: a photo is megabytes, read in one go.
    TMemoryStream& bytes = *data_->Data;
    bytes.SetSize(count);
    int64_t got = 0;
    while (got < count) {
      const int64_t n = Stream.Read(bytes.Memory() + got, count - got);
      if (n <= 0) break;
      got += n;
    }
    if (got < count) {
      bytes.SetSize(got);  // what was read stays, as with any failed read
      throw EReadError(SReadError);
    }
    TJpegDecompressor jd;
    j_decompress_ptr cinfo = &jd.cinfo;
    JpegAttachSource(cinfo, jd.source, data_->Data->Memory(), static_cast<size_t>(count));
    jd.Run([cinfo] { jpeg_read_header(cinfo, TRUE); });
    data_->Width = static_cast<int>(cinfo->image_width);
    data_->Height = static_cast<int>(cinfo->image_height);
    data_->Grayscale = cinfo->jpeg_color_space == JCS_GRAYSCALE;
    saveProgressive_ = jpeg_has_multiple_scans(cinfo);
  }
  paletteModified_ = true;
  SignalChange();
}

void TJPEGImage::Compress() {
  if (!bitmap_ || bitmap_->Width() <= 0 || bitmap_->Height() <= 0) return;
  // The library takes rows of blue, green, red: a 24-bit copy whatever the bitmap holds.
  TBitmap source;
  source.Assign(bitmap_.get());
  source.SetPixelFormat(pf24bit);
  const int width = source.Width();
  const int height = source.Height();
  std::vector<JSAMPROW> rows(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) rows[static_cast<size_t>(y)] = source.ScanLine(y);

  auto stream = std::make_unique<TMemoryStream>();
  TJpegCompressor jc;
  j_compress_ptr cinfo = &jc.cinfo;
  JpegAttachDestination(cinfo, jc.destination, *stream);
  cinfo->image_width = static_cast<JDIMENSION>(width);
  cinfo->image_height = static_cast<JDIMENSION>(height);
  cinfo->input_components = 3;
  cinfo->in_color_space = JCS_EXT_BGR;
  const int quality = saveQuality_;
  const bool grayscale = decodeGrayscale_;
  const bool progressive = saveProgressive_;
  jc.Run([=] {
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    if (grayscale) jpeg_set_colorspace(cinfo, JCS_GRAYSCALE);
    if (progressive) jpeg_simple_progression(cinfo);
  });

  TProgressMonitor monitor(this, jc.err, width);
  if (OnProgress) cinfo->progress = &monitor.pub;
  std::exception_ptr error;
  bool aborted = false;
  try {
    Progress(psStarting, 0, false, TRect{});
    jc.Run([&] {
      jpeg_start_compress(cinfo, TRUE);
      // One band of blocks per call, so that progress is reported as the rows go in.
      const JDIMENSION band = static_cast<JDIMENSION>(cinfo->max_v_samp_factor * DCTSIZE);
      while (cinfo->next_scanline < cinfo->image_height)
        jpeg_write_scanlines(cinfo, rows.data() + cinfo->next_scanline,
                             std::min(band, cinfo->image_height - cinfo->next_scanline));
      jpeg_finish_compress(cinfo);
    });
  } catch (const EAbort&) {
    aborted = true;
  } catch (...) {
    error = std::current_exception();
  }
  ReportEnd(aborted || error, error);
  if (error) std::rethrow_exception(error);
  if (aborted) {
    data_ = std::make_shared<TJPEGData>();
    return;
  }
  data_->Width = width;
  data_->Height = height;
  data_->Grayscale = grayscale;
  data_->Data = std::move(stream);
}

void TJPEGImage::SaveToStream(TStream& Stream) {
  if (!data_->Data) Compress();
  if (data_->Data && data_->Data->Size() > 0)
    Stream.WriteBuffer(data_->Data->Memory(), data_->Data->Size());
}

}  // namespace pictavia
