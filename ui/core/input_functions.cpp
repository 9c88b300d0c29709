#include "ui/core/input_functions.h"

namespace ui {

namespace {

template <typename Function>
Function Lookup(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (!user32) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

class SystemInputFunctions final : public InputFunctions {
 public:
  bool RegisterTouchWindow(HWND window) override {
    return register_touch_ && register_touch_(window, 0);
  }
  bool UnregisterTouchWindow(HWND window) override {
    return unregister_touch_ && unregister_touch_(window);
  }
  bool GetTouchInputInfo(HTOUCHINPUT input, UINT count, TOUCHINPUT* inputs) override {
    return get_touch_info_ &&
           get_touch_info_(input, count, inputs, static_cast<int>(sizeof(TOUCHINPUT)));
  }
  bool CloseTouchInputHandle(HTOUCHINPUT input) override {
    return close_touch_ && close_touch_(input);
  }
  bool GetPointerType(UINT32 pointer, POINTER_INPUT_TYPE* type) override {
    return get_pointer_type_ && get_pointer_type_(pointer, type);
  }
  bool GetPointerTouchInfo(UINT32 pointer, POINTER_TOUCH_INFO* info) override {
    return get_pointer_touch_ && get_pointer_touch_(pointer, info);
  }
  bool GetPointerPenInfo(UINT32 pointer, POINTER_PEN_INFO* info) override {
    return get_pointer_pen_ && get_pointer_pen_(pointer, info);
  }

 private:
  using RegisterTouch = BOOL(WINAPI*)(HWND, ULONG);
  using UnregisterTouch = BOOL(WINAPI*)(HWND);
  using GetTouchInfo = BOOL(WINAPI*)(HTOUCHINPUT, UINT, PTOUCHINPUT, int);
  using CloseTouch = BOOL(WINAPI*)(HTOUCHINPUT);
  using GetType = BOOL(WINAPI*)(UINT32, POINTER_INPUT_TYPE*);
  using GetTouch = BOOL(WINAPI*)(UINT32, POINTER_TOUCH_INFO*);
  using GetPen = BOOL(WINAPI*)(UINT32, POINTER_PEN_INFO*);

  RegisterTouch register_touch_ = Lookup<RegisterTouch>("RegisterTouchWindow");
  UnregisterTouch unregister_touch_ = Lookup<UnregisterTouch>("UnregisterTouchWindow");
  GetTouchInfo get_touch_info_ = Lookup<GetTouchInfo>("GetTouchInputInfo");
  CloseTouch close_touch_ = Lookup<CloseTouch>("CloseTouchInputHandle");
  GetType get_pointer_type_ = Lookup<GetType>("GetPointerType");
  GetTouch get_pointer_touch_ = Lookup<GetTouch>("GetPointerTouchInfo");
  GetPen get_pointer_pen_ = Lookup<GetPen>("GetPointerPenInfo");
};

InputFunctions* g_override = nullptr;

}  // namespace

InputFunctions* InputFunctions::Get() {
  static SystemInputFunctions system;
  return g_override ? g_override : &system;
}

void InputFunctions::Set(InputFunctions* functions) { g_override = functions; }

}  // namespace ui
