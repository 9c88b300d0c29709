#include "launcher/update/context_update_world.h"

#include <map>
#include <memory>
#include <utility>

#include "base/string_util.h"
#include "base/thread_registry.h"
#include "launcher/core/dialog_presenter.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/public_address.h"
#include "launcher/core/resource_fonts.h"
#include "launcher/core/self_replace.h"
#include "launcher/download/download_manager.h"
#include "launcher/update/download_files_state.h"
#include "launcher/update/enter_game_state.h"
#include "launcher/update/pre_download_state.h"
#include "ui/resources/global_manager.h"
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
  DownloadManager::GetInstance().DownloadMemory(
      path, "", tag == StateId::PreDownload ? ForwardPreDownloadRequestDone : ForwardRequestDone,
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
  return std::make_unique<DownloadFilesState>(mode, this);
}

std::unique_ptr<State> ContextUpdateWorld::MakeEnterGameState() {
  return std::make_unique<EnterGameState>(this);
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

const qbase::Clock& ContextUpdateWorld::ReadyClock() { return qbase::SystemClock(); }

void ContextUpdateWorld::SendQueuedReport() { DownloadManager::GetInstance().SendQueuedReport(); }

void ContextUpdateWorld::StartLauncherPass() {
  LauncherContext::GetInstance()->StartLauncherPass();
}

void ContextUpdateWorld::StartPreDownload() { LauncherContext::GetInstance()->StartPreDownload(); }

void ContextUpdateWorld::StopPreDownload() { LauncherContext::GetInstance()->StopPreDownload(); }

void ContextUpdateWorld::ShowMessageBox(const std::wstring& title_key,
                                        const std::wstring& content_key,
                                        const std::wstring& first_caption_key,
                                        const std::wstring& second_caption_key,
                                        DialogCallback callback) {
  LauncherContext::GetInstance()->ShowMessageBox(nullptr, title_key, content_key, first_caption_key,
                                                 second_caption_key, std::move(callback), false);
}

void ContextUpdateWorld::RunSelfUpdate() {
  LauncherContext* context = LauncherContext::GetInstance();
  DialogPresenter* presenter = context->dialog_presenter();
  if (context->mainWindow == nullptr || presenter == nullptr) return;
  bool known = false;
  for (ui::Window* window : ui::GlobalManager::windowList) {
    known |= presenter->GetWindowHandle(window) == context->mainWindow;
  }
  if (!known) return;
  const bool launcher_changed = context->launcherExeUpdated;
  if (context->fontsUpdated) {
    // The helper can overwrite the fonts only once they are unregistered.
    std::map<std::wstring, DWORD> failures;
    UninstallResourceFonts(SystemFontTarget(), &failures);
  }
  // This helper does all three installs: the one the shut-down would start
  // must not race it.
  context->launcherExeUpdated = false;
  context->cefFilesUpdated = false;
  context->fontsUpdated = false;
  PostMessageW(context->mainWindow, WM_CLOSE, 0, 0);
  LaunchSelfReplace(L".\\launcher.exe", launcher_changed);
}

bool ContextUpdateWorld::Probe(const std::string& path, StateId tag) {
  return DownloadManager::GetInstance().ProbeFile(
      path, "", tag == StateId::PreDownload ? ForwardPreDownloadProbeDone : ForwardProbeDone,
      static_cast<int32_t>(tag));
}

void ContextUpdateWorld::DownloadFile(const std::string& url, const std::string& target,
                                      const std::string& md5, int64_t size, StateId tag) {
  const bool pre_download = tag == StateId::PreDownload;
  DownloadManager::GetInstance().DownloadFile(
      url, target, md5, size,
      pre_download ? ForwardPreDownloadFileDownloaded : ForwardFileDownloaded,
      pre_download ? ForwardPreDownloadSpeed : ForwardDownloadSpeed, static_cast<int32_t>(tag));
}

void ContextUpdateWorld::CancelTransfers(DownloadMode mode) {
  DownloadManager::GetInstance().CancelAll(mode);
}

void ContextUpdateWorld::ResetTransferStatistics() {
  DownloadManager::GetInstance().ResetStatistics();
}

void ContextUpdateWorld::SetTransferTotal(int64_t bytes) {
  DownloadManager::GetInstance().SetTotalBytes(bytes);
}

int64_t ContextUpdateWorld::TransferredBytes() {
  return DownloadManager::GetInstance().done_bytes();
}

void ContextUpdateWorld::AddSpeedSample(double bytes_per_second) {
  DownloadManager::GetInstance().AddSpeedSample(bytes_per_second);
}

void ContextUpdateWorld::ReportTransferStatistics(const std::string& action) {
  DownloadManager::GetInstance().ReportTransferStatistics(action);
}

void ContextUpdateWorld::ReportDownloadSummary(const std::string& action_id,
                                               const std::string& event, bool only_when_active) {
  DownloadManager::GetInstance().ReportDownloadSummary(action_id, event, only_when_active);
}
