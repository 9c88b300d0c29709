#include "launcher/windows/setup_path_form.h"

#include <cwchar>
#include <memory>

#include "base/async_modal_runner_manager.h"
#include "launcher/core/disk_space_check.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/window_messages.h"
#include "launcher/windows/folder_dialog.h"
#include "launcher/windows/panel_text.h"
#include "ui/box/box.h"
#include "ui/resources/language_string_table.h"

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

std::wstring InstallTargetForFolder(const std::wstring& folder) {
  size_t end = folder.size();
  while (end > 0 && IsSeparator(folder[end - 1])) --end;
  const std::wstring base = folder.substr(0, end);
  if (base.empty()) return kGameFolderName;
  size_t start = end;
  while (start > 0 && !IsSeparator(base[start - 1])) --start;
  // Picking the game's own folder must not nest a second one inside it.
  if (_wcsicmp(base.c_str() + start, kGameFolderName) == 0) return base;
  return base + L"\\" + kGameFolderName;
}

std::wstring FreeSpaceColor(uint64_t free_bytes) {
  return free_bytes < kRequiredDiskSpace ? L"red" : L"graya2";
}

void SetupPathForm::InitWindow() {
  if (auto* root = dynamic_cast<ui::Box*>(GetRoot())) {
    root->AddBubbledEventHandler(
        ui::kEventClick, ToWeakCallback([this](ui::EventArgs* args) { return OnClick(args); }));
  }
  path_label_ = dynamic_cast<ui::LabelTemplate<ui::Control>*>(FindControl(L"text_set_path"));
  need_space_label_ =
      dynamic_cast<ui::LabelTemplate<ui::Control>*>(FindControl(L"lable_need_space"));
  free_space_label_ =
      dynamic_cast<ui::LabelTemplate<ui::Control>*>(FindControl(L"lable_free_space"));

  // The folder shown is the one "btn_ok" installs into: the game path as it
  // is saved, with nothing appended.
  const std::wstring game_path = LauncherContext::GetInstance()->GetSettings().gamePath;
  uint64_t free_bytes = 0;
  const bool known = QueryFreeSpace(game_path, &free_bytes);
  ShowTarget(game_path, known ? &free_bytes : nullptr);
}

void SetupPathForm::SetPath(const std::wstring& folder, bool save) {
  const std::wstring target = InstallTargetForFolder(folder);
  uint64_t free_bytes = 0;
  // A drive that cannot be asked (one that went away, say) changes nothing.
  if (!QueryFreeSpace(target, &free_bytes)) return;
  if (save) {
    LauncherContext* context = LauncherContext::GetInstance();
    LauncherSettings settings = context->GetSettings();
    settings.gamePath = target;
    context->SetSettings(settings);
    context->SaveEnvConfig();
    context->LoadGameVersion();
    context->SendToMainWindow(WM_STATE_CHANGED, 0, 0);
  }
  ShowTarget(target, &free_bytes);
}

bool SetupPathForm::QueryFreeSpace(const std::wstring& path, uint64_t* free_bytes) {
  LauncherContext* context = LauncherContext::GetInstance();
  const DiskSpaceQuery query = context->disk_space_query();
  uint64_t total_bytes = 0;
  if (query != nullptr && query(path, &total_bytes, free_bytes)) return true;
  // Owned by this dialog rather than the main window: closing the box then
  // gives the input back to this dialog, not to the main window under it.
  context->ShowMessageBox(this, L"STRING_ERROR_NOTICE", L"STRING_ERROR_INVALID_DISKSPACE", L"",
                          L"STRING_CONFIRM", nullptr, false);
  return false;
}

void SetupPathForm::ShowTarget(const std::wstring& target, const uint64_t* free_bytes) {
  if (path_label_) path_label_->SetText(target);
  if (need_space_label_) {
    need_space_label_->SetText(
        LanguageTextWith(L"STRING_INSTALL_NEED_SPACE", RequiredDiskSpaceText()));
  }
  if (free_space_label_ && free_bytes) {
    free_space_label_->SetText(
        LanguageTextWith(L"STRING_INSTALL_FREE_SPACE", FormatSizeText(*free_bytes)));
    free_space_label_->SetStateTextColor(ui::kControlStateNormal, FreeSpaceColor(*free_bytes));
    free_space_label_->Invalidate();
  }
}

void SetupPathForm::ChangeFolder() {
  // One picker at a time, and none once the answer is given (Enter reaches
  // the focused button after it has closed the dialog).
  if (picker_open_ || IsClosing()) return;
  FolderDialog::ResultCallback callback = ToWeakCallback(
      [this](int result, const std::wstring& folder) { OnFolderPicked(result, folder); });
  const std::wstring title =
      ui::LanguageStringTable::GetInstance()->GetStringById(L"STRING_SELECT_PATH");
  picker_open_ = qoz_comp::AsyncModalRunnerManager::GetInstance()->DoModal(
      std::make_unique<FolderDialog>(GetHWND(), title, std::move(callback)));
}

void SetupPathForm::OnFolderPicked(int result, const std::wstring& folder) {
  picker_open_ = false;
  if (result == 1 && !IsClosing()) SetPath(folder, true);
}

bool SetupPathForm::OnClick(ui::EventArgs* args) {
  const std::wstring name = args->pSender ? args->pSender->GetName() : std::wstring();
  if (name == L"btn_ok") {
    Confirm();
  } else if (name == L"btn_change") {
    ChangeFolder();
  } else if (name == L"btn_close") {
    Cancel();
  }
  return true;
}
