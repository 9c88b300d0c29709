#include "launcher/update/directory_reply.h"

#include "base/json_util.h"

namespace {

// The text form of a member; none for objects and arrays.
std::optional<std::string> TextForm(const Json::Value& value) {
  if (value.isObject() || value.isArray()) return std::nullopt;
  try {
    return value.asString();
  } catch (const Json::Exception&) {
    return std::nullopt;
  }
}

// The text of `key`, or none when it is absent or has no text.
std::optional<std::string> MemberText(const Json::Value& object, const char* key) {
  Json::Value member;
  if (!FindJsonMemberDeep(object, key, &member)) return std::nullopt;
  return TextForm(member);
}

// One host per array element, or the value as a list of one; none when an
// element or the value has no text.
std::optional<std::vector<std::string>> HostList(const Json::Value& value) {
  std::vector<std::string> hosts;
  if (!value.isArray()) {
    std::optional<std::string> text = TextForm(value);
    if (!text) return std::nullopt;
    hosts.push_back(*text);
    return hosts;
  }
  for (Json::ArrayIndex i = 0; i < value.size(); ++i) {
    std::optional<std::string> text = TextForm(value[i]);
    if (!text) return std::nullopt;
    hosts.push_back(*text);
  }
  return hosts;
}

std::optional<bool> MemberBool(const Json::Value& object, const char* key) {
  Json::Value member;
  if (!FindJsonMemberDeep(object, key, &member) || !member.isBool()) return std::nullopt;
  return member.asBool();
}

// "Others" holds an object as JSON text; the inner object replaces the reply.
bool ParseOthers(const Json::Value& reply, Json::Value* inner) {
  const std::optional<std::string> others = MemberText(reply, "Others");
  std::string error;
  return others && ParseJson(*others, inner, &error);
}

}  // namespace

LauncherDirectoryReply ParseLauncherDirectoryReply(const std::string& text) {
  LauncherDirectoryReply reply;
  Json::Value outer;
  Json::Value inner;
  std::string error;
  if (!ParseJson(text, &outer, &error) || !ParseOthers(outer, &inner)) return reply;

  Json::Value member;
  if (FindJsonMemberDeep(inner, "PatchOption", &member) && member.isInt()) {
    reply.patchOption = member.asInt();
  }
  reply.useWebExtraParam = MemberBool(inner, "UseWebExtraParam");
  reply.deleteLogTxt = MemberBool(inner, "DeleteLogTXT");
  reply.preDlcCheck = MemberBool(inner, "PreDlcCheck");
  if (FindJsonMemberDeep(inner, "TransToGame", &member)) reply.transToGame = member;

  if (!FindJsonMemberDeep(inner, "DlcAddr", &member)) return reply;
  reply.contentHosts = HostList(member);
  if (!reply.contentHosts) return reply;
  if (FindJsonMemberDeep(inner, "ActivityAddr", &member) && member.isString()) {
    reply.activityAddr = member.asString();
  }
  if (FindJsonMemberDeep(inner, "ForceUpdateLauncher", &member)) {
    const std::optional<std::string> force = TextForm(member);
    if (!force) return reply;
    reply.forceUpdateLauncher = !force->empty();
  }
  reply.usable = true;
  return reply;
}

GameDirectoryReply ParseGameDirectoryReply(const std::string& text) {
  GameDirectoryReply reply;
  Json::Value root;
  if (!ParseJson(text, &root, &reply.error)) {
    reply.result = GameDirectoryReply::Result::NotJson;
    return reply;
  }
  Json::Value member;
  std::optional<std::vector<std::string>> hosts;
  if (FindJsonMemberDeep(root, "DlcAddr", &member)) hosts = HostList(member);
  if (!hosts) {
    reply.result = GameDirectoryReply::Result::NoDlcAddr;
    return reply;
  }
  reply.contentHosts = std::move(*hosts);
  reply.remoteMap = MemberText(root, "CDN");
  reply.result = GameDirectoryReply::Result::Ok;
  return reply;
}

bool ParseDirectoryReply(const std::string& text, std::vector<std::string>* hosts,
                         std::vector<std::string>* pre_download_hosts, std::string* error,
                         bool with_pre_download_hosts) {
  hosts->clear();
  if (with_pre_download_hosts) pre_download_hosts->clear();
  Json::Value root;
  if (!ParseJson(text, &root, error)) return false;
  if (!GetStringList(root, "DlcAddr", hosts)) {
    *error = "Get DlcAddr failed";
    return false;
  }
  Json::Value inner;
  if (with_pre_download_hosts && ParseOthers(root, &inner)) {
    GetStringList(inner, "PreDlcAddr", pre_download_hosts);
  }
  return true;
}

bool ParsePreDownloadReply(const std::string& text, std::vector<std::string>* hosts,
                           std::string* error) {
  hosts->clear();
  Json::Value root;
  if (!ParseJson(text, &root, error)) return false;
  std::vector<std::string> info;
  if (!GetStringList(root, "info", &info)) return false;
  Json::Value inner;
  if (!ParseJson(info.front(), &inner, error)) return false;
  return GetStringList(inner, "TW_pc_addr", hosts);
}
