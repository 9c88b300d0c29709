#include "browser/runtime/runtime.h"

#include <algorithm>

#include "browser/runtime/context_menu.h"
#include "browser/runtime/host_browser.h"
#include "browser/runtime/hosted_browser.h"
#include "browser/runtime/text_convert.h"

namespace qoz_runtime {

namespace {

// The browser program on the host; a deployment may name another.
constexpr char kDefaultHostBrowser[] = "/usr/bin/chromium";
constexpr wchar_t kHostBrowserVariable[] = L"QOZ_CEF_HOST_BROWSER";
// Generous: the host browser saves its profile before it ends.
constexpr unsigned kBrowserEndLimitMs = 20000;

std::string HostBrowserProgram() {
  wchar_t value[1024];
  const DWORD length = GetEnvironmentVariableW(kHostBrowserVariable, value, 1024);
  if (length == 0 || length >= 1024) return kDefaultHostBrowser;
  return ToUtf8(std::wstring(value, length));
}

// Collects the switches the application adds to the browser's command line.
class SwitchCollector : public CefRefCounted {
 public:
  SwitchCollector() {
    cef_command_line_t* line = command_line_.get();
    line->append_switch = [](cef_command_line_t* self, const cef_string_t* name) {
      Of(self)->Append(name, nullptr);
    };
    line->append_switch_with_value = [](cef_command_line_t* self, const cef_string_t* name,
                                        const cef_string_t* value) {
      Of(self)->Append(name, value);
    };
  }
  cef_command_line_t* get() { return command_line_.get(); }
  const std::vector<std::string>& arguments() const { return arguments_; }

 private:
  static SwitchCollector* Of(cef_command_line_t* self) {
    return CefInterface<cef_command_line_t>::OwnerOf<SwitchCollector>(self);
  }
  void Append(const cef_string_t* name, const cef_string_t* value) {
    if (name == nullptr || name->length == 0) return;
    std::string argument = "--" + ToUtf8(FromCef(name));
    if (value != nullptr) argument += "=" + ToUtf8(FromCef(value));
    arguments_.push_back(argument);
  }

  CefInterface<cef_command_line_t> command_line_{this};
  std::vector<std::string> arguments_;
};

class SchemeRegistrar : public CefRefCounted {
 public:
  cef_scheme_registrar_t* get() { return registrar_.get(); }

 private:
  CefInterface<cef_scheme_registrar_t> registrar_{this};
};

}  // namespace

Runtime& Runtime::Get() {
  static Runtime* runtime = new Runtime();
  return *runtime;
}

bool Runtime::Initialize(const cef_settings_t& settings, cef_app_t* application) {
  if (started_) return false;
  application_ = application;

  CefRefPtr<cef_command_line_t> hold_line;
  std::vector<std::string> application_switches;
  if (application_ && application_->on_before_command_line_processing != nullptr) {
    SwitchCollector* collector = new SwitchCollector();
    hold_line = collector->get();
    cef_string_t no_type = {};
    application_->on_before_command_line_processing(application_.get(), &no_type, collector->get());
    application_switches = collector->arguments();
  }
  if (application_ && application_->on_register_custom_schemes != nullptr) {
    SchemeRegistrar* registrar = new SchemeRegistrar();
    CefRefPtr<cef_scheme_registrar_t> hold_registrar(registrar->get());
    application_->on_register_custom_schemes(application_.get(), registrar->get());
  }

  HostBrowserOptions options;
  options.executable = HostBrowserProgram();
  options.profile_folder = FromCef(&settings.cache_path);
  if (options.profile_folder.empty()) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    options.profile_folder = std::wstring(temp, length) + L"qoz_cef_profile";
  }
  options.log_file = FromCef(&settings.log_file);
  download_folder_ = options.profile_folder + L"\\downloads\\";
  options.arguments = {"--headless",
                       "--remote-debugging-port=0",
                       "--no-first-run",
                       "--no-default-browser-check",
                       "--disable-background-networking",
                       "--disable-component-update",
                       "--disable-sync",
                       "--disable-default-apps",
                       "--mute-audio",
                       "--disable-features=site-per-process,IsolateOrigins"};
  if (settings.no_sandbox) options.arguments.push_back("--no-sandbox");
  if (settings.user_agent.length > 0) {
    options.arguments.push_back("--user-agent=" + ToUtf8(FromCef(&settings.user_agent)));
  }
  if (settings.locale.length > 0) {
    options.arguments.push_back("--lang=" + ToUtf8(FromCef(&settings.locale)));
  }
  options.arguments.insert(options.arguments.end(), application_switches.begin(),
                           application_switches.end());
  options.arguments.push_back("about:blank");

  WSADATA winsock;
  if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0) {
    application_.reset();
    return false;
  }
  if (!ui_thread_.Start() || !render_thread_.Start()) {
    ui_thread_.Stop();
    render_thread_.Stop();
    WSACleanup();
    application_.reset();
    return false;
  }
  connection_ended_ = false;
  connection_ = std::make_unique<DevToolsConnection>();
  if (!host_browser_.Start(options) ||
      !connection_->Open(host_browser_.debugging_port(), host_browser_.debugging_path(),
                         [this](Json::Value message) {
                           if (message.isNull()) {
                             ui_thread_.PostTask([this] { OnConnectionEnded(); });
                           } else {
                             ui_thread_.PostTask(
                                 [this, message = std::move(message)] { OnMessage(message); });
                           }
                         })) {
    host_browser_.Stop();
    StopThreads();
    return false;
  }
  // The application registers its extensions before any page exists.
  HANDLE registered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (registered != nullptr && render_thread_.PostTask([this, registered] {
        render_side_.Start(application_.get());
        SetEvent(registered);
      })) {
    WaitForSingleObject(registered, INFINITE);
  }
  if (registered != nullptr) CloseHandle(registered);
  started_ = true;
  ui_thread_.PostTask([this] {
    // Downloads are saved under the host browser's ids and reported.
    CreateDirectoryW(download_folder_.c_str(), nullptr);
    Json::Value downloads;
    downloads["behavior"] = "allowAndName";
    downloads["downloadPath"] = ToHostPath(download_folder_);
    downloads["eventsEnabled"] = true;
    SendCommand("", "Browser.setDownloadBehavior", downloads);
    Json::Value attach;
    attach["autoAttach"] = true;
    attach["waitForDebuggerOnStart"] = true;
    attach["flatten"] = true;
    SendCommand("", "Target.setAutoAttach", attach);
  });
  ui_thread_.PostTask([this] {
    if (application_ && application_->get_browser_process_handler != nullptr) {
      CefRefPtr<cef_browser_process_handler_t> handler =
          CefRefPtr<cef_browser_process_handler_t>::Adopt(
              application_->get_browser_process_handler(application_.get()));
      if (handler && handler->on_context_initialized != nullptr) {
        handler->on_context_initialized(handler.get());
      }
    }
  });
  return true;
}

void Runtime::Shutdown() {
  if (!started_.exchange(false)) return;
  HANDLE closed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const bool posted = ui_thread_.PostTask([this, closed] {
    std::vector<HostedBrowser*> open = browsers_;
    for (HostedBrowser* browser : open) browser->Finish();
    SendCommand("", "Browser.close", Json::Value(Json::objectValue));
    SetEvent(closed);
  });
  // A context menu open on the UI thread holds the task up until it closes.
  while (posted && closed != nullptr && WaitForSingleObject(closed, 100) == WAIT_TIMEOUT) {
    ContextMenu::CancelOpen();
  }
  if (closed != nullptr) CloseHandle(closed);
  connection_->WaitForEnd(kBrowserEndLimitMs);
  host_browser_.Stop();
  StopThreads();
}

void Runtime::StopThreads() {
  if (connection_) connection_->Close();
  // The page side first: it may wait for answers the UI thread still gives.
  render_thread_.PostTask([this] { render_side_.Stop(); });
  render_thread_.Stop();
  ui_thread_.PostTask([this] {
    OnConnectionEnded();
    by_session_.clear();
    popups_.clear();
    unclaimed_sessions_.clear();
    png_decoder_.reset();
  });
  ui_thread_.Stop();
  connection_.reset();
  application_.reset();
  WSACleanup();
}

bool Runtime::PostTask(cef_thread_id_t thread, std::function<void()> task) {
  if (!started_) return false;
  if (thread == TID_RENDERER) return render_thread_.PostTask(std::move(task));
  return thread == TID_UI && ui_thread_.PostTask(std::move(task));
}

bool Runtime::CurrentlyOn(cef_thread_id_t thread) const {
  if (thread == TID_RENDERER) return render_thread_.IsCurrent();
  return thread == TID_UI && ui_thread_.IsCurrent();
}

CefRefPtr<cef_browser_t> Runtime::CreateBrowser(const cef_window_info_t& window_info,
                                                cef_client_t* client, const std::wstring& url) {
  if (!started_ || client == nullptr) return CefRefPtr<cef_browser_t>();
  HostedBrowser* browser = new HostedBrowser(NewIdentifier(), client, window_info, url);
  CefRefPtr<cef_browser_t> hold(browser->browser());
  const bool posted = ui_thread_.PostTask([this, hold] {
    HostedBrowser* created = static_cast<HostedBrowser*>(
        CefInterface<cef_browser_t>::OwnerOf<CefRefCounted>(hold.get()));
    created->AddRef();
    browsers_.push_back(created);
    created->Create();
  });
  return posted ? hold : CefRefPtr<cef_browser_t>();
}

PngDecoder& Runtime::png_decoder() {
  if (!png_decoder_) png_decoder_ = std::make_unique<PngDecoder>();
  return *png_decoder_;
}

void Runtime::SendCommand(const std::string& session, const std::string& method, Json::Value params,
                          Reply reply) {
  if (connection_ended_ || !connection_) {
    if (reply) reply(Json::Value(), false);
    return;
  }
  const int id = next_command_id_++;
  Json::Value message;
  message["id"] = id;
  message["method"] = method;
  message["params"] = std::move(params);
  if (!session.empty()) message["sessionId"] = session;
  if (reply) replies_[id] = std::move(reply);
  if (!connection_->Send(message)) {
    const auto found = replies_.find(id);
    if (found != replies_.end()) {
      Reply failed = std::move(found->second);
      replies_.erase(found);
      failed(Json::Value(), false);
    }
  }
}

void Runtime::RegisterSession(HostedBrowser* browser, const std::string& session) {
  by_session_[session] = browser;
}

void Runtime::ForgetBrowser(HostedBrowser* browser) {
  for (auto it = by_session_.begin(); it != by_session_.end();) {
    it = it->second == browser ? by_session_.erase(it) : std::next(it);
  }
  for (auto it = downloads_.begin(); it != downloads_.end();) {
    it = it->second == browser ? downloads_.erase(it) : std::next(it);
  }
  const auto found = std::find(browsers_.begin(), browsers_.end(), browser);
  if (found == browsers_.end()) return;
  browsers_.erase(found);
  browser->Release();
}

void Runtime::OnMessage(const Json::Value& message) {
  if (message.isMember("id")) {
    const auto found = replies_.find(message["id"].asInt());
    if (found == replies_.end()) return;
    Reply reply = std::move(found->second);
    replies_.erase(found);
    reply(message["result"], !message.isMember("error"));
    return;
  }
  const std::string method = message["method"].asString();
  const Json::Value& params = message["params"];
  if (message.isMember("sessionId")) {
    const std::string session = message["sessionId"].asString();
    const auto found = by_session_.find(session);
    if (found != by_session_.end()) {
      found->second->OnEvent(method, params);
    } else if (popups_.count(session) != 0) {
      OnPopupEvent(session, method, params);
    }
    return;
  }
  if (method == "Browser.downloadWillBegin") {
    if (HostedBrowser* browser = FindByTarget(params["frameId"].asString())) {
      downloads_[params["guid"].asString()] = browser;
      browser->OnDownloadWillBegin(params);
    }
  } else if (method == "Browser.downloadProgress") {
    const auto found = downloads_.find(params["guid"].asString());
    if (found != downloads_.end() && !found->second->OnDownloadProgress(params)) {
      downloads_.erase(found);
    }
  } else if (method == "Target.attachedToTarget") {
    OnTargetAttached(params);
  } else if (method == "Target.detachedFromTarget") {
    popups_.erase(params["sessionId"].asString());
    const auto found = by_session_.find(params["sessionId"].asString());
    if (found != by_session_.end()) found->second->OnDetached();
  }
}

HostedBrowser* Runtime::FindByTarget(const std::string& target_id) {
  for (HostedBrowser* browser : browsers_) {
    if (!target_id.empty() && browser->target_id() == target_id) return browser;
  }
  return nullptr;
}

std::string Runtime::ClaimSession(const std::string& target_id) {
  const auto found = unclaimed_sessions_.find(target_id);
  if (found == unclaimed_sessions_.end()) return std::string();
  const std::string session = found->second;
  unclaimed_sessions_.erase(found);
  return session;
}

void Runtime::OnTargetAttached(const Json::Value& params) {
  const std::string session = params["sessionId"].asString();
  const Json::Value& info = params["targetInfo"];
  const std::string opener = info["openerId"].asString();
  if (info["type"].asString() == "page" && !opener.empty()) {
    // The pop-up's first request names its address; it is failed and the
    // pop-up closed after, since closing a paused pop-up stalls its opener.
    popups_[session] = {opener, info["targetId"].asString()};
    SendCommand(session, "Fetch.enable", Json::Value(Json::objectValue));
    SendCommand(session, "Page.enable", Json::Value(Json::objectValue));
    SendCommand(session, "Runtime.runIfWaitingForDebugger", Json::Value(Json::objectValue));
    return;
  }
  // A new page without an opener is one this runtime asked for; it waits
  // until its browser has set it up.
  if (info["type"].asString() == "page" && params["waitingForDebugger"].asBool()) {
    const std::string target = info["targetId"].asString();
    if (HostedBrowser* browser = FindByTarget(target)) {
      browser->OnAttached(session);
    } else {
      unclaimed_sessions_[target] = session;
    }
    return;
  }
  SendCommand(session, "Runtime.runIfWaitingForDebugger", Json::Value(Json::objectValue));
  Json::Value detach;
  detach["sessionId"] = session;
  SendCommand("", "Target.detachFromTarget", detach);
}

void Runtime::OnPopupEvent(const std::string& session, const std::string& method,
                           const Json::Value& params) {
  std::string url;
  if (method == "Fetch.requestPaused") {
    url = params["request"]["url"].asString();
    Json::Value fail;
    fail["requestId"] = params["requestId"];
    fail["errorReason"] = "BlockedByClient";
    SendCommand(session, "Fetch.failRequest", fail);
  } else if (method != "Page.loadEventFired") {
    // A pop-up that requests nothing (an empty address) is known once it
    // has loaded its empty page.
    return;
  }
  const Popup popup = popups_[session];
  popups_.erase(session);
  if (HostedBrowser* opener = FindByTarget(popup.opener_target)) {
    opener->OnPopupRequested(ToWide(url));
  }
  Json::Value close;
  close["targetId"] = popup.target;
  SendCommand("", "Target.closeTarget", close);
}

void Runtime::OnConnectionEnded() {
  connection_ended_ = true;
  std::map<int, Reply> waiting;
  waiting.swap(replies_);
  for (auto& entry : waiting) entry.second(Json::Value(), false);
}

}  // namespace qoz_runtime
