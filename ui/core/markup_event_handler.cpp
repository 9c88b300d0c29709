#include "ui/core/markup_event_handler.h"

#include "ui/core/control.h"
#include "ui/core/window.h"

namespace ui {

namespace {

Control* FindReceiver(Control* carrier, const std::wstring& receiver) {
  const bool relative =
      receiver.size() >= 2 && receiver[0] == L'.' && (receiver[1] == L'\\' || receiver[1] == L'/');
  if (!relative) {
    Window* window = carrier->GetWindow();
    return window ? window->FindControl(receiver) : nullptr;
  }
  std::wstring name = receiver.substr(2);
  return carrier->FindControl(
      [](Control* control, void* data) -> Control* {
        const std::wstring& wanted = *static_cast<const std::wstring*>(data);
        const std::wstring& own = control->GetName();
        return !own.empty() && _wcsicmp(own.c_str(), wanted.c_str()) == 0 ? control : nullptr;
      },
      &name, 0, {0, 0});
}

}  // namespace

EventCallback MakeMarkupEventHandler(Control* carrier, const std::wstring& receiver,
                                     const std::wstring& attributes) {
  return [carrier, receiver, attributes](EventArgs*) {
    if (Control* found = FindReceiver(carrier, receiver)) found->ApplyAttributeList(attributes);
    return true;
  };
}

}  // namespace ui
