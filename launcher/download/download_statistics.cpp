#include "launcher/download/download_statistics.h"

#include <algorithm>
#include <limits>

DownloadStatistics::DownloadStatistics(const qbase::Clock& clock) : clock_(clock) { Reset(); }

void DownloadStatistics::AddDoneBytes(int64_t bytes) {
  doneBytes_ = std::max<int64_t>(0, doneBytes_ + bytes);
}

bool DownloadStatistics::TakeProgressDue() {
  const int64_t now = clock_.NowMilliseconds();
  if (lastProgressMs_ && now - *lastProgressMs_ < kFigureIntervalMs && doneBytes_ < totalBytes_) {
    return false;
  }
  lastProgressMs_ = now;
  return true;
}

void DownloadStatistics::MarkBaseline() { baselineBytes_ = doneBytes_; }

std::optional<DownloadStatistics::SpeedFigures> DownloadStatistics::AddSample(
    double bytes_per_second, size_t running_transfers, const std::string& current_path,
    bool paused) {
  samples_.push_back(bytes_per_second);
  while (samples_.size() > kMaxSamples) samples_.pop_front();
  const int64_t now = clock_.NowMilliseconds();
  if (paused || (lastSampleMs_ && now - *lastSampleMs_ < kFigureIntervalMs)) return std::nullopt;
  lastSampleMs_ = now;

  int64_t sum = 0;
  for (double sample : samples_) sum += static_cast<int32_t>(sample);
  const int64_t average = sum / static_cast<int64_t>(samples_.size());
  speed_ = average * static_cast<int64_t>(std::max<size_t>(running_transfers, 1));
  SpeedFigures figures;
  figures.bytesPerSecond = speed_;
  if (totalBytes_ >= doneBytes_ && speed_ > 0) {
    // Large totals at a crawl would not fit the window's 32-bit figure.
    const int64_t remaining = (totalBytes_ - doneBytes_) / speed_;
    figures.remainingSeconds =
        static_cast<int32_t>(std::min<int64_t>(remaining, std::numeric_limits<int32_t>::max()));
  }
  if (speed_ < lowestSpeed_ && samples_.size() > kSamplesForLowestSpeed) {
    lowestSpeed_ = speed_;
    lowestSpeedPath_ = current_path;
  }
  highestSpeed_ = std::max(highestSpeed_, speed_);
  doneAtLastSample_ = doneBytes_;
  return figures;
}

void DownloadStatistics::Reset() {
  speed_ = 0;
  lowestSpeed_ = kNoLowestSpeed;
  highestSpeed_ = 0;
  lowestSpeedPath_.clear();
  doneAtLastSample_ = 0;
  startMs_ = clock_.NowMilliseconds();
}

void DownloadStatistics::Clear() {
  totalBytes_ = 0;
  doneBytes_ = 0;
  baselineBytes_ = 0;
  samples_.clear();
  lastSampleMs_.reset();
  lastProgressMs_.reset();
  Reset();
}

DownloadStatistics::Summary DownloadStatistics::Summarize() const {
  Summary summary;
  summary.seconds = std::max<int64_t>(0, clock_.NowMilliseconds() - startMs_) / 1000;
  summary.bytes = std::max<int64_t>(0, doneAtLastSample_ - baselineBytes_);
  summary.averageBytesPerSecond = summary.seconds > 0 ? summary.bytes / summary.seconds : speed_;
  summary.sampledBytes = doneAtLastSample_;
  return summary;
}
