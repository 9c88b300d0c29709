#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace ui {

// The height of a combo's pop-up: its items' heights and a one-pixel border
// above and below, at most the drop height.
int32_t ComboPopupHeight(const std::vector<int32_t>& item_heights, int32_t drop_height);

// Where a combo at `combo` (screen coordinates) opens its pop-up of the
// height: one pixel below the combo, or above it with its bottom at the
// combo's top when the pop-up would pass the bottom of the work area or
// `on_top` asks for it. As wide as the drop width when that is above 0, else
// as the combo.
RECT PlaceComboPopup(const RECT& combo, int32_t drop_width, int32_t height, LONG work_bottom,
                     bool on_top);

}  // namespace ui
