#include "launcher/core/version_map.h"

#include <fstream>
#include <utility>

#include <json/json.h>

#include "base/string_util.h"
#include "base/file_io.h"
#include "base/folder_util.h"
#include "base/md5.h"
#include "base/json_util.h"

// Nothing absolute, with a drive or stream ":", or with a ".." segment may
// pass, nor a zero byte, which would cut the path short ("a/..\0x" opens as
// "a/..").
bool IsSafeEntryName(const std::string& name) {
  if (!name.empty() && (name[0] == '/' || name[0] == '\\')) return false;
  if (name.find_first_of(std::string(":\0", 2)) != std::string::npos) return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("/\\", start);
    if (end == std::string::npos) end = name.size();
    if (name.compare(start, end - start, "..") == 0) return false;
    start = end + 1;
  }
  return true;
}

namespace {

bool ReadEntry(const Json::Value& value, FileEntry* entry, std::string* error) {
  if (value.isNull()) return true;
  if (!value.isObject()) {
    *error = "entry is not an object";
    return false;
  }
  const Json::Value& md5 = value["md5"];
  if (md5.isArray() || md5.isObject()) {
    *error = "\"md5\" is not a text";
    return false;
  }
  entry->md5 = md5.asString();
  const Json::Value& size = value["size"];
  if (size.isNull()) return true;
  if (!size.isInt64() || size.asInt64() < 0) {
    *error = "\"size\" is not a byte count";
    return false;
  }
  entry->size = size.asInt64();
  return true;
}

void WriteVersionMapFile(const std::string& base_folder, const std::vector<std::string>& paths,
                         const std::wstring& version, const std::string& output_name) {
  Json::Value list(Json::objectValue);
  for (const std::string& path : paths) {
    std::ifstream stream(path, std::ios::in | std::ios::binary);
    if (!stream.is_open()) continue;
    std::string md5;
    int64_t size = 0;
    ComputeStreamMd5(stream, &md5, &size);
    std::string name = path.substr(2);
    qbase::ReplaceAll("\\", "/", &name);
    Json::Value entry(Json::objectValue);
    entry["md5"] = md5;
    entry["size"] = Json::Int64(size);
    list[name] = entry;
  }
  Json::Value root(Json::objectValue);
  root["version"] = version.empty() ? std::string("1.0.0") : qbase::WideToUtf8(version);
  root["list"] = list;
  WriteStringToFileA(base_folder + output_name, WriteJsonText(root));
}

}  // namespace

bool ParseVersionMap(const std::string& text, VersionMap* map, std::string* error) {
  if (text.empty()) return false;
  Json::Value root;
  if (!ParseJson(text, &root, error)) return false;
  if (!root.isObject() && !root.isNull()) {
    *error = "the document is not an object";
    return false;
  }
  const Json::Value* entries = &root;
  if (root.isObject()) {
    static const char kList[] = "list";
    const Json::Value* list = root.find(kList, kList + sizeof(kList) - 1);
    if (list != nullptr && !list->isNull()) entries = list;
  }
  if (!entries->isObject() && !entries->isNull()) {
    *error = "\"list\" is not an object";
    return false;
  }
  VersionMap parsed;
  for (const std::string& name : entries->getMemberNames()) {
    if (!IsSafeEntryName(name)) {
      *error = "unsafe entry name: " + name;
      return false;
    }
    FileEntry entry;
    std::string entry_error;
    if (!ReadEntry((*entries)[name], &entry, &entry_error)) {
      *error = name + ": " + entry_error;
      return false;
    }
    parsed[name] = std::move(entry);
  }
  *map = std::move(parsed);
  return true;
}

bool LoadVersionMapFile(const std::wstring& path, VersionMap* map, std::string* error) {
  map->clear();
  std::string text;
  if (!ReadFileToStringW(path, &text)) return false;
  return ParseVersionMap(text, map, error);
}

bool IsValidJson(const char* data, size_t length, std::string* error) {
  const std::string text(data, length);
  if (text.empty()) return false;
  Json::Value scratch;
  std::string messages;
  const bool parsed = ParseJson(text, &scratch, &messages);
  *error = messages;
  return parsed && messages.empty();
}

std::string GetVersionMapVersion(const VersionMap& map) {
  const auto found = map.find("version");
  return found == map.end() ? std::string() : found->second.md5;
}

void DiffVersionMaps(VersionMap* local, const VersionMap& remote, VersionMap* update,
                     std::vector<std::string>* deletions) {
  update->clear();
  if (local->empty()) {
    *update = remote;
  } else {
    for (const auto& [name, entry] : remote) {
      const auto found = local->find(name);
      if (found == local->end()) {
        (*update)[name] = entry;
        continue;
      }
      if (found->second.md5 != entry.md5) (*update)[name] = entry;
      local->erase(found);
    }
    for (const auto& [name, entry] : *local) deletions->push_back(name);
  }
  update->erase("version");
}

void MakeLauncherVersionMap(const std::wstring& version) {
  const std::string base = ".\\";
  std::vector<std::string> paths;
  for (const char* name : {"launcher.exe", "resources.zip", "SourceHanSansCNRegular.ttf",
                           "SourceHanSansCNBold.ttf", "LomaN.ttf", "LomaB.ttf"}) {
    paths.push_back(base + name);
  }
  ListFilesRecursive(base + "cef", &paths, {});
  WriteVersionMapFile(base, paths, version, "launcher_version_map.txt");
}

void MakeDependenceVersionMap(const std::wstring& version) {
  const std::string base = ".\\";
  std::vector<std::string> paths;
  ListFilesRecursive(base + "dependence", &paths, {});
  WriteVersionMapFile(base, paths, version, "dependence_version_map.txt");
}
