#pragma once

#include "ui/control/label.h"
#include "ui/control/list_container_element.h"
#include "ui/core/control.h"
#include "ui/core/events.h"

namespace MainComponents {

// A category tab of the news list ("main/tab_label.xml"): the name "tab_name"
// over the bar "tab_line". The selected tab keeps its name highlighted when
// the mouse leaves it.
class TabLabel : public ui::ListContainerElement {
 public:
  // Finds the name and the bar and follows the mouse over the tab.
  void Bind();
  bool OnMouseEnter(ui::EventArgs* args);
  bool OnMouseLeave(ui::EventArgs* args);

  ui::LabelTemplate<ui::Control>* name_label() const { return name_label_; }
  ui::Control* line_control() const { return line_control_; }

 private:
  // Children of the tab; null when the layout lacks them.
  ui::LabelTemplate<ui::Control>* name_label_ = nullptr;
  ui::Control* line_control_ = nullptr;
};

}  // namespace MainComponents
