#include "launcher/core/dialog_requests.h"

#include "launcher/core/dialog_presenter.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/window_messages.h"
#include "ui/resources/global_manager.h"

namespace {

// The request's parent, else the framework window of the main window; null
// when there is none, the framework no longer lists it, or no presenter can
// tell the windows apart.
ui::Window* FindOwner(ui::Window* parent, const LauncherContext& context) {
  if (parent != nullptr) return parent;
  DialogPresenter* presenter = context.dialog_presenter();
  if (context.mainWindow == nullptr || presenter == nullptr) return nullptr;
  for (ui::Window* window : ui::GlobalManager::windowList) {
    if (presenter->GetWindowHandle(window) == context.mainWindow) return window;
  }
  return nullptr;
}

BoxText KeyOrText(const std::wstring& key, const std::wstring& text) {
  return key.empty() ? BoxText{text, false} : BoxText{key, true};
}

}  // namespace

void MessageBoxRequest::Show() const { ShowWithDetail(BoxText{}); }

void MessageBoxRequest::ShowWithDetail(const BoxText& detail) const {
  ui::Window* owner = FindOwner(parent, *context);
  DialogPresenter* presenter = context->dialog_presenter();
  if (owner == nullptr || presenter == nullptr) {
    // No box will close to clear the open flag, which would stop automatic
    // updates for the rest of the run.
    context->messageBoxOpen = false;
    context->SendToMainWindow(WM_STATE_CHANGED, 0, 0);
    return;
  }

  MessageBoxContent box;
  box.title = KeyOrText(titleKey, titleText);
  box.content = KeyOrText(contentKey, contentText);
  box.detail = detail;
  // One caption key is enough to take both as keys, the other one then empty.
  box.captionsAreKeys = !firstCaptionKey.empty() || !secondCaptionKey.empty();
  box.firstCaption = box.captionsAreKeys ? firstCaptionKey : firstCaptionText;
  box.secondCaption = box.captionsAreKeys ? secondCaptionKey : secondCaptionText;
  box.callback = callback;
  box.swapImages = swapImages;
  presenter->ShowMessageBox(owner, box);
}

void DetailedMessageBoxRequest::Show() const { ShowWithDetail(KeyOrText(detailKey, detailText)); }

void OptionsBoxRequest::Show() const {
  ui::Window* owner = FindOwner(parent, *context);
  DialogPresenter* presenter = context->dialog_presenter();
  if (owner == nullptr || presenter == nullptr) return;
  presenter->ShowOptionsBox(owner, *this);
}
