#include "ui/box/box.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/ui/box/layout_fixture.h"
#include "tests/ui/core/test_window.h"
#include "ui/core/window.h"

namespace {

using test_support::PumpUntil;
using test_support::RectText;
using test_support::TestWindow;
using ui::Box;
using ui::Control;
using ui::EventArgs;

// Reports its own destruction.
class Mortal : public Control {
 public:
  explicit Mortal(bool* dead) : dead_(dead) {}
  ~Mortal() override { *dead_ = true; }

 private:
  bool* dead_;
};

// What a list may select.
class Element : public Control {
 public:
  bool IsListContainerElement() const override { return true; }
};

TEST(BoxTest, RemovedChildrenInAWindowWaitForTheDeletionMessage) {
  TestWindow host;
  auto* root = new Box;
  host.window().AttachRootControl(root);
  bool dead = false;
  auto* child = new Mortal(&dead);
  ASSERT_TRUE(root->Add(child));
  EXPECT_EQ(child->GetParent(), root);
  ASSERT_TRUE(root->Remove(child));
  EXPECT_FALSE(dead);
  EXPECT_EQ(child->GetParent(), nullptr);
  EXPECT_EQ(root->GetCount(), 0);
  EXPECT_TRUE(PumpUntil([&] { return dead; }));

  // Outside any window the child goes at once.
  Box detached;
  bool detached_dead = false;
  detached.Add(new Mortal(&detached_dead));
  EXPECT_TRUE(detached.RemoveAt(0));
  EXPECT_TRUE(detached_dead);
  EXPECT_FALSE(detached.RemoveAt(0));
  EXPECT_FALSE(detached.Remove(nullptr));
}

TEST(BoxTest, WithoutAutoDestroyChildrenStayAliveAndLinked) {
  auto box = std::make_unique<Box>();
  box->SetAutoDestroy(false);
  bool dead = false;
  Mortal child(&dead);
  box->Add(&child);
  box->SetWindow(nullptr, nullptr, false);  // links the children to the box
  box->RemoveAll();
  EXPECT_EQ(box->GetCount(), 0);
  EXPECT_FALSE(dead);
  EXPECT_EQ(child.GetParent(), box.get());
}

TEST(BoxTest, DestroyingABoxDestroysItsChildrenAtOnceEvenInAWindow) {
  TestWindow host;
  auto* root = new Box;
  host.window().AttachRootControl(root);
  auto* inner = new Box;
  root->Add(inner);
  bool dead = false;
  inner->Add(new Mortal(&dead));
  ASSERT_TRUE(inner->IsDelayedDestroy());
  root->SetDelayedDestroy(false);
  root->Remove(inner);
  EXPECT_TRUE(dead);
}

TEST(BoxTest, IndexOperationsTable) {
  Box box;
  auto* a = new Control;
  auto* b = new Control;
  auto* c = new Control;
  EXPECT_TRUE(box.AddAt(a, 0));
  EXPECT_TRUE(box.AddAt(b, 1));  // equal to the count: appends
  auto* stray = new Control;
  EXPECT_FALSE(box.AddAt(stray, 3));
  EXPECT_FALSE(box.AddAt(stray, -1));
  delete stray;
  EXPECT_TRUE(box.AddAt(c, 0));
  EXPECT_EQ(box.GetItemAt(0), c);
  EXPECT_EQ(box.GetItemIndex(b), 2);
  EXPECT_EQ(box.GetItemAt(3), nullptr);
  EXPECT_EQ(box.GetItemAt(-1), nullptr);

  EXPECT_FALSE(box.SetItemIndex(c, 3));
  EXPECT_FALSE(box.SetItemIndex(c, -1));
  EXPECT_TRUE(box.SetItemIndex(c, 2));
  EXPECT_EQ(box.GetItemIndex(c), 2);
  EXPECT_EQ(box.GetItemIndex(a), 0);
  Control outsider;
  EXPECT_FALSE(box.SetItemIndex(&outsider, 0));
  EXPECT_EQ(box.GetItemIndex(&outsider), -1);

  box.SwapChild(a, c);
  EXPECT_EQ(box.GetItemAt(0), c);
  EXPECT_EQ(box.GetItemAt(2), a);
}

TEST(BoxTest, FindSelectableTable) {
  Box box;
  for (int index = 0; index < 10; ++index) {
    box.Add(index == 7 || index == 2 ? static_cast<Control*>(new Element) : new Control);
  }
  box.GetItemAt(2)->SetEnabled(false);
  const struct {
    int32_t start;
    bool forward;
    int32_t found;
  } cases[] = {
      {5, false, 7},  // the backward search fails, the forward one from 0 finds 7
      {5, true, 7},  {8, true, -1}, {9, false, 7}, {-4, true, 7}, {40, false, 7},
  };
  for (const auto& item : cases) {
    EXPECT_EQ(box.FindSelectable(item.start, item.forward), item.found)
        << item.start << (item.forward ? " forward" : " backward");
  }
  Box empty;
  EXPECT_EQ(empty.FindSelectable(0, true), -1);
}

// A window-sized box with a child overflowing into the padding, and a
// floating one there.
class BoxHitTest : public testing::Test {
 protected:
  BoxHitTest() {
    root_ = new Box;
    host_.window().AttachRootControl(root_);
    root_->SetAttribute(L"padding", L"10,10,10,10");
    root_->Add(flowing_);
    root_->Add(floating_);
    flowing_->SetAttribute(L"margin", L"-5,-5,0,0");
    flowing_->SetFixedWidth(30, false, false);
    flowing_->SetFixedHeight(30, false);
    floating_->SetFloat(true);
    floating_->SetAttribute(L"margin", L"-8,40,0,0");
    floating_->SetFixedWidth(20, false, false);
    floating_->SetFixedHeight(20, false);
    root_->SetPos({0, 0, 200, 200});
  }

  TestWindow host_;
  Box* root_ = nullptr;
  Control* flowing_ = new Control;
  Control* floating_ = new Control;
};

TEST_F(BoxHitTest, PaddingHidesOverflowingChildrenButNotFloatingOnes) {
  EXPECT_EQ(RectText(flowing_->GetPos(true)), "5,5,35,35");
  EXPECT_EQ(RectText(floating_->GetPos(true)), "2,50,22,70");
  EXPECT_EQ(host_.window().FindControlAt({7, 7}), root_);
  EXPECT_EQ(host_.window().FindControlAt({20, 20}), flowing_);
  EXPECT_EQ(host_.window().FindControlAt({4, 55}), floating_);
  EXPECT_EQ(host_.window().FindControlAt({300, 300}), nullptr);
}

TEST_F(BoxHitTest, MouseChildOffStopsAtTheBox) {
  root_->SetAttribute(L"mousechild", L"false");
  EXPECT_EQ(host_.window().FindControlAt({20, 20}), root_);
  root_->SetMouseEnabled(false);
  EXPECT_EQ(host_.window().FindControlAt({20, 20}), nullptr);
}

TEST(BoxEventTest, BubbledHandlerThatStopsEndsTheBubbling) {
  Box outer;
  auto* inner = new Box;
  auto* leaf = new Control;
  outer.Add(inner);
  inner->Add(leaf);
  outer.SetWindow(nullptr, nullptr, false);  // links the tree without a window
  std::string trace;
  inner->AddBubbledEventHandler(ui::kEventClick, [&](EventArgs* msg) {
    trace += msg->pSender == leaf ? "inner " : "wrong ";
    return true;
  });
  outer.AddBubbledEventHandler(ui::kEventAll, [&](EventArgs*) {
    trace += "outer ";
    return true;
  });
  leaf->SendEvent(ui::kEventClick);
  EXPECT_EQ(trace, "inner outer ");

  trace.clear();
  inner->AddBubbledEventHandler(ui::kEventClick, [&](EventArgs*) {
    trace += "stop ";
    return false;
  });
  inner->AddMarkupBubbledEventHandler(ui::kEventClick, [&](EventArgs*) {
    trace += "markup ";
    return true;
  });
  leaf->SendEvent(ui::kEventClick);
  EXPECT_EQ(trace, "inner stop ");
}

TEST(BoxEventTest, HandlersThatDestroyTheirBoxEndTheDispatch) {
  int later = 0;
  auto box = std::make_unique<Box>();
  auto* leaf = new Control;
  box->Add(leaf);
  box->SetWindow(nullptr, nullptr, false);
  box->AddBubbledEventHandler(ui::kEventClick, [&](EventArgs*) {
    box.reset();
    return true;
  });
  box->AddBubbledEventHandler(ui::kEventAll, [&](EventArgs*) {
    ++later;
    return true;
  });
  leaf->SendEvent(ui::kEventClick);
  EXPECT_EQ(box, nullptr);
  EXPECT_EQ(later, 0);
}

// The usual way to drop a control from its own click: it lives until the
// window's deletion message.
TEST(BoxEventTest, ChildRemovedInItsOwnClickLivesUntilTheDeletionMessage) {
  TestWindow host;
  auto* root = new ui::VBox;
  host.window().AttachRootControl(root);
  bool dead = false;
  auto* button = new Mortal(&dead);
  root->Add(button);
  bool alive_in_handler = false;
  button->AddEventHandler(ui::kEventClick, [&](EventArgs* msg) {
    root->Remove(msg->pSender);
    alive_in_handler = !dead;
    return true;
  });
  button->AddEventHandler(ui::kEventClick, [&](EventArgs*) { return !dead; });
  button->SendEvent(ui::kEventClick);
  EXPECT_TRUE(alive_in_handler);
  EXPECT_FALSE(dead);
  EXPECT_TRUE(PumpUntil([&] { return dead; }));
}

TEST(BoxTest, EnablingAndHidingReachEveryChild) {
  Box box;
  auto* first = new Control;
  auto* second = new Control;
  box.Add(first);
  box.Add(second);
  second->SetEnabled(false);
  box.SetEnabled(false);
  EXPECT_FALSE(first->IsEnabled());
  box.SetEnabled(true);
  EXPECT_TRUE(first->IsEnabled());
  EXPECT_TRUE(second->IsEnabled());

  box.SetVisible(false);
  EXPECT_FALSE(first->IsVisible());
  EXPECT_FALSE(first->IsInternVisible());
  auto* late = new Control;
  box.Add(late);
  EXPECT_FALSE(late->IsVisible());
  box.SetVisible(true);
  EXPECT_TRUE(first->IsVisible());
  EXPECT_TRUE(late->IsVisible());
}

// A window tree of 20 rows of 15 cells, built in code: every cell is laid out
// where the arithmetic puts it, found by name and hit at its centre.
TEST(BoxTreeTest, FewHundredControlsLayOutAndHitTest) {
  TestWindow host;
  auto* root = new ui::VBox;
  host.window().AttachRootControl(root);
  root->SetAttribute(L"padding", L"4,4,4,4");
  root->SetAttribute(L"childmargin", L"2");
  std::vector<std::vector<Control*>> cells(20);
  for (int row = 0; row < 20; ++row) {
    auto* line = new ui::HBox;
    line->SetAttribute(L"childmargin", L"1");
    line->SetName(L"row" + std::to_wstring(row));
    root->Add(line);
    for (int column = 0; column < 15; ++column) {
      auto* cell = new Control;
      cell->SetName(L"cell" + std::to_wstring(row) + L"_" + std::to_wstring(column));
      if (column == 0) cell->SetFixedWidth(40, false, false);
      line->Add(cell);
      cells[row].push_back(cell);
    }
  }
  root->SetPos({0, 0, 608, 448});

  // Heights: 440 - 19 * 2 = 402 over 20 rows: 20 each, the first two 21.
  // Widths: 600 - 40 - 14 = 546 over 14 cells: 39 each.
  int32_t top = 4;
  for (int row = 0; row < 20; ++row) {
    const int32_t height = row < 2 ? 21 : 20;
    int32_t left = 4;
    for (int column = 0; column < 15; ++column) {
      Control* cell = cells[row][column];
      const int32_t width = column == 0 ? 40 : 39;
      const RECT expected = {left, top, left + width, top + height};
      const RECT pos = cell->GetPos(true);
      ASSERT_TRUE(EqualRect(&pos, &expected))
          << row << "/" << column << ": " << RectText(pos) << " instead of " << RectText(expected);
      ASSERT_EQ(host.window().FindControl(cell->GetName()), cell);
      ASSERT_EQ(host.window().FindControlAt({left + width / 2, top + height / 2}), cell);
      left += width + 1;
    }
    // The gap between two cells belongs to the row box.
    ASSERT_EQ(host.window().FindControlAt({4 + 40, top + 1}), cells[row][0]->GetParent());
    top += height + 2;
  }
  EXPECT_EQ(host.window().FindControlAt({2, 2}), root);

  // Hiding a row gives its room to the others on the next arrangement.
  cells[0][0]->GetParent()->SetVisible(false);
  EXPECT_TRUE(root->IsArrangePending());
  root->SetPos({0, 0, 608, 449});
  EXPECT_EQ(cells[1][0]->GetPos(true).top, 4);
}

}  // namespace
