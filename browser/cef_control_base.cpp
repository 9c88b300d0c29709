#include "browser/cef_control_base.h"

#include <utility>

#include "base/thread_registry.h"
#include "browser/cef_string.h"
#include "ui/core/window.h"

namespace qoz_comp {

namespace {

// The part before the first "#": in-page jumps do not change the document.
std::wstring WithoutFragment(const std::wstring& url) { return url.substr(0, url.find(L'#')); }

std::wstring FrameUrl(const CefRefPtr<cef_frame_t>& frame) {
  cef_string_userfree_t url = frame->get_url(frame.get());
  std::wstring text = ToWide(url);
  if (url != nullptr) cef_string_userfree_utf16_free(url);
  return text;
}

}  // namespace

CefControlBase::~CefControlBase() { DetachHandler(); }

void CefControlBase::LoadURL(const std::wstring& url) {
  if (handler_ == nullptr) return;
  if (CefRefPtr<cef_browser_t> browser = handler_->CurrentBrowser()) {
    CefRefPtr<cef_frame_t> frame =
        CefRefPtr<cef_frame_t>::Adopt(browser->get_main_frame(browser.get()));
    const CefString address(url);
    if (frame) frame->load_url(frame.get(), address.get());
    return;
  }
  handler_->AddAfterCreateTask(ToWeakCallback([this, url] { LoadURL(url); }));
}

void CefControlBase::CloseDevTools() {
  if (!dev_tools_shown_) return;
  CefRefPtr<cef_browser_t> browser = GetBrowser();
  if (!browser) return;
  CefRefPtr<cef_browser_host_t> host =
      CefRefPtr<cef_browser_host_t>::Adopt(browser->get_host(browser.get()));
  host->close_dev_tools(host.get());
  SetDevToolsShown(false);
}

CefRefPtr<cef_browser_t> CefControlBase::GetBrowser() const {
  return handler_ != nullptr ? handler_->CurrentBrowser() : CefRefPtr<cef_browser_t>();
}

void CefControlBase::CreateHandler() {
  handler_ = new BrowserHandler();
  handler_client_ = handler_->client();
  handler_->AttachHostWindow(window_ != nullptr ? window_->GetHWND() : nullptr);
  handler_->AttachDelegate(this);
  DoCreateBrowser();
}

void CefControlBase::FinishInit() {
  if (!bridge_) bridge_ = std::make_shared<CefJSBridge>();
  // Made here, on thread 0: the runtime's thread binds tasks to it.
  alive_ = GetWeakFlag();
  ui::Control::Init();
}

void CefControlBase::DetachHandler() {
  if (handler_ == nullptr) return;
  handler_->AttachHostWindow(nullptr);
  handler_->AttachDelegate(nullptr);
}

void CefControlBase::SetDevToolsShown(bool shown) {
  dev_tools_shown_ = shown;
  if (on_dev_tools_visible_change_) on_dev_tools_visible_change_(shown);
}

void CefControlBase::RefreshViewPosition() { SetPos(GetPos(true)); }

void CefControlBase::OnBeforeContextMenu(CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t>,
                                         CefRefPtr<cef_context_menu_params_t> params,
                                         CefRefPtr<cef_menu_model_t> model) {
  if (on_before_context_menu_) on_before_context_menu_(params, model);
}

bool CefControlBase::OnContextMenuCommand(CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t>,
                                          CefRefPtr<cef_context_menu_params_t> params,
                                          int command_id, int event_flags) {
  if (!on_context_menu_command_) return false;
  return on_context_menu_command_(params, command_id, event_flags);
}

void CefControlBase::OnAddressChange(CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t> frame,
                                     const std::wstring& url) {
  if (on_url_change_) on_url_change_(url);
  if (!frame || !frame->is_main(frame.get())) return;
  const std::wstring old_url = std::exchange(url_, FrameUrl(frame));
  if (on_main_url_change_ && WithoutFragment(old_url) != WithoutFragment(url_)) {
    on_main_url_change_(old_url, url_);
  }
}

void CefControlBase::OnTitleChange(CefRefPtr<cef_browser_t>, const std::wstring& title) {
  if (on_title_change_) on_title_change_(title);
}

void CefControlBase::OnLoadingStateChange(CefRefPtr<cef_browser_t>, bool loading, bool can_go_back,
                                          bool can_go_forward) {
  if (on_loading_state_change_) on_loading_state_change_(loading, can_go_back, can_go_forward);
}

void CefControlBase::OnLoadStart(CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t>) {
  if (on_load_start_) on_load_start_();
}

void CefControlBase::OnLoadEnd(CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t>,
                               int http_status_code) {
  if (on_load_end_) on_load_end_(http_status_code);
}

void CefControlBase::OnLoadError(CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t>, int error_code,
                                 const std::wstring& error_text, const std::wstring& failed_url) {
  if (on_load_error_) on_load_error_(error_code, error_text, failed_url);
}

bool CefControlBase::OnBeforePopup(CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t>,
                                   const std::wstring& target_url, const std::wstring&,
                                   cef_window_open_disposition_t, bool) {
  if (!on_before_popup_ || target_url.empty()) return false;
  return on_before_popup_(target_url);
}

void CefControlBase::OnAfterCreated(CefRefPtr<cef_browser_t> browser) {
  if (on_after_created_) on_after_created_(browser);
}

void CefControlBase::OnBeforeClose(CefRefPtr<cef_browser_t> browser) {
  if (on_before_close_) on_before_close_(browser);
}

bool CefControlBase::OnBeforeBrowse(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_frame_t> frame,
                                    CefRefPtr<cef_request_t> request, bool is_redirect) {
  if (!on_before_browse_) return false;
  return on_before_browse_(browser, frame, request, is_redirect);
}

void CefControlBase::OnProtocolExecution(CefRefPtr<cef_browser_t> browser, const std::wstring& url,
                                         bool& allow) {
  if (on_protocol_execution_) on_protocol_execution_(browser, url, allow);
}

void CefControlBase::OnBeforeDownload(CefRefPtr<cef_browser_t> browser,
                                      CefRefPtr<cef_download_item_t> item,
                                      const std::wstring& suggested_name,
                                      CefRefPtr<cef_before_download_callback_t> callback) {
  if (on_before_download_) on_before_download_(browser, item, suggested_name, callback);
}

void CefControlBase::OnDownloadUpdated(CefRefPtr<cef_browser_t> browser,
                                       CefRefPtr<cef_download_item_t> item,
                                       CefRefPtr<cef_download_item_callback_t> callback) {
  if (on_download_updated_) on_download_updated_(browser, item, callback);
}

bool CefControlBase::OnFileDialog(CefRefPtr<cef_browser_t>, cef_file_dialog_mode_t mode,
                                  const std::wstring& title, const std::wstring& default_file_path,
                                  const std::vector<std::wstring>& accept_filters,
                                  int selected_accept_filter,
                                  CefRefPtr<cef_file_dialog_callback_t> callback) {
  if (!on_file_dialog_) return false;
  return on_file_dialog_(mode, title, default_file_path, accept_filters, selected_accept_filter,
                         callback);
}

cef_return_value_t CefControlBase::OnBeforeResourceLoad(CefRefPtr<cef_browser_t>,
                                                        CefRefPtr<cef_frame_t>,
                                                        CefRefPtr<cef_request_t> request,
                                                        CefRefPtr<cef_request_callback_t>) {
  if (!on_before_resource_load_) return RV_CONTINUE;
  return on_before_resource_load_(request, false);
}

bool CefControlBase::OnCallCppFunction(const std::wstring& function_name,
                                       const std::wstring& parameters, int id,
                                       CefRefPtr<cef_browser_t> browser) {
  if (!bridge_) return false;
  bridge_thread_ = qbase::ThreadRegistry::CurrentThreadId();
  return bridge_->OnCallCppFunction(function_name, parameters, id, browser);
}

bool CefControlBase::OnExecuteCppCallback(int id, const std::wstring& result) {
  if (!bridge_) return false;
  const int thread = bridge_thread_;
  if (thread == -1) return bridge_->OnExecuteCppCallback(id, result);
  // Bound to the control: it may be gone when the task runs.
  std::shared_ptr<CefJSBridge> bridge = bridge_;
  qbase::ThreadRegistry::PostTask(thread, qbase::MakeWeakCallback(alive_, [bridge, id, result] {
                                    bridge->OnExecuteCppCallback(id, result);
                                  }));
  return false;
}

}  // namespace qoz_comp
