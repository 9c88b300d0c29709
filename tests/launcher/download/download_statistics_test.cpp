#include "launcher/download/download_statistics.h"

#include <limits>

#include <gtest/gtest.h>

#include "tests/support/fake_clock.h"

namespace {

using test_support::FakeClock;

class DownloadStatisticsTest : public testing::Test {
 protected:
  FakeClock clock;
  DownloadStatistics statistics{clock};
};

TEST_F(DownloadStatisticsTest, FiguresComeOnceASecondFromTheAverageSample) {
  statistics.SetTotalBytes(10000000);
  statistics.AddDoneBytes(1000000);
  // The first sample of a run is shown at once.
  auto figures = statistics.AddSample(100000, 2, "a.bin", false);
  ASSERT_TRUE(figures);
  EXPECT_EQ(figures->bytesPerSecond, 200000);
  EXPECT_EQ(figures->remainingSeconds, 45);

  // Within the second the samples only accumulate.
  clock.Advance(999);
  EXPECT_FALSE(statistics.AddSample(300000, 2, "a.bin", false));
  clock.Advance(1);
  // Fractions of a sample are dropped before averaging: (100000 + 300000 + 200000) / 3.
  figures = statistics.AddSample(200000.9, 3, "a.bin", false);
  ASSERT_TRUE(figures);
  EXPECT_EQ(figures->bytesPerSecond, 600000);
  EXPECT_EQ(figures->remainingSeconds, 15);
  EXPECT_EQ(statistics.speed(), 600000);
  EXPECT_EQ(statistics.highest_speed(), 600000);

  // Paused: recorded, never shown.
  clock.Advance(5000);
  EXPECT_FALSE(statistics.AddSample(1, 1, "a.bin", true));
}

TEST_F(DownloadStatisticsTest, RemainingTime) {
  struct Case {
    int64_t total;
    int64_t done;
    double sample;
    int32_t remaining;
  };
  const Case cases[] = {
      {1000, 0, 100, 10},
      {1000, 1000, 100, 0},
      {1000, 2000, 100, 0},  // done past the total (a file taken back and redone)
      {1000, 0, 0, 0},       // no speed yet
      // A huge run at a crawl stays the largest figure instead of wrapping.
      {int64_t{1} << 50, 0, 1, std::numeric_limits<int32_t>::max()},
  };
  for (const Case& c : cases) {
    DownloadStatistics run(clock);
    run.SetTotalBytes(c.total);
    run.AddDoneBytes(c.done);
    const auto figures = run.AddSample(c.sample, 1, "", false);
    ASSERT_TRUE(figures);
    EXPECT_EQ(figures->remainingSeconds, c.remaining)
        << c.total << " " << c.done << " " << c.sample;
    EXPECT_GE(figures->remainingSeconds, 0);
  }
}

TEST_F(DownloadStatisticsTest, TheLowestSpeedWaitsForThirtyOneSamples) {
  for (int i = 0; i < 30; ++i) {
    clock.Advance(1000);
    statistics.AddSample(1000, 1, "slow.bin", false);
  }
  EXPECT_EQ(statistics.lowest_speed(), DownloadStatistics::kNoLowestSpeed);
  EXPECT_EQ(statistics.lowest_speed_path(), "");
  clock.Advance(1000);
  statistics.AddSample(1000, 1, "slow.bin", false);
  EXPECT_EQ(statistics.lowest_speed(), 1000);
  EXPECT_EQ(statistics.lowest_speed_path(), "slow.bin");
  // Only the last sixty samples count.
  for (int i = 0; i < 60; ++i) statistics.AddSample(5000, 1, "fast.bin", false);
  clock.Advance(1000);
  statistics.AddSample(5000, 1, "fast.bin", false);
  EXPECT_EQ(statistics.speed(), 5000);
  EXPECT_EQ(statistics.lowest_speed(), 1000);
}

TEST_F(DownloadStatisticsTest, ProgressNotesOnceASecondAndAtTheEnd) {
  statistics.SetTotalBytes(300);
  statistics.AddDoneBytes(100);
  EXPECT_TRUE(statistics.TakeProgressDue());
  statistics.AddDoneBytes(100);
  EXPECT_FALSE(statistics.TakeProgressDue());
  clock.Advance(1000);
  EXPECT_TRUE(statistics.TakeProgressDue());
  statistics.AddDoneBytes(100);
  EXPECT_TRUE(statistics.TakeProgressDue());
  // Bytes taken back never make the count negative.
  statistics.AddDoneBytes(-1000);
  EXPECT_EQ(statistics.done_bytes(), 0);
}

TEST_F(DownloadStatisticsTest, SummariesMeasureFromTheResetAndTheBaseline) {
  statistics.SetTotalBytes(100000000);
  statistics.AddDoneBytes(4000000);  // already on disk
  statistics.MarkBaseline();
  statistics.Reset();

  // Less than a second: the speed itself stands for the average.
  statistics.AddDoneBytes(500000);
  statistics.AddSample(700000, 1, "", false);
  DownloadStatistics::Summary summary = statistics.Summarize();
  EXPECT_EQ(summary.seconds, 0);
  EXPECT_EQ(summary.bytes, 500000);
  EXPECT_EQ(summary.averageBytesPerSecond, 700000);

  clock.Advance(2500);
  statistics.AddDoneBytes(1500000);
  statistics.AddSample(700000, 1, "", false);
  summary = statistics.Summarize();
  EXPECT_EQ(summary.seconds, 2);
  EXPECT_EQ(summary.bytes, 2000000);
  EXPECT_EQ(summary.averageBytesPerSecond, 1000000);
  EXPECT_EQ(summary.sampledBytes, 6000000);

  // The next summary counts only what came after this one.
  statistics.StartNextSummary();
  EXPECT_EQ(statistics.Summarize().bytes, 0);

  // A new run starts from nothing.
  statistics.Clear();
  EXPECT_EQ(statistics.done_bytes(), 0);
  EXPECT_EQ(statistics.total_bytes(), 0);
  EXPECT_EQ(statistics.speed(), 0);
  EXPECT_EQ(statistics.Summarize().bytes, 0);
  EXPECT_TRUE(statistics.AddSample(10, 1, "", false));
}

}  // namespace
