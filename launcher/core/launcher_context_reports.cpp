// The report operations of LauncherContext: each copies its arguments and
// builds and sends the report on the worker thread, in posting order.

#include <utility>

#include "base/thread_registry.h"
#include "launcher/core/attribution_event_builder.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/report_facts.h"
#include "launcher/core/tracking_report_builder.h"
#include "launcher/download/download_manager.h"

namespace {

// A plain task: the context and the manager outlive the worker thread.
template <typename Send>
void PostReportTask(Send send) {
  qbase::ThreadRegistry::PostTask(qbase::kMiscThreadId, [send = std::move(send)] {
    DownloadManager& manager = DownloadManager::GetInstance();
    const ReportFacts facts = GatherReportFacts(*LauncherContext::GetInstance(), manager);
    send(facts, manager);
  });
}

}  // namespace

void LauncherContext::ReportUiClick(std::string ui_type, std::string action) {
  PostReportTask([ui_type, action](const ReportFacts& facts, DownloadManager& manager) {
    manager.SubmitReport(TrackingReportBuilder(facts).UiClick(ui_type, action), manager.track_url(),
                         false);
  });
}

void LauncherContext::ReportLauncherDetail(std::string action_id, std::string speed,
                                           std::string size, std::string download_time) {
  PostReportTask(
      [action_id, speed, size, download_time](const ReportFacts& facts, DownloadManager& manager) {
        manager.PostReportNow(
            TrackingReportBuilder(facts).LauncherDetail(action_id, speed, size, download_time),
            manager.track_url());
      });
}

void LauncherContext::ReportLauncherEvent(std::string print_info, std::string speed,
                                          std::string size, std::string action_type,
                                          std::string step, bool immediate) {
  PostReportTask([print_info, speed, size, action_type, step, immediate](const ReportFacts& facts,
                                                                         DownloadManager& manager) {
    manager.SubmitReport(
        TrackingReportBuilder(facts).LauncherEvent(print_info, speed, size, action_type, step),
        manager.track_url(), immediate);
  });
}

void LauncherContext::ReportSettings(std::string autostart_text, std::string close_text,
                                     int32_t install_speed_limit, int32_t pre_install_speed_limit) {
  PostReportTask([autostart_text, close_text, install_speed_limit, pre_install_speed_limit](
                     const ReportFacts& facts, DownloadManager& manager) {
    manager.SubmitReport(
        TrackingReportBuilder(facts).Settings(autostart_text, close_text, install_speed_limit,
                                              pre_install_speed_limit),
        manager.track_url(), false);
  });
}

void LauncherContext::ReportAttributionEvent(std::string event_name, std::string value1,
                                             std::string value2, std::string value3) {
  PostReportTask([event_name, value1, value2, value3](const ReportFacts& facts,
                                                      DownloadManager& manager) {
    manager.SubmitReport(AttributionEventBuilder(facts).Build(event_name, value1, value2, value3),
                         manager.attribution_url(), true);
  });
}
