// Recovery projects: written after every change, removed when the work is saved or the window
// ends normally, never shared between two editors, offered again after an editor was killed
// (SIGKILL, through a real window in a child process), and set aside when damaged.
#include <QCoreApplication>
#include <QProcess>
#include <QThread>
#include <chrono>
#include <cstdlib>
#include <fstream>

#include "app/internal/recovery_file.h"
#include "document/project_file.h"
#include "main_form_test_support.h"

namespace pictavia {

namespace {

namespace fs = std::filesystem;

class RecoveryTest : public MainFormTest {
 protected:
  void MakeMasks() override {
    fs::create_directories(Program / "Masks");
    picturefiles::WriteJpeg(Program / "Masks" / "1.jpg", 16, 12, 0xFF707070u);
  }
  std::vector<unsigned char> Saved(const std::string& File) {
    Dialogs.AnswerSave(File);
    Click(kSave);
    return testsupport::ReadFileBytes(File);
  }
  // A new window whose recovery folder is the one of State.
  void RestartIn(const fs::path& State) {
    Form.reset();
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(State.string()));
    Form = std::make_unique<TMainForm>(nullptr, &Dialogs);
    Form->show();
    Flush();
  }
  void TearDown() override {
    Form.reset();
    if (!oldDataHome.isEmpty()) qputenv("XDG_DATA_HOME", oldDataHome);
    MainFormTest::TearDown();
  }
  QByteArray oldDataHome = qgetenv("XDG_DATA_HOME");
};

TEST_F(RecoveryTest, WrittenAfterEachChangeAndRemovedWhenSavedOrClosed) {
  const std::string file = Form->Recovery().Path();
  EXPECT_FALSE(fs::exists(file));  // nothing to keep yet
  AddBar();
  ASSERT_TRUE(fs::exists(file));
  TPictureStore store;
  EXPECT_EQ(OpenProject(file, store, (Program / "Masks").string()).Document.Objects.size(), 1u);
  Click(kRotate);
  const auto bytes = testsupport::ReadFileBytes(file);
  EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("\"rotate\""), std::string::npos);

  Form->SaveProjectAs((temp / "kept.pictavia").string());
  EXPECT_FALSE(fs::exists(file));
  Form->Undo();
  EXPECT_TRUE(fs::exists(file));
  Form.reset();  // the window's normal end
  EXPECT_FALSE(fs::exists(file));
}

TEST_F(RecoveryTest, ASecondEditorNeitherOffersNorOverwritesTheFirstOnesFile) {
  AddBar();
  const std::string first = Form->Recovery().Path();
  const auto firstBytes = testsupport::ReadFileBytes(first);
  TMainForm second(nullptr, &Dialogs);
  const size_t questions = Dialogs.RequestsOf(dkMessageBox).size();
  second.OfferRecovery();
  EXPECT_EQ(Dialogs.RequestsOf(dkMessageBox).size(), questions);
  EXPECT_NE(second.Recovery().Path(), first);
  second.SpeedButton6Click();  // a bar in the second window
  EXPECT_TRUE(fs::exists(second.Recovery().Path()));
  EXPECT_TRUE(testsupport::ReadFileBytes(first) == firstBytes);
}

TEST_F(RecoveryTest, ADamagedFileIsSetAsideWithAMessageAndTheStartGoesOn) {
  const fs::path state = temp / "state";
  RestartIn(state);
  const std::string folder = Form->Recovery().Folder();
  fs::create_directories(folder);
  const std::string damaged = picturefiles::WriteText(fs::path(folder) / "1-1.pictavia", "{\"pic");
  const std::string refused = picturefiles::WriteText(fs::path(folder) / "2-2.pictavia", "{}");
  Dialogs.AnswerMessage(IDNO);   // the newer one: deleted
  Dialogs.AnswerMessage(IDYES);  // the damaged one: set aside
  fs::last_write_time(refused, fs::last_write_time(damaged) + std::chrono::seconds(5));
  Form->OfferRecovery();
  EXPECT_FALSE(fs::exists(refused));
  EXPECT_FALSE(fs::exists(damaged));
  EXPECT_TRUE(fs::exists(damaged + ".damaged"));
  const TDialogRequest message = Dialogs.RequestsOf(dkMessageBox).back();
  EXPECT_NE(message.Text.find(damaged + ".damaged"), std::string::npos) << message.Text;
  EXPECT_NE(message.Text.find("not valid JSON"), std::string::npos) << message.Text;
  EXPECT_TRUE(Form->Document().Objects.empty());
  EXPECT_EQ(Dialogs.PendingAnswers(), 0u);
}

// Run only as the child of the next test: makes changes in a real window, saves what it shows,
// says so and waits to be killed.
TEST_F(RecoveryTest, WorkerKilledAfterChanges) {
  const char* dir = std::getenv("PICTAVIA_RECOVERY_WORKER");
  if (!dir) GTEST_SKIP() << "runs as the child of KilledEditorComesBackWhole";
  const fs::path shared(dir);
  // The test main gives every run a state folder of its own; the worker shares its parent's.
  RestartIn(shared / "state");
  AddPhoto(picturefiles::WriteBmp(shared / "photo.bmp", 120, 80, 0xFF3070B0u));
  Click(kRotate);
  ClickThumb(1);
  AddBar();
  Drag(320, 240, 300, 200);
  Saved((shared / "expected.bmp").string());
  std::ofstream(shared / "ready") << Form->Recovery().Path();
  for (;;) {
    Flush();
    QThread::msleep(50);
  }
}

TEST_F(RecoveryTest, KilledEditorComesBackWhole) {
  const fs::path state = temp / "state";
  QProcess worker;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("PICTAVIA_RECOVERY_WORKER", QString::fromStdString(temp.Path().string()));
  env.insert("QT_QPA_PLATFORM", "offscreen");
  worker.setProcessEnvironment(env);
  worker.start(QCoreApplication::applicationFilePath(),
               {"--gtest_filter=RecoveryTest.WorkerKilledAfterChanges"});
  ASSERT_TRUE(worker.waitForStarted(30000));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
  while (!fs::exists(temp / "ready") && std::chrono::steady_clock::now() < deadline &&
         worker.state() == QProcess::Running)
    worker.waitForFinished(100);
  ASSERT_TRUE(fs::exists(temp / "ready")) << worker.readAllStandardOutput().toStdString();
  worker.kill();  // SIGKILL: nothing of the editor's own ending runs
  worker.waitForFinished(30000);
  std::string left;
  std::getline(std::ifstream(temp / "ready"), left);
  ASSERT_TRUE(fs::exists(left));

  RestartIn(state);
  EXPECT_EQ(fs::path(left).parent_path().string(), Form->Recovery().Folder());
  Dialogs.AnswerMessage(IDYES);
  Form->OfferRecovery();
  ASSERT_FALSE(Dialogs.RequestsOf(dkMessageBox).empty()) << "no question";
  const TDialogRequest question = Dialogs.RequestsOf(dkMessageBox).back();
  EXPECT_EQ(question.Caption, "Restore");
  EXPECT_TRUE(Form->Modified());
  EXPECT_EQ(Form->ProjectFile(), "");
  EXPECT_FALSE(fs::exists(left));
  EXPECT_TRUE(Saved((temp / "restored.bmp").string()) ==
              testsupport::ReadFileBytes(temp / "expected.bmp"));
  // The restored work is kept by this editor now.
  EXPECT_TRUE(fs::exists(Form->Recovery().Path()));
}

}  // namespace

}  // namespace pictavia
