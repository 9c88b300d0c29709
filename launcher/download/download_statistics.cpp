#include "launcher/download/download_statistics.h"

#include <algorithm>
#include <limits>

DownloadStatistics::DownloadStatistics(const qbase::Clock& clock) : clock_(clock) { Reset(); }

void DownloadStatistics::AddDoneBytes(int64_t bytes) {
  done_bytes_ = std::max<int64_t>(0, done_bytes_ + bytes);
}

bool DownloadStatistics::TakeProgressDue() {
  const int64_t now = clock_.NowMilliseconds();
  if (last_progress_ms_ && now - *last_progress_ms_ < kFigureIntervalMs &&
      done_bytes_ < total_bytes_) {
    return false;
  }
  last_progress_ms_ = now;
  return true;
}

void DownloadStatistics::MarkBaseline() { baseline_bytes_ = done_bytes_; }

std::optional<DownloadStatistics::SpeedFigures> DownloadStatistics::AddSample(
    double bytes_per_second, size_t running_transfers, const std::string& current_path,
    bool paused) {
  samples_.push_back(bytes_per_second);
  while (samples_.size() > kMaxSamples) samples_.pop_front();
  const int64_t now = clock_.NowMilliseconds();
  if (paused || (last_sample_ms_ && now - *last_sample_ms_ < kFigureIntervalMs))
    return std::nullopt;
  last_sample_ms_ = now;

  int64_t sum = 0;
  for (double sample : samples_) sum += static_cast<int32_t>(sample);
  const int64_t average = sum / static_cast<int64_t>(samples_.size());
  speed_ = average * static_cast<int64_t>(std::max<size_t>(running_transfers, 1));
  SpeedFigures figures;
  figures.bytesPerSecond = speed_;
  if (total_bytes_ >= done_bytes_ && speed_ > 0) {
    // Large totals at a crawl would not fit the window's 32-bit figure.
    const int64_t remaining = (total_bytes_ - done_bytes_) / speed_;
    figures.remainingSeconds =
        static_cast<int32_t>(std::min<int64_t>(remaining, std::numeric_limits<int32_t>::max()));
  }
  if (speed_ < lowest_speed_ && samples_.size() > kSamplesForLowestSpeed) {
    lowest_speed_ = speed_;
    lowest_speed_path_ = current_path;
  }
  highest_speed_ = std::max(highest_speed_, speed_);
  done_at_last_sample_ = done_bytes_;
  return figures;
}

void DownloadStatistics::Reset() {
  speed_ = 0;
  lowest_speed_ = kNoLowestSpeed;
  highest_speed_ = 0;
  lowest_speed_path_.clear();
  done_at_last_sample_ = 0;
  start_ms_ = clock_.NowMilliseconds();
}

void DownloadStatistics::Clear() {
  total_bytes_ = 0;
  done_bytes_ = 0;
  baseline_bytes_ = 0;
  samples_.clear();
  last_sample_ms_.reset();
  last_progress_ms_.reset();
  Reset();
}

DownloadStatistics::Summary DownloadStatistics::Summarize() const {
  Summary summary;
  summary.seconds = std::max<int64_t>(0, clock_.NowMilliseconds() - start_ms_) / 1000;
  summary.bytes = std::max<int64_t>(0, done_at_last_sample_ - baseline_bytes_);
  summary.averageBytesPerSecond = summary.seconds > 0 ? summary.bytes / summary.seconds : speed_;
  summary.sampledBytes = done_at_last_sample_;
  return summary;
}
