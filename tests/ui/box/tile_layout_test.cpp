#include "ui/box/tile_layout.h"

#include <gtest/gtest.h>

#include "tests/ui/box/layout_fixture.h"
#include "ui/box/box.h"

namespace {

using test_support::Children;
using test_support::ChildRequest;
using test_support::RectText;

TEST(TileLayoutTest, CellsShareTheRowWithTheSparePixelsFirst) {
  const struct {
    const char* label;
    int32_t child_margin;
    std::vector<RECT> placed;
    int32_t needed;
  } cases[] = {
      {"no margin",
       0,
       {{0, 0, 104, 20}, {104, 0, 207, 20}, {207, 0, 310, 20}, {0, 20, 104, 40}},
       40},
      // Every cell is inset by half the margin, the outer ones too.
      {"child margin 10",
       10,
       {{5, 0, 99, 20}, {109, 0, 202, 20}, {212, 0, 305, 20}, {5, 30, 99, 50}},
       50},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.label);
    Children children(std::vector<ChildRequest>{{{-1, 20}}, {{-1, 20}}, {{-1, 20}}, {{-1, 20}}});
    ui::TileLayout layout;
    ASSERT_TRUE(layout.SetAttribute(L"itemsize", L"100,0"));
    layout.SetChildMargin(item.child_margin);
    const SIZE needed = layout.ArrangeChildren(children.items, {0, 0, 310, 500});
    EXPECT_EQ(layout.GetColumns(), 3);
    EXPECT_EQ(needed.cx, 310);
    EXPECT_EQ(needed.cy, item.needed);
    for (size_t index = 0; index < item.placed.size(); ++index) {
      const RECT pos = children.items[index]->GetPos(true);
      EXPECT_TRUE(EqualRect(&pos, &item.placed[index]))
          << "child " << index << ": " << RectText(pos) << " instead of "
          << RectText(item.placed[index]);
    }
  }
}

TEST(TileLayoutTest, ChildrenAreCentredInCellsAsTallAsTheTallestOfTheRow) {
  Children children(std::vector<ChildRequest>{{{20, 10}}, {{40, 30}}, {{10, 10}}});
  ui::TileLayout layout;
  layout.SetAttribute(L"columns", L"2");
  layout.ArrangeChildren(children.items, {0, 0, 100, 100});
  const RECT expected[] = {{15, 10, 35, 20}, {55, 0, 95, 30}, {20, 30, 30, 40}};
  for (size_t index = 0; index < 3; ++index) {
    const RECT pos = children.items[index]->GetPos(true);
    EXPECT_TRUE(EqualRect(&pos, &expected[index])) << index << ": " << RectText(pos);
  }
}

TEST(TileLayoutTest, AttributesTable) {
  ui::TileLayout layout;
  EXPECT_TRUE(layout.SetAttribute(L"columns", L"4"));
  EXPECT_EQ(layout.GetColumns(), 4);
  EXPECT_TRUE(layout.SetAttribute(L"columns", L"0"));
  EXPECT_EQ(layout.GetColumns(), 4);
  EXPECT_TRUE(layout.SetAttribute(L"itemsize", L"80"));
  EXPECT_EQ(layout.GetItemSize().cx, 80);
  EXPECT_EQ(layout.GetItemSize().cy, 0);
  EXPECT_TRUE(layout.SetAttribute(L"padding", L"1,2,3,4"));
  EXPECT_FALSE(layout.SetAttribute(L"width", L"4"));
}

TEST(TileLayoutTest, EstimateCountsRowsOfTheFirstChildsHeight) {
  ui::TileBox box;
  box.SetFixedWidth(300, false, false);
  box.SetFixedHeight(ui::kSizeAuto, false);
  box.SetAttribute(L"itemsize", L"100,40");
  box.SetAttribute(L"childmargin", L"4");
  box.SetAttribute(L"padding", L"0,3,0,5");
  for (int index = 0; index < 7; ++index) {
    auto* child = new ui::Control;
    child->SetFixedHeight(index == 0 ? 40 : 99, false);
    box.Add(child);
  }
  // Three columns: three rows of the first child's 40, two margins, padding.
  const SIZE size = box.EstimateSize({300, 1000});
  EXPECT_EQ(size.cx, 300);
  EXPECT_EQ(size.cy, 3 * 40 + 2 * 4 + 8);
}

}  // namespace
