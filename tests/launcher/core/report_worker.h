#pragma once

#include <windows.h>

#include <functional>
#include <future>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <json/json.h>

#include "base/framework_thread.h"
#include "base/thread_registry.h"
#include "launcher/download/download_manager.h"
#include "tests/launcher/download/download_test_env.h"

namespace report_test {

// Where the process's download manager sends reports in these tests: two
// separate paths of the fault host.
inline std::string TrackPath() { return "/~t/track/json_track"; }
inline std::string AttributionPath() { return "/~a/v1/adjust"; }

// Stands in for MiscThread: a framework thread registered as the worker that
// owns the process's download manager, initialised (in the current folder)
// to send its reports to the fault host.
class ReportWorker : public qbase::FrameworkThread {
 public:
  ReportWorker() : qbase::FrameworkThread("report worker") {}
  ~ReportWorker() override { Stop(); }

  // Runs `task` on the worker behind everything posted before and waits
  // for it.
  void RunAndWait(std::function<void()> task) {
    std::promise<void> done;
    ASSERT_TRUE(qbase::ThreadRegistry::PostTask(qbase::kMiscThreadId, [&] {
      task();
      done.set_value();
    }));
    ASSERT_EQ(done.get_future().wait_for(std::chrono::minutes(5)), std::future_status::ready);
  }

 protected:
  void Init() override {
    qbase::ThreadRegistry::RegisterThread(qbase::kMiscThreadId);
    DownloadServiceSettings services;
    services.trackUrl = download_test::GetServers().faultUrl + TrackPath() + "?token=tok";
    services.attributionUrl = download_test::GetServers().faultUrl + AttributionPath();
    DownloadManager::GetInstance().SetServiceSettings(services);
    DownloadManager::GetInstance().Init();
  }
  void Cleanup() override {
    DownloadManager::GetInstance().Shutdown();
    qbase::ThreadRegistry::UnregisterThread();
  }
};

// The fault host's requests for `path` once there are at least `count`;
// whatever there is after a generous wait otherwise.
inline std::vector<Json::Value> AwaitRequests(const std::string& path, size_t count) {
  const ULONGLONG deadline = GetTickCount64() + 120000;
  std::vector<Json::Value> requests = download_test::FaultRequests(path);
  while (requests.size() < count && GetTickCount64() < deadline) {
    Sleep(50);
    requests = download_test::FaultRequests(path);
  }
  return requests;
}

}  // namespace report_test
