// TMetafile against the public metafile corpus: every file loads (or fails cleanly), draws at
// its own size, and the files with reference renderings look like them. Renderings are written
// to $TMPDIR/pictavia-metafile-renders for inspection.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <vector>

#include <gtest/gtest.h>
#include <QImage>
#include <QPainter>

#include "test_support.h"
#include "toolkit/canvas.h"
#include "toolkit/exceptions.h"
#include "toolkit/metafile.h"
#include "toolkit/streams.h"

namespace pictavia {

namespace fs = std::filesystem;

namespace {

const char* const kCorpus = "metafile";

fs::path RenderDir() {
  const char* tmp = std::getenv("TMPDIR");
  fs::path dir = fs::path(tmp && *tmp ? tmp : "/tmp") / "pictavia-metafile-renders";
  fs::create_directories(dir);
  return dir;
}

// Draws the picture on white into a W x H image.
QImage Render(TMetafile& mf, int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::white);
  TCanvas canvas;
  canvas.SetSurface(reinterpret_cast<uint32_t*>(image.bits()), w, h);
  mf.Draw(canvas, Rect(0, 0, w, h));
  return image;
}

bool AllWhite(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if ((row[x] & 0xFFFFFF) != 0xFFFFFF) return false;
  }
  return true;
}

std::vector<fs::path> CorpusFiles() {
  std::vector<fs::path> files;
  for (const char* sub : {"emf", "wmf"})
    for (const auto& f : testsupport::FilesIn(testsupport::CorpusDir() / kCorpus / sub))
      if (f.extension() == ".emf" || f.extension() == ".wmf") files.push_back(f);
  return files;
}

// Mean absolute difference per channel (0..255) over the whole picture.
double MeanAbsDiff(const QImage& a, const QImage& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
             std::abs(qBlue(p) - qBlue(q));
    }
  return sum / (3.0 * a.width() * a.height());
}

// The most frequent colours that are not near white, quantised to 3 bits a channel.
std::vector<int> DominantColours(const QImage& image, size_t count) {
  std::map<int, int> histogram;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (qRed(p) > 224 && qGreen(p) > 224 && qBlue(p) > 224) continue;
      ++histogram[((qRed(p) >> 5) << 6) | ((qGreen(p) >> 5) << 3) | (qBlue(p) >> 5)];
    }
  std::vector<std::pair<int, int>> sorted;
  for (const auto& [colour, n] : histogram) sorted.push_back({n, colour});
  std::sort(sorted.rbegin(), sorted.rend());
  std::vector<int> top;
  for (size_t i = 0; i < sorted.size() && i < count; ++i) top.push_back(sorted[i].second);
  return top;
}

}  // namespace

TEST(MetafileCorpus, EveryFileLoadsAndDraws) {
  PICTAVIA_REQUIRE_CORPUS(kCorpus);
  const std::vector<fs::path> files = CorpusFiles();
  ASSERT_GE(files.size(), 30u);
  const fs::path out = RenderDir();
  size_t drawn = 0;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    TMetafile mf;
    ASSERT_NO_THROW(mf.LoadFromFile(file.string()));
    EXPECT_EQ(mf.Enhanced(), file.extension() == ".emf");
    ASSERT_GT(mf.Width(), 0);
    ASSERT_GT(mf.Height(), 0);
    // Large pictures are drawn at a reduced size; the player maps the frame either way.
    const double scale = std::min(1.0, 2000.0 / std::max(mf.Width(), mf.Height()));
    const int w = std::max(1, static_cast<int>(mf.Width() * scale));
    const int h = std::max(1, static_cast<int>(mf.Height() * scale));
    const QImage image = Render(mf, w, h);
    if (!AllWhite(image)) ++drawn;
    image.save(QString::fromStdString((out / (file.filename().string() + ".png")).string()));
  }
  // A single corpus file holds nothing but object selections; all others draw something.
  EXPECT_GE(drawn, files.size() - 1);
}

TEST(MetafileCorpus, CorruptedFilesFailCleanlyAndKeepThePicture) {
  PICTAVIA_REQUIRE_CORPUS(kCorpus);
  const fs::path good = testsupport::CorpusDir() / kCorpus / "wmf";
  const std::vector<fs::path> goodFiles = testsupport::FilesIn(good, ".wmf");
  ASSERT_FALSE(goodFiles.empty());
  const std::vector<fs::path> corrupted =
      testsupport::FilesIn(testsupport::CorpusDir() / kCorpus / "emf" / "corrupted", ".emf");
  ASSERT_FALSE(corrupted.empty());
  size_t refused = 0;
  for (const fs::path& file : corrupted) {
    SCOPED_TRACE(file.filename().string());
    TMetafile mf;
    mf.LoadFromFile(goodFiles.front().string());
    const std::vector<uint8_t> before = mf.Data();
    const int width = mf.Width();
    try {
      mf.LoadFromFile(file.string());
      // Loaded: it must draw without trouble.
      Render(mf, 64, 64);
    } catch (const EInvalidGraphic& e) {
      ++refused;
      EXPECT_NE(std::string(e.what()).find("Invalid metafile"), std::string::npos);
      EXPECT_EQ(mf.Data(), before);
      EXPECT_EQ(mf.Width(), width);
      EXPECT_FALSE(mf.Enhanced());
    }
  }
  // The damaged headers and the bad point count are structural faults.
  EXPECT_GE(refused, 4u);
}

TEST(MetafileCorpus, LooksLikeTheReferenceRenderings) {
  PICTAVIA_REQUIRE_CORPUS(kCorpus);
  const fs::path refs = testsupport::CorpusDir() / kCorpus / "reference";
  const std::vector<fs::path> pngs = testsupport::FilesIn(refs, ".png");
  ASSERT_FALSE(pngs.empty());
  for (const fs::path& png : pngs) {
    const std::string name = png.stem().string();  // "<picture>.emf" or "<picture>.wmf"
    SCOPED_TRACE(name);
    const fs::path source =
        testsupport::CorpusDir() / kCorpus / fs::path(name).extension().string().substr(1) / name;
    ASSERT_TRUE(fs::exists(source));
    QImage reference(QString::fromStdString(png.string()));
    ASSERT_FALSE(reference.isNull());
    // The reference has a transparent background: put it on white like ours.
    QImage flat(reference.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
      QPainter p(&flat);
      p.drawImage(0, 0, reference);
    }
    TMetafile mf;
    mf.LoadFromFile(source.string());
    const QImage ours = Render(mf, flat.width(), flat.height());
    ours.save(QString::fromStdString((RenderDir() / (name + ".reference-size.png")).string()));
    // Compared at an eighth of the size, so that lines a pixel apart and different
    // anti-aliasing do not count; a blank picture must score much worse than ours.
    const QSize small(flat.width() / 8, flat.height() / 8);
    const QImage theirsSmall = flat.scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage oursSmall = ours.scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage blank(small, QImage::Format_RGB32);
    blank.fill(Qt::white);
    const double mad = MeanAbsDiff(oursSmall, theirsSmall);
    const double blankMad = MeanAbsDiff(blank, theirsSmall);
    std::printf("%s: mean difference %.2f at an eighth of the size (a blank picture: %.2f)\n",
                name.c_str(), mad, blankMad);
    EXPECT_LT(mad, 7.5);
    EXPECT_LT(mad, 0.5 * blankMad);
    const std::vector<int> theirs = DominantColours(flat, 4);
    const std::vector<int> mine = DominantColours(ours, 8);
    for (int colour : theirs)
      EXPECT_NE(std::find(mine.begin(), mine.end(), colour), mine.end())
          << "dominant colour " << std::oct << colour << " of the reference is missing";
  }
}

}  // namespace pictavia
