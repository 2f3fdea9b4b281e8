// Micro-tile grid operations.
#include "view/internal/micro_tiles.h"

#include <algorithm>
#include <cstdlib>

namespace pictavia {

TMicroTile TileMerge(TMicroTile D, TMicroTile S) {
  if (D == TileWhole || S == 0 || TileEmpty(S)) return D;
  if (D == 0 || S == TileWhole) return S;
  return MakeTile(std::min(TileLeft(D), TileLeft(S)), std::min(TileTop(D), TileTop(S)),
                  std::max(TileRight(D), TileRight(S)), std::max(TileBottom(D), TileBottom(S)));
}

namespace {

void NoTilesUsed(TTileGrid& G) {
  G.TouchedTiles = Rect(G.Columns, G.Rows, 0, 0);
}

void Touch(TTileGrid& G, int c0, int r0, int c1, int r1) {
  G.TouchedTiles.Left = std::min(G.TouchedTiles.Left, c0);
  G.TouchedTiles.Top = std::min(G.TouchedTiles.Top, r0);
  G.TouchedTiles.Right = std::max(G.TouchedTiles.Right, c1);
  G.TouchedTiles.Bottom = std::max(G.TouchedTiles.Bottom, r1);
}

// The touched tiles as loop limits inside the grid (right and bottom inclusive).
bool UsedRange(const TTileGrid& G, int& c0, int& r0, int& c1, int& r1) {
  c0 = std::max(G.TouchedTiles.Left, 0);
  r0 = std::max(G.TouchedTiles.Top, 0);
  c1 = std::min(G.TouchedTiles.Right, G.Columns - 1);
  r1 = std::min(G.TouchedTiles.Bottom, G.Rows - 1);
  return c0 <= c1 && r0 <= r1;
}

}  // namespace

void GridSetSize(TTileGrid& G, const TRect& Bounds) {
  G.Bounds = Bounds;
  G.Columns = (Bounds.Right - Bounds.Left) / MicroTileSize + 1;
  G.Rows = (Bounds.Bottom - Bounds.Top) / MicroTileSize + 1;
  G.Count = (G.Columns + 1) * (G.Rows + 1);
  G.Tiles.assign(static_cast<size_t>(G.Count), TileNone);
  GridClear(G);
}

void GridClear(TTileGrid& G) {
  std::fill(G.Tiles.begin(), G.Tiles.end(), TileNone);
  NoTilesUsed(G);
}

void GridClearUsed(TTileGrid& G) {
  int c0, r0, c1, r1;
  if (!G.Tiles.empty() && UsedRange(G, c0, r0, c1, r1))
    for (int r = r0; r <= r1; ++r) std::fill_n(&G.At(c0, r), c1 - c0 + 1, TileNone);
  NoTilesUsed(G);
}

void GridCopy(TTileGrid& Dst, const TTileGrid& Src) {
  if (!Dst.Tiles.empty()) GridClearUsed(Dst);
  Dst.Bounds = Src.Bounds;
  Dst.Columns = Src.Columns;
  Dst.Rows = Src.Rows;
  Dst.TouchedTiles = Src.TouchedTiles;
  Dst.Count = Src.Count;
  // Tiles outside the old used range are already zero; grown arrays get zero tiles.
  if (Dst.Tiles.size() != Src.Tiles.size()) Dst.Tiles.assign(Src.Tiles.size(), TileNone);
  int c0, r0, c1, r1;
  if (UsedRange(Src, c0, r0, c1, r1))
    for (int r = r0; r <= r1; ++r) {
      const size_t from = static_cast<size_t>(r) * Src.Columns + c0;
      std::copy_n(Src.Tiles.begin() + static_cast<std::ptrdiff_t>(from), c1 - c0 + 1,
                  &Dst.At(c0, r));
    }
}

void GridAddRect(TTileGrid& G, TRect R, bool WholeTiles) {
  if (G.Count == 0 || G.Tiles.empty()) return;
  if (R.Right < R.Left) std::swap(R.Left, R.Right);
  if (R.Bottom < R.Top) std::swap(R.Top, R.Bottom);
  R.Left = std::max(R.Left, 0);
  R.Top = std::max(R.Top, 0);
  R.Right = std::min(R.Right, G.Columns * MicroTileSize);
  R.Bottom = std::min(R.Bottom, G.Rows * MicroTileSize);
  if (R.Right < R.Left || R.Bottom < R.Top) return;
  // The last tile is the one holding the last pixel (right and bottom are exclusive), so an area
  // ending on a tile border never marks the tile after it.
  const int c0 = R.Left >> MicroTileShift, r0 = R.Top >> MicroTileShift;
  const int c1 =
      std::min(G.Columns - 1, (R.Right > R.Left ? R.Right - 1 : R.Right) >> MicroTileShift);
  const int r1 =
      std::min(G.Rows - 1, (R.Bottom > R.Top ? R.Bottom - 1 : R.Bottom) >> MicroTileShift);
  if (c0 > c1 || r0 > r1) return;
  if (WholeTiles) {
    for (int r = r0; r <= r1; ++r) std::fill_n(&G.At(c0, r), c1 - c0 + 1, TileWhole);
  } else {
    for (int r = r0; r <= r1; ++r) {
      const int oy = r * MicroTileSize;
      const int t = std::max(R.Top - oy, 0), b = std::min(R.Bottom - oy, MicroTileSize);
      if (b <= t) continue;
      for (int c = c0; c <= c1; ++c) {
        const int ox = c * MicroTileSize;
        const int l = std::max(R.Left - ox, 0), rr = std::min(R.Right - ox, MicroTileSize);
        if (rr <= l) continue;
        TMicroTile& tile = G.At(c, r);
        tile = TileMerge(tile, MakeTile(l, t, rr, b));
      }
    }
  }
  Touch(G, c0, r0, c1, r1);
}

void GridAddLine(TTileGrid& G, int X1, int Y1, int X2, int Y2, int W, bool WholeTiles) {
  W *= 2;
  if (X1 == X2 || Y1 == Y2) {
    TRect r = Rect(X1, Y1, X2, Y2);
    if (r.Right < r.Left) std::swap(r.Left, r.Right);
    if (r.Bottom < r.Top) std::swap(r.Top, r.Bottom);
    InflateRect(r, W, W);
    GridAddRect(G, r, WholeTiles);
    return;
  }
  // Pieces whose longer extent is one tile, stepped in 16.16 fixed point.
  const int dx = X2 - X1, dy = Y2 - Y1;
  const int longest = std::max(std::abs(dx), std::abs(dy));
  const int pieces = (longest + MicroTileSize - 1) / MicroTileSize;
  const int64_t stepX = (static_cast<int64_t>(dx) << 16) / pieces;
  const int64_t stepY = (static_cast<int64_t>(dy) << 16) / pieces;
  int64_t x = static_cast<int64_t>(X1) << 16, y = static_cast<int64_t>(Y1) << 16;
  for (int i = 0; i < pieces; ++i) {
    const int64_t nx = i + 1 == pieces ? static_cast<int64_t>(X2) << 16 : x + stepX;
    const int64_t ny = i + 1 == pieces ? static_cast<int64_t>(Y2) << 16 : y + stepY;
    TRect r = Rect(static_cast<int32_t>(std::min(x, nx) >> 16),
                   static_cast<int32_t>(std::min(y, ny) >> 16),
                   static_cast<int32_t>((std::max(x, nx) + 0xFFFF) >> 16),
                   static_cast<int32_t>((std::max(y, ny) + 0xFFFF) >> 16));
    InflateRect(r, W, W);
    GridAddRect(G, r, WholeTiles);
    x = nx;
    y = ny;
  }
}

void GridUnion(TTileGrid& Dst, const TTileGrid& Src, bool WholeTiles) {
  if (Src.Count == 0 || Src.Tiles.empty() || Dst.Tiles.empty()) return;
  int c0, r0, c1, r1;
  if (!UsedRange(Src, c0, r0, c1, r1)) return;
  c1 = std::min(c1, Dst.Columns - 1);
  r1 = std::min(r1, Dst.Rows - 1);
  for (int r = r0; r <= r1; ++r) {
    for (int c = c0; c <= c1; ++c) {
      const TMicroTile s = Src.At(c, r);
      TMicroTile& d = Dst.At(c, r);
      if (WholeTiles) {
        if (s != 0 && !TileEmpty(s) && d != TileWhole) d = TileWhole;
      } else {
        d = TileMerge(d, s);
      }
    }
  }
  Touch(Dst, c0, r0, c1, r1);
}

void GridToRects(const TTileGrid& G, TRectList& Rects) {
  if (G.Tiles.empty()) return;
  const TRect& b = G.Bounds;
  auto clampX = [&](int v) { return std::clamp(v, b.Left, b.Right); };
  auto clampY = [&](int v) { return std::clamp(v, b.Top, b.Bottom); };
  // For every tile, the rectangle that ended just above it (for merging downwards), or -1.
  std::vector<int> above(static_cast<size_t>(G.Columns) * G.Rows, -1);
  std::vector<TRect> found;
  for (int r = 0; r < G.Rows; ++r) {
    for (int c = 0; c < G.Columns;) {
      const TMicroTile t = G.At(c, r);
      if (t == 0 || TileEmpty(t)) {
        ++c;
        continue;
      }
      const int top = clampY(r * MicroTileSize + TileTop(t));
      const int bottom = clampY(r * MicroTileSize + TileBottom(t));
      const int left = clampX(c * MicroTileSize + TileLeft(t));
      const size_t s = static_cast<size_t>(r) * G.Columns + c;
      // Run on through tiles of the same band, as long as the damage reaches across borders.
      int last = c;
      while (TileRight(G.At(last, r)) == MicroTileSize && last + 1 < G.Columns) {
        const TMicroTile n = G.At(last + 1, r);
        if (n == 0 || TileEmpty(n) || TileTop(n) != TileTop(t) || TileBottom(n) != TileBottom(t) ||
            TileLeft(n) != 0)
          break;
        ++last;
      }
      const int right = clampX(last * MicroTileSize + TileRight(G.At(last, r)));
      if (right > left && bottom > top) {
        int index = above[s];
        if (index >= 0 && found[static_cast<size_t>(index)].Left == left &&
            found[static_cast<size_t>(index)].Right == right &&
            found[static_cast<size_t>(index)].Bottom == top) {
          found[static_cast<size_t>(index)].Bottom = bottom;
        } else {
          index = static_cast<int>(found.size());
          found.push_back(Rect(left, top, right, bottom));
        }
        if (r + 1 < G.Rows) above[s + static_cast<size_t>(G.Columns)] = index;
      }
      c = last + 1;
    }
  }
  for (const TRect& r : found) Rects.Add(r);
}

TMicroTilesMap::~TMicroTilesMap() {
  Clear();
}

TTileGrid& TMicroTilesMap::GridOf(void* Layer) {
  bool isNew = false;
  void** slot = Add(Layer, isNew);
  if (isNew || *slot == nullptr) *slot = new TTileGrid();
  return *static_cast<TTileGrid*>(*slot);
}

TTileGrid* TMicroTilesMap::Find(void* Layer) const {
  int bucket, item;
  if (!TPointerMap::Find(Layer, bucket, item)) return nullptr;
  return static_cast<TTileGrid*>(Data(Layer));
}

void* TMicroTilesMap::Delete(int BucketIndex, int ItemIndex) {
  void* data = TPointerMap::Delete(BucketIndex, ItemIndex);
  delete static_cast<TTileGrid*>(data);
  return nullptr;
}

}  // namespace pictavia
