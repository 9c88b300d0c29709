#include "browser/runtime/lent_string.h"

namespace qoz_runtime {

LentString::LentString(const std::wstring& text) : text_(text) {
  value_.str = const_cast<wchar_t*>(text_.c_str());
  value_.length = text_.size();
}

}  // namespace qoz_runtime
