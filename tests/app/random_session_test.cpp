// Random editing sessions through the real window, from several seeds: after every step the
// project the editor saves renders (pictavia-cli render) to the very file the editor's Save
// writes, and reads back into the same project file; at the end, undoing every step gives the
// first canvas again and redoing every step the last. PICTAVIA_SESSION_STEPS sets the steps per
// seed (default 200).
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cstdlib>
#include <random>
#include <sstream>

#include "app/internal/background_form.h"
#include "app/internal/new_image_form.h"
#include "cli/cli_commands.h"
#include "document/project_file.h"
#include "main_form_test_support.h"
#include "view/range_bars.h"

namespace pictavia {

namespace {

int StepsPerSeed() {
  const char* steps = std::getenv("PICTAVIA_SESSION_STEPS");
  return steps && std::atoi(steps) > 0 ? std::atoi(steps) : 200;
}

std::string Text(const std::vector<unsigned char>& Bytes) {
  return std::string(Bytes.begin(), Bytes.end());
}

class RandomSessionTest : public MainFormTest, public ::testing::WithParamInterface<unsigned> {
 protected:
  void MakeMasks() override {
    std::filesystem::create_directories(Program / "Masks");
    for (int n = 1; n <= 18; ++n)
      picturefiles::WriteJpeg(Program / "Masks" / (std::to_string(n) + ".jpg"), 16, 12,
                              Color32(static_cast<uint8_t>(n * 14), static_cast<uint8_t>(n * 9),
                                      static_cast<uint8_t>(255 - n * 14)));
  }
  std::vector<unsigned char> Saved() {
    TBitmapLayer* selected = Form->SelectedLayer();
    const std::string file = (temp / "editor.bmp").string();
    Dialogs.AnswerSave(file);
    Click(kSave);
    Form->SelectLayer(selected);
    return testsupport::ReadFileBytes(file);
  }
  TPoint SomewhereOnCanvas(std::mt19937& rng) {
    const TBitmap32& canvas = *Form->ImgView->Bitmap();
    return Point(std::uniform_int_distribution<int>(0, std::max(0, canvas.Width() - 1))(rng),
                 std::uniform_int_distribution<int>(0, std::max(0, canvas.Height() - 1))(rng));
  }
  // One random command; returns its name, or "" when it did not apply.
  std::string RandomStep(std::mt19937& rng) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int op = pick(0, 99);
    TBitmapLayer* selected = Form->SelectedLayer();
    if (op < 8) {
      AddPhoto(photos[static_cast<size_t>(pick(0, 2))]);
      return "add photo";
    }
    if (op < 11) {
      Dialogs.AnswerOpen(clip);
      Click(kAddClip);
      return "add clip";
    }
    if (op < 15) {
      Click(kAddColorBar);
      return "add bar";
    }
    if (op < 18) {
      Click(kAddText);
      return "add text";
    }
    if (op < 30) {
      const TPoint p = SomewhereOnCanvas(rng);
      PressAt(static_cast<float>(p.X), static_cast<float>(p.Y));
      return "click";
    }
    if (!selected) return "";
    if (op < 44) {
      const bool move = pick(0, 1) == 0;
      const TFloatRect l = Form->SelectionFrame()->Location();
      const float x0 = move ? (l.Left + l.Right) / 2 : l.Right;
      const float y0 = (l.Top + l.Bottom) / 2;
      Drag(x0, y0, x0 + static_cast<float>(pick(-60, 60)), y0 + static_cast<float>(pick(-60, 60)),
           pick(0, 2) == 0 ? Qt::ControlModifier : Qt::NoModifier);
      return move ? "move" : "resize";
    }
    if (op < 52 && Shown(kPhotoPanel)) {
      if (pick(0, 3) == 0) Click(pick(0, 1) ? kNextMaskPage : kPreviousMaskPage);
      ClickThumb(pick(1, MasksPerPage));
      return "mask";
    }
    if (op < 55 && Shown(kPhotoPanel)) {
      Click(kRemoveMask);
      return "remove mask";
    }
    if (op < 60 && Shown(kPhotoPanel)) {
      Find<TGaugeBar>(kOpacitySlider)->SetPosition(pick(0, 255));
      return "opacity";
    }
    if (op < 62 && Shown(kBarColorPanel)) {
      Dialogs.AnswerColor(static_cast<TColor>(pick(0, 0xFFFFFF)));
      Form->Shape16MouseDown();
      return "bar colour";
    }
    if (op < 66 && Shown(kTextPanel)) {
      const char* words[] = {"Hi", "Summer!", "Fête 2026", " "};
      Find<QLineEdit>(kTextEdit)->setText(QString::fromUtf8(words[pick(0, 3)]));
      if (pick(0, 1)) {
        const int size = pick(8, 40);
        Dialogs.AnswerFontWith([size](TFont& F) { F.SetSize(size); });
        Click(kTextFont);
      } else {
        Click(kApplyText);
      }
      return "text";
    }
    if (op < 72) {
      Click(pick(0, 1) ? kBringUp : kSendDown);
      return "up or down";
    }
    if (op < 76) {
      Dialogs.AnswerMessage(pick(0, 3) ? IDYES : IDNO);
      Click(kDelete);
      return "delete";
    }
    if (op < 86 && Shown(kRotate)) {
      const char* buttons[] = {kRotate, kFlipHorizontal, kFlipVertical};
      Click(buttons[pick(0, 2)]);
      return "turn or flip";
    }
    if (op < 88) {
      const char* zooms[] = {"    25%", "    50%", "  100%", "  200%"};
      Find<QComboBox>(kZoomList)->setEditText(zooms[pick(0, 3)]);
      Flush();
      return "zoom";
    }
    if (op < 90) {
      const int w = pick(10, 500);
      const bool picture = pick(0, 1) == 0;
      const std::string file = photos[static_cast<size_t>(pick(0, 2))];
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
      return "background";
    }
    if (op < 91) {
      const int w = pick(50, 400), h = pick(50, 300);
      WhenShown<TNewImageForm>([w, h](TNewImageForm& d) {
        d.UpDown1->SetPosition(w);
        d.UpDown2->SetPosition(h);
        d.Button2->click();
      });
      Click(kNew);
      return "new";
    }
    return "";
  }

  std::vector<std::string> photos;
  std::string clip;
};

TEST_P(RandomSessionTest, ProjectsRenderLikeSaveReopenUnchangedAndUndoRedoEveryStep) {
  photos = {PhotoFile("small.bmp", 60, 40, 0xFF3070B0u),
            picturefiles::WriteJpeg(temp / "wide.jpg", 700, 160, 0xFFB07030u),
            PhotoFile("tall.bmp", 90, 300, 0xFF40A040u)};
  clip = picturefiles::WritePng(temp / "clip.png", 41, 31, 0x80FF00FFu);
  std::mt19937 rng(GetParam());
  const std::string project = (temp / "session.pictavia").string();
  const std::string rendered = (temp / "rendered.bmp").string();
  const std::vector<unsigned char> first = Saved();
  std::vector<unsigned char> last = first;
  int done = 0;
  for (int step = 0; step < StepsPerSeed(); ++step) {
    const std::string what = RandomStep(rng);
    if (what.empty()) continue;
    ++done;
    SCOPED_TRACE("step " + std::to_string(step) + " (" + what + ")");
    Form->SaveProjectAs(project);
    last = Saved();
    std::ostringstream out, err;
    ASSERT_EQ(RunCli({"render", project, rendered}, out, err), 0) << err.str();
    ASSERT_TRUE(testsupport::ReadFileBytes(rendered) == last)
        << "render differs from Save\n"
        << Text(testsupport::ReadFileBytes(project));
    TPictureStore store;
    const TOpenedProject opened = OpenProject(project, store, (Program / "Masks").string());
    ASSERT_TRUE(opened.LeftOut.empty());
    ASSERT_EQ(ProjectJson(opened.Document, temp.Path().string()),
              Text(testsupport::ReadFileBytes(project)));
  }
  EXPECT_GT(done, StepsPerSeed() / 2);
  int undone = 0;
  while (Form->CanUndo()) {
    Form->Undo();
    ++undone;
  }
  EXPECT_TRUE(Saved() == first) << "after undoing " << undone << " steps";
  while (Form->CanRedo()) Form->Redo();
  EXPECT_TRUE(Saved() == last);
  EXPECT_EQ(Dialogs.PendingAnswers(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomSessionTest, ::testing::Values(1u, 20261208u, 77u, 4242u));

}  // namespace

}  // namespace pictavia
