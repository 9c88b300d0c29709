#pragma once

#include <string>
#include <vector>

#include "base/weak_callback.h"
#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_ptr.h"

namespace qoz_comp {

// What a browser handler hands to its control. Notifications run on thread 0;
// the decisions (OnBeforePopup) are called on the runtime's thread while it
// waits for the answer.
class HandlerDelegate : public virtual qbase::SupportWeakCallback {
 public:
  // `frame`: width x height premultiplied BGRA pixels, top row first; the
  // newest frame of its element type.
  virtual void OnPaint(CefRefPtr<cef_browser_t> browser, cef_paint_element_type_t type,
                       const std::vector<cef_rect_t>& dirty_rects, const std::string& frame,
                       int width, int height) = 0;
  // After a windowed browser was created.
  virtual void RefreshViewPosition() = 0;
  virtual void OnAddressChange(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_frame_t> frame,
                               const std::wstring& url) = 0;
  virtual void OnTitleChange(CefRefPtr<cef_browser_t> browser, const std::wstring& title) = 0;
  virtual void OnLoadingStateChange(CefRefPtr<cef_browser_t> browser, bool loading,
                                    bool can_go_back, bool can_go_forward) = 0;
  virtual void OnLoadStart(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_frame_t> frame) = 0;
  virtual void OnLoadEnd(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_frame_t> frame,
                         int http_status_code) = 0;
  virtual void OnLoadError(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_frame_t> frame,
                           int error_code, const std::wstring& error_text,
                           const std::wstring& failed_url) = 0;
  // Runtime thread. True lets the handler load `target_url` in the current
  // browser instead; no pop-up window is ever made.
  virtual bool OnBeforePopup(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_frame_t> frame,
                             const std::wstring& target_url, const std::wstring& target_frame_name,
                             cef_window_open_disposition_t target_disposition,
                             bool user_gesture) = 0;
  virtual void OnAfterCreated(CefRefPtr<cef_browser_t> browser) = 0;
  virtual void OnBeforeClose(CefRefPtr<cef_browser_t> browser) = 0;
  virtual void OnRenderProcessTerminated(CefRefPtr<cef_browser_t> browser,
                                         cef_termination_status_t status) = 0;

 protected:
  ~HandlerDelegate() override = default;
};

}  // namespace qoz_comp
