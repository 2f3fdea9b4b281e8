// TBitmap32: sizes, notifications, pixel access, wrap modes, geometry, conversions, the mask
// filter, assignment, files and the stored "Data" form.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "raster/bitmap32.h"
#include "raster/resamplers.h"
#include "test_support.h"
#include "toolkit/bitmap.h"
#include "toolkit/canvas.h"
#include "toolkit/exceptions.h"
#include "toolkit/picture.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

// Counts the notifications a bitmap sends.
struct Recorder {
  explicit Recorder(TBitmap32& b) {
    b.OnChange = [this](TObject*) { ++changes; };
    b.OnAreaChanged = [this](TObject*, const TRect& r, uint32_t info) {
      areas.push_back(r);
      infos.push_back(info);
    };
  }
  int changes = 0;
  std::vector<TRect> areas;
  std::vector<uint32_t> infos;
};

void Fill(TBitmap32& b, std::initializer_list<TColor32> pixels) {
  auto it = pixels.begin();
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) b.SetPixel(x, y, *it++);
}

}  // namespace

TEST(Bitmap32Size, NegativeSizesBecomeZeroAndEmptyBitmapsHaveNoPixels) {
  TBitmap32 b;
  EXPECT_TRUE(b.Empty());
  EXPECT_TRUE(b.SetSize(-5, 10));
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 10);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Bits(), nullptr);
  EXPECT_EQ(b.Handle(), nullptr);
}

TEST(Bitmap32Size, SameSizeDoesNothingAndNewSizeZeroesPixels) {
  TBitmap32 b;
  b.SetSize(3, 2);
  b.Clear(0xFF123456);
  Recorder rec(b);
  int resized = 0;
  b.OnResize = [&](TObject*) { ++resized; };
  EXPECT_FALSE(b.SetSize(3, 2));
  EXPECT_EQ(rec.changes, 0);
  EXPECT_EQ(resized, 0);
  EXPECT_TRUE(b.SetSize(4, 2));
  EXPECT_EQ(rec.changes, 1);
  EXPECT_EQ(resized, 1);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(b.GetPixel(x, y), 0u);
  EXPECT_EQ(b.ClipRect(), Rect(0, 0, 4, 2));
  b.SetWidth(5);
  EXPECT_EQ(b.Width(), 5);
  EXPECT_EQ(b.Height(), 2);
}

TEST(Bitmap32Size, ImpossibleSizeRaisesAndLeavesTheBitmapEmpty) {
  TBitmap32 b;
  b.SetSize(10, 10);
  int handleChanges = 0;
  b.OnHandleChanged = [&](TObject*) { ++handleChanges; };
  try {
    b.SetSize(100000, 100000);
    FAIL() << "a 10^10-pixel bitmap was allocated";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Can't allocate the DIB handle");
  }
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Bits(), nullptr);
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 0);
  EXPECT_EQ(handleChanges, 1);
  b.SetSize(2, 2);  // still usable afterwards
  EXPECT_FALSE(b.Empty());
}

TEST(Bitmap32Notify, ChangedRespectsUpdatesAndMeasuring) {
  TBitmap32 b;
  b.SetSize(4, 4);
  Recorder rec(b);
  b.Changed();
  EXPECT_EQ(rec.changes, 1);
  ASSERT_EQ(rec.areas.size(), 1u);
  EXPECT_EQ(rec.areas[0], Rect(0, 0, 4, 4));
  EXPECT_EQ(rec.infos[0], AreaIsRect);

  b.BeginUpdate();
  b.Changed(Rect(1, 1, 2, 2));
  b.EndUpdate();
  EXPECT_EQ(rec.changes, 1);  // EndUpdate itself sends nothing
  EXPECT_EQ(rec.areas.size(), 1u);

  std::vector<TRect> measured;
  b.BeginAreaRecording([&](TObject*, const TRect& r, uint32_t) { measured.push_back(r); });
  b.BeginUpdate();
  b.FillRect(0, 0, 2, 2, 0xFFFFFFFF);
  b.EndUpdate();
  b.EndAreaRecording();
  ASSERT_EQ(measured.size(), 1u);
  EXPECT_EQ(measured[0], Rect(0, 0, 2, 2));
  EXPECT_EQ(b.GetPixel(0, 0), 0u) << "measuring must not draw";
  EXPECT_EQ(rec.changes, 1);
  b.Changed();
  EXPECT_EQ(rec.areas.size(), 2u) << "the saved handler is back after measuring";
}

TEST(Bitmap32Notify, SettersNotifyOnlyOnRealChanges) {
  TBitmap32 b;
  Recorder rec(b);
  b.SetDrawMode(dmOpaque);
  b.SetCombineMode(cmBlend);
  b.SetWrapMode(wmClamp);
  b.SetMasterAlpha(255);
  EXPECT_EQ(rec.changes, 0);
  b.SetDrawMode(dmBlend);
  b.SetCombineMode(cmMerge);
  b.SetWrapMode(wmMirror);
  b.SetMasterAlpha(7);
  EXPECT_EQ(rec.changes, 4);
  b.SetOuterColor(0x12345678);
  EXPECT_EQ(rec.changes, 4);
  EXPECT_EQ(b.OuterColor(), 0x12345678u);
  b.SetResamplerClassName("TNoSuchResampler");
  EXPECT_EQ(b.ResamplerClassName(), "TNearestResampler");
  EXPECT_EQ(rec.changes, 4);
}

TEST(Bitmap32Fill, ClearAndSetAllAlpha) {
  TBitmap32 b;
  Recorder rec(b);
  b.Clear(0xFF00FF00);
  EXPECT_EQ(rec.changes, 0) << "clearing an empty bitmap is silent";
  b.SetSize(3, 3);
  rec.changes = 0;
  b.Clear(0x80112233);
  EXPECT_EQ(rec.changes, 1);
  EXPECT_EQ(b.GetPixel(2, 2), 0x80112233u);
  b.SetClipRect(Rect(1, 1, 2, 2));
  b.Clear(0xFFFFFFFF);
  EXPECT_EQ(b.GetPixel(1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(b.GetPixel(0, 0), 0x80112233u) << "a clipped clear stays inside the clip";
  b.SetAllAlpha(0x40);
  EXPECT_EQ(b.GetPixel(0, 0), 0x40112233u);
  EXPECT_EQ(b.GetPixel(1, 1), 0x40FFFFFFu);
}

TEST(Bitmap32Pixels, OuterColorOutsideTheClip) {
  TBitmap32 b;
  b.SetSize(4, 4);
  b.Clear(0xFF010203);
  b.SetOuterColor(0xDEADBEEF);
  b.SetClipRect(Rect(1, 1, 3, 3));
  EXPECT_TRUE(b.Clipping());
  EXPECT_EQ(b.PixelOrOuter(1, 1), 0xFF010203u);
  EXPECT_EQ(b.PixelOrOuter(0, 1), 0xDEADBEEFu);
  EXPECT_EQ(b.PixelOrOuter(3, 2), 0xDEADBEEFu);
  b.SetClipRect(Rect(-5, -5, 50, 50));
  EXPECT_EQ(b.ClipRect(), Rect(0, 0, 4, 4));
  EXPECT_FALSE(b.Clipping());
}

TEST(Bitmap32Pixels, WrappedAccessClampsRepeatsAndMirrors) {
  TBitmap32 b;
  b.SetSize(4, 1);
  Fill(b, {10, 11, 12, 13});
  auto row = [&](TWrapMode mode, std::initializer_list<int> xs) {
    b.SetWrapMode(mode);
    std::vector<TColor32> out;
    for (int x : xs) out.push_back(b.PixelWrapped(x, 0));
    return out;
  };
  EXPECT_EQ(row(wmClamp, {-2, 0, 3, 6}), (std::vector<TColor32>{10, 10, 13, 13}));
  EXPECT_EQ(row(wmRepeat, {-1, -4, -5, 4, 5, 9}), (std::vector<TColor32>{13, 10, 13, 10, 11, 11}));
  // Mirror: 0 1 2 3 | 3 2 1 0 | 0 1 ...
  EXPECT_EQ(row(wmMirror, {4, 5, 7, 8, -1, -2, -5}),
            (std::vector<TColor32>{13, 12, 10, 10, 10, 11, 13}));
}

TEST(Bitmap32Pixels, WrappedAccessWithoutPixelsGivesTheOuterColor) {
  TBitmap32 b;
  b.SetSize(4, 4);
  b.Clear(0xFF010203);
  b.SetOuterColor(0xDEADBEEF);
  for (TWrapMode mode : {wmClamp, wmRepeat, wmMirror}) {
    SCOPED_TRACE(mode);
    b.SetWrapMode(mode);
    b.SetClipRect(Rect(0, 0, 0, 0));
    EXPECT_EQ(b.PixelWrapped(1, 1), 0xDEADBEEFu);
    b.SetClipRect(Rect(2, 1, 2, 3));
    EXPECT_EQ(b.PixelWrapped(INT32_MIN, INT32_MAX), 0xDEADBEEFu);
    b.SetClipRect(b.BoundsRect());
    EXPECT_EQ(b.PixelWrapped(INT32_MIN, INT32_MAX), 0xFF010203u) << "far out still lands inside";
  }
  TBitmap32 empty;
  empty.SetSize(0, 3);
  empty.SetOuterColor(0x12345678);
  EXPECT_EQ(empty.PixelWrapped(0, 0), 0x12345678u);
}

TEST(Bitmap32Geometry, MirrorsAndQuarterTurn) {
  TBitmap32 b;
  b.SetSize(3, 1);
  Fill(b, {1, 2, 3});
  b.MirrorLeftRight();
  EXPECT_EQ(b.GetPixel(0, 0), 3u);
  EXPECT_EQ(b.GetPixel(1, 0), 2u);
  EXPECT_EQ(b.GetPixel(2, 0), 1u);

  TBitmap32 two;
  two.SetSize(2, 1);
  Fill(two, {0xA, 0xB});
  two.RotateQuarter();
  ASSERT_EQ(two.Width(), 1);
  ASSERT_EQ(two.Height(), 2);
  EXPECT_EQ(two.GetPixel(0, 0), 0xAu);
  EXPECT_EQ(two.GetPixel(0, 1), 0xBu);

  // A 3 x 2 picture turned clockwise: source (x, y) lands at (H - 1 - y, x).
  TBitmap32 src;
  src.SetSize(3, 2);
  Fill(src, {1, 2, 3, 4, 5, 6});
  TBitmap32 dst;
  src.RotateQuarter(&dst);
  ASSERT_EQ(dst.Width(), 2);
  ASSERT_EQ(dst.Height(), 3);
  EXPECT_EQ(dst.GetPixel(0, 0), 4u);
  EXPECT_EQ(dst.GetPixel(1, 0), 1u);
  EXPECT_EQ(dst.GetPixel(0, 2), 6u);
  EXPECT_EQ(dst.GetPixel(1, 2), 3u);
  EXPECT_EQ(src.Width(), 3) << "rotating into another bitmap leaves the source alone";

  TBitmap32 mirrored;
  src.MirrorTopBottom(&mirrored);
  EXPECT_EQ(mirrored.GetPixel(0, 0), 4u);
  EXPECT_EQ(mirrored.GetPixel(2, 1), 3u);
  src.MirrorTopBottom();
  EXPECT_EQ(src.GetPixel(0, 0), 4u);
  src.MirrorLeftRight(&mirrored);
  EXPECT_EQ(mirrored.GetPixel(0, 0), 6u);

  TBitmap32 square;
  square.SetSize(2, 2);
  Recorder rec(square);
  square.RotateQuarter();
  EXPECT_GE(rec.changes, 1) << "an in-place turn always ends with a notification";
}

// A text of only a zero-width character gives a 0 x h picture, which the editor then mirrors,
// turns and masks like any other.
TEST(Bitmap32Geometry, WholeBitmapOperationsOnEmptyBitmapsChangeNothingAndStillNotify) {
  const TSize sizes[] = {{0, 10}, {10, 0}, {0, 0}};
  for (const TSize s : sizes) {
    SCOPED_TRACE(testing::Message() << s.cx << " x " << s.cy);
    TBitmap32 b;
    b.SetSize(s.cx, s.cy);
    Recorder rec(b);
    auto notifiedInPlace = [&](const char* what, auto operation, int w, int h) {
      rec.changes = 0;
      operation();
      EXPECT_EQ(b.Width(), w) << what;
      EXPECT_EQ(b.Height(), h) << what;
      EXPECT_TRUE(b.Empty()) << what;
      EXPECT_GE(rec.changes, 1) << what;
    };
    notifiedInPlace(
        "SetAllAlpha", [&] { b.SetAllAlpha(7); }, s.cx, s.cy);
    notifiedInPlace(
        "MirrorLeftRight", [&] { b.MirrorLeftRight(); }, s.cx, s.cy);
    notifiedInPlace(
        "MirrorLeftRight(self)", [&] { b.MirrorLeftRight(&b); }, s.cx, s.cy);
    notifiedInPlace(
        "MirrorTopBottom", [&] { b.MirrorTopBottom(); }, s.cx, s.cy);
    notifiedInPlace(
        "MirrorTopBottom(self)", [&] { b.MirrorTopBottom(&b); }, s.cx, s.cy);
    notifiedInPlace(
        "RotateQuarter", [&] { b.RotateQuarter(); }, s.cy, s.cx);
    notifiedInPlace(
        "RotateQuarter again", [&] { b.RotateQuarter(); }, s.cx, s.cy);
    rec.changes = 0;
    b.Clear(0xFF123456);
    EXPECT_EQ(rec.changes, 0) << "clearing an empty bitmap stays silent";

    // Into another bitmap: the target takes the empty size and is told so.
    auto intoTarget = [&](const char* what, auto operation, int w, int h) {
      TBitmap32 d;
      d.SetSize(3, 2);
      d.Clear(0xFFFFFFFF);
      Recorder drec(d);
      operation(d);
      EXPECT_EQ(d.Width(), w) << what;
      EXPECT_EQ(d.Height(), h) << what;
      EXPECT_GE(drec.changes, 1) << what;
    };
    intoTarget(
        "MirrorLeftRight", [&](TBitmap32& d) { b.MirrorLeftRight(&d); }, s.cx, s.cy);
    intoTarget(
        "MirrorTopBottom", [&](TBitmap32& d) { b.MirrorTopBottom(&d); }, s.cx, s.cy);
    intoTarget(
        "RotateQuarter", [&](TBitmap32& d) { b.RotateQuarter(&d); }, s.cy, s.cx);
    intoTarget(
        "CopyPixelsTo", [&](TBitmap32& d) { b.CopyPixelsTo(d); }, s.cx, s.cy);
    intoTarget(
        "Assign", [&](TBitmap32& d) { d.Assign(&b); }, s.cx, s.cy);
    intoTarget(
        "AlphaFromBrightness", [&](TBitmap32& d) { AlphaFromBrightness(&d, &b); }, s.cx, s.cy);

    // Drawing an empty bitmap, or onto one, touches no pixel and reports nothing.
    TBitmap32 other;
    other.SetSize(3, 2);
    other.Clear(0xFFFFFFFF);
    Recorder orec(other);
    b.DrawOnto(other, 0, 0);
    b.DrawOnto(other, Rect(0, 0, 3, 2));
    EXPECT_EQ(orec.changes, 0);
    EXPECT_EQ(other.GetPixel(0, 0), 0xFFFFFFFFu);
    rec.changes = 0;
    other.DrawOnto(b, 0, 0);
    other.DrawOnto(b, Rect(-1, -1, 5, 5));
    EXPECT_EQ(rec.changes, 0);

    // The stored form keeps the empty size.
    TMemoryStream m;
    b.WriteData(m);
    m.Seek(0, soBeginning);
    TBitmap32 back;
    back.SetSize(2, 2);
    back.ReadData(m);
    EXPECT_EQ(back.Width(), s.cx);
    EXPECT_EQ(back.Height(), s.cy);
  }
}

TEST(Bitmap32Colors, ConversionsBrightnessAndAlpha) {
  EXPECT_EQ(Color32(static_cast<TColor>(0x000000FF)), 0xFFFF0000u);
  EXPECT_EQ(Color32(clWhite), 0xFFFFFFFFu);
  EXPECT_EQ(Color32(static_cast<TColor>(0x7F563412)), 0xFF123456u) << "top byte dropped";
  EXPECT_EQ(Color32(clBtnFace) >> 24, 0xFFu);
  EXPECT_EQ(Color32(clBtnFace) & 0xFFFFFF, Color32(ColorToRGB(clBtnFace)) & 0xFFFFFF);
  EXPECT_EQ(ToToolkitColor(0x80FF0000), 0x000000FF);
  EXPECT_EQ(ToToolkitColor(0x00123456), 0x00563412);
  EXPECT_EQ(Brightness(0xFFFFFFFF), 255);
  EXPECT_EQ(Brightness(0xFF000000), 0);
  EXPECT_EQ(Brightness(0xFFFF0000), 60);
  EXPECT_EQ(Brightness(0xFF00FF00), 173);
  EXPECT_EQ(Brightness(0xFF0000FF), 20);
  EXPECT_EQ(WithAlpha(0x12345678, -3), 0x00345678u);
  EXPECT_EQ(WithAlpha(0x12345678, 300), 0xFF345678u);
  EXPECT_EQ(WithAlpha(0x12345678, 0x80), 0x80345678u);
}

TEST(Bitmap32Mask, AlphaFromBrightness) {
  TBitmap32 mask;
  mask.SetSize(5, 1);
  Fill(mask, {0xFFFFFFFF, 0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF});
  TBitmap32 photo;
  photo.SetSize(5, 1);
  photo.Clear(0xFF102030);
  Recorder rec(photo);
  AlphaFromBrightness(&photo, &mask);
  EXPECT_EQ(photo.GetPixel(0, 0), 0xFF102030u);
  EXPECT_EQ(photo.GetPixel(1, 0), 0x00102030u);
  EXPECT_EQ(photo.GetPixel(2, 0), 0x3C102030u);
  EXPECT_EQ(photo.GetPixel(3, 0), 0xAD102030u);
  EXPECT_EQ(photo.GetPixel(4, 0), 0x14102030u);
  EXPECT_EQ(rec.changes, 1);
  try {
    AlphaFromBrightness(nullptr, &mask);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Destination is nil");
  }
  try {
    AlphaFromBrightness(&photo, nullptr);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "The source is nil");
  }
}

TEST(Bitmap32Rects, ToIntRectRoundsTiesToEven) {
  EXPECT_EQ(ToIntRect(FloatRect(10.5f, 11.5f, 50.5f, 60.4f)), Rect(10, 12, 50, 60));
  EXPECT_EQ(ToIntRect(FloatRect(-0.5f, -1.5f, 0.6f, 2.5f)), Rect(0, -2, 1, 2));
  // Beyond the int range the coordinates saturate; NaN becomes 0.
  const TFloatRect far = FloatRect(1e20f, -1e20f, std::nanf(""), 3.4e38f);
  for (TRectRounding rounding : {rrClosest, rrOutside, rrInside})
    EXPECT_EQ(ToIntRect(far, rounding), Rect(INT32_MAX, INT32_MIN, 0, INT32_MAX)) << rounding;
}

TEST(Bitmap32Assign, FromAnotherBitmap32CopiesPixelsAndSettings) {
  TBitmap32 a;
  a.SetSize(2, 2);
  a.Clear(0x80FF8040);
  a.SetDrawMode(dmBlend);
  a.SetMasterAlpha(99);
  a.SetOuterColor(0x11223344);
  a.Font().SetName("Liberation Serif");
  TBitmap32 b;
  Recorder rec(b);
  b.Assign(&a);
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.GetPixel(1, 1), 0x80FF8040u);
  EXPECT_EQ(b.DrawMode(), dmBlend);
  EXPECT_EQ(b.MasterAlpha(), 99u);
  EXPECT_EQ(b.OuterColor(), 0x11223344u);
  EXPECT_EQ(b.Font().Name(), "Liberation Serif");
  EXPECT_EQ(rec.changes, 1) << "one notification after the whole assignment";
  b.Assign(&b);
  EXPECT_EQ(rec.changes, 2) << "assigning a bitmap to itself still notifies";
  EXPECT_EQ(b.GetPixel(1, 1), 0x80FF8040u);
  b.Assign(nullptr);
  EXPECT_TRUE(b.Empty());
  EXPECT_THROW(b.Assign(&a.Font()), EConvertError);
}

TEST(Bitmap32Assign, ToolkitBitmapsByPixelFormatAndTransparency) {
  TBitmap rgb;
  rgb.SetPixelFormat(pf24bit);
  rgb.SetSize(2, 1);
  rgb.Canvas()->Brush().Color = clRed;
  rgb.Canvas()->FillRect(Rect(0, 0, 2, 1));
  TBitmap32 b;
  b.Assign(&rgb);
  EXPECT_EQ(b.GetPixel(0, 0), 0xFFFF0000u) << "24-bit pictures become opaque";

  TBitmap argb;
  argb.SetPixelFormat(pf32bit);
  argb.SetSize(2, 1);
  argb.Canvas()->Bits()[0] = 0x40102030;
  argb.Canvas()->Bits()[1] = 0x00405060;
  b.Assign(&argb);
  EXPECT_EQ(b.GetPixel(0, 0), 0x40102030u) << "32-bit pictures keep their fourth byte";
  EXPECT_EQ(b.GetPixel(1, 0), 0x00405060u);

  TBitmap keyed;
  keyed.SetPixelFormat(pf24bit);
  keyed.SetSize(2, 1);
  keyed.Canvas()->SetPixel(0, 0, clLime);
  keyed.Canvas()->SetPixel(1, 0, clBlue);
  keyed.SetTransparentColor(clLime);
  keyed.SetTransparent(true);
  b.Assign(&keyed);
  EXPECT_EQ(b.GetPixel(0, 0), 0x0000FF00u) << "the transparent colour loses its alpha only";
  EXPECT_EQ(b.GetPixel(1, 0), 0xFF0000FFu);
}

TEST(Bitmap32Files, SavesA32BitBmpWhateverTheNameAndLoadsItBack) {
  testsupport::TempDir dir;
  TBitmap32 b;
  b.SetSize(3, 2);
  b.Clear(0xFF336699);
  b.SetPixel(2, 1, 0xFFFF0000);
  const std::string path = (dir / "photo.jpg").string();
  b.SaveToFile(path);
  const auto bytes = testsupport::ReadFileBytes(path);
  ASSERT_GE(bytes.size(), 54u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(bytes[28], 32) << "32 bits per pixel";

  const std::string bmpPath = (dir / "copy.bmp").string();
  b.SaveToFile(bmpPath);
  TBitmap32 c;
  c.LoadFromFile(bmpPath);
  ASSERT_EQ(c.Width(), 3);
  ASSERT_EQ(c.Height(), 2);
  EXPECT_EQ(c.GetPixel(0, 0), 0xFF336699u);
  EXPECT_EQ(c.GetPixel(2, 1), 0xFFFF0000u);

  TBitmap32 kept;
  kept.SetSize(1, 1);
  kept.Clear(0xFFABCDEF);
  EXPECT_THROW(kept.LoadFromFile((dir / "missing.bmp").string()), EFOpenError);
  EXPECT_THROW(kept.LoadFromFile((dir / "picture.xyz").string()), EInvalidGraphic);
  EXPECT_EQ(kept.GetPixel(0, 0), 0xFFABCDEFu) << "a failed load leaves the bitmap unchanged";
}

namespace {

// A 3 x 2 picture that records how it is drawn. Draw leaves the fourth bytes 0; DrawOnce fills
// the pixels opaque and says so when OpaqueOnce is set, else draws as Draw.
class TDrawRecordingGraphic : public TGraphic {
 public:
  static inline int Draws = 0, OnceDraws = 0;
  static inline bool OpaqueOnce = false;
  int Width() const override { return 3; }
  int Height() const override { return 2; }
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  bool Empty() const override { return false; }
  void Draw(TCanvas& ACanvas, const TRect& Rect) override {
    ++Draws;
    Fill(ACanvas, Rect, 0x00336699u);
  }
  bool DrawOnce(TCanvas& ACanvas, const TRect& Rect) override {
    ++OnceDraws;
    Fill(ACanvas, Rect, OpaqueOnce ? 0xFF336699u : 0x00336699u);
    return OpaqueOnce;
  }
  void LoadFromStream(TStream&) override {}
  void SaveToStream(TStream&) override {}

 private:
  static void Fill(TCanvas& ACanvas, const TRect& Rect, uint32_t Pixel) {
    for (int y = Rect.Top; y < Rect.Bottom; ++y)
      for (int x = Rect.Left; x < Rect.Right; ++x) ACanvas.ScanLine(y)[x] = Pixel;
  }
};

}  // namespace

TEST(Bitmap32Files, LoadingDrawsTheFreshPictureOnceAndAssigningDrawsItNormally) {
  TPictureFormats::Instance().Register("drawrecording", "Draw recording", "TDrawRecordingGraphic",
                                       [] { return std::make_unique<TDrawRecordingGraphic>(); });
  testsupport::TempDir dir;
  const std::string path = (dir / "picture.drawrecording").string();
  { TFileStream(path, fmCreate); }
  using G = TDrawRecordingGraphic;

  // Loading frees the picture right after: it is drawn once, and made opaque unless it says
  // it already is.
  for (bool opaque : {false, true}) {
    G::Draws = G::OnceDraws = 0;
    G::OpaqueOnce = opaque;
    TBitmap32 b;
    b.LoadFromFile(path);
    EXPECT_EQ(G::OnceDraws, 1);
    EXPECT_EQ(G::Draws, 0);
    EXPECT_EQ(b.GetPixel(0, 0), 0xFF336699u);
    EXPECT_EQ(b.GetPixel(2, 1), 0xFF336699u);
  }

  // A picture the caller keeps may be drawn again: the ordinary draw.
  TPicture picture;
  picture.LoadFromFile(path);
  G::Draws = G::OnceDraws = 0;
  TBitmap32 b;
  b.Assign(&picture);
  b.Assign(picture.Graphic());
  EXPECT_EQ(G::Draws, 2);
  EXPECT_EQ(G::OnceDraws, 0);
  EXPECT_EQ(b.GetPixel(1, 1), 0xFF336699u);

  // Measuring mode leaves the fourth bytes as drawn, so loading draws as ever there.
  G::Draws = G::OnceDraws = 0;
  G::OpaqueOnce = true;
  b.BeginAreaRecording([](TObject*, const TRect&, uint32_t) {});
  b.LoadFromFile(path);
  b.EndAreaRecording();
  EXPECT_EQ(G::Draws, 1);
  EXPECT_EQ(G::OnceDraws, 0);
  EXPECT_EQ(b.GetPixel(0, 0), 0x00336699u);
}

TEST(Bitmap32Data, StoredFormRoundTripsAndRejectsTruncatedData) {
  TBitmap32 b;
  b.SetSize(2, 2);
  Fill(b, {1, 2, 3, 0xFFFFFFFF});
  TFiler filer;
  b.DefineProperties(filer);
  const auto* data = filer.Find("Data");
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(data->HasData);
  TMemoryStream m;
  data->WriteData(m);
  EXPECT_EQ(m.Size(), 8 + 16);

  TBitmap32 c;
  Recorder rec(c);
  m.SetPosition(0);
  c.ReadData(m);
  EXPECT_EQ(c.GetPixel(1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(c.GetPixel(0, 1), 3u);
  EXPECT_GE(rec.changes, 1);
  EXPECT_TRUE(c.Equal(b));

  TMemoryStream truncated(std::vector<uint8_t>(m.Bytes().begin(), m.Bytes().end() - 1));
  TBitmap32 d;
  EXPECT_THROW(d.ReadData(truncated), EReadError);

  TBitmap32 empty;
  TFiler emptyFiler;
  empty.DefineProperties(emptyFiler);
  EXPECT_FALSE(emptyFiler.Find("Data")->HasData);
  TFiler againstAncestor(&c);
  b.DefineProperties(againstAncestor);
  EXPECT_FALSE(againstAncestor.Find("Data")->HasData) << "equal to the ancestor: not stored";
}

TEST(Bitmap32Lock, LockIsReentrantAndCounted) {
  TBitmap32 b;
  b.Lock();
  b.Lock();
  EXPECT_EQ(b.LockCount(), 2);
  b.Unlock();
  b.Unlock();
  EXPECT_EQ(b.LockCount(), 0);
}

}  // namespace pictavia
