#include "browser/client_app.h"

#include "browser/cef_manager.h"
#include "browser/cef_string.h"
#include "browser/runtime/cef_ref_ptr.h"

namespace qoz_comp {

namespace {

template <typename Struct>
ClientApp* Of(Struct* self) {
  return CefInterface<Struct>::template OwnerOf<ClientApp>(self);
}

}  // namespace

ClientApp::ClientApp() {
  cef_app_t* app = app_.get();
  app->on_before_command_line_processing = [](cef_app_t* self, const cef_string_t* process_type,
                                              cef_command_line_t* command_line) {
    Of(self)->OnBeforeCommandLineProcessing(process_type, command_line);
  };
  app->on_register_custom_schemes = [](cef_app_t* self, cef_scheme_registrar_t*) {
    Of(self)->OnRegisterCustomSchemes();
  };
  app->get_browser_process_handler = [](cef_app_t* self) {
    return Of(self)->browser_process_.AddRefAndGet();
  };
  app->get_render_process_handler = [](cef_app_t* self) {
    return Of(self)->render_process_.AddRefAndGet();
  };
  browser_process_.get()->on_context_initialized = [](cef_browser_process_handler_t* self) {
    Of(self)->OnContextInitialized();
  };
}

void ClientApp::OnBeforeCommandLineProcessing(const cef_string_t* process_type,
                                              cef_command_line_t* command_line) {
  if (command_line == nullptr || !ToWide(process_type).empty()) return;
  const auto append = [command_line](const wchar_t* name, const wchar_t* value = nullptr) {
    const CefString switch_name(name);
    if (value == nullptr) {
      command_line->append_switch(command_line, switch_name.get());
    } else {
      const CefString switch_value(value);
      command_line->append_switch_with_value(command_line, switch_name.get(), switch_value.get());
    }
  };
  append(L"ppapi-flash-version", L"20.0.0.228");
  append(L"ppapi-flash-path", L"PepperFlash\\pepflashplayer.dll");
  append(L"process-per-site");
  append(L"disable-gpu");
  append(L"disable-gpu-compositing");
  if (CefManager::GetInstance()->IsOffscreenRendering()) {
    append(L"disable-surfaces");
    append(L"enable-begin-frame-scheduling");
  }
}

void ClientApp::OnRegisterCustomSchemes() {
  cookie_schemes_.push_back(L"http");
  cookie_schemes_.push_back(L"https");
}

void ClientApp::OnContextInitialized() {
  CefRefPtr<cef_cookie_manager_t> manager =
      CefRefPtr<cef_cookie_manager_t>::Adopt(cef_cookie_manager_get_global_manager(nullptr));
  if (!manager || manager->set_supported_schemes == nullptr) return;
  cef_string_list_t schemes = cef_string_list_alloc();
  for (const std::wstring& scheme : cookie_schemes_) {
    const CefString text(scheme);
    cef_string_list_append(schemes, text.get());
  }
  manager->set_supported_schemes(manager.get(), schemes, nullptr);
  cef_string_list_free(schemes);
}

}  // namespace qoz_comp
