#include "ui/core/window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/ui/core/test_window.h"
#include "ui/core/control.h"
#include "ui/resources/global_manager.h"

namespace {

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

}  // namespace
