#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "launcher/core/launcher_settings.h"
#include "launcher/windows/launcher_dialog.h"
#include "ui/control/list_box.h"
#include "ui/core/events.h"

// The settings window: three tabs on the left ("setting_btns") and one
// scrolling list of their three pages on the right ("setting_pages"), with
// "btn_cancel" and "btn_confirm" below. The pages edit a private copy of the
// user settings, taken when the window is built; only Confirm hands it to
// the launcher. Made with new, opened with ShowOwned(owner, callback), which
// answers 1 for Confirm and 0 for Cancel; deletes itself with its window. A
// layout without both lists refuses the window: ShowOwned then fails.
class SettingForm : public LauncherDialog {
 public:
  static constexpr int32_t kTabCount = 3;

  SettingForm() = default;

  // Applies the edited copy (stored, applied, saved), then closes answering
  // 1. Nothing once the window is closing.
  void Confirm() override;
  // Closes answering 0; the copy is dropped.
  void Cancel() override;
  // Highlights tab `index` and scrolls the page list smoothly to its page;
  // an index outside the tabs is ignored.
  void SelectTab(int32_t index);
  // Refreshes every page from the launcher's current state.
  void RefreshPages();

  // The copy the pages edit.
  LauncherSettings& settings() { return settings_; }
  int32_t current_tab() const { return current_tab_; }
  ui::ListBox* tab_list() const { return tab_list_; }
  ui::ListBox* page_list() const { return page_list_; }

  std::wstring GetWindowClassName() const override { return L"SettingForm"; }
  std::wstring GetSkinFolder() override { return L"setting"; }
  std::wstring GetSkinFile() override { return L"skin.xml"; }
  void InitWindow() override;

 protected:
  LRESULT OnCreate(UINT message, WPARAM wparam, LPARAM lparam) override;
  LRESULT OnKeyDown(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override;

 private:
  bool OnClick(ui::EventArgs* args);
  bool OnTabSelect(ui::EventArgs* args);
  bool OnPagesScrollChange(ui::EventArgs* args);
  void BuildTabs();
  // Marks tab `index` as the highlighted one, without scrolling.
  void HighlightTab(int32_t index);

  ui::ListBox* tab_list_ = nullptr;   // owned by the window's tree
  ui::ListBox* page_list_ = nullptr;  // owned by the window's tree
  int32_t current_tab_ = -1;
  LauncherSettings settings_;
  // Set when the layout lacks one of the two lists.
  bool layout_incomplete_ = false;
};
