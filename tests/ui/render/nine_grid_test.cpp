#include "ui/render/nine_grid.h"

#include <ostream>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ui {

bool operator==(const ImagePiece& a, const ImagePiece& b) {
  return EqualRect(&a.dest, &b.dest) && EqualRect(&a.source, &b.source);
}

std::ostream& operator<<(std::ostream& out, const ImagePiece& piece) {
  return out << "{dest " << piece.dest.left << "," << piece.dest.top << "," << piece.dest.right
             << "," << piece.dest.bottom << " source " << piece.source.left << ","
             << piece.source.top << "," << piece.source.right << "," << piece.source.bottom << "}";
}

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr RECT kEverywhere = {-1000, -1000, 1000, 1000};
constexpr RECT kNoCorner = {0, 0, 0, 0};

ImagePiece Piece(RECT dest, RECT source) { return ImagePiece{dest, source}; }

NineGrid Grid(RECT dest, RECT source, RECT corner, bool xtiled = false, bool ytiled = false) {
  return NineGrid{kEverywhere, dest, source, corner, corner, xtiled, ytiled};
}

TEST(NineGrid, WithoutCornersOnlyTheStretchedCentreIsDrawn) {
  EXPECT_THAT(ComputeNineGridPieces(Grid({10, 10, 110, 60}, {0, 0, 20, 20}, kNoCorner)),
              ElementsAre(Piece({10, 10, 110, 60}, {0, 0, 20, 20})));
}

TEST(NineGrid, AllNinePiecesInDrawingOrder) {
  EXPECT_THAT(ComputeNineGridPieces(Grid({0, 0, 100, 50}, {0, 0, 30, 30}, {4, 5, 6, 7})),
              ElementsAre(Piece({4, 5, 94, 43}, {4, 5, 24, 23}),         // centre
                          Piece({0, 0, 4, 5}, {0, 0, 4, 5}),             // top-left
                          Piece({4, 0, 94, 5}, {4, 0, 24, 5}),           // top
                          Piece({94, 0, 100, 5}, {24, 0, 30, 5}),        // top-right
                          Piece({0, 5, 4, 43}, {0, 5, 4, 23}),           // left
                          Piece({94, 5, 100, 43}, {24, 5, 30, 23}),      // right
                          Piece({0, 43, 4, 50}, {0, 23, 4, 30}),         // bottom-left
                          Piece({4, 43, 94, 50}, {4, 23, 24, 30}),       // bottom
                          Piece({94, 43, 100, 50}, {24, 23, 30, 30})));  // bottom-right
}

TEST(NineGrid, OnlyPositiveCornerWidthsMakeBorders) {
  EXPECT_THAT(
      ComputeNineGridPieces(Grid({0, 0, 40, 40}, {0, 0, 10, 10}, {3, 0, 0, 0})),
      ElementsAre(Piece({3, 0, 40, 40}, {3, 0, 10, 10}), Piece({0, 0, 3, 40}, {0, 0, 3, 10})));
}

TEST(NineGrid, CornersAt150PercentMakeSixPixelBorders) {
  NineGrid grid = Grid({0, 0, 60, 60}, {0, 0, 12, 12}, {4, 4, 4, 4});
  ScaleRectByPercent(&grid.scaled_corner, 150);
  const std::vector<ImagePiece> pieces = ComputeNineGridPieces(grid);
  ASSERT_EQ(pieces.size(), 9u);
  EXPECT_EQ(pieces[0], Piece({6, 6, 54, 54}, {4, 4, 8, 8}));
  EXPECT_EQ(pieces[1], Piece({0, 0, 6, 6}, {0, 0, 4, 4}));
  EXPECT_EQ(pieces[8], Piece({54, 54, 60, 60}, {8, 8, 12, 12}));
}

TEST(NineGrid, ScalingMovesTheCornerAndScalesTheSizeFromIt) {
  const struct {
    RECT rect;
    int percent;
    RECT scaled;
  } cases[] = {
      {{10, 10, 20, 20}, 150, {15, 15, 30, 30}},
      {{1, 1, 2, 2}, 150, {2, 2, 4, 4}},  // 1.5 rounds up for the corner and the size
      {{4, 4, 4, 4}, 150, {6, 6, 6, 6}},
      {{-1, -1, 1, 1}, 150, {-2, -2, 1, 1}},
      {{10, 10, 34, 35}, 150, {15, 15, 51, 53}},
      {{3, 5, 7, 9}, 100, {3, 5, 7, 9}},
  };
  for (const auto& item : cases) {
    RECT rect = item.rect;
    ScaleRectByPercent(&rect, item.percent);
    EXPECT_TRUE(EqualRect(&rect, &item.scaled))
        << item.rect.left << "," << item.rect.top << "," << item.rect.right << ","
        << item.rect.bottom << " at " << item.percent;
  }
}

TEST(NineGrid, YTiledCentreRepeatsRowsAndClipsTheLast) {
  EXPECT_THAT(ComputeNineGridPieces(Grid({0, 0, 8, 25}, {0, 0, 8, 10}, kNoCorner, false, true)),
              ElementsAre(Piece({0, 0, 8, 10}, {0, 0, 8, 10}), Piece({0, 10, 8, 20}, {0, 0, 8, 10}),
                          Piece({0, 20, 8, 25}, {0, 0, 8, 5})));
}

TEST(NineGrid, XTiledCentreStretchesEachColumnOverTheHeight) {
  EXPECT_THAT(
      ComputeNineGridPieces(Grid({0, 0, 25, 40}, {2, 0, 12, 4}, kNoCorner, true, false)),
      ElementsAre(Piece({0, 0, 10, 40}, {2, 0, 12, 4}), Piece({10, 0, 20, 40}, {2, 0, 12, 4}),
                  Piece({20, 0, 25, 40}, {2, 0, 7, 4})));
}

TEST(NineGrid, TiledBothWaysGoesRowByRow) {
  EXPECT_THAT(
      ComputeNineGridPieces(Grid({0, 0, 15, 15}, {0, 0, 12, 12}, {1, 1, 1, 1}, true, true)).size(),
      4u + 8u);
  const std::vector<ImagePiece> pieces =
      ComputeNineGridPieces(Grid({0, 0, 17, 17}, {0, 0, 12, 12}, {1, 1, 1, 1}, true, true));
  EXPECT_THAT(
      std::vector<ImagePiece>(pieces.begin(), pieces.begin() + 4),
      ElementsAre(Piece({1, 1, 11, 11}, {1, 1, 11, 11}), Piece({11, 1, 16, 11}, {1, 1, 6, 11}),
                  Piece({1, 11, 11, 16}, {1, 1, 11, 6}), Piece({11, 11, 16, 16}, {1, 1, 6, 6})));
}

TEST(NineGrid, TileWithoutPixelsDrawsNoCentre) {
  EXPECT_THAT(
      ComputeNineGridPieces(Grid({0, 0, 20, 20}, {0, 0, 4, 4}, {2, 0, 2, 0}, true)),
      ElementsAre(Piece({0, 0, 2, 20}, {0, 0, 2, 4}), Piece({18, 0, 20, 20}, {2, 0, 4, 4})));
}

TEST(NineGrid, PaintRectangleSelectsPieces) {
  NineGrid grid = Grid({0, 0, 100, 100}, {0, 0, 30, 30}, {10, 10, 10, 10});
  grid.paint = {200, 200, 300, 300};
  EXPECT_THAT(ComputeNineGridPieces(grid), IsEmpty());
  grid.paint = {0, 0, 5, 5};  // only the top-left corner
  EXPECT_THAT(ComputeNineGridPieces(grid), ElementsAre(Piece({0, 0, 10, 10}, {0, 0, 10, 10})));
  grid.paint = {50, 95, 51, 96};  // only the bottom edge
  EXPECT_THAT(ComputeNineGridPieces(grid), ElementsAre(Piece({10, 90, 90, 100}, {10, 20, 20, 30})));
}

TEST(NineGrid, RectsIntersectNeedsACommonPixel) {
  EXPECT_TRUE(RectsIntersect({0, 0, 10, 10}, {9, 9, 20, 20}));
  EXPECT_FALSE(RectsIntersect({0, 0, 10, 10}, {10, 0, 20, 10}));
  EXPECT_FALSE(RectsIntersect({0, 0, 0, 10}, {-5, -5, 5, 5}));
}

}  // namespace
}  // namespace ui
