#pragma once

#include <windows.h>

#include <string>

#include "ui/control/label.h"
#include "ui/control/window_impl_base.h"

// Where the pop-up goes: its right edge `gap` inside the main window's right
// edge and its bottom edge `gap` above the top of the anchor (a rectangle in
// the main window's content), clamped to the screen's left and top edges.
// `popup_size` and `main_window` are without their shadows.
POINT PlacePreDownloadPopup(const RECT& main_window, const RECT& anchor, SIZE popup_size, int gap);

// The borderless, translucent pop-up above the pre-download widget while the
// mouse rests on the running pre-download: its size, remaining time and
// speed. Made with new; deletes itself with its window.
class PreDlcPopupForm : public ui::WindowImplBase {
 public:
  PreDlcPopupForm() = default;

  // Creates the pop-up owned by the main window ("Launcher"), places it over
  // `anchor` (the pre-download widget's rectangle in the main window's
  // content) and shows it with the texts. Without a main window nothing is
  // shown and the object is gone.
  void ShowAt(const RECT& anchor, const std::wstring& size_text, const std::wstring& time_text,
              const std::wstring& speed_text);
  void UpdateTexts(const std::wstring& time_text, const std::wstring& speed_text);
  void SetSizeText(const std::wstring& size_text);

  // Hands the focus back to the main window, then closes.
  void Close(UINT result) override;

  std::wstring GetWindowClassName() const override { return L"PreDlcPopupForm"; }
  std::wstring GetSkinFolder() override { return L"predlc"; }
  std::wstring GetSkinFile() override { return L"popup_skin.xml"; }
  void InitWindow() override;

 private:
  ui::Label* size_label_ = nullptr;   // owned by the tree
  ui::Label* time_label_ = nullptr;   // owned by the tree
  ui::Label* speed_label_ = nullptr;  // owned by the tree
};
