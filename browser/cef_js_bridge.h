#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_ptr.h"

namespace qoz_comp {

// Native code's answer to a page call: has-error and the result as UTF-8
// JSON text.
using CppFunctionReply = std::function<void(bool has_error, const std::string& result)>;
// A native function pages may call: the parameters as UTF-8 JSON text.
using CppFunction = std::function<void(const std::string& parameters, CppFunctionReply reply)>;
// Native code waiting for a page function's answer (UTF-8 JSON text).
using CppCallback = std::function<void(const std::string& result)>;

// The bridge between page scripts and native code. Its page-side half runs on
// the runtime's render thread (one bridge for all pages, shared by the
// application object and the page object's handler); its browser-side half
// belongs to one web-view control and runs where the handler receives the
// page side's messages. The halves talk through the process messages
// "CallCppFunction", "ExecuteJsCallback", "CallJsFunction" and
// "ExecuteCppCallback".
class CefJSBridge {
 public:
  CefJSBridge() = default;
  CefJSBridge(const CefJSBridge&) = delete;
  CefJSBridge& operator=(const CefJSBridge&) = delete;

  // Page side.
  // Sends the call to the browser side; `callback` hears its answer once.
  // False when the next id is still waiting for its answer.
  bool CallCppFunction(const std::wstring& function_name, const std::wstring& parameters,
                       CefRefPtr<cef_v8value_t> callback);
  // Runs the callback waiting under `id` with has-error and the parsed
  // result; false when none waits.
  bool OnExecuteJsCallback(int id, bool has_error, const std::wstring& result);
  // Offers `function` under `function_name` for the current frame; false
  // when the frame has that name already.
  bool RegisterJsFunction(const std::wstring& function_name, CefRefPtr<cef_v8value_t> function);
  // Runs the page function registered for the frame; an object it returns is
  // the answer for `native_callback_id`.
  bool OnCallJsFunction(const std::wstring& function_name, const std::wstring& parameters,
                        CefRefPtr<cef_frame_t> frame, int native_callback_id);
  // The frame's document goes: its callbacks and functions go with it.
  void OnContextReleased(CefRefPtr<cef_frame_t> frame);

  // Browser side.
  // Runs the native function of that name on thread 0, or answers the page
  // at once that there is none (false).
  bool OnCallCppFunction(const std::wstring& function_name, const std::wstring& parameters, int id,
                         CefRefPtr<cef_browser_t> browser);
  // Hands a page function's answer to the native callback waiting for it,
  // on thread 0. Always false.
  bool OnExecuteCppCallback(int id, const std::wstring& result);

 private:
  struct PageCallback {
    CefRefPtr<cef_v8context_t> context;
    CefRefPtr<cef_v8value_t> function;
  };

  // Page side, render thread only.
  int32_t next_id_ = 0;
  std::map<int32_t, PageCallback> page_callbacks_;
  std::map<std::pair<std::wstring, int64_t>, CefRefPtr<cef_v8value_t>> page_functions_;

  // Browser side: never filled in this program, so only searched.
  std::map<int32_t, CppCallback> native_callbacks_;
  // Browser identifier -1 serves every browser.
  std::map<std::pair<std::wstring, int32_t>, CppFunction> native_functions_;
};

}  // namespace qoz_comp
