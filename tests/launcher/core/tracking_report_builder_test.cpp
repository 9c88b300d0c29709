#include "launcher/core/tracking_report_builder.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/json_util.h"

namespace {

ReportFacts SampleFacts() {
  ReportFacts facts;
  facts.installPackageType = "mini";
  facts.gid = "gid-42";
  facts.gameVersion = "10080_0_5";
  facts.targetGameVersion = "10080_0_5";
  facts.downloadGameVersion = "10080_0_6";
  facts.publicIp = "203.0.113.7";
  facts.settings.language = "zh_TW";
  facts.settings.gamePath = L"D:\\Games\\TOVA";
  facts.settings.downloadSpeed = 2048;
  facts.lowestSpeed = 3 * 1048576 / 2;
  facts.highestSpeed = 5 * 1048576;
  facts.lowestSpeedPath = ".\\update\\data.bin";
  facts.machineGuid = "5f1c-guid";
  facts.deviceId = "123456789";
  facts.cpuName = "Some CPU @ 3.00GHz";
  facts.osVersion = "10.0.19045";
  facts.productName = "Windows 10 Pro";
  facts.country = "TW";
  facts.freeBytes = 3ull << 29;  // 1.5 GiB
  facts.systemLanguage = "zh_TW";
  facts.launcherFolder = "C:\\Launcher";
  facts.date = "2026-12-08";
  facts.time = "19:03:03";
  return facts;
}

Json::Value Parse(const std::string& body) {
  Json::Value value;
  std::string error;
  EXPECT_TRUE(ParseJson(body, &value, &error)) << error << ": " << body;
  return value;
}

std::set<std::string> Names(const std::string& body) {
  const Json::Value value = Parse(body);
  const std::vector<std::string> names = value.getMemberNames();
  return std::set<std::string>(names.begin(), names.end());
}

// One line, no blank between tokens, every value a string, names in byte
// order as they stand in the text.
void ExpectWireForm(const std::string& body) {
  EXPECT_EQ(body.find('\n'), std::string::npos) << body;
  EXPECT_EQ(body.find("\":\"") + 1, body.find(':')) << body;
  EXPECT_EQ(body.find(": "), std::string::npos) << body;
  const Json::Value value = Parse(body);
  size_t previous = 0;
  for (const std::string& name : value.getMemberNames()) {
    EXPECT_TRUE(value[name].isString()) << name;
    const size_t position = body.find("\"" + name + "\":");
    ASSERT_NE(position, std::string::npos) << name;
    EXPECT_GE(position, previous) << name << " out of order in " << body;
    previous = position;
  }
}

const std::set<std::string> kDetailCommon = {
    "action_id",  "channel",  "country",      "cpu",  "download_game_version", "event_date",
    "event_time", "game_id",  "game_version", "idfa", "install_package_type",  "ip",
    "language",   "log_type", "machine_guid", "pkg",  "system_type",           "system_ver"};
const std::set<std::string> kSummaryMembers = {
    "download_time", "highest_speed", "lowest_speed", "lowest_speed_location", "size", "speed"};
const std::set<std::string> kEventMembers = {"action_type",
                                             "download_game_version",
                                             "event_date",
                                             "event_time",
                                             "game_id",
                                             "game_version",
                                             "highest_speed",
                                             "install_game_path",
                                             "install_launcher_path",
                                             "install_package_type",
                                             "ip",
                                             "language",
                                             "left_capacity",
                                             "limit_speed",
                                             "log_type",
                                             "lowest_speed",
                                             "lowest_speed_location",
                                             "machine_guid",
                                             "pc_id",
                                             "print_info",
                                             "size",
                                             "speed",
                                             "step",
                                             "system",
                                             "system_language"};

std::set<std::string> Plus(std::set<std::string> names, const std::set<std::string>& more) {
  names.insert(more.begin(), more.end());
  return names;
}

std::set<std::string> Minus(std::set<std::string> names, const std::string& name) {
  names.erase(name);
  return names;
}

TEST(TrackingReportBuilderTest, EachKindAndActionCarriesItsMemberSet) {
  const ReportFacts facts = SampleFacts();
  ReportFacts no_country = SampleFacts();
  no_country.country.reset();
  const TrackingReportBuilder builder(facts);
  const TrackingReportBuilder builder_without_country(no_country);
  struct Case {
    const char* name;
    std::string body;
    std::set<std::string> members;
  };
  const std::vector<Case> cases = {
      {"ui click",
       builder.UiClick("click_button", "Play"),
       {"action", "event_date", "event_time", "game_id", "install_package_type", "log_type",
        "pc_id", "uitype"}},
      {"detail 15", builder.LauncherDetail("15", "1.500", "0.250", "12"),
       Plus(kDetailCommon, kSummaryMembers)},
      {"detail 17", builder.LauncherDetail("17", "1", "2", "3"),
       Plus(kDetailCommon, kSummaryMembers)},
      {"detail 22", builder.LauncherDetail("22", "1", "2", "3"),
       Plus(kDetailCommon, kSummaryMembers)},
      {"detail 16", builder.LauncherDetail("16", "1.500", "0.250", "12"), kDetailCommon},
      {"detail 13", builder.LauncherDetail("13", "0", "0", "0"), kDetailCommon},
      {"detail 015", builder.LauncherDetail("015", "1", "2", "3"), kDetailCommon},
      {"detail 1 5", builder.LauncherDetail("1 5", "1", "2", "3"), kDetailCommon},
      {"detail 16 without country", builder_without_country.LauncherDetail("16", "", "", ""),
       Minus(kDetailCommon, "country")},
      {"event update", builder.LauncherEvent("", "", "", "", "update"), kEventMembers},
      {"event pre_install", builder.LauncherEvent("", "", "", "", "pre_install"),
       Plus(kEventMembers, {"if_install_play"})},
      {"event PRE_INSTALL", builder.LauncherEvent("", "", "", "", "PRE_INSTALL"),
       Plus(kEventMembers, {"if_install_play"})},
      {"settings, both changed",
       builder.Settings("1", "2", 4096, 0),
       {"close_set", "event_date", "event_time", "game_id", "if_autostart", "install_package_type",
        "install_speed_limit", "language", "log_type", "machine_guid", "pc_id",
        "pre_install_speed_limit"}},
      {"settings, only a limit",
       builder.Settings("", "", 4096, 0),
       {"event_date", "event_time", "game_id", "install_package_type", "install_speed_limit",
        "language", "log_type", "machine_guid", "pc_id", "pre_install_speed_limit"}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    EXPECT_EQ(Names(test.body), test.members);
    ExpectWireForm(test.body);
  }
  EXPECT_EQ(Names(builder.LauncherDetail("15", "1.500", "0.250", "12")).size(), 24u);
  EXPECT_EQ(Names(builder.LauncherEvent("", "", "", "", "pre_install")).size(), 26u);
}

TEST(TrackingReportBuilderTest, ValuesTakeTheirFormsFromArgumentsAndFacts) {
  ReportFacts facts = SampleFacts();
  const TrackingReportBuilder builder(facts);

  const Json::Value click = Parse(builder.UiClick("Community", "Privacy"));
  EXPECT_EQ(click["log_type"].asString(), "vexoripcstarteruiclick");
  EXPECT_EQ(click["action"].asString(), "privacy");
  EXPECT_EQ(click["uitype"].asString(), "Community");
  EXPECT_EQ(click["pc_id"].asString(), "123456789");
  EXPECT_EQ(click["game_id"].asString(), "10043");
  EXPECT_EQ(click["install_package_type"].asString(), "mini");
  EXPECT_EQ(click["event_date"].asString(), "2026-12-08");
  EXPECT_EQ(click["event_time"].asString(), "2026-12-08 19:03:03");

  const Json::Value detail = Parse(builder.LauncherDetail("15", "1.500", "0.250", "12"));
  EXPECT_EQ(detail["log_type"].asString(), "vexoripclauncherdetail");
  EXPECT_EQ(detail["channel"].asString(), "gid-42");
  EXPECT_EQ(detail["idfa"].asString(), "5f1c-guid");
  EXPECT_EQ(detail["machine_guid"].asString(), "5f1c-guid");
  EXPECT_EQ(detail["download_game_version"].asString(), "10080_0_5");
  EXPECT_EQ(detail["ip"].asString(), "203.0.113.7");
  EXPECT_EQ(detail["pkg"].asString(), "com.orbascgames.qel.pc.tw");
  EXPECT_EQ(detail["system_type"].asString(), "win");
  EXPECT_EQ(detail["speed"].asString(), "1.500");
  EXPECT_EQ(detail["size"].asString(), "0.250");
  EXPECT_EQ(detail["download_time"].asString(), "12");
  EXPECT_EQ(detail["lowest_speed"].asString(), "1.500");
  EXPECT_EQ(detail["highest_speed"].asString(), "5.000");
  EXPECT_EQ(detail["lowest_speed_location"].asString(), ".\\update\\data.bin");

  const Json::Value event =
      Parse(builder.LauncherEvent("info", "2.000", "0.500", "PAUSE", "Continue"));
  EXPECT_EQ(event["log_type"].asString(), "vexoripclauncher");
  EXPECT_EQ(event["action_type"].asString(), "pause");
  EXPECT_EQ(event["step"].asString(), "continue");
  EXPECT_EQ(event["print_info"].asString(), "info");
  EXPECT_EQ(event["download_game_version"].asString(), "10080_0_6");
  EXPECT_EQ(event["left_capacity"].asString(), "1.500");
  EXPECT_EQ(event["limit_speed"].asString(), "2048");
  EXPECT_EQ(event["install_game_path"].asString(), "D:\\Games\\TOVA");
  EXPECT_EQ(event["install_launcher_path"].asString(), "C:\\Launcher");
  EXPECT_EQ(event["system"].asString(), "Windows 10 Pro");

  // Right after a statistics reset.
  facts.lowestSpeed = 100000000000;
  facts.highestSpeed = 0;
  const Json::Value reset = Parse(builder.LauncherDetail("22", "", "", ""));
  EXPECT_EQ(reset["lowest_speed"].asString(), "95367.430");
  EXPECT_EQ(reset["highest_speed"].asString(), "0.000");

  facts.freeBytes.reset();
  EXPECT_EQ(Parse(builder.LauncherEvent("", "", "", "", ""))["left_capacity"].asString(), "");
}

TEST(TrackingReportBuilderTest, ThePreInstallStepTellsWhetherANewerPreDownloadMeetsTheGame) {
  struct Case {
    const char* name;
    std::string preDownloadVersion;
    bool gameRunning;
    std::string printInfo;
    std::string step;
    const char* installPlay;  // null: no member
    const char* sentPrintInfo;
  };
  const std::vector<Case> cases = {
      {"nothing pre-downloaded", "", true, "rungame", "pre_install", "-1", ""},
      {"pre-download not newer", "10080_0_5", true, "rungame", "pre_install", "-1", ""},
      {"older pre-download", "10080_0_4", false, "", "pre_install", "-1", ""},
      {"newer, from the game start", "10080_0_6", false, "rungame", "pre_install", "1", ""},
      {"newer, game running", "10080_0_6", true, "", "pre_install", "1", ""},
      {"newer, game not running", "10080_0_6", false, "", "pre_install", "0", ""},
      {"newer, capital step", "10080_0_6", false, "", "Pre_Install", "0", ""},
      {"other print info kept", "10080_0_6", false, "offer", "pre_install", "0", "offer"},
      {"other step", "10080_0_6", true, "rungame", "play", nullptr, "rungame"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    ReportFacts facts = SampleFacts();
    facts.preDownloadVersion = test.preDownloadVersion;
    facts.gameRunning = test.gameRunning;
    const Json::Value body =
        Parse(TrackingReportBuilder(facts).LauncherEvent(test.printInfo, "", "", "", test.step));
    if (test.installPlay == nullptr) {
      EXPECT_FALSE(body.isMember("if_install_play"));
    } else {
      EXPECT_EQ(body["if_install_play"].asString(), test.installPlay);
    }
    EXPECT_EQ(body["print_info"].asString(), test.sentPrintInfo);
  }
}

TEST(TrackingReportBuilderTest, NonAsciiTextsAreWrittenAsRawUtf8) {
  ReportFacts facts = SampleFacts();
  facts.settings.gamePath = L"D:\\\x904A\x6232\\TOVA";  // "game" in Chinese
  facts.systemLanguage = "zh_TW";
  const std::string body = TrackingReportBuilder(facts).LauncherEvent("", "", "", "", "");
  EXPECT_NE(body.find("\"install_game_path\":\"D:\\\\\xE9\x81\x8A\xE6\x88\xB2\\\\TOVA\""),
            std::string::npos)
      << body;
}

TEST(TrackingReportBuilderTest, SettingsCarryOnlyWhatChanged) {
  const ReportFacts facts = SampleFacts();
  const TrackingReportBuilder builder(facts);
  const Json::Value autostart_failed = Parse(builder.Settings("0", "", 0, 1024));
  EXPECT_EQ(autostart_failed["log_type"].asString(), "vexoripcstartersetting");
  EXPECT_EQ(autostart_failed["if_autostart"].asString(), "0");
  EXPECT_FALSE(autostart_failed.isMember("close_set"));
  EXPECT_EQ(autostart_failed["install_speed_limit"].asString(), "0");
  EXPECT_EQ(autostart_failed["pre_install_speed_limit"].asString(), "1024");
  EXPECT_EQ(autostart_failed["language"].asString(), "zh_TW");

  const Json::Value close_exits = Parse(builder.Settings("", "2", 4096, 0));
  EXPECT_EQ(close_exits["close_set"].asString(), "2");
  EXPECT_FALSE(close_exits.isMember("if_autostart"));
}

}  // namespace
