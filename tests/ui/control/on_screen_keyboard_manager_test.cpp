// The keyboard manager's decisions over a fake system: the touch keyboard
// does not exist here, so its window, COM toggle, program and timer are
// recorded instead.

#include "ui/control/on_screen_keyboard_manager.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

class FakeKeyboardSystem : public ui::OnScreenKeyboardSystem {
 public:
  bool IsWindows8OrLater() override {
    ++version_checks;
    return windows8;
  }
  HWND FindKeyboardWindow() override {
    ++window_lookups;
    return window_exists ? kWindow : nullptr;
  }
  DWORD GetWindowStyle(HWND) override { return style; }
  void PostClose(HWND window) override { closed.push_back(window); }
  bool ToggleKeyboard() override {
    ++toggles;
    return com_available;
  }
  std::wstring CommonProgramFolder() override { return common_folder; }
  void StartProgram(const std::wstring& path) override { started.push_back(path); }
  void ScheduleOnce(const std::weak_ptr<qbase::WeakFlag>& flag,
                    const std::function<void()>& callback, uint32_t delay_ms) override {
    delays.push_back(delay_ms);
    pending.push_back([flag, callback] {
      if (!flag.expired()) callback();
    });
  }

  // Runs the scheduled updates, as the timer would 10 ms later.
  void RunPending() {
    std::vector<std::function<void()>> due;
    due.swap(pending);
    for (auto& run : due) run();
  }

  inline static const HWND kWindow = reinterpret_cast<HWND>(0x1234);
  bool windows8 = true;
  bool window_exists = false;
  DWORD style = 0;
  bool com_available = true;
  std::wstring common_folder;
  int version_checks = 0;
  int window_lookups = 0;
  int toggles = 0;
  std::vector<HWND> closed;
  std::vector<std::wstring> started;
  std::vector<uint32_t> delays;
  std::vector<std::function<void()>> pending;
};

struct KeyboardCase {
  const char* name;
  bool window_exists;
  DWORD style;
  bool com_available;
  bool show;
  int closes;
  int toggles;
  int starts;
};

class OnScreenKeyboardDecisionTest : public testing::TestWithParam<KeyboardCase> {};

TEST_P(OnScreenKeyboardDecisionTest, BringsTheKeyboardToTheWantedState) {
  const KeyboardCase& c = GetParam();
  auto owned = std::make_unique<FakeKeyboardSystem>();
  FakeKeyboardSystem* system = owned.get();
  system->window_exists = c.window_exists;
  system->style = c.style;
  system->com_available = c.com_available;
  ui::OnScreenKeyboardManager manager(std::move(owned));
  manager.ShowOnScreenKeyboard(c.show);
  // Nothing happens before the timer.
  EXPECT_EQ(system->window_lookups, 0);
  ASSERT_EQ(system->delays, std::vector<uint32_t>{ui::OnScreenKeyboardManager::kUpdateDelayMs});
  system->RunPending();
  EXPECT_EQ(static_cast<int>(system->closed.size()), c.closes);
  if (c.closes) {
    EXPECT_EQ(system->closed[0], FakeKeyboardSystem::kWindow);
  }
  EXPECT_EQ(system->toggles, c.toggles);
  EXPECT_EQ(static_cast<int>(system->started.size()), c.starts);
}

constexpr DWORD kShown = WS_VISIBLE;
constexpr DWORD kShownDisabled = WS_VISIBLE | WS_DISABLED;

INSTANTIATE_TEST_SUITE_P(
    Table, OnScreenKeyboardDecisionTest,
    testing::Values(KeyboardCase{"ShownAndWanted", true, kShown, true, true, 0, 0, 0},
                    KeyboardCase{"HiddenAndUnwanted", false, 0, true, false, 0, 0, 0},
                    KeyboardCase{"ShownUnwanted", true, kShown, true, false, 1, 0, 0},
                    KeyboardCase{"WantedToggles", false, 0, true, true, 0, 1, 0},
                    KeyboardCase{"InvisibleWindowToggles", true, 0, true, true, 0, 1, 0},
                    KeyboardCase{"DisabledCountsAsHidden", true, kShownDisabled, true, true, 0, 1,
                                 0},
                    KeyboardCase{"NoComStartsTheProgram", false, 0, false, true, 0, 1, 1}),
    [](const testing::TestParamInfo<KeyboardCase>& info) { return info.param.name; });

TEST(OnScreenKeyboardManagerTest, BeforeWindows8NothingIsAsked) {
  auto owned = std::make_unique<FakeKeyboardSystem>();
  FakeKeyboardSystem* system = owned.get();
  system->windows8 = false;
  ui::OnScreenKeyboardManager manager(std::move(owned));
  manager.ShowOnScreenKeyboard(true);
  manager.ShowOnScreenKeyboard(false);
  system->RunPending();
  EXPECT_TRUE(system->delays.empty());
  EXPECT_EQ(system->window_lookups, 0);
  EXPECT_EQ(system->toggles, 0);
  EXPECT_TRUE(system->started.empty());
  // The version is asked once.
  EXPECT_EQ(system->version_checks, 1);
}

TEST(OnScreenKeyboardManagerTest, ShowThenHideWithinTheDelayLeavesAHiddenKeyboardAlone) {
  auto owned = std::make_unique<FakeKeyboardSystem>();
  FakeKeyboardSystem* system = owned.get();
  ui::OnScreenKeyboardManager manager(std::move(owned));
  manager.ShowOnScreenKeyboard(true);
  manager.ShowOnScreenKeyboard(false);
  EXPECT_EQ(system->delays.size(), 2u);
  system->RunPending();
  EXPECT_EQ(system->window_lookups, 2);
  EXPECT_EQ(system->toggles, 0);
  EXPECT_TRUE(system->closed.empty());
  EXPECT_TRUE(system->started.empty());
}

TEST(OnScreenKeyboardManagerTest, ProgramPathComesFromTheCommonProgramFolder) {
  struct Case {
    std::wstring folder;
    std::wstring path;
  };
  const Case cases[] = {
      {L"D:\\Common", L"D:\\Common\\microsoft shared\\ink\\TabTip.exe"},
      {std::wstring(L"D:\\Common\0", 10), L"D:\\Common\\microsoft shared\\ink\\TabTip.exe"},
      {L"", L"C:\\\\Program Files\\Common Files\\microsoft shared\\ink\\TabTip.exe"},
  };
  for (const Case& c : cases) EXPECT_EQ(ui::OnScreenKeyboardProgramPath(c.folder), c.path);
  auto owned = std::make_unique<FakeKeyboardSystem>();
  FakeKeyboardSystem* system = owned.get();
  system->com_available = false;
  system->common_folder = L"E:\\Files";
  ui::OnScreenKeyboardManager manager(std::move(owned));
  manager.ShowOnScreenKeyboard(true);
  system->RunPending();
  ASSERT_EQ(system->started.size(), 1u);
  EXPECT_EQ(system->started[0], L"E:\\Files\\microsoft shared\\ink\\TabTip.exe");
}

// The real system has no touch keyboard here: asking for it neither blocks
// nor shows anything, and the program start fails quietly.
TEST(OnScreenKeyboardManagerTest, TheRealSystemWithoutAKeyboardGoesOnQuietly) {
  const auto system = ui::CreateSystemOnScreenKeyboard();
  EXPECT_EQ(system->FindKeyboardWindow(), nullptr);
  system->StartProgram(ui::OnScreenKeyboardProgramPath(L"C:\\no such folder"));
  EXPECT_EQ(FindWindowW(ui::OnScreenKeyboardManager::kKeyboardWindowClass, nullptr), nullptr);
}

}  // namespace
