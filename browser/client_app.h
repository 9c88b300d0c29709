#pragma once

#include <string>
#include <vector>

#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_counted.h"

namespace qoz_comp {

// The application object the runtime consults: the launcher's switches for
// the browser's command line and the schemes that keep cookies.
class ClientApp : public CefRefCounted {
 public:
  ClientApp();

  cef_app_t* app() { return app_.get(); }

 private:
  ~ClientApp() override = default;

  void OnBeforeCommandLineProcessing(const cef_string_t* process_type,
                                     cef_command_line_t* command_line);
  void OnRegisterCustomSchemes();
  void OnContextInitialized();

  CefInterface<cef_app_t> app_{this};
  CefInterface<cef_browser_process_handler_t> browser_process_{this};
  CefInterface<cef_render_process_handler_t> render_process_{this};

  // Written during the runtime's start-up, read on its UI thread afterwards.
  std::vector<std::wstring> cookie_schemes_;
};

}  // namespace qoz_comp
