// Undo and redo through the real window: one step per command (a drag and a slider drag are one
// step each), the composition back byte for byte, the changed object selected; and projects
// saved and opened by the editor.
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/internal/background_form.h"
#include "app/internal/new_image_form.h"
#include "document/document_layers.h"
#include "main_form_test_support.h"
#include "view/range_bars.h"

namespace pictavia {

namespace {

class MainFormHistoryTest : public MainFormTest {
 protected:
  void MakeMasks() override {
    std::filesystem::create_directories(Program / "Masks");
    picturefiles::WriteJpeg(Program / "Masks" / "1.jpg", 16, 12, 0xFF606060u);
  }
  // What Save writes now; the selection stays as it was.
  std::vector<unsigned char> Saved() {
    TBitmapLayer* selected = Form->SelectedLayer();
    const std::string file = (temp / "saved.bmp").string();
    Dialogs.AnswerSave(file);
    Click(kSave);
    Form->SelectLayer(selected);
    return testsupport::ReadFileBytes(file);
  }
  void PressOnSlider(QEvent::Type Type) {
    auto* slider = Find<TGaugeBar>(kOpacitySlider);
    QMouseEvent e(Type, QPointF(3, 3), slider->mapToGlobal(QPointF(3, 3)), Qt::LeftButton,
                  Type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(slider, &e);
  }
};

TEST_F(MainFormHistoryTest, EveryCommandIsOneStepThatUndoesByteForByteAndRedoes) {
  const std::string photo = PhotoFile("photo.bmp", 90, 60, 0xFF3070B0u);
  const TPoint c = Centre();
  int changes = 0;
  Form->OnDocumentChanged = [&] { ++changes; };
  struct Step {
    const char* Name;
    std::function<void()> Run;
  };
  const std::vector<Step> steps = {
      {"add photo", [&] { AddPhoto(photo); }},
      {"rotate", [&] { Click(kRotate); }},
      {"flip", [&] { Click(kFlipHorizontal); }},
      {"mask", [&] { ClickThumb(1); }},
      {"opacity drag",
       [&] {
         PressOnSlider(QEvent::MouseButtonPress);
         for (int v : {200, 150, 90}) Find<TGaugeBar>(kOpacitySlider)->SetPosition(v);
         PressOnSlider(QEvent::MouseButtonRelease);
       }},
      {"move drag",
       [&] {
         Drag(static_cast<float>(c.X), static_cast<float>(c.Y), static_cast<float>(c.X + 40),
              static_cast<float>(c.Y + 25));
       }},
      {"add bar", [&] { AddBar(); }},
      {"bar colour",
       [&] {
         Dialogs.AnswerColor(clBlue);
         Form->Shape16MouseDown();
       }},
      {"down", [&] { Click(kSendDown); }},
      {"remove mask",
       [&] {
         Form->SelectLayer(Form->ImgView->Layers()->Items(1) == Form->SelectedLayer()
                               ? static_cast<TBitmapLayer*>(Form->ImgView->Layers()->Items(0))
                               : Form->SelectedLayer());
         PressAt(static_cast<float>(c.X + 40), static_cast<float>(c.Y + 25));
         Click(kRemoveMask);
       }},
      {"add text", [&] { Click(kAddText); }},
      {"apply text",
       [&] {
         Find<QLineEdit>(kTextEdit)->setText("Undo me");
         Click(kApplyText);
       }},
      {"delete",
       [&] {
         Dialogs.AnswerMessage(IDYES);
         Click(kDelete);
       }},
      {"background",
       [&] {
         WhenShown<TFrmBack>([](TFrmBack& d) {
           d.ImageWidth->setText("500");
           d.RadioButton1->setChecked(true);
           d.Button1->click();
         });
         Click(kSetBackground);
       }},
      {"new",
       [&] {
         WhenShown<TNewImageForm>([](TNewImageForm& d) {
           d.UpDown1->SetPosition(300);
           d.Button2->click();
         });
         Click(kNew);
       }},
  };
  std::vector<std::vector<unsigned char>> pictures = {Saved()};
  std::vector<uint64_t> changed;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.Name);
    const int before = changes;
    step.Run();
    EXPECT_TRUE(Form->CanUndo());
    EXPECT_GT(changes, before);
    changed.push_back(Form->SelectedLayer() ? Form->ObjectIdOf(Form->SelectedLayer()) : 0);
    pictures.push_back(Saved());
    // The view shows the document: the headless flattening gives what Save wrote.
    std::unique_ptr<TBitmap32> flat = FlattenDocument(Form->Document());
    TBitmap32 written;
    written.LoadFromFile((temp / "saved.bmp").string());
    ASSERT_EQ(flat->Width(), written.Width());
    int differing = 0;
    for (int i = 0; i < flat->Width() * flat->Height(); ++i)
      differing += flat->Bits()[i] != written.Bits()[i];
    EXPECT_EQ(differing, 0);
  }
  EXPECT_TRUE(Form->Modified());
  for (size_t i = steps.size(); i-- > 0;) {
    SCOPED_TRACE(std::string("undoing ") + steps[i].Name);
    ASSERT_TRUE(Form->CanUndo());
    Form->Undo();
    Flush();
    EXPECT_TRUE(Saved() == pictures[i]);
    // The object the step changed is selected when it is still there, nothing when it went.
    const uint64_t selected = Form->SelectedLayer() ? Form->ObjectIdOf(Form->SelectedLayer()) : 0;
    if (changed[i] != 0) {
      EXPECT_EQ(selected, Form->Document().Find(changed[i]) ? changed[i] : uint64_t{0});
    }
  }
  EXPECT_FALSE(Form->CanUndo());
  for (size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE(std::string("redoing ") + steps[i].Name);
    Form->Redo();
    Flush();
    EXPECT_TRUE(Saved() == pictures[i + 1]);
  }
  EXPECT_FALSE(Form->CanRedo());
}

TEST_F(MainFormHistoryTest, UndoSelectsTheObjectTheStepChanged) {
  TBitmapLayer* a = AddBar();
  TBitmapLayer* b = AddBar();
  const uint64_t idB = Form->ObjectIdOf(b);
  Form->SelectLayer(a);
  Click(kRotate);
  Form->SelectLayer(b);
  Form->Undo();
  EXPECT_EQ(Form->SelectedLayer(), a);
  EXPECT_EQ(a->Bitmap().Width(), 100);  // unturned
  Form->Undo();                         // the second bar's Add
  EXPECT_EQ(Form->SelectedLayer(), nullptr);
  EXPECT_EQ(Form->Document().Objects.size(), 1u);
  Form->Redo();
  ASSERT_NE(Form->SelectedLayer(), nullptr);
  EXPECT_EQ(Form->Document().Objects.size(), 2u);
  // The second bar again, in a new layer (its old one went with the undone Add).
  EXPECT_EQ(Form->ObjectIdOf(Form->SelectedLayer()), idB);
  b = Form->SelectedLayer();
  EXPECT_TRUE(Form->CanRedo());  // the turn of a
  // A press without a move changes nothing and makes no step; a new step drops the redo.
  const TFloatRect l = b->Location();
  const float x = (l.Left + l.Right) / 2, y = (l.Top + l.Bottom) / 2;
  Drag(x, y, x, y);
  Click(kRotate);
  EXPECT_FALSE(Form->CanRedo());
  Form->Undo();
  EXPECT_EQ(b->Location(), l);
  EXPECT_EQ(Form->SelectedLayer(), b);
  Form->Undo();
  EXPECT_EQ(Form->SelectedLayer(), nullptr);
  EXPECT_EQ(Form->Document().Objects.size(), 1u);
  EXPECT_EQ(a->Bitmap().Width(), 100);
}

TEST_F(MainFormHistoryTest, ProjectsSaveAndOpenAndSayWhatWasLeftOut) {
  const std::string photo = PhotoFile("photo.bmp", 90, 60, 0xFF3070B0u);
  const std::string gone = PhotoFile("gone.bmp", 30, 30, 0xFF00FF00u);
  AddPhoto(photo);
  ClickThumb(1);
  AddPhoto(gone);
  Click(kRotate);
  AddBar();
  const auto picture = Saved();
  const std::string project = (temp / "collage").string();
  Form->SaveProjectAs(project);
  EXPECT_EQ(Form->ProjectFile(), project + ".pictavia");
  EXPECT_FALSE(Form->Modified());
  EXPECT_TRUE(Form->CanUndo());  // saving keeps the history

  Click(kFlipVertical);
  EXPECT_TRUE(Form->Modified());
  ASSERT_TRUE(Form->OpenProject(project + ".pictavia"));
  EXPECT_FALSE(Form->CanUndo());
  EXPECT_FALSE(Form->Modified());
  EXPECT_TRUE(Saved() == picture);

  // A project that cannot be read changes nothing and names the file and the reason.
  const std::string broken = picturefiles::WriteText(temp / "broken.pictavia", "{\"pictavia\": 1,");
  EXPECT_FALSE(Form->OpenProject(broken));
  const TDialogRequest error = Dialogs.RequestsOf(dkMessageBox).back();
  EXPECT_NE(error.Text.find(broken), std::string::npos);
  EXPECT_NE(error.Text.find("line 1, column"), std::string::npos) << error.Text;
  EXPECT_EQ(Form->ProjectFile(), project + ".pictavia");
  EXPECT_EQ(Form->Document().Objects.size(), 3u);

  // Missing pictures: the rest opens, one message lists what was left out, not marked saved.
  std::filesystem::remove(gone);
  ASSERT_TRUE(Form->OpenProject(project + ".pictavia"));
  EXPECT_EQ(Form->Document().Objects.size(), 2u);
  EXPECT_TRUE(Form->Modified());
  const TDialogRequest message = Dialogs.RequestsOf(dkShowMessage).back();
  EXPECT_NE(message.Text.find("objects[1].file: no such file"), std::string::npos) << message.Text;
  EXPECT_EQ(Dialogs.PendingAnswers(), 0u);

  // Save Project writes to the project file; without one it asks for a name.
  Form->SaveProject();
  EXPECT_FALSE(Form->Modified());
  ASSERT_TRUE(Form->OpenProject(project + ".pictavia"));
  EXPECT_FALSE(Form->Modified());
  Dialogs.AnswerOpen(project + ".pictavia");
  Form->OpenProjectClick();
  EXPECT_EQ(Form->Document().Objects.size(), 2u);
}

}  // namespace

}  // namespace pictavia
