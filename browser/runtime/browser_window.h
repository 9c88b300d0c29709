#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "browser/runtime/cef_capi.h"

namespace qoz_runtime {

// The window of a windowed browser: a child of the client's window, or a
// window of its own when there is no parent. It shows the page's newest
// frame and hands its mouse, wheel, key, focus and capture messages to the
// browser's host as the same input events a client sends. Made, used and
// destroyed on the runtime's UI thread; only its handle is read elsewhere.
class BrowserWindow {
 public:
  struct Listener {
    // The client size changed.
    std::function<void()> resized;
    // The window went without Destroy: closed by its frame, or destroyed
    // with its parent.
    std::function<void()> gone;
  };

  // `host` outlives the window.
  BrowserWindow(cef_browser_host_t* host, Listener listener);
  ~BrowserWindow();
  BrowserWindow(const BrowserWindow&) = delete;
  BrowserWindow& operator=(const BrowserWindow&) = delete;

  // Placed and styled as `info` asks, titled `name`; false when the window
  // was not made.
  bool Create(const cef_window_info_t& info, const std::wstring& name);
  void Destroy();
  // Any thread; null before Create and once the window is gone.
  HWND handle() const { return handle_; }
  // The client size; empty without a window.
  SIZE ClientSize() const;
  // Copies a frame of premultiplied BGRA pixels, top row first, and repaints.
  void ShowFrame(const uint8_t* pixels, int width, int height);
  // Takes the keyboard focus.
  void Focus();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void Paint(HDC dc);
  void OnMouse(UINT message, WPARAM wparam, LPARAM lparam);
  void OnKey(UINT message, WPARAM wparam, LPARAM lparam);

  cef_browser_host_t* const host_;
  const Listener listener_;
  std::atomic<HWND> handle_{nullptr};
  bool destroying_ = false;
  bool tracking_leave_ = false;
  // The press of a double click counts two, and so does its release.
  int click_count_ = 1;
  POINT last_point_ = {0, 0};
  std::vector<uint8_t> frame_;
  int frame_width_ = 0;
  int frame_height_ = 0;
};

}  // namespace qoz_runtime
