#include "browser/cef_js_handler.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "base/string_util.h"
#include "browser/cef_string.h"

namespace qoz_comp {

const wchar_t kPageObjectExtensionName[] = L"v8/extern";
const wchar_t kPageObjectExtensionCode[] =
    L"var QozCefWebInstance = {};\n"
    L"(() => {\n"
    L"  QozCefWebInstance.call = (functionName, arg1, arg2) => {\n"
    L"    if (typeof arg1 === 'function') {\n"
    L"      native function call();\n"
    L"      return call(functionName, arg1);\n"
    L"    } else {\n"
    L"      const jsonString = JSON.stringify(arg1);\n"
    L"      native function call();\n"
    L"      return call(functionName, jsonString, arg2);\n"
    L"    }\n"
    L"  };\n"
    L"  QozCefWebInstance.register = (functionName, callback) => {\n"
    L"    native function register();\n"
    L"    return register(functionName, callback);\n"
    L"  };\n"
    L"})();\n";

namespace {

constexpr wchar_t kInvalidArguments[] = L"Invalid arguments.";
constexpr size_t kFirstFormatSize = 1024;
constexpr size_t kLastFormatSize = 32u << 20;

bool IsString(cef_v8value_t* value) { return value != nullptr && value->is_string(value) != 0; }
bool IsFunction(cef_v8value_t* value) { return value != nullptr && value->is_function(value) != 0; }

std::wstring StringOf(cef_v8value_t* value) {
  if (!IsString(value)) return std::wstring();
  cef_string_userfree_t text = value->get_string_value(value);
  const std::wstring result = ToWide(text);
  cef_string_userfree_utf16_free(text);
  return result;
}

}  // namespace

CefJSHandler::CefJSHandler() {
  handler_.get()->execute = [](cef_v8handler_t* self, const cef_string_t* name, cef_v8value_t*,
                               size_t arguments_count, cef_v8value_t* const* arguments,
                               cef_v8value_t**, cef_string_t* exception) {
    CefJSHandler* handler = CefInterface<cef_v8handler_t>::OwnerOf<CefJSHandler>(self);
    std::wstring text;
    const bool handled = handler->Execute(ToWide(name), arguments != nullptr ? arguments_count : 0,
                                          arguments, &text);
    if (!text.empty() && exception != nullptr) {
      cef_string_utf16_set(text.data(), text.size(), exception, 1);
    }
    return handled ? 1 : 0;
  };
}

bool CefJSHandler::Execute(const std::wstring& name, size_t arguments_count,
                           cef_v8value_t* const* arguments, std::wstring* exception) {
  if (arguments_count < 2) {
    *exception = kInvalidArguments;
    return false;
  }
  if (name == L"call") {
    const std::wstring function_name = StringOf(arguments[0]);
    std::wstring parameters = L"{}";
    CefRefPtr<cef_v8value_t> callback;
    if (IsString(arguments[0]) && IsFunction(arguments[1])) {
      callback = arguments[1];
    } else if (arguments_count >= 3 && IsString(arguments[0]) && IsString(arguments[1]) &&
               IsFunction(arguments[2])) {
      parameters = StringOf(arguments[1]);
      callback = arguments[2];
    } else {
      *exception = kInvalidArguments;
      return false;
    }
    if (!bridge_ || !bridge_->CallCppFunction(function_name, parameters, callback)) {
      *exception = qbase::Utf8ToWide(
          FormatNarrow("Failed to call function %s.", qbase::WideToUtf8(function_name).c_str()));
      return false;
    }
    return true;
  }
  if (name == L"register") {
    if (!IsString(arguments[0]) || !IsFunction(arguments[1])) {
      *exception = kInvalidArguments;
      return false;
    }
    const std::wstring function_name = qbase::Utf8ToWide(qbase::WideToUtf8(StringOf(arguments[0])));
    if (!bridge_ || !bridge_->RegisterJsFunction(function_name, arguments[1])) {
      *exception = L"Failed to register function.";
      return false;
    }
    return true;
  }
  return false;
}

std::string FormatNarrow(const char* format, ...) {
  for (size_t size = kFirstFormatSize; size <= kLastFormatSize; size *= 2) {
    std::vector<char> buffer(size);
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vsnprintf(buffer.data(), size, format, arguments);
    va_end(arguments);
    if (written < 0) return std::string();
    if (static_cast<size_t>(written) < size) return std::string(buffer.data(), written);
  }
  return std::string();
}

}  // namespace qoz_comp
