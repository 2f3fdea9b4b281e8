// Files dropped on the view from a file manager, as drop events carrying their URLs: where they
// land, what they become, and what cannot be added.
#include <QDropEvent>
#include <QMimeData>
#include <QProgressDialog>
#include <QUrl>

#include "document/project_file.h"
#include "main_form_test_support.h"

namespace pictavia {

namespace {

class MainFormDropTest : public MainFormTest {
 protected:
  static QMimeData* Carrying(const std::vector<std::string>& Files) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const std::string& file : Files) urls << QUrl::fromLocalFile(QString::fromStdString(file));
    data->setUrls(urls);
    return data;
  }
  // A drag entering the view at canvas point (X, Y), then the drop there; whether the view took
  // the drag.
  bool DropAt(const std::vector<std::string>& Files, int X, int Y) {
    std::unique_ptr<QMimeData> data(Carrying(Files));
    const TPoint p = Form->ImgView->BitmapToView(X, Y);
    const QPointF at(p.X, p.Y);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Form->ImgView, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Form->ImgView, &drop);
    Flush();
    return drop.isAccepted();
  }
  static TFloatPoint Middle(const TBitmapLayer* Layer) {
    const TFloatRect r = Layer->Location();
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
};

TEST_F(MainFormDropTest, DroppedPicturesAreAddedInOrderCentredOnTheDropPoint) {
  Form->ImgView->SetScale(0.5f);
  const std::string first = PhotoFile("first.bmp", 40, 30, 0xFF102030u);
  const std::string clip = picturefiles::WritePng(temp / "star.png", 20, 10, 0x40FFFF00u);
  const std::string last = PhotoFile("last.bmp", 60, 50, 0xFF405060u);
  ASSERT_TRUE(DropAt({first, clip, last}, 100, 80));
  const std::vector<TBitmapLayer*> added = Objects();
  ASSERT_EQ(added.size(), 3u);
  EXPECT_EQ(added[0]->Bitmap().GetPixel(0, 0), 0xFF102030u);
  EXPECT_NE(dynamic_cast<TPngLayer*>(added[1]), nullptr);
  EXPECT_EQ(added[2]->Bitmap().GetPixel(0, 0), 0xFF405060u);
  EXPECT_EQ(Form->SelectedLayer(), added[2]);
  for (TBitmapLayer* object : added) {
    EXPECT_NEAR(Middle(object).X, 100.0f, 1.0f);
    EXPECT_NEAR(Middle(object).Y, 80.0f, 1.0f);
  }
  EXPECT_TRUE(Dialogs.Requests().empty());
  // The progress window is gone once the files are in.
  EXPECT_EQ(Form->findChild<QProgressDialog*>(), nullptr);
}

TEST_F(MainFormDropTest, UnreadableFilesAreNamedOnceAfterTheOthers) {
  const std::string good = PhotoFile("good.bmp", 40, 30);
  const std::string broken = picturefiles::WriteText(temp / "broken.jpg", "not a picture");
  const std::string folder = (temp / "holiday").string();
  std::filesystem::create_directory(folder);
  ASSERT_TRUE(DropAt({broken, good, folder}, 50, 50));
  EXPECT_EQ(Objects().size(), 1u);
  ASSERT_EQ(Dialogs.Messages().size(), 1u);
  const std::string text = Dialogs.Messages()[0];
  for (const std::string& file : {broken, folder})
    EXPECT_NE(text.find(file + "\n"), std::string::npos) << file << "\n" << text;
  EXPECT_EQ(text.find(good), std::string::npos);
}

TEST_F(MainFormDropTest, ADroppedProjectReplacesTheCompositionAsOpenProjectDoes) {
  AddPhoto(PhotoFile("photo.bmp", 90, 60, 0xFF3070B0u));
  AddBar();
  const std::string project = (temp / "album.pictavia").string();
  Form->SaveProjectAs(project);
  const std::vector<unsigned char> bytes = testsupport::ReadFileBytes(project);
  Form->NewCanvas(500, 400, clWhite32);
  AddPhoto(PhotoFile("other.bmp", 30, 20, 0xFF00FF00u));
  ASSERT_TRUE(Form->Modified());

  // Unsaved changes are only left when the user says so: No keeps them, Yes opens the project.
  const std::string unsaved = ProjectJson(Form->Document(), temp.Path().string());
  Dialogs.ClearLog();
  Dialogs.AnswerMessage(IDNO);
  ASSERT_TRUE(DropAt({project}, 50, 50));
  ASSERT_EQ(Dialogs.RequestsOf(dkMessageBox).size(), 1u);
  EXPECT_NE(Dialogs.RequestsOf(dkMessageBox)[0].Text.find("not saved"), std::string::npos);
  EXPECT_EQ(ProjectJson(Form->Document(), temp.Path().string()), unsaved);
  EXPECT_TRUE(Form->Modified());
  Dialogs.AnswerMessage(IDYES);
  ASSERT_TRUE(DropAt({project}, 50, 50));
  EXPECT_EQ(Dialogs.PendingAnswers(), 0u);
  EXPECT_EQ(Form->ProjectFile(), project);
  EXPECT_FALSE(Form->Modified());
  EXPECT_EQ(ProjectJson(Form->Document(), temp.Path().string()),
            std::string(bytes.begin(), bytes.end()));
  EXPECT_EQ(Form->ImgView->Bitmap()->Width(), 640);
}

TEST_F(MainFormDropTest, ADamagedProjectIsNamedAndNothingIsLost) {
  const std::string kept = PhotoFile("kept.bmp", 90, 60, 0xFF3070B0u);
  AddPhoto(kept);
  const std::string before = ProjectJson(Form->Document(), temp.Path().string());
  const std::string damaged =
      picturefiles::WriteText(temp / "damaged.pictavia", "{\"pictavia\": 1, \"canvas\": [");
  const std::string photo = PhotoFile("dropped.bmp", 40, 30, 0xFF00FF00u);
  ASSERT_TRUE(DropAt({damaged, photo}, 50, 50));
  ASSERT_EQ(Dialogs.Messages().size(), 1u);
  EXPECT_NE(Dialogs.Messages()[0].find(damaged), std::string::npos) << Dialogs.Messages()[0];
  EXPECT_EQ(Form->ProjectFile(), "");
  // The composition as it was, and the picture dropped with the project added to it.
  ASSERT_EQ(Form->Document().Objects.size(), 2u);
  EXPECT_EQ(Objects()[1]->Bitmap().GetPixel(0, 0), 0xFF00FF00u);
  ASSERT_TRUE(Form->CanUndo());
  Form->Undo();
  EXPECT_EQ(ProjectJson(Form->Document(), temp.Path().string()), before);
}

TEST_F(MainFormDropTest, HundredsOfFilesAreAddedAndCancelStopsAfterTheCurrentOne) {
  const std::string photo = PhotoFile("small.bmp", 8, 6);
  const std::vector<std::string> many(300, photo);
  ASSERT_TRUE(DropAt(many, 10, 10));
  EXPECT_EQ(Objects().size(), 300u);

  Form->NewCanvas(200, 200, clWhite32);
  // Cancel as the dialog first hears the user: while the first file is being added.
  QTimer::singleShot(0, [this] {
    auto* progress = Form->findChild<QProgressDialog*>();
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(progress->maximum(), 300);
    progress->cancel();
  });
  Form->AddPictureFiles(many, TPoint{10, 10});
  EXPECT_EQ(Objects().size(), 1u);
  EXPECT_TRUE(Dialogs.Requests().empty());
}

TEST_F(MainFormDropTest, ADragWithoutFilesIsNotTaken) {
  auto text = std::make_unique<QMimeData>();
  text->setText("just words");
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, text.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Form->ImgView, &enter);
  EXPECT_FALSE(enter.isAccepted());
  EXPECT_FALSE(DropAt({}, 10, 10));
  EXPECT_TRUE(Objects().empty());
}

}  // namespace

}  // namespace pictavia
