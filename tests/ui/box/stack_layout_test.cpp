#include "ui/box/stack_layout.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/ui/box/layout_fixture.h"
#include "ui/box/horizontal_layout.h"
#include "ui/box/vertical_layout.h"

namespace {

using test_support::Children;
using test_support::ChildRequest;
using test_support::RectText;

constexpr SIZE kStretch = {-1, -1};

// The cases are written for the vertical direction; the horizontal one must
// give the same result with widths and heights exchanged.
SIZE Swap(SIZE size) { return {size.cy, size.cx}; }
RECT Swap(RECT rect) { return {rect.top, rect.left, rect.bottom, rect.right}; }
ChildRequest Swap(ChildRequest request) {
  return {Swap(request.fixed), Swap(request.margin), Swap(request.minimum), Swap(request.maximum),
          request.floating};
}

struct Direction {
  const char* name;
  bool horizontal;
  std::unique_ptr<ui::StackLayout> Make() const {
    if (horizontal) return std::make_unique<ui::HLayout>();
    return std::make_unique<ui::VLayout>();
  }
  template <typename T>
  T Oriented(T value) const {
    return horizontal ? Swap(value) : value;
  }
};

constexpr Direction kDirections[] = {{"vertical", false}, {"horizontal", true}};

TEST(StackLayoutTest, ArrangeTable) {
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
      {"a maximum of -1 never limits a stretch child",
       0,
       {{kStretch, {0, 0, 0, 0}, {-1, -1}, {-1, -1}}},
       {{0, 0, 100, 100}},
       {100, 100}},
      {"margins are kept and stretch sizes across fill between them",
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
  for (const Direction& direction : kDirections) {
    for (const auto& item : cases) {
      SCOPED_TRACE(std::string(direction.name) + ": " + item.label);
      std::vector<ChildRequest> requests;
      for (const ChildRequest& request : item.requests)
        requests.push_back(direction.Oriented(request));
      Children children(requests);
      std::unique_ptr<ui::StackLayout> layout = direction.Make();
      layout->SetChildMargin(item.child_margin);
      const SIZE needed = layout->ArrangeChildren(children.items, {0, 0, 100, 100});
      const SIZE expected_needed = direction.Oriented(item.needed);
      EXPECT_EQ(needed.cx, expected_needed.cx);
      EXPECT_EQ(needed.cy, expected_needed.cy);
      for (size_t index = 0; index < item.placed.size(); ++index) {
        const RECT pos = children.items[index]->GetPos(true);
        const RECT expected = direction.Oriented(item.placed[index]);
        EXPECT_TRUE(EqualRect(&pos, &expected))
            << "child " << index << ": " << RectText(pos) << " instead of " << RectText(expected);
      }
    }
  }
}

// Across the stacking axis each child sits by its own alignment: start,
// centre or end (left, centre, right; top, centre, bottom).
TEST(StackLayoutTest, AlignmentAcrossTable) {
  const struct {
    int32_t align;
    RECT margin;
    int32_t start;
  } cases[] = {
      {0, {0, 0, 0, 0}, 0}, {1, {0, 0, 0, 0}, 24}, {2, {0, 0, 0, 0}, 49},
      {0, {3, 0, 0, 0}, 3}, {1, {4, 0, 0, 0}, 26}, {2, {0, 0, 9, 0}, 40},
  };
  for (const Direction& direction : kDirections) {
    for (const auto& item : cases) {
      SCOPED_TRACE(direction.name);
      Children children(
          std::vector<ChildRequest>{direction.Oriented(ChildRequest{{51, 10}, item.margin})});
      if (direction.horizontal) {
        children.items[0]->SetVerAlignType(static_cast<ui::VerAlignType>(item.align));
      } else {
        children.items[0]->SetHorAlignType(static_cast<ui::HorAlignType>(item.align));
      }
      std::unique_ptr<ui::StackLayout> layout = direction.Make();
      layout->ArrangeChildren(children.items, {0, 0, 100, 100});
      const RECT pos = direction.Oriented(children.items[0]->GetPos(true));
      EXPECT_EQ(pos.left, item.start) << "align " << item.align;
      EXPECT_EQ(pos.right - pos.left, 51);
    }
  }
}

TEST(StackLayoutTest, EstimateAddsSizesAlongMarginsAndPadding) {
  for (const Direction& direction : kDirections) {
    SCOPED_TRACE(direction.name);
    Children children(std::vector<ChildRequest>{
        direction.Oriented(ChildRequest{{30, 20}, {1, 2, 3, 4}}),
        direction.Oriented(ChildRequest{{50, 10}}),
        direction.Oriented(ChildRequest{{90, 90}, {}, {-1, -1}, {9999999, 9999999}, true})});
    std::unique_ptr<ui::StackLayout> layout = direction.Make();
    layout->SetChildMargin(5);
    layout->SetPadding(direction.Oriented(RECT{1, 2, 3, 4}), false);
    const SIZE size = direction.Oriented(layout->EstimateChildrenSize(children.items, {500, 500}));
    EXPECT_EQ(size.cx, 50 + 4);
    EXPECT_EQ(size.cy, 20 + 6 + 10 + 5 + 6);

    // No child: just the padding, whatever the child margin.
    Children none(std::vector<ChildRequest>{});
    EXPECT_EQ(direction.Oriented(layout->EstimateChildrenSize(none.items, {500, 500})).cy, 6);
  }
}

}  // namespace
