// The report operations of LauncherContext, end to end: posted from the
// test's thread, built on the worker and received by the local fault host.

#include <windows.h>

#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/json_util.h"
#include "base/scoped_handle.h"
#include "base/string_util.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/system_info.h"
#include "tests/launcher/core/report_worker.h"
#include "tests/support/query_pairs.h"
#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"

namespace {

using report_test::AttributionPath;
using report_test::AwaitRequests;
using report_test::TrackPath;

// A text value under HKEY_LOCAL_MACHINE as the prefix's registry holds it,
// read wide and given as UTF-8; "" when absent.
std::string MachineText(const wchar_t* key, const wchar_t* name) {
  wchar_t buffer[512] = {};
  DWORD size = sizeof(buffer);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY, nullptr,
                   buffer, &size) != ERROR_SUCCESS) {
    return std::string();
  }
  return qbase::WideToUtf8(buffer);
}

std::string MachineNumber(const wchar_t* key, const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_DWORD | RRF_SUBKEY_WOW6464KEY, nullptr,
                   &value, &size) != ERROR_SUCCESS) {
    return "0";
  }
  return std::to_string(value);
}

constexpr wchar_t kCurrentVersionKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

std::string MachineGuid() {
  return MachineText(L"SOFTWARE\\Microsoft\\Cryptography", L"MachineGuid");
}

std::string ProcessorName() {
  return MachineText(L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", L"ProcessorNameString");
}

std::string SystemVersion() {
  return MachineNumber(kCurrentVersionKey, L"CurrentMajorVersionNumber") + "." +
         MachineNumber(kCurrentVersionKey, L"CurrentMinorVersionNumber") + "." +
         MachineText(kCurrentVersionKey, L"CurrentBuild");
}

Json::Value ParseBody(const Json::Value& request) {
  Json::Value body;
  std::string error;
  EXPECT_TRUE(ParseJson(request["body"].asString(), &body, &error))
      << error << ": " << request["body"].asString();
  return body;
}

std::string PairValue(const Json::Value& request, const std::string& key) {
  for (const auto& pair : test_support::DecodeQueryPairs(request["query"].asString())) {
    if (pair.first == key) return pair.second;
  }
  return "(missing " + key + ")";
}

class LauncherContextReportsTest : public testing::Test {
 protected:
  LauncherContextReportsTest() : folder(scratch.path()) {
    download_test::ResetFaultHost();
    worker.Start();
    LauncherSettings settings = context->GetSettings();
    settings.language = "zh_TW";
    settings.gamePath = scratch.path();
    settings.downloadSpeed = 2048;
    context->SetSettings(settings);
    worker.RunAndWait([this] {
      context->gid = "gid-42";
      context->installPackageType = "mini";
      context->gameVersion = "10080_0_5";
      context->targetGameVersion = "10080_0_5";
      context->downloadGameVersion = "10080_0_6";
      context->preDownloadVersion.clear();
      context->publicIp = "203.0.113.7";
    });
  }

  // Sends the queued reports one call at a time, as the ready state's ticks
  // do.
  void SendQueued(int calls) {
    for (int call = 0; call < calls; ++call) {
      worker.RunAndWait([] { DownloadManager::GetInstance().SendQueuedReport(); });
    }
  }

  LauncherContext* context = LauncherContext::GetInstance();
  test_support::ScratchDir scratch;
  test_support::ScopedCurrentFolder folder;
  report_test::ReportWorker worker;
};

TEST_F(LauncherContextReportsTest, EveryKindReachesTheTrackingHostWithTheMachinesValues) {
  context->ReportLauncherDetail("15", "1.500", "0.250", "12");
  context->ReportLauncherEvent("", "2.000", "0.500", "Done", "", true);
  const std::vector<Json::Value> sent = AwaitRequests(TrackPath(), 2);
  ASSERT_EQ(sent.size(), 2u);
  for (const Json::Value& request : sent) {
    EXPECT_EQ(request["method"].asString(), "POST");
    EXPECT_EQ(request["query"].asString(), "token=tok");
    EXPECT_EQ(request["headers"]["content-type"].asString(), "application/json; charset=UTF-8");
  }

  const Json::Value detail = ParseBody(sent[0]);
  EXPECT_EQ(detail["log_type"].asString(), "vexoripclauncherdetail");
  EXPECT_EQ(detail["action_id"].asString(), "15");
  EXPECT_EQ(detail["speed"].asString(), "1.500");
  EXPECT_EQ(detail["channel"].asString(), "gid-42");
  EXPECT_EQ(detail["ip"].asString(), "203.0.113.7");
  EXPECT_EQ(detail["language"].asString(), "zh_TW");
  EXPECT_EQ(detail["machine_guid"].asString(), MachineGuid());
  EXPECT_EQ(detail["idfa"].asString(), MachineGuid());
  EXPECT_EQ(detail["cpu"].asString(), ProcessorName());
  EXPECT_EQ(detail["system_ver"].asString(), SystemVersion());
  // Statistics of a manager that has sampled nothing yet.
  EXPECT_EQ(detail["lowest_speed"].asString(), "95367.430");
  EXPECT_EQ(detail["highest_speed"].asString(), "0.000");
  wchar_t country[260] = {};
  if (GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_SISO3166CTRYNAME, country, 260) > 0) {
    EXPECT_EQ(detail["country"].asString(), qbase::WideToUtf8(country));
    EXPECT_EQ(detail.getMemberNames().size(), 24u);
  } else {
    EXPECT_FALSE(detail.isMember("country"));
  }
  EXPECT_EQ(detail["event_time"].asString().substr(0, 11), detail["event_date"].asString() + " ");

  const Json::Value event = ParseBody(sent[1]);
  EXPECT_EQ(event["log_type"].asString(), "vexoripclauncher");
  EXPECT_EQ(event["action_type"].asString(), "done");
  EXPECT_EQ(event["system"].asString(), MachineText(kCurrentVersionKey, L"ProductName"));
  EXPECT_EQ(event["pc_id"].asString(), GetDeviceId());
  EXPECT_EQ(event["limit_speed"].asString(), "2048");
  EXPECT_EQ(event["install_game_path"].asString(), scratch.PathUtf8());
  ULARGE_INTEGER available = {};
  ASSERT_TRUE(GetDiskFreeSpaceExW(scratch.path().c_str(), &available, nullptr, nullptr));
  // Others write to the same drive meanwhile: the figure is near, not equal.
  const double gibibytes = static_cast<double>(available.QuadPart) / 1073741824.0;
  EXPECT_NEAR(std::atof(event["left_capacity"].asString().c_str()), gibibytes, 0.5);
}

TEST_F(LauncherContextReportsTest, AttributionEventsAreGetsWhoseValuesArriveWhole) {
  worker.RunAndWait([this] {
    context->gid = "gid & co=1";
    context->publicIp.clear();
  });
  context->ReportAttributionEvent("update_game_finish", "1.500", "0.250", "12");
  context->ReportAttributionEvent("apply_update_game_success", "1.500", "0.250", "12");
  const std::vector<Json::Value> sent = AwaitRequests(AttributionPath(), 2);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0]["method"].asString(), "GET");
  EXPECT_EQ(sent[0]["headers"]["content-type"].asString(), "application/json; charset=UTF-8");
  EXPECT_EQ(sent[0]["query"].asString().rfind("activity_kind=pc_starter&install_package_type=", 0),
            0u);
  EXPECT_EQ(PairValue(sent[0], "gid"), "gid & co=1");
  EXPECT_EQ(PairValue(sent[0], "ip_address"), "");
  EXPECT_EQ(PairValue(sent[0], "uuid"), MachineGuid());
  EXPECT_EQ(PairValue(sent[0], "cpu_type"), ProcessorName());
  EXPECT_EQ(PairValue(sent[0], "os_version"), SystemVersion());
  EXPECT_EQ(PairValue(sent[0], "event_value1"), "1.500");
  EXPECT_EQ(PairValue(sent[0], "event_value3"), "12");
  EXPECT_EQ(PairValue(sent[1], "event_name"), "apply_update_game_success");
  EXPECT_EQ(sent[1]["query"].asString().find("event_value"), std::string::npos);
  // Nothing attributive goes to the tracking host.
  EXPECT_TRUE(download_test::FaultRequests(TrackPath()).empty());
}

TEST_F(LauncherContextReportsTest, QueuedReportsWaitForTheReadyStateAndGoOutOnePerCallInOrder) {
  const std::string other_url = download_test::GetServers().faultUrl + "/~z/track";
  worker.RunAndWait(
      [&] { DownloadManager::GetInstance().SubmitReport("{\"n\":\"other\"}", other_url, false); });
  context->ReportUiClick("community", "Forum_Main");
  context->ReportSettings("1", "", 4096, 0);
  context->ReportLauncherEvent("", "", "", "", "Update", false);
  // Sent at once, it passes the queued ones.
  context->ReportLauncherDetail("20", "", "", "");
  ASSERT_EQ(AwaitRequests(TrackPath(), 1).size(), 1u);
  EXPECT_EQ(ParseBody(download_test::FaultRequests(TrackPath())[0])["action_id"].asString(), "20");

  SendQueued(5);
  const std::vector<Json::Value> tracked = download_test::FaultRequests(TrackPath());
  ASSERT_EQ(tracked.size(), 4u);
  EXPECT_EQ(ParseBody(tracked[1])["action"].asString(), "forum_main");
  EXPECT_EQ(ParseBody(tracked[2])["if_autostart"].asString(), "1");
  EXPECT_EQ(ParseBody(tracked[3])["step"].asString(), "update");
  // The URL that sorts first empties before the other begins.
  const std::vector<Json::Value> other = download_test::FaultRequests("/~z/track");
  ASSERT_EQ(other.size(), 1u);
  EXPECT_EQ(other[0]["body"].asString(), "{\"n\":\"other\"}");
  const Json::Value log = download_test::FaultLog();
  EXPECT_EQ(log[log.size() - 1]["path"].asString(), "/~z/track");
}

TEST_F(LauncherContextReportsTest, ANonAsciiGameFolderIsSentAsRawUtf8) {
  const std::wstring game = scratch.Child(L"\x904A\x6232 \x30B2\x30FC\x30E0");
  ASSERT_TRUE(CreateDirectoryW(game.c_str(), nullptr));
  LauncherSettings settings = context->GetSettings();
  settings.gamePath = game;
  context->SetSettings(settings);
  context->ReportLauncherEvent("", "", "", "", "play", true);
  const std::vector<Json::Value> sent = AwaitRequests(TrackPath(), 1);
  ASSERT_EQ(sent.size(), 1u);
  // The bytes themselves, not "\u" escapes.
  const std::string body = sent[0]["body"].asString();
  EXPECT_NE(body.find(qbase::WideToUtf8(L"\x904A\x6232 \x30B2\x30FC\x30E0")), std::string::npos)
      << body;
  EXPECT_EQ(ParseBody(sent[0])["install_game_path"].asString(), qbase::WideToUtf8(game));
}

TEST_F(LauncherContextReportsTest, ThePreInstallReportAsksWhetherTheGameRuns) {
  worker.RunAndWait([this] { context->preDownloadVersion = "10080_0_6"; });
  context->ReportLauncherEvent("", "", "", "", "pre_install", true);
  ASSERT_EQ(AwaitRequests(TrackPath(), 1).size(), 1u);
  {
    // What the running game holds.
    qbase::ScopedHandle game(CreateMutexW(nullptr, FALSE, L"_Tova_Instance_"));
    ASSERT_TRUE(game.IsValid());
    context->ReportLauncherEvent("", "", "", "", "pre_install", true);
    ASSERT_EQ(AwaitRequests(TrackPath(), 2).size(), 2u);
  }
  context->ReportLauncherEvent("rungame", "", "", "", "pre_install", true);
  const std::vector<Json::Value> sent = AwaitRequests(TrackPath(), 3);
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(ParseBody(sent[0])["if_install_play"].asString(), "0");
  EXPECT_EQ(ParseBody(sent[1])["if_install_play"].asString(), "1");
  EXPECT_EQ(ParseBody(sent[2])["if_install_play"].asString(), "1");
  EXPECT_EQ(ParseBody(sent[2])["print_info"].asString(), "");
}

TEST_F(LauncherContextReportsTest, AReportToAHostThatNeverAnswersIsDroppedAndTheWorkerGoesOn) {
  download_test::MakeContent("track/json_track", 64, 1);
  Json::Value stall;
  stall["path"] = TrackPath();
  stall["action"] = "stall";
  stall["after"] = 0;
  stall["count"] = 2;
  download_test::SetFaultRule(stall);

  // At once: the worker waits out the time-out, then takes the next task.
  context->ReportLauncherDetail("16", "", "", "");
  context->ReportAttributionEvent("click_launch_continue_download_game", "", "", "");
  ASSERT_EQ(AwaitRequests(AttributionPath(), 1).size(), 1u);

  // Queued: the stalled one is dropped, the next call sends the next one.
  context->ReportUiClick("click_button", "first");
  context->ReportUiClick("click_button", "second");
  SendQueued(3);
  const std::vector<Json::Value> tracked = download_test::FaultRequests(TrackPath());
  ASSERT_EQ(tracked.size(), 3u);
  EXPECT_EQ(ParseBody(tracked[0])["action_id"].asString(), "16");
  EXPECT_EQ(ParseBody(tracked[1])["action"].asString(), "first");
  EXPECT_EQ(ParseBody(tracked[2])["action"].asString(), "second");
}

}  // namespace
