#include "ui/box/vertical_layout.h"

#include <gtest/gtest.h>

#include "tests/ui/box/layout_fixture.h"

namespace {

using test_support::Children;
using test_support::ChildRequest;
using test_support::RectText;

constexpr SIZE kStretch = {-1, -1};

TEST(VLayoutTest, ArrangeTable) {
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
       {{0, 0, 100, 34}, {0, 34, 100, 67}, {0, 67, 100, 100}},
       {100, 100}},
      {"child margin 10",
       10,
       {{kStretch}, {kStretch}, {kStretch}},
       {{0, 0, 100, 27}, {0, 37, 100, 64}, {0, 74, 100, 100}},
       {100, 100}},
      {"overflow gives the stretching child a share of 0",
       0,
       {{{-1, 60}}, {{-1, 60}}, {kStretch}},
       {{0, 0, 100, 60}, {0, 60, 100, 120}, {0, 120, 100, 120}},
       {100, 120}},
      {"the overflowing stretch child still gets its minimum",
       0,
       {{{-1, 60}}, {{-1, 60}}, {kStretch, {0, 0, 0, 0}, {-1, 7}}},
       {{0, 0, 100, 60}, {0, 60, 100, 120}, {0, 120, 100, 127}},
       {100, 127}},
      {"a limited stretch child leaves its rest empty",
       0,
       {{kStretch, {0, 0, 0, 0}, {-1, -1}, {9999999, 10}}, {kStretch}},
       {{0, 0, 100, 10}, {0, 10, 100, 60}},
       {100, 60}},
      {"maxheight stretch never limits",
       0,
       {{kStretch, {0, 0, 0, 0}, {-1, -1}, {-1, -1}}},
       {{0, 0, 100, 100}},
       {100, 100}},
      {"margins are kept and stretch widths fill between them",
       0,
       {{{-1, 20}, {5, 3, 7, 2}}, {kStretch, {1, 1, 1, 1}}},
       {{5, 3, 93, 23}, {1, 26, 99, 99}},
       {98, 100}},
      {"floating children take no room",
       0,
       {{{30, 30}, {0, 0, 0, 0}, {-1, -1}, {9999999, 9999999}, true}, {kStretch}},
       {{0, 0, 30, 30}, {0, 0, 100, 100}},
       {100, 100}},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.label);
    Children children(item.requests);
    ui::VLayout layout;
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

TEST(VLayoutTest, HorizontalAlignmentTable) {
  const struct {
    ui::HorAlignType align;
    RECT margin;
    int32_t left;
  } cases[] = {
      {ui::kHorAlignLeft, {0, 0, 0, 0}, 0},    {ui::kHorAlignCenter, {0, 0, 0, 0}, 24},
      {ui::kHorAlignRight, {0, 0, 0, 0}, 49},  {ui::kHorAlignLeft, {3, 0, 0, 0}, 3},
      {ui::kHorAlignCenter, {4, 0, 0, 0}, 26}, {ui::kHorAlignRight, {0, 0, 9, 0}, 40},
  };
  for (const auto& item : cases) {
    Children children(std::vector<ChildRequest>{{{51, 10}, item.margin}});
    children.items[0]->SetHorAlignType(item.align);
    ui::VLayout layout;
    layout.ArrangeChildren(children.items, {0, 0, 100, 100});
    const RECT pos = children.items[0]->GetPos(true);
    EXPECT_EQ(pos.left, item.left) << "align " << item.align;
    EXPECT_EQ(pos.right - pos.left, 51);
  }
}

TEST(VLayoutTest, EstimateAddsHeightsMarginsAndPadding) {
  Children children(std::vector<ChildRequest>{
      {{30, 20}, {1, 2, 3, 4}}, {{50, 10}}, {{90, 90}, {}, {-1, -1}, {9999999, 9999999}, true}});
  ui::VLayout layout;
  layout.SetChildMargin(5);
  layout.SetPadding({1, 2, 3, 4}, false);
  const SIZE size = layout.EstimateChildrenSize(children.items, {500, 500});
  EXPECT_EQ(size.cx, 50 + 4);
  EXPECT_EQ(size.cy, 20 + 6 + 10 + 5 + 6);

  // No child: just the padding, whatever the child margin.
  Children none(std::vector<ChildRequest>{});
  EXPECT_EQ(layout.EstimateChildrenSize(none.items, {500, 500}).cy, 6);
}

}  // namespace
