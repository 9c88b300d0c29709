#include "tests/browser/recording_delegate.h"

#include <windows.h>

#include <algorithm>
#include <chrono>

namespace test_support {

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], size,
                      nullptr, nullptr);
  return result;
}

void RecordingDelegate::Add(const std::string& line) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    heard_.lines.push_back(line);
  }
  changed_.notify_all();
}

bool RecordingDelegate::WaitFor(const std::function<bool(const Heard&)>& ready, int limit_ms) {
  std::unique_lock<std::mutex> hold(lock_);
  return changed_.wait_for(hold, std::chrono::milliseconds(limit_ms),
                           [&] { return ready(heard_); });
}

bool RecordingDelegate::WaitForLine(const std::string& line, int limit_ms) {
  return WaitFor(
      [&line](const Heard& heard) {
        for (const std::string& seen : heard.lines) {
          if (seen == line) return true;
        }
        return false;
      },
      limit_ms);
}

std::vector<std::string> RecordingDelegate::Lines(size_t from) {
  std::lock_guard<std::mutex> hold(lock_);
  return std::vector<std::string>(heard_.lines.begin() + std::min(from, heard_.lines.size()),
                                  heard_.lines.end());
}

std::string RecordingDelegate::Describe() {
  std::string text = "heard:\n";
  for (const std::string& line : Lines()) text += "  " + line + "\n";
  return text;
}

void RecordingDelegate::OnPaint(CefRefPtr<cef_browser_t>, cef_paint_element_type_t,
                                const std::vector<cef_rect_t>&, const std::string& frame, int width,
                                int) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    heard_.frame = frame;
    heard_.frame_width = width;
    ++heard_.frames;
  }
  changed_.notify_all();
}

void RecordingDelegate::OnPopupShow(CefRefPtr<cef_browser_t>, bool show) {
  Add(show ? "popup_show" : "popup_hide");
}

void RecordingDelegate::OnPopupSize(CefRefPtr<cef_browser_t>, const cef_rect_t& rect) {
  Add("popup_size " + std::to_string(rect.width) + "x" + std::to_string(rect.height));
}

void RecordingDelegate::RefreshViewPosition() { Add("refresh"); }

void RecordingDelegate::OnAddressChange(CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t>,
                                        const std::wstring& url) {
  Add("address " + Narrow(url));
}

void RecordingDelegate::OnTitleChange(CefRefPtr<cef_browser_t>, const std::wstring& title) {
  Add("title " + Narrow(title));
}

void RecordingDelegate::OnLoadingStateChange(CefRefPtr<cef_browser_t>, bool, bool, bool) {}

void RecordingDelegate::OnLoadStart(CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t>) {
  Add("load_start");
}

void RecordingDelegate::OnLoadEnd(CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t>,
                                  int http_status_code) {
  Add("load_end " + std::to_string(http_status_code));
}

void RecordingDelegate::OnLoadError(CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t>,
                                    int error_code, const std::wstring&,
                                    const std::wstring& failed_url) {
  Add("load_error " + std::to_string(error_code) + " " + Narrow(failed_url));
}

bool RecordingDelegate::OnBeforePopup(CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t>,
                                      const std::wstring& target_url, const std::wstring&,
                                      cef_window_open_disposition_t, bool) {
  Add("popup " + Narrow(target_url));
  return load_popups_;
}

void RecordingDelegate::OnAfterCreated(CefRefPtr<cef_browser_t>) { Add("created"); }

void RecordingDelegate::OnBeforeClose(CefRefPtr<cef_browser_t>) { Add("closed"); }

void RecordingDelegate::OnRenderProcessTerminated(CefRefPtr<cef_browser_t>,
                                                  cef_termination_status_t) {
  Add("terminated");
}

}  // namespace test_support
