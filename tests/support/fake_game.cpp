// A stand-in for the game client, installed as "TOVA.exe" into test game
// folders. It records what the launcher gives it and what it sends it in
// "fake_game.log" beside itself (UTF-8, one line each):
//   start <command line>
//   busy                       (another instance held the mutex; it exits)
//   msg <message> <wParam> <lParam>
//   exit
// Like the game, it holds the instance mutex, shows a window of the class
// "UnityWndClass" and a second window carrying the game property, registers
// both with the launcher's main window, and ends on WM_CLOSE to either.
#include <windows.h>

#include <string>

namespace {

constexpr wchar_t kMutexName[] = L"_Tova_Instance_";
constexpr wchar_t kGameClass[] = L"UnityWndClass";
constexpr wchar_t kExtraClass[] = L"FakeGameExtraWindow";
constexpr wchar_t kGameProperty[] = L"_QEL_GAME_TW";
constexpr wchar_t kLauncherProperty[] = L"_QEL_LAUNCHER_TW";
constexpr UINT kFirstGameMessage = 2525;  // the game range shared with the launcher
constexpr UINT kLastGameMessage = 2532;
constexpr UINT kRegisterMessage = 2525;

std::wstring LogPath() {
  wchar_t module[MAX_PATH * 4] = {};
  DWORD length = GetModuleFileNameW(nullptr, module, static_cast<DWORD>(std::size(module)));
  std::wstring path(module, length);
  size_t slash = path.find_last_of(L"\\/");
  path.resize(slash == std::wstring::npos ? 0 : slash + 1);
  return path + L"fake_game.log";
}

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

// Appends one line; opened per line so a reader sees it at once and several
// instances can write.
void Log(const std::string& line) {
  HANDLE file = CreateFileW(LogPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message >= kFirstGameMessage && message <= kLastGameMessage) {
    Log("msg " + std::to_string(message) + " " + std::to_string(static_cast<long long>(wparam)) +
        " " + std::to_string(static_cast<long long>(lparam)));
    return 0;
  }
  switch (message) {
    case WM_CLOSE:
      PostQuitMessage(0);
      return 0;
    case WM_DESTROY:
      RemovePropW(window, kGameProperty);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

HWND MakeWindow(const wchar_t* class_name, const wchar_t* title, bool with_property) {
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = class_name;
  RegisterClassW(&window_class);
  HWND window = CreateWindowExW(0, class_name, title, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window && with_property) SetPropW(window, kGameProperty, window);
  return window;
}

HWND FindLauncherWindow() {
  for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window && IsWindow(window);
       window = GetWindow(window, GW_HWNDNEXT)) {
    if (GetPropW(window, kLauncherProperty) == window) return window;
  }
  return nullptr;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  Log("start " + ToUtf8(GetCommandLineW()));
  HANDLE mutex = CreateMutexW(nullptr, FALSE, kMutexName);
  if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) {
    Log("busy");
    if (mutex) CloseHandle(mutex);
    return 2;
  }
  HWND game = MakeWindow(kGameClass, L"Fake game", true);
  HWND extra = MakeWindow(kExtraClass, L"Fake game extra", true);
  if (!game || !extra) {
    Log("no window");
    CloseHandle(mutex);
    return 1;
  }
  if (HWND launcher = FindLauncherWindow()) {
    SendMessageTimeoutW(launcher, kRegisterMessage, 0, reinterpret_cast<LPARAM>(game),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    SendMessageTimeoutW(launcher, kRegisterMessage, 0, reinterpret_cast<LPARAM>(extra),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  DestroyWindow(extra);
  DestroyWindow(game);
  Log("exit");
  CloseHandle(mutex);
  return 0;
}
