#include "browser/runtime/hosted_browser.h"

#include <shellapi.h>

#include <atomic>
#include <cctype>
#include <utility>

#include "browser/runtime/base64.h"
#include "browser/runtime/context_menu.h"
#include "browser/runtime/cursor_names.h"
#include "browser/runtime/download_item.h"
#include "browser/runtime/host_browser.h"
#include "browser/runtime/hosted_frame.h"
#include "browser/runtime/lent_string.h"
#include "browser/runtime/paused_request.h"
#include "browser/runtime/png_decoder.h"
#include "browser/runtime/pointer_report.h"
#include "browser/runtime/process_message.h"
#include "browser/runtime/render_side.h"
#include "browser/runtime/runtime.h"
#include "browser/runtime/text_convert.h"

namespace qoz_runtime {

namespace {

// The client's answer to one page dialog; the first answer closes it.
class DialogCallback : public CefRefCounted {
 public:
  explicit DialogCallback(cef_browser_t* browser) : browser_(browser) {
    callback_.get()->cont = [](cef_jsdialog_callback_t* self, int success,
                               const cef_string_t* user_input) {
      DialogCallback* callback =
          CefInterface<cef_jsdialog_callback_t>::OwnerOf<DialogCallback>(self);
      if (callback->answered_.exchange(true)) return;
      CefRefPtr<cef_browser_t> browser = callback->browser_;
      const std::wstring input = FromCef(user_input);
      Runtime::Get().PostTask(TID_UI, [browser, success, input] {
        CefInterface<cef_browser_t>::OwnerOf<HostedBrowser>(browser.get())
            ->CloseDialog(success != 0, input);
      });
    };
  }
  cef_jsdialog_callback_t* get() { return callback_.get(); }

 private:
  CefInterface<cef_jsdialog_callback_t> callback_{this};
  CefRefPtr<cef_browser_t> browser_;
  std::atomic<bool> answered_{false};
};

// The client's answer to one file chooser of a page; the first answer counts.
class FileDialogCallback : public CefRefCounted {
 public:
  FileDialogCallback(cef_browser_t* browser, int node) : browser_(browser), node_(node) {
    callback_.get()->cont = [](cef_file_dialog_callback_t* self, int,
                               cef_string_list_t file_paths) {
      FileDialogCallback* callback =
          CefInterface<cef_file_dialog_callback_t>::OwnerOf<FileDialogCallback>(self);
      if (callback->answered_.exchange(true)) return;
      // The host browser reads the files under its own names for them.
      std::vector<std::string> files;
      const size_t count = file_paths != nullptr ? cef_string_list_size(file_paths) : 0;
      for (size_t i = 0; i < count; ++i) {
        cef_string_t path = {};
        if (cef_string_list_value(file_paths, i, &path)) {
          const std::string host_path = ToHostPath(FromCef(&path));
          if (!host_path.empty()) files.push_back(host_path);
        }
        cef_string_utf16_clear(&path);
      }
      CefRefPtr<cef_browser_t> browser = callback->browser_;
      const int node = callback->node_;
      Runtime::Get().PostTask(TID_UI, [browser, node, files] {
        CefInterface<cef_browser_t>::OwnerOf<HostedBrowser>(browser.get())
            ->SetInputFiles(node, files);
      });
    };
    callback_.get()->cancel = [](cef_file_dialog_callback_t* self) {
      CefInterface<cef_file_dialog_callback_t>::OwnerOf<FileDialogCallback>(self)
          ->answered_.exchange(true);
    };
  }
  cef_file_dialog_callback_t* get() { return callback_.get(); }

 private:
  CefInterface<cef_file_dialog_callback_t> callback_{this};
  CefRefPtr<cef_browser_t> browser_;
  const int node_;
  std::atomic<bool> answered_{false};
};

// The accepted types of a file input's "accept" attribute, one each.
std::vector<std::wstring> AcceptFiltersOf(const Json::Value& node) {
  std::vector<std::wstring> filters;
  const Json::Value& attributes = node["attributes"];
  if (!attributes.isArray()) return filters;
  for (Json::ArrayIndex i = 0; i + 1 < attributes.size(); i += 2) {
    if (attributes[i].asString() != "accept") continue;
    const std::wstring accept = ToWide(attributes[i + 1].asString());
    size_t start = 0;
    while (start <= accept.size()) {
      size_t end = accept.find(L',', start);
      if (end == std::wstring::npos) end = accept.size();
      const size_t first = accept.find_first_not_of(L" \t", start);
      const size_t last = accept.find_last_not_of(L" \t", end == 0 ? 0 : end - 1);
      if (first != std::wstring::npos && first < end && last >= first) {
        filters.push_back(accept.substr(first, last - first + 1));
      }
      start = end + 1;
    }
  }
  return filters;
}

// Whether the host browser leaves an address to the system: its scheme is
// none of those it loads itself.
bool IsExternalProtocol(const std::string& url) {
  static const char* const kOwnSchemes[] = {
      "http",   "https",        "file", "data", "about",      "blob",     "ftp",
      "chrome", "chrome-error", "ws",   "wss",  "javascript", "devtools", "filesystem"};
  const size_t colon = url.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  std::string scheme = url.substr(0, colon);
  for (char& c : scheme) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  for (const char* own : kOwnSchemes) {
    if (scheme == own) return false;
  }
  return true;
}

// The network error numbers of the failures a page load reports most.
int ErrorCodeOf(const std::string& text) {
  static const std::map<std::string, int> kCodes = {
      {"net::ERR_FAILED", -2},
      {"net::ERR_ABORTED", -3},
      {"net::ERR_INVALID_ARGUMENT", -4},
      {"net::ERR_FILE_NOT_FOUND", -6},
      {"net::ERR_TIMED_OUT", -7},
      {"net::ERR_ACCESS_DENIED", -10},
      {"net::ERR_BLOCKED_BY_CLIENT", -20},
      {"net::ERR_BLOCKED_BY_RESPONSE", -27},
      {"net::ERR_CONNECTION_CLOSED", -100},
      {"net::ERR_CONNECTION_RESET", -101},
      {"net::ERR_CONNECTION_REFUSED", -102},
      {"net::ERR_CONNECTION_ABORTED", -103},
      {"net::ERR_CONNECTION_FAILED", -104},
      {"net::ERR_NAME_NOT_RESOLVED", -105},
      {"net::ERR_INTERNET_DISCONNECTED", -106},
      {"net::ERR_ADDRESS_UNREACHABLE", -109},
      {"net::ERR_CONNECTION_TIMED_OUT", -118},
      {"net::ERR_EMPTY_RESPONSE", -324},
      {"net::ERR_INVALID_URL", -300},
      {"net::ERR_DISALLOWED_URL_SCHEME", -301},
      {"net::ERR_UNKNOWN_URL_SCHEME", -302},
  };
  const auto found = kCodes.find(text);
  return found != kCodes.end() ? found->second : -2;
}

// The page reports its title through this binding: the host browser's own
// target notices carry the address, not the document's title.
constexpr char kTitleBinding[] = "__qozTitleChanged";
constexpr char kTitleScript[] =
    "(() => {"
    "  if (window !== window.top) return;"
    "  let last = null;"
    "  const check = () => {"
    "    if (document.title === last) return;"
    "    last = document.title;"
    "    window.__qozTitleChanged(last);"
    "  };"
    "  new MutationObserver(check).observe(document,"
    "      {subtree: true, childList: true, characterData: true});"
    "  document.addEventListener('DOMContentLoaded', check);"
    "})();";
// Longer titles are cut: the payload is page input.
constexpr size_t kMaxTitleLength = 4096;

}  // namespace

HostedBrowser::HostedBrowser(int id, cef_client_t* client, const cef_window_info_t& window_info,
                             const std::wstring& url)
    : id_(id),
      transparent_(window_info.transparent_painting_enabled != 0),
      window_(window_info.windowless_rendering_enabled != 0
                  ? nullptr
                  : std::make_unique<BrowserWindow>(
                        host_.get(),
                        BrowserWindow::Listener{[this] { ApplyViewSize(); },
                                                // Closed by its frame, or gone with its parent.
                                                [this] { Close(); }})),
      client_(client),
      pending_url_(url) {
  if (window_) {
    window_info_ = window_info;
    window_info_.window_name = {};
    window_name_ = FromCef(&window_info.window_name);
  }
  cef_browser_t* b = browser_.get();
  b->get_host = [](cef_browser_t* self) { return From(self)->host_.AddRefAndGet(); };
  b->can_go_back = [](cef_browser_t* self) {
    HostedBrowser* browser = From(self);
    std::lock_guard<std::mutex> hold(browser->lock_);
    return browser->can_go_back_ ? 1 : 0;
  };
  b->go_back = [](cef_browser_t* self) {
    From(self)->OnUiThread([](HostedBrowser* browser) {
      browser->Send("Runtime.evaluate", [] {
        Json::Value params;
        params["expression"] = "history.back()";
        return params;
      }());
    });
  };
  b->can_go_forward = [](cef_browser_t* self) {
    HostedBrowser* browser = From(self);
    std::lock_guard<std::mutex> hold(browser->lock_);
    return browser->can_go_forward_ ? 1 : 0;
  };
  b->go_forward = [](cef_browser_t* self) {
    From(self)->OnUiThread([](HostedBrowser* browser) {
      browser->Send("Runtime.evaluate", [] {
        Json::Value params;
        params["expression"] = "history.forward()";
        return params;
      }());
    });
  };
  b->is_loading = [](cef_browser_t* self) {
    HostedBrowser* browser = From(self);
    std::lock_guard<std::mutex> hold(browser->lock_);
    return browser->loading_ ? 1 : 0;
  };
  b->reload = [](cef_browser_t* self) {
    From(self)->OnUiThread([](HostedBrowser* browser) { browser->Send("Page.reload"); });
  };
  b->stop_load = [](cef_browser_t* self) {
    From(self)->OnUiThread([](HostedBrowser* browser) { browser->Send("Page.stopLoading"); });
  };
  b->get_identifier = [](cef_browser_t* self) { return From(self)->id_; };
  b->is_same = [](cef_browser_t* self, cef_browser_t* that) {
    return that != nullptr && From(self) == From(that) ? 1 : 0;
  };
  b->get_main_frame = [](cef_browser_t* self) { return From(self)->main_frame_.AddRefAndGet(); };
  b->get_frame = [](cef_browser_t* self, int64_t identifier) -> cef_frame_t* {
    HostedBrowser* browser = From(self);
    if (identifier == browser->id_) return browser->main_frame_.AddRefAndGet();
    std::lock_guard<std::mutex> hold(browser->frames_lock_);
    for (const auto& entry : browser->frames_) {
      if (HostedFrame::From(entry.second.get())->identifier() == identifier) {
        return entry.second.AddRefAndGet();
      }
    }
    return nullptr;
  };
  b->send_process_message = [](cef_browser_t* self, cef_process_id_t target,
                               cef_process_message_t* message) {
    // The receiver gets its own copy: the sender may reuse its message.
    CefRefPtr<cef_process_message_t> copy =
        CefRefPtr<cef_process_message_t>::Adopt(ProcessMessage::CopyOf(message));
    if (!copy) return 0;
    HostedBrowser* browser = From(self);
    if (target == PID_RENDERER) {
      browser->OnRenderThread([copy](CefRefPtr<cef_browser_t> to) {
        Runtime::Get().render_side().OnProcessMessage(to, copy);
      });
      return 1;
    }
    browser->OnUiThread([copy](HostedBrowser* to) {
      if (to->closed_ || !to->client_ || to->client_->on_process_message_received == nullptr) {
        return;
      }
      to->client_->on_process_message_received(to->client_.get(), to->browser_.get(), PID_RENDERER,
                                               copy.get());
    });
    return 1;
  };

  cef_browser_host_t* h = host_.get();
  h->get_browser = [](cef_browser_host_t* self) { return FromHost(self)->browser_.AddRefAndGet(); };
  h->close_browser = [](cef_browser_host_t* self, int) {
    FromHost(self)->OnUiThread([](HostedBrowser* browser) { browser->Close(); });
  };
  h->was_resized = [](cef_browser_host_t* self) {
    FromHost(self)->OnUiThread([](HostedBrowser* browser) { browser->ApplyViewSize(); });
  };
  h->was_hidden = [](cef_browser_host_t* self, int hidden) {
    FromHost(self)->OnUiThread(
        [hidden](HostedBrowser* browser) { browser->SetHidden(hidden != 0); });
  };
  h->invalidate = [](cef_browser_host_t* self, cef_paint_element_type_t) {
    FromHost(self)->OnUiThread([](HostedBrowser* browser) { browser->RequestFullFrame(); });
  };
  h->get_window_handle = [](cef_browser_host_t* self) -> HWND {
    HostedBrowser* browser = FromHost(self);
    return browser->window_ ? browser->window_->handle() : nullptr;
  };
  h->send_key_event = [](cef_browser_host_t* self, const cef_key_event_t* event) {
    if (event == nullptr) return;
    const cef_key_event_t copy = *event;
    FromHost(self)->OnUiThread([copy](HostedBrowser* browser) {
      if (auto params = browser->key_events_.Translate(copy)) {
        browser->Send("Input.dispatchKeyEvent", *params);
      }
    });
  };
  h->send_mouse_click_event = [](cef_browser_host_t* self, const cef_mouse_event_t* event,
                                 cef_mouse_button_type_t type, int mouse_up, int click_count) {
    if (event == nullptr) return;
    Json::Value params = MousePressParams(*event, type, mouse_up != 0, click_count);
    FromHost(self)->OnUiThread([params](HostedBrowser* browser) { browser->SendMouse(params); });
  };
  h->send_mouse_move_event = [](cef_browser_host_t* self, const cef_mouse_event_t* event,
                                int mouse_leave) {
    if (event == nullptr) return;
    cef_mouse_event_t moved = *event;
    // The host browser has no leave event: a move off the view clears the
    // page's hover the same way.
    if (mouse_leave != 0) moved.x = moved.y = -1;
    Json::Value params = MouseMoveParams(moved);
    FromHost(self)->OnUiThread([params](HostedBrowser* browser) { browser->SendMouse(params); });
  };
  h->send_mouse_wheel_event = [](cef_browser_host_t* self, const cef_mouse_event_t* event,
                                 int delta_x, int delta_y) {
    if (event == nullptr) return;
    Json::Value params = MouseWheelParams(*event, delta_x, delta_y);
    FromHost(self)->OnUiThread([params](HostedBrowser* browser) { browser->SendMouse(params); });
  };
  h->send_focus_event = [](cef_browser_host_t* self, int set_focus) {
    FromHost(self)->OnUiThread([set_focus](HostedBrowser* browser) {
      Json::Value params;
      params["isFocused"] = set_focus != 0;
      browser->Send("Emulation.setFocusEmulationEnabled", params);
    });
  };
  h->send_capture_lost_event = [](cef_browser_host_t* self) {
    FromHost(self)->OnUiThread([](HostedBrowser* browser) { browser->ReleaseHeldButtons(); });
  };
  h->show_dev_tools = [](cef_browser_host_t* self, const cef_window_info_t* window_info,
                         cef_client_t* client, const cef_browser_settings_t*, const cef_point_t*) {
    if (client == nullptr) return;
    cef_window_info_t info = {};
    if (window_info != nullptr) info = *window_info;
    // The name is the caller's only during the call.
    const std::wstring name = FromCef(&info.window_name);
    info.window_name = {};
    CefRefPtr<cef_client_t> tools_client(client);
    FromHost(self)->OnUiThread([info, name, tools_client](HostedBrowser* browser) {
      const LentString lent_name(name);
      cef_window_info_t named = info;
      named.window_name = *lent_name.get();
      browser->ShowDevTools(named, tools_client);
    });
  };
  h->close_dev_tools = [](cef_browser_host_t* self) {
    FromHost(self)->OnUiThread([](HostedBrowser* browser) { browser->CloseDevTools(); });
  };
  h->get_client = [](cef_browser_host_t* self) {
    HostedBrowser* browser = FromHost(self);
    std::lock_guard<std::mutex> hold(browser->lock_);
    return browser->client_.AddRefAndGet();
  };
  h->set_focus = [](cef_browser_host_t* self, int focus) {
    FromHost(self)->OnUiThread([focus](HostedBrowser* browser) {
      if (focus != 0 && browser->window_ && !browser->closed_) browser->window_->Focus();
      Json::Value params;
      params["isFocused"] = focus != 0;
      browser->Send("Emulation.setFocusEmulationEnabled", params);
    });
  };

  cef_frame_t* f = main_frame_.get();
  f->load_url = [](cef_frame_t* self, const cef_string_t* url) {
    const std::wstring address = FromCef(url);
    FromFrame(self)->OnUiThread([address](HostedBrowser* browser) { browser->Navigate(address); });
  };
  f->get_url = [](cef_frame_t* self) {
    HostedBrowser* browser = FromFrame(self);
    std::lock_guard<std::mutex> hold(browser->lock_);
    return UserFreeCopy(browser->url_);
  };
  f->is_main = [](cef_frame_t*) { return 1; };
  f->get_identifier = [](cef_frame_t* self) { return static_cast<int64_t>(FromFrame(self)->id_); };
  f->get_browser = [](cef_frame_t* self) { return FromFrame(self)->browser_.AddRefAndGet(); };
  f->get_v8context = [](cef_frame_t* self) {
    HostedBrowser* browser = FromFrame(self);
    return Runtime::Get().render_side().ContextOf(browser->browser_.get(), browser->id_);
  };
  f->execute_java_script = [](cef_frame_t* self, const cef_string_t* code, const cef_string_t*,
                              int) {
    const std::string script = ToUtf8(FromCef(code));
    FromFrame(self)->OnUiThread([script](HostedBrowser* browser) {
      Json::Value params;
      params["expression"] = script;
      browser->Send("Runtime.evaluate", params);
    });
  };
}

HostedBrowser* HostedBrowser::From(cef_browser_t* self) {
  return CefInterface<cef_browser_t>::OwnerOf<HostedBrowser>(self);
}
HostedBrowser* HostedBrowser::FromHost(cef_browser_host_t* self) {
  return CefInterface<cef_browser_host_t>::OwnerOf<HostedBrowser>(self);
}
HostedBrowser* HostedBrowser::FromFrame(cef_frame_t* self) {
  return CefInterface<cef_frame_t>::OwnerOf<HostedBrowser>(self);
}

void HostedBrowser::OnUiThread(std::function<void(HostedBrowser*)> step) {
  CefRefPtr<cef_browser_t> hold(browser_.get());
  Runtime::Get().PostTask(TID_UI, [hold, step] { step(From(hold.get())); });
}

void HostedBrowser::OnRenderThread(std::function<void(CefRefPtr<cef_browser_t>)> step) {
  CefRefPtr<cef_browser_t> hold(browser_.get());
  Runtime::Get().PostTask(TID_RENDERER, [hold, step] { step(hold); });
}

template <typename Handler>
CefRefPtr<Handler> HostedBrowser::GetHandler(
    Handler* (__stdcall* cef_client_t::*getter)(cef_client_t*)) {
  if (!client_ || client_.get()->*getter == nullptr) return CefRefPtr<Handler>();
  return CefRefPtr<Handler>::Adopt((client_.get()->*getter)(client_.get()));
}

void HostedBrowser::Send(const std::string& method, Json::Value params) {
  if (session_.empty() || closed_) return;
  Runtime::Get().SendCommand(session_, method, std::move(params));
}

void HostedBrowser::Command(const std::string& method, Json::Value params,
                            std::function<void(const Json::Value& result, bool ok)> reply) {
  if (session_.empty() || closed_) {
    if (reply) reply(Json::Value(), false);
    return;
  }
  Runtime::Get().SendCommand(session_, method, std::move(params), std::move(reply));
}

void HostedBrowser::Create() {
  // The window exists before the client hears of the browser.
  if (window_) window_->Create(window_info_, window_name_);
  Json::Value params;
  params["url"] = "about:blank";
  AddRef();
  Runtime::Get().SendCommand("", "Target.createTarget", params,
                             [this](const Json::Value& result, bool ok) {
                               const std::string target = result["targetId"].asString();
                               if (!ok || target.empty()) {
                                 Finish();
                               } else {
                                 // The page's session may have come first.
                                 target_id_ = target;
                                 const std::string session = Runtime::Get().ClaimSession(target);
                                 if (!session.empty()) OnAttached(session);
                               }
                               Release();
                             });
}

void HostedBrowser::OnAttached(const std::string& session) {
  if (closed_ || !session_.empty()) return;
  session_ = session;
  Runtime::Get().RegisterSession(this, session);
  Send("Page.enable");
  Send("Network.enable");
  Send("Runtime.enable");
  // Every request of the page waits for the client's answer.
  Json::Value fetch;
  Json::Value pattern;
  pattern["urlPattern"] = "*";
  pattern["requestStage"] = "Request";
  fetch["patterns"].append(pattern);
  Send("Fetch.enable", fetch);
  // A file input asks the client, not a dialog of the host browser.
  Json::Value chooser;
  chooser["enabled"] = true;
  Send("Page.setInterceptFileChooserDialog", chooser);
  Json::Value binding;
  binding["name"] = kTitleBinding;
  Send("Runtime.addBinding", binding);
  Json::Value script;
  script["source"] = kTitleScript;
  Send("Page.addScriptToEvaluateOnNewDocument", script);
  // Every page has the shim: it reports context menus and cursors as well.
  Json::Value native;
  native["name"] = RenderSide::kBindingName;
  Send("Runtime.addBinding", native);
  Json::Value extensions;
  extensions["source"] = Runtime::Get().render_side().PageScript();
  Send("Page.addScriptToEvaluateOnNewDocument", extensions);
  if (transparent_) {
    Json::Value color;
    color["color"]["r"] = 0;
    color["color"]["g"] = 0;
    color["color"]["b"] = 0;
    color["color"]["a"] = 0;
    Send("Emulation.setDefaultBackgroundColorOverride", color);
  }
  ApplyViewSize();
  Json::Value screencast;
  screencast["format"] = "png";
  Send("Page.startScreencast", screencast);
  // A new page waits for its set-up before it runs.
  Send("Runtime.runIfWaitingForDebugger");
  // The page takes commands in order: once the frame tree answers, every
  // set-up command above is in effect, and a navigation cannot overtake them.
  AddRef();
  Runtime::Get().SendCommand(session_, "Page.getFrameTree", Json::Value(Json::objectValue),
                             [this](const Json::Value&, bool) {
                               OnReady();
                               Release();
                             });
}

void HostedBrowser::OnReady() {
  if (closed_) return;
  created_ = true;
  OnRenderThread([](CefRefPtr<cef_browser_t> browser) {
    Runtime::Get().render_side().OnBrowserCreated(browser);
  });
  if (auto handler = GetHandler(&cef_client_t::get_life_span_handler)) {
    if (handler->on_after_created) handler->on_after_created(handler.get(), browser_.get());
  }
  if (close_requested_) {
    close_requested_ = false;
    Close();
    return;
  }
  if (!pending_url_.empty()) Navigate(std::exchange(pending_url_, std::wstring()));
}

void HostedBrowser::Navigate(const std::wstring& url) {
  if (closed_) return;
  if (session_.empty()) {
    pending_url_ = url;
    return;
  }
  Json::Value params;
  params["url"] = ToUtf8(url);
  Send("Page.navigate", params);
}

void HostedBrowser::Close() {
  if (closed_) return;
  if (!created_) {
    close_requested_ = true;
    return;
  }
  Json::Value params;
  params["targetId"] = target_id_;
  AddRef();
  Runtime::Get().SendCommand("", "Target.closeTarget", params, [this](const Json::Value&, bool) {
    // Closed or already gone, the browser ends here: the host browser does
    // not always report the detach of a closed target (a developer-tools
    // page, for one), and a later detach finds the browser forgotten.
    Finish();
    Release();
  });
}

void HostedBrowser::OnDetached() { Finish(); }

void HostedBrowser::Finish() {
  if (closed_) return;
  closed_ = true;
  if (window_) window_->Destroy();
  CefRefPtr<cef_browser_t> hold(browser_.get());
  Runtime::Get().ForgetBrowser(this);
  {
    std::lock_guard<std::mutex> hold_frames(frames_lock_);
    for (const auto& entry : frames_) HostedFrame::From(entry.second.get())->Detach();
  }
  OnRenderThread([](CefRefPtr<cef_browser_t> browser) {
    Runtime::Get().render_side().OnBrowserClosed(browser);
    // The frames hold their browser.
    HostedBrowser* closed = From(browser.get());
    std::lock_guard<std::mutex> hold_frames(closed->frames_lock_);
    closed->frames_.clear();
  });
  if (created_) {
    if (auto handler = GetHandler(&cef_client_t::get_life_span_handler)) {
      if (handler->on_before_close) handler->on_before_close(handler.get(), browser_.get());
    }
  }
  std::lock_guard<std::mutex> hold_client(lock_);
  client_.reset();
}

void HostedBrowser::ShowDevTools(const cef_window_info_t& window_info,
                                 CefRefPtr<cef_client_t> client) {
  if (closed_ || target_id_.empty()) return;
  if (dev_tools_ && !From(dev_tools_.get())->closed_) return;
  // The host browser serves its own front end for any of its pages.
  const std::string port = std::to_string(Runtime::Get().debugging_port());
  const std::string url = "http://127.0.0.1:" + port +
                          "/devtools/inspector.html?ws=127.0.0.1:" + port + "/devtools/page/" +
                          target_id_;
  dev_tools_ = Runtime::Get().CreateBrowser(window_info, client.get(), ToWide(url));
}

void HostedBrowser::CloseDevTools() {
  if (!dev_tools_) return;
  From(dev_tools_.get())->Close();
  dev_tools_.reset();
}

void HostedBrowser::ApplyViewSize() {
  if (closed_) return;
  cef_rect_t rect = {};
  if (window_) {
    const SIZE size = window_->ClientSize();
    rect.width = size.cx;
    rect.height = size.cy;
  } else {
    auto handler = GetHandler(&cef_client_t::get_render_handler);
    if (!handler || handler->get_view_rect == nullptr) return;
    if (!handler->get_view_rect(handler.get(), browser_.get(), &rect)) return;
  }
  // An empty view keeps the last size: the host browser reads 0 as "no
  // override".
  if (rect.width <= 0 || rect.height <= 0) return;
  if (rect.width == view_width_ && rect.height == view_height_) return;
  // Without a page yet, the page's set-up applies the size.
  if (session_.empty()) return;
  view_width_ = rect.width;
  view_height_ = rect.height;
  Json::Value metrics;
  metrics["width"] = rect.width;
  metrics["height"] = rect.height;
  metrics["deviceScaleFactor"] = 1;
  metrics["mobile"] = false;
  // A static page sends no frame of its own after a resize.
  AddRef();
  Runtime::Get().SendCommand(session_, "Emulation.setDeviceMetricsOverride", metrics,
                             [this](const Json::Value&, bool ok) {
                               if (ok && created_) RequestFullFrame();
                               Release();
                             });
}

void HostedBrowser::SetHidden(bool hidden) {
  if (closed_ || hidden == hidden_) {
    if (!hidden && !closed_) RequestFullFrame();
    return;
  }
  hidden_ = hidden;
  if (hidden) {
    Send("Page.stopScreencast");
    return;
  }
  Json::Value screencast;
  screencast["format"] = "png";
  Send("Page.startScreencast", screencast);
  RequestFullFrame();
}

void HostedBrowser::RequestFullFrame() {
  if (closed_ || session_.empty() || hidden_) return;
  Json::Value params;
  params["format"] = "png";
  AddRef();
  // A picture of a document the page has left since would cover the new
  // document's frames, and a still page sends no more of them.
  const int document = document_count_;
  Runtime::Get().SendCommand(session_, "Page.captureScreenshot", params,
                             [this, document](const Json::Value& result, bool ok) {
                               if (ok && document == document_count_) {
                                 Paint(result["data"].asString());
                               }
                               Release();
                             });
}

void HostedBrowser::Paint(const std::string& base64_png) {
  if (closed_ || hidden_) return;
  const std::optional<std::string> png = DecodeBase64(base64_png);
  if (!png) return;
  const std::optional<DecodedImage> image = Runtime::Get().png_decoder().Decode(*png);
  if (!image) return;
  if (window_) {
    window_->ShowFrame(image->pixels.data(), image->width, image->height);
    return;
  }
  auto handler = GetHandler(&cef_client_t::get_render_handler);
  if (!handler || handler->on_paint == nullptr) return;
  const cef_rect_t dirty = {0, 0, image->width, image->height};
  handler->on_paint(handler.get(), browser_.get(), PET_VIEW, 1, &dirty, image->pixels.data(),
                    image->width, image->height);
}

void HostedBrowser::SendMouse(const Json::Value& params) {
  const std::string type = params["type"].asString();
  const std::string button = params["button"].asString();
  const int bit = button == "left" ? 1 : button == "right" ? 2 : button == "middle" ? 4 : 0;
  if (type == "mousePressed") held_buttons_ |= bit;
  if (type == "mouseReleased") held_buttons_ &= ~bit;
  last_mouse_ = params;
  Send("Input.dispatchMouseEvent", params);
}

void HostedBrowser::ReleaseHeldButtons() {
  static const struct {
    int bit;
    const char* name;
  } kButtons[] = {{1, "left"}, {2, "right"}, {4, "middle"}};
  for (const auto& button : kButtons) {
    if ((held_buttons_ & button.bit) == 0) continue;
    held_buttons_ &= ~button.bit;
    Json::Value params;
    params["type"] = "mouseReleased";
    params["x"] = last_mouse_["x"].asInt();
    params["y"] = last_mouse_["y"].asInt();
    params["modifiers"] = last_mouse_["modifiers"].asInt();
    params["button"] = button.name;
    params["buttons"] = held_buttons_;
    params["clickCount"] = 1;
    Send("Input.dispatchMouseEvent", params);
  }
}

void HostedBrowser::SetLoading(bool loading) {
  bool back = false;
  bool forward = false;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (loading_ == loading) return;
    loading_ = loading;
    back = can_go_back_;
    forward = can_go_forward_;
  }
  if (auto handler = GetHandler(&cef_client_t::get_load_handler)) {
    if (handler->on_loading_state_change) {
      handler->on_loading_state_change(handler.get(), browser_.get(), loading ? 1 : 0, back ? 1 : 0,
                                       forward ? 1 : 0);
    }
  }
}

void HostedBrowser::SetUrl(const std::wstring& url) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    url_ = url;
  }
  if (auto handler = GetHandler(&cef_client_t::get_display_handler)) {
    if (handler->on_address_change) {
      LentString address(url);
      handler->on_address_change(handler.get(), browser_.get(), main_frame_.get(), address.get());
    }
  }
}

void HostedBrowser::RefreshHistory() {
  AddRef();
  Runtime::Get().SendCommand(
      session_, "Page.getNavigationHistory", Json::Value(Json::objectValue),
      [this](const Json::Value& result, bool ok) {
        if (ok && result["currentIndex"].isInt() && result["entries"].isArray()) {
          const int index = result["currentIndex"].asInt();
          const int count = static_cast<int>(result["entries"].size());
          std::lock_guard<std::mutex> hold(lock_);
          can_go_back_ = index > 0;
          can_go_forward_ = index + 1 < count;
        }
        Release();
      });
}

void HostedBrowser::OnEvent(const std::string& method, const Json::Value& params) {
  if (closed_) return;
  if (method == "Page.screencastFrame") {
    Paint(params["data"].asString());
    Json::Value ack;
    ack["sessionId"] = params["sessionId"];
    Send("Page.screencastFrameAck", ack);
  } else if (method == "Page.frameStartedLoading") {
    if (params["frameId"].asString() == target_id_) SetLoading(true);
  } else if (method == "Page.frameStoppedLoading") {
    if (params["frameId"].asString() == target_id_) SetLoading(false);
  } else if (method == "Page.frameAttached") {
    OnFrameAttached(params["frameId"].asString());
  } else if (method == "Page.frameDetached") {
    OnFrameDetached(params["frameId"].asString());
  } else if (method == "Page.frameNavigated") {
    const Json::Value& frame = params["frame"];
    const std::string url = frame["url"].asString() + frame["urlFragment"].asString();
    if (frame.isMember("parentId")) {
      OnSubFrameAddress(frame["id"].asString(), url);
      return;
    }
    // The new document has none of the last one's frames.
    std::vector<std::string> sub_frames;
    {
      std::lock_guard<std::mutex> hold(frames_lock_);
      for (const auto& entry : frames_) sub_frames.push_back(entry.first);
    }
    for (const std::string& sub_frame : sub_frames) OnFrameDetached(sub_frame);
    // The host browser's own error page stands for the failed address.
    ++document_count_;
    error_page_ = url.compare(0, 15, "chrome-error://") == 0;
    if (error_page_) return;
    SetUrl(ToWide(url));
    RefreshHistory();
    if (auto handler = GetHandler(&cef_client_t::get_load_handler)) {
      if (handler->on_load_start)
        handler->on_load_start(handler.get(), browser_.get(), main_frame_.get());
    }
  } else if (method == "Page.navigatedWithinDocument") {
    if (params["frameId"].asString() != target_id_) {
      OnSubFrameAddress(params["frameId"].asString(), params["url"].asString());
      return;
    }
    SetUrl(ToWide(params["url"].asString()));
    RefreshHistory();
  } else if (method == "Page.loadEventFired") {
    if (error_page_) return;
    if (auto handler = GetHandler(&cef_client_t::get_load_handler)) {
      if (handler->on_load_end) {
        handler->on_load_end(handler.get(), browser_.get(), main_frame_.get(), document_status_);
      }
    }
  } else if (method == "Network.requestWillBeSent") {
    if (params["type"].asString() == "Document" &&
        IsExternalProtocol(params["request"]["url"].asString())) {
      OnExternalProtocol(params["request"]["url"].asString());
    }
    if (params["type"].asString() == "Document" && params["frameId"].asString() == target_id_) {
      document_requests_[params["requestId"].asString()] = params["request"]["url"].asString();
      document_status_ = 0;
    }
  } else if (method == "Network.responseReceived") {
    if (document_requests_.count(params["requestId"].asString()) != 0) {
      document_status_ = params["response"]["status"].asInt();
    }
  } else if (method == "Network.loadingFinished") {
    document_requests_.erase(params["requestId"].asString());
  } else if (method == "Network.loadingFailed") {
    const auto found = document_requests_.find(params["requestId"].asString());
    if (found == document_requests_.end()) return;
    const std::string failed_url = found->second;
    document_requests_.erase(found);
    const std::string error_text = params["errorText"].asString();
    if (auto handler = GetHandler(&cef_client_t::get_load_handler)) {
      if (handler->on_load_error) {
        LentString text(ToWide(error_text));
        LentString url(ToWide(failed_url));
        handler->on_load_error(handler.get(), browser_.get(), main_frame_.get(),
                               ErrorCodeOf(error_text), text.get(), url.get());
      }
    }
  } else if (method == "Runtime.bindingCalled" &&
             params["name"].asString() == RenderSide::kBindingName) {
    if (!params["payload"].isString() || !params["executionContextId"].isInt()) return;
    const int context = params["executionContextId"].asInt();
    const std::string payload = params["payload"].asString();
    if (OnPointerReport(payload)) return;
    OnRenderThread([context, payload](CefRefPtr<cef_browser_t> browser) {
      Runtime::Get().render_side().OnNativeCall(browser, context, payload);
    });
  } else if (method == "Runtime.executionContextCreated") {
    const Json::Value& context = params["context"];
    const Json::Value& data = context["auxData"];
    if (!context["id"].isInt() || !data["isDefault"].asBool()) return;
    CefRefPtr<cef_frame_t> frame = FrameOf(data["frameId"].asString());
    if (!frame) return;
    const int id = context["id"].asInt();
    if (frame.get() != main_frame_.get()) HostedFrame::From(frame.get())->set_context_id(id);
    OnRenderThread([frame, id](CefRefPtr<cef_browser_t> browser) {
      Runtime::Get().render_side().OnContextCreated(browser, frame, id);
    });
  } else if (method == "Runtime.executionContextDestroyed") {
    if (!params["executionContextId"].isInt()) return;
    const int id = params["executionContextId"].asInt();
    OnSubFrameContextDestroyed(id);
    OnRenderThread([id](CefRefPtr<cef_browser_t> browser) {
      Runtime::Get().render_side().OnContextDestroyed(browser, id);
    });
  } else if (method == "Runtime.executionContextsCleared") {
    OnSubFrameContextDestroyed(RenderSide::kAnyContext);
    OnRenderThread([](CefRefPtr<cef_browser_t> browser) {
      Runtime::Get().render_side().OnContextDestroyed(browser, RenderSide::kAnyContext);
    });
  } else if (method == "Runtime.bindingCalled") {
    if (params["name"].asString() == kTitleBinding && params["payload"].isString()) {
      std::string title = params["payload"].asString();
      if (title.size() > kMaxTitleLength) title.resize(kMaxTitleLength);
      SetTitle(ToWide(title));
    }
  } else if (method == "Page.fileChooserOpened") {
    OnFileChooserOpened(params);
  } else if (method == "Page.javascriptDialogOpening") {
    OnDialogOpening(params);
  } else if (method == "Fetch.requestPaused") {
    OnRequestPaused(params);
  } else if (method == "Inspector.targetCrashed") {
    if (auto handler = GetHandler(&cef_client_t::get_request_handler)) {
      if (handler->on_render_process_terminated) {
        handler->on_render_process_terminated(handler.get(), browser_.get(), TS_PROCESS_CRASHED);
      }
    }
  }
}

void HostedBrowser::SetTitle(const std::wstring& title) {
  if (title == title_) return;
  title_ = title;
  if (auto handler = GetHandler(&cef_client_t::get_display_handler)) {
    if (handler->on_title_change) {
      LentString text(title);
      handler->on_title_change(handler.get(), browser_.get(), text.get());
    }
  }
}

}  // namespace qoz_runtime

namespace qoz_runtime {

void HostedBrowser::OnDialogOpening(const Json::Value& params) {
  const std::string type = params["type"].asString();
  // Leaving a page is never held up.
  if (type == "beforeunload") {
    CloseDialog(true, std::wstring());
    return;
  }
  const cef_jsdialog_type_t dialog_type = type == "confirm"  ? JSDIALOGTYPE_CONFIRM
                                          : type == "prompt" ? JSDIALOGTYPE_PROMPT
                                                             : JSDIALOGTYPE_ALERT;
  int suppress = 0;
  bool later = false;
  if (auto handler = GetHandler(&cef_client_t::get_jsdialog_handler)) {
    if (handler->on_jsdialog != nullptr) {
      DialogCallback* callback = new DialogCallback(browser_.get());
      CefRefPtr<cef_jsdialog_callback_t> hold(callback->get());
      LentString origin(ToWide(params["url"].asString()));
      LentString message(ToWide(params["message"].asString()));
      LentString prompt(ToWide(params["defaultPrompt"].asString()));
      later = handler->on_jsdialog(handler.get(), browser_.get(), origin.get(), dialog_type,
                                   message.get(), prompt.get(), callback->get(), &suppress) != 0;
    }
  }
  // The runtime shows no dialog of its own: unanswered, it is cancelled.
  if (!later) CloseDialog(false, std::wstring());
}

void HostedBrowser::OnDownloadWillBegin(const Json::Value& params) {
  static std::atomic<uint32_t> next_id{1};
  const std::string guid = params["guid"].asString();
  if (closed_ || guid.empty() || downloads_.count(guid) != 0) return;
  const std::wstring name = ToWide(params["suggestedFilename"].asString());
  DownloadItem* download =
      new DownloadItem(next_id++, guid, ToWide(params["url"].asString()), name);
  CefRefPtr<cef_download_item_t> item(download->item());
  downloads_[guid] = item;
  auto handler = GetHandler(&cef_client_t::get_download_handler);
  if (handler && handler->on_before_download != nullptr) {
    LentString suggested(name);
    handler->on_before_download(handler.get(), browser_.get(), item.get(), suggested.get(),
                                download->before_callback());
  }
  // Not continued, not saved.
  if (download->full_path().empty()) {
    Json::Value cancel;
    cancel["guid"] = guid;
    Runtime::Get().SendCommand("", "Browser.cancelDownload", cancel);
  }
}

bool HostedBrowser::OnDownloadProgress(const Json::Value& params) {
  const auto found = downloads_.find(params["guid"].asString());
  if (found == downloads_.end()) return false;
  CefRefPtr<cef_download_item_t> item = found->second;
  DownloadItem* download = DownloadItem::From(item.get());
  const std::string state = params["state"].asString();
  download->Update(static_cast<int64_t>(params["receivedBytes"].asDouble()),
                   static_cast<int64_t>(params["totalBytes"].asDouble()));
  const bool ended = state != "inProgress";
  if (ended) {
    bool complete = state == "completed";
    if (complete) {
      // The host browser saved it under its id; it goes where the client
      // chose.
      const std::wstring saved = Runtime::Get().download_folder() + ToWide(download->guid());
      complete = MoveFileExW(saved.c_str(), download->full_path().c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != FALSE;
      // Finished before its cancellation arrived, or not movable: not kept.
      if (!complete) DeleteFileW(saved.c_str());
    }
    download->Finish(complete);
    downloads_.erase(found);
  }
  auto handler = GetHandler(&cef_client_t::get_download_handler);
  if (handler && handler->on_download_updated != nullptr) {
    handler->on_download_updated(handler.get(), browser_.get(), item.get(),
                                 download->item_callback());
  }
  if (!ended && download->cancel_requested()) {
    Json::Value cancel;
    cancel["guid"] = download->guid();
    Runtime::Get().SendCommand("", "Browser.cancelDownload", cancel);
  }
  return !ended;
}

void HostedBrowser::OnExternalProtocol(const std::string& url) {
  auto handler = GetHandler(&cef_client_t::get_request_handler);
  if (!handler || handler->on_protocol_execution == nullptr) return;
  const std::wstring address = ToWide(url);
  LentString text(address);
  int allow = 0;
  handler->on_protocol_execution(handler.get(), browser_.get(), text.get(), &allow);
  if (allow == 0) return;
  SHELLEXECUTEINFOW execute = {};
  execute.cbSize = sizeof(execute);
  execute.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_ASYNCOK;
  execute.lpVerb = L"open";
  execute.lpFile = address.c_str();
  execute.nShow = SW_SHOWNORMAL;
  ShellExecuteExW(&execute);
}

void HostedBrowser::OnFileChooserOpened(const Json::Value& params) {
  if (!params["backendNodeId"].isInt()) return;
  const int node = params["backendNodeId"].asInt();
  const cef_file_dialog_mode_t mode =
      params["mode"].asString() == "selectMultiple" ? FILE_DIALOG_OPEN_MULTIPLE : FILE_DIALOG_OPEN;
  Json::Value describe;
  describe["backendNodeId"] = node;
  AddRef();
  Command("DOM.describeNode", describe, [this, node, mode](const Json::Value& result, bool ok) {
    if (!closed_)
      AskForFiles(node, mode, ok ? AcceptFiltersOf(result["node"]) : std::vector<std::wstring>());
    Release();
  });
}

void HostedBrowser::AskForFiles(int node, cef_file_dialog_mode_t mode,
                                const std::vector<std::wstring>& accept_filters) {
  auto handler = GetHandler(&cef_client_t::get_dialog_handler);
  if (!handler || handler->on_file_dialog == nullptr) return;
  FileDialogCallback* callback = new FileDialogCallback(browser_.get(), node);
  CefRefPtr<cef_file_dialog_callback_t> hold(callback->get());
  cef_string_list_t filters = cef_string_list_alloc();
  for (const std::wstring& filter : accept_filters) {
    LentString text(filter);
    cef_string_list_append(filters, text.get());
  }
  LentString no_title{std::wstring()};
  LentString no_path{std::wstring()};
  // Unanswered, the page simply gets no file.
  handler->on_file_dialog(handler.get(), browser_.get(), mode, no_title.get(), no_path.get(),
                          filters, 0, callback->get());
  cef_string_list_free(filters);
}

void HostedBrowser::SetInputFiles(int node, const std::vector<std::string>& files) {
  if (closed_) return;
  Json::Value params;
  params["backendNodeId"] = node;
  params["files"] = Json::Value(Json::arrayValue);
  for (const std::string& file : files) params["files"].append(file);
  Send("DOM.setFileInputFiles", params);
}

void HostedBrowser::CloseDialog(bool accept, const std::wstring& prompt_text) {
  Json::Value params;
  params["accept"] = accept;
  params["promptText"] = ToUtf8(prompt_text);
  Send("Page.handleJavaScriptDialog", params);
}

void HostedBrowser::OnRequestPaused(const Json::Value& params) {
  const std::string request_id = params["requestId"].asString();
  const Json::Value& request = params["request"];
  CefRefPtr<cef_browser_t> hold(browser_.get());
  PausedRequest* paused =
      new PausedRequest(ToWide(request["url"].asString() + request["urlFragment"].asString()),
                        ToWide(request["method"].asString()), [hold, request_id](bool allow) {
                          Runtime::Get().PostTask(TID_UI, [hold, request_id, allow] {
                            From(hold.get())->FinishRequest(request_id, allow);
                          });
                        });
  CefRefPtr<cef_request_t> hold_request(paused->request());
  auto handler = GetHandler(&cef_client_t::get_request_handler);
  // A request of a frame the page has not reported names the main frame.
  CefRefPtr<cef_frame_t> frame = FrameOf(params["frameId"].asString());
  if (!frame) frame = main_frame_.get();
  if (handler && handler->on_before_browse != nullptr &&
      params["resourceType"].asString() == "Document" &&
      handler->on_before_browse(handler.get(), browser_.get(), frame.get(), paused->request(),
                                params.isMember("redirectedRequestId") ? 1 : 0) != 0) {
    paused->Answer(false);
    return;
  }
  cef_return_value_t answer = RV_CONTINUE;
  if (handler && handler->on_before_resource_load != nullptr) {
    answer = handler->on_before_resource_load(handler.get(), browser_.get(), frame.get(),
                                              paused->request(), paused->callback());
  }
  if (answer != RV_CONTINUE_ASYNC) paused->Answer(answer == RV_CONTINUE);
}

void HostedBrowser::FinishRequest(const std::string& request_id, bool allow) {
  Json::Value params;
  params["requestId"] = request_id;
  if (allow) {
    Send("Fetch.continueRequest", params);
  } else {
    params["errorReason"] = "Aborted";
    Send("Fetch.failRequest", params);
  }
}

void HostedBrowser::OnPopupRequested(const std::wstring& url) {
  if (closed_) return;
  auto handler = GetHandler(&cef_client_t::get_life_span_handler);
  if (!handler || handler->on_before_popup == nullptr) return;
  LentString target(url);
  LentString no_name{std::wstring()};
  cef_popup_features_t features = {};
  cef_window_info_t window_info = {};
  cef_client_t* client = nullptr;
  cef_browser_settings_t settings = {sizeof(cef_browser_settings_t)};
  int no_javascript_access = 0;
  handler->on_before_popup(handler.get(), browser_.get(), main_frame_.get(), target.get(),
                           no_name.get(), WOD_NEW_FOREGROUND_TAB, 0, &features, &window_info,
                           &client, &settings, &no_javascript_access);
}

}  // namespace qoz_runtime

namespace qoz_runtime {

CefRefPtr<cef_frame_t> HostedBrowser::FrameOf(const std::string& frame_id) {
  if (frame_id.empty()) return CefRefPtr<cef_frame_t>();
  if (frame_id == target_id_) return main_frame_.get();
  std::lock_guard<std::mutex> hold(frames_lock_);
  const auto found = frames_.find(frame_id);
  return found != frames_.end() ? found->second : CefRefPtr<cef_frame_t>();
}

CefRefPtr<cef_frame_t> HostedBrowser::OnFrameAttached(const std::string& frame_id) {
  if (frame_id.empty() || frame_id == target_id_) return CefRefPtr<cef_frame_t>();
  std::lock_guard<std::mutex> hold(frames_lock_);
  CefRefPtr<cef_frame_t>& frame = frames_[frame_id];
  // A frame that came back before its last document was let go is a new one.
  if (!frame || HostedFrame::From(frame.get())->detached()) {
    frame = (new HostedFrame(Runtime::Get().NewIdentifier(), frame_id, browser_.get()))->frame();
  }
  return frame;
}

void HostedBrowser::OnSubFrameAddress(const std::string& frame_id, const std::string& url) {
  CefRefPtr<cef_frame_t> frame = FrameOf(frame_id);
  // A frame of the page from before its session was set up.
  if (!frame) frame = OnFrameAttached(frame_id);
  if (!frame || frame.get() == main_frame_.get()) return;
  // The host browser's own error page stands for the failed address.
  if (url.compare(0, 15, "chrome-error://") == 0) return;
  const std::wstring address = ToWide(url);
  HostedFrame::From(frame.get())->SetUrl(address);
  if (auto handler = GetHandler(&cef_client_t::get_display_handler)) {
    if (handler->on_address_change) {
      LentString text(address);
      handler->on_address_change(handler.get(), browser_.get(), frame.get(), text.get());
    }
  }
}

void HostedBrowser::OnFrameDetached(const std::string& frame_id) {
  CefRefPtr<cef_frame_t> frame = FrameOf(frame_id);
  if (!frame || frame.get() == main_frame_.get()) return;
  HostedFrame* hosted = HostedFrame::From(frame.get());
  if (hosted->detached()) return;
  hosted->Detach();
  hosted->set_context_id(0);
  // The frame is found while the application hears its context go.
  const int64_t identifier = hosted->identifier();
  OnRenderThread([frame_id, identifier](CefRefPtr<cef_browser_t> browser) {
    Runtime::Get().render_side().OnFrameDetached(browser, identifier);
    From(browser.get())->ForgetFrame(frame_id, identifier);
  });
}

void HostedBrowser::ForgetFrame(const std::string& frame_id, int64_t identifier) {
  std::lock_guard<std::mutex> hold(frames_lock_);
  const auto found = frames_.find(frame_id);
  if (found != frames_.end() &&
      HostedFrame::From(found->second.get())->identifier() == identifier) {
    frames_.erase(found);
  }
}

void HostedBrowser::OnSubFrameContextDestroyed(int context_id) {
  std::lock_guard<std::mutex> hold(frames_lock_);
  for (const auto& entry : frames_) {
    HostedFrame* frame = HostedFrame::From(entry.second.get());
    if (context_id == RenderSide::kAnyContext || frame->context_id() == context_id) {
      frame->set_context_id(0);
    }
  }
}

bool HostedBrowser::OnPointerReport(const std::string& payload) {
  const std::optional<PointerReport> report = PointerReport::Parse(payload);
  if (!report) return false;
  if (report->menu()) {
    ContextMenu::Target target;
    target.browser = browser_.get();
    target.frame = main_frame_.get();
    target.handler = GetHandler(&cef_client_t::get_context_menu_handler);
    target.render = GetHandler(&cef_client_t::get_render_handler);
    target.window = window_ ? window_->handle() : nullptr;
    CefRefPtr<cef_browser_t> hold(browser_.get());
    target.send = [hold](const std::string& method, Json::Value params) {
      From(hold.get())->Send(method, std::move(params));
    };
    ContextMenu::Run(target, *report->menu());
  } else if (!report->cursor().empty()) {
    auto handler = GetHandler(&cef_client_t::get_render_handler);
    if (handler && handler->on_cursor_change != nullptr) {
      handler->on_cursor_change(handler.get(), browser_.get(),
                                LoadCursorW(nullptr, SystemCursorFor(report->cursor())));
    }
  }
  return true;
}

}  // namespace qoz_runtime
