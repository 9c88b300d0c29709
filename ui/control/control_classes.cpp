#include "ui/control/control_classes.h"

#include "ui/box/markup_builder.h"
#include "ui/control/button.h"
#include "ui/control/check_box.h"
#include "ui/control/label.h"
#include "ui/control/option.h"

namespace ui {

namespace {

template <typename ControlType>
void Register(const wchar_t* class_name) {
  MarkupBuilder::RegisterControlClass(class_name, [] { return new ControlType; });
}

}  // namespace

void RegisterControlClasses() {
  Register<Label>(L"Label");
  Register<LabelBox>(L"LabelBox");
  Register<Button>(L"Button");
  Register<ButtonBox>(L"ButtonBox");
  Register<CheckBox>(L"CheckBox");
  Register<CheckBoxBox>(L"CheckBoxBox");
  Register<Option>(L"Option");
  Register<OptionBox>(L"OptionBox");
}

}  // namespace ui
