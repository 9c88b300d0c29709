#pragma once

#include <string>

#include "ui/control/label.h"

namespace ui {

// A label that looks like a button (centred text, padding below) and clicks
// on Space and Enter as well as by the mouse; a tab stop while enabled.
template <typename InheritType>
class ButtonTemplate : public LabelTemplate<InheritType> {
 public:
  ButtonTemplate();

  std::wstring GetClass() const override;
  bool IsAllowTabStop() const override;
  void HandleEvent(EventArgs* msg) override;
};

extern template class ButtonTemplate<Control>;
extern template class ButtonTemplate<Box>;

using Button = ButtonTemplate<Control>;
using ButtonBox = ButtonTemplate<Box>;

}  // namespace ui
