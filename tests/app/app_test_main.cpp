// Test main of the app suite: the editor's own TApplication on the offscreen platform, so events
// reach its exception handler as in the program. Any dialog shown while no TScriptedDialogs is
// alive fails the test instead of waiting for a user.
#include <cstdlib>

#include <gtest/gtest.h>

#include "app/application.h"
#include "qt_test_support.h"
#include "test_support.h"

namespace pictavia {

namespace {

class TNoDialogs : public TDialogService {
 public:
  int MessageBox(QWidget*, const std::string& Text, const std::string&, int) override {
    Fail("message box \"" + Text + "\"");
    return IDNO;
  }
  void ShowMessage(QWidget*, const std::string& Text) override { Fail("message \"" + Text + "\""); }
  bool ExecuteOpenPicture(QWidget*, TOpenDialogState&) override { return Fail("open dialog"); }
  bool ExecuteSave(QWidget*, TSaveDialogState&) override { return Fail("save dialog"); }
  bool ExecuteColor(QWidget*, TColor&) override { return Fail("colour dialog"); }
  bool ExecuteFont(QWidget*, TFont&) override { return Fail("font dialog"); }
  bool ExecuteJpegQuality(QWidget*, int&) override { return Fail("JPEG quality dialog"); }
  bool OpenDocument(const std::string& FileName) override { return Fail("document " + FileName); }

 private:
  static bool Fail(const std::string& What) {
    ADD_FAILURE() << "a " << What << " was shown while no TScriptedDialogs was alive";
    return false;
  }
};

}  // namespace

}  // namespace pictavia

int main(int argc, char** argv) {
  pictavia::testsupport::UseOffscreenPlatformWithoutDisplay();
  // Whatever a test writes with QSettings lands in a folder of its own, not the user's config;
  // the editors' recovery projects go to a folder of this run, not the user's.
  pictavia::testsupport::TempDir config;
  setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
  const pictavia::testsupport::TempDir state;
  setenv("XDG_DATA_HOME", state.Path().c_str(), 1);
  pictavia::TApplication app(argc, argv);
  pictavia::TNoDialogs noDialogs;
  app.SetDialogService(&noDialogs);
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  app.SetDialogService(nullptr);
  return result;
}
