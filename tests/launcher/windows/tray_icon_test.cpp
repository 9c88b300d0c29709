#include "launcher/windows/tray_icon.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/core/window_messages.h"
#include "launcher/windows/balloon_request.h"
#include "tests/launcher/windows/windows_test_env.h"
#include "tests/ui/core/test_window.h"

namespace {

using test_support::IconExists;
using test_support::PumpUntil;

// What the balloon effects were asked to do.
struct Effects {
  std::vector<HWND> flashed;
  std::vector<DWORD> flashFlags;
  std::vector<std::wstring> sounds;
  std::vector<DWORD> soundFlags;
};
Effects g_effects;

BOOL WINAPI RecordFlash(PFLASHWINFO info) {
  g_effects.flashed.push_back(info->hwnd);
  g_effects.flashFlags.push_back(info->dwFlags);
  return TRUE;
}

BOOL WINAPI RecordSound(LPCWSTR sound, HMODULE, DWORD flags) {
  g_effects.sounds.push_back(sound);
  g_effects.soundFlags.push_back(flags);
  return TRUE;
}

std::vector<UINT> g_owner_messages;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND) g_owner_messages.push_back(LOWORD(wparam));
  if (message >= WM_TRAY_NOTIFY && message <= WM_EXIT_LAUNCHER) g_owner_messages.push_back(message);
  return DefWindowProcW(window, message, wparam, lparam);
}

std::vector<unsigned char> Record(const std::wstring& title, const std::wstring& text,
                                  const std::wstring& sound, HWND window) {
  std::vector<unsigned char> record(BalloonRequest::kRecordBytes, 0);
  std::memcpy(record.data() + BalloonRequest::kTitleOffset, title.c_str(),
              title.size() * sizeof(wchar_t));
  std::memcpy(record.data() + BalloonRequest::kTextOffset, text.c_str(),
              text.size() * sizeof(wchar_t));
  std::memcpy(record.data() + BalloonRequest::kSoundOffset, sound.c_str(),
              sound.size() * sizeof(wchar_t));
  const uint64_t handle = reinterpret_cast<uintptr_t>(window);
  std::memcpy(record.data() + BalloonRequest::kFlashWindowOffset, &handle, sizeof(handle));
  return record;
}

class TrayIconTest : public testing::Test {
 protected:
  void SetUp() override {
    g_effects = Effects();
    g_owner_messages.clear();
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = OwnerProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"TrayIconTestOwner";
    RegisterClassW(&window_class);
    // Away from the top-left corner, where the shell's tray sits.
    owner_ = CreateWindowExW(0, L"TrayIconTestOwner", L"owner", WS_POPUP | WS_VISIBLE, 500, 500,
                             100, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    BalloonEffects effects;
    effects.flash = RecordFlash;
    effects.playSound = RecordSound;
    tray_ = std::make_unique<TrayIcon>(effects);
    tray_->Create(owner_, L"Launcher");
  }
  void TearDown() override {
    tray_.reset();
    DestroyWindow(owner_);
  }

  HWND owner_ = nullptr;
  std::unique_ptr<TrayIcon> tray_;
};

TEST_F(TrayIconTest, BalloonRequestsReachTheShellOnlyWhenWellFormed) {
  ASSERT_TRUE(IconExists(owner_));
  const HWND flash_target = owner_;
  const struct {
    const char* name;
    std::vector<unsigned char> record;
    size_t bytes;
    ULONG_PTR kind;
    bool shown;
    bool sound;
  } cases[] = {
      {"valid, longest texts", Record(std::wstring(63, L'T'), std::wstring(255, L'x'), L"", owner_),
       BalloonRequest::kRecordBytes, 0, true, false},
      {"with a sound", Record(L"Done", L"Update finished", L"C:\\windows\\media\\ding.wav", owner_),
       BalloonRequest::kRecordBytes, 0, true, true},
      {"dwData 1", Record(L"t", L"x", L"", owner_), BalloonRequest::kRecordBytes, 1, false, false},
      {"short", Record(L"t", L"x", L"", owner_), BalloonRequest::kRecordBytes - 1, 0, false, false},
      {"unterminated", Record(std::wstring(64, L'T'), L"x", L"", owner_),
       BalloonRequest::kRecordBytes, 0, false, false},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.name);
    g_effects = Effects();
    std::vector<unsigned char> record = item.record;
    COPYDATASTRUCT data = {};
    data.dwData = item.kind;
    data.cbData = static_cast<DWORD>(item.bytes);
    data.lpData = record.data();
    EXPECT_EQ(tray_->ShowBalloon(&data), item.shown);
    if (!item.shown) {
      EXPECT_TRUE(g_effects.flashed.empty());
      EXPECT_TRUE(g_effects.sounds.empty());
      continue;
    }
    ASSERT_EQ(g_effects.flashed.size(), 1u);
    EXPECT_EQ(g_effects.flashed[0], flash_target);
    EXPECT_EQ(g_effects.flashFlags[0], static_cast<DWORD>(FLASHW_TRAY | FLASHW_TIMERNOFG));
    if (!item.sound) {
      EXPECT_TRUE(g_effects.sounds.empty());
      continue;
    }
    ASSERT_EQ(g_effects.sounds.size(), 1u);
    EXPECT_EQ(g_effects.sounds[0], L"C:\\windows\\media\\ding.wav");
    // The UI thread never waits for the sound.
    EXPECT_TRUE(g_effects.soundFlags[0] & SND_ASYNC);
    EXPECT_TRUE(g_effects.soundFlags[0] & SND_FILENAME);
  }
  EXPECT_FALSE(tray_->ShowBalloon(nullptr));
}

TEST_F(TrayIconTest, MenuCommandsBecomeTheirMessages) {
  EXPECT_FALSE(tray_->OnCommand(1001));
  EXPECT_TRUE(g_owner_messages.empty());
  EXPECT_TRUE(tray_->OnCommand(WM_SHOW_LAUNCHER));
  EXPECT_TRUE(tray_->OnCommand(WM_EXIT_LAUNCHER));
  EXPECT_EQ(g_owner_messages, (std::vector<UINT>{WM_SHOW_LAUNCHER, WM_EXIT_LAUNCHER}));
  ASSERT_NE(tray_->popup_menu(), nullptr);
  EXPECT_EQ(GetMenuItemCount(tray_->popup_menu()), 2);
  EXPECT_EQ(GetMenuItemID(tray_->popup_menu(), 0), WM_SHOW_LAUNCHER);
  EXPECT_EQ(GetMenuItemID(tray_->popup_menu(), 1), WM_EXIT_LAUNCHER);

  // A double click asks the owner to show itself and run the launcher pass.
  g_owner_messages.clear();
  tray_->OnNotify(WM_LBUTTONDBLCLK);
  tray_->OnNotify(WM_LBUTTONDOWN);
  EXPECT_EQ(g_owner_messages, (std::vector<UINT>{WM_SHOW_LAUNCHER}));
}

// The menu is modal; a timer of this thread picks its second item.
TEST_F(TrayIconTest, RightClickOpensTheMenuAndItsChoiceReachesTheOwner) {
  static int ticks = 0;
  ticks = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR, DWORD) {
    HWND menu = FindWindowW(L"#32768", nullptr);
    if (!menu || !IsWindowVisible(menu)) {
      if (++ticks > 300) EndMenu();
      return;
    }
    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
  });
  g_owner_messages.clear();
  tray_->OnNotify(WM_RBUTTONDOWN);
  KillTimer(nullptr, timer);
  PumpUntil([] { return !g_owner_messages.empty(); });
  ASSERT_FALSE(g_owner_messages.empty());
  EXPECT_EQ(g_owner_messages[0], WM_EXIT_LAUNCHER);
}

TEST_F(TrayIconTest, TheIconCanBeAddedAgainAndGoesWithDestroy) {
  ASSERT_TRUE(IconExists(owner_));
  // As when the shell restarts: its icons are gone.
  NOTIFYICONDATAW data = {};
  data.cbSize = sizeof(data);
  data.hWnd = owner_;
  Shell_NotifyIconW(NIM_DELETE, &data);
  ASSERT_FALSE(IconExists(owner_));
  tray_->AddAgain();
  EXPECT_TRUE(IconExists(owner_));
  tray_->Destroy();
  EXPECT_FALSE(IconExists(owner_));
  EXPECT_EQ(tray_->popup_menu(), nullptr);
  EXPECT_FALSE(tray_->OnCommand(WM_EXIT_LAUNCHER));
}

}  // namespace
