// Micro-tile grids: sizing, adding rectangles and lines at both precisions, unions, copies and the
// conversion into merged rectangles.
#include <gtest/gtest.h>

#include <vector>

#include "view/internal/micro_tiles.h"

namespace pictavia {

namespace {

std::vector<TRect> RectsOf(const TTileGrid& g) {
  TRectList list;
  GridToRects(g, list);
  std::vector<TRect> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(*list.Items(i));
  return out;
}

TTileGrid Grid(int w, int h) {
  TTileGrid g;
  GridSetSize(g, Rect(0, 0, w, h));
  return g;
}

}  // namespace

TEST(MicroTiles, GridSizeCountsASpareRowAndColumn) {
  TTileGrid g = Grid(100, 70);
  EXPECT_EQ(g.Columns, 4);
  EXPECT_EQ(g.Rows, 3);
  EXPECT_EQ(g.Count, 20);
  EXPECT_EQ(g.Tiles.size(), 20u);
  EXPECT_EQ(g.TouchedTiles, Rect(4, 3, 0, 0));
}

TEST(MicroTiles, TileMergeRules) {
  EXPECT_EQ(TileMerge(TileWhole, MakeTile(1, 1, 2, 2)), TileWhole);
  EXPECT_EQ(TileMerge(MakeTile(1, 1, 2, 2), 0), MakeTile(1, 1, 2, 2));
  EXPECT_EQ(TileMerge(MakeTile(1, 1, 2, 2), MakeTile(5, 5, 5, 9)), MakeTile(1, 1, 2, 2))
      << "empty S";
  EXPECT_EQ(TileMerge(0, MakeTile(3, 4, 5, 6)), MakeTile(3, 4, 5, 6));
  EXPECT_EQ(TileMerge(MakeTile(1, 1, 2, 2), TileWhole), TileWhole);
  EXPECT_EQ(TileMerge(MakeTile(1, 8, 2, 9), MakeTile(4, 2, 6, 3)), MakeTile(1, 2, 6, 9));
}

TEST(MicroTiles, SubTileDamageAndItsRectangles) {
  TTileGrid g = Grid(100, 70);
  GridAddRect(g, Rect(10, 10, 20, 20), false);
  EXPECT_EQ(g.At(0, 0), MakeTile(10, 10, 20, 20));
  EXPECT_EQ(RectsOf(g), (std::vector<TRect>{Rect(10, 10, 20, 20)}));

  TTileGrid h = Grid(100, 70);
  GridAddRect(h, Rect(30, 10, 40, 20), false);
  EXPECT_EQ(h.At(0, 0), MakeTile(30, 10, 32, 20));
  EXPECT_EQ(h.At(1, 0), MakeTile(0, 10, 8, 20));
  EXPECT_EQ(RectsOf(h), (std::vector<TRect>{Rect(30, 10, 40, 20)})) << "joined across the border";
  EXPECT_EQ(h.TouchedTiles, Rect(0, 0, 1, 0));

  // Damage reaching the right edge of a tile does not join damage in the next tile that starts
  // further in: the gap between them stays out.
  TTileGrid gap = Grid(100, 70);
  GridAddRect(gap, Rect(28, 10, 32, 20), false);
  GridAddRect(gap, Rect(36, 10, 40, 20), false);
  EXPECT_EQ(RectsOf(gap), (std::vector<TRect>{Rect(28, 10, 32, 20), Rect(36, 10, 40, 20)}));

  TTileGrid whole = Grid(100, 70);
  GridAddRect(whole, Rect(30, 10, 40, 20), true);
  EXPECT_EQ(whole.At(0, 0), TileWhole);
  EXPECT_EQ(whole.At(1, 0), TileWhole);
  EXPECT_EQ(RectsOf(whole), (std::vector<TRect>{Rect(0, 0, 64, 32)}));
}

TEST(MicroTiles, WholeAreasAndVerticalMerging) {
  TTileGrid g = Grid(100, 100);
  GridAddRect(g, Rect(0, 0, 64, 64), false);
  EXPECT_EQ(RectsOf(g), (std::vector<TRect>{Rect(0, 0, 64, 64)}));
  EXPECT_EQ(g.At(2, 0), TileNone) << "an area ending on a tile border leaves the next tile alone";

  TTileGrid two = Grid(100, 100);
  GridAddRect(two, Rect(0, 0, 4, 4), false);
  GridAddRect(two, Rect(28, 28, 32, 32), false);
  EXPECT_EQ(RectsOf(two), (std::vector<TRect>{Rect(0, 0, 32, 32)}));
}

TEST(MicroTiles, RectanglesAreClippedToTheBuffer) {
  TTileGrid g = Grid(100, 70);
  GridAddRect(g, Rect(-50, -50, 500, 500), false);
  EXPECT_EQ(RectsOf(g), (std::vector<TRect>{Rect(0, 0, 100, 70)}));
  TTileGrid left = Grid(100, 70);
  GridAddRect(left, Rect(-50, 10, -10, 20), false);
  EXPECT_TRUE(RectsOf(left).empty());
  TTileGrid empty;
  GridAddRect(empty, Rect(0, 0, 10, 10), false);  // a grid without tiles ignores additions
  EXPECT_TRUE(RectsOf(empty).empty());
}

TEST(MicroTiles, SeparateDamageStaysSeparate) {
  TTileGrid g = Grid(200, 200);
  GridAddRect(g, Rect(0, 0, 10, 10), false);
  GridAddRect(g, Rect(100, 100, 110, 110), false);
  EXPECT_EQ(RectsOf(g), (std::vector<TRect>{Rect(0, 0, 10, 10), Rect(100, 100, 110, 110)}));
}

TEST(MicroTiles, LinesCoverTheirPathOnly) {
  TTileGrid g = Grid(256, 256);
  GridAddLine(g, 0, 0, 200, 200, 1, false);
  // The diagonal touches the tiles along it and none far from it.
  EXPECT_NE(g.At(0, 0), TileNone);
  EXPECT_NE(g.At(3, 3), TileNone);
  EXPECT_EQ(g.At(6, 0), TileNone);
  EXPECT_EQ(g.At(0, 6), TileNone);
  TTileGrid h = Grid(256, 256);
  GridAddLine(h, 10, 50, 90, 50, 2, false);
  EXPECT_EQ(RectsOf(h), (std::vector<TRect>{Rect(6, 46, 94, 54)}))
      << "horizontal: grown by 2 x width";
}

TEST(MicroTiles, UnionCopyAndClearUsed) {
  TTileGrid a = Grid(128, 128), b = Grid(128, 128);
  GridAddRect(a, Rect(5, 5, 10, 10), false);
  GridAddRect(b, Rect(70, 70, 80, 80), false);
  GridUnion(a, b, false);
  EXPECT_EQ(RectsOf(a), (std::vector<TRect>{Rect(5, 5, 10, 10), Rect(70, 70, 80, 80)}));
  TTileGrid w = Grid(128, 128);
  GridUnion(w, b, true);
  EXPECT_EQ(RectsOf(w), (std::vector<TRect>{Rect(64, 64, 96, 96)}));

  TTileGrid c;
  GridCopy(c, a);
  EXPECT_EQ(RectsOf(c), RectsOf(a));
  GridClearUsed(a);
  EXPECT_TRUE(RectsOf(a).empty());
  EXPECT_EQ(a.TouchedTiles, Rect(a.Columns, a.Rows, 0, 0));
  GridCopy(c, b);
  EXPECT_EQ(RectsOf(c), (std::vector<TRect>{Rect(70, 70, 80, 80)})) << "old damage cleared";
}

TEST(MicroTiles, FootprintMapOwnsItsGrids) {
  TMicroTilesMap map;
  int layerA = 0, layerB = 0;
  TTileGrid& g = map.GridOf(&layerA);
  GridSetSize(g, Rect(0, 0, 64, 64));
  EXPECT_EQ(&map.GridOf(&layerA), &g);
  map.GridOf(&layerB);
  EXPECT_EQ(map.Count(), 2);
  EXPECT_EQ(map.Find(&layerA), &g);
  map.Remove(&layerA);  // frees the grid (the sanitizer run would catch a leak or a double free)
  EXPECT_EQ(map.Find(&layerA), nullptr);
  EXPECT_EQ(map.Count(), 1);
}

}  // namespace pictavia
