#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "launcher/core/dialog_requests.h"
#include "launcher/windows/launcher_dialog.h"
#include "ui/control/button.h"
#include "ui/core/control.h"
#include "ui/core/events.h"

// The launcher's two-button message box: a title, a content and a detail
// text, "btn_yes" (answers DialogResult::Ok) and "btn_no" (answers
// DialogResult::Cancel, as do Esc and the system close). An empty caption
// hides its button. Made with new; deletes itself with its window.
class MsgBox : public LauncherDialog {
 public:
  MsgBox() = default;

  // Each text is a language key when `is_key`, else shown as it stands.
  void SetTitle(const std::wstring& text, bool is_key);
  void SetContent(const std::wstring& text, bool is_key);
  void SetDetail(const std::wstring& text, bool is_key);
  // The captions of "btn_no" and "btn_yes", as literal texts or as keys.
  void SetButtonTexts(const std::wstring& no_text, const std::wstring& yes_text);
  void SetButtonTextIds(const std::wstring& no_key, const std::wstring& yes_key);

  // Shows the box owned by `owner`. With `swap_button_looks` the two buttons
  // exchange their images and text colours but keep their names and answers.
  // When the window cannot be made, nothing is shown, the callback is dropped
  // and the object is gone.
  bool Show(ui::Window* owner, DialogCallback result_callback, bool swap_button_looks);

  // The two answers: close, then hand 1 or 0 to the callback on the UI thread.
  void Confirm() override { Answer(static_cast<int32_t>(DialogResult::Ok)); }
  void Cancel() override { Answer(static_cast<int32_t>(DialogResult::Cancel)); }

  std::wstring GetWindowClassName() const override { return L"MsgBox"; }
  std::wstring GetSkinFolder() override { return L"msgbox"; }
  std::wstring GetSkinFile() override { return L"skin.xml"; }
  void InitWindow() override;

 protected:
  LRESULT OnKeyDown(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override;
  // Clears the context's open-box flag and tells the main window.
  void OnClosing() override;

 private:
  bool OnClick(ui::EventArgs* args);
  void SwapButtonLooks();

  bool title_is_key_ = false;
  std::wstring title_;
  bool content_is_key_ = false;
  std::wstring content_;
  bool detail_is_key_ = false;
  std::wstring detail_;
  bool buttons_are_keys_ = false;
  std::wstring no_caption_;
  std::wstring yes_caption_;
  ui::ButtonTemplate<ui::Control>* btn_no_ = nullptr;   // owned by the tree
  ui::ButtonTemplate<ui::Control>* btn_yes_ = nullptr;  // owned by the tree
};
