#include "ui/control/virtual_list_box.h"

#include <algorithm>
#include <limits>
#include <memory>

#include "ui/control/virtual_layout.h"
#include "ui/control/virtual_list_data_provider.h"
#include "ui/control/virtual_row_plan.h"

namespace ui {

namespace {

LONG ClampToLong(int64_t value) {
  return static_cast<LONG>(std::clamp<int64_t>(value, std::numeric_limits<LONG>::min(),
                                               std::numeric_limits<LONG>::max()));
}

}  // namespace

VirtualListBox::VirtualListBox() : ListBox(std::make_unique<VirtualLayout>(this)) {}

int32_t VirtualListBox::GetRowCount() const {
  return provider_ ? std::max(provider_->GetElementCount(), 0) : 0;
}

bool VirtualListBox::IsRecycling() const {
  return element_height_ >= 1 && GetCount() < GetRowCount();
}

void VirtualListBox::InitElement(int32_t maximum) {
  max_count_ = maximum;
  const int32_t rows = GetRowCount();
  for (int32_t row = 0; row < maximum && row < rows; ++row) {
    Control* element = provider_->CreateElement();
    if (!element) continue;
    Add(element);
    provider_->FillElement(element, row);
  }
}

void VirtualListBox::Refresh() {
  const int32_t rows = GetRowCount();
  const int32_t before = GetCount();
  if (rows < before) {
    for (int32_t i = 0; i < before - rows; ++i) RemoveAt(0);
  } else if (rows > before && provider_) {
    const int32_t wanted = std::min(rows, max_count_) - before;
    for (int32_t i = 0; i < wanted; ++i) {
      if (Control* element = provider_->CreateElement()) Add(element);
    }
  }
  if (GetCount() < rows) {
    if (rows > 0) {
      RecycleElements(true);
      Arrange();
    }
    return;
  }
  if (before == max_count_) GetLayout()->ArrangeChildren(items_, GetPos(true));
  if (!provider_) return;
  for (int32_t i = 0; i < GetCount(); ++i) provider_->FillElement(items_[i], i);
}

void VirtualListBox::RecycleElements(bool force) {
  const int32_t height = element_height_;
  const int32_t count = GetCount();
  // Rows below one pixel cannot be placed one by one.
  if (!provider_ || height < 1 || count < 1) return;
  const int32_t rows = GetRowCount();
  const RECT view = GetPos(true);
  const int32_t position = GetScrollPos().cy;
  VirtualRecycleDirection direction = VirtualRecycleDirection::Upwards;
  if (!force) {
    if (!arranged_once_) {
      arranged_once_ = true;
    } else {
      if (rows <= count || view.right - view.left < 1) return;
      if (position < previous_scroll_) {
        // The elements still cover the top of the view.
        if (items_.front()->GetPos(true).top - view.top <= position) return;
      } else {
        // The elements still reach the bottom of the view.
        if (items_.back()->GetPos(true).bottom - view.bottom - position >= 0) return;
        direction = VirtualRecycleDirection::Downwards;
      }
    }
  }
  const auto slots =
      PlanVirtualRows(count, height, position, view.bottom - view.top, rows, direction);
  for (const VirtualRowSlot& slot : slots) {
    Control* element = items_[slot.element];
    const int64_t top = static_cast<int64_t>(view.top) + slot.top;
    element->SetPos({view.left, ClampToLong(top), view.right, ClampToLong(top + height)});
    if (slot.row >= 0) provider_->FillElement(element, slot.row);
  }
}

void VirtualListBox::SetScrollPos(SIZE position) {
  const ScrollBar* bar = GetVerticalScrollBar();
  previous_scroll_ = bar ? static_cast<int32_t>(bar->GetPosition()) : 0;
  ListBox::SetScrollPos(position);
  if (IsRecycling()) RecycleElements(false);
}

void VirtualListBox::SetPos(RECT rect) {
  const RECT previous = GetPos(true);
  ListBox::SetPos(rect);
  if (!EqualRect(&rect, &previous) && IsRecycling()) RecycleElements(true);
}

void VirtualListBox::RemoveAll() {
  ListBox::RemoveAll();
  if (ScrollBar* bar = GetVerticalScrollBar()) bar->SetScrollPos(0);
  previous_scroll_ = 0;
  arranged_once_ = false;
}

void VirtualListBox::HandleEvent(EventArgs* msg) {
  if (!IsMouseEnabled() && IsMouseEvent(msg->Type)) {
    if (parent_) {
      parent_->DispatchEvent(msg);
    } else {
      ScrollableBox::HandleEvent(msg);
    }
    return;
  }
  const bool arrow = msg->chKey == VK_UP || msg->chKey == VK_DOWN;
  if (msg->Type == kEventKeyDown) {
    if (msg->chKey == VK_END) {
      SetScrollPosY(GetScrollRange().cy);
      return;
    }
    if (msg->chKey == VK_HOME) {
      SetScrollPosY(0);
      return;
    }
    if (arrow) {
      OnArrowKeyDown(msg->chKey);
      return;
    }
  } else if (msg->Type == kEventKeyUp && arrow) {
    OnArrowKeyUp(msg->chKey);
    return;
  }
  ListBox::HandleEvent(msg);
}

}  // namespace ui
