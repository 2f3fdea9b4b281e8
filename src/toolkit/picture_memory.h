// Zero-filled memory for picture pixels. Big blocks come from an anonymous mapping in transparent
// huge pages: a fresh picture of many megabytes otherwise costs one page fault per 4 KB as its
// rows are first written, and a zero-fill pass over memory the system already hands out zeroed.
// Small blocks use calloc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace pictavia {

// Size zero bytes, or null when the memory cannot be had. Free with the same size.
void* AllocatePictureBlock(size_t Size);
void FreePictureBlock(void* Block, size_t Size) noexcept;

class TPictureMemory {
 public:
  TPictureMemory() = default;
  ~TPictureMemory() { Free(); }
  TPictureMemory(const TPictureMemory&) = delete;
  TPictureMemory& operator=(const TPictureMemory&) = delete;

  // Replaces the content by Size zero bytes; false (and empty) when the memory cannot be had.
  bool Allocate(size_t Size);
  void Free();
  uint8_t* Data() const { return data_; }
  size_t Size() const { return size_; }
  void Swap(TPictureMemory& Other) noexcept;

 private:
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

// A container allocator over picture blocks. Elements made without a value are left as the
// block holds them, so a vector of N pixels is zero without a fill pass when its storage is
// fresh. Storage a vector reuses (shrunk, then grown in place) keeps its old values: containers
// of this allocator are sized once, or assigned anew.
template <class T>
struct TPictureAllocator {
  using value_type = T;
  TPictureAllocator() noexcept = default;
  template <class U>
  TPictureAllocator(const TPictureAllocator<U>&) noexcept {}

  T* allocate(size_t Count) {
    if (Count > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
    void* block = AllocatePictureBlock(Count * sizeof(T));
    if (!block) throw std::bad_alloc();
    return static_cast<T*>(block);
  }
  void deallocate(T* Block, size_t Count) noexcept { FreePictureBlock(Block, Count * sizeof(T)); }

  template <class U>
  void construct(U* At) noexcept {
    ::new (static_cast<void*>(At)) U;
  }
  template <class U, class... A>
  void construct(U* At, A&&... Args) {
    ::new (static_cast<void*>(At)) U(std::forward<A>(Args)...);
  }

  friend bool operator==(const TPictureAllocator&, const TPictureAllocator&) noexcept {
    return true;
  }
};

// Pixel words of a picture: rows of any depth held as 32-bit words, or 32-bit pixels.
using TPixelRows = std::vector<uint32_t, TPictureAllocator<uint32_t>>;

}  // namespace pictavia
