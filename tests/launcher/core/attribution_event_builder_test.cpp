#include "launcher/core/attribution_event_builder.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/query_pairs.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

ReportFacts SampleFacts() {
  ReportFacts facts;
  facts.installPackageType = "mini";
  facts.machineGuid = "5f1c-guid";
  facts.gid = "gid-42";
  facts.gameVersion = "10080_0_5";
  facts.unixSeconds = 1796756583;
  facts.publicIp = "203.0.113.7";
  facts.settings.language = "zh_TW";
  facts.osVersion = "10.0.19045";
  facts.cpuName = "Some CPU @ 3.00GHz";
  return facts;
}

Pairs ExpectedPairs(const ReportFacts& facts, const std::string& event_name) {
  return {{"activity_kind", "pc_starter"},
          {"install_package_type", facts.installPackageType},
          {"uuid", facts.machineGuid},
          {"gid", facts.gid},
          {"app_version", facts.gameVersion},
          {"app_id", "com.orbascgames.qel.pc.tw"},
          {"app_name", "com.orbascgames.qel.pc.tw"},
          {"package_name", "com.orbascgames.qel.pc.tw"},
          {"created_at", "1796756583"},
          {"store", "pc"},
          {"game_id", "_QEL_GAME_TW"},
          {"ip_address", facts.publicIp},
          {"language", facts.settings.language},
          {"os_version", facts.osVersion},
          {"event_name", event_name}};
}

TEST(AttributionEventBuilderTest, PairsComeInTheirOrderWithValuesOnlyForTheDownloadSummaries) {
  const ReportFacts facts = SampleFacts();
  const AttributionEventBuilder builder(facts);
  struct Case {
    std::string event;
    bool values;
  };
  const std::vector<Case> cases = {
      {"click_launch_pause_game", true},
      {"download_game_finish", true},
      {"update_game_finish", true},
      {"apply_update_game_success", false},
      {"Download_Game_Finish", false},
      {"click_launch_start_open", false},
      {"click_launch_update_launcher", false},
      {"", false},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.event);
    const std::string query = builder.Build(test.event, "1.500", "0.250", "12");
    Pairs expected = ExpectedPairs(facts, test.event);
    if (test.values) {
      expected.push_back({"event_value1", "1.500"});
      expected.push_back({"event_value2", "0.250"});
      expected.push_back({"event_value3", "12"});
    }
    expected.push_back({"cpu_type", facts.cpuName});
    EXPECT_EQ(test_support::DecodeQueryPairs(query), expected) << query;
    EXPECT_EQ(query.rfind("activity_kind=pc_starter&install_package_type=", 0), 0u);
  }
  EXPECT_NE(builder.Build("", "", "", "").find("&event_name=&cpu_type="), std::string::npos);
}

TEST(AttributionEventBuilderTest, ValuesAreEncodedSoEachArrivesWhole) {
  ReportFacts facts = SampleFacts();
  facts.publicIp.clear();
  facts.gid = "a&b=c %41+";
  facts.cpuName = "Intel(R) Core(TM) i7 \xE2\x84\xA2 CPU";
  const std::string query =
      AttributionEventBuilder(facts).Build("update_game_finish", "x y", "", "#1");
  // Nothing in the text needs escaping again on its way into a URL.
  for (const char byte : query) {
    EXPECT_TRUE(byte > 0x20 && byte < 0x7F && byte != '#' && byte != '+') << query;
  }
  EXPECT_NE(query.find("&ip_address=&"), std::string::npos) << query;
  const Pairs pairs = test_support::DecodeQueryPairs(query);
  ASSERT_EQ(pairs.size(), 19u) << query;
  EXPECT_EQ(pairs[3], std::make_pair(std::string("gid"), facts.gid));
  EXPECT_EQ(pairs[11], std::make_pair(std::string("ip_address"), std::string()));
  EXPECT_EQ(pairs[15].second, "x y");
  EXPECT_EQ(pairs[17].second, "#1");
  EXPECT_EQ(pairs[18], std::make_pair(std::string("cpu_type"), facts.cpuName));
}

}  // namespace
