#include "launcher/core/public_address.h"

#include <winsock2.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/json_util.h"
#include "launcher/core/launcher_context.h"
#include "tests/launcher/core/report_worker.h"
#include "tests/support/query_pairs.h"
#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"

namespace {

using report_test::AttributionPath;
using report_test::AwaitRequests;
using report_test::TrackPath;

TEST(PublicAddressReplyTest, OnlyADottedIpv4AddressIsTaken) {
  struct Case {
    std::string reply;
    std::optional<std::string> address;
  };
  const std::vector<Case> cases = {
      {"203.0.113.7\n", "203.0.113.7"},
      {"203.0. 113.7", "203.0.113.7"},
      {"\r\n\t 10.0.0.1\v\f\r\n", "10.0.0.1"},
      {"0.0.0.0", "0.0.0.0"},
      {"255.255.255.255", "255.255.255.255"},
      {"", std::nullopt},
      {" \n\t\r", std::nullopt},
      {"<html>proxy error</html>", std::nullopt},
      {"1.2.3", std::nullopt},
      {"1.2.3.4.5", std::nullopt},
      {"1..2.3", std::nullopt},
      {".1.2.3", std::nullopt},
      {"1.2.3.", std::nullopt},
      {"256.1.1.1", std::nullopt},
      {"1.2.3.1000", std::nullopt},
      {"1.2.3.4x", std::nullopt},
      {"2001:db8::1", std::nullopt},
      {std::string("1.2.3.4\0", 8), std::nullopt},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.reply);
    EXPECT_EQ(ParsePublicAddressReply(test.reply.data(), static_cast<int32_t>(test.reply.size())),
              test.address);
  }
  EXPECT_EQ(ParsePublicAddressReply(nullptr, 0), std::nullopt);
}

// The first IPv4 address the Wine prefix gives for its own host name.
std::string FirstHostAddress() {
  WSADATA data;
  EXPECT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  char name[256] = {};
  std::string address;
  if (gethostname(name, sizeof(name)) == 0) {
    const hostent* host = gethostbyname(name);
    if (host != nullptr && host->h_addr_list[0] != nullptr) {
      address = inet_ntoa(*reinterpret_cast<const in_addr*>(host->h_addr_list[0]));
    }
  }
  WSACleanup();
  return address;
}

class PublicAddressLookupTest : public testing::Test {
 protected:
  PublicAddressLookupTest() : folder(scratch.path()) {
    download_test::ResetFaultHost();
    worker.Start();
    worker.RunAndWait([] { LauncherContext::GetInstance()->publicIp.clear(); });
  }

  std::string ServiceUrl() const { return download_test::GetServers().faultUrl + "/~ip/"; }

  // Runs one lookup on the worker; true when it asked the service.
  bool Lookup() {
    bool asked = false;
    worker.RunAndWait(
        [&] { asked = RequestPublicAddress(&DownloadManager::GetInstance(), 1, ServiceUrl()); });
    return asked;
  }

  std::string StoredAddress() {
    std::string address;
    worker.RunAndWait([&] { address = LauncherContext::GetInstance()->publicIp; });
    return address;
  }

  // Sends an attribution event behind everything posted so far and waits
  // for it: whatever was posted before it has gone out by then.
  void Flush(const std::string& marker) {
    const size_t before = download_test::FaultRequests(AttributionPath()).size();
    LauncherContext::GetInstance()->ReportAttributionEvent(marker, "", "", "");
    ASSERT_GT(AwaitRequests(AttributionPath(), before + 1).size(), before);
    for (const Json::Value& request : download_test::FaultRequests(AttributionPath())) {
      for (const auto& pair : test_support::DecodeQueryPairs(request["query"].asString())) {
        if (pair.first == "event_name" && pair.second == marker) return;
      }
    }
    ADD_FAILURE() << "the marker " << marker << " never arrived";
  }

  test_support::ScratchDir scratch;
  test_support::ScopedCurrentFolder folder;
  report_test::ReportWorker worker;
};

TEST_F(PublicAddressLookupTest, TheServiceAddressOrTheLocalOneGoesIntoBothStartReports) {
  const std::string local = FirstHostAddress();
  struct Case {
    const char* name;
    Json::Value rule;
    std::string stored;
  };
  auto reply = [](int status, const std::string& body) {
    Json::Value rule;
    rule["path"] = "/~ip/";
    rule["action"] = "status";
    rule["status"] = status;
    rule["body"] = body;
    return rule;
  };
  const std::vector<Case> cases = {
      {"address and line feed", reply(200, "203.0.113.7\n"), "203.0.113.7"},
      {"blank inside", reply(200, "203.0. 113.7"), "203.0.113.7"},
      {"status 404", reply(404, "203.0.113.7"), local},
      {"white space only", reply(200, " \r\n"), local},
      {"empty", reply(200, ""), local},
      {"not an address", reply(200, "<html>captive portal</html>"), local},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    download_test::ResetFaultHost();
    download_test::SetFaultRule(test.rule);
    worker.RunAndWait([] { LauncherContext::GetInstance()->publicIp.clear(); });

    EXPECT_TRUE(Lookup());
    EXPECT_EQ(StoredAddress(), test.stored);
    const std::vector<Json::Value> asked = download_test::FaultRequests("/~ip/");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0]["method"].asString(), "GET");

    const std::vector<Json::Value> details = AwaitRequests(TrackPath(), 1);
    const std::vector<Json::Value> events = AwaitRequests(AttributionPath(), 1);
    ASSERT_EQ(details.size(), 1u);
    ASSERT_EQ(events.size(), 1u);
    Json::Value detail;
    std::string error;
    ASSERT_TRUE(ParseJson(details[0]["body"].asString(), &detail, &error)) << error;
    EXPECT_EQ(detail["action_id"].asString(), "13");
    EXPECT_EQ(detail["ip"].asString(), test.stored);
    const auto pairs = test_support::DecodeQueryPairs(events[0]["query"].asString());
    EXPECT_NE(std::find(pairs.begin(), pairs.end(),
                        std::make_pair(std::string("event_name"),
                                       std::string("click_launch_start_open"))),
              pairs.end());
    EXPECT_NE(std::find(pairs.begin(), pairs.end(),
                        std::make_pair(std::string("ip_address"), test.stored)),
              pairs.end());
  }
}

TEST_F(PublicAddressLookupTest, ASecondPassAfterALookupAsksNothingAndReportsNothing) {
  Json::Value rule;
  rule["path"] = "/~ip/";
  rule["action"] = "status";
  rule["status"] = 200;
  rule["body"] = "198.51.100.4";
  download_test::SetFaultRule(rule);
  EXPECT_TRUE(Lookup());
  Flush("after first");
  const size_t details = download_test::FaultRequests(TrackPath()).size();
  EXPECT_EQ(details, 1u);

  EXPECT_FALSE(Lookup());
  Flush("after second");
  EXPECT_EQ(download_test::FaultRequests("/~ip/").size(), 1u);
  EXPECT_EQ(download_test::FaultRequests(TrackPath()).size(), details);
  EXPECT_EQ(StoredAddress(), "198.51.100.4");
}

TEST_F(PublicAddressLookupTest, AShutDownManagerDeliversNoReplyAndNothingIsReported) {
  Json::Value rule;
  rule["path"] = "/~ip/";
  rule["action"] = "status";
  rule["status"] = 200;
  rule["body"] = "198.51.100.4";
  download_test::SetFaultRule(rule);
  DownloadManager::GetInstance().Disable();
  EXPECT_TRUE(Lookup());
  worker.RunAndWait([] { DownloadManager::GetInstance().Init(); });
  Flush("after shut-down");
  EXPECT_EQ(StoredAddress(), "");
  EXPECT_TRUE(download_test::FaultRequests(TrackPath()).empty());
}

}  // namespace
