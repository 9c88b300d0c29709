#include "browser/runtime/input_events.h"

#include <string>

namespace qoz_runtime {

namespace {

// The host browser's modifier bits.
constexpr int kAlt = 1;
constexpr int kControl = 2;
constexpr int kShift = 8;

int ModifiersOf(uint32_t flags) {
  int modifiers = 0;
  if (flags & EVENTFLAG_ALT_DOWN) modifiers |= kAlt;
  if (flags & EVENTFLAG_CONTROL_DOWN) modifiers |= kControl;
  if (flags & EVENTFLAG_SHIFT_DOWN) modifiers |= kShift;
  return modifiers;
}

// The host browser's button bits of the pressed buttons.
int ButtonsOf(uint32_t flags) {
  int buttons = 0;
  if (flags & EVENTFLAG_LEFT_MOUSE_BUTTON) buttons |= 1;
  if (flags & EVENTFLAG_RIGHT_MOUSE_BUTTON) buttons |= 2;
  if (flags & EVENTFLAG_MIDDLE_MOUSE_BUTTON) buttons |= 4;
  return buttons;
}

Json::Value MouseBase(const char* type, const cef_mouse_event_t& event) {
  Json::Value params;
  params["type"] = type;
  params["x"] = event.x;
  params["y"] = event.y;
  params["modifiers"] = ModifiersOf(event.modifiers);
  params["buttons"] = ButtonsOf(event.modifiers);
  return params;
}

std::string Utf8Of(const char16* units, int count) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, units, count, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) WideCharToMultiByte(CP_UTF8, 0, units, count, &text[0], size, nullptr, nullptr);
  return text;
}

struct KeyName {
  const char* key;
  const char* code;
};

// The DOM key and code of a virtual key that does not type a character of
// its own; null key for others.
KeyName NamedKey(int virtual_key) {
  switch (virtual_key) {
    case VK_BACK:
      return {"Backspace", "Backspace"};
    case VK_TAB:
      return {"Tab", "Tab"};
    case VK_RETURN:
      return {"Enter", "Enter"};
    case VK_SHIFT:
      return {"Shift", "ShiftLeft"};
    case VK_CONTROL:
      return {"Control", "ControlLeft"};
    case VK_MENU:
      return {"Alt", "AltLeft"};
    case VK_ESCAPE:
      return {"Escape", "Escape"};
    case VK_PRIOR:
      return {"PageUp", "PageUp"};
    case VK_NEXT:
      return {"PageDown", "PageDown"};
    case VK_END:
      return {"End", "End"};
    case VK_HOME:
      return {"Home", "Home"};
    case VK_LEFT:
      return {"ArrowLeft", "ArrowLeft"};
    case VK_UP:
      return {"ArrowUp", "ArrowUp"};
    case VK_RIGHT:
      return {"ArrowRight", "ArrowRight"};
    case VK_DOWN:
      return {"ArrowDown", "ArrowDown"};
    case VK_INSERT:
      return {"Insert", "Insert"};
    case VK_DELETE:
      return {"Delete", "Delete"};
    default:
      return {nullptr, nullptr};
  }
}

// The DOM code of a key that types a character.
std::string CharacterCode(int virtual_key) {
  if (virtual_key >= 'A' && virtual_key <= 'Z') return std::string("Key") + char(virtual_key);
  if (virtual_key >= '0' && virtual_key <= '9') return std::string("Digit") + char(virtual_key);
  if (virtual_key == VK_SPACE) return "Space";
  return std::string();
}

}  // namespace

Json::Value MousePressParams(const cef_mouse_event_t& event, cef_mouse_button_type_t button,
                             bool mouse_up, int click_count) {
  Json::Value params = MouseBase(mouse_up ? "mouseReleased" : "mousePressed", event);
  params["button"] = button == MBT_RIGHT ? "right" : button == MBT_MIDDLE ? "middle" : "left";
  params["clickCount"] = click_count;
  return params;
}

Json::Value MouseMoveParams(const cef_mouse_event_t& event) {
  Json::Value params = MouseBase("mouseMoved", event);
  const int buttons = params["buttons"].asInt();
  params["button"] = buttons & 1 ? "left" : buttons & 2 ? "right" : buttons & 4 ? "middle" : "none";
  return params;
}

Json::Value MouseWheelParams(const cef_mouse_event_t& event, int delta_x, int delta_y) {
  Json::Value params = MouseBase("mouseWheel", event);
  params["deltaX"] = -delta_x;
  params["deltaY"] = -delta_y;
  return params;
}

std::optional<Json::Value> KeyEventTranslator::Translate(const cef_key_event_t& event) {
  Json::Value params;
  params["modifiers"] = ModifiersOf(event.modifiers);
  params["windowsVirtualKeyCode"] = event.windows_key_code;
  params["nativeVirtualKeyCode"] = event.native_key_code;
  params["isSystemKey"] = event.is_system_key != 0;
  if (event.type == KEYEVENT_CHAR) {
    // Windows controls pass the character message's code as the key code.
    const char16 unit =
        event.character != 0 ? event.character : static_cast<char16>(event.windows_key_code);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      high_surrogate_ = unit;
      return std::nullopt;
    }
    std::string text;
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      if (high_surrogate_ == 0) return std::nullopt;
      const char16 pair[2] = {high_surrogate_, unit};
      text = Utf8Of(pair, 2);
    } else {
      text = Utf8Of(&unit, 1);
    }
    high_surrogate_ = 0;
    params["type"] = "char";
    params["text"] = text;
    params["unmodifiedText"] = text;
    params["key"] = text;
    return params;
  }
  params["type"] = event.type == KEYEVENT_KEYUP     ? "keyUp"
                   : event.type == KEYEVENT_KEYDOWN ? "keyDown"
                                                    : "rawKeyDown";
  const KeyName named = NamedKey(event.windows_key_code);
  if (named.key != nullptr) {
    params["key"] = named.key;
    params["code"] = named.code;
  } else {
    const std::string code = CharacterCode(event.windows_key_code);
    if (!code.empty()) params["code"] = code;
    if (event.character != 0) {
      params["key"] = Utf8Of(&event.character, 1);
    } else if (event.windows_key_code >= 'A' && event.windows_key_code <= 'Z') {
      const bool shift = (event.modifiers & EVENTFLAG_SHIFT_DOWN) != 0;
      params["key"] =
          std::string(1, char(shift ? event.windows_key_code : event.windows_key_code - 'A' + 'a'));
    } else if ((event.windows_key_code >= '0' && event.windows_key_code <= '9') ||
               event.windows_key_code == VK_SPACE) {
      params["key"] = std::string(1, char(event.windows_key_code));
    }
  }
  return params;
}

}  // namespace qoz_runtime
