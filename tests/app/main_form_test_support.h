// The fixture of the main-window tests: a real TMainForm on the offscreen platform with scripted
// dialogs and its own program folder, and helpers that click its buttons, press and drag on
// its view in canvas coordinates, and answer its modal dialogs.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QSettings>
#include <QTimer>

#include "app/main_form.h"
#include "codecs/codecs.h"
#include "document/program_folder.h"
#include "editor_controls.h"
#include "layers/color_layer.h"
#include "layers/png_layer.h"
#include "layers/text_layer.h"
#include "picture_files.h"
#include "qt_test_support.h"
#include "scripted_dialogs.h"
#include "test_support.h"

namespace pictavia {

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterCodecPictureFormats();
    Program = temp.Path() / "program";
    std::filesystem::create_directories(Program / "Clips");
    MakeMasks();
    SetProgramFolder(Program.string());
    // The window's settings go to this test's own folder, never the user's.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString((temp / "config").string()));
    Form = std::make_unique<TMainForm>(nullptr, &Dialogs);
    Form->show();
    Flush();
  }
  void TearDown() override {
    Form.reset();
    SetProgramFolder("");
  }
  // Fixtures that need masks write them here; the folder is scanned when the window is made.
  virtual void MakeMasks() {}

  static void Flush() { testsupport::Flush(); }

  template <class T>
  T* Find(const char* Name) const {
    T* w = Form->findChild<T*>(QString::fromLatin1(Name));
    EXPECT_NE(w, nullptr) << "no control " << Name;
    return w;
  }
  // A real click on a button, as the user makes it (only while the button is shown).
  void Click(const char* Name) {
    auto* b = Find<QAbstractButton>(Name);
    ASSERT_TRUE(b->isVisible()) << Name << " is hidden";
    b->click();
    Flush();
  }
  bool Shown(const char* Name) const { return Find<QWidget>(Name)->isVisible(); }

  // A real click on mask thumbnail ImageN.
  void ClickThumb(int Number) {
    QWidget* t = Find<QWidget>(MaskThumb(Number).c_str());
    ASSERT_TRUE(t->isVisible());
    const QPointF at(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, at, t->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, t->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(t, &press);
    QApplication::sendEvent(t, &release);
    Flush();
  }

  // Mouse events on the view at canvas point (X, Y).
  void Mouse(QEvent::Type Type, float X, float Y, Qt::MouseButtons Held,
             Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
    const TPoint p = Form->ImgView->BitmapToView(static_cast<int>(X), static_cast<int>(Y));
    const QPointF at(p.X, p.Y);
    const Qt::MouseButton button = Type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(Type, at, Form->ImgView->mapToGlobal(at), button, Held, Modifiers);
    QApplication::sendEvent(Form->ImgView, &e);
  }
  void PressAt(float X, float Y) {
    Mouse(QEvent::MouseButtonPress, X, Y, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, X, Y, Qt::NoButton);
    Flush();
  }
  void Drag(float X0, float Y0, float X1, float Y1,
            Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
    Mouse(QEvent::MouseButtonPress, X0, Y0, Qt::LeftButton, Modifiers);
    Mouse(QEvent::MouseMove, (X0 + X1) / 2, (Y0 + Y1) / 2, Qt::LeftButton, Modifiers);
    Mouse(QEvent::MouseMove, X1, Y1, Qt::LeftButton, Modifiers);
    Mouse(QEvent::MouseButtonRelease, X1, Y1, Qt::NoButton, Modifiers);
    Flush();
  }

  // Runs Act on the modal dialog of type T as soon as it is shown.
  template <class T>
  static void WhenShown(std::function<void(T&)> Act) {
    QTimer::singleShot(0, [Act] {
      auto* dialog = dynamic_cast<T*>(QApplication::activeModalWidget());
      if (!dialog) {
        ADD_FAILURE() << "the expected dialog was not shown";
        if (QWidget* w = QApplication::activeModalWidget()) w->close();
        return;
      }
      Act(*dialog);
    });
  }

  // Adds a photo through the real button, answering the open dialog with File.
  TBitmapLayer* AddPhoto(const std::string& File) {
    Dialogs.AnswerOpen(File);
    Click(kAddPhoto);
    return Form->SelectedLayer();
  }
  std::string PhotoFile(const std::string& Name, int W, int H, TColor32 Color = 0xFF3070B0u) {
    return picturefiles::WriteBmp(temp / Name, W, H, Color);
  }
  TBitmapLayer* AddBar() {
    Click(kAddColorBar);
    return Form->SelectedLayer();
  }
  TPoint Centre() const { return ViewCentre(*Form->ImgView); }
  // The view's objects bottom first (the selection frame is not one).
  std::vector<TBitmapLayer*> Objects() const {
    std::vector<TBitmapLayer*> objects;
    TLayerCollection& layers = *Form->ImgView->Layers();
    for (int i = 0; i < layers.Count(); ++i)
      if (auto* object = dynamic_cast<TBitmapLayer*>(layers.Items(i))) objects.push_back(object);
    return objects;
  }

  testsupport::TempDir temp;
  std::filesystem::path Program;
  TScriptedDialogs Dialogs;  // outlives the window
  std::unique_ptr<TMainForm> Form;
};

}  // namespace pictavia
