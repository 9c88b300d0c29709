#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "launcher/windows/launcher_dialog.h"
#include "ui/control/label.h"
#include "ui/core/events.h"

// Asks the player to confirm the pre-download of the next game version,
// showing its size and the space free on the drive it goes to. "btn_confirm"
// and Enter answer 1; "btn_cancel", "btn_close", Esc and the system close
// answer 0. Made with new; deletes itself with its window.
class PreDlcForm : public LauncherDialog {
 public:
  PreDlcForm() = default;

  // Shows the dialog owned by `owner` (the main window), which it disables
  // while open. False when the window cannot be made: nothing is shown, the
  // callback is dropped and the object is gone.
  bool Show(ui::Window* owner, std::function<void(int32_t)> result_callback) {
    return ShowOwned(owner, std::move(result_callback));
  }

  // The pre-download's size and the free space of its drive; a drive that
  // cannot be asked leaves its value empty.
  void ShowSizes();

  std::wstring GetWindowClassName() const override { return L"PreDlcForm"; }
  std::wstring GetSkinFolder() override { return L"predlc"; }
  std::wstring GetSkinFile() override { return L"skin.xml"; }
  void InitWindow() override;

 protected:
 private:
  bool OnClick(ui::EventArgs* args);

  ui::Label* size_value_label_ = nullptr;   // owned by the tree
  ui::Label* space_value_label_ = nullptr;  // owned by the tree
};
