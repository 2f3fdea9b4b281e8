// Undoing the row filters and converting rows into image memory: the plain filters against the
// textbook per-byte definition, and every vector path against the plain code on random rows for
// every filter type, pixel size and length, with the rows read ending exactly at their
// allocations (so reads past them show under the sanitizer) and guard bytes around the targets.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "codecs/internal/png_filters.h"
#include "codecs/internal/png_rows.h"

namespace pictavia {

namespace {

using Bytes = std::vector<uint8_t>;

// Size bytes of which the last one ends its heap block.
struct TExactBlock {
  explicit TExactBlock(size_t Size) : data(new uint8_t[Size > 0 ? Size : 1]), size(Size) {}
  uint8_t* get() const { return data.get(); }
  std::unique_ptr<uint8_t[]> data;
  size_t size;
};

uint8_t TextbookPredictor(uint8_t Type, int a, int b, int c) {
  switch (Type) {
    case 1:
      return static_cast<uint8_t>(a);
    case 2:
      return static_cast<uint8_t>(b);
    case 3:
      return static_cast<uint8_t>((a + b) / 2);
    case 4: {
      const int p = a + b - c;
      const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
      if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
      return static_cast<uint8_t>(pb <= pc ? b : c);
    }
    default:
      return 0;
  }
}

Bytes TextbookUnfilter(uint8_t Type, Bytes Row, const Bytes& Prev, size_t Offset) {
  for (size_t i = 0; i < Row.size(); ++i) {
    const int a = i >= Offset ? Row[i - Offset] : 0;
    const int c = i >= Offset ? Prev[i - Offset] : 0;
    Row[i] = static_cast<uint8_t>(Row[i] + TextbookPredictor(Type, a, Prev[i], c));
  }
  return Row;
}

// Random bytes, with long runs of one value now and then: the predictors' ties matter.
Bytes RandomRow(std::mt19937& Rng, size_t Size) {
  Bytes row(Size);
  const bool flat = Rng() % 3 == 0;
  for (uint8_t& b : row) b = static_cast<uint8_t>(flat ? (Rng() % 4 == 0 ? Rng() : 128) : Rng());
  return row;
}

// Every filter type (5 is unknown) and pixel size, rows of 0 to 70 pixels (and of odd byte
// counts for one-byte pixels, as packed samples have). Check(Type, Row, Prev, Offset).
template <class Check>
void ForEveryFilteredRow(Check&& check) {
  std::mt19937 rng(17);
  for (uint8_t type = 0; type <= 5; ++type)
    for (size_t offset = 1; offset <= 8; ++offset)
      for (size_t pixels = 0; pixels <= 70; ++pixels) {
        const Bytes row = RandomRow(rng, pixels * offset);
        const Bytes prev = RandomRow(rng, row.size());
        check(type, row, prev, offset);
        if (::testing::Test::HasFatalFailure()) return;
      }
}

// Runs Unfilter on copies of Row and Prev that end their blocks.
Bytes UnfilterExactly(TUnfilterRowProc Unfilter, uint8_t Type, const Bytes& Row, const Bytes& Prev,
                      size_t Offset) {
  TExactBlock row(Row.size()), prev(Prev.size());
  std::copy(Row.begin(), Row.end(), row.get());
  std::copy(Prev.begin(), Prev.end(), prev.get());
  Unfilter(Type, row.get(), prev.get(), Row.size(), Offset);
  return Bytes(row.get(), row.get() + Row.size());
}

std::vector<TRowImplementation> VectorPaths() {
  std::vector<TRowImplementation> paths;
  for (TRowImplementation impl : {riSSSE3})
    if (UnfilterRowProcFor(impl)) paths.push_back(impl);
  return paths;
}

}  // namespace

TEST(PngRows, ReferenceUnfilterIsTheTextbookDefinition) {
  ForEveryFilteredRow([](uint8_t Type, const Bytes& Row, const Bytes& Prev, size_t Offset) {
    const Bytes want = Type <= 4 ? TextbookUnfilter(Type, Row, Prev, Offset) : Row;
    ASSERT_EQ(UnfilterExactly(UnfilterRowReference, Type, Row, Prev, Offset), want)
        << "filter " << int{Type} << ", pixel bytes " << Offset << ", row bytes " << Row.size();
  });
}

TEST(PngRows, VectorUnfilterEqualsTheReference) {
  const std::vector<TRowImplementation> paths = VectorPaths();
  if (paths.empty()) GTEST_SKIP() << "no vector row code runs on this processor";
  for (TRowImplementation impl : paths) {
    SCOPED_TRACE(RowImplementationName(impl));
    const TUnfilterRowProc vector = UnfilterRowProcFor(impl);
    ForEveryFilteredRow([&](uint8_t Type, const Bytes& Row, const Bytes& Prev, size_t Offset) {
      ASSERT_EQ(UnfilterExactly(vector, Type, Row, Prev, Offset),
                UnfilterExactly(UnfilterRowReference, Type, Row, Prev, Offset))
          << "filter " << int{Type} << ", pixel bytes " << Offset << ", row bytes " << Row.size();
    });
  }
}

namespace {

// A kind the vector code converts: its sample bytes per pixel, its planes' bytes per pixel, and
// its two implementations.
struct TConvertCase {
  const char* Name;
  uint8_t ColorType, Depth;
  size_t SrcBytes, PixelBytes;
  bool Alpha, Low;
};

const TConvertCase kRGBA8 = {"RGBA 8", COLOR_RGBALPHA, 8, 4, 3, true, false};
const TConvertCase kConvertCases[] = {
    {"gray 16", COLOR_GRAYSCALE, 16, 2, 1, false, true},
    {"gray+alpha 8", COLOR_GRAYSCALEALPHA, 8, 2, 1, true, false},
    {"RGB 8", COLOR_RGB, 8, 3, 3, false, false},
    {"RGB 16", COLOR_RGB, 16, 6, 3, false, true},
    kRGBA8,
};

constexpr size_t kGuard = 16;
constexpr uint8_t kGuardByte = 0xA5;

// One plane's row of Count pixels between guard bytes.
struct TPlaneRow {
  TPlaneRow(size_t Count, size_t Bytes) : block(2 * kGuard + Count * Bytes), size(Count * Bytes) {
    std::fill(block.get(), block.get() + block.size, kGuardByte);
  }
  uint8_t* Row() const { return block.get() + kGuard; }
  Bytes Contents() const { return Bytes(block.get(), block.get() + block.size); }
  TExactBlock block;
  size_t size;
};

struct TConverted {
  Bytes Pixels, Alpha, Low;
};

// Converts Src into columns XStart.. of fresh rows of Width pixels, all guard bytes before.
TConverted ConvertExactly(TConvertRowProc Convert, const TConvertCase& Kind, const Bytes& Src,
                          size_t XStart, size_t XStep, size_t Width) {
  const size_t count = Src.size() / Kind.SrcBytes;
  TExactBlock src(Src.size());
  std::copy(Src.begin(), Src.end(), src.get());
  TPlaneRow pixels(Width, Kind.PixelBytes), alpha(Width, 1), low(Width, Kind.PixelBytes);
  const TRowTarget to{pixels.Row(), Kind.Alpha ? alpha.Row() : nullptr,
                      Kind.Low ? low.Row() : nullptr};
  static uint8_t identity[256];
  for (int i = 0; i < 256; ++i) identity[i] = static_cast<uint8_t>(i);
  Convert(src.get(), count, XStart, XStep, to, identity);
  return {pixels.Contents(), alpha.Contents(), low.Contents()};
}

}  // namespace

TEST(PngRows, VectorConversionEqualsTheReference) {
  const std::vector<TRowImplementation> paths = VectorPaths();
  if (paths.empty()) GTEST_SKIP() << "no vector row code runs on this processor";
  std::mt19937 rng(5);
  for (TRowImplementation impl : paths) {
    SCOPED_TRACE(RowImplementationName(impl));
    for (const TConvertCase& kind : kConvertCases) {
      SCOPED_TRACE(kind.Name);
      const TConvertRowProc vector = ConvertRowProcFor(kind.ColorType, kind.Depth, false, impl);
      const TConvertRowProc reference =
          ConvertRowProcFor(kind.ColorType, kind.Depth, false, riReference);
      ASSERT_NE(vector, nullptr);
      ASSERT_NE(vector, reference) << "the vector path has its own code";
      for (size_t count = 0; count <= 70; ++count)
        for (size_t xStart : {0, 1, 3})
          for (size_t xStep : {1, 2, 8}) {
            const Bytes src = RandomRow(rng, count * kind.SrcBytes);
            const size_t width = count == 0 ? xStart : xStart + (count - 1) * xStep + 1;
            const TConverted got = ConvertExactly(vector, kind, src, xStart, xStep, width);
            const TConverted want = ConvertExactly(reference, kind, src, xStart, xStep, width);
            ASSERT_EQ(got.Pixels, want.Pixels)
                << count << " pixels from " << xStart << " by " << xStep;
            ASSERT_EQ(got.Alpha, want.Alpha) << count << " pixels from " << xStart;
            ASSERT_EQ(got.Low, want.Low) << count << " pixels from " << xStart;
          }
    }
  }
}

TEST(PngRows, ReferenceConversionPutsEachSampleInItsPlace) {
  // Two RGBA pixels into columns 1 and 3: colour bytes reversed, alpha apart, other columns
  // untouched.
  const Bytes src = {10, 20, 30, 40, 50, 60, 70, 80};
  const TConverted got = ConvertExactly(ConvertRowProcFor(COLOR_RGBALPHA, 8, false, riReference),
                                        kRGBA8, src, 1, 2, 4);
  const Bytes pixels(got.Pixels.begin() + kGuard, got.Pixels.end() - kGuard);
  const Bytes alpha(got.Alpha.begin() + kGuard, got.Alpha.end() - kGuard);
  const uint8_t g = kGuardByte;
  EXPECT_EQ(pixels, (Bytes{g, g, g, 30, 20, 10, g, g, g, 70, 60, 50}));
  EXPECT_EQ(alpha, (Bytes{g, 40, g, 80}));
}

TEST(PngRows, TheDispatchedCallsRunTheChosenCode) {
  const TRowImplementation chosen = ChooseRowImplementation(CpuFeatures(), ForcedSimd());
  ASSERT_NE(UnfilterRowProcFor(chosen), nullptr);
  EXPECT_EQ(ConvertRowProc(COLOR_RGB, 8, false), ConvertRowProcFor(COLOR_RGB, 8, false, chosen));
  std::mt19937 rng(3);
  const Bytes row = RandomRow(rng, 4 * 33), prev = RandomRow(rng, 4 * 33);
  Bytes viaChoice = row;
  UnfilterRow(4, viaChoice.data(), prev.data(), row.size(), 4);
  EXPECT_EQ(viaChoice, TextbookUnfilter(4, row, prev, 4));
}

}  // namespace pictavia
