#pragma once

#include <windows.h>

#include "launcher/core/command_line.h"

// Names both the single-instance semaphore and the main window's property,
// whose value is the window's own handle.
constexpr wchar_t kSingleInstanceName[] = L"_QEL_LAUNCHER_TW";

// The whole life of the process, called by wWinMain: working folder, command
// line and tool modes, single instance, browser runtime, MainThread. Returns
// the exit code, which is 0 on every path.
int LauncherMain();

// The first instance's main window: the first top-level window, in z-order,
// whose kSingleInstanceName property holds its own handle; null when none.
HWND FindFirstInstanceWindow();

// Brings the first instance's window and its last active popup to the front,
// telling a hidden one to show itself with WM_SHOW_LAUNCHER.
void ActivateFirstInstance(HWND window);
