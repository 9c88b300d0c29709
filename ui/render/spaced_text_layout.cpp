#include "ui/render/spaced_text_layout.h"

#include <algorithm>

namespace ui {

std::vector<PlacedUnit> LayoutSpacedText(const TextUnitLines& lines, const RECT& rect, int spacing,
                                         int space_width, bool right_to_left,
                                         const MeasureUnitFunction& measure) {
  std::vector<PlacedUnit> placed;
  const int direction = right_to_left ? -1 : 1;
  int y = rect.top;
  int line_height = 0;
  for (const std::vector<std::wstring>& line : lines) {
    int x = right_to_left ? rect.right : rect.left;
    const size_t count = line.size();
    for (size_t index = 0; index < count; ++index) {
      const std::wstring& unit = line[right_to_left ? count - 1 - index : index];
      if (unit == L" ") {
        x += direction * (spacing + space_width);
        continue;
      }
      const UnitExtent extent = measure(unit);
      line_height = std::max(line_height, static_cast<int>(extent.height));
      placed.push_back({unit, x, y});
      x += direction * (spacing + static_cast<int>(extent.width));
    }
    y += line_height;
  }
  return placed;
}

}  // namespace ui
