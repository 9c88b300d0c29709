#include "browser/browser_handler.h"

#include <memory>
#include <utility>

#include "base/thread_registry.h"
#include "browser/cef_closure_task.h"
#include "browser/cef_manager.h"
#include "browser/cef_string.h"

namespace qoz_comp {

namespace {

template <typename Struct>
BrowserHandler* Of(Struct* self) {
  return CefInterface<Struct>::template OwnerOf<BrowserHandler>(self);
}

template <typename T>
CefRefPtr<T> Adopt(T* object) {
  return CefRefPtr<T>::Adopt(object);
}

CefRefPtr<cef_browser_host_t> HostOf(const CefRefPtr<cef_browser_t>& browser) {
  return Adopt(browser->get_host(browser.get()));
}

}  // namespace

BrowserHandler::BrowserHandler() {
  cef_client_t* client = client_.get();
  client->get_life_span_handler = [](cef_client_t* self) {
    return Of(self)->life_span_.AddRefAndGet();
  };
  client->get_render_handler = [](cef_client_t* self) { return Of(self)->render_.AddRefAndGet(); };
  client->get_display_handler = [](cef_client_t* self) {
    return Of(self)->display_.AddRefAndGet();
  };
  client->get_load_handler = [](cef_client_t* self) { return Of(self)->load_.AddRefAndGet(); };
  client->get_request_handler = [](cef_client_t* self) {
    return Of(self)->request_.AddRefAndGet();
  };
  client->get_jsdialog_handler = [](cef_client_t* self) {
    return Of(self)->jsdialog_.AddRefAndGet();
  };
  client->get_dialog_handler = [](cef_client_t* self) { return Of(self)->dialog_.AddRefAndGet(); };
  client->get_download_handler = [](cef_client_t* self) {
    return Of(self)->download_.AddRefAndGet();
  };
  client->get_context_menu_handler = [](cef_client_t* self) {
    return Of(self)->context_menu_.AddRefAndGet();
  };
  // No context menu is shown: an emptied model shows nothing.
  context_menu_.get()->on_before_context_menu = [](cef_context_menu_handler_t*, cef_browser_t*,
                                                   cef_frame_t*, cef_context_menu_params_t*,
                                                   cef_menu_model_t* model) {
    if (model != nullptr && model->get_count(model) > 0) model->clear(model);
  };
  context_menu_.get()->on_context_menu_command =
      [](cef_context_menu_handler_t* self, cef_browser_t* browser, cef_frame_t* frame,
         cef_context_menu_params_t* params, int command_id, uint32_t event_flags) {
        bool handled = false;
        Of(self)->delegate_.Call([&](HandlerDelegate* delegate) {
          handled = delegate->OnContextMenuCommand(browser, frame, params, command_id,
                                                   static_cast<int>(event_flags));
        });
        return handled ? 1 : 0;
      };
  download_.get()->on_before_download =
      [](cef_download_handler_t* self, cef_browser_t* browser, cef_download_item_t* item,
         const cef_string_t* suggested_name, cef_before_download_callback_t* callback) {
        Of(self)->delegate_.Call([&](HandlerDelegate* delegate) {
          delegate->OnBeforeDownload(browser, item, ToWide(suggested_name), callback);
        });
      };
  download_.get()->on_download_updated = [](cef_download_handler_t* self, cef_browser_t* browser,
                                            cef_download_item_t* item,
                                            cef_download_item_callback_t* callback) {
    Of(self)->delegate_.Call(
        [&](HandlerDelegate* delegate) { delegate->OnDownloadUpdated(browser, item, callback); });
  };
  // Without a delegate the runtime's own answer applies.
  dialog_.get()->on_file_dialog = [](cef_dialog_handler_t* self, cef_browser_t* browser,
                                     cef_file_dialog_mode_t mode, const cef_string_t* title,
                                     const cef_string_t* default_file_path,
                                     cef_string_list_t accept_filters, int selected_accept_filter,
                                     cef_file_dialog_callback_t* callback) {
    std::vector<std::wstring> filters;
    const size_t count = accept_filters != nullptr ? cef_string_list_size(accept_filters) : 0;
    for (size_t i = 0; i < count; ++i) {
      cef_string_t filter = {};
      if (cef_string_list_value(accept_filters, i, &filter)) filters.push_back(ToWide(&filter));
      cef_string_utf16_clear(&filter);
    }
    bool handled = false;
    Of(self)->delegate_.Call([&](HandlerDelegate* delegate) {
      handled = delegate->OnFileDialog(browser, mode, ToWide(title), ToWide(default_file_path),
                                       filters, selected_accept_filter, callback);
    });
    return handled ? 1 : 0;
  };

  cef_life_span_handler_t* life_span = life_span_.get();
  life_span->on_before_popup = [](cef_life_span_handler_t* self, cef_browser_t* browser,
                                  cef_frame_t* frame, const cef_string_t* target_url,
                                  const cef_string_t* target_frame_name,
                                  cef_window_open_disposition_t target_disposition,
                                  int user_gesture, const cef_popup_features_t*, cef_window_info_t*,
                                  cef_client_t**, cef_browser_settings_t*, int*) {
    return Of(self)->OnBeforePopup(browser, frame, target_url, target_frame_name,
                                   target_disposition, user_gesture);
  };
  // The life-cycle tasks hold the handler: the browser count must drop once
  // for every browser, even when the runtime lets go of the handler first.
  life_span->on_after_created = [](cef_life_span_handler_t* self, cef_browser_t* browser) {
    CefRefPtr<cef_client_t> hold(Of(self)->client());
    CefRefPtr<cef_browser_t> created(browser);
    qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [hold, created] {
      Of(hold.get())->OnAfterCreatedOnMainThread(created);
    });
  };
  life_span->on_before_close = [](cef_life_span_handler_t* self, cef_browser_t* browser) {
    CefRefPtr<cef_client_t> hold(Of(self)->client());
    CefRefPtr<cef_browser_t> closing(browser);
    qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [hold, closing] {
      Of(hold.get())->OnBeforeCloseOnMainThread(closing);
    });
  };

  cef_render_handler_t* render = render_.get();
  render->get_root_screen_rect = [](cef_render_handler_t* self, cef_browser_t*, cef_rect_t* rect) {
    return Of(self)->GetRootScreenRect(rect) ? 1 : 0;
  };
  render->get_view_rect = [](cef_render_handler_t* self, cef_browser_t*, cef_rect_t* rect) {
    return Of(self)->GetViewRect(rect) ? 1 : 0;
  };
  render->get_screen_point = [](cef_render_handler_t* self, cef_browser_t*, int view_x, int view_y,
                                int* screen_x, int* screen_y) {
    return Of(self)->GetScreenPoint(view_x, view_y, screen_x, screen_y) ? 1 : 0;
  };
  render->on_popup_show = [](cef_render_handler_t* self, cef_browser_t* browser, int show) {
    CefRefPtr<cef_browser_t> from(browser);
    Of(self)->Post(
        [from, show](HandlerDelegate* delegate) { delegate->OnPopupShow(from, show != 0); });
  };
  render->on_popup_size = [](cef_render_handler_t* self, cef_browser_t* browser,
                             const cef_rect_t* rect) {
    if (rect == nullptr) return;
    CefRefPtr<cef_browser_t> from(browser);
    const cef_rect_t place = *rect;
    Of(self)->Post(
        [from, place](HandlerDelegate* delegate) { delegate->OnPopupSize(from, place); });
  };
  // The page's cursor becomes the host window's: its class cursor shows
  // whenever the window sets the cursor itself.
  render->on_cursor_change = [](cef_render_handler_t* self, cef_browser_t*, HCURSOR cursor) {
    const HWND window = Of(self)->host_window_;
    if (window == nullptr) return;
    SetClassLongPtrW(window, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(cursor));
    SetCursor(cursor);
  };
  render->on_paint = [](cef_render_handler_t* self, cef_browser_t* browser,
                        cef_paint_element_type_t type, size_t dirty_rects_count,
                        const cef_rect_t* dirty_rects, const void* buffer, int width, int height) {
    Of(self)->OnPaint(browser, type, dirty_rects_count, dirty_rects, buffer, width, height);
  };

  cef_display_handler_t* display = display_.get();
  display->on_address_change = [](cef_display_handler_t* self, cef_browser_t* browser,
                                  cef_frame_t* frame, const cef_string_t* url) {
    CefRefPtr<cef_browser_t> from(browser);
    CefRefPtr<cef_frame_t> in(frame);
    Of(self)->Post([from, in, address = ToWide(url)](HandlerDelegate* delegate) {
      delegate->OnAddressChange(from, in, address);
    });
  };
  display->on_title_change = [](cef_display_handler_t* self, cef_browser_t* browser,
                                const cef_string_t* title) {
    CefRefPtr<cef_browser_t> from(browser);
    Of(self)->Post([from, text = ToWide(title)](HandlerDelegate* delegate) {
      delegate->OnTitleChange(from, text);
    });
  };
  // Page messages stay off the log.
  display->on_console_message = [](cef_display_handler_t*, cef_browser_t*, const cef_string_t*,
                                   const cef_string_t*, int) { return 1; };

  cef_load_handler_t* load = load_.get();
  load->on_loading_state_change = [](cef_load_handler_t* self, cef_browser_t* browser,
                                     int is_loading, int can_go_back, int can_go_forward) {
    CefRefPtr<cef_browser_t> from(browser);
    Of(self)->Post([from, is_loading, can_go_back, can_go_forward](HandlerDelegate* delegate) {
      delegate->OnLoadingStateChange(from, is_loading != 0, can_go_back != 0, can_go_forward != 0);
    });
  };
  load->on_load_start = [](cef_load_handler_t* self, cef_browser_t* browser, cef_frame_t* frame) {
    CefRefPtr<cef_browser_t> from(browser);
    CefRefPtr<cef_frame_t> in(frame);
    Of(self)->Post([from, in](HandlerDelegate* delegate) { delegate->OnLoadStart(from, in); });
  };
  load->on_load_end = [](cef_load_handler_t* self, cef_browser_t* browser, cef_frame_t* frame,
                         int status) {
    CefRefPtr<cef_browser_t> from(browser);
    CefRefPtr<cef_frame_t> in(frame);
    Of(self)->Post(
        [from, in, status](HandlerDelegate* delegate) { delegate->OnLoadEnd(from, in, status); });
  };
  load->on_load_error = [](cef_load_handler_t* self, cef_browser_t* browser, cef_frame_t* frame,
                           int error_code, const cef_string_t* error_text,
                           const cef_string_t* failed_url) {
    CefRefPtr<cef_browser_t> from(browser);
    CefRefPtr<cef_frame_t> in(frame);
    Of(self)->Post([from, in, error_code, text = ToWide(error_text),
                    url = ToWide(failed_url)](HandlerDelegate* delegate) {
      delegate->OnLoadError(from, in, error_code, text, url);
    });
  };

  client->on_process_message_received = [](cef_client_t* self, cef_browser_t* browser,
                                           cef_process_id_t, cef_process_message_t* message) {
    return Of(self)->OnProcessMessageReceived(browser, message) ? 1 : 0;
  };

  request_.get()->on_before_browse = [](cef_request_handler_t* self, cef_browser_t* browser,
                                        cef_frame_t* frame, cef_request_t* request,
                                        int is_redirect) {
    bool cancel = false;
    Of(self)->delegate_.Call([&](HandlerDelegate* delegate) {
      cancel = delegate->OnBeforeBrowse(browser, frame, request, is_redirect != 0);
    });
    return cancel ? 1 : 0;
  };
  request_.get()->on_protocol_execution = [](cef_request_handler_t* self, cef_browser_t* browser,
                                             const cef_string_t* url, int* allow_os_execution) {
    if (allow_os_execution == nullptr) return;
    bool allow = *allow_os_execution != 0;
    if (!Of(self)->delegate_.Call([&](HandlerDelegate* delegate) {
          delegate->OnProtocolExecution(browser, ToWide(url), allow);
        })) {
      return;
    }
    *allow_os_execution = allow ? 1 : 0;
  };
  request_.get()->on_before_resource_load = [](cef_request_handler_t* self, cef_browser_t* browser,
                                               cef_frame_t* frame, cef_request_t* request,
                                               cef_request_callback_t* callback) {
    cef_return_value_t answer = RV_CONTINUE;
    Of(self)->delegate_.Call([&](HandlerDelegate* delegate) {
      answer = delegate->OnBeforeResourceLoad(browser, frame, request, callback);
    });
    return answer;
  };
  // Up to 20 MiB of storage for any origin.
  request_.get()->on_quota_request = [](cef_request_handler_t*, cef_browser_t*, const cef_string_t*,
                                        int64_t new_size, cef_request_callback_t* callback) {
    constexpr int64_t kMaxQuota = 20 * 1024 * 1024;
    if (callback != nullptr) callback->cont(callback, new_size <= kMaxQuota ? 1 : 0);
    return 1;
  };
  request_.get()->on_render_process_terminated =
      [](cef_request_handler_t* self, cef_browser_t* browser, cef_termination_status_t status) {
        CefRefPtr<cef_browser_t> from(browser);
        Of(self)->Post([from, status](HandlerDelegate* delegate) {
          delegate->OnRenderProcessTerminated(from, status);
        });
      };

  // No alert, confirm or prompt is shown: each closes at once, cancelled.
  jsdialog_.get()->on_jsdialog = [](cef_jsdialog_handler_t*, cef_browser_t*, const cef_string_t*,
                                    cef_jsdialog_type_t, const cef_string_t*, const cef_string_t*,
                                    cef_jsdialog_callback_t*, int* suppress_message) {
    if (suppress_message != nullptr) *suppress_message = 1;
    return 0;
  };
}

CefRefPtr<cef_browser_t> BrowserHandler::CurrentBrowser() {
  std::lock_guard<std::mutex> hold(lock_);
  return current_browser_;
}

void BrowserHandler::Post(std::function<void(HandlerDelegate*)> call) {
  if (delegate_.attached() == nullptr) return;
  CefRefPtr<cef_client_t> hold(client());
  qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [hold, call = std::move(call)] {
    if (HandlerDelegate* delegate = Of(hold.get())->delegate_.attached()) call(delegate);
  });
}

void BrowserHandler::AttachDelegate(HandlerDelegate* delegate) {
  if (delegate == nullptr && delegate_.attached() != nullptr) detached_ = true;
  delegate_.Attach(delegate);
}

void BrowserHandler::OnAfterCreatedOnMainThread(CefRefPtr<cef_browser_t> browser) {
  if (detached_) {
    // Its control is gone: nobody would ever close it.
    after_created_tasks_.clear();
    CefManager::GetInstance()->IncrementBrowserCount();
    {
      std::lock_guard<std::mutex> hold(lock_);
      browsers_.push_back(browser);
    }
    CefRefPtr<cef_browser_host_t> host = HostOf(browser);
    host->close_browser(host.get(), 1);
    return;
  }
  CefRefPtr<cef_browser_t> previous;
  {
    std::lock_guard<std::mutex> hold(lock_);
    browsers_.push_back(browser);
    previous = std::exchange(current_browser_, browser);
  }
  if (previous) {
    CefRefPtr<cef_browser_host_t> host = HostOf(previous);
    host->was_hidden(host.get(), 1);
  }
  CefManager::GetInstance()->IncrementBrowserCount();
  if (HandlerDelegate* delegate = delegate_.attached()) {
    delegate->OnAfterCreated(browser);
    if (!CefManager::GetInstance()->IsOffscreenRendering()) delegate->RefreshViewPosition();
  }
  std::vector<qbase::Closure> tasks = std::move(after_created_tasks_);
  after_created_tasks_.clear();
  for (const qbase::Closure& task : tasks) task();
}

void BrowserHandler::OnBeforeCloseOnMainThread(CefRefPtr<cef_browser_t> browser) {
  CefManager::GetInstance()->DecrementBrowserCount();
  CefRefPtr<cef_browser_t> shown;
  {
    std::lock_guard<std::mutex> hold(lock_);
    for (auto it = browsers_.begin(); it != browsers_.end(); ++it) {
      if (!(*it)->is_same(it->get(), browser.get())) continue;
      const bool was_current =
          current_browser_ && (*it)->is_same(it->get(), current_browser_.get());
      browsers_.erase(it);
      if (was_current) {
        current_browser_ = browsers_.empty() ? CefRefPtr<cef_browser_t>() : browsers_.back();
        shown = current_browser_;
      }
      break;
    }
  }
  if (shown) {
    CefRefPtr<cef_browser_host_t> host = HostOf(shown);
    host->was_hidden(host.get(), 0);
    shown->reload(shown.get());
  }
  if (HandlerDelegate* delegate = delegate_.attached()) delegate->OnBeforeClose(browser);
}

void BrowserHandler::SetViewRect(const RECT& rect) {
  if (cef_currently_on(TID_UI)) {
    ApplyViewRect(rect);
    return;
  }
  CefRefPtr<cef_client_t> hold(client());
  CefClosureTask::Post(TID_UI, [hold, rect] { Of(hold.get())->ApplyViewRect(rect); });
}

void BrowserHandler::ApplyViewRect(const RECT& rect) {
  view_rect_ = rect;
  if (CefRefPtr<cef_browser_t> browser = CurrentBrowser()) {
    CefRefPtr<cef_browser_host_t> host = HostOf(browser);
    host->was_resized(host.get());
  }
}

void BrowserHandler::AddAfterCreateTask(qbase::Closure task) {
  after_created_tasks_.push_back(std::move(task));
}

void BrowserHandler::CloseAllBrowser() {
  std::vector<CefRefPtr<cef_browser_t>> browsers;
  {
    std::lock_guard<std::mutex> hold(lock_);
    browsers = browsers_;
  }
  CefClosureTask::Post(TID_UI, [browsers] {
    for (const CefRefPtr<cef_browser_t>& browser : browsers) {
      CefRefPtr<cef_browser_host_t> host = HostOf(browser);
      host->close_browser(host.get(), 1);
    }
  });
}

int BrowserHandler::OnBeforePopup(cef_browser_t* browser, cef_frame_t* frame,
                                  const cef_string_t* target_url,
                                  const cef_string_t* target_frame_name,
                                  cef_window_open_disposition_t target_disposition,
                                  int user_gesture) {
  const std::wstring url = ToWide(target_url);
  CefRefPtr<cef_browser_t> current = CurrentBrowser();
  if (!current || url.empty()) return 1;
  bool load = true;
  delegate_.Call([&](HandlerDelegate* delegate) {
    load = delegate->OnBeforePopup(browser, frame, url, ToWide(target_frame_name),
                                   target_disposition, user_gesture != 0);
  });
  if (load) {
    CefRefPtr<cef_frame_t> main_frame = Adopt(current->get_main_frame(current.get()));
    const CefString address(url);
    main_frame->load_url(main_frame.get(), address.get());
  }
  return 1;
}

void BrowserHandler::OnPaint(cef_browser_t* browser, cef_paint_element_type_t type,
                             size_t dirty_rects_count, const cef_rect_t* dirty_rects,
                             const void* buffer, int width, int height) {
  if (delegate_.attached() == nullptr || buffer == nullptr || width <= 0 || height <= 0) return;
  // Each posted frame owns its pixels: the runtime reuses its buffer at once.
  const size_t size = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
  auto frame = std::make_shared<const std::string>(static_cast<const char*>(buffer), size);
  std::vector<cef_rect_t> dirty(dirty_rects, dirty_rects + (dirty_rects ? dirty_rects_count : 0));
  const size_t slot = type == PET_POPUP ? 1 : 0;
  const unsigned number = ++newest_frame_[slot];
  CefRefPtr<cef_browser_t> from(browser);
  CefRefPtr<cef_client_t> hold(client());
  Post([this, hold, from, type, dirty = std::move(dirty), frame, width, height, slot,
        number](HandlerDelegate* delegate) {
    if (newest_frame_[slot] != number) return;
    delegate->OnPaint(from, type, dirty, *frame, width, height);
  });
}

bool BrowserHandler::OnProcessMessageReceived(cef_browser_t* browser,
                                              cef_process_message_t* message) {
  if (message == nullptr) return false;
  cef_string_userfree_t name_text = message->get_name(message);
  const std::wstring name = ToWide(name_text);
  cef_string_userfree_utf16_free(name_text);
  CefRefPtr<cef_list_value_t> arguments = Adopt(message->get_argument_list(message));
  if (!arguments) return false;
  const auto string_at = [&arguments](size_t index) {
    cef_string_userfree_t text = arguments->get_string(arguments.get(), index);
    const std::wstring result = ToWide(text);
    cef_string_userfree_utf16_free(text);
    return result;
  };
  if (name == L"FocusedNodeChanged") return true;
  if (name == L"CallCppFunction") {
    const std::wstring function_name = string_at(0);
    const std::wstring parameters = string_at(1);
    const int id = arguments->get_int(arguments.get(), 2);
    delegate_.Call([&](HandlerDelegate* delegate) {
      delegate->OnCallCppFunction(function_name, parameters, id, browser);
    });
    return true;
  }
  if (name == L"ExecuteCppCallback") {
    const std::wstring result = string_at(0);
    const int id = arguments->get_int(arguments.get(), 1);
    delegate_.Call([&](HandlerDelegate* delegate) { delegate->OnExecuteCppCallback(id, result); });
  }
  return false;
}

bool BrowserHandler::GetViewRect(cef_rect_t* rect) {
  if (rect == nullptr) return false;
  if (delegate_.attached() != nullptr) {
    *rect = {0, 0, view_rect_.right - view_rect_.left, view_rect_.bottom - view_rect_.top};
    return true;
  }
  RECT client_area;
  if (!GetClientRect(host_window_, &client_area)) return false;
  *rect = {0, 0, client_area.right - client_area.left, client_area.bottom - client_area.top};
  return true;
}

bool BrowserHandler::GetRootScreenRect(cef_rect_t* rect) {
  RECT window;
  if (rect == nullptr || !GetWindowRect(GetAncestor(host_window_, GA_ROOT), &window)) return false;
  *rect = {window.left, window.top, window.right - window.left, window.bottom - window.top};
  return true;
}

bool BrowserHandler::GetScreenPoint(int view_x, int view_y, int* screen_x, int* screen_y) {
  HWND window = host_window_;
  if (!IsWindow(window) || screen_x == nullptr || screen_y == nullptr) return false;
  POINT point = {view_x, view_y};
  ClientToScreen(window, &point);
  *screen_x = point.x;
  *screen_y = point.y;
  return true;
}

}  // namespace qoz_comp
