#include "launcher/core/download_log.h"

#include <limits>

#include <json/json.h>

#include "base/json_util.h"

namespace {

void TakeCount(const Json::Value& root, const char* key, int64_t* member) {
  const Json::Value& value = root[key];
  // A count beyond the signed 64-bit range would turn negative in the record.
  if (value.isUInt64() &&
      value.asUInt64() <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
    *member = static_cast<int64_t>(value.asUInt64());
  }
}

}  // namespace

bool ParseDownloadLog(const std::string& text, DownloadLog* log) {
  Json::Value root;
  std::string error;
  if (!ParseJson(text, &root, &error) || !root.isObject()) return false;
  const Json::Value& first_install = root["firstInstall"];
  if (first_install.isBool()) log->firstInstall = first_install.asBool();
  TakeCount(root, "downloadSize", &log->downloadSize);
  TakeCount(root, "downloadSpeed", &log->downloadSpeed);
  TakeCount(root, "downloadTime", &log->downloadTime);
  const Json::Value& version = root["downloadVersion"];
  if (version.isString()) log->downloadVersion = version.asString();
  return true;
}

std::string WriteDownloadLog(const DownloadLog& log) {
  Json::Value root(Json::objectValue);
  root["firstInstall"] = log.firstInstall;
  root["downloadSize"] = Json::Int64(log.downloadSize);
  root["downloadSpeed"] = Json::Int64(log.downloadSpeed);
  root["downloadTime"] = Json::Int64(log.downloadTime);
  root["downloadVersion"] = log.downloadVersion;
  return WriteJsonText(root);
}
