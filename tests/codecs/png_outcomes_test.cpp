// What reading gives for every PNG of the conformance corpus, every kept crasher and a few
// thousand damaged variants of corpus files (cut short, bytes changed with and without a matching
// CRC, image data re-split, streams that end early, run past the rows or never end), compared
// with png_outcomes.txt: the same exception and message, the same chunk list and the same image
// memory, also what a failed read leaves behind. The file was recorded with the zlib streaming
// decoder; PICTAVIA_RECORD_PNG_OUTCOMES=<file> writes a new one instead of comparing.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "codecs/png_object.h"
#include "png_test_util.h"
#include "test_support.h"

namespace pictavia {

namespace {

using Bytes = std::vector<uint8_t>;

std::string Hex(uint32_t v) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", v);
  return text;
}

uint32_t Digest(uint32_t crc, const void* data, size_t size) {
  return static_cast<uint32_t>(crc32_z(crc, static_cast<const Bytef*>(data), size));
}

// The image memory and header fields of a picture whose first chunk is a header.
uint32_t ImageDigest(const TChunkIHDR& h, const TPNGObject& png) {
  uint32_t d = 0;
  const uint32_t fields[] = {h.Width(),           h.Height(),
                             h.BitDepth(),        h.ColorType(),
                             h.InterlaceMethod(), static_cast<uint32_t>(h.BitsPerPixel()),
                             h.ColorsUsed(),      static_cast<uint32_t>(h.RowStride())};
  d = Digest(d, fields, sizeof fields);
  d = Digest(d, h.ColorTable(), 256 * sizeof(TRGBQuad));
  d = Digest(d, png.GammaMap().data(), 256);
  const size_t rows = h.RowStride() * h.Height();
  if (h.PixelRows()) d = Digest(d, h.PixelRows(), rows);
  if (h.AlphaPlane()) d = Digest(d, h.AlphaPlane(), size_t{h.Width()} * h.Height());
  if (h.LowBytePlane()) d = Digest(d, h.LowBytePlane(), rows);
  return d;
}

// One line: exception class (or "ok") and its message's CRC, the chunk count and types' CRC,
// and the image memory's digest (or "-" without a header).
std::string Outcome(const Bytes& file) {
  TPNGObject png;
  std::string cls = "ok", message;
  try {
    pngtest::LoadBytes(png, file);
  } catch (const Exception& e) {
    cls = e.ClassName();
    message = e.Message();
  }
  const TPNGList& list = png.ChunkList();
  uint32_t names = 0;
  for (int i = 0; i < list.Count(); ++i) names = Digest(names, list.Item(i)->ChunkType().data(), 4);
  std::ostringstream out;
  out << cls << ' ' << Hex(Digest(0, message.data(), message.size())) << ' ' << list.Count() << ' '
      << Hex(names) << ' ';
  const auto* header = list.Count() > 0 ? dynamic_cast<const TChunkIHDR*>(list.Item(0)) : nullptr;
  if (header)
    out << Hex(ImageDigest(*header, png));
  else
    out << '-';
  return out.str();
}

// A file split into the part before its first run of IDAT chunks, the run's data chunk by chunk,
// and the rest.
struct TIdatRun {
  Bytes before, after;
  std::vector<Bytes> data;
  Bytes Joined() const {
    Bytes all;
    for (const Bytes& d : data) all.insert(all.end(), d.begin(), d.end());
    return all;
  }
  Bytes With(const std::vector<Bytes>& Chunks) const {
    Bytes f = before;
    for (const Bytes& d : Chunks) pngtest::AddChunk(f, "IDAT", d);
    f.insert(f.end(), after.begin(), after.end());
    return f;
  }
};

bool FindIdatRun(const Bytes& file, TIdatRun& run) {
  size_t at = 8, first = 0, end = 0;
  while (at + 12 <= file.size()) {
    const uint32_t length = ReadBigEndian32(&file[at]);
    if (length > file.size() - at - 12) break;
    const bool idat = std::memcmp(&file[at + 4], "IDAT", 4) == 0;
    if (idat && (first == 0 || end == at)) {
      if (first == 0) first = at;
      run.data.emplace_back(file.begin() + at + 8, file.begin() + at + 8 + length);
      end = at + 12 + length;
    }
    at += 12 + length;
  }
  if (first == 0) return false;
  run.before.assign(file.begin(), file.begin() + first);
  run.after.assign(file.begin() + end, file.end());
  return true;
}

Bytes Inflated(const Bytes& z) {
  Bytes out(1 << 16);
  z_stream s{};
  inflateInit(&s);
  s.next_in = const_cast<Bytef*>(z.data());
  s.avail_in = static_cast<uInt>(z.size());
  size_t used = 0;
  for (;;) {
    if (used == out.size()) out.resize(out.size() * 2);
    s.next_out = out.data() + used;
    s.avail_out = static_cast<uInt>(out.size() - used);
    const int r = inflate(&s, Z_NO_FLUSH);
    used = out.size() - s.avail_out;
    if (r != Z_OK) break;
  }
  inflateEnd(&s);
  out.resize(used);
  return out;
}

// The data deflated without ever finishing the stream: no final block, no checksum.
Bytes DeflatedUnfinished(const Bytes& raw) {
  Bytes out(compressBound(static_cast<uLong>(raw.size())) + 64);
  z_stream s{};
  deflateInit(&s, 6);
  s.next_in = const_cast<Bytef*>(raw.data());
  s.avail_in = static_cast<uInt>(raw.size());
  s.next_out = out.data();
  s.avail_out = static_cast<uInt>(out.size());
  deflate(&s, Z_SYNC_FLUSH);
  out.resize(out.size() - s.avail_out);
  deflateEnd(&s);
  return out;
}

// Damaged variants of one file, each under a name that says what was done.
void AddVariants(const std::string& name, const Bytes& file, size_t budget,
                 std::vector<std::pair<std::string, Bytes>>& out) {
  TIdatRun run;
  if (!FindIdatRun(file, run)) return;
  std::mt19937 rng(static_cast<uint32_t>(Digest(0, name.data(), name.size())));
  auto add = [&](const std::string& what, Bytes bytes) {
    out.emplace_back(name + " " + what, std::move(bytes));
  };
  const size_t start = run.before.size(), size = file.size();

  // Cut short: every length near the start of the image data and near the end, some between.
  for (size_t cut = start; cut < size && cut < start + 48; ++cut)
    add("cut@" + std::to_string(cut), Bytes(file.begin(), file.begin() + cut));
  const size_t tail = size > start + 96 ? size - 48 : start + 48;
  for (size_t cut = tail; cut < size; ++cut)
    add("cut@" + std::to_string(cut), Bytes(file.begin(), file.begin() + cut));
  for (size_t i = 0; i < budget / 4; ++i) {
    const size_t cut = start + rng() % (size - start);
    add("cut@" + std::to_string(cut), Bytes(file.begin(), file.begin() + cut));
  }

  // Bytes of the image data changed, the chunk's CRC made to match (or not).
  const Bytes joined = run.Joined();
  for (size_t i = 0; i < budget; ++i) {
    const bool fixCrc = i % 8 != 7;
    size_t chunk = rng() % run.data.size();
    while (run.data[chunk].empty()) chunk = (chunk + 1) % run.data.size();
    size_t pos = rng() % run.data[chunk].size();
    // The zlib header and checksum get their share.
    if (i < 6 && run.data.size() == 1) pos = i < 2 ? i : run.data[0].size() - (i - 1);
    const auto flip = static_cast<uint8_t>(1 + rng() % 255);
    std::vector<Bytes> chunks = run.data;
    chunks[chunk][pos] ^= flip;
    Bytes bytes = run.With(chunks);
    const std::string what = "flip " + std::to_string(chunk) + "@" + std::to_string(pos) + "^" +
                             std::to_string(flip) + (fixCrc ? "" : " badcrc");
    if (!fixCrc) {
      bytes = run.With(run.data);
      size_t at = start;
      for (size_t c = 0; c < chunk; ++c) at += 12 + run.data[c].size();
      bytes[at + 8 + pos] ^= flip;
    }
    add(what, std::move(bytes));
  }

  // The same data in other chunk sizes, with empty chunks and trailing chunks.
  for (int split = 0; split < 3; ++split) {
    std::vector<Bytes> chunks;
    for (size_t at = 0; at < joined.size();) {
      const size_t n = std::min<size_t>(joined.size() - at, 1 + rng() % (split == 0 ? 7 : 5000));
      chunks.emplace_back(joined.begin() + at, joined.begin() + at + n);
      if (rng() % 5 == 0) chunks.emplace_back();
      at += n;
    }
    add("split" + std::to_string(split), run.With(chunks));
    chunks.push_back({0xDE, 0xAD, 0xBE, 0xEF});
    add("split" + std::to_string(split) + "+junk", run.With(chunks));
  }

  // Streams that end early, carry more than the rows, or never end.
  for (size_t k = 1; k <= 8 && k < joined.size(); ++k)
    add("short" + std::to_string(k), run.With({Bytes(joined.begin(), joined.end() - k)}));
  add("half", run.With({Bytes(joined.begin(), joined.begin() + joined.size() / 2)}));
  Bytes padded = joined;
  padded.insert(padded.end(), 40, 0x55);
  add("trailing", run.With({padded}));
  const Bytes raw = Inflated(joined);
  Bytes longer = raw;
  longer.insert(longer.end(), 5000, 7);
  add("longer", run.With({pngtest::Deflate(longer)}));
  add("shorter", run.With({pngtest::Deflate(Bytes(raw.begin(), raw.end() - raw.size() / 3))}));
  add("unfinished", run.With({DeflatedUnfinished(raw)}));
  add("unfinished-longer", run.With({DeflatedUnfinished(longer)}));
  add("stored", run.With({pngtest::Deflate(raw, 0)}));
  Bytes dictionary = pngtest::Deflate(raw);
  const unsigned flags = (dictionary[1] & 0xE0u) | 0x20u;
  dictionary[1] = static_cast<uint8_t>(flags + (31 - (dictionary[0] * 256u + flags) % 31) % 31);
  add("dictionary-flag", run.With({dictionary}));
}

std::vector<std::pair<std::string, Bytes>> Cases() {
  std::vector<std::pair<std::string, Bytes>> cases;
  const auto crashers = testsupport::SourceDir() / "tests/crashers/png";
  if (std::filesystem::is_directory(crashers))
    for (const auto& path : testsupport::FilesIn(crashers))
      cases.emplace_back("crashers/" + path.filename().string(), testsupport::ReadFileBytes(path));
  const auto corpus = testsupport::CorpusDir();
  if (!std::filesystem::is_directory(corpus / "png")) return cases;
  for (const char* folder : {"png/pngsuite", "png/misc"})
    for (const auto& path : testsupport::FilesIn(corpus / folder, ".png"))
      cases.emplace_back(std::string(folder) + "/" + path.filename().string(),
                         testsupport::ReadFileBytes(path));
  const std::pair<const char*, size_t> bases[] = {
      {"png/pngsuite/basn2c08.png", 120},    {"png/pngsuite/basi2c08.png", 120},
      {"png/pngsuite/basn3p02.png", 60},     {"png/pngsuite/basn6a16.png", 120},
      {"png/pngsuite/basi4a08.png", 80},     {"png/pngsuite/oi4n2c16.png", 80},
      {"png/pngsuite/basn0g01.png", 60},     {"png/pngsuite/f04n2c08.png", 80},
      {"png/misc/realworld_kodim23.png", 60}};
  for (const auto& [file, budget] : bases)
    AddVariants(file, testsupport::ReadFileBytes(corpus / file), budget, cases);
  return cases;
}

std::filesystem::path OutcomesFile() {
  return testsupport::SourceDir() / "tests/codecs/png_outcomes.txt";
}

}  // namespace

TEST(PngOutcomes, EveryFileAndDamagedVariantReadsAsRecorded) {
  if (testsupport::SourceDir().empty() || !std::filesystem::exists(OutcomesFile()))
    GTEST_SKIP() << "source folder not found (set PICTAVIA_SOURCE)";
  const auto cases = Cases();
  if (const char* record = std::getenv("PICTAVIA_RECORD_PNG_OUTCOMES")) {
    std::ofstream out(record);
    for (const auto& [name, bytes] : cases) out << name << '\t' << Outcome(bytes) << '\n';
    GTEST_SKIP() << "recorded " << cases.size() << " outcomes into " << record;
  }
  std::map<std::string, std::string> recorded;
  std::ifstream in(OutcomesFile());
  for (std::string line; std::getline(in, line);) {
    const size_t tab = line.find('\t');
    if (tab != std::string::npos) recorded[line.substr(0, tab)] = line.substr(tab + 1);
  }
  if (!std::filesystem::is_directory(testsupport::CorpusDir() / "png"))
    std::cout << "conformance corpus not found: only the crashers are compared\n";
  int differences = 0;
  for (const auto& [name, bytes] : cases) {
    const auto it = recorded.find(name);
    ASSERT_NE(it, recorded.end()) << name << " has no recorded outcome";
    const std::string now = Outcome(bytes);
    if (now != it->second && ++differences <= 20)
      ADD_FAILURE() << name << "\n  recorded: " << it->second << "\n  now:      " << now;
  }
  EXPECT_EQ(differences, 0);
  EXPECT_GT(cases.size(), 8u);
}

}  // namespace pictavia
