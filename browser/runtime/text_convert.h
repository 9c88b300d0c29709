#pragma once

#include <string>

#include "browser/runtime/cef_capi.h"

namespace qoz_runtime {

// UTF-8 and UTF-16 conversions of the runtime; empty for empty or invalid
// input.
std::wstring ToWide(const std::string& text);
std::string ToUtf8(const std::wstring& text);

// A copy of a runtime string; empty for null.
std::wstring FromCef(const cef_string_t* text);

}  // namespace qoz_runtime
