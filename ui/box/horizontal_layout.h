#pragma once

#include "ui/box/stack_layout.h"

namespace ui {

// Children side by side, left to right.
class HLayout : public StackLayout {
 public:
  HLayout() : StackLayout(Axis::Horizontal) {}
};

}  // namespace ui
