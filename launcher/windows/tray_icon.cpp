#include "launcher/windows/tray_icon.h"

#include <cwchar>
#include <optional>

#include "launcher/core/window_messages.h"
#include "launcher/windows/balloon_request.h"
#include "ui/resources/language_string_table.h"

namespace {

constexpr WORD kIconResource = 107;
constexpr UINT kFlashCount = 5;

// Copies at most the field's size, always leaving a terminating zero.
template <size_t N>
void CopyField(wchar_t (&field)[N], const std::wstring& text) {
  wcsncpy(field, text.c_str(), N - 1);
  field[N - 1] = L'\0';
}

}  // namespace

TrayIcon::TrayIcon(BalloonEffects effects) : effects_(effects) {}

TrayIcon::~TrayIcon() { Destroy(); }

void TrayIcon::Create(HWND owner_window, const std::wstring& tip) {
  owner_window_ = owner_window;
  data_ = std::make_unique<NOTIFYICONDATAW>();
  *data_ = NOTIFYICONDATAW{};
  data_->cbSize = sizeof(NOTIFYICONDATAW);
  data_->hWnd = owner_window;
  data_->uID = 0;
  data_->uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
  data_->uCallbackMessage = kCallbackMessage;
  data_->hIcon = static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                 GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
  CopyField(data_->szTip, tip);
  AddAgain();

  if (menu_ || popup_menu_) Clear();
  menu_ = CreateMenu();
  popup_menu_ = CreatePopupMenu();
  ui::LanguageStringTable* strings = ui::LanguageStringTable::GetInstance();
  AddMenuItem(WM_SHOW_LAUNCHER, strings->GetStringById(L"STRING_NOTIFYTRAY_OPEN"));
  AddMenuItem(WM_EXIT_LAUNCHER, strings->GetStringById(L"STRING_NOTIFYTRAY_EXIT"));
  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(popup_menu_), L"PopMenu");
}

void TrayIcon::AddAgain() {
  if (!data_) return;
  Shell_NotifyIconW(NIM_ADD, data_.get());
  data_->uVersion = NOTIFYICON_VERSION_4;
  Shell_NotifyIconW(NIM_SETVERSION, data_.get());
}

void TrayIcon::Clear() {
  items_.clear();
  if (popup_menu_) DestroyMenu(popup_menu_);
  if (menu_) DestroyMenu(menu_);
  popup_menu_ = nullptr;
  menu_ = nullptr;
}

bool TrayIcon::AddMenuItem(UINT id, const std::wstring& text) {
  if (!popup_menu_ || !AppendMenuW(popup_menu_, MF_STRING, id, text.c_str())) return false;
  items_.emplace(id, text);
  return true;
}

bool TrayIcon::ShowBalloon(const COPYDATASTRUCT* copy_data) {
  const std::optional<BalloonRequest> request = ParseBalloonRequest(copy_data);
  if (!request || !data_) return false;
  CopyField(data_->szInfoTitle, request->title);
  CopyField(data_->szInfo, request->text);
  const UINT saved_flags = data_->uFlags;
  const DWORD saved_info_flags = data_->dwInfoFlags;
  data_->uFlags = NIF_INFO;
  // A sound of its own keeps the shell silent.
  data_->dwInfoFlags = NIIF_LARGE_ICON | (request->sound.empty() ? 0 : NIIF_NOSOUND);
  const bool shown = Shell_NotifyIconW(NIM_MODIFY, data_.get()) != FALSE;
  data_->uFlags = saved_flags;
  data_->dwInfoFlags = saved_info_flags;
  if (!shown) return false;

  FLASHWINFO flash = {};
  flash.cbSize = sizeof(flash);
  flash.hwnd = request->flashWindow;
  flash.dwFlags = FLASHW_TRAY | FLASHW_TIMERNOFG;
  flash.uCount = kFlashCount;
  effects_.flash(&flash);
  // Asynchronous: the UI thread never waits for the sound to end.
  if (!request->sound.empty()) effects_.playSound(request->sound.c_str(), nullptr, kSoundFlags);
  return true;
}

void TrayIcon::OnNotify(LPARAM lparam) {
  switch (LOWORD(lparam)) {
    case WM_LBUTTONDBLCLK:
      SendMessageW(owner_window_, WM_SHOW_LAUNCHER, 2, 0);
      break;
    case WM_RBUTTONDOWN: {
      if (!popup_menu_) break;
      POINT cursor = {};
      GetCursorPos(&cursor);
      SetForegroundWindow(owner_window_);
      TrackPopupMenuEx(popup_menu_, TPM_BOTTOMALIGN, cursor.x, cursor.y, owner_window_, nullptr);
      // Lets the menu close when the player clicks elsewhere.
      SendMessageW(owner_window_, WM_NULL, 0, 0);
      break;
    }
    default:
      break;
  }
}

bool TrayIcon::OnCommand(UINT id) {
  if (items_.count(id) == 0) return false;
  SendMessageW(owner_window_, id, 0, 0);
  return true;
}

void TrayIcon::Destroy() {
  Clear();
  if (data_) {
    Shell_NotifyIconW(NIM_DELETE, data_.get());
    data_.reset();
  }
  owner_window_ = nullptr;
}
