#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <map>
#include <memory>
#include <string>

// What a balloon does beside the shell's own notice. The defaults flash the
// given window's taskbar button and play the sound without waiting for it.
struct BalloonEffects {
  BOOL(WINAPI* flash)(PFLASHWINFO info) = FlashWindowEx;
  BOOL(WINAPI* playSound)(LPCWSTR sound, HMODULE module, DWORD flags) = PlaySoundW;
};

// The main window's icon in the notification area: its popup menu ("open"
// and "exit", whose command identifiers are the window messages they turn
// into) and the balloons other processes ask for by WM_COPYDATA. Owned by the
// main window; UI thread only.
class TrayIcon {
 public:
  // The callback message of the icon.
  static constexpr UINT kCallbackMessage = 2025;
  // SND_SYSTEM (the system-sound volume), which the toolchain's headers lack.
  static constexpr DWORD kSoundSystem = 0x00200000;
  static constexpr DWORD kSoundFlags = SND_FILENAME | kSoundSystem | SND_ASYNC;

  explicit TrayIcon(BalloonEffects effects = BalloonEffects());
  ~TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Adds the icon of `owner_window` with the tip (at most 127 characters) and
  // builds the menu. A failed add leaves the window without an icon.
  void Create(HWND owner_window, const std::wstring& tip);
  // Adds the icon again, as after the shell restarted ("TaskbarCreated").
  void AddAgain();
  // Empties the menu and destroys its handles.
  void Clear();
  // Appends a menu item; false (nothing kept) when the menu refused it.
  bool AddMenuItem(UINT id, const std::wstring& text);
  // A balloon request: true when the shell took it (then the window named in
  // the request flashes and the sound plays); false for a request that is not
  // well formed or that the shell refused.
  bool ShowBalloon(const COPYDATASTRUCT* copy_data);
  // The icon's callback (lParam of kCallbackMessage): a double click shows the
  // window, a right click opens the menu at the cursor.
  void OnNotify(LPARAM lparam);
  // A menu command: true when `id` is a menu item, which was sent on to the
  // owner window as the message of that number.
  bool OnCommand(UINT id);
  // Removes the icon and the menu.
  void Destroy();

  HMENU popup_menu() const { return popup_menu_; }
  HWND owner_window() const { return owner_window_; }

 private:
  BalloonEffects effects_;
  std::unique_ptr<NOTIFYICONDATAW> data_;
  HWND owner_window_ = nullptr;
  HMENU menu_ = nullptr;        // owned; holds the popup menu as "PopMenu"
  HMENU popup_menu_ = nullptr;  // owned
  std::map<UINT, std::wstring> items_;
};
