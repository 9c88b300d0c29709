#include "ui/control/virtual_row_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ui::PlanVirtualRows;
using ui::VirtualRecycleDirection;

// The rows the elements show, in element order; -1 for an empty element.
std::vector<int32_t> Rows(const std::vector<ui::VirtualRowSlot>& slots) {
  std::vector<int32_t> rows;
  for (const auto& slot : slots) rows.push_back(slot.row);
  return rows;
}

std::vector<int32_t> Range(int32_t first, int32_t last) {
  std::vector<int32_t> rows;
  const int32_t step = first <= last ? 1 : -1;
  for (int32_t row = first; row != last + step; row += step) rows.push_back(row);
  return rows;
}

std::vector<int32_t> Join(std::vector<int32_t> a, const std::vector<int32_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(VirtualRowPlanTest, ElementsFollowTheScrollPositionInTheDirectionOfTheScroll) {
  const auto down = VirtualRecycleDirection::Downwards;
  const auto up = VirtualRecycleDirection::Upwards;
  const struct {
    const char* label;
    int32_t elements;
    int32_t height;
    int32_t position;
    int32_t view;
    int32_t rows;
    VirtualRecycleDirection direction;
    std::vector<int32_t> shown;
    int64_t first_top;
  } cases[] = {
      {"down to 3000", 20, 30, 3000, 300, 1000, down, Range(100, 119), 3000},
      // Elements 9..19 hold 80..90, elements 8..0 hold 79..71 above the view.
      {"back up to 2400", 20, 30, 2400, 300, 1000, up, Join(Range(71, 79), Range(80, 90)), 2130},
      {"a position inside a row", 20, 30, 3015, 300, 1000, down, Range(100, 119), 3000},
      {"up at the top leaves the reserve empty", 20, 30, 0, 300, 1000, up,
       Join(std::vector<int32_t>(9, -1), Range(0, 10)), -270},
      {"down at the end", 20, 30, 29700, 300, 1000, down,
       Join(Range(990, 999), std::vector<int32_t>(10, -1)), 29700},
      // No more elements than rows in view: no reserve above, no negative
      // element index.
      {"few elements upwards", 5, 30, 600, 300, 1000, up, Range(20, 24), 600},
      {"as many elements as the view holds", 10, 30, 600, 300, 1000, up, Range(20, 29), 600},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.label);
    const auto slots = PlanVirtualRows(item.elements, item.height, item.position, item.view,
                                       item.rows, item.direction);
    ASSERT_EQ(slots.size(), static_cast<size_t>(item.elements));
    EXPECT_EQ(Rows(slots), item.shown);
    EXPECT_EQ(slots.front().top, item.first_top);
    for (size_t i = 0; i < slots.size(); ++i) {
      EXPECT_EQ(slots[i].element, static_cast<int32_t>(i));
      EXPECT_EQ(slots[i].top, item.first_top + static_cast<int64_t>(i) * item.height);
    }
  }
}

TEST(VirtualRowPlanTest, NothingIsPlacedWithoutElementsOrWithRowsBelowOnePixel) {
  for (const int32_t height : {0, -30}) {
    EXPECT_TRUE(
        PlanVirtualRows(20, height, 3000, 300, 1000, VirtualRecycleDirection::Upwards).empty());
  }
  EXPECT_TRUE(PlanVirtualRows(0, 30, 0, 300, 1000, VirtualRecycleDirection::Downwards).empty());
}

TEST(VirtualRowPlanTest, ContentHeightIsComputedWideAndHeldToARectangle) {
  EXPECT_EQ(ui::VirtualContentHeight(1000, 30), 30000);
  EXPECT_EQ(ui::VirtualContentHeight(0, 30), 0);
  EXPECT_EQ(ui::VirtualContentHeight(-4, 30), 0);
  EXPECT_EQ(ui::VirtualContentHeight(100000000, 30), 0x7FFFFFFF);
}

}  // namespace
