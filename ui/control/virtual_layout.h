#pragma once

#include "ui/box/vertical_layout.h"

namespace ui {

class VirtualListBox;

// The layout of a virtual list: while the list has fewer elements than its
// provider has rows, the content is as high as all rows and the list places
// its elements itself over the rows in view; otherwise a plain vertical
// layout.
class VirtualLayout : public VLayout {
 public:
  explicit VirtualLayout(VirtualListBox* list) : list_(list) {}

  SIZE ArrangeChildren(const std::vector<Control*>& items, RECT rect) override;

 private:
  VirtualListBox* list_;  // the list that owns this layout
};

}  // namespace ui
