#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "base/clock.h"

// The arithmetic of one download run: bytes done of the total, the speed and
// remaining time from the transfers' speed samples, the lowest and highest
// speed, and the averages the reports carry. Reads time only through the
// clock it is given.
class DownloadStatistics {
 public:
  static constexpr int64_t kNoLowestSpeed = 100000000000;
  static constexpr size_t kMaxSamples = 60;
  // The lowest speed counts only once this many samples smooth it.
  static constexpr size_t kSamplesForLowestSpeed = 30;
  static constexpr int64_t kFigureIntervalMs = 1000;

  // What the window shows: the speed of all transfers together and the
  // seconds left at that speed.
  struct SpeedFigures {
    int32_t remainingSeconds = 0;
    int64_t bytesPerSecond = 0;
  };
  // The run since the last reset, for the reports and the download log.
  struct Summary {
    int64_t averageBytesPerSecond = 0;
    int64_t bytes = 0;         // transferred since the last summary
    int64_t seconds = 0;       // since the last reset
    int64_t sampledBytes = 0;  // bytes done when the speed was last figured
  };

  explicit DownloadStatistics(const qbase::Clock& clock);

  void SetTotalBytes(int64_t bytes) { total_bytes_ = bytes; }
  int64_t total_bytes() const { return total_bytes_; }
  int64_t done_bytes() const { return done_bytes_; }
  int64_t speed() const { return speed_; }
  int64_t lowest_speed() const { return lowest_speed_; }
  int64_t highest_speed() const { return highest_speed_; }
  const std::string& lowest_speed_path() const { return lowest_speed_path_; }

  // Negative counts take bytes back (a file that failed its check); the
  // count never drops below zero.
  void AddDoneBytes(int64_t bytes);
  // True when the window is due a progress note: a second has passed since
  // the last one, or the run is complete. Counts as that note.
  bool TakeProgressDue();
  // The bytes done so far needed no transfer (present or resumed files): the
  // averages measure from here.
  void MarkBaseline();

  // Records one transfer's speed; once a second, and not while `paused`,
  // returns new figures for `running_transfers` transfers together.
  std::optional<SpeedFigures> AddSample(double bytes_per_second, size_t running_transfers,
                                        const std::string& current_path, bool paused);
  // Samples taken under an old speed cap say nothing about the new one.
  void ClearSamples() { samples_.clear(); }

  // Speed figures start over; the next summary measures time from now.
  void Reset();
  // A new run: totals, samples and the note cadence start over too.
  void Clear();

  Summary Summarize() const;
  // The next summary counts only bytes transferred after this one.
  void StartNextSummary() { baseline_bytes_ = done_at_last_sample_; }

 private:
  const qbase::Clock& clock_;
  int64_t total_bytes_ = 0;
  int64_t done_bytes_ = 0;
  int64_t baseline_bytes_ = 0;
  int64_t done_at_last_sample_ = 0;
  int64_t speed_ = 0;
  int64_t lowest_speed_ = kNoLowestSpeed;
  int64_t highest_speed_ = 0;
  std::string lowest_speed_path_;
  std::deque<double> samples_;
  std::optional<int64_t> last_sample_ms_;
  std::optional<int64_t> last_progress_ms_;
  int64_t start_ms_ = 0;
};
