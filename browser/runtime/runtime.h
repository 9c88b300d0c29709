#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <json/json.h>

#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_ptr.h"
#include "browser/runtime/dev_tools_connection.h"
#include "browser/runtime/host_browser.h"
#include "browser/runtime/png_decoder.h"
#include "browser/runtime/render_side.h"
#include "browser/runtime/task_thread.h"

namespace qoz_runtime {

class HostedBrowser;

// The runtime behind the C interface: the host browser, the connection to
// it, the UI thread that runs every browser-side callback, and the browsers.
class Runtime {
 public:
  using Reply = std::function<void(const Json::Value& result, bool ok)>;

  static Runtime& Get();

  bool Initialize(const cef_settings_t& settings, cef_app_t* application);
  void Shutdown();

  bool PostTask(cef_thread_id_t thread, std::function<void()> task);
  bool CurrentlyOn(cef_thread_id_t thread) const;
  // The browser, still being made; null when the runtime does not run.
  CefRefPtr<cef_browser_t> CreateBrowser(const cef_window_info_t& window_info, cef_client_t* client,
                                         const std::wstring& url);
  uint16_t debugging_port() const { return host_browser_.debugging_port(); }
  // Where the host browser saves downloads, with a trailing separator.
  const std::wstring& download_folder() const { return download_folder_; }
  // Browsers and sub-frames take their identifiers from one count, so a
  // frame's identifier is unique in the process and the main frame's is
  // its browser's.
  int NewIdentifier() { return next_identifier_++; }

  // On the UI thread: sends a command to the browser ("" session) or to one
  // page's session; `reply` hears its result, or ok false when it failed or
  // the connection ended.
  void SendCommand(const std::string& session, const std::string& method, Json::Value params,
                   Reply reply = Reply());
  // On the UI thread.
  PngDecoder& png_decoder();
  RenderSide& render_side() { return render_side_; }
  // On the UI thread: the browser was closed; drops the runtime's reference.
  void ForgetBrowser(HostedBrowser* browser);
  // On the UI thread: the session the host browser attached to a page this
  // runtime made, when it came before the page's creation was answered.
  std::string ClaimSession(const std::string& target_id);
  // On the UI thread: a page session is attached.
  void RegisterSession(HostedBrowser* browser, const std::string& session);

 private:
  Runtime() = default;

  void OnMessage(const Json::Value& message);
  // Every new target of the host browser arrives paused: pages of this
  // runtime go on, pop-ups are held until their first request is known.
  void OnTargetAttached(const Json::Value& params);
  void OnPopupEvent(const std::string& session, const std::string& method,
                    const Json::Value& params);
  HostedBrowser* FindByTarget(const std::string& target_id);
  void OnConnectionEnded();
  void StopThreads();

  std::atomic<bool> started_{false};
  TaskThread ui_thread_;
  // Runs the application's page side: it waits for the UI thread, never the
  // other way round.
  TaskThread render_thread_;
  RenderSide render_side_;
  HostBrowser host_browser_;
  std::unique_ptr<DevToolsConnection> connection_;
  CefRefPtr<cef_app_t> application_;
  std::atomic<int> next_identifier_{1};

  // UI thread only.
  int next_command_id_ = 1;
  bool connection_ended_ = false;
  std::map<int, Reply> replies_;
  std::vector<HostedBrowser*> browsers_;
  std::map<std::string, HostedBrowser*> by_session_;
  struct Popup {
    std::string opener_target;
    std::string target;
  };
  // Sessions of new pages by target, waiting for their browser.
  std::map<std::string, std::string> unclaimed_sessions_;
  // Downloads in progress: their browser by the host browser's id for them.
  std::map<std::string, HostedBrowser*> downloads_;
  std::wstring download_folder_;
  // Pop-ups by their session, until they are closed.
  std::map<std::string, Popup> popups_;
  std::unique_ptr<PngDecoder> png_decoder_;
};

}  // namespace qoz_runtime
