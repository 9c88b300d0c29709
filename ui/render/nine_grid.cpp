#include "ui/render/nine_grid.h"

#include <algorithm>

namespace ui {
namespace {

RECT MakeRect(LONG left, LONG top, LONG right, LONG bottom) {
  RECT rect = {left, top, right, bottom};
  return rect;
}

// Tiles of the centre; a column spans the whole height unless ytiled and a
// row the whole width unless xtiled, so the source is stretched along an
// axis that is not tiled.
void AddTiles(const NineGrid& grid, const RECT& dest, const RECT& source,
              std::vector<ImagePiece>* pieces) {
  const LONG tile_width = source.right - source.left;
  const LONG tile_height = source.bottom - source.top;
  if ((grid.xtiled && tile_width <= 0) || (grid.ytiled && tile_height <= 0)) return;
  const LONG width = dest.right - dest.left;
  const LONG height = dest.bottom - dest.top;
  const LONG columns = grid.xtiled ? (width + tile_width - 1) / tile_width : 1;
  const LONG rows = grid.ytiled ? (height + tile_height - 1) / tile_height : 1;
  for (LONG row = 0; row < rows; ++row) {
    LONG top = dest.top;
    LONG bottom = dest.bottom;
    LONG source_height = tile_height;
    if (grid.ytiled) {
      top = dest.top + row * tile_height;
      bottom = std::min(top + tile_height, dest.bottom);
      source_height = bottom - top;
    }
    for (LONG column = 0; column < columns; ++column) {
      LONG left = dest.left;
      LONG right = dest.right;
      LONG source_width = tile_width;
      if (grid.xtiled) {
        left = dest.left + column * tile_width;
        right = std::min(left + tile_width, dest.right);
        source_width = right - left;
      }
      pieces->push_back({MakeRect(left, top, right, bottom),
                         MakeRect(source.left, source.top, source.left + source_width,
                                  source.top + source_height)});
    }
  }
}

}  // namespace

bool RectsIntersect(const RECT& a, const RECT& b) {
  return std::max(a.left, b.left) < std::min(a.right, b.right) &&
         std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

void ScaleRectByPercent(RECT* rect, int percent) {
  if (percent == 100) return;
  const LONG width = MulDiv(rect->right - rect->left, percent, 100);
  const LONG height = MulDiv(rect->bottom - rect->top, percent, 100);
  rect->left = MulDiv(rect->left, percent, 100);
  rect->top = MulDiv(rect->top, percent, 100);
  rect->right = rect->left + width;
  rect->bottom = rect->top + height;
}

std::vector<ImagePiece> ComputeNineGridPieces(const NineGrid& grid) {
  std::vector<ImagePiece> pieces;
  if (!RectsIntersect(grid.dest, grid.paint)) return pieces;
  const RECT& d = grid.dest;
  const RECT& s = grid.source;
  const RECT& c = grid.corner;
  const RECT& cd = grid.scaled_corner;

  const RECT centre_dest =
      MakeRect(d.left + cd.left, d.top + cd.top, d.right - cd.right, d.bottom - cd.bottom);
  const RECT centre_source =
      MakeRect(s.left + c.left, s.top + c.top, s.right - c.right, s.bottom - c.bottom);
  if (RectsIntersect(centre_dest, grid.paint)) {
    if (grid.xtiled || grid.ytiled) {
      AddTiles(grid, centre_dest, centre_source, &pieces);
    } else {
      pieces.push_back({centre_dest, centre_source});
    }
  }

  struct Border {
    bool wanted;
    RECT dest;
    RECT source;
  };
  const Border borders[] = {
      {c.left > 0 && c.top > 0, MakeRect(d.left, d.top, d.left + cd.left, d.top + cd.top),
       MakeRect(s.left, s.top, s.left + c.left, s.top + c.top)},
      {c.top > 0, MakeRect(d.left + cd.left, d.top, d.right - cd.right, d.top + cd.top),
       MakeRect(s.left + c.left, s.top, s.right - c.right, s.top + c.top)},
      {c.right > 0 && c.top > 0, MakeRect(d.right - cd.right, d.top, d.right, d.top + cd.top),
       MakeRect(s.right - c.right, s.top, s.right, s.top + c.top)},
      {c.left > 0, MakeRect(d.left, d.top + cd.top, d.left + cd.left, d.bottom - cd.bottom),
       MakeRect(s.left, s.top + c.top, s.left + c.left, s.bottom - c.bottom)},
      {c.right > 0, MakeRect(d.right - cd.right, d.top + cd.top, d.right, d.bottom - cd.bottom),
       MakeRect(s.right - c.right, s.top + c.top, s.right, s.bottom - c.bottom)},
      {c.left > 0 && c.bottom > 0,
       MakeRect(d.left, d.bottom - cd.bottom, d.left + cd.left, d.bottom),
       MakeRect(s.left, s.bottom - c.bottom, s.left + c.left, s.bottom)},
      {c.bottom > 0, MakeRect(d.left + cd.left, d.bottom - cd.bottom, d.right - cd.right, d.bottom),
       MakeRect(s.left + c.left, s.bottom - c.bottom, s.right - c.right, s.bottom)},
      {c.right > 0 && c.bottom > 0,
       MakeRect(d.right - cd.right, d.bottom - cd.bottom, d.right, d.bottom),
       MakeRect(s.right - c.right, s.bottom - c.bottom, s.right, s.bottom)},
  };
  for (const Border& border : borders) {
    if (border.wanted && RectsIntersect(border.dest, grid.paint)) {
      pieces.push_back({border.dest, border.source});
    }
  }
  return pieces;
}

}  // namespace ui
