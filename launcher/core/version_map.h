#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// One file of a version map. For the flat shape's pseudo-entry "version",
// `md5` holds the map's version text.
struct FileEntry {
  std::string md5;   // 32 lower-case hexadecimal digits
  int64_t size = 0;  // bytes; 64-bit so files of 2 GiB and more keep their size
};

// Entry name (a path relative to the map's base folder, "/" separators) to file,
// in byte order of the names.
using VersionMap = std::map<std::string, FileEntry>;

// Names from the network and from lists on disk become paths below a base
// folder; true when the name stays inside it.
bool IsSafeEntryName(const std::string& name);

// Parses either shape of a map document ({"version", "list": {...}} or the
// entries at the root). False, with the map untouched and `error` saying why,
// for an empty text, text that is not JSON, a document of the wrong shape, or an
// entry name that could reach outside the base folder.
bool ParseVersionMap(const std::string& text, VersionMap* map, std::string* error);
// Clears the map, then reads and parses the file.
bool LoadVersionMapFile(const std::wstring& path, VersionMap* map, std::string* error);
// True when the bytes are a JSON document the reader accepts without a message.
bool IsValidJson(const char* data, size_t length, std::string* error);
// The "md5" of the map's "version" entry, or "".
std::string GetVersionMapVersion(const VersionMap& map);

// Fills `update` with the remote entries that are new or whose MD5 changed
// (never "version"), appends the local names the remote map no longer has to
// `deletions`, and leaves exactly those entries in `local`.
void DiffVersionMaps(VersionMap* local, const VersionMap& remote, VersionMap* update,
                     std::vector<std::string>* deletions);

// The tool modes: maps of the launcher's own files (".\launcher_version_map.txt")
// and of its "dependence" folder (".\dependence_version_map.txt"). An empty
// version is written as "1.0.0".
void MakeLauncherVersionMap(const std::wstring& version);
void MakeDependenceVersionMap(const std::wstring& version);
