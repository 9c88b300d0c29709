#include "ui/control/list_box.h"

#include <algorithm>
#include <utility>

#include "ui/control/list_container_element.h"
#include "ui/core/window.h"

namespace ui {

ListBox::ListBox(std::unique_ptr<Layout> layout) : ScrollableBox(std::move(layout)) {}

ListBox::~ListBox() {
  // Items that outlive the list (without auto destroy) must not reach it.
  for (Control* item : items_) Release(item);
}

void ListBox::Release(Control* item) {
  if (auto* element = dynamic_cast<ListContainerElement*>(item)) {
    element->SetOwner(nullptr);
    element->SetIndex(-1);
  }
  // An item the list does not destroy leaves the tree: its events and clicks
  // would otherwise pass on to a list that may be gone.
  if (!IsAutoDestroy()) item->SetWindow(item->GetWindow(), nullptr, false);
}

ListContainerElement* ListBox::ElementAt(int32_t index) const {
  return dynamic_cast<ListContainerElement*>(GetItemAt(index));
}

void ListBox::RenumberItems(int32_t first, int32_t last) {
  last = std::min(last, GetCount() - 1);
  for (int32_t index = std::max(first, 0); index <= last; ++index) {
    if (ListContainerElement* element = ElementAt(index)) element->SetIndex(index);
  }
}

bool ListBox::SelectItem(int32_t index, bool take_focus, bool trigger) {
  const auto alive = GetWeakFlag();
  const int32_t old = current_selection_;
  if (old >= 0) {
    if (ListContainerElement* element = ElementAt(old)) {
      element->Deselect();
      if (alive.expired()) return false;
    }
    current_selection_ = -1;
  }
  if (index < 0) return false;
  ListContainerElement* element = ElementAt(index);
  if (!element || !element->IsVisible() || !element->IsEnabled()) return false;
  current_selection_ = index;
  element->OptionTemplate<Box>::Selected(true, trigger);
  if (alive.expired()) return false;
  EnsureVisible(element->GetPos(true));
  if (alive.expired()) return false;
  if (take_focus) {
    element->SetFocus();
    if (alive.expired()) return false;
  }
  if (window_ && trigger) {
    SendEvent(kEventSelect, static_cast<uint64_t>(index), old, 0, window_->GetLastMousePos());
  }
  return true;
}

void ListBox::SelectNext() {
  // Past the last selectable item the selection stays where it is; a failed
  // search would otherwise deselect everything.
  const int32_t next = FindSelectable(current_selection_ + 1, true);
  if (next >= 0) SelectItem(next, true, true);
}

void ListBox::EnsureVisible(const RECT& rect) {
  const SIZE scroll = GetScrollPos();
  RECT item = rect;
  OffsetRect(&item, -scroll.cx, -scroll.cy);
  RECT view = GetPaddingPos();
  ScrollBar* horizontal = GetHorizontalScrollBar();
  if (horizontal && horizontal->IsVisible()) view.bottom -= horizontal->GetFixedHeight();
  if (item.left >= view.left && item.right <= view.right && item.top >= view.top &&
      item.bottom <= view.bottom) {
    // A list inside an item of another list: that list shows this one.
    auto* holder = dynamic_cast<ListContainerElement*>(GetParent());
    if (holder && holder->GetOwner()) holder->GetOwner()->EnsureVisible(item);
    return;
  }
  int32_t dx = 0;
  if (item.right > view.right) {
    dx = item.right - view.right;
  } else if (item.left < view.left) {
    dx = item.left - view.left;
  }
  int32_t dy = 0;
  if (item.bottom > view.bottom) {
    dy = item.bottom - view.bottom;
  } else if (item.top < view.top) {
    dy = item.top - view.top;
  }
  SetScrollPos({scroll.cx + dx, scroll.cy + dy});
}

void ListBox::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"scrollselect") {
    SetScrollSelect(value == L"true");
  } else {
    ScrollableBox::SetAttribute(name, value);
  }
}

void ListBox::HandleEvent(EventArgs* msg) {
  const EventType type = msg->Type;
  if (!IsMouseEnabled() && IsMouseEvent(type)) {
    if (parent_) {
      parent_->DispatchEvent(msg);
    } else {
      ScrollableBox::HandleEvent(msg);
    }
    return;
  }
  switch (type) {
    case kEventKeyDown:
      switch (msg->chKey) {
        case VK_END:
          SelectItem(FindSelectable(GetCount() - 1, false), true, true);
          return;
        case VK_HOME:
          SelectItem(FindSelectable(0, false), true, true);
          return;
        case VK_UP:
          SelectItem(FindSelectable(current_selection_ - 1, false), true, true);
          return;
        case VK_DOWN:
          SelectNext();
          return;
        default:
          break;
      }
      break;
    case kEventButtonDown:
    case kEventButtonUp:
      return;
    case kEventScrollWheel: {
      if (!scroll_select_) break;
      const int32_t delta = static_cast<int32_t>(msg->wParam);
      if (delta <= 0) {
        SelectNext();
      } else {
        SelectItem(FindSelectable(current_selection_ - 1, false), true, true);
      }
      return;
    }
    default:
      break;
  }
  ScrollableBox::HandleEvent(msg);
}

bool ListBox::ButtonDown(EventArgs* /*msg*/) {
  bool result = false;
  if (IsEnabled()) {
    SetState(kControlStatePushed);
    SetMouseFocused(true);
    Invalidate();
    result = true;
  }
  StopScroll();
  return result;
}

bool ListBox::SetItemIndex(Control* control, int32_t index) {
  const int32_t old = GetItemIndex(control);
  if (old < 0) return false;
  if (old == index) return true;
  Control* selected = GetItemAt(current_selection_);
  if (!ScrollableBox::SetItemIndex(control, index)) return false;
  RenumberItems(std::min(old, index), std::max(old, index));
  if (selected) current_selection_ = GetItemIndex(selected);
  return true;
}

bool ListBox::Add(Control* control) {
  if (auto* element = dynamic_cast<ListContainerElement*>(control)) {
    element->SetOwner(this);
    element->SetIndex(GetCount());
  }
  return ScrollableBox::Add(control);
}

bool ListBox::AddAt(Control* control, int32_t index) {
  if (!ScrollableBox::AddAt(control, index)) return false;
  if (auto* element = dynamic_cast<ListContainerElement*>(control)) {
    element->SetOwner(this);
    element->SetIndex(index);
  }
  RenumberItems(index + 1, GetCount() - 1);
  if (current_selection_ >= index) ++current_selection_;
  return true;
}

bool ListBox::Remove(Control* control) {
  const int32_t index = GetItemIndex(control);
  if (index < 0) return false;
  return RemoveAt(index);
}

bool ListBox::RemoveAt(int32_t index) {
  Control* item = GetItemAt(index);
  if (!item) return false;
  // Let go first: the removal may destroy the item at once.
  Release(item);
  if (!ScrollableBox::Remove(item)) return false;
  RenumberItems(index, GetCount() - 1);
  if (index == current_selection_ && current_selection_ >= 0) {
    if (select_next_on_removal_) {
      // The item that took the removed one's place, or the nearest before it.
      const int32_t old = current_selection_;
      --current_selection_;
      SelectItem(FindSelectable(old, false), false, true);
    } else {
      current_selection_ = -1;
    }
  } else if (index < current_selection_) {
    --current_selection_;
  }
  return true;
}

void ListBox::RemoveAll() {
  current_selection_ = -1;
  for (Control* item : items_) Release(item);
  ScrollableBox::RemoveAll();
}

bool ListBox::ScrollItemToTop(Control* child) {
  if (GetItemIndex(child) < 0 || GetScrollRange().cy == 0) return false;
  const int32_t offset = child->GetPos(true).top - GetPaddingPos().top;
  if (offset < 0) return false;
  SetScrollPos({GetScrollPos().cx, offset});
  return true;
}

bool ListBox::ScrollItemToTopByName(const std::wstring& name) {
  for (Control* child : items_) {
    if (child->GetName() == name) return ScrollItemToTop(child);
  }
  return false;
}

Control* ListBox::GetTopItem() {
  const int32_t line = GetPaddingPos().top + GetScrollPos().cy;
  for (Control* child : items_) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    if (child->GetPos(true).bottom >= line) return child;
  }
  return nullptr;
}

}  // namespace ui
