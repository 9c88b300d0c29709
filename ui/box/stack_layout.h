#pragma once

#include "ui/box/layout.h"

namespace ui {

// Children one after another along one axis, left to right or top to bottom;
// stretching sizes along it share what the fixed ones leave, and across it
// each child takes its own size and alignment. Floating children are placed
// alone and take no room. HLayout and VLayout are its two directions.
class StackLayout : public Layout {
 public:
  enum class Axis { Horizontal, Vertical };

  explicit StackLayout(Axis axis) : axis_(axis) {}

  SIZE ArrangeChildren(const std::vector<Control*>& items, RECT rect) override;
  SIZE EstimateChildrenSize(const std::vector<Control*>& items, SIZE available) override;

 private:
  Axis axis_;
};

}  // namespace ui
