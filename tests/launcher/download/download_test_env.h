#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <json/json.h>

#include "launcher/download/download_manager.h"
#include "base/clock.h"
#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"

namespace download_test {

// The servers that tests/support/download_test_servers.py started for this
// run (the test CA is made trusted in the Wine prefix before any test).
struct Servers {
  std::string contentUrl;      // nginx, HTTP/2 over TLS
  std::string contentHttpUrl;  // the same nginx over plain HTTP
  std::string faultUrl;        // scriptable HTTP/1.1 host
  std::string untrustedUrl;    // a host whose CA nobody trusts
  std::string deadUrl;         // nothing listens there
  std::wstring contentRoot;    // folder both hosts serve
  std::wstring contentLog;     // nginx access log
};
const Servers& GetServers();

// One request through libcurl with the system's trust store.
struct Reply {
  long status = 0;
  std::string body;
};
Reply HttpsRequest(const std::string& url, const std::string& post_body);

// The fault host's controls.
void ResetFaultHost();
void SetFaultRule(const Json::Value& rule);
// Client connections the fault host holds open.
int FaultConnections();
// Requests logged by the fault host, oldest first (control requests excluded).
Json::Value FaultLog();
// The logged requests whose decoded path equals `path`.
std::vector<Json::Value> FaultRequests(const std::string& path);

// Seeded content written into the served folder; returns its MD5.
std::string MakeContent(const std::string& relative_path, int64_t size, uint64_t seed);
std::string SeededBytes(int64_t size, uint64_t seed);

// Lines of the content host's access log that name `path_fragment`.
std::vector<std::string> ContentLogLines(const std::string& path_fragment);
// The same once at least `count` lines are there: the host logs a request a
// client gave up only when it notices, which may be after the client moved on.
std::vector<std::string> AwaitContentLogLines(const std::string& path_fragment, size_t count);

std::wstring Wide(const std::string& utf8);

struct DoneRecord {
  int32_t tag;
  int32_t code;
  std::string url;
  std::string message;
};

// What the manager told the launcher.
class RecordingDelegate : public DownloadManagerDelegate {
 public:
  void OnDownloadProgress(int64_t total, int64_t done) override {
    progress.push_back({total, done});
  }
  void OnDownloadSpeed(int32_t remaining, int64_t speed) override {
    speeds.push_back({remaining, speed});
  }
  void OnDownloadPaused(bool paused) override { pausedNotes.push_back(paused); }
  void SetLoggedDownloadSize(int64_t bytes) override { loggedSize = bytes; }
  void RecordDownloadSummary(int64_t speed, int64_t size, int64_t seconds) override {
    summaries.push_back({speed, size, seconds});
  }
  void ReportLauncherEvent(const std::string& print_info, const std::string& speed,
                           const std::string& size, const std::string& action,
                           const std::string& step, bool immediate) override {
    launcherEvents.push_back({print_info, speed, size, action, step, immediate ? "1" : "0"});
  }
  void ReportLauncherDetail(const std::string& action_id, const std::string& speed,
                            const std::string& size, const std::string& time) override {
    launcherDetails.push_back({action_id, speed, size, time});
  }
  void ReportAttributionEvent(const std::string& event, const std::string& value1,
                              const std::string& value2, const std::string& value3) override {
    attributionEvents.push_back({event, value1, value2, value3});
  }

  std::vector<std::pair<int64_t, int64_t>> progress;
  std::vector<std::pair<int32_t, int64_t>> speeds;
  std::vector<bool> pausedNotes;
  int64_t loggedSize = -1;
  std::vector<std::vector<int64_t>> summaries;
  std::vector<std::vector<std::string>> launcherEvents;
  std::vector<std::vector<std::string>> launcherDetails;
  std::vector<std::vector<std::string>> attributionEvents;
};

// A manager initialised in a scratch folder that is the current directory
// (so ".\save\dltrace.log" lands there), reporting to a RecordingDelegate and
// reading time from `clock`.
class ManagerFixture {
 public:
  explicit ManagerFixture(const qbase::Clock& clock = qbase::SystemClock());
  ~ManagerFixture();

  // Calls Poll until `done` holds or the time is up; false on time-out.
  bool PollUntil(const std::function<bool()>& done, int seconds = 120);
  // Queues a file and records its outcome in `results`.
  void Queue(const std::string& url, const std::string& path, const std::string& md5, int64_t size,
             int32_t tag = 7);
  std::string LocalPath(const std::string& name) const;
  std::string TraceText() const;

  test_support::ScratchDir scratch;
  test_support::ScopedCurrentFolder folder{scratch.path()};
  RecordingDelegate events;
  DownloadManager manager;
  std::vector<DoneRecord> results;
};

}  // namespace download_test
