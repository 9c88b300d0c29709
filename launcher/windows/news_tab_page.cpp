#include "launcher/windows/news_tab_page.h"

#include <memory>

#include "launcher/core/launcher_context.h"
#include "launcher/windows/named_child.h"
#include "ui/box/vertical_layout.h"
#include "ui/resources/global_manager.h"

namespace MainComponents {

namespace {

constexpr wchar_t kNewsItemLayout[] = L"main\\news_item.xml";

ui::LabelTemplate<ui::Control>* FindLabel(ui::Box* box, const wchar_t* name) {
  return dynamic_cast<ui::LabelTemplate<ui::Control>*>(FindNamedChild(box, name));
}

}  // namespace

void TabPage::NewsItem::Bind() {
  title_label_ = FindLabel(this, L"news_content");
  date_label_ = FindLabel(this, L"news_date");
  if (title_label_) {
    title_label_->AddEventHandler(ui::kEventButtonDown, ToWeakCallback([this](ui::EventArgs* args) {
                                    return OnClick(args);
                                  }));
  }
}

bool TabPage::NewsItem::OnClick(ui::EventArgs* args) {
  if (!title_label_ || args->pSender != title_label_) return true;
  LauncherContext::GetInstance()->OpenLink(link_, true);
  return false;
}

TabPage::TabPage() : ui::ListBox(std::make_unique<ui::VLayout>()) {}

void TabPage::AddNews(const std::string& title, const std::string& date, const std::string& tooltip,
                      const std::string& link) {
  auto* item = new NewsItem();
  ui::GlobalManager::FillBoxWithCache(item, kNewsItemLayout, nullptr);
  Add(item);
  item->Bind();
  item->set_link(link);
  if (auto* title_label = item->title_label()) {
    title_label->SetUTF8Text(title);
    title_label->SetUTF8ToolTipText(tooltip);
  }
  if (auto* date_label = item->date_label()) date_label->SetUTF8Text(date);
  while (GetCount() > kMaxNews) RemoveAt(0);
}

}  // namespace MainComponents
