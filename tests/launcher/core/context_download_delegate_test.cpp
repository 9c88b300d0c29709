#include "launcher/core/context_download_delegate.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "launcher/core/launcher_context.h"
#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"

namespace {

TEST(ContextDownloadDelegateTest, StatisticsLandInTheDownloadLog) {
  DownloadLog& log = LauncherContext::GetInstance()->downloadLog;
  log = DownloadLog();
  log.downloadTime = 5;
  ContextDownloadDelegate delegate;
  delegate.SetLoggedDownloadSize(1234);
  EXPECT_EQ(log.downloadSize, 1234);
  delegate.RecordDownloadSummary(1000, 5678, 7);
  EXPECT_EQ(log.downloadSpeed, 1000);
  EXPECT_EQ(log.downloadSize, 5678);
  EXPECT_EQ(log.downloadTime, 12);
}

TEST(ContextDownloadDelegateTest, TheContextSettingsReachTheManager) {
  test_support::ScratchDir scratch;
  test_support::ScopedCurrentFolder folder(scratch.path());
  LauncherContext* context = LauncherContext::GetInstance();
  context->serviceSettings.GateURLs = {"https://gate.test/"};
  context->serviceSettings.DlcURLs = {"https://dlc.test/"};
  context->serviceSettings.TrackURL = "https://track.test/t";
  {
    DownloadManager manager;
    ApplyContextSettings(&manager);
    manager.Init();
    EXPECT_EQ(manager.gate_urls(), context->serviceSettings.GateURLs);
    EXPECT_EQ(manager.track_url(), "https://track.test/t");
    manager.SetDlcUrls({"https://reply.test/"});
    EXPECT_EQ(manager.dlc_urls(), context->serviceSettings.DlcURLs);
    manager.Shutdown();
  }
}

}  // namespace
