#include "ui/core/markup_event_handler.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/ui/core/test_window.h"
#include "ui/core/control.h"

namespace {

using test_support::TestWindow;
using ui::Control;

// A minimal container: searches itself, then its children.
class Holder : public Control {
 public:
  Control* FindControl(const ui::FindControlCallback& test, void* data, uint32_t flags,
                       POINT offset) override {
    if (Control* found = Control::FindControl(test, data, flags, offset)) return found;
    for (Control* child : children) {
      if (Control* found = child->FindControl(test, data, flags, offset)) return found;
    }
    return nullptr;
  }
  std::vector<Control*> children;
};

class MarkupEventHandlerTest : public testing::Test {
 protected:
  MarkupEventHandlerTest() {
    root_ = new Holder;
    host_.window().AttachRootControl(root_);
    for (Control* control : {static_cast<Control*>(&carrier_), &outsider_}) {
      control->SetWindow(&host_.window(), root_, false);
      root_->children.push_back(control);
    }
    inner_.SetWindow(&host_.window(), &carrier_, false);
    carrier_.children.push_back(&inner_);
    carrier_.SetName(L"carrier");
    inner_.SetName(L"Inner");
    outsider_.SetName(L"outsider");
    for (Control* control : {static_cast<Control*>(&carrier_), &inner_, &outsider_})
      host_.window().AddNamedControl(control);
  }

  // Clicks the carrier with one markup handler and reports who got the tooltip.
  void Click(const wchar_t* receiver) {
    carrier_.AddMarkupEventHandler(
        ui::kEventClick, ui::MakeMarkupEventHandler(&carrier_, receiver, L"tooltiptext=\"hit\""));
    carrier_.SendEvent(ui::kEventClick);
  }

  TestWindow host_;
  Holder* root_ = nullptr;
  Holder carrier_;
  Control inner_;
  Control outsider_;
};

TEST_F(MarkupEventHandlerTest, RelativeNamesFindDescendantsWithoutRegardToCase) {
  Click(L"./inner");
  EXPECT_EQ(inner_.GetToolTipText(), L"hit");
  Click(L".\\outsider");
  EXPECT_EQ(outsider_.GetToolTipText(), L"");
}

TEST_F(MarkupEventHandlerTest, PlainNamesUseTheWindowsNameMapExactly) {
  Click(L"outsider");
  EXPECT_EQ(outsider_.GetToolTipText(), L"hit");
  Click(L"inner");
  EXPECT_EQ(inner_.GetToolTipText(), L"");
  Click(L"nobody");
}

TEST_F(MarkupEventHandlerTest, MarkupHandlersNeverStopTheEvent) {
  bool later = false;
  carrier_.AddMarkupEventHandler(ui::kEventClick,
                                 ui::MakeMarkupEventHandler(&carrier_, L"nobody", L""));
  carrier_.AddMarkupEventHandler(ui::kEventClick, [&](ui::EventArgs*) {
    later = true;
    return true;
  });
  carrier_.SendEvent(ui::kEventClick);
  EXPECT_TRUE(later);
}

}  // namespace
