#include "ui/control/virtual_row_plan.h"

#include <algorithm>
#include <limits>

namespace ui {

std::vector<VirtualRowSlot> PlanVirtualRows(int32_t element_count, int32_t element_height,
                                            int32_t scroll_position, int32_t view_height,
                                            int32_t row_count, VirtualRecycleDirection direction) {
  std::vector<VirtualRowSlot> slots;
  if (element_count < 1 || element_height < 1) return slots;
  const int32_t first_row = std::max(scroll_position, 0) / element_height;
  const int64_t base = static_cast<int64_t>(first_row) * element_height;
  // The element that shows the first row in view; those before it hold rows
  // above the view.
  int32_t anchor = 0;
  if (direction == VirtualRecycleDirection::Upwards) {
    const int32_t rows_in_view = std::max(view_height, 0) / element_height;
    anchor = std::max(element_count - rows_in_view, 1) - 1;
  }
  slots.reserve(element_count);
  for (int32_t element = 0; element < element_count; ++element) {
    const int64_t offset = static_cast<int64_t>(element) - anchor;
    const int64_t row = first_row + offset;
    const bool exists = row >= 0 && row < row_count;
    slots.push_back(
        {element, base + offset * element_height, exists ? static_cast<int32_t>(row) : -1});
  }
  return slots;
}

int32_t VirtualContentHeight(int32_t row_count, int32_t element_height) {
  const int64_t height = static_cast<int64_t>(std::max(row_count, 0)) * std::max(element_height, 0);
  return static_cast<int32_t>(std::min<int64_t>(height, std::numeric_limits<int32_t>::max()));
}

}  // namespace ui
