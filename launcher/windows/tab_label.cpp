#include "launcher/windows/tab_label.h"

#include "launcher/windows/named_child.h"

namespace MainComponents {

void TabLabel::Bind() {
  name_label_ = dynamic_cast<ui::LabelTemplate<ui::Control>*>(FindNamedChild(this, L"tab_name"));
  line_control_ = FindNamedChild(this, L"tab_line");
  AddEventHandler(ui::kEventMouseEnter,
                  ToWeakCallback([this](ui::EventArgs* args) { return OnMouseEnter(args); }));
  AddEventHandler(ui::kEventMouseLeave,
                  ToWeakCallback([this](ui::EventArgs* args) { return OnMouseLeave(args); }));
}

bool TabLabel::OnMouseEnter(ui::EventArgs*) {
  if (name_label_) {
    name_label_->SetHotAlpha(255);
    name_label_->SetState(ui::kControlStateHot);
    name_label_->Invalidate();
  }
  return false;
}

bool TabLabel::OnMouseLeave(ui::EventArgs*) {
  if (name_label_ && !IsSelected()) {
    name_label_->SetHotAlpha(0);
    name_label_->SetState(ui::kControlStateNormal);
    name_label_->Invalidate();
  }
  return false;
}

}  // namespace MainComponents
