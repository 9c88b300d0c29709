#include "browser/cef_js_bridge.h"

#include <vector>

#include "base/string_util.h"
#include "base/thread_registry.h"
#include "browser/cef_string.h"

namespace qoz_comp {

namespace {

constexpr wchar_t kFunctionMissing[] = L"{\"message\":\"Function does not exist.\"}";

template <typename T>
CefRefPtr<T> Adopt(T* object) {
  return CefRefPtr<T>::Adopt(object);
}

CefRefPtr<cef_process_message_t> CreateMessage(const wchar_t* name) {
  const CefString text(name);
  return Adopt(cef_process_message_create(text.get()));
}

CefRefPtr<cef_list_value_t> ArgumentsOf(const CefRefPtr<cef_process_message_t>& message) {
  return Adopt(message->get_argument_list(message.get()));
}

void SetString(const CefRefPtr<cef_list_value_t>& list, size_t index, const std::wstring& text) {
  const CefString value(text);
  list->set_string(list.get(), index, value.get());
}

CefRefPtr<cef_v8value_t> Member(const CefRefPtr<cef_v8value_t>& object, const wchar_t* key) {
  if (!object) return CefRefPtr<cef_v8value_t>();
  const CefString name(key);
  return Adopt(object->get_value_bykey(object.get(), name.get()));
}

CefRefPtr<cef_v8value_t> Call(const CefRefPtr<cef_v8value_t>& function,
                              const std::vector<CefRefPtr<cef_v8value_t>>& arguments) {
  if (!function) return CefRefPtr<cef_v8value_t>();
  std::vector<cef_v8value_t*> list;
  for (const CefRefPtr<cef_v8value_t>& argument : arguments) list.push_back(argument.get());
  return Adopt(function->execute_function(function.get(), nullptr, list.size(),
                                          list.empty() ? nullptr : list.data()));
}

CefRefPtr<cef_v8value_t> StringValue(const std::wstring& text) {
  const CefString value(text);
  return Adopt(cef_v8value_create_string(value.get()));
}

std::wstring StringOf(const CefRefPtr<cef_v8value_t>& value) {
  cef_string_userfree_t text = value->get_string_value(value.get());
  const std::wstring result = ToWide(text);
  cef_string_userfree_utf16_free(text);
  return result;
}

int64_t FrameIdOf(const CefRefPtr<cef_v8context_t>& context) {
  CefRefPtr<cef_frame_t> frame = Adopt(context->get_frame(context.get()));
  return frame ? frame->get_identifier(frame.get()) : -1;
}

bool SameContext(const CefRefPtr<cef_v8context_t>& first,
                 const CefRefPtr<cef_v8context_t>& second) {
  return first && second && first->is_same(first.get(), second.get()) != 0;
}

void Send(const CefRefPtr<cef_browser_t>& browser, cef_process_id_t target,
          const CefRefPtr<cef_process_message_t>& message) {
  if (browser) browser->send_process_message(browser.get(), target, message.get());
}

}  // namespace

bool CefJSBridge::CallCppFunction(const std::wstring& function_name, const std::wstring& parameters,
                                  CefRefPtr<cef_v8value_t> callback) {
  const int32_t id = next_id_;
  if (page_callbacks_.count(id) != 0) return false;
  CefRefPtr<cef_v8context_t> context = Adopt(cef_v8context_get_current_context());
  if (!context) return false;
  CefRefPtr<cef_process_message_t> message = CreateMessage(L"CallCppFunction");
  CefRefPtr<cef_list_value_t> arguments = ArgumentsOf(message);
  SetString(arguments, 0, function_name);
  SetString(arguments, 1, parameters);
  arguments->set_int(arguments.get(), 2, id);
  // Wraps from the largest id to the smallest without signed overflow.
  next_id_ = static_cast<int32_t>(static_cast<uint32_t>(id) + 1u);
  page_callbacks_[id] = {context, callback};
  Send(Adopt(context->get_browser(context.get())), PID_BROWSER, message);
  return true;
}

bool CefJSBridge::OnExecuteJsCallback(int id, bool has_error, const std::wstring& result) {
  const auto found = page_callbacks_.find(id);
  if (found == page_callbacks_.end()) return false;
  const PageCallback callback = found->second;
  callback.context->enter(callback.context.get());
  CefRefPtr<cef_v8value_t> global = Adopt(callback.context->get_global(callback.context.get()));
  CefRefPtr<cef_v8value_t> parse = Member(Member(global, L"JSON"), L"parse");
  CefRefPtr<cef_v8value_t> parsed = Call(parse, {StringValue(result)});
  Call(callback.function, {Adopt(cef_v8value_create_bool(has_error ? 1 : 0)), parsed});
  callback.context->exit(callback.context.get());
  page_callbacks_.erase(id);
  return true;
}

bool CefJSBridge::RegisterJsFunction(const std::wstring& function_name,
                                     CefRefPtr<cef_v8value_t> function) {
  CefRefPtr<cef_v8context_t> context = Adopt(cef_v8context_get_current_context());
  if (!context) return false;
  const auto key = std::make_pair(function_name, FrameIdOf(context));
  if (page_functions_.count(key) != 0) return false;
  page_functions_[key] = function;
  return true;
}

bool CefJSBridge::OnCallJsFunction(const std::wstring& function_name,
                                   const std::wstring& parameters, CefRefPtr<cef_frame_t> frame,
                                   int native_callback_id) {
  if (!frame) return false;
  const auto found =
      page_functions_.find(std::make_pair(function_name, frame->get_identifier(frame.get())));
  if (found == page_functions_.end()) return false;
  CefRefPtr<cef_v8context_t> context = Adopt(frame->get_v8context(frame.get()));
  const CefRefPtr<cef_v8value_t> function = found->second;
  if (!context || !function) return false;
  context->enter(context.get());
  CefRefPtr<cef_v8value_t> json = Member(Adopt(context->get_global(context.get())), L"JSON");
  CefRefPtr<cef_v8value_t> argument = Call(Member(json, L"parse"), {StringValue(parameters)});
  CefRefPtr<cef_v8value_t> value = Call(function, {argument});
  // Only an object answers: anything else leaves the native side waiting.
  if (value && value->is_object(value.get())) {
    CefRefPtr<cef_v8value_t> text = Call(Member(json, L"stringify"), {value});
    CefRefPtr<cef_process_message_t> message = CreateMessage(L"ExecuteCppCallback");
    CefRefPtr<cef_list_value_t> arguments = ArgumentsOf(message);
    SetString(arguments, 0, text ? StringOf(text) : std::wstring());
    arguments->set_int(arguments.get(), 1, native_callback_id);
    Send(Adopt(context->get_browser(context.get())), PID_BROWSER, message);
  }
  context->exit(context.get());
  return true;
}

void CefJSBridge::OnContextReleased(CefRefPtr<cef_frame_t> frame) {
  if (!frame) return;
  CefRefPtr<cef_v8context_t> context = Adopt(frame->get_v8context(frame.get()));
  for (auto it = page_callbacks_.begin(); it != page_callbacks_.end();) {
    it = SameContext(it->second.context, context) ? page_callbacks_.erase(it) : std::next(it);
  }
  CefRefPtr<cef_browser_t> browser = Adopt(frame->get_browser(frame.get()));
  if (!browser) return;
  for (auto it = page_functions_.begin(); it != page_functions_.end();) {
    CefRefPtr<cef_frame_t> owner = Adopt(browser->get_frame(browser.get(), it->first.second));
    CefRefPtr<cef_v8context_t> owner_context =
        owner ? Adopt(owner->get_v8context(owner.get())) : CefRefPtr<cef_v8context_t>();
    it = SameContext(owner_context, context) ? page_functions_.erase(it) : std::next(it);
  }
}

bool CefJSBridge::OnCallCppFunction(const std::wstring& function_name,
                                    const std::wstring& parameters, int id,
                                    CefRefPtr<cef_browser_t> browser) {
  if (!browser) return false;
  CefRefPtr<cef_process_message_t> message = CreateMessage(L"ExecuteJsCallback");
  auto found =
      native_functions_.find(std::make_pair(function_name, browser->get_identifier(browser.get())));
  if (found == native_functions_.end()) found = native_functions_.find({function_name, -1});
  if (found == native_functions_.end()) {
    CefRefPtr<cef_list_value_t> arguments = ArgumentsOf(message);
    arguments->set_int(arguments.get(), 0, id);
    arguments->set_bool(arguments.get(), 1, 1);
    SetString(arguments, 2, kFunctionMissing);
    Send(browser, PID_RENDERER, message);
    return false;
  }
  const CppFunction function = found->second;
  qbase::ThreadRegistry::PostTask(
      qbase::kMainThreadId, [function, parameters, message, id, browser] {
        function(qbase::WideToUtf8(parameters),
                 [message, id, browser](bool has_error, const std::string& result) {
                   CefRefPtr<cef_list_value_t> arguments = ArgumentsOf(message);
                   arguments->set_int(arguments.get(), 0, id);
                   arguments->set_bool(arguments.get(), 1, has_error ? 1 : 0);
                   SetString(arguments, 2, qbase::Utf8ToWide(result));
                   Send(browser, PID_RENDERER, message);
                 });
      });
  return true;
}

bool CefJSBridge::OnExecuteCppCallback(int id, const std::wstring& result) {
  const auto found = native_callbacks_.find(id);
  if (found == native_callbacks_.end()) return false;
  const CppCallback callback = found->second;
  qbase::ThreadRegistry::PostTask(qbase::kMainThreadId,
                                  [callback, result] { callback(qbase::WideToUtf8(result)); });
  native_callbacks_.erase(found);
  return false;
}

}  // namespace qoz_comp
