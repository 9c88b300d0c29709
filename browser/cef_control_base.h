#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "browser/browser_handler.h"
#include "browser/cef_js_bridge.h"
#include "browser/handler_delegate.h"
#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_ptr.h"
#include "ui/core/control.h"

namespace qoz_comp {

// The common base of the browser controls: a control of the tree that owns
// one browser handler and is its delegate. It loads addresses before or after
// its browser exists, keeps the main frame's address, tracks whether developer
// tools are open and turns the handler's notifications and questions into
// optional callbacks. Notifications (and their callbacks) run on thread 0;
// the questions run on the runtime's thread while it waits, so their
// callbacks are set before the browser is created and left alone afterwards.
class CefControlBase : public ui::Control, public HandlerDelegate {
 public:
  using OnBeforeContextMenuCallback = std::function<void(
      CefRefPtr<cef_context_menu_params_t> params, CefRefPtr<cef_menu_model_t> model)>;
  using OnContextMenuCommandCallback = std::function<bool(
      CefRefPtr<cef_context_menu_params_t> params, int command_id, int event_flags)>;
  using OnTitleChangeCallback = std::function<void(const std::wstring& title)>;
  using OnUrlChangeCallback = std::function<void(const std::wstring& url)>;
  using OnMainUrlChangeCallback =
      std::function<void(const std::wstring& old_url, const std::wstring& new_url)>;
  using OnBeforePopupCallback = std::function<bool(const std::wstring& url)>;
  using OnLoadingStateChangeCallback =
      std::function<void(bool loading, bool can_go_back, bool can_go_forward)>;
  using OnLoadStartCallback = std::function<void()>;
  using OnLoadEndCallback = std::function<void(int http_status_code)>;
  using OnLoadErrorCallback = std::function<void(int error_code, const std::wstring& error_text,
                                                 const std::wstring& failed_url)>;
  using OnAfterCreatedCallback = std::function<void(CefRefPtr<cef_browser_t> browser)>;
  using OnBeforeCloseCallback = std::function<void(CefRefPtr<cef_browser_t> browser)>;
  using OnDevToolsVisibleChangeCallback = std::function<void(bool shown)>;
  using OnBeforeResourceLoadCallback =
      std::function<cef_return_value_t(CefRefPtr<cef_request_t> request, bool is_main_frame)>;
  using OnBeforeBrowseCallback =
      std::function<bool(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_frame_t> frame,
                         CefRefPtr<cef_request_t> request, bool is_redirect)>;
  using OnProtocolExecutionCallback =
      std::function<void(CefRefPtr<cef_browser_t> browser, const std::wstring& url, bool& allow)>;
  using OnBeforeDownloadCallback = std::function<void(
      CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_download_item_t> item,
      const std::wstring& suggested_name, CefRefPtr<cef_before_download_callback_t> callback)>;
  using OnDownloadUpdatedCallback =
      std::function<void(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_download_item_t> item,
                         CefRefPtr<cef_download_item_callback_t> callback)>;
  using OnFileDialogCallback = std::function<bool(
      cef_file_dialog_mode_t mode, const std::wstring& title, const std::wstring& default_file_path,
      const std::vector<std::wstring>& accept_filters, int selected_accept_filter,
      CefRefPtr<cef_file_dialog_callback_t> callback)>;

  CefControlBase() = default;
  ~CefControlBase() override;

  // With a browser: loads `url` in its main frame. Before the browser exists
  // each call is queued and runs once it was created; before initialisation
  // the address is dropped.
  void LoadURL(const std::wstring& url);
  // The main frame's address as last reported.
  const std::wstring& GetURL() const { return url_; }

  // Never fired: the handler empties every context menu itself.
  void SetOnBeforeContextMenu(OnBeforeContextMenuCallback callback) {
    on_before_context_menu_ = std::move(callback);
  }
  void SetOnTitleChange(OnTitleChangeCallback callback) { on_title_change_ = std::move(callback); }
  void SetOnUrlChange(OnUrlChangeCallback callback) { on_url_change_ = std::move(callback); }
  void SetOnMainUrlChange(OnMainUrlChangeCallback callback) {
    on_main_url_change_ = std::move(callback);
  }
  void SetOnBeforePopup(OnBeforePopupCallback callback) { on_before_popup_ = std::move(callback); }
  void SetOnLoadingStateChange(OnLoadingStateChangeCallback callback) {
    on_loading_state_change_ = std::move(callback);
  }
  void SetOnLoadStart(OnLoadStartCallback callback) { on_load_start_ = std::move(callback); }
  void SetOnLoadEnd(OnLoadEndCallback callback) { on_load_end_ = std::move(callback); }
  void SetOnLoadError(OnLoadErrorCallback callback) { on_load_error_ = std::move(callback); }
  void SetOnAfterCreated(OnAfterCreatedCallback callback) {
    on_after_created_ = std::move(callback);
  }
  void SetOnBeforeClose(OnBeforeCloseCallback callback) { on_before_close_ = std::move(callback); }
  void SetOnDevToolsVisibleChange(OnDevToolsVisibleChangeCallback callback) {
    on_dev_tools_visible_change_ = std::move(callback);
  }
  // Asked on the runtime's thread: set them before the browser is created.
  void SetOnContextMenuCommand(OnContextMenuCommandCallback callback) {
    on_context_menu_command_ = std::move(callback);
  }
  void SetOnBeforeResourceLoad(OnBeforeResourceLoadCallback callback) {
    on_before_resource_load_ = std::move(callback);
  }
  void SetOnBeforeBrowse(OnBeforeBrowseCallback callback) {
    on_before_browse_ = std::move(callback);
  }
  void SetOnProtocolExecution(OnProtocolExecutionCallback callback) {
    on_protocol_execution_ = std::move(callback);
  }
  void SetOnBeforeDownload(OnBeforeDownloadCallback callback) {
    on_before_download_ = std::move(callback);
  }
  void SetOnDownloadUpdated(OnDownloadUpdatedCallback callback) {
    on_download_updated_ = std::move(callback);
  }
  void SetOnFileDialog(OnFileDialogCallback callback) { on_file_dialog_ = std::move(callback); }

  virtual void CreateBrowser() { DoCreateBrowser(); }
  // Opens developer tools for this control's page, in `control` where the
  // control kind shows them in another control; true when done or queued.
  virtual bool ShowDevTools(ui::Control* control) = 0;
  virtual void CloseDevTools();
  virtual bool IsDevToolsShown() const { return dev_tools_shown_; }
  virtual void DoCreateBrowser() = 0;

  // The handler's current browser; null before it was created.
  CefRefPtr<cef_browser_t> GetBrowser() const;
  BrowserHandler* GetHandler() const { return handler_; }

  // HandlerDelegate. Frames and the pop-up widget are the off-screen
  // control's; the base draws nothing.
  void OnPaint(CefRefPtr<cef_browser_t> /*browser*/, cef_paint_element_type_t /*type*/,
               const std::vector<cef_rect_t>& /*dirty_rects*/, const std::string& /*frame*/,
               int /*width*/, int /*height*/) override {}
  void OnPopupShow(CefRefPtr<cef_browser_t> /*browser*/, bool /*show*/) override {}
  void OnPopupSize(CefRefPtr<cef_browser_t> /*browser*/, const cef_rect_t& /*rect*/) override {}
  void RefreshViewPosition() override;
  void OnBeforeContextMenu(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_frame_t> frame,
                           CefRefPtr<cef_context_menu_params_t> params,
                           CefRefPtr<cef_menu_model_t> model) override;
  bool OnContextMenuCommand(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_frame_t> frame,
                            CefRefPtr<cef_context_menu_params_t> params, int command_id,
                            int event_flags) override;
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
  void OnRenderProcessTerminated(CefRefPtr<cef_browser_t> /*browser*/,
                                 cef_termination_status_t /*status*/) override {}
  bool OnBeforeBrowse(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_frame_t> frame,
                      CefRefPtr<cef_request_t> request, bool is_redirect) override;
  cef_return_value_t OnBeforeResourceLoad(CefRefPtr<cef_browser_t> browser,
                                          CefRefPtr<cef_frame_t> frame,
                                          CefRefPtr<cef_request_t> request,
                                          CefRefPtr<cef_request_callback_t> callback) override;
  void OnProtocolExecution(CefRefPtr<cef_browser_t> browser, const std::wstring& url,
                           bool& allow) override;
  void OnBeforeDownload(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_download_item_t> item,
                        const std::wstring& suggested_name,
                        CefRefPtr<cef_before_download_callback_t> callback) override;
  void OnDownloadUpdated(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_download_item_t> item,
                         CefRefPtr<cef_download_item_callback_t> callback) override;
  bool OnFileDialog(CefRefPtr<cef_browser_t> browser, cef_file_dialog_mode_t mode,
                    const std::wstring& title, const std::wstring& default_file_path,
                    const std::vector<std::wstring>& accept_filters, int selected_accept_filter,
                    CefRefPtr<cef_file_dialog_callback_t> callback) override;
  // A page's call into native code, for the bridge; false without one.
  bool OnCallCppFunction(const std::wstring& function_name, const std::wstring& parameters, int id,
                         CefRefPtr<cef_browser_t> browser) override;
  // A page function's answer: at once on the runtime's thread, or posted to
  // the framework thread the last page call came from.
  bool OnExecuteCppCallback(int id, const std::wstring& result) override;

 protected:
  // The initialisation both controls share: a handler attached to the
  // window and this control, the browser asked for, then the base set-up.
  void CreateHandler();
  void FinishInit();
  // Detaches the handler from the window and this control, so nothing
  // reaches the control any more; its browsers close on their own.
  void DetachHandler();
  void SetDevToolsShown(bool shown);

 private:
  // The control's reference to its handler, held through its client.
  CefRefPtr<cef_client_t> handler_client_;
  BrowserHandler* handler_ = nullptr;
  std::shared_ptr<CefJSBridge> bridge_;
  std::wstring url_;
  bool dev_tools_shown_ = false;
  // The framework thread of the last page call into native code; -1 for
  // none or the runtime's own threads.
  std::atomic<int> bridge_thread_{-1};
  std::weak_ptr<qbase::WeakFlag> alive_;

  OnBeforeContextMenuCallback on_before_context_menu_;
  OnContextMenuCommandCallback on_context_menu_command_;
  OnTitleChangeCallback on_title_change_;
  OnUrlChangeCallback on_url_change_;
  OnMainUrlChangeCallback on_main_url_change_;
  OnBeforePopupCallback on_before_popup_;
  OnLoadingStateChangeCallback on_loading_state_change_;
  OnLoadStartCallback on_load_start_;
  OnLoadEndCallback on_load_end_;
  OnLoadErrorCallback on_load_error_;
  OnAfterCreatedCallback on_after_created_;
  OnBeforeCloseCallback on_before_close_;
  OnDevToolsVisibleChangeCallback on_dev_tools_visible_change_;
  OnBeforeResourceLoadCallback on_before_resource_load_;
  OnBeforeBrowseCallback on_before_browse_;
  OnProtocolExecutionCallback on_protocol_execution_;
  OnBeforeDownloadCallback on_before_download_;
  OnDownloadUpdatedCallback on_download_updated_;
  OnFileDialogCallback on_file_dialog_;
};

}  // namespace qoz_comp
