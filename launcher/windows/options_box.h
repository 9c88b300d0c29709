#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "launcher/core/dialog_requests.h"
#include "launcher/windows/launcher_dialog.h"
#include "ui/core/events.h"

// The choice box: a content text over a vertical list of radio options of
// one group and the confirming "btn_ok". It answers the index of the option
// selected when "btn_ok" or the system close confirms; Esc closes without an
// answer. Made with new; deletes itself with its window.
class OptionsBox : public LauncherDialog {
 public:
  OptionsBox() = default;

  void SetContent(const std::wstring& text, bool is_key);
  void SetGroupName(const std::wstring& group) { group_name_ = group; }
  // The option captions in display order, as keys or literal texts.
  void SetOptions(const std::vector<std::wstring>& options, bool are_keys);
  void SetSelectedIndex(int32_t index) { selected_index_ = index; }
  void SetOkCaption(const std::wstring& text, bool is_key);

  // Shows the box owned by `owner`; false (the object gone, the owner enabled,
  // the callback dropped) when the window cannot be made.
  bool Show(ui::Window* owner, OptionChoiceCallback result_callback);

  // Closes and hands the selected index to the callback on the UI thread.
  void Confirm() override { Answer(selected_index_); }
  int32_t GetSelectedIndex() const { return selected_index_; }

  std::wstring GetWindowClassName() const override { return L"OptionsBox"; }
  std::wstring GetSkinFolder() override { return L"optionsbox"; }
  std::wstring GetSkinFile() override { return L"skin.xml"; }
  void InitWindow() override;

 protected:
  LRESULT OnSysCommand(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override;
  LRESULT OnKeyDown(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override;

 private:
  bool OnClick(ui::EventArgs* args);

  bool content_is_key_ = false;
  std::wstring content_;
  std::wstring group_name_;
  bool options_are_keys_ = false;
  std::vector<std::wstring> options_;
  int32_t selected_index_ = 0;
  bool ok_is_key_ = false;
  std::wstring ok_caption_;
};
