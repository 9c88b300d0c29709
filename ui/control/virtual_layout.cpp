#include "ui/control/virtual_layout.h"

#include "ui/control/virtual_list_box.h"
#include "ui/control/virtual_row_plan.h"

namespace ui {

SIZE VirtualLayout::ArrangeChildren(const std::vector<Control*>& items, RECT rect) {
  if (!list_->IsRecycling()) return VLayout::ArrangeChildren(items, rect);
  const SIZE size = {rect.right - rect.left,
                     VirtualContentHeight(list_->GetRowCount(), list_->GetElementHeight())};
  list_->RecycleElements(false);
  return size;
}

}  // namespace ui
