#pragma once

#include <cstddef>
#include <list>
#include <map>
#include <string>

// Sends the tracking and attribution reports, at once or one per call from a
// queue, fire and forget, and keeps the failure trace ".\save\dltrace.log".
// Runs on the polling thread.
class ReportSender {
 public:
  ReportSender() = default;
  ReportSender(const ReportSender&) = delete;
  ReportSender& operator=(const ReportSender&) = delete;

  // The endpoints (an empty override keeps the built-in one) and an empty
  // trace file, whatever the last run left in it.
  void Init(const std::string& track_url_override, const std::string& attribution_url_override);

  const std::string& track_url() const { return track_url_; }
  const std::string& attribution_url() const { return attribution_url_; }
  const std::string& trace_path() const { return trace_path_; }

  // Sends now, or queues the body behind the others for `url`.
  void Submit(std::string body, std::string url, bool immediate);
  // Sends the oldest body of the first URL (in order) that has one.
  void SendQueued();
  // Returns once the request has ended; a report that fails is lost.
  void PostNow(const std::string& body, const std::string& url);
  // Reports still queued at shut-down are lost.
  void DropQueued() { queued_reports_.clear(); }

  // One line, carrying its own "\n"; dropped when the trace cannot be opened.
  void AppendTrace(const std::string& line);

 private:
  static size_t OnReplyReceive(char* data, size_t size, size_t count, void* reply);

  std::string track_url_;
  std::string attribution_url_;
  std::string trace_path_;
  // The reply of the last report; nobody reads it.
  std::string last_reply_;
  std::map<std::string, std::list<std::string>> queued_reports_;
};
