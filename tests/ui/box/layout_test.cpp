#include "ui/box/layout.h"

#include <gtest/gtest.h>

#include "tests/ui/box/layout_fixture.h"
#include "tests/ui/core/dpi_scope.h"
#include "ui/box/box.h"

namespace {

using test_support::Children;
using test_support::ChildRequest;
using test_support::RectText;
using test_support::ScopedDpiScale;

TEST(LayoutTest, StretchSharesTable) {
  const struct {
    int32_t available;
    int32_t fixed_sum;
    int32_t count;
    int32_t share;
    int32_t spare;
  } cases[] = {
      {100, 0, 3, 33, 1}, {100, 20, 3, 26, 2}, {100, 120, 1, 0, -20},
      {100, 0, 2, 50, 0}, {100, 40, 0, 0, 60}, {7, 0, 7, 1, 0},
  };
  for (const auto& item : cases) {
    const ui::StretchShares shares =
        ui::ComputeStretchShares(item.available, item.fixed_sum, item.count);
    EXPECT_EQ(shares.share, item.share) << item.available << "/" << item.fixed_sum;
    EXPECT_EQ(shares.spare, item.spare) << item.available << "/" << item.fixed_sum;
  }
}

TEST(LayoutTest, LimitSizeTable) {
  const struct {
    int32_t size;
    int32_t minimum;
    int32_t maximum;
    int32_t limited;
  } cases[] = {
      {50, -1, 9999999, 50}, {50, 60, 9999999, 60}, {50, -1, 40, 40},
      {50, -1, -1, 50},      {50, -1, 0, 0},        {-1, -1, -1, -1},
  };
  for (const auto& item : cases) {
    EXPECT_EQ(ui::LimitSize(item.size, item.minimum, item.maximum), item.limited)
        << item.size << " in " << item.minimum << ".." << item.maximum;
  }
}

TEST(LayoutTest, PlaceFloatingChildTable) {
  const struct {
    const char* label;
    ChildRequest request;
    ui::HorAlignType horizontal;
    ui::VerAlignType vertical;
    RECT placed;
  } cases[] = {
      {"stretch fills inside the margin",
       {{-1, -1}, {1, 2, 3, 4}},
       ui::kHorAlignLeft,
       ui::kVerAlignTop,
       {11, 12, 107, 106}},
      {"centre truncates", {{51, 51}}, ui::kHorAlignCenter, ui::kVerAlignCenter, {34, 34, 85, 85}},
      {"right and bottom",
       {{20, 30}, {0, 0, 5, 6}},
       ui::kHorAlignRight,
       ui::kVerAlignBottom,
       {85, 74, 105, 104}},
      {"limits",
       {{-1, 5}, {}, {-1, 20}, {30, -1}},
       ui::kHorAlignLeft,
       ui::kVerAlignTop,
       {10, 10, 40, 30}},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.label);
    Children children(std::vector<ChildRequest>{item.request});
    ui::Control* child = children.items[0];
    child->SetHorAlignType(item.horizontal);
    child->SetVerAlignType(item.vertical);
    ui::Layout::PlaceFloatingChild(child, {10, 10, 110, 110});
    const RECT pos = child->GetPos(true);
    EXPECT_TRUE(EqualRect(&pos, &item.placed)) << RectText(pos);
  }
}

TEST(LayoutTest, BaseLayoutOverlapsChildrenAndReportsTheLargest) {
  Children children(std::vector<ChildRequest>{{{30, 10}}, {{10, 40}}, {{90, 90}}});
  children.items[2]->SetVisible(false);
  ui::Layout layout;
  const SIZE size = layout.ArrangeChildren(children.items, {0, 0, 100, 100});
  EXPECT_EQ(size.cx, 30);
  EXPECT_EQ(size.cy, 40);
  EXPECT_EQ(children.items[1]->GetPos(true).left, 0);
}

// The skin files write "padding" with fewer numbers; missing ones are 0.
TEST(LayoutTest, PaddingAttributeTable) {
  const struct {
    const wchar_t* value;
    int32_t percent;
    RECT padding;
  } cases[] = {
      {L"1,2,3,4", 100, {1, 2, 3, 4}}, {L"0,6", 100, {0, 6, 0, 0}},     {L"6", 100, {6, 0, 0, 0}},
      {L"", 100, {0, 0, 0, 0}},        {L"2,2,2,2", 150, {3, 3, 3, 3}},
  };
  for (const auto& item : cases) {
    ScopedDpiScale scale(true, item.percent);
    ui::Layout layout;
    EXPECT_TRUE(layout.SetAttribute(L"padding", item.value));
    const RECT padding = layout.GetPadding();
    EXPECT_TRUE(EqualRect(&padding, &item.padding))
        << testing::PrintToString(std::wstring(item.value)) << " gave " << RectText(padding);
  }
  ScopedDpiScale scale(true, 150);
  ui::Layout layout;
  EXPECT_TRUE(layout.SetAttribute(L"childmargin", L"10"));
  EXPECT_EQ(layout.GetChildMargin(), 15);
  EXPECT_FALSE(layout.SetAttribute(L"itemsize", L"1,1"));
}

TEST(LayoutTest, EstimateOfAnEmptyAutoBoxIsItsPaddingPlusTheBaseStart) {
  ui::Box plain;
  ui::VBox stacked;
  for (ui::Box* box : {&plain, static_cast<ui::Box*>(&stacked)}) {
    box->SetFixedWidth(ui::kSizeAuto, false, false);
    box->SetAttribute(L"padding", L"3,0,4,0");
    auto* hidden = new ui::Control;
    hidden->SetVisible(false);
    box->Add(hidden);
  }
  EXPECT_EQ(plain.EstimateSize({500, 500}).cx, -9999 + 7);
  EXPECT_EQ(stacked.EstimateSize({500, 500}).cx, 7);
}

}  // namespace
