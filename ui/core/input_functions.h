#pragma once

#include <windows.h>

namespace ui {

// The touch and pointer functions of user32, which older systems lack: they
// are looked up by name, once per process, so that a missing one never stops
// the program from loading. Tests put their own in place to drive synthetic
// touch and pointer messages. UI thread only.
class InputFunctions {
 public:
  virtual ~InputFunctions() = default;

  // Each is false when the function is missing or fails.
  virtual bool RegisterTouchWindow(HWND window) = 0;
  virtual bool UnregisterTouchWindow(HWND window) = 0;
  virtual bool GetTouchInputInfo(HTOUCHINPUT input, UINT count, TOUCHINPUT* inputs) = 0;
  virtual bool CloseTouchInputHandle(HTOUCHINPUT input) = 0;
  virtual bool GetPointerType(UINT32 pointer, POINTER_INPUT_TYPE* type) = 0;
  virtual bool GetPointerTouchInfo(UINT32 pointer, POINTER_TOUCH_INFO* info) = 0;
  virtual bool GetPointerPenInfo(UINT32 pointer, POINTER_PEN_INFO* info) = 0;

  // The functions in force: the system's unless others were set.
  static InputFunctions* Get();
  // Not owned; null puts the system's back.
  static void Set(InputFunctions* functions);
};

}  // namespace ui
