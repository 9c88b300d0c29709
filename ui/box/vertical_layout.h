#pragma once

#include "ui/box/stack_layout.h"

namespace ui {

// Children one below another, top to bottom.
class VLayout : public StackLayout {
 public:
  VLayout() : StackLayout(Axis::Vertical) {}
};

}  // namespace ui
