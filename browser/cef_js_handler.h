#pragma once

#include <memory>
#include <string>

#include "browser/cef_js_bridge.h"
#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_counted.h"

namespace qoz_comp {

// The name and code of the page object `QozCefWebInstance`, whose `call`
// and `register` reach a CefJSHandler.
extern const wchar_t kPageObjectExtensionName[];
extern const wchar_t kPageObjectExtensionCode[];

// Serves the page object's native functions "call" and "register" on the
// render thread: checks the page's arguments and hands them to the bridge.
class CefJSHandler : public CefRefCounted {
 public:
  CefJSHandler();

  cef_v8handler_t* handler() { return handler_.get(); }
  void set_bridge(std::shared_ptr<CefJSBridge> bridge) { bridge_ = std::move(bridge); }

  // False with `exception` set when the page's arguments do not fit or the
  // bridge refused; false without one for an unknown function.
  bool Execute(const std::wstring& name, size_t arguments_count, cef_v8value_t* const* arguments,
               std::wstring* exception);

 private:
  ~CefJSHandler() override = default;

  CefInterface<cef_v8handler_t> handler_{this};
  std::shared_ptr<CefJSBridge> bridge_;
};

// printf-style formatting into a narrow string; empty when formatting fails
// or the text would pass 32 MiB.
std::string FormatNarrow(const char* format, ...);

}  // namespace qoz_comp
