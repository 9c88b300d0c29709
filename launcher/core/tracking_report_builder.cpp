#include "launcher/core/tracking_report_builder.h"

#include <json/json.h>

#include <cstdio>

#include "base/string_util.h"
#include "launcher/core/version_text.h"

namespace {

constexpr char kGameId[] = "10043";
constexpr char kPackageName[] = "com.orbascgames.qel.pc.tw";
constexpr char kSystemType[] = "win";
constexpr char kPreInstallStep[] = "pre_install";
// The print info of the report the game start sends.
constexpr char kGameStartInfo[] = "rungame";

// The launcher-detail action ids that summarise a download.
bool IsDownloadSummary(const std::string& action_id) {
  return action_id == "15" || action_id == "17" || action_id == "22";
}

std::string GibibytesText(uint64_t bytes) {
  char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "%.3f", static_cast<float>(bytes) / 1073741824.0f);
  return buffer;
}

// The members every kind carries; the date and time come from the one
// reading of the clock the facts hold.
Json::Value StartBody(const ReportFacts& facts, const char* log_type) {
  Json::Value body(Json::objectValue);
  body["log_type"] = log_type;
  body["game_id"] = kGameId;
  body["install_package_type"] = facts.installPackageType;
  body["event_date"] = facts.date;
  body["event_time"] = facts.date + " " + facts.time;
  return body;
}

std::string WriteBody(const Json::Value& body) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  builder["emitUTF8"] = true;
  return Json::writeString(builder, body);
}

// "1" when a newer pre-download waits and the game is starting or running,
// "0" when it waits and the game is not running, "-1" when none waits.
std::string InstallAndPlayValue(const ReportFacts& facts, bool from_game_start) {
  if (facts.preDownloadVersion.empty()) return "-1";
  if (CompareVersions(facts.preDownloadVersion, facts.gameVersion, facts.targetGameVersion) !=
      VersionComparison::VersionNewer) {
    return "-1";
  }
  return from_game_start || facts.gameRunning ? "1" : "0";
}

}  // namespace

std::string TrackingReportBuilder::UiClick(const std::string& ui_type,
                                           const std::string& action) const {
  Json::Value body = StartBody(facts_, kUiClickType);
  body["action"] = LowerAscii(action);
  body["pc_id"] = facts_.deviceId;
  body["uitype"] = ui_type;
  return WriteBody(body);
}

std::string TrackingReportBuilder::LauncherDetail(const std::string& action_id,
                                                  const std::string& speed, const std::string& size,
                                                  const std::string& download_time) const {
  Json::Value body = StartBody(facts_, kLauncherDetailType);
  body["action_id"] = action_id;
  body["channel"] = facts_.gid;
  if (facts_.country) body["country"] = *facts_.country;
  body["cpu"] = facts_.cpuName;
  body["download_game_version"] = facts_.targetGameVersion;
  body["game_version"] = facts_.gameVersion;
  body["idfa"] = facts_.machineGuid;
  body["ip"] = facts_.publicIp;
  body["language"] = facts_.settings.language;
  body["machine_guid"] = facts_.machineGuid;
  body["pkg"] = kPackageName;
  body["system_type"] = kSystemType;
  body["system_ver"] = facts_.osVersion;
  if (IsDownloadSummary(action_id)) {
    body["speed"] = speed;
    body["size"] = size;
    body["download_time"] = download_time;
    body["lowest_speed"] = MebibytesPerSecondText(facts_.lowestSpeed);
    body["highest_speed"] = MebibytesPerSecondText(facts_.highestSpeed);
    body["lowest_speed_location"] = facts_.lowestSpeedPath;
  }
  return WriteBody(body);
}

std::string TrackingReportBuilder::LauncherEvent(const std::string& print_info,
                                                 const std::string& speed, const std::string& size,
                                                 const std::string& action_type,
                                                 const std::string& step) const {
  Json::Value body = StartBody(facts_, kLauncherEventType);
  const std::string lowered_step = LowerAscii(step);
  std::string sent_print_info = print_info;
  if (lowered_step == kPreInstallStep) {
    const bool from_game_start = print_info == kGameStartInfo;
    if (from_game_start) sent_print_info.clear();
    body["if_install_play"] = InstallAndPlayValue(facts_, from_game_start);
  }
  body["action_type"] = LowerAscii(action_type);
  body["download_game_version"] = facts_.downloadGameVersion;
  body["game_version"] = facts_.gameVersion;
  body["highest_speed"] = MebibytesPerSecondText(facts_.highestSpeed);
  body["install_game_path"] = qbase::WideToUtf8(facts_.settings.gamePath);
  body["install_launcher_path"] = facts_.launcherFolder;
  body["ip"] = facts_.publicIp;
  body["language"] = facts_.settings.language;
  // Unknown free space is sent empty rather than as a misleading zero.
  body["left_capacity"] = facts_.freeBytes ? GibibytesText(*facts_.freeBytes) : "";
  body["limit_speed"] = std::to_string(facts_.settings.downloadSpeed);
  body["lowest_speed"] = MebibytesPerSecondText(facts_.lowestSpeed);
  body["lowest_speed_location"] = facts_.lowestSpeedPath;
  body["machine_guid"] = facts_.machineGuid;
  body["pc_id"] = facts_.deviceId;
  body["print_info"] = sent_print_info;
  body["size"] = size;
  body["speed"] = speed;
  body["step"] = lowered_step;
  body["system"] = facts_.productName;
  body["system_language"] = facts_.systemLanguage;
  return WriteBody(body);
}

std::string TrackingReportBuilder::Settings(const std::string& autostart_text,
                                            const std::string& close_text,
                                            int32_t install_speed_limit,
                                            int32_t pre_install_speed_limit) const {
  Json::Value body = StartBody(facts_, kSettingsType);
  if (!close_text.empty()) body["close_set"] = close_text;
  if (!autostart_text.empty()) body["if_autostart"] = autostart_text;
  body["install_speed_limit"] = std::to_string(install_speed_limit);
  body["language"] = facts_.settings.language;
  body["machine_guid"] = facts_.machineGuid;
  body["pc_id"] = facts_.deviceId;
  body["pre_install_speed_limit"] = std::to_string(pre_install_speed_limit);
  return WriteBody(body);
}

std::string TrackingReportBuilder::MebibytesPerSecondText(int64_t bytes_per_second) {
  char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "%.3f", static_cast<float>(bytes_per_second) / 1048576.0f);
  return buffer;
}

std::string TrackingReportBuilder::LowerAscii(std::string text) {
  for (char& character : text) {
    if (character >= 'A' && character <= 'Z') character = static_cast<char>(character - 'A' + 'a');
  }
  return text;
}
