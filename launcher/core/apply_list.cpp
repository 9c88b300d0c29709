#include "launcher/core/apply_list.h"

#include <json/json.h>

#include "base/file_io.h"
#include "base/json_util.h"

bool ReadApplyList(const std::string& path, ApplyList* list) {
  std::string text;
  Json::Value root;
  std::string error;
  if (!ReadFileToStringA(path, &text) || !ParseJson(text, &root, &error)) return false;
  if (!root.isObject() || !root["version"].isString()) return false;
  list->version = root["version"].asString();
  const Json::Value& names = root["fileList"];
  if (!names.isArray()) return false;
  std::vector<std::string> applied;
  for (const Json::Value& name : names) {
    if (!name.isString()) return false;
    applied.push_back(name.asString());
  }
  list->fileList = std::move(applied);
  return true;
}

void WriteApplyList(const std::string& path, const ApplyList& list) {
  if (list.version.empty() || list.fileList.empty()) return;
  Json::Value root(Json::objectValue);
  root["version"] = list.version;
  Json::Value names(Json::arrayValue);
  for (const std::string& name : list.fileList) names.append(name);
  root["fileList"] = names;
  WriteJsonFileA(path, root);
}
