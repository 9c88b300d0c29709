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

}  // namespace qoz_runtime
