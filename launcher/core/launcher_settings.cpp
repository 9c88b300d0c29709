#include "launcher/core/launcher_settings.h"

#include <json/json.h>

#include "base/string_util.h"
#include "base/json_util.h"

namespace {

void TakeInt(const Json::Value& root, const char* key, int* member) {
  const Json::Value& value = root[key];
  // isInt also accepts an integral real such as 4096.0.
  if (value.isInt()) *member = value.asInt();
}

void TakeBool(const Json::Value& root, const char* key, bool* member) {
  const Json::Value& value = root[key];
  if (value.isBool()) *member = value.asBool();
}

}  // namespace

bool ParseLauncherSettings(const std::string& text, LauncherSettings* settings) {
  Json::Value root;
  std::string error;
  if (!ParseJson(text, &root, &error) || !root.isObject()) return false;
  TakeInt(root, "languageType", &settings->languageType);
  const Json::Value& game_path = root["gamePath"];
  if (game_path.isString()) {
    qbase::MultiByteToWide(game_path.asString(), qbase::kCodePageUtf8, &settings->gamePath);
  }
  TakeBool(root, "closeToHide", &settings->closeToHide);
  TakeBool(root, "downloadLimit", &settings->downloadLimit);
  TakeInt(root, "downloadSpeed", &settings->downloadSpeed);
  TakeBool(root, "predlcLimit", &settings->predlcLimit);
  TakeInt(root, "predlcSpeed", &settings->predlcSpeed);
  TakeBool(root, "automaticStart", &settings->automaticStart);
  TakeBool(root, "autoUpdate", &settings->autoUpdate);
  return true;
}

std::string WriteLauncherSettings(const LauncherSettings& settings) {
  Json::Value root(Json::objectValue);
  root["languageType"] = settings.languageType;
  root["gamePath"] = qbase::WideToUtf8(settings.gamePath);
  root["closeToHide"] = settings.closeToHide;
  root["downloadLimit"] = settings.downloadLimit;
  root["downloadSpeed"] = settings.downloadSpeed;
  root["predlcLimit"] = settings.predlcLimit;
  root["predlcSpeed"] = settings.predlcSpeed;
  root["automaticStart"] = settings.automaticStart;
  root["autoUpdate"] = settings.autoUpdate;
  return WriteJsonText(root);
}
