#include "ui/core/window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/ui/core/host_window.h"
#include "tests/ui/core/render_setup.h"
#include "tests/ui/core/test_window.h"
#include "ui/core/control.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/timer_manager.h"

namespace {

using test_support::HostWindow;
using test_support::PumpUntil;
using test_support::TestWindow;
using ui::Control;
using ui::EventArgs;

TEST(WindowTest, NameMapKeepsTheLastEntryAndForgetsDestroyedControls) {
  TestWindow host;
  auto* root = new Control;
  root->SetName(L"root");
  host.window().AttachRootControl(root);
  EXPECT_EQ(host.window().FindControl(L"root"), root);

  auto* first = new Control;
  auto* second = new Control;
  first->SetName(L"twin");
  second->SetName(L"twin");
  first->SetWindow(&host.window(), root, false);
  second->SetWindow(&host.window(), root, false);
  host.window().AddNamedControl(first);
  host.window().AddNamedControl(second);
  EXPECT_EQ(host.window().FindControl(L"twin"), second);
  // Destroying either of them erases the entry.
  delete first;
  EXPECT_EQ(host.window().FindControl(L"twin"), nullptr);
  delete second;
  EXPECT_EQ(host.window().FindControl(L"missing"), nullptr);
}

TEST(WindowTest, QueuedControlsLiveUntilTheirMessage) {
  TestWindow host;
  host.window().AttachRootControl(new Control);
  struct Mortal : Control {
    explicit Mortal(bool* dead) : dead(dead) {}
    ~Mortal() override { *dead = true; }
    bool* dead;
  };
  bool dead = false;
  host.window().QueueControlForDeletion(new Mortal(&dead));
  EXPECT_FALSE(dead);
  EXPECT_TRUE(PumpUntil([&] { return dead; }));

  // A root replaced by another goes the same way.
  bool old_root_dead = false;
  host.window().AttachRootControl(new Mortal(&old_root_dead));
  host.window().AttachRootControl(new Control);
  EXPECT_FALSE(old_root_dead);
  EXPECT_TRUE(PumpUntil([&] { return old_root_dead; }));
}

TEST(WindowTest, FocusGoesOnlyToVisibleEnabledControlsOfTheWindow) {
  TestWindow host;
  TestWindow other;
  auto* root = new Control;
  host.window().AttachRootControl(root);
  Control target;
  target.SetWindow(&host.window(), root, false);
  std::string trace;
  target.AddEventHandler(ui::kEventSetFocus, [&](EventArgs*) {
    trace += "set ";
    return true;
  });
  target.AddEventHandler(ui::kEventKillFocus, [&](EventArgs*) {
    trace += "kill ";
    return true;
  });

  Control foreign;
  foreign.SetWindow(&other.window(), nullptr, false);
  host.window().SetFocus(&foreign);
  EXPECT_EQ(host.window().GetFocus(), nullptr);

  target.SetEnabled(false);
  host.window().SetFocus(&target);
  EXPECT_EQ(host.window().GetFocus(), nullptr);
  target.SetEnabled(true);
  target.SetVisible(false);
  host.window().SetFocus(&target);
  EXPECT_EQ(host.window().GetFocus(), nullptr);
  target.SetVisible(true);

  host.window().SetFocus(&target);
  EXPECT_EQ(host.window().GetFocus(), &target);
  EXPECT_TRUE(target.IsFocused());
  host.window().SetFocus(&target);
  host.window().SetFocus(nullptr);
  EXPECT_FALSE(target.IsFocused());
  EXPECT_EQ(trace, "set kill ");
}

TEST(WindowTest, ResourcePathTable) {
  const struct {
    const wchar_t* path;
    const wchar_t* stored;
  } cases[] = {{L"main", L"main\\"}, {L"main\\", L"main\\"}, {L"main/", L"main/"}, {L"", L""}};
  ui::Window window;
  for (const auto& item : cases) {
    window.SetResourcePath(item.path);
    EXPECT_EQ(window.GetResourcePath(), item.stored);
  }
}

TEST(WindowTest, InitEntersTheWindowListAndDestructionLeavesIt) {
  auto& windows = ui::GlobalManager::windowList;
  ui::Window* bound = nullptr;
  {
    TestWindow host;
    bound = &host.window();
    EXPECT_EQ(std::count(windows.begin(), windows.end(), bound), 1);
  }
  EXPECT_EQ(std::count(windows.begin(), windows.end(), bound), 0);
}

TEST(WindowTest, CreateRegistersOnceBindsTheObjectAndDropsTheCaption) {
  HostWindow first;
  HostWindow second;
  const HWND one = first.Create(nullptr, L"one", WS_OVERLAPPEDWINDOW, 0, false, {0, 0, 200, 100});
  const HWND two = second.Create(nullptr, L"two", WS_OVERLAPPEDWINDOW, 0, true, {0, 0, 200, 100});
  ASSERT_TRUE(one);
  ASSERT_TRUE(two);
  EXPECT_EQ(first.GetHWND(), one);
  EXPECT_EQ(GetWindowLongW(one, GWL_STYLE) & WS_CAPTION, 0);
  EXPECT_FALSE(first.IsLayeredWindow());
  EXPECT_TRUE(second.IsLayeredWindow());
  EXPECT_NE(first.GetRenderContext(), nullptr);
  EXPECT_GE(first.Count(WM_NCCREATE), 1);

  struct Nameless : ui::Window {};
  Nameless nameless;
  EXPECT_EQ(nameless.Create(nullptr, L"", WS_POPUP, 0, false, {0, 0, 10, 10}), nullptr);
  first.Destroy();
  second.Destroy();
}

TEST(WindowTest, DestroyingTheNewestWindowTellsTheNextNewest) {
  HostWindow oldest;
  HostWindow middle;
  auto newest = std::make_unique<HostWindow>();
  oldest.CreatePopup({0, 0, 50, 50}, false);
  middle.CreatePopup({0, 0, 50, 50}, false);
  newest->CreatePopup({0, 0, 50, 50}, false);
  // Each heard it once, at its own start.
  EXPECT_EQ(middle.Count(ui::Window::kTopWindowChangedMessage), 1);

  newest->Destroy();
  newest.reset();
  EXPECT_EQ(middle.Count(ui::Window::kTopWindowChangedMessage), 2);
  EXPECT_EQ(oldest.Count(ui::Window::kTopWindowChangedMessage), 1);

  // An older window going tells nobody.
  oldest.Destroy();
  {
    HostWindow gone;
    gone.CreatePopup({0, 0, 50, 50}, false);
    gone.Destroy();
    middle.messages.clear();
  }
  EXPECT_EQ(middle.Count(ui::Window::kTopWindowChangedMessage), 1);
  middle.Destroy();
}

TEST(WindowTest, CloseFadesTheRootAndPostsTheCodeLater) {
  HostWindow host;
  host.CreatePopup({0, 0, 80, 60}, false);
  auto* root = new Control;
  host.AttachRootControl(root);
  // The first paint fades the window in with the root's alpha player.
  UpdateWindow(host.GetHWND());
  ui::AnimationPlayer* fade = root->GetAnimationManager().GetAnimationPlayer(ui::kAnimationAlpha);
  ASSERT_NE(fade, nullptr);
  host.Close(7);
  EXPECT_TRUE(fade->reversed);
  EXPECT_TRUE(host.close_codes.empty());
  EXPECT_TRUE(PumpUntil([&] { return !host.close_codes.empty(); }));
  EXPECT_EQ(host.close_codes[0], 7u);
  EXPECT_FALSE(IsWindow(host.GetHWND()));
}

TEST(WindowTest, CloseOfAWindowObjectThatDiesFirstPostsNothing) {
  auto host = std::make_unique<HostWindow>();
  const HWND hwnd = host->CreatePopup({0, 0, 80, 60}, false);
  host->AttachRootControl(new Control);
  host->Close(3);
  // The system window stays; without its object it would close on WM_CLOSE.
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  host.reset();
  bool later = false;
  const auto flag = std::make_shared<qbase::WeakFlag>();
  ui::TimerManager::GetInstance()->AddCancelableTimer(
      flag, [&] { later = true; }, 1000, 1);
  ASSERT_TRUE(PumpUntil([&] { return later; }));
  EXPECT_TRUE(IsWindow(hwnd));
  DestroyWindow(hwnd);
}

TEST(WindowTest, FinalMessageRunsTheCloseHandlersUntilOneStops) {
  HostWindow host;
  host.CreatePopup({0, 0, 80, 60}, false);
  std::string trace;
  host.AttachWindowClose([&](EventArgs* args) {
    EXPECT_EQ(args->Type, ui::kEventWindowClose);
    trace += "first ";
    return false;
  });
  host.AttachWindowClose([&](EventArgs*) {
    trace += "second ";
    return true;
  });
  host.Destroy();
  EXPECT_EQ(trace, "first ");
}

TEST(WindowTest, OptionGroupsTable) {
  ui::Window window;
  Control a;
  Control b;
  EXPECT_TRUE(window.AddOptionGroup(L"g", &a));
  EXPECT_FALSE(window.AddOptionGroup(L"g", &a));
  EXPECT_TRUE(window.AddOptionGroup(L"g", &b));
  ASSERT_NE(window.GetOptionGroup(L"g"), nullptr);
  EXPECT_EQ(window.GetOptionGroup(L"g")->size(), 2u);
  window.RemoveOptionGroup(L"g", &a);
  EXPECT_EQ(window.GetOptionGroup(L"g")->size(), 1u);
  window.RemoveOptionGroup(L"g", &b);
  EXPECT_EQ(window.GetOptionGroup(L"g"), nullptr);
  EXPECT_EQ(window.GetOptionGroup(L"other"), nullptr);
}

TEST(WindowTest, InitSizeAddsTheShadowAndKeepsThePreviousAsContent) {
  HostWindow host;
  host.CreatePopup({0, 0, 10, 10}, false);
  const RECT corner = host.GetShadow().corner;
  host.SetInitSize(504, 320, false, false);
  EXPECT_EQ(host.GetInitSize().cx, 504 + corner.left + corner.right);
  EXPECT_EQ(host.GetContentSize().cx, 0);
  RECT rect;
  GetWindowRect(host.GetHWND(), &rect);
  EXPECT_EQ(rect.right - rect.left, host.GetInitSize().cx);

  host.GetShadow().attached = false;
  host.SetInitSize(1340, 750, false, false);
  EXPECT_EQ(host.GetInitSize().cx, 1340);
  EXPECT_EQ(host.GetContentSize().cx, 504 + corner.left + corner.right);
  host.Destroy();
}

TEST(WindowTest, CenterWindowKeepsAnOversizedOwnerlessWindowOnTheWorkArea) {
  HostWindow host;
  host.CreatePopup({0, 0, 3000, 200}, false);
  host.CenterWindow();
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(host.GetHWND(), MONITOR_DEFAULTTONEAREST), &monitor);
  RECT rect;
  GetWindowRect(host.GetHWND(), &rect);
  EXPECT_EQ(rect.left, monitor.rcWork.left);
  const LONG middle = (monitor.rcWork.top + monitor.rcWork.bottom) / 2 - 100;
  EXPECT_EQ(rect.top, middle);
  host.Destroy();
}

}  // namespace
