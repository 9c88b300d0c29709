#pragma once

#include <optional>
#include <string>
#include <vector>

#include <json/json.h>

// The directory service's replies. Members are found with FindJsonMemberDeep
// (own members, or inside objects held in arrays); hosts, "CDN", "Others" and
// "ForceUpdateLauncher" are taken by their text form: a string as it is, a
// number as its JSON text, a boolean as "true" or "false", null as "". An
// object or array where a text is taken makes the reply unusable.

// The options the launcher pass takes from "Others". Members that are absent,
// or not of their type, stay empty and leave the context's value alone.
struct LauncherDirectoryReply {
  // False when the reply, or "Others" inside it, is not JSON, or "Others" or
  // its "DlcAddr" is missing or has no text; the options found before
  // "DlcAddr" is read still count then.
  bool usable = false;
  std::optional<int> patchOption;
  std::optional<bool> useWebExtraParam;
  std::optional<bool> deleteLogTxt;
  std::optional<bool> preDlcCheck;
  std::optional<Json::Value> transToGame;
  // From "DlcAddr"; once it is found the options after it are read.
  std::optional<std::vector<std::string>> contentHosts;
  std::optional<std::string> activityAddr;
  bool forceUpdateLauncher = false;  // a "ForceUpdateLauncher" with a non-empty text
};
LauncherDirectoryReply ParseLauncherDirectoryReply(const std::string& text);

// What the game pass takes from the top level.
struct GameDirectoryReply {
  enum class Result {
    Ok,
    NotJson,    // the reader's messages are in `error`
    NoDlcAddr,  // "DlcAddr" missing, or without a text form
  };
  Result result = Result::NotJson;
  std::string error;
  std::vector<std::string> contentHosts;
  std::optional<std::string> remoteMap;  // the text of "CDN"
};
GameDirectoryReply ParseGameDirectoryReply(const std::string& text);

// The content hosts ("DlcAddr") and, when `with_pre_download_hosts`, the
// pre-download hosts ("PreDlcAddr" inside "Others"). False with `error` set
// when the reply is not JSON or names no content host.
bool ParseDirectoryReply(const std::string& text, std::vector<std::string>* hosts,
                         std::vector<std::string>* pre_download_hosts, std::string* error,
                         bool with_pre_download_hosts);
// The hosts of the coming version: "TW_pc_addr" of the JSON text that is the
// first string of "info". False when there are none.
bool ParsePreDownloadReply(const std::string& text, std::vector<std::string>* hosts,
                           std::string* error);
