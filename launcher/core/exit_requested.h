#pragma once

#include <atomic>

// Set by the main window when the launcher is asked to exit; a streaming
// patch apply on the worker stops at its next check. The apply stage clears
// it before it applies anything. Atomic: written and read on two threads.
extern std::atomic<bool> ExitRequested;
