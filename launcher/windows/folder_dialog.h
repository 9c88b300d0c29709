#pragma once

#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <string>

#include "base/modal_wnd_base.h"

// The launcher's folder picker: the shell's folder browser, which runs a
// blocking modal loop of its own. Hand it to
// qoz_comp::AsyncModalRunnerManager::GetInstance()->DoModal so that loop runs
// on a runner thread and the UI thread keeps going:
//
//   qoz_comp::AsyncModalRunnerManager::GetInstance()->DoModal(
//       std::make_unique<FolderDialog>(owner_hwnd, title, callback));
//
// The answer comes back as a task on the UI thread: (1, folder) when a folder
// was picked, (0, empty text) when the picker was cancelled or ended.
class FolderDialog : public qoz_comp::ModalWndBase {
 public:
  using ResultCallback = std::function<void(int, std::wstring)>;

  // `owner` is the window the picker is modal to (may be null); `title` the
  // text shown above the folder tree.
  FolderDialog(HWND owner, std::wstring title, ResultCallback callback);
  ~FolderDialog() override = default;
  FolderDialog(const FolderDialog&) = delete;
  FolderDialog& operator=(const FolderDialog&) = delete;

  // Runner thread: shows the picker and posts its answer to the UI thread.
  void Run() override;

  // The folder picked by the last Run ("" when none).
  const std::wstring& path() const { return path_; }

 private:
  std::wstring title_;
  std::wstring path_;
  BROWSEINFOW browse_info_{};
  ResultCallback callback_;
};
