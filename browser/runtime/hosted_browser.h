#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <json/json.h>

#include "browser/runtime/browser_window.h"
#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_counted.h"
#include "browser/runtime/cef_ref_ptr.h"
#include "browser/runtime/input_events.h"

namespace qoz_runtime {

// One browser: a page target of the host browser driven through its own
// protocol session, seen by the client as a browser, its host and its main
// frame. Its state lives on the UI thread; the C entry points post there.
class HostedBrowser : public CefRefCounted {
 public:
  HostedBrowser(int id, cef_client_t* client, const cef_window_info_t& window_info,
                const std::wstring& url);

  cef_browser_t* browser() { return browser_.get(); }
  int id() const { return id_; }
  // UI thread; empty until the host browser made the page.
  const std::string& target_id() const { return target_id_; }

  // UI thread.
  void Create();
  // The host browser attached the page's own session.
  void OnAttached(const std::string& session);
  void OnEvent(const std::string& method, const Json::Value& params);
  void OnDetached();
  // Closes the browser without asking the host browser (shut-down).
  void Finish();
  // A page of this browser asked for a pop-up of `url`: the client hears of
  // it; the runtime never opens one.
  void OnPopupRequested(const std::wstring& url);
  // A download of the page begins, or the host browser reports its progress.
  void OnDownloadWillBegin(const Json::Value& params);
  // False once the download ended.
  bool OnDownloadProgress(const Json::Value& params);
  // Closes the page's open dialog: OK or cancel, and the prompt's answer.
  void CloseDialog(bool accept, const std::wstring& prompt_text);
  // The file input `node` of the page gets `files` (the host's paths).
  void SetInputFiles(int node, const std::vector<std::string>& files);
  // Sends a command to the page's session; `reply` hears its result, or ok
  // false when there is no page (yet or any more).
  void Command(const std::string& method, Json::Value params,
               std::function<void(const Json::Value& result, bool ok)> reply = {});

  static HostedBrowser* From(cef_browser_t* self);
  // The host browser's developer tools for this page, in a browser of
  // `client`; one at a time.
  void ShowDevTools(const cef_window_info_t& window_info, CefRefPtr<cef_client_t> client);
  void CloseDevTools();

 private:
  ~HostedBrowser() override = default;

  template <typename Handler>
  CefRefPtr<Handler> GetHandler(Handler* (__stdcall* cef_client_t::*getter)(cef_client_t*));

  void OnReady();
  void Navigate(const std::wstring& url);
  void Close();
  void ApplyViewSize();
  void SetHidden(bool hidden);
  void RequestFullFrame();
  // Mouse input for the page, keeping which buttons it holds and where.
  void SendMouse(const Json::Value& params);
  // The page's held buttons are released where the mouse was last.
  void ReleaseHeldButtons();
  void Paint(const std::string& base64_png);
  void SetLoading(bool loading);
  void SetUrl(const std::wstring& url);
  void SetTitle(const std::wstring& title);
  void RefreshHistory();
  void OnDialogOpening(const Json::Value& params);
  // A frame navigates to an address the system's handler of its protocol
  // may open: the client decides.
  void OnExternalProtocol(const std::string& url);
  // A file input of the page wants files: the client is asked.
  void OnFileChooserOpened(const Json::Value& params);
  void AskForFiles(int node, cef_file_dialog_mode_t mode,
                   const std::vector<std::wstring>& accept_filters);
  // A request the page session holds: the client allows or refuses it.
  void OnRequestPaused(const Json::Value& params);
  void FinishRequest(const std::string& request_id, bool allow);
  void Send(const std::string& method, Json::Value params = Json::Value(Json::objectValue));
  // The page shim's reports of a context menu due or of the cursor under the
  // mouse; false for payloads that are none (calls for the page side).
  bool OnPointerReport(const std::string& payload);
  // Runs `step` with the browser on the render thread.
  void OnRenderThread(std::function<void(CefRefPtr<cef_browser_t>)> step);

  static HostedBrowser* FromHost(cef_browser_host_t* self);
  static HostedBrowser* FromFrame(cef_frame_t* self);

  // The frame the page session names `frame_id`: the main frame, a known
  // sub-frame, or null.
  CefRefPtr<cef_frame_t> FrameOf(const std::string& frame_id);
  // A sub-frame joins the page, shows another address or leaves.
  CefRefPtr<cef_frame_t> OnFrameAttached(const std::string& frame_id);
  void OnSubFrameAddress(const std::string& frame_id, const std::string& url);
  void OnFrameDetached(const std::string& frame_id);
  // Any thread: the sub-frame is no longer found once its document is let go.
  void ForgetFrame(const std::string& frame_id, int64_t identifier);
  // The browser's execution context `context_id` of the page session is gone
  // (kAnyContext: all of them).
  void OnSubFrameContextDestroyed(int context_id);
  // Runs `step` on the UI thread, holding a reference meanwhile.
  void OnUiThread(std::function<void(HostedBrowser*)> step);

  CefInterface<cef_browser_t> browser_{this};
  CefInterface<cef_browser_host_t> host_{this};
  CefInterface<cef_frame_t> main_frame_{this};

  const int id_;
  const bool transparent_;
  // A windowed browser's window: a child of the client's window, or one of
  // its own. Null for off-screen browsers.
  const std::unique_ptr<BrowserWindow> window_;
  cef_window_info_t window_info_ = {};
  std::wstring window_name_;

  // Read from any thread.
  std::mutex lock_;
  std::wstring url_;
  bool loading_ = false;
  bool can_go_back_ = false;
  bool can_go_forward_ = false;

  // Written on the UI thread only, under the lock.
  CefRefPtr<cef_client_t> client_;

  // UI thread only.
  CefRefPtr<cef_browser_t> dev_tools_;
  std::wstring pending_url_;
  std::string target_id_;
  std::string session_;
  std::wstring title_;
  bool created_ = false;
  bool close_requested_ = false;
  bool closed_ = false;
  bool hidden_ = false;
  int view_width_ = 0;
  int view_height_ = 0;
  int document_status_ = 0;
  // Main-frame documents the page has had.
  int document_count_ = 0;
  bool error_page_ = false;
  KeyEventTranslator key_events_;
  // The host browser's button bits the page holds down, and the last mouse
  // event's point and modifiers.
  int held_buttons_ = 0;
  Json::Value last_mouse_;
  // Downloads in progress by the host browser's id for them.
  std::map<std::string, CefRefPtr<cef_download_item_t>> downloads_;
  // Main-frame document requests by request id: their addresses.
  std::map<std::string, std::string> document_requests_;

  // The page's sub-frames by the page session's frame id, each a
  // HostedFrame's interface; written on the UI and render threads, read from
  // any.
  std::mutex frames_lock_;
  std::map<std::string, CefRefPtr<cef_frame_t>> frames_;
};

}  // namespace qoz_runtime
