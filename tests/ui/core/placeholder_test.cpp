#include "ui/core/placeholder.h"

#include <gtest/gtest.h>

#include "tests/ui/core/dpi_scope.h"
#include "tests/ui/core/test_window.h"
#include "ui/core/control.h"

namespace {

using test_support::ScopedDpiScale;
using test_support::TestWindow;
using ui::Control;

// A control that scrolls its children, as a scrolling box reports it.
class ScrollingControl : public Control {
 public:
  SIZE GetScrollPos() const override { return position; }
  SIZE GetScrollRange() const override { return range; }
  SIZE position = {0, 0};
  SIZE range = {0, 0};
};

TEST(PlaceHolderTest, FixedSizeTable) {
  const struct {
    int32_t percent;
    int32_t value;
    bool scale;
    int32_t stored;
  } cases[] = {
      {150, 100, true, 150}, {150, -1, true, -1}, {150, -2, true, -2}, {150, 100, false, 100},
      {100, 100, true, 100}, {150, 0, true, 0},   {150, -3, true, 7},  {150, -100, true, 7},
  };
  for (const auto& item : cases) {
    ScopedDpiScale scale(true, item.percent);
    Control control;
    control.SetFixedWidth(7, false, false);
    control.SetFixedHeight(7, false);
    control.SetFixedWidth(item.value, true, item.scale);
    control.SetFixedHeight(item.value, item.scale);
    EXPECT_EQ(control.GetFixedWidth(), item.stored) << item.value << " at " << item.percent;
    EXPECT_EQ(control.GetFixedHeight(), item.stored) << item.value << " at " << item.percent;
  }
}

TEST(PlaceHolderTest, LimitAttributesTable) {
  const struct {
    const wchar_t* name;
    const wchar_t* value;
    int32_t percent;
    int32_t (Control::*getter)() const;
    int32_t stored;
  } cases[] = {
      {L"maxwidth", L"stretch", 150, &Control::GetMaxWidth, -1},
      {L"maxwidth", L"auto", 150, &Control::GetMaxWidth, -2},
      {L"maxwidth", L"320", 150, &Control::GetMaxWidth, 480},
      {L"maxwidth", L"320", 100, &Control::GetMaxWidth, 320},
      // A number is scaled whatever its sign: only the keywords stay exact.
      {L"maxheight", L"-1", 150, &Control::GetMaxHeight, -2},
      {L"maxheight", L"stretch", 150, &Control::GetMaxHeight, -1},
      {L"minwidth", L"20", 150, &Control::GetMinWidth, 30},
      {L"minwidth", L"-5", 150, &Control::GetMinWidth, -1},
      {L"minheight", L"9", 100, &Control::GetMinHeight, 9},
      {L"minheight", L"stretch", 100, &Control::GetMinHeight, 0},
  };
  for (const auto& item : cases) {
    ScopedDpiScale scale(true, item.percent);
    Control control;
    control.SetAttribute(item.name, item.value);
    EXPECT_EQ((control.*item.getter)(), item.stored)
        << testing::PrintToString(std::wstring(item.name)) << "="
        << testing::PrintToString(std::wstring(item.value)) << " at " << item.percent;
  }
}

// An auto-sized control inside auto-sized parents: every auto ancestor is
// measured again and the first fixed one is laid out.
TEST(PlaceHolderTest, ArrangeAncestorClimbsToTheFirstFixedAncestor) {
  TestWindow host;
  auto* root = new Control;
  ASSERT_TRUE(host.window().AttachRootControl(root));
  Control fixed;
  Control outer;
  Control inner;
  Control leaf;
  fixed.SetWindow(&host.window(), root, false);
  outer.SetWindow(&host.window(), &fixed, false);
  inner.SetWindow(&host.window(), &outer, false);
  leaf.SetWindow(&host.window(), &inner, false);
  fixed.SetFixedWidth(100, false, false);
  fixed.SetFixedHeight(100, false);
  outer.SetFixedWidth(ui::kSizeAuto, false, false);
  inner.SetFixedHeight(ui::kSizeAuto, false);
  for (Control* control : {root, &fixed, &outer, &inner, &leaf}) {
    control->SetPos({0, 0, 10, 10});
    control->SetReEstimate(false);
  }
  host.window().SetArrange(false);

  leaf.SetAttribute(L"width", L"auto");
  EXPECT_TRUE(leaf.IsReEstimateNeeded());
  EXPECT_TRUE(inner.IsReEstimateNeeded());
  EXPECT_TRUE(outer.IsReEstimateNeeded());
  EXPECT_TRUE(fixed.IsArrangePending());
  EXPECT_FALSE(root->IsArrangePending());
  EXPECT_TRUE(host.window().IsArrangeNeeded());

  // With every ancestor auto-sized the walk ends at the window's root.
  fixed.SetFixedHeight(ui::kSizeAuto, false);
  root->SetPos({0, 0, 20, 20});
  leaf.SetFixedWidth(30, true, false);
  EXPECT_TRUE(fixed.IsReEstimateNeeded());
  EXPECT_TRUE(root->IsArrangePending());
}

TEST(PlaceHolderTest, InvalidateOnlyWhileVisible) {
  TestWindow host;
  auto* root = new Control;
  host.window().AttachRootControl(root);
  Control child;
  child.SetWindow(&host.window(), root, false);
  child.SetPos({10, 20, 30, 40});
  host.Validate();

  child.Invalidate();
  RECT dirty = host.UpdateRect();
  const RECT expected = {10, 20, 30, 40};
  EXPECT_TRUE(EqualRect(&dirty, &expected));

  host.Validate();
  child.SetVisible(false);
  host.Validate();
  child.Invalidate();
  dirty = host.UpdateRect();
  EXPECT_TRUE(IsRectEmpty(&dirty));

  // Hidden by an ancestor: the same.
  child.SetVisible(true);
  child.SetInternVisible(false);
  host.Validate();
  child.Invalidate();
  dirty = host.UpdateRect();
  EXPECT_TRUE(IsRectEmpty(&dirty));
}

TEST(PlaceHolderTest, ScrolledChildrenInvalidateAtTheirScrolledPlaceFloatingOnesDoNot) {
  TestWindow host;
  auto* root = new Control;
  host.window().AttachRootControl(root);
  ScrollingControl scroller;
  scroller.SetWindow(&host.window(), root, false);
  scroller.range = {0, 300};
  scroller.position = {0, 50};
  Control flowing;
  Control floating;
  flowing.SetWindow(&host.window(), &scroller, false);
  floating.SetWindow(&host.window(), &scroller, false);
  floating.SetFloat(true);
  flowing.SetPos({0, 100, 40, 140});
  floating.SetPos({0, 100, 40, 140});

  EXPECT_EQ(flowing.GetScrollOffset().y, 50);
  EXPECT_EQ(floating.GetScrollOffset().y, 0);

  host.Validate();
  flowing.Invalidate();
  RECT dirty = host.UpdateRect();
  RECT expected = {0, 50, 40, 90};
  EXPECT_TRUE(EqualRect(&dirty, &expected));

  host.Validate();
  floating.Invalidate();
  dirty = host.UpdateRect();
  expected = {0, 100, 40, 140};
  EXPECT_TRUE(EqualRect(&dirty, &expected));

  // A bar without range scrolls nothing; a further ancestor's range counts.
  scroller.range = {0, 0};
  EXPECT_EQ(flowing.GetScrollOffset().y, 0);
  Control grandchild;
  grandchild.SetWindow(&host.window(), &flowing, false);
  scroller.range = {200, 0};
  scroller.position = {30, 0};
  EXPECT_EQ(grandchild.GetScrollOffset().x, 30);
}

TEST(PlaceHolderTest, FloatChangeArrangesTheAncestor) {
  Control parent;
  Control child;
  child.SetWindow(nullptr, &parent, false);
  parent.SetReEstimate(false);
  child.SetFloat(true);
  EXPECT_TRUE(parent.IsReEstimateNeeded());
  parent.SetReEstimate(false);
  child.SetFloat(true);
  EXPECT_FALSE(parent.IsReEstimateNeeded());
}

}  // namespace
