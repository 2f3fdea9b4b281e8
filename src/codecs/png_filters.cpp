// The PNG row filters. Undoing them is specialised by pixel size so the left-neighbour distance
// is a constant and the per-byte dependency chain stays short.
#include "codecs/internal/png_filters.h"

#include <algorithm>
#include <cstring>

namespace pictavia {

namespace {

inline int Abs(int v) {
  return v < 0 ? -v : v;
}

// The predictor without branches: the distances' minimum picks left, above or upper-left in
// the standard's order of preference (the selects become conditional moves).
inline int Paeth(int a, int b, int c) {
  const int p = b - c;
  const int q = a - c;
  const int pa = Abs(p);
  const int pb = Abs(q);
  const int pc = Abs(p + q);
  const int smallest = std::min(pa, std::min(pb, pc));
  const int bc = pb == smallest ? b : c;
  return pa == smallest ? a : bc;
}

void UnfilterUp(uint8_t* __restrict row, const uint8_t* __restrict prev, size_t n) {
  for (size_t i = 0; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + prev[i]);
}

// Sub, Average and Paeth carry each channel's left value in a register rather than reading back
// the byte just stored, which would wait on the store for every pixel. They are kept out of line:
// inlined into the dispatch switch, those registers spill.
template <size_t B>
__attribute__((noinline)) void UnfilterSub(uint8_t* row, size_t n) {
  if (n <= B) return;
  unsigned a[B];
  for (size_t k = 0; k < B; ++k) a[k] = row[k];
  size_t i = B;
  for (; i + B <= n; i += B)
    for (size_t k = 0; k < B; ++k) {
      a[k] = (row[i + k] + a[k]) & 0xFF;
      row[i + k] = static_cast<uint8_t>(a[k]);
    }
  for (; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - B]);
}

template <size_t B>
__attribute__((noinline)) void UnfilterAverage(uint8_t* __restrict row,
                                               const uint8_t* __restrict prev, size_t n) {
  const size_t head = std::min(B, n);
  for (size_t i = 0; i < head; ++i) row[i] = static_cast<uint8_t>(row[i] + (prev[i] >> 1));
  if (n <= B) return;
  unsigned a[B];
  for (size_t k = 0; k < B; ++k) a[k] = row[k];
  size_t i = B;
  for (; i + B <= n; i += B)
    for (size_t k = 0; k < B; ++k) {
      a[k] = (row[i + k] + ((a[k] + prev[i + k]) >> 1)) & 0xFF;
      row[i + k] = static_cast<uint8_t>(a[k]);
    }
  for (; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + ((row[i - B] + prev[i]) >> 1));
}

template <size_t B>
__attribute__((noinline)) void UnfilterPaeth(uint8_t* __restrict row,
                                             const uint8_t* __restrict prev, size_t n) {
  const size_t head = std::min(B, n);
  // Left and upper-left count as 0 for the first pixel, so the predictor is the byte above.
  for (size_t i = 0; i < head; ++i) row[i] = static_cast<uint8_t>(row[i] + prev[i]);
  if (n <= B) return;
  // Keep each channel's left and upper-left values in registers.
  int a[B], c[B];
  for (size_t k = 0; k < B; ++k) {
    a[k] = row[k];
    c[k] = prev[k];
  }
  size_t i = B;
  for (; i + B <= n; i += B) {
    for (size_t k = 0; k < B; ++k) {
      const int b = prev[i + k];
      const int v = (row[i + k] + Paeth(a[k], b, c[k])) & 0xFF;
      row[i + k] = static_cast<uint8_t>(v);
      a[k] = v;
      c[k] = b;
    }
  }
  for (; i < n; ++i)
    row[i] = static_cast<uint8_t>(row[i] + Paeth(row[i - B], prev[i], prev[i - B]));
}

template <size_t B>
void Unfilter(uint8_t type, uint8_t* row, const uint8_t* prev, size_t n) {
  switch (type) {
    case 1:
      UnfilterSub<B>(row, n);
      break;
    case 2:
      UnfilterUp(row, prev, n);
      break;
    case 3:
      UnfilterAverage<B>(row, prev, n);
      break;
    case 4:
      UnfilterPaeth<B>(row, prev, n);
      break;
    default:
      break;  // 0 and unknown types: the row stays as it is
  }
}

}  // namespace

void UnfilterRowReference(uint8_t FilterType, uint8_t* Row, const uint8_t* Prev, size_t RowBytes,
                          size_t Offset) {
  switch (Offset) {
    case 1:
      Unfilter<1>(FilterType, Row, Prev, RowBytes);
      break;
    case 2:
      Unfilter<2>(FilterType, Row, Prev, RowBytes);
      break;
    case 3:
      Unfilter<3>(FilterType, Row, Prev, RowBytes);
      break;
    case 4:
      Unfilter<4>(FilterType, Row, Prev, RowBytes);
      break;
    case 6:
      Unfilter<6>(FilterType, Row, Prev, RowBytes);
      break;
    case 8:
      Unfilter<8>(FilterType, Row, Prev, RowBytes);
      break;
    default: {
      // Any other pixel size (not produced by the supported kinds): the plain formulas.
      const size_t b = std::max<size_t>(1, Offset);
      for (size_t i = 0; i < RowBytes; ++i) {
        const int left = i >= b ? Row[i - b] : 0;
        const int above = Prev[i];
        const int upperLeft = i >= b ? Prev[i - b] : 0;
        int add = 0;
        switch (FilterType) {
          case 1:
            add = left;
            break;
          case 2:
            add = above;
            break;
          case 3:
            add = (left + above) >> 1;
            break;
          case 4:
            add = Paeth(left, above, upperLeft);
            break;
          default:
            return;
        }
        Row[i] = static_cast<uint8_t>(Row[i] + add);
      }
    }
  }
}

TUnfilterRowProc UnfilterRowProcFor(TRowImplementation Impl) {
  if (!RowImplementationAvailable(Impl, CpuFeatures())) return nullptr;
  switch (Impl) {
    case riReference:
      return UnfilterRowReference;
    case riSSSE3:
      return UnfilterRowSSSE3;
  }
  return nullptr;
}

void UnfilterRow(uint8_t FilterType, uint8_t* Row, const uint8_t* Prev, size_t RowBytes,
                 size_t Offset) {
  static const TUnfilterRowProc chosen =
      UnfilterRowProcFor(ChooseRowImplementation(CpuFeatures(), ForcedSimd()));
  chosen(FilterType, Row, Prev, RowBytes, Offset);
}

void FilterRow(uint8_t FilterType, const uint8_t* Row, const uint8_t* Prev, size_t RowBytes,
               size_t Offset, uint8_t* Out) {
  const size_t b = std::max<size_t>(1, Offset);
  switch (FilterType) {
    case 1:
      for (size_t i = 0; i < RowBytes; ++i)
        Out[i] = static_cast<uint8_t>(Row[i] - (i >= b ? Row[i - b] : 0));
      break;
    case 2:
      for (size_t i = 0; i < RowBytes; ++i) Out[i] = static_cast<uint8_t>(Row[i] - Prev[i]);
      break;
    case 3:
      for (size_t i = 0; i < RowBytes; ++i)
        Out[i] = static_cast<uint8_t>(Row[i] - (((i >= b ? Row[i - b] : 0) + Prev[i]) >> 1));
      break;
    case 4:
      for (size_t i = 0; i < RowBytes; ++i)
        Out[i] = static_cast<uint8_t>(
            Row[i] - Paeth(i >= b ? Row[i - b] : 0, Prev[i], i >= b ? Prev[i - b] : 0));
      break;
    default:
      std::memcpy(Out, Row, RowBytes);
      break;
  }
}

}  // namespace pictavia
