#pragma once

#include <windows.h>

#include <cmath>

namespace test_support {

// Moves the real mouse to a screen point: absolute input needs the rounded-up
// share of the screen.
inline void MoveMouseTo(int x, int y) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = static_cast<LONG>(std::ceil(x * 65536.0 / GetSystemMetrics(SM_CXSCREEN)));
  input.mi.dy = static_cast<LONG>(std::ceil(y * 65536.0 / GetSystemMetrics(SM_CYSCREEN)));
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &input, sizeof(input));
}

// A button or wheel action of the real mouse where it is.
inline void MouseButton(DWORD flags, DWORD data = 0) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  input.mi.mouseData = data;
  SendInput(1, &input, sizeof(input));
}

}  // namespace test_support
