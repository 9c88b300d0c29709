#pragma once

#include <string>

#include "browser/runtime/cef_capi.h"

namespace qoz_runtime {

// A runtime string lent to a callback for the duration of the call; it owns
// the text it points at.
class LentString {
 public:
  explicit LentString(const std::wstring& text);
  LentString(const LentString&) = delete;
  LentString& operator=(const LentString&) = delete;

  const cef_string_t* get() const { return &value_; }

 private:
  std::wstring text_;
  cef_string_t value_ = {};
};

// A copy of `text` given to a caller, who frees it with
// cef_string_userfree_utf16_free.
cef_string_userfree_t UserFreeCopy(const std::wstring& text);

}  // namespace qoz_runtime
