#pragma once

// What the end-to-end pass tests serve and read back: version maps, files on
// the content host, the directory service's replies and the logs the stand-in
// programs write.

#include <map>
#include <string>
#include <vector>

#include <json/json.h>

#include "base/json_util.h"
#include "base/md5.h"
#include "tests/launcher/download/download_test_env.h"
#include "tests/support/scratch_dir.h"

namespace pass_test {

using Files = std::map<std::string, std::string>;  // name -> bytes

inline std::string Md5(const std::string& bytes) { return Md5OfBuffer(bytes.data(), bytes.size()); }

// A name of a map ("data/a.bin") as a Windows path.
inline std::wstring Path(const std::string& name) {
  std::wstring path = download_test::Wide(name);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

// A version map listing `files` with their MD5 and size.
inline std::string MapText(const std::string& version, const Files& files) {
  Json::Value root(Json::objectValue);
  root["version"]["md5"] = version;
  for (const auto& [name, bytes] : files) {
    root[name]["md5"] = Md5(bytes);
    root[name]["size"] = static_cast<Json::Int64>(bytes.size());
  }
  return WriteJsonText(root);
}

// Puts `bytes` on the content host under `name` ("cdn/data/a.bin").
inline void ServeContent(const std::string& name, const std::string& bytes) {
  test_support::WriteFileBytes(download_test::GetServers().contentRoot + L"\\" + Path(name), bytes);
}

// The directory service answers `path` with `body`.
inline void SetGateReply(const std::string& path, const std::string& body, int status = 200) {
  Json::Value rule;
  rule["path"] = path;
  rule["action"] = "status";
  rule["status"] = status;
  rule["body"] = body;
  download_test::SetFaultRule(rule);
}

// The directory service's answers naming the content host of a game pass and
// of a launcher pass.
inline std::string GameReply(const std::string& content_url) {
  Json::Value reply;
  reply["DlcAddr"].append(content_url);
  return WriteJsonText(reply);
}
inline std::string LauncherReply(const std::string& content_url) {
  Json::Value others;
  others["DlcAddr"] = content_url;
  Json::Value reply;
  reply["Others"] = WriteJsonText(others);
  return WriteJsonText(reply);
}

// The whole lines of `text`; a last line without its end is not yet written.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace pass_test
