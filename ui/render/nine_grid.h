#pragma once

#include <windows.h>

#include <vector>

namespace ui {

// One piece of a nine-grid drawing: where it goes on the surface and which
// image pixels it shows.
struct ImagePiece {
  RECT dest;
  RECT source;
};

// What a nine-grid drawing is made of. `corner` holds the border widths in
// image pixels, `scaled_corner` the same widths on the surface side (after
// DPI scaling; equal to `corner` at 100 percent).
struct NineGrid {
  RECT paint;
  RECT dest;
  RECT source;
  RECT corner;
  RECT scaled_corner;
  bool xtiled;
  bool ytiled;
};

// True when the two rectangles share at least one pixel.
bool RectsIntersect(const RECT& a, const RECT& b);

// Scales left and top by the percent, and the width and height likewise on
// top of the scaled corner: the DPI rule for corners and image rectangles.
// Nothing at 100 percent.
void ScaleRectByPercent(RECT* rect, int percent);

// The pieces of a nine-grid drawing in drawing order: the centre (stretched,
// or as tiles row by row), then the border pieces top-left, top, top-right,
// left, right, bottom-left, bottom, bottom-right. Pieces outside the paint
// rectangle are left out; nothing when the dest misses it. A tiled centre
// whose tile is less than one pixel wide or high draws nothing.
std::vector<ImagePiece> ComputeNineGridPieces(const NineGrid& grid);

}  // namespace ui
