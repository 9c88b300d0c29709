#include "launcher/download/report_sender.h"

#include <windows.h>

#include <exception>
#include <utility>

#include "base/file_io.h"
#include "launcher/download/curl_handle.h"
#include "launcher/download/download_url.h"
#include "launcher/download/file_handle.h"
#include "launcher/download/tls_options.h"

namespace {

constexpr char kAttributionUrl[] = LAUNCHER_ATTRIBUTION_URL;
constexpr char kTrackUrl[] =
    "https://track.qelgames.com/track/json_track?token=7d41c09e3ab52f68e0d9b174";
constexpr char kReportContentType[] = "Content-Type:application/json; charset=UTF-8";
// In the launcher's "save" folder, relative to its folder.
constexpr char kTracePath[] = ".\\save\\dltrace.log";
// A report holds the worker thread this long at most, connecting included.
constexpr long kReportSeconds = 6;

}  // namespace

void ReportSender::Init(const std::string& track_url_override,
                        const std::string& attribution_url_override) {
  track_url_ = track_url_override.empty() ? kTrackUrl : track_url_override;
  attribution_url_ = attribution_url_override.empty() ? kAttributionUrl : attribution_url_override;
  last_reply_.clear();
  trace_path_ = kTracePath;
  CreateParentFolders(trace_path_);
  FileHandle trace(CreateFileA(trace_path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void ReportSender::Submit(std::string body, std::string url, bool immediate) {
  if (immediate) {
    PostNow(body, url);
    return;
  }
  queued_reports_[url].push_back(std::move(body));
}

void ReportSender::SendQueued() {
  for (auto& entry : queued_reports_) {
    if (entry.second.empty()) continue;
    const std::string body = std::move(entry.second.front());
    entry.second.pop_front();
    PostNow(body, entry.first);
    return;
  }
}

size_t ReportSender::OnReplyReceive(char* data, size_t size, size_t count, void* reply) {
  // Called from libcurl's C code, which no exception may cross.
  try {
    static_cast<std::string*>(reply)->append(data, size * count);
  } catch (const std::exception&) {
    return 0;
  }
  return size * count;
}

void ReportSender::PostNow(const std::string& body, const std::string& url) {
  CurlEasyHandle handle(curl_easy_init());
  if (!handle) return;
  CURL* easy = handle.get();
  CurlHeaderList headers(curl_slist_append(nullptr, kReportContentType));
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(easy, CURLOPT_HEADER, 0L);
  std::string target = url;
  if (url == attribution_url_) {
    target += "?" + EncodeQueryText(body);
    curl_easy_setopt(easy, CURLOPT_URL, target.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  } else {
    curl_easy_setopt(easy, CURLOPT_URL, target.c_str());
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.c_str());
  }
  ApplyTlsOptions(easy, target, ReplyCap::Document);
  curl_easy_setopt(easy, CURLOPT_VERBOSE, 0L);
  last_reply_.clear();
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &ReportSender::OnReplyReceive);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &last_reply_);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kReportSeconds);
  curl_easy_setopt(easy, CURLOPT_TIMEOUT, kReportSeconds);
  curl_easy_perform(easy);
}

void ReportSender::AppendTrace(const std::string& line) {
  if (trace_path_.empty()) return;
  FileHandle trace(CreateFileA(trace_path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!trace.IsValid()) return;
  DWORD written = 0;
  WriteFile(trace.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}
