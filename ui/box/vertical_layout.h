#pragma once

#include "ui/box/layout.h"

namespace ui {

// Children stacked top to bottom; stretching heights share what the fixed
// ones leave. Floating children are placed alone and take no room.
class VLayout : public Layout {
 public:
  SIZE ArrangeChildren(const std::vector<Control*>& items, RECT rect) override;
  SIZE EstimateChildrenSize(const std::vector<Control*>& items, SIZE available) override;
};

}  // namespace ui
