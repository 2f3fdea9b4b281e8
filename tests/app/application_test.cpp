// The default exception handler of TApplication, and the scripted dialog service the app tests
// rely on.
#include <stdexcept>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include "app/application.h"
#include "scripted_dialogs.h"
#include "toolkit/exceptions.h"

namespace pictavia {

namespace {

// A press and release in the middle of a button, delivered through the application.
void ClickThroughEvents(QPushButton& Button) {
  const QPointF at(Button.width() / 2.0, Button.height() / 2.0);
  const QPointF global = Button.mapToGlobal(at);
  QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QCoreApplication::sendEvent(&Button, &press);
  QCoreApplication::sendEvent(&Button, &release);
}

// A plain object whose event handler throws on user events.
class TThrowingObject : public QObject {
 public:
  int Events = 0;

 protected:
  bool event(QEvent* Event) override {
    if (Event->type() != QEvent::User) return QObject::event(Event);
    ++Events;
    throw EInvalidGraphic("Invalid image");
  }
};

}  // namespace

TEST(Application, GuardedSlotShowsItsExceptionAndTheButtonStaysUsable) {
  TApplication* app = TApplication::Instance();
  ASSERT_NE(app, nullptr) << "the app suite runs under TApplication";
  const std::string oldTitle = app->Title();
  app->SetTitle("Pictavia");

  TScriptedDialogs dialogs;
  QPushButton button("Save");
  button.resize(80, 24);
  int clicks = 0;
  QObject::connect(&button, &QPushButton::clicked, Guarded([&] {
    ++clicks;
    throw EFCreateError("Cannot create file \"/nowhere/x.bmp\". No such file or directory");
  }));
  ClickThroughEvents(button);
  ClickThroughEvents(button);
  EXPECT_EQ(clicks, 2) << "the button must stay usable after the exception";
  EXPECT_FALSE(button.isDown());
  const auto shown = dialogs.RequestsOf(dkMessageBox);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].Text, "Cannot create file \"/nowhere/x.bmp\". No such file or directory");
  EXPECT_EQ(shown[0].Caption, "Pictavia");
  EXPECT_EQ(shown[0].Flags, MB_OK | MB_ICONERROR);
  app->SetTitle(oldTitle);
}

TEST(Application, NotifyShowsWhatEscapesEventHandlersAndQueuedCalls) {
  TScriptedDialogs dialogs;
  TThrowingObject object;
  QEvent user(QEvent::User);
  EXPECT_FALSE(QCoreApplication::sendEvent(&object, &user));
  QCoreApplication::postEvent(&object, new QEvent(QEvent::User));
  // Queued work and timers run from the event loop, through the same handler.
  QMetaObject::invokeMethod(
      &object, [] { throw std::runtime_error("queued failure"); }, Qt::QueuedConnection);
  QTimer::singleShot(0, &object, [] { throw 42; });
  QMetaObject::invokeMethod(
      &object, [] { throw EAbort(); }, Qt::QueuedConnection);  // silent
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();

  EXPECT_EQ(object.Events, 2);
  EXPECT_EQ(dialogs.Messages(),
            (std::vector<std::string>{"Invalid image", "Invalid image", "queued failure",
                                      "An unknown exception was raised"}));
}

TEST(ScriptedDialogs, BecomesTheApplicationServiceWhileItLives) {
  TApplication* app = TApplication::Instance();
  ASSERT_NE(app, nullptr);
  TDialogService* before = app->AssignedDialogService();
  {
    TScriptedDialogs outer;
    EXPECT_EQ(&ApplicationDialogService(), &outer);
    {
      TScriptedDialogs inner;
      EXPECT_EQ(&ApplicationDialogService(), &inner);
    }
    EXPECT_EQ(&ApplicationDialogService(), &outer);
  }
  EXPECT_EQ(app->AssignedDialogService(), before);
}

TEST(ScriptedDialogs, AnswersInOrderAndLogsTheRequests) {
  TScriptedDialogs dialogs;
  dialogs.AnswerMessage(IDNO);
  dialogs.AnswerMessage(IDYES);
  EXPECT_EQ(dialogs.MessageBox(nullptr, "Delete the selected?", "Please make sure", 36), IDNO);
  EXPECT_EQ(dialogs.MessageBox(nullptr, "Delete the selected?", "Please make sure", 36), IDYES);
  EXPECT_EQ(dialogs.MessageBox(nullptr, "Saved", "Pictavia", MB_OK), IDOK);  // answers itself

  TOpenDialogState open;
  open.FileName = "kept.jpg";
  dialogs.AnswerOpenWith([](TOpenDialogState& s) {
    s.FileName = "changed.jpg";
    return false;  // cancelled: the change must not reach the caller
  });
  dialogs.AnswerOpen("/photos/a.jpg");
  EXPECT_FALSE(dialogs.ExecuteOpenPicture(nullptr, open));
  EXPECT_EQ(open.FileName, "kept.jpg");
  EXPECT_TRUE(dialogs.ExecuteOpenPicture(nullptr, open));
  EXPECT_EQ(open.FileName, "/photos/a.jpg");

  TSaveDialogState save;
  dialogs.CancelSave();
  dialogs.AnswerSave("collage");
  EXPECT_FALSE(dialogs.ExecuteSave(nullptr, save));
  EXPECT_TRUE(dialogs.ExecuteSave(nullptr, save));
  EXPECT_EQ(save.FileName, "collage");

  TFont font;
  font.SetName("Arial");
  dialogs.AnswerFontWith([](TFont& f) { f.SetSize(20); });
  dialogs.CancelFont();
  EXPECT_TRUE(dialogs.ExecuteFont(nullptr, font));
  EXPECT_FALSE(dialogs.ExecuteFont(nullptr, font));
  EXPECT_EQ(font.Size(), 20);

  ASSERT_EQ(dialogs.Requests().size(), 9u);
  EXPECT_EQ(dialogs.Requests()[3].Open.FileName, "kept.jpg");
  EXPECT_EQ(dialogs.RequestsOf(dkFont)[0].FontName, "Arial");
  EXPECT_EQ(dialogs.PendingAnswers(), 0u);
}

TEST(ScriptedDialogs, UnscriptedQuestionsAndUnusedAnswersFailTheTest) {
  EXPECT_NONFATAL_FAILURE(
      {
        TScriptedDialogs dialogs;
        EXPECT_EQ(dialogs.MessageBox(nullptr, "Are you sure to quit?", "Please make sure", 36),
                  IDNO);
      },
      "\"Are you sure to quit?\" but the test scripted no answer");
  EXPECT_NONFATAL_FAILURE(
      {
        TScriptedDialogs dialogs;
        TColor c = clRed;
        EXPECT_FALSE(dialogs.ExecuteColor(nullptr, c));
        EXPECT_EQ(c, clRed);
      },
      "colour dialog");
  EXPECT_NONFATAL_FAILURE(
      {
        TScriptedDialogs dialogs;
        dialogs.AnswerColor(clBlue);
      },
      "never asked for");
}

}  // namespace pictavia
