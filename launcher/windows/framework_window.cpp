#include "launcher/windows/framework_window.h"

#include "ui/resources/global_manager.h"

ui::Window* FindFrameworkWindow(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  for (ui::Window* window : ui::GlobalManager::windowList) {
    if (window->GetHWND() == hwnd) return window;
  }
  return nullptr;
}
