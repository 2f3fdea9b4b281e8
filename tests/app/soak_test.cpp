// 5,000 random editor operations from a fixed seed through the real window — adds of every kind,
// selections, drags and resizes, masks, reorders, deletes, turns, flips, zooms, saves, New and Set
// BackGround — checking after each step that the frame is on top while something is selected,
// that the buttons and panels match the selection, and that saved files have the canvas size.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <map>
#include <random>

#include "app/internal/background_form.h"
#include "app/internal/new_image_form.h"
#include "app/internal/picture_box.h"
#include "layers/color_layer.h"
#include "layers/png_layer.h"
#include "layers/text_layer.h"
#include "main_form_test_support.h"
#include "toolkit/bitmap.h"
#include "view/range_bars.h"

namespace pictavia {

namespace {

class SoakTest : public MainFormTest {
 protected:
  void MakeMasks() override {
    std::filesystem::create_directories(Program / "Masks");
    for (int n = 1; n <= 18; ++n)
      picturefiles::WriteJpeg(Program / "Masks" / (std::to_string(n) + ".jpg"), 16, 12,
                              Color32(static_cast<uint8_t>(n * 14), static_cast<uint8_t>(n * 14),
                                      static_cast<uint8_t>(n * 14)));
  }

  // The rules that must hold after every step; returns a description of the first broken one.
  std::string Broken() {
    TLayerCollection& layers = *Form->ImgView->Layers();
    TBitmapLayer* selected = Form->SelectedLayer();
    if (selected) {
      if (layers.Count() == 0 || layers.Items(layers.Count() - 1) != Form->SelectionFrame())
        return "the frame is not the top layer while something is selected";
      bool found = false;
      for (int i = 0; i < layers.Count(); ++i) found = found || layers.Items(i) == selected;
      if (!found) return "the selection is not in the collection";
    }
    const bool isText = dynamic_cast<TTextLayer*>(selected) != nullptr;
    const bool isClip = dynamic_cast<TPngLayer*>(selected) != nullptr;
    const bool isBar = dynamic_cast<TColorLayer*>(selected) != nullptr;
    const bool isPhoto = selected && !isText && !isClip && !isBar;
    if (Shown(kDelete) != (selected != nullptr)) return "the delete button disagrees";
    if (Shown(kRotate) != (selected && !isClip)) return "the rotate button disagrees";
    if (Shown(kTextPanel) != isText) return "the text panel disagrees";
    if (Shown(kPhotoPanel) != (isPhoto || isBar)) return "the photo panel disagrees";
    if ((isPhoto || isBar) && Shown(kBarColorPanel) != isBar) return "the bar colour disagrees";
    return "";
  }

  TPoint SomewhereOnCanvas(std::mt19937& rng) {
    const TBitmap32& canvas = *Form->ImgView->Bitmap();
    std::uniform_int_distribution<int> x(0, std::max(0, canvas.Width() - 1));
    std::uniform_int_distribution<int> y(0, std::max(0, canvas.Height() - 1));
    return Point(x(rng), y(rng));
  }
};

TEST_F(SoakTest, FiveThousandRandomOperationsKeepTheEditorConsistent) {
  const std::string photos[] = {PhotoFile("small.bmp", 60, 40, 0xFF3070B0u),
                                PhotoFile("wide.bmp", 900, 200, 0xFFB07030u),
                                picturefiles::WriteJpeg(temp / "tall.jpg", 120, 500, 0xFF40A040u)};
  const std::string clip = picturefiles::WritePng(temp / "clip.png", 41, 31, 0x80FF00FFu);
  const char* zooms[] = {"    25%", "    50%", "  100%", "  200%", "  300%"};
  std::mt19937 rng(20261207);
  auto chance = [&](int percent) {
    return std::uniform_int_distribution<int>(0, 99)(rng) < percent;
  };
  int saves = 0, news = 0, backgrounds = 0;
  std::map<std::string, int> done;

  for (int step = 0; step < 5000; ++step) {
    const int op = std::uniform_int_distribution<int>(0, 99)(rng);
    TBitmapLayer* selected = Form->SelectedLayer();
    std::string what;
    if (op < 8) {
      what = "add photo";
      AddPhoto(photos[step % 3]);
    } else if (op < 12) {
      what = "add clip";
      Dialogs.AnswerOpen(clip);
      Click(kAddClip);
    } else if (op < 16) {
      what = "add bar";
      Click(kAddColorBar);
    } else if (op < 19) {
      what = "add text";
      Click(kAddText);
    } else if (op < 34) {
      what = "click on the canvas";
      const TPoint p = SomewhereOnCanvas(rng);
      PressAt(static_cast<float>(p.X), static_cast<float>(p.Y));
    } else if (op < 50 && selected) {
      what = chance(50) ? "drag an edge" : "move";
      const TFloatRect l = Form->SelectionFrame()->Location();
      const float x0 = what == "move" ? (l.Left + l.Right) / 2 : l.Right;
      const float y0 = (l.Top + l.Bottom) / 2;
      const float dx = static_cast<float>(std::uniform_int_distribution<int>(-60, 60)(rng));
      const float dy = static_cast<float>(std::uniform_int_distribution<int>(-60, 60)(rng));
      Drag(x0, y0, x0 + dx, y0 + dy, chance(30) ? Qt::ControlModifier : Qt::NoModifier);
    } else if (op < 56 && selected && Shown(kPhotoPanel)) {
      what = "mask";
      ClickThumb(std::uniform_int_distribution<int>(1, MasksPerPage)(rng));
    } else if (op < 58 && selected && Shown(kPhotoPanel)) {
      what = "remove the mask";
      Click(kRemoveMask);
    } else if (op < 61 && Shown(kPhotoPanel)) {
      what = "mask page";
      Click(chance(50) ? kNextMaskPage : kPreviousMaskPage);
    } else if (op < 65 && selected && Shown(kPhotoPanel)) {
      what = "opacity";
      Find<TGaugeBar>(kOpacitySlider)->SetPosition(std::uniform_int_distribution<int>(0, 255)(rng));
    } else if (op < 70 && selected) {
      what = "up or down";
      Click(chance(50) ? kBringUp : kSendDown);
    } else if (op < 74 && selected) {
      what = "delete";
      Dialogs.AnswerMessage(chance(70) ? IDYES : IDNO);
      Click(kDelete);
    } else if (op < 80 && selected && Shown(kRotate)) {
      what = "turn or flip";
      const char* buttons[] = {kRotate, kFlipHorizontal, kFlipVertical};
      Click(buttons[std::uniform_int_distribution<int>(0, 2)(rng)]);
    } else if (op < 84) {
      what = "zoom";
      Find<QComboBox>(kZoomList)->setEditText(zooms[std::uniform_int_distribution<int>(0, 4)(rng)]);
      Flush();
    } else if (op < 86 && chance(25)) {
      what = "save";
      const auto file = temp / ("save" + std::to_string(saves++ % 3) + ".bmp");
      Dialogs.AnswerSave(file.string());
      Click(kSave);
      TBitmap saved;
      saved.LoadFromFile(file.string());
      ASSERT_EQ(saved.Width(), Form->ImgView->Bitmap()->Width()) << "step " << step;
      ASSERT_EQ(saved.Height(), Form->ImgView->Bitmap()->Height()) << "step " << step;
      ASSERT_EQ(saved.PixelFormat(), pf32bit);
      ASSERT_EQ(Form->SelectedLayer(), nullptr) << "nothing stays selected after saving";
    } else if (op < 87 && chance(20)) {
      what = "new";
      ++news;
      const int w = std::uniform_int_distribution<int>(50, 400)(rng);
      const int h = std::uniform_int_distribution<int>(50, 300)(rng);
      WhenShown<TNewImageForm>([w, h](TNewImageForm& d) {
        d.UpDown1->SetPosition(w);
        d.UpDown2->SetPosition(h);
        d.Button2->click();
      });
      Click(kNew);
      ASSERT_EQ(Form->ImgView->Bitmap()->Width(), w);
      ASSERT_EQ(Form->ImgView->Layers()->Count(), 0);
    } else if (op < 88 && chance(20)) {
      what = "set background";
      ++backgrounds;
      const int w = std::uniform_int_distribution<int>(10, 500)(rng);
      const bool picture = chance(50);
      const std::string file = photos[step % 3];
      WhenShown<TFrmBack>([w, picture, file](TFrmBack& d) {
        d.ImageWidth->setText(QString::number(w));
        if (picture) {
          d.RadioButton2->setChecked(true);
          d.OpenPictureDialog1.FileName = file;
        } else {
          d.RadioButton1->setChecked(true);
        }
        d.Button1->click();
      });
      Click(kSetBackground);
      ASSERT_EQ(Form->ImgView->Bitmap()->Width(), w);
    } else {
      continue;
    }
    ++done[what];
    const std::string broken = Broken();
    ASSERT_EQ(broken, "") << "after step " << step << " (" << what << ")";
  }
  // Every kind of operation ran, and most steps did something.
  int total = 0;
  for (const auto& [name, count] : done) total += count;
  EXPECT_GT(total, 3500);
  for (const char* name : {"add photo", "add clip", "add bar", "add text", "click on the canvas",
                           "move", "drag an edge", "mask", "remove the mask", "opacity",
                           "up or down", "delete", "turn or flip", "zoom"})
    EXPECT_GT(done[name], 20) << name;
  EXPECT_GT(saves, 3);
  EXPECT_GT(news, 1);
  EXPECT_GT(backgrounds, 1);
  EXPECT_EQ(Dialogs.PendingAnswers(), 0u);
}

}  // namespace

}  // namespace pictavia
