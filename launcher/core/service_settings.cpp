#include "launcher/core/service_settings.h"

#include <json/json.h>

#include "base/json_util.h"

namespace {

// The library raises its error for values it cannot convert (an object where a
// text is expected, a text where a number is); such a value is skipped.
template <typename Convert>
void Take(const Json::Value& root, const char* key, Convert convert) {
  const Json::Value& value = root[key];
  if (value.isNull()) return;
  try {
    convert(value);
  } catch (const Json::Exception&) {
  }
}

void AppendTexts(const Json::Value& value, std::vector<std::string>* list) {
  if (!value.isArray()) {
    list->push_back(value.asString());
    return;
  }
  std::vector<std::string> texts;
  for (const Json::Value& element : value) texts.push_back(element.asString());
  list->insert(list->end(), texts.begin(), texts.end());
}

}  // namespace

bool ParseServiceSettings(const std::string& text, ServiceSettings* settings) {
  Json::Value root;
  std::string error;
  if (!ParseJson(text, &root, &error) || !root.isObject()) return false;
  const Json::Value& document = root;
  Take(document, "GateKey", [&](const Json::Value& v) { settings->GateKey = v.asString(); });
  Take(document, "GateURLs", [&](const Json::Value& v) { AppendTexts(v, &settings->GateURLs); });
  Take(document, "QaGate", [&](const Json::Value& v) { settings->QaGate = v.asBool(); });
  Take(document, "DlcURLs", [&](const Json::Value& v) { AppendTexts(v, &settings->DlcURLs); });
  Take(document, "ActivityURL",
       [&](const Json::Value& v) { settings->ActivityURL = v.asString(); });
  Take(document, "RefreshInterval",
       [&](const Json::Value& v) { settings->RefreshInterval = v.asInt(); });
  Take(document, "UpdateInterval",
       [&](const Json::Value& v) { settings->UpdateInterval = v.asInt(); });
  Take(document, "TrackURL", [&](const Json::Value& v) { settings->TrackURL = v.asString(); });
  Take(document, "DisableAutoEnterGame",
       [&](const Json::Value& v) { settings->DisableAutoEnterGame = v.asBool(); });
  return true;
}
