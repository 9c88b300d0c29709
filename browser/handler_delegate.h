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
  // The page's pop-up widget (an open drop-down list) shows or hides; its
  // place over the view in view pixels.
  virtual void OnPopupShow(CefRefPtr<cef_browser_t> browser, bool show) = 0;
  virtual void OnPopupSize(CefRefPtr<cef_browser_t> browser, const cef_rect_t& rect) = 0;
  // After a windowed browser was created.
  virtual void RefreshViewPosition() = 0;
  // Never asked: the handler empties every context menu itself.
  virtual void OnBeforeContextMenu(CefRefPtr<cef_browser_t> /*browser*/,
                                   CefRefPtr<cef_frame_t> /*frame*/,
                                   CefRefPtr<cef_context_menu_params_t> /*params*/,
                                   CefRefPtr<cef_menu_model_t> /*model*/) {}
  // Runtime thread: an entry of a page's context menu was chosen; true when
  // it was carried out here.
  virtual bool OnContextMenuCommand(CefRefPtr<cef_browser_t> /*browser*/,
                                    CefRefPtr<cef_frame_t> /*frame*/,
                                    CefRefPtr<cef_context_menu_params_t> /*params*/,
                                    int /*command_id*/, int /*event_flags*/) {
    return false;
  }
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

  // Runtime thread, while the request waits. A delegate that keeps the
  // defaults answers as a handler without a delegate.
  // A navigation of `frame`: true cancels it.
  virtual bool OnBeforeBrowse(CefRefPtr<cef_browser_t> /*browser*/,
                              CefRefPtr<cef_frame_t> /*frame*/,
                              CefRefPtr<cef_request_t> /*request*/, bool /*is_redirect*/) {
    return false;
  }
  // Any request of the page: RV_CONTINUE lets it go, RV_CONTINUE_ASYNC
  // answers later through `callback`.
  virtual cef_return_value_t OnBeforeResourceLoad(CefRefPtr<cef_browser_t> /*browser*/,
                                                  CefRefPtr<cef_frame_t> /*frame*/,
                                                  CefRefPtr<cef_request_t> /*request*/,
                                                  CefRefPtr<cef_request_callback_t> /*callback*/) {
    return RV_CONTINUE;
  }
  // An address of a protocol the runtime does not load itself: setting
  // `allow` hands it to the system's handler of that protocol.
  virtual void OnProtocolExecution(CefRefPtr<cef_browser_t> /*browser*/,
                                   const std::wstring& /*url*/, bool& /*allow*/) {}
  // A download of the page: `callback` saves it; not continued, it is
  // cancelled. Then its progress, completion or cancellation.
  virtual void OnBeforeDownload(CefRefPtr<cef_browser_t> /*browser*/,
                                CefRefPtr<cef_download_item_t> /*item*/,
                                const std::wstring& /*suggested_name*/,
                                CefRefPtr<cef_before_download_callback_t> /*callback*/) {}
  virtual void OnDownloadUpdated(CefRefPtr<cef_browser_t> /*browser*/,
                                 CefRefPtr<cef_download_item_t> /*item*/,
                                 CefRefPtr<cef_download_item_callback_t> /*callback*/) {}
  // A file input of the page asks for files: true answers through
  // `callback`; false leaves the answer to the runtime.
  virtual bool OnFileDialog(CefRefPtr<cef_browser_t> /*browser*/, cef_file_dialog_mode_t /*mode*/,
                            const std::wstring& /*title*/,
                            const std::wstring& /*default_file_path*/,
                            const std::vector<std::wstring>& /*accept_filters*/,
                            int /*selected_accept_filter*/,
                            CefRefPtr<cef_file_dialog_callback_t> /*callback*/) {
    return false;
  }
  // A page's call into native code (the message "CallCppFunction") and a
  // page function's answer ("ExecuteCppCallback"), for the control's bridge.
  virtual bool OnCallCppFunction(const std::wstring& /*function_name*/,
                                 const std::wstring& /*parameters*/, int /*id*/,
                                 CefRefPtr<cef_browser_t> /*browser*/) {
    return false;
  }
  virtual bool OnExecuteCppCallback(int /*id*/, const std::wstring& /*result*/) { return false; }

 protected:
  ~HandlerDelegate() override = default;
};

}  // namespace qoz_comp
