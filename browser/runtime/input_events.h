#pragma once

#include <optional>

#include <json/json.h>

#include "browser/runtime/cef_capi.h"

namespace qoz_runtime {

// The host browser's input commands ("Input.dispatchMouseEvent" and
// "Input.dispatchKeyEvent") for the runtime's input events.

Json::Value MousePressParams(const cef_mouse_event_t& event, cef_mouse_button_type_t button,
                             bool mouse_up, int click_count);
Json::Value MouseMoveParams(const cef_mouse_event_t& event);
// The runtime's wheel deltas are positive for scrolling up or left, the host
// browser's for scrolling down or right.
Json::Value MouseWheelParams(const cef_mouse_event_t& event, int delta_x, int delta_y);

// Joins the two halves of a character outside the basic plane, which arrive
// as two character events.
class KeyEventTranslator {
 public:
  // Empty while a character waits for its second half, or for a lone half.
  std::optional<Json::Value> Translate(const cef_key_event_t& event);

 private:
  char16 high_surrogate_ = 0;
};

}  // namespace qoz_runtime
