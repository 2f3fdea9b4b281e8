// The editor's controls as the tests call them, each mapped to the name it has in the window's
// design (its object name). Tests look controls up through these names only, so a designer name
// is spelled here and nowhere else in the tests.
#pragma once

#include <string>

namespace pictavia {

// --- Main window, toolbar (first row) --------------------------------------------------------
constexpr const char* kNew = "SpeedButton2";  // "New": a fresh canvas from the New Image dialog
constexpr const char* kSave = "Button2";      // "Save": the composition as a BMP file
constexpr const char* kAddPhoto = "SpeedButton4";     // "Add Photo"
constexpr const char* kAddClip = "SpeedButton7";      // "Add Clips": a PNG with its transparency
constexpr const char* kAddColorBar = "SpeedButton6";  // "Add Color Bar"
constexpr const char* kAddText = "SpeedButton5";      // "Add Text"
constexpr const char* kZoomList = "ScaleCombo";       // the editable zoom list, "100%" at start
constexpr const char* kHelp = "SpeedButton3";         // "Help": opens the help file
constexpr const char* kExit = "SpeedButton1";         // "Exit", after a Yes/No question

// --- Main window, toolbar (second row; all but Set BackGround shown only with a selection) ----
constexpr const char* kSetBackground = "Button18";  // "Set BackGround": the background dialog
constexpr const char* kDelete = "BitBtn4";          // deletes the selected object
constexpr const char* kBringUp = "BitBtn6";         // "Up": one place up the stacking order
constexpr const char* kSendDown = "BitBtn7";        // "Down": one place down
constexpr const char* kRotate = "BitBtn5";          // "Rotate 90", clockwise
constexpr const char* kFlipHorizontal = "BitBtn8";  // mirrors left-right
constexpr const char* kFlipVertical = "BitBtn9";    // mirrors top-bottom

// --- Main window, menu bar: menus, and entries that run their buttons' handlers -------------
constexpr const char* kMenuFile = "menuFile";
constexpr const char* kMenuEdit = "menuEdit";
constexpr const char* kMenuView = "menuView";
constexpr const char* kMenuHelp = "menuHelp";
constexpr const char* kNewEntry = "actionNew";                  // kNew
constexpr const char* kSavePictureEntry = "actionSavePicture";  // kSave
constexpr const char* kExitEntry = "actionExit";                // kExit
constexpr const char* kDeleteEntry = "actionDelete";            // kDelete
constexpr const char* kBringUpEntry = "actionBringUp";          // kBringUp
constexpr const char* kSendDownEntry = "actionSendDown";        // kSendDown
constexpr const char* kZoomInEntry = "actionZoomIn";            // the next larger size of kZoomList
constexpr const char* kZoomOutEntry = "actionZoomOut";          // the next smaller one
constexpr const char* kHelpEntry = "actionHelp";                // kHelp
// Entries of commands still to come, shown disabled: projects, export, undo and redo.
constexpr const char* kOpenProjectEntry = "actionOpenProject";
constexpr const char* kSaveProjectEntry = "actionSaveProject";
constexpr const char* kSaveProjectAsEntry = "actionSaveProjectAs";
constexpr const char* kExportEntry = "actionExport";
constexpr const char* kUndoEntry = "actionUndo";
constexpr const char* kRedoEntry = "actionRedo";
// The View menu's entry for one size of the zoom list (25, 50, ... 1600).
inline std::string ZoomStepEntry(int Percent) {
  return "actionZoom" + std::to_string(Percent);
}

// --- Main window, "Photo Properties" side panel (photos and colour bars) ---------------------
constexpr const char* kPhotoPanel = "pnlBitmapLayer";
constexpr const char* kBarColorPanel = "Panel6";    // "Select Color To Use", colour bars only
constexpr const char* kBarColorSwatch = "Shape16";  // the bar's colour; a press picks another
constexpr const char* kOpacitySlider = "LayerOpacity";
constexpr const char* kFirstMaskPage = "Button10";     // "|<"
constexpr const char* kPreviousMaskPage = "Button11";  // "<"
constexpr const char* kNextMaskPage = "Button15";      // ">"
constexpr const char* kLastMaskPage = "Button16";      // ">|"
constexpr const char* kRemoveMask = "Button17";        // "Remove the mask"

// Mask thumbnail Number (1 to MasksPerPage, three to a row) of the page shown, and the outline
// around it.
inline std::string MaskThumb(int Number) {
  return "Image" + std::to_string(Number);
}
inline std::string MaskThumbFrame(int Number) {
  return "Shape" + std::to_string(Number);
}

// --- Main window, "Text Properties" side panel (texts) ----------------------------------------
constexpr const char* kTextPanel = "pnlText";
constexpr const char* kTextEdit = "Edit1";     // the text and, through its font, the look
constexpr const char* kTextFont = "BitBtn2";   // "Font"
constexpr const char* kTextColor = "BitBtn1";  // "Color"
constexpr const char* kApplyText = "BitBtn3";  // "Apply"

// --- New Image dialog -------------------------------------------------------------------------
constexpr const char* kNewImageWidthLabel = "Label1";  // "Width:"
constexpr const char* kNewImageWidth = "ImageWidth";
constexpr const char* kNewImageWidthArrows = "UpDown1";
constexpr const char* kNewImageWidthUnit = "Label3";    // "pixels"
constexpr const char* kNewImageHeightLabel = "Label2";  // "Height:"
constexpr const char* kNewImageHeight = "ImageHeight";
constexpr const char* kNewImageHeightArrows = "UpDown2";
constexpr const char* kNewImageHeightUnit = "Label4";    // "pixels"
constexpr const char* kNewImageColorLabel = "Label5";    // "Background Color:"
constexpr const char* kNewImageSwatch = "Panel1";        // the fill colour of the new canvas
constexpr const char* kNewImageSelectColor = "Button1";  // "Select"
constexpr const char* kNewImageOk = "Button2";
constexpr const char* kNewImageCancel = "Button3";

// --- Background dialog ("BackGround AdJust") ----------------------------------------------------
constexpr const char* kBackgroundSizeGroup = "GroupBox1";  // "Adjust Size"
constexpr const char* kBackgroundWidthLabel = "Label1";    // "Width:"
constexpr const char* kBackgroundWidth = "ImageWidth";
constexpr const char* kBackgroundWidthArrows = "UpDown1";
constexpr const char* kBackgroundWidthUnit = "Label3";    // "pixels"
constexpr const char* kBackgroundHeightLabel = "Label2";  // "Height:"
constexpr const char* kBackgroundHeight = "ImageHeight";
constexpr const char* kBackgroundHeightUnit = "Label4";    // "pixels"
constexpr const char* kBackgroundFillGroup = "GroupBox2";  // "Set BackGround"
constexpr const char* kBackgroundColorOption = "RadioButton1";
constexpr const char* kBackgroundSwatch = "Shape1";
constexpr const char* kBackgroundSelectColor = "BitBtn1";
constexpr const char* kBackgroundPictureOption = "RadioButton2";
constexpr const char* kBackgroundSelectPicture = "BitBtn2";
constexpr const char* kBackgroundOk = "Button1";
constexpr const char* kBackgroundCancel = "Button2";

}  // namespace pictavia
