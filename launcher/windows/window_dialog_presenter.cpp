#include "launcher/windows/window_dialog_presenter.h"

#include "launcher/core/launcher_context.h"
#include "launcher/core/window_messages.h"
#include "launcher/windows/msg_box.h"
#include "launcher/windows/options_box.h"
#include "ui/core/window.h"

HWND WindowDialogPresenter::GetWindowHandle(ui::Window* window) {
  return window ? window->GetHWND() : nullptr;
}

void WindowDialogPresenter::ShowMessageBox(ui::Window* owner, const MessageBoxContent& content) {
  auto* box = new MsgBox();
  box->SetTitle(content.title.text, content.title.isKey);
  box->SetContent(content.content.text, content.content.isKey);
  box->SetDetail(content.detail.text, content.detail.isKey);
  if (content.captionsAreKeys) {
    box->SetButtonTextIds(content.firstCaption, content.secondCaption);
  } else {
    box->SetButtonTexts(content.firstCaption, content.secondCaption);
  }
  if (box->Show(owner, content.callback, content.swapImages)) return;
  LauncherContext* context = LauncherContext::GetInstance();
  context->messageBoxOpen = false;
  context->SendToMainWindow(WM_STATE_CHANGED, 0, 0);
}

void WindowDialogPresenter::ShowOptionsBox(ui::Window* owner, const OptionsBoxRequest& request) {
  auto* box = new OptionsBox();
  box->SetContent(request.titleKey, true);
  box->SetGroupName(request.groupName);
  box->SetOptions(request.optionKeys, true);
  box->SetSelectedIndex(request.selectedIndex);
  box->SetOkCaption(request.buttonKey, true);
  box->Show(owner, request.callback);
}
