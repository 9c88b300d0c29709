#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "launcher/core/dialog_requests.h"
#include "launcher/core/state.h"
#include "launcher/download/download_task.h"

// Which host list the next requests go to.
enum class HostList {
  Gate,     // the directory service
  Content,  // the content hosts of the directory reply
};

// What the update dialog of a failed pass asks the UI thread to show.
struct UpdateErrorDialog {
  std::wstring detail;  // the error code, message and detail of the state
  std::wstring noKey;   // language keys of the two buttons; empty hides one
  std::wstring yesKey;
  std::function<void(bool)> callback;  // true for the "yes" button; may be empty
};

// Everything the update states do to the world outside their own files and the
// context's data: requests through the download manager, window messages,
// dialogs, the skin, switches of the state machine and tasks posted to the
// worker. The launcher's implementation is ContextUpdateWorld; tests put a
// recording fake in its place.
class UpdateWorld {
 public:
  virtual ~UpdateWorld() = default;

  virtual void SendToMainWindow(UINT message, WPARAM wparam, LPARAM lparam) = 0;
  virtual void SendToGameWindows(UINT message, WPARAM wparam, LPARAM lparam) = 0;
  virtual void CollectGameWindows() = 0;

  // The next requests try the hosts of `hosts` in order.
  virtual void UseHosts(HostList hosts) = 0;
  // The content hosts named by a directory reply ("setting.json" may override).
  virtual void SetContentHosts(const std::vector<std::string>& hosts) = 0;
  // Fetches `path` from the active hosts; the answer reaches the current state
  // whose identifier is `tag` (ForwardRequestDone) before the call returns.
  virtual void Request(const std::string& path, StateId tag) = 0;
  // Asks the public-address service; the answer is stored in the context.
  virtual void LookUpPublicAddress() = 0;

  // A pass that starts while a pre-download downloads: its statistics are
  // reported for the action "pause" and every transfer is cancelled.
  virtual void StopPreDownloadTransfers() = 0;
  // The pre-download state beside the machine, or null; ending it calls its
  // Exit with no next state and destroys it.
  virtual State* PreDownloadState() = 0;
  virtual void EndPreDownloadState() = 0;

  // The one switch of the machine; destroys the calling state when it moves on.
  virtual void ChangeState(std::unique_ptr<State> next) = 0;
  // The states later in the chain. Null when the launcher has none to give.
  virtual std::unique_ptr<State> MakeDownloadFilesState(UpdateMode mode) = 0;
  virtual std::unique_ptr<State> MakeEnterGameState() = 0;
  // Runs `task` on the worker thread after what is queued there.
  virtual void PostToWorker(std::function<void()> task) = 0;

  // True when both drives have room; false after the low-space question was
  // posted, whose answer reaches `answer` on the UI thread.
  virtual bool CheckDiskSpaceForUpdate(DialogCallback answer) = 0;
  // Reports the failure ("exception") and posts the update error dialog.
  virtual void ShowUpdateError(const UpdateErrorDialog& dialog) = 0;
  // Reopens the skin package on the UI thread, then posts `continuation` to the worker.
  virtual void ReloadSkin(std::function<void()> continuation) = 0;
  // The retry of the error dialog: a game pass that starts the game at its
  // end unless "setting.json" disables that.
  virtual void StartGamePass() = 0;

  // The ready state's timers and the apply stage's slices read this clock.
  virtual const qbase::Clock& ReadyClock() = 0;
  // At most one queued report goes out.
  virtual void SendQueuedReport() = 0;
  // The periodic check of the launcher's own files.
  virtual void StartLauncherPass() = 0;
  // The worker creates the pre-download state beside the machine unless one
  // exists, or leaves and deletes it.
  virtual void StartPreDownload() = 0;
  virtual void StopPreDownload() = 0;
  // A box of language keys owned by the main window; `callback` may be empty.
  virtual void ShowMessageBox(const std::wstring& title_key, const std::wstring& content_key,
                              const std::wstring& first_caption_key,
                              const std::wstring& second_caption_key, DialogCallback callback) = 0;
  // UI thread: closes the main window and hands the waiting launcher files
  // to the self-update helper, which starts the launcher again.
  virtual void RunSelfUpdate() = 0;

  // The pre-download's transfers. Results of `tag` StateId::PreDownload reach
  // the pre-download state beside the machine; a probe answers before the
  // call returns, and false means it could not be asked (no hosts).
  virtual bool Probe(const std::string& path, StateId tag) = 0;
  virtual void DownloadFile(const std::string& url, const std::string& target,
                            const std::string& md5, int64_t size, StateId tag) = 0;
  // Ends every transfer without a result; the mode's speed limit applies next.
  virtual void CancelTransfers(DownloadMode mode) = 0;
  virtual void ResetTransferStatistics() = 0;
  virtual void SetTransferTotal(int64_t bytes) = 0;
  virtual int64_t TransferredBytes() = 0;
  virtual void AddSpeedSample(double bytes_per_second) = 0;
  virtual void ReportTransferStatistics(const std::string& action) = 0;
  // The download run's summary for the report and attribution event; with
  // `only_when_active` nothing is reported while no transfer moved bytes.
  virtual void ReportDownloadSummary(const std::string& action_id, const std::string& event,
                                     bool only_when_active) = 0;
};
