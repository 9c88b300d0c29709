#include "tests/launcher/windows/windows_test_env.h"

#include <shellapi.h>

#include <cstdint>
#include <vector>

#include "base/folder_util.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/state.h"
#include "ui/box/markup_builder.h"
#include "ui/control/control_classes.h"
#include "ui/render/render_context.h"
#include "ui/resources/global_manager.h"

namespace test_support {

WindowsTestEnv& WindowsTestEnv::Get() {
  // Never destroyed: its threads end with the process.
  static WindowsTestEnv* env = new WindowsTestEnv();
  return *env;
}

WindowsTestEnv::WindowsTestEnv() {
  folder_ = std::make_unique<ScopedCurrentFolder>(dir_.path());
  ui_thread_.Start(qbase::MessageLoop::Type::kUI);
  worker_.Start(qbase::MessageLoop::Type::kDefault);
  OnUi([this] {
    ui::RegisterControlClasses();
    ui::GlobalManager::globalResourceLoader = &ui::MarkupBuilder::LoadGlobalResource;
    skin_ = std::make_unique<ScopedEmbeddedSkin>();
    skin_open_ = skin_->IsOpen();
    ui::GlobalManager::Startup(L"resources\\", nullptr, L"themes\\default", L"en");
  });
}

void WindowsTestEnv::Reset() {
  LauncherContext* context = LauncherContext::GetInstance();
  OnUi([context] {
    const std::vector<ui::Window*> windows = ui::GlobalManager::windowList;
    for (ui::Window* window : windows) {
      if (window->GetHWND() && IsWindow(window->GetHWND())) DestroyWindow(window->GetHWND());
    }
    context->SetMainWindow(nullptr);
    context->messageBoxOpen = false;
    context->SetDialogPresenter(nullptr);
  });
  // The states belong to the worker.
  RunOnThread(1, [context] {
    context->currentState.reset();
    context->preDownloadState.reset();
  });
}

ui::Window* FindFrameworkWindow(const std::wstring& class_name) {
  for (auto it = ui::GlobalManager::windowList.rbegin(); it != ui::GlobalManager::windowList.rend();
       ++it) {
    if ((*it)->GetWindowClassName() == class_name && IsWindow((*it)->GetHWND())) return *it;
  }
  return nullptr;
}

DWORD WindowPixel(ui::Window* window, int x, int y) {
  ui::IRenderContext* context = window->GetRenderContext();
  if (!context || !context->GetBits() || x < 0 || y < 0 || x >= context->GetWidth() ||
      y >= context->GetHeight()) {
    return 0;
  }
  return static_cast<const DWORD*>(context->GetBits())[y * context->GetWidth() + x];
}

void ClickControl(HWND window, ui::Control* control) {
  const RECT rect = control->GetPos();
  const LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  SendMessageW(window, WM_MOUSEMOVE, 0, point);
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, point);
  SendMessageW(window, WM_LBUTTONUP, 0, point);
}

bool SaveScreenshot(const std::wstring& path) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool saved = false;
  if (bitmap) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    const DWORD row = ((width * 3 + 3) / 4) * 4;
    const DWORD image_size = row * height;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
    file.bfSize = file.bfOffBits + image_size;
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      saved = WriteFile(out, &file, sizeof(file), &written, nullptr) &&
              WriteFile(out, &info.bmiHeader, sizeof(info.bmiHeader), &written, nullptr) &&
              WriteFile(out, bits, image_size, &written, nullptr);
      CloseHandle(out);
    }
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return saved;
}

std::wstring ArtifactPath(const std::wstring& name) {
  wchar_t value[MAX_PATH] = {};
  std::wstring folder;
  const DWORD length = GetEnvironmentVariableW(L"LAUNCHER_ARTIFACTS_DIR", value, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    folder = value;
    // A path of the host reaches the program through Wine's root drive.
    if (folder[0] == L'/') folder = L"Z:" + folder;
  } else {
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring path(module);
    while (true) {
      const size_t slash = path.find_last_of(L"\\/");
      if (slash == std::wstring::npos) break;
      path.resize(slash);
      if (GetFileAttributesW((path + L"\\CMakeCache.txt").c_str()) != INVALID_FILE_ATTRIBUTES) {
        folder = path + L"\\artifacts";
        break;
      }
    }
  }
  if (folder.empty()) folder = L"artifacts";
  MakeDirectoriesW(folder);
  return folder + L"\\" + name + L".bmp";
}

}  // namespace test_support
