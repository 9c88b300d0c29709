#include "ui/control/on_screen_keyboard_manager.h"

#include <objbase.h>
#include <shellapi.h>

#include <utility>

#include "ui/core/dpi_manager.h"
#include "ui/resources/timer_manager.h"

namespace ui {

namespace {

constexpr wchar_t kProgramSuffix[] = L"\\microsoft shared\\ink\\TabTip.exe";
constexpr wchar_t kDefaultProgramPath[] =
    L"C:\\\\Program Files\\Common Files\\microsoft shared\\ink\\TabTip.exe";
constexpr WORD kWindows8MinorVersion = 2;

const CLSID kTipInvocationClass = {
    0x4ce576fa, 0x83dc, 0x4f88, {0x95, 0x1c, 0x9d, 0x07, 0x82, 0xb4, 0xe3, 0x76}};
const IID kTipInvocationIid = {
    0x37c994e7, 0x432b, 0x4834, {0xa2, 0xf7, 0xdc, 0xe1, 0xf1, 0x3b, 0x83, 0x4b}};

// The keyboard's activation interface: one method after IUnknown's.
struct ITipInvocation : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Toggle(HWND window) = 0;
};

class SystemOnScreenKeyboard : public OnScreenKeyboardSystem {
 public:
  bool IsWindows8OrLater() override {
    return DpiManager::IsWindowsVersionOrGreater(kWindows8MinorVersion);
  }
  HWND FindKeyboardWindow() override {
    return FindWindowW(OnScreenKeyboardManager::kKeyboardWindowClass, nullptr);
  }
  DWORD GetWindowStyle(HWND window) override {
    return static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
  }
  void PostClose(HWND window) override { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }
  bool ToggleKeyboard() override {
    ITipInvocation* invocation = nullptr;
    if (FAILED(CoCreateInstance(kTipInvocationClass, nullptr,
                                CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, kTipInvocationIid,
                                reinterpret_cast<void**>(&invocation))) ||
        !invocation) {
      return false;
    }
    invocation->Toggle(GetDesktopWindow());
    invocation->Release();
    return true;
  }
  std::wstring CommonProgramFolder() override {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"CommonProgramW6432", buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    return std::wstring(buffer, length);
  }
  void StartProgram(const std::wstring& path) override {
    // No error dialog and no waiting: a missing keyboard is nothing to report.
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = path.c_str();
    info.nShow = SW_SHOWDEFAULT;
    ShellExecuteExW(&info);
  }
  void ScheduleOnce(const std::weak_ptr<qbase::WeakFlag>& flag,
                    const std::function<void()>& callback, uint32_t delay_ms) override {
    TimerManager::GetInstance()->AddCancelableTimer(flag, callback, delay_ms, 1);
  }
};

}  // namespace

std::unique_ptr<OnScreenKeyboardSystem> CreateSystemOnScreenKeyboard() {
  return std::make_unique<SystemOnScreenKeyboard>();
}

std::wstring OnScreenKeyboardProgramPath(const std::wstring& common_program_folder) {
  std::wstring folder = common_program_folder;
  // A length that counted the terminator leaves it in the text.
  if (!folder.empty() && folder.back() == L'\0') folder.pop_back();
  if (folder.empty()) return kDefaultProgramPath;
  return folder + kProgramSuffix;
}

OnScreenKeyboardManager* OnScreenKeyboardManager::GetInstance() {
  static OnScreenKeyboardManager instance(CreateSystemOnScreenKeyboard());
  return &instance;
}

OnScreenKeyboardManager::OnScreenKeyboardManager(std::unique_ptr<OnScreenKeyboardSystem> system)
    : system_(std::move(system)) {}

OnScreenKeyboardManager::~OnScreenKeyboardManager() = default;

bool OnScreenKeyboardManager::IsSupported() {
  if (!supported_) supported_ = system_->IsWindows8OrLater();
  return *supported_;
}

void OnScreenKeyboardManager::ShowOnScreenKeyboard(bool show) {
  if (!IsSupported()) return;
  wanted_ = show;
  system_->ScheduleOnce(
      GetWeakFlag(), [this] { UpdateOnScreenKeyboard(); }, kUpdateDelayMs);
}

void OnScreenKeyboardManager::UpdateOnScreenKeyboard() {
  const HWND window = system_->FindKeyboardWindow();
  bool shown = false;
  if (window) {
    const DWORD style = system_->GetWindowStyle(window);
    shown = (style & WS_VISIBLE) != 0 && (style & WS_DISABLED) == 0;
  }
  if (shown == wanted_) return;
  if (shown) {
    system_->PostClose(window);
    return;
  }
  if (system_->ToggleKeyboard()) return;
  system_->StartProgram(OnScreenKeyboardProgramPath(system_->CommonProgramFolder()));
}

}  // namespace ui
