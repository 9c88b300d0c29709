#include "ui/control/list_container_element.h"

#include "ui/control/list_owner.h"
#include "ui/core/window.h"

namespace ui {

ListContainerElement::ListContainerElement() {
  text_style_ = DT_VCENTER | DT_SINGLELINE | DT_NOCLIP | DT_END_ELLIPSIS;
  // A pointer press is no button press for an item.
  Control::SetAttribute(L"receivepointer", L"false");
}

void ListContainerElement::Deselect() {
  selected_ = false;
  if (window_) {
    const auto alive = GetWeakFlag();
    SendEvent(kEventUnSelect, 0, 0, 0, window_->GetLastMousePos());
    if (alive.expired()) return;
  }
  Invalidate();
}

void ListContainerElement::Selected(bool selected, bool trigger) {
  if (IsEnabled() && selected && owner_) owner_->SelectItem(index_, false, trigger);
}

void ListContainerElement::SetFadeVisible(bool visible) {
  const auto alive = GetWeakFlag();
  OptionTemplate<Box>::SetFadeVisible(visible);
  if (alive.expired() || IsVisible() || !selected_) return;
  selected_ = false;
  if (owner_) owner_->SelectItem(-1, false, true);
}

void ListContainerElement::HandleEvent(EventArgs* msg) {
  const EventType type = msg->Type;
  if (!IsMouseEnabled() && IsMouseEvent(type)) {
    if (owner_) {
      owner_->DispatchEvent(msg);
    } else {
      Control::HandleEvent(msg);
    }
    return;
  }
  const POINT mouse = window_ ? window_->GetLastMousePos() : POINT{0, 0};
  if (type == kEventInternalDoubleClick) {
    if (IsActivatable() && window_) SendEvent(kEventDoubleClick, 0, 0, 0, mouse);
    return;
  }
  if (type == kEventKeyDown && IsEnabled() && msg->chKey == VK_RETURN) {
    if (IsActivatable() && window_) SendEvent(kEventReturn, 0, 0, 0, mouse);
    return;
  }
  if (type == kEventInternalMenu && IsEnabled()) {
    const auto alive = GetWeakFlag();
    Selected(true, true);
    if (alive.expired()) return;
    SendEvent(kEventMenu, 0, 0, 0, mouse);
    if (alive.expired()) return;
    Invalidate();
    return;
  }
  if (type == kEventKeyDown && IsKeyboardEnabled() &&
      (msg->chKey == VK_SPACE || msg->chKey == VK_RETURN)) {
    Activate();
    return;
  }
  if (type == kEventInternalMenu) {
    if (IsContextMenuUsed()) SendEvent(kEventMenu, msg->wParam, msg->lParam, 0, mouse);
    return;
  }
  // Not the button's handling: presses, keys and the rest as a plain control.
  Control::HandleEvent(msg);
}

}  // namespace ui
