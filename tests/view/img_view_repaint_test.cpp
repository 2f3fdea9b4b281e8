// Partial repaints of a real view with scroll bars, as the editor runs it (optimizer on): what
// reaches the screen when the view grows and shrinks, when layers move, and in the corner
// between the bars.
#include <gtest/gtest.h>

#include "layers/bitmap_layer.h"
#include "layers/png_layer.h"
#include "test_support.h"
#include "toolkit/colors.h"
#include "view/img_view.h"
#include "view_test_support.h"

namespace pictavia {

using namespace viewtest;

namespace {

constexpr uint32_t ScreenRed = 0xFF0000u, ScreenGreen = 0x00FF00u;

// A view with a large red picture at its top left (the bars at their start), under the optimizer.
struct OptimizedView {
  TImgView32 view;

  OptimizedView(int Width, int Height) {
    view.SetRepaintMode(rmOptimizer);
    view.SetBitmap(*MakeBitmap(1000, 1000, clRed32));
    view.SetCentered(false);
    view.resize(Width, Height);
    view.show();
    Flush();
  }

  // A green photo at a place of the picture (which is also its place on the control).
  TBitmapLayer* AddPhoto(const TFloatRect& Where) {
    auto* photo = new TBitmapLayer(view.Layers());
    photo->Bitmap().SetSize(20, 20);
    photo->Bitmap().Clear(clGreen32);
    photo->SetScaled(true);
    photo->SetLocation(Where);
    Flush();
    return photo;
  }

  uint32_t Screen(int X, int Y) { return ScreenPixel(view, QPoint(X, Y)); }
};

}  // namespace

// A photo lying in the strip a growing view uncovers must be repainted where it was when it moves,
// whether the back buffer had room for the new size or had to grow.
TEST(ImgViewRepaint, AMovedPhotoLeavesNoGhostAfterTheViewGrewOrShrank) {
  OptimizedView v(300, 200);
  ASSERT_EQ(v.Screen(50, 50), ScreenRed) << "the screen cannot be read here";
  TBitmapLayer* photo = v.AddPhoto(FloatRect(10, 10, 30, 30));

  struct Step {
    int Width, Height;
    const char* What;
  };
  const Step steps[] = {{330, 200, "grown inside the buffer's slack"},
                        {300, 200, "shrunk inside the slack"},
                        {330, 200, "grown back"},
                        {330, 225, "grown downwards inside the slack"},
                        {420, 300, "grown beyond the slack"},
                        {250, 150, "shrunk below the slack"},
                        {285, 185, "grown again"}};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.What);
    const TRect area = v.view.ViewArea();
    const bool wider = step.Width > v.view.width(), taller = step.Height > v.view.height();
    if (!wider && !taller) {
      v.view.resize(step.Width, step.Height);
      Flush();
      continue;
    }
    // Just outside what is shown now, inside what the new size shows.
    const TFloatRect hidden = wider ? FloatRect(area.Right + 2, 10, area.Right + 12, 30)
                                    : FloatRect(10, area.Bottom + 2, 30, area.Bottom + 12);
    photo->SetLocation(hidden);
    Flush();
    v.view.resize(step.Width, step.Height);
    Flush();
    const int x = static_cast<int>(hidden.Left) + 5, y = static_cast<int>(hidden.Top) + 5;
    ASSERT_EQ(v.Screen(x, y), ScreenGreen) << "the photo shows in the uncovered strip";
    photo->SetLocation(FloatRect(10, 10, 30, 30));
    Flush();
    EXPECT_EQ(v.Screen(20, 20), ScreenGreen);
    EXPECT_EQ(v.Screen(x, y), ScreenRed) << "where the photo was";
  }
}

// The square between the bars shows the button face whatever the optimizer repaints: a zoom, a
// CenterOn, clearing the layers, adding a clip.
TEST(ImgViewRepaint, TheCornerBetweenTheBarsKeepsItsColour) {
  OptimizedView v(300, 200);
  ASSERT_EQ(v.Screen(50, 50), ScreenRed) << "the screen cannot be read here";
  const TRect corner = v.view.CornerRect();
  ASSERT_FALSE(IsRectEmpty(corner));
  const int x = (corner.Left + corner.Right) / 2, y = (corner.Top + corner.Bottom) / 2;
  const uint32_t face = ToQColor(clBtnFace).rgb() & 0x00FFFFFFu;
  ASSERT_NE(face, ScreenRed);
  ASSERT_EQ(v.Screen(x, y), face);

  v.view.SetScale(2);
  Flush();
  EXPECT_EQ(v.Screen(x, y), face) << "after a zoom";
  EXPECT_EQ(v.Screen(corner.Left - 1, corner.Top - 1), ScreenRed);
  v.view.CenterOn(400, 300);
  Flush();
  EXPECT_EQ(v.Screen(x, y), face) << "after CenterOn";

  // A photo over the whole picture, then cleared away.
  v.AddPhoto(FloatRect(0, 0, 1000, 1000));
  ASSERT_EQ(v.Screen(50, 50), ScreenGreen);
  EXPECT_EQ(v.Screen(x, y), face) << "after adding a photo";
  v.view.Layers()->Clear();
  Flush();
  EXPECT_EQ(v.Screen(50, 50), ScreenRed);
  EXPECT_EQ(v.Screen(x, y), face) << "after clearing the layers";

  // A clip draws through the canvas and counts as a change of the whole buffer.
  PICTAVIA_REQUIRE_CORPUS("png/pngsuite");
  auto* clip = new TPngLayer(v.view.Layers());
  clip->LoadFromFile((testsupport::CorpusDir() / "png/pngsuite/basn6a08.png").string());
  clip->SetScaled(true);
  clip->SetLocation(FloatRect(300, 200, 332, 232));
  Flush();
  EXPECT_EQ(v.Screen(x, y), face) << "after adding a clip";
}

}  // namespace pictavia
