#include "launcher/core/context_download_delegate.h"

#include "launcher/core/launcher_context.h"
#include "launcher/core/window_messages.h"

void ContextDownloadDelegate::OnDownloadProgress(int64_t total_bytes, int64_t done_bytes) {
  LauncherContext::GetInstance()->SendToMainWindow(
      WM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(total_bytes), static_cast<LPARAM>(done_bytes));
}

void ContextDownloadDelegate::OnDownloadSpeed(int32_t remaining_seconds, int64_t bytes_per_second) {
  LauncherContext::GetInstance()->SendToMainWindow(WM_DOWNLOAD_SPEED,
                                                   static_cast<WPARAM>(remaining_seconds),
                                                   static_cast<LPARAM>(bytes_per_second));
}

void ContextDownloadDelegate::OnDownloadPaused(bool paused) {
  LauncherContext::GetInstance()->SendToMainWindow(WM_DOWNLOAD_PAUSED, 0, paused ? 1 : 0);
}

void ContextDownloadDelegate::SetLoggedDownloadSize(int64_t bytes) {
  LauncherContext::GetInstance()->downloadLog.downloadSize = bytes;
}

void ContextDownloadDelegate::ReportLauncherEvent(const std::string& print_info,
                                                  const std::string& speed, const std::string& size,
                                                  const std::string& action_type,
                                                  const std::string& step, bool immediate) {
  LauncherContext::GetInstance()->ReportLauncherEvent(print_info, speed, size, action_type, step,
                                                      immediate);
}

void ContextDownloadDelegate::ReportLauncherDetail(const std::string& action_id,
                                                   const std::string& speed,
                                                   const std::string& size,
                                                   const std::string& time) {
  LauncherContext::GetInstance()->ReportLauncherDetail(action_id, speed, size, time);
}

void ContextDownloadDelegate::ReportAttributionEvent(const std::string& event,
                                                     const std::string& value1,
                                                     const std::string& value2,
                                                     const std::string& value3) {
  LauncherContext::GetInstance()->ReportAttributionEvent(event, value1, value2, value3);
}

void ContextDownloadDelegate::RecordDownloadSummary(int64_t speed, int64_t size, int64_t seconds) {
  DownloadLog& log = LauncherContext::GetInstance()->downloadLog;
  log.downloadSpeed = speed;
  log.downloadSize = size;
  log.downloadTime += seconds;
}

void ApplyContextSettings(DownloadManager* manager) {
  const LauncherContext* context = LauncherContext::GetInstance();
  DownloadServiceSettings services;
  services.gateUrls = context->serviceSettings.GateURLs;
  services.dlcUrls = context->serviceSettings.DlcURLs;
  services.trackUrl = context->serviceSettings.TrackURL;
  manager->SetServiceSettings(services);
  manager->SetSpeedLimit(DownloadMode::Game, context->settings.downloadLimit,
                         context->settings.downloadSpeed);
  manager->SetSpeedLimit(DownloadMode::PreDownload, context->settings.predlcLimit,
                         context->settings.predlcSpeed);
  manager->SetUseWebExtraParam(context->useWebExtraParam);
}
