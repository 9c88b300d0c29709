#pragma once

#include <windows.h>

namespace test_support {

// A popup menu window ("#32768") of this process, or null; `shown_only`
// skips hidden ones.
HWND FindMenuWindow(bool shown_only);

}  // namespace test_support
