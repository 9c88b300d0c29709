#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ui {

using AttributePairs = std::vector<std::pair<std::wstring, std::wstring>>;

// The pairs of a markup attribute list: name="value" or name='value' (the
// other quote may appear inside), separated by exactly one blank. A name is
// everything up to "=", blanks included. Reading stops at the first pair that
// is malformed or unterminated, keeping the pairs before it; anything but one
// blank and a further character after a closing quote ends the list.
AttributePairs ParseAttributeList(const std::wstring& text);

// The leading decimal integer of a value, as the C library reads it (0 when
// the text does not start with one).
int32_t ParseIntegerValue(const std::wstring& value);

// A size attribute: "stretch" -1, "auto" -2, otherwise the leading integer.
int32_t ParseSizeValue(const std::wstring& value);

}  // namespace ui
