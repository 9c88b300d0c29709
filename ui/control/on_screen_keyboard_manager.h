#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/weak_callback.h"

namespace ui {

// What the keyboard manager needs of the system: the version check, the
// touch keyboard's window, its COM toggle, starting its program and a
// one-shot timer on the UI thread. Tests supply their own; the real one
// never blocks and never shows a dialog.
class OnScreenKeyboardSystem {
 public:
  virtual ~OnScreenKeyboardSystem() = default;
  // Windows 8 (6.2) or later.
  virtual bool IsWindows8OrLater() = 0;
  // The keyboard's top-level window, null when there is none.
  virtual HWND FindKeyboardWindow() = 0;
  virtual DWORD GetWindowStyle(HWND window) = 0;
  virtual void PostClose(HWND window) = 0;
  // Toggles the keyboard through its COM object; false when the object
  // cannot be created.
  virtual bool ToggleKeyboard() = 0;
  // The value of "CommonProgramW6432", empty when it is not set.
  virtual std::wstring CommonProgramFolder() = 0;
  virtual void StartProgram(const std::wstring& path) = 0;
  // Runs the callback once after the delay, unless the flag died first.
  virtual void ScheduleOnce(const std::weak_ptr<qbase::WeakFlag>& flag,
                            const std::function<void()>& callback, uint32_t delay_ms) = 0;
};

// The system's own: window lookup, COM, ShellExecuteEx, the UI timers.
std::unique_ptr<OnScreenKeyboardSystem> CreateSystemOnScreenKeyboard();

// The keyboard program's path for the common program folder: the folder's
// "microsoft shared\ink\TabTip.exe", or the fixed default path when the
// folder is unknown.
std::wstring OnScreenKeyboardProgramPath(const std::wstring& common_program_folder);

// Shows and hides the system's touch keyboard for text entry by touch: a
// request stores what is wanted and an update 10 ms later brings the
// keyboard to it, closing its window, toggling it through COM or starting
// its program. Only on Windows 8 or later. UI thread only.
class OnScreenKeyboardManager : public qbase::SupportWeakCallback {
 public:
  static constexpr uint32_t kUpdateDelayMs = 10;
  static constexpr wchar_t kKeyboardWindowClass[] = L"IPTip_Main_Window";

  // The process's manager over the real system.
  static OnScreenKeyboardManager* GetInstance();

  explicit OnScreenKeyboardManager(std::unique_ptr<OnScreenKeyboardSystem> system);
  ~OnScreenKeyboardManager() override;
  OnScreenKeyboardManager(const OnScreenKeyboardManager&) = delete;
  OnScreenKeyboardManager& operator=(const OnScreenKeyboardManager&) = delete;

  void ShowOnScreenKeyboard(bool show);
  // Brings the keyboard to the last wanted state.
  void UpdateOnScreenKeyboard();

  bool IsWanted() const { return wanted_; }

 private:
  bool IsSupported();

  std::unique_ptr<OnScreenKeyboardSystem> system_;
  bool wanted_ = false;
  std::optional<bool> supported_;  // asked once, on the first request
};

}  // namespace ui
