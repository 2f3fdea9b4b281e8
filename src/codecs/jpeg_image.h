// TJPEGImage, the JPEG picture: it keeps the compressed bytes (shared between copies in a
// TJPEGData) and decodes them into a toolkit bitmap only when pixels are first needed.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "toolkit/exceptions.h"
#include "toolkit/geometry.h"
#include "toolkit/graphic.h"

namespace pictavia {

class TBitmap;
class TCanvas;
class TMemoryStream;
class TStream;

// A fatal error of the JPEG library. The message is "JPEG error #<code>" with the library's
// message code; Detail() carries the library's own wording for logs and tests.
class EJPEG : public EInvalidGraphic {
 public:
  EJPEG(int Code, std::string Detail);
  explicit EJPEG(std::string Message) : EInvalidGraphic(std::move(Message)) {}
  const char* ClassName() const override { return "EJPEG"; }
  int ErrorCode() const { return code_; }
  const std::string& Detail() const { return detail_; }

 private:
  int code_ = 0;
  std::string detail_;
};

inline constexpr const char* SJPEGError = "JPEG error #%d";
inline constexpr const char* SChangeJPGSize = "Cannot change the size of a JPEG image";
inline constexpr const char* SJPEGTooManyScans = "JPEG image has more than %d scans";

enum TJPEGDecodeSpeed { FavourQuality, FavourSpeed };
enum TJPEGOutputDepth { Depth24, Depth8 };
// Output size 1/1, 1/2, 1/4 or 1/8 of the picture.
enum TJPEGScaleDown { FullSize, Half, Quarter, Eighth };

// The settings every new TJPEGImage starts with. Built on first use: OutputDepth is Depth8 when
// the screen shows 8 bits per pixel or fewer.
struct TJPEGDefaults {
  uint8_t SaveQuality = 90;  // 1..100
  bool DecodeGrayscale = false;
  TJPEGDecodeSpeed DecodeSpeed = FavourQuality;
  TJPEGOutputDepth OutputDepth = Depth24;
  bool ShowProgressively = false;
  bool SaveProgressive = false;
  TJPEGScaleDown ScaleDown = FullSize;
  bool BlockSmoothing = true;
};
TJPEGDefaults& JPEGDefaults();
// The screen depth the pictures go by (the defaults, the palette offered before decoding),
// in bits per pixel; 0, the start, asks the primary screen. For tests of other screens.
void SetJPEGScreenBitsPerPixel(int Bits);

enum TProgressStage { psStarting, psRunning, psEnding };
// R is the band of rows produced since the previous report (empty when none applies).
using TProgressEvent =
    std::function<void(TObject* Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow,
                       const TRect& R, const std::string& Msg)>;

// The compressed bytes and what the file header says about them. Shared by every TJPEGImage
// that was copied from the same picture; freed with its last user.
class TJPEGData : public TObject {
 public:
  TJPEGData();
  ~TJPEGData() override;
  const char* ClassName() const override { return "TJPEGData"; }

  // Null while the picture was made from a bitmap and has not been compressed yet.
  std::unique_ptr<TMemoryStream> Data;
  int Width = 0;
  int Height = 0;
  bool Grayscale = false;
};

class TJPEGImage : public TGraphic {
 public:
  TJPEGImage();
  ~TJPEGImage() override;
  TJPEGImage(const TJPEGImage&) = delete;
  TJPEGImage& operator=(const TJPEGImage&) = delete;
  const char* ClassName() const override { return "TJPEGImage"; }

  // --- size -------------------------------------------------------------------------------
  // The decoded bitmap's size when there is one; else the header's size at FullSize, or the
  // scaled output size worked out by the decompressor without decoding.
  int PictureWidth() const;
  int PictureHeight() const;
  int Width() const override { return PictureWidth(); }
  int Height() const override { return PictureHeight(); }
  // A JPEG picture cannot be resized: both raise EInvalidGraphicOperation.
  void SetWidth(int Value) override;
  void SetHeight(int Value) override;
  // False whenever JPEG bytes are held (even none, after reading an empty file).
  bool Empty() const override;

  // --- pixels -----------------------------------------------------------------------------
  // The decoded picture: pf24bit, or pf8bit with a palette for Depth8 and grayscale output.
  // Decodes on the first call; an EAbort from a progress handler keeps what was decoded. A file
  // of more than 1000 scans is refused with EJPEG.
  TBitmap* DecodedBitmap() const;
  void Draw(TCanvas& ACanvas, const TRect& Rect) override;
  // A full-colour picture not yet decoded, drawn at its own size, is decoded straight into the
  // canvas without keeping a bitmap (a later Draw decodes again and keeps one); opaque when it
  // covers all of Rect.
  bool DrawOnce(TCanvas& ACanvas, const TRect& Rect) override;
  HPALETTE Palette() const override;
  // Decodes again with this palette (Depth8) when it differs from the decoded bitmap's.
  void SetPalette(HPALETTE Value) override;

  // --- data -------------------------------------------------------------------------------
  const std::shared_ptr<TJPEGData>& Data() const { return data_; }
  // True for a picture sharing this one's data, or holding the same JPEG bytes.
  bool Equals(const TJPEGImage& Other) const;

  void Assign(const TPersistent* Source) override;
  void AssignTo(TPersistent* Dest) const override;
  // The stored form: the byte count as a 32-bit integer, then the bytes (0: no data).
  void DefineProperties(TFiler& Filer) override;

  // Takes every byte from the stream's position to its end and reads the header.
  void LoadFromStream(TStream& Stream) override;
  // Writes the JPEG bytes, compressing the decoded bitmap first when there are none.
  void SaveToStream(TStream& Stream) override;

  // --- settings ---------------------------------------------------------------------------
  uint8_t SaveQuality() const { return saveQuality_; }
  void SetSaveQuality(int Value);  // clamped to 1..100
  bool DecodeGrayscale() const { return decodeGrayscale_; }
  void SetDecodeGrayscale(bool Value);
  TJPEGDecodeSpeed DecodeSpeed() const { return decodeSpeed_; }
  void SetDecodeSpeed(TJPEGDecodeSpeed Value);
  TJPEGOutputDepth OutputDepth() const { return outputDepth_; }
  void SetOutputDepth(TJPEGOutputDepth Value);
  bool ShowProgressively() const { return showProgressively_; }
  void SetShowProgressively(bool Value) { showProgressively_ = Value; }
  // Set to the file's own kind by every read and every scale computation.
  bool SaveProgressive() const { return saveProgressive_; }
  void SetSaveProgressive(bool Value) { saveProgressive_ = Value; }
  TJPEGScaleDown ScaleDown() const { return scaleDown_; }
  void SetScaleDown(TJPEGScaleDown Value);
  bool BlockSmoothing() const { return blockSmoothing_; }
  void SetBlockSmoothing(bool Value);

  // Raised while decoding or compressing: start, at most every ProgressInterval milliseconds
  // while running (only when the percentage changed), and end (100, or 0 after a failure).
  TProgressEvent OnProgress;
  int ProgressInterval() const { return progressInterval_; }
  void SetProgressInterval(int Milliseconds) { progressInterval_ = Milliseconds; }

 private:
  struct TProgressMonitor;  // the library's progress hook, in jpeg_image.cpp

  struct TDirectDraw;  // an unstretched draw the decoder writes straight into, in jpeg_image.cpp
  struct TDecoding;    // the steps of Decode, in jpeg_image.cpp

  // Decodes into the kept bitmap. Given Direct, a full-colour picture of Direct's size is also
  // written into its canvas as its rows come (and, for a Direct drawn once, only there: no
  // bitmap is kept); returns whether it was.
  bool Decode(const TDirectDraw* Direct = nullptr) const;
  void Compress();
  void CalcScaledSize() const;
  // Drops the decoded bitmap so that the next use decodes again, when there are bytes to do so.
  void DecodeSettingChanged();
  void Progress(TProgressStage Stage, uint8_t Percent, bool RedrawNow, const TRect& R) const;
  // The end report after decoding or compressing; a handler's failure becomes Error unless there
  // was one already, and its EAbort is ignored.
  void ReportEnd(bool Failed, std::exception_ptr& Error) const;
  void SignalChange() const;

  std::shared_ptr<TJPEGData> data_;
  // The decoding caches; mutable because size and palette queries may have to decode.
  mutable std::unique_ptr<TBitmap> bitmap_;
  mutable HPALETTE tempPal_;
  mutable int scaledWidth_ = 0;
  mutable int scaledHeight_ = 0;
  mutable bool scaledValid_ = false;
  mutable bool paletteModified_ = false;
  mutable bool saveProgressive_ = false;

  uint8_t saveQuality_;
  bool decodeGrayscale_;
  TJPEGDecodeSpeed decodeSpeed_;
  TJPEGOutputDepth outputDepth_;
  bool showProgressively_;
  TJPEGScaleDown scaleDown_;
  bool blockSmoothing_;
  int progressInterval_ = 500;
};

}  // namespace pictavia
