#pragma once

#include "ui/box/layout.h"

namespace ui {

// Children side by side, left to right; stretching widths share what the
// fixed ones leave. Floating children are placed alone and take no room.
class HLayout : public Layout {
 public:
  SIZE ArrangeChildren(const std::vector<Control*>& items, RECT rect) override;
  SIZE EstimateChildrenSize(const std::vector<Control*>& items, SIZE available) override;
};

}  // namespace ui
