#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/render/text_splitter.h"

namespace ui {

// One unit of spaced text and where it is drawn: it begins at x when laid
// out left to right and ends at x when laid out right to left.
struct PlacedUnit {
  std::wstring text;
  int x;
  int y;
};

// The measured width and height of a unit.
struct UnitExtent {
  float width;
  float height;
};

using MeasureUnitFunction = std::function<UnitExtent(const std::wstring& unit)>;

// Places the units line by line from the top of `rect`: from its left edge
// rightwards, or from its right edge leftwards (then the units of a line are
// taken last to first). `spacing` pixels follow every unit; a blank unit
// only advances by `spacing` + `space_width`. Every line advances by the
// largest unit height met so far.
std::vector<PlacedUnit> LayoutSpacedText(const TextUnitLines& lines, const RECT& rect, int spacing,
                                         int space_width, bool right_to_left,
                                         const MeasureUnitFunction& measure);

}  // namespace ui
