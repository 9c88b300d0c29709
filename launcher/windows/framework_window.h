#pragma once

#include <windows.h>

#include "ui/core/window.h"

// The framework window of `hwnd`; null for a null handle or a window the
// framework does not list (gone, or not one of its own).
ui::Window* FindFrameworkWindow(HWND hwnd);
