// The plain C++ row expansion and the choice of row code.
#include "codecs/internal/bgr_rows.h"

#include <bit>
#include <cstring>

namespace pictavia {

void ExpandBgrRowReference(const uint8_t* In, uint32_t* Out, int Count, uint32_t Fourth) {
  int x = 0;
  // Four pixels are three little-endian words, so most of the row goes word by word instead of
  // byte by byte.
  if constexpr (std::endian::native == std::endian::little) {
    for (; x + 4 <= Count; x += 4, In += 12) {
      uint32_t w[3];
      std::memcpy(w, In, 12);
      Out[x] = (w[0] & 0x00FFFFFFu) | Fourth;
      Out[x + 1] = (w[0] >> 24) | ((w[1] & 0xFFFFu) << 8) | Fourth;
      Out[x + 2] = (w[1] >> 16) | ((w[2] & 0xFFu) << 16) | Fourth;
      Out[x + 3] = (w[2] >> 8) | Fourth;
    }
  }
  for (; x < Count; ++x, In += 3)
    Out[x] = In[0] | (In[1] << 8) | (static_cast<uint32_t>(In[2]) << 16) | Fourth;
}

TExpandBgrRowProc ExpandBgrRowProcFor(TRowImplementation Impl) {
  if (!RowImplementationAvailable(Impl, CpuFeatures())) return nullptr;
  switch (Impl) {
    case riReference:
      return ExpandBgrRowReference;
    case riSSSE3:
      return ExpandBgrRowSSSE3;
  }
  return nullptr;
}

void ExpandBgrRow(const uint8_t* In, uint32_t* Out, int Count, uint32_t Fourth) {
  static const TExpandBgrRowProc chosen =
      ExpandBgrRowProcFor(ChooseRowImplementation(CpuFeatures(), ForcedSimd()));
  chosen(In, Out, Count, Fourth);
}

}  // namespace pictavia
