// Small containers of the raster core and the view: a growable list of rectangles, a hash map
// from object addresses to one data pointer each (with its iterator), and a map of integers.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "raster/bitmap32.h"
#include "toolkit/exceptions.h"
#include "toolkit/geometry.h"
#include "toolkit/object.h"

namespace pictavia {

// A growable array of rectangles; Items pointers stay valid until the capacity changes.
class TRectList : public TObject {
 public:
  TRectList() = default;
  ~TRectList() override;
  TRectList(const TRectList&) = delete;
  TRectList& operator=(const TRectList&) = delete;
  const char* ClassName() const override { return "TRectList"; }

  // Appends Rect and returns its index; grows first when the list is full.
  int Add(const TRect& Rect);
  // Removes the rectangle at Index, moving the later ones down. EListError for a bad index.
  void Delete(int Index);
  // The rectangle at Index, or null when Index < 0 or Index >= Count.
  TRect* Items(int Index);
  const TRect* Items(int Index) const;

  int Count() const { return count_; }
  // Grows the capacity when needed; new rectangles are zero; a smaller count drops the tail.
  // EListError for a negative count.
  void SetCount(int Value);
  int Capacity() const { return capacity_; }
  // Reallocates the array to exactly Value rectangles. EListError below Count.
  void SetCapacity(int Value);

  // Count 0, capacity 10.
  virtual void Clear();

 protected:
  // Capacity + (Capacity div 4 above 128, 8 below 9, else 32).
  virtual void Grow();

 private:
  std::unique_ptr<TRect[]> list_;
  int count_ = 0;
  int capacity_ = 0;
};

// One entry of a pointer map: an item address and its data pointer.
struct TPointerBucketItem {
  void* Item = nullptr;
  void* Data = nullptr;
};

// A hash map from item addresses to one data pointer each, in 256 buckets chosen by bits 8-15 of
// the address. Delete is the one place an entry goes, so a subclass that owns what the data
// pointers refer to overrides it to release the data, then calls this class's Delete.
// Such a subclass must call Clear in its own destructor: by the time ~TPointerMap runs, the
// override is gone.
class TPointerMap : public TObject {
 public:
  static constexpr int BucketCount = 256;

  TPointerMap() = default;
  ~TPointerMap() override;
  TPointerMap(const TPointerMap&) = delete;
  TPointerMap& operator=(const TPointerMap&) = delete;
  const char* ClassName() const override { return "TPointerMap"; }

  // Adds Item with Data and returns the entry's data slot; when Item is present already the
  // existing slot is returned, Data is not stored and NewItem is false. The slot stays valid
  // until the item's bucket changes.
  void** Add(void* Item, void* Data, bool& NewItem);
  void** Add(void* Item, bool& NewItem) { return Add(Item, nullptr, NewItem); }
  // Finds Item in its bucket.
  bool Find(void* Item, int& BucketIndex, int& ItemIndex) const;
  // Removes Item and returns its data pointer, or null when Item is not present.
  void* Remove(void* Item);
  // Removes one entry and returns its data pointer; with Count 0 (inside Clear) it only returns
  // the data pointer. EListError for indexes that name no entry.
  virtual void* Delete(int BucketIndex, int ItemIndex);
  // The data pointer of Item; EListError "Item not found ($0...)" when it is not present.
  void* Data(void* Item) const;
  // Empties the map, handing every data pointer to Delete (last entry of each bucket first).
  void Clear();

  int Count() const { return count_; }
  // The bucket an item address falls into.
  static int BucketOf(const void* Item) {
    return static_cast<int>((reinterpret_cast<uintptr_t>(Item) >> 8) & 0xFF);
  }

 private:
  friend class TPointerMapIterator;
  struct TBucket {
    int Count = 0;
    std::vector<TPointerBucketItem> Items;  // its size is the bucket's array length
  };
  TBucket buckets_[BucketCount];
  int count_ = 0;
};

// Walks a pointer map bucket by bucket, each bucket from its last entry to its first. The map
// must not change during the walk.
class TPointerMapIterator : public TObject {
 public:
  explicit TPointerMapIterator(const TPointerMap& Map) : map_(Map) {}
  const char* ClassName() const override { return "TPointerMapIterator"; }
  // Moves to the next entry; false when there is none.
  bool Next();
  void* Item() const { return item_; }
  void* Data() const { return data_; }

 private:
  const TPointerMap& map_;
  void* item_ = nullptr;
  void* data_ = nullptr;
  int bucketIndex_ = -1;
  int itemIndex_ = -1;
};

// A Width x Height map of 32-bit integers stored row by row; a size change does not rearrange
// the cells (new cells are 0).
class TIntegerMap : public TCustomMap {
 public:
  const char* ClassName() const override { return "TIntegerMap"; }
  bool Empty() const override { return cells_.empty(); }
  // No bounds test.
  int32_t* CellAddress(int X, int Y) {
    return cells_.data() + X + static_cast<intptr_t>(Y) * width_;
  }
  const int32_t* CellAddress(int X, int Y) const {
    return cells_.data() + X + static_cast<intptr_t>(Y) * width_;
  }

 protected:
  // Exception when the cells cannot be allocated; the map is then left empty.
  void Reallocate(int& Width, int& Height, int NewWidth, int NewHeight) override;

 private:
  std::vector<int32_t> cells_;
};

}  // namespace pictavia
