#include <windows.h>

#include <gtest/gtest.h>

#include "launcher/download/download_manager.h"
#include "launcher/download/report_identifiers.h"
#include "tests/launcher/download/download_test_env.h"
#include "tests/support/fake_clock.h"

namespace {

using download_test::FaultRequests;
using download_test::GetServers;
using download_test::MakeContent;
using download_test::SetFaultRule;

void Throttle(const std::string& path, int rate) {
  Json::Value rule(Json::objectValue);
  rule["path"] = path;
  rule["action"] = "throttle";
  rule["rate"] = rate;
  SetFaultRule(rule);
}

class DownloadSpeedTest : public testing::Test, public download_test::ManagerFixture {
 protected:
  // Queues a file whose speed samples feed the statistics, as the download
  // states forward them.
  void QueueSampled(const std::string& name, const std::string& md5, int64_t size) {
    manager.DownloadFile(
        name, LocalPath(name), md5, size,
        [this](int32_t tag, int32_t code, const std::string& url, const std::string& message) {
          results.push_back({tag, code, url, message});
        },
        [this](int32_t, double speed) { manager.AddSpeedSample(speed); }, 1);
  }
  void PollFor(int milliseconds) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    PollUntil([end] { return GetTickCount64() >= end; });
  }
};

// The manager on a clock that moves only when the test moves it: how far a
// capped transfer gets depends on nothing else.
class DownloadLimitTest : public testing::Test {
 protected:
  // However long the manager polls, a capped transfer gets no further while
  // the clock stands.
  void PollAWhile() {
    for (int i = 0; i < 200; ++i) {
      fixture.manager.Poll();
      Sleep(1);
    }
  }

  test_support::FakeClock clock;
  download_test::ManagerFixture fixture{clock};
};

TEST_F(DownloadLimitTest, LimitChangesReachTheRunningTransfersOfTheirMode) {
  const int64_t size = 1000000;
  const std::string md5 = MakeContent("limited.bin", size, 1);
  DownloadManager& manager = fixture.manager;
  manager.SetActiveUrls({GetServers().faultUrl + "/"});
  manager.SetSpeedLimit(DownloadMode::Game, true, 250);
  fixture.Queue("limited.bin", fixture.LocalPath("limited.bin"), md5, size);
  ASSERT_TRUE(fixture.PollUntil([&] { return manager.done_bytes() > 0; }));
  PollAWhile();
  // Its burst and the TLS record already on its way, no more.
  const int64_t held = 16384 + 16384;
  EXPECT_LE(manager.done_bytes(), held);
  EXPECT_TRUE(fixture.results.empty());

  // The pre-download limit does not touch transfers of the game mode.
  manager.SetSpeedLimit(DownloadMode::PreDownload, false, 0);
  manager.ApplySpeedLimit(DownloadMode::PreDownload);
  PollAWhile();
  EXPECT_LE(manager.done_bytes(), held);
  EXPECT_TRUE(fixture.results.empty());

  // Switched off, the held transfer goes on at once, the clock still standing,
  // and finishes on the request it started with.
  manager.SetSpeedLimit(DownloadMode::Game, false, 250);
  manager.ApplySpeedLimit(DownloadMode::Game);
  ASSERT_TRUE(fixture.PollUntil([&] { return !fixture.results.empty(); }));
  EXPECT_EQ(fixture.results[0].code, static_cast<int32_t>(DownloadResult::Ok))
      << fixture.results[0].message;
  EXPECT_EQ(FaultRequests("/limited.bin").size(), 1u);
}

TEST_F(DownloadSpeedTest, PauseHoldsTransfersWithoutDroppingThem) {
  const std::string md5 = MakeContent("paused.bin", 3000000, 2);
  Throttle("/paused.bin", 1000000);
  manager.SetActiveUrls({GetServers().faultUrl + "/"});
  manager.SetStallTimeout(1);
  manager.SetTotalBytes(3000000);
  QueueSampled("paused.bin", md5, 3000000);
  ASSERT_TRUE(PollUntil([&] { return manager.speed() > 0; }, 120));

  manager.PauseDownloads();
  EXPECT_TRUE(manager.paused());
  EXPECT_EQ(events.pausedNotes, std::vector<bool>{true});
  ASSERT_EQ(events.launcherEvents.size(), 1u);
  EXPECT_EQ(events.launcherEvents[0][3], "pause");
  ASSERT_EQ(events.launcherDetails.size(), 1u);
  EXPECT_EQ(events.launcherDetails[0][0], "15");
  EXPECT_EQ(events.attributionEvents.back()[0], "click_launch_pause_game");

  const int64_t held = manager.done_bytes();
  const size_t progress_notes = events.progress.size();
  // Longer than the stall limit: a paused transfer is not a stalled one.
  PollFor(3000);
  EXPECT_EQ(manager.done_bytes(), held);
  EXPECT_EQ(events.progress.size(), progress_notes);
  EXPECT_TRUE(results.empty());

  manager.ContinueDownloads();
  EXPECT_FALSE(manager.paused());
  EXPECT_EQ(events.pausedNotes, (std::vector<bool>{true, false}));
  EXPECT_EQ(events.launcherDetails.back(), (std::vector<std::string>{"16", "", "", ""}));
  EXPECT_EQ(events.attributionEvents.back()[0], "click_launch_continue_download_game");
  ASSERT_TRUE(PollUntil([&] { return !results.empty(); }, 120));
  EXPECT_EQ(results[0].code, static_cast<int32_t>(DownloadResult::Ok)) << results[0].message;
  EXPECT_EQ(FaultRequests("/paused.bin").size(), 1u);
}

TEST_F(DownloadSpeedTest, PausingWithNothingTransferredOnlyTellsTheWindow) {
  manager.PauseDownloads();
  EXPECT_EQ(events.pausedNotes, std::vector<bool>{true});
  EXPECT_TRUE(events.launcherEvents.empty());
  EXPECT_TRUE(events.launcherDetails.empty());
  EXPECT_TRUE(events.attributionEvents.empty());
  manager.CancelAll(DownloadMode::PreDownload);
  EXPECT_FALSE(manager.paused());
  EXPECT_EQ(manager.mode(), DownloadMode::PreDownload);
}

TEST_F(DownloadSpeedTest, SpeedProgressAndSummaryFollowTheTransfer) {
  const int64_t size = 3000000;
  const std::string md5 = MakeContent("measured.bin", size, 3);
  Throttle("/measured.bin", 1000000);
  manager.SetActiveUrls({GetServers().faultUrl + "/"});
  manager.ResetStatistics();
  manager.SetTotalBytes(size);
  QueueSampled("measured.bin", md5, size);
  ASSERT_TRUE(PollUntil([&] { return !results.empty(); }, 120));
  EXPECT_EQ(results[0].code, static_cast<int32_t>(DownloadResult::Ok));

  // The figures reached the window; their values, extremes and cadence are
  // the statistics' own test, on a fake clock.
  EXPECT_FALSE(events.speeds.empty());
  // Progress never goes back, and the complete run comes at the end.
  ASSERT_FALSE(events.progress.empty());
  for (size_t i = 1; i < events.progress.size(); ++i) {
    EXPECT_GE(events.progress[i].second, events.progress[i - 1].second);
  }
  EXPECT_EQ(events.progress.back(), (std::pair<int64_t, int64_t>{size, size}));

  // The summary counts bytes of this file only.
  manager.ReportDownloadSummary(kDownloadFinishDetailId, kDownloadFinishEvent, true);
  ASSERT_EQ(events.summaries.size(), 1u);
  const int64_t sampled = events.summaries[0][1];
  EXPECT_GE(events.summaries[0][0], 0);
  EXPECT_GT(sampled, 0);
  EXPECT_LE(sampled, size);
  ASSERT_EQ(events.launcherDetails.size(), 1u);
  EXPECT_EQ(events.launcherDetails[0][0], "17");
  EXPECT_EQ(events.attributionEvents[0][0], "download_game_finish");

  // A new run measures from its own start: nothing negative after a cancel.
  manager.CancelAll(DownloadMode::Game);
  EXPECT_EQ(manager.speed(), 0);
  EXPECT_EQ(manager.lowest_speed(), 100000000000);
  const std::string small_md5 = MakeContent("second.bin", 1000000, 4);
  Throttle("/second.bin", 500000);
  QueueSampled("second.bin", small_md5, 1000000);
  ASSERT_TRUE(PollUntil([&] { return manager.speed() > 0; }, 120));
  manager.PauseDownloads();
  ASSERT_FALSE(events.launcherEvents.empty());
  const std::vector<std::string>& pause = events.launcherEvents.back();
  EXPECT_EQ(pause[3], "pause");
  EXPECT_EQ(pause[1].find('-'), std::string::npos) << pause[1];
  EXPECT_EQ(pause[2].find('-'), std::string::npos) << pause[2];
  EXPECT_NE(pause[1], "0.000");
}

}  // namespace
