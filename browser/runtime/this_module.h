#pragma once

#include <windows.h>

namespace qoz_runtime {

// The runtime library's own module, which its window classes belong to.
HINSTANCE ThisModule();

}  // namespace qoz_runtime
