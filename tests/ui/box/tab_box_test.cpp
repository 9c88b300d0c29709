#include "ui/box/tab_box.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/ui/core/test_window.h"
#include "ui/box/box.h"
#include "ui/box/horizontal_layout.h"
#include "ui/box/markup_builder.h"
#include "ui/box/vertical_layout.h"
#include "ui/core/animation_manager.h"
#include "ui/core/control.h"

namespace {

using test_support::PumpUntil;
using test_support::TestWindow;
using ui::AnimationPlayer;
using ui::Box;
using ui::Control;
using ui::TabBox;

bool IsActive(Control* page) {
  auto* box = dynamic_cast<Box*>(page);
  return page->IsMouseEnabled() && page->GetAlpha() == 255 && (!box || box->IsMouseChildEnabled());
}

bool IsInert(Control* page) {
  auto* box = dynamic_cast<Box*>(page);
  return !page->IsMouseEnabled() && page->GetAlpha() == 0 && (!box || !box->IsMouseChildEnabled());
}

AnimationPlayer* SlidePlayer(Control* page) {
  return page->GetAnimationManager().GetAnimationPlayer(ui::kAnimationInoutXFromRight);
}

bool SlideDone(Control* page) {
  AnimationPlayer* player = SlidePlayer(page);
  return !player || !player->playing;
}

// A tab box 950 wide as the window's root; each page a box holding one
// control that takes the focus.
class TabBoxTest : public testing::Test {
 protected:
  TabBox* Attach(const std::vector<std::pair<std::wstring, std::wstring>>& attributes,
                 int page_count) {
    tab_ = new TabBox;
    for (const auto& attribute : attributes) tab_->SetAttribute(attribute.first, attribute.second);
    host_.window().AttachRootControl(tab_);
    for (int i = 0; i < page_count; ++i) tab_->Add(MakePage());
    tab_->SetPos({0, 0, 950, 300});
    tab_->AddEventHandler(ui::kEventSelect, [this](ui::EventArgs* args) {
      selects_.push_back(*args);
      return true;
    });
    return tab_;
  }
  static Box* MakePage() {
    auto* page = new Box;
    page->Add(new Control);
    return page;
  }
  Control* Page(int index) const { return tab_->GetItemAt(index); }
  bool SlidesDone() const {
    for (int i = 0; i < tab_->GetCount(); ++i) {
      if (!SlideDone(Page(i))) return false;
    }
    return true;
  }

  TestWindow host_;
  TabBox* tab_ = nullptr;  // owned by the window
  std::vector<ui::EventArgs> selects_;
};

TEST(PageSlideTest, TowardsALowerIndexTheContentMovesRight) {
  const struct {
    int32_t new_index;
    int32_t old_index;
    int32_t width;
    int32_t incoming_start;
    int32_t outgoing_end;
  } cases[] = {
      {0, 2, 950, 950, -950}, {2, 0, 950, -950, 950},
      {1, 0, 300, -300, 300}, {0, -1, 300, -300, 300},  // no page before: as towards a higher index
      {0, 1, 0, 0, 0},
  };
  for (const auto& c : cases) {
    const ui::PageSlide slide = ui::ComputePageSlide(c.new_index, c.old_index, c.width);
    EXPECT_EQ(slide.incomingStart, c.incoming_start) << c.new_index << " from " << c.old_index;
    EXPECT_EQ(slide.outgoingEnd, c.outgoing_end) << c.new_index << " from " << c.old_index;
  }
}

TEST_F(TabBoxTest, MarkupShowsOnlyTheSelectedPage) {
  auto* root = new Box;
  host_.window().AttachRootControl(root);
  ui::MarkupBuilder builder;
  ASSERT_NE(builder.Create(L"<Window><Box><TabBox name=\"tabs\" selectedid=\"1\">"
                           L"<Box name=\"p0\"/><Box name=\"p1\"/><Control name=\"p2\"/></TabBox>"
                           L"<HTabBox name=\"h\"/><VTabBox name=\"v\"/></Box></Window>",
                           nullptr, &host_.window(), nullptr, root),
            nullptr);
  auto* tabs = dynamic_cast<TabBox*>(root->GetItemAt(0));
  ASSERT_NE(tabs, nullptr);
  EXPECT_EQ(tabs->GetCurSel(), 1);
  EXPECT_TRUE(tabs->GetItemAt(1)->IsVisible());
  EXPECT_TRUE(IsActive(tabs->GetItemAt(1)));
  for (int hidden : {0, 2}) {
    EXPECT_FALSE(tabs->GetItemAt(hidden)->IsVisible()) << hidden;
    EXPECT_TRUE(IsInert(tabs->GetItemAt(hidden))) << hidden;
  }
  // The box forms take their layouts from the class name.
  auto* horizontal = dynamic_cast<TabBox*>(root->GetItemAt(1));
  auto* vertical = dynamic_cast<TabBox*>(root->GetItemAt(2));
  ASSERT_NE(horizontal, nullptr);
  ASSERT_NE(vertical, nullptr);
  EXPECT_NE(dynamic_cast<ui::HLayout*>(horizontal->GetLayout()), nullptr);
  EXPECT_NE(dynamic_cast<ui::VLayout*>(vertical->GetLayout()), nullptr);
  EXPECT_EQ(horizontal->GetCurSel(), -1);
}

TEST_F(TabBoxTest, TheFirstVisiblePageAddedBecomesCurrent) {
  Attach({}, 0);
  auto* invisible = MakePage();
  invisible->SetVisible(false);
  tab_->Add(invisible);
  EXPECT_EQ(tab_->GetCurSel(), -1);
  tab_->Add(MakePage());
  tab_->Add(MakePage());
  EXPECT_EQ(tab_->GetCurSel(), 1);
  EXPECT_TRUE(IsActive(Page(1)));
  EXPECT_TRUE(IsInert(Page(0)));
  EXPECT_TRUE(IsInert(Page(2)));
  EXPECT_FALSE(Page(2)->IsVisible());

  // Into an empty box AddAt makes the page current too.
  tab_->RemoveAll();
  EXPECT_EQ(tab_->GetCurSel(), -1);
  EXPECT_TRUE(tab_->AddAt(MakePage(), 0));
  EXPECT_EQ(tab_->GetCurSel(), 0);
  EXPECT_TRUE(IsActive(Page(0)));
}

TEST_F(TabBoxTest, SelectingWithoutSlidesSwitchesAtOnceMovesTheFocusAndReportsOnce) {
  Attach({}, 3);
  EXPECT_FALSE(tab_->SelectItem(3));
  EXPECT_FALSE(tab_->SelectItem(-1));
  EXPECT_TRUE(tab_->SelectItem(0));  // the current page: nothing happens
  EXPECT_TRUE(selects_.empty());

  EXPECT_TRUE(tab_->SelectItem(2));
  EXPECT_EQ(tab_->GetCurSel(), 2);
  EXPECT_TRUE(Page(2)->IsVisible());
  EXPECT_TRUE(IsActive(Page(2)));
  for (int hidden : {0, 1}) {
    EXPECT_FALSE(Page(hidden)->IsVisible()) << hidden;
    EXPECT_TRUE(IsInert(Page(hidden))) << hidden;
  }
  // The focus moved on to the one tab stop left visible.
  EXPECT_EQ(host_.window().GetFocus(), static_cast<Box*>(Page(2))->GetItemAt(0));
  ASSERT_EQ(selects_.size(), 1u);
  EXPECT_EQ(selects_[0].wParam, 2u);
  EXPECT_EQ(selects_[0].lParam, 0);
  EXPECT_EQ(selects_[0].pSender, tab_);
}

TEST_F(TabBoxTest, ASlideMovesBothPagesAndPutsTheOldOneAwayAtTheEnd) {
  Attach({{L"selectedid", L"2"}, {L"fadeswitch", L"true"}}, 3);
  // Sliding boxes only make their other pages inert; none is hidden.
  EXPECT_TRUE(Page(0)->IsVisible());
  EXPECT_TRUE(IsInert(Page(0)));

  ASSERT_TRUE(tab_->SelectItem(0));
  AnimationPlayer* incoming = SlidePlayer(Page(0));
  AnimationPlayer* outgoing = SlidePlayer(Page(2));
  ASSERT_NE(incoming, nullptr);
  ASSERT_NE(outgoing, nullptr);
  EXPECT_EQ(incoming->startValue, 950);
  EXPECT_EQ(incoming->endValue, 0);
  EXPECT_EQ(outgoing->startValue, 0);
  EXPECT_EQ(outgoing->endValue, -950);
  EXPECT_EQ(SlidePlayer(Page(1)), nullptr);
  // Both pages are live while they move.
  EXPECT_GT(Page(0)->GetRenderOffset().x, 0);
  EXPECT_TRUE(IsActive(Page(0)));
  EXPECT_TRUE(IsActive(Page(2)));
  ASSERT_EQ(selects_.size(), 1u);
  EXPECT_EQ(selects_[0].wParam, 0u);
  EXPECT_EQ(selects_[0].lParam, 2);

  ASSERT_TRUE(PumpUntil([&] { return SlidesDone(); }));
  EXPECT_EQ(Page(0)->GetRenderOffset().x, 0);
  EXPECT_TRUE(IsActive(Page(0)));
  EXPECT_EQ(Page(2)->GetRenderOffset().x, -950);
  EXPECT_TRUE(IsInert(Page(2)));
  EXPECT_TRUE(Page(2)->IsVisible());
}

// The page that slid out is put away at the end, wherever pages added or
// removed meanwhile have moved it; the current page stays live.
TEST_F(TabBoxTest, PagesMovingDuringASlidePutAwayThePageThatSlidOut) {
  enum class Change { InsertFirst, RemoveFirst };
  for (Change change : {Change::InsertFirst, Change::RemoveFirst}) {
    SCOPED_TRACE(change == Change::InsertFirst ? "insert" : "remove");
    Attach({{L"selectedid", L"1"}, {L"fadeswitch", L"true"}}, 3);
    Control* leaving = Page(1);
    Control* arriving = Page(2);
    ASSERT_TRUE(tab_->SelectItem(2));
    if (change == Change::InsertFirst) {
      auto* inserted = MakePage();
      ASSERT_TRUE(tab_->AddAt(inserted, 0));
      EXPECT_TRUE(IsInert(inserted));
      EXPECT_EQ(tab_->GetCurSel(), 3);
    } else {
      ASSERT_TRUE(tab_->RemoveAt(0));
      EXPECT_EQ(tab_->GetCurSel(), 1);  // the old index of the page sliding out
    }
    ASSERT_TRUE(PumpUntil([&] { return SlidesDone(); }));
    EXPECT_TRUE(IsInert(leaving));
    EXPECT_TRUE(IsActive(arriving));
    EXPECT_EQ(Page(tab_->GetCurSel()), arriving);
  }
}

TEST_F(TabBoxTest, ASecondSelectionDuringASlideRestartsBothPages) {
  Attach({{L"fadeswitch", L"true"}}, 3);
  ASSERT_TRUE(tab_->SelectItem(1));
  AnimationPlayer* first_out = SlidePlayer(Page(0));
  ASSERT_NE(first_out, nullptr);
  ASSERT_TRUE(tab_->SelectItem(2));
  // The page that was leaving goes at once; its player runs on unseen.
  EXPECT_TRUE(IsInert(Page(0)));
  EXPECT_EQ(SlidePlayer(Page(0)), first_out);
  AnimationPlayer* out = SlidePlayer(Page(1));
  EXPECT_EQ(out->startValue, 0);
  EXPECT_EQ(out->endValue, 950);
  EXPECT_EQ(SlidePlayer(Page(2))->startValue, -950);
  ASSERT_TRUE(PumpUntil([&] { return SlidesDone(); }));
  EXPECT_TRUE(IsInert(Page(0)));
  EXPECT_TRUE(IsInert(Page(1)));
  EXPECT_EQ(Page(1)->GetRenderOffset().x, 950);
  EXPECT_TRUE(IsActive(Page(2)));
  EXPECT_EQ(Page(2)->GetRenderOffset().x, 0);
  EXPECT_EQ(selects_.size(), 2u);
}

TEST_F(TabBoxTest, RemovalsKeepTheCurrentPageInStep) {
  Attach({{L"selectedid", L"1"}}, 3);
  Control* last = Page(2);
  EXPECT_FALSE(tab_->RemoveAt(3));
  EXPECT_FALSE(tab_->Remove(nullptr));

  // The current page goes: the first one takes its place.
  ASSERT_TRUE(tab_->RemoveAt(1));
  EXPECT_EQ(tab_->GetCurSel(), 0);
  EXPECT_TRUE(Page(0)->IsVisible());
  EXPECT_TRUE(IsActive(Page(0)));
  EXPECT_TRUE(IsInert(last));

  ASSERT_TRUE(tab_->SelectItem(1));
  ASSERT_TRUE(tab_->RemoveAt(0));  // before the current one
  EXPECT_EQ(tab_->GetCurSel(), 0);
  EXPECT_EQ(Page(0), last);
  ASSERT_TRUE(tab_->RemoveAt(0));
  EXPECT_EQ(tab_->GetCurSel(), -1);
  EXPECT_EQ(tab_->GetCount(), 0);
}

TEST_F(TabBoxTest, InsertionsKeepTheCurrentPageInStep) {
  Attach({{L"selectedid", L"1"}}, 3);
  Control* current = Page(1);
  auto* first = MakePage();
  ASSERT_TRUE(tab_->AddAt(first, 0));
  EXPECT_EQ(tab_->GetCurSel(), 2);
  EXPECT_EQ(Page(2), current);
  EXPECT_TRUE(IsInert(first));
  EXPECT_FALSE(first->IsVisible());

  auto* after = MakePage();
  ASSERT_TRUE(tab_->AddAt(after, 3));
  EXPECT_EQ(tab_->GetCurSel(), 2);
  EXPECT_TRUE(IsInert(after));
  EXPECT_TRUE(IsActive(current));
  // A refused page stays the caller's.
  std::unique_ptr<Box> refused(MakePage());
  EXPECT_FALSE(tab_->AddAt(refused.get(), 9));
  EXPECT_EQ(tab_->GetCurSel(), 2);
}

// A page that becomes current by a removal shows where it belongs, even
// when it was sliding out.
TEST_F(TabBoxTest, RemovingTheCurrentPageDuringASlideBringsTheFirstPageBackInPlace) {
  Attach({{L"fadeswitch", L"true"}}, 3);
  ASSERT_TRUE(tab_->SelectItem(1));
  Control* first = Page(0);
  ASSERT_NE(SlidePlayer(first), nullptr);
  ASSERT_TRUE(tab_->RemoveAt(1));
  EXPECT_EQ(tab_->GetCurSel(), 0);
  EXPECT_EQ(SlidePlayer(first), nullptr);
  EXPECT_EQ(first->GetRenderOffset().x, 0);
  EXPECT_TRUE(IsActive(first));
}

}  // namespace
