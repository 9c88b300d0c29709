#include "browser/cef_string.h"

namespace qoz_comp {

CefString CefString::From(const cef_string_t* text) { return CefString(ToWide(text)); }

const cef_string_t* CefString::get() const {
  view_.str = const_cast<wchar_t*>(text_.c_str());
  view_.length = text_.size();
  view_.dtor = nullptr;
  return &view_;
}

std::wstring ToWide(const cef_string_t* text) {
  if (text == nullptr || text->str == nullptr) return std::wstring();
  return std::wstring(text->str, text->length);
}

}  // namespace qoz_comp
