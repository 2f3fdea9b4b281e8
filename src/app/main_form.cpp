// TMainForm's start-up, selection, object commands, masks, zoom, Save, Help and Exit.
#include "app/main_form.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "app/application.h"
#include "app/internal/background_form.h"
#include "app/internal/busy_wait.h"
#include "app/internal/editor_settings.h"
#include "app/internal/form_controls.h"
#include "app/internal/new_image_form.h"
#include "app/internal/picture_box.h"
#include "app/internal/recovery_file.h"
#include "app/internal/runtime_text.h"
#include "document/composition.h"
#include "document/document_editing.h"
#include "document/object_editing.h"
#include "document/objects.h"
#include "document/output_file.h"
#include "document/picture_loading.h"
#include "document/program_folder.h"
#include "document/project_file.h"
#include "document/scene.h"
#include "layers/color_layer.h"
#include "layers/png_layer.h"
#include "layers/text_layer.h"
#include "raster/bitmap32.h"
#include "toolkit/ascii_case.h"
#include "toolkit/rounding.h"
#include "toolkit/streams.h"
#include "view/range_bars.h"

namespace pictavia {

namespace {

constexpr const char* kPhotoFilter =
    "All (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)|*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf|"
    "JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp|"
    "Icons (*.ico)|*.ico|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf";
constexpr const char* kClipFilter = "Clips(*.png)|*.png";
constexpr const char* kConfirmCaption = "Please make sure";
constexpr int kConfirmFlags = MB_YESNO | MB_ICONQUESTION;  // 36
// The dialogs whose folders are kept between runs. Add Clips and the background's picture start
// in their data folders every time.
constexpr const char* kPhotoDialog = "photo";
constexpr const char* kPictureDialog = "picture";

// The two thumbnails a window shows before any mask page: a soft oval and a soft-edged frame,
// white where the photo stays.
void DrawDesignTimeMask(TImage& Image, bool Oval) {
  constexpr int W = 130, H = 114;
  TBitmap32 pixels;
  pixels.SetSize(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const float u = (x + 0.5f) / W * 2 - 1;
      const float v = (y + 0.5f) / H * 2 - 1;
      float inside;
      if (Oval) {
        inside = (1.0f - std::sqrt(u * u + v * v)) / 0.25f;
      } else {
        inside = (1.0f - std::max(std::fabs(u), std::fabs(v))) / 0.2f;
      }
      const int level = static_cast<int>(std::clamp(inside, 0.0f, 1.0f) * 255.0f + 0.5f);
      const auto c = static_cast<uint8_t>(level);
      pixels.SetPixel(x, y, Color32(c, c, c));
    }
  TPicture picture;
  pixels.AssignTo(&picture);
  Image.SetGraphic(picture.Graphic());
}

}  // namespace

TMainForm::TMainForm(QWidget* Parent, TDialogService* Dialogs)
    : QMainWindow(Parent), dialogs_(Dialogs), programFolder_(pictavia::ProgramFolder()) {
  setObjectName(QStringLiteral("MainForm"));
  projectOpenDialog_.Title = "Open Project";
  projectOpenDialog_.Filter = "Pictavia projects (*.pictavia)|*.pictavia";
  projectSaveDialog_.Title = "Save Project";
  projectSaveDialog_.Filter = "Pictavia projects (*.pictavia)|*.pictavia";
  setWindowTitle(QStringLiteral("Pictavia Vudov  "));
  CreateControls();
  recovery_ = std::make_unique<TRecoveryFile>();
  docLayers_ = std::make_unique<TDocumentLayers>(*ImgView->Layers(), *ImgView->Bitmap());
  docLayers_->OnLayerCreated = [this](TBitmapLayer& Layer) {
    Layer.OnMouseDown = LayerClickHandler();
  };
  // The designed size is the client area's; the menu bar comes on top of it.
  resize(1016, 731 + menuBar()->sizeHint().height());
  // The dialogs' design-time settings.
  saveDialog1_.Title = "存储为图片";
  saveDialog1_.Filter = "Bmp |*.bmp";
  // No default extension: a name typed without one gets ".BMP" from Button2Click, where an
  // appended ".jpg" would only have it refused.
  saveDialog1_.DefaultExt.clear();
  saveDialog1_.OverwritePrompt = true;
  fontDialog1_.SetName("Tahoma");
  edit1Font_.SetName("Tahoma");
  edit1Font_.SetSize(9);
  edit1Font_.SetColor(clRed);
  SetEdit1Font(edit1Font_);
  DrawDesignTimeMask(*Images[0], true);
  DrawDesignTimeMask(*Images[1], false);
  FormCreate();
  // Where the user left off last time.
  if (const std::string folder = RememberedFolder(kPhotoDialog); !folder.empty())
    photoFolder_ = (std::filesystem::path(folder) / "").string();
  saveDialog1_.InitialDir = RememberedFolder(kPictureDialog);
  if (const std::optional<int> zoom = RememberedZoom())
    ScaleCombo->setEditText(QString::number(*zoom) + QStringLiteral("%"));
}

bool TMainForm::RestoreWindowPlace() {
  const QByteArray place = RememberedWindowPlace();
  return !place.isEmpty() && restoreGeometry(place);
}

void TMainForm::closeEvent(QCloseEvent* Event) {
  RememberWindowPlace(saveGeometry());
  RememberZoom(SaturatedRound(ImgView->Scale() * 100.0f));
  QMainWindow::closeEvent(Event);
}

TMainForm::~TMainForm() {
  // FormDestroy: nothing may call back into a half-destroyed window.
  maskThumbs_.clear();
  SelectLayer(nullptr);
  selectionFrame_ = nullptr;
  ImgView->OnMouseDown = nullptr;
  ImgView->OnPaintStage = nullptr;
  ImgView->removeEventFilter(this);
  LayerOpacity->OnChange = nullptr;
  LayerOpacity->removeEventFilter(this);
  OnDocumentChanged = nullptr;
  recovery_->Remove();
  docLayers_->OnLayerCreated = nullptr;
  for (int i = 0; i < ImgView->Layers()->Count(); ++i)
    ImgView->Layers()->Items(i)->OnMouseDown = nullptr;
}

void TMainForm::FormCreate() {
  setWindowTitle(windowTitle() + QStringLiteral("(Ver2.10)"));
  UseCustomFirstStage(*ImgView->PaintStages());
  ImgView->SetRepaintMode(rmOptimizer);
  backgroundIsPicture_ = 0;
  backgroundColor_ = clWhite;
  backgroundFile_.clear();
  maskThumbs_.clear();
  for (int k = 0; k < MasksPerPage; ++k) {
    maskThumbs_.push_back(Images[k]);
    maskThumbs_.push_back(Shapes[k]);
  }
  lastMaskPage_ = ScanLastMaskPage(programFolder_);
  // A damaged mask file is reported, and the window still gets its canvas.
  try {
    ShowMaskPage(0);
  } catch (const std::exception& e) {
    ShowException(e);
  }
  TDocument start;
  NewDocumentCanvas(start, 640, 480, clWhite32);
  ResetDocument(std::move(start));
  LayerOpacity->installEventFilter(this);
}

void TMainForm::ShowException(const std::exception& E) {
  if (TApplication* app = TApplication::Instance())
    app->ShowException(E);
  else
    Dialogs().MessageBox(this, E.what(), ApplicationTitle(), MB_OK | MB_ICONERROR);
}

void TMainForm::CreateNewImageForm() {
  if (!newImageForm_) newImageForm_ = std::make_unique<TNewImageForm>(this, dialogs_);
}

TDialogService& TMainForm::Dialogs() const {
  return dialogs_ ? *dialogs_ : ApplicationDialogService();
}

// --- canvas and background -------------------------------------------------------------------

void TMainForm::NewCanvas(int Width, int Height, TColor32 Fill) {
  SelectLayer(nullptr);
  delete selectionFrame_;
  selectionFrame_ = nullptr;
  ImgView->SetScale(1.0f);
  ChangeDocument([&](TDocument& Doc) {
    NewDocumentCanvas(Doc, Width, Height, Fill);
    return uint64_t{0};
  });
  ImgView->SetRepaintMode(rmOptimizer);
}

void TMainForm::SpeedButton2Click() {
  CreateNewImageForm();
  if (newImageForm_->exec() != QDialog::Accepted) return;
  NewCanvas(newImageForm_->ChosenWidth(), newImageForm_->ChosenHeight(),
            Color32(newImageForm_->ChosenColor()));
}

void TMainForm::Button18Click() {
  TFrmBack form(programFolder_, this, dialogs_);
  form.UpDown1->SetPosition(ImgView->Bitmap()->Width());
  form.UpDown2->SetPosition(ImgView->Bitmap()->Height());
  if (backgroundIsPicture_ == 1) {
    form.RadioButton2->setChecked(true);
    if (FileExists(backgroundFile_)) form.OpenPictureDialog1.FileName = backgroundFile_;
  } else {
    form.SetSwatchColor(backgroundColor_);
    form.RadioButton1->setChecked(true);
  }
  form.RadioButton1Click();
  form.exec();
  if (!form.Accepted()) return;

  const int width = StrToInt(form.ImageWidth->text().toStdString());
  const int height = StrToInt(form.ImageHeight->text().toStdString());
  if (form.ColorOptionChecked()) {
    backgroundColor_ = form.SwatchColor();
    ChangeDocument([&](TDocument& Doc) {
      SetCanvasColor(Doc, width, height, Color32(backgroundColor_));
      return uint64_t{0};
    });
    backgroundIsPicture_ = 0;
    return;
  }
  // Decoded before anything changes: a picture that fails leaves canvas and settings as they were.
  const std::string file = form.OpenPictureDialog1.FileName;
  std::shared_ptr<const TBitmap32> picture;
  if (FileExists(file)) picture = LoadPhotoShowingBusy(file);
  ChangeDocument([&](TDocument& Doc) {
    if (picture)
      SetCanvasPicture(Doc, width, height, file, picture);
    else
      SetCanvasSizeOnly(Doc, width, height);
    return uint64_t{0};
  });
  backgroundFile_ = file;
  // Remembered as a picture background even when the file is gone.
  backgroundIsPicture_ = 1;
}

// --- adding objects ----------------------------------------------------------------------------

void TMainForm::SpeedButton4Click() {
  openPictureDialog1_.FileName.clear();
  openPictureDialog1_.Filter = kPhotoFilter;
  if (!photoFolder_.empty()) openPictureDialog1_.InitialDir = photoFolder_;
  if (!Dialogs().ExecuteOpenPicture(this, openPictureDialog1_)) return;
  const std::string file = openPictureDialog1_.FileName;
  photoFolder_ = std::filesystem::path(file).parent_path().string() + "/";
  const std::shared_ptr<const TBitmap32> picture = LoadPhotoShowingBusy(file);
  const uint64_t id = ChangeDocument(
      [&](TDocument& Doc) { return AddPhoto(Doc, file, picture, ViewCentre(*ImgView)); });
  SelectLayer(docLayers_->LayerOf(id));
  RememberFolder(kPhotoDialog, photoFolder_);  // kept only once a photo came from it
}

void TMainForm::SpeedButton7Click() {
  openPictureDialog1_.InitialDir = programFolder_ + "Clips/";
  openPictureDialog1_.FileName.clear();
  openPictureDialog1_.Filter = kClipFilter;
  if (!Dialogs().ExecuteOpenPicture(this, openPictureDialog1_)) return;
  const std::string file = openPictureDialog1_.FileName;
  if (!SameText(ExtractFileExt(file), "png")) {
    Dialogs().ShowMessage(this, "Not a valid clip! (Clip must be png-file)");
    return;
  }
  const uint64_t id = ChangeDocument(
      [&](TDocument& Doc) { return AddClip(Doc, pictures_, file, ViewCentre(*ImgView)); });
  SelectLayer(docLayers_->LayerOf(id));
}

void TMainForm::SpeedButton6Click() {
  const uint64_t id =
      ChangeDocument([&](TDocument& Doc) { return AddBar(Doc, ViewCentre(*ImgView)); });
  SelectLayer(docLayers_->LayerOf(id));
}

void TMainForm::SpeedButton5Click() {
  const uint64_t id =
      ChangeDocument([&](TDocument& Doc) { return AddText(Doc, ViewCentre(*ImgView)); });
  SelectLayer(docLayers_->LayerOf(id));
}

// --- the text panel ----------------------------------------------------------------------------

void TMainForm::SetEdit1Font(const TFont& Font) {
  if (&Font != &edit1Font_) edit1Font_.Assign(&Font);
  Edit1->setFont(edit1Font_.ToQFont());
  QPalette p = Edit1->palette();
  const TColor c = ColorToRGB(edit1Font_.Color());
  p.setColor(QPalette::Text, QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
  Edit1->setPalette(p);
  // The edit box grows with its font; the panel follows.
  Edit1->setFixedHeight(Edit1->sizeHint().height());
  LayoutTextPanel();
}

void TMainForm::LayoutTextPanel() {
  const int top = Edit1->y() + Edit1->height() + 10;
  for (QPushButton* b : {BitBtn1, BitBtn2, BitBtn3}) b->move(b->x(), top);
  pnlText->setFixedHeight(Edit1->height() + 90);
}

void TMainForm::BitBtn3Click() {
  if (!dynamic_cast<TTextLayer*>(selectedLayer_)) return;
  const uint64_t id = SelectedId();
  const std::string typed = Edit1->text().toStdString();
  const TFontSpec font{edit1Font_.Name(), edit1Font_.Size(), edit1Font_.Style()};
  ChangeDocument([&](TDocument& Doc) {
    ApplyObjectText(Doc, id, typed, font, Color32(edit1Font_.Color()));
    return id;
  });
  SelectLayer(nullptr);
  SelectLayer(docLayers_->LayerOf(id));
}

void TMainForm::BitBtn1Click() {
  TColor colour = edit1Font_.Color();
  if (!Dialogs().ExecuteColor(this, colour)) return;
  colorDialog1_ = colour;
  TFont font;
  font.Assign(&edit1Font_);
  font.SetColor(colour);
  SetEdit1Font(font);
  BitBtn3Click();
}

void TMainForm::BitBtn2Click() {
  fontDialog1_.Assign(&edit1Font_);
  if (!Dialogs().ExecuteFont(this, fontDialog1_)) return;
  SetEdit1Font(fontDialog1_);
  BitBtn3Click();
}

// --- selection -----------------------------------------------------------------------------

TLayerMouseEvent TMainForm::LayerClickHandler() {
  // Raised inside the view's mouse handling: nothing may unwind through Qt's frames from here.
  return [this](TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
    try {
      LayerClicked(Sender, Button, Shift, X, Y);
    } catch (const std::exception& e) {
      ShowException(e);
    }
  };
}

void TMainForm::SelectLayer(TBitmapLayer* Layer) {
  if (Layer == selectedLayer_) return;
  EndKeyMove();
  if (selectionFrame_) {
    selectionFrame_->SetAttachedLayer(nullptr);
    selectionFrame_->SetOptionBits(OptNoUpdate);
    pnlBitmapLayer->hide();
    pnlText->hide();
    ImgView->Invalidate();
  }
  selectedLayer_ = Layer;
  for (QToolButton* b : {BitBtn4, BitBtn6, BitBtn7}) b->setVisible(Layer != nullptr);
  for (QToolButton* b : {BitBtn5, BitBtn8, BitBtn9}) b->hide();
  if (!Layer) return;

  if (selectionFrame_) {
    selectionFrame_->BringToFront();
  } else {
    selectionFrame_ = new TRubberbandLayer(ImgView->Layers());  // owned by the collection
    selectionFrame_->SetMinHeight(1.0f);
    selectionFrame_->SetMinWidth(1.0f);
  }
  selectionFrame_->SetAttachedLayer(Layer);
  selectionFrame_->SetOptionBits(OptVisible | OptMouse | OptNoUpdate);
  selectionFrame_->OnReshaping = [this](TObject* Sender, const TFloatRect& OldLocation,
                                        TFloatRect& NewLocation, TRBDragState DragState,
                                        TShiftState Shift) {
    FrameResizing(Sender, OldLocation, NewLocation, DragState, Shift);
  };
  // Raised inside the view's mouse handling, like the layer clicks.
  selectionFrame_->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) {
    try {
      FrameDragEnded();
    } catch (const std::exception& e) {
      ShowException(e);
    }
  };
  const bool isClip = dynamic_cast<TPngLayer*>(Layer) != nullptr;
  if (!isClip)
    for (QToolButton* b : {BitBtn5, BitBtn8, BitBtn9}) b->show();

  if (auto* text = dynamic_cast<TTextLayer*>(Layer)) {
    pnlText->show();
    Edit1->setText(QString::fromStdString(text->Text()));
    SetEdit1Font(text->Font());
    fontDialog1_.Assign(&text->Font());
    colorDialog1_ = text->Font().Color();
    return;
  }
  if (isClip) return;
  if (auto* bar = dynamic_cast<TColorLayer*>(Layer)) {
    Panel6->show();
    Shape16->SetBrushColor(ToToolkitColor(bar->FillColor()));
  } else {
    Panel6->hide();
  }
  pnlBitmapLayer->show();
  LayerOpacity->SetPosition(static_cast<int>(Layer->Bitmap().MasterAlpha()));
}

void TMainForm::LayerClicked(TObject* Sender, TMouseButton, TShiftState, int, int) {
  if (auto* layer = dynamic_cast<TBitmapLayer*>(Sender)) SelectLayer(layer);
}

void TMainForm::ImgViewMouseDown(TObject*, TMouseButton, TShiftState, int, int,
                                 TCustomLayer* Layer) {
  if (!Layer) SelectLayer(nullptr);
}

void TMainForm::ImgViewPaintStage(TObject*, TBitmap32* Buffer, uint32_t) {
  if (Buffer) PaintCheckerboard(*Buffer);
}

void TMainForm::FrameResizing(TObject*, const TFloatRect& OldLocation, TFloatRect& NewLocation,
                              TRBDragState DragState, TShiftState Shift) {
  ResizeAboutCentre(OldLocation, NewLocation, DragState, Shift);
}

// --- commands on the selection ---------------------------------------------------------------

void TMainForm::BitBtn4Click() {
  if (!selectedLayer_) return;
  if (Dialogs().MessageBox(this, "Delete the selected?", kConfirmCaption, kConfirmFlags) != IDYES)
    return;
  const uint64_t id = SelectedId();
  SelectLayer(nullptr);
  ChangeDocument([&](TDocument& Doc) {
    DeleteObject(Doc, id);
    return id;
  });
}

void TMainForm::BitBtn6Click() {
  if (!selectedLayer_) return;
  const uint64_t id = SelectedId();
  ChangeDocument([&](TDocument& Doc) {
    MoveObjectUp(Doc, id);
    return id;
  });
}

void TMainForm::BitBtn7Click() {
  if (!selectedLayer_) return;
  const uint64_t id = SelectedId();
  ChangeDocument([&](TDocument& Doc) {
    MoveObjectDown(Doc, id);
    return id;
  });
}

void TMainForm::BitBtn5Click() {
  if (!selectedLayer_) return;
  const uint64_t id = SelectedId();
  ChangeDocument([&](TDocument& Doc) {
    RotateObject(Doc, id);
    return id;
  });
}

void TMainForm::BitBtn8Click() {
  if (!selectedLayer_) return;
  const uint64_t id = SelectedId();
  ChangeDocument([&](TDocument& Doc) {
    FlipObject(Doc, id, peFlipHorizontal);
    return id;
  });
}

void TMainForm::BitBtn9Click() {
  if (!selectedLayer_) return;
  const uint64_t id = SelectedId();
  ChangeDocument([&](TDocument& Doc) {
    FlipObject(Doc, id, peFlipVertical);
    return id;
  });
}

void TMainForm::LayerOpacityChange() {
  if (!selectedLayer_) return;
  const uint64_t id = SelectedId();
  const auto opacity = static_cast<uint32_t>(LayerOpacity->Position());
  // One drag of the slider is one step, however many positions it passes.
  const bool continues = opacityHeld_ && opacityStepOf_ == id;
  ChangeDocument(
      [&](TDocument& Doc) {
        SetObjectOpacity(Doc, id, opacity);
        return id;
      },
      continues);
  if (opacityHeld_) opacityStepOf_ = id;
}

void TMainForm::Shape16MouseDown() {
  TColor colour = Shape16->BrushColor();
  if (!Dialogs().ExecuteColor(this, colour)) return;
  colorDialog1_ = colour;
  if (!dynamic_cast<TColorLayer*>(selectedLayer_)) return;
  Shape16->SetBrushColor(colour);
  const uint64_t id = SelectedId();
  ChangeDocument([&](TDocument& Doc) {
    SetBarColor(Doc, id, Color32(colour));
    return id;
  });
}

// --- zoom ------------------------------------------------------------------------------------

void TMainForm::ScaleComboChange() {
  std::string text = ScaleCombo->currentText().toStdString();
  std::erase_if(text, [](char c) { return c == '%' || c == ' '; });
  if (text.empty()) return;
  int percent = StrToIntDef(text, -1);
  if (percent >= 1 && percent <= 2000) {
    ImgView->SetScale(static_cast<float>(percent) / 100.0f);
  } else {
    percent = SaturatedRound(ImgView->Scale() * 100.0f);
  }
  const QString shown = QString::number(percent) + QStringLiteral("%");
  scaleComboWriting_ = true;
  ScaleCombo->setEditText(shown);
  scaleComboWriting_ = false;
  ScaleCombo->lineEdit()->setCursorPosition(static_cast<int>(shown.size()) - 1);
}

void TMainForm::ZoomByWheel(int Steps) {
  if (Steps == 0) return;
  const double current = ImgView->Scale() * 100.0;
  int target = 0;
  for (int i = 0; i < ScaleCombo->count(); ++i) {
    std::string item = ScaleCombo->itemText(i).toStdString();
    std::erase_if(item, [](char c) { return c == '%' || c == ' '; });
    const int percent = StrToIntDef(item, 0);
    if (percent <= 0) continue;
    // The nearest size past the current zoom in the wheel's direction.
    if (Steps > 0 && percent > current + 0.5 && (target == 0 || percent < target)) target = percent;
    if (Steps < 0 && percent < current - 0.5 && percent > target) target = percent;
  }
  // Through the list's text, as if typed: the zoom and the text stay one.
  if (target > 0) ScaleCombo->setEditText(QString::number(target) + QStringLiteral("%"));
}

// --- masks -----------------------------------------------------------------------------------

void TMainForm::ShowMaskPage(int Page) {
  if (!FileExists(MaskFileName(programFolder_, Page * MasksPerPage + 1))) return;
  maskPage_ = Page;
  for (int k = 0; k < MasksPerPage; ++k) {
    Shapes[k]->move(Images[k]->pos());
    const std::string file = MaskFileName(programFolder_, Page * MasksPerPage + k + 1);
    if (FileExists(file)) {
      Images[k]->LoadFromFile(file);
      Images[k]->SetTag(1);
    } else {
      Images[k]->Clear();
      Images[k]->SetTag(-1);
    }
  }
}

void TMainForm::ApplyMask(TImage* Thumbnail) {
  if (!Thumbnail || Thumbnail->Tag() == -1 || !selectedLayer_) return;
  TMaskSource mask;
  const auto* thumb = std::find(std::begin(Images), std::end(Images), Thumbnail);
  if (Thumbnail->Tag() == 1 && thumb != std::end(Images)) {
    // A thumbnail of a mask page: the file it shows, decoded once for every use.
    mask.Number = maskPage_ * MasksPerPage + static_cast<int>(thumb - std::begin(Images)) + 1;
    mask.File = MaskFileName(programFolder_, mask.Number);
    mask.Picture = pictures_.Mask(mask.File);
  } else {
    auto drawn = std::make_shared<TBitmap32>();
    drawn->Assign(&Thumbnail->Picture());
    mask.Picture = std::move(drawn);
  }
  // A thumbnail without a picture applies nothing (an empty mask would hide the object).
  if (mask.Picture->Empty()) return;
  const uint64_t id = SelectedId();
  ChangeDocument([&](TDocument& Doc) {
    ApplyObjectMask(Doc, id, std::move(mask));
    return id;
  });
}

void TMainForm::Image2Click(TImage* Sender) {
  ApplyMask(Sender);
}

void TMainForm::Button17Click() {
  if (!selectedLayer_) return;
  const uint64_t id = SelectedId();
  ChangeDocument([&](TDocument& Doc) {
    RemoveObjectMask(Doc, id);
    return id;
  });
}

void TMainForm::Button10Click() {
  ShowMaskPage(0);
}

void TMainForm::Button11Click() {
  if (maskPage_ > 0) ShowMaskPage(maskPage_ - 1);
}

void TMainForm::Button15Click() {
  if (maskPage_ < lastMaskPage_) ShowMaskPage(maskPage_ + 1);
}

void TMainForm::Button16Click() {
  ShowMaskPage(lastMaskPage_);
}

// --- Save, Help, Exit ----------------------------------------------------------------------

void TMainForm::Button2Click() {
  saveDialog1_.FileName.clear();
  std::string name;
  for (;;) {
    if (!Dialogs().ExecuteSave(this, saveDialog1_)) return;
    name = saveDialog1_.FileName;
    switch (CheckSaveName(name)) {
      case snEmpty:
        return;
      case snWrongExtension:
        Dialogs().ShowMessage(this, "Please select a proper name and try again!");
        return;
      case snAccepted:
        break;
    }
    // The dialog asked about the name as typed; ".BMP" appended since makes another name.
    if (name == saveDialog1_.FileName || !FileExists(name) ||
        ConfirmReplace(name, saveDialog1_.Title))
      break;
  }
  SelectLayer(nullptr);  // the frame must not be part of the picture
  THourglass hourglass;
  SaveBitmapAtomically(*FlattenedView(), name);
  // Only a folder that took a file is worth starting in next time.
  saveDialog1_.InitialDir = std::filesystem::path(name).parent_path().string();
  RememberFolder(kPictureDialog, saveDialog1_.InitialDir);
}

std::unique_ptr<TBitmap32> TMainForm::FlattenedView() {
  std::unique_ptr<TBitmap32> flat = std::make_unique<TBitmap32>();
  flat->SetSize(ImgView->Bitmap()->Width(), ImgView->Bitmap()->Height());
  ImgView->RenderInto(*flat, Rect(0, 0, flat->Width(), flat->Height()));
  MakeOpaque(*flat);
  return flat;
}

bool TMainForm::ConfirmReplace(const std::string& FileName, const std::string& Caption) {
  const std::string question = std::filesystem::path(FileName).filename().string() +
                               " already exists.\nDo you want to replace it?";
  return Dialogs().MessageBox(this, question, Caption, MB_YESNO | MB_ICONWARNING) == IDYES;
}

void TMainForm::SpeedButton3Click() {
  const std::string page = programFolder_ + "help.html";
  if (!Dialogs().OpenDocument(page))
    Dialogs().ShowMessage(this,
                          "No program could be found to open the help. The help page is\n" + page);
}

void TMainForm::SpeedButton1Click() {
  if (Dialogs().MessageBox(this, "Are you sure to quit?", kConfirmCaption, kConfirmFlags) != IDYES)
    return;
  recovery_->Remove();
  close();
  QCoreApplication::quit();
}

// --- the document, its history and project files ----------------------------------------

uint64_t TMainForm::ChangeDocument(const std::function<uint64_t(TDocument&)>& Change,
                                   bool Continues) {
  AdoptFrameLocation();
  const TDocument before = document_;
  uint64_t changed = 0;
  try {
    changed = Change(document_);
    if (document_.SameAs(before)) {
      document_ = before;
      return changed;
    }
    ShowDocument(SelectedId());
  } catch (...) {
    document_ = before;
    ShowDocument(SelectedId());
    throw;
  }
  history_.Record(before, changed, Continues);
  modified_ = true;
  DocumentChanged();
  return changed;
}

void TMainForm::ShowDocument(uint64_t Select) {
  docLayers_->Update(document_);
  TBitmapLayer* layer = Select ? docLayers_->LayerOf(Select) : nullptr;
  if (layer != selectedLayer_) {
    SelectLayer(nullptr);
    SelectLayer(layer);
  } else if (layer && selectionFrame_) {
    // The frame carries the location to its layer; it must hold the document's.
    selectionFrame_->SetLocation(layer->Location());
  }
}

void TMainForm::ResetDocument(TDocument Doc) {
  SelectLayer(nullptr);
  delete selectionFrame_;
  selectionFrame_ = nullptr;
  ImgView->SetScale(1.0f);
  document_ = std::move(Doc);
  history_.Clear();
  ShowDocument(0);
  ImgView->SetRepaintMode(rmOptimizer);
  DocumentChanged();
}

void TMainForm::DocumentChanged() {
  UpdateRecovery();
  if (undoEntry_) undoEntry_->setEnabled(history_.CanUndo());
  if (redoEntry_) redoEntry_->setEnabled(history_.CanRedo());
  if (OnDocumentChanged) OnDocumentChanged();
}

void TMainForm::UpdateRecovery() {
  if (!modified_) {
    recovery_->Remove();
    return;
  }
  // Off the path of the mouse: a slider drag is written when it ends.
  if (opacityHeld_) return;
  try {
    recovery_->Write(document_);
  } catch (const std::exception&) {
    // Keeping work safe must never stop the work itself; the next change tries again.
  }
}

void TMainForm::OfferRecovery() {
  for (const std::string& file : recovery_->Orphans()) {
    if (Dialogs().MessageBox(this,
                             "Pictavia did not end normally and kept the collage it was working "
                             "on.\nRestore it?",
                             "Restore", MB_YESNO | MB_ICONQUESTION) != IDYES) {
      recovery_->Discard(file);
      continue;
    }
    TOpenedProject opened;
    try {
      opened = pictavia::OpenProject(file, pictures_, programFolder_ + "Masks");
      ResetDocument(opened.Document);
    } catch (const std::exception& e) {
      const std::string damaged = recovery_->SetAside(file);
      Dialogs().MessageBox(this,
                           "The kept collage could not be read and was set aside as \"" + damaged +
                               "\":\n" + e.what(),
                           "Restore", MB_OK | MB_ICONWARNING);
      continue;
    }
    recovery_->Discard(file);
    projectFile_.clear();
    modified_ = true;
    DocumentChanged();
    if (!opened.LeftOut.empty()) Dialogs().ShowMessage(this, LeftOutMessage(file, opened.LeftOut));
    return;
  }
}

std::shared_ptr<const TBitmap32> TMainForm::LoadPhotoShowingBusy(const std::string& File) {
  if (auto held = pictures_.HeldPhoto(File)) return held;
  auto decoded = std::make_shared<TBitmap32>();
  AwaitShowingBusyCursor([&] { LoadPicture(*decoded, File); });
  return pictures_.AdoptPhoto(File, std::move(decoded));
}

void TMainForm::AdoptFrameLocation() {
  keyMoveStart_.reset();  // a run of arrow presses ends in the step taken here
  if (adoptingLocation_ || !selectedLayer_) return;
  const TDocObject* object = document_.Find(SelectedId());
  if (!object || object->Location == selectedLayer_->Location()) return;
  adoptingLocation_ = true;
  try {
    FrameDragEnded();
  } catch (...) {
    adoptingLocation_ = false;
    throw;
  }
  adoptingLocation_ = false;
}

void TMainForm::FrameDragEnded() {
  if (!selectedLayer_) return;
  const uint64_t id = SelectedId();
  const TFloatRect location = selectedLayer_->Location();
  ChangeDocument([&](TDocument& Doc) {
    SetObjectLocation(Doc, id, location);
    return id;
  });
}

void TMainForm::Undo() {
  AdoptFrameLocation();
  uint64_t select = 0;
  if (!history_.Undo(document_, select)) return;
  opacityStepOf_ = 0;
  modified_ = true;
  ShowDocument(select);
  DocumentChanged();
}

void TMainForm::Redo() {
  AdoptFrameLocation();
  uint64_t select = 0;
  if (!history_.Redo(document_, select)) return;
  opacityStepOf_ = 0;
  modified_ = true;
  ShowDocument(select);
  DocumentChanged();
}

bool TMainForm::OpenProject(const std::string& FileName, bool AskBeforeReplacingChanges) {
  TOpenedProject opened;
  try {
    opened = pictavia::OpenProject(FileName, pictures_, programFolder_ + "Masks");
  } catch (const std::exception& e) {
    Dialogs().MessageBox(this, std::string("Cannot open the project ") + e.what(), "Open Project",
                         MB_OK | MB_ICONERROR);
    return false;
  }
  // Opening starts a new history and a new recovery file: unsaved work would be gone for good.
  if (AskBeforeReplacingChanges && modified_ &&
      Dialogs().MessageBox(this,
                           "The collage has changes that are not saved in a project.\n"
                           "Open " +
                               std::filesystem::path(FileName).filename().string() +
                               " and leave them?",
                           "Open Project", MB_YESNO | MB_ICONWARNING) != IDYES)
    return false;
  // Pixels that cannot be made (a text too large to draw) leave their object out as well.
  for (;;) {
    try {
      ResetDocument(opened.Document);
      break;
    } catch (const EObjectPixelsError& e) {
      const auto at = static_cast<size_t>(e.Index());
      opened.LeftOut.push_back("object " + std::to_string(at + 1) + ": " + e.Message());
      opened.Document.Objects.erase(opened.Document.Objects.begin() +
                                    static_cast<std::ptrdiff_t>(at));
    }
  }
  projectFile_ = FileName;
  modified_ = !opened.LeftOut.empty();
  DocumentChanged();
  if (!opened.LeftOut.empty())
    Dialogs().ShowMessage(this, LeftOutMessage(FileName, opened.LeftOut));
  return true;
}

void TMainForm::SaveProjectAs(const std::string& FileName) {
  std::string name = FileName;
  if (ExtractFileExt(name).empty() && !name.empty() && name.back() != '.') name += ProjectExtension;
  AdoptFrameLocation();
  pictavia::SaveProject(document_, name);
  projectFile_ = name;
  modified_ = false;
  DocumentChanged();
}

bool TMainForm::SaveProject() {
  if (projectFile_.empty()) return SaveProjectAsClick();
  SaveProjectAs(projectFile_);
  return true;
}

void TMainForm::OpenProjectClick() {
  projectOpenDialog_.FileName.clear();
  if (!Dialogs().ExecuteOpenPicture(this, projectOpenDialog_)) return;
  if (OpenProject(projectOpenDialog_.FileName, true))
    projectOpenDialog_.InitialDir =
        std::filesystem::path(projectOpenDialog_.FileName).parent_path().string();
}

bool TMainForm::SaveProjectAsClick() {
  projectSaveDialog_.FileName = projectFile_;
  if (!Dialogs().ExecuteSave(this, projectSaveDialog_)) return false;
  const std::string name = projectSaveDialog_.FileName;
  if (std::all_of(name.begin(), name.end(), [](unsigned char c) { return c <= ' '; })) return false;
  SaveProjectAs(name);
  projectSaveDialog_.InitialDir = std::filesystem::path(projectFile_).parent_path().string();
  return true;
}

}  // namespace pictavia
