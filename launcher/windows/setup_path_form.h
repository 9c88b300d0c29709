#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "launcher/windows/launcher_dialog.h"
#include "ui/control/label.h"
#include "ui/core/control.h"
#include "ui/core/events.h"

// The folder the game is installed in, below the folder the player picks.
constexpr wchar_t kGameFolderName[] = L"Corvandel Game";

// The folder a picked parent folder installs into: `folder` followed by the
// game folder name with exactly one separator ("D:\" gives
// "D:\Corvandel Game", "D:\Games" gives "D:\Games\Corvandel Game"). A folder
// whose last part already is the game folder name is taken as it is.
std::wstring InstallTargetForFolder(const std::wstring& folder);

// The free-space label's normal text colour: "red" below the space an
// installation needs, else "graya2".
std::wstring FreeSpaceColor(uint64_t free_bytes);

// The install-path dialog: shows the folder the game will be installed in,
// the space that needs and the free space of its drive, and lets the player
// pick another parent folder. "btn_ok" and Enter answer 1 (install); Esc,
// "btn_close" and the system close answer 0. A picked folder is saved as the
// game path at once. Made with new, opened with ShowOwned(owner, callback);
// deletes itself with its window.
class SetupPathForm : public LauncherDialog {
 public:
  SetupPathForm() = default;

  // Shows the target for the picked `folder` (InstallTargetForFolder) with
  // its drive's space; with `save` it also becomes the game path (saved,
  // version reloaded, the main window told). When the drive cannot be
  // queried an error box is shown and nothing changes.
  void SetPath(const std::wstring& folder, bool save);

  // Opens the folder picker; its answer comes back while this dialog lives.
  void ChangeFolder();

  std::wstring GetWindowClassName() const override { return L"SetupPathForm"; }
  std::wstring GetSkinFolder() override { return L"setup"; }
  std::wstring GetSkinFile() override { return L"skin.xml"; }
  void InitWindow() override;

 protected:
 private:
  bool OnClick(ui::EventArgs* args);
  void OnFolderPicked(int result, const std::wstring& folder);
  // The free bytes of the drive of `path`; false, with the error box owned
  // by this dialog, when the drive cannot be queried.
  bool QueryFreeSpace(const std::wstring& path, uint64_t* free_bytes);
  // Fills the labels; the free-space label only when `free_bytes` is known.
  void ShowTarget(const std::wstring& target, const uint64_t* free_bytes);

  ui::LabelTemplate<ui::Control>* path_label_ = nullptr;        // owned by the tree
  ui::LabelTemplate<ui::Control>* need_space_label_ = nullptr;  // owned by the tree
  ui::LabelTemplate<ui::Control>* free_space_label_ = nullptr;  // owned by the tree
  bool picker_open_ = false;
};
