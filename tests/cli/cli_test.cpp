// pictavia-cli's commands, run in-process: convert, png-draw and info, their errors, and that a
// failed command leaves no output file behind.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_commands.h"
#include "codecs/codecs.h"
#include "document/message_text.h"
#include "picture_files.h"
#include "raster/bitmap32.h"
#include "test_support.h"

namespace pictavia {

namespace {

struct CliRun {
  int Status;
  std::string Out, Err;
};

CliRun Cli(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int status = RunCli(args, out, err);
  return {status, out.str(), err.str()};
}

uint32_t PixelOfBmp(const std::string& path, int x, int y) {
  TBitmap32 b;
  b.LoadFromFile(path);
  return b.GetPixel(x, y);
}

}  // namespace

TEST(Cli, UsageAndUnknownCommands) {
  EXPECT_EQ(Cli({}).Status, 2);
  EXPECT_EQ(Cli({"--help"}).Status, 0);
  const CliRun r = Cli({"paint"});
  EXPECT_EQ(r.Status, 2);
  EXPECT_NE(r.Err.find("unknown command \"paint\""), std::string::npos);
  EXPECT_EQ(Cli({"png-draw", "a.png", "b.bmp", "--size", "12"}).Status, 2);
  EXPECT_EQ(Cli({"png-draw", "a.png", "b.bmp", "--background", "red"}).Status, 2);
}

TEST(Cli, ConvertWritesA32BitBmpAndFailsCleanly) {
  testsupport::TempDir dir;
  TBitmap32 source;
  source.SetSize(5, 4);
  source.Clear(0xFF204060);
  const std::string in = (dir / "in.bmp").string(), out = (dir / "out.bmp").string();
  source.SaveToFile(in);
  const CliRun ok = Cli({"convert", in, out});
  ASSERT_EQ(ok.Status, 0) << ok.Err;
  EXPECT_EQ(PixelOfBmp(out, 4, 3), 0xFF204060u);

  const std::string missing = (dir / "missing.jpg").string(), never = (dir / "never.bmp").string();
  const CliRun bad = Cli({"convert", missing, never});
  EXPECT_EQ(bad.Status, 1);
  EXPECT_NE(bad.Err.find("missing.jpg"), std::string::npos) << bad.Err;
  EXPECT_FALSE(std::filesystem::exists(never));

  const CliRun unwritable = Cli({"convert", in, (dir / "no-such-folder" / "x.bmp").string()});
  EXPECT_EQ(unwritable.Status, 1);
  EXPECT_TRUE(testsupport::FilesIn(dir.Path()).size() == 2u) << "no partial files left behind";
}

TEST(Cli, PngDrawBlendsOverTheBackgroundAndInfoDescribes) {
  PICTAVIA_REQUIRE_CORPUS("png/pngsuite");
  testsupport::TempDir dir;
  const std::string png = (testsupport::CorpusDir() / "png/pngsuite/basn6a08.png").string();
  const std::string out = (dir / "drawn.bmp").string();
  const CliRun r = Cli({"png-draw", png, out, "--size", "64x32", "--background", "#FF0000"});
  ASSERT_EQ(r.Status, 0) << r.Err;
  TBitmap32 b;
  b.LoadFromFile(out);
  EXPECT_EQ(b.Width(), 64);
  EXPECT_EQ(b.Height(), 32);
  // The picture's alpha runs from 0 at the left: the red background shows there.
  EXPECT_EQ(b.GetPixel(0, 0) & 0xFFFFFF, 0xFF0000u);

  const CliRun info = Cli({"info", png});
  ASSERT_EQ(info.Status, 0) << info.Err;
  EXPECT_NE(info.Out.find("32 x 32"), std::string::npos) << info.Out;
  EXPECT_NE(info.Out.find("RGB + alpha"), std::string::npos);
  EXPECT_NE(info.Out.find("IHDR"), std::string::npos);
  EXPECT_NE(info.Out.find("IEND"), std::string::npos);

  const CliRun broken =
      Cli({"info", (testsupport::CorpusDir() / "png/pngsuite/xcrn0g04.png").string()});
  EXPECT_EQ(broken.Status, 1);
  EXPECT_FALSE(broken.Err.empty());
}

TEST(Cli, AnOutputThatIsTheInputOrNamesAnotherFormatIsRefused) {
  testsupport::TempDir dir;
  TBitmap32 source;
  source.SetSize(5, 4);
  source.Clear(0xFF204060);
  const std::string in = (dir / "in.bmp").string();
  source.SaveToFile(in);
  const auto before = testsupport::ReadFileBytes(in);
  std::filesystem::create_hard_link(in, dir / "hard.bmp");
  std::filesystem::create_symlink("in.bmp", dir / "soft.bmp");
  for (const std::string& out : {in, (dir / "hard.bmp").string(), (dir / "soft.bmp").string()}) {
    for (const char* command : {"convert", "png-draw"}) {
      const CliRun r = Cli({command, in, out});
      EXPECT_EQ(r.Status, 1) << command << " " << out;
      EXPECT_NE(r.Err.find("\"" + out + "\" is the same file as the input \"" + in + "\""),
                std::string::npos)
          << r.Err;
    }
  }
  EXPECT_EQ(testsupport::ReadFileBytes(in), before);

  for (const char* name : {"out.ico", "out.gif", "out.TIFF", "out.jpe"}) {
    const std::string out = (dir / name).string();
    const CliRun r = Cli({"convert", in, out});
    EXPECT_EQ(r.Status, 2) << name;
    EXPECT_NE(r.Err.find("the output is a 32-bit BMP"), std::string::npos) << r.Err;
    EXPECT_FALSE(std::filesystem::exists(out)) << name;
  }
  for (const char* name : {"out.BMP", "out", "out.data", "out.png", "out.JPG", "out.jpeg"})
    EXPECT_EQ(Cli({"convert", in, (dir / name).string()}).Status, 0) << name;
  // png-draw writes BMP only, and says so as it always did.
  const std::string png = (dir / "drawn.png").string();
  const CliRun r = Cli({"png-draw", in, png});
  EXPECT_EQ(r.Status, 2);
  EXPECT_NE(r.Err.find("\"" + png +
                       "\" names a .png picture, but the output is a 32-bit BMP: give OUT the "
                       "extension .bmp\n"),
            std::string::npos)
      << r.Err;
  EXPECT_FALSE(std::filesystem::exists(png));
}

TEST(Cli, SpecialFilesAsOutputAreRefusedAndStay) {
  testsupport::TempDir dir;
  TBitmap32 source;
  source.SetSize(5, 4);
  const std::string in = (dir / "in.bmp").string();
  source.SaveToFile(in);
  std::filesystem::create_symlink("/dev/full", dir / "full.bmp");
  const CliRun r = Cli({"convert", in, (dir / "full.bmp").string()});
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("Not a regular file"), std::string::npos) << r.Err;
  EXPECT_EQ(std::filesystem::status("/dev/full").type(), std::filesystem::file_type::character);
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "full.bmp"));
}

TEST(Cli, PicturesThatDecodeToNothingFailAndPipesAreReadToTheirEnd) {
  RegisterCodecPictureFormats();
  testsupport::TempDir dir;
  const std::string empty = (dir / "empty.jpg").string();
  testsupport::WriteFileBytes(empty, {});
  const std::string out = (dir / "out.bmp").string();
  const CliRun r = Cli({"convert", empty, out});
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("\"" + empty + "\" holds no picture"), std::string::npos) << r.Err;
  EXPECT_FALSE(std::filesystem::exists(out));

  // A JPEG from a pipe has no size: it is read to its end, not taken as empty.
  const std::string jpeg = picturefiles::WriteJpeg(dir / "photo.jpg", 24, 16, 0xFF2040C0u);
  testsupport::FifoWriter pipe(dir / "pipe.jpg", testsupport::ReadFileBytes(jpeg));
  const CliRun piped = Cli({"convert", (dir / "pipe.jpg").string(), out});
  ASSERT_EQ(piped.Status, 0) << piped.Err;
  TBitmap32 b;
  b.LoadFromFile(out);
  EXPECT_EQ(b.Width(), 24);
  EXPECT_EQ(b.Height(), 16);
}

TEST(Cli, InfoPrintsNothingWhenItFails) {
  testsupport::TempDir dir;
  const std::string broken = (dir / "broken.png").string();
  testsupport::WriteFileBytes(broken, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 'x', 'x'});
  const CliRun r = Cli({"info", broken});
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Out, "");
  EXPECT_FALSE(r.Err.empty());
}

TEST(Cli, PrintableTextEscapesWhatATerminalWouldActOnAndCutsAtACharacter) {
  EXPECT_EQ(Printable("caf\xc3\xa9 \\ ok"), "caf\xc3\xa9 \\ ok");
  EXPECT_EQ(Printable("a\x1b[2Jb\x7f\n"), "a\\x1b[2Jb\\x7f\\x0a");
  EXPECT_EQ(Printable("\xc2\x9b"
                      "c"),
            "\\u009bc");  // C1 control, as UTF-8
  EXPECT_EQ(Printable("\xff\xc3(\xed\xa0\x80"), "\\xff\\xc3(\\xed\\xa0\\x80");  // not UTF-8
  EXPECT_EQ(Printable(Printable("\x1b\xff")), Printable("\x1b\xff"));
  // "\xc3\xa9" is one character: the cut does not split it.
  EXPECT_EQ(Printable("ab\xc3\xa9", 3), "ab... (4 bytes)");
  EXPECT_EQ(Printable("abcd", 4), "abcd");
}

}  // namespace pictavia
