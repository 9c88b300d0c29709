#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "base/closure.h"
#include "browser/delegate_slot.h"
#include "browser/handler_delegate.h"
#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_counted.h"
#include "browser/runtime/cef_ref_ptr.h"

namespace qoz_comp {

// The client of the browsers of one control: answers the runtime's questions
// that need an answer at once (no context menus, no JavaScript dialogs, no
// console output, storage up to 20 MiB, the cursor on the host window's
// class, pop-ups turned into loads of the current browser), keeps the
// browsers the runtime made for it and the current one, and hands everything
// else to the control's delegate, notifications posted to thread 0.
//
// Held by CefRefPtr references: the control's, the runtime's while browsers
// use it, and the tasks it posts.
class BrowserHandler : public CefRefCounted {
 public:
  using HandlerDelegate = qoz_comp::HandlerDelegate;

  BrowserHandler();

  cef_client_t* client() { return client_.get(); }

  // Thread 0. Null detaches; a detach returns once no direct call into the
  // delegate runs.
  void AttachHostWindow(HWND window) { host_window_ = window; }
  // A handler whose delegate was detached closes the browsers that arrive
  // afterwards at once.
  void AttachDelegate(HandlerDelegate* delegate);
  CefRefPtr<cef_browser_t> CurrentBrowser();
  // Any thread: the view rectangle in host-window client pixels.
  void SetViewRect(const RECT& rect);
  // Thread 0: runs once the next browser was created.
  void AddAfterCreateTask(qbase::Closure task);
  // Closes every browser of the handler on the runtime's UI thread.
  void CloseAllBrowser();

 private:
  ~BrowserHandler() override = default;

  // Posts `call` to thread 0, where it reaches the delegate attached then.
  void Post(std::function<void(HandlerDelegate*)> call);
  void OnAfterCreatedOnMainThread(CefRefPtr<cef_browser_t> browser);
  void OnBeforeCloseOnMainThread(CefRefPtr<cef_browser_t> browser);
  void ApplyViewRect(const RECT& rect);

  // Runtime callbacks.
  int OnBeforePopup(cef_browser_t* browser, cef_frame_t* frame, const cef_string_t* target_url,
                    const cef_string_t* target_frame_name,
                    cef_window_open_disposition_t target_disposition, int user_gesture);
  void OnPaint(cef_browser_t* browser, cef_paint_element_type_t type, size_t dirty_rects_count,
               const cef_rect_t* dirty_rects, const void* buffer, int width, int height);
  bool OnProcessMessageReceived(cef_browser_t* browser, cef_process_message_t* message);
  bool GetViewRect(cef_rect_t* rect);
  bool GetRootScreenRect(cef_rect_t* rect);
  bool GetScreenPoint(int view_x, int view_y, int* screen_x, int* screen_y);

  CefInterface<cef_client_t> client_{this};
  CefInterface<cef_life_span_handler_t> life_span_{this};
  CefInterface<cef_render_handler_t> render_{this};
  CefInterface<cef_context_menu_handler_t> context_menu_{this};
  CefInterface<cef_display_handler_t> display_{this};
  CefInterface<cef_load_handler_t> load_{this};
  CefInterface<cef_request_handler_t> request_{this};
  CefInterface<cef_jsdialog_handler_t> jsdialog_{this};
  CefInterface<cef_dialog_handler_t> dialog_{this};
  CefInterface<cef_download_handler_t> download_{this};

  // Written on thread 0, read by the runtime's threads.
  std::mutex lock_;
  CefRefPtr<cef_browser_t> current_browser_;
  std::vector<CefRefPtr<cef_browser_t>> browsers_;
  std::atomic<HWND> host_window_{nullptr};
  DelegateSlot delegate_;

  // Runtime UI thread only.
  RECT view_rect_ = {};

  // The newest frame of each element type; older frames still queued for
  // thread 0 are dropped.
  std::atomic<unsigned> newest_frame_[2] = {{0}, {0}};

  // Thread 0 only.
  std::vector<qbase::Closure> after_created_tasks_;
  bool detached_ = false;
};

}  // namespace qoz_comp
