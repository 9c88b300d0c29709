#include "launcher/windows/scroll_page.h"

#include "base/string_util.h"
#include "launcher/core/launcher_context.h"
#include "launcher/windows/named_child.h"

namespace MainComponents {

void ScrollDot::Bind() { dot_control_ = FindNamedChild(this, L"btn_dot"); }

void ScrollPage::SetContent(const std::string& image, const std::string& link) {
  image_control_ = FindNamedChild(this, L"bk_image");
  if (image_control_) {
    image_control_->AddEventHandler(
        ui::kEventButtonDown,
        ToWeakCallback([this](ui::EventArgs* args) { return OnClick(args); }));
    image_control_->SetBkImage(qbase::Utf8ToWide(image));
  }
  link_ = link;
}

void ScrollPage::ClearContent() {
  link_.clear();
  image_control_ = nullptr;
}

bool ScrollPage::OnClick(ui::EventArgs* args) {
  if (image_control_ && args->pSender == image_control_) {
    LauncherContext::GetInstance()->OpenLink(link_, true);
  }
  // The press is the page's; nothing else acts on it.
  return false;
}

}  // namespace MainComponents
