#include "launcher/download/download_manager.h"

#include <algorithm>
#include <map>
#include <sstream>

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

constexpr int32_t Code(DownloadResult result) { return static_cast<int32_t>(result); }

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
    EXPECT_EQ(results[i].code, Code(DownloadResult::Ok))
        << results[i].url << " " << results[i].message;
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
  EXPECT_EQ(results[0].code, Code(DownloadResult::Ok));
  EXPECT_EQ(results[1].code, Code(DownloadResult::Ok));
  EXPECT_EQ(results[2].code, Code(DownloadResult::Failed));
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
      EXPECT_EQ(result.code, Code(DownloadResult::Ok))
          << host << " " << result.url << " " << result.message;
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
  // Until both ranges have saved progress of their own, however slow the machine.
  ASSERT_TRUE(PollUntil([&] {
    std::string text;
    std::vector<ChunkInfo> chunks;
    return test_support::TryReadFileBytes(Wide(path + ".cfg"), &text) &&
           ParseResumeText(text, md5, size, &chunks) == ResumeState::Pending &&
           chunks.size() == 2 && chunks[0].begin > 0 && chunks[1].begin > kMiB32;
  }));
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
  EXPECT_EQ(results[0].code, Code(DownloadResult::Ok)) << results[0].message;
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
    EXPECT_EQ(results[0].code, Code(DownloadResult::Ok)) << c.name << " " << results[0].message;
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
  EXPECT_EQ(results[0].code, Code(DownloadResult::Ok));
  EXPECT_EQ(manager.done_bytes(), 70000);
  EXPECT_EQ(events.loggedSize, 70000);
  EXPECT_TRUE(download_test::FaultLog().empty());

  // Other bytes of the same size are simply downloaded.
  results.clear();
  const std::string other = LocalPath("other.bin");
  WriteFileBytes(Wide(other), SeededBytes(70000, 6));
  Queue(name, other, md5, 70000);
  ASSERT_TRUE(PollUntilResults(1));
  EXPECT_EQ(results[0].code, Code(DownloadResult::Ok)) << results[0].message;
  EXPECT_EQ(FileMd5(other), md5);
  EXPECT_EQ(FaultRequests("/" + name).size(), 1u);
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
  EXPECT_EQ(results[0].code, Code(DownloadResult::TransferFailed));
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

TEST_F(DownloadManagerTest, ShutdownClosesEveryConnection) {
  const std::string md5 = MakeContent("kept_alive.bin", 5000, 93);
  manager.SetActiveUrls({GetServers().faultUrl + "/"});
  Queue("kept_alive.bin", LocalPath("kept_alive.bin"), md5, 5000);
  ASSERT_TRUE(PollUntilResults(1));
  ASSERT_EQ(results[0].code, Code(DownloadResult::Ok)) << results[0].message;
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
  EXPECT_EQ(results[0].code, Code(DownloadResult::Failed));
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

// The hosts a scenario names: the fault host as itself and as the separate
// hosts "~a", "~b" and "~c", a port where nothing listens, and a host whose
// certificate authority nobody trusts.
enum class Host { Fault, FaultA, FaultB, FaultC, Dead, Untrusted };
// What the local file holds at the end.
enum class FileState {
  Served,  // exactly the served bytes, and no resume file
  Empty,   // nothing of any reply was written
  Absent,  // neither the file nor its resume file
  Unchecked,
};

// One way a download can go wrong and how it must end, run by
// DownloadFaultTest: the faults, the hosts, the result, every request the
// fault host sees, the file left behind and the trace.
struct FaultScenario {
  FaultScenario(std::string name, std::string asked, int64_t bytes)
      : label(std::move(name)), file(std::move(asked)), size(bytes) {}
  FaultScenario& On(std::vector<Host> order) {
    hosts = std::move(order);
    return *this;
  }
  // A rule of the fault host; "{content_http}" in a value stands for the
  // content host's plain HTTP address.
  FaultScenario& Fault(const std::string& path, const std::string& action,
                       std::map<std::string, Json::Value> fields = {}) {
    Json::Value rule(Json::objectValue);
    rule["path"] = path;
    rule["action"] = action;
    for (const auto& [key, value] : fields) rule[key] = value;
    rules.push_back(rule);
    return *this;
  }
  FaultScenario& WithoutMd5() {
    md5 = false;
    return *this;
  }
  FaultScenario& ServedAt(std::string path) {
    served = std::move(path);
    return *this;
  }
  FaultScenario& Before(std::function<void(DownloadManager&, const std::string& path)> step) {
    setup = std::move(step);
    return *this;
  }
  // The outcome; the message is exact, or a prefix when it ends in "*", with
  // "{path}" standing for the local path.
  FaultScenario& Ends(DownloadResult code, std::string text, FileState file_state) {
    result = code;
    message = std::move(text);
    fileState = file_state;
    return *this;
  }
  // The ranges the fault host was asked for at `path`, in order.
  FaultScenario& Asks(const std::string& path, std::vector<std::string> ranges) {
    requests[path] = std::move(ranges);
    return *this;
  }
  FaultScenario& InAnyOrder() {
    anyOrder = true;
    return *this;
  }
  // The trace's lines, each exact or a prefix ending in "*"; "{message}" and
  // "{md5}" stand for the result's message and the file's MD5.
  FaultScenario& Traces(std::vector<std::string> lines) {
    trace = std::move(lines);
    return *this;
  }
  FaultScenario& Then(std::function<void()> check) {
    extraCheck = std::move(check);
    return *this;
  }

  std::string label;
  std::string file;
  int64_t size;
  std::string served;  // where the bytes lie when not at `file`
  bool md5 = true;
  std::vector<Host> hosts;
  std::vector<Json::Value> rules;
  std::function<void(DownloadManager&, const std::string& path)> setup;
  DownloadResult result = DownloadResult::Ok;
  std::string message;
  FileState fileState = FileState::Served;
  // Every request the fault host logged, by path.
  std::map<std::string, std::vector<std::string>> requests;
  bool anyOrder = false;
  std::vector<std::string> trace;
  std::function<void()> extraCheck;
};

void PrintTo(const FaultScenario& scenario, std::ostream* out) { *out << scenario.label; }

std::vector<std::string> Times(int count, const std::string& range) {
  return std::vector<std::string>(static_cast<size_t>(count), range);
}

std::vector<FaultScenario> FaultScenarios() {
  const std::string message_prefix_of_untrusted =
      std::to_string(CURLE_PEER_FAILED_VERIFICATION) + ",0*";
  return {
      FaultScenario("ADeadFirstHostFailsOverAfterExactlyThreeTries", "failover.bin", 3000)
          .On({Host::FaultA, Host::FaultB})
          .Fault("/~a/failover.bin", "refuse")
          .Asks("/~a/failover.bin", Times(3, "bytes=0-2999"))
          .Asks("/~b/failover.bin", {"bytes=0-2999"}),
      FaultScenario("NothingListeningFailsOverToTheNextHost", "failover.bin", 3000)
          .On({Host::Dead, Host::FaultC})
          .Asks("/~c/failover.bin", {"bytes=0-2999"}),
      FaultScenario("FailingEveryHostEndsWithTheTransferError", "gone.bin", 3000)
          .WithoutMd5()
          .On({Host::FaultA, Host::FaultB})
          .Fault("/~a/gone.bin", "status", {{"status", 404}, {"body", "no such file"}})
          .Fault("/~b/gone.bin", "status", {{"status", 404}, {"body", "no such file"}})
          .Ends(DownloadResult::TransferFailed, "23,404,*", FileState::Empty)
          .Asks("/~a/gone.bin", Times(3, "bytes=0-2999"))
          .Asks("/~b/gone.bin", Times(3, "bytes=0-2999"))
          .Traces({"gone.bin:{message}"}),
      FaultScenario("AnUnknownCertificateAuthorityIsRefused", "secret.bin", 100)
          .WithoutMd5()
          .On({Host::Untrusted})
          .Ends(DownloadResult::TransferFailed, message_prefix_of_untrusted, FileState::Empty)
          .Traces({"secret.bin:{message}"}),
      FaultScenario("AWrongMd5OnEveryHostLeavesNoFile", "bad.bin", 4000)
          .On({Host::FaultA, Host::FaultB})
          .Fault("/~a/bad.bin", "wrong")
          .Fault("/~b/bad.bin", "wrong")
          .Ends(DownloadResult::Md5Mismatch, "check md5 error", FileState::Absent)
          .Asks("/~a/bad.bin", Times(3, "bytes=0-3999"))
          .Asks("/~b/bad.bin", Times(3, "bytes=0-3999"))
          .Traces(std::vector<std::string>(6, "bad.bin:{md5}!=*")),
      // Without an MD5 only the status stands between an error page and the file.
      FaultScenario("ErrorRepliesNeverReachTheFile", "flaky.bin", 50000)
          .WithoutMd5()
          .On({Host::Fault})
          .Fault("/flaky.bin", "status",
                 {{"status", 500}, {"body", "internal error page"}, {"count", 2}})
          .Asks("/flaky.bin", Times(3, "bytes=0-49999")),
      FaultScenario("StaleBytesOfAnOlderFileAreCut", "shrunk.bin", 1000)
          .WithoutMd5()
          .On({Host::Fault})
          .Before([](DownloadManager&, const std::string& path) {
            WriteFileBytes(Wide(path), std::string(5000, 'o'));
          })
          .Asks("/shrunk.bin", {"bytes=0-999"}),
      // The first range takes its bytes from the whole-file reply; the second
      // is refused three times there and comes from the next host.
      FaultScenario("AServerIgnoringRangesOnlyServesARangeFromTheStart", "norange.bin",
                    kMiB32 + 1000)
          .On({Host::FaultA, Host::FaultB})
          .Fault("/~a/norange.bin", "ignore_range")
          .Asks("/~a/norange.bin", {"bytes=0-33554431", "bytes=33554432-33555431",
                                    "bytes=33554432-33555431", "bytes=33554432-33555431"})
          .Asks("/~b/norange.bin", {"bytes=33554432-33555431"})
          .InAnyOrder(),
      FaultScenario("BrokenTransfersResumeFromTheirOffset", "broken.bin", 400000)
          .On({Host::Fault})
          .Fault("/broken.bin", "abort", {{"after", 150000}, {"count", 1}})
          .Asks("/broken.bin", {"bytes=0-399999", "bytes=150000-399999"}),
      // Five broken attempts, each one further on: the first host is not
      // given up.
      FaultScenario("AHostThatKeepsDeliveringKeepsItsTries", "choppy.bin", 500000)
          .On({Host::FaultA, Host::FaultB})
          .Fault("/~a/choppy.bin", "abort", {{"after", 60000}, {"count", 5}})
          .Asks("/~a/choppy.bin",
                {"bytes=0-499999", "bytes=60000-499999", "bytes=120000-499999",
                 "bytes=180000-499999", "bytes=240000-499999", "bytes=300000-499999"}),
      FaultScenario("AStalledTransferIsDroppedAndResumed", "stall.bin", 300000)
          .On({Host::Fault})
          .Fault("/stall.bin", "stall", {{"after", 100000}, {"count", 1}})
          .Before([](DownloadManager& manager, const std::string&) { manager.SetStallTimeout(2); })
          .Asks("/stall.bin", {"bytes=0-299999", "bytes=100000-299999"}),
      FaultScenario("ShortRangesAreTracedAndRetried", "short.bin", 9000)
          .On({Host::Fault})
          .Fault("/short.bin", "short", {{"after", 1000}, {"count", 2}})
          .Asks("/short.bin", {"bytes=0-8999", "bytes=1000-8999", "bytes=2000-8999"})
          .Traces({"short.bin:1000<=8999", "short.bin:2000<=8999"}),
      FaultScenario("RedirectsAreFollowed", "old.bin", 2000)
          .ServedAt("moved/target.bin")
          .On({Host::Fault})
          .Fault("/old.bin", "redirect", {{"location", "/moved/target.bin"}})
          .Before([](DownloadManager& manager, const std::string&) {
            manager.SetUseWebExtraParam(true);
          })
          .Asks("/old.bin", {"bytes=0-1999"})
          .Asks("/moved/target.bin", {"bytes=0-1999"})
          .Then([] {
            EXPECT_EQ(FaultRequests("/old.bin")[0]["query"].asString().rfind("t=", 0), 0u);
          }),
      FaultScenario("HttpsIsNeverRedirectedToPlainHttp", "insecure.bin", 2000)
          .WithoutMd5()
          .ServedAt("plain/target.bin")
          .On({Host::Fault})
          .Fault("/insecure.bin", "redirect", {{"location", "{content_http}/plain/target.bin"}})
          .Ends(DownloadResult::TransferFailed, "*", FileState::Empty)
          .Asks("/insecure.bin", Times(3, "bytes=0-1999"))
          .Traces({"insecure.bin:{message}"})
          .Then([] { EXPECT_TRUE(download_test::ContentLogLines("plain/target.bin").empty()); }),
      FaultScenario("AFileThatCannotBeOpenedFailsToStart", "blocked.bin", 100)
          .WithoutMd5()
          .On({Host::FaultA, Host::FaultB})
          .Before([](DownloadManager&, const std::string& path) {
            // A folder stands where the file should be.
            const std::wstring folder = Wide(path);
            const std::wstring parent = folder.substr(0, folder.rfind(L'\\'));
            ASSERT_TRUE(CreateDirectoryW(parent.c_str(), nullptr) ||
                        GetLastError() == ERROR_ALREADY_EXISTS);
            ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
          })
          .Ends(DownloadResult::StartFailed, "open:({path}) failed,errno:*", FileState::Unchecked),
  };
}

std::string HostUrl(Host host) {
  const download_test::Servers& servers = GetServers();
  switch (host) {
    case Host::Fault:
      return servers.faultUrl + "/";
    case Host::FaultA:
      return servers.faultUrl + "/~a/";
    case Host::FaultB:
      return servers.faultUrl + "/~b/";
    case Host::FaultC:
      return servers.faultUrl + "/~c/";
    case Host::Dead:
      return servers.deadUrl + "/";
    case Host::Untrusted:
      return servers.untrustedUrl + "/";
  }
  return std::string();
}

std::string Fill(std::string text, const std::map<std::string, std::string>& values) {
  for (const auto& [key, value] : values) {
    for (size_t at = text.find(key); at != std::string::npos;
         at = text.find(key, at + value.size())) {
      text.replace(at, key.size(), value);
    }
  }
  return text;
}

// Exact, or a prefix when the pattern ends in "*".
bool Matches(const std::string& text, const std::string& pattern) {
  if (!pattern.empty() && pattern.back() == '*') {
    return text.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
  }
  return text == pattern;
}

class DownloadFaultTest : public DownloadManagerTest,
                          public testing::WithParamInterface<FaultScenario> {};

TEST_P(DownloadFaultTest, EndsAsExpected) {
  const FaultScenario& scenario = GetParam();
  const std::string served = scenario.served.empty() ? scenario.file : scenario.served;
  const std::string md5 = MakeContent(served, scenario.size, 7);
  for (const Json::Value& rule : scenario.rules) {
    Json::Value filled = rule;
    if (filled.isMember("location")) {
      filled["location"] =
          Fill(filled["location"].asString(), {{"{content_http}", GetServers().contentHttpUrl}});
    }
    SetFaultRule(filled);
  }
  std::vector<std::string> hosts;
  for (Host host : scenario.hosts) hosts.push_back(HostUrl(host));
  manager.SetActiveUrls(hosts);
  const std::string path = LocalPath(scenario.file);
  if (scenario.setup) scenario.setup(manager, path);
  if (HasFatalFailure()) return;

  Queue(scenario.file, path, scenario.md5 ? md5 : "", scenario.size);
  ASSERT_TRUE(PollUntilResults(1));
  ASSERT_EQ(results.size(), 1u);
  const std::string& message = results[0].message;
  EXPECT_EQ(results[0].code, Code(scenario.result)) << message;
  EXPECT_TRUE(Matches(message, Fill(scenario.message, {{"{path}", path}})))
      << message << " is not " << scenario.message;

  std::map<std::string, std::vector<std::string>> requests;
  for (const Json::Value& request : download_test::FaultLog()) {
    requests[request["path"].asString()].push_back(request["range"].asString());
  }
  std::map<std::string, std::vector<std::string>> expected = scenario.requests;
  if (scenario.anyOrder) {
    for (auto* ranges : {&requests, &expected}) {
      for (auto& entry : *ranges) std::sort(entry.second.begin(), entry.second.end());
    }
  }
  EXPECT_EQ(requests, expected);

  const std::wstring local = Wide(path);
  switch (scenario.fileState) {
    case FileState::Served:
      EXPECT_EQ(ReadFileBytes(local), SeededBytes(scenario.size, 7));
      EXPECT_FALSE(FileExists(Wide(path + ".cfg")));
      break;
    case FileState::Empty:
      EXPECT_EQ(ReadFileBytes(local), "");
      break;
    case FileState::Absent:
      EXPECT_FALSE(FileExists(local));
      EXPECT_FALSE(FileExists(Wide(path + ".cfg")));
      break;
    case FileState::Unchecked:
      break;
  }

  std::vector<std::string> lines;
  std::istringstream trace(TraceText());
  for (std::string line; std::getline(trace, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), scenario.trace.size()) << TraceText();
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_TRUE(
        Matches(lines[i], Fill(scenario.trace[i], {{"{message}", message}, {"{md5}", md5}})))
        << lines[i] << " is not " << scenario.trace[i];
  }
  if (scenario.extraCheck) scenario.extraCheck();
}

INSTANTIATE_TEST_SUITE_P(Faults, DownloadFaultTest, testing::ValuesIn(FaultScenarios()),
                         [](const testing::TestParamInfo<FaultScenario>& info) {
                           return info.param.label;
                         });

}  // namespace
