#include "launcher/windows/options_box.h"

#include <cstdlib>
#include <string>
#include <utility>

#include "launcher/core/dialog_requests.h"
#include "ui/box/box.h"
#include "ui/control/button.h"
#include "ui/control/option.h"

void OptionsBox::SetContent(const std::wstring& text, bool is_key) {
  content_ = text;
  content_is_key_ = is_key;
}

void OptionsBox::SetOptions(const std::vector<std::wstring>& options, bool are_keys) {
  options_ = options;
  options_are_keys_ = are_keys;
}

void OptionsBox::SetOkCaption(const std::wstring& text, bool is_key) {
  ok_caption_ = text;
  ok_is_key_ = is_key;
}

bool OptionsBox::Show(ui::Window* owner, OptionChoiceCallback result_callback) {
  return ShowOwned(owner, std::move(result_callback));
}

void OptionsBox::InitWindow() {
  if (auto* root = dynamic_cast<ui::Box*>(GetRoot())) {
    root->AddBubbledEventHandler(
        ui::kEventClick, ToWeakCallback([this](ui::EventArgs* args) { return OnClick(args); }));
  }
  if (auto* content = dynamic_cast<ui::LabelTemplate<ui::Control>*>(FindControl(L"content"))) {
    if (content_is_key_) {
      content->SetTextId(content_, false);
    } else {
      content->SetText(content_);
    }
  }
  if (auto* list = dynamic_cast<ui::Box*>(FindControl(L"option_vlist"))) {
    for (size_t i = 0; i < options_.size(); ++i) {
      const int32_t index = static_cast<int32_t>(i);
      auto* option = new ui::OptionTemplate<ui::Control>();
      option->SetClass(L"btn_radio");
      option->SetGroup(group_name_);
      if (options_are_keys_) {
        option->SetTextId(options_[i], false);
      } else {
        option->SetText(options_[i]);
      }
      list->AddAt(option, index);
      option->Selected(index == selected_index_, false);
      option->SetUTF8DataID(std::to_string(index));
      option->AddEventHandler(ui::kEventSelect, ToWeakCallback([this](ui::EventArgs* args) {
                                if (args->pSender) {
                                  selected_index_ =
                                      std::atoi(args->pSender->GetUTF8DataID().c_str());
                                }
                                return true;
                              }));
    }
  }
  if (auto* ok = dynamic_cast<ui::ButtonTemplate<ui::Control>*>(FindControl(L"btn_ok"))) {
    if (ok_is_key_) {
      ok->SetTextId(ok_caption_, false);
    } else {
      ok->SetText(ok_caption_);
    }
    ok->SetFocus();
  }
}

bool OptionsBox::OnClick(ui::EventArgs* args) {
  const std::wstring name = args->pSender ? args->pSender->GetName() : std::wstring();
  if (name == L"btn_ok") {
    Confirm();
  } else if (name == L"btn_close") {
    Dismiss();
  }
  return true;
}

LRESULT OptionsBox::OnSysCommand(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  if (wparam != SC_CLOSE) return LauncherDialog::OnSysCommand(message, wparam, lparam, handled);
  Confirm();
  return 0;
}

LRESULT OptionsBox::OnKeyDown(UINT, WPARAM wparam, LPARAM, bool& handled) {
  if (wparam == VK_ESCAPE) {
    Dismiss();
    return 0;
  }
  handled = false;
  return 0;
}
