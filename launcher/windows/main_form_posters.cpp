// The main window's poster carousel and news list.
#include "launcher/windows/main_form.h"

#include <cstdint>
#include <vector>

#include "base/thread_registry.h"
#include "base/time_ticks.h"
#include "launcher/core/launcher_context.h"
#include "launcher/windows/news_tab_page.h"
#include "launcher/windows/scroll_page.h"
#include "launcher/windows/tab_label.h"
#include "ui/resources/global_manager.h"

namespace {

constexpr wchar_t kScrollDotLayout[] = L"main\\scroll_dot.xml";
constexpr wchar_t kScrollPageLayout[] = L"main\\scroll_page.xml";
constexpr wchar_t kTabLabelLayout[] = L"main\\tab_label.xml";
constexpr wchar_t kTabPageLayout[] = L"main\\tab_page.xml";
// After a user action the carousel waits this many ticks before moving on by
// itself.
constexpr int32_t kPosterHoldTicks = 3;

}  // namespace

void MainForm::BindPosters() {
  poster_pages_ = dynamic_cast<ui::ListBox*>(FindControl(L"scroll_pages"));
  if (poster_pages_) {
    // The pages move only when a poster is selected.
    if (ui::ScrollBar* bar = poster_pages_->GetHorizontalScrollBar()) bar->SetInternVisible(false);
    poster_pages_->SetScrollOptionFlag(true);
    poster_pages_->SetKeyboardEnabled(false);
    poster_pages_->SetMouseWheelScrollEnabled(false);
  }
  poster_dots_ = dynamic_cast<ui::ListBox*>(FindControl(L"dot_list"));
  if (poster_dots_) {
    poster_dots_->AddEventHandler(ui::kEventSelect, ToWeakCallback([this](ui::EventArgs* args) {
                                    return OnPosterDotSelect(args);
                                  }));
  }
  scroll_left_button_ =
      dynamic_cast<ui::ButtonTemplate<ui::Control>*>(FindControl(L"btn_scroll_left"));
  if (scroll_left_button_) {
    scroll_left_button_->AddEventHandler(
        ui::kEventClick, [this](ui::EventArgs* args) { return OnScrollLeftClick(args); });
  }
  scroll_right_button_ =
      dynamic_cast<ui::ButtonTemplate<ui::Control>*>(FindControl(L"btn_scroll_right"));
  if (scroll_right_button_) {
    scroll_right_button_->AddEventHandler(
        ui::kEventClick, [this](ui::EventArgs* args) { return OnScrollRightClick(args); });
  }
  poster_index_ = -1;
  poster_hold_ticks_ = -1;
  // The tick runs on this thread, where the window is destroyed, so it never
  // sees a window in the middle of going away; it ends with the window.
  qbase::ThreadRegistry::PostRepeatedTask(
      qbase::kMainThreadId, ToWeakCallback([this] { OnPosterTimer(); }), GetPosterTickInterval());
  RefreshPosters();
}

qbase::TimeDelta MainForm::GetPosterTickInterval() const {
  return qbase::TimeDelta::FromMicroseconds(2000000);
}

void MainForm::RefreshPosters() {
  if (!poster_dots_ || !poster_pages_) return;
  ClearPosters();
  const std::vector<Poster>& posters = LauncherContext::GetInstance()->posters;
  for (size_t i = 0; i < posters.size(); ++i) {
    const int32_t index = static_cast<int32_t>(i);
    auto* dot = new MainComponents::ScrollDot();
    ui::GlobalManager::FillBoxWithCache(dot, kScrollDotLayout, nullptr);
    poster_dots_->AddAt(dot, index);
    dot->Bind();
    auto* page = new MainComponents::ScrollPage();
    ui::GlobalManager::FillBoxWithCache(page, kScrollPageLayout, nullptr);
    poster_pages_->AddAt(page, index);
    page->SetContent(posters[i].image, posters[i].link);
  }
  for (ui::ButtonTemplate<ui::Control>* arrow : {scroll_left_button_, scroll_right_button_}) {
    if (arrow) arrow->SetFadeVisible(!posters.empty());
  }
  if (!posters.empty()) SelectPoster(0, false);
}

void MainForm::ClearPosters() {
  if (!poster_dots_ || !poster_pages_) return;
  poster_dots_->RemoveAll();
  for (int32_t i = 0; i < poster_pages_->GetCount(); ++i) {
    if (auto* page = dynamic_cast<MainComponents::ScrollPage*>(poster_pages_->GetItemAt(i))) {
      page->ClearContent();
    }
  }
  poster_pages_->RemoveAll();
  poster_index_ = -1;
  poster_hold_ticks_ = -1;
}

void MainForm::SelectPoster(int32_t index, bool animate) {
  if (!poster_dots_ || !poster_pages_) return;
  const int32_t count = poster_dots_->GetCount();
  if (index < 0 || index >= count) return;
  poster_dots_->SelectItem(index, false, false);
  for (int32_t i = 0; i < count; ++i) {
    auto* dot = dynamic_cast<MainComponents::ScrollDot*>(poster_dots_->GetItemAt(i));
    // The disabled look is the filled dot.
    if (dot && dot->dot_control()) dot->dot_control()->SetEnabled(i != index);
  }
  // A slide still running would add its remaining way to this one and come to
  // rest between two pages.
  poster_pages_->StopScroll();
  const int32_t target = index * poster_pages_->GetHorizontalScrollUnit();
  const int32_t current = poster_pages_->GetScrollPos().cx;
  if (target > current) {
    poster_pages_->LineRight(target - current, animate);
  } else if (target < current) {
    poster_pages_->LineLeft(current - target, animate);
  }
  poster_index_ = index;
  if (scroll_left_button_) scroll_left_button_->SetEnabled(count > 1 && index > 0);
  if (scroll_right_button_) scroll_right_button_->SetEnabled(count > 1 && index < count - 1);
}

void MainForm::ShowNextPoster() {
  if (!poster_dots_ || !poster_pages_) return;
  const int32_t count = poster_pages_->GetCount();
  if (count > 0) SelectPoster((poster_index_ + 1) % count, true);
}

void MainForm::OnPosterTimer() {
  if (poster_hold_ticks_ < 0) {
    ShowNextPoster();
  } else {
    --poster_hold_ticks_;
  }
}

bool MainForm::OnPosterDotSelect(ui::EventArgs* args) {
  if (!poster_dots_ || !poster_pages_) return false;
  if (args->Type != ui::kEventSelect || !args->pSender || args->pSender->GetName() != L"dot_list") {
    return false;
  }
  const int32_t index = poster_dots_->GetCurSel();
  if (index >= 0) {
    SelectPoster(index, true);
    poster_hold_ticks_ = kPosterHoldTicks;
  }
  return false;
}

bool MainForm::OnScrollLeftClick(ui::EventArgs*) {
  if (!poster_dots_) return true;
  const int32_t current = poster_dots_->GetCurSel();
  if (current > 0) {
    SelectPoster(current - 1, true);
    poster_hold_ticks_ = kPosterHoldTicks;
  }
  return true;
}

bool MainForm::OnScrollRightClick(ui::EventArgs*) {
  if (!poster_dots_) return true;
  const int32_t current = poster_dots_->GetCurSel();
  if (current < poster_dots_->GetCount() - 1) {
    SelectPoster(current + 1, true);
    poster_hold_ticks_ = kPosterHoldTicks;
  }
  return true;
}

void MainForm::BindNews() {
  news_tab_labels_ = dynamic_cast<ui::ListBox*>(FindControl(L"tab_labels"));
  if (news_tab_labels_) {
    news_tab_labels_->AddEventHandler(ui::kEventSelect, ToWeakCallback([this](ui::EventArgs* args) {
                                        return OnNewsTabEvent(args);
                                      }));
  }
  news_tab_pages_ = dynamic_cast<ui::TabBox*>(FindControl(L"tab_pages"));
  RefreshNews();
}

void MainForm::RefreshNews() {
  if (!news_tab_labels_ || !news_tab_pages_) return;
  ClearNews();
  const std::vector<NewsTab>& tabs = LauncherContext::GetInstance()->newsTabs;
  for (size_t i = 0; i < tabs.size(); ++i) {
    const int32_t index = static_cast<int32_t>(i);
    auto* label = new MainComponents::TabLabel();
    ui::GlobalManager::FillBoxWithCache(label, kTabLabelLayout, nullptr);
    news_tab_labels_->AddAt(label, index);
    label->Bind();
    if (label->name_label()) label->name_label()->SetUTF8Text(tabs[i].name);
    label->AddEventHandler(ui::kEventButtonDown, ToWeakCallback([this](ui::EventArgs* args) {
                             return OnNewsTabEvent(args);
                           }));
    auto* page = new MainComponents::TabPage();
    ui::GlobalManager::FillBoxWithCache(page, kTabPageLayout, nullptr);
    news_tab_pages_->AddAt(page, index);
    for (const NewsRecord& news : tabs[i].news) {
      page->AddNews(news.title, news.date, news.tooltip, news.link);
    }
  }
  if (!tabs.empty()) SelectNewsTab(0);
}

void MainForm::ClearNews() {
  if (!news_tab_labels_ || !news_tab_pages_) return;
  news_tab_labels_->RemoveAll();
  for (int32_t i = 0; i < news_tab_pages_->GetCount(); ++i) {
    if (auto* page = dynamic_cast<ui::Box*>(news_tab_pages_->GetItemAt(i))) page->RemoveAll();
  }
  news_tab_pages_->RemoveAll();
}

void MainForm::SelectNewsTab(int32_t index) {
  if (!news_tab_labels_ || !news_tab_pages_) return;
  const int32_t count = news_tab_pages_->GetCount();
  if (index < 0 || index >= count) return;
  for (int32_t i = 0; i < count; ++i) {
    auto* label = dynamic_cast<MainComponents::TabLabel*>(news_tab_labels_->GetItemAt(i));
    if (!label) continue;
    if (i == index) label->Selected(true, false);
    // The selected tab's name shows in the label's disabled colour.
    if (label->name_label()) label->name_label()->SetEnabled(i != index);
    if (label->line_control()) label->line_control()->SetFadeVisible(i == index);
  }
  news_tab_pages_->SelectItem(index);
}

bool MainForm::OnNewsTabEvent(ui::EventArgs* args) {
  if (!news_tab_labels_) return false;
  ui::Control* item = nullptr;
  if (args->Type == ui::kEventSelect && args->pSender &&
      args->pSender->GetName() == L"tab_labels") {
    item = news_tab_labels_->GetItemAt(news_tab_labels_->GetCurSel());
  } else if (args->Type == ui::kEventButtonDown) {
    item = dynamic_cast<MainComponents::TabLabel*>(args->pSender);
  }
  if (item) SelectNewsTab(news_tab_labels_->GetItemIndex(item));
  return false;
}
