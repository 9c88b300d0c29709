#include "launcher/windows/named_child.h"

ui::Control* FindNamedChild(ui::Box* box, const std::wstring& name) {
  if (!box) return nullptr;
  return box->FindControl(
      [box, &name](ui::Control* control, void*) -> ui::Control* {
        return control != box && control->GetName() == name ? control : nullptr;
      },
      nullptr, 0, {0, 0});
}
