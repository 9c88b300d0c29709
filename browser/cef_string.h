#pragma once

#include <string>

#include "browser/runtime/cef_capi.h"

namespace qoz_comp {

// A runtime string that owns its text: lent to the runtime for a call through
// get(), which stays valid while the object lives and is not changed.
class CefString {
 public:
  CefString() = default;
  CefString(std::wstring text) : text_(std::move(text)) {}  // NOLINT: implicit, like a string
  CefString(const wchar_t* text) : text_(text) {}           // NOLINT
  // A copy of a runtime string; null reads as empty.
  static CefString From(const cef_string_t* text);

  const cef_string_t* get() const;
  const std::wstring& text() const { return text_; }
  bool empty() const { return text_.empty(); }
  bool operator==(const CefString& other) const { return text_ == other.text_; }

 private:
  std::wstring text_;
  mutable cef_string_t view_ = {};
};

// The text of a runtime string; empty for null.
std::wstring ToWide(const cef_string_t* text);

}  // namespace qoz_comp
