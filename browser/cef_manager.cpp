#include "browser/cef_manager.h"

#include <cstring>

#include "base/file_path.h"
#include "base/thread_registry.h"
#include "browser/cef_closure_task.h"
#include "browser/cef_string.h"
#include "browser/client_app.h"
#include "browser/runtime/cef_ref_ptr.h"

namespace qoz_comp {

namespace {

// The interface the launcher is built for.
constexpr char kCefApiHash[] = "64b27477b82b44b51ce817522f744fca6768cbbb";
constexpr int64_t kCefQuitRetryDelay = 500000;

// The variable's value, however long; empty when it is not set.
std::wstring GetEnvironment(const wchar_t* name) {
  DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  while (size != 0) {
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, &value[0], size);
    if (length < size) {
      value.resize(length);
      return value;
    }
    // It grew meanwhile.
    size = length;
  }
  return std::wstring();
}

void SetCefString(const std::wstring& text, cef_string_t* target) {
  cef_string_wide_to_utf16(text.c_str(), text.size(), target);
}

}  // namespace

CefManager* CefManager::GetInstance() {
  static CefManager manager;
  return &manager;
}

bool CefManager::PrepareCefEnvironment() {
  return PrepareCefEnvironmentIn(qbase::GetCurrentModuleDirectory());
}

bool CefManager::PrepareCefEnvironmentIn(const std::wstring& module_directory) {
  const std::wstring cef_directory = module_directory + L"cef";
  const DWORD attributes = GetFileAttributesW(cef_directory.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return false;
  }
  cef_folder_ = cef_directory;
  // The runtime's own DLLs are found first, and the shell it may start is a
  // harmless stand-in.
  const std::wstring path = GetEnvironment(L"PATH");
  SetEnvironmentVariableW(L"PATH",
                          (path.empty() ? cef_directory : cef_directory + L";" + path).c_str());
  SetEnvironmentVariableW(L"ComSpec", (cef_directory + L"\\dummy_cmd.exe").c_str());
  return true;
}

bool CefManager::LoadRuntime() {
  if (cef_folder_.empty()) return false;
  // The launcher imports the library lazily: a call into one that cannot be
  // loaded would end the process. Loaded here by its full path, it is the
  // module every later call binds to; it stays loaded for the process's life.
  if (LoadLibraryW((cef_folder_ + L"\\qoz_libcef.dll").c_str()) == nullptr) return false;
  const char* hash = cef_api_hash(0);
  runtime_usable_ = hash != nullptr && std::strcmp(hash, kCefApiHash) == 0;
  return runtime_usable_;
}

bool CefManager::Initialize(const std::wstring& data_folder, CefSettings* settings) {
  if (!LoadRuntime()) return false;
  cef_enable_highdpi_support();
  offscreen_rendering_ = true;
  const cef_main_args_t arguments = {GetModuleHandleW(nullptr)};
  CefRefPtr<cef_app_t> application((new ClientApp())->app());
  if (cef_execute_process(&arguments, application.get(), nullptr) >= 0) return false;
  FillCefSettings(data_folder, settings);
  const bool started = cef_initialize(&arguments, settings->get(), application.get(), nullptr) != 0;
  if (offscreen_rendering_) {
    HWND popup = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                                 nullptr);
    CefClosureTask::Post(TID_UI, [popup] { CreateHiddenChildOnCefUiThread(popup); });
  }
  initialized_ = started;
  return started;
}

void CefManager::FillCefSettings(const std::wstring& data_folder, CefSettings* settings) {
  qbase::CreateDirectoryRecursively(data_folder.c_str());
  cef_settings_t* fields = settings->get();
  fields->single_process = 0;
  fields->no_sandbox = 1;
  SetCefString(L".\\cef\\cef_helper.exe", &fields->browser_subprocess_path);
  fields->multi_threaded_message_loop = 1;
  fields->windowless_rendering_enabled = offscreen_rendering_ ? 1 : 0;
  SetCefString(data_folder + L"CefLocalStorage", &fields->cache_path);
  SetCefString(data_folder + L"cef.log", &fields->log_file);
}

void CefManager::Shutdown() {
  if (runtime_usable_) cef_shutdown();
  initialized_ = false;
}

void CefManager::QuitWhenBrowsersClosed(int exit_code) {
  if (browser_count_ != 0) {
    qbase::ThreadRegistry::PostDelayedTask(
        qbase::kMainThreadId, [this, exit_code] { QuitWhenBrowsersClosed(exit_code); },
        qbase::TimeDelta::FromMicroseconds(kCefQuitRetryDelay));
    return;
  }
  qbase::ThreadRegistry::PostTask(qbase::kMainThreadId,
                                  [exit_code] { PostQuitMessage(exit_code); });
}

void CefManager::CreateHiddenChildOnCefUiThread(HWND popup) {
  CreateWindowExW(0, L"Static", L"", WS_CHILD, 0, 0, 0, 0, popup, nullptr, nullptr, nullptr);
  PostMessageW(popup, WM_CLOSE, 0, 0);
}

}  // namespace qoz_comp
