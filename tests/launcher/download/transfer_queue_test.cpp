#include "launcher/download/transfer_queue.h"

#include <windows.h>

#include <atomic>
#include <functional>

#include <gtest/gtest.h>

#include "base/md5.h"
#include "tests/launcher/download/download_test_env.h"
#include "tests/support/fake_clock.h"
#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"

namespace {

using download_test::FaultRequests;
using download_test::GetServers;
using download_test::MakeContent;
using download_test::SeededBytes;
using download_test::Wide;

// The largest block libcurl hands over at once from a TLS connection: one
// record, which may already be on its way when a transfer is held.
constexpr int64_t kRecordBytes = 16384;
// The burst a capped transfer may take ahead of its schedule.
int64_t Burst(int64_t cap) { return std::max<int64_t>(cap / 8, 16384); }

// A queue whose time moves only when the test moves its clock.
class TransferQueueTest : public testing::Test {
 protected:
  TransferQueueTest() : folder(scratch.path()) {
    download_test::ResetFaultHost();
    reports.Init("", "");
    requester.SetHosts({GetServers().faultUrl + "/"});
    queue.SetDelegate(&events);
    queue.Open();
  }
  ~TransferQueueTest() override { queue.Close(); }

  void Queue(const std::string& name, const std::string& md5, int64_t size) {
    FileRequest request;
    request.url = name;
    request.path = LocalPath(name);
    request.md5 = md5;
    request.size = size;
    request.doneCallback = [this](int32_t tag, int32_t code, const std::string& url,
                                  const std::string& message) {
      results.push_back({tag, code, url, message});
    };
    queue.DownloadFile(request);
  }
  std::string LocalPath(const std::string& name) const {
    return scratch.PathUtf8() + "\\update\\" + name;
  }
  // Polls until `done` holds; false after a generous time.
  bool PollUntil(const std::function<bool()>& done) {
    const ULONGLONG deadline = GetTickCount64() + 120000;
    while (!done()) {
      if (GetTickCount64() > deadline) return false;
      queue.Poll();
      Sleep(1);
    }
    return true;
  }
  // However long the queue runs, it gets no further while its clock stands.
  void PollAWhile() {
    for (int i = 0; i < 200; ++i) {
      queue.Poll();
      Sleep(1);
    }
  }
  // The pending ranges of a resume file, once it can be read.
  std::vector<ChunkInfo> SavedRanges(const std::string& name, const std::string& md5,
                                     int64_t size) {
    std::vector<ChunkInfo> saved;
    std::string text;
    if (test_support::TryReadFileBytes(Wide(LocalPath(name) + ".cfg"), &text)) {
      ParseResumeText(text, md5, size, &saved);
    }
    return saved;
  }

  test_support::ScratchDir scratch;
  test_support::ScopedCurrentFolder folder;
  test_support::FakeClock clock;
  std::atomic<bool> enabled{true};
  HostRequester requester{enabled};
  DownloadStatistics statistics{clock};
  ReportSender reports;
  download_test::RecordingDelegate events;
  TransferQueue queue{clock, enabled, requester, statistics, reports};
  std::vector<download_test::DoneRecord> results;
};

TEST_F(TransferQueueTest, ACappedTransferTakesOnlyWhatItsClockAllows) {
  const int64_t size = 400000;
  const std::string md5 = MakeContent("paced.bin", size, 1);
  const int64_t cap = 250 * 204;
  queue.SetSpeedLimit(DownloadMode::Game, true, 250);
  Queue("paced.bin", md5, size);

  ASSERT_TRUE(PollUntil([&] { return statistics.done_bytes() > 0; }));
  PollAWhile();
  EXPECT_LE(statistics.done_bytes(), Burst(cap) + kRecordBytes);

  // A second later the transfer may take a second's worth more, no more.
  clock.Advance(1000);
  ASSERT_TRUE(PollUntil([&] { return statistics.done_bytes() >= cap + Burst(cap); }));
  PollAWhile();
  EXPECT_LE(statistics.done_bytes(), cap + Burst(cap) + kRecordBytes);
  EXPECT_TRUE(results.empty());

  // The pre-download limit leaves transfers of the game mode alone.
  queue.SetSpeedLimit(DownloadMode::PreDownload, false, 0);
  queue.ApplySpeedLimit(DownloadMode::PreDownload);
  PollAWhile();
  EXPECT_LE(statistics.done_bytes(), cap + Burst(cap) + kRecordBytes);
  EXPECT_TRUE(results.empty());

  // Without a limit the held transfer goes on at once, clock or not.
  queue.SetSpeedLimit(DownloadMode::Game, false, 250);
  queue.ApplySpeedLimit(DownloadMode::Game);
  ASSERT_TRUE(PollUntil([&] { return !results.empty() && !queue.HasWork(); }));
  EXPECT_EQ(results[0].code, static_cast<int32_t>(DownloadResult::Ok)) << results[0].message;
  EXPECT_EQ(test_support::ReadFileBytes(Wide(LocalPath("paced.bin"))), SeededBytes(size, 1));
  // Held, never dropped: one request did it all.
  EXPECT_EQ(FaultRequests("/paced.bin").size(), 1u);
}

TEST_F(TransferQueueTest, TheResumeFileIsSavedOnceAClockSecond) {
  const int64_t size = 3000000;
  const std::string md5 = MakeContent("saved.bin", size, 2);
  queue.SetSpeedLimit(DownloadMode::Game, true, 4096);
  const int64_t cap = 4096 * 204;
  Queue("saved.bin", md5, size);

  // Bytes arrive, but within the first clock second nothing is saved: the
  // resume file still holds the plan.
  ASSERT_TRUE(PollUntil([&] { return statistics.done_bytes() > 0; }));
  PollAWhile();
  std::vector<ChunkInfo> saved = SavedRanges("saved.bin", md5, size);
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0].begin, 0);

  // A second on, the next block saves where the range stands, once.
  clock.Advance(1000);
  ASSERT_TRUE(PollUntil([&] {
    saved = SavedRanges("saved.bin", md5, size);
    return saved.size() == 1 && saved[0].begin > 0;
  }));
  const int64_t first_save = saved[0].begin;
  EXPECT_LE(first_save, statistics.done_bytes());
  ASSERT_TRUE(PollUntil([&] { return statistics.done_bytes() >= cap + Burst(cap); }));
  PollAWhile();
  EXPECT_GT(statistics.done_bytes(), first_save);
  saved = SavedRanges("saved.bin", md5, size);
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0].begin, first_save);

  // Time enough for the rest: the verified file leaves no resume file.
  clock.Advance(100000);
  ASSERT_TRUE(PollUntil([&] { return !results.empty() && !queue.HasWork(); }));
  EXPECT_EQ(results[0].code, static_cast<int32_t>(DownloadResult::Ok)) << results[0].message;
  EXPECT_FALSE(test_support::FileExists(Wide(LocalPath("saved.bin") + ".cfg")));
  EXPECT_EQ(FaultRequests("/saved.bin").size(), 1u);
}

}  // namespace
