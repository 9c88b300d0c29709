#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "browser/handler_delegate.h"

namespace test_support {

// What a delegate heard: the lines in order and the newest frame.
struct Heard {
  std::vector<std::string> lines;
  std::string frame;
  int frame_width = 0;
  int frames = 0;
};

// A control stand-in that records what its handler hands it, one line an
// event: "created", "closed", "title TEXT", "address URL", "load_start",
// "load_end 200", "load_error -102 URL", "popup URL", "frame WxH".
// Notifications arrive on thread 0, pop-up questions on the runtime's thread.
class RecordingDelegate : public qoz_comp::HandlerDelegate {
 public:
  RecordingDelegate() = default;
  ~RecordingDelegate() override = default;

  // The answer to pop-up questions: true loads the target in the browser.
  void set_load_popups(bool load) { load_popups_ = load; }

  bool WaitFor(const std::function<bool(const Heard&)>& ready, int limit_ms = 60000);
  bool WaitForLine(const std::string& line, int limit_ms = 60000);
  // Lines after the first `from`.
  std::vector<std::string> Lines(size_t from = 0);
  std::string Describe();

  void OnPaint(CefRefPtr<cef_browser_t> browser, cef_paint_element_type_t type,
               const std::vector<cef_rect_t>& dirty_rects, const std::string& frame, int width,
               int height) override;
  void OnPopupShow(CefRefPtr<cef_browser_t> browser, bool show) override;
  void OnPopupSize(CefRefPtr<cef_browser_t> browser, const cef_rect_t& rect) override;
  void RefreshViewPosition() override;
  void OnAddressChange(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_frame_t> frame,
                       const std::wstring& url) override;
  void OnTitleChange(CefRefPtr<cef_browser_t> browser, const std::wstring& title) override;
  void OnLoadingStateChange(CefRefPtr<cef_browser_t> browser, bool loading, bool can_go_back,
                            bool can_go_forward) override;
  void OnLoadStart(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_frame_t> frame) override;
  void OnLoadEnd(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_frame_t> frame,
                 int http_status_code) override;
  void OnLoadError(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_frame_t> frame, int error_code,
                   const std::wstring& error_text, const std::wstring& failed_url) override;
  bool OnBeforePopup(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_frame_t> frame,
                     const std::wstring& target_url, const std::wstring& target_frame_name,
                     cef_window_open_disposition_t target_disposition, bool user_gesture) override;
  void OnAfterCreated(CefRefPtr<cef_browser_t> browser) override;
  void OnBeforeClose(CefRefPtr<cef_browser_t> browser) override;
  void OnRenderProcessTerminated(CefRefPtr<cef_browser_t> browser,
                                 cef_termination_status_t status) override;

 protected:
  // For delegates that record more than these.
  void Add(const std::string& line);

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  Heard heard_;
  std::atomic<bool> load_popups_{false};
};

std::string Narrow(const std::wstring& text);

}  // namespace test_support
