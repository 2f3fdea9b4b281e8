// Output files: a failed write leaves the old file as it was, links and modes are respected,
// special files are refused, and no temporary file outlives the write.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include "document/output_file.h"
#include "raster/bitmap32.h"
#include "test_support.h"
#include "toolkit/exceptions.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& Path) {
  std::ifstream in(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Put(const fs::path& Path, const std::string& Text) {
  std::ofstream(Path, std::ios::binary) << Text;
}

mode_t ModeOf(const fs::path& Path) {
  struct stat st {};
  stat(Path.c_str(), &st);
  return st.st_mode & 07777;
}

const TBitmap32& Picture(int W, int H) {
  static TBitmap32 b;
  b.SetSize(W, H);
  b.Clear(0xFF336699u);
  return b;
}

using testsupport::ErrorOf;
using testsupport::NamesIn;
using testsupport::SmallFileSystem;

TEST(OutputFile, AWriteThatFailsLeavesTheOldFileAndNoTemporaryFile) {
  testsupport::TempDir dir;
  const fs::path out = dir / "out.bmp";
  Put(out, "the old picture");
  std::string error;
  {
    // 454 bytes stay in the stream's buffer: the failure shows only when it is closed.
    testsupport::FileSizeLimit limit(100);
    error = ErrorOf([&] { SaveBitmapAtomically(Picture(10, 10), out.string()); });
  }
  EXPECT_EQ(error, "Cannot write file \"" + out.string() + "\". " + std::strerror(EFBIG));
  EXPECT_EQ(Slurp(out), "the old picture");
  EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"out.bmp"});

  // An exception from the writing itself: the same.
  error = ErrorOf([&] {
    WriteFileAtomically(out.string(), [](TStream& s) {
      s.WriteU32LE(1);
      throw EWriteError("the picture could not be made");
    });
  });
  EXPECT_EQ(error, "the picture could not be made");
  EXPECT_EQ(Slurp(out), "the old picture");
  EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"out.bmp"});

  SaveBitmapAtomically(Picture(10, 10), out.string());
  EXPECT_EQ(fs::file_size(out), 54u + 400u);
}

TEST(OutputFile, AFullDiskLeavesTheOldFile) {
  SmallFileSystem disk(64);
  if (!disk.Mounted())
    GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno)
                 << "); the injected write failure covers the case";
  const fs::path out = disk / "out.bmp";
  Put(out, "the old picture");
  // Fill the disk to the last byte.
  {
    std::ofstream filler(disk / "filler", std::ios::binary);
    const std::string block(4096, 'x');
    while (filler.write(block.data(), static_cast<std::streamsize>(block.size()))) {
    }
  }
  const std::string error = ErrorOf([&] { SaveBitmapAtomically(Picture(4, 4), out.string()); });
  EXPECT_NE(error.find(out.string()), std::string::npos) << error;
  EXPECT_NE(error.find(std::strerror(ENOSPC)), std::string::npos) << error;
  EXPECT_EQ(Slurp(out), "the old picture");
  EXPECT_EQ(NamesIn(disk / ""), (std::vector<std::string>{"filler", "out.bmp"}));
}

TEST(OutputFile, LinksAreFollowedAndTheModeIsKept) {
  testsupport::TempDir dir;
  fs::create_directory(dir / "real");
  const fs::path target = dir / "real" / "private.bmp";
  Put(target, "old");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink("real/private.bmp", dir / "link.bmp");

  SaveBitmapAtomically(Picture(2, 2), (dir / "link.bmp").string());
  EXPECT_TRUE(fs::is_symlink(dir / "link.bmp"));
  EXPECT_EQ(fs::file_size(target), 54u + 16u);
  EXPECT_EQ(ModeOf(target), 0600u);
  EXPECT_EQ(NamesIn(dir / "real"), std::vector<std::string>{"private.bmp"});

  // A link to a file still to be made: the file is made where the link points.
  fs::create_symlink("real/new.bmp", dir / "dangling.bmp");
  SaveBitmapAtomically(Picture(2, 2), (dir / "dangling.bmp").string());
  EXPECT_TRUE(fs::is_symlink(dir / "dangling.bmp"));
  EXPECT_TRUE(fs::is_regular_file(dir / "real" / "new.bmp"));
  // A new file gets what the process's umask allows.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(ModeOf(dir / "real" / "new.bmp"), 0666u & ~mask);

  // A file with a second hard link: the name written gets the new picture; the other name
  // keeps the old one (writing in place could damage it when the write fails).
  Put(dir / "a.bmp", "old");
  fs::create_hard_link(dir / "a.bmp", dir / "b.bmp");
  SaveBitmapAtomically(Picture(2, 2), (dir / "a.bmp").string());
  EXPECT_EQ(fs::file_size(dir / "a.bmp"), 54u + 16u);
  EXPECT_EQ(Slurp(dir / "b.bmp"), "old");
}

TEST(OutputFile, AFileThatMayNotBeWrittenIsRefusedAndStays) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
  testsupport::TempDir dir;
  const fs::path out = dir / "read-only.bmp";
  Put(out, "old");
  fs::permissions(out, fs::perms::owner_read);
  const std::string error = ErrorOf([&] { SaveBitmapAtomically(Picture(2, 2), out.string()); });
  EXPECT_EQ(error, "Cannot create file \"" + out.string() + "\". " + std::strerror(EACCES));
  EXPECT_EQ(Slurp(out), "old");
}

TEST(OutputFile, OutputsThatAreNotRegularFilesAreRefused) {
  testsupport::TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo.bmp").c_str(), 0600), 0);
  fs::create_directory(dir / "folder.bmp");
  fs::create_symlink("/dev/null", dir / "device.bmp");
  struct Case {
    std::string Name, Reason;
  };
  for (const Case& c :
       {Case{"fifo.bmp", "Not a regular file"}, Case{"folder.bmp", std::strerror(EISDIR)},
        Case{"device.bmp", "Not a regular file"}}) {
    const std::string name = (dir / c.Name).string();
    EXPECT_EQ(ErrorOf([&] { SaveBitmapAtomically(Picture(2, 2), name); }),
              "Cannot create file \"" + name + "\". " + c.Reason);
  }
  EXPECT_EQ(fs::status(dir / "fifo.bmp").type(), fs::file_type::fifo);
  EXPECT_TRUE(fs::is_directory(dir / "folder.bmp"));
  EXPECT_TRUE(fs::is_symlink(dir / "device.bmp"));
  EXPECT_EQ(fs::status("/dev/null").type(), fs::file_type::character);
  EXPECT_EQ(NamesIn(dir.Path()),
            (std::vector<std::string>{"device.bmp", "fifo.bmp", "folder.bmp"}));
}

TEST(OutputFile, TheTemporaryFileHasAShortNameBesideTheTarget) {
  testsupport::TempDir dir;
  const std::string longName(250, 'n');
  const fs::path out = dir / (longName + ".bmp");
  std::vector<std::string> during;
  WriteFileAtomically(out.string(), [&](TStream& s) {
    s.WriteU32LE(7);
    during = NamesIn(dir.Path());
  });
  ASSERT_EQ(during.size(), 1u);
  EXPECT_LE(during[0].size(), 20u) << during[0];
  EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{out.filename().string()});
  EXPECT_EQ(fs::file_size(out), 4u);
}

TEST(OutputFileDeathTest, SigtermDuringTheWriteRemovesTheTemporaryFile) {
  // The child is forked, so it writes into this test's folder.
  GTEST_FLAG_SET(death_test_style, "fast");
  testsupport::TempDir dir;
  const fs::path out = dir / "out.bmp";
  Put(out, "old");
  for (int signal : {SIGTERM, SIGINT}) {
    EXPECT_EXIT(WriteFileAtomically(out.string(),
                                    [signal](TStream& s) {
                                      s.WriteU32LE(7);
                                      std::raise(signal);
                                    }),
                testing::KilledBySignal(signal), "");
    EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"out.bmp"});
    EXPECT_EQ(Slurp(out), "old");
  }
  // After a write the signals have their old course again.
  WriteFileAtomically(out.string(), [](TStream& s) { s.WriteU32LE(7); });
  struct sigaction now {};
  sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
}

}  // namespace

}  // namespace pictavia
