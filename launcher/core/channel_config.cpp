#include "launcher/core/channel_config.h"

#include <json/json.h>

#include "base/string_util.h"
#include "base/json_util.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/language_string_table.h"

namespace {

// The part of a per-language value for the language: its member of that
// name, else its "en" member, else the value itself.
const Json::Value& ChooseLanguagePart(const Json::Value& value, const std::string& language) {
  if (value.isObject()) {
    if (value.isMember(language)) return value[language];
    if (value.isMember("en")) return value["en"];
  }
  return value;
}

// The member's text when the value is an object holding it as a string; ""
// otherwise, so an incomplete entry never borrows a neighbour's value.
std::string StringMember(const Json::Value& object, const char* key) {
  if (!object.isObject()) return std::string();
  const Json::Value& member = object[key];
  return member.isString() ? member.asString() : std::string();
}

bool HasStringMember(const Json::Value& object, const char* key) {
  return object.isObject() && object[key].isString();
}

void ApplyOverrides(const Json::Value& root, ui::LanguageStringTable* table) {
  Json::Value overrides;
  if (!FindJsonMemberDeep(root, "OverwriteStrings", &overrides) || !overrides.isArray()) return;
  for (const Json::Value& element : overrides) {
    if (!HasStringMember(element, "key") || !HasStringMember(element, "value")) continue;
    table->SetOverride(qbase::Utf8ToWide(element["key"].asString()),
                       qbase::Utf8ToWide(element["value"].asString()));
  }
}

void ReadTitles(const Json::Value& root, const std::string& language, ChannelConfig* config) {
  Json::Value titles;
  if (!FindJsonMemberDeep(root, "Titles", &titles)) return;
  const Json::Value& part = ChooseLanguagePart(titles, language);
  for (const char* key : {"title_main", "title_sub"}) {
    if (!HasStringMember(part, key)) continue;
    std::wstring text;
    qbase::MultiByteToWide(part[key].asString(), qbase::kCodePageUtf8, &text);
    config->titles[key] = text;
  }
}

void ReadPageLink(const Json::Value& root, const char* key, const std::string& language,
                  ChannelConfig* config) {
  Json::Value value;
  if (!FindJsonMemberDeep(root, key, &value)) return;
  const Json::Value& part = ChooseLanguagePart(value, language);
  if (part.isString()) config->links[key] = part.asString();
}

void ReadForum(const Json::Value& root, const std::string& language, ChannelConfig* config) {
  Json::Value forum;
  if (!FindJsonMemberDeep(root, "Forum", &forum)) return;
  const Json::Value& entries = ChooseLanguagePart(forum, language);
  if (!entries.isArray()) return;
  for (const Json::Value& entry : entries) {
    if (!HasStringMember(entry, "name")) continue;
    JumpLink link;
    link.normalImage = StringMember(entry, "NormalImage");
    link.hotImage = StringMember(entry, "HotImage");
    link.tooltip = StringMember(entry, "Tooltips");
    link.linkName = "Forum_" + entry["name"].asString();
    if (link.normalImage.empty() || link.hotImage.empty()) continue;
    config->links[link.linkName] = StringMember(entry, "url");
    config->jumpLinks.push_back(link);
  }
}

void ReadFaq(const Json::Value& root, const std::string& language, ChannelConfig* config) {
  Json::Value faq;
  if (!FindJsonMemberDeep(root, "FAQ", &faq)) return;
  const Json::Value& part = ChooseLanguagePart(faq, language);
  JumpLink link;
  link.normalImage = StringMember(faq, "NormalImage");
  link.hotImage = StringMember(faq, "HotImage");
  link.tooltip = StringMember(part, "Tooltips");
  link.linkName = "FAQ";
  if (link.normalImage.empty() || link.hotImage.empty()) return;
  config->links[link.linkName] = StringMember(part, "url");
  config->jumpLinks.push_back(link);
}

}  // namespace

bool ApplyChannelConfig(const std::string& bytes, const std::string& language,
                        ui::LanguageStringTable* table, ChannelConfig* config) {
  Json::Value root;
  std::string error;
  if (!ParseJson(bytes, &root, &error)) return false;
  ChannelConfig loaded;
  ApplyOverrides(root, table);
  ReadTitles(root, language, &loaded);
  ReadPageLink(root, "Privacy", language, &loaded);
  ReadPageLink(root, "Service", language, &loaded);
  ReadForum(root, language, &loaded);
  ReadFaq(root, language, &loaded);
  *config = std::move(loaded);
  return true;
}

bool LoadChannelConfig(const std::string& language, ChannelConfig* config) {
  std::string bytes;
  if (!ui::GlobalManager::ReadResourceFile(kChannelConfigFile, &bytes) &&
      !ui::GlobalManager::ReadResourceFile(kGeneralConfigFile, &bytes)) {
    return false;
  }
  return ApplyChannelConfig(bytes, language, ui::LanguageStringTable::GetInstance(), config);
}
