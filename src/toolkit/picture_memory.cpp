// Zero-filled picture memory, mapped in huge pages when it is big.
#include "toolkit/picture_memory.h"

#include <cstdlib>
#include <utility>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

#ifdef __linux__
constexpr size_t HugePageSize = size_t{2} << 20;
// From this size on a block is mapped directly.
constexpr size_t MapThreshold = size_t{1} << 20;
#endif

}  // namespace

void TPictureMemory::Free() {
#ifdef __linux__
  if (mapping_) {
    munmap(mapping_, mappingSize_);
    mapping_ = nullptr;
    mappingSize_ = 0;
    data_ = nullptr;
  }
#endif
  std::free(data_);
  data_ = nullptr;
  size_ = 0;
}

bool TPictureMemory::Allocate(size_t Size) {
  Free();
  if (Size == 0) return true;
#ifdef __linux__
  if (Size >= MapThreshold && Size < SIZE_MAX - 2 * HugePageSize) {
    // Anonymous mappings are zero-filled; over-map by one huge page to align the start.
    const size_t length = (Size + 2 * HugePageSize - 1) / HugePageSize * HugePageSize;
    void* base = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) return false;
    const uintptr_t start =
        (reinterpret_cast<uintptr_t>(base) + HugePageSize - 1) & ~(uintptr_t{HugePageSize} - 1);
    madvise(reinterpret_cast<void*>(start), length - (start - reinterpret_cast<uintptr_t>(base)),
            MADV_HUGEPAGE);
    mapping_ = base;
    mappingSize_ = length;
    data_ = reinterpret_cast<uint8_t*>(start);
    size_ = Size;
    return true;
  }
#endif
  // calloc hands out fresh zero pages for big blocks without touching them.
  data_ = static_cast<uint8_t*>(std::calloc(Size, 1));
  if (!data_) return false;
  size_ = Size;
  return true;
}

void TPictureMemory::Swap(TPictureMemory& Other) noexcept {
  std::swap(data_, Other.data_);
  std::swap(size_, Other.size_);
  std::swap(mapping_, Other.mapping_);
  std::swap(mappingSize_, Other.mappingSize_);
}
