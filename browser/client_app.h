#pragma once

#include <memory>
#include <string>
#include <vector>

#include "browser/cef_js_bridge.h"
#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_counted.h"

namespace qoz_comp {

// The application object the runtime consults: the launcher's switches for
// the browser's command line and the schemes that keep cookies; on the page
// side, the page object and the page half of the JavaScript bridge.
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

  // Page side, on the render thread.
  void OnWebKitInitialized();
  void OnBrowserCreated();
  void OnContextReleased(cef_frame_t* frame);
  void OnProcessMessageReceived(cef_browser_t* browser, cef_process_message_t* message);
  // Tells the browser side when the focus goes to or from an editable
  // element.
  void OnFocusedNodeChanged(cef_browser_t* browser, cef_domnode_t* node);

  CefInterface<cef_app_t> app_{this};
  CefInterface<cef_browser_process_handler_t> browser_process_{this};
  CefInterface<cef_render_process_handler_t> render_process_{this};

  // Written during the runtime's start-up, read on its UI thread afterwards.
  std::vector<std::wstring> cookie_schemes_;

  // Render thread only: made by the first of the page side's start and a
  // browser's creation, shared with the page object's handler.
  std::shared_ptr<CefJSBridge> render_bridge_;
  // Whether the element focused last was editable.
  bool last_editable_ = false;
};

}  // namespace qoz_comp
