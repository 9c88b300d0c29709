#include "browser/client_app.h"

#include "browser/cef_js_handler.h"
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
  cef_render_process_handler_t* render = render_process_.get();
  render->on_web_kit_initialized = [](cef_render_process_handler_t* self) {
    Of(self)->OnWebKitInitialized();
  };
  render->on_browser_created = [](cef_render_process_handler_t* self, cef_browser_t*) {
    Of(self)->OnBrowserCreated();
  };
  render->on_context_released = [](cef_render_process_handler_t* self, cef_browser_t*,
                                   cef_frame_t* frame,
                                   cef_v8context_t*) { Of(self)->OnContextReleased(frame); };
  render->on_focused_node_changed = [](cef_render_process_handler_t* self, cef_browser_t* browser,
                                       cef_frame_t*, cef_domnode_t* node) {
    Of(self)->OnFocusedNodeChanged(browser, node);
  };
  render->on_process_message_received = [](cef_render_process_handler_t* self,
                                           cef_browser_t* browser, cef_process_id_t,
                                           cef_process_message_t* message) {
    Of(self)->OnProcessMessageReceived(browser, message);
    return 0;
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

void ClientApp::OnWebKitInitialized() {
  CefJSHandler* handler = new CefJSHandler();
  CefRefPtr<cef_v8handler_t> hold(handler->handler());
  if (!render_bridge_) render_bridge_ = std::make_shared<CefJSBridge>();
  handler->set_bridge(render_bridge_);
  const CefString name(kPageObjectExtensionName);
  const CefString code(kPageObjectExtensionCode);
  cef_register_extension(name.get(), code.get(), handler->handler());
}

void ClientApp::OnBrowserCreated() {
  if (!render_bridge_) render_bridge_ = std::make_shared<CefJSBridge>();
}

void ClientApp::OnContextReleased(cef_frame_t* frame) {
  if (render_bridge_) render_bridge_->OnContextReleased(frame);
}

void ClientApp::OnProcessMessageReceived(cef_browser_t* browser, cef_process_message_t* message) {
  if (browser == nullptr || message == nullptr || !render_bridge_) return;
  cef_string_userfree_t name_text = message->get_name(message);
  const std::wstring name = ToWide(name_text);
  cef_string_userfree_utf16_free(name_text);
  CefRefPtr<cef_list_value_t> arguments =
      CefRefPtr<cef_list_value_t>::Adopt(message->get_argument_list(message));
  if (!arguments) return;
  const auto string_at = [&arguments](size_t index) {
    cef_string_userfree_t text = arguments->get_string(arguments.get(), index);
    const std::wstring result = ToWide(text);
    cef_string_userfree_utf16_free(text);
    return result;
  };
  if (name == L"ExecuteJsCallback") {
    render_bridge_->OnExecuteJsCallback(arguments->get_int(arguments.get(), 0),
                                        arguments->get_bool(arguments.get(), 1) != 0, string_at(2));
  } else if (name == L"CallJsFunction") {
    const int frame_id = arguments->get_int(arguments.get(), 3);
    CefRefPtr<cef_frame_t> frame = CefRefPtr<cef_frame_t>::Adopt(
        frame_id < 0 ? browser->get_main_frame(browser)
                     : browser->get_frame(browser, static_cast<int64_t>(frame_id)));
    if (frame) {
      render_bridge_->OnCallJsFunction(string_at(0), string_at(1), frame,
                                       arguments->get_int(arguments.get(), 2));
    }
  }
}

void ClientApp::OnFocusedNodeChanged(cef_browser_t* browser, cef_domnode_t* node) {
  const bool editable = node != nullptr && node->is_editable(node) != 0;
  if (browser == nullptr || editable == last_editable_) return;
  last_editable_ = editable;
  const CefString name(L"FocusedNodeChanged");
  CefRefPtr<cef_process_message_t> message =
      CefRefPtr<cef_process_message_t>::Adopt(cef_process_message_create(name.get()));
  if (!message) return;
  CefRefPtr<cef_list_value_t> arguments =
      CefRefPtr<cef_list_value_t>::Adopt(message->get_argument_list(message.get()));
  arguments->set_bool(arguments.get(), 0, editable ? 1 : 0);
  browser->send_process_message(browser, PID_BROWSER, message.get());
}

}  // namespace qoz_comp
