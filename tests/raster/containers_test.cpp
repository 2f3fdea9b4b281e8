// The rectangle list, the pointer map with its iterator and release hook, and the integer map.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "raster/containers.h"

namespace pictavia {

namespace {

void* Address(uintptr_t a) {
  return reinterpret_cast<void*>(a);
}

// A map that owns its data like the repaint optimiser's: Delete frees what the data points to.
class TOwningMap : public TPointerMap {
 public:
  ~TOwningMap() override { Clear(); }
  void* Delete(int BucketIndex, int ItemIndex) override {
    void* data = TPointerMap::Delete(BucketIndex, ItemIndex);
    delete static_cast<int*>(data);
    ++released;
    return nullptr;
  }
  int released = 0;
};

}  // namespace

TEST(RectList, GrowsInItsStepsAndKeepsOrderOnDelete) {
  TRectList list;
  std::vector<int> capacities = {list.Capacity()};
  for (int i = 0; i < 150; ++i) {
    EXPECT_EQ(list.Add(Rect(i, 0, i + 1, 1)), i);
    if (list.Capacity() != capacities.back()) capacities.push_back(list.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{0, 8, 16, 48, 80, 112, 144, 180}));
  EXPECT_EQ(list.Items(-1), nullptr);
  EXPECT_EQ(list.Items(list.Count()), nullptr);
  ASSERT_NE(list.Items(149), nullptr);
  EXPECT_EQ(list.Items(149)->Left, 149);

  list.Delete(0);
  list.Delete(147);  // the old 148
  EXPECT_EQ(list.Count(), 148);
  EXPECT_EQ(list.Items(0)->Left, 1);
  EXPECT_EQ(list.Items(146)->Left, 147);
  EXPECT_EQ(list.Items(147)->Left, 149);
  EXPECT_THROW(list.Delete(148), EListError);
  EXPECT_THROW(list.Delete(-1), EListError);

  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 10);
}

TEST(RectList, CountAndCapacityRules) {
  TRectList list;
  list.Add(Rect(1, 2, 3, 4));
  list.SetCount(20);
  EXPECT_EQ(list.Capacity(), 20);
  EXPECT_EQ(*list.Items(0), Rect(1, 2, 3, 4));
  EXPECT_EQ(*list.Items(19), Rect(0, 0, 0, 0)) << "new rectangles are zero";
  list.Items(19)->Left = 7;
  list.SetCount(5);
  list.SetCount(20);
  EXPECT_EQ(list.Items(19)->Left, 0) << "rectangles dropped and grown again are zero again";
  EXPECT_THROW(list.SetCapacity(3), EListError);
  EXPECT_THROW(list.SetCount(-1), EListError);
  list.SetCount(0);
  list.SetCapacity(0);
  EXPECT_EQ(list.Capacity(), 0);
  EXPECT_EQ(list.Add(Rect(0, 0, 1, 1)), 0);
}

TEST(PointerMap, AddFindRemoveAndTheSameItemTwice) {
  TPointerMap map;
  int a = 1, b = 2;
  bool isNew = false;
  void** slot = map.Add(&a, &b, isNew);
  EXPECT_TRUE(isNew);
  EXPECT_EQ(*slot, &b);
  void** again = map.Add(&a, nullptr, isNew);
  EXPECT_FALSE(isNew);
  EXPECT_EQ(again, slot);
  EXPECT_EQ(*again, &b) << "the second Add does not store its data";
  EXPECT_EQ(map.Count(), 1);

  // Addresses equal in bits 8-15 share a bucket and are still told apart.
  void* p = Address(0x12345600);
  void* q = Address(0x98765610);
  ASSERT_EQ(TPointerMap::BucketOf(p), TPointerMap::BucketOf(q));
  map.Add(p, Address(1), isNew);
  map.Add(q, Address(2), isNew);
  int bucket, index;
  ASSERT_TRUE(map.Find(q, bucket, index));
  EXPECT_EQ(bucket, 0x56);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(map.Data(p), Address(1));
  EXPECT_EQ(map.Data(q), Address(2));

  EXPECT_EQ(map.Remove(p), Address(1));
  EXPECT_EQ(map.Remove(p), nullptr);
  EXPECT_EQ(map.Data(q), Address(2)) << "the later entry moved down";
  EXPECT_EQ(map.Count(), 2);
  EXPECT_THROW(map.Delete(0x56, 5), EListError);

  try {
    map.Data(Address(0xABCD12));
    ADD_FAILURE() << "no exception";
  } catch (const EListError& e) {
    EXPECT_EQ(std::string(e.what()), "Item not found ($0abcd12)");
  }
}

TEST(PointerMap, BucketsGrowAndTheIteratorWalksEachBucketBackwards) {
  TPointerMap map;
  bool isNew;
  // 100 items in one bucket make its array grow several times.
  for (uintptr_t i = 0; i < 100; ++i) map.Add(Address(0x7700 + (i << 16)), Address(i + 1), isNew);
  map.Add(Address(0x0100), Address(1000), isNew);
  map.Add(Address(0xFF00), Address(2000), isNew);
  EXPECT_EQ(map.Count(), 102);

  TPointerMapIterator it(map);
  std::vector<void*> items;
  while (it.Next()) items.push_back(it.Item());
  ASSERT_EQ(items.size(), 102u);
  EXPECT_EQ(items.front(), Address(0x0100));
  EXPECT_EQ(items[1], Address(0x7700 + (uintptr_t{99} << 16)))
      << "a bucket runs from its last entry";
  EXPECT_EQ(items[100], Address(0x7700));
  EXPECT_EQ(items.back(), Address(0xFF00));
  EXPECT_FALSE(it.Next());

  // A map whose only item sits in bucket 255.
  TPointerMap last;
  last.Add(Address(0xABFF00), Address(5), isNew);
  TPointerMapIterator one(last);
  ASSERT_TRUE(one.Next());
  EXPECT_EQ(one.Item(), Address(0xABFF00));
  EXPECT_EQ(one.Data(), Address(5));
  EXPECT_FALSE(one.Next());
  EXPECT_FALSE(one.Next());

  TPointerMap empty;
  TPointerMapIterator none(empty);
  EXPECT_FALSE(none.Next());
}

TEST(PointerMap, ClearHandsEveryDataPointerToTheOverride) {
  int released = 0;
  {
    TOwningMap map;
    bool isNew;
    std::vector<int> keys(40);
    for (int& k : keys) map.Add(&k, new int(1), isNew);
    map.Remove(&keys[3]);
    EXPECT_EQ(map.released, 1);
    EXPECT_EQ(map.Count(), 39);
    map.Clear();
    EXPECT_EQ(map.Count(), 0);
    EXPECT_EQ(map.released, 40);
    for (int& k : keys) map.Add(&k, new int(2), isNew);
    released = map.released;
  }  // the destructor frees the second set (LeakSanitizer checks)
  EXPECT_EQ(released, 40);
}

TEST(IntegerMap, CellsFollowTheSize) {
  TIntegerMap map;
  EXPECT_TRUE(map.Empty());
  map.SetSize(3, 2);
  EXPECT_FALSE(map.Empty());
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(*map.CellAddress(x, y), 0);
  *map.CellAddress(2, 1) = -7;
  EXPECT_EQ(map.CellAddress(2, 1) - map.CellAddress(0, 0), 5);
  map.SetSize(2, 3);
  EXPECT_EQ(*map.CellAddress(1, 2), -7) << "the cells are not rearranged";
  map.SetSize(0, 3);
  EXPECT_TRUE(map.Empty());
  EXPECT_THROW(map.SetSize(1 << 20, 1 << 20), Exception);
  EXPECT_TRUE(map.Empty());
}

}  // namespace pictavia
