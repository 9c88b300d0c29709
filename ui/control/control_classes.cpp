#include "ui/control/control_classes.h"

#include <memory>

#include "ui/box/horizontal_layout.h"
#include "ui/box/markup_builder.h"
#include "ui/box/tile_layout.h"
#include "ui/box/vertical_layout.h"
#include "ui/control/button.h"
#include "ui/control/check_box.h"
#include "ui/control/circle_progress.h"
#include "ui/control/combo.h"
#include "ui/control/label.h"
#include "ui/control/list_box.h"
#include "ui/control/list_container_element.h"
#include "ui/control/option.h"
#include "ui/control/progress.h"
#include "ui/control/rich_edit.h"
#include "ui/control/slider.h"
#include "ui/control/tree_node.h"
#include "ui/control/tree_view.h"
#include "ui/control/virtual_list_box.h"

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
  Register<ListContainerElement>(L"ListContainerElement");
  Register<ListBox>(L"ListBox");
  MarkupBuilder::RegisterControlClass(L"VListBox",
                                      [] { return new ListBox(std::make_unique<VLayout>()); });
  MarkupBuilder::RegisterControlClass(L"HListBox",
                                      [] { return new ListBox(std::make_unique<HLayout>()); });
  MarkupBuilder::RegisterControlClass(L"TileListBox",
                                      [] { return new ListBox(std::make_unique<TileLayout>()); });
  Register<Progress>(L"Progress");
  Register<Slider>(L"Slider");
  Register<CircleProgress>(L"CircleProgress");
  Register<Combo>(L"Combo");
  Register<TreeView>(L"TreeView");
  Register<TreeNode>(L"TreeNode");
  Register<VirtualListBox>(L"VirtualListBox");
  Register<RichEdit>(L"RichEdit");
}

}  // namespace ui
