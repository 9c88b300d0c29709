#include "ui/control/option.h"

#include <type_traits>
#include <vector>

#include "ui/core/window.h"

namespace ui {

template <typename InheritType>
OptionTemplate<InheritType>::~OptionTemplate() {
  if (this->window_ && !group_.empty()) this->window_->RemoveOptionGroup(group_, this);
}

template <typename InheritType>
std::wstring OptionTemplate<InheritType>::GetClass() const {
  return std::is_base_of_v<Box, InheritType> ? L"OptionBox" : L"Option";
}

template <typename InheritType>
void OptionTemplate<InheritType>::SetWindow(Window* window, Control* parent, bool init) {
  InheritType::SetWindow(window, parent, init);
  if (init && !group_.empty() && this->window_) this->window_->AddOptionGroup(group_, this);
}

template <typename InheritType>
void OptionTemplate<InheritType>::Activate() {
  if (this->IsActivatable() && this->window_) {
    this->SendEvent(kEventClick, 0, 0, 0, this->window_->GetLastMousePos());
  }
  if (this->IsActivatable()) Selected(true, true);
}

template <typename InheritType>
void OptionTemplate<InheritType>::SetAttribute(const std::wstring& name,
                                               const std::wstring& value) {
  if (name == L"group") {
    SetGroup(value);
  } else {
    CheckBoxTemplate<InheritType>::SetAttribute(name, value);
  }
}

template <typename InheritType>
void OptionTemplate<InheritType>::Selected(bool selected, bool trigger) {
  this->selected_ = selected;
  Window* window = this->window_;
  if (window) {
    if (selected) {
      if (!group_.empty()) {
        if (const std::vector<Control*>* members = window->GetOptionGroup(group_)) {
          // A copy: an unselect handler may change the group.
          const std::vector<Control*> others = *members;
          for (Control* other : others) {
            if (other == this) continue;
            if (auto* option = dynamic_cast<CheckBoxTemplate<Control>*>(other)) {
              option->Selected(false, trigger);
            } else if (auto* box = dynamic_cast<CheckBoxTemplate<Box>*>(other)) {
              box->Selected(false, trigger);
            }
          }
        }
      }
      if (!trigger) {
        this->Invalidate();
        return;
      }
      this->SendEvent(kEventSelect, 0, 0, 0, window->GetLastMousePos());
    } else {
      this->SendEvent(kEventUnSelect, 0, 0, 0, window->GetLastMousePos());
    }
  }
  this->Invalidate();
}

template <typename InheritType>
void OptionTemplate<InheritType>::SetGroup(const std::wstring& group) {
  if (group == group_) return;
  if (this->window_ && !group_.empty()) this->window_->RemoveOptionGroup(group_, this);
  group_ = group;
  if (this->window_ && !group_.empty()) this->window_->AddOptionGroup(group_, this);
  Selected(this->selected_, true);
}

template class OptionTemplate<Control>;
template class OptionTemplate<Box>;

}  // namespace ui
