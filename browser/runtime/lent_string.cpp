#include "browser/runtime/lent_string.h"

namespace qoz_runtime {

LentString::LentString(const std::wstring& text) : text_(text) {
  value_.str = const_cast<wchar_t*>(text_.c_str());
  value_.length = text_.size();
}

cef_string_userfree_t UserFreeCopy(const std::wstring& text) {
  cef_string_userfree_t result = cef_string_userfree_utf16_alloc();
  cef_string_utf16_set(text.data(), text.size(), result, 1);
  return result;
}

}  // namespace qoz_runtime
