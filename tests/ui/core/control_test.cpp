#include "ui/core/control.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/ui/core/dpi_scope.h"
#include "tests/ui/core/test_window.h"
#include "ui/core/window.h"
#include "ui/resources/global_manager.h"

namespace {

using test_support::ScopedDpiScale;
using test_support::TestWindow;
using ui::Control;
using ui::EventArgs;

// Counts what the default handling and a completed press do.
class ProbeControl : public Control {
 public:
  void Activate() override { ++activations; }
  void HandleEvent(EventArgs* msg) override {
    handled.push_back(msg->Type);
    Control::HandleEvent(msg);
  }
  int activations = 0;
  std::vector<ui::EventType> handled;
};

// A window with a root, and a probe child placed at (10, 10, 60, 40).
class ControlTest : public testing::Test {
 protected:
  ControlTest() {
    root_ = new ProbeControl;
    host_.window().AttachRootControl(root_);
    root_->SetPos({0, 0, 200, 200});
    child_.SetWindow(&host_.window(), root_, false);
    child_.SetPos({10, 10, 60, 40});
  }

  void Send(Control* control, ui::EventType type, POINT point) {
    control->SendEvent(type, 0, 0, 0, point);
  }

  TestWindow host_;
  ProbeControl* root_ = nullptr;  // owned by the window
  ProbeControl child_;
};

TEST_F(ControlTest, PressAndReleaseTable) {
  const struct {
    const char* label;
    ui::EventType down;
    ui::EventType up;
    POINT release;
    bool receive_pointer;
    ui::ControlStateType state;
    int32_t hot_alpha;
    int activations;
  } cases[] = {
      {"inside",
       ui::kEventButtonDown,
       ui::kEventButtonUp,
       {20, 20},
       true,
       ui::kControlStateHot,
       255,
       1},
      {"outside",
       ui::kEventButtonDown,
       ui::kEventButtonUp,
       {100, 100},
       true,
       ui::kControlStateNormal,
       0,
       0},
      {"pointer inside",
       ui::kEventPointerDown,
       ui::kEventPointerUp,
       {20, 20},
       true,
       ui::kControlStateNormal,
       0,
       1},
      {"double click",
       ui::kEventInternalDoubleClick,
       ui::kEventButtonUp,
       {20, 20},
       true,
       ui::kControlStateHot,
       255,
       1},
      {"pointer refused",
       ui::kEventPointerDown,
       ui::kEventPointerUp,
       {20, 20},
       false,
       ui::kControlStateNormal,
       0,
       0},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.label);
    ProbeControl control;
    control.SetWindow(&host_.window(), root_, false);
    control.SetPos({10, 10, 60, 40});
    control.SetAttribute(L"receivepointer", item.receive_pointer ? L"true" : L"false");
    root_->SetState(ui::kControlStateNormal);
    root_->SetMouseFocused(false);

    Send(&control, item.down, {20, 20});
    if (item.receive_pointer) {
      EXPECT_EQ(control.GetState(), ui::kControlStatePushed);
      EXPECT_TRUE(control.IsMouseFocused());
    } else {
      // Refused pointer input goes on to the parent, which takes the press.
      EXPECT_EQ(control.GetState(), ui::kControlStateNormal);
      EXPECT_EQ(root_->GetState(), ui::kControlStatePushed);
    }
    Send(&control, item.up, item.release);
    EXPECT_EQ(control.GetState(), item.state);
    EXPECT_EQ(control.GetHotAlpha(), item.hot_alpha);
    EXPECT_EQ(control.activations, item.activations);
    EXPECT_FALSE(control.IsMouseFocused());
  }
}

TEST_F(ControlTest, DisabledControlTakesNoPressAndShowsTheArrow) {
  child_.SetAttribute(L"cursortype", L"hand");
  child_.SendEvent(ui::kEventSetCursor);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
  child_.SetEnabled(false);
  EXPECT_EQ(child_.GetState(), ui::kControlStateDisabled);
  child_.SendEvent(ui::kEventSetCursor);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
  Send(&child_, ui::kEventButtonDown, {20, 20});
  EXPECT_EQ(child_.GetState(), ui::kControlStateDisabled);
  // Focus events leave a disabled control as it was.
  child_.SendEvent(ui::kEventInternalSetFocus);
  EXPECT_FALSE(child_.IsFocused());
  child_.SetEnabled(true);
  EXPECT_EQ(child_.GetState(), ui::kControlStateNormal);
  EXPECT_EQ(child_.GetHotAlpha(), 0);
}

TEST_F(ControlTest, MouseEnterRepaintsOnlyWithAHotLook) {
  host_.Validate();
  Send(&child_, ui::kEventMouseEnter, {20, 20});
  EXPECT_EQ(child_.GetState(), ui::kControlStateHot);
  RECT dirty = host_.UpdateRect();
  EXPECT_TRUE(IsRectEmpty(&dirty));
  Send(&child_, ui::kEventMouseLeave, {20, 20});
  EXPECT_EQ(child_.GetState(), ui::kControlStateNormal);

  child_.SetAttribute(L"hotcolor", L"blue");
  ASSERT_NE(child_.GetAnimationManager().GetAnimationPlayer(ui::kAnimationHot), nullptr);
  host_.Validate();
  Send(&child_, ui::kEventMouseEnter, {20, 20});
  EXPECT_EQ(child_.GetState(), ui::kControlStateHot);
  dirty = host_.UpdateRect();
  EXPECT_FALSE(IsRectEmpty(&dirty));
  EXPECT_TRUE(child_.GetAnimationManager().GetAnimationPlayer(ui::kAnimationHot)->playing);

  // A later "fadehot" false wins: the colour switches without fading.
  child_.SetAttribute(L"fadehot", L"false");
  EXPECT_EQ(child_.GetAnimationManager().GetAnimationPlayer(ui::kAnimationHot), nullptr);
  EXPECT_TRUE(child_.HasHotState());
}

TEST_F(ControlTest, BubbledMouseEnterMakesTheParentHotOnlyWhileTheHoverIsInside) {
  ProbeControl other;
  other.SetWindow(&host_.window(), nullptr, false);
  host_.window().SetNewHover(&other);
  Send(&child_, ui::kEventMouseEnter, {20, 20});
  EXPECT_EQ(child_.GetState(), ui::kControlStateHot);
  EXPECT_EQ(root_->GetState(), ui::kControlStateNormal);

  host_.window().SetNewHover(&child_);
  child_.SetState(ui::kControlStateNormal);
  Send(&child_, ui::kEventMouseEnter, {20, 20});
  EXPECT_EQ(root_->GetState(), ui::kControlStateHot);

  // Leaving the child while still inside the parent leaves the parent hot.
  Send(&child_, ui::kEventMouseLeave, {20, 20});
  EXPECT_EQ(child_.GetState(), ui::kControlStateNormal);
  EXPECT_EQ(root_->GetState(), ui::kControlStateHot);
  host_.window().SetNewHover(&other);
  child_.SetState(ui::kControlStateHot);
  Send(&child_, ui::kEventMouseLeave, {20, 20});
  EXPECT_EQ(root_->GetState(), ui::kControlStateNormal);
}

TEST_F(ControlTest, HidingTheFocusedControlClearsTheFocusAndArranges) {
  host_.window().SetFocus(&child_);
  ASSERT_EQ(host_.window().GetFocus(), &child_);
  EXPECT_TRUE(child_.IsFocused());
  root_->SetPos({0, 0, 200, 200});
  child_.SetVisible(false);
  EXPECT_EQ(host_.window().GetFocus(), nullptr);
  EXPECT_FALSE(child_.IsFocused());
  EXPECT_TRUE(root_->IsArrangePending());
  root_->SetPos({0, 0, 201, 200});
  child_.SetVisible(false);
  EXPECT_FALSE(root_->IsArrangePending());
}

TEST_F(ControlTest, NoFocusRefusesFocusWhateverItsValue) {
  child_.SetAttribute(L"nofocus", L"false");
  child_.SetFocus();
  EXPECT_EQ(host_.window().GetFocus(), nullptr);
  ProbeControl plain;
  plain.SetWindow(&host_.window(), root_, false);
  plain.SetFocus();
  EXPECT_EQ(host_.window().GetFocus(), &plain);
}

TEST_F(ControlTest, ChannelTable) {
  const std::wstring saved = ui::GlobalManager::channel;
  ui::GlobalManager::channel = L"TW";
  const struct {
    const wchar_t* channels;
    bool visible;
  } cases[] = {
      {L"AppStore Steam", false}, {L"AppStore TW", true}, {L"TW", true}, {L"", false},
      {L"  TW  ", true},          {L"tw", false},
  };
  for (const auto& item : cases) {
    Control control;
    control.SetAttribute(L"channel", item.channels);
    EXPECT_EQ(control.IsVisible(), item.visible)
        << testing::PrintToString(std::wstring(item.channels));
  }
  // The attribute never shows a control again.
  Control hidden;
  hidden.SetVisible(false);
  hidden.SetAttribute(L"channel", L"TW");
  EXPECT_FALSE(hidden.IsVisible());
  ui::GlobalManager::channel = saved;
}

TEST_F(ControlTest, AttributeTable) {
  ScopedDpiScale scale(true, 150);
  Control control;
  control.ApplyAttributeList(
      L"margin=\"2,4,6,8\" bordersize=\"2\" borderround=\"4,4\" state=\"hot\" "
      L"cursortype=\"ibeam\" renderoffset=\"10,20\" halign=\"right\" valign=\"center\" "
      L"alpha=\"300\" bkcolor=\"  \tdark\" tooltiptext=\"one<n>two\" dataid=\"id-7\" "
      L"menu=\"true\" cache=\"true\" name=\"box_1\" float=\"true\" width=\"100\" height=\"-1\"");
  const RECT margin = control.GetMargin();
  const RECT expected_margin = {3, 6, 9, 12};  // left 3, width 6 on top of it, and so on
  EXPECT_TRUE(EqualRect(&margin, &expected_margin))
      << margin.left << "," << margin.top << "," << margin.right << "," << margin.bottom;
  EXPECT_EQ(control.GetBorderSize(), 3);
  EXPECT_EQ(control.GetBorderRound().cx, 6);
  EXPECT_EQ(control.GetState(), ui::kControlStateHot);
  EXPECT_EQ(control.GetHotAlpha(), 255);
  EXPECT_EQ(control.GetCursorType(), ui::kCursorIBeam);
  EXPECT_EQ(control.GetRenderOffset().x, 15);
  EXPECT_EQ(control.GetRenderOffset().y, 30);
  EXPECT_EQ(control.GetHorAlignType(), ui::kHorAlignRight);
  EXPECT_EQ(control.GetVerAlignType(), ui::kVerAlignCenter);
  EXPECT_EQ(control.GetAlpha(), 300);
  EXPECT_EQ(control.GetBkColor(), L"dark");
  EXPECT_EQ(control.GetToolTipText(), L"one\r\ntwo");
  EXPECT_EQ(control.GetUTF8DataID(), "id-7");
  EXPECT_TRUE(control.IsContextMenuUsed());
  EXPECT_TRUE(control.IsUseCache());
  EXPECT_EQ(control.GetName(), L"box_1");
  EXPECT_TRUE(control.IsFloat());
  EXPECT_EQ(control.GetFixedWidth(), 150);
  EXPECT_EQ(control.GetFixedHeight(), -1);

  // Keywords outside their lists and unknown names change nothing.
  control.ApplyAttributeList(L"state=\"odd\" halign=\"middle\" cursortype=\"cross\" nosuch=\"1\"");
  EXPECT_EQ(control.GetState(), ui::kControlStateHot);
  EXPECT_EQ(control.GetHorAlignType(), ui::kHorAlignRight);
  EXPECT_EQ(control.GetCursorType(), ui::kCursorIBeam);

  // Four border sizes replace the side sizes only; one size clears them.
  control.SetAttribute(L"bordersize", L"1,2,3,4");
  RECT sides = control.GetSideBorderSizes();
  EXPECT_EQ(control.GetBorderSize(), 3);
  // As a rectangle: left 1 becomes 2, and the width 2 becomes 3 on top of it.
  EXPECT_EQ(sides.left, 2);
  EXPECT_EQ(sides.right, 5);
  control.SetAttribute(L"bordersize", L"1");
  sides = control.GetSideBorderSizes();
  EXPECT_TRUE(IsRectEmpty(&sides));
  EXPECT_EQ(control.GetBorderSize(), 2);

  // A broken pair ends the list: what came before stays applied.
  control.ApplyAttributeList(L"dataid=\"a\" name=\"b tooltiptext=\"c\"");
  EXPECT_EQ(control.GetDataID(), L"a");
  EXPECT_EQ(control.GetName(), L"b tooltiptext=");
}

TEST_F(ControlTest, SetPosNormalisesAndSendsOneResizePerChange) {
  int resizes = 0;
  child_.AddEventHandler(ui::kEventResize, [&](EventArgs*) {
    ++resizes;
    return true;
  });
  child_.SetPos({50, 10, 40, 5});
  const RECT pos = child_.GetPos(true);
  const RECT expected = {50, 10, 50, 10};
  EXPECT_TRUE(EqualRect(&pos, &expected));
  EXPECT_EQ(resizes, 1);
  child_.SetPos({50, 10, 40, 5});
  EXPECT_EQ(resizes, 1);
  EXPECT_FALSE(child_.IsArrangePending());

  // A handler that moves the control again is not called back recursively.
  child_.AddEventHandler(ui::kEventResize, [&](EventArgs*) {
    child_.SetPos({0, 0, 5, 5});
    return true;
  });
  child_.SetPos({1, 1, 2, 2});
  EXPECT_EQ(resizes, 2);
}

TEST_F(ControlTest, SetPosInvalidatesWithinTheAncestors) {
  root_->SetPos({0, 0, 100, 100});
  host_.Validate();
  child_.SetPos({80, 80, 150, 150});
  RECT dirty = host_.UpdateRect();
  const RECT expected = {10, 10, 100, 100};  // old and new, cut to the root
  EXPECT_TRUE(EqualRect(&dirty, &expected))
      << dirty.left << "," << dirty.top << "," << dirty.right << "," << dirty.bottom;
}

TEST_F(ControlTest, EstimateImageWithACompleteDestinationSizesTheControl) {
  ScopedDpiScale scale(false, 100);
  Control control;
  control.SetAttribute(L"width", L"auto");
  control.SetAttribute(L"height", L"auto");
  control.SetAttribute(L"bkimage", L"file='missing.png' dest='5,5,45,35'");
  const SIZE size = control.EstimateSize({500, 500});
  EXPECT_EQ(size.cx, 40);
  EXPECT_EQ(size.cy, 30);
  EXPECT_EQ(control.GetFixedWidth(), 40);
  EXPECT_EQ(control.GetFixedHeight(), 30);

  // Without an image an auto control measures its (empty) text.
  Control empty;
  empty.SetAttribute(L"width", L"auto");
  EXPECT_EQ(empty.EstimateSize({500, 500}).cx, 0);
  EXPECT_EQ(empty.EstimateSize({500, 500}).cy, -1);
  EXPECT_FALSE(empty.IsReEstimateNeeded());
}

TEST_F(ControlTest, TooltipsAndUserData) {
  child_.SetUTF8ToolTipText("caf\xC3\xA9<n>bar");
  EXPECT_EQ(child_.GetToolTipText(), L"caf\u00E9\r\nbar");
  EXPECT_EQ(child_.GetUTF8ToolTipText(), "caf\xC3\xA9\r\nbar");
  child_.SetUTF8ToolTipText("");
  EXPECT_EQ(child_.GetToolTipText(), L"");

  struct Tracked : ui::ControlUserData {
    explicit Tracked(int* deaths) : deaths(deaths) {}
    ~Tracked() override { ++*deaths; }
    int* deaths;
  };
  int deaths = 0;
  child_.SetUserData(std::make_unique<Tracked>(&deaths));
  child_.SetUserData(std::make_unique<Tracked>(&deaths));
  EXPECT_EQ(deaths, 1);
  EXPECT_NE(child_.GetUserData(), nullptr);
}

// The order of the handler maps and the default handling.
TEST_F(ControlTest, DispatchOrderTable) {
  const struct {
    const char* label;
    bool code_result;
    bool add_all;
    bool all_result;
    const char* trace;
  } cases[] = {
      {"all pass", true, false, true, "code markup default"},
      {"code stops", false, false, true, "code"},
      {"all overrides a stop", false, true, true, "code all markup default"},
      {"all stops", true, true, false, "code all"},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.label);
    ProbeControl control;
    std::string trace;
    control.AddEventHandler(ui::kEventClick, [&](EventArgs*) {
      trace += "code ";
      return item.code_result;
    });
    if (item.add_all) {
      control.AddEventHandler(ui::kEventAll, [&](EventArgs*) {
        trace += "all ";
        return item.all_result;
      });
    }
    control.AddMarkupEventHandler(ui::kEventClick, [&](EventArgs*) {
      trace += "markup ";
      return true;
    });
    control.SendEvent(ui::kEventClick);
    if (!control.handled.empty()) trace += "default ";
    if (!trace.empty()) trace.pop_back();
    EXPECT_EQ(trace, item.trace);
  }
}

TEST_F(ControlTest, InternalAndBubbledEventsSkipTheHandlerMaps) {
  int calls = 0;
  const auto count = [&](EventArgs*) {
    ++calls;
    return true;
  };
  for (ui::EventType type : {ui::kEventInternalDoubleClick, ui::kEventInternalMenu,
                             ui::kEventInternalSetFocus, ui::kEventInternalKillFocus}) {
    child_.AddEventHandler(type, count);
    child_.AddMarkupEventHandler(type, count);
  }
  child_.AddEventHandler(ui::kEventAll, count);
  child_.AddEventHandler(ui::kEventClick, count);
  for (ui::EventType type : {ui::kEventInternalDoubleClick, ui::kEventInternalMenu,
                             ui::kEventInternalSetFocus, ui::kEventInternalKillFocus}) {
    child_.SendEvent(type);
  }
  EXPECT_EQ(calls, 0);

  // A click bubbling up from another control reaches the default handling.
  EventArgs bubbled;
  bubbled.Type = ui::kEventClick;
  bubbled.pSender = root_;
  child_.DispatchEvent(&bubbled);
  EXPECT_EQ(calls, 0);
  ASSERT_FALSE(child_.handled.empty());
  EXPECT_EQ(child_.handled.back(), ui::kEventClick);
}

TEST_F(ControlTest, ContextMenuRequestBecomesAMenuEvent) {
  host_.window().SetLastMousePos({33, 44});
  POINT seen = {0, 0};
  child_.AddEventHandler(ui::kEventMenu, [&](EventArgs* msg) {
    seen = msg->ptMouse;
    return true;
  });
  child_.SendEvent(ui::kEventInternalMenu);
  EXPECT_EQ(seen.x, 0);
  child_.SetAttribute(L"menu", L"true");
  child_.SendEvent(ui::kEventInternalMenu, 7, 8);
  EXPECT_EQ(seen.x, 33);
  EXPECT_EQ(seen.y, 44);
}

// A handler that destroys its control: nothing after it runs, and nothing
// reads the freed control.
TEST(ControlDeathTest, HandlerThatDeletesItsControlEndsTheDispatch) {
  struct Witness : Control {
    explicit Witness(int* defaults) : defaults(defaults) {}
    void HandleEvent(EventArgs*) override { ++*defaults; }
    int* defaults;
  };
  for (ui::EventType second : {ui::kEventClick, ui::kEventAll}) {
    int defaults = 0;
    int later_handlers = 0;
    auto control = std::make_unique<Witness>(&defaults);
    control->AddEventHandler(ui::kEventClick, [&](EventArgs*) {
      control.reset();
      return true;
    });
    control->AddEventHandler(second, [&](EventArgs*) {
      ++later_handlers;
      return true;
    });
    control->AddMarkupEventHandler(ui::kEventClick, [&](EventArgs*) {
      ++later_handlers;
      return true;
    });
    control->SendEvent(ui::kEventClick);
    EXPECT_EQ(control, nullptr);
    EXPECT_EQ(later_handlers, 0);
    EXPECT_EQ(defaults, 0);
  }
}

}  // namespace
