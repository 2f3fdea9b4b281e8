// Micro-tile grids: the buffer cut into 32 x 32 tiles, each remembering the bounding box of the
// damage inside it, with the operations that add, unite, copy and turn them into rectangles.
#pragma once

#ifndef PICTAVIA_INSIDE_VIEW
#error "micro_tiles.h is private to the view library and its tests"
#endif

#include <cstdint>
#include <vector>

#include "raster/containers.h"
#include "toolkit/geometry.h"

namespace pictavia {

inline constexpr int MicroTileSize = 32;
inline constexpr int MicroTileShift = 5;

// A tile value holds a rectangle in the tile's own coordinates 0..32: left in bits 31-24, top in
// 23-16, right in 15-8, bottom in 7-0 (right and bottom exclusive).
using TMicroTile = uint32_t;
inline constexpr TMicroTile TileNone = 0;
inline constexpr TMicroTile TileWhole = 0x00002020u;

inline constexpr TMicroTile MakeTile(uint32_t l, uint32_t t, uint32_t r, uint32_t b) {
  return (l << 24) | (t << 16) | (r << 8) | b;
}
inline constexpr int TileLeft(TMicroTile m) {
  return static_cast<int>(m >> 24);
}
inline constexpr int TileTop(TMicroTile m) {
  return static_cast<int>((m >> 16) & 0xFF);
}
inline constexpr int TileRight(TMicroTile m) {
  return static_cast<int>((m >> 8) & 0xFF);
}
inline constexpr int TileBottom(TMicroTile m) {
  return static_cast<int>(m & 0xFF);
}
// A tile whose left equals its right, or top its bottom, holds no damage.
inline constexpr bool TileEmpty(TMicroTile m) {
  return TileLeft(m) == TileRight(m) || TileTop(m) == TileBottom(m);
}

struct TTileGrid {
  TRect Bounds;
  int Columns = 0;
  int Rows = 0;
  // Tiles that may be non-empty, in tile units with right and bottom inclusive; nothing used is
  // (Columns, Rows, 0, 0).
  TRect TouchedTiles;
  int Count = 0;
  std::vector<TMicroTile> Tiles;  // row-major, row stride Columns

  TMicroTile& At(int Column, int Row) { return Tiles[static_cast<size_t>(Row) * Columns + Column]; }
  TMicroTile At(int Column, int Row) const {
    return Tiles[static_cast<size_t>(Row) * Columns + Column];
  }
};

// Unites S into D: D stays when it is whole or S adds nothing; otherwise the bounding box.
TMicroTile TileMerge(TMicroTile D, TMicroTile S);

void GridSetSize(TTileGrid& G, const TRect& Bounds);
void GridClear(TTileGrid& G);
void GridClearUsed(TTileGrid& G);
void GridCopy(TTileGrid& Dst, const TTileGrid& Src);
// Adds R (buffer pixels); with WholeTiles every touched tile becomes whole.
void GridAddRect(TTileGrid& G, TRect R, bool WholeTiles);
// Adds a line W pixels wide (doubled, as lines spread both ways) from (X1, Y1) to (X2, Y2).
void GridAddLine(TTileGrid& G, int X1, int Y1, int X2, int Y2, int W, bool WholeTiles);
void GridUnion(TTileGrid& Dst, const TTileGrid& Src, bool WholeTiles);
// Appends the damage as rectangles in buffer pixels, merged along rows and down columns.
void GridToRects(const TTileGrid& G, TRectList& Rects);

// Layer -> footprint grid; the map owns the grids and frees one when its entry goes.
class TMicroTilesMap : public TPointerMap {
 public:
  ~TMicroTilesMap() override;
  // The layer's grid, made (empty, sized 0) when the layer has none yet.
  TTileGrid& GridOf(void* Layer);
  TTileGrid* Find(void* Layer) const;
  void* Delete(int BucketIndex, int ItemIndex) override;
};

}  // namespace pictavia
