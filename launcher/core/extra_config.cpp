#include "launcher/core/extra_config.h"

#include <json/json.h>

#include "base/json_util.h"

bool ParseExtraConfig(const std::string& text, std::string* install_package_type) {
  Json::Value root;
  std::string error;
  if (!ParseJson(text, &root, &error)) return false;
  if (root.isObject()) {
    const Json::Value& value = root["install_package_type"];
    if (value.isString()) *install_package_type = value.asString();
  }
  return true;
}
