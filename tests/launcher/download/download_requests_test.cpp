#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include <gtest/gtest.h>

#include "launcher/download/download_manager.h"
#include "tests/launcher/download/download_test_env.h"

namespace {

constexpr int32_t kOk = static_cast<int32_t>(RequestResult::Ok);
constexpr int32_t kUnavailable = static_cast<int32_t>(RequestResult::Unavailable);
constexpr int32_t kFailed = static_cast<int32_t>(RequestResult::Failed);

using download_test::FaultRequests;
using download_test::GetServers;
using download_test::MakeContent;
using download_test::SetFaultRule;

struct MemoryRecord {
  int32_t tag;
  int32_t code;
  std::string url;
  std::string data;
  int32_t size;
  bool terminated;
  std::string message;
};

struct ProbeRecord {
  int32_t tag;
  int32_t code;
  std::string url;
  bool exists;
  std::string message;
};

Json::Value Rule(const std::string& path, int status, const std::string& body) {
  Json::Value rule(Json::objectValue);
  rule["path"] = path;
  rule["action"] = "status";
  rule["status"] = status;
  rule["body"] = body;
  return rule;
}

class DownloadRequestsTest : public testing::Test, public download_test::ManagerFixture {
 protected:
  MemoryDoneCallback RecordMemory() {
    return [this](int32_t tag, int32_t code, const std::string& url, const char* data, int32_t size,
                  const std::string& message) {
      memory.push_back({tag, code, url, data ? std::string(data, static_cast<size_t>(size)) : "",
                        size, data ? data[size] == '\0' : false, message});
    };
  }
  ProbeDoneCallback RecordProbe() {
    return [this](int32_t tag, int32_t code, const std::string& url, bool exists,
                  const std::string& message) {
      probes.push_back({tag, code, url, exists, message});
    };
  }

  std::vector<MemoryRecord> memory;
  std::vector<ProbeRecord> probes;
};

TEST_F(DownloadRequestsTest, DocumentsComeIntoMemory) {
  test_support::WriteFileBytes(GetServers().contentRoot + L"\\doc\\reply.json",
                               "{\"DlcAddr\":[\"a\"]}");
  test_support::WriteFileBytes(GetServers().contentRoot + L"\\doc\\plain.txt", "not json");
  manager.SetActiveUrls({GetServers().faultUrl + "/"});

  EXPECT_TRUE(manager.DownloadMemory("doc/reply.json", "", RecordMemory(), 4));
  EXPECT_TRUE(manager.DownloadMemory("doc/plain.txt", "", RecordMemory(), 5));
  ASSERT_EQ(memory.size(), 2u);
  EXPECT_EQ(memory[0].tag, 4);
  EXPECT_EQ(memory[0].code, kOk);
  EXPECT_EQ(memory[0].url, "doc/reply.json/");
  EXPECT_EQ(memory[0].data, "{\"DlcAddr\":[\"a\"]}");
  EXPECT_TRUE(memory[0].terminated);
  EXPECT_EQ(memory[0].message, "");
  // Not JSON: still delivered, with the reader's complaint.
  EXPECT_EQ(memory[1].code, kOk);
  EXPECT_EQ(memory[1].data, "not json");
  EXPECT_NE(memory[1].message, "");

  const std::vector<Json::Value> requests = FaultRequests("/doc/reply.json");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0]["method"].asString(), "GET");
  EXPECT_EQ(requests[0]["headers"]["user-agent"].asString(), "libcurl-agent/1.0");
}

TEST_F(DownloadRequestsTest, QueriesAreSentAsBuiltAndBodiesArePosted) {
  manager.SetActiveUrls({GetServers().faultUrl + "/"});
  SetFaultRule(Rule("/get/urls", 200, "{}"));
  EXPECT_TRUE(manager.DownloadMemory("get/urls?key=WIN10TW_1 0&udid=a#b", "", RecordMemory(), 1));
  EXPECT_TRUE(manager.DownloadMemory("get/urls", "x=1", RecordMemory(), 2));
  ASSERT_EQ(memory.size(), 2u);
  EXPECT_EQ(memory[0].code, kOk) << memory[0].message;
  EXPECT_EQ(memory[1].url, "get/urls/x=1");
  const std::vector<Json::Value> requests = FaultRequests("/get/urls");
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0]["query"].asString(), "key=WIN10TW_1%200&udid=a%23b");
  EXPECT_EQ(requests[1]["method"].asString(), "POST");
  EXPECT_EQ(requests[1]["body"].asString(), "x=1");
}

TEST_F(DownloadRequestsTest, FailingRequestsTryEveryHostThreeTimes) {
  SetFaultRule(Rule("/~a/map.txt", 500, "down"));
  SetFaultRule(Rule("/~b/map.txt", 500, "down"));
  manager.SetActiveUrls({GetServers().faultUrl + "/~a/", GetServers().faultUrl + "/~b/"});
  EXPECT_TRUE(manager.DownloadMemory("map.txt", "", RecordMemory(), 1));
  ASSERT_EQ(memory.size(), 1u);
  EXPECT_EQ(memory[0].code, kFailed);
  EXPECT_EQ(memory[0].message, "500");
  EXPECT_EQ(memory[0].data, "down");
  EXPECT_EQ(FaultRequests("/~a/map.txt").size(), 3u);
  EXPECT_EQ(FaultRequests("/~b/map.txt").size(), 3u);

  // The second host answers after the first failed three times.
  memory.clear();
  download_test::ResetFaultHost();
  SetFaultRule(Rule("/~a/map.txt", 500, "down"));
  SetFaultRule(Rule("/~b/map.txt", 200, "{\"v\":1}"));
  EXPECT_TRUE(manager.DownloadMemory("map.txt", "", RecordMemory(), 1));
  ASSERT_EQ(memory.size(), 1u);
  EXPECT_EQ(memory[0].code, kOk);
  EXPECT_EQ(memory[0].data, "{\"v\":1}");
  EXPECT_EQ(FaultRequests("/~a/map.txt").size(), 3u);
}

TEST_F(DownloadRequestsTest, AReplyPastTheCapFailsWithoutRetries) {
  const int64_t too_large = static_cast<int64_t>(DownloadManager::kMaxReplyBytes) + 1;
  download_test::MakeContent("doc/huge.json", too_large, 11);
  manager.SetActiveUrls({GetServers().contentUrl + "/", GetServers().faultUrl + "/"});
  EXPECT_TRUE(manager.DownloadMemory("doc/huge.json", "", RecordMemory(), 2));
  EXPECT_TRUE(manager.DownloadMemoryFromUrl(GetServers().contentUrl + "/doc/huge.json", "",
                                            RecordMemory(), 3));
  ASSERT_EQ(memory.size(), 2u);
  for (const MemoryRecord& record : memory) {
    EXPECT_EQ(record.code, kUnavailable);
    EXPECT_EQ(record.size, 0);
    EXPECT_NE(record.message.find("larger than"), std::string::npos) << record.message;
  }
  // One request each: no try again, no other host.
  EXPECT_EQ(download_test::AwaitContentLogLines("doc/huge.json", 2).size(), 2u);
  EXPECT_TRUE(FaultRequests("/doc/huge.json").empty());
}

TEST_F(DownloadRequestsTest, NoHostsAndShutDown) {
  EXPECT_FALSE(manager.DownloadMemory("map.txt", "", RecordMemory(), 3));
  ASSERT_EQ(memory.size(), 1u);
  EXPECT_EQ(memory[0].code, kUnavailable);
  EXPECT_EQ(memory[0].message, "DownloadMemory URL is empty");
  EXPECT_FALSE(manager.ProbeFile("game.exe.patch", "", RecordProbe(), 3));
  EXPECT_TRUE(probes.empty());

  manager.SetActiveUrls({GetServers().faultUrl + "/"});
  manager.Disable();
  EXPECT_TRUE(manager.DownloadMemory("map.txt", "", RecordMemory(), 3));
  EXPECT_TRUE(manager.ProbeFile("map.txt", "", RecordProbe(), 3));
  EXPECT_EQ(memory.size(), 1u);
  EXPECT_TRUE(probes.empty());
}

TEST_F(DownloadRequestsTest, ProbesAskForTheFirstByte) {
  MakeContent("probe/there.bin", 5000, 1);
  SetFaultRule(Rule("/~a/probe/broken.bin", 500, "x"));
  SetFaultRule(Rule("/~b/probe/broken.bin", 500, "x"));
  SetFaultRule(Rule("/~a/probe/full.bin", 200, "whole"));

  manager.SetActiveUrls({GetServers().contentUrl + "/"});
  // The probed byte goes nowhere, least of all to the standard output.
  const std::string captured = scratch.ChildUtf8(L"stdout.txt");
  std::fflush(stdout);
  const int saved_stdout = _dup(1);
  const int capture = _open(captured.c_str(), _O_CREAT | _O_WRONLY | _O_TRUNC | _O_BINARY, 0666);
  ASSERT_GE(capture, 0);
  _dup2(capture, 1);
  EXPECT_TRUE(manager.ProbeFile("probe/there.bin", "", RecordProbe(), 1));
  std::fflush(stdout);
  _dup2(saved_stdout, 1);
  _close(capture);
  _close(saved_stdout);
  EXPECT_EQ(test_support::ReadFileBytes(download_test::Wide(captured)), "");
  EXPECT_TRUE(manager.ProbeFile("probe/missing.bin", "", RecordProbe(), 2));
  manager.SetActiveUrls({GetServers().faultUrl + "/~a/", GetServers().faultUrl + "/~b/"});
  EXPECT_TRUE(manager.ProbeFile("probe/full.bin", "", RecordProbe(), 3));
  EXPECT_TRUE(manager.ProbeFile("probe/missing.bin", "", RecordProbe(), 4));
  EXPECT_TRUE(manager.ProbeFile("probe/broken.bin", "", RecordProbe(), 5));

  ASSERT_EQ(probes.size(), 5u);
  struct Expected {
    int32_t code;
    bool exists;
    const char* message;
  } expected[] = {{kOk, true, ""},
                  {kOk, false, ""},
                  {kOk, true, ""},
                  {kOk, false, ""},
                  {kFailed, false, "No error"}};
  for (size_t i = 0; i < probes.size(); ++i) {
    EXPECT_EQ(probes[i].tag, static_cast<int32_t>(i + 1));
    EXPECT_EQ(probes[i].code, expected[i].code) << i;
    EXPECT_EQ(probes[i].exists, expected[i].exists) << i;
    EXPECT_EQ(probes[i].message, expected[i].message) << i;
  }
  EXPECT_EQ(probes[0].url, "probe/there.bin/");
  const std::vector<std::string> there = download_test::ContentLogLines("/probe/there.bin");
  ASSERT_EQ(there.size(), 1u);
  EXPECT_NE(there[0].find("\"bytes=0-0\" 206 1"), std::string::npos) << there[0];
  // A missing file is known after one request; a failing host takes three.
  EXPECT_EQ(FaultRequests("/~a/probe/missing.bin").size(), 1u);
  EXPECT_EQ(FaultRequests("/~b/probe/missing.bin").size(), 0u);
  EXPECT_EQ(FaultRequests("/~a/probe/broken.bin").size(), 3u);
  EXPECT_EQ(FaultRequests("/~b/probe/broken.bin").size(), 3u);
  EXPECT_EQ(FaultRequests("/~a/probe/full.bin")[0]["range"].asString(), "bytes=0-0");
}

TEST_F(DownloadRequestsTest, CertificatesMustChainToATrustedAuthority) {
  manager.SetActiveUrls({GetServers().untrustedUrl + "/"});
  EXPECT_TRUE(manager.DownloadMemory("map.txt", "", RecordMemory(), 1));
  EXPECT_TRUE(manager.ProbeFile("map.txt", "", RecordProbe(), 1));
  EXPECT_TRUE(
      manager.DownloadMemoryFromUrl(GetServers().untrustedUrl + "/ip", "", RecordMemory(), 2));
  const std::string refused = curl_easy_strerror(CURLE_PEER_FAILED_VERIFICATION);
  ASSERT_EQ(memory.size(), 2u);
  EXPECT_EQ(memory[0].code, kFailed);
  EXPECT_EQ(memory[0].message, refused);
  EXPECT_EQ(memory[1].code, kFailed);
  EXPECT_EQ(memory[1].message, refused);
  ASSERT_EQ(probes.size(), 1u);
  EXPECT_EQ(probes[0].message, refused);

  // The same host name with a certificate from the trusted authority passes.
  test_support::WriteFileBytes(GetServers().contentRoot + L"\\ip", "203.0.113.9");
  EXPECT_TRUE(manager.DownloadMemoryFromUrl(GetServers().faultUrl + "/ip", "", RecordMemory(), 3));
  ASSERT_EQ(memory.size(), 3u);
  EXPECT_EQ(memory[2].code, kOk);
  EXPECT_EQ(memory[2].data, "203.0.113.9");
  EXPECT_EQ(memory[2].message, "");
}

TEST(DownloadServiceSettingsTest, OverridesReplaceBuiltInAndGivenHosts) {
  test_support::ScratchDir scratch;
  {
    test_support::ScopedCurrentFolder folder(scratch.path());
    DownloadManager manager;
    manager.Init();
    EXPECT_EQ(manager.gate_urls().size(), 3u);
    EXPECT_EQ(manager.gate_urls()[0], manager.gate_urls()[1]);
    EXPECT_EQ(manager.track_url().find("/track/json_track?token=7d41c09e3ab52f68e0d9b174"),
              manager.track_url().size() - 48);
    manager.SetDlcUrls({"https://cdn/"});
    EXPECT_EQ(manager.dlc_urls(), std::vector<std::string>{"https://cdn/"});

    DownloadServiceSettings settings;
    settings.gateUrls = {"https://gate.test/"};
    settings.dlcUrls = {"https://dlc.test/"};
    settings.trackUrl = "https://track.test/t";
    settings.attributionUrl = "https://attribution.test/a";
    manager.SetServiceSettings(settings);
    manager.Init();
    EXPECT_EQ(manager.gate_urls(), settings.gateUrls);
    EXPECT_EQ(manager.track_url(), "https://track.test/t");
    EXPECT_EQ(manager.attribution_url(), "https://attribution.test/a");
    manager.SetDlcUrls({"https://cdn/"});
    EXPECT_EQ(manager.dlc_urls(), settings.dlcUrls);
    manager.Shutdown();
  }
}

}  // namespace
