#include "launcher/core/attribution_event_builder.h"

#include "launcher/download/download_url.h"

namespace {

constexpr char kPackageName[] = "com.orbascgames.qel.pc.tw";

bool CarriesValues(const std::string& event_name) {
  return event_name == "click_launch_pause_game" || event_name == "download_game_finish" ||
         event_name == "update_game_finish";
}

void AppendPair(const char* key, const std::string& value, std::string* query) {
  query->append(key);
  query->push_back('=');
  query->append(EncodeQueryValue(value));
  query->push_back('&');
}

}  // namespace

std::string AttributionEventBuilder::Build(const std::string& event_name, const std::string& value1,
                                           const std::string& value2,
                                           const std::string& value3) const {
  std::string query = "activity_kind=pc_starter&";
  AppendPair("install_package_type", facts_.installPackageType, &query);
  AppendPair("uuid", facts_.machineGuid, &query);
  AppendPair("gid", facts_.gid, &query);
  AppendPair("app_version", facts_.gameVersion, &query);
  AppendPair("app_id", kPackageName, &query);
  AppendPair("app_name", kPackageName, &query);
  AppendPair("package_name", kPackageName, &query);
  AppendPair("created_at", std::to_string(facts_.unixSeconds), &query);
  AppendPair("store", "pc", &query);
  AppendPair("game_id", "_QEL_GAME_TW", &query);
  AppendPair("ip_address", facts_.publicIp, &query);
  AppendPair("language", facts_.settings.language, &query);
  AppendPair("os_version", facts_.osVersion, &query);
  AppendPair("event_name", event_name, &query);
  if (CarriesValues(event_name)) {
    AppendPair("event_value1", value1, &query);
    AppendPair("event_value2", value2, &query);
    AppendPair("event_value3", value3, &query);
  }
  query.append("cpu_type=");
  query.append(EncodeQueryValue(facts_.cpuName));
  return query;
}
