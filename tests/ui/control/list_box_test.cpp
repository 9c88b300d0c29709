#include "ui/control/list_box.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/ui/control/control_input.h"
#include "tests/ui/core/render_setup.h"
#include "ui/box/markup_builder.h"
#include "ui/box/vertical_layout.h"
#include "ui/control/control_classes.h"
#include "ui/control/list_container_element.h"
#include "ui/resources/global_manager.h"

namespace {

using test_support::EventCounter;
using test_support::InputHost;
using test_support::PixelAt;
using test_support::PumpUntil;
using test_support::Rgb;
using ui::ListBox;
using ui::ListContainerElement;

// A vertical list 200 x 200 in a topmost window, with `count` items of
// `height` pixels.
class ListBoxTest : public testing::Test {
 protected:
  ListBoxTest() : host_({420, 620}, {200, 200}) {
    ui::GlobalManager::AddTextColor(L"red", L"#FFFF0000");
    list_->SetAttribute(L"vscrollbar", L"true");
    counter_.Watch(list_);
  }

  void Build(int count, int height = 50) {
    for (int i = 0; i < count; ++i) {
      auto* item = new ListContainerElement;
      item->SetFixedHeight(height, false);
      counter_.Watch(item);
      list_->Add(item);
      items_.push_back(item);
    }
    host_.Attach(list_);
  }
  void Select(int index) {
    ASSERT_TRUE(list_->SelectItem(index, false, false));
    counter_.Clear();
  }
  // Wheel notches and keys as the window delivers them.
  void Wheel(int delta) {
    ui::EventArgs msg;
    msg.Type = ui::kEventScrollWheel;
    msg.pSender = list_;
    msg.wParam = static_cast<uint64_t>(static_cast<int64_t>(delta));
    list_->HandleEvent(&msg);
  }
  void KeyDown(WPARAM key) {
    PostMessageW(host_.hwnd(), WM_KEYDOWN, key, 0);
    test_support::PumpPending();
  }
  int Unselects(int index) { return counter_.Count(items_[index], ui::kEventUnSelect); }
  int Selects(int index) { return counter_.Count(items_[index], ui::kEventSelect); }

  InputHost host_;
  ListBox* list_ = new ListBox(std::make_unique<ui::VLayout>());  // owned by the window
  std::vector<ListContainerElement*> items_;
  EventCounter counter_;
};

TEST_F(ListBoxTest, SelectingMovesTheSelectionWithItsEventsAndTheFocus) {
  Build(6);
  Select(0);
  ASSERT_TRUE(list_->SelectItem(2, true, true));
  EXPECT_EQ(Unselects(0), 1);
  EXPECT_EQ(Selects(2), 1);
  EXPECT_EQ(counter_.Count(list_, ui::kEventSelect), 1);
  EXPECT_EQ(counter_.Last(ui::kEventSelect).wParam, 2u);
  EXPECT_EQ(counter_.Last(ui::kEventSelect).lParam, 0);
  EXPECT_EQ(host_.window().GetFocus(), items_[2]);
  EXPECT_TRUE(items_[2]->IsSelected());
  EXPECT_FALSE(items_[0]->IsSelected());
  EXPECT_EQ(list_->GetCurSel(), 2);

  // Selecting it again deselects and selects it once more.
  counter_.Clear();
  ASSERT_TRUE(list_->SelectItem(2, false, true));
  EXPECT_EQ(Unselects(2), 1);
  EXPECT_EQ(Selects(2), 1);
}

TEST_F(ListBoxTest, MissingHiddenOrDisabledItemsCannotBeSelected) {
  Build(3);
  items_[1]->SetVisible(false);
  items_[2]->SetEnabled(false);
  for (int index : {5, 1, 2, -1}) {
    Select(0);
    EXPECT_FALSE(list_->SelectItem(index, true, true)) << index;
    EXPECT_EQ(list_->GetCurSel(), -1);
    EXPECT_FALSE(items_[0]->IsSelected());
    EXPECT_EQ(Unselects(0), 1);
  }
}

TEST_F(ListBoxTest, RemovalKeepsIndexesAndSelectionRight) {
  const struct {
    const char* label;
    int selected;
    int removed;
    bool select_next;
    int selection;      // afterwards
    int unselected;     // index (before removal) of an item told unselect, or -1
    int64_t old_index;  // the list's select event's lParam, or -2 for no event
  } cases[] = {
      {"selected in the middle", 3, 3, true, 3, 2, 2},
      {"selected first", 0, 0, true, 0, -1, -1},
      {"selected last", 5, 5, true, 4, 4, 4},
      {"before the selection", 4, 1, true, 3, -1, -2},
      {"after the selection", 1, 4, true, 1, -1, -2},
      {"selected, no successor wanted", 3, 3, false, -1, -1, -2},
  };
  Build(6);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<ListContainerElement*> before = items_;
    list_->SetSelectNextWhenActiveRemoved(c.select_next);
    Select(c.selected);
    ListContainerElement* removed = items_[c.removed];
    ASSERT_TRUE(list_->Remove(removed));
    items_.erase(items_.begin() + c.removed);
    EXPECT_EQ(list_->GetCurSel(), c.selection);
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
      EXPECT_EQ(items_[i]->GetIndex(), i);
      EXPECT_EQ(items_[i]->IsSelected(), i == c.selection) << i;
    }
    for (int i = 0; i < static_cast<int>(before.size()); ++i) {
      if (before[i] == removed) continue;
      EXPECT_EQ(counter_.Count(before[i], ui::kEventUnSelect), i == c.unselected ? 1 : 0) << i;
    }
    if (c.old_index == -2) {
      EXPECT_EQ(counter_.Count(list_, ui::kEventSelect), 0);
    } else {
      EXPECT_EQ(counter_.Count(list_, ui::kEventSelect), 1);
      EXPECT_EQ(counter_.Last(ui::kEventSelect).lParam, c.old_index);
    }
    auto* item = new ListContainerElement;
    item->SetFixedHeight(50, false);
    counter_.Watch(item);
    ASSERT_TRUE(list_->AddAt(item, c.removed));
    items_.insert(items_.begin() + c.removed, item);
  }
}

TEST_F(ListBoxTest, InsertionAndMovesCarryTheSelection) {
  Build(6);
  Select(4);
  auto* item = new ListContainerElement;
  ASSERT_TRUE(list_->AddAt(item, 1));
  EXPECT_EQ(list_->GetCurSel(), 5);
  EXPECT_EQ(item->GetIndex(), 1);
  EXPECT_EQ(item->GetOwner(), list_);
  EXPECT_EQ(items_[4]->GetIndex(), 5);
  ListContainerElement stray;
  EXPECT_FALSE(list_->AddAt(&stray, 99));
  EXPECT_EQ(list_->GetCurSel(), 5);

  ASSERT_TRUE(list_->SetItemIndex(items_[4], 0));
  EXPECT_EQ(list_->GetCurSel(), 0);
  EXPECT_EQ(items_[4]->GetIndex(), 0);
  EXPECT_EQ(items_[0]->GetIndex(), 1);
  EXPECT_EQ(item->GetIndex(), 2);

  list_->RemoveAll();
  EXPECT_EQ(list_->GetCurSel(), -1);
  EXPECT_EQ(list_->GetCount(), 0);
}

TEST_F(ListBoxTest, KeysMoveTheSelectionOverUnselectableItems) {
  Build(6);
  items_[0]->SetEnabled(false);
  items_[5]->SetVisible(false);
  Select(2);
  items_[2]->SetFocus();
  const struct {
    WPARAM key;
    int selection;
  } steps[] = {{VK_HOME, 1}, {VK_UP, 1}, {VK_DOWN, 2}, {VK_END, 4}, {VK_DOWN, 4}, {VK_UP, 3}};
  for (const auto& step : steps) {
    KeyDown(step.key);
    EXPECT_EQ(list_->GetCurSel(), step.selection) << step.key;
    EXPECT_EQ(host_.window().GetFocus(), items_[step.selection]);
  }
}

TEST_F(ListBoxTest, KeyboardSelectionScrollsExactlyTheHiddenPart) {
  Build(6, 70);  // item 2 lies at 140..210, 10 below the view
  Select(1);
  items_[1]->SetFocus();
  KeyDown(VK_DOWN);
  EXPECT_EQ(list_->GetCurSel(), 2);
  EXPECT_EQ(list_->GetScrollPos().cy, 10);
  // Back up: item 0 sticks out at the top by 10.
  KeyDown(VK_UP);
  KeyDown(VK_UP);
  EXPECT_EQ(list_->GetScrollPos().cy, 0);
}

TEST_F(ListBoxTest, WheelWithScrollSelectMovesTheSelectionInstead) {
  list_->SetAttribute(L"scrollselect", L"true");
  Build(10);
  Select(0);
  Wheel(-WHEEL_DELTA);
  EXPECT_EQ(list_->GetCurSel(), 1);
  EXPECT_EQ(list_->GetScrollPos().cy, 0);
  Wheel(WHEEL_DELTA);
  EXPECT_EQ(list_->GetCurSel(), 0);

  list_->SetAttribute(L"scrollselect", L"false");
  Wheel(-WHEEL_DELTA);
  EXPECT_EQ(list_->GetCurSel(), 0);
  EXPECT_TRUE(PumpUntil([&] { return list_->GetScrollPos().cy == 120; }));
}

TEST_F(ListBoxTest, HidingTheSelectedItemLeavesNoSelection) {
  Build(3);
  Select(1);
  items_[1]->SetFadeVisible(false);
  EXPECT_EQ(list_->GetCurSel(), -1);
  EXPECT_FALSE(items_[1]->IsSelected());
  items_[0]->SetFadeVisible(false);
  EXPECT_EQ(list_->GetCurSel(), -1);
}

TEST_F(ListBoxTest, ItemsThatOutliveTheirListNeverReachIt) {
  Build(3);
  list_->SetAutoDestroy(false);
  const std::unique_ptr<ListContainerElement> first(items_[0]);
  std::unique_ptr<ListContainerElement> removed(items_[1]);
  ASSERT_TRUE(list_->Remove(removed.get()));
  EXPECT_EQ(removed->GetOwner(), nullptr);
  EXPECT_EQ(removed->GetIndex(), -1);
  EXPECT_EQ(removed->GetParent(), nullptr);
  // Still held when the list dies, and let go with it.
  std::unique_ptr<ListContainerElement> held(items_[2]);
  host_.window().AttachRootControl(new ui::Control);
  host_.window().DeleteQueuedControls();
  EXPECT_EQ(held->GetOwner(), nullptr);
  EXPECT_EQ(held->GetParent(), nullptr);
  // Clicks select nothing and pass nothing on.
  removed->Activate();
  held->Activate();
  EXPECT_FALSE(removed->IsSelected());
  EXPECT_EQ(counter_.Count(removed.get(), ui::kEventClick), 1);
  EXPECT_EQ(counter_.Count(held.get(), ui::kEventClick), 1);
}

TEST_F(ListBoxTest, ItemEventsDoubleClickReturnAndMenu) {
  Build(3);
  int double_clicks = 0;
  int returns = 0;
  int menus = 0;
  items_[1]->AddEventHandler(ui::kEventDoubleClick, [&](ui::EventArgs*) {
    ++double_clicks;
    return true;
  });
  items_[1]->AddEventHandler(ui::kEventReturn, [&](ui::EventArgs*) {
    ++returns;
    return true;
  });
  items_[1]->AddEventHandler(ui::kEventMenu, [&](ui::EventArgs*) {
    ++menus;
    return true;
  });
  const auto send = [&](ui::EventType type, wchar_t key = 0) {
    ui::EventArgs msg;
    msg.Type = type;
    msg.pSender = items_[1];
    msg.chKey = key;
    items_[1]->HandleEvent(&msg);
  };
  send(ui::kEventInternalDoubleClick);
  send(ui::kEventKeyDown, VK_RETURN);
  EXPECT_EQ(double_clicks, 1);
  EXPECT_EQ(returns, 1);
  EXPECT_EQ(list_->GetCurSel(), -1);
  send(ui::kEventInternalMenu);
  EXPECT_EQ(menus, 1);
  EXPECT_EQ(list_->GetCurSel(), 1);
  send(ui::kEventKeyDown, VK_SPACE);
  EXPECT_EQ(counter_.Count(items_[1], ui::kEventClick), 1);
}

TEST_F(ListBoxTest, ScrollingToAnItemAndFindingTheTopOne) {
  Build(10);
  EXPECT_TRUE(list_->ScrollItemToTop(items_[3]));
  EXPECT_EQ(list_->GetScrollPos().cy, 150);
  // An item whose bottom is the view's top still counts.
  EXPECT_EQ(list_->GetTopItem(), items_[2]);
  list_->SetScrollPos({0, 151});
  EXPECT_EQ(list_->GetTopItem(), items_[3]);
  items_[6]->SetName(L"six");
  EXPECT_TRUE(list_->ScrollItemToTopByName(L"six"));
  EXPECT_EQ(list_->GetScrollPos().cy, 300);
  EXPECT_FALSE(list_->ScrollItemToTopByName(L"seven"));
  ListContainerElement stranger;
  EXPECT_FALSE(list_->ScrollItemToTop(&stranger));
}

TEST_F(ListBoxTest, RealClicksSelectAndPaintTheSelectedItem) {
  Build(8);
  for (ListContainerElement* item : items_) item->SetAttribute(L"selectednormalcolor", L"red");
  host_.Click(50, 75);
  ASSERT_TRUE(PumpUntil([&] { return list_->GetCurSel() == 1; }));
  EXPECT_EQ(counter_.Count(items_[1], ui::kEventClick), 1);
  UpdateWindow(host_.hwnd());
  const ui::IRenderContext& bitmap = *host_.window().GetRenderContext();
  EXPECT_EQ(Rgb(PixelAt(bitmap, 50, 75)), 0xFF0000u);
  EXPECT_EQ(Rgb(PixelAt(bitmap, 50, 25)), 0u);

  // Scrolled by the wheel, a click lands on the item under the mouse.
  host_.MoveMouse(50, 75);
  InputHost::MouseButton(MOUSEEVENTF_WHEEL, static_cast<DWORD>(-WHEEL_DELTA));
  ASSERT_TRUE(PumpUntil([&] { return list_->GetScrollPos().cy == 120; }));
  // Not so soon that the press makes a double click, which selects nothing.
  PumpUntil([] { return false; }, GetDoubleClickTime() + 200);
  host_.Click(50, 75);
  ASSERT_TRUE(PumpUntil([&] { return list_->GetCurSel() == 3; }));
  // Down from the focused item keeps the new selection in view.
  host_.Key(VK_DOWN);
  host_.Key(VK_DOWN);
  host_.Key(VK_DOWN);
  ASSERT_TRUE(PumpUntil([&] { return list_->GetCurSel() == 6; }));
  EXPECT_EQ(list_->GetScrollPos().cy, 150);
}

TEST(ListMarkupTest, ListClassesAreBuiltFromMarkup) {
  ui::RegisterControlClasses();
  ui::MarkupBuilder builder;
  ui::Control* built = builder.Create(
      L"<Window><VListBox vscrollbar=\"true\" scrollselect=\"true\">"
      L"<ListContainerElement height=\"30\"/><ListContainerElement height=\"30\"/>"
      L"</VListBox></Window>",
      {}, nullptr, nullptr, nullptr);
  std::unique_ptr<ui::Control> owned(built);
  auto* list = dynamic_cast<ListBox*>(built);
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->IsScrollSelect());
  EXPECT_NE(list->GetVerticalScrollBar(), nullptr);
  ASSERT_EQ(list->GetCount(), 2);
  auto* second = dynamic_cast<ListContainerElement*>(list->GetItemAt(1));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->GetIndex(), 1);
  EXPECT_EQ(second->GetOwner(), list);
  for (const wchar_t* name : {L"ListBox", L"HListBox", L"TileListBox", L"ScrollBar"}) {
    std::unique_ptr<ui::Control> control(ui::MarkupBuilder::CreateControlByClass(name));
    EXPECT_NE(control, nullptr) << name;
  }
}

}  // namespace
