#include "launcher/download/download_manager.h"

#include <cstdio>
#include <utility>

#include "launcher/download/download_url.h"
#include "launcher/download/report_identifiers.h"

namespace {

constexpr char kRegionalGateUrl[] = "https://gate-tw.qelgames.com/";
constexpr char kGlobalGateUrl[] = "https://gate.qelgames.com/";
constexpr char kEmptyHostsMessage[] = "DownloadMemory URL is empty";

// Megabytes per second and gigabytes, as the reports carry them.
std::string SpeedText(int64_t bytes_per_second) {
  char buffer[64];
  std::snprintf(buffer, sizeof(buffer), "%.3f", static_cast<float>(bytes_per_second) / 1048576.0f);
  return buffer;
}

std::string SizeText(int64_t bytes) {
  char buffer[64];
  std::snprintf(buffer, sizeof(buffer), "%.3f", static_cast<float>(bytes) / 1073741824.0f);
  return buffer;
}

void DeliverMemory(const MemoryDoneCallback& callback, int32_t tag, const std::string& url,
                   const MemoryReply& reply) {
  callback(tag, static_cast<int32_t>(reply.code), url, reply.body.c_str(),
           static_cast<int32_t>(reply.body.size()), reply.message);
}

}  // namespace

DownloadManager& DownloadManager::GetInstance() {
  static DownloadManager manager;
  return manager;
}

DownloadManager::DownloadManager(const qbase::Clock& clock)
    : delegate_(SilentDownloadDelegate()),
      statistics_(clock),
      requester_(enabled_),
      queue_(clock, enabled_, requester_, statistics_, reports_) {}

DownloadManager::~DownloadManager() = default;

void DownloadManager::SetDelegate(DownloadManagerDelegate* delegate) {
  delegate_ = delegate ? delegate : SilentDownloadDelegate();
  queue_.SetDelegate(delegate_);
}

void DownloadManager::SetServiceSettings(const DownloadServiceSettings& settings) {
  service_settings_ = settings;
}

void DownloadManager::SetSpeedLimit(DownloadMode mode, bool on, int32_t speed) {
  queue_.SetSpeedLimit(mode, on, speed);
}

void DownloadManager::SetStallTimeout(int32_t seconds) { queue_.SetStallTimeout(seconds); }

void DownloadManager::SetUseWebExtraParam(bool on) { queue_.SetUseWebExtraParam(on); }

void DownloadManager::Init() {
  const std::vector<std::string> built_in_gates = {kRegionalGateUrl, kRegionalGateUrl,
                                                   kGlobalGateUrl};
  gate_urls_ = service_settings_.gateUrls.empty() ? built_in_gates : service_settings_.gateUrls;
  statistics_.Clear();
  enabled_ = true;
  queue_.Open();
  reports_.Init(service_settings_.trackUrl, service_settings_.attributionUrl);
}

void DownloadManager::Shutdown() {
  enabled_ = false;
  CancelAll(DownloadMode::Game);
  reports_.DropQueued();
  queue_.Close();
}

void DownloadManager::SetDlcUrls(const std::vector<std::string>& urls) {
  dlc_urls_ = service_settings_.dlcUrls.empty() ? urls : service_settings_.dlcUrls;
}

void DownloadManager::DownloadFile(std::string url, std::string path, std::string md5, int64_t size,
                                   DownloadDoneCallback doneCallback,
                                   SpeedSampleCallback speedCallback, int32_t tag, int32_t tries,
                                   int32_t hostIndex) {
  FileRequest request;
  request.url = std::move(url);
  request.path = std::move(path);
  request.md5 = std::move(md5);
  request.size = size;
  request.tag = tag;
  request.hosts.tries = tries;
  request.hosts.hostIndex = hostIndex;
  request.doneCallback = std::move(doneCallback);
  request.speedCallback = std::move(speedCallback);
  queue_.DownloadFile(std::move(request));
}

void DownloadManager::CancelAll(DownloadMode mode) {
  queue_.CancelAll(mode);
  statistics_.Clear();
}

bool DownloadManager::DownloadMemory(std::string url, std::string body, MemoryDoneCallback callback,
                                     int32_t tag) {
  const std::string callback_url = JoinUrl(url, body);
  if (requester_.hosts().empty()) {
    if (callback) {
      callback(tag, static_cast<int32_t>(RequestResult::Unavailable), callback_url, nullptr, 0,
               kEmptyHostsMessage);
    }
    return false;
  }
  const MemoryReply reply = requester_.Fetch(url, body);
  if (callback && enabled_) DeliverMemory(callback, tag, callback_url, reply);
  return true;
}

bool DownloadManager::DownloadMemoryFromUrl(std::string url, std::string body,
                                            MemoryDoneCallback callback, int32_t tag) {
  const std::string callback_url = JoinUrl(url, body);
  const MemoryReply reply = requester_.FetchOnce(url, body);
  if (callback && enabled_) DeliverMemory(callback, tag, callback_url, reply);
  return true;
}

bool DownloadManager::ProbeFile(std::string url, std::string body, ProbeDoneCallback callback,
                                int32_t tag) {
  if (requester_.hosts().empty()) return false;
  const std::string callback_url = JoinUrl(url, body);
  const ProbeReply reply = requester_.Probe(url, body);
  if (callback && enabled_) {
    callback(tag, static_cast<int32_t>(reply.code), callback_url, reply.exists, reply.message);
  }
  return true;
}

void DownloadManager::ApplySpeedLimit(DownloadMode mode) { queue_.ApplySpeedLimit(mode); }

void DownloadManager::PauseDownloads() {
  queue_.Pause();
  delegate_->OnDownloadPaused(true);
  ReportTransferStatistics(kPauseActionType);
  ReportDownloadSummary(kPauseDetailId, kPauseEvent, true);
}

void DownloadManager::ContinueDownloads() {
  queue_.Continue();
  ResetStatistics();
  delegate_->ReportLauncherDetail(kContinueDetailId, "", "", "");
  delegate_->ReportAttributionEvent(kContinueEvent, "", "", "");
  delegate_->OnDownloadPaused(false);
}

void DownloadManager::AddSpeedSample(double bytes_per_second) {
  const std::optional<DownloadStatistics::SpeedFigures> figures = statistics_.AddSample(
      bytes_per_second, queue_.running_count(), queue_.current_path(), queue_.paused());
  if (figures) delegate_->OnDownloadSpeed(figures->remainingSeconds, figures->bytesPerSecond);
}

void DownloadManager::ResetStatistics() { statistics_.Reset(); }

void DownloadManager::ReportTransferStatistics(const std::string& action) {
  if (statistics_.speed() <= 0) return;
  const DownloadStatistics::Summary summary = statistics_.Summarize();
  delegate_->ReportLauncherEvent("", SpeedText(summary.averageBytesPerSecond),
                                 SizeText(summary.bytes), action, "", true);
}

void DownloadManager::ReportDownloadSummary(const std::string& action_id, const std::string& event,
                                            bool only_when_active) {
  if (only_when_active && statistics_.speed() <= 0) return;
  const DownloadStatistics::Summary summary = statistics_.Summarize();
  const std::string speed_text = SpeedText(summary.averageBytesPerSecond);
  const std::string size_text = SizeText(summary.bytes);
  const std::string time_text = std::to_string(summary.seconds);
  delegate_->RecordDownloadSummary(summary.averageBytesPerSecond, summary.sampledBytes,
                                   summary.seconds);
  statistics_.StartNextSummary();
  delegate_->ReportLauncherDetail(action_id, speed_text, size_text, time_text);
  delegate_->ReportAttributionEvent(event, speed_text, size_text, time_text);
}

void DownloadManager::SubmitReport(std::string body, std::string url, bool immediate) {
  reports_.Submit(std::move(body), std::move(url), immediate);
}

void DownloadManager::SendQueuedReport() { reports_.SendQueued(); }

void DownloadManager::PostReportNow(const std::string& body, const std::string& url) {
  reports_.PostNow(body, url);
}

void DownloadManager::AppendTrace(const std::string& line) { reports_.AppendTrace(line); }
