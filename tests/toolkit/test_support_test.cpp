// Where the suites find their input folders: a variable set when the tests run wins, and without
// one a suite run directly (not through CTest) still finds the folders known when it was built.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "test_support.h"

namespace pictavia {

namespace fs = std::filesystem;

namespace {

// Sets or removes an environment variable for one scope and restores it afterwards.
class TScopedEnv {
 public:
  TScopedEnv(const char* Name, const char* Value) : name_(Name) {
    if (const char* old = std::getenv(Name)) old_ = old;
    if (Value) {
      setenv(Name, Value, 1);
    } else {
      unsetenv(Name);
    }
  }
  ~TScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  TScopedEnv(const TScopedEnv&) = delete;
  TScopedEnv& operator=(const TScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace

TEST(TestSupport, TheEnvironmentWinsEvenForAFolderThatIsNotThere) {
  TScopedEnv corpus("PICTAVIA_CORPUS", "/elsewhere/corpus");
  TScopedEnv source("PICTAVIA_SOURCE", "/elsewhere/source");
  TScopedEnv bin("PICTAVIA_BIN", "/elsewhere/bin");
  EXPECT_EQ(testsupport::CorpusDir(), fs::path("/elsewhere/corpus"));
  EXPECT_EQ(testsupport::SourceDir(), fs::path("/elsewhere/source"));
  EXPECT_EQ(testsupport::BinDir(), fs::path("/elsewhere/bin"));
}

TEST(TestSupport, WithoutTheEnvironmentTheBuiltInFoldersServe) {
  TScopedEnv corpus("PICTAVIA_CORPUS", nullptr);
  TScopedEnv source("PICTAVIA_SOURCE", nullptr);
  TScopedEnv bin("PICTAVIA_BIN", nullptr);
  EXPECT_FALSE(testsupport::CorpusDir().empty());
  EXPECT_TRUE(fs::is_directory(testsupport::SourceDir() / "tests" / "crashers"))
      << testsupport::SourceDir();
  EXPECT_TRUE(fs::is_directory(testsupport::BinDir())) << testsupport::BinDir();
  // An empty variable counts as unset.
  TScopedEnv emptyCorpus("PICTAVIA_CORPUS", "");
  EXPECT_FALSE(testsupport::CorpusDir().empty());
}

}  // namespace pictavia
