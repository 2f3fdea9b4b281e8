// Zero-filled memory for picture pixels. Big blocks come from an anonymous mapping in transparent
// huge pages: a fresh picture of many megabytes otherwise costs one page fault per 4 KB as its
// rows are first written, which can take longer than decoding them. Small blocks use calloc.
#pragma once

#include <cstddef>
#include <cstdint>

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
  void* mapping_ = nullptr;  // the whole mapping when the block was mapped directly
  size_t mappingSize_ = 0;
};
