#include "ui/control/combo_popup_geometry.h"

#include <algorithm>

namespace ui {

namespace {

constexpr int32_t kPopupBorders = 2;

}  // namespace

int32_t ComboPopupHeight(const std::vector<int32_t>& item_heights, int32_t drop_height) {
  // 64 bits: many tall items must not wrap to a small pop-up.
  int64_t sum = kPopupBorders;
  for (const int32_t height : item_heights) sum += std::max(height, 0);
  return static_cast<int32_t>(std::min<int64_t>(sum, drop_height));
}

RECT PlaceComboPopup(const RECT& combo, int32_t drop_width, int32_t height, LONG work_bottom,
                     bool on_top) {
  const LONG right = drop_width > 0 ? combo.left + drop_width : combo.right;
  const RECT below = {combo.left, combo.bottom + 1, right, combo.bottom + 1 + height};
  if (below.bottom <= work_bottom && !on_top) return below;
  return {combo.left, combo.top - height, right, combo.top};
}

}  // namespace ui
