// TMainForm: the editor's main window - the toolbar, the photo and text panels with the mask
// thumbnails, the image view that holds the composition, and every command of the editor.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>

#include "app/dialog_service.h"
#include "document/document.h"
#include "document/document_layers.h"
#include "document/history.h"
#include "document/picture_store.h"
#include "document/program_folder.h"
#include "layers/bitmap_layer.h"
#include "layers/rubberband_layer.h"
#include "toolkit/colors.h"
#include "toolkit/font.h"
#include "view/img_view.h"

class QAction;
class QComboBox;
class QDropEvent;
class QKeyEvent;
class QMimeData;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QVBoxLayout;

namespace pictavia {

class TGaugeBar;
class TImage;
class TRecoveryFile;
class TNewImageForm;
class TShape;

class TMainForm : public QMainWindow {
 public:
  // Dialogs answers every message box and dialog; null means the running application's service.
  // The data folders are those of ProgramFolder() at the time of construction.
  explicit TMainForm(QWidget* Parent = nullptr, TDialogService* Dialogs = nullptr);
  ~TMainForm() override;

  // The New Image dialog, made once and shown again on every New (it keeps what the user left in
  // it). SpeedButton2Click makes it when it does not exist yet.
  void CreateNewImageForm();
  TNewImageForm* NewImageForm() const { return newImageForm_.get(); }

  // Gives the window the size, position and state it had when it was last closed; false when
  // none was kept (the caller then chooses them).
  bool RestoreWindowPlace();

  // --- controls, each with its name as Qt object name; owned by the window -------------------
  QFrame* Panel1 = nullptr;             // the toolbar
  QToolButton* SpeedButton2 = nullptr;  // New
  QPushButton* Button2 = nullptr;       // Save
  QToolButton* SpeedButton4 = nullptr;  // Add Photo
  QToolButton* SpeedButton7 = nullptr;  // Add Clips
  QToolButton* SpeedButton6 = nullptr;  // Add Color Bar
  QToolButton* SpeedButton5 = nullptr;  // Add Text
  QComboBox* ScaleCombo = nullptr;
  QToolButton* SpeedButton3 = nullptr;  // Help
  QToolButton* SpeedButton1 = nullptr;  // Exit
  QPushButton* Button18 = nullptr;      // Set BackGround
  QToolButton* BitBtn4 = nullptr;       // delete
  QToolButton* BitBtn6 = nullptr;       // up
  QToolButton* BitBtn7 = nullptr;       // down
  QToolButton* BitBtn5 = nullptr;       // rotate
  QToolButton* BitBtn8 = nullptr;       // flip horizontal
  QToolButton* BitBtn9 = nullptr;       // flip vertical

  QWidget* SidePanel = nullptr;
  QFrame* pnlBitmapLayer = nullptr;
  QLabel* Panel3 = nullptr;  // "Photo Properties"
  QFrame* Panel6 = nullptr;
  QLabel* Label5 = nullptr;
  TShape* Shape16 = nullptr;  // the colour bar's colour
  QFrame* Panel4 = nullptr;
  QLabel* Label2 = nullptr;
  TGaugeBar* LayerOpacity = nullptr;
  QLabel* Panel2 = nullptr;  // "Select a Mask"
  QWidget* MaskGrid = nullptr;
  TImage* Images[MasksPerPage] = {};
  TShape* Shapes[MasksPerPage] = {};
  QLabel* Label3 = nullptr;
  QPushButton* Button10 = nullptr;  // |<
  QPushButton* Button11 = nullptr;  // <
  QPushButton* Button15 = nullptr;  // >
  QPushButton* Button16 = nullptr;  // >|
  QPushButton* Button17 = nullptr;  // Remove the mask
  QFrame* pnlText = nullptr;
  QLabel* Panel5 = nullptr;  // "Text Properties"
  QLineEdit* Edit1 = nullptr;
  QPushButton* BitBtn2 = nullptr;  // Font
  QPushButton* BitBtn1 = nullptr;  // Color
  QPushButton* BitBtn3 = nullptr;  // Apply
  TImgView32* ImgView = nullptr;

  // --- state ---------------------------------------------------------------------------------
  bool BackgroundIsPicture() const { return backgroundIsPicture_ != 0; }
  TColor BackgroundColor() const { return backgroundColor_; }
  const std::string& BackgroundFile() const { return backgroundFile_; }
  int MaskPage() const { return maskPage_; }
  int LastMaskPage() const { return lastMaskPage_; }
  // Image1, Shape1, Image2, Shape2, ... Image15, Shape15.
  const std::vector<QWidget*>& MaskThumbs() const { return maskThumbs_; }
  TBitmapLayer* SelectedLayer() const { return selectedLayer_; }
  TRubberbandLayer* SelectionFrame() const { return selectionFrame_; }
  const std::string& PhotoFolder() const { return photoFolder_; }
  // From the first arrow key that moved the selection to the end of that run of arrows (the
  // whole run is one move): where the selection was before the run.
  const std::optional<TFloatRect>& KeyMoveStart() const { return keyMoveStart_; }
  const std::string& ProgramFolder() const { return programFolder_; }
  // The font Edit1 shows and "Apply" gives a text (name, size, style, colour).
  const TFont& Edit1Font() const { return edit1Font_; }
  // What the shared dialogs hold between uses.
  const TOpenDialogState& OpenPictureDialog1() const { return openPictureDialog1_; }
  const TSaveDialogState& SaveDialog1() const { return saveDialog1_; }
  const TSaveDialogState& ExportDialog() const { return exportDialog_; }

  // --- the document ----------------------------------------------------------------------------
  // The composition the view shows; every command changes it and the layers follow.
  const TDocument& Document() const { return document_; }
  // The document's id of a layer of the view (0 for the frame or a foreign layer).
  uint64_t ObjectIdOf(const TCustomLayer* Layer) const { return docLayers_->IdOf(Layer); }
  // The layer of the document's object Id (null for none).
  TBitmapLayer* ObjectLayer(uint64_t Id) const { return docLayers_->LayerOf(Id); }
  // The project file the document was last opened from or saved to; empty for a new one.
  const std::string& ProjectFile() const { return projectFile_; }
  // True when the document has changes no project file holds.
  bool Modified() const { return modified_; }
  // Raised after every change of the document, its history, its project file or Modified.
  std::function<void()> OnDocumentChanged;

  // Opens a project: false (after a message naming the file and the reason) when the file cannot
  // be used, and then nothing changes. Pictures that cannot be found are left out, listed in one
  // message, and the document is then not marked saved. With AskBeforeReplacingChanges (the menu,
  // a drop) a document with unsaved changes is only replaced when the user answers Yes.
  bool OpenProject(const std::string& FileName, bool AskBeforeReplacingChanges = false);
  // Writes the document to FileName (".pictavia" appended when the name has no extension) and
  // makes it the project file. The writing's exceptions pass on.
  void SaveProjectAs(const std::string& FileName);
  // To the project file; without one, as SaveProjectAsClick. False when nothing was written.
  bool SaveProject();
  // The menu's commands with their dialogs.
  void OpenProjectClick();
  bool SaveProjectAsClick();

  // On start: when editors that ended without a normal Exit left recovery projects, asks about
  // each, newest first, whether to restore it; Yes opens it as an unsaved document (and asks no
  // more), No deletes it. A damaged one is renamed with ".damaged" and reported.
  void OfferRecovery();
  // This editor's recovery project: written after every change (a slider drag when it ends),
  // removed by a normal Exit, the window's end or a saved project.
  const TRecoveryFile& Recovery() const { return *recovery_; }

  bool CanUndo() const { return history_.CanUndo(); }
  bool CanRedo() const { return history_.CanRedo(); }
  // Each restores the composition before (after) one step and selects the object it changed.
  void Undo();
  void Redo();

  // --- operations and handlers, callable as if their controls were used ---------------------
  // They raise what they raise; the controls reach them through the default exception handler.
  void NewCanvas(int Width, int Height, TColor32 Fill);
  void SelectLayer(TBitmapLayer* Layer);
  void ShowMaskPage(int Page);
  void ApplyMask(TImage* Thumbnail);

  void SpeedButton2Click();  // New
  void Button18Click();      // Set BackGround
  void SpeedButton4Click();  // Add Photo
  void SpeedButton7Click();  // Add Clips
  // A picture file named outside the Add buttons, on top and selected, centred on Centre
  // (canvas pixels): a photo as Add Photo makes it, or a clip as Add Clips makes it when the file
  // is a PNG with transparency. Raises what loading raises, leaving nothing behind.
  TBitmapLayer* AddPictureFile(const std::string& FileName, TPoint Centre);
  // Each of Files in order with AddPictureFile, behind a progress dialog with Cancel when there
  // are several; those that could not be added are named afterwards with the reasons, in one
  // message. Folders, devices, FIFOs and projects are named without being read, a project with
  // WhyNoProject.
  void AddPictureFiles(const std::vector<std::string>& Files, TPoint Centre,
                       const std::string& WhyNoProject = OneProjectAtATime);
  // Files named outside the menu (the command line, a drop): the first project among them is
  // opened with OpenProject, then the rest go to AddPictureFiles, pictures centred on Centre()
  // (asked after the opening, whose canvas may differ). With KeepComposition (a collage restored at
  // start) no project replaces the composition: they are all named as not opened.
  void OpenFiles(const std::vector<std::string>& Files, const std::function<TPoint()>& Centre,
                 bool KeepComposition = false);
  static constexpr const char* OneProjectAtATime =
      "A project: one is opened at a time, the first one named";
  void SpeedButton6Click();  // Add Color Bar
  void SpeedButton5Click();  // Add Text
  void BitBtn3Click();       // Apply (text)
  void BitBtn1Click();       // Color (text)
  void BitBtn2Click();       // Font (text)
  void BitBtn4Click();       // delete
  void BitBtn6Click();       // up
  void BitBtn7Click();       // down
  void BitBtn5Click();       // rotate
  void BitBtn8Click();       // flip horizontal
  void BitBtn9Click();       // flip vertical
  void LayerOpacityChange();
  void Shape16MouseDown();
  void ScaleComboChange();
  // Ctrl + wheel over the view: Steps > 0 takes the next larger size of the zoom list, Steps < 0
  // the next smaller one; nothing beyond the list's ends.
  void ZoomByWheel(int Steps);
  void Button10Click();  // |<
  void Button11Click();  // <
  void Button15Click();  // >
  void Button16Click();  // >|
  void Image2Click(TImage* Sender);
  void Button17Click();      // Remove the mask
  void Button2Click();       // Save
  void SpeedButton3Click();  // Help
  void SpeedButton1Click();  // Exit

  // File > Export: the flattened composition as a PNG or a JPEG, the format chosen by the typed
  // extension or else by the dialog's filter, whose extension a name without .png, .jpg or .jpeg
  // gets. A JPEG's quality is asked for, offering the one chosen last.
  void ExportClick();

  void LayerClicked(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void ImgViewMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y,
                        TCustomLayer* Layer);
  void ImgViewPaintStage(TObject* Sender, TBitmap32* Buffer, uint32_t StageNum);
  void FrameResizing(TObject* Sender, const TFloatRect& OldLocation, TFloatRect& NewLocation,
                     TRBDragState DragState, TShiftState Shift);

 protected:
  // Ctrl + wheel over the view zooms.
  bool eventFilter(QObject* Watched, QEvent* Event) override;
  // Keeps the window's place and the zoom for the next run.
  void closeEvent(QCloseEvent* Event) override;

 private:
  // main_form_layout.cpp: builds the controls and connects them to their handlers.
  void CreateControls();
  // main_menu.cpp: the menu bar, whose entries run the buttons' handlers.
  void CreateMenuBar();
  QWidget* CreateToolbar();
  QWidget* CreateSidePanel();
  QFrame* CreateBitmapLayerPanel();
  QFrame* CreateTextPanel();
  // view_keys.cpp: a key pressed on the focused view; true when it was the view's.
  bool ViewKeyPress(const QKeyEvent& Key);
  // Moves the selected object (false when there is none).
  bool MoveSelectionByKey(float DX, float DY);
  // The object Direction steps up (+1) or down (-1) the stacking order from the selected one,
  // round from the top to the bottom; the bottom or top one when nothing is selected.
  TBitmapLayer* NextObject(int Direction) const;
  // A run of arrow presses is one move: it begins with the first and ends with anything else
  // (another key, a press on the view, the view losing the focus, another selection). A toolbar
  // button keeps the focus on the view, so whatever records another change must end a run first.
  void BeginKeyMove();
  void EndKeyMove();
  // view_drops.cpp: whether a drag carries files, and the files dropped at a point of the view.
  bool ViewAcceptsDrag(const QMimeData* Data) const;
  void ViewDrop(const QDropEvent& Drop);
  // Runs a handler for a control; what it raises goes to the default exception handler, so no
  // exception travels through Qt's own frames.
  template <typename Fn>
  void Guarded(Fn&& Handler);

  void FormCreate();
  TDialogService& Dialogs() const;
  // The default exception handler's message box for an exception a handler raised.
  void ShowException(const std::exception& E);
  // Gives Edit1 the font (and its colour) and lays the text panel out around Edit1's height.
  void SetEdit1Font(const TFont& Font);
  void LayoutTextPanel();
  // The save dialog's question before a file is replaced, under the dialog's Caption; true on Yes.
  // The composition as Save writes it: the view rendered 1:1, every pixel opaque. The caller
  // clears the selection first so that the frame is not part of it.
  std::unique_ptr<TBitmap32> FlattenedView();
  bool ConfirmReplace(const std::string& FileName, const std::string& Caption);
  // The layer-click handler every new object gets.
  TLayerMouseEvent LayerClickHandler();

  // Runs Change on the document (it returns the id of the object it changed, 0 for the canvas)
  // and, when the document differs afterwards, records one undo step and shows the result.
  // Continues joins the step to the last one (the steps of one slider drag). A failure restores
  // the document as it was and passes on. Returns the changed id.
  uint64_t ChangeDocument(const std::function<uint64_t(TDocument&)>& Change,
                          bool Continues = false);
  // The layers brought to the document; Select is the object to select afterwards.
  void ShowDocument(uint64_t Select);
  // A document without history (start, Open Project): frame and selection go, zoom 100 %.
  void ResetDocument(TDocument Doc);
  void DocumentChanged();
  uint64_t SelectedId() const { return selectedLayer_ ? docLayers_->IdOf(selectedLayer_) : 0; }
  // The selection frame's drag ended: the new location becomes one step.
  void FrameDragEnded();
  // The photo of File, decoded once for the document: away from the window's thread, with the
  // busy cursor when it takes long (AwaitShowingBusyCursor). The loading's exceptions pass on.
  std::shared_ptr<const TBitmap32> LoadPhotoShowingBusy(const std::string& File);
  // A frame moved without a drag (by a program) is taken into the document as if dragged.
  void AdoptFrameLocation();
  bool adoptingLocation_ = false;

  TDialogService* dialogs_;
  std::unique_ptr<TNewImageForm> newImageForm_;
  // The Edit menu's Undo and Redo, enabled as the history allows.
  QAction* undoEntry_ = nullptr;
  QAction* redoEntry_ = nullptr;
  std::string programFolder_;

  // The window's state.
  int16_t backgroundIsPicture_ = 0;
  TColor backgroundColor_ = 0;
  std::string backgroundFile_;
  int maskPage_ = 0;
  int lastMaskPage_ = 0;
  std::vector<QWidget*> maskThumbs_;
  TBitmapLayer* selectedLayer_ = nullptr;
  std::string photoFolder_;
  TRubberbandLayer* selectionFrame_ = nullptr;

  // The non-visual components: the shared dialogs' settings between uses.
  TOpenDialogState openPictureDialog1_;
  TSaveDialogState saveDialog1_;
  // export_command.cpp: the Export dialog as it starts in a new window.
  static TSaveDialogState InitialExportDialog();
  TSaveDialogState exportDialog_ = InitialExportDialog();
  TFont fontDialog1_;
  TColor colorDialog1_ = clWhite;
  TFont edit1Font_;
  // True while ScaleComboChange writes the list's text itself.
  bool scaleComboWriting_ = false;
  // The selection's place before the current run of arrow presses; none outside a run.
  std::optional<TFloatRect> keyMoveStart_;
  // Wheel turns with Ctrl not yet a whole notch (fine-grained wheels and touchpads).
  int zoomWheel_ = 0;

  TPictureStore pictures_;
  TDocument document_;
  THistory history_;
  std::unique_ptr<TDocumentLayers> docLayers_;
  std::string projectFile_;
  bool modified_ = false;
  // While the opacity slider is held: the object whose opacity step is open.
  bool opacityHeld_ = false;
  uint64_t opacityStepOf_ = 0;
  std::unique_ptr<TRecoveryFile> recovery_;
  void UpdateRecovery();
  TOpenDialogState projectOpenDialog_;
  TSaveDialogState projectSaveDialog_;
};

// Whether FileName names a project (".pictavia").
bool IsProjectFile(const std::string& FileName);

}  // namespace pictavia
