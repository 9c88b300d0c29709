#include "ui/control/button.h"

#include <type_traits>

#include "ui/core/dpi_manager.h"
#include "ui/core/window.h"

namespace ui {

template <typename InheritType>
ButtonTemplate<InheritType>::ButtonTemplate() {
  this->text_style_ = DT_SINGLELINE | DT_NOCLIP | DT_END_ELLIPSIS | DT_CENTER | DT_VCENTER;
  RECT padding = {0, 0, 0, 5};
  DpiManager::GetInstance()->ScaleRect(&padding);
  this->text_padding_ = padding;
  this->ArrangeOrInvalidate();
}

template <typename InheritType>
std::wstring ButtonTemplate<InheritType>::GetClass() const {
  return std::is_base_of_v<Box, InheritType> ? L"ButtonBox" : L"Button";
}

template <typename InheritType>
bool ButtonTemplate<InheritType>::IsAllowTabStop() const {
  return this->IsKeyboardEnabled() && this->IsEnabled();
}

template <typename InheritType>
void ButtonTemplate<InheritType>::HandleEvent(EventArgs* msg) {
  if (!this->IsMouseEnabled() && IsMouseEvent(msg->Type)) {
    if (this->parent_) {
      this->parent_->DispatchEvent(msg);
    } else {
      InheritType::HandleEvent(msg);
    }
    return;
  }
  if (msg->Type == kEventKeyDown && this->IsKeyboardEnabled()) {
    if (msg->chKey == VK_SPACE || msg->chKey == VK_RETURN) {
      this->Activate();
      return;
    }
  }
  if (msg->Type == kEventInternalMenu) {
    if (this->IsContextMenuUsed()) {
      this->SendEvent(kEventMenu, msg->wParam, msg->lParam, 0,
                      this->window_ ? this->window_->GetLastMousePos() : POINT{0, 0});
    }
    return;
  }
  InheritType::HandleEvent(msg);
}

template class ButtonTemplate<Control>;
template class ButtonTemplate<Box>;

}  // namespace ui
