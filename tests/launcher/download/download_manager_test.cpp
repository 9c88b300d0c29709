#include "launcher/download/download_manager.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "base/json_util.h"
#include "base/md5.h"
#include "tests/launcher/download/download_test_env.h"

namespace {

using download_test::FaultRequests;
using download_test::GetServers;
using download_test::MakeContent;
using download_test::SeededBytes;
using download_test::SetFaultRule;
using download_test::Wide;
using test_support::FileExists;
using test_support::ReadFileBytes;
using test_support::WriteFileBytes;

constexpr int64_t kMiB32 = 33554432;

Json::Value Rule(const std::string& path, const std::string& action) {
  Json::Value rule(Json::objectValue);
  rule["path"] = path;
  rule["action"] = action;
  return rule;
}

std::vector<std::string> Ranges(const std::vector<Json::Value>& requests) {
  std::vector<std::string> ranges;
  for (const Json::Value& request : requests) ranges.push_back(request["range"].asString());
  return ranges;
}

class DownloadManagerTest : public testing::Test, public download_test::ManagerFixture {
 protected:
  bool PollUntilResults(size_t count, int seconds = 180) {
    return PollUntil([&] { return results.size() >= count && !manager.HasWork(); }, seconds);
  }
  std::string FileMd5(const std::string& utf8_path) {
    const std::string bytes = ReadFileBytes(Wide(utf8_path));
    return Md5OfBuffer(bytes.data(), bytes.size());
  }
};

TEST_F(DownloadManagerTest, DownloadsEverySizeInRangesFromTheContentHost) {
  const int64_t sizes[] = {1, kMiB32, kMiB32 + 1, 2 * kMiB32};
  std::vector<std::string> md5s;
  manager.SetActiveUrls({GetServers().contentUrl + "/"});
  for (int64_t size : sizes) {
    const std::string name = "sizes/f" + std::to_string(size) + ".bin";
    md5s.push_back(MakeContent(name, size, static_cast<uint64_t>(size)));
    Queue(name, LocalPath(name), md5s.back(), size);
  }
  manager.SetTotalBytes(1 + kMiB32 + kMiB32 + 1 + 2 * kMiB32);
  size_t most_running = 0;
  ASSERT_TRUE(PollUntil([&] {
    most_running = std::max(most_running, manager.running_count());
    return results.size() == 4 && !manager.HasWork();
  }));
  // Six ranges wait for five transfer slots.
  EXPECT_EQ(most_running, 5u);
  for (size_t i = 0; i < 4; ++i) {
    const std::string name = "sizes/f" + std::to_string(sizes[i]) + ".bin";
    EXPECT_EQ(results[i].code, 0) << results[i].url << " " << results[i].message;
    EXPECT_EQ(FileMd5(LocalPath(name)), md5s[i]) << name;
    EXPECT_FALSE(FileExists(Wide(LocalPath(name) + ".cfg"))) << name;
  }
  EXPECT_EQ(manager.done_bytes(), manager.total_bytes());
  ASSERT_FALSE(events.progress.empty());
  EXPECT_EQ(events.progress.back().second, manager.total_bytes());

  const std::vector<std::string> split = download_test::ContentLogLines("/sizes/f33554433.bin");
  ASSERT_EQ(split.size(), 2u);
  const std::string both = split[0] + "\n" + split[1];
  EXPECT_NE(both.find("\"bytes=0-33554431\" 206 33554432 HTTP/2.0"), std::string::npos) << both;
  EXPECT_NE(both.find("\"bytes=33554432-33554432\" 206 1 HTTP/2.0"), std::string::npos) << both;
  EXPECT_EQ(download_test::ContentLogLines("/sizes/f67108864.bin").size(), 2u);
  EXPECT_EQ(download_test::ContentLogLines("/sizes/f33554432.bin").size(), 1u);
}

TEST_F(DownloadManagerTest, AnEmptyEntryLeavesAnEmptyFileWithoutRequests) {
  manager.SetActiveUrls({GetServers().faultUrl + "/"});
  const std::string path = LocalPath("empty/zero.bin");
  WriteFileBytes(Wide(path), "stale bytes");
  Queue("empty/zero.bin", path, "d41d8cd98f00b204e9800998ecf8427e", 0);
  Queue("empty/new.bin", LocalPath("empty/new.bin"), "", 0);
  // A size of 0 with the MD5 of other bytes is a broken entry: the file
  // standing there is kept.
  const std::string kept = LocalPath("empty/kept.bin");
  WriteFileBytes(Wide(kept), "kept bytes");
  Queue("empty/kept.bin", kept, Md5OfBuffer("kept bytes", 10), 0);
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(results[0].code, 0);
  EXPECT_EQ(results[1].code, 0);
  EXPECT_EQ(results[2].code, static_cast<int32_t>(DownloadResult::Failed));
  EXPECT_NE(results[2].message.find("md5"), std::string::npos) << results[2].message;
  EXPECT_EQ(ReadFileBytes(Wide(path)), "");
  EXPECT_TRUE(FileExists(Wide(LocalPath("empty/new.bin"))));
  EXPECT_EQ(ReadFileBytes(Wide(kept)), "kept bytes");
  EXPECT_TRUE(download_test::FaultLog().empty());
}

TEST_F(DownloadManagerTest, NamesWithBlanksHashesAndCjkReachBothHosts) {
  const std::string names[] = {
      "odd names/a b#c%d.bin",
      "\xE8\xB3\x87\xE6\x96\x99/\xE6\xB8\xAC\xE8\xA9\xA6 \xE6\xAA\x94.bin"};
  const std::string hosts[] = {GetServers().contentUrl, GetServers().faultUrl};
  for (const std::string& host : hosts) {
    const std::string folder = &host == &hosts[0] ? "content/" : "fault/";
    manager.SetActiveUrls({host + "/"});
    results.clear();
    for (size_t i = 0; i < 2; ++i) {
      const std::string md5 = MakeContent(names[i], 5000 + static_cast<int64_t>(i), i + 1);
      Queue(names[i], LocalPath(folder + names[i]), md5, 5000 + static_cast<int64_t>(i));
    }
    ASSERT_TRUE(PollUntilResults(2)) << host;
    for (const download_test::DoneRecord& result : results) {
      EXPECT_EQ(result.code, 0) << host << " " << result.url << " " << result.message;
    }
  }
  EXPECT_EQ(download_test::ContentLogLines("/odd%20names/a%20b%23c%25d.bin").size(), 1u);
  for (const std::string& name : names) {
    const std::vector<Json::Value> requests = FaultRequests("/" + name);
    ASSERT_EQ(requests.size(), 1u) << name;
    EXPECT_EQ(requests[0]["query"].asString(), "");
  }
  EXPECT_EQ(FaultRequests("/odd names/a b#c%d.bin")[0]["raw_path"].asString(),
            "/odd%20names/a%20b%23c%25d.bin");
}

TEST_F(DownloadManagerTest, ResumeAfterCancelAsksOnlyForThePendingRanges) {
  const int64_t size = kMiB32 + 8 * 1048576;
  const std::string md5 = MakeContent("resume/big.bin", size, 11);
  Json::Value throttle = Rule("/resume/big.bin", "throttle");
  throttle["rate"] = 2 * 1048576;
  SetFaultRule(throttle);
  manager.SetActiveUrls({GetServers().faultUrl});
  const std::string path = LocalPath("resume/big.bin");
  Queue("resume/big.bin", path, md5, size);
  // Long enough for both ranges to save their offsets at least once.
  PollUntil([] { return false; }, 3);
  manager.CancelAll(DownloadMode::Game);
  EXPECT_TRUE(results.empty());

  std::vector<ChunkInfo> saved;
  ASSERT_EQ(ParseResumeText(ReadFileBytes(Wide(path + ".cfg")), md5, size, &saved),
            ResumeState::Pending);
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_GT(saved[0].begin, 0);
  EXPECT_GT(saved[1].begin, kMiB32);

  download_test::ResetFaultHost();
  Queue("resume/big.bin", path, md5, size);
  EXPECT_EQ(manager.done_bytes(),
            size - (saved[0].end - saved[0].begin + 1) - (saved[1].end - saved[1].begin + 1));
  ASSERT_TRUE(PollUntilResults(1));
  EXPECT_EQ(results[0].code, 0) << results[0].message;
  EXPECT_EQ(FileMd5(path), md5);
  std::vector<std::string> ranges = Ranges(FaultRequests("/resume/big.bin"));
  std::sort(ranges.begin(), ranges.end());
  std::vector<std::string> expected = {
      "bytes=" + std::to_string(saved[0].begin) + "-" + std::to_string(saved[0].end),
      "bytes=" + std::to_string(saved[1].begin) + "-" + std::to_string(saved[1].end)};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(ranges, expected);
}

TEST_F(DownloadManagerTest, ResumeFilesThatCannotBeTrusted) {
  const int64_t size = 100000;
  const std::string md5 = MakeContent("cfg/file.bin", size, 21);
  const std::string content = SeededBytes(size, 21);
  const std::string path = LocalPath("cfg/file.bin");
  struct Case {
    const char* name;
    std::string resume;
    std::string data;
    std::vector<std::string> ranges;
  } cases[] = {
      {"another file's resume file",
       "{\"md5\":\"ffffffffffffffffffffffffffffffff\",\"infoList\":"
       "[{\"index\":0,\"begin\":50000,\"end\":99999}]}",
       content.substr(0, 50000),
       {"bytes=0-99999"}},
      {"unparsable", "{\"md5\":", content.substr(0, 50000), {"bytes=0-99999"}},
      {"offsets outside the file",
       "{\"md5\":\"" + md5 + "\",\"infoList\":[{\"index\":0,\"begin\":50000,\"end\":999999}]}",
       content.substr(0, 50000),
       {"bytes=0-99999"}},
      {"nothing pending, file complete",
       "{\"md5\":\"" + md5 + "\",\"infoList\":[{\"index\":0,\"begin\":100000,\"end\":99999}]}",
       content,
       {}},
      {"nothing pending, file wrong",
       "{\"md5\":\"" + md5 + "\",\"infoList\":[]}",
       std::string(size, 'x'),
       {"bytes=0-99999"}},
      {"no resume file, file complete", "", content, {}},
      {"valid resume file",
       "{\"md5\":\"" + md5 + "\",\"infoList\":[{\"index\":0,\"begin\":60000,\"end\":99999}]}",
       content.substr(0, 60000),
       {"bytes=60000-99999"}},
  };
  manager.SetActiveUrls({GetServers().faultUrl + "/"});
  for (const Case& c : cases) {
    download_test::ResetFaultHost();
    results.clear();
    DeleteFileA((path + ".cfg").c_str());
    WriteFileBytes(Wide(path), c.data);
    if (!c.resume.empty()) WriteFileBytes(Wide(path + ".cfg"), c.resume);
    Queue("cfg/file.bin", path, md5, size);
    ASSERT_TRUE(PollUntilResults(1)) << c.name;
    EXPECT_EQ(results[0].code, 0) << c.name << " " << results[0].message;
    EXPECT_EQ(ReadFileBytes(Wide(path)), content) << c.name;
    EXPECT_EQ(Ranges(FaultRequests("/cfg/file.bin")), c.ranges) << c.name;
    EXPECT_FALSE(FileExists(Wide(path + ".cfg"))) << c.name;
    manager.CancelAll(DownloadMode::Game);
  }
}

TEST_F(DownloadManagerTest, AFileAlreadyPresentCountsAsDoneWithoutARequest) {
  const std::string name = "\xE6\xB8\xAC present.bin";
  const std::string md5 = MakeContent(name, 70000, 5);
  const std::string path = LocalPath(name);
  WriteFileBytes(Wide(path), SeededBytes(70000, 5));
  manager.SetActiveUrls({GetServers().faultUrl + "/"});
  manager.SetTotalBytes(100000);
  Queue(name, path, md5, 70000);
  // Hashed off the polling thread like any finished file: no answer yet.
  EXPECT_TRUE(results.empty());
  ASSERT_TRUE(PollUntilResults(1));
  EXPECT_EQ(results[0].code, 0);
  EXPECT_EQ(manager.done_bytes(), 70000);
  EXPECT_EQ(events.loggedSize, 70000);
  EXPECT_TRUE(download_test::FaultLog().empty());

  // Other bytes of the same size are simply downloaded.
  results.clear();
  const std::string other = LocalPath("other.bin");
  WriteFileBytes(Wide(other), SeededBytes(70000, 6));
  Queue(name, other, md5, 70000);
  ASSERT_TRUE(PollUntilResults(1));
  EXPECT_EQ(results[0].code, 0) << results[0].message;
  EXPECT_EQ(FileMd5(other), md5);
  EXPECT_EQ(FaultRequests("/" + name).size(), 1u);
}

TEST_F(DownloadManagerTest, ADeadFirstHostFailsOverAfterExactlyThreeTries) {
  const std::string md5 = MakeContent("failover.bin", 3000, 8);
  SetFaultRule(Rule("/~a/failover.bin", "refuse"));
  manager.SetActiveUrls({GetServers().faultUrl + "/~a/", GetServers().faultUrl + "/~b/"});
  Queue("failover.bin", LocalPath("failover.bin"), md5, 3000);
  ASSERT_TRUE(PollUntilResults(1));
  EXPECT_EQ(results[0].code, 0) << results[0].message;
  EXPECT_EQ(FaultRequests("/~a/failover.bin").size(), 3u);
  EXPECT_EQ(FaultRequests("/~b/failover.bin").size(), 1u);

  // Nothing listening at all: three connection failures, then the next host.
  results.clear();
  manager.SetActiveUrls({GetServers().deadUrl + "/", GetServers().faultUrl + "/~c/"});
  Queue("failover.bin", LocalPath("failover2.bin"), md5, 3000);
  ASSERT_TRUE(PollUntilResults(1));
  EXPECT_EQ(results[0].code, 0) << results[0].message;
  EXPECT_EQ(FaultRequests("/~c/failover.bin").size(), 1u);
}

TEST_F(DownloadManagerTest, FailingEveryHostEndsWithTheTransferError) {
  MakeContent("gone.bin", 3000, 9);
  for (const char* prefix : {"/~a/gone.bin", "/~b/gone.bin"}) {
    Json::Value rule = Rule(prefix, "status");
    rule["status"] = 404;
    rule["body"] = "no such file";
    SetFaultRule(rule);
  }
  manager.SetActiveUrls({GetServers().faultUrl + "/~a/", GetServers().faultUrl + "/~b/"});
  const std::string path = LocalPath("gone.bin");
  Queue("gone.bin", path, "", 3000);
  ASSERT_TRUE(PollUntilResults(1));
  EXPECT_EQ(results[0].code, static_cast<int32_t>(DownloadResult::TransferFailed));
  EXPECT_EQ(results[0].message.rfind("23,404,", 0), 0u) << results[0].message;
  EXPECT_EQ(FaultRequests("/~a/gone.bin").size(), 3u);
  EXPECT_EQ(FaultRequests("/~b/gone.bin").size(), 3u);
  // The error page never became file content.
  EXPECT_EQ(ReadFileBytes(Wide(path)).find("no such file"), std::string::npos);
  EXPECT_EQ(TraceText(), "gone.bin:" + results[0].message + "\n");
}

TEST_F(DownloadManagerTest, ARangeNoHostDeliversEndsItsWholeFileOnce) {
  // Two ranges, both refused everywhere: the first to run out of hosts ends
  // the file, and the other stops with it.
  manager.SetActiveUrls({GetServers().faultUrl + "/~a/", GetServers().faultUrl + "/~b/"});
  SetFaultRule(Rule("/~a/halves.bin", "refuse"));
  SetFaultRule(Rule("/~b/halves.bin", "refuse"));
  const std::string path = LocalPath("halves.bin");
  Queue("halves.bin", path, "0123456789abcdef0123456789abcdef", 2 * kMiB32);
  ASSERT_TRUE(PollUntil([&] { return !results.empty(); }));
  EXPECT_FALSE(manager.HasWork());
  EXPECT_EQ(results[0].code, static_cast<int32_t>(DownloadResult::TransferFailed));
  // No handle of the manager holds the file any more.
  EXPECT_TRUE(DeleteFileW(Wide(path).c_str())) << GetLastError();
  const size_t requests = download_test::FaultLog().size();
  EXPECT_LE(requests, 12u);
  for (int i = 0; i < 50; ++i) {
    manager.Poll();
    Sleep(10);
  }
  EXPECT_EQ(results.size(), 1u);
  EXPECT_EQ(download_test::FaultLog().size(), requests);
}

TEST_F(DownloadManagerTest, AnUnknownCertificateAuthorityIsRefused) {
  MakeContent("secret.bin", 100, 3);
  manager.SetActiveUrls({GetServers().untrustedUrl + "/"});
  Queue("secret.bin", LocalPath("secret.bin"), "", 100);
  ASSERT_TRUE(PollUntilResults(1));
  EXPECT_EQ(results[0].code, static_cast<int32_t>(DownloadResult::TransferFailed));
  EXPECT_EQ(results[0].message.rfind(std::to_string(CURLE_PEER_FAILED_VERIFICATION) + ",0", 0), 0u)
      << results[0].message;
}

TEST_F(DownloadManagerTest, AWrongMd5OnEveryHostLeavesNoFile) {
  const std::string md5 = MakeContent("bad.bin", 4000, 4);
  SetFaultRule(Rule("/~a/bad.bin", "wrong"));
  SetFaultRule(Rule("/~b/bad.bin", "wrong"));
  manager.SetActiveUrls({GetServers().faultUrl + "/~a/", GetServers().faultUrl + "/~b/"});
  const std::string path = LocalPath("bad.bin");
  Queue("bad.bin", path, md5, 4000);
  ASSERT_TRUE(PollUntilResults(1));
  EXPECT_EQ(results[0].code, static_cast<int32_t>(DownloadResult::Md5Mismatch));
  EXPECT_EQ(results[0].message, "check md5 error");
  EXPECT_FALSE(FileExists(Wide(path)));
  EXPECT_FALSE(FileExists(Wide(path + ".cfg")));
  EXPECT_EQ(FaultRequests("/~a/bad.bin").size(), 3u);
  EXPECT_EQ(FaultRequests("/~b/bad.bin").size(), 3u);
  const std::string trace = TraceText();
  EXPECT_EQ(std::count(trace.begin(), trace.end(), '\n'), 6);
  EXPECT_EQ(trace.rfind("bad.bin:" + md5 + "!=", 0), 0u) << trace;
}

TEST_F(DownloadManagerTest, ErrorRepliesNeverReachTheFile) {
  const std::string content = SeededBytes(50000, 31);
  MakeContent("flaky.bin", 50000, 31);
  Json::Value rule = Rule("/flaky.bin", "status");
  rule["status"] = 500;
  rule["body"] = "internal error page";
  rule["count"] = 2;
  SetFaultRule(rule);
  manager.SetActiveUrls({GetServers().faultUrl + "/"});
  // Without an MD5 only the status stands between an error page and the file.
  Queue("flaky.bin", LocalPath("flaky.bin"), "", 50000);
  ASSERT_TRUE(PollUntilResults(1));
  EXPECT_EQ(results[0].code, 0) << results[0].message;
  EXPECT_EQ(ReadFileBytes(Wide(LocalPath("flaky.bin"))), content);
  EXPECT_EQ(FaultRequests("/flaky.bin").size(), 3u);
}

TEST_F(DownloadManagerTest, StaleBytesOfAnOlderFileAreCut) {
  const std::string content = SeededBytes(1000, 41);
  MakeContent("shrunk.bin", 1000, 41);
  const std::string path = LocalPath("shrunk.bin");
  WriteFileBytes(Wide(path), std::string(5000, 'o'));
  manager.SetActiveUrls({GetServers().faultUrl + "/"});
  Queue("shrunk.bin", path, "", 1000);
  ASSERT_TRUE(PollUntilResults(1));
  EXPECT_EQ(results[0].code, 0);
  EXPECT_EQ(ReadFileBytes(Wide(path)), content);
}

TEST_F(DownloadManagerTest, AServerIgnoringRangesOnlyServesARangeFromTheStart) {
  const int64_t size = kMiB32 + 1000;
  const std::string md5 = MakeContent("norange.bin", size, 51);
  SetFaultRule(Rule("/~a/norange.bin", "ignore_range"));
  manager.SetActiveUrls({GetServers().faultUrl + "/~a/", GetServers().faultUrl + "/~b/"});
  const std::string path = LocalPath("norange.bin");
  Queue("norange.bin", path, md5, size);
  ASSERT_TRUE(PollUntilResults(1));
  EXPECT_EQ(results[0].code, 0) << results[0].message;
  EXPECT_EQ(FileMd5(path), md5);
  // The first range took its bytes from the whole-file reply; the second was
  // refused three times there and came from the next host.
  std::vector<std::string> first_host = Ranges(FaultRequests("/~a/norange.bin"));
  std::sort(first_host.begin(), first_host.end());
  EXPECT_EQ(first_host,
            (std::vector<std::string>{"bytes=0-33554431", "bytes=33554432-33555431",
                                      "bytes=33554432-33555431", "bytes=33554432-33555431"}));
  EXPECT_EQ(Ranges(FaultRequests("/~b/norange.bin")),
            std::vector<std::string>{"bytes=33554432-33555431"});
}

TEST_F(DownloadManagerTest, BrokenTransfersResumeFromTheirOffset) {
  const std::string md5 = MakeContent("broken.bin", 400000, 61);
  Json::Value abort = Rule("/broken.bin", "abort");
  abort["after"] = 150000;
  abort["count"] = 1;
  SetFaultRule(abort);
  manager.SetActiveUrls({GetServers().faultUrl + "/"});
  Queue("broken.bin", LocalPath("broken.bin"), md5, 400000);
  ASSERT_TRUE(PollUntilResults(1));
  EXPECT_EQ(results[0].code, 0) << results[0].message;
  EXPECT_EQ(Ranges(FaultRequests("/broken.bin")),
            (std::vector<std::string>{"bytes=0-399999", "bytes=150000-399999"}));
  EXPECT_EQ(TraceText(), "");
}

TEST_F(DownloadManagerTest, AHostThatKeepsDeliveringKeepsItsTries) {
  const std::string md5 = MakeContent("choppy.bin", 500000, 62);
  Json::Value abort = Rule("/~a/choppy.bin", "abort");
  abort["after"] = 60000;
  abort["count"] = 5;
  SetFaultRule(abort);
  manager.SetActiveUrls({GetServers().faultUrl + "/~a/", GetServers().faultUrl + "/~b/"});
  Queue("choppy.bin", LocalPath("choppy.bin"), md5, 500000);
  ASSERT_TRUE(PollUntilResults(1));
  EXPECT_EQ(results[0].code, 0) << results[0].message;
  // Five broken attempts, each one further on: the first host is not given up.
  EXPECT_EQ(Ranges(FaultRequests("/~a/choppy.bin")),
            (std::vector<std::string>{"bytes=0-499999", "bytes=60000-499999", "bytes=120000-499999",
                                      "bytes=180000-499999", "bytes=240000-499999",
                                      "bytes=300000-499999"}));
  EXPECT_TRUE(FaultRequests("/~b/choppy.bin").empty());
}

TEST_F(DownloadManagerTest, AFileThatCannotBeOpenedFailsToStart) {
  MakeContent("blocked.bin", 100, 63);
  const std::string path = LocalPath("blocked.bin");
  ASSERT_TRUE(CreateDirectoryW(Wide(LocalPath("")).c_str(), nullptr) ||
              GetLastError() == ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(CreateDirectoryW(Wide(path).c_str(), nullptr));
  manager.SetActiveUrls({GetServers().faultUrl + "/~a/", GetServers().faultUrl + "/~b/"});
  Queue("blocked.bin", path, "", 100);
  ASSERT_TRUE(PollUntilResults(1));
  EXPECT_EQ(results[0].code, static_cast<int32_t>(DownloadResult::StartFailed));
  EXPECT_EQ(results[0].message.rfind("open:(" + path + ") failed,errno:", 0), 0u)
      << results[0].message;
  EXPECT_TRUE(download_test::FaultLog().empty());
}

TEST_F(DownloadManagerTest, AStalledTransferIsDroppedAndResumed) {
  const std::string md5 = MakeContent("stall.bin", 300000, 71);
  Json::Value stall = Rule("/stall.bin", "stall");
  stall["after"] = 100000;
  stall["count"] = 1;
  SetFaultRule(stall);
  manager.SetStallTimeout(2);
  manager.SetActiveUrls({GetServers().faultUrl + "/"});
  Queue("stall.bin", LocalPath("stall.bin"), md5, 300000);
  ASSERT_TRUE(PollUntilResults(1, 60));
  EXPECT_EQ(results[0].code, 0) << results[0].message;
  EXPECT_EQ(Ranges(FaultRequests("/stall.bin")),
            (std::vector<std::string>{"bytes=0-299999", "bytes=100000-299999"}));
}

TEST_F(DownloadManagerTest, ShortRangesAreTracedAndRetried) {
  const std::string md5 = MakeContent("short.bin", 9000, 81);
  Json::Value rule = Rule("/short.bin", "short");
  rule["after"] = 1000;
  rule["count"] = 2;
  SetFaultRule(rule);
  manager.SetActiveUrls({GetServers().faultUrl + "/"});
  Queue("short.bin", LocalPath("short.bin"), md5, 9000);
  ASSERT_TRUE(PollUntilResults(1));
  EXPECT_EQ(results[0].code, 0) << results[0].message;
  EXPECT_EQ(TraceText(), "short.bin:1000<=8999\nshort.bin:2000<=8999\n");
  EXPECT_EQ(Ranges(FaultRequests("/short.bin")),
            (std::vector<std::string>{"bytes=0-8999", "bytes=1000-8999", "bytes=2000-8999"}));
}

TEST_F(DownloadManagerTest, RedirectsAreFollowed) {
  const std::string md5 = MakeContent("moved/target.bin", 2000, 91);
  Json::Value rule = Rule("/old.bin", "redirect");
  rule["location"] = "/moved/target.bin";
  SetFaultRule(rule);
  manager.SetActiveUrls({GetServers().faultUrl + "/"});
  manager.SetUseWebExtraParam(true);
  Queue("old.bin", LocalPath("old.bin"), md5, 2000);
  ASSERT_TRUE(PollUntilResults(1));
  EXPECT_EQ(results[0].code, 0) << results[0].message;
  const std::vector<Json::Value> first = FaultRequests("/old.bin");
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0]["query"].asString().rfind("t=", 0), 0u);
  EXPECT_EQ(FaultRequests("/moved/target.bin").size(), 1u);
}

TEST_F(DownloadManagerTest, HttpsIsNeverRedirectedToPlainHttp) {
  MakeContent("plain/target.bin", 2000, 92);
  Json::Value rule = Rule("/insecure.bin", "redirect");
  rule["location"] = GetServers().contentHttpUrl + "/plain/target.bin";
  SetFaultRule(rule);
  manager.SetActiveUrls({GetServers().faultUrl + "/"});
  Queue("insecure.bin", LocalPath("insecure.bin"), "", 2000);
  ASSERT_TRUE(PollUntilResults(1));
  EXPECT_EQ(results[0].code, static_cast<int32_t>(DownloadResult::TransferFailed));
  EXPECT_TRUE(download_test::ContentLogLines("plain/target.bin").empty());
}

TEST_F(DownloadManagerTest, ShutdownClosesEveryConnection) {
  const std::string md5 = MakeContent("kept_alive.bin", 5000, 93);
  manager.SetActiveUrls({GetServers().faultUrl + "/"});
  Queue("kept_alive.bin", LocalPath("kept_alive.bin"), md5, 5000);
  ASSERT_TRUE(PollUntilResults(1));
  ASSERT_EQ(results[0].code, 0) << results[0].message;
  // The finished transfer's connection stays open for the next one...
  EXPECT_GE(download_test::FaultConnections(), 1);
  manager.Shutdown();
  // ...until the manager shuts down.
  const ULONGLONG deadline = GetTickCount64() + 60000;
  while (download_test::FaultConnections() > 0 && GetTickCount64() < deadline) Sleep(50);
  EXPECT_EQ(download_test::FaultConnections(), 0);
}

TEST_F(DownloadManagerTest, NoHostsFailsAtOnce) {
  Queue("any.bin", LocalPath("any.bin"), "", 10);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].code, -1);
  EXPECT_EQ(results[0].message, "DownloadFile URL is empty");
  EXPECT_FALSE(manager.HasWork());
}

TEST_F(DownloadManagerTest, TheTraceStartsEmptyEveryRun) {
  EXPECT_EQ(TraceText(), "");
  manager.AppendTrace("line\n");
  EXPECT_EQ(TraceText(), "line\n");
  manager.Init();
  EXPECT_EQ(TraceText(), "");
}

}  // namespace
