#pragma once

#include <cstdint>
#include <string>

#include "launcher/core/report_facts.h"

// The bodies of the four tracking reports: one-line JSON objects whose values
// are all strings, members in byte order of their names, non-ASCII bytes
// written as they are.
class TrackingReportBuilder {
 public:
  static constexpr char kUiClickType[] = "vexoripcstarteruiclick";
  static constexpr char kLauncherDetailType[] = "vexoripclauncherdetail";
  static constexpr char kLauncherEventType[] = "vexoripclauncher";
  static constexpr char kSettingsType[] = "vexoripcstartersetting";

  // `facts` must outlive the builder.
  explicit TrackingReportBuilder(const ReportFacts& facts) : facts_(facts) {}

  std::string UiClick(const std::string& ui_type, const std::string& action) const;
  // Only the download summaries ("15", "17", "22") carry the speed members.
  std::string LauncherDetail(const std::string& action_id, const std::string& speed,
                             const std::string& size, const std::string& download_time) const;
  std::string LauncherEvent(const std::string& print_info, const std::string& speed,
                            const std::string& size, const std::string& action_type,
                            const std::string& step) const;
  // An empty autostart or close text means that setting did not change.
  std::string Settings(const std::string& autostart_text, const std::string& close_text,
                       int32_t install_speed_limit, int32_t pre_install_speed_limit) const;

  // Bytes per second as MiB per second with three decimals, as the service
  // has always received them (single precision).
  static std::string MebibytesPerSecondText(int64_t bytes_per_second);
  // Only "A" to "Z" change.
  static std::string LowerAscii(std::string text);

 private:
  const ReportFacts& facts_;
};
