#include "ui/box/horizontal_layout.h"

#include <gtest/gtest.h>

#include "tests/ui/box/layout_fixture.h"

namespace {

using test_support::Children;
using test_support::ChildRequest;
using test_support::RectText;

constexpr SIZE kStretch = {-1, -1};

TEST(HLayoutTest, ArrangeTable) {
  const struct {
    const char* label;
    int32_t child_margin;
    std::vector<ChildRequest> requests;
    std::vector<RECT> placed;
    SIZE needed;
  } cases[] = {
      {"three stretching share 100 with the spare pixel first",
       0,
       {{kStretch}, {kStretch}, {kStretch}},
       {{0, 0, 34, 100}, {34, 0, 67, 100}, {67, 0, 100, 100}},
       {100, 100}},
      {"child margin 10",
       10,
       {{kStretch}, {kStretch}, {kStretch}},
       {{0, 0, 27, 100}, {37, 0, 64, 100}, {74, 0, 100, 100}},
       {100, 100}},
      {"overflow gives the stretching child a share of 0",
       0,
       {{{60, -1}}, {{60, -1}}, {kStretch}},
       {{0, 0, 60, 100}, {60, 0, 120, 100}, {120, 0, 120, 100}},
       {120, 100}},
      {"a limited stretch child leaves its rest empty",
       0,
       {{kStretch, {0, 0, 0, 0}, {-1, -1}, {10, 9999999}}, {kStretch}},
       {{0, 0, 10, 100}, {10, 0, 60, 100}},
       {60, 100}},
      {"margins are kept and stretch heights fill between them",
       0,
       {{{20, -1}, {3, 5, 2, 7}}, {kStretch, {1, 1, 1, 1}}},
       {{3, 5, 23, 93}, {26, 1, 99, 99}},
       {100, 98}},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.label);
    Children children(item.requests);
    ui::HLayout layout;
    layout.SetChildMargin(item.child_margin);
    const SIZE needed = layout.ArrangeChildren(children.items, {0, 0, 100, 100});
    EXPECT_EQ(needed.cx, item.needed.cx);
    EXPECT_EQ(needed.cy, item.needed.cy);
    for (size_t index = 0; index < item.placed.size(); ++index) {
      const RECT pos = children.items[index]->GetPos(true);
      EXPECT_TRUE(EqualRect(&pos, &item.placed[index]))
          << "child " << index << ": " << RectText(pos) << " instead of "
          << RectText(item.placed[index]);
    }
  }
}

TEST(HLayoutTest, VerticalAlignmentTable) {
  const struct {
    ui::VerAlignType align;
    int32_t top;
  } cases[] = {{ui::kVerAlignTop, 0}, {ui::kVerAlignCenter, 24}, {ui::kVerAlignBottom, 49}};
  for (const auto& item : cases) {
    Children children(std::vector<ChildRequest>{{{10, 51}}});
    children.items[0]->SetVerAlignType(item.align);
    ui::HLayout layout;
    layout.ArrangeChildren(children.items, {0, 0, 100, 100});
    EXPECT_EQ(children.items[0]->GetPos(true).top, item.top) << "align " << item.align;
  }
}

TEST(HLayoutTest, EstimateAddsWidthsMarginsAndPadding) {
  Children children(std::vector<ChildRequest>{{{20, 30}, {1, 2, 3, 4}}, {{10, 50}}});
  ui::HLayout layout;
  layout.SetChildMargin(5);
  layout.SetPadding({1, 2, 3, 4}, false);
  const SIZE size = layout.EstimateChildrenSize(children.items, {500, 500});
  EXPECT_EQ(size.cx, 24 + 10 + 5 + 4);
  EXPECT_EQ(size.cy, 50 + 6);
}

}  // namespace
