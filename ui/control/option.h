#pragma once

#include <string>

#include "ui/control/check_box.h"

namespace ui {

// A check box in a named option group of its window: selecting one member
// deselects every other, and a click never deselects. The control is a
// member only while it has both a window and a group name.
template <typename InheritType>
class OptionTemplate : public CheckBoxTemplate<InheritType> {
 public:
  OptionTemplate() = default;
  ~OptionTemplate() override;

  std::wstring GetClass() const override;
  void SetWindow(Window* window, Control* parent, bool init) override;
  using InheritType::SetWindow;
  void Activate() override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  // Stores the flag even when unchanged; selecting sweeps the group.
  void Selected(bool selected, bool trigger) override;
  virtual std::wstring GetGroup() const { return group_; }
  virtual void SetGroup(const std::wstring& group);

 protected:
  std::wstring group_;
};

extern template class OptionTemplate<Control>;
extern template class OptionTemplate<Box>;

using Option = OptionTemplate<Control>;
using OptionBox = OptionTemplate<Box>;

}  // namespace ui
