#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "launcher/core/window_messages.h"
#include "launcher/update/update_state.h"
#include "launcher/update/update_world.h"

// The ready state, where every pass ends and the engine rests until the next.
// On entry it offers a waiting self-update, or else starts the game when the
// pass was asked to. Every tick it may refresh the main window's content,
// start the periodic launcher check, send one queued report, and now and then
// ask, in a chain of up to five requests, whether the next game version can
// be pre-downloaded.
class EnterGameState : public UpdateState {
 public:
  // Process-wide tick references of the timers, 0 at start: the content
  // refresh lives on across entries, the other two restart with each entry.
  static uint32_t lastContentRefreshTick;
  // Whether this process refreshed the content yet. The reference 0 stands
  // for the system's start, not the launcher's: on a system up for less than
  // a period the first refresh would wait hours, and with it the notice page.
  static bool contentRefreshed;
  static uint32_t lastLauncherCheckTick;
  static uint32_t lastPreDownloadQueryTick;

  static constexpr uint32_t kDefaultRefreshIntervalMs = 28800000;          // 8 h
  static constexpr uint32_t kDefaultLauncherCheckIntervalMs = 43200000;    // 12 h
  static constexpr uint32_t kDefaultPreDownloadQueryIntervalMs = 1800000;  // 30 min
  static constexpr uint32_t kPreDownloadQueryDelayMs = 60000;

  // `world` (not owned) outlives every state.
  explicit EnterGameState(UpdateWorld* world);

  StateId GetId() const override { return StateId::EnterGame; }
  void Enter(State* previous) override;
  void Update() override;
  void Exit(State* /*next*/) override {}
  void OnRequestDone(int32_t result, std::string url, const char* data, int32_t size,
                     std::string error) override;

  uint32_t refreshIntervalMs() const { return refresh_interval_ms_; }
  uint32_t launcherCheckIntervalMs() const { return launcher_check_interval_ms_; }
  uint32_t preDownloadQueryIntervalMs() const { return pre_download_query_interval_ms_; }
  int32_t queryStep() const { return query_step_; }

 private:
  // The tick count the timers compare, wrapped as the system's would be.
  uint32_t Now() const;
  bool OfferSelfUpdate();
  void StartGame();
  // One request of the query chain, awaited as `step`.
  void RequestStep(int32_t step, HostList hosts, const std::string& path);
  void OnPreDownloadQueryReply(const std::string& reply);
  void OnDirectoryReply(const std::string& reply);
  void OnGameVersionMapReply(const std::string& reply);
  void OnPreDownloadMapReply(const std::string& reply);
  void OnPreDownloadPatchListReply(const std::string& reply);
  void FinishPreDownloadQuery();
  void SendPreDownloadPage(PreDownloadPage page);

  uint32_t refresh_interval_ms_ = kDefaultRefreshIntervalMs;
  uint32_t launcher_check_interval_ms_ = kDefaultLauncherCheckIntervalMs;
  uint32_t pre_download_query_interval_ms_ =
      kDefaultPreDownloadQueryIntervalMs + kPreDownloadQueryDelayMs;
  int32_t query_step_ = 0;
  // Each entry asks at its first tick with a version installed: the reference
  // 0 stands for the system's start, so on a system up for less than a period
  // the question would otherwise wait for the uptime to pass it.
  bool pre_download_query_due_ = false;
  std::vector<std::string> content_hosts_;
  std::vector<std::string> pre_download_hosts_;
};
