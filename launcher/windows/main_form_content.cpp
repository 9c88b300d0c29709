// The main window's texts, notice page and jump links.
#include "launcher/windows/main_form.h"

#include <string>
#include <vector>

#include "base/string_util.h"
#include "base/thread_registry.h"
#include "launcher/core/launcher_context.h"
#include "launcher/windows/notice_page_address.h"
#include "ui/resources/image.h"
#include "ui/resources/language_string_table.h"

void MainForm::BindTitles() {
  title_label_ = dynamic_cast<ui::LabelTemplate<ui::Control>*>(FindControl(L"wnd_title"));
  version_label_ = dynamic_cast<ui::LabelTemplate<ui::Control>*>(FindControl(L"text_version"));
  main_title_label_ =
      dynamic_cast<ui::LabelTemplate<ui::Control>*>(FindControl(L"text_title_main"));
  sub_title_label_ = dynamic_cast<ui::LabelTemplate<ui::Control>*>(FindControl(L"text_title_sub"));
  RefreshTitles();
}

void MainForm::RefreshTitles() {
  const LauncherContext* context = LauncherContext::GetInstance();
  if (title_label_) title_label_->SetTextId(L"STRING_GAME_TITLE", true);
  if (version_label_) version_label_->SetText(qbase::Utf8ToWide(context->gameVersionDisplay));
  const auto title = [context](const char* key) {
    const auto found = context->titles.find(key);
    return found == context->titles.end() ? std::wstring() : found->second;
  };
  if (main_title_label_) main_title_label_->SetText(title("title_main"));
  if (sub_title_label_) sub_title_label_->SetText(title("title_sub"));
}

void MainForm::BindWebView() {
  web_view_ = dynamic_cast<qoz_comp::CefControlBase*>(FindControl(L"webview"));
  if (web_view_) {
    web_view_->SetOnLoadEnd(ToWeakCallback([this](int status) { OnWebViewLoadEnd(status); }));
    // The runtime asks on its own thread: the answer is given there at once,
    // the address is opened on the window's thread while the window lives.
    const auto open = ToWeakCallback([this](const std::wstring& url) { OnWebViewPopup(url); });
    web_view_->SetOnBeforePopup([open](const std::wstring& url) {
      qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [open, url] { open(url); });
      return false;
    });
    // Hidden until a page has loaded.
    web_view_->SetFadeVisible(false);
  }
  if (!LauncherContext::GetInstance()->serviceSettings.ActivityURL.empty()) {
    debug_web_view_ = dynamic_cast<qoz_comp::CefControlBase*>(FindControl(L"webview_debug"));
    if (web_view_ && debug_web_view_) web_view_->ShowDevTools(debug_web_view_);
  }
  RefreshWebView();
}

void MainForm::RefreshWebView() {
  if (!web_view_) return;
  const LauncherContext* context = LauncherContext::GetInstance();
  const std::string address = NoticePageAddress(
      context->serviceSettings.ActivityURL, context->activityAddr, context->GetSettings().language);
  if (address.empty()) {
    web_view_->SetFadeVisible(false);
    return;
  }
  web_view_->LoadURL(qbase::Utf8ToWide(address));
}

void MainForm::OnWebViewLoadEnd(int) {
  // Whatever loaded, an error page too, is shown.
  if (web_view_ && !web_view_->IsVisible()) web_view_->SetFadeVisible(true);
}

bool MainForm::OnWebViewPopup(const std::wstring& url) {
  // A page's new window opens in the player's browser, never in the launcher;
  // the context hands nothing but web addresses to the shell.
  LauncherContext::GetInstance()->OpenLink(qbase::WideToUtf8(url), false);
  return false;
}

void MainForm::RefreshJumpLinks() {
  if (!jump_link_box_) return;
  jump_link_box_->RemoveAll();
  const std::vector<JumpLink>& links = LauncherContext::GetInstance()->jumpLinks;
  for (size_t i = 0; i < links.size(); ++i) {
    const JumpLink& link = links[i];
    auto* button = new ui::ButtonTemplate<ui::Control>();
    button->SetFixedWidth(ui::kSizeAuto, false, false);
    button->SetFixedHeight(ui::kSizeAuto, false);
    button->SetHorAlignType(ui::kHorAlignCenter);
    button->SetVerAlignType(ui::kVerAlignCenter);
    button->SetBkImage(qbase::Utf8ToWide(link.normalImage));
    button->GetAnimationManager().SetFadeHot(true);
    button->GetStateImages().SetImageString(ui::kImageTypeBackground, ui::kControlStateHot,
                                            qbase::Utf8ToWide(link.hotImage));
    button->Arrange();
    button->SetUTF8DataID(link.linkName);
    button->AddEventHandler(ui::kEventClick,
                            [this](ui::EventArgs* args) { return OnJumpLinkClick(args); });
    if (!link.tooltip.empty()) {
      // A language key shows its text; the channel file's plain texts show as
      // they stand.
      const std::wstring tooltip = qbase::Utf8ToWide(link.tooltip);
      const std::wstring text = ui::LanguageStringTable::GetInstance()->GetStringById(tooltip);
      button->SetToolTipText(text.empty() ? tooltip : text);
    }
    jump_link_box_->AddAt(button, static_cast<int32_t>(i));
  }
}

bool MainForm::OnJumpLinkClick(ui::EventArgs* args) {
  if (args->pSender == nullptr) return true;
  const std::string key = args->pSender->GetUTF8DataID();
  LauncherContext* context = LauncherContext::GetInstance();
  context->OpenLink(key, true);
  // A forum link reports its name alone.
  static constexpr char kForumPrefix[] = "Forum_";
  const size_t prefix_length = sizeof(kForumPrefix) - 1;
  const bool forum = key.compare(0, prefix_length, kForumPrefix) == 0;
  context->ReportUiClick("community", forum ? key.substr(prefix_length) : key);
  return true;
}
