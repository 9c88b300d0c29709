#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include <json/json.h>

#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_ptr.h"
#include "browser/runtime/context_menu_params.h"

namespace qoz_runtime {

// A page's context menu, on the runtime's UI thread: the usual entries for
// the place, the client's say over them, a popup menu of this thread at the
// point and the chosen entry, carried out by the client or by the runtime.
class ContextMenu {
 public:
  struct Target {
    cef_browser_t* browser = nullptr;
    cef_frame_t* frame = nullptr;
    // Either may be null.
    CefRefPtr<cef_context_menu_handler_t> handler;
    CefRefPtr<cef_render_handler_t> render;
    // A windowed browser's window; null off-screen, where the render
    // handler places the menu.
    HWND window = nullptr;
    // Sends a command to the page's session.
    std::function<void(const std::string& method, Json::Value params)> send;
  };

  // Returns once the menu closed.
  static void Run(const Target& target, ContextMenuParams::Fields fields);
  // Any thread: closes the menu open now, choosing nothing; shut-down must
  // not wait for the user.
  static void CancelOpen();

 private:
  // The index of the chosen entry, -1 for none.
  static int Show(const Target& target, const std::vector<std::wstring>& labels, POINT screen);
  static void Act(const Target& target, int command_id);

  // The owner of the menu open now, null while none is.
  static std::atomic<HWND> open_owner_;
};

}  // namespace qoz_runtime
