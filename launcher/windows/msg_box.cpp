#include "launcher/windows/msg_box.h"

#include <utility>

#include "launcher/core/launcher_context.h"
#include "launcher/core/window_messages.h"
#include "ui/box/box.h"
#include "ui/control/label.h"
#include "ui/resources/image.h"

namespace {

void SetLabelText(ui::LabelTemplate<ui::Control>* label, const std::wstring& text, bool is_key) {
  if (label == nullptr) return;
  if (is_key) {
    label->SetTextId(text, false);
  } else {
    label->SetText(text);
  }
}

constexpr ui::ControlStateType kButtonStates[] = {ui::kControlStateNormal, ui::kControlStateHot,
                                                  ui::kControlStatePushed,
                                                  ui::kControlStateDisabled};
constexpr const wchar_t* kImageAttributes[] = {L"normalimage", L"hotimage", L"pushedimage",
                                               L"disabledimage"};

}  // namespace

void MsgBox::SetTitle(const std::wstring& text, bool is_key) {
  title_ = text;
  title_is_key_ = is_key;
}

void MsgBox::SetContent(const std::wstring& text, bool is_key) {
  content_ = text;
  content_is_key_ = is_key;
}

void MsgBox::SetDetail(const std::wstring& text, bool is_key) {
  detail_ = text;
  detail_is_key_ = is_key;
}

void MsgBox::SetButtonTexts(const std::wstring& no_text, const std::wstring& yes_text) {
  no_caption_ = no_text;
  yes_caption_ = yes_text;
  buttons_are_keys_ = false;
}

void MsgBox::SetButtonTextIds(const std::wstring& no_key, const std::wstring& yes_key) {
  no_caption_ = no_key;
  yes_caption_ = yes_key;
  buttons_are_keys_ = true;
}

bool MsgBox::Show(ui::Window* owner, DialogCallback result_callback, bool swap_button_looks) {
  std::function<void(int32_t)> callback;
  if (result_callback) {
    callback = [result_callback](int32_t value) {
      result_callback(static_cast<DialogResult>(value));
    };
  }
  if (!ShowOwned(owner, std::move(callback))) return false;
  if (swap_button_looks) SwapButtonLooks();
  return true;
}

void MsgBox::InitWindow() {
  if (auto* root = dynamic_cast<ui::Box*>(GetRoot())) {
    root->AddBubbledEventHandler(
        ui::kEventClick, ToWeakCallback([this](ui::EventArgs* args) { return OnClick(args); }));
  }
  SetLabelText(dynamic_cast<ui::LabelTemplate<ui::Control>*>(FindControl(L"title")), title_,
               title_is_key_);
  SetLabelText(dynamic_cast<ui::LabelTemplate<ui::Control>*>(FindControl(L"content")), content_,
               content_is_key_);
  SetLabelText(dynamic_cast<ui::LabelTemplate<ui::Control>*>(FindControl(L"detail")), detail_,
               detail_is_key_);

  btn_yes_ = dynamic_cast<ui::ButtonTemplate<ui::Control>*>(FindControl(L"btn_yes"));
  btn_no_ = dynamic_cast<ui::ButtonTemplate<ui::Control>*>(FindControl(L"btn_no"));
  if (btn_yes_ == nullptr || btn_no_ == nullptr) return;
  SetLabelText(btn_yes_, yes_caption_, buttons_are_keys_);
  SetLabelText(btn_no_, no_caption_, buttons_are_keys_);
  btn_yes_->SetFadeVisible(!yes_caption_.empty());
  btn_no_->SetFadeVisible(!no_caption_.empty());
  if (!yes_caption_.empty()) {
    btn_yes_->SetFocus();
  } else {
    btn_no_->SetFocus();
  }
}

void MsgBox::SwapButtonLooks() {
  if (btn_yes_ == nullptr || btn_no_ == nullptr) return;
  for (size_t i = 0; i < std::size(kButtonStates); ++i) {
    const ui::ControlStateType state = kButtonStates[i];
    const std::wstring yes_image =
        btn_yes_->GetStateImages()[ui::kImageTypeBackground][state].attribute.descriptor;
    const std::wstring no_image =
        btn_no_->GetStateImages()[ui::kImageTypeBackground][state].attribute.descriptor;
    btn_yes_->SetAttribute(kImageAttributes[i], no_image);
    btn_no_->SetAttribute(kImageAttributes[i], yes_image);
    const std::wstring yes_color = btn_yes_->GetStateTextColor(state);
    const std::wstring no_color = btn_no_->GetStateTextColor(state);
    btn_yes_->SetStateTextColor(state, no_color);
    btn_no_->SetStateTextColor(state, yes_color);
  }
}

bool MsgBox::OnClick(ui::EventArgs* args) {
  const std::wstring name = args->pSender ? args->pSender->GetName() : std::wstring();
  if (name == L"btn_yes") {
    Confirm();
  } else if (name == L"btn_no" || name == L"btn_close") {
    Cancel();
  }
  return true;
}

LRESULT MsgBox::OnKeyDown(UINT, WPARAM wparam, LPARAM, bool& handled) {
  if (wparam == VK_ESCAPE) Cancel();
  // Every key also goes on to the focused control.
  handled = false;
  return 0;
}

void MsgBox::OnClosing() {
  LauncherContext* context = LauncherContext::GetInstance();
  context->messageBoxOpen = false;
  context->SendToMainWindow(WM_STATE_CHANGED, 0, 0);
}
