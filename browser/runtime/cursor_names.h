#pragma once

#include <windows.h>

#include <string>

namespace qoz_runtime {

// The system cursor (an IDC_ resource of the system) that stands for a CSS
// cursor name; the arrow for names without one.
LPCWSTR SystemCursorFor(const std::string& css_name);

}  // namespace qoz_runtime
