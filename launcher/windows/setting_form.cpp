#include "launcher/windows/setting_form.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "launcher/core/launcher_context.h"
#include "launcher/windows/setting_tab_page.h"
#include "ui/box/box.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/language_string_table.h"

namespace {

constexpr const wchar_t* kTabKeys[SettingForm::kTabCount] = {
    L"STRING_TAB_NORMAL", L"STRING_TAB_RESOURCE", L"STRING_TAB_VERSION"};

std::unique_ptr<SettingComponents::TabPage> MakePage(int32_t index) {
  switch (index) {
    case 0:
      return std::make_unique<SettingComponents::TabPageNormal>();
    case 1:
      return std::make_unique<SettingComponents::TabPageResource>();
    default:
      return std::make_unique<SettingComponents::TabPageVersion>();
  }
}

bool IsSpeedField(const ui::Control* control) {
  return control && control->GetName() == L"text_speed";
}

}  // namespace

LRESULT SettingForm::OnCreate(UINT message, WPARAM wparam, LPARAM lparam) {
  const LRESULT result = LauncherDialog::OnCreate(message, wparam, lparam);
  // Refusing WM_CREATE ends the window, and with it the form.
  return layout_incomplete_ ? -1 : result;
}

void SettingForm::InitWindow() {
  settings_ = LauncherContext::GetInstance()->GetSettings();
  if (auto* root = dynamic_cast<ui::Box*>(GetRoot())) {
    root->AddBubbledEventHandler(
        ui::kEventClick, ToWeakCallback([this](ui::EventArgs* args) { return OnClick(args); }));
  }
  tab_list_ = dynamic_cast<ui::ListBox*>(FindControl(L"setting_btns"));
  page_list_ = dynamic_cast<ui::ListBox*>(FindControl(L"setting_pages"));
  if (tab_list_ == nullptr || page_list_ == nullptr) {
    layout_incomplete_ = true;
    return;
  }
  tab_list_->AddEventHandler(
      ui::kEventSelect, ToWeakCallback([this](ui::EventArgs* args) { return OnTabSelect(args); }));
  // The arrow and page keys belong to the speed fields, not to the list.
  page_list_->SetKeyboardEnabled(false);
  page_list_->AddEventHandler(ui::kEventScrollChange, ToWeakCallback([this](ui::EventArgs* args) {
                                return OnPagesScrollChange(args);
                              }));
  current_tab_ = -1;
  BuildTabs();
  tab_list_->SelectItem(0, false, false);
  page_list_->SelectItem(0, false, false);
  GetRoot()->Invalidate();
  SelectTab(0);
}

void SettingForm::BuildTabs() {
  ui::LanguageStringTable* strings = ui::LanguageStringTable::GetInstance();
  for (int32_t i = 0; i < kTabCount; ++i) {
    const std::wstring name = std::to_wstring(i);
    auto tab = std::make_unique<SettingComponents::TabLabel>();
    ui::GlobalManager::FillBoxWithCache(tab.get(), L"setting\\tab_label.xml", nullptr);
    SettingComponents::TabLabel* added_tab = tab.get();
    if (!tab_list_->AddAt(added_tab, i)) continue;
    tab.release();
    added_tab->SetName(name);
    if (added_tab->BindName()) added_tab->tab_name()->SetText(strings->GetStringById(kTabKeys[i]));

    std::unique_ptr<SettingComponents::TabPage> page = MakePage(i);
    ui::GlobalManager::FillBox(page.get(), L"setting\\tab_page" + name + L".xml", nullptr);
    SettingComponents::TabPage* added_page = page.get();
    if (!page_list_->AddAt(added_page, i)) continue;
    page.release();
    added_page->Init(name, this);
  }
}

void SettingForm::Confirm() {
  // A second click during the closing fade must not apply the copy again.
  if (IsClosing()) return;
  LauncherContext::GetInstance()->ApplySettings(settings_);
  Answer(1);
}

void SettingForm::Cancel() { Answer(0); }

void SettingForm::SelectTab(int32_t index) {
  if (index < 0 || index >= kTabCount || page_list_ == nullptr) return;
  HighlightTab(index);
  page_list_->UpdateChildOffsets();
  const std::vector<int32_t>& offsets = page_list_->GetChildOffsets();
  const int32_t start = index < static_cast<int32_t>(offsets.size()) ? offsets[index] : 0;
  const int32_t current = page_list_->GetScrollPos().cy;
  // The last page may start below the end of the range; a scroll aimed past
  // the end would stop short and keep the scroll events muted.
  const int32_t target = std::clamp<int32_t>(start, 0, page_list_->GetScrollRange().cy);
  // A running scroll would add its remaining distance to this one.
  page_list_->StopScroll();
  if (target > current) {
    page_list_->LineDown(target - current, true);
  } else if (target < current) {
    page_list_->LineUp(current - target, true);
  } else {
    // No scroll runs, so none would end and unmute the scroll events.
    page_list_->SetProgrammaticScroll(false);
  }
  current_tab_ = index;
}

void SettingForm::HighlightTab(int32_t index) {
  for (int32_t i = 0; i < kTabCount && i < tab_list_->GetCount(); ++i) {
    auto* tab = dynamic_cast<SettingComponents::TabLabel*>(tab_list_->GetItemAt(i));
    if (tab == nullptr) continue;
    tab->Selected(i == index, false);
    if (tab->tab_name()) tab->tab_name()->SetEnabled(i != index);
  }
}

void SettingForm::RefreshPages() {
  if (page_list_ == nullptr) return;
  for (int32_t i = 0; i < page_list_->GetCount(); ++i) {
    if (auto* page = dynamic_cast<SettingComponents::TabPage*>(page_list_->GetItemAt(i))) {
      page->Refresh();
    }
  }
}

bool SettingForm::OnTabSelect(ui::EventArgs* args) {
  if (args->pSender != tab_list_) return true;
  // The scroll to the page must not move the highlight on its way.
  page_list_->SetProgrammaticScroll(true);
  SelectTab(tab_list_->GetCurSel());
  return true;
}

bool SettingForm::OnPagesScrollChange(ui::EventArgs* args) {
  if (args->pSender != page_list_) return true;
  if (auto* page = dynamic_cast<SettingComponents::TabPage*>(
          page_list_->GetItemAt(page_list_->GetCurSel()))) {
    page->OnPagesScrolled();
  }
  const int32_t y = page_list_->GetScrollPos().cy;
  const std::vector<int32_t>& offsets = page_list_->GetChildOffsets();
  int32_t index = 0;
  for (int32_t i = 0; i < kTabCount && i < static_cast<int32_t>(offsets.size()); ++i) {
    if (offsets[i] <= y) index = i;
  }
  if (index == current_tab_) return true;
  current_tab_ = index;
  HighlightTab(index);
  return true;
}

bool SettingForm::OnClick(ui::EventArgs* args) {
  const std::wstring name = args->pSender ? args->pSender->GetName() : std::wstring();
  if (name == L"btn_confirm") {
    Confirm();
  } else if (name == L"btn_cancel" || name == L"btn_close") {
    Cancel();
  }
  return true;
}

LRESULT SettingForm::OnKeyDown(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  ui::Control* focus = GetFocus();
  if (IsSpeedField(focus) && (wparam == VK_ESCAPE || wparam == VK_RETURN)) {
    // The download speed field only commits (through its focus loss); the
    // window stays open.
    if (wparam == VK_RETURN) {
      const auto alive = GetWeakFlag();
      // The window's own key routing makes the field the key's target and
      // hands it the key, which commits the number.
      ui::Window::HandleMessage(message, wparam, lparam);
      if (alive.expired()) return 0;
    }
    SetFocus(nullptr);
    return 0;
  }
  handled = false;
  if (wparam != VK_ESCAPE && wparam != VK_RETURN) return 0;
  // Leaving the focused control first commits a pre-download speed typed
  // into its field.
  if (focus) SetFocus(nullptr);
  if (wparam == VK_ESCAPE) {
    Cancel();
  } else {
    Confirm();
  }
  return 0;
}
