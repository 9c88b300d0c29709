#include "launcher/update/context_update_world.h"

#include <utility>

#include "base/string_util.h"
#include "base/thread_registry.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/public_address.h"
#include "launcher/download/download_manager.h"
#include "ui/resources/language_string_table.h"

ContextUpdateWorld* ContextUpdateWorld::GetInstance() {
  static ContextUpdateWorld world;
  return &world;
}

void ContextUpdateWorld::SendToMainWindow(UINT message, WPARAM wparam, LPARAM lparam) {
  LauncherContext::GetInstance()->SendToMainWindow(message, wparam, lparam);
}

void ContextUpdateWorld::SendToGameWindows(UINT message, WPARAM wparam, LPARAM lparam) {
  LauncherContext::GetInstance()->SendToGameWindows(message, wparam, lparam);
}

void ContextUpdateWorld::CollectGameWindows() {
  LauncherContext::GetInstance()->CollectGameWindows();
}

void ContextUpdateWorld::UseHosts(HostList hosts) {
  DownloadManager& downloads = DownloadManager::GetInstance();
  downloads.SetActiveUrls(hosts == HostList::Gate ? downloads.gate_urls() : downloads.dlc_urls());
}

void ContextUpdateWorld::SetContentHosts(const std::vector<std::string>& hosts) {
  DownloadManager::GetInstance().SetDlcUrls(hosts);
}

void ContextUpdateWorld::Request(const std::string& path, StateId tag) {
  DownloadManager::GetInstance().DownloadMemory(path, "", ForwardRequestDone,
                                                static_cast<int32_t>(tag));
}

void ContextUpdateWorld::LookUpPublicAddress() {
  RequestPublicAddress(&DownloadManager::GetInstance(), static_cast<int32_t>(StateId::Prepare));
}

void ContextUpdateWorld::StopPreDownloadTransfers() {
  DownloadManager& downloads = DownloadManager::GetInstance();
  downloads.ReportTransferStatistics("pause");
  downloads.CancelAll(DownloadMode::Game);
}

State* ContextUpdateWorld::PreDownloadState() {
  return LauncherContext::GetInstance()->preDownloadState.get();
}

void ContextUpdateWorld::EndPreDownloadState() {
  std::unique_ptr<State>& slot = LauncherContext::GetInstance()->preDownloadState;
  if (!slot) return;
  slot->Exit(nullptr);
  slot.reset();
}

void ContextUpdateWorld::ChangeState(std::unique_ptr<State> next) {
  LauncherContext::GetInstance()->ChangeState(std::move(next));
}

std::unique_ptr<State> ContextUpdateWorld::MakeDownloadFilesState(UpdateMode mode) {
  return later_states_.downloadFiles ? later_states_.downloadFiles(mode) : nullptr;
}

std::unique_ptr<State> ContextUpdateWorld::MakeEnterGameState() {
  return later_states_.enterGame ? later_states_.enterGame() : nullptr;
}

void ContextUpdateWorld::PostToWorker(std::function<void()> task) {
  qbase::ThreadRegistry::PostTask(qbase::kMiscThreadId, std::move(task));
}

bool ContextUpdateWorld::CheckDiskSpaceForUpdate(DialogCallback answer) {
  return LauncherContext::GetInstance()->CheckDiskSpaceForUpdate(std::move(answer));
}

void ContextUpdateWorld::ShowUpdateError(const UpdateErrorDialog& dialog) {
  LauncherContext* context = LauncherContext::GetInstance();
  std::string report;
  qbase::WideToMultiByte(dialog.detail, qbase::kCodePageUtf8, &report);
  context->ReportLauncherEvent(report, "", "", "exception", "", true);
  // Looked up now, in the language of the moment.
  const std::wstring content =
      ui::LanguageStringTable::GetInstance()->GetStringById(L"STRING_ERROR_UPDATE");
  DialogCallback answer;
  if (dialog.callback) {
    answer = [callback = dialog.callback](DialogResult result) {
      callback(result != DialogResult::Cancel);
    };
  }
  context->PostDetailedMessageBoxRequest(nullptr, L"STRING_ERROR_NOTICE", L"", L"", content, L"",
                                         dialog.detail, dialog.noKey, dialog.yesKey, L"", L"",
                                         std::move(answer), false);
}

void ContextUpdateWorld::ReloadSkin(std::function<void()> continuation) {
  LauncherContext::GetInstance()->ReloadSkin(std::move(continuation));
}

void ContextUpdateWorld::StartGamePass() {
  LauncherContext::GetInstance()->StartGamePass(true, true);
}
