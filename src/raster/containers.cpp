// The rectangle list, the pointer map with its iterator, and the integer map.
#include "raster/containers.h"

#include <algorithm>
#include <cinttypes>
#include <new>

#include "toolkit/exceptions.h"

namespace pictavia {

// ---------------------------------------------------------------------------------------------
// TRectList

TRectList::~TRectList() {
  count_ = 0;
  list_.reset();
  capacity_ = 0;
}

int TRectList::Add(const TRect& Rect) {
  if (count_ == capacity_) Grow();
  list_[static_cast<size_t>(count_)] = Rect;
  return count_++;
}

void TRectList::Delete(int Index) {
  if (Index < 0 || Index >= count_) throw EListError(Format(SListIndexError, Index));
  --count_;
  std::copy(list_.get() + Index + 1, list_.get() + count_ + 1, list_.get() + Index);
}

TRect* TRectList::Items(int Index) {
  if (Index < 0 || Index >= count_) return nullptr;
  return list_.get() + Index;
}

const TRect* TRectList::Items(int Index) const {
  if (Index < 0 || Index >= count_) return nullptr;
  return list_.get() + Index;
}

void TRectList::SetCount(int Value) {
  if (Value < 0) throw EListError(Format("List count out of bounds (%d)", Value));
  if (Value > capacity_) SetCapacity(Value);
  if (Value > count_) std::fill(list_.get() + count_, list_.get() + Value, TRect{});
  count_ = Value;
}

void TRectList::SetCapacity(int Value) {
  if (Value == capacity_) return;
  if (Value < count_) throw EListError(Format("List capacity out of bounds (%d)", Value));
  std::unique_ptr<TRect[]> list;
  if (Value > 0) {
    list.reset(new TRect[static_cast<size_t>(Value)]);
    std::copy(list_.get(), list_.get() + count_, list.get());
  }
  list_ = std::move(list);
  capacity_ = Value;
}

void TRectList::Clear() {
  SetCount(0);
  SetCapacity(10);
}

void TRectList::Grow() {
  int delta;
  if (capacity_ > 128)
    delta = capacity_ / 4;
  else if (capacity_ < 9)
    delta = 8;
  else
    delta = 32;
  SetCapacity(capacity_ + delta);
}

// ---------------------------------------------------------------------------------------------
// TPointerMap

TPointerMap::~TPointerMap() {
  Clear();
}

void** TPointerMap::Add(void* Item, void* Data, bool& NewItem) {
  int bucketIndex, itemIndex;
  if (Find(Item, bucketIndex, itemIndex)) {
    NewItem = false;
    return &buckets_[bucketIndex].Items[static_cast<size_t>(itemIndex)].Data;
  }
  TBucket& bucket = buckets_[bucketIndex];
  const size_t length = bucket.Items.size();
  if (static_cast<size_t>(bucket.Count) == length) {
    size_t delta;
    if (length > 64)
      delta = length / 4;
    else if (length < 9)
      delta = 4;
    else
      delta = 16;
    bucket.Items.resize(length + delta);
  }
  TPointerBucketItem& entry = bucket.Items[static_cast<size_t>(bucket.Count)];
  entry.Item = Item;
  entry.Data = Data;
  ++bucket.Count;
  ++count_;
  NewItem = true;
  return &entry.Data;
}

bool TPointerMap::Find(void* Item, int& BucketIndex, int& ItemIndex) const {
  BucketIndex = BucketOf(Item);
  const TBucket& bucket = buckets_[BucketIndex];
  for (int i = 0; i < bucket.Count; ++i) {
    if (bucket.Items[static_cast<size_t>(i)].Item == Item) {
      ItemIndex = i;
      return true;
    }
  }
  ItemIndex = -1;
  return false;
}

void* TPointerMap::Remove(void* Item) {
  int bucketIndex, itemIndex;
  if (!Find(Item, bucketIndex, itemIndex)) return nullptr;
  return Delete(bucketIndex, itemIndex);
}

void* TPointerMap::Delete(int BucketIndex, int ItemIndex) {
  if (BucketIndex < 0 || BucketIndex >= BucketCount)
    throw EListError(Format(SListIndexError, BucketIndex));
  TBucket& bucket = buckets_[BucketIndex];
  // Inside Clear the bucket's count is still set while its entries are handed out.
  if (ItemIndex < 0 || ItemIndex >= bucket.Count)
    throw EListError(Format(SListIndexError, ItemIndex));
  void* data = bucket.Items[static_cast<size_t>(ItemIndex)].Data;
  if (count_ == 0) return data;
  if (bucket.Count == 1) {
    std::vector<TPointerBucketItem>().swap(bucket.Items);
  } else {
    std::copy(bucket.Items.begin() + ItemIndex + 1, bucket.Items.begin() + bucket.Count,
              bucket.Items.begin() + ItemIndex);
    bucket.Items[static_cast<size_t>(bucket.Count - 1)] = TPointerBucketItem{};
  }
  --bucket.Count;
  --count_;
  return data;
}

void* TPointerMap::Data(void* Item) const {
  int bucketIndex, itemIndex;
  if (!Find(Item, bucketIndex, itemIndex))
    throw EListError(Format("Item not found ($0%" PRIxPTR ")", reinterpret_cast<uintptr_t>(Item)));
  return buckets_[bucketIndex].Items[static_cast<size_t>(itemIndex)].Data;
}

void TPointerMap::Clear() {
  count_ = 0;
  for (int b = 0; b < BucketCount; ++b) {
    TBucket& bucket = buckets_[b];
    for (int i = bucket.Count - 1; i >= 0; --i) Delete(b, i);
    bucket.Count = 0;
    std::vector<TPointerBucketItem>().swap(bucket.Items);
  }
}

// ---------------------------------------------------------------------------------------------
// TPointerMapIterator

bool TPointerMapIterator::Next() {
  if (itemIndex_ > 0) {
    --itemIndex_;
  } else {
    int b = bucketIndex_ + 1;
    while (b < TPointerMap::BucketCount && map_.buckets_[b].Count == 0) ++b;
    if (b >= TPointerMap::BucketCount) {
      // Stay past the end, so further calls keep returning false.
      bucketIndex_ = TPointerMap::BucketCount;
      itemIndex_ = -1;
      return false;
    }
    bucketIndex_ = b;
    itemIndex_ = map_.buckets_[b].Count - 1;
  }
  const TPointerBucketItem& entry =
      map_.buckets_[bucketIndex_].Items[static_cast<size_t>(itemIndex_)];
  item_ = entry.Item;
  data_ = entry.Data;
  return true;
}

// ---------------------------------------------------------------------------------------------
// TIntegerMap

void TIntegerMap::Reallocate(int& Width, int& Height, int NewWidth, int NewHeight) {
  // As large as the largest picture; a bigger request is refused instead of exhausting memory.
  constexpr int64_t kMaxCells = int64_t{1} << 28;
  const int64_t cells = static_cast<int64_t>(NewWidth) * NewHeight;
  bool allocated = false;
  if (cells <= kMaxCells) {
    try {
      cells_.resize(static_cast<size_t>(cells));
      allocated = true;
    } catch (const std::bad_alloc&) {
    }
  }
  if (!allocated) {
    std::vector<int32_t>().swap(cells_);
    Width = 0;
    Height = 0;
    throw EOutOfMemory(Format("Can't allocate an integer map of %d x %d", NewWidth, NewHeight));
  }
  Width = NewWidth;
  Height = NewHeight;
}

}  // namespace pictavia
