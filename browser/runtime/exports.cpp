// The C interface of the runtime library.
#include <string>

#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_counted.h"
#include "browser/runtime/cef_ref_ptr.h"
#include "browser/runtime/process_message.h"
#include "browser/runtime/runtime.h"
#include "browser/runtime/text_convert.h"
#include "browser/runtime/v8_value.h"

namespace {

#ifdef QOZ_LIBCEF_FOREIGN_HASH
// A build that stands for a runtime of another interface version.
constexpr char kApiHash[] = "0000000000000000000000000000000000000000";
#else
constexpr char kApiHash[] = "64b27477b82b44b51ce817522f744fca6768cbbb";
#endif

// The runtime keeps the cookies of http and https whatever the application
// names; the list is taken and nothing else changes.
class CookieManager : public CefRefCounted {
 public:
  CookieManager() {
    manager_.get()->set_supported_schemes = [](cef_cookie_manager_t*, cef_string_list_t,
                                               cef_completion_callback_t* callback) {
      if (callback != nullptr && callback->on_complete != nullptr) callback->on_complete(callback);
    };
  }
  cef_cookie_manager_t* AddRefAndGet() { return manager_.AddRefAndGet(); }

 private:
  CefInterface<cef_cookie_manager_t> manager_{this};
};

}  // namespace

const char* cef_api_hash(int) { return kApiHash; }

void cef_enable_highdpi_support(void) { SetProcessDPIAware(); }

int cef_execute_process(const cef_main_args_t*, cef_app_t*, void*) {
  // The host browser runs its own sub-processes: a process of this runtime is
  // always the browser process, unless it was started as a sub-process.
  const std::wstring command_line = GetCommandLineW();
  return command_line.find(L"--type=") == std::wstring::npos ? -1 : 0;
}

int cef_initialize(const cef_main_args_t*, const cef_settings_t* settings, cef_app_t* application,
                   void*) {
  if (settings == nullptr || settings->size != sizeof(cef_settings_t)) return 0;
  return qoz_runtime::Runtime::Get().Initialize(*settings, application) ? 1 : 0;
}

void cef_shutdown(void) { qoz_runtime::Runtime::Get().Shutdown(); }

void cef_do_message_loop_work(void) {}

int cef_currently_on(cef_thread_id_t thread_id) {
  return qoz_runtime::Runtime::Get().CurrentlyOn(thread_id) ? 1 : 0;
}

int cef_post_task(cef_thread_id_t thread_id, cef_task_t* task) {
  if (task == nullptr) return 0;
  CefRefPtr<cef_task_t> hold(task);
  return qoz_runtime::Runtime::Get().PostTask(thread_id,
                                              [hold] {
                                                if (hold->execute != nullptr) {
                                                  hold->execute(hold.get());
                                                }
                                              })
             ? 1
             : 0;
}

int cef_browser_host_create_browser(const cef_window_info_t* window_info, cef_client_t* client,
                                    const cef_string_t* url, const cef_browser_settings_t*, void*) {
  cef_window_info_t info = {};
  if (window_info != nullptr) info = *window_info;
  const std::wstring address =
      url != nullptr && url->str != nullptr ? std::wstring(url->str, url->length) : std::wstring();
  return qoz_runtime::Runtime::Get().CreateBrowser(info, client, address) ? 1 : 0;
}

int cef_register_extension(const cef_string_t* extension_name, const cef_string_t* javascript_code,
                           cef_v8handler_t* handler) {
  qoz_runtime::Runtime& runtime = qoz_runtime::Runtime::Get();
  if (!runtime.CurrentlyOn(TID_RENDERER)) return 0;
  return runtime.render_side().RegisterExtension(qoz_runtime::FromCef(extension_name),
                                                 qoz_runtime::FromCef(javascript_code), handler)
             ? 1
             : 0;
}

cef_v8context_t* cef_v8context_get_current_context(void) {
  qoz_runtime::Runtime& runtime = qoz_runtime::Runtime::Get();
  if (!runtime.CurrentlyOn(TID_RENDERER)) return nullptr;
  return runtime.render_side().CurrentContext();
}

cef_v8value_t* cef_v8value_create_bool(int value) {
  qoz_runtime::V8Value* created = qoz_runtime::V8Value::Bool(value != 0);
  created->AddRef();
  return created->get();
}

cef_v8value_t* cef_v8value_create_string(const cef_string_t* value) {
  qoz_runtime::V8Value* created = qoz_runtime::V8Value::String(qoz_runtime::FromCef(value));
  created->AddRef();
  return created->get();
}

cef_process_message_t* cef_process_message_create(const cef_string_t* name) {
  qoz_runtime::ProcessMessage* created =
      new qoz_runtime::ProcessMessage(qoz_runtime::FromCef(name));
  created->AddRef();
  return created->get();
}

cef_cookie_manager_t* cef_cookie_manager_get_global_manager(cef_completion_callback_t*) {
  return (new CookieManager())->AddRefAndGet();
}
