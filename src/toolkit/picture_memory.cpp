// Zero-filled picture memory, mapped in huge pages when it is big.
#include "toolkit/picture_memory.h"

#include <cstdlib>
#include <utility>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace pictavia {

namespace {

#ifdef __linux__
constexpr size_t HugePageSize = size_t{2} << 20;
// From this size on a block is mapped directly.
constexpr size_t MapThreshold = size_t{1} << 20;

bool IsMapped(size_t Size) {
  return Size >= MapThreshold && Size < SIZE_MAX - 2 * HugePageSize;
}
size_t MappedLength(size_t Size) {
  return (Size + HugePageSize - 1) / HugePageSize * HugePageSize;
}

// Maps one huge page more than needed and gives back the parts before the first huge-page
// boundary and after the block, so the block starts aligned and FreePictureBlock knows its extent.
void* MapBlock(size_t Size) {
  const size_t length = MappedLength(Size);
  const size_t mapped = length + HugePageSize;
  void* base = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) return nullptr;
  const uintptr_t first = reinterpret_cast<uintptr_t>(base);
  const uintptr_t start = (first + HugePageSize - 1) & ~(uintptr_t{HugePageSize} - 1);
  if (start > first) munmap(base, start - first);
  const uintptr_t end = start + length, mappedEnd = first + mapped;
  if (mappedEnd > end) munmap(reinterpret_cast<void*>(end), mappedEnd - end);
  madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(start);
}
#endif

}  // namespace

void* AllocatePictureBlock(size_t Size) {
#ifdef __linux__
  if (IsMapped(Size)) return MapBlock(Size);
#endif
  // calloc hands out fresh zero pages for big blocks without touching them.
  return std::calloc(Size == 0 ? 1 : Size, 1);
}

void FreePictureBlock(void* Block, size_t Size) noexcept {
  if (!Block) return;
#ifdef __linux__
  if (IsMapped(Size)) {
    munmap(Block, MappedLength(Size));
    return;
  }
#endif
  std::free(Block);
}

void TPictureMemory::Free() {
  FreePictureBlock(data_, size_);
  data_ = nullptr;
  size_ = 0;
}

bool TPictureMemory::Allocate(size_t Size) {
  Free();
  if (Size == 0) return true;
  data_ = static_cast<uint8_t*>(AllocatePictureBlock(Size));
  if (!data_) return false;
  size_ = Size;
  return true;
}

void TPictureMemory::Swap(TPictureMemory& Other) noexcept {
  std::swap(data_, Other.data_);
  std::swap(size_, Other.size_);
}

}  // namespace pictavia
