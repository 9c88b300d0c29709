#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "launcher/core/dialog_requests.h"
#include "launcher/core/state.h"

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
};
