#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <json/json.h>

#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_ptr.h"

namespace qoz_runtime {

class V8Context;

// The page side of the runtime, on the render thread: the extensions'
// code enters each new document with its native functions turned into calls
// through a page binding, which reach the extension's handler here; each
// frame's document context is a script context whose release the
// application hears; process messages for the page side arrive here.
// Page objects are used through the page's session, waiting on this thread
// for the answer; the UI thread, which carries it, never waits for this one.
class RenderSide {
 public:
  RenderSide() = default;
  RenderSide(const RenderSide&) = delete;
  RenderSide& operator=(const RenderSide&) = delete;

  // The name of the page binding the documents' calls come through.
  static const char kBindingName[];

  // Render thread: takes the application's page-side handler and lets it
  // register its extensions.
  void Start(cef_app_t* application);
  // Render thread: lets go of everything.
  void Stop();

  bool RegisterExtension(const std::wstring& name, const std::wstring& code,
                         cef_v8handler_t* handler);
  // Any thread: the code every new document runs first: the page shim and
  // the extensions.
  std::string PageScript();

  // Render thread, as the runtime's C functions need them; each result holds
  // a reference for the caller.
  cef_v8context_t* CurrentContext();
  bool Enter(V8Context* context);
  bool Exit(V8Context* context);
  // The context of the current document of `browser`'s frame `frame_identifier`.
  cef_v8context_t* ContextOf(cef_browser_t* browser, int64_t frame_identifier);
  // A page call (Runtime.callFunctionOn) and an evaluation: the value they
  // give, null when the page failed or threw.
  cef_v8value_t* CallPage(cef_browser_t* browser, const Json::Value& params);
  cef_v8value_t* EvaluateInPage(cef_browser_t* browser, const Json::Value& params);

  // Render thread: what the browsers' page sessions report.
  void OnBrowserCreated(CefRefPtr<cef_browser_t> browser);
  void OnBrowserClosed(CefRefPtr<cef_browser_t> browser);
  void OnContextCreated(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_frame_t> frame,
                        int context_id);
  // kAnyContext: every context of the browser's page is gone.
  void OnContextDestroyed(CefRefPtr<cef_browser_t> browser, int context_id);
  static constexpr int kAnyContext = 0;
  // The frame left the page, with its document.
  void OnFrameDetached(CefRefPtr<cef_browser_t> browser, int64_t frame_identifier);
  void OnNativeCall(CefRefPtr<cef_browser_t> browser, int context_id, const std::string& payload);
  void OnProcessMessage(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_process_message_t> message);

 private:
  struct Extension {
    std::string code;
    std::set<std::string> natives;
    CefRefPtr<cef_v8handler_t> handler;
  };
  struct FrameContext {
    CefRefPtr<cef_frame_t> frame;
    CefRefPtr<cef_v8context_t> context;
    int context_id = 0;
  };
  struct Page {
    CefRefPtr<cef_browser_t> browser;
    // By frame identifier: the frames with a current document.
    std::map<int64_t, FrameContext> frames;
  };

  // Waits for the answer of a command to `browser`'s page session.
  std::optional<Json::Value> Command(cef_browser_t* browser, const std::string& method,
                                     const Json::Value& params);
  cef_v8value_t* ValueOf(cef_browser_t* browser, const std::optional<Json::Value>& answer);
  void ReleaseContext(const CefRefPtr<cef_browser_t>& browser, FrameContext& frame);
  // focus: 1 an editable element, 0 another, -1 none.
  void OnFocusedNode(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_frame_t> frame, int focus);
  void ThrowInPage(cef_browser_t* browser, int context_id, const std::wstring& text);

  std::mutex lock_;
  std::vector<Extension> extensions_;

  // Render thread only.
  CefRefPtr<cef_render_process_handler_t> handler_;
  std::map<int, Page> pages_;
  std::vector<CefRefPtr<cef_v8context_t>> entered_;
};

}  // namespace qoz_runtime
