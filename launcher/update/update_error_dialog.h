#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "launcher/core/state.h"
#include "launcher/update/update_world.h"

// The detail line of the update error dialog: the message alone, or the code,
// a line feed and the message; then "(" detail ")" when there is a detail.
std::wstring UpdateErrorText(int32_t code, const std::string& message, const std::string& detail);

// Reports the failure of `state` and asks for the update error dialog with the
// two button keys (an empty key hides its button); `callback` hears true for
// the "yes" button. Marks the context's error as shown.
void ShowUpdateError(const State& state, const std::wstring& no_key, const std::wstring& yes_key,
                     std::function<void(bool)> callback, UpdateWorld* world);
